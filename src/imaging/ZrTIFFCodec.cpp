// TIFF through libtiff over the file's bytes in memory.
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"

#include <lcms2.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

namespace facette {

namespace {

// A growable file in memory that libtiff reads from or writes to.
struct TMemoryFile
{
  const uint8_t *Data = nullptr;       // reading
  std::vector<uint8_t> *Out = nullptr; // writing
  uint64_t Size = 0;
  uint64_t Pos = 0;
};

tmsize_t MemRead(thandle_t Handle, void *Buffer, tmsize_t Length)
{
  auto *File = static_cast<TMemoryFile *>(Handle);
  if (Length < 0 || File->Pos >= File->Size)
    return 0;
  const uint64_t Count = std::min<uint64_t>(static_cast<uint64_t>(Length), File->Size - File->Pos);
  const uint8_t *Source = File->Out ? File->Out->data() : File->Data;
  std::memcpy(Buffer, Source + File->Pos, Count);
  File->Pos += Count;
  return static_cast<tmsize_t>(Count);
}

tmsize_t MemWrite(thandle_t Handle, void *Buffer, tmsize_t Length)
{
  auto *File = static_cast<TMemoryFile *>(Handle);
  if (!File->Out || Length < 0)
    return -1;
  const uint64_t End = File->Pos + static_cast<uint64_t>(Length);
  try {
    if (End > File->Out->size())
      File->Out->resize(End);
  } catch (const std::bad_alloc &) {
    return -1;
  }
  std::memcpy(File->Out->data() + File->Pos, Buffer, static_cast<size_t>(Length));
  File->Pos = End;
  File->Size = std::max<uint64_t>(File->Size, End);
  return Length;
}

toff_t MemSeek(thandle_t Handle, toff_t Offset, int Whence)
{
  auto *File = static_cast<TMemoryFile *>(Handle);
  uint64_t Base = 0;
  if (Whence == SEEK_CUR)
    Base = File->Pos;
  else if (Whence == SEEK_END)
    Base = File->Size;
  const uint64_t Target = Base + Offset;
  // libtiff seeks past the end only when writing.
  if (!File->Out && Target > File->Size)
    return static_cast<toff_t>(-1);
  File->Pos = Target;
  return Target;
}

int MemClose(thandle_t)
{
  return 0;
}

toff_t MemSize(thandle_t Handle)
{
  return static_cast<TMemoryFile *>(Handle)->Size;
}

int MemMap(thandle_t, void **, toff_t *)
{
  return 0;
}

void MemUnmap(thandle_t, void *, toff_t) {}

int Silent(TIFF *, void *, const char *, const char *, va_list)
{
  return 1; // handled: print nothing
}

struct TTIFFCloser
{
  void operator()(TIFF *Tiff) const { TIFFClose(Tiff); }
};
using TTIFFHandle = std::unique_ptr<TIFF, TTIFFCloser>;

TTIFFHandle Open(TMemoryFile &File, const char *Mode)
{
  TIFFOpenOptions *Options = TIFFOpenOptionsAlloc();
  if (!Options)
    return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(Options, Silent, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(Options, Silent, nullptr);
  // No single buffer of libtiff's may exceed this, whatever the file says.
  TIFFOpenOptionsSetMaxSingleMemAlloc(Options, tmsize_t{1} << 30);
  TIFF *Tiff = TIFFClientOpenExt("memory", Mode, &File, MemRead, MemWrite, MemSeek, MemClose,
                                 MemSize, MemMap, MemUnmap, Options);
  TIFFOpenOptionsFree(Options);
  return TTIFFHandle(Tiff);
}

void ReadResolution(TIFF *Tiff, TZrDecodeInfo &Info)
{
  float X = 0, Y = 0;
  uint16_t Unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(Tiff, TIFFTAG_RESOLUTIONUNIT, &Unit);
  if (TIFFGetField(Tiff, TIFFTAG_XRESOLUTION, &X) && TIFFGetField(Tiff, TIFFTAG_YRESOLUTION, &Y) &&
      X > 0 && Y > 0 && (Unit == RESUNIT_INCH || Unit == RESUNIT_CENTIMETER)) {
    const double Factor = Unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    Info.HorizontalResolution = X * Factor;
    Info.VerticalResolution = Y * Factor;
  }
}

// Whether a file of Size bytes can hold the claimed image. Strongly
// compressing schemes (fax coding of empty pages) are allowed a generous
// ratio; a photo never comes near it.
bool TIFFSizePlausible(uint32_t Width, uint32_t Height, size_t Size)
{
  return uint64_t{Width} * Height <= uint64_t{Size} * 8 * 1100 + (uint64_t{1} << 20);
}

// How many values a tag of the file's first directory holds, as the file
// says: libtiff quietly trims or pads strip and tile tables whose length
// does not fit the image, so this is read from the bytes themselves.
std::optional<uint64_t> FirstDirectoryCount(const uint8_t *Data, size_t Size, uint16_t Tag)
{
  if (Size < 16)
    return std::nullopt;
  const bool Little = Data[0] == 'I';
  auto Get = [&](size_t Pos, int Bytes) {
    uint64_t Value = 0;
    for (int I = 0; I < Bytes; ++I)
      Value |= uint64_t{Data[Pos + static_cast<size_t>(Little ? I : Bytes - 1 - I)]} << (8 * I);
    return Value;
  };
  const bool Big = Get(2, 2) == 43;
  const uint64_t Directory = Big ? Get(8, 8) : Get(4, 4);
  const size_t CountBytes = Big ? 8 : 2, EntryBytes = Big ? 20 : 12;
  if (Directory > Size - CountBytes)
    return std::nullopt;
  const uint64_t Entries = Get(static_cast<size_t>(Directory), static_cast<int>(CountBytes));
  for (uint64_t I = 0; I < Entries; ++I) {
    const uint64_t Entry = Directory + CountBytes + I * EntryBytes;
    if (Entry > Size - EntryBytes)
      break;
    if (Get(static_cast<size_t>(Entry), 2) == Tag)
      return Get(static_cast<size_t>(Entry) + 4, Big ? 8 : 4);
  }
  return std::nullopt;
}

// Whether the strips or tiles the file lists are the ones its size and
// rows per strip (or tile size) call for, each inside the file. Files
// that fail here decode to scrambled pixels, if at all.
bool LayoutAddsUp(TIFF *Tiff, const uint8_t *Data, size_t Size)
{
  const bool Tiled = TIFFIsTiled(Tiff);
  const uint64_t Expected = Tiled ? TIFFNumberOfTiles(Tiff) : TIFFNumberOfStrips(Tiff);
  const auto Offsets =
      FirstDirectoryCount(Data, Size, Tiled ? TIFFTAG_TILEOFFSETS : TIFFTAG_STRIPOFFSETS);
  const auto Counts =
      FirstDirectoryCount(Data, Size, Tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS);
  // libtiff works out missing byte counts of simple files itself.
  if (Expected == 0 || !Offsets || *Offsets != Expected || (Counts && *Counts != Expected))
    return false;
  for (uint32_t I = 0; I < Expected; ++I) {
    const uint64_t Offset = TIFFGetStrileOffset(Tiff, I);
    const uint64_t Bytes = TIFFGetStrileByteCount(Tiff, I);
    if (Bytes == 0 || Offset > Size || Bytes > Size - Offset)
      return false;
  }
  return true;
}

// Hands out the rows of an image whose samples are stored together, in
// order, decoding every strip and tile once: asking libtiff for rows in the
// middle of a compressed strip makes it decode the strip from its start.
class TRowReader
{
public:
  bool Begin(TIFF *NewTiff, uint32_t NewHeight)
  {
    Tiff = NewTiff;
    Height = NewHeight;
    RowBytes = TIFFScanlineSize(Tiff);
    if (RowBytes <= 0)
      return false;
    uint32_t Width = 0;
    uint16_t Bits = 1, Samples = 1;
    TIFFGetField(Tiff, TIFFTAG_IMAGEWIDTH, &Width);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_BITSPERSAMPLE, &Bits);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_SAMPLESPERPIXEL, &Samples);
    if (TIFFIsTiled(Tiff)) {
      TIFFGetField(Tiff, TIFFTAG_TILEWIDTH, &TileWidth);
      TIFFGetField(Tiff, TIFFTAG_TILELENGTH, &TileHeight);
      TileRowBytes = TIFFTileRowSize(Tiff);
      // Tiles are laid side by side in whole bytes; a tile row ending
      // inside a byte would need bit shifting that no writer calls for.
      if (TileWidth == 0 || TileHeight == 0 || TileRowBytes <= 0 ||
          uint64_t{TileWidth} * Bits * Samples % 8 != 0)
        return false;
      Tile.reset(new (std::nothrow) uint8_t[static_cast<size_t>(TIFFTileSize(Tiff))]);
      Rows.reset(new (std::nothrow) uint8_t[static_cast<size_t>(RowBytes) * TileHeight]);
      Columns = (Width + TileWidth - 1) / TileWidth;
      return Tile && Rows;
    }
    Rows.reset(new (std::nothrow) uint8_t[static_cast<size_t>(RowBytes)]);
    return Rows != nullptr;
  }
  tmsize_t RowSize() const { return RowBytes; }
  // The next row's samples as libtiff stores them; nil after an error.
  const uint8_t *Next()
  {
    if (Row >= Height)
      return nullptr;
    const uint32_t Y = Row++;
    if (!TileHeight)
      return TIFFReadScanline(Tiff, Rows.get(), Y, 0) == 1 ? Rows.get() : nullptr;
    if (Y % TileHeight == 0 && !ReadTileRow(Y))
      return nullptr;
    return Rows.get() + static_cast<size_t>(RowBytes) * (Y % TileHeight);
  }

private:
  bool ReadTileRow(uint32_t Top)
  {
    const uint32_t Count = std::min(TileHeight, Height - Top);
    for (uint32_t Column = 0; Column < Columns; ++Column) {
      if (TIFFReadTile(Tiff, Tile.get(), Column * TileWidth, Top, 0, 0) < 0)
        return false;
      const size_t Start = static_cast<size_t>(TileRowBytes) * Column;
      const size_t Bytes = std::min<size_t>(static_cast<size_t>(TileRowBytes),
                                            static_cast<size_t>(RowBytes) - Start);
      for (uint32_t Y = 0; Y < Count; ++Y)
        std::memcpy(Rows.get() + static_cast<size_t>(RowBytes) * Y + Start,
                    Tile.get() + static_cast<size_t>(TileRowBytes) * Y, Bytes);
    }
    return true;
  }

  TIFF *Tiff = nullptr;
  uint32_t Height = 0, Row = 0;
  tmsize_t RowBytes = 0, TileRowBytes = 0;
  uint32_t TileWidth = 0, TileHeight = 0, Columns = 0;
  std::unique_ptr<uint8_t[]> Rows, Tile;
};

// libtiff hands out colours already multiplied by alpha, so laying them
// over white adds what the alpha leaves uncovered.
void PackedRowOverWhite(const uint32_t *Source, uint8_t *Dest, uint32_t Width)
{
  for (uint32_t X = 0; X < Width; ++X, Dest += 3) {
    const uint32_t P = Source[X];
    const uint32_t Uncovered = 255 - TIFFGetA(P);
    Dest[0] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetB(P) + Uncovered));
    Dest[1] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetG(P) + Uncovered));
    Dest[2] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetR(P) + Uncovered));
  }
}

struct TRGBAImage
{
  TIFFRGBAImage Image{};
  bool Begun = false;
  ~TRGBAImage()
  {
    if (Begun)
      TIFFRGBAImageEnd(&Image);
  }
};

// The layout of the samples in words, such as "16-bit CMYK TIFF".
std::string LayoutName(TIFF *Tiff)
{
  uint16_t Photometric = 0, Bits = 1, Format = SAMPLEFORMAT_UINT;
  TIFFGetField(Tiff, TIFFTAG_PHOTOMETRIC, &Photometric);
  TIFFGetFieldDefaulted(Tiff, TIFFTAG_BITSPERSAMPLE, &Bits);
  TIFFGetFieldDefaulted(Tiff, TIFFTAG_SAMPLEFORMAT, &Format);
  std::string Name = std::to_string(Bits) + "-bit ";
  if (Format == SAMPLEFORMAT_IEEEFP)
    Name += "floating-point ";
  else if (Format == SAMPLEFORMAT_INT)
    Name += "signed ";
  switch (Photometric) {
  case PHOTOMETRIC_MINISWHITE:
  case PHOTOMETRIC_MINISBLACK:
    return Name + "grey TIFF";
  case PHOTOMETRIC_RGB:
    return Name + "RGB TIFF";
  case PHOTOMETRIC_PALETTE:
    return Name + "palette TIFF";
  case PHOTOMETRIC_SEPARATED:
    return Name + "CMYK TIFF";
  case PHOTOMETRIC_YCBCR:
    return Name + "YCbCr TIFF";
  default:
    return Name + "TIFF of photometric type " + std::to_string(Photometric);
  }
}

// Whatever libtiff can turn into RGBA. Its messages tell a form it does not
// read ("Sorry, can not handle ...") from a damaged file.
bool DecodeRGBA(TIFF *Tiff, uint32_t Width, uint32_t Height, const TZrPixels &Pixels,
                TZrDecodeInfo *Info)
{
  char Message[1024] = {};
  auto Refuse = [&] {
    const std::string Reason = Message;
    if (Reason.find("Sorry") == std::string::npos && Reason.find("can not") == std::string::npos)
      return DecodeFailed(Info, TZrImageProblem::Damaged);
    return DecodeFailed(Info, TZrImageProblem::Unsupported,
                        LayoutName(Tiff) + ", libtiff says: " + Reason);
  };
  if (!TIFFRGBAImageOK(Tiff, Message))
    return Refuse();
  TRGBAImage Rgba;
  // Stop at the first read error: going on would leave whatever the
  // buffers held in the picture.
  if (!TIFFRGBAImageBegin(&Rgba.Image, Tiff, 1, Message))
    return Refuse();
  Rgba.Begun = true;
  // Rows are taken in the order they are stored, whatever the orientation
  // tag says: like the EXIF orientation of a JPEG, the tag is metadata that
  // is carried into the saved file. Turning the pixels here as well would
  // turn them twice once that file is opened again.
  Rgba.Image.req_orientation = Rgba.Image.orientation;

  // Bands of rows, so that the only image-sized memory is ours.
  uint32_t BandRows = std::max<uint32_t>(1, std::min<uint32_t>(Height, (1u << 22) / Width));
  // Samples stored together (other than raw YCbCr, whose rows come in
  // blocks) are read row by row and converted by libtiff's own routine;
  // the rest goes through libtiff's reader.
  TRowReader Reader;
  const bool RowByRow = Rgba.Image.isContig && Rgba.Image.photometric != PHOTOMETRIC_YCBCR &&
                        Rgba.Image.put.contig && Reader.Begin(Tiff, Height);
  if (!RowByRow) {
    // libtiff reads each strip or tile as a whole: bands of whole strips
    // and tile rows read each of them once.
    uint32_t Unit = 0;
    if (TIFFIsTiled(Tiff))
      TIFFGetField(Tiff, TIFFTAG_TILELENGTH, &Unit);
    else
      TIFFGetFieldDefaulted(Tiff, TIFFTAG_ROWSPERSTRIP, &Unit);
    Unit = std::clamp<uint32_t>(Unit, 1, Height);
    BandRows = std::max(Unit, BandRows / Unit * Unit);
  }
  std::unique_ptr<uint32_t[]> Band(new (std::nothrow) uint32_t[size_t{Width} * BandRows]);
  std::unique_ptr<uint8_t[]> Samples;
  if (RowByRow)
    Samples.reset(new (std::nothrow) uint8_t[static_cast<size_t>(Reader.RowSize()) * BandRows]);
  if (!Band || (RowByRow && !Samples))
    return DecodeFailed(Info, TZrImageProblem::OutOfMemory);
  for (uint32_t Top = 0; Top < Height; Top += BandRows) {
    const uint32_t Rows = std::min(BandRows, Height - Top);
    if (RowByRow) {
      for (uint32_t Y = 0; Y < Rows; ++Y) {
        const uint8_t *Row = Reader.Next();
        if (!Row)
          return DecodeFailed(Info, TZrImageProblem::Damaged);
        std::memcpy(Samples.get() + static_cast<size_t>(Reader.RowSize()) * Y, Row,
                    static_cast<size_t>(Reader.RowSize()));
      }
      Rgba.Image.put.contig(&Rgba.Image, Band.get(), 0, Top, Width, Rows, 0, 0, Samples.get());
    } else {
      Rgba.Image.row_offset = static_cast<int>(Top);
      Rgba.Image.col_offset = 0;
      if (!TIFFRGBAImageGet(&Rgba.Image, Band.get(), Width, Rows))
        return DecodeFailed(Info, TZrImageProblem::Damaged);
    }
    for (uint32_t Y = 0; Y < Rows; ++Y)
      PackedRowOverWhite(Band.get() + size_t{Y} * Width,
                         Pixels.Bits + static_cast<ptrdiff_t>(Top + Y) * Pixels.Stride, Width);
  }
  return true;
}

// Grey images of bit depths libtiff's RGBA reader does not take (10, 12,
// 14 bits, or below 8 with alpha), scaled to 8 bits; a second sample is
// alpha, laid over white.
bool DecodeGrey(TIFF *Tiff, uint32_t Width, uint32_t Height, uint16_t Bits, uint16_t Samples,
                bool WhiteIsZero, const TZrPixels &Pixels, TZrDecodeInfo *Info)
{
  TRowReader Reader;
  if (!Reader.Begin(Tiff, Height))
    return DecodeFailed(Info, TZrImageProblem::Unsupported,
                        std::to_string(Bits) + "-bit grey in this tile layout");
  uint16_t ExtraCount = 0, *Extra = nullptr;
  const bool Premultiplied = TIFFGetField(Tiff, TIFFTAG_EXTRASAMPLES, &ExtraCount, &Extra) &&
                             ExtraCount > 0 && Extra[0] == EXTRASAMPLE_ASSOCALPHA;
  const uint32_t Max = (1u << Bits) - 1;
  for (uint32_t Y = 0; Y < Height; ++Y) {
    const uint8_t *Row = Reader.Next();
    if (!Row)
      return DecodeFailed(Info, TZrImageProblem::Damaged);
    uint8_t *Dest = Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride;
    uint64_t Bit = 0;
    // Samples are packed from the most significant bit on.
    auto Next = [&] {
      uint32_t Value = 0;
      for (const uint64_t End = Bit + Bits; Bit < End; ++Bit)
        Value = (Value << 1) | ((Row[Bit / 8] >> (7 - Bit % 8)) & 1u);
      return Value;
    };
    for (uint32_t X = 0; X < Width; ++X, Dest += 3) {
      uint32_t Value = Next();
      if (WhiteIsZero)
        Value = Max - Value;
      if (Samples == 2) {
        const uint32_t Alpha = Next();
        Value = Premultiplied ? std::min(Max, Value + Max - Alpha)
                              : (Value * Alpha + Max * (Max - Alpha) + Max / 2) / Max;
      }
      const auto Grey = static_cast<uint8_t>((Value * 255 + Max / 2) / Max);
      Dest[0] = Dest[1] = Dest[2] = Grey;
    }
  }
  return true;
}

struct TProfileCloser
{
  void operator()(void *Profile) const { cmsCloseProfile(Profile); }
};
struct TTransformDeleter
{
  void operator()(void *Transform) const { cmsDeleteTransform(Transform); }
};

// CIE L*a*b* images (the TIFF encoding with signed a* and b*, or the ICC
// one with an offset), converted to sRGB with Little CMS. The values are
// relative to the file's white point (D50, the ICC reference white, when it
// states none), so a white paper stays white.
bool DecodeLab(TIFF *Tiff, uint32_t Width, uint32_t Height, uint16_t Bits, uint16_t Samples,
               bool IccEncoding, const TZrPixels &Pixels, TZrDecodeInfo *Info)
{
  if ((Bits != 8 && Bits != 16) || (Samples != 1 && Samples < 3))
    return DecodeFailed(Info, TZrImageProblem::Unsupported,
                        "CIELab with " + std::to_string(Samples) + " samples of " +
                            std::to_string(Bits) + " bits");
  cmsCIExyY White = *cmsD50_xyY();
  float *Point = nullptr;
  if (TIFFGetField(Tiff, TIFFTAG_WHITEPOINT, &Point) && Point && Point[0] > 0 && Point[0] < 1 &&
      Point[1] > 0 && Point[1] < 1)
    White = {Point[0], Point[1], 1.0};
  std::unique_ptr<void, TProfileCloser> Lab(cmsCreateLab4Profile(&White));
  std::unique_ptr<void, TProfileCloser> Srgb(cmsCreate_sRGBProfile());
  if (!Lab || !Srgb)
    return DecodeFailed(Info, TZrImageProblem::OutOfMemory);
  std::unique_ptr<void, TTransformDeleter> Transform(cmsCreateTransform(
      Lab.get(), TYPE_Lab_FLT, Srgb.get(), TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC, 0));
  TRowReader Reader;
  std::unique_ptr<float[]> Values(new (std::nothrow) float[size_t{Width} * 3]);
  if (!Transform || !Values)
    return DecodeFailed(Info, TZrImageProblem::OutOfMemory);
  if (!Reader.Begin(Tiff, Height))
    return DecodeFailed(Info, TZrImageProblem::Unsupported, "CIELab in this tile layout");
  for (uint32_t Y = 0; Y < Height; ++Y) {
    const uint8_t *Row = Reader.Next();
    if (!Row)
      return DecodeFailed(Info, TZrImageProblem::Damaged);
    float *V = Values.get();
    for (uint32_t X = 0; X < Width; ++X, V += 3) {
      // Sample S of pixel X as stored: L* unsigned, a* and b* signed or
      // offset by half the range.
      auto Sample = [&](uint32_t S) -> float {
        const size_t Index = size_t{X} * Samples + S;
        if (Bits == 8) {
          const uint8_t Raw = Row[Index];
          if (S == 0)
            return Raw * (100.0f / 255);
          return IccEncoding ? Raw - 128.0f : static_cast<float>(static_cast<int8_t>(Raw));
        }
        uint16_t Raw;
        std::memcpy(&Raw, Row + Index * 2, 2);
        if (S == 0)
          return Raw * (100.0f / 65535);
        return IccEncoding ? Raw / 256.0f - 128 : static_cast<int16_t>(Raw) / 256.0f;
      };
      V[0] = Sample(0);
      V[1] = Samples >= 3 ? Sample(1) : 0;
      V[2] = Samples >= 3 ? Sample(2) : 0;
    }
    cmsDoTransform(Transform.get(), Values.get(),
                   Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride, Width);
  }
  return true;
}

} // namespace

bool ReadTIFFHeader(const uint8_t *Data, size_t Size, TZrDecodeInfo &Info)
{
  if (!Data)
    return false;
  TMemoryFile File{Data, nullptr, Size, 0};
  TTIFFHandle Tiff = Open(File, "rm");
  if (!Tiff)
    return false;
  uint32_t Width = 0, Height = 0;
  if (!TIFFGetField(Tiff.get(), TIFFTAG_IMAGEWIDTH, &Width) ||
      !TIFFGetField(Tiff.get(), TIFFTAG_IMAGELENGTH, &Height) || Width == 0 || Height == 0 ||
      Width > MaxImageSide || Height > MaxImageSide)
    return false;
  Info.Width = static_cast<int32_t>(Width);
  Info.Height = static_cast<int32_t>(Height);
  ReadResolution(Tiff.get(), Info);
  return true;
}

bool DecodeTIFF(const uint8_t *Data, size_t Size, TZrLTBitmap &Image, TZrDecodeInfo *Info)
{
  Image.Clear();
  if (!Data)
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  TMemoryFile File{Data, nullptr, Size, 0};
  TTIFFHandle Tiff = Open(File, "rm");
  if (!Tiff)
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  TIFF *T = Tiff.get();
  uint32_t Width = 0, Height = 0;
  if (!TIFFGetField(T, TIFFTAG_IMAGEWIDTH, &Width) ||
      !TIFFGetField(T, TIFFTAG_IMAGELENGTH, &Height))
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  // A small file claiming a huge picture is damaged; a huge picture that
  // is all there is too large.
  if (Width == 0 || Height == 0 || !TIFFSizePlausible(Width, Height, Size) ||
      !LayoutAddsUp(T, Data, Size))
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  if (!ImageSizeAllowed(Width, Height))
    return DecodeFailed(Info, TZrImageProblem::TooLarge);

  uint16_t Photometric = 0, Bits = 1, Samples = 1, Format = SAMPLEFORMAT_UINT;
  uint16_t Planar = PLANARCONFIG_CONTIG;
  TIFFGetField(T, TIFFTAG_PHOTOMETRIC, &Photometric);
  TIFFGetFieldDefaulted(T, TIFFTAG_BITSPERSAMPLE, &Bits);
  TIFFGetFieldDefaulted(T, TIFFTAG_SAMPLESPERPIXEL, &Samples);
  TIFFGetFieldDefaulted(T, TIFFTAG_SAMPLEFORMAT, &Format);
  TIFFGetFieldDefaulted(T, TIFFTAG_PLANARCONFIG, &Planar);
  const bool Grey = Photometric == PHOTOMETRIC_MINISBLACK || Photometric == PHOTOMETRIC_MINISWHITE;
  const bool Lab = Photometric == PHOTOMETRIC_CIELAB || Photometric == PHOTOMETRIC_ICCLAB;
  // libtiff's RGBA reader takes grey of 2, 4 and 8 bits, with alpha only
  // at 8 bits; ours the rest up to 15 bits.
  const bool OddGrey =
      Grey && Format == SAMPLEFORMAT_UINT && Bits > 1 && Bits < 16 && Bits != 8 &&
      ((Samples == 1 && Bits != 2 && Bits != 4) || (Samples == 2 && Planar == PLANARCONFIG_CONTIG));
  if (Lab && (Planar != PLANARCONFIG_CONTIG || Format != SAMPLEFORMAT_UINT))
    return DecodeFailed(Info, TZrImageProblem::Unsupported,
                        "CIELab in separate planes or "
                        "non-integer samples");

  if (!Image.SetSize(static_cast<int32_t>(Width), static_cast<int32_t>(Height), pf24bit))
    return DecodeFailed(Info, TZrImageProblem::OutOfMemory);
  const TZrPixels &Pixels = *Image.GetPixels();
  bool Ok;
  if (Lab)
    Ok =
        DecodeLab(T, Width, Height, Bits, Samples, Photometric == PHOTOMETRIC_ICCLAB, Pixels, Info);
  else if (OddGrey)
    Ok = DecodeGrey(T, Width, Height, Bits, Samples, Photometric == PHOTOMETRIC_MINISWHITE, Pixels,
                    Info);
  else
    Ok = DecodeRGBA(T, Width, Height, Pixels, Info);
  if (!Ok) {
    Image.Clear();
    return false;
  }
  if (Info) {
    Info->Width = static_cast<int32_t>(Width);
    Info->Height = static_cast<int32_t>(Height);
    ReadResolution(T, *Info);
  }
  return true;
}

bool EncodeTIFF(const TZrPixels &Pixels, std::vector<uint8_t> &Out)
{
  Out.clear();
  if (!Pixels.Bits || Pixels.PixelFormat != pf24bit || Pixels.Width <= 0 || Pixels.Height <= 0)
    return false;
  TMemoryFile File{nullptr, &Out, 0, 0};
  bool Ok = false;
  {
    TTIFFHandle Tiff = Open(File, "w");
    if (!Tiff)
      return false;
    TIFF *T = Tiff.get();
    const uint32_t Width = static_cast<uint32_t>(Pixels.Width);
    const uint32_t Height = static_cast<uint32_t>(Pixels.Height);
    TIFFSetField(T, TIFFTAG_IMAGEWIDTH, Width);
    TIFFSetField(T, TIFFTAG_IMAGELENGTH, Height);
    TIFFSetField(T, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(T, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(T, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(T, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(T, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(T, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(T, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(T, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(T, 0));
    std::unique_ptr<uint8_t[]> Row(new (std::nothrow) uint8_t[size_t{Width} * 3]);
    Ok = Row != nullptr;
    for (uint32_t Y = 0; Ok && Y < Height; ++Y) {
      const uint8_t *Source = Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride;
      uint8_t *Dest = Row.get();
      for (uint32_t X = 0; X < Width; ++X, Source += 3, Dest += 3) {
        Dest[0] = Source[2];
        Dest[1] = Source[1];
        Dest[2] = Source[0];
      }
      Ok = TIFFWriteScanline(T, Row.get(), Y, 0) == 1;
    }
    Ok = Ok && TIFFWriteDirectory(T) == 1;
  }
  if (!Ok)
    Out.clear();
  else
    Out.resize(File.Size);
  return Ok;
}

} // namespace facette
