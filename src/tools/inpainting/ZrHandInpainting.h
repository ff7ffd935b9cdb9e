// The arithmetic of the blemish remover around its patch engine: the
// squares it takes around a point, the defect mask it makes from the
// brush's stamp, and the magnified previews on its panel (their zoom and
// side, and what they show, grey where the square leaves the image).
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"
#include "tools/inpainting/AreaCorrelator.h"

#include <cstdint>

namespace facette {

// The square of side Size that belongs to a point (the defect under the
// click, the source under the pointer): its top-left is the point minus
// (Size + 1) div 2 in both coordinates.
TZrRect InpaintSquare(TZrPoint Point, int32_t Size);

// Marks as defect every pixel of the correlator's square where Stamp, in
// image coordinates, is not 0 (the rest of the square stays as it was).
void MarkDefect(TAreaCorrelator &Correlator, const TZrPixelMask &Stamp);

struct TPreviewGeometry
{
  // Screen pixels per image pixel, 1 to 6.
  int32_t Zoom = 1;
  // Image pixels along each side of the preview.
  int32_t Side = 0;
};

// The preview of a square of side Size in a box Width pixels wide: the
// largest zoom that leaves a tenth of the box around the square, at most
// 6, and as many image pixels as the box then holds.
TPreviewGeometry PreviewGeometry(int32_t Width, int32_t Size);

// The top-left, in image coordinates, of a preview of Side pixels with the
// square of side Size at SquareTopLeft in its middle.
TZrPoint PreviewOrigin(TZrPoint SquareTopLeft, int32_t Side, int32_t Size);

// The grey of preview pixels that lie outside the image.
constexpr uint8_t PreviewGrey = 64;

// Copies into Preview (24-bit, at (0, 0)) the image pixels of the preview
// whose top-left is Origin, for the rows and columns From .. To - 1 of the
// preview (clipped to it); pixels outside the image are grey.
void CopyPreview(const TZrPixels &Image, TZrPoint Origin, int32_t From, int32_t To,
                 TZrPixelBuffer &Preview);

// Preview enlarged Zoom times, every pixel a Zoom x Zoom block, into Shown
// (24-bit, made the size needed).
void ZoomPreview(const TZrPixels &Preview, int32_t Zoom, TZrPixelBuffer &Shown);

// Whether Q lies within Distance of P (Euclidean, the bound included).
bool WithinDistance(TZrPoint P, TZrPoint Q, int32_t Distance);

// The reflection after a step of the wheel or the arrow keys: one up or
// down, staying within 0 .. 7.
int32_t SteppedReflection(int32_t Reflection, int32_t Direction);

} // namespace facette
