// Painting the view: a full 1920 x 1080 window of the 24-megapixel photo,
// at best fit and at 100%, each time after a 101 x 101 area of the image
// changed (one brush dab). The paint runs the view's whole cycle into its
// off-screen surface: the document view draws the visible image part,
// the background fills the rest. The floor is copying the window's
// pixels once. "view_best_fit_first_paint" is the first paint after a
// change of zoom with the reduced copy of the image built in full, as a
// paint that must be final does it; "view_best_fit_first_paint_draft" is
// that paint as the editor's view makes it, showing the nearest image
// pixels at once (the copy is built afterwards, a few milliseconds at a
// time).
#include "support/PhotoView.h"
#include "support/TestImage.h"
#include "support/Threads.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace facette::bench {
namespace {

constexpr int32_t DabSize = 101;

struct TViewSetup : TPhotoView
{
  // A dab of DabSize x DabSize somewhere in the shown part of the image,
  // reported as a tool reports it.
  void Dab(int64_t Iteration)
  {
    const TZrRect Shown = ShownImageRect();
    const int32_t X =
        Shown.Left + static_cast<int32_t>((Iteration * 397) % (Shown.Width() - DabSize));
    const int32_t Y =
        Shown.Top + static_cast<int32_t>((Iteration * 211) % (Shown.Height() - DabSize));
    const TZrRect R = Bounds(X, Y, DabSize, DabSize);
    TZrPixels &Image = *Document.ImagePixels();
    for (int32_t Row = R.Top; Row < R.Bottom; ++Row) {
      uint8_t *P = Image.PixelPtr(R.Left, Row);
      for (int32_t I = 0; I < DabSize * 3; ++I)
        P[I] = static_cast<uint8_t>(255 - P[I]);
    }
    DocumentView->ImagePixelsChanged(R);
  }
};

void PaintAfterDab(benchmark::State &State, TViewZoom Zoom)
{
  TViewSetup View;
  if (!View.Open(Zoom)) {
    State.SkipWithError("out of memory");
    return;
  }
  int64_t Iteration = 0;
  const TOurThreads Ours(State);
  for (auto _ : State) {
    State.PauseTiming();
    View.Dab(Iteration++);
    State.ResumeTiming();
    View.PaintAll();
    benchmark::ClobberMemory();
  }
}

void FirstPaintAtBestFit(benchmark::State &State, bool Drafts)
{
  TViewSetup View;
  if (!View.Open(TViewZoom::BestFit)) {
    State.SkipWithError("out of memory");
    return;
  }
  View.DocumentView->AllowDrafts(Drafts);
  const TOurThreads Ours(State);
  for (auto _ : State) {
    // A new zoom: nothing of the reduced copy can be kept.
    View.DocumentView->ImageChanged();
    View.PaintAll();
    benchmark::ClobberMemory();
  }
}

// The floor: the window's pixels copied once.
void CopyWindow(benchmark::State &State)
{
  const size_t Bytes = static_cast<size_t>(ViewWidth) * ViewHeight * 3;
  const TZrPixelBuffer &Photo = Photo24MP();
  std::vector<uint8_t> Window(Bytes, 0);
  for (auto _ : State) {
    for (int32_t Y = 0; Y < ViewHeight; ++Y)
      std::memcpy(Window.data() + static_cast<size_t>(Y) * ViewWidth * 3, Photo.PixelPtr(0, Y),
                  static_cast<size_t>(ViewWidth) * 3);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, 1);
}

BENCHMARK_CAPTURE(PaintAfterDab, best_fit, TViewZoom::BestFit)
    ->Name("view_best_fit_after_dab/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyWindow)
    ->Name("view_best_fit_after_dab/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(PaintAfterDab, actual_size, TViewZoom::ActualSize)
    ->Name("view_100_percent_after_dab/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyWindow)
    ->Name("view_100_percent_after_dab/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(FirstPaintAtBestFit, final, false)
    ->Name("view_best_fit_first_paint/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(FirstPaintAtBestFit, draft, true)
    ->Name("view_best_fit_first_paint_draft/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
