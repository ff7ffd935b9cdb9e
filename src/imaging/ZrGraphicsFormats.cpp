#include "imaging/ZrGraphicsFormats.h"

#include "framework/ZrLocalizer.h"
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"
#include "imaging/ZrResample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace facette {

namespace {

void SetError(std::string *Error, const std::string &Text)
{
  if (Error)
    *Error = Text;
}

// Fills the error text and the report of a load; returns whether the load
// succeeded (a partial picture does).
bool Report(std::string *Error, TZrLoadReport *Out, TZrImageProblem Problem,
            std::string Reason = {})
{
  const TZrLoadReport Result{Problem, std::move(Reason)};
  if (Problem != TZrImageProblem::None)
    SetError(Error, DescribeLoadProblem(Result));
  if (Out)
    *Out = Result;
  return Problem == TZrImageProblem::None;
}

int32_t RoundResolution(double Dpi)
{
  // Files that state no resolution are taken at the screen's usual 96.
  if (!(Dpi > 0) || Dpi > 1e6)
    return 96;
  return static_cast<int32_t>(std::nearbyint(Dpi));
}

// A JPEG without a JFIF or Exif header at its start (CMYK files carry an
// Adobe segment instead) gets a JFIF segment, so that its ZRI form is
// recognised again.
void EnsureZRIRecognisable(std::vector<uint8_t> &Bytes)
{
  if (IsJPEGHeader(Bytes.data(), Bytes.size()))
    return;
  static const uint8_t JFIF[18] = {0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                                   0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
  Bytes.insert(Bytes.begin() + 2, JFIF, JFIF + sizeof(JFIF));
}

// The decoded image of a file in memory, for previews: JPEG files at the
// smallest of TurboJPEG's scales that still covers MinWidth x MinHeight.
// A ZRI file's header is complemented back in Bytes first.
bool DecodeForPreview(std::vector<uint8_t> &Bytes, TZrImageKind Kind, int32_t MinWidth,
                      int32_t MinHeight, TZrLTBitmap &Image)
{
  switch (Kind) {
  case TZrImageKind::ZRI:
  case TZrImageKind::JPEG:
    return DecodeJPEGScaled(Bytes.data(), Bytes.size(), MinWidth, MinHeight, Image);
  case TZrImageKind::PNG:
    return DecodePNG(Bytes.data(), Bytes.size(), Image);
  case TZrImageKind::TIFF:
    return DecodeTIFF(Bytes.data(), Bytes.size(), Image);
  case TZrImageKind::BMP:
    return DecodeBMP(Bytes.data(), Bytes.size(), Image);
  default:
    return false;
  }
}

// The visible part of Image's pixels, in place (no copy is made), with its
// top left at (0, 0).
bool VisiblePixels(const TZrGraphicsImage &Image, TZrPixels &Window)
{
  const TZrPixels *All = Image.Image.GetPixels();
  const TZrRect Visible = Image.GetVisibleRect();
  if (!All || Visible.IsEmpty())
    return false;
  Window.Init(MakeRect(0, 0, Visible.Width(), Visible.Height()),
              All->PixelPtr(Visible.Left, Visible.Top), All->PixelFormat, All->Stride);
  return true;
}

bool StartsAsExchange(const std::filesystem::path &FileName)
{
  // Opened without waiting: a named pipe would block until a writer came.
  // What is not a regular file is left to ReadFileBytes to refuse.
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (Fd < 0)
    return false;
  uint8_t Head[4] = {};
  struct stat Info;
  const bool Read = ::fstat(Fd, &Info) == 0 && S_ISREG(Info.st_mode) &&
                    ::read(Fd, Head, sizeof Head) == static_cast<ssize_t>(sizeof Head);
  ::close(Fd);
  return Read && SniffImageKind(Head, sizeof Head) == TZrImageKind::Exchange;
}

} // namespace

std::string DescribeLoadProblem(const TZrLoadReport &Report)
{
  switch (Report.Problem) {
  case TZrImageProblem::None:
    return {};
  case TZrImageProblem::Missing:
    return "no such file";
  case TZrImageProblem::Unreadable:
    return "cannot read the file" + (Report.Reason.empty() ? "" : ": " + Report.Reason);
  case TZrImageProblem::Unsupported:
    if (Report.Reason.empty())
      return "not a supported image file";
    return "this kind of image is not supported (" + Report.Reason + ")";
  case TZrImageProblem::Damaged:
    return "the image cannot be decoded: the file is damaged or incomplete";
  case TZrImageProblem::TooLarge:
    return "the image is too large (at most " + std::to_string(MaxImageSide) +
           " pixels a side and " + std::to_string(MaxImagePixels / 1000000) + " megapixels)";
  case TZrImageProblem::OutOfMemory:
    return "not enough memory for the image";
  }
  return {};
}

int JpegQualityPresetIndex(int32_t Quality)
{
  int Index = 0;
  for (size_t I = 0; I < JpegQualityPresets.size(); ++I)
    if (JpegQualityPresets[I] <= Quality)
      Index = static_cast<int>(I);
  return Index;
}

std::string DescribeImageFile(const std::filesystem::path &FileName)
{
  std::vector<uint8_t> Bytes;
  if (!ReadFileBytes(FileName, Bytes))
    return {};
  TZrImageKind Kind = SniffImageKind(Bytes.data(), Bytes.size());
  std::string KindText;
  TZrDecodeInfo Info;
  bool Ok = false;
  switch (Kind) {
  case TZrImageKind::ZRI:
  case TZrImageKind::JPEG: {
    if (Kind == TZrImageKind::ZRI)
      ComplementHeader(Bytes.data(), Bytes.size());
    TZrJPEGHeader Header;
    Ok = ReadJPEGHeader(Bytes.data(), Bytes.size(), Header);
    Info.Width = Header.Width;
    Info.Height = Header.Height;
    KindText = Kind == TZrImageKind::ZRI ? "ZRI" : Header.HasExif ? "EXIF" : "JPEG";
    break;
  }
  case TZrImageKind::PNG:
    Ok = ReadPNGHeader(Bytes.data(), Bytes.size(), Info);
    KindText = "PNG";
    break;
  case TZrImageKind::TIFF:
    Ok = ReadTIFFHeader(Bytes.data(), Bytes.size(), Info);
    KindText = "TIFF";
    break;
  case TZrImageKind::BMP:
    Ok = ReadBMPHeader(Bytes.data(), Bytes.size(), Info);
    KindText = "BMP";
    break;
  default:
    break;
  }
  if (!Ok)
    return {};
  std::string Text = LocalStringUtf8(215, "Type") + ": " + KindText + "\n" +
                     LocalStringUtf8(504, "Dimensions") + ": " + std::to_string(Info.Width) +
                     " x " + std::to_string(Info.Height);
  if (Kind != TZrImageKind::BMP) {
    TZrGraphicsDocumentProperties Properties;
    Properties.ReadFrom(Bytes.data(), Bytes.size());
    const std::string Date = Properties.ExifText(exifDateTime);
    if (!Date.empty())
      Text += "\n" + LocalStringUtf8(519, "Date taken") + ": " + Date;
    std::string Camera = Properties.ExifText(exifMake);
    const std::string Model = Properties.ExifText(exifModel);
    if (!Model.empty())
      Camera += (Camera.empty() ? "" : " ") + Model;
    if (!Camera.empty())
      Text += "\n" + LocalStringUtf8(518, "Camera") + ": " + Camera;
  }
  return Text;
}

TZrGraphicsFileInfo::TZrGraphicsFileInfo(std::filesystem::path Name)
    : TZrFileInfo(std::move(Name)), Description(DescribeImageFile(FileName))
{}

void TZrGraphicsThumbnail::Draw(TZrDeviceContext &DC, const TZrRect &Rect, TZrRect &DrawnRect) const
{
  const int32_t W = Bitmap->GetWidth(), H = Bitmap->GetHeight();
  const int32_t Left = Rect.Left + (Rect.Width() - W) / 2;
  const int32_t Top = Rect.Top + (Rect.Height() - H) / 2;
  DrawnRect = MakeRect(Left, Top, Left + W, Top + H);
  Bitmap->Paint(DC, DrawnRect, Rect, nullptr);
}

TZrGraphicsFormats::TZrGraphicsFormats()
    : Formats{{{gfJPEG, "JPEG", "*.jpg;*.jpeg", ".jpg"},
               {gfTIFF, "TIFF", "*.tif;*.tiff", ".tif"},
               {gfPNG, "PNG", "*.png", ".png"},
               {gfBMP, "BMP", "*.bmp;*.rle;*.dib", ".bmp"},
               {gfZRI, "ZRI", "*.zri", ".zri"}}}
{}

const TZrFileFormatInfo *TZrGraphicsFormats::GetFormat(int Index) const
{
  if (Index < 0 || Index >= Count())
    return nullptr;
  return &Formats[static_cast<size_t>(Index)];
}

bool TZrGraphicsFormats::CreateFileInfo(const std::filesystem::path &FileName,
                                        std::unique_ptr<TZrFileInfo> &Info) const
{
  std::error_code Code;
  if (!std::filesystem::is_regular_file(FileName, Code))
    return false;
  Info = std::make_unique<TZrGraphicsFileInfo>(FileName);
  return true;
}

bool TZrGraphicsFormats::CreateThumbnail(const std::filesystem::path &FileName, int32_t MaxWidth,
                                         int32_t MaxHeight,
                                         std::unique_ptr<TZrThumbnail> &Thumbnail) const
{
  if (MaxWidth <= 0 || MaxHeight <= 0)
    return false;
  std::vector<uint8_t> Bytes;
  if (!ReadFileBytes(FileName, Bytes))
    return false;
  // The thumbnail's size is fitted from the file's own size; a JPEG is
  // then decoded at the smallest reduced scale that still covers it.
  int32_t FullWidth = 0, FullHeight = 0;
  const TZrImageKind Kind = SniffImageKind(Bytes.data(), Bytes.size());
  if (Kind == TZrImageKind::ZRI)
    ComplementHeader(Bytes.data(), Bytes.size());
  if (Kind == TZrImageKind::JPEG || Kind == TZrImageKind::ZRI) {
    TZrJPEGHeader Header;
    if (ReadJPEGHeader(Bytes.data(), Bytes.size(), Header)) {
      FullWidth = Header.Width;
      FullHeight = Header.Height;
    }
  }
  int32_t FitWidth = 0, FitHeight = 0;
  TZrLTBitmap Decoded;
  if (FullWidth > 0) {
    if (!FitSize(FullWidth, FullHeight, MaxWidth, MaxHeight, FitWidth, FitHeight) ||
        !DecodeForPreview(Bytes, Kind, FitWidth, FitHeight, Decoded))
      return false;
  } else {
    if (!DecodeForPreview(Bytes, Kind, 1, 1, Decoded) ||
        !FitSize(Decoded.GetWidth(), Decoded.GetHeight(), MaxWidth, MaxHeight, FitWidth, FitHeight))
      return false;
  }
  FitWidth = std::max(FitWidth, 1);
  FitHeight = std::max(FitHeight, 1);
  auto Bitmap = std::make_unique<TZrLTBitmap>();
  if (!Bitmap->SetSize(FitWidth, FitHeight, pf24bit))
    return false;
  const TZrRect Dest = MakeRect(0, 0, FitWidth, FitHeight);
  if (!ResamplePixels(*Bitmap->GetPixels(), Dest, Dest, TLanczosResampler(), Decoded.GetBounds(),
                      *Decoded.GetPixels()))
    return false;
  Thumbnail = std::make_unique<TZrGraphicsThumbnail>(std::move(Bitmap));
  return true;
}

void TZrGraphicsFormats::GetSaveFormats(TZrFileFormatArray &Out) const
{
  Out.assign(Formats.begin(), Formats.begin() + 4);
}

bool TZrGraphicsFormats::Load(TZrDocument &Document, const std::filesystem::path &FileName,
                              int32_t &Format)
{
  TZrGraphicsImage *Image = ImageOfDocument ? ImageOfDocument(Document) : nullptr;
  return Image && LoadImage(*Image, FileName, Format);
}

bool TZrGraphicsFormats::Save(TZrDocument &Document, const std::filesystem::path &FileName,
                              int32_t Format)
{
  TZrGraphicsImage *Image = ImageOfDocument ? ImageOfDocument(Document) : nullptr;
  return Image && SaveImage(*Image, FileName, Format);
}

bool TZrGraphicsFormats::PrepareSave(TZrDocument &Document, int32_t Format)
{
  PendingJpeg.reset();
  if (Format != gfJPEG)
    return true;
  TZrGraphicsImage *Image = ImageOfDocument ? ImageOfDocument(Document) : nullptr;
  return AskJpegOptions(Image ? Image->LosslessJPEG.get() : nullptr);
}

TZrJpegOptions TZrGraphicsFormats::JpegOptionsFor(const TZrLosslessJPEG *Lossless) const
{
  TZrJpegOptions Options;
  Options.Quality = JpegQuality;
  if (Lossless && Lossless->HasImage()) {
    // A photo opened as JPEG is written at its own quality unless the user
    // asks for another.
    Options.OwnQuality = std::max(Lossless->Quality(), 0);
    if (Options.OwnQuality > 0)
      Options.Quality = Options.OwnQuality;
    Options.MinimalLossOffered = true;
    Options.MinimalLoss = MinimalLossJPEG;
  }
  return Options;
}

bool TZrGraphicsFormats::AskJpegOptions(const TZrLosslessJPEG *Lossless)
{
  PendingJpeg.reset();
  TZrJpegOptions Options = JpegOptionsFor(Lossless);
  if (AskJpegQuality) {
    if (!AskJpegQuality(Options))
      return false;
    // The quality of a photo's own tables is the photo's, not a choice to
    // offer for the next one.
    if (!Options.MinimalLossOffered || Options.Quality != Options.OwnQuality)
      JpegQuality = Options.Quality;
    if (Options.MinimalLossOffered)
      MinimalLossJPEG = Options.MinimalLoss;
  }
  PendingJpeg = Options;
  return true;
}

bool TZrGraphicsFormats::LoadImage(TZrGraphicsImage &Image, const std::filesystem::path &FileName,
                                   int32_t &Format, const TZrLoadOptions &Options,
                                   std::string *Error, TZrLoadReport *Out) const
{
  Image.Clear();
  std::vector<uint8_t> Bytes;
  std::error_code Code;
  if (!std::filesystem::exists(FileName, Code))
    return Report(Error, Out, TZrImageProblem::Missing);
  // An exchange file is read in place by its own reader, never as a whole.
  if (StartsAsExchange(FileName)) {
    Format = gfExchange;
    if (LoadExchange && LoadExchange(Image, FileName, Error)) {
      Image.Format = gfExchange;
      return Report(Error, Out, TZrImageProblem::None);
    }
    Image.Clear();
    if (!LoadExchange)
      return Report(Error, Out, TZrImageProblem::Unsupported);
    // The exchange reader said why in Error.
    if (Out)
      *Out = {TZrImageProblem::Damaged, {}};
    return false;
  }
  std::string Reason;
  if (!ReadFileBytes(FileName, Bytes, uint64_t{1} << 32, &Reason))
    return Report(Error, Out, TZrImageProblem::Unreadable, Reason);
  return LoadImageData(Image, std::move(Bytes), Format, Options, Error, Out);
}

bool TZrGraphicsFormats::LoadImageData(TZrGraphicsImage &Image, std::vector<uint8_t> Bytes,
                                       int32_t &Format, const TZrLoadOptions &Options,
                                       std::string *Error, TZrLoadReport *Out) const
{
  Image.Clear();
  const TZrImageKind Kind = SniffImageKind(Bytes.data(), Bytes.size());
  TZrDecodeInfo Info;
  bool Ok = false;
  bool PropertiesRead = false, Resampled = false;
  int32_t Loaded = gfJPEG;
  if (Kind == TZrImageKind::ZRI)
    ComplementHeader(Bytes.data(), Bytes.size());
  switch (Kind) {
  case TZrImageKind::ZRI:
  case TZrImageKind::JPEG: {
    // A ZRI file is a JPEG file once its header is complemented back; that
    // is done here in memory, the file stays as it is.
    if (Kind == TZrImageKind::ZRI)
      Loaded = gfZRI;
    TZrJPEGHeader Header;
    ReadJPEGHeader(Bytes.data(), Bytes.size(), Header);
    Info.AcceptPartial = Options.AcceptPartial;
    auto Lossless = UseLosslessJPEG ? std::make_unique<TZrLosslessJPEG>() : nullptr;
    if (Lossless && Lossless->Load(std::move(Bytes))) {
      const std::vector<uint8_t> &Jpeg = Lossless->OriginalBytes();
      if (Options.DeferJPEGPixels) {
        // Nothing is decoded now, but a file that will not decode is
        // refused here, naming it, rather than at the first use of its
        // pixels.
        Ok = Options.SkipDeferredCheck ||
             CheckJPEGData(Jpeg.data(), Jpeg.size()) == TZrJPEGIntegrity::Whole ||
             DecodeFailed(&Info, TZrImageProblem::Damaged);
        Image.PixelsPending = Ok;
      } else if (!ImageSizeAllowed(Header.Width, Header.Height)) {
        DecodeFailed(&Info, TZrImageProblem::TooLarge);
      } else {
        // A picture that is to be resampled anyway and needs no turn is
        // resampled as its rows are decoded: the full-size picture is never
        // held.
        TZrRowDecode Rows = TZrRowDecode::NotApplicable;
        int32_t NewWidth = 0, NewHeight = 0;
        if (Options.ResampleTo) {
          Image.Properties.ReadFrom(Jpeg.data(), Jpeg.size());
          PropertiesRead = true;
          if ((!ApplyOrientation || Image.Properties.Orientation() == 1) &&
              Options.ResampleTo(Header.Width, Header.Height, NewWidth, NewHeight) &&
              ImageSizeAllowed(NewWidth, NewHeight))
            Rows = DecodeJPEGResampled(Jpeg.data(), Jpeg.size(), NewWidth, NewHeight, Image.Image,
                                       &Info);
        }
        if (Rows != TZrRowDecode::NotApplicable) {
          Ok = Rows == TZrRowDecode::Done;
          Resampled = Ok;
        } else if (!Image.Image.SetSize(Header.Width, Header.Height, pf24bit)) {
          DecodeFailed(&Info, TZrImageProblem::OutOfMemory);
        } else {
          Ok = DecodeJPEGInto(Jpeg.data(), Jpeg.size(), *Image.Image.GetPixels(), &Info);
        }
      }
      if (Ok)
        Image.LosslessJPEG = std::move(Lossless);
      if (Resampled)
        Image.LosslessJPEG->PixelsReplaced();
    } else {
      // Bytes are still ours when the lossless object did not take them.
      Ok = DecodeJPEG(Bytes.data(), Bytes.size(), Image.Image, &Info);
    }
    Info.HorizontalResolution = Header.HorizontalResolution;
    Info.VerticalResolution = Header.VerticalResolution;
    break;
  }
  case TZrImageKind::PNG:
    Ok = DecodePNG(Bytes.data(), Bytes.size(), Image.Image, &Info);
    Loaded = gfPNG;
    break;
  case TZrImageKind::TIFF:
    Ok = DecodeTIFF(Bytes.data(), Bytes.size(), Image.Image, &Info);
    Loaded = gfTIFF;
    break;
  case TZrImageKind::BMP:
    Ok = DecodeBMP(Bytes.data(), Bytes.size(), Image.Image, &Info);
    Loaded = gfBMP;
    break;
  default:
    return Report(Error, Out, TZrImageProblem::Unsupported);
  }
  if (!Ok) {
    Image.Clear();
    return Report(Error, Out,
                  Info.Problem == TZrImageProblem::None ? TZrImageProblem::Damaged : Info.Problem,
                  Info.Reason);
  }
  // Metadata is read only from files that decoded; a JPEG's bytes went over
  // to its lossless object.
  if (Kind != TZrImageKind::BMP) {
    const std::vector<uint8_t> &Source =
        Image.LosslessJPEG ? Image.LosslessJPEG->OriginalBytes() : Bytes;
    if (!PropertiesRead)
      Image.Properties.ReadFrom(Source.data(), Source.size());
    // A JPEG without a JFIF density may state its resolution in EXIF.
    if (!(Info.HorizontalResolution > 0))
      Image.Properties.ExifResolution(Info.HorizontalResolution, Info.VerticalResolution);
  }
  Image.Properties.HorizontalResolution = RoundResolution(Info.HorizontalResolution);
  Image.Properties.VerticalResolution = RoundResolution(Info.VerticalResolution);
  if (ApplyOrientation) {
    const int32_t Orientation = Image.Properties.Orientation();
    if (Orientation != 1) {
      if (!Image.TurnUpright(Orientation)) {
        Image.Clear();
        return Report(Error, Out, TZrImageProblem::OutOfMemory);
      }
      Image.Properties.SetUpright();
    }
  }
  Image.Format = Format = Loaded;
  // Only a partial picture taken on purpose comes here with a problem.
  Report(nullptr, Out, Info.Problem);
  if (Out)
    Out->Resampled = Resampled;
  if (Info.Problem == TZrImageProblem::Damaged)
    SetError(Error, "warning: the file is damaged or incomplete; only part of the picture "
                    "could be read");
  return true;
}

bool TZrGraphicsFormats::EncodeImage(TZrGraphicsImage &Image, int32_t Format,
                                     std::vector<uint8_t> &Bytes, std::string *Error,
                                     bool *Lossless)
{
  Bytes.clear();
  if (Lossless)
    *Lossless = false;
  const bool JPEGLike = Format == gfJPEG || Format == gfZRI;
  const bool ThroughLossless = JPEGLike && Image.LosslessJPEG && Image.LosslessJPEG->HasImage();
  if (!ThroughLossless && !Image.EnsurePixels()) {
    SetError(Error, "the image cannot be decoded");
    return false;
  }
  TZrSaveSource Source;
  Source.Visible = Image.GetVisibleRect();
  Source.Cropped = !Image.CropRect.IsEmpty();
  Source.Properties = &Image.Properties;
  Source.LosslessJPEG = Image.LosslessJPEG.get();
  TZrPixels Window;
  if (!Image.PixelsPending) {
    if (!VisiblePixels(Image, Window)) {
      SetError(Error, "there is no image");
      return false;
    }
    Source.Window = &Window;
  }
  return EncodeSource(Source, Format, Bytes, Error, Lossless);
}

bool TZrGraphicsFormats::EncodeSource(const TZrSaveSource &Source, int32_t Format,
                                      std::vector<uint8_t> &Bytes, std::string *Error,
                                      bool *Lossless)
{
  Bytes.clear();
  if (Lossless)
    *Lossless = false;
  // Options asked before the save began are for this save only.
  std::optional<TZrJpegOptions> Asked = std::exchange(PendingJpeg, std::nullopt);
  if (Format < gfJPEG || Format > gfZRI) {
    SetError(Error, "unknown format");
    return false;
  }
  const bool JPEGLike = Format == gfJPEG || Format == gfZRI;
  const bool ThroughLossless = JPEGLike && Source.LosslessJPEG && Source.LosslessJPEG->HasImage();
  const TZrRect &Visible = Source.Visible;
  if (Visible.IsEmpty() || (!ThroughLossless && !Source.Window)) {
    SetError(Error, "there is no image");
    return false;
  }

  // A JPEG's options come from the dialog asked before the save began, or
  // are asked now.
  const TZrLosslessJPEG *Held = ThroughLossless ? Source.LosslessJPEG : nullptr;
  TZrJpegOptions Jpeg = JpegOptionsFor(Held);
  if (Format == gfJPEG) {
    if (!Asked) {
      if (!AskJpegOptions(Held)) {
        SetError(Error, "cancelled");
        return false;
      }
      Asked = std::exchange(PendingJpeg, std::nullopt);
    }
    Jpeg = *Asked;
  }

  bool Ok = false;
  if (ThroughLossless) {
    // A copy of the object's state (the file's bytes are shared) learns the
    // pending crop, so that saving leaves the document's object as it was.
    TZrLosslessJPEG View = *Source.LosslessJPEG;
    if (Source.Cropped)
      View.Crop(Visible);
    TZrJPEGWriteOptions Options;
    Options.MinimalLoss = Jpeg.MinimalLoss;
    Options.Quality = Jpeg.Quality == Jpeg.OwnQuality ? 0 : Jpeg.Quality;
    TZrJPEGWriteReport Report;
    Ok = View.Save(Source.Window, Bytes, Options, &Report);
    if (Lossless)
      *Lossless = Ok && Report.Mode == TZrJPEGWriteMode::Transformed;
  } else if (Format == gfJPEG) {
    Ok = EncodeJPEG(*Source.Window, Jpeg.Quality, js420, Bytes);
  } else if (Format == gfZRI) {
    Ok = EncodeJPEG(*Source.Window, 100, js420, Bytes);
  } else if (Format == gfTIFF) {
    Ok = EncodeTIFF(*Source.Window, Bytes);
  } else if (Format == gfPNG) {
    Ok = EncodePNG(*Source.Window, Bytes);
  } else {
    Ok = EncodeBMP(*Source.Window, Bytes);
  }
  if (!Ok) {
    SetError(Error, "the image cannot be encoded");
    Bytes.clear();
    return false;
  }
  // BMP holds no metadata.
  if (Format != gfBMP && Source.Properties &&
      !Source.Properties->WriteTo(Bytes, Visible.Width(), Visible.Height()))
    SetError(Error, "warning: the metadata could not be written");
  if (Format == gfZRI) {
    EnsureZRIRecognisable(Bytes);
    ComplementHeader(Bytes.data(), Bytes.size());
  }
  return true;
}

bool TZrGraphicsFormats::SaveSource(const TZrSaveSource &Source,
                                    const std::filesystem::path &FileName, int32_t Format,
                                    std::string *Error)
{
  if (Format == gfExchange) {
    if (!Source.Window) {
      SetError(Error, "there is no image");
      return false;
    }
    return SaveExchangeWindow(*Source.Window, FileName, Error);
  }
  std::vector<uint8_t> Bytes;
  if (!EncodeSource(Source, Format, Bytes, Error))
    return false;
  std::string Reason;
  if (!WriteFileAtomic(FileName, Bytes.data(), Bytes.size(), &Reason)) {
    SetError(Error, "cannot write the file: " + Reason);
    return false;
  }
  return true;
}

bool TZrGraphicsFormats::SaveExchangeWindow(const TZrPixels &Pixels,
                                            const std::filesystem::path &FileName,
                                            std::string *Error)
{
  if (SaveExchange && SaveExchange(Pixels, FileName, Error))
    return true;
  if (!SaveExchange)
    SetError(Error, "the exchange file cannot be written");
  return false;
}

bool TZrGraphicsFormats::SaveImage(TZrGraphicsImage &Image, const std::filesystem::path &FileName,
                                   int32_t Format, std::string *Error)
{
  if (Format == gfExchange) {
    TZrPixels Visible;
    if (!Image.EnsurePixels() || !VisiblePixels(Image, Visible)) {
      SetError(Error, "there is no image");
      return false;
    }
    return SaveExchangeWindow(Visible, FileName, Error);
  }
  std::vector<uint8_t> Bytes;
  if (!EncodeImage(Image, Format, Bytes, Error))
    return false;
  std::string Reason;
  if (!WriteFileAtomic(FileName, Bytes.data(), Bytes.size(), &Reason)) {
    SetError(Error, "cannot write the file: " + Reason);
    return false;
  }
  return true;
}

} // namespace facette
