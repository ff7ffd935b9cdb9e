// The blemish remover's live step on the 24-megapixel photo: a round defect
// of 100 x 100 pixels (the largest brush) is refilled on every mouse move
// from the source square under the cursor, choosing the best reflection and
// correcting the colour per channel with anti-aliased edges. The floor it is
// compared with is copying the bytes the step touches: the source square and
// the defect square, 100 rows of 300 bytes each.
//
// "inpaint_live_step_100" is the same step as the tool runs it on a
// pointer move, on the photo opened in a document shown at 100 % in a
// full-HD view: the pointer walks over the skin beside the defect, and
// after the fill the preview on the panel is brought up to date (the
// defect's part of its 120 x 120 image pixels copied, then enlarged twice)
// and the view repaints the defect's area. "..._two_previews" adds the
// plain copy shown above it (two previews of 130 x 130 pixels).
// "inpaint_select_100" is the click that chooses the defect: the patch
// engine made for it, the defect shown unchanged in the preview with the
// skin around it.
#include "support/PhotoView.h"
#include "support/TestImage.h"
#include "support/Threads.h"

#include "tools/brush/ZrBrushMasks.h"
#include "tools/inpainting/AreaCorrelator.h"
#include "tools/inpainting/ZrHandInpainting.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace facette::bench {
namespace {

constexpr int32_t Side = 100;
const TZrRect DefectRect = Bounds(2950, 1450, Side, Side);
const TZrRect SourceRect = Bounds(3110, 1430, Side, Side);

struct LiveScene
{
  TZrPixelBuffer Dest; // the working image; only the touched pages get memory
  std::unique_ptr<TAreaCorrelator> Correlator;

  LiveScene()
  {
    const TZrPixelBuffer &Photo = Photo24MP();
    if (!Dest.Allocate(pf24bit, Photo.GetBounds()))
      throw std::runtime_error("out of memory for the working image");
    Dest.CopyRect(DefectRect.Left, DefectRect.Top, Photo, DefectRect);
    Correlator = std::make_unique<TAreaCorrelator>(DefectRect, Photo, Dest, 2);
    // The brush's disc: the stamp covers the pixels nearer to the centre
    // than half the side.
    for (int32_t Y = 0; Y < Side; ++Y)
      for (int32_t X = 0; X < Side; ++X) {
        const double DX = X - Side / 2, DY = Y - Side / 2;
        Correlator->SetMask(DefectRect.Left + X, DefectRect.Top + Y,
                            4 * (DX * DX + DY * DY) < Side * Side);
      }
    Prepare();
  }

  // What the first click does once per defect.
  void Prepare()
  {
    Correlator->Classify();
    Correlator->PruneRing(0.2);
    Correlator->ComputeWeights();
  }
};

LiveScene &Scene()
{
  static LiveScene S;
  return S;
}

void Live(benchmark::State &State)
{
  LiveScene &S = Scene();
  const TOurThreads Ours(State);
  for (auto _ : State) {
    const int32_t T = S.Correlator->BestReflection(SourceRect);
    S.Correlator->Fill({SourceRect.Left, SourceRect.Top}, T, true, FillPerChannel, 2);
    benchmark::ClobberMemory();
  }
  State.counters["ring"] = S.Correlator->Ring().Count();
  State.counters["interior"] = S.Correlator->Interior().Count();
}
BENCHMARK(Live)->Name("inpaint_live_100/facette")->Unit(benchmark::kMicrosecond)->UseRealTime();

void CopyTouched(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  LiveScene &S = Scene();
  std::vector<uint8_t> Patch(static_cast<size_t>(Side) * Side * 3);
  const size_t Row = static_cast<size_t>(Side) * 3;
  for (auto _ : State) {
    for (int32_t Y = 0; Y < Side; ++Y) {
      std::memcpy(Patch.data() + Y * Row, Photo.PixelPtr(SourceRect.Left, SourceRect.Top + Y), Row);
      std::memcpy(S.Dest.PixelPtr(DefectRect.Left, DefectRect.Top + Y),
                  Photo.PixelPtr(DefectRect.Left, DefectRect.Top + Y), Row);
    }
    benchmark::ClobberMemory();
  }
  ReportThreads(State, 1);
}
BENCHMARK(CopyTouched)
    ->Name("inpaint_live_100/memcpy")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The pieces of the live step, and the preparation of the first click.
void Reflection(benchmark::State &State)
{
  LiveScene &S = Scene();
  const TOurThreads Ours(State);
  for (auto _ : State)
    benchmark::DoNotOptimize(S.Correlator->BestReflection(SourceRect));
}
BENCHMARK(Reflection)
    ->Name("inpaint_best_reflection_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void FillType(benchmark::State &State)
{
  LiveScene &S = Scene();
  const int32_t Type = static_cast<int32_t>(State.range(0));
  const TOurThreads Ours(State);
  for (auto _ : State) {
    S.Correlator->Fill({SourceRect.Left, SourceRect.Top}, 0, true, Type, 2);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(FillType)
    ->Name("inpaint_fill_100/facette")
    ->ArgName("type")
    ->Arg(FillCopy)
    ->Arg(FillPerChannel)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void Prepare(benchmark::State &State)
{
  LiveScene &S = Scene();
  const TOurThreads Ours(State);
  for (auto _ : State)
    S.Prepare();
}
BENCHMARK(Prepare)
    ->Name("inpaint_prepare_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The tool's live step with its previews and the repaint, on the photo in
// a view.
struct TLiveView : TPhotoView
{
  static constexpr int32_t BrushSize = 100;
  std::unique_ptr<TAreaCorrelator> Correlator;
  TZrRect Defect;
  TZrPixelMask Stamp;
  TPreviewGeometry Geometry;
  TZrPixelBuffer Target, TargetShown, Handy, HandyShown;
  int64_t Moves = 0;

  bool Prepare(int32_t PreviewWidth)
  {
    if (!Open(TViewZoom::ActualSize))
      return false;
    BuildPowerDisc(Stamp, BrushSize, 255, 160);
    Geometry = PreviewGeometry(PreviewWidth, BrushSize);
    const TZrRect Square = Bounds(0, 0, Geometry.Side, Geometry.Side);
    if (!Target.Allocate(pf24bit, Square) || !Handy.Allocate(pf24bit, Square))
      return false;
    Select({PhotoWidth / 2, PhotoHeight / 2});
    return true;
  }

  TZrPoint PreviewTopLeft() const
  {
    return PreviewOrigin({Defect.Left, Defect.Top}, Geometry.Side, BrushSize);
  }

  void Repaint()
  {
    const TZrRect R = IntersectRect(Defect, Document.ImageBounds());
    DocumentView->ImagePixelsChanged(R);
    Paint(ImageRectToWindow(Canvas.MapMode, R));
  }

  // The first click.
  void Select(TZrPoint Point)
  {
    Defect = InpaintSquare(Point, BrushSize);
    Correlator =
        std::make_unique<TAreaCorrelator>(Defect, Document.Backup(), *Document.ImagePixels(), 2);
    Stamp.Left = Defect.Left;
    Stamp.Top = Defect.Top;
    MarkDefect(*Correlator, Stamp);
    Correlator->Classify();
    Correlator->PruneRing(0.2);
    Correlator->ComputeWeights();
    Correlator->Fill({Defect.Left, Defect.Top}, 0, true, FillCopy, 2);
    CopyPreview(*Document.ImagePixels(), PreviewTopLeft(), 0, Geometry.Side, Target);
    ZoomPreview(Target, Geometry.Zoom, TargetShown);
    Repaint();
  }

  // One pointer move over the skin beside the defect.
  void Move(bool TwoPreviews)
  {
    const int64_t I = Moves++;
    const TZrRect Source = InpaintSquare({Defect.Right + 60 + static_cast<int32_t>((I * 7) % 300),
                                          Defect.Top + static_cast<int32_t>((I * 13) % 300) - 150},
                                         BrushSize);
    const int32_t T = Correlator->BestReflection(Source);
    const int32_t Margin = (Geometry.Side - BrushSize) / 2;
    if (TwoPreviews) {
      Correlator->Fill({Source.Left, Source.Top}, 0, true, FillCopy, 2);
      CopyPreview(*Document.ImagePixels(), PreviewTopLeft(), Margin, Margin + BrushSize, Handy);
      ZoomPreview(Handy, Geometry.Zoom, HandyShown);
    }
    Correlator->Fill({Source.Left, Source.Top}, T, true, FillPerChannel, 2);
    CopyPreview(*Document.ImagePixels(), PreviewTopLeft(), Margin, Margin + BrushSize, Target);
    ZoomPreview(Target, Geometry.Zoom, TargetShown);
    Repaint();
  }
};

void LiveStep(benchmark::State &State, bool TwoPreviews)
{
  TLiveView Scene;
  if (!Scene.Prepare(TwoPreviews ? 130 : 240)) {
    State.SkipWithError("out of memory");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Scene.Move(TwoPreviews);
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(LiveStep, one, false)
    ->Name("inpaint_live_step_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(CopyTouched)
    ->Name("inpaint_live_step_100/memcpy")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(LiveStep, two, true)
    ->Name("inpaint_live_step_100_two_previews/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void SelectDefect(benchmark::State &State)
{
  TLiveView Scene;
  if (!Scene.Prepare(240)) {
    State.SkipWithError("out of memory");
    return;
  }
  int64_t I = 0;
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Scene.Select({PhotoWidth / 2 + static_cast<int32_t>((I * 37) % 400),
                  PhotoHeight / 2 + static_cast<int32_t>((I * 53) % 300)});
    ++I;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(SelectDefect)
    ->Name("inpaint_select_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
