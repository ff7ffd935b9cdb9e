// The geometry tools on the 24-megapixel photo as the editor does them.
//
// A quarter turn: the document's turn with its undo state, against copying
// the image's bytes once on as many threads. Timed three ways: turning the same document again
// and again (the steady state), the first turn of a freshly opened photo
// (new memory, what a user meets first), and a turn followed by what the
// next edit needs of the document (the backup and the original in the new
// orientation), so that work left for later is counted too.
//
// Straightening: Apply of the straighten tool (the Hermite rendering into
// the document's larger canvas and the undo state), and the rendering alone
// on the first call into fresh memory, against OpenCV's bicubic affine warp
// of the same image into a fresh image, on the same number of threads.
#include "support/PhotoView.h"
#include "support/TestImage.h"
#include "support/Threads.h"

#include "imaging/ZrInterpolationFilters.h"
#include "tools/geometry/ZrGeometryCommands.h"
#include "tools/geometry/ZrStraightenSession.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace facette::bench {
namespace {

// The photo opened in a document, as the editor holds it.
std::unique_ptr<TZrGraphicsDocument> OpenPhoto(TNoEditor &Editor)
{
  auto Document = std::make_unique<TZrGraphicsDocument>(Editor, nullptr);
  TZrLoadedImage Loaded;
  Loaded.Image = std::make_unique<TZrLTBitmap>();
  if (!Loaded.Image->Assign(Photo24MP()) || !Document->AdoptLoadedImage(std::move(Loaded)))
    return nullptr;
  // The editor's view makes the backup once the photo is shown.
  Document->PrepareBackup();
  return Document;
}

// The rotate tool's quarter turn: an edit opened and closed around the
// document's turn and its undo state.
bool Turn(TZrGraphicsDocument &Document)
{
  Document.BeginEdit(nullptr, false);
  const bool Done = PerformRotateOperation(Document, roRotateRight);
  if (Done)
    Document.History.Add(std::make_unique<TZrRotateCommandState>(nullptr, Document, roRotateRight));
  Document.EndEdit();
  return Done;
}

void TurnSteady(benchmark::State &State)
{
  TNoEditor Editor;
  auto Document = OpenPhoto(Editor);
  if (!Document || !Turn(*Document)) {
    State.SkipWithError("out of memory");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    if (!Turn(*Document)) {
      State.SkipWithError("turn failed");
      break;
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(TurnSteady)
    ->Name("editor_turn_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the next brush stroke asks of the document after a turn.
void TurnThenEdit(benchmark::State &State)
{
  TNoEditor Editor;
  auto Document = OpenPhoto(Editor);
  if (!Document) {
    State.SkipWithError("out of memory");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    if (!Turn(*Document) || !Document->Backup().Bits || !Document->OriginalPixels()) {
      State.SkipWithError("turn failed");
      break;
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(TurnThenEdit)
    ->Name("editor_turn_then_edit_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The first turn of a photo just opened; opening is not timed.
void TurnFirst(benchmark::State &State)
{
  TNoEditor Editor;
  const TOurThreads Ours(State);
  for (auto _ : State) {
    State.PauseTiming();
    auto Document = OpenPhoto(Editor);
    State.ResumeTiming();
    if (!Document || !Turn(*Document)) {
      State.SkipWithError("turn failed");
      break;
    }
    benchmark::ClobberMemory();
    State.PauseTiming();
    Document.reset();
    State.ResumeTiming();
  }
}
BENCHMARK(TurnFirst)
    ->Name("editor_turn_first_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(12);

// The floor: the image's bytes copied once, into memory already in use,
// on as many threads as ours, each a band of rows.
void CopyImage(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  const size_t Bytes = static_cast<size_t>(Photo.Stride) * Photo.Height;
  std::vector<uint8_t> Target(Bytes, 1);
  const int32_t Threads = ComparisonThreads();
  for (auto _ : State) {
    CopyInBands(Target.data(), Photo.Bits, Bytes, Photo.Height, Threads);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
}
BENCHMARK(CopyImage)->Name("editor_turn_24mp/memcpy")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyImage)
    ->Name("editor_turn_then_edit_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyImage)
    ->Name("editor_turn_first_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// --- straightening ------------------------------------------------------------

constexpr double Angle = 0.05;

// Apply of the straighten tool: the session's Hermite rendering into the
// document and its undo state. The session's preview and opening are not
// timed.
void StraightenApply(benchmark::State &State)
{
  TNoEditor Editor;
  const TOurThreads Ours(State);
  for (auto _ : State) {
    State.PauseTiming();
    auto Document = OpenPhoto(Editor);
    TZrStraightenSession Session;
    if (!Document || !Session.Begin(*Document)) {
      State.SkipWithError("out of memory");
      break;
    }
    Document->BeginEdit(nullptr);
    Session.TotalAngle = Angle;
    State.ResumeTiming();
    Session.Render(*Document, ifHermite);
    Document->AddChangedRect(Document->ImageBounds(), false);
    Document->History.Add(Session.Commit(nullptr, *Document));
    Document->EndEdit();
    benchmark::ClobberMemory();
    State.PauseTiming();
    Document.reset();
    State.ResumeTiming();
  }
}
BENCHMARK(StraightenApply)
    ->Name("straighten_apply_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4);

// The rendering alone into memory just taken, as the first Apply meets it.
void StraightenFirst(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrStraightenRenderer R;
  R.SetSourceSize(Photo.Width, Photo.Height);
  R.ComputeResultSize(Angle);
  const TOurThreads Ours(State);
  for (auto _ : State) {
    TZrPixelBuffer Image;
    if (!Image.Allocate(pf24bit, Bounds(0, 0, R.ResultWidth, R.ResultHeight))) {
      State.SkipWithError("out of memory");
      break;
    }
    R.Render(Photo, Angle, ifHermite, Image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(StraightenFirst)
    ->Name("straighten_first_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4);

#ifdef FACETTE_HAVE_OPENCV
// The same rotation as OpenCV's inverse affine map, on as many threads as
// our renderer may use, into a fresh image.
void OpenCVFirst(benchmark::State &State)
{
  UsePeerThreads(State, ComparisonThreads());
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrStraightenRenderer R;
  R.SetSourceSize(Photo.Width, Photo.Height);
  R.ComputeResultSize(Angle);
  const cv::Mat Source(Photo.Height, Photo.Width, CV_8UC3, Photo.Bits,
                       static_cast<size_t>(Photo.Stride));
  const double C = std::cos(Angle), S = std::sin(Angle);
  const double CXR = (R.ResultWidth - 1) / 2.0, CYR = (R.ResultHeight - 1) / 2.0;
  const double CXS = (Photo.Width - 1) / 2.0, CYS = (Photo.Height - 1) / 2.0;
  const cv::Matx23d Map(C, -S, CXS - CXR * C + CYR * S, S, C, CYS - CXR * S - CYR * C);
  for (auto _ : State) {
    cv::Mat Result;
    cv::warpAffine(Source, Result, Map, cv::Size(R.ResultWidth, R.ResultHeight),
                   cv::INTER_CUBIC | cv::WARP_INVERSE_MAP, cv::BORDER_CONSTANT,
                   cv::Scalar(255, 255, 255));
    benchmark::DoNotOptimize(Result.data);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(OpenCVFirst)
    ->Name("straighten_first_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4);
BENCHMARK(OpenCVFirst)
    ->Name("straighten_apply_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4);
#endif

} // namespace
} // namespace facette::bench
