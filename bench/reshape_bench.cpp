// Liquify on the 24-megapixel photo.
//
// "liquify_warp_step_200": what one mouse move of a warp stroke with a
// 200-pixel brush costs, as the tool does it: the field's tiles kept for
// the undo step, the brush square's displacements changed and rendered by
// nearest neighbour from the sequence's starting image, and the window area
// showing it repainted through the view's paint cycle in a full-HD view
// (at 100% and at best fit; "_whole_view" repaints the whole window at best
// fit after every move, the most a move can cost). The stroke runs 5 pixels right per move; every
// 150 moves a new stroke begins (the step recorded). The floor is copying
// the brush square's pixels once.
//
// "liquify_first_step_200" is the first move of a sequence on fresh memory:
// the starting image copied, the whole-image field made, then the move.
//
// "liquify_resample_1000": the Hermite re-sampling on release of a
// 1000 x 1000 changed area, every pixel displaced, against OpenCV's cubic
// remap of the same area from the same displacements and against copying
// the area's bytes, all on the comparison's threads. "liquify_resample_1000_first" starts each time
// from a new sequence. "liquify_resample_512" is the largest brush's bloat square.
#include "editor/ZrMapMode.h"
#include "imaging/ZrParallel.h"
#include "support/PhotoView.h"
#include "support/TestImage.h"
#include "support/Threads.h"
#include "tools/brush/ZrBrushMasks.h"
#include "tools/reshape/ZrLiquifySequence.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace facette::bench {
namespace {

constexpr int32_t WarpBrush = 200;
constexpr int32_t StrokeMoves = 150;
constexpr int32_t MoveStep = 5;

// The photo in a document shown in a full-HD view, a liquify sequence over
// it and the tool's stamp.
struct TWarpScene : TPhotoView
{
  TZrLiquifySequence Liquify;
  TZrPixelMask Stamp;

  bool Prepare(TViewZoom Zoom)
  {
    if (!Open(Zoom) || !Liquify.Start(*Document.ImagePixels()))
      return false;
    Liquify.Brush.Build(WarpBrush, lbCos, leWarp);
    BuildSoftDisc(Stamp, WarpBrush, 255, 128);
    return true;
  }

  // One mouse move from Prev to Cur while the button is down; with
  // WholeView the whole window is repainted, not only what changed. False
  // when the move changed nothing the view shows (nothing repainted).
  bool Move(TZrPoint Prev, TZrPoint Cur, bool WholeView = false)
  {
    const TZrRect StampRect = BrushRect(Cur, WarpBrush);
    Stamp.Left = StampRect.Left;
    Stamp.Top = StampRect.Top;
    const TZrRect R = Liquify.Warp(*Document.ImagePixels(), StampRect, Stamp, Prev, Cur);
    Stamp.Left = Stamp.Top = 0;
    DocumentView->ImagePixelsChanged(R);
    if (WholeView)
      return !R.IsEmpty() && PaintAll();
    return Paint(ImageRectToWindow(Canvas.MapMode, R));
  }

  // The start of the Index-th stroke: rows across the shown part.
  TZrPoint StrokeStart(int64_t Index) const
  {
    const TZrRect Shown = ShownImageRect();
    const int32_t Rows = std::max(1, (Shown.Height() - WarpBrush) / (WarpBrush / 2));
    return {Shown.Left + WarpBrush / 2,
            Shown.Top + WarpBrush / 2 + static_cast<int32_t>(Index % Rows) * (WarpBrush / 2)};
  }
};

constexpr const char *OutsideTheView = "a move fell outside the view";

void WarpStep(benchmark::State &State, TViewZoom Zoom, bool WholeView)
{
  TWarpScene Scene;
  if (!Scene.Prepare(Zoom)) {
    State.SkipWithError("out of memory");
    return;
  }
  int64_t Stroke = 0;
  int32_t Move = 0;
  TZrPoint Start = Scene.StrokeStart(0);
  const TOurThreads Ours(State);
  for (auto _ : State) {
    if (Move == StrokeMoves) {
      // Released: the step is recorded, the next stroke starts below.
      State.PauseTiming();
      Scene.Liquify.Checkpoint();
      Start = Scene.StrokeStart(++Stroke);
      Move = 0;
      State.ResumeTiming();
    }
    const TZrPoint Prev{Start.X + Move * MoveStep, Start.Y};
    ++Move;
    if (!Scene.Move(Prev, TZrPoint{Start.X + Move * MoveStep, Start.Y}, WholeView)) {
      State.SkipWithError(OutsideTheView);
      break;
    }
    benchmark::ClobberMemory();
  }
}

// The first move of a sequence, each time on a fresh sequence: the copy of
// the image and the field are made anew.
void FirstStep(benchmark::State &State)
{
  TWarpScene Scene;
  if (!Scene.Prepare(TViewZoom::ActualSize)) {
    State.SkipWithError("out of memory");
    return;
  }
  Scene.Liquify.Clear();
  const TZrPoint Start{PhotoWidth / 2, PhotoHeight / 2};
  const TOurThreads Ours(State);
  for (auto _ : State) {
    if (!Scene.Liquify.Start(*Scene.Document.ImagePixels())) {
      State.SkipWithError("out of memory");
      return;
    }
    Scene.Liquify.Brush.Build(WarpBrush, lbCos, leWarp);
    if (!Scene.Move(Start, TZrPoint{Start.X + MoveStep, Start.Y})) {
      State.SkipWithError(OutsideTheView);
      return;
    }
    benchmark::ClobberMemory();
    State.PauseTiming();
    Scene.Liquify.Clear();
    State.ResumeTiming();
  }
}

void CopySquare(benchmark::State &State)
{
  CopySquares(State, BrushSide(WarpBrush));
}

BENCHMARK_CAPTURE(WarpStep, actual_size, TViewZoom::ActualSize, false)
    ->Name("liquify_warp_step_200/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopySquare)
    ->Name("liquify_warp_step_200/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(WarpStep, best_fit, TViewZoom::BestFit, false)
    ->Name("liquify_warp_step_200_best_fit/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(WarpStep, whole_view, TViewZoom::BestFit, true)
    ->Name("liquify_warp_step_200_whole_view/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(FirstStep)
    ->Name("liquify_first_step_200/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(12);

// --- the re-sampling on release ------------------------------------------

constexpr int32_t ResampleSide = 1000;
constexpr int32_t BloatSide = 512;

// A sequence over the photo and a working image; Changed is the area the
// field displaces.
struct TResampleScene
{
  TZrLiquifySequence Liquify;
  TZrPixelBuffer Image;
  TZrRect Changed;

  bool Start()
  {
    const TZrPixelBuffer &Photo = Photo24MP();
    if (!Liquify.Start(Photo) || !Image.Allocate(pf24bit, Photo.GetBounds()) || !Image.Bits)
      return false;
    Image.CopyFrom(Photo);
    return true;
  }

  // Every pixel of a 1000 x 1000 area displaced smoothly by up to 12 pixels
  // (as several strokes over one another leave it).
  bool PrepareSmooth()
  {
    if (!Start())
      return false;
    Changed = Bounds(PhotoWidth / 2 - ResampleSide / 2, PhotoHeight / 2 - ResampleSide / 2,
                     ResampleSide, ResampleSide);
    for (int32_t Y = Changed.Top; Y < Changed.Bottom; ++Y)
      for (int32_t X = Changed.Left; X < Changed.Right; ++X)
        Liquify.Field.Delta.At(X, Y) = {
            static_cast<float>(8.0 * std::sin(X / 37.0) * std::cos(Y / 53.0) + 0.25),
            static_cast<float>(6.0 * std::cos(X / 41.0) * std::sin(Y / 29.0) - 0.25)};
    return true;
  }

  // A full-strength bloat of the largest brush plus a warp across it, as
  // one release would leave it.
  bool PrepareBloat()
  {
    if (!Start())
      return false;
    const TZrPoint Centre{PhotoWidth / 2, PhotoHeight / 2};
    TZrPixelMask Stamp;
    Stamp.SetBounds(Centre.X - BloatSide / 2, Centre.Y - BloatSide / 2, BloatSide + 1,
                    BloatSide + 1);
    std::memset(Stamp.Bits.data(), 255, Stamp.Bits.size());
    Liquify.Brush.Build(BloatSide, lbCos, leBloat);
    Changed = Liquify.Field.BloatSquare(Centre, BloatSide);
    Liquify.Field.BloatRect(Image, Changed, Liquify.Brush, Centre, Stamp, 0, 0, -100.0);
    Liquify.Brush.Build(BloatSide, lbCos2, leWarp);
    Liquify.Field.WarpRect(Image, Changed, Liquify.Brush, Centre, Stamp, 37, -23);
    return true;
  }
};

void Resample(benchmark::State &State, bool Bloat)
{
  TResampleScene Scene;
  if (!(Bloat ? Scene.PrepareBloat() : Scene.PrepareSmooth())) {
    State.SkipWithError("out of memory");
    return;
  }
  // The first re-sampling maps the working image's pages; it is not timed.
  Scene.Liquify.Resample(Scene.Image, Scene.Changed);
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Scene.Liquify.Resample(Scene.Image, Scene.Changed);
    benchmark::ClobberMemory();
  }
  State.counters["pixels"] = static_cast<double>(Scene.Changed.Width()) * Scene.Changed.Height();
  State.SetLabel("hermite, 2x2 taps");
}

// Each time a new sequence: starting image, field and working image made
// anew before the (timed) re-sampling.
void ResampleFirst(benchmark::State &State)
{
  const TOurThreads Ours(State);
  for (auto _ : State) {
    State.PauseTiming();
    auto Scene = std::make_unique<TResampleScene>();
    if (!Scene->PrepareSmooth()) {
      State.SkipWithError("out of memory");
      return;
    }
    State.ResumeTiming();
    Scene->Liquify.Resample(Scene->Image, Scene->Changed);
    benchmark::ClobberMemory();
    State.PauseTiming();
    Scene.reset();
    State.ResumeTiming();
  }
}

// The area's rows copied in bands on the threads the re-sampling runs on.
void CopyArea(benchmark::State &State, int32_t Side)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Photo.GetBounds());
  const TZrRect R = Bounds(PhotoWidth / 2 - Side / 2, PhotoHeight / 2 - Side / 2, Side, Side);
  Image.CopyFrom(Photo);
  const int32_t Threads = ComparisonThreads();
  for (auto _ : State) {
    RunBands(Side, Threads, [&](int32_t, int32_t Begin, int32_t End) {
      for (int32_t Y = R.Top + Begin; Y < R.Top + End; ++Y)
        std::memcpy(Image.PixelPtr(R.Left, Y), Photo.PixelPtr(R.Left, Y),
                    static_cast<size_t>(Side) * 3);
    });
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
}

BENCHMARK_CAPTURE(Resample, smooth, false)
    ->Name("liquify_resample_1000/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CopyArea, side_1000, ResampleSide)
    ->Name("liquify_resample_1000/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ResampleFirst)
    ->Name("liquify_resample_1000_first/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(12);
BENCHMARK_CAPTURE(Resample, bloat, true)
    ->Name("liquify_resample_512/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CopyArea, side_512, BloatSide)
    ->Name("liquify_resample_512/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef FACETTE_HAVE_OPENCV
// The same area sampled at the same displaced positions with OpenCV's
// bicubic remap (its nearest kin of the Hermite filter), from the same
// starting image into the same working image. OpenCV runs on the
// comparison's threads, as the re-sampling does; both report their count.
void OpenCVRemap(benchmark::State &State)
{
  TResampleScene Scene;
  if (!Scene.PrepareSmooth()) {
    State.SkipWithError("out of memory");
    return;
  }
  const TZrPixels &Source = Scene.Liquify.Field.Source;
  const cv::Mat From(Source.Height, Source.Width, CV_8UC3, Source.Bits,
                     static_cast<size_t>(Source.Stride));
  const TZrRect &R = Scene.Changed;
  cv::Mat To(R.Height(), R.Width(), CV_8UC3, Scene.Image.PixelPtr(R.Left, R.Top),
             static_cast<size_t>(Scene.Image.Stride));
  cv::Mat MapX(R.Height(), R.Width(), CV_32FC1), MapY(R.Height(), R.Width(), CV_32FC1);
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
    for (int32_t X = R.Left; X < R.Right; ++X) {
      const TZrDisplacement &D = Scene.Liquify.Field.Delta.At(X, Y);
      MapX.at<float>(Y - R.Top, X - R.Left) = static_cast<float>(X + D.DX);
      MapY.at<float>(Y - R.Top, X - R.Left) = static_cast<float>(Y + D.DY);
    }
  UsePeerThreads(State, ComparisonThreads());
  cv::remap(From, To, MapX, MapY, cv::INTER_CUBIC, cv::BORDER_REPLICATE);
  for (auto _ : State) {
    cv::remap(From, To, MapX, MapY, cv::INTER_CUBIC, cv::BORDER_REPLICATE);
    benchmark::ClobberMemory();
  }
  State.SetLabel("bicubic, 4x4 taps");
}
BENCHMARK(OpenCVRemap)
    ->Name("liquify_resample_1000/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

} // namespace
} // namespace facette::bench
