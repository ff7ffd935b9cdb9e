// Minimal-loss JPEG saving on the 24-megapixel photo, saved as a JPEG of
// quality 92 with 4:2:0 sampling (made from the sample as the other
// benchmarks make their photo).
//
// "jpeg_ten_rounds": ten rounds of open, one smudge stroke of size 100 at
// the same place, save - once with minimal-loss saving ("facette"), once
// with the whole image compressed anew at the same quality and sampling
// ("plain", what saving an edited JPEG did before). Counters, after the
// ten rounds, against the first file:
//   psnr_db        peak signal-to-noise ratio of the whole decoded image
//   file_kb        size of the last file
//   mcus_changed   MCUs whose coded blocks differ, outside the MCUs the
//                  strokes touched (0: every other block kept bit for bit)
//   px_changed     decoded pixels that differ outside the touched MCUs
//   px_changed_ring the same, leaving out a one-pixel ring around the
//                  touched MCUs (4:2:0 chroma is upsampled from the
//                  neighbouring MCU there, so the ring follows the new
//                  chroma of a touched neighbour)
// The time is that of all ten rounds.
//
// "jpeg_save_edited": one save of the opened and stroked photo, minimal
// loss against plain; "jpeg_save_edited_first_in_process" is that save
// once, the first the program makes, each way (bench/jpeg_minimal_loss.sh
// runs each in fresh processes). Every save runs on one thread (TurboJPEG and libjpeg
// code one image on one thread); a save that fails or writes another way
// than asked stops the benchmark instead of being timed.
#include "imaging/ZrGraphicsFormats.h"
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrJPEGCoefficients.h"
#include "support/TestImage.h"
#include "tools/brush/ZrBrushKernels.h"
#include "tools/brush/ZrBrushMasks.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace facette::bench {
namespace {

const std::vector<uint8_t> &PhotoJpeg()
{
  static const std::vector<uint8_t> Bytes = [] {
    std::vector<uint8_t> Out;
    EncodeJPEG(Photo24MP(), 92, js420, Out);
    return Out;
  }();
  return Bytes;
}

// The stroke: ten stamps of a soft smudge brush of size 100 across the
// face, always at the same place.
constexpr int32_t BrushSize = 100;
const TZrPoint StrokePoints[] = {{2500, 1400}, {2530, 1410}, {2560, 1420}, {2590, 1430},
                                 {2620, 1440}, {2650, 1450}, {2680, 1460}, {2710, 1470},
                                 {2740, 1480}, {2770, 1490}};

// Smudges the stroke into the image; returns the rectangle it changed.
TZrRect Stroke(TZrPixels &Image)
{
  const TZrRect Whole = Image.GetBounds();
  TZrPixelMask Mask, Stamp;
  for (const TZrPoint &P : StrokePoints) {
    BuildSoftDisc(Stamp, BrushSize, 255, 128);
    const TZrRect R = BrushRect(P, BrushSize);
    Stamp.Left = R.Left;
    Stamp.Top = R.Top;
    MergeStamp(Mask, Stamp, Whole);
  }
  const TZrRect Changed = IntersectRect(Mask.GetBounds(), Whole);
  // The smudge reads the committed pixels around the stroke.
  const TZrRect Around = IntersectRect(
      MakeRect(Changed.Left - 32, Changed.Top - 32, Changed.Right + 32, Changed.Bottom + 32),
      Whole);
  TZrPixelBuffer Backup, Cache;
  Backup.Allocate(pf24bit, Around);
  Backup.CopyRect(Around.Left, Around.Top, Image, Around);
  Cache.Allocate(pf32bit, Around);
  TZrPixelMask Footprint;
  BuildBlurFootprint(Footprint, 12, false);
  SmudgeRect(Changed, Backup, Mask, Cache, Footprint, Image);
  return Changed;
}

bool Open(const TZrGraphicsFormats &Formats, const std::vector<uint8_t> &Bytes,
          TZrGraphicsImage &Image)
{
  int32_t Format = 0;
  return Formats.LoadImageData(Image, Bytes, Format) && Image.LosslessJPEG;
}

bool Save(TZrGraphicsFormats &Formats, TZrGraphicsImage &Image, std::vector<uint8_t> &Out)
{
  return Formats.EncodeImage(Image, gfJPEG, Out) && !Out.empty();
}

void TenRounds(benchmark::State &State, bool MinimalLoss)
{
  const std::vector<uint8_t> &First = PhotoJpeg();
  TZrGraphicsFormats Formats;
  Formats.MinimalLossJPEG = MinimalLoss;
  std::vector<uint8_t> Bytes;
  TZrRect Touched;
  for (auto _ : State) {
    Bytes = First;
    for (int Round = 0; Round < 10; ++Round) {
      TZrGraphicsImage Image;
      if (!Open(Formats, Bytes, Image)) {
        State.SkipWithError("the photo does not open");
        return;
      }
      Touched = UnionRect(Touched, Stroke(*Image.Image.GetPixels()));
      if (!Save(Formats, Image, Bytes)) {
        State.SkipWithError("the photo cannot be saved");
        return;
      }
    }
  }

  // What the ten rounds left, against the first file.
  TZrJPEGCoefficients Before, After;
  TZrLTBitmap Original, Last;
  if (!ReadJPEGCoefficients(First.data(), First.size(), Before) ||
      !ReadJPEGCoefficients(Bytes.data(), Bytes.size(), After) ||
      !DecodeJPEG(First.data(), First.size(), Original) ||
      !DecodeJPEG(Bytes.data(), Bytes.size(), Last)) {
    State.SkipWithError("the result cannot be read");
    return;
  }
  const int32_t McuW = Before.McuWidth, McuH = Before.McuHeight;
  // The touched MCUs, in pixels.
  const TZrRect Mcus =
      MakeRect(Touched.Left / McuW * McuW, Touched.Top / McuH * McuH,
               (Touched.Right + McuW - 1) / McuW * McuW, (Touched.Bottom + McuH - 1) / McuH * McuH);
  const TZrRect Ring = MakeRect(Mcus.Left - 1, Mcus.Top - 1, Mcus.Right + 1, Mcus.Bottom + 1);
  int64_t McusChanged = 0;
  for (int32_t Y = 0; Y < Before.McusDown(); ++Y)
    for (int32_t X = 0; X < Before.McusAcross(); ++X)
      if (!Mcus.Contains(X * McuW, Y * McuH) && !Before.SameMcu(After, X, Y))
        ++McusChanged;
  int64_t Changed = 0, ChangedPastRing = 0;
  double SquaredError = 0;
  const TZrPixels &A = *Original.GetPixels(), &B = *Last.GetPixels();
  for (int32_t Y = 0; Y < A.Height; ++Y) {
    const uint8_t *P = A.PixelPtr(0, Y), *Q = B.PixelPtr(0, Y);
    for (int32_t X = 0; X < A.Width; ++X, P += 3, Q += 3) {
      const bool Differs = std::memcmp(P, Q, 3) != 0;
      for (int C = 0; C < 3; ++C)
        SquaredError += static_cast<double>((P[C] - Q[C]) * (P[C] - Q[C]));
      if (Differs && !Mcus.Contains(X, Y)) {
        ++Changed;
        if (!Ring.Contains(X, Y))
          ++ChangedPastRing;
      }
    }
  }
  const double Mse = SquaredError / (3.0 * A.Width * A.Height);
  State.counters["psnr_db"] = Mse > 0 ? 10 * std::log10(255.0 * 255.0 / Mse) : 999;
  State.counters["file_kb"] = static_cast<double>(Bytes.size()) / 1024;
  State.counters["first_kb"] = static_cast<double>(First.size()) / 1024;
  State.counters["mcus_changed"] = static_cast<double>(McusChanged);
  State.counters["px_changed"] = static_cast<double>(Changed);
  State.counters["px_changed_ring"] = static_cast<double>(ChangedPastRing);
  State.counters["threads"] = 1;
}

// The opened and stroked photo, ready to save.
struct TEdited
{
  TZrGraphicsFormats Formats;
  TZrGraphicsImage Image;
  bool Ready = false;
  TEdited()
  {
    Ready = Open(Formats, PhotoJpeg(), Image);
    if (Ready)
      Stroke(*Image.Image.GetPixels());
  }
};

void SaveEdited(benchmark::State &State, bool MinimalLoss)
{
  static TEdited Edited;
  if (!Edited.Ready) {
    State.SkipWithError("the photo does not open");
    return;
  }
  const TZrRect Whole = Edited.Image.GetVisibleRect();
  TZrPixels Window;
  Window.Init(Whole, Edited.Image.Image.GetPixels()->Bits, pf24bit,
              Edited.Image.Image.GetPixels()->Stride);
  std::vector<uint8_t> Out;
  for (auto _ : State) {
    TZrJPEGWriteReport Report;
    const bool Done = Edited.Image.LosslessJPEG->Save(
        &Window, Out, TZrJPEGWriteOptions{.MinimalLoss = MinimalLoss}, &Report);
    const TZrJPEGWriteMode Wanted =
        MinimalLoss ? TZrJPEGWriteMode::MinimalLoss : TZrJPEGWriteMode::Reencoded;
    if (!Done || Report.Mode != Wanted) {
      State.SkipWithError("the save failed or wrote another way");
      return;
    }
    benchmark::DoNotOptimize(Out.data());
  }
  State.counters["file_kb"] = static_cast<double>(Out.size()) / 1024;
  State.counters["threads"] = 1;
}

BENCHMARK_CAPTURE(TenRounds, minimal_loss, true)
    ->Name("jpeg_ten_rounds/facette")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(TenRounds, plain, false)
    ->Name("jpeg_ten_rounds/plain")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(SaveEdited, first, true)
    ->Name("jpeg_save_edited_first_in_process/facette")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(SaveEdited, first_plain, false)
    ->Name("jpeg_save_edited_first_in_process/plain")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(SaveEdited, minimal_loss, true)
    ->Name("jpeg_save_edited/facette")
    ->MinTime(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(SaveEdited, plain, false)
    ->Name("jpeg_save_edited/plain")
    ->MinTime(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
