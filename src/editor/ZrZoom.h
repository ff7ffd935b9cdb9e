// The zoom steps of the graphics editor and how the view's zoom moves
// between them. A zoom is a fraction: screen pixels per image pixel.
#pragma once

#include <array>
#include <cstdint>

namespace facette {

struct TZrZoom
{
  int32_t Numerator = 1;
  int32_t Denominator = 1;
  friend bool operator==(const TZrZoom &, const TZrZoom &) = default;
};

// From 1/16 up to 16/1; 1/1 is step 10.
inline constexpr std::array<TZrZoom, 21> ZoomTable = {
    {{1, 16}, {1, 12}, {1, 8}, {1, 7}, {1, 6}, {1, 5}, {1, 4}, {1, 3}, {1, 2},  {3, 4}, {1, 1},
     {3, 2},  {2, 1},  {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {12, 1}, {16, 1}}};

// Zooms are compared in thousandths (rounded), so that a fitted zoom close
// to a step counts as that step.
int32_t ZoomPermille(TZrZoom Zoom);

// The smallest step above Current; the largest step when none is.
TZrZoom ZoomInFrom(TZrZoom Current);
// The largest step below Current; the smallest step when none is.
TZrZoom ZoomOutFrom(TZrZoom Current);

// The exact zoom that fits the whole image into the view: view height over
// image height when the image is relatively taller than the view, else
// view width over image width. False (Zoom untouched) when either size has
// no area.
bool BestFitZoom(int32_t ImageWidth, int32_t ImageHeight, int32_t ViewWidth, int32_t ViewHeight,
                 TZrZoom &Zoom);

// How an image is first shown: at actual size when it fits into the view,
// otherwise fitted.
bool FitOnOpenZoom(int32_t ImageWidth, int32_t ImageHeight, int32_t ViewWidth, int32_t ViewHeight,
                   TZrZoom &Zoom);

} // namespace facette
