// The graphics editor's file formats: JPEG, TIFF, PNG, BMP and the
// program's own ZRI (a JPEG file whose first 16 bytes are complemented),
// with loading, saving, file descriptions and thumbnails.
//
// Files are recognised by their content, never by their name. The plug-in
// exchange file is only ever handled by the exchange reader and writer the
// editor installs; no other file is taken for it. Files of other kinds
// (GIF, WebP, ...) are not opened.
#pragma once

#include "document/ZrFileFormats.h"
#include "imaging/ZrGraphicsImage.h"
#include "imaging/ZrImageFile.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace facette {

// The quality presets of the JPEG options dialog: Low, Medium, High, Very
// High, Maximum.
constexpr std::array<int32_t, 5> JpegQualityPresets = {10, 30, 60, 80, 100};
// The largest preset not above Quality; Low (0) below the lowest.
int JpegQualityPresetIndex(int32_t Quality);

// What the JPEG options dialog offers and what the user chose there.
struct TZrJpegOptions
{
  int32_t Quality = 80;
  // For a photo opened as JPEG: its own quality (estimated from its
  // tables, 0 when unknown), and whether the dialog offers to keep the
  // coded blocks of what was not edited, which works at that quality only.
  int32_t OwnQuality = 0;
  bool MinimalLossOffered = false;
  bool MinimalLoss = true;
};

struct TZrLoadOptions
{
  // Open a JPEG without decoding its pixels (TZrGraphicsImage::EnsurePixels
  // decodes them when needed). Its coded data is still read through once,
  // so that a file that would not decode is refused here.
  bool DeferJPEGPixels = false;
  // With DeferJPEGPixels: leave out that read-through, for a caller that
  // will write the file from its coefficients at once (a lossless turn
  // reads the coded data itself and fails on damage) and that asks
  // TZrGraphicsImage::JPEGDataDamaged why a save failed.
  bool SkipDeferredCheck = false;
  // Open a JPEG whose data is partly missing or corrupt with the part that
  // could be read (the rest grey); the load then reports the problem
  // Damaged and a warning in its error text. Without it the file is refused.
  bool AcceptPartial = false;
  // For a JPEG shown upright as stored: the size to resample it to, given
  // its size (false: none). The picture is then resampled while it is
  // decoded, row by row, with the pixels TZrGraphicsImage::Resample gives,
  // and the load reports Resampled. Otherwise, or where that way does not
  // apply, the picture is decoded at its size and the caller resamples it.
  std::function<bool(int32_t Width, int32_t Height, int32_t &NewWidth, int32_t &NewHeight)>
      ResampleTo;
};

// Why a load failed; Damaged after a successful load marks a partial
// picture. Reason says what is not supported, or why the file cannot be
// read, where that is known (English).
struct TZrLoadReport
{
  TZrImageProblem Problem = TZrImageProblem::None;
  std::string Reason;
  // The picture was resampled while it was decoded (TZrLoadOptions::ResampleTo).
  bool Resampled = false;
};

// The text of a load's error (English, as facette-cli prints it).
std::string DescribeLoadProblem(const TZrLoadReport &Report);

class TZrGraphicsFileInfo : public TZrFileInfo
{
public:
  // Reads the file and builds its description once.
  explicit TZrGraphicsFileInfo(std::filesystem::path FileName);
  void GetDescription(std::string &Text) const override { Text = Description; }

private:
  std::string Description;
};

class TZrGraphicsThumbnail : public TZrThumbnail
{
public:
  // Takes over a bitmap already of the thumbnail's size.
  explicit TZrGraphicsThumbnail(std::unique_ptr<TZrLTBitmap> Bitmap) : Bitmap(std::move(Bitmap)) {}
  // Centres the thumbnail in Rect at its own size.
  void Draw(TZrDeviceContext &DC, const TZrRect &Rect, TZrRect &DrawnRect) const override;
  const TZrLTBitmap &GetBitmap() const { return *Bitmap; }

private:
  std::unique_ptr<TZrLTBitmap> Bitmap;
};

// What a save writes, as whoever holds the image keeps it: the visible
// pixels (their top left at (0, 0); nil when only the lossless object
// holds the image), where they lie in the image, and what goes with them.
struct TZrSaveSource
{
  const TZrPixels *Window = nullptr;
  TZrRect Visible;
  // A pending crop: the visible rectangle is not the whole image.
  bool Cropped = false;
  const TZrGraphicsDocumentProperties *Properties = nullptr;
  const TZrLosslessJPEG *LosslessJPEG = nullptr;
};

class TZrGraphicsFormats : public TZrDocumentFormats
{
public:
  TZrGraphicsFormats();

  // The quality last accepted in the JPEG options dialog.
  int32_t JpegQuality = 80;
  // Whether JPEG files are opened through the lossless-JPEG object.
  bool UseLosslessJPEG = true;
  // Whether an opened JPEG saved as JPEG keeps the coded blocks of what
  // was not edited (the JPEG options dialog's switch).
  bool MinimalLossJPEG = true;
  // Whether photos are turned upright on opening as their EXIF orientation
  // says (and saved upright with the orientation 1); otherwise the pixels
  // stay as stored and the orientation as it was.
  bool ApplyOrientation = true;

  // Set by the editor. ImageOfDocument gives the image a document holds
  // (nil for documents that are not graphics documents). AskJpegQuality
  // shows the JPEG options dialog preset to the options and returns false
  // on Cancel; without it saving uses the options as they are preset. The
  // exchange
  // reader and writer handle the plug-in exchange file (format -1); they
  // say why they failed in Error when given one.
  std::function<TZrGraphicsImage *(TZrDocument &)> ImageOfDocument;
  std::function<bool(TZrJpegOptions &Options)> AskJpegQuality;
  std::function<bool(TZrGraphicsImage &, const std::filesystem::path &, std::string *Error)>
      LoadExchange;
  std::function<bool(const TZrPixels &, const std::filesystem::path &, std::string *Error)>
      SaveExchange;

  int Count() const override { return 5; }
  const TZrFileFormatInfo *GetFormat(int Index) const override;
  // False for a missing file or a directory.
  bool CreateFileInfo(const std::filesystem::path &FileName,
                      std::unique_ptr<TZrFileInfo> &Info) const override;
  // False when the file cannot be decoded. Safe on any thread.
  bool CreateThumbnail(const std::filesystem::path &FileName, int32_t MaxWidth, int32_t MaxHeight,
                       std::unique_ptr<TZrThumbnail> &Thumbnail) const override;
  // JPEG, TIFF, PNG and BMP: ZRI is written only on purpose.
  void GetSaveFormats(TZrFileFormatArray &Formats) const override;

  bool Load(TZrDocument &Document, const std::filesystem::path &FileName, int32_t &Format) override;
  bool Save(TZrDocument &Document, const std::filesystem::path &FileName, int32_t Format) override;
  bool CanSave(int32_t) const override { return true; }
  // A JPEG save asks its options here, before the tools commit their work.
  bool PrepareSave(TZrDocument &Document, int32_t Format) override;

  // Asks the JPEG options for saving an image with that lossless object
  // (nil for none) and keeps the answer for the next JPEG encoded; false
  // when the user cancelled. Remembers the quality and the minimal-loss
  // switch the user chose.
  bool AskJpegOptions(const TZrLosslessJPEG *Lossless);
  // Forgets an answer no save used.
  void ForgetJpegOptions() { PendingJpeg.reset(); }

  // Reads the file into Image and reports its format. On failure Image is
  // empty, and Error and Report (when given) say why; Format is gfExchange
  // when the file was an exchange file that could not be taken. A partial
  // picture taken with AcceptPartial succeeds with a warning in Error and
  // the problem Damaged in Report. The file is never modified.
  bool LoadImage(TZrGraphicsImage &Image, const std::filesystem::path &FileName, int32_t &Format,
                 const TZrLoadOptions &Options = {}, std::string *Error = nullptr,
                 TZrLoadReport *Report = nullptr) const;
  // The same for a file's bytes already in memory. An exchange file is
  // refused here: only its reader, given the file's name, may take it.
  bool LoadImageData(TZrGraphicsImage &Image, std::vector<uint8_t> Bytes, int32_t &Format,
                     const TZrLoadOptions &Options = {}, std::string *Error = nullptr,
                     TZrLoadReport *Report = nullptr) const;
  // Writes the visible part of Image in Format through a temporary file
  // renamed over the target; a failed save leaves an existing file as it
  // was. With success, Error may still carry a warning (metadata that
  // could not be written). Updates JpegQuality when the dialog was shown.
  bool SaveImage(TZrGraphicsImage &Image, const std::filesystem::path &FileName, int32_t Format,
                 std::string *Error = nullptr);
  // The bytes SaveImage would write, without touching the disk. Lossless
  // reports whether a JPEG came from the original coefficients.
  bool EncodeImage(TZrGraphicsImage &Image, int32_t Format, std::vector<uint8_t> &Bytes,
                   std::string *Error = nullptr, bool *Lossless = nullptr);

  // The same for an image held elsewhere (the graphics document).
  bool EncodeSource(const TZrSaveSource &Source, int32_t Format, std::vector<uint8_t> &Bytes,
                    std::string *Error = nullptr, bool *Lossless = nullptr);
  bool SaveSource(const TZrSaveSource &Source, const std::filesystem::path &FileName,
                  int32_t Format, std::string *Error = nullptr);

private:
  // The JPEG options a save starts from, before the dialog.
  TZrJpegOptions JpegOptionsFor(const TZrLosslessJPEG *Lossless) const;
  bool SaveExchangeWindow(const TZrPixels &Pixels, const std::filesystem::path &FileName,
                          std::string *Error);
  std::array<TZrFileFormatInfo, 5> Formats;
  std::optional<TZrJpegOptions> PendingJpeg;
};

// The description the open dialog shows for a file: kind, size, date taken
// and camera, each line "Label: value"; empty for a file that cannot be
// read as an image.
std::string DescribeImageFile(const std::filesystem::path &FileName);

} // namespace facette
