// One stamp of a 64-pixel smudge or undo brush on the 24-megapixel photo,
// with everything a mouse event costs: the stamp merged into the stroke's
// mask, the brushed square worked out from the backup into the image (for
// the smudge brush including the blurred colours, never cached before at
// that spot) and the window area showing it repainted through the view's
// paint cycle. Each stamp is a click of its own at a new spot. The floor
// is copying the brush square's pixels once.
//
// "smudge_stroke_64" is a stamp within a stroke: 4 pixels on from the
// previous one, most blurred colours already known; "smudge_long_stroke_64"
// the same along a stroke across the whole photo.
#include "support/PhotoView.h"
#include "support/TestImage.h"
#include "tools/brush/ZrBrushKernels.h"
#include "tools/brush/ZrBrushMasks.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <stdexcept>

namespace facette::bench {
namespace {

constexpr int32_t BrushSize = 64;

enum class TBrush
{
  Smudge,
  UndoBrush
};

// The photo opened in a document shown in a full-HD view, and a brush.
struct TBrushScene : TPhotoView
{
  TZrPixelMask StampMask, StrokeMask, Footprint;
  TZrPixelBuffer BlurCache;
  // Spots used so far (each a fresh brush square).
  int64_t Spot = 0;

  bool Prepare(TViewZoom Zoom)
  {
    if (!Open(Zoom))
      return false;
    BuildSoftDisc(StampMask, BrushSize, 255, 191);
    BuildBlurFootprint(Footprint, BrushSize, false);
    if (!BlurCache.Allocate(pf32bit, Document.ImageBounds()) || !BlurCache.Bits)
      return false;
    return true;
  }

  // The centre of a brush square not stamped before, inside the part of
  // the image the view shows.
  TZrPoint FreshCentre() { return ShownSquareCentre(BrushSide(BrushSize), Spot++); }

  bool AllSpotsUsed() const
  {
    return Spot > 0 && Spot % 400 == 0; // well below the number of spots
  }

  // What one mouse event of a stroke does.
  void Stamp(TBrush Brush, TZrPoint Centre)
  {
    const TZrRect Rect = BrushRect(Centre, BrushSize);
    StampMask.Left = Rect.Left;
    StampMask.Top = Rect.Top;
    MergeStamp(StrokeMask, StampMask, Document.ImageBounds());
    const TZrRect R = IntersectRect(Rect, Document.Backup().GetBounds());
    if (Brush == TBrush::Smudge)
      SmudgeRect(R, Document.Backup(), StrokeMask, BlurCache, Footprint, *Document.ImagePixels());
    else
      UndoBrushRect(R, Document.Backup(), *Document.OriginalPixels(), StrokeMask,
                    *Document.ImagePixels());
    StampMask.Left = StampMask.Top = 0;
    DocumentView->ImagePixelsChanged(R);
    Paint(ImageRectToWindow(Canvas.MapMode, R));
  }
};

void OneStamp(benchmark::State &State, TBrush Brush, TViewZoom Zoom)
{
  TBrushScene Scene;
  if (!Scene.Prepare(Zoom)) {
    State.SkipWithError("out of memory");
    return;
  }
  for (auto _ : State) {
    if (Scene.AllSpotsUsed()) {
      // A new stroke over the same spots: nothing known of them.
      State.PauseTiming();
      std::memset(Scene.BlurCache.Bits, 0,
                  static_cast<size_t>(Scene.BlurCache.Stride) * Scene.BlurCache.Height);
      State.ResumeTiming();
    }
    Scene.StrokeMask.Clear();
    Scene.Stamp(Brush, Scene.FreshCentre());
    benchmark::ClobberMemory();
  }
}

void StrokeStamp(benchmark::State &State)
{
  TBrushScene Scene;
  if (!Scene.Prepare(TViewZoom::ActualSize)) {
    State.SkipWithError("out of memory");
    return;
  }
  StrokeStamps(
      State, [&Scene](TZrPoint P) { Scene.Stamp(TBrush::Smudge, P); },
      [&Scene] {
        Scene.StrokeMask.Clear();
        std::memset(Scene.BlurCache.Bits, 0,
                    static_cast<size_t>(Scene.BlurCache.Stride) * Scene.BlurCache.Height);
      });
}

// A stamp of a long stroke across the photo (5 pixels right and 3 down per
// event, 800 events): the stroke's mask grows with every one.
void LongStrokeStamp(benchmark::State &State)
{
  TBrushScene Scene;
  if (!Scene.Prepare(TViewZoom::ActualSize)) {
    State.SkipWithError("out of memory");
    return;
  }
  int32_t Step = 0;
  for (auto _ : State) {
    if (Step == 800) {
      State.PauseTiming();
      Step = 0;
      Scene.StrokeMask.Clear();
      std::memset(Scene.BlurCache.Bits, 0,
                  static_cast<size_t>(Scene.BlurCache.Stride) * Scene.BlurCache.Height);
      State.ResumeTiming();
    }
    Scene.Stamp(TBrush::Smudge, {200 + 5 * Step, 200 + 3 * Step});
    ++Step;
    benchmark::ClobberMemory();
  }
}

// The floor: the brush square's pixels copied once.
void CopySquare(benchmark::State &State)
{
  CopySquares(State, BrushSide(BrushSize));
}

BENCHMARK_CAPTURE(OneStamp, smudge, TBrush::Smudge, TViewZoom::ActualSize)
    ->Name("brush_smudge_stamp_64/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(CopySquare)
    ->Name("brush_smudge_stamp_64/memcpy")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(OneStamp, smudge_best_fit, TBrush::Smudge, TViewZoom::BestFit)
    ->Name("brush_smudge_stamp_64_best_fit/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(StrokeStamp)
    ->Name("brush_smudge_stroke_64/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(LongStrokeStamp)
    ->Name("brush_smudge_long_stroke_64/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(OneStamp, undo, TBrush::UndoBrush, TViewZoom::ActualSize)
    ->Name("brush_undo_stamp_64/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(CopySquare)
    ->Name("brush_undo_stamp_64/memcpy")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(OneStamp, undo_best_fit, TBrush::UndoBrush, TViewZoom::BestFit)
    ->Name("brush_undo_stamp_64_best_fit/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
