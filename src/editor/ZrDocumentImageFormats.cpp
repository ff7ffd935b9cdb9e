#include "editor/ZrDocumentImageFormats.h"

#include "editor/ZrExchangeFormat.h"
#include "editor/ZrGraphicsDocument.h"

namespace facette {

TZrDocumentImageFormats::TZrDocumentImageFormats()
{
  UseExchangeFormat(*this);
}

bool TZrDocumentImageFormats::Load(TZrDocument &Document, const std::filesystem::path &FileName,
                                   int32_t &Format)
{
  LastError.clear();
  LastCancelled = false;
  LastRefusedExchange = false;
  auto *Doc = dynamic_cast<TZrGraphicsDocument *>(&Document);
  if (!Doc)
    return false;
  TZrGraphicsImage Decoded;
  int32_t Read = Format;
  if (!LoadImage(Decoded, FileName, Read, {}, &LastError)) {
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
