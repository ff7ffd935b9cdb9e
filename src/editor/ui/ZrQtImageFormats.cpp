#include "editor/ui/ZrQtImageFormats.h"

#include "editor/ZrGraphicsDocument.h"
#include "framework/ui/ZrQtStrings.h"

#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <cstring>

namespace facette {

namespace {

// Identifiers as the image file layer numbers them.
constexpr int32_t FormatJPEG = 0;
constexpr int32_t FormatTIFF = 1;
constexpr int32_t FormatPNG = 2;
constexpr int32_t FormatBMP = 3;

const char *WriterName(int32_t Format)
{
  switch (Format) {
  case FormatJPEG:
    return "jpeg";
  case FormatTIFF:
    return "tiff";
  case FormatPNG:
    return "png";
  case FormatBMP:
    return "bmp";
  default:
    return nullptr;
  }
}

} // namespace

TZrQtImageFormats::TZrQtImageFormats()
{
  List = {{{FormatJPEG, "JPEG", "*.jpg;*.jpeg", ".jpg"},
           {FormatTIFF, "TIFF", "*.tif;*.tiff", ".tif"},
           {FormatPNG, "PNG", "*.png", ".png"},
           {FormatBMP, "Bitmap", "*.bmp;*.rle;*.dib", ".bmp"}}};
}

const TZrFileFormatInfo *TZrQtImageFormats::GetFormat(int Index) const
{
  return Index >= 0 && Index < Count() ? &List[static_cast<size_t>(Index)] : nullptr;
}

bool TZrQtImageFormats::Load(TZrDocument &Document, const std::filesystem::path &FileName,
                             int32_t &Format)
{
  auto *Doc = dynamic_cast<TZrGraphicsDocument *>(&Document);
  if (!Doc)
    return false;
  QImageReader Reader(ToQString(FileName.string()));
  Reader.setAutoTransform(true);
  const QByteArray Kind = Reader.format();
  QImage Picture = Reader.read();
  if (Picture.isNull())
    return false;
  Picture = Picture.convertToFormat(QImage::Format_BGR888);
  if (Picture.isNull())
    return false;
  TZrLoadedImage Loaded;
  Loaded.Image = std::make_unique<TZrLTBitmap>();
  if (!Loaded.Image->SetSize(Picture.width(), Picture.height(), pf24bit))
    return false;
  TZrPixels &Pixels = *Loaded.Image->GetPixels();
  const size_t RowBytes = static_cast<size_t>(Picture.width()) * 3;
  for (int Y = 0; Y < Picture.height(); ++Y)
    std::memcpy(Pixels.PixelPtr(0, Y), Picture.constScanLine(Y), RowBytes);
  if (!Doc->AdoptLoadedImage(std::move(Loaded)))
    return false;
  Format = Kind == "jpeg"   ? FormatJPEG
           : Kind == "tiff" ? FormatTIFF
           : Kind == "bmp"  ? FormatBMP
                            : FormatPNG;
  return true;
}

bool TZrQtImageFormats::Save(TZrDocument &Document, const std::filesystem::path &FileName,
                             int32_t Format)
{
  auto *Doc = dynamic_cast<TZrGraphicsDocument *>(&Document);
  const char *Name = WriterName(Format);
  if (!Doc || !Name)
    return false;
  const TZrImageToSave Image = Doc->ImageToSave();
  if (!Image.Pixels.Bits)
    return false;
  const QImage Picture(Image.Pixels.Bits, Image.Pixels.Width, Image.Pixels.Height,
                       Image.Pixels.Stride, QImage::Format_BGR888);
  QSaveFile File(ToQString(FileName.string()));
  if (!File.open(QIODevice::WriteOnly))
    return false;
  QImageWriter Writer(&File, Name);
  if (Format == FormatJPEG)
    Writer.setQuality(JpegQuality);
  if (!Writer.write(Picture)) {
    File.cancelWriting();
    return false;
  }
  return File.commit();
}

} // namespace facette
