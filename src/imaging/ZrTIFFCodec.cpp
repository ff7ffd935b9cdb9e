// TIFF through libtiff over the file's bytes in memory.
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

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
    return false;
  TMemoryFile File{Data, nullptr, Size, 0};
  TTIFFHandle Tiff = Open(File, "rm");
  if (!Tiff)
    return false;
  char Message[1024] = {};
  if (!TIFFRGBAImageOK(Tiff.get(), Message))
    return false;
  TRGBAImage Rgba;
  if (!TIFFRGBAImageBegin(&Rgba.Image, Tiff.get(), 0, Message))
    return false;
  Rgba.Begun = true;
  const uint32_t Width = Rgba.Image.width, Height = Rgba.Image.height;
  if (!ImageSizeAllowed(Width, Height) || !TIFFSizePlausible(Width, Height, Size))
    return false;
  // Rows are taken in the order they are stored, whatever the orientation
  // tag says: like the EXIF orientation of a JPEG, the tag is metadata that
  // is carried into the saved file. Turning the pixels here as well would
  // turn them twice once that file is opened again.
  Rgba.Image.req_orientation = Rgba.Image.orientation;

  // Decode in bands of rows so that the only image-sized memory is ours.
  const uint32_t BandRows = std::max<uint32_t>(1, std::min<uint32_t>(Height, (1u << 22) / Width));
  std::unique_ptr<uint32_t[]> Band(new (std::nothrow) uint32_t[size_t{Width} * BandRows]);
  if (!Band || !Image.SetSize(static_cast<int32_t>(Width), static_cast<int32_t>(Height), pf24bit))
    return false;
  const TZrPixels &Pixels = *Image.GetPixels();
  for (uint32_t Top = 0; Top < Height; Top += BandRows) {
    const uint32_t Rows = std::min(BandRows, Height - Top);
    Rgba.Image.row_offset = static_cast<int>(Top);
    Rgba.Image.col_offset = 0;
    if (!TIFFRGBAImageGet(&Rgba.Image, Band.get(), Width, Rows)) {
      Image.Clear();
      return false;
    }
    for (uint32_t Y = 0; Y < Rows; ++Y) {
      const uint32_t *Source = Band.get() + size_t{Y} * Width;
      uint8_t *Dest = Pixels.Bits + static_cast<ptrdiff_t>(Top + Y) * Pixels.Stride;
      for (uint32_t X = 0; X < Width; ++X, Dest += 3) {
        // libtiff hands out colours already multiplied by alpha, so laying
        // them over white adds what the alpha leaves uncovered.
        const uint32_t P = Source[X];
        const uint32_t Uncovered = 255 - TIFFGetA(P);
        Dest[0] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetB(P) + Uncovered));
        Dest[1] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetG(P) + Uncovered));
        Dest[2] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetR(P) + Uncovered));
      }
    }
  }
  if (Info) {
    Info->Width = static_cast<int32_t>(Width);
    Info->Height = static_cast<int32_t>(Height);
    ReadResolution(Tiff.get(), *Info);
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
