// Our own BMP codec: every variant Windows writes is read (core and info
// headers up to version 5, 1 to 32 bits per pixel, RLE4, RLE8, bit fields
// with or without alpha, both row orders); 24-bit uncompressed files are
// written.
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace facette {

namespace {

uint32_t LE16(const uint8_t *P)
{
  return uint32_t{P[0]} | (uint32_t{P[1]} << 8);
}

uint32_t LE32(const uint8_t *P)
{
  return uint32_t{P[0]} | (uint32_t{P[1]} << 8) | (uint32_t{P[2]} << 16) | (uint32_t{P[3]} << 24);
}

void PutLE16(uint8_t *P, uint32_t V)
{
  P[0] = static_cast<uint8_t>(V);
  P[1] = static_cast<uint8_t>(V >> 8);
}

void PutLE32(uint8_t *P, uint32_t V)
{
  for (int I = 0; I < 4; ++I)
    P[I] = static_cast<uint8_t>(V >> (8 * I));
}

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5,
                   BI_ALPHABITFIELDS = 6;
constexpr size_t FileHeaderSize = 14;

// One colour channel described by a bit mask.
struct TChannel
{
  uint32_t Mask = 0;
  int Shift = 0;
  uint32_t Max = 0;

  void Set(uint32_t NewMask)
  {
    Mask = NewMask;
    Shift = NewMask ? std::countr_zero(NewMask) : 0;
    Max = NewMask ? NewMask >> Shift : 0;
  }
  uint8_t Get(uint32_t Pixel) const
  {
    if (!Max)
      return 0;
    const uint64_t V = (Pixel & Mask) >> Shift;
    return static_cast<uint8_t>((V * 255 + Max / 2) / Max);
  }
};

struct THeader
{
  int32_t Width = 0;
  int32_t Height = 0; // always positive here
  bool TopDown = false;
  uint32_t BitCount = 0;
  uint32_t Compression = BI_RGB;
  uint32_t XPelsPerMeter = 0;
  uint32_t YPelsPerMeter = 0;
  TChannel Red, Green, Blue, Alpha;
  uint8_t Palette[256][3] = {}; // blue, green, red
  size_t PixelOffset = 0;
};

bool IsRLE(const THeader &H)
{
  return H.Compression == BI_RLE4 || H.Compression == BI_RLE8;
}

// Whether a file of Size bytes can hold the picture: uncompressed rows take
// their room, and runs and skips let a tiny file claim a huge picture,
// which no real one does.
bool SizePlausible(const THeader &H, int64_t Width, int64_t Height, size_t Size)
{
  if (IsRLE(H))
    return Width * Height <= std::max<int64_t>(int64_t{1} << 24, int64_t(Size) * 1024);
  const uint64_t Stride = (static_cast<uint64_t>(Width) * H.BitCount + 31) / 32 * 4;
  return Stride * (static_cast<uint64_t>(Height) - 1) <= Size;
}

bool ParseHeader(const uint8_t *Data, size_t Size, THeader &H, bool NeedPalette,
                 TZrDecodeInfo *Info = nullptr)
{
  auto Damaged = [&] { return DecodeFailed(Info, TZrImageProblem::Damaged); };
  auto Unsupported = [&](std::string Reason) {
    return DecodeFailed(Info, TZrImageProblem::Unsupported, "BMP with " + Reason);
  };
  if (!Data || Size < FileHeaderSize + 12 || Data[0] != 'B' || Data[1] != 'M')
    return Damaged();
  const uint32_t OffBits = LE32(Data + 10);
  const uint32_t HeaderSize = LE32(Data + 14);
  if (HeaderSize < 12 || HeaderSize > Size - FileHeaderSize)
    return Damaged();
  const uint8_t *Fields = Data + FileHeaderSize;
  bool Core = HeaderSize == 12;
  int64_t Width, Height;
  size_t PaletteEntry = 4;
  uint32_t ColorsUsed = 0;
  if (Core) {
    Width = LE16(Fields + 4);
    Height = static_cast<int16_t>(LE16(Fields + 6));
    H.BitCount = LE16(Fields + 10);
    PaletteEntry = 3;
  } else {
    if (HeaderSize < 16)
      return Damaged();
    Width = static_cast<int32_t>(LE32(Fields + 4));
    Height = static_cast<int32_t>(LE32(Fields + 8));
    H.BitCount = LE16(Fields + 14);
    if (HeaderSize >= 20)
      H.Compression = LE32(Fields + 16);
    if (HeaderSize >= 32) {
      H.XPelsPerMeter = LE32(Fields + 24);
      H.YPelsPerMeter = LE32(Fields + 28);
    }
    if (HeaderSize >= 36)
      ColorsUsed = LE32(Fields + 32);
    // OS/2 2.x headers (any size but Windows' own) number their compression
    // schemes differently from 3 on; those are not supported.
    const bool Windows = HeaderSize == 40 || HeaderSize == 52 || HeaderSize == 56 ||
                         HeaderSize == 108 || HeaderSize == 124;
    if (!Windows && H.Compression > BI_RLE4)
      return Unsupported("OS/2 compression " + std::to_string(H.Compression));
  }
  H.TopDown = Height < 0;
  Height = Height < 0 ? -Height : Height;
  // A small file claiming a huge picture is damaged; a huge picture that
  // is all there is too large.
  if (Width <= 0 || Height <= 0 || !SizePlausible(H, Width, Height, Size))
    return Damaged();
  if (!ImageSizeAllowed(Width, Height))
    return DecodeFailed(Info, TZrImageProblem::TooLarge);
  H.Width = static_cast<int32_t>(Width);
  H.Height = static_cast<int32_t>(Height);

  size_t Pos = FileHeaderSize + HeaderSize;
  switch (H.Compression) {
  case BI_RGB:
    if (H.BitCount != 1 && H.BitCount != 4 && H.BitCount != 8 && H.BitCount != 16 &&
        H.BitCount != 24 && H.BitCount != 32)
      return H.BitCount > 0 && H.BitCount <= 64
                 ? Unsupported(std::to_string(H.BitCount) + " bits per pixel")
                 : Damaged();
    if (H.BitCount == 16) {
      H.Red.Set(0x7C00);
      H.Green.Set(0x03E0);
      H.Blue.Set(0x001F);
    }
    break;
  case BI_RLE8:
    if (H.BitCount != 8)
      return Damaged();
    break;
  case BI_RLE4:
    if (H.BitCount != 4)
      return Damaged();
    break;
  case BI_BITFIELDS:
  case BI_ALPHABITFIELDS: {
    if (H.BitCount != 16 && H.BitCount != 32)
      return Damaged();
    // Masks sit inside headers of version 2 and later (the alpha mask from
    // version 3 on), after the information header otherwise.
    const uint8_t *Masks;
    bool WithAlpha = H.Compression == BI_ALPHABITFIELDS;
    if (HeaderSize >= 52) {
      Masks = Fields + 40;
      WithAlpha = HeaderSize >= 56;
    } else {
      const size_t MaskBytes = WithAlpha ? 16 : 12;
      if (Pos + MaskBytes > Size)
        return Damaged();
      Masks = Data + Pos;
      Pos += MaskBytes;
    }
    H.Red.Set(LE32(Masks));
    H.Green.Set(LE32(Masks + 4));
    H.Blue.Set(LE32(Masks + 8));
    if (WithAlpha)
      H.Alpha.Set(LE32(Masks + 12));
    break;
  }
  case BI_JPEG:
    return Unsupported("an embedded JPEG");
  case BI_PNG:
    return Unsupported("an embedded PNG");
  default:
    return Unsupported("compression " + std::to_string(H.Compression));
  }

  if (H.BitCount <= 8) {
    const uint32_t Entries = 1u << H.BitCount;
    uint32_t Count = ColorsUsed == 0 || ColorsUsed > Entries ? Entries : ColorsUsed;
    // A palette may be shorter than the file says when the pixel data
    // starts before its end; indices past it then read black.
    if (OffBits >= Pos && OffBits < Pos + size_t{Count} * PaletteEntry)
      Count = static_cast<uint32_t>((OffBits - Pos) / PaletteEntry);
    if (Pos + size_t{Count} * PaletteEntry > Size)
      return Damaged();
    if (NeedPalette)
      for (uint32_t I = 0; I < Count; ++I)
        std::memcpy(H.Palette[I], Data + Pos + I * PaletteEntry, 3);
    Pos += size_t{Count} * PaletteEntry;
  }
  // A missing or impossible data offset is taken as "right after the
  // palette", as most readers do.
  H.PixelOffset = OffBits >= FileHeaderSize + HeaderSize && OffBits <= Size ? OffBits : Pos;
  return H.PixelOffset <= Size || Damaged();
}

uint8_t *RowPtr(const TZrPixels &P, const THeader &H, int32_t FileRow)
{
  const int32_t Y = H.TopDown ? FileRow : H.Height - 1 - FileRow;
  return P.Bits + static_cast<ptrdiff_t>(Y) * P.Stride;
}

// Whether any pixel of a 16- or 32-bit image with an alpha mask is not
// fully transparent. Some writers set the mask but leave every alpha value
// zero; such files are meant to be opaque.
bool AnyAlpha(const uint8_t *Data, const THeader &H, uint64_t Stride)
{
  for (int32_t Row = 0; Row < H.Height; ++Row) {
    const uint8_t *S = Data + H.PixelOffset + Stride * static_cast<uint64_t>(Row);
    for (int32_t X = 0; X < H.Width; ++X, S += H.BitCount / 8)
      if ((H.BitCount == 16 ? LE16(S) : LE32(S)) & H.Alpha.Mask)
        return true;
  }
  return false;
}

// One pixel of a bit-field image; transparent pixels are laid over white,
// as PNG and TIFF ones are.
void PutBitFields(uint8_t *D, const THeader &H, uint32_t V, bool Transparent)
{
  D[0] = H.Blue.Get(V);
  D[1] = H.Green.Get(V);
  D[2] = H.Red.Get(V);
  if (Transparent) {
    const uint32_t A = H.Alpha.Get(V);
    for (int C = 0; C < 3; ++C)
      D[C] = OverWhite(D[C], A);
  }
}

bool DecodeUncompressed(const uint8_t *Data, size_t Size, const THeader &H, const TZrPixels &P)
{
  const uint64_t Stride = (uint64_t{static_cast<uint32_t>(H.Width)} * H.BitCount + 31) / 32 * 4;
  const uint64_t LastRow = (uint64_t{static_cast<uint32_t>(H.Width)} * H.BitCount + 7) / 8;
  if (Stride * (static_cast<uint64_t>(H.Height) - 1) + LastRow > Size - H.PixelOffset)
    return false; // truncated
  const bool Transparent = H.Alpha.Mask && AnyAlpha(Data, H, Stride);
  for (int32_t Row = 0; Row < H.Height; ++Row) {
    const uint8_t *S = Data + H.PixelOffset + Stride * static_cast<uint64_t>(Row);
    uint8_t *D = RowPtr(P, H, Row);
    switch (H.BitCount) {
    case 1:
    case 4:
    case 8: {
      const uint32_t PerByte = 8 / H.BitCount, Mask = (1u << H.BitCount) - 1;
      for (int32_t X = 0; X < H.Width; ++X, D += 3) {
        const uint32_t Shift = (PerByte - 1 - static_cast<uint32_t>(X) % PerByte) * H.BitCount;
        const uint32_t Index = (S[static_cast<uint32_t>(X) / PerByte] >> Shift) & Mask;
        std::memcpy(D, H.Palette[Index], 3);
      }
      break;
    }
    case 16:
      for (int32_t X = 0; X < H.Width; ++X, D += 3, S += 2)
        PutBitFields(D, H, LE16(S), Transparent);
      break;
    case 24:
      std::memcpy(D, S, static_cast<size_t>(H.Width) * 3);
      break;
    case 32:
      if (H.Compression == BI_RGB) {
        for (int32_t X = 0; X < H.Width; ++X, D += 3, S += 4)
          std::memcpy(D, S, 3);
      } else {
        for (int32_t X = 0; X < H.Width; ++X, D += 3, S += 4)
          PutBitFields(D, H, LE32(S), Transparent);
      }
      break;
    }
  }
  return true;
}

// Run-length coded rows (always bottom-up in valid files, but a negative
// height is honoured). Pixels the codes skip stay black.
bool DecodeRLE(const uint8_t *Data, size_t Size, const THeader &H, const TZrPixels &P)
{
  const bool Four = H.Compression == BI_RLE4;
  const uint8_t *S = Data + H.PixelOffset;
  const uint8_t *End = Data + Size;
  int64_t X = 0, Row = 0;
  auto Put = [&](uint32_t Index) {
    if (X < H.Width && Row < H.Height)
      std::memcpy(RowPtr(P, H, static_cast<int32_t>(Row)) + X * 3, H.Palette[Index], 3);
    ++X;
  };
  while (Row < H.Height) {
    if (End - S < 2)
      return false; // data ended before the image did
    const uint32_t Count = S[0], Value = S[1];
    S += 2;
    if (Count > 0) {
      for (uint32_t I = 0; I < Count && X < H.Width; ++I)
        Put(Four ? (I % 2 == 0 ? Value >> 4 : Value & 15) : Value);
      continue;
    }
    switch (Value) {
    case 0: // end of line
      X = 0;
      ++Row;
      break;
    case 1: // end of bitmap
      return true;
    case 2: // move right and up
      if (End - S < 2)
        return false;
      X += S[0];
      Row += S[1];
      S += 2;
      break;
    default: { // Value pixels stored as they are, padded to a 16-bit word
      const size_t Bytes = Four ? (Value + 1) / 2 : Value;
      const size_t Padded = (Bytes + 1) & ~size_t{1};
      if (static_cast<size_t>(End - S) < Padded)
        return false;
      for (uint32_t I = 0; I < Value && X < H.Width; ++I)
        Put(Four ? (I % 2 == 0 ? S[I / 2] >> 4 : S[I / 2] & 15) : S[I]);
      S += Padded;
      break;
    }
    }
  }
  return true;
}

} // namespace

bool ReadBMPHeader(const uint8_t *Data, size_t Size, TZrDecodeInfo &Info)
{
  THeader H;
  if (!ParseHeader(Data, Size, H, false))
    return false;
  Info.Width = H.Width;
  Info.Height = H.Height;
  Info.HorizontalResolution = H.XPelsPerMeter * 0.0254;
  Info.VerticalResolution = H.YPelsPerMeter * 0.0254;
  return true;
}

bool DecodeBMP(const uint8_t *Data, size_t Size, TZrLTBitmap &Image, TZrDecodeInfo *Info)
{
  Image.Clear();
  THeader H;
  if (!ParseHeader(Data, Size, H, true, Info))
    return false;
  const bool RLE = IsRLE(H);
  if (!SizePlausible(H, H.Width, H.Height, Size - H.PixelOffset))
    return DecodeFailed(Info, TZrImageProblem::Damaged); // truncated: do not even allocate
  if (!Image.SetSize(H.Width, H.Height, pf24bit))
    return DecodeFailed(Info, TZrImageProblem::OutOfMemory);
  const bool Ok = RLE ? DecodeRLE(Data, Size, H, *Image.GetPixels())
                      : DecodeUncompressed(Data, Size, H, *Image.GetPixels());
  if (!Ok) {
    Image.Clear();
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  }
  if (Info) {
    Info->Width = H.Width;
    Info->Height = H.Height;
    Info->HorizontalResolution = H.XPelsPerMeter * 0.0254;
    Info->VerticalResolution = H.YPelsPerMeter * 0.0254;
  }
  return true;
}

bool EncodeBMP(const TZrPixels &Pixels, std::vector<uint8_t> &Out)
{
  Out.clear();
  if (!Pixels.Bits || Pixels.PixelFormat != pf24bit || Pixels.Width <= 0 || Pixels.Height <= 0)
    return false;
  const uint64_t Stride = (uint64_t{static_cast<uint32_t>(Pixels.Width)} * 24 + 31) / 32 * 4;
  const uint64_t ImageBytes = Stride * static_cast<uint64_t>(Pixels.Height);
  const uint64_t Total = FileHeaderSize + 40 + ImageBytes;
  if (Total > std::numeric_limits<uint32_t>::max())
    return false;
  try {
    Out.assign(static_cast<size_t>(Total), 0);
  } catch (const std::bad_alloc &) {
    return false;
  }
  uint8_t *F = Out.data();
  F[0] = 'B';
  F[1] = 'M';
  PutLE32(F + 2, static_cast<uint32_t>(Total));
  PutLE32(F + 10, FileHeaderSize + 40);
  uint8_t *I = F + FileHeaderSize;
  PutLE32(I, 40);
  PutLE32(I + 4, static_cast<uint32_t>(Pixels.Width));
  PutLE32(I + 8, static_cast<uint32_t>(Pixels.Height)); // bottom-up
  PutLE16(I + 12, 1);
  PutLE16(I + 14, 24);
  PutLE32(I + 16, BI_RGB);
  PutLE32(I + 20, static_cast<uint32_t>(ImageBytes));
  uint8_t *Rows = I + 40;
  for (int32_t Y = 0; Y < Pixels.Height; ++Y)
    std::memcpy(Rows + Stride * static_cast<uint64_t>(Pixels.Height - 1 - Y),
                Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride,
                static_cast<size_t>(Pixels.Width) * 3);
  return true;
}

} // namespace facette
