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

TZrRect TZrGraphicDocumentView::RefineDrafts(const TZrMapMode &MapMode, double BudgetMs)
{
  const TZrPixels *Image = Document.ImagePixels();
  if (!Image)
    return {};
  return Painter.RefineDrafts(MapMode, *Image, Document.GetVisibleRect(), BudgetMs);
}

void TZrGraphicDocumentView::ImageChanged()
{
  SetBounds(Document.ImageBounds());
  Painter.Invalidate();
}

} // namespace facette
