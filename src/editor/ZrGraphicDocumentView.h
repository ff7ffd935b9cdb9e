// The view object that shows a graphics document: the visible rectangle of
// its working image (the pending crop, or the whole image) at the view's
// zoom, with the background colour around it. A photo with an ICC profile
// is shown converted to the screen's profile (sRGB unless the view says
// otherwise); its pixels stay as they are.
#pragma once

#include "editor/ZrViewImagePainter.h"
#include "editor/ZrViewObjects.h"

#include <cstdint>
#include <vector>

namespace facette {

class TZrGraphicsDocument;

class TZrGraphicDocumentView : public TZrViewObject
{
public:
  explicit TZrGraphicDocumentView(TZrGraphicsDocument &Document);

  TZrGraphicsDocument &Document;

  // Visible, content, may paint outside a paint cycle.
  void InitFlags() override { Flags = vfVisible | vfContent | vfSelfPaint; }
  void PaintContent(TZrViewCanvas &Canvas) override;

  // Bounds := the whole image; the drawing cache starts over; the colour
  // transform follows the document's profile.
  void ImageChanged();
  // The screen's ICC profile (empty: sRGB).
  void SetDisplayProfile(const std::vector<uint8_t> &Profile);
  // The pixels of ImageRect changed.
  void ImagePixelsChanged(const TZrRect &ImageRect) { Painter.InvalidateRect(ImageRect); }
  const TZrViewImagePainter &ImagePainter() const { return Painter; }

  // Drafts at once after a change of zoom, refined a budget at a time (see
  // TZrViewImagePainter); the window returned is what to repaint.
  void AllowDrafts(bool Allow) { Painter.AllowDrafts = Allow; }
  bool HasDrafts() const { return Painter.HasDrafts(); }
  TZrRect RefineDrafts(const TZrMapMode &MapMode, double BudgetMs);

private:
  void UpdateColorTransform();

  TZrViewImagePainter Painter;
  std::vector<uint8_t> DisplayProfile;
  // The profile the transform was made for.
  std::vector<uint8_t> SourceProfile;
};

} // namespace facette
