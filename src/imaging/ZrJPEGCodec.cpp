// JPEG through the TurboJPEG API, plus a small marker reader of our own for
// what TurboJPEG does not tell: resolution, the Exif segment, the coding
// process and the quantisation tables.
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace facette {

namespace {

uint32_t BE16(const uint8_t *P)
{
  return (uint32_t{P[0]} << 8) | P[1];
}

struct TTJDeleter
{
  void operator()(void *Handle) const { tjDestroy(static_cast<tjhandle>(Handle)); }
};
using TTJHandle = std::unique_ptr<void, TTJDeleter>;

struct TTJBufferDeleter
{
  void operator()(unsigned char *Buffer) const { tjFree(Buffer); }
};

// Whether the entropy-coded data after the first scan header reaches an
// end-of-image marker: a file cut short has none. Inside coded data a 0xFF
// byte is always followed by 0x00 or a restart marker, so the first FF D9
// there is the real end.
bool ReachesEndOfImage(const uint8_t *Data, size_t Size, size_t ScanStart)
{
  if (ScanStart >= Size)
    return false;
  const uint8_t *P = Data + ScanStart;
  const uint8_t *End = Data + Size;
  while (P < End) {
    P = static_cast<const uint8_t *>(std::memchr(P, 0xFF, static_cast<size_t>(End - P)));
    if (!P || P + 1 >= End)
      return false;
    if (P[1] == 0xD9)
      return true;
    ++P;
  }
  return false;
}

struct TMarkerScan
{
  TZrJPEGHeader Header;
  bool FrameFound = false;
  size_t ScanStart = 0; // offset just after the first SOS marker
};

bool ScanMarkers(const uint8_t *Data, size_t Size, TMarkerScan &Scan)
{
  if (!Data || Size < 4 || Data[0] != 0xFF || Data[1] != 0xD8)
    return false;
  TZrJPEGHeader &H = Scan.Header;
  size_t Pos = 2;
  while (Pos + 1 < Size) {
    if (Data[Pos] != 0xFF) {
      // Stray bytes between segments: skip to the next marker as decoders do.
      ++Pos;
      continue;
    }
    while (Pos < Size && Data[Pos] == 0xFF)
      ++Pos;
    if (Pos >= Size)
      break;
    const uint8_t Marker = Data[Pos++];
    if (Marker == 0xD8 || Marker == 0x01 || (Marker >= 0xD0 && Marker <= 0xD7))
      continue;
    if (Marker == 0xD9)
      break;
    if (Pos + 2 > Size)
      break;
    const size_t Length = BE16(Data + Pos);
    if (Length < 2 || Pos + Length > Size)
      break;
    const uint8_t *Seg = Data + Pos + 2;
    const size_t SegSize = Length - 2;
    if (Marker == 0xDA) {
      Scan.ScanStart = Pos + Length;
      return Scan.FrameFound;
    }
    const bool IsFrame =
        Marker >= 0xC0 && Marker <= 0xCF && Marker != 0xC4 && Marker != 0xC8 && Marker != 0xCC;
    if (IsFrame && !Scan.FrameFound) {
      if (SegSize < 6)
        return false;
      H.Height = static_cast<int32_t>(BE16(Seg + 1));
      H.Width = static_cast<int32_t>(BE16(Seg + 3));
      const int Components = Seg[5];
      if (SegSize < 6 + 3 * static_cast<size_t>(Components) || Components == 0)
        return false;
      H.Progressive = Marker == 0xC2 || Marker == 0xC6 || Marker == 0xCA || Marker == 0xCE;
      H.Arithmetic = Marker >= 0xC9;
      H.CMYK = Components == 4;
      Scan.FrameFound = true;
    } else if (Marker == 0xE0 && SegSize >= 12 && std::memcmp(Seg, "JFIF\0", 5) == 0) {
      const int Units = Seg[7];
      const double X = BE16(Seg + 8), Y = BE16(Seg + 10);
      if ((Units == 1 || Units == 2) && X > 0 && Y > 0) {
        const double Factor = Units == 2 ? 2.54 : 1.0;
        H.HorizontalResolution = X * Factor;
        H.VerticalResolution = Y * Factor;
      }
    } else if (Marker == 0xE1 && SegSize >= 6 && std::memcmp(Seg, "Exif\0", 5) == 0) {
      H.HasExif = true;
    }
    Pos += Length;
  }
  return false; // no scan: nothing to decode
}

bool PrepareDecode(tjhandle Handle, const uint8_t *Data, size_t Size, TZrJPEGHeader &Header,
                   int &ColorSpace)
{
  if (Size > std::numeric_limits<unsigned long>::max())
    return false;
  TMarkerScan Scan;
  if (!ScanMarkers(Data, Size, Scan))
    return false;
  Header = Scan.Header;
  if (!ImageSizeAllowed(Header.Width, Header.Height) || !JPEGSizePlausible(Header, Size))
    return false;
  if (!ReachesEndOfImage(Data, Size, Scan.ScanStart))
    return false;
  int Width = 0, Height = 0, Subsampling = 0;
  ColorSpace = 0;
  if (tjDecompressHeader3(Handle, Data, static_cast<unsigned long>(Size), &Width, &Height,
                          &Subsampling, &ColorSpace) != 0)
    return false;
  if (Width != Header.Width || Height != Header.Height)
    return false;
  Header.Subsampling = Subsampling;
  return true;
}

// TurboJPEG reports warnings (recoverable corruption) as failures with the
// warning code; the image is then decoded completely and we accept it.
bool DecodeSucceeded(tjhandle Handle, int Result)
{
  return Result == 0 || tjGetErrorCode(Handle) == TJERR_WARNING;
}

constexpr int DecodeFlags = TJFLAG_LIMITSCANS;

// Adobe CMYK as stored in JPEG files is inverted: 255 means no ink.
void CMYKToBGR(const uint8_t *Src, uint8_t *Dest, int32_t Width)
{
  for (int32_t X = 0; X < Width; ++X, Src += 4, Dest += 3) {
    const uint32_t K = Src[3];
    Dest[0] = static_cast<uint8_t>((Src[2] * K + 127) / 255);
    Dest[1] = static_cast<uint8_t>((Src[1] * K + 127) / 255);
    Dest[2] = static_cast<uint8_t>((Src[0] * K + 127) / 255);
  }
}

bool DecodeToWindow(tjhandle Handle, const uint8_t *Data, size_t Size, int ColorSpace,
                    const TZrPixels &Dest, int32_t Width, int32_t Height)
{
  if (ColorSpace == TJCS_CMYK || ColorSpace == TJCS_YCCK) {
    std::unique_ptr<uint8_t[]> Temp(new (std::nothrow)
                                        uint8_t[static_cast<size_t>(Width) * Height * 4]);
    if (!Temp)
      return false;
    if (!DecodeSucceeded(Handle,
                         tjDecompress2(Handle, Data, static_cast<unsigned long>(Size), Temp.get(),
                                       Width, Width * 4, Height, TJPF_CMYK, DecodeFlags)))
      return false;
    for (int32_t Y = 0; Y < Height; ++Y)
      CMYKToBGR(Temp.get() + static_cast<size_t>(Y) * Width * 4,
                Dest.Bits + static_cast<ptrdiff_t>(Y) * Dest.Stride, Width);
    return true;
  }
  return DecodeSucceeded(Handle,
                         tjDecompress2(Handle, Data, static_cast<unsigned long>(Size), Dest.Bits,
                                       Width, Dest.Stride, Height, TJPF_BGR, DecodeFlags));
}

} // namespace

bool ReadJPEGHeader(const uint8_t *Data, size_t Size, TZrJPEGHeader &Header)
{
  TMarkerScan Scan;
  if (!ScanMarkers(Data, Size, Scan))
    return false;
  Header = Scan.Header;
  TTJHandle Handle(tjInitDecompress());
  int Width = 0, Height = 0, Subsampling = 0, ColorSpace = 0;
  if (Handle && Size <= std::numeric_limits<unsigned long>::max() &&
      tjDecompressHeader3(Handle.get(), Data, static_cast<unsigned long>(Size), &Width, &Height,
                          &Subsampling, &ColorSpace) == 0)
    Header.Subsampling = Subsampling;
  return Header.Width > 0 && Header.Height > 0;
}

bool JPEGSizePlausible(const TZrJPEGHeader &Header, size_t Size)
{
  const int64_t Blocks = ((int64_t{Header.Width} + 7) / 8) * ((int64_t{Header.Height} + 7) / 8);
  // Arithmetic coding can spend less than a bit on a flat block; allow it
  // one byte per 64 blocks instead.
  const int64_t MinBytes = Header.Arithmetic ? Blocks / 64 : Blocks / 8;
  return static_cast<int64_t>(Size) >= MinBytes;
}

bool DecodeJPEG(const uint8_t *Data, size_t Size, TZrLTBitmap &Image, TZrDecodeInfo *Info)
{
  Image.Clear();
  TTJHandle Handle(tjInitDecompress());
  TZrJPEGHeader Header;
  int ColorSpace = 0;
  if (!Handle || !PrepareDecode(Handle.get(), Data, Size, Header, ColorSpace))
    return false;
  if (!Image.SetSize(Header.Width, Header.Height, pf24bit))
    return false;
  if (!DecodeToWindow(Handle.get(), Data, Size, ColorSpace, *Image.GetPixels(), Header.Width,
                      Header.Height)) {
    Image.Clear();
    return false;
  }
  if (Info) {
    Info->Width = Header.Width;
    Info->Height = Header.Height;
    Info->HorizontalResolution = Header.HorizontalResolution;
    Info->VerticalResolution = Header.VerticalResolution;
  }
  return true;
}

bool DecodeJPEGInto(const uint8_t *Data, size_t Size, const TZrPixels &Dest)
{
  TTJHandle Handle(tjInitDecompress());
  TZrJPEGHeader Header;
  int ColorSpace = 0;
  if (!Handle || !Dest.Bits || Dest.PixelFormat != pf24bit ||
      !PrepareDecode(Handle.get(), Data, Size, Header, ColorSpace))
    return false;
  if (Header.Width != Dest.Width || Header.Height != Dest.Height)
    return false;
  return DecodeToWindow(Handle.get(), Data, Size, ColorSpace, Dest, Header.Width, Header.Height);
}

bool DecodeJPEGScaled(const uint8_t *Data, size_t Size, int32_t MinWidth, int32_t MinHeight,
                      TZrLTBitmap &Image)
{
  Image.Clear();
  TTJHandle Handle(tjInitDecompress());
  TZrJPEGHeader Header;
  int ColorSpace = 0;
  if (!Handle || !PrepareDecode(Handle.get(), Data, Size, Header, ColorSpace))
    return false;
  int Count = 0;
  const tjscalingfactor *Factors = tjGetScalingFactors(&Count);
  int32_t Width = Header.Width, Height = Header.Height;
  for (int I = 0; Factors && I < Count; ++I) {
    if (Factors[I].num > Factors[I].denom)
      continue;
    const int32_t W = TJSCALED(Header.Width, Factors[I]);
    const int32_t H = TJSCALED(Header.Height, Factors[I]);
    if (W >= MinWidth && H >= MinHeight && W > 0 && H > 0 &&
        int64_t{W} * H < int64_t{Width} * Height) {
      Width = W;
      Height = H;
    }
  }
  if (!Image.SetSize(Width, Height, pf24bit))
    return false;
  bool Ok;
  if (ColorSpace == TJCS_CMYK || ColorSpace == TJCS_YCCK) {
    std::unique_ptr<uint8_t[]> Temp(new (std::nothrow)
                                        uint8_t[static_cast<size_t>(Width) * Height * 4]);
    Ok = Temp && DecodeSucceeded(Handle.get(),
                                 tjDecompress2(Handle.get(), Data, static_cast<unsigned long>(Size),
                                               Temp.get(), Width, Width * 4, Height, TJPF_CMYK,
                                               DecodeFlags | TJFLAG_FASTDCT));
    for (int32_t Y = 0; Ok && Y < Height; ++Y)
      CMYKToBGR(Temp.get() + static_cast<size_t>(Y) * Width * 4, Image.GetPixels()->PixelPtr(0, Y),
                Width);
  } else {
    Ok = DecodeSucceeded(Handle.get(),
                         tjDecompress2(Handle.get(), Data, static_cast<unsigned long>(Size),
                                       Image.GetPixels()->Bits, Width, Image.GetPixels()->Stride,
                                       Height, TJPF_BGR, DecodeFlags | TJFLAG_FASTDCT));
  }
  if (!Ok)
    Image.Clear();
  return Ok;
}

bool EncodeJPEG(const TZrPixels &Pixels, int32_t Quality, int32_t Subsampling,
                std::vector<uint8_t> &Out)
{
  Out.clear();
  if (!Pixels.Bits || Pixels.PixelFormat != pf24bit || Pixels.Width <= 0 || Pixels.Height <= 0 ||
      Pixels.Width > 65535 || Pixels.Height > 65535)
    return false;
  if (Subsampling < js444 || Subsampling > js411)
    Subsampling = js420;
  TTJHandle Handle(tjInitCompress());
  if (!Handle)
    return false;
  unsigned char *Buffer = nullptr;
  unsigned long Length = 0;
  const int Result =
      tjCompress2(Handle.get(), Pixels.Bits, Pixels.Width, Pixels.Stride, Pixels.Height, TJPF_BGR,
                  &Buffer, &Length, Subsampling, std::clamp(Quality, 1, 100), 0);
  std::unique_ptr<unsigned char, TTJBufferDeleter> Owned(Buffer);
  if (Result != 0 || !Buffer)
    return false;
  try {
    Out.assign(Buffer, Buffer + Length);
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

int32_t EstimateJPEGQuality(const uint8_t *Data, size_t Size)
{
  // The example luminance table of the JPEG standard in natural order, and
  // the zig-zag order in which tables are stored.
  static const uint16_t Standard[64] = {
      16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
      14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
      18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
      49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
  static const uint8_t ZigZag[64] = {
      0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
      41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
      30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
  if (!Data || Size < 4 || Data[0] != 0xFF || Data[1] != 0xD8)
    return -1;
  // Find the first table with identifier 0.
  uint32_t Table[64];
  bool Found = false;
  size_t Pos = 2;
  while (!Found && Pos + 4 <= Size) {
    if (Data[Pos] != 0xFF) {
      ++Pos;
      continue;
    }
    const uint8_t Marker = Data[Pos + 1];
    if (Marker == 0xFF) {
      ++Pos;
      continue;
    }
    if (Marker == 0xD8 || Marker == 0x01 || (Marker >= 0xD0 && Marker <= 0xD7)) {
      Pos += 2;
      continue;
    }
    if (Marker == 0xDA || Marker == 0xD9)
      break;
    const size_t Length = BE16(Data + Pos + 2);
    if (Length < 2 || Pos + 2 + Length > Size)
      break;
    if (Marker == 0xDB) {
      size_t T = Pos + 4;
      const size_t End = Pos + 2 + Length;
      while (T < End) {
        const int Precision = Data[T] >> 4, Id = Data[T] & 15;
        const size_t Bytes = Precision ? 128 : 64;
        if (T + 1 + Bytes > End)
          break;
        if (Id == 0) {
          for (int I = 0; I < 64; ++I)
            Table[I] = Precision ? BE16(Data + T + 1 + 2 * I) : Data[T + 1 + I];
          Found = true;
          break;
        }
        T += 1 + Bytes;
      }
    }
    Pos += 2 + Length;
  }
  if (!Found)
    return -1;
  int32_t Best = -1;
  uint64_t BestError = std::numeric_limits<uint64_t>::max();
  for (int32_t Quality = 1; Quality <= 100; ++Quality) {
    const uint32_t Scale = Quality < 50 ? 5000u / Quality : 200u - 2u * Quality;
    uint64_t Error = 0;
    for (int I = 0; I < 64; ++I) {
      const uint32_t Expected =
          std::clamp<uint32_t>((Standard[ZigZag[I]] * Scale + 50) / 100, 1, 255);
      Error += Expected > Table[I] ? Expected - Table[I] : Table[I] - Expected;
    }
    // Ties go to the higher quality: never estimate worse than the file.
    if (Error <= BestError) {
      BestError = Error;
      Best = Quality;
    }
  }
  return Best;
}

} // namespace facette
