// The shapes of the round brushes: the square a stamp covers, the masks a
// stamp is made of, and painting a solid colour through a mask (the brush
// preview).
//
// Every mask is square with an odd side 2h + 1 (h = Size div 2), placed at
// (0, 0); the stamping code moves it onto the image. Sizes 10 and 11 thus
// give the same 11 x 11 square.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>

namespace facette {

// The square a brush of Size covers around Centre:
// (X - h, Y - h, X + h + 1, Y + h + 1) with h = Size div 2.
TZrRect BrushRect(TZrPoint Centre, int32_t Size);

// Side of the brush square of Size.
inline int32_t BrushSide(int32_t Size)
{
  return 2 * (Size / 2) + 1;
}

// A disc of one Value with a hard edge: the pixels (dx, dy) from the centre
// with dx^2 + dy^2 <= Round((Size / 2 + 0.1)^2), the middle row full.
void BuildHardDisc(TZrPixelMask &Mask, int32_t Size, int32_t Value);

// The soft round brush: Peak out to an inner radius set by Hardness
// (0..255), then falling linearly to 0 half a pixel outside the brush
// radius. A one-pixel brush is a single 255 whatever Peak and Hardness are,
// so that the smallest brush always does something.
void BuildSoftDisc(TZrPixelMask &Mask, int32_t Size, int32_t Peak, int32_t Hardness);

// (1 - g^(Steepness / 16)) x Peak at the relative distance g from the
// centre, 0 from g = 1 on: the larger Steepness, the flatter the top and
// the steeper the fall at the rim.
void BuildPowerDisc(TZrPixelMask &Mask, int32_t Size, int32_t Peak, int32_t Steepness);

// Makes room in a stroke's mask for a stamp covering Need before the stamp
// is merged in. Growing a mask copies all of it, so a long stroke that grew
// by a few pixels per stamp would copy ever larger masks; this grows it
// ahead, by half its size in the direction of the stroke, so that it is
// copied only a few times. It stays within Limit (the reach of stamps on
// the image) except where Need itself lies outside. Every byte keeps its
// value and place; the new room is 0.
void GrowStrokeMask(TZrPixelMask &StrokeMask, const TZrRect &Need, const TZrRect &Limit);

// Merges a stamp (placed in image coordinates) into a stroke's mask by
// per-pixel maximum, growing the mask ahead within a stamp's side around
// Image. A stamp wholly beside the image changes no pixel and is left out,
// so the mask keeps to the image however far the pointer wanders.
void MergeStamp(TZrPixelMask &StrokeMask, const TZrPixelMask &Stamp, const TZrRect &Image);

// Paints Colour (00RRGGBB, low byte blue) through Mask over the pixels of
// Rect: a mask value of 255 gives the colour, a smaller one moves Source's
// channel by (m x (colour - source)) >> 8 towards it, 0 leaves Dest as it
// is. The mask is addressed in the same coordinates as the pixels; what
// lies outside the mask counts as 0. Only pixels inside both Source and
// Dest are touched.
void BlendColour(const TZrPixelMask &Mask, const TZrPixels &Source, int32_t Colour,
                 const TZrRect &Rect, TZrPixels &Dest);

} // namespace facette
