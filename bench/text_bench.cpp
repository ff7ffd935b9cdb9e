// Moving a placed text over the 24-megapixel photo, as one mouse move of
// the text tool costs it: the pixels the text left put back from the
// backup, the text blended in at its new place over the committed pixels,
// and the window area of both places repainted through the view's paint
// cycle. The text covers 2400 x 800 image pixels (a line across 40 % of the
// photo's width), at best fit and at 100 % in a full-HD view, moving a few
// pixels per event. The floor is copying the text rectangle's pixels once,
// on as many threads as ours.
#include "support/PhotoView.h"
#include "support/TestImage.h"
#include "support/Threads.h"

#include "imaging/ZrParallel.h"
#include "tools/geometry/ZrTextLayer.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace facette::bench {
namespace {

constexpr int32_t TextWidth = 2400;
constexpr int32_t TextHeight = 800;

// Coverage with the look of a line of letters: upright and slanted strokes
// with soft edges, about a third of the area inked.
void MakeLetters(TZrPixelMask &Coverage)
{
  TZrPixelMask Small;
  Small.SetBounds(0, 0, 300, 100);
  for (int32_t Y = 15; Y < 85; ++Y)
    for (int32_t X = 0; X < 300; ++X) {
      const int32_t InLetter = X % 30;
      const bool Stroke = InLetter < 6 || (InLetter >= 12 && InLetter < 18 && (Y + X) % 9 < 5) ||
                          (Y > 45 && Y < 52 && InLetter < 24);
      Small.Bits[static_cast<size_t>(Y * 300 + X)] = Stroke ? 255 : 0;
    }
  StretchCoverage(Small, TextWidth, TextHeight, Coverage);
}

struct TTextScene : TPhotoView
{
  TZrPixelMask Coverage;
  TZrTextPlacement Placed;
  TZrTextLook Look{tcSelected, 0xFFFFFF, false};
  int64_t Step = 0;

  bool Prepare(TViewZoom Zoom)
  {
    if (!Open(Zoom))
      return false;
    MakeLetters(Coverage);
    const TZrRect Shown = ShownImageRect();
    const int32_t Left = (Shown.Left + Shown.Right - TextWidth) / 2;
    const int32_t Top = (Shown.Top + Shown.Bottom - TextHeight) / 2;
    Placed.Rect = Bounds(Left, Top, TextWidth, TextHeight);
    PaintTextLayer(Document.Backup(), *Document.ImagePixels(), Placed, Coverage, Look);
    return PaintAll();
  }

  // One mouse move of the dragged text: a few pixels on, back and forth.
  void Move()
  {
    const int32_t DX = (Step / 20) % 2 == 0 ? 7 : -7;
    const int32_t DY = (Step / 20) % 2 == 0 ? 3 : -3;
    ++Step;
    const TZrRect Old = Placed.Rect;
    Placed.Rect = OffsetRect(Old, DX, DY);
    TZrPixels &Image = *Document.ImagePixels();
    RestoreAround(Document.Backup(), Image, Old, Placed.Rect);
    PaintTextLayer(Document.Backup(), Image, Placed, Coverage, Look);
    const TZrRect Changed = UnionRect(Old, Placed.Rect);
    DocumentView->ImagePixelsChanged(Changed);
    // The frame and its handles reach 5 pixels past the rectangle.
    const TZrRect Window = Canvas.MapMode.LogicalToDeviceRect(Changed);
    Paint(MakeRect(Window.Left - 5, Window.Top - 5, Window.Right + 5, Window.Bottom + 5));
  }
};

void MoveText(benchmark::State &State, TViewZoom Zoom)
{
  TTextScene Scene;
  if (!Scene.Prepare(Zoom)) {
    State.SkipWithError("out of memory");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Scene.Move();
    benchmark::ClobberMemory();
  }
}

void CopyTextRectangle(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  std::vector<uint8_t> Target(static_cast<size_t>(TextWidth) * TextHeight * 3);
  // On as many threads as ours, each a band of rows.
  const int32_t Threads = ComparisonThreads();
  for (auto _ : State) {
    RunBands(TextHeight, Threads, [&](int32_t, int32_t Begin, int32_t End) {
      for (int32_t Y = Begin; Y < End; ++Y)
        std::memcpy(Target.data() + static_cast<size_t>(Y) * TextWidth * 3,
                    Photo.PixelPtr(1800, 1600 + Y), static_cast<size_t>(TextWidth) * 3);
    });
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
}

BENCHMARK_CAPTURE(MoveText, best_fit, TViewZoom::BestFit)
    ->Name("text_move_best_fit_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyTextRectangle)
    ->Name("text_move_best_fit_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(MoveText, actual_size, TViewZoom::ActualSize)
    ->Name("text_move_100_percent_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyTextRectangle)
    ->Name("text_move_100_percent_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
