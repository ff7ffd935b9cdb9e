#include "editor/ZrGraphicsDocument.h"

#include "document/ZrFileFormats.h"
#include "imaging/ZrGeometry.h"
#include "imaging/ZrResample.h"

#include <bit>
#include <cmath>
#include <new>
#include <utility>

namespace facette {

// Crop rectangle transforms

TZrRect RotateCropLeft(const TZrRect &Crop, int32_t Width)
{
  return TZrRect{Crop.Top, Width - Crop.Right, Crop.Bottom, Width - Crop.Left};
}

TZrRect RotateCropRight(const TZrRect &Crop, int32_t Height)
{
  return TZrRect{Height - Crop.Bottom, Crop.Left, Height - Crop.Top, Crop.Right};
}

TZrRect FlipCropHorizontal(const TZrRect &Crop, int32_t Width)
{
  return TZrRect{Width - Crop.Right, Crop.Top, Width - Crop.Left, Crop.Bottom};
}

TZrRect FlipCropVertical(const TZrRect &Crop, int32_t Height)
{
  return TZrRect{Crop.Left, Height - Crop.Bottom, Crop.Right, Height - Crop.Top};
}

namespace {

// Floor and ceiling of A * B / C for C > 0, exactly.
int32_t FloorMulDiv(int32_t A, int32_t B, int32_t C)
{
  const int64_t P = static_cast<int64_t>(A) * B;
  int64_t Q = P / C;
  if (P % C != 0 && P < 0)
    --Q;
  return static_cast<int32_t>(Q);
}

int32_t CeilMulDiv(int32_t A, int32_t B, int32_t C)
{
  const int64_t P = static_cast<int64_t>(A) * B;
  int64_t Q = P / C;
  if (P % C != 0 && P > 0)
    ++Q;
  return static_cast<int32_t>(Q);
}

} // namespace

TZrRect ScaleCrop(const TZrRect &Crop, int32_t W0, int32_t H0, int32_t W, int32_t H)
{
  if (W0 <= 0 || H0 <= 0)
    return {};
  return TZrRect{CeilMulDiv(Crop.Left, W, W0), CeilMulDiv(Crop.Top, H, H0),
                 FloorMulDiv(Crop.Right, W, W0), FloorMulDiv(Crop.Bottom, H, H0)};
}

namespace {

// New bitmaps for the whole-image operations. Each operation builds its
// results completely before anything of the document is replaced, so a
// shortage of memory leaves image and original as they were and never out
// of step with each other.

std::unique_ptr<TZrLTBitmap> NewBitmap(int32_t Width, int32_t Height)
{
  auto Bitmap = std::make_unique<TZrLTBitmap>();
  if (Width <= 0 || Height <= 0 || !Bitmap->SetSize(Width, Height, pf24bit) || !Bitmap->GetPixels())
    return nullptr;
  return Bitmap;
}

bool Usable(const TZrLTBitmap &Bitmap)
{
  const TZrPixels *Pixels = Bitmap.GetPixels();
  return Pixels && Pixels->Bits && Pixels->PixelFormat == pf24bit;
}

std::unique_ptr<TZrLTBitmap> Turned(const TZrLTBitmap &Source, bool Clockwise)
{
  auto Result = NewBitmap(Source.GetHeight(), Source.GetWidth());
  if (!Result || !RotatePixels(*Source.GetPixels(), *Result->GetPixels(), Clockwise))
    return nullptr;
  return Result;
}

std::unique_ptr<TZrLTBitmap> Cut(const TZrLTBitmap &Source, const TZrRect &Rect)
{
  auto Result = NewBitmap(Rect.Width(), Rect.Height());
  if (Result)
    Result->GetPixels()->CopyRect(0, 0, *Source.GetPixels(), Rect);
  return Result;
}

std::unique_ptr<TZrLTBitmap> Placed(const TZrLTBitmap &Source, int32_t Width, int32_t Height)
{
  auto Result = NewBitmap(Width, Height);
  if (Result)
    Result->GetPixels()->CopyFrom(*Source.GetPixels());
  return Result;
}

std::unique_ptr<TZrLTBitmap> Resampled(const TZrLTBitmap &Source, int32_t Width, int32_t Height)
{
  auto Result = NewBitmap(Width, Height);
  if (!Result)
    return nullptr;
  const TZrRect Target = Result->GetBounds();
  const bool Done =
      QuickDraftResampling
          ? ResamplePixels(*Result->GetPixels(), Target, Target, TQuickDraftResampler(),
                           Source.GetBounds(), *Source.GetPixels())
          : ResamplePixels(*Result->GetPixels(), Target, Target, TLanczosResampler(),
                           Source.GetBounds(), *Source.GetPixels());
  return Done ? std::move(Result) : nullptr;
}

// Orientations of the original relative to its pixels, as the steps that
// compose them leave them: the axes swapped, the current x axis running
// against the stored one, the current y axis running against it.
enum : uint8_t
{
  oTransposed = 1,
  oMirrorX = 2,
  oMirrorY = 4,
};

// A quarter turn clockwise after Orientation: new (x, y) = (H - 1 - y, x).
uint8_t TurnedRight(uint8_t Orientation)
{
  const bool X = Orientation & oMirrorX, Y = Orientation & oMirrorY;
  uint8_t Result = (Orientation ^ oTransposed) & oTransposed;
  if (!Y)
    Result |= oMirrorX;
  if (X)
    Result |= oMirrorY;
  return Result;
}

// A quarter turn counter-clockwise: new (x, y) = (y, W - 1 - x).
uint8_t TurnedLeft(uint8_t Orientation)
{
  const bool X = Orientation & oMirrorX, Y = Orientation & oMirrorY;
  uint8_t Result = (Orientation ^ oTransposed) & oTransposed;
  if (Y)
    Result |= oMirrorX;
  if (!X)
    Result |= oMirrorY;
  return Result;
}

uint8_t FlippedHorizontally(uint8_t Orientation)
{
  return Orientation ^ oMirrorX;
}

uint8_t FlippedVertically(uint8_t Orientation)
{
  return Orientation ^ oMirrorY;
}

std::unique_ptr<TZrLTBitmap> Copied(const TZrPixels &Buffer)
{
  auto Result = NewBitmap(Buffer.Width, Buffer.Height);
  if (!Result || Buffer.PixelFormat != pf24bit || !Buffer.Bits)
    return nullptr;
  Result->GetPixels()->CopyRect(0, 0, Buffer, Buffer.GetBounds());
  return Result;
}

} // namespace

// Document

TZrGraphicsDocument::TZrGraphicsDocument(IZrDocumentEditor &Editor, IZrGraphicsDocumentHost *Host)
    : TZrDocument(Editor), Host_(Host), Image_(std::make_unique<TZrLTBitmap>()),
      Original_(std::make_unique<TZrLTBitmap>())
{}

TZrGraphicsDocument::~TZrGraphicsDocument()
{
  // The view goes first: it still unregisters itself from the document.
  Link.reset();
  View = nullptr;
}

void TZrGraphicsDocument::ForEachTool(
    const std::function<void(IZrGraphicsDocumentListener &)> &Call)
{
  if (!Host_)
    return;
  for (IZrGraphicsDocumentListener *Tool : Host_->GraphicsTools())
    if (Tool)
      Call(*Tool);
}

bool TZrGraphicsDocument::AdoptLoadedImage(TZrLoadedImage Loaded)
{
  if (!Loaded.Image || !Usable(*Loaded.Image))
    return false;
  std::unique_ptr<TZrLTBitmap> NewOriginal = Loaded.Image->Clone();
  if (!NewOriginal)
    return false;
  Image_ = std::move(Loaded.Image);
  Original_ = std::move(NewOriginal);
  OriginalTurn_ = 0;
  // The backup is made when a tool first asks for it, not before the photo
  // is first shown: a fresh copy of a large photo costs noticeably at
  // start-up.
  Backup_.Clear();
  BackupStale_ = true;
  Properties_ = std::move(Loaded.Metadata);
  LosslessJPEG_ = std::move(Loaded.LosslessJPEG);
  CropRect_ = {};
  ClearEdit();
  ImageChanged();
  return true;
}

TZrImageToSave TZrGraphicsDocument::ImageToSave() const
{
  TZrImageToSave Result;
  Result.Metadata = Properties_.get();
  Result.LosslessJPEG = LosslessJPEG_.get();
  const TZrPixels *Pixels = ImagePixels();
  if (!Pixels)
    return Result;
  const TZrRect Visible = GetVisibleRect();
  Result.Pixels.Init(Visible, Pixels->PixelPtr(Visible.Left, Visible.Top), Pixels->PixelFormat,
                     Pixels->Stride);
  return Result;
}

void TZrGraphicsDocument::CreateView(TZrDocumentView *&NewView)
{
  if (!Link && Host_)
    Link = Host_->CreateGraphicsView(*this);
  NewView = Link ? Link->Widget() : nullptr;
}

void TZrGraphicsDocument::AfterOpen()
{
  ForEachTool([this](IZrGraphicsDocumentListener &Tool) { Tool.DocumentOpened(*this); });
}

void TZrGraphicsDocument::BeforeSave()
{
  ForEachTool([this](IZrGraphicsDocumentListener &Tool) { Tool.DocumentSaving(*this); });
}

void TZrGraphicsDocument::BeforeClose()
{
  ForEachTool([this](IZrGraphicsDocumentListener &Tool) { Tool.DocumentClosing(*this); });
}

bool TZrGraphicsDocument::SaveToFile(const std::filesystem::path &Name, int32_t NewFormat)
{
  // The options dialog comes first: cancelling it must leave the tools'
  // pending work as it is.
  if (!Owner().Formats().PrepareSave(*this, NewFormat))
    return false;
  BeforeSave();
  return TZrDocument::SaveToFile(Name, NewFormat);
}

// Edit protocol

void TZrGraphicsDocument::BeginEdit(IZrGraphicsDocumentListener *Tool, bool Paints)
{
  if (Editing_ && EditTool_)
    EditTool_->EndEdit();
  ChangedRect_ = {};
  EditTool_ = Tool;
  Editing_ = true;
  // The undo step of a painting edit takes its "before" pixels from the
  // backup, so one left out of date is brought up to date before the tool
  // paints, whether or not the tool asks for it.
  if (Paints && BackupStale_)
    ResetBackup();
}

void TZrGraphicsDocument::EndEdit(bool NotifyTool)
{
  Editing_ = false;
  IZrGraphicsDocumentListener *Tool = EditTool_;
  if (NotifyTool && Tool)
    Tool->EndEdit();
  ChangedRect_ = {};
  EditTool_ = nullptr;
}

void TZrGraphicsDocument::ClearEdit()
{
  Editing_ = false;
  EditTool_ = nullptr;
  ChangedRect_ = {};
}

void TZrGraphicsDocument::AddChangedRect(const TZrRect &Rect, bool Replace)
{
  ChangedRect_ = Replace || ChangedRect_.IsEmpty() ? Rect : UnionRect(ChangedRect_, Rect);
  InvalidateImageRect(Rect);
}

void TZrGraphicsDocument::InvalidateImageRect(const TZrRect &Rect)
{
  if (!Link || Rect.IsEmpty())
    return;
  Link->ImagePixelsChanged(Rect);
  Link->InvalidateWindowRect(ImageRectToWindow(Link->ViewMapMode(), Rect));
}

bool TZrGraphicsDocument::ResetBackup()
{
  BackupStale_ = false;
  if (!HasImage()) {
    Backup_.Clear();
    return true;
  }
  // The memory it has is used again where it is large enough (after a turn
  // it always is).
  Backup_.SetPixelFormat(pf24bit);
  if (!Backup_.Reshape(ImageBounds()) || !Backup_.Bits)
    return false;
  Backup_.CopyFrom(*ImagePixels());
  return true;
}

TZrCommandState *TZrGraphicsDocument::Commit(IZrGraphicsDocumentListener *Tool)
{
  return Commit([this, Tool](const TZrRect &Rect) {
    return std::make_unique<TZrGraphicsCommandState>(Tool, Rect, *this);
  });
}

TZrCommandState *TZrGraphicsDocument::Commit(const TStateMaker &MakeState)
{
  // Rectangles reported past the image edge add nothing to keep.
  const TZrRect Rect = IntersectRect(ChangedRect_, ImageBounds());
  if (Rect.IsEmpty())
    return nullptr;
  std::unique_ptr<TZrCommandState> State = MakeState(Rect);
  Saved = false;
  TZrCommandState *Added = State.get();
  History.Add(std::move(State));
  if (!BackupStale_ && Backup_.Bits && Backup_.GetBounds() == ImageBounds())
    Backup_.CopyRect(Rect.Left, Rect.Top, *ImagePixels(), Rect);
  else if (!ResetBackup())
    throw std::bad_alloc();
  return Added;
}

// Whole-image operations

bool TZrGraphicsDocument::Replace(std::unique_ptr<TZrLTBitmap> NewImage,
                                  std::unique_ptr<TZrLTBitmap> NewOriginal)
{
  if (NewImage && Backup_.CanHold(NewImage->GetBounds())) {
    // The backup's own memory takes the new image: nothing to fail.
    Image_ = std::move(NewImage);
    ResetBackup();
  } else if (NewImage) {
    if (!TakeWithNewBackup(NewImage))
      return false;
  } else if (!ResetBackup()) {
    return false;
  }
  if (NewOriginal) {
    Original_ = std::move(NewOriginal);
    OriginalTurn_ = 0;
  }
  return true;
}

bool TZrGraphicsDocument::TakeWithNewBackup(std::unique_ptr<TZrLTBitmap> &NewImage)
{
  // The backup of the new image is had before anything is replaced.
  TZrPixelBuffer NewBackup;
  if (!NewBackup.Allocate(pf24bit, NewImage->GetBounds()) || !NewBackup.Bits)
    return false;
  NewBackup.CopyFrom(*NewImage->GetPixels());
  Image_ = std::move(NewImage);
  Backup_ = std::move(NewBackup);
  BackupStale_ = false;
  return true;
}

bool TZrGraphicsDocument::Reoriented(std::unique_ptr<TZrLTBitmap> NewImage,
                                     uint8_t (*Turn)(uint8_t))
{
  if (NewImage && !Backup_.CanHold(NewImage->GetBounds())) {
    // No memory of its own for the new orientation: the backup is made
    // now.
    if (!TakeWithNewBackup(NewImage))
      return false;
  } else {
    if (NewImage)
      Image_ = std::move(NewImage);
    BackupStale_ = true;
  }
  if (Usable(*Original_))
    OriginalTurn_ = Turn(OriginalTurn_);
  return true;
}

bool TZrGraphicsDocument::Turn(bool Clockwise)
{
  // While nothing is changed since the last snapshot the backup is a
  // second copy of the image, so its memory can take the turned image and
  // then hold the old one, out of date until it is asked for: the turn
  // needs no memory of its own. (A stale backup is no copy, but its memory
  // serves the same.)
  if (Backup_.Bits && ChangedRect_.IsEmpty() && Image_->RotateUsing(Backup_, Clockwise)) {
    BackupStale_ = true;
    if (Usable(*Original_))
      OriginalTurn_ = (Clockwise ? TurnedRight : TurnedLeft)(OriginalTurn_);
    return true;
  }
  auto NewImage = Turned(*Image_, Clockwise);
  return NewImage && Reoriented(std::move(NewImage), Clockwise ? TurnedRight : TurnedLeft);
}

void TZrGraphicsDocument::SettleOriginal() const
{
  if (!OriginalTurn_)
    return;
  const uint8_t Wanted = std::exchange(OriginalTurn_, 0);
  if (!Usable(*Original_))
    return;
  uint8_t Done = 0;
  if (Wanted & oTransposed) {
    // The quarter turn that leaves the fewer flips to do.
    const auto Flips = [Wanted](uint8_t Turned) {
      return std::popcount(static_cast<unsigned>((Turned ^ Wanted) & (oMirrorX | oMirrorY)));
    };
    const bool Clockwise = Flips(TurnedRight(0)) <= Flips(TurnedLeft(0));
    auto NewOriginal = Turned(*Original_, Clockwise);
    if (!NewOriginal) {
      // No memory for it: no original rather than one that shows the photo
      // the wrong way round.
      Original_->Clear();
      return;
    }
    Original_ = std::move(NewOriginal);
    Done = Clockwise ? TurnedRight(0) : TurnedLeft(0);
  }
  if ((Done ^ Wanted) & oMirrorX)
    Original_->FlipHorizontal();
  if ((Done ^ Wanted) & oMirrorY)
    Original_->FlipVertical();
}

void TZrGraphicsDocument::TellLossless(const std::function<void(IZrLosslessJPEG &)> &Call)
{
  if (LosslessJPEG_ && LosslessJPEG_->HasImage())
    Call(*LosslessJPEG_);
}

void TZrGraphicsDocument::Finish()
{
  if (Host_)
    if (IZrGraphicsDocumentListener *Tool = Host_->CurrentTool())
      Tool->PixelWindowsReplaced(*this);
  ImageChanged();
}

bool TZrGraphicsDocument::RotateLeft()
{
  if (!HasImage())
    return false;
  const int32_t Width = Image_->GetWidth();
  if (!Turn(false))
    return false;
  if (HasCropRect())
    CropRect_ = RotateCropLeft(CropRect_, Width);
  TellLossless([](IZrLosslessJPEG &Lossless) { Lossless.RotateLeft(); });
  Finish();
  return true;
}

bool TZrGraphicsDocument::RotateRight()
{
  if (!HasImage())
    return false;
  const int32_t Height = Image_->GetHeight();
  if (!Turn(true))
    return false;
  if (HasCropRect())
    CropRect_ = RotateCropRight(CropRect_, Height);
  TellLossless([](IZrLosslessJPEG &Lossless) { Lossless.RotateRight(); });
  Finish();
  return true;
}

bool TZrGraphicsDocument::FlipHorizontal()
{
  if (!Usable(*Image_))
    return false;
  // In place: no memory needed, so the flip cannot fail halfway.
  Image_->FlipHorizontal();
  Reoriented(nullptr, FlippedHorizontally);
  if (HasCropRect())
    CropRect_ = FlipCropHorizontal(CropRect_, Image_->GetWidth());
  TellLossless([](IZrLosslessJPEG &Lossless) { Lossless.FlipHorizontal(); });
  Finish();
  return true;
}

bool TZrGraphicsDocument::FlipVertical()
{
  if (!Usable(*Image_))
    return false;
  Image_->FlipVertical();
  Reoriented(nullptr, FlippedVertically);
  if (HasCropRect())
    CropRect_ = FlipCropVertical(CropRect_, Image_->GetHeight());
  TellLossless([](IZrLosslessJPEG &Lossless) { Lossless.FlipVertical(); });
  Finish();
  return true;
}

bool TZrGraphicsDocument::Crop(const TZrRect &Rect)
{
  SettleOriginal();
  if (!HasImage())
    return false;
  const TZrRect R = IntersectRect(Rect, ImageBounds());
  if (R.IsEmpty())
    return false;
  auto NewImage = Cut(*Image_, R);
  if (!NewImage)
    return false;
  std::unique_ptr<TZrLTBitmap> NewOriginal;
  if (Usable(*Original_)) {
    // An original of another size is cut to what of R it has.
    const TZrRect OriginalPart = IntersectRect(R, Original_->GetBounds());
    if (!OriginalPart.IsEmpty() && !(NewOriginal = Cut(*Original_, OriginalPart)))
      return false;
  }
  if (!Replace(std::move(NewImage), std::move(NewOriginal)))
    return false;
  CropRect_ = {};
  // The exact rectangle: the lossless object decides itself whether it can
  // cut there on its block grid, so the file never shows a shifted region.
  TellLossless([&R](IZrLosslessJPEG &Lossless) { Lossless.Crop(R); });
  Finish();
  return true;
}

bool TZrGraphicsDocument::ResizeImage(int32_t Width, int32_t Height, bool ResizeOriginal,
                                      bool ScaleCropRect,
                                      const std::function<void(int32_t, int32_t)> &Progress)
{
  SettleOriginal();
  if (!HasImage() || Width <= 0 || Height <= 0)
    return false;
  const int32_t W0 = Image_->GetWidth(), H0 = Image_->GetHeight();
  std::unique_ptr<TZrLTBitmap> NewOriginal;
  const bool WithOriginal = ResizeOriginal && Usable(*Original_);
  if (WithOriginal) {
    int32_t OriginalWidth = Width, OriginalHeight = Height;
    if (Original_->GetWidth() != W0 || Original_->GetHeight() != H0) {
      OriginalWidth = std::max(1, static_cast<int32_t>(std::nearbyint(
                                      static_cast<double>(Original_->GetWidth()) * Width / W0)));
      OriginalHeight = std::max(1, static_cast<int32_t>(std::nearbyint(
                                       static_cast<double>(Original_->GetHeight()) * Height / H0)));
    }
    if (!(NewOriginal = Resampled(*Original_, OriginalWidth, OriginalHeight)))
      return false;
    if (Progress)
      Progress(1, 2);
  }
  auto NewImage = Resampled(*Image_, Width, Height);
  if (!NewImage)
    return false;
  if (Progress)
    Progress(WithOriginal ? 2 : 1, WithOriginal ? 2 : 1);
  if (!Replace(std::move(NewImage), std::move(NewOriginal)))
    return false;
  if (HasCropRect()) {
    // A crop left in the old coordinates would show the wrong part of the
    // resized image: it is scaled with it or dropped.
    const TZrRect Whole = ImageBounds();
    CropRect_ = ScaleCropRect ? IntersectRect(ScaleCrop(CropRect_, W0, H0, Width, Height), Whole)
                              : TZrRect{};
    if (CropRect_ == Whole)
      CropRect_ = {};
  }
  TellLossless([](IZrLosslessJPEG &Lossless) { Lossless.PixelsReplaced(); });
  Finish();
  return true;
}

bool TZrGraphicsDocument::SetCanvasSize(int32_t Width, int32_t Height, bool ResizeOriginal)
{
  SettleOriginal();
  if (!HasImage() || Width <= 0 || Height <= 0)
    return false;
  auto NewImage = Placed(*Image_, Width, Height);
  if (!NewImage)
    return false;
  std::unique_ptr<TZrLTBitmap> NewOriginal;
  if (ResizeOriginal && Usable(*Original_) && !(NewOriginal = Placed(*Original_, Width, Height)))
    return false;
  if (!Replace(std::move(NewImage), std::move(NewOriginal)))
    return false;
  CropRect_ = {};
  TellLossless(
      [Width, Height](IZrLosslessJPEG &Lossless) { Lossless.Crop(MakeRect(0, 0, Width, Height)); });
  Finish();
  return true;
}

bool TZrGraphicsDocument::RestoreImages(const TZrPixels &ImageBuffer,
                                        const TZrPixels *OriginalBuffer)
{
  auto NewImage = Copied(ImageBuffer);
  if (!NewImage)
    return false;
  std::unique_ptr<TZrLTBitmap> NewOriginal;
  if (OriginalBuffer && !(NewOriginal = Copied(*OriginalBuffer)))
    return false;
  if (!Replace(std::move(NewImage), std::move(NewOriginal)))
    return false;
  // A crop rectangle may not reach past the restored image; the callers
  // set the one they saved right after.
  CropRect_ = IntersectRect(CropRect_, ImageBounds());
  Finish();
  return true;
}

bool TZrGraphicsDocument::SaveImages(TZrPixelBuffer &ImageBuffer,
                                     TZrPixelBuffer *OriginalBuffer) const
{
  if (!Image_->SaveTo(ImageBuffer))
    return false;
  return !OriginalBuffer || Original().SaveTo(*OriginalBuffer);
}

std::unique_ptr<IZrLosslessJPEG> TZrGraphicsDocument::CopyLossless() const
{
  return LosslessJPEG_ ? LosslessJPEG_->Clone() : nullptr;
}

void TZrGraphicsDocument::RestoreLossless(const IZrLosslessJPEG *Record)
{
  if (Record)
    LosslessJPEG_ = Record->Clone();
}

bool TZrGraphicsDocument::ExchangeImages(TZrImageSet &Set)
{
  if (!Set.Image || !Usable(*Set.Image))
    return false;
  if (!Set.Backup.Bits || Set.Backup.PixelFormat != pf24bit ||
      Set.Backup.GetBounds() != Set.Image->GetBounds()) {
    if (!Set.Backup.Allocate(pf24bit, Set.Image->GetBounds()) || !Set.Backup.Bits)
      return false;
    Set.Backup.CopyFrom(*Set.Image->GetPixels());
  }
  if (!Set.Original)
    Set.Original = std::make_unique<TZrLTBitmap>();
  // Through the accessors, so that anything they keep pending for the
  // images leaving is settled before they change hands.
  (void)Original();
  (void)Backup();
  std::swap(Image_, Set.Image);
  std::swap(Original_, Set.Original);
  std::swap(Backup_, Set.Backup);
  std::swap(CropRect_, Set.CropRect);
  CropRect_ = IntersectRect(CropRect_, ImageBounds());
  if (CropRect_ == ImageBounds())
    CropRect_ = {};
  Finish();
  return true;
}

void TZrGraphicsDocument::RestorePixels(const TZrPixels &Pixels)
{
  TZrPixels *Image = ImagePixels();
  if (!Image)
    return;
  Image->CopyFrom(Pixels);
  InvalidateImageRect(Pixels.GetBounds());
  // Between edits the backup differs from the image only where the
  // snapshot just wrote; with an edit open the whole image is taken over.
  // (A backup left stale by a turn is no copy of the image: refilled.)
  if (!Editing_ && !BackupStale_ && Backup_.Bits && Backup_.GetBounds() == Image->GetBounds())
    Backup_.CopyFrom(Pixels);
  else
    ResetBackup();
}

// Crop rectangle and view

TZrRect TZrGraphicsDocument::GetVisibleRect() const
{
  return HasCropRect() ? CropRect_ : ImageBounds();
}

void TZrGraphicsDocument::SetCropRect(const TZrRect &Rect)
{
  const TZrRect Whole = ImageBounds();
  CropRect_ = IntersectRect(Rect, Whole);
  if (CropRect_ == Whole)
    CropRect_ = {};
  ImageChanged();
}

void TZrGraphicsDocument::ClearCropRect()
{
  if (!HasCropRect())
    return;
  CropRect_ = {};
  ImageChanged();
}

std::unique_ptr<TZrLTBitmap> TZrGraphicsDocument::CreatePreview(int32_t MaxSize) const
{
  int32_t Width = 0, Height = 0;
  if (!HasImage() ||
      !FitSize(Image_->GetWidth(), Image_->GetHeight(), MaxSize, MaxSize, Width, Height))
    return nullptr;
  auto Preview = NewBitmap(Width, Height);
  if (!Preview)
    return nullptr;
  const TZrRect Target = Preview->GetBounds();
  if (!ResamplePixels(*Preview->GetPixels(), Target, Target, TLanczosResampler(), ImageBounds(),
                      *ImagePixels()))
    return nullptr;
  return Preview;
}

void TZrGraphicsDocument::ImageChanged()
{
  if (Link)
    Link->ImageChanged();
  if (Host_)
    Host_->ShowImageSize(Image_->GetWidth(), Image_->GetHeight());
}

// Broadcasts

void TZrGraphicsDocument::NotifyBeforeUndo(TZrCommandState *State)
{
  ForEachTool([State](IZrGraphicsDocumentListener &Tool) { Tool.BeforeUndo(State); });
}

void TZrGraphicsDocument::NotifyAfterUndo(TZrCommandState *State)
{
  ForEachTool([State](IZrGraphicsDocumentListener &Tool) { Tool.AfterUndo(State); });
}

void TZrGraphicsDocument::NotifyBeforeRedo(TZrCommandState *State)
{
  ForEachTool([State](IZrGraphicsDocumentListener &Tool) { Tool.BeforeRedo(State); });
}

void TZrGraphicsDocument::NotifyAfterRedo(TZrCommandState *State)
{
  ForEachTool([State](IZrGraphicsDocumentListener &Tool) { Tool.AfterRedo(State); });
}

void TZrGraphicsDocument::NotifyStateApplied(IZrGraphicsDocumentListener *Tool, const TZrRect &Rect)
{
  ForEachTool([&](IZrGraphicsDocumentListener &Each) { Each.StateApplied(*this, Tool, Rect); });
}

// Command states

TZrCustomGraphicsCommandState::TZrCustomGraphicsCommandState(IZrGraphicsDocumentListener *Tool,
                                                             const TZrRect &Rect,
                                                             TZrGraphicsDocument &Document)
    : Tool(Tool), Document(Document), Rect(Rect)
{
  Document.NotifyStateApplied(Tool, Rect);
}

void TZrCustomGraphicsCommandState::Undo()
{
  Document.NotifyStateApplied(Tool, Rect);
}

void TZrCustomGraphicsCommandState::Redo()
{
  Document.NotifyStateApplied(Tool, Rect);
}

namespace {

void CutSnapshot(TZrPixelBuffer &Snapshot, const TZrRect &Rect, const TZrPixels &From)
{
  // A snapshot without its pixels would undo to black: better no state.
  if (!Snapshot.Allocate(pf24bit, Rect) || !Snapshot.Bits || !From.Bits)
    throw std::bad_alloc();
  Snapshot.CopyFrom(From);
}

} // namespace

TZrGraphicsCommandState::TZrGraphicsCommandState(IZrGraphicsDocumentListener *Tool,
                                                 const TZrRect &Rect, TZrGraphicsDocument &Document)
    : TZrCustomGraphicsCommandState(Tool, Rect, Document)
{
  CutSnapshot(Before, Rect, Document.Backup());
  const TZrPixels *Image = Document.ImagePixels();
  if (!Image)
    throw std::bad_alloc();
  CutSnapshot(After, Rect, *Image);
}

void TZrGraphicsCommandState::Apply(const TZrPixelBuffer &Pixels)
{
  Document.RestorePixels(Pixels);
}

void TZrGraphicsCommandState::Undo()
{
  Apply(Before);
  TZrCustomGraphicsCommandState::Undo();
}

void TZrGraphicsCommandState::Redo()
{
  Apply(After);
  Document.Saved = false;
  TZrCustomGraphicsCommandState::Redo();
}

} // namespace facette
