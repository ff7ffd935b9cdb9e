#include "tools/geometry/ZrGeometryCommands.h"

#include "imaging/ZrResample.h"

#include <new>

namespace facette {

bool PerformRotateOperation(TZrGraphicsDocument &Document, uint8_t Operation)
{
  switch (Operation) {
  case roRotateLeft:
    return Document.RotateLeft();
  case roRotateRight:
    return Document.RotateRight();
  case roFlipHorizontal:
    return Document.FlipHorizontal();
  case roFlipVertical:
    return Document.FlipVertical();
  case roRotate180:
    // Both mirror images, each in place: no memory is needed, so neither
    // can fail and leave a quarter of the turn done.
    return Document.FlipHorizontal() && Document.FlipVertical();
  default:
    return false;
  }
}

uint8_t InverseRotateOperation(uint8_t Operation)
{
  switch (Operation) {
  case roRotateLeft:
    return roRotateRight;
  case roRotateRight:
    return roRotateLeft;
  default:
    return Operation; // a flip or half turn undoes itself
  }
}

namespace {

// Calls the owner's two hooks around a change, also when it throws.
class TStateChange
{
public:
  explicit TStateChange(IZrGeometryStateOwner *Owner) : Owner(Owner)
  {
    if (Owner)
      Owner->BeginStateChange();
  }
  ~TStateChange()
  {
    if (Owner)
      Owner->EndStateChange();
  }
  TStateChange(const TStateChange &) = delete;
  TStateChange &operator=(const TStateChange &) = delete;

private:
  IZrGeometryStateOwner *Owner;
};

void KeepImages(const TZrGraphicsDocument &Document, TZrPixelBuffer &Image,
                TZrPixelBuffer &Original)
{
  // A state that could not keep the pixels would undo to nothing.
  if (!Document.SaveImages(Image, &Original) || !Image.Bits)
    throw std::bad_alloc();
}

} // namespace

// Turns and flips

TZrRotateCommandState::TZrRotateCommandState(IZrGraphicsDocumentListener *Tool,
                                             TZrGraphicsDocument &Document, uint8_t Operation,
                                             IZrGeometryStateOwner *Owner)
    : TZrCustomGraphicsCommandState(Tool, Document.GetVisibleRect(), Document),
      Operation(Operation), Owner(Owner)
{
  Document.Saved = false;
}

void TZrRotateCommandState::Undo()
{
  {
    TStateChange Change(Owner);
    PerformRotateOperation(Document, InverseRotateOperation(Operation));
  }
  TZrCustomGraphicsCommandState::Undo();
}

void TZrRotateCommandState::Redo()
{
  {
    TStateChange Change(Owner);
    Document.Saved = false;
    PerformRotateOperation(Document, Operation);
  }
  TZrCustomGraphicsCommandState::Redo();
}

// Resize

TZrResizeCommandState::TZrResizeCommandState(IZrGraphicsDocumentListener *Tool,
                                             TZrGraphicsDocument &Document, int32_t Width,
                                             int32_t Height, IZrGeometryStateOwner *Owner)
    : TZrCustomGraphicsCommandState(Tool, Document.GetVisibleRect(), Document), Width(Width),
      Height(Height), QuickDraft(QuickDraftResampling), LosslessBefore(Document.CopyLossless()),
      Owner(Owner)
{
  Document.Saved = false;
  KeepImages(Document, ImageBefore, OriginalBefore);
}

void TZrResizeCommandState::Undo()
{
  {
    TStateChange Change(Owner);
    if (Document.RestoreImages(ImageBefore, OriginalBefore.Bits ? &OriginalBefore : nullptr)) {
      Document.RestoreLossless(LosslessBefore.get());
      Document.SetCropRect(Rect);
    }
  }
  TZrCustomGraphicsCommandState::Undo();
}

void TZrResizeCommandState::Redo()
{
  {
    TStateChange Change(Owner);
    Document.Saved = false;
    const bool Draft = QuickDraftResampling;
    QuickDraftResampling = QuickDraft;
    Document.ResizeImage(Width, Height, true, true);
    QuickDraftResampling = Draft;
  }
  TZrCustomGraphicsCommandState::Redo();
}

// Crop

TZrCrop2PlusCommandState::TZrCrop2PlusCommandState(IZrGraphicsDocumentListener *Tool,
                                                   TZrGraphicsDocument &Document,
                                                   const TZrRect &CropRect)
    : TZrCustomGraphicsCommandState(Tool, CropRect, Document),
      CropRectBefore(Document.GetVisibleRect()), LosslessBefore(Document.CopyLossless())
{
  KeepImages(Document, ImageBefore, OriginalBefore);
  Document.Saved = false;
}

void TZrCrop2PlusCommandState::Undo()
{
  if (Document.RestoreImages(ImageBefore, OriginalBefore.Bits ? &OriginalBefore : nullptr)) {
    Document.RestoreLossless(LosslessBefore.get());
    Document.SetCropRect(CropRectBefore);
  }
  TZrCustomGraphicsCommandState::Undo();
}

void TZrCrop2PlusCommandState::Redo()
{
  Document.Crop(Rect);
  Document.Saved = false;
  TZrCustomGraphicsCommandState::Redo();
}

} // namespace facette
