// A two-scale band decomposition for the skin brushes: a copy of the image
// and two box blurs of it with radii A < B. Removing the band between the
// two scales smooths wrinkles and blemishes while keeping pores and the
// overall shape (Source + LowB - LowA); adding it once more emphasises
// features of that size (Source + LowA - LowB).
//
// The blurs are computed for the whole image at once, and the copy only
// when the range was marked dirty, so strokes only read three byte images.
#pragma once

#include "imaging/ZrBitmap.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace facette {

class TFrequencyRange
{
public:
  // Reported as (steps done, steps in all), always from the calling thread.
  using TProgress = std::function<void(int32_t Done, int32_t Total)>;

  // 0: up to date; 2: the image must be copied again.
  uint8_t DirtyLevel = 0;
  int32_t Width = 0;
  int32_t Height = 0;

  void MarkDirty(uint8_t Level) { DirtyLevel = std::max(DirtyLevel, Level); }
  bool IsDirty() const { return DirtyLevel != 0; }

  // Brings the bands up to date for a 24-bit image: takes a new copy when
  // the image's bounds changed or the range is dirty, then recomputes both
  // blurs. Negative radii count as 0. Progress counts Width + Height steps
  // per blur.
  void Prepare(const TZrPixels &Pixels, int32_t RadiusA, int32_t RadiusB,
               const TProgress &Progress = {});

  // A separable box blur of Source with the given radius into Dest, clipped
  // at the image edges (a window there holds fewer samples and is divided
  // by their number): integer sums down the columns, their means in single
  // precision, double sums along the rows, the mean rounded to single
  // precision and then to a byte. Radius 0 reproduces the source.
  void Blur(TZrPixelBuffer &Dest, int32_t Radius, const TProgress &Progress = {});

  // The filtered colour at (X, Y) in image coordinates, per channel
  // Source + LowB - LowA with RemoveBand, Source + LowA - LowB without,
  // clamped to 0..255. False (and nothing written) outside the range.
  bool Pixel(int32_t X, int32_t Y, bool RemoveBand, uint8_t &B, uint8_t &G, uint8_t &R) const;

  const TZrPixelBuffer &Source() const { return Source_; }
  const TZrPixelBuffer &LowA() const { return LowA_; }
  const TZrPixelBuffer &LowB() const { return LowB_; }

private:
  TZrPixelBuffer Source_;
  TZrPixelBuffer LowA_;
  TZrPixelBuffer LowB_;
};

} // namespace facette
