// Separable resampling of 24-bit pixels with 8-bit fixed-point weights.
//
// A resampler supplies a one-dimensional kernel; BuildMappingTable turns it
// into, for every destination pixel along one axis, a list of source indices
// with integer weights summing to 256; ResamplePixels applies a horizontal
// and a vertical table to the pixels. The integer arithmetic is exact, so the
// result is the same whichever order, vector width or number of threads the
// pass is computed with.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace facette {

// sin(pi X) / (pi X), and 1 at 0; evaluated with extended precision.
double Sinc(double X);

class TPixelResampler
{
public:
  virtual ~TPixelResampler() = default;
  // Whether results may overshoot 0..255 and must be clamped.
  virtual bool NeedsClamp() const { return false; }
  virtual double Weight(double X) const = 0;
  virtual double Radius() const = 0;
};

// A sinc kernel cut off at Radius and shaped by a window.
class TWindowedSincResampler : public TPixelResampler
{
public:
  TWindowedSincResampler() = default;
  bool NeedsClamp() const override { return true; }
  double Weight(double X) const override;
  double Radius() const override { return Radius_; }
  virtual double Window(double X) const = 0;

protected:
  double Radius_ = 3.0;
};

// Lanczos kernel of radius 3: the quality choice.
class TLanczosResampler : public TWindowedSincResampler
{
public:
  double Window(double X) const override { return Sinc(X / Radius_); }
};

// Point sampling for fast previews: every weight is zero, so reducing falls
// back to the source pixel under each destination pixel's centre.
class TQuickDraftResampler : public TWindowedSincResampler
{
public:
  TQuickDraftResampler() { Radius_ = 0.0; }
  double Weight(double) const override { return 0.0; }
  double Window(double) const override { return 1.0; }
};

// One source pixel's share of a destination pixel; 256 is the whole.
struct TContribution
{
  int32_t Index = 0;
  int32_t Weight = 0;
  friend bool operator==(const TContribution &, const TContribution &) = default;
};
using TCluster = std::vector<TContribution>;
// One cluster per destination pixel along one axis.
using TMappingTable = std::vector<TCluster>;

// When set, the device bitmap resamples with TQuickDraftResampler instead of
// TLanczosResampler (the adjustment tool's fast preview). Touch it on the
// user-interface thread only.
extern bool QuickDraftResampling;

// The weight table of one axis: the source span [SourceStart, SourceEnd) is
// mapped onto the destination span [DestStart, DestEnd), and entries are made
// for the destination pixels ClipStart .. ClipEnd - 1. Every entry's weights
// sum to 256; indices are clamped to the source span, so border pixels repeat
// beyond the edges. An empty or inverted source span gives an empty table.
// Throws std::logic_error when a destination span of extent 0 is asked for
// more than one pixel.
void BuildMappingTable(int32_t DestStart, int32_t DestEnd, int32_t ClipStart, int32_t ClipEnd,
                       int32_t SourceStart, int32_t SourceEnd, const TPixelResampler &Resampler,
                       TMappingTable &Table);

// Resamples SourceRect of Source onto DestRect of Dest, writing only the
// pixels inside DestClip and Dest's bounds. Both windows must be 24-bit and
// SourceRect must lie inside Source. Returns false, writing nothing, for
// other formats, a source rectangle that is empty or sticks out, or when the
// working memory cannot be had; true otherwise (also when there is nothing to
// write).
bool ResamplePixels(TZrPixels &Dest, const TZrRect &DestRect, const TZrRect &DestClip,
                    const TPixelResampler &Resampler, const TZrRect &SourceRect,
                    const TZrPixels &Source);

// Resamples a whole image as its rows arrive one after the other (a decoder
// handing them over), so that the source never needs to be held whole.
// Gives exactly the pixels of ResamplePixels for the same whole rectangles.
class TZrRowResampler
{
public:
  TZrRowResampler();
  ~TZrRowResampler();
  TZrRowResampler(const TZrRowResampler &) = delete;
  TZrRowResampler &operator=(const TZrRowResampler &) = delete;

  // Prepares to resample a SourceWidth x SourceHeight image onto the whole
  // of Dest (24-bit). False when the row pass does not apply to these sizes
  // (the caller then resamples the whole image with ResamplePixels) or the
  // working memory cannot be had.
  bool Start(int32_t SourceWidth, int32_t SourceHeight, const TZrPixels &Dest,
             const TPixelResampler &Resampler);
  // The next source row (SourceWidth pixels of 24 bits). Writes every
  // destination row that it completes. Does not allocate or throw.
  void AddRow(const uint8_t *Row);
  // Whether every destination row has been written.
  bool Finished() const;

private:
  struct TState;
  std::unique_ptr<TState> State;
};

// For tests and benchmarks: which code ResamplePixels runs and on how many
// threads (0 = as many as worth it). All choices give the same pixels. Not
// for use while a resampling pass runs.
enum class TResampleCode
{
  Best,     // vector instructions where the processor has them
  Portable, // the same passes in plain C++
  Direct,   // the straightforward column-then-row pass used for odd cases
};
void SetResampleTuning(TResampleCode Code, int32_t Threads);
// Whether TResampleCode::Best runs vector instructions on this processor.
bool ResampleVectorCodeRuns();

} // namespace facette
