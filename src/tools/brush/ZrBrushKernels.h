// What a stamp of the smudge and undo brushes does to the pixels, and the
// blurred colour the smudge brush pulls pixels towards.
//
// Both brushes compute every pixel from the committed image (Backup)
// through the stroke's mask and write it into the working image, so going
// over a spot again within one stroke gives the same pixels as going over
// it once. A mask value m mixes the two colours as
// ((255 - m) x s + m x t) / 255, rounded to the nearest integer.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>

namespace facette {

// The disc a blurred colour averages over: the hard disc of Smoothing with
// its centre cleared unless IncludeCentre, so that a pixel's own value does
// not enter its average.
void BuildBlurFootprint(TZrPixelMask &Footprint, int32_t Smoothing, bool IncludeCentre);

// The average colour (00RRGGBB) of the Backup pixels under Footprint placed
// around (X, Y) (its middle on the pixel), rounded per channel; only pixels
// inside the image count. A pixel whose footprint holds no pixel of the
// image (a one-pixel footprint without its centre) keeps its own colour,
// and a point outside the image gives 0.
//
// Cache is a 32-bit buffer whose alpha byte tells computed pixels (255)
// from the rest (0): a computed pixel is read from it, a new one stored in
// it. Points outside the cache are computed without it; a cache of another
// format is not used.
int32_t BlurColour(TZrPixelBuffer &Cache, const TZrPixelMask &Footprint, const TZrPixels &Backup,
                   int32_t X, int32_t Y);

// Smudge: each pixel of Rect moves towards its blurred colour by the Mask
// value there (mask coordinates are image coordinates; outside the mask
// counts as 0). Blurred colours come from Cache as BlurColour gives them;
// those not yet known are computed for the whole rectangle at once.
void SmudgeRect(const TZrRect &Rect, const TZrPixels &Backup, const TZrPixelMask &Mask,
                TZrPixelBuffer &Cache, const TZrPixelMask &Footprint, TZrPixels &Image);

// Undo brush: each pixel of Rect moves towards the same pixel of Original
// by the Mask value. Where Original has no pixel (an original of another
// size) the pixel is left as Backup has it.
void UndoBrushRect(const TZrRect &Rect, const TZrPixels &Backup, const TZrPixels &Original,
                   const TZrPixelMask &Mask, TZrPixels &Image);

} // namespace facette
