#include "editor/ZrDocumentImageFormats.h"

#include "editor/ZrExchangeFormat.h"
#include "editor/ZrGraphicsDocument.h"

#include "framework/ZrLocalizer.h"

namespace facette {

namespace {

// Pattern with each "%s" replaced in turn by the next of Arguments.
std::string FormatText(std::string Pattern, std::initializer_list<std::string> Arguments)
{
  size_t Pos = 0;
  for (const std::string &Argument : Arguments) {
    Pos = Pattern.find("%s", Pos);
    if (Pos == std::string::npos)
      break;
    Pattern.replace(Pos, 2, Argument);
    Pos += Argument.size();
  }
  return Pattern;
}

} // namespace

std::string LoadProblemMessage(const TZrLoadReport &Report, const std::string &FileName)
{
  switch (Report.Problem) {
  case TZrImageProblem::Missing:
    return FormatText(LocalStringUtf8(1277, "The file \"%s\" does not exist."), {FileName});
  case TZrImageProblem::Unreadable:
    return FormatText(LocalStringUtf8(1276, "The file \"%s\" could not be read: %s"),
                      {FileName, Report.Reason});
  case TZrImageProblem::Unsupported:
    if (Report.Reason.empty())
      return FormatText(LocalStringUtf8(1272, "The file \"%s\" could not be opened: it is not "
                                              "a JPEG, TIFF, PNG, BMP or ZRI image."),
                        {FileName});
    return FormatText(LocalStringUtf8(1271, "The file \"%s\" could not be opened: this kind "
                                            "of image is not supported (%s)."),
                      {FileName, Report.Reason});
  case TZrImageProblem::Damaged:
    return FormatText(
        LocalStringUtf8(1270, "The file \"%s\" could not be opened: it is damaged or incomplete."),
        {FileName});
  case TZrImageProblem::TooLarge:
    return FormatText(LocalStringUtf8(1273, "The image in \"%s\" is too large to open. Images "
                                            "may have up to 65500 pixels a side and 268 "
                                            "megapixels."),
                      {FileName});
  case TZrImageProblem::OutOfMemory:
    return FormatText(LocalStringUtf8(1274, "There is not enough memory to open the file \"%s\"."),
                      {FileName});
  case TZrImageProblem::None:
    break;
  }
  return {};
}

TZrDocumentImageFormats::TZrDocumentImageFormats()
{
  UseExchangeFormat(*this);
}

bool TZrDocumentImageFormats::Load(TZrDocument &Document, const std::filesystem::path &FileName,
                                   int32_t &Format)
{
  LastError.clear();
  LastLoadMessage.clear();
  LastCancelled = false;
  LastRefusedExchange = false;
  auto *Doc = dynamic_cast<TZrGraphicsDocument *>(&Document);
  if (!Doc)
    return false;
  TZrGraphicsImage Decoded;
  int32_t Read = Format;
  // The editor shows what it can of a damaged JPEG, with a warning.
  TZrLoadOptions Options;
  Options.AcceptPartial = true;
  TZrLoadReport Report;
  const bool Opened = LoadImage(Decoded, FileName, Read, Options, &LastError, &Report);
  if (Report.Problem == TZrImageProblem::Damaged && Opened)
    LastLoadMessage = FormatText(LocalStringUtf8(1275, "The file \"%s\" is damaged or "
                                                       "incomplete. Only part of the picture "
                                                       "could be read; the rest is shown in "
                                                       "grey."),
                                 {FileName.string()});
  else
    LastLoadMessage = LoadProblemMessage(Report, FileName.string());
  if (!Opened) {
    LastRefusedExchange = Read == gfExchange;
    return false;
  }
  if (!Decoded.EnsurePixels())
    return false;
  // The decoded pixels move over to the document; nothing is copied.
  TZrLoadedImage Loaded;
  Loaded.Image = std::make_unique<TZrLTBitmap>();
  Loaded.Image->Swap(Decoded.Image);
  auto Properties = std::make_unique<TZrGraphicsDocumentProperties>();
  Properties->Assign(&Decoded.Properties);
  Loaded.Metadata = std::move(Properties);
  Loaded.LosslessJPEG = std::move(Decoded.LosslessJPEG);
  if (!Doc->AdoptLoadedImage(std::move(Loaded))) {
    LastError = "not enough memory for the image";
    return false;
  }
  Format = Read;
  return true;
}

bool TZrDocumentImageFormats::Save(TZrDocument &Document, const std::filesystem::path &FileName,
                                   int32_t Format)
{
  LastError.clear();
  LastCancelled = false;
  auto *Doc = dynamic_cast<TZrGraphicsDocument *>(&Document);
  if (!Doc || !Doc->HasImage())
    return false;
  const TZrImageToSave Image = Doc->ImageToSave();
  // The visible pixels with their top left at (0, 0), as the encoders take
  // them; where they lie in the image tells the lossless object the crop.
  TZrPixels Window = Image.Pixels;
  Window.Left = 0;
  Window.Top = 0;
  TZrSaveSource Source;
  Source.Window = Window.Bits ? &Window : nullptr;
  Source.Visible = Image.Pixels.GetBounds();
  Source.Cropped = Source.Visible != Doc->ImageBounds();
  Source.Properties = dynamic_cast<const TZrGraphicsDocumentProperties *>(Image.Metadata);
  Source.LosslessJPEG = dynamic_cast<const TZrLosslessJPEG *>(Image.LosslessJPEG);
  if (SaveSource(Source, FileName, Format, &LastError))
    return true;
  LastCancelled = LastError == "cancelled";
  return false;
}

} // namespace facette
