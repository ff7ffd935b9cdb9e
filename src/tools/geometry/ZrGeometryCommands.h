// The undo states of the whole-image tools: quarter turns and flips, resize,
// crop and straightening. Each is created right after (or, for resize and
// crop, right before) its operation is done on the document, and undoes and
// redoes it exactly: a turn or flip by its inverse (no pixels are kept), a
// resize or crop from the pixels of before (the resampled result is made
// again on redo), a straightening from the pixels of both sides.
#pragma once

#include "editor/ZrGraphicsDocument.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <memory>

namespace facette {

// What a geometry state tells the tool it belongs to around an undo or a
// redo (the user interface shows the busy cursor meanwhile and rebuilds its
// previews after it). May be nil.
class IZrGeometryStateOwner
{
public:
  virtual ~IZrGeometryStateOwner() = default;
  virtual void BeginStateChange() {}
  virtual void EndStateChange() {}
};

// Quarter turns and flips, by the codes the rotate tool and its undo state
// use.
enum : uint8_t
{
  roNone = 0,
  roRotateLeft = 1,
  roRotateRight = 2,
  roFlipHorizontal = 3,
  roFlipVertical = 4,
  // Half a turn: what a quarter turn becomes where the size must stay.
  roRotate180 = 5,
};

// Performs the operation on the document (image, original, crop rectangle
// and lossless record); false when nothing was done.
bool PerformRotateOperation(TZrGraphicsDocument &Document, uint8_t Operation);
// The operation that takes it back.
uint8_t InverseRotateOperation(uint8_t Operation);

class TZrRotateCommandState : public TZrCustomGraphicsCommandState
{
public:
  // The operation was just done on Document.
  TZrRotateCommandState(IZrGraphicsDocumentListener *Tool, TZrGraphicsDocument &Document,
                        uint8_t Operation, IZrGeometryStateOwner *Owner = nullptr);
  void Undo() override;
  void Redo() override;

  const uint8_t Operation;

private:
  IZrGeometryStateOwner *Owner;
};

class TZrResizeCommandState : public TZrCustomGraphicsCommandState
{
public:
  // Keeps the image, the original and the lossless record before the
  // resize to Width x Height. Throws std::bad_alloc when the copies cannot
  // be had.
  TZrResizeCommandState(IZrGraphicsDocumentListener *Tool, TZrGraphicsDocument &Document,
                        int32_t Width, int32_t Height, IZrGeometryStateOwner *Owner = nullptr);
  void Undo() override;
  void Redo() override;

  TZrPixelBuffer ImageBefore;
  TZrPixelBuffer OriginalBefore;
  const int32_t Width;
  const int32_t Height;
  // Redo resamples with the filter the resize had.
  const bool QuickDraft;

private:
  std::unique_ptr<IZrLosslessJPEG> LosslessBefore;
  IZrGeometryStateOwner *Owner;
};

class TZrCrop2PlusCommandState : public TZrCustomGraphicsCommandState
{
public:
  // Keeps image, original, visible rectangle and lossless record before a
  // crop to CropRect. Throws std::bad_alloc when the copies cannot be had.
  TZrCrop2PlusCommandState(IZrGraphicsDocumentListener *Tool, TZrGraphicsDocument &Document,
                           const TZrRect &CropRect);
  void Undo() override;
  void Redo() override;

  TZrPixelBuffer ImageBefore;
  TZrPixelBuffer OriginalBefore;
  const TZrRect CropRectBefore;

private:
  std::unique_ptr<IZrLosslessJPEG> LosslessBefore;
};

} // namespace facette
