// Brightness, contrast and gamma reduce to three tables applied in one
// pass over the 24-megapixel photo; compared with copying it.
//
// The adjustment tool on the 24-megapixel photo:
// - "adjust_preview_24mp": one live-preview update, as a slider move
//   causes it: the tables applied to the shrunk stand-in (1255 x 837) and
//   the full-HD view repainted at best fit. The floor is copying the
//   stand-in's pixels once, on as many threads as ours.
// - "adjust_ok_24mp": Ok after a preview, as the tool does it: the
//   full-size image put back in the document's place, the tables applied
//   to it with the new backup written in the same pass, and the one
//   whole-image undo step recorded. Compared with memcpy of the photo's
//   bytes (the goal is at most 3 times that). "adjust_ok_24mp_first" is
//   the same on a document just loaded, its memory never used before.
// - "adjust_start_24mp": Start, for the record: the stand-in made and
//   parked, the backup of the finished image had in advance.
#include "support/PhotoView.h"
#include "support/TestImage.h"
#include "support/Threads.h"
#include "tools/geometry/ZrAdjustmentEngine.h"
#include "tools/geometry/ZrAdjustmentPreview.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace facette::bench {
namespace {

void ApplyLutsFacette(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Photo.GetBounds());
  TZrAdjustmentEngine Engine;
  BuildBrightnessLut(Engine.LutRed, 10);
  BuildGammaLut(Engine.LutGreen, -20);
  BuildBrightnessLut(Engine.LutBlue, -5);
  Engine.ApplyLuts(Photo, Image);
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Engine.ApplyLuts(Photo, Image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ApplyLutsFacette)
    ->Name("apply_luts_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void ApplyLutsMemcpy(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Photo.GetBounds());
  const size_t Bytes = static_cast<size_t>(Photo.Stride) * Photo.Height;
  Image.CopyFrom(Photo);
  const int32_t Threads = ComparisonThreads();
  for (auto _ : State) {
    CopyInBands(Image.Bits, Photo.Bits, Bytes, Photo.Height, Threads);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
}
BENCHMARK(ApplyLutsMemcpy)
    ->Name("apply_luts_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A listener standing for the tool in the document's edit protocol.
class TBenchTool : public IZrGraphicsDocumentListener
{
public:
  void EndEdit() override {}
};

void PreviewUpdate(benchmark::State &State)
{
  TPhotoView View;
  TZrImageSet Parked;
  if (!View.Open(TViewZoom::BestFit) ||
      !ParkForPreview(View.Document, PreviewShrink(PhotoWidth, PhotoHeight), Parked)) {
    State.SkipWithError("out of memory");
    return;
  }
  // The stand-in at the size the photo had on the screen.
  TZrMapMode &M = View.Canvas.MapMode;
  M.WindowExtX = M.WindowExtY = View.Document.Image().GetHeight();
  TZrAdjustmentEngine Engine;
  int32_t Value = 10;
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Value = Value == 10 ? 11 : 10;
    Engine.ApplyBrightness(View.Document.Backup(), *View.Document.ImagePixels(), Value, Value,
                           Value);
    View.DocumentView->ImagePixelsChanged(View.Document.ImageBounds());
    View.PaintAll();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PreviewUpdate)
    ->Name("adjust_preview_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void CopyStandIn(benchmark::State &State)
{
  const TZrPreviewShrink Shrink = PreviewShrink(PhotoWidth, PhotoHeight);
  const size_t Bytes = static_cast<size_t>(Shrink.Width) * Shrink.Height * 3;
  std::vector<uint8_t> From(Bytes, 1), To(Bytes);
  const int32_t Threads = ComparisonThreads();
  for (auto _ : State) {
    CopyInBands(To.data(), From.data(), Bytes, Shrink.Height, Threads);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
}
BENCHMARK(CopyStandIn)
    ->Name("adjust_preview_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The document of the photo with a preview running: stand-in parked in
// its place, the edit open, the new backup ready.
struct TOkScene
{
  TNoEditor Editor;
  std::unique_ptr<TZrGraphicsDocument> Document;
  TBenchTool Tool;
  TZrImageSet Parked;
  TZrPixelBuffer NewBackup;
  TZrAdjustmentEngine Engine;

  bool Load()
  {
    Document = std::make_unique<TZrGraphicsDocument>(Editor, nullptr);
    TZrLoadedImage Loaded;
    Loaded.Image = std::make_unique<TZrLTBitmap>();
    if (!Loaded.Image->Assign(Photo24MP()) || !Document->AdoptLoadedImage(std::move(Loaded)))
      return false;
    // The editor's view makes the backup once the photo is shown.
    Document->PrepareBackup();
    return true;
  }
  bool Start()
  {
    if (!ParkForPreview(*Document, PreviewShrink(PhotoWidth, PhotoHeight), Parked) ||
        !PrepareBuffer(NewBackup, MakeRect(0, 0, PhotoWidth, PhotoHeight)))
      return false;
    Document->BeginEdit(&Tool);
    Engine.ApplyBrightness(Document->Backup(), *Document->ImagePixels(), 10, 10, 10);
    return true;
  }
  // What Ok does: back to full size, the adjustment of the whole image,
  // one step.
  bool Ok()
  {
    Document->ClearEdit();
    Document->ImagePixels()->CopyFrom(Document->Backup());
    UnparkAfterPreview(*Document, Parked);
    Document->BeginEdit(&Tool);
    Engine.ApplyBrightness(Document->Backup(), *Document->ImagePixels(), 10, 10, 10, &NewBackup);
    Document->AddChangedRect(Document->ImageBounds(), true);
    const bool Kept = CommitWholeImage(*Document, &Tool, NewBackup) != nullptr;
    Document->EndEdit();
    return Kept;
  }
  // Back to the photo as loaded, nothing in the history.
  void Undo()
  {
    Document->History.Undo();
    Document->History.ClearRedo();
  }
};

void OkSteady(benchmark::State &State)
{
  TOkScene Scene;
  if (!Scene.Load()) {
    State.SkipWithError("out of memory");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    State.PauseTiming();
    const bool Started = Scene.Start();
    State.ResumeTiming();
    if (!Started || !Scene.Ok()) {
      State.SkipWithError("out of memory");
      break;
    }
    State.PauseTiming();
    Scene.Undo();
    State.ResumeTiming();
  }
}
BENCHMARK(OkSteady)
    ->Name("adjust_ok_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

void OkFirst(benchmark::State &State)
{
  const TOurThreads Ours(State);
  for (auto _ : State) {
    State.PauseTiming();
    auto Scene = std::make_unique<TOkScene>();
    const bool Started = Scene->Load() && Scene->Start();
    State.ResumeTiming();
    if (!Started || !Scene->Ok()) {
      State.SkipWithError("out of memory");
      break;
    }
    State.PauseTiming();
    Scene.reset();
    State.ResumeTiming();
  }
}
BENCHMARK(OkFirst)
    ->Name("adjust_ok_24mp_first/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

void StartSteady(benchmark::State &State)
{
  TOkScene Scene;
  if (!Scene.Load()) {
    State.SkipWithError("out of memory");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    if (!Scene.Start()) {
      State.SkipWithError("out of memory");
      break;
    }
    State.PauseTiming();
    if (!Scene.Ok()) {
      State.SkipWithError("out of memory");
      break;
    }
    Scene.Undo();
    State.ResumeTiming();
  }
}
BENCHMARK(StartSteady)
    ->Name("adjust_start_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

// Ok's floor: the photo copied once, as for the table pass.
BENCHMARK(ApplyLutsMemcpy)
    ->Name("adjust_ok_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ApplyLutsMemcpy)
    ->Name("adjust_ok_24mp_first/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef FACETTE_HAVE_OPENCV
void ApplyLutsOpenCV(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  const cv::Mat Source(Photo.Height, Photo.Width, CV_8UC3, Photo.Bits,
                       static_cast<size_t>(Photo.Stride));
  cv::Mat Lut(1, 256, CV_8UC3), Out;
  for (int32_t I = 0; I < 256; ++I)
    Lut.at<cv::Vec3b>(0, I) = cv::Vec3b(static_cast<uint8_t>(255 - I), static_cast<uint8_t>(I),
                                        static_cast<uint8_t>(I / 2));
  UsePeerThreads(State, ComparisonThreads());
  cv::LUT(Source, Lut, Out);
  for (auto _ : State) {
    cv::LUT(Source, Lut, Out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ApplyLutsOpenCV)
    ->Name("apply_luts_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

} // namespace
} // namespace facette::bench
