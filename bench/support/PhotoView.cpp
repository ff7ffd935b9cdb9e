#include "support/PhotoView.h"

#include "support/TestImage.h"

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
  return PaintAll();
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

} // namespace facette::bench
