// The open photograph: the working image, the original kept geometrically
// in step with it, the backup that undo snapshots are cut from, a pending
// crop rectangle, the file's metadata and the lossless-JPEG object of the
// file.
//
// Tools change the image through the edit protocol: BeginEdit, write into
// the working pixels reporting every changed rectangle (AddChangedRect),
// then Commit, which pushes one before/after snapshot of the union of
// those rectangles onto the history. Between edits the backup equals the
// image pixel for pixel; during an edit the two differ only inside
// ChangedRect. Whole-image operations keep image, original, backup, crop
// rectangle and lossless object consistent, and either complete or leave
// the document as it was.
#pragma once

#include "document/ZrCommandHistory.h"
#include "document/ZrDocument.h"
#include "editor/ZrMapMode.h"
#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"
#include "imaging/ZrImageMetadata.h"
#include "imaging/ZrLosslessJPEG.h"
#include "imaging/ZrLTBitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace facette {

class TZrGraphicsDocument;

// What the document tells the graphics tools. The tool framework
// implements it; the document reaches the tools through its host.
class IZrGraphicsDocumentListener
{
public:
  virtual ~IZrGraphicsDocumentListener() = default;
  // The tool that opened the document's edit is asked to finish it
  // (commit and close) because another edit begins or the document ends it.
  virtual void EndEdit() = 0;
  virtual void DocumentOpened(TZrGraphicsDocument &) {}
  virtual void DocumentClosing(TZrGraphicsDocument &) {}
  virtual void DocumentSaving(TZrGraphicsDocument &) {}
  // Any state may be nil.
  virtual void BeforeUndo(TZrCommandState *) {}
  virtual void AfterUndo(TZrCommandState *) {}
  virtual void BeforeRedo(TZrCommandState *) {}
  virtual void AfterRedo(TZrCommandState *) {}
  // A graphics command state was created, undone or redone.
  virtual void StateApplied(TZrGraphicsDocument &, IZrGraphicsDocumentListener * /*Tool*/,
                            const TZrRect &)
  {}
  // The image's memory was replaced: pixel windows fetched earlier are
  // stale. Told to the current tool.
  virtual void PixelWindowsReplaced(TZrGraphicsDocument &) {}
};

// What the document needs of its view window.
class IZrGraphicsViewLink
{
public:
  // Destroying the link destroys the view window if it still exists.
  virtual ~IZrGraphicsViewLink() = default;
  virtual TZrDocumentView *Widget() = 0;
  virtual const TZrMapMode &ViewMapMode() const = 0;
  // Repaints that window area (without erasing).
  virtual void InvalidateWindowRect(const TZrRect &Rect) = 0;
  // The pixels of that image rectangle changed (drawing caches drop them).
  virtual void ImagePixelsChanged(const TZrRect &ImageRect) = 0;
  // Size, memory or visible rectangle of the image changed.
  virtual void ImageChanged() = 0;
};

// What the document needs of the graphics editor that hosts it.
class IZrGraphicsDocumentHost
{
public:
  virtual ~IZrGraphicsDocumentHost() = default;
  // The graphics tools in module order.
  virtual std::vector<IZrGraphicsDocumentListener *> GraphicsTools() = 0;
  virtual IZrGraphicsDocumentListener *CurrentTool() = 0;
  // The W and H status panels.
  virtual void ShowImageSize(int32_t Width, int32_t Height) = 0;
  // Creates the view window of the document; nil when there is none.
  virtual std::unique_ptr<IZrGraphicsViewLink> CreateGraphicsView(TZrGraphicsDocument &Doc) = 0;
};

// What a format list hands the document after decoding a file.
struct TZrLoadedImage
{
  // 24-bit and not empty.
  std::unique_ptr<TZrLTBitmap> Image;
  std::unique_ptr<TZrImageMetadataHolder> Metadata;
  std::unique_ptr<IZrLosslessJPEG> LosslessJPEG;
};

// What a format list writes: the visible part of the working image (a
// window into its memory, positioned at the visible rectangle's image
// coordinates), with the metadata and the lossless object.
struct TZrImageToSave
{
  TZrPixels Pixels;
  const TZrImageMetadataHolder *Metadata = nullptr;
  IZrLosslessJPEG *LosslessJPEG = nullptr;
};

// Crop rectangle under quarter turns and flips of a Width x Height image
// (the size before the operation).
TZrRect RotateCropLeft(const TZrRect &Crop, int32_t Width);
TZrRect RotateCropRight(const TZrRect &Crop, int32_t Height);
TZrRect FlipCropHorizontal(const TZrRect &Crop, int32_t Width);
TZrRect FlipCropVertical(const TZrRect &Crop, int32_t Height);
// Crop rectangle of a W0 x H0 image resized to W x H: edges scaled inwards
// (left and top rounded up, right and bottom down) so that it never grows
// past the scaled image.
TZrRect ScaleCrop(const TZrRect &Crop, int32_t W0, int32_t H0, int32_t W, int32_t H);

// Image, original, backup and crop rectangle of a document, held outside
// it while a tool lets the document show stand-ins (see ExchangeImages).
struct TZrImageSet
{
  std::unique_ptr<TZrLTBitmap> Image;
  std::unique_ptr<TZrLTBitmap> Original;
  TZrPixelBuffer Backup;
  TZrRect CropRect;
};

class TZrGraphicsDocument : public TZrDocument
{
public:
  // Host may be nil: no tools, no view, no status.
  TZrGraphicsDocument(IZrDocumentEditor &Editor, IZrGraphicsDocumentHost *Host);
  ~TZrGraphicsDocument() override;

  IZrGraphicsDocumentHost *Host() const { return Host_; }

  // The working image (always 24-bit) and the original as opened,
  // transformed with every geometric operation. Their pixel windows are
  // replaced by every operation that changes the size or turns the image:
  // fetch them again after one.
  //
  // Turns and flips do only the working image at once: the original takes
  // them (all of them together) when it is next asked for, so that turning
  // a photo costs one pass over its pixels, and four turns none over the
  // original's.
  TZrLTBitmap &Image() const { return *Image_; }
  TZrLTBitmap &Original() const
  {
    SettleOriginal();
    return *Original_;
  }
  TZrPixels *ImagePixels() const { return Image_->GetPixels(); }
  TZrPixels *OriginalPixels() const { return Original().GetPixels(); }
  // Copy of Image as of the last snapshot. After a turn or flip it is
  // brought up to date, in its own memory, when it is first asked for.
  TZrPixelBuffer &Backup()
  {
    if (BackupStale_)
      ResetBackup();
    return Backup_;
  }
  // Whether the backup of a photo just opened is still to be made. The
  // view makes it once the photo is shown (PrepareBackup), so that neither
  // the first paint nor the first stroke waits for it.
  bool BackupAwaited() const { return BackupStale_ && !Backup_.Bits && HasImage(); }
  void PrepareBackup() { (void)Backup(); }
  const TZrImageMetadataHolder *Properties() const { return Properties_.get(); }
  IZrLosslessJPEG *LosslessJPEG() const { return LosslessJPEG_.get(); }
  bool HasImage() const { return Image_->GetPixels() != nullptr; }
  TZrRect ImageBounds() const { return Image_->GetBounds(); }

  // Loading and saving, for the format list. AdoptLoadedImage takes the
  // decoded image as working image, copies it as original (the backup is
  // made when first needed, not before the photo is shown), keeps metadata and lossless object and
  // clears crop and edit; false (document unchanged) for an empty or non-24-bit image or when
  // memory is short.
  bool AdoptLoadedImage(TZrLoadedImage Loaded);
  TZrImageToSave ImageToSave() const;

  // Document notifications, passed on to every tool.
  void CreateView(TZrDocumentView *&NewView) override;
  void AfterOpen() override;
  void BeforeSave() override;
  void BeforeClose() override;
  // Asks the format's options first (a cancel changes nothing), then tells
  // the tools (they commit pending work), then writes.
  bool SaveToFile(const std::filesystem::path &Name, int32_t NewFormat) override;

  // Edit protocol.
  bool Editing() const { return Editing_; }
  IZrGraphicsDocumentListener *EditTool() const { return EditTool_; }
  const TZrRect &ChangedRect() const { return ChangedRect_; }
  // An edit still open is finished by its tool first (one snapshot).
  // An edit that may paint pixels (Paints) first brings a backup left out
  // of date by opening or a turn up to date, since its undo step takes the
  // pixels before the edit from there. A quarter turn or flip, which
  // records its own undo step and reads no pixel window, passes false, so
  // that what the document owes of earlier turns can wait.
  void BeginEdit(IZrGraphicsDocumentListener *Tool, bool Paints = true);
  // Closes the edit; with NotifyTool the editing tool is asked to finish
  // it (commit) before, otherwise its pixels simply stay in the image.
  void EndEdit(bool NotifyTool = false);
  void ClearEdit();
  void AddChangedRect(const TZrRect &Rect, bool Replace);
  // Repaints what shows the pixels of Rect.
  void InvalidateImageRect(const TZrRect &Rect);
  void InvalidateImage() { InvalidateImageRect(ImageBounds()); }
  // Backup := copy of the image; false when memory is short.
  bool ResetBackup();
  // The snapshot of the changed rectangle: one state on the history (nil
  // and nothing done when nothing changed), backup brought up to date.
  // ChangedRect stays as it is.
  TZrCommandState *Commit(IZrGraphicsDocumentListener *Tool);
  // The same with a state of the tool's own making (MakeState gets the
  // changed rectangle inside the image, and cuts its "before" from the
  // backup, which is brought up to date only afterwards).
  using TStateMaker = std::function<std::unique_ptr<TZrCommandState>(const TZrRect &)>;
  TZrCommandState *Commit(const TStateMaker &MakeState);
  // Undo and redo of a snapshot: the image takes Pixels over their bounds
  // and is repainted there; the backup follows.
  void RestorePixels(const TZrPixels &Pixels);

  // Whole-image operations. Each ends with the backup refilled from the
  // image and ImageChanged; false when nothing was done.
  bool RotateLeft();
  bool RotateRight();
  bool FlipHorizontal();
  bool FlipVertical();
  bool Crop(const TZrRect &Rect);
  // Progress hears of each image resampled (Done of Total).
  bool ResizeImage(int32_t Width, int32_t Height, bool ResizeOriginal, bool ScaleCropRect,
                   const std::function<void(int32_t Done, int32_t Total)> &Progress = {});
  bool SetCanvasSize(int32_t Width, int32_t Height, bool ResizeOriginal);
  // Image (and Original when given) take the buffers' size and pixels.
  bool RestoreImages(const TZrPixels &ImageBuffer, const TZrPixels *OriginalBuffer);
  // Copies Image (and Original when OriginalBuffer is given) into the
  // buffers, each re-allocated to the bitmap's format and bounds.
  bool SaveImages(TZrPixelBuffer &ImageBuffer, TZrPixelBuffer *OriginalBuffer) const;
  // A copy of what the lossless object records (nil without one), and such
  // a copy put back. An undo that brings back the pixels of before a crop,
  // resize or straightening brings the record of before back with them, so
  // the image saves without recompression again where it did then.
  std::unique_ptr<IZrLosslessJPEG> CopyLossless() const;
  void RestoreLossless(const IZrLosslessJPEG *Record);
  // Exchanges image, original, backup and crop rectangle with those of Set
  // without copying a pixel, so that a tool can show a stand-in (a shrunk
  // preview) and later put the real images back in no time. Set's backup
  // must hold its image's pixels; when it does not cover the image it is
  // made by copying. Call with no edit open. False, nothing exchanged,
  // when Set has no 24-bit image or the backup's memory cannot be had.
  bool ExchangeImages(TZrImageSet &Set);

  // Crop rectangle and view.
  TZrRect GetVisibleRect() const;
  const TZrRect &CropRect() const { return CropRect_; }
  bool HasCropRect() const { return !CropRect_.IsEmpty(); }
  void SetCropRect(const TZrRect &Rect);
  void ClearCropRect();
  // Image scaled (Lanczos) to the largest size of its aspect ratio that
  // fits MaxSize x MaxSize; nil without an image.
  std::unique_ptr<TZrLTBitmap> CreatePreview(int32_t MaxSize) const;
  void ImageChanged();
  IZrGraphicsViewLink *ViewLink() const { return Link.get(); }

  // Undo and redo broadcasts for the graphics editor.
  void NotifyBeforeUndo(TZrCommandState *State);
  void NotifyAfterUndo(TZrCommandState *State);
  void NotifyBeforeRedo(TZrCommandState *State);
  void NotifyAfterRedo(TZrCommandState *State);
  void NotifyStateApplied(IZrGraphicsDocumentListener *Tool, const TZrRect &Rect);

private:
  void ForEachTool(const std::function<void(IZrGraphicsDocumentListener &)> &Call);
  // Takes new image and original (either may be nil: kept) and refills the
  // backup; false, nothing replaced, when the backup's memory is short.
  bool Replace(std::unique_ptr<TZrLTBitmap> NewImage, std::unique_ptr<TZrLTBitmap> NewOriginal);
  // Takes NewImage with a backup made for it first; false, nothing taken,
  // when the backup's memory is short.
  bool TakeWithNewBackup(std::unique_ptr<TZrLTBitmap> &NewImage);
  // After a turn or flip of the image (Turn is one of the orientation
  // steps of the .cpp): the backup is refilled later in its own memory
  // when that can hold the image, else now; the original turns later.
  // False, nothing changed, when the backup's memory is short.
  bool Reoriented(std::unique_ptr<TZrLTBitmap> NewImage, uint8_t (*Turn)(uint8_t));
  // The image turned a quarter (the original and backup follow later).
  bool Turn(bool Clockwise);
  // Does the turns and flips the original still owes.
  void SettleOriginal() const;
  // The current tool gets the new pixel windows, the view and the status
  // the new image.
  void Finish();
  void TellLossless(const std::function<void(IZrLosslessJPEG &)> &Call);

  IZrGraphicsDocumentHost *Host_;
  std::unique_ptr<IZrGraphicsViewLink> Link;
  TZrRect CropRect_;
  std::unique_ptr<IZrLosslessJPEG> LosslessJPEG_;
  TZrRect ChangedRect_;
  bool Editing_ = false;
  IZrGraphicsDocumentListener *EditTool_ = nullptr;
  std::unique_ptr<TZrLTBitmap> Image_;
  // Settled on demand, hence mutable.
  mutable std::unique_ptr<TZrLTBitmap> Original_;
  // The orientation the original still has to take (0 none).
  mutable uint8_t OriginalTurn_ = 0;
  TZrPixelBuffer Backup_;
  bool BackupStale_ = false;
  std::unique_ptr<TZrImageMetadataHolder> Properties_;
};

// A recorded change of a graphics document; telling the tools when it is
// created, undone and redone.
class TZrCustomGraphicsCommandState : public TZrCommandState
{
public:
  TZrCustomGraphicsCommandState(IZrGraphicsDocumentListener *Tool, const TZrRect &Rect,
                                TZrGraphicsDocument &Document);
  void Undo() override;
  void Redo() override;

  IZrGraphicsDocumentListener *const Tool;
  TZrGraphicsDocument &Document;
  const TZrRect Rect;
};

// The snapshot of one edit: the pixels of Rect before and after.
class TZrGraphicsCommandState : public TZrCustomGraphicsCommandState
{
public:
  // Cuts Before from the document's backup and After from its image;
  // throws std::bad_alloc when the memory cannot be had.
  TZrGraphicsCommandState(IZrGraphicsDocumentListener *Tool, const TZrRect &Rect,
                          TZrGraphicsDocument &Document);
  void Undo() override;
  void Redo() override;

  TZrPixelBuffer Before;
  TZrPixelBuffer After;

private:
  void Apply(const TZrPixelBuffer &Pixels);
};

} // namespace facette
