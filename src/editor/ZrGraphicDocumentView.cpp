#include "editor/ZrGraphicDocumentView.h"

#include "editor/ZrGraphicsDocument.h"
#include "imaging/ZrColorTransform.h"

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
  UpdateColorTransform();
}

void TZrGraphicDocumentView::SetDisplayProfile(const std::vector<uint8_t> &Profile)
{
  if (Profile == DisplayProfile)
    return;
  DisplayProfile = Profile;
  SourceProfile.clear();
  Painter.SetColorTransform(nullptr);
  UpdateColorTransform();
}

void TZrGraphicDocumentView::UpdateColorTransform()
{
  const auto *Properties =
      dynamic_cast<const TZrGraphicsDocumentProperties *>(Document.Properties());
  static const std::vector<uint8_t> None;
  const std::vector<uint8_t> &Profile = Properties ? Properties->IccProfile() : None;
  // Turns, crops and undo steps keep the profile: the transform stays.
  if (Profile == SourceProfile)
    return;
  SourceProfile = Profile;
  Painter.SetColorTransform(TZrColorTransform::Create(Profile, DisplayProfile));
}

} // namespace facette
