// What a stamp of the anti-aging and emphasis brushes does to the pixels:
// each pixel moves from the committed image towards the filtered image by
// the stroke's mask there.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"
#include "tools/skin/ZrFrequencyRange.h"

namespace facette {

// For each pixel of Rect inside Backup, Image and the filter: with m the
// Mask value (0 outside the mask; mask coordinates are image coordinates),
// s the Backup channel and f the filtered one, Image := ((255 - m) x s +
// m x f) / 255 rounded to the nearest integer. (The quotient is never
// halfway between two integers, so no tie rule is needed.) Where the filter
// has no pixel the Backup pixel is written unchanged.
void AntiAgingRect(const TZrRect &Rect, const TFrequencyFilter &Filter, const TZrPixelMask &Mask,
                   const TZrPixels &Backup, TZrPixels &Image);

} // namespace facette
