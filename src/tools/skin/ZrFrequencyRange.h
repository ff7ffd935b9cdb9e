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

// One direction of a frequency range as a finished image: for every pixel
// what TFrequencyRange::Pixel answers with the same radii and direction.
// A brush needs no more, so this keeps a third of the memory and makes no
// full-size copy or blur on the way: both blurs run a few rows at a time
// while the result is put together, and only the result takes fresh memory
// (the cost that dominates the first preparation after a photo is opened).
class TFrequencyFilter
{
public:
  using TProgress = TFrequencyRange::TProgress;

  explicit TFrequencyFilter(bool RemoveBand) : RemoveBand(RemoveBand) {}

  // Source + LowB - LowA (smoothing) or Source + LowA - LowB (emphasis).
  const bool RemoveBand;
  // 0: up to date; 2: the image must be taken again.
  uint8_t DirtyLevel = 0;

  void MarkDirty(uint8_t Level) { DirtyLevel = std::max(DirtyLevel, Level); }
  bool IsDirty() const { return DirtyLevel != 0; }

  // Makes the filtered image of a 24- or 32-bit image when the filter is
  // dirty, the image's bounds changed or the radii differ from the last
  // time; otherwise keeps the image it made then (so strokes keep reading
  // the photo as it was before them). Negative radii count as 0. Progress
  // counts Height steps. False when the memory could not be had: the filter
  // then stays dirty and answers nothing.
  bool Prepare(const TZrPixels &Pixels, int32_t RadiusA, int32_t RadiusB,
               const TProgress &Progress = {});
  // Whether Prepare would keep the image it has.
  bool Current(const TZrPixels &Pixels, int32_t RadiusA, int32_t RadiusB) const;

  // The filtered colour at (X, Y) in image coordinates; false outside.
  bool Pixel(int32_t X, int32_t Y, uint8_t &B, uint8_t &G, uint8_t &R) const;
  // Empty until prepared.
  const TZrPixelBuffer &Filtered() const { return Filtered_; }

private:
  TZrPixelBuffer Filtered_;
  int32_t PreparedA = -1;
  int32_t PreparedB = -1;
};

} // namespace facette
