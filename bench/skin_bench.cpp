// The skin brushes on the 24-megapixel photo.
//
// "frequency_prepare_r1_r5": the full two-scale range (a fresh copy of the
// photo and its two box blurs, radii 1 and 5).
// "skin_filter_prepare_r1_r5": what the brushes keep of it, the filtered
// image of the whole photo made again (the anti-aging direction at the
// tool's first scales, 1 and 5).
// Both against OpenCV's two box filters of the same radii, run on the same
// number of threads over the same stripes of rows as our kernels (OpenCV's
// own threads off); their processor time counts every thread.
// "skin_filter_prepare_r1_r5_first": the filtered image, each run the
// first of its process, on memory never used for it (what a user meets
// when the first stroke after opening a photo needs it); OpenCV likewise.
// "antiaging_first_stroke_start": from the press of the first stroke on a
// photo just opened in a process of its own: the filtered image made on
// fresh memory, the first stamp of the largest brush (64) and the repaint
// of its area in a full-HD view at 100 %.
// "antiaging_stamp_100": one stamp of a 100 brush with everything a mouse
// event costs once the filtered image exists: the stamp merged into the
// stroke's mask, the brushed square mixed from the committed photo and the
// filtered one, and the window area showing it repainted. Each stamp is a
// click of its own at a new spot; "antiaging_stroke_100" is a stamp 4
// pixels on from the previous one. The floor is copying the brush square's
// pixels once.
#include "support/FreshProcess.h"
#include "support/PhotoView.h"
#include "support/TestImage.h"
#include "support/Threads.h"

#include "imaging/ZrParallel.h"
#include "tools/brush/ZrBrushMasks.h"
#include "tools/skin/ZrAntiAgingKernel.h"
#include "tools/skin/ZrFrequencyRange.h"

#include <benchmark/benchmark.h>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace facette::bench {
namespace {

constexpr int32_t RadiusA = 1;
constexpr int32_t RadiusB = 5;
// The number of first calls measured (each a process of its own).
constexpr int FirstCalls = 10;

void PrepareRange(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TFrequencyRange Range;
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Range.MarkDirty(2);
    Range.Prepare(Photo, RadiusA, RadiusB);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PrepareRange)
    ->Name("frequency_prepare_r1_r5/facette")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void PrepareFilter(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TFrequencyFilter Filter(true);
  if (!Filter.Prepare(Photo, RadiusA, RadiusB)) {
    State.SkipWithError("out of memory");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Filter.MarkDirty(2);
    Filter.Prepare(Photo, RadiusA, RadiusB);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PrepareFilter)
    ->Name("skin_filter_prepare_r1_r5/facette")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void PrepareFilterFirst(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  // Made in the child and left to its end, so that freeing it is not
  // counted either.
  TFrequencyFilter *Filter = nullptr;
  FirstCall(
      State,
      [&] {
        Filter = new TFrequencyFilter(true);
        return true;
      },
      [&] { return Filter->Prepare(Photo, RadiusA, RadiusB); });
}
BENCHMARK(PrepareFilterFirst)
    ->Name("skin_filter_prepare_r1_r5_first/facette")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FirstCalls)
    ->UseManualTime();

#ifdef FACETTE_HAVE_OPENCV
// OpenCV's two box filters over the stripes our kernels use, one thread
// each, on as many threads as ours.
void OpenCVBoxes(const cv::Mat &Source, cv::Mat &LowA, cv::Mat &LowB)
{
  const int32_t Workers = ComparisonThreads();
  RunWorkers(Workers, [&](int32_t Index) {
    const int32_t Y0 = StripeBegin(Source.rows, Workers, Index);
    const int32_t Y1 = StripeBegin(Source.rows, Workers, Index + 1);
    cv::Mat A = LowA.rowRange(Y0, Y1), B = LowB.rowRange(Y0, Y1);
    cv::boxFilter(Source.rowRange(Y0, Y1), A, -1, cv::Size(2 * RadiusA + 1, 2 * RadiusA + 1));
    cv::boxFilter(Source.rowRange(Y0, Y1), B, -1, cv::Size(2 * RadiusB + 1, 2 * RadiusB + 1));
  });
}

cv::Mat PhotoMat()
{
  const TZrPixelBuffer &Photo = Photo24MP();
  return cv::Mat(Photo.Height, Photo.Width, CV_8UC3, Photo.Bits, static_cast<size_t>(Photo.Stride));
}

// OpenCV's own threads stay off while these run.
struct TOpenCVThreads
{
  const int Saved = cv::getNumThreads();
  TOpenCVThreads() { cv::setNumThreads(1); }
  ~TOpenCVThreads() { cv::setNumThreads(Saved); }
};

void PrepareOpenCV(benchmark::State &State)
{
  const TOpenCVThreads Threads;
  const cv::Mat Source = PhotoMat();
  cv::Mat LowA(Source.size(), Source.type()), LowB(Source.size(), Source.type());
  for (auto _ : State) {
    OpenCVBoxes(Source, LowA, LowB);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, ComparisonThreads());
}
BENCHMARK(PrepareOpenCV)
    ->Name("frequency_prepare_r1_r5/opencv")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(PrepareOpenCV)
    ->Name("skin_filter_prepare_r1_r5/opencv")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void PrepareOpenCVFirst(benchmark::State &State)
{
  const TOpenCVThreads Threads;
  const cv::Mat Source = PhotoMat();
  cv::Mat *LowA = nullptr, *LowB = nullptr;
  FirstCall(
      State, [] { return true; },
      [&] {
        LowA = new cv::Mat(Source.size(), Source.type());
        LowB = new cv::Mat(Source.size(), Source.type());
        OpenCVBoxes(Source, *LowA, *LowB);
        return true;
      });
  ReportThreads(State, ComparisonThreads());
}
BENCHMARK(PrepareOpenCVFirst)
    ->Name("skin_filter_prepare_r1_r5_first/opencv")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FirstCalls)
    ->UseManualTime();
#endif

// The photo in a full-HD view at 100 % and an anti-aging brush.
struct TSkinScene : TPhotoView
{
  TFrequencyFilter Filter{true};
  TZrPixelMask StampMask, StrokeMask;
  int64_t Spot = 0;

  bool Prepare(int32_t BrushSize)
  {
    BuildSoftDisc(StampMask, BrushSize, 255, 127);
    return Open(TViewZoom::ActualSize);
  }

  // What one mouse event of a stroke does once the filtered image exists;
  // false when the stamp lies outside the view.
  bool Stamp(TZrPoint Centre)
  {
    const TZrRect Rect = BrushRect(Centre, StampMask.Width);
    StampMask.Left = Rect.Left;
    StampMask.Top = Rect.Top;
    const TZrRect Image = Document.ImageBounds();
    MergeStamp(StrokeMask, StampMask, Image);
    const TZrRect R = IntersectRect(Rect, Image);
    AntiAgingRect(R, Filter, StrokeMask, Document.Backup(), *Document.ImagePixels());
    StampMask.Left = StampMask.Top = 0;
    DocumentView->ImagePixelsChanged(R);
    return Paint(ImageRectToWindow(Canvas.MapMode, R));
  }

  // The centre of a brush square not stamped before.
  TZrPoint FreshCentre() { return ShownSquareCentre(StampMask.Width, Spot++); }
};

void FirstStrokeStart(benchmark::State &State)
{
  TSkinScene *Scene = nullptr;
  FirstCall(
      State,
      [&] {
        Scene = new TSkinScene;
        return Scene->Prepare(64);
      },
      [&] {
        // The press: the filtered image, then the first stamp.
        if (!Scene->Filter.Prepare(Scene->Document.Backup(), RadiusA, RadiusB))
          return false;
        return Scene->Stamp({PhotoWidth / 2, PhotoHeight / 2});
      });
}
BENCHMARK(FirstStrokeStart)
    ->Name("antiaging_first_stroke_start/facette")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FirstCalls)
    ->UseManualTime();

void OneStamp(benchmark::State &State)
{
  TSkinScene Scene;
  if (!Scene.Prepare(100) || !Scene.Filter.Prepare(Scene.Document.Backup(), RadiusA, RadiusB)) {
    State.SkipWithError("out of memory");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Scene.StrokeMask.Clear();
    if (!Scene.Stamp(Scene.FreshCentre())) {
      State.SkipWithError("a stamp fell outside the view");
      break;
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(OneStamp)
    ->Name("antiaging_stamp_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void StrokeStamp(benchmark::State &State)
{
  TSkinScene Scene;
  if (!Scene.Prepare(100) || !Scene.Filter.Prepare(Scene.Document.Backup(), RadiusA, RadiusB)) {
    State.SkipWithError("out of memory");
    return;
  }
  StrokeStamps(
      State, [&Scene](TZrPoint P) { return Scene.Stamp(P); },
      [&Scene] { Scene.StrokeMask.Clear(); });
}
BENCHMARK(StrokeStamp)
    ->Name("antiaging_stroke_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

BENCHMARK_CAPTURE(CopySquares, square, BrushSide(100))
    ->Name("antiaging_stamp_100/memcpy")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
