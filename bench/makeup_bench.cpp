// The make-up brushes on the 24-megapixel photo.
//
// "build_detail": building the whole detail layer of the skin again over
// the layer of the previous build (the next photo of the same size),
// against copying an array of the layer's size with the same number of
// threads. "build_detail_new_memory": the same into memory freshly taken
// from the system, against copying into fresh memory.
//
// The tools work the layer out in bands of rows as strokes reach them, so
// what a user waits for is one stamp:
// "makeup_lipstick_stamp_100": one mouse event of a lipstick stroke with a
// 100-pixel brush at opacity 127 on rows already worked out: the stamp
// merged into the stroke's paint mask, the colour laid with the skin's
// detail from the committed image into the working image, and the part of
// a full-HD view at 100 % showing it repainted. Each stamp starts a stroke
// at a spot not painted before; "makeup_lipstick_stroke_100" is a stamp 4
// pixels on from the previous one within a stroke. The floor is copying
// the brush square.
// "makeup_first_stamp_100": the first stamp after a change of the image,
// which first works out the rows the brush reaches (layer memory kept);
// "makeup_first_stamp_100_new_memory": the same with the layer's memory
// freshly taken from the system, the first stamp of a session.
// "makeup_first_stamp_100_first_in_process" is that stamp once, the first
// the program makes; bench/makeup_first_stamp.sh runs it in many fresh
// processes.
#include "imaging/ZrParallel.h"
#include "support/PhotoView.h"
#include "support/TestImage.h"
#include "tools/brush/ZrBrushMasks.h"
#include "tools/makeup/ZrMakeUpSurface.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace facette::bench {
namespace {

size_t LayerFloats()
{
  return static_cast<size_t>(PhotoWidth) * PhotoHeight * 3;
}

// The floors copy with the threads the build uses, each a band of rows.
void CopyInBands(float *To, const float *From, size_t Floats)
{
  const int32_t Rows = PhotoHeight;
  const size_t RowFloats = Floats / Rows;
  RunBands(Rows, WorkerCount(), [&](int32_t, int32_t Begin, int32_t End) {
    std::memcpy(To + Begin * RowFloats, From + Begin * RowFloats,
                static_cast<size_t>(End - Begin) * RowFloats * sizeof(float));
  });
}

void BuildDetailFacette(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrMakeUpDetail Layer;
  Layer.BuildDetail(Photo);
  for (auto _ : State) {
    Layer.BuildDetail(Photo);
    benchmark::DoNotOptimize(Layer.Row(0));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BuildDetailFacette)
    ->Name("build_detail/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// Freed memory goes back to the system, so that the next allocation is
// fresh memory again.
void ReturnFreedMemory()
{
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

void BuildDetailMemcpy(benchmark::State &State)
{
  auto From = std::make_unique<float[]>(LayerFloats());
  auto To = std::make_unique<float[]>(LayerFloats());
  for (auto _ : State) {
    CopyInBands(To.get(), From.get(), LayerFloats());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BuildDetailMemcpy)
    ->Name("build_detail/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

void BuildDetailNewMemoryFacette(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  for (auto _ : State) {
    auto Layer = std::make_unique<TZrMakeUpDetail>();
    Layer->BuildDetail(Photo);
    benchmark::DoNotOptimize(Layer->Row(0));
    benchmark::ClobberMemory();
    // Handing the memory back is not part of the build.
    State.PauseTiming();
    Layer.reset();
    ReturnFreedMemory();
    State.ResumeTiming();
  }
}
BENCHMARK(BuildDetailNewMemoryFacette)
    ->Name("build_detail_new_memory/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

void BuildDetailNewMemoryMemcpy(benchmark::State &State)
{
  auto From = std::make_unique<float[]>(LayerFloats());
  for (auto _ : State) {
    auto To = std::make_unique_for_overwrite<float[]>(LayerFloats());
    CopyInBands(To.get(), From.get(), LayerFloats());
    benchmark::ClobberMemory();
    State.PauseTiming();
    To.reset();
    ReturnFreedMemory();
    State.ResumeTiming();
  }
}
BENCHMARK(BuildDetailNewMemoryMemcpy)
    ->Name("build_detail_new_memory/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// --- one stamp of the lipstick --------------------------------------------

constexpr int32_t BrushSize = 100;
constexpr int32_t LipstickColour = 0xB03040;

struct TLipstickScene : TPhotoView
{
  std::unique_ptr<TZrMakeUpDetail> Layer = std::make_unique<TZrMakeUpDetail>();
  TZrPixelMask StampMask, PaintMask;
  int64_t Spot = 0;

  // With WholeLayer every row of the layer is worked out beforehand.
  bool Prepare(bool WholeLayer)
  {
    if (!Open(TViewZoom::ActualSize))
      return false;
    if (WholeLayer)
      Layer->BuildDetail(Document.Backup());
    BuildSoftDisc(StampMask, BrushSize, 127, 191);
    return true;
  }

  // The centre of a brush square not painted before, inside the view.
  TZrPoint FreshCentre() { return ShownSquareCentre(BrushSide(BrushSize), Spot++); }

  void Stamp(TZrPoint Centre)
  {
    const TZrRect Rect = BrushRect(Centre, BrushSize);
    StampMask.Left = Rect.Left;
    StampMask.Top = Rect.Top;
    MergeStamp(PaintMask, StampMask, Document.ImageBounds());
    const TZrRect R = IntersectRect(Rect, Document.ImageBounds());
    // The rows whose windows reach the square, as the tool asks for them.
    Layer->EnsureRows(Document.Backup(), R.Top - 9, R.Bottom + 9);
    ApplyColour(R, Document.Backup(), PaintMask, *Layer, LipstickColour, NormalMode, true,
                *Document.ImagePixels());
    StampMask.Left = StampMask.Top = 0;
    DocumentView->ImagePixelsChanged(R);
    Paint(ImageRectToWindow(Canvas.MapMode, R));
  }
};

void LipstickStamp(benchmark::State &State)
{
  TLipstickScene Scene;
  if (!Scene.Prepare(true)) {
    State.SkipWithError("out of memory");
    return;
  }
  for (auto _ : State) {
    Scene.PaintMask.Clear();
    Scene.Stamp(Scene.FreshCentre());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(LipstickStamp)
    ->Name("makeup_lipstick_stamp_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void LipstickStrokeStamp(benchmark::State &State)
{
  TLipstickScene Scene;
  if (!Scene.Prepare(true)) {
    State.SkipWithError("out of memory");
    return;
  }
  StrokeStamps(
      State, [&Scene](TZrPoint P) { Scene.Stamp(P); }, [&Scene] { Scene.PaintMask.Clear(); });
}
BENCHMARK(LipstickStrokeStamp)
    ->Name("makeup_lipstick_stroke_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The first stamp after the image changed: the layer stands for the new
// image and works out the rows the brush reaches. With NewMemory the layer
// is a new one, its memory fresh from the system.
void FirstStamp(benchmark::State &State, bool NewMemory)
{
  TLipstickScene Scene;
  if (!Scene.Prepare(false)) {
    State.SkipWithError("out of memory");
    return;
  }
  for (auto _ : State) {
    State.PauseTiming();
    if (NewMemory) {
      Scene.Layer.reset();
      ReturnFreedMemory();
      Scene.Layer = std::make_unique<TZrMakeUpDetail>();
    }
    Scene.PaintMask.Clear();
    const TZrPoint Centre = Scene.FreshCentre();
    State.ResumeTiming();
    Scene.Layer->Reset(Scene.Document.Backup());
    Scene.Stamp(Centre);
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(FirstStamp, kept, false)
    ->Name("makeup_first_stamp_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(FirstStamp, new_memory, true)
    ->Name("makeup_first_stamp_100_new_memory/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

BENCHMARK_CAPTURE(FirstStamp, first_in_process, true)
    ->Name("makeup_first_stamp_100_first_in_process/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Iterations(1);

// The floor: the brush square's pixels copied once.
void CopySquare(benchmark::State &State)
{
  CopySquares(State, BrushSide(BrushSize));
}
BENCHMARK(CopySquare)
    ->Name("makeup_lipstick_stamp_100/memcpy")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// One dab of a 200-pixel brush: a disc of full coverage with a soft rim.
void ApplyColourFacette(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  static TZrMakeUpDetail Layer;
  if (Layer.Empty())
    Layer.BuildDetail(Photo);
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Photo.GetBounds());
  const TZrRect Rect = Bounds(2900, 1900, 200, 200);
  TZrPixelMask Mask;
  Mask.SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  for (int32_t Y = 0; Y < 200; ++Y)
    for (int32_t X = 0; X < 200; ++X) {
      const int32_t D2 = (X - 100) * (X - 100) + (Y - 100) * (Y - 100);
      Mask.Bits[static_cast<size_t>(Y) * 200 + X] =
          D2 < 80 * 80     ? 255
          : D2 < 100 * 100 ? static_cast<uint8_t>(255 - (D2 - 6400) / 15)
                           : 0;
    }
  const int32_t Mode = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    ApplyColour(Rect, Photo, Mask, Layer, 0xB03040, Mode, true, Image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ApplyColourFacette)
    ->Name("apply_colour_200px/facette")
    ->Arg(NormalMode)
    ->Arg(LuminosityMode)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
