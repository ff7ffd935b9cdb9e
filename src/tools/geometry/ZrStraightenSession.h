// What the straighten tool does to the document between the first line the
// user draws and Apply or Cancel: it keeps the image as it was when the
// session began, adds up the angles of the lines, renders the source turned
// by their sum into the document's image (a larger canvas, white where the
// source does not reach), optionally cuts the result to the largest clean
// upright rectangle, and records the whole session as one undo state.
//
// The edit itself (BeginEdit, CancelEdit, EndEdit) stays with the tool; the
// session works on the document's pixels while that edit is open.
#pragma once

#include "editor/ZrGraphicsDocument.h"
#include "imaging/ZrBitmap.h"
#include "tools/geometry/ZrStraightenRenderer.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace facette {

class TZrStraightenSession
{
public:
  TZrStraightenRenderer Renderer;
  // The image as it was when the session began.
  TZrPixelBuffer Source;
  // Radians: the sum of the session's lines, and the angle of the last.
  double TotalAngle = 0.0;
  double DeltaAngle = 0.0;
  // Put back by the last undo or redo.
  double RestoredAngle = 0.0;
  TZrRect RestoredAutoCropRect;
  // In result pixels: the largest clean upright rectangle of the last
  // rendering.
  TZrRect AutoCropRect;

  int32_t SourceWidth() const { return Renderer.SourceWidth; }
  int32_t SourceHeight() const { return Renderer.SourceHeight; }
  int32_t ResultWidth() const { return Renderer.ResultWidth; }
  int32_t ResultHeight() const { return Renderer.ResultHeight; }

  // Starts a session on the document: keeps a copy of its backup (the
  // image as last committed) and of its lossless record. False, nothing
  // kept, when the memory cannot be had.
  bool Begin(TZrGraphicsDocument &Document);
  // Renders Source turned by TotalAngle into the document's image, which
  // takes the result's size (the original keeps its own); FilterIndex 0 is
  // the quick nearest-pixel preview. Finds AutoCropRect. Throws
  // std::bad_alloc when the canvas cannot be had.
  void Render(TZrGraphicsDocument &Document, int32_t FilterIndex,
              const std::function<void(int32_t)> &Progress = {});
  // Cuts the document's image to AutoCropRect (nothing for an empty one).
  void ApplyAutoCrop(TZrGraphicsDocument &Document);
  // Back to the source: angle and rectangle cleared, the image's size and
  // the backup's pixels those of the source. The tool's CancelEdit then
  // copies the backup into the image.
  void Cancel(TZrGraphicsDocument &Document);
  // The session's undo state, for the document's changed rectangle;
  // brings the backup up to date. Throws std::bad_alloc when the copies
  // cannot be had.
  std::unique_ptr<TZrCommandState> Commit(IZrGraphicsDocumentListener *Tool,
                                          TZrGraphicsDocument &Document);

  // Sets the image to that size and those pixels; the angle and rectangle
  // are put back (the undo state's operation).
  void Restore(TZrGraphicsDocument &Document, int32_t Width, int32_t Height,
               const TZrPixels &Pixels, const TZrRect &Rect, double Angle,
               const IZrLosslessJPEG *Lossless);

  // Forgets the source and the angles (a new document).
  void Reset();

private:
  std::unique_ptr<IZrLosslessJPEG> LosslessAtBegin;
};

class TZrRotation3CommandState : public TZrCustomGraphicsCommandState
{
public:
  TZrRotation3CommandState(TZrStraightenSession &Session, IZrGraphicsDocumentListener *Tool,
                           TZrGraphicsDocument &Document,
                           std::unique_ptr<IZrLosslessJPEG> LosslessBefore);
  void Undo() override;
  void Redo() override;

  TZrPixelBuffer ImageBefore;
  TZrPixelBuffer ImageAfter;
  int32_t WidthBefore, HeightBefore;
  int32_t WidthAfter, HeightAfter;
  double AngleBefore, AngleAfter;
  TZrRect RectBefore, RectAfter;

private:
  TZrStraightenSession &Session;
  std::unique_ptr<IZrLosslessJPEG> LosslessBefore;
  std::unique_ptr<IZrLosslessJPEG> LosslessAfter;
};

} // namespace facette
