// Whole-image geometry on 24-bit pixels: mirror images in place and quarter
// turns into a second window. The device bitmap builds on these; they are
// also what the benchmarks time.
#pragma once

#include "imaging/ZrBitmap.h"

namespace facette {

// Mirrors the window left to right / top to bottom in place. False (nothing
// changed) for a format other than 24 bits or a window without memory.
bool FlipPixelsHorizontal(TZrPixels &Pixels);
bool FlipPixelsVertical(TZrPixels &Pixels);

// Turns Source a quarter clockwise or counter-clockwise into Dest, which
// must be a 24-bit window of the turned size (Source's height by its width).
// Source pixel (x, y) lands on (H - 1 - y, x) clockwise and on (y, W - 1 - x)
// counter-clockwise, counted from each window's own top-left. False, nothing
// written, when the windows do not fit that description.
bool RotatePixels(const TZrPixels &Source, TZrPixels &Dest, bool Clockwise);

} // namespace facette
