#include "editor/ZrExchangeFormat.h"

#include "editor/ZrExchangeFile.h"
#include "editor/ZrFileMapping.h"
#include "imaging/ZrImageFile.h"

#include <cmath>

namespace facette {

static_assert(ExchangeMaxSide == MaxImageSide);

namespace {

bool Fail(std::string *Error, const char *Text)
{
  if (Error)
    *Error = Text;
  return false;
}

int32_t Dpi(double Value)
{
  return Value > 0 && Value < 1e6 ? static_cast<int32_t>(std::nearbyint(Value)) : 96;
}

} // namespace

bool LoadExchange(TZrGraphicsImage &Image, const std::filesystem::path &FileName,
                  std::string *Error)
{
  Image.Clear();
  // Reading needs no write permission; writing back opens the file again.
  TFileMapping File(FileName, TMapAccess::Read);
  const uint64_t Size = File.Size();
  const uint8_t *Data = File.MapView(0, 0, TMapAccess::Read);
  if (!Data)
    return Fail(Error, "cannot read the file");
  TExchangeHeader Header;
  TExchangeTrailer Trailer;
  const TExchangeStatus Status = CheckExchangeFile(Data, Size, Header, &Trailer);
  if (Status != TExchangeStatus::Ok)
    return Fail(Error, ExchangeStatusText(Status));
  if (!ImageSizeAllowed(Header.Width, Header.Height) ||
      !Image.Image.SetSize(Header.Width, Header.Height, pf24bit))
    return Fail(Error, "the image is too large");
  const TZrPixels &Pixels = *Image.Image.GetPixels();
  ReadExchangeRows(Data, Header, Pixels.Bits, Pixels.Stride);
  // Metadata that cannot be read is no reason to refuse the pixels.
  if (Trailer.Length > 0)
    Image.Properties.SetExifBlock(Data + Trailer.Offset, Trailer.Length);
  double Horizontal = 0, Vertical = 0;
  Image.Properties.ExifResolution(Horizontal, Vertical);
  Image.Properties.HorizontalResolution = Dpi(Horizontal);
  Image.Properties.VerticalResolution = Dpi(Vertical);
  Image.Format = gfExchange;
  return true;
}

bool SaveExchange(const TZrPixels &Pixels, const std::filesystem::path &FileName,
                  std::string *Error)
{
  if (!Pixels.Bits || Pixels.Width <= 0 || Pixels.Height <= 0 || Pixels.BytesPerPixel != 3)
    return Fail(Error, "there is no image");
  TExchangeHeader Header;
  Header.Width = Pixels.Width;
  Header.Height = Pixels.Height;
  Header.Stride = static_cast<int32_t>(BufferStride(pf24bit, Pixels.Width));
  Header.PixelStep = 3;
  TFileMapping File(FileName, TMapAccess::ReadWrite);
  if (!File.IsOpen())
    return Fail(Error, "cannot open the exchange file for writing");
  if (!File.SetSize(ExchangeFileSize(Header)))
    return Fail(Error, "cannot resize the exchange file (is the disk full?)");
  uint8_t *Data = File.MapView(0, 0, TMapAccess::ReadWrite);
  if (!Data)
    return Fail(Error, "cannot map the exchange file");
  WriteExchangeHeader(Data, Header);
  WriteExchangeRows(Pixels.Bits, Pixels.Stride, Header, Data);
  File.UnmapView(Data);
  return true;
}

void UseExchangeFormat(TZrGraphicsFormats &Formats)
{
  Formats.LoadExchange = [](TZrGraphicsImage &Image, const std::filesystem::path &FileName,
                            std::string *Error) { return LoadExchange(Image, FileName, Error); };
  Formats.SaveExchange = [](const TZrPixels &Pixels, const std::filesystem::path &FileName,
                            std::string *Error) { return SaveExchange(Pixels, FileName, Error); };
}

} // namespace facette
