#include "editor/ZrGraphicDocumentView.h"

#include "editor/ZrGraphicsDocument.h"

namespace facette {

TZrGraphicDocumentView::TZrGraphicDocumentView(TZrGraphicsDocument &Document) : Document(Document)
{
  InitFlags();
  Bounds = Document.ImageBounds();
}

void TZrGraphicDocumentView::PaintContent(TZrViewCanvas &Canvas)
{
  const TZrPixels *Image = Document.ImagePixels();
  if (!Image)
    return;
  // Outside a pending crop rectangle the background shows.
  const TZrRect Dest = Painter.Paint(Canvas, *Image, Document.GetVisibleRect());
  Canvas.ExcludeClipRect(Dest);
}

void TZrGraphicDocumentView::ImageChanged()
{
  SetBounds(Document.ImageBounds());
  Painter.Invalidate();
}

} // namespace facette
