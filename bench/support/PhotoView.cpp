#include "support/PhotoView.h"

#include "support/TestImage.h"
#include "support/Threads.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <stdexcept>

namespace facette::bench {

TZrDocumentFormats &TNoEditor::Formats()
{
  throw std::logic_error("no formats");
}

bool TPhotoView::Open(TViewZoom Zoom)
{
  TZrLoadedImage Loaded;
  Loaded.Image = std::make_unique<TZrLTBitmap>();
  if (!Loaded.Image->Assign(Photo24MP()) || !Document.AdoptLoadedImage(std::move(Loaded)))
    return false;
  DocumentView = static_cast<TZrGraphicDocumentView *>(
      Objects.Add(std::make_unique<TZrGraphicDocumentView>(Document)));
  TZrMapMode &M = Canvas.MapMode;
  if (Zoom == TViewZoom::BestFit) {
    // The editor's best fit: the image is relatively taller than the
    // window, so its height fills the window, centred horizontally.
    M.ViewportExtX = M.ViewportExtY = ViewHeight;
    M.WindowExtX = M.WindowExtY = PhotoHeight;
    M.ViewportOrgX = (ViewWidth - PhotoWidth * ViewHeight / PhotoHeight) / 2;
  } else {
    M.ViewportOrgX = ViewWidth / 2 - PhotoWidth / 2;
    M.ViewportOrgY = ViewHeight / 2 - PhotoHeight / 2;
  }
  // As the editor's view does once the photo is shown.
  if (!PaintAll())
    return false;
  Document.PrepareBackup();
  return Document.Backup().Bits != nullptr;
}

bool TPhotoView::Paint(const TZrRect &Window)
{
  if (!Canvas.BeginSurface(TZrRegion(IntersectRect(Window, MakeRect(0, 0, ViewWidth, ViewHeight)))))
    return false;
  Canvas.PaintObjects(Objects);
  Canvas.EndSurface();
  return true;
}

TZrRect TPhotoView::ShownImageRect() const
{
  const TZrMapMode &M = Canvas.MapMode;
  return IntersectRect(MakeRect(M.DeviceToLogicalX(0), M.DeviceToLogicalY(0),
                                M.DeviceToLogicalX(ViewWidth), M.DeviceToLogicalY(ViewHeight)),
                       Document.ImageBounds());
}

TZrPoint TPhotoView::ShownSquareCentre(int32_t Side, int64_t Index) const
{
  const TZrRect Shown = ShownImageRect();
  const int32_t Columns = Shown.Width() / Side;
  const int32_t Rows = Shown.Height() / Side;
  Index %= static_cast<int64_t>(Columns) * Rows;
  return {Shown.Left + static_cast<int32_t>(Index % Columns) * Side + Side / 2,
          Shown.Top + static_cast<int32_t>(Index / Columns) * Side + Side / 2};
}

void CopySquares(benchmark::State &State, int32_t Side)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Photo.GetBounds());
  int64_t Spot = 0;
  for (auto _ : State) {
    const int32_t X = static_cast<int32_t>((Spot * 397) % (PhotoWidth - Side));
    const int32_t Y = static_cast<int32_t>((Spot++ * 211) % (PhotoHeight - Side));
    for (int32_t Row = Y; Row < Y + Side; ++Row)
      std::memcpy(Image.PixelPtr(X, Row), Photo.PixelPtr(X, Row), static_cast<size_t>(Side) * 3);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, 1);
}

void StrokeStamps(benchmark::State &State, const std::function<bool(TZrPoint)> &Stamp,
                  const std::function<void()> &EndStroke)
{
  const TZrPoint Start{PhotoWidth / 2 - 400, PhotoHeight / 2};
  int32_t Step = 0;
  const TOurThreads Ours(State);
  for (auto _ : State) {
    if (Step == 200) {
      State.PauseTiming();
      Step = 0;
      EndStroke();
      State.ResumeTiming();
    }
    if (!Stamp({Start.X + 4 * Step, Start.Y + Step % 7})) {
      State.SkipWithError("a stamp fell outside the view");
      break;
    }
    ++Step;
    benchmark::ClobberMemory();
  }
}

} // namespace facette::bench
