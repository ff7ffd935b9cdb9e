// The document side of the adjustment tool: large images are previewed on a
// copy shrunk to about one megapixel that takes the document's place while
// the sliders move, and the finished adjustment of the whole image is kept
// as one undo step that exchanges buffers instead of copying them, so that
// pressing Ok on a large photo costs little more than one pass over it.
#pragma once

#include "editor/ZrGraphicsDocument.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>

namespace facette {

// How a preview shrinks an image of Width x Height. Percent is
// Round(sqrt(Width * Height / 2^20) * 100); above 100 the preview is
// Width x Height of this record: the image's sides divided by Percent / 100
// and then fitted to the image's proportions from the height, as the resize
// tool does with its proportions locked (2000 x 1500 gives 169 and
// 1184 x 888).
struct TZrPreviewShrink
{
  int32_t Percent = 100;
  int32_t Width = 0;
  int32_t Height = 0;
  bool Shrinks() const { return Percent > 100; }
};

TZrPreviewShrink PreviewShrink(int32_t Width, int32_t Height);

// Puts a quick-draft copy of the document's image and original, shrunk to
// Shrink's size, in their place (with the crop rectangle scaled), and keeps
// the full-size ones in Parked. No edit may be open. False, document
// unchanged, when memory is short or there is no image.
bool ParkForPreview(TZrGraphicsDocument &Doc, const TZrPreviewShrink &Shrink, TZrImageSet &Parked);
// Puts the parked images back; the stand-ins are dropped. No edit may be
// open.
void UnparkAfterPreview(TZrGraphicsDocument &Doc, TZrImageSet &Parked);

// Memory for the backup of the finished image, had (and touched, so that
// the operating system maps it now rather than in the middle of Ok) while
// the user is still moving sliders. False when it cannot be had.
bool PrepareBuffer(TZrPixelBuffer &Buffer, const TZrRect &Bounds);

// The undo step of an edit that changed the whole image: the image as it
// is on the other side of the step, exchanged with the document's backup
// on undo and redo. Holds one copy of the image where a snapshot of before
// and after holds two.
class TZrWholeImageCommandState : public TZrCustomGraphicsCommandState
{
public:
  // Takes the document's backup (the image before the edit) and makes
  // NewBackup, which must hold the image as it is now, the backup.
  TZrWholeImageCommandState(IZrGraphicsDocumentListener *Tool, TZrGraphicsDocument &Document,
                            TZrPixelBuffer &NewBackup);
  void Undo() override;
  void Redo() override;

  TZrPixelBuffer Pixels;

private:
  void Exchange();
};

// Records the open edit of Tool as one whole-image step when it changed
// the whole image and NewBackup holds the image as it is now (it is taken
// over); returns nil, nothing done, otherwise, and the caller commits the
// ordinary way.
TZrCommandState *CommitWholeImage(TZrGraphicsDocument &Doc, IZrGraphicsDocumentListener *Tool,
                                  TZrPixelBuffer &NewBackup);

} // namespace facette
