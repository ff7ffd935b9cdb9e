// Exiv2 0.27 hands out std::auto_ptr; its headers and our calls are fine
// with it, so the deprecation warnings are silenced for this file only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include "imaging/ZrImageMetadata.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <zlib.h>

namespace facette {

namespace {

void InitExiv2()
{
  static std::once_flag Once;
  std::call_once(Once, [] {
    // Exiv2 would print every oddity of a file to stderr.
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize();
  });
}

// The directories of the main image; the thumbnail's (IFD1) and maker
// notes are not listed as items.
bool MainImageGroup(const std::string &Group)
{
  return Group == "Image" || Group == "Photo" || Group == "GPSInfo";
}

std::string Trimmed(std::string Text)
{
  const size_t Nul = Text.find('\0');
  if (Nul != std::string::npos)
    Text.resize(Nul);
  while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t'))
    Text.pop_back();
  return Text;
}

} // namespace

struct TZrGraphicsDocumentProperties::TStore
{
  Exiv2::ExifData Exif;
  Exiv2::IptcData Iptc;
  std::string Xmp;
  std::vector<uint8_t> Icc;
};

TZrGraphicsDocumentProperties::TZrGraphicsDocumentProperties() : Store(std::make_unique<TStore>())
{}

TZrGraphicsDocumentProperties::~TZrGraphicsDocumentProperties() = default;

void TZrGraphicsDocumentProperties::Assign(const TZrCustomProperties *Source)
{
  TZrCustomProperties::Assign(Source);
  if (const auto *Other = dynamic_cast<const TZrGraphicsDocumentProperties *>(Source)) {
    *Store = *Other->Store;
    HorizontalResolution = Other->HorizontalResolution;
    VerticalResolution = Other->VerticalResolution;
  }
}

void TZrGraphicsDocumentProperties::ClearAll()
{
  Clear();
  *Store = TStore();
  HorizontalResolution = 0;
  VerticalResolution = 0;
}

bool TZrGraphicsDocumentProperties::ReadFrom(const uint8_t *Data, size_t Size)
{
  InitExiv2();
  Clear();
  *Store = TStore();
  if (!Data || Size == 0 || Size > 0x7FFFFFFF)
    return false;
  try {
    Exiv2::Image::AutoPtr Image = Exiv2::ImageFactory::open(Data, static_cast<long>(Size));
    if (!Image.get())
      return false;
    Image->readMetadata();
    Store->Exif = Image->exifData();
    Store->Iptc = Image->iptcData();
    Store->Xmp = Image->xmpPacket();
    if (Image->iccProfileDefined()) {
      const Exiv2::DataBuf *Icc = Image->iccProfile();
      if (Icc && Icc->pData_ && Icc->size_ > 0)
        Store->Icc.assign(Icc->pData_, Icc->pData_ + Icc->size_);
    }
  } catch (...) {
    // Exiv2::AnyError for a malformed block, std::bad_alloc and the like:
    // the image opens without its metadata.
    *Store = TStore();
    return false;
  }
  RebuildItems();
  return HasMetadata();
}

bool TZrGraphicsDocumentProperties::SetExifBlock(const uint8_t *Data, size_t Size)
{
  InitExiv2();
  if (!Data || Size == 0 || Size > 0xFFFFFFFF)
    return false;
  try {
    Exiv2::ExifData Exif;
    Exiv2::ExifParser::decode(Exif, Data, static_cast<uint32_t>(Size));
    Store->Exif = std::move(Exif);
  } catch (...) {
    return false;
  }
  RebuildItems();
  return HasExif();
}

namespace {

// The offsets of a JPEG file's first scan header: where its marker starts
// and where the segment ends (the entropy-coded data begins).
bool FindFirstScan(const std::vector<uint8_t> &Bytes, size_t &ScanStart, size_t &ScanEnd)
{
  if (Bytes.size() < 4 || Bytes[0] != 0xFF || Bytes[1] != 0xD8)
    return false;
  size_t Pos = 2;
  while (Pos + 4 <= Bytes.size()) {
    if (Bytes[Pos] != 0xFF)
      return false;
    const uint8_t Marker = Bytes[Pos + 1];
    if (Marker == 0xFF) {
      ++Pos;
      continue;
    }
    if (Marker == 0x01 || (Marker >= 0xD0 && Marker <= 0xD7)) {
      Pos += 2;
      continue;
    }
    const size_t Length = (size_t{Bytes[Pos + 2]} << 8) | Bytes[Pos + 3];
    if (Length < 2 || Pos + 2 + Length > Bytes.size())
      return false;
    if (Marker == 0xDA) {
      ScanStart = Pos;
      ScanEnd = Pos + 2 + Length;
      return true;
    }
    if (Marker == 0xD9)
      return false;
    Pos += 2 + Length;
  }
  return false;
}

// Exiv2 writes a PNG's iCCP chunk with an empty profile name, which the
// format does not allow: other readers drop such a profile. The chunk gets
// a name, and its checksum is made anew.
void NameUnnamedProfile(std::vector<uint8_t> &Png)
{
  static const uint8_t Signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (Png.size() < 8 || !std::equal(Signature, Signature + 8, Png.begin()))
    return;
  size_t Pos = 8;
  while (Pos + 12 <= Png.size()) {
    const uint32_t Length = (uint32_t{Png[Pos]} << 24) | (uint32_t{Png[Pos + 1]} << 16) |
                            (uint32_t{Png[Pos + 2]} << 8) | Png[Pos + 3];
    if (Length > Png.size() - Pos - 12)
      return;
    const auto Type = Png.begin() + static_cast<ptrdiff_t>(Pos) + 4;
    if (std::equal(Type, Type + 4, "iCCP") && Length > 0 && Png[Pos + 8] == 0) {
      static const char Name[] = "ICC profile";
      const uint32_t NewLength = Length + sizeof Name - 1;
      Png.insert(Type + 4, Name, Name + sizeof Name - 1);
      for (int I = 0; I < 4; ++I)
        Png[Pos + static_cast<size_t>(I)] = static_cast<uint8_t>(NewLength >> (24 - 8 * I));
      const uLong Crc = crc32(crc32(0, nullptr, 0), Png.data() + Pos + 4, NewLength + 4);
      for (int I = 0; I < 4; ++I)
        Png[Pos + 8 + NewLength + static_cast<size_t>(I)] =
            static_cast<uint8_t>(Crc >> (24 - 8 * I));
      return;
    }
    Pos += 12 + size_t{Length};
  }
}

} // namespace

bool TZrGraphicsDocumentProperties::Rewrite(const uint8_t *Data, size_t Size, int32_t Width,
                                            int32_t Height, std::vector<uint8_t> &Out) const
{
  Out.clear();
  if (Size == 0 || Size > 0x7FFFFFFF)
    return false;
  try {
    Exiv2::Image::AutoPtr Image = Exiv2::ImageFactory::open(Data, static_cast<long>(Size));
    if (!Image.get())
      return false;
    Exiv2::ExifData Exif = Store->Exif;
    Exiv2::ExifThumb(Exif).erase();
    // The stored size describes the opened image; the saved one may differ.
    const std::pair<const char *, int32_t> Dimensions[] = {{"Exif.Photo.PixelXDimension", Width},
                                                           {"Exif.Photo.PixelYDimension", Height}};
    for (const auto &[Key, Value] : Dimensions) {
      auto Item = Exif.findKey(Exiv2::ExifKey(Key));
      if (Item != Exif.end())
        Item->setValue(std::to_string(Value));
    }
    Image->setExifData(Exif);
    Image->setIptcData(Store->Iptc);
    Image->setXmpPacket(Store->Xmp);
    Image->writeXmpFromPacket(true);
    if (!Store->Icc.empty()) {
      Exiv2::DataBuf Icc(Store->Icc.data(), static_cast<long>(Store->Icc.size()));
      Image->setIccProfile(Icc, false);
    }
    Image->writeMetadata();
    Exiv2::BasicIo &Io = Image->io();
    if (Io.open() != 0)
      return false;
    const long Length = static_cast<long>(Io.size());
    Exiv2::DataBuf Result = Io.read(Length);
    Io.close();
    if (Result.size_ != Length || Length <= 0)
      return false;
    Out.assign(Result.pData_, Result.pData_ + Result.size_);
    NameUnnamedProfile(Out);
  } catch (...) {
    Out.clear();
    return false;
  }
  return true;
}

bool TZrGraphicsDocumentProperties::WriteTo(std::vector<uint8_t> &Encoded, int32_t Width,
                                            int32_t Height) const
{
  if (!HasMetadata())
    return true;
  InitExiv2();
  if (Encoded.empty())
    return false;
  std::vector<uint8_t> Result;
  size_t ScanStart = 0, ScanEnd = 0;
  if (FindFirstScan(Encoded, ScanStart, ScanEnd)) {
    // A JPEG's metadata segments all come before the first scan: Exiv2
    // rewrites only the headers, closed by the scan header and an end
    // marker, and the compressed data is joined on unchanged. This spares
    // copying a large file through Exiv2 several times.
    std::vector<uint8_t> Head(Encoded.begin(), Encoded.begin() + static_cast<ptrdiff_t>(ScanEnd));
    Head.push_back(0xFF);
    Head.push_back(0xD9);
    const size_t Tail = ScanEnd - ScanStart + 2;
    if (Rewrite(Head.data(), Head.size(), Width, Height, Result) && Result.size() >= Tail &&
        std::equal(Head.end() - static_cast<ptrdiff_t>(Tail), Head.end(),
                   Result.end() - static_cast<ptrdiff_t>(Tail))) {
      // In place: with room reserved behind the data nothing is copied
      // to fresh memory.
      Result.resize(Result.size() - Tail);
      Encoded.erase(Encoded.begin(), Encoded.begin() + static_cast<ptrdiff_t>(ScanStart));
      Encoded.insert(Encoded.begin(), Result.begin(), Result.end());
      return true;
    }
  }
  if (!Rewrite(Encoded.data(), Encoded.size(), Width, Height, Result))
    return false;
  Encoded.swap(Result);
  return true;
}

bool TZrGraphicsDocumentProperties::HasExif() const
{
  return !Store->Exif.empty();
}

bool TZrGraphicsDocumentProperties::HasIptc() const
{
  return !Store->Iptc.empty();
}

bool TZrGraphicsDocumentProperties::HasXmp() const
{
  return !Store->Xmp.empty();
}

bool TZrGraphicsDocumentProperties::HasIccProfile() const
{
  return !Store->Icc.empty();
}

bool TZrGraphicsDocumentProperties::HasExifThumbnail() const
{
  for (const Exiv2::Exifdatum &Item : Store->Exif)
    if (Item.groupName() == "Thumbnail")
      return true;
  return false;
}

std::string TZrGraphicsDocumentProperties::ExifText(uint32_t Tag) const
{
  for (const Exiv2::Exifdatum &Item : Store->Exif) {
    if (Item.tag() != Tag || (Item.groupName() != "Image" && Item.groupName() != "Photo"))
      continue;
    try {
      return Trimmed(Item.toString());
    } catch (...) {
      return {};
    }
  }
  return {};
}

bool TZrGraphicsDocumentProperties::ExifResolution(double &Horizontal, double &Vertical) const
{
  try {
    const auto X = Store->Exif.findKey(Exiv2::ExifKey("Exif.Image.XResolution"));
    const auto Y = Store->Exif.findKey(Exiv2::ExifKey("Exif.Image.YResolution"));
    if (X == Store->Exif.end() || Y == Store->Exif.end())
      return false;
    long Unit = 2; // inches unless the file says otherwise
    const auto U = Store->Exif.findKey(Exiv2::ExifKey("Exif.Image.ResolutionUnit"));
    if (U != Store->Exif.end() && U->count() > 0)
      Unit = U->toLong();
    if (Unit != 2 && Unit != 3)
      return false;
    const double Factor = Unit == 3 ? 2.54 : 1.0;
    Horizontal = X->toFloat() * Factor;
    Vertical = Y->toFloat() * Factor;
    return Horizontal > 0 && Vertical > 0 && std::isfinite(Horizontal) && std::isfinite(Vertical);
  } catch (...) {
    return false;
  }
}

std::vector<std::pair<std::string, std::string>> TZrGraphicsDocumentProperties::List() const
{
  std::vector<std::pair<std::string, std::string>> Result;
  auto Add = [&](std::string Key, std::string Value) {
    Value = Trimmed(std::move(Value));
    if (Value.size() > 100)
      Value = Value.substr(0, 97) + "...";
    Result.emplace_back(std::move(Key), std::move(Value));
  };
  try {
    for (const Exiv2::Exifdatum &Item : Store->Exif)
      Add(Item.key(), Item.print(&Store->Exif));
    for (const Exiv2::Iptcdatum &Item : Store->Iptc)
      Add(Item.key(), Item.print());
    if (!Store->Xmp.empty()) {
      Exiv2::XmpData Xmp;
      if (Exiv2::XmpParser::decode(Xmp, Store->Xmp) == 0)
        for (const Exiv2::Xmpdatum &Item : Xmp)
          Add(Item.key(), Item.print());
    }
  } catch (...) {
  }
  if (!Store->Icc.empty())
    Add("ICC profile", std::to_string(Store->Icc.size()) + " bytes");
  return Result;
}

void TZrGraphicsDocumentProperties::RebuildItems()
{
  Clear();
  try {
    for (const Exiv2::Exifdatum &Item : Store->Exif) {
      if (!MainImageGroup(Item.groupName()))
        continue;
      const long Size = Item.size();
      if (Size <= 0)
        continue;
      std::vector<uint8_t> Bytes(static_cast<size_t>(Size));
      Item.copy(Bytes.data(), Exiv2::littleEndian);
      StoreValue(Item.tag(), static_cast<uint32_t>(Item.typeId()), Bytes.size(), Bytes.data());
    }
  } catch (...) {
  }
}

} // namespace facette

#pragma GCC diagnostic pop
