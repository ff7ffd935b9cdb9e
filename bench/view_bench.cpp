// Painting the view: a full 1920 x 1080 window of the 24-megapixel photo,
// at best fit and at 100%, each time after a 101 x 101 area of the image
// changed (one brush dab). The paint runs the view's whole cycle into its
// off-screen surface: the document view draws the visible image part,
// the background fills the rest. The floor is copying the window's
// pixels once. "view_best_fit_first_paint" is the first paint after a
// change of zoom, when the reduced copy of the image is built.
#include "document/ZrFileFormats.h"
#include "editor/ZrGraphicDocumentView.h"
#include "editor/ZrGraphicsDocument.h"
#include "editor/ZrViewObjects.h"
#include "support/TestImage.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace facette::bench {
namespace {

constexpr int32_t ViewWidth = 1920;
constexpr int32_t ViewHeight = 1080;
constexpr int32_t DabSize = 101;

// A document needs an editor; painting asks nothing of it.
class TNoEditor : public IZrDocumentEditor
{
public:
  TZrDocumentFormats &Formats() override { throw std::logic_error("no formats"); }
  int AskSaveChanges(const std::string &) override { return 2; }
  bool SaveAsWithDialog(TZrDocument &) override { return false; }
  void RemoveDocument(TZrDocument &) override {}
  void UpdateCaption() override {}
  std::string UntitledName() const override { return {}; }
};

enum class Fit
{
  Best,
  ActualSize
};

struct TViewSetup
{
  TNoEditor Editor;
  TZrGraphicsDocument Document{Editor, nullptr};
  TZrViewObjectList Objects;
  TZrGraphicDocumentView *DocumentView = nullptr;
  TZrViewCanvas Canvas;

  bool Prepare(Fit Zoom)
  {
    TZrLoadedImage Loaded;
    Loaded.Image = std::make_unique<TZrLTBitmap>();
    if (!Loaded.Image->Assign(Photo24MP()) || !Document.AdoptLoadedImage(std::move(Loaded)))
      return false;
    DocumentView = static_cast<TZrGraphicDocumentView *>(
        Objects.Add(std::make_unique<TZrGraphicDocumentView>(Document)));
    TZrMapMode &M = Canvas.MapMode;
    if (Zoom == Fit::Best) {
      // The editor's best fit: the image is relatively taller than the
      // window, so its height fills the window, centred horizontally.
      M.ViewportExtX = M.ViewportExtY = ViewHeight;
      M.WindowExtX = M.WindowExtY = PhotoHeight;
      M.ViewportOrgX = (ViewWidth - PhotoWidth * ViewHeight / PhotoHeight) / 2;
    } else {
      // 100%, centred on the image's middle.
      M.ViewportOrgX = ViewWidth / 2 - PhotoWidth / 2;
      M.ViewportOrgY = ViewHeight / 2 - PhotoHeight / 2;
    }
    return PaintOnce();
  }

  bool PaintOnce()
  {
    if (!Canvas.BeginSurface(TZrRegion(MakeRect(0, 0, ViewWidth, ViewHeight))))
      return false;
    Canvas.PaintObjects(Objects);
    Canvas.EndSurface();
    return true;
  }

  // A dab of DabSize x DabSize somewhere in the shown part of the image,
  // reported as a tool reports it.
  void Dab(int64_t Iteration)
  {
    const TZrRect Shown =
        MakeRect(std::max(0, Canvas.MapMode.DeviceToLogicalX(0)),
                 std::max(0, Canvas.MapMode.DeviceToLogicalY(0)),
                 std::min(PhotoWidth, Canvas.MapMode.DeviceToLogicalX(ViewWidth)),
                 std::min(PhotoHeight, Canvas.MapMode.DeviceToLogicalY(ViewHeight)));
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

void PaintAfterDab(benchmark::State &State, Fit Zoom)
{
  TViewSetup View;
  if (!View.Prepare(Zoom)) {
    State.SkipWithError("out of memory");
    return;
  }
  int64_t Iteration = 0;
  for (auto _ : State) {
    State.PauseTiming();
    View.Dab(Iteration++);
    State.ResumeTiming();
    View.PaintOnce();
    benchmark::ClobberMemory();
  }
}

void FirstPaintAtBestFit(benchmark::State &State)
{
  TViewSetup View;
  if (!View.Prepare(Fit::Best)) {
    State.SkipWithError("out of memory");
    return;
  }
  for (auto _ : State) {
    // A new zoom: nothing of the reduced copy can be kept.
    View.DocumentView->ImageChanged();
    View.PaintOnce();
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
}

BENCHMARK_CAPTURE(PaintAfterDab, best_fit, Fit::Best)
    ->Name("view_best_fit_after_dab/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyWindow)
    ->Name("view_best_fit_after_dab/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(PaintAfterDab, actual_size, Fit::ActualSize)
    ->Name("view_100_percent_after_dab/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyWindow)
    ->Name("view_100_percent_after_dab/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(FirstPaintAtBestFit)
    ->Name("view_best_fit_first_paint/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
