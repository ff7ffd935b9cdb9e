// PNG through libpng, read from and written to memory.
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace facette {

namespace {

struct TReadSource
{
  const uint8_t *Data;
  size_t Size;
  size_t Pos;
  // Rows of a transparent image before they are laid over white; freed by
  // the reader, also after an error.
  uint8_t *Buffer = nullptr;
};

// Lays BGRA pixels over white by plain weighting of the stored values, as
// viewers show them.
void RowOverWhite(const uint8_t *Source, uint8_t *Dest, uint32_t Width)
{
  for (uint32_t X = 0; X < Width; ++X, Source += 4, Dest += 3)
    for (int C = 0; C < 3; ++C)
      Dest[C] = OverWhite(Source[C], Source[3]);
}

void ReadFromMemory(png_structp Png, png_bytep Out, png_size_t Length)
{
  auto *Source = static_cast<TReadSource *>(png_get_io_ptr(Png));
  if (Length > Source->Size - Source->Pos)
    png_error(Png, "truncated");
  std::memcpy(Out, Source->Data + Source->Pos, Length);
  Source->Pos += Length;
}

void IgnoreWarning(png_structp, png_const_charp) {}

[[noreturn]] void RaiseError(png_structp Png, png_const_charp)
{
  png_longjmp(Png, 1);
}

// Every PNG pixel row costs at least its filter byte and deflate expands at
// most about 1032 times; a file far shorter than that cannot be the image
// it claims.
bool PNGSizePlausible(uint32_t Width, uint32_t Height, int BitDepth, size_t Size)
{
  const uint64_t RowBytes = (uint64_t{Width} * static_cast<uint64_t>(BitDepth) + 7) / 8 + 1;
  return RowBytes * Height <= uint64_t{Size} * 1040 + (uint64_t{1} << 16);
}

// Whether every chunk's length lies inside the file, up to the end chunk.
// libpng allocates a chunk's buffer from the length it states before it
// reads the data, so a damaged length must never reach it.
bool ChunksFit(const uint8_t *Data, size_t Size)
{
  size_t Pos = 8;
  while (Size >= 12 && Pos <= Size - 12) {
    const uint32_t Length = (uint32_t{Data[Pos]} << 24) | (uint32_t{Data[Pos + 1]} << 16) |
                            (uint32_t{Data[Pos + 2]} << 8) | Data[Pos + 3];
    if (Length > 0x7FFFFFFFu || Length > Size - 12 - Pos)
      return false;
    if (std::memcmp(Data + Pos + 4, "IEND", 4) == 0)
      return true;
    Pos += 12 + size_t{Length};
  }
  return false;
}

// The part of decoding that may longjmp: no object with a destructor lives
// in this frame.
bool ReadRows(png_structp Png, png_infop Info, TZrLTBitmap &Image, TZrDecodeInfo *Out)
{
  if (setjmp(png_jmpbuf(Png)))
    return false;
  png_read_info(Png, Info);
  png_uint_32 Width = 0, Height = 0;
  int BitDepth = 0, ColorType = 0, Interlace = 0;
  png_get_IHDR(Png, Info, &Width, &Height, &BitDepth, &ColorType, &Interlace, nullptr, nullptr);
  auto *Source = static_cast<TReadSource *>(png_get_io_ptr(Png));
  if (!PNGSizePlausible(Width, Height, BitDepth * png_get_channels(Png, Info), Source->Size))
    return false;
  // Problems are set field by field: a string built here could outlive a
  // longjmp.
  if (!ImageSizeAllowed(Width, Height)) {
    if (Out)
      Out->Problem = TZrImageProblem::TooLarge;
    return false;
  }

  if (ColorType == PNG_COLOR_TYPE_PALETTE)
    png_set_palette_to_rgb(Png);
  if (ColorType == PNG_COLOR_TYPE_GRAY && BitDepth < 8)
    png_set_expand_gray_1_2_4_to_8(Png);
  const bool Transparent =
      png_get_valid(Png, Info, PNG_INFO_tRNS) || (ColorType & PNG_COLOR_MASK_ALPHA) != 0;
  if (png_get_valid(Png, Info, PNG_INFO_tRNS))
    png_set_tRNS_to_alpha(Png);
  if (BitDepth == 16)
    png_set_scale_16(Png);
  if (ColorType == PNG_COLOR_TYPE_GRAY || ColorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(Png);
  png_set_bgr(Png);
  const int Passes = png_set_interlace_handling(Png);
  png_read_update_info(Png, Info);
  const size_t Channels = Transparent ? 4 : 3;
  if (png_get_rowbytes(Png, Info) != static_cast<size_t>(Width) * Channels)
    return false;

  if (!Image.SetSize(static_cast<int32_t>(Width), static_cast<int32_t>(Height), pf24bit)) {
    if (Out)
      Out->Problem = TZrImageProblem::OutOfMemory;
    return false;
  }
  const TZrPixels &Pixels = *Image.GetPixels();
  if (!Transparent) {
    for (int Pass = 0; Pass < Passes; ++Pass)
      for (png_uint_32 Y = 0; Y < Height; ++Y)
        png_read_row(Png, Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride, nullptr);
  } else {
    // Interlaced rows need the whole picture before the last pass; others
    // are laid over white row by row.
    const size_t RowBytes = static_cast<size_t>(Width) * 4;
    const bool Whole = Passes > 1;
    Source->Buffer = static_cast<uint8_t *>(std::malloc(RowBytes * (Whole ? Height : 1)));
    if (!Source->Buffer)
      return false;
    for (int Pass = 0; Pass < Passes; ++Pass)
      for (png_uint_32 Y = 0; Y < Height; ++Y) {
        uint8_t *Row = Source->Buffer + (Whole ? RowBytes * Y : 0);
        png_read_row(Png, Row, nullptr);
        if (!Whole)
          RowOverWhite(Row, Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride, Width);
      }
    if (Whole)
      for (png_uint_32 Y = 0; Y < Height; ++Y)
        RowOverWhite(Source->Buffer + RowBytes * Y,
                     Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride, Width);
  }
  png_read_end(Png, nullptr);

  if (Out) {
    Out->Width = static_cast<int32_t>(Width);
    Out->Height = static_cast<int32_t>(Height);
    png_uint_32 ResX = 0, ResY = 0;
    int Unit = 0;
    if (png_get_pHYs(Png, Info, &ResX, &ResY, &Unit) && Unit == PNG_RESOLUTION_METER) {
      Out->HorizontalResolution = ResX * 0.0254;
      Out->VerticalResolution = ResY * 0.0254;
    }
  }
  return true;
}

bool ReadHeaderOnly(png_structp Png, png_infop Info, TZrDecodeInfo &Out)
{
  if (setjmp(png_jmpbuf(Png)))
    return false;
  png_read_info(Png, Info);
  Out.Width = static_cast<int32_t>(png_get_image_width(Png, Info));
  Out.Height = static_cast<int32_t>(png_get_image_height(Png, Info));
  png_uint_32 ResX = 0, ResY = 0;
  int Unit = 0;
  if (png_get_pHYs(Png, Info, &ResX, &ResY, &Unit) && Unit == PNG_RESOLUTION_METER) {
    Out.HorizontalResolution = ResX * 0.0254;
    Out.VerticalResolution = ResY * 0.0254;
  }
  return Out.Width > 0 && Out.Height > 0;
}

class TReader
{
public:
  TReader(const uint8_t *Data, size_t Size) : Source{Data, Size, 0, nullptr}
  {
    Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, RaiseError, IgnoreWarning);
    if (Png)
      Info = png_create_info_struct(Png);
    if (Info) {
      png_set_read_fn(Png, &Source, ReadFromMemory);
      // libpng's own default limit; our smaller one is checked after the
      // header so that a picture too large to open is reported as such.
      png_set_user_limits(Png, 1000000, 1000000);
      png_set_chunk_malloc_max(Png, 64u << 20);
      // Text, colour-management and other ancillary chunks are not needed
      // for the pixels (metadata is read separately): libpng skips them
      // instead of decompressing them.
      static const png_byte Skipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0eXIf\0sPLT\0hIST\0tIME\0"
                                        "pCAL\0sCAL\0sBIT\0cHRM\0sRGB\0gAMA\0oFFs\0bKGD\0";
      png_set_keep_unknown_chunks(Png, PNG_HANDLE_CHUNK_NEVER, Skipped,
                                  static_cast<int>(sizeof(Skipped) / 5));
    }
  }
  ~TReader()
  {
    png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr);
    std::free(Source.Buffer);
  }
  TReader(const TReader &) = delete;
  TReader &operator=(const TReader &) = delete;
  bool Ready() const { return Png && Info; }

  TReadSource Source;
  png_structp Png = nullptr;
  png_infop Info = nullptr;
};

void WriteToVector(png_structp Png, png_bytep Data, png_size_t Length)
{
  auto *Out = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(Png));
  try {
    Out->insert(Out->end(), Data, Data + Length);
  } catch (const std::bad_alloc &) {
    png_error(Png, "out of memory");
  }
}

void FlushNothing(png_structp) {}

bool WriteRows(png_structp Png, png_infop Info, const TZrPixels &Pixels)
{
  if (setjmp(png_jmpbuf(Png)))
    return false;
  png_set_IHDR(Png, Info, static_cast<png_uint_32>(Pixels.Width),
               static_cast<png_uint_32>(Pixels.Height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(Png, Info);
  png_set_bgr(Png);
  for (int32_t Y = 0; Y < Pixels.Height; ++Y)
    png_write_row(Png, Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride);
  png_write_end(Png, nullptr);
  return true;
}

} // namespace

bool ReadPNGHeader(const uint8_t *Data, size_t Size, TZrDecodeInfo &Info)
{
  if (!Data || !ChunksFit(Data, Size))
    return false;
  TReader Reader(Data, Size);
  return Reader.Ready() && ReadHeaderOnly(Reader.Png, Reader.Info, Info);
}

bool DecodePNG(const uint8_t *Data, size_t Size, TZrLTBitmap &Image, TZrDecodeInfo *Info)
{
  Image.Clear();
  if (!Data || !ChunksFit(Data, Size))
    return false;
  TReader Reader(Data, Size);
  if (!Reader.Ready() || !ReadRows(Reader.Png, Reader.Info, Image, Info)) {
    Image.Clear();
    return false;
  }
  return true;
}

bool EncodePNG(const TZrPixels &Pixels, std::vector<uint8_t> &Out)
{
  Out.clear();
  if (!Pixels.Bits || Pixels.PixelFormat != pf24bit || Pixels.Width <= 0 || Pixels.Height <= 0)
    return false;
  png_structp Png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, RaiseError, IgnoreWarning);
  png_infop Info = Png ? png_create_info_struct(Png) : nullptr;
  bool Ok = false;
  if (Info) {
    png_set_write_fn(Png, &Out, WriteToVector, FlushNothing);
    Ok = WriteRows(Png, Info, Pixels);
  }
  png_destroy_write_struct(&Png, Info ? &Info : nullptr);
  if (!Ok)
    Out.clear();
  return Ok;
}

} // namespace facette
