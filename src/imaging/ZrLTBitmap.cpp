#include "imaging/ZrLTBitmap.h"

#include "imaging/ZrParallel.h"
#include "imaging/ZrResample.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace facette {

namespace {

// Below this many bytes a pass is not worth a second thread.
constexpr int64_t BandBytes = int64_t{4} << 20;

// Reverses the order of the 3-byte pixels of one row in place.
void ReverseRow(uint8_t *Row, int32_t Width)
{
  uint8_t *L = Row;
  uint8_t *R = Row + static_cast<ptrdiff_t>(Width - 1) * 3;
  // Four pixels from each end at a time: 12 bytes read as three words.
  while (R - L >= 3 * 7) {
    uint8_t A[12], B[12];
    std::memcpy(A, L, 12);
    std::memcpy(B, R - 9, 12);
    for (int P = 0; P < 4; ++P) {
      std::memcpy(L + P * 3, B + (3 - P) * 3, 3);
      std::memcpy(R - 9 + P * 3, A + (3 - P) * 3, 3);
    }
    L += 12;
    R -= 12;
  }
  while (L < R) {
    uint8_t T[3];
    std::memcpy(T, L, 3);
    std::memcpy(L, R, 3);
    std::memcpy(R, T, 3);
    L += 3;
    R -= 3;
  }
}

// Swaps two rows of Bytes bytes through a small buffer that stays in cache.
void SwapRows(uint8_t *A, uint8_t *B, size_t Bytes)
{
  uint8_t Chunk[4096];
  for (size_t Done = 0; Done < Bytes; Done += sizeof Chunk) {
    const size_t N = std::min(sizeof Chunk, Bytes - Done);
    std::memcpy(Chunk, A + Done, N);
    std::memcpy(A + Done, B + Done, N);
    std::memcpy(B + Done, Chunk, N);
  }
}

// Copies Count pixels into a destination row from source pixels SourceStep
// bytes apart. Pixels move as 4-byte words whose fourth byte is overwritten
// by the next pixel; the last pixel moves as 3 bytes when it ends the
// destination row (RowEnd); all move as 3 bytes when a source pixel might be
// the last one of the memory (SafeSource false).
inline void GatherPixels(uint8_t *To, const uint8_t *From, ptrdiff_t SourceStep, int32_t Count,
                         bool RowEnd, bool SafeSource)
{
  if (!SafeSource) {
    for (int32_t I = 0; I < Count; ++I, To += 3, From += SourceStep)
      std::memcpy(To, From, 3);
    return;
  }
  const int32_t Words = RowEnd ? Count - 1 : Count;
  for (int32_t I = 0; I < Words; ++I, To += 3, From += SourceStep) {
    uint32_t V;
    std::memcpy(&V, From, 4);
    std::memcpy(To, &V, 4);
  }
  if (RowEnd)
    std::memcpy(To, From, 3);
}

} // namespace

TZrLTBitmap::~TZrLTBitmap()
{
  Clear();
}

bool TZrLTBitmap::CreateHandle(int32_t Width, int32_t Height, int32_t Format, TImage &Image)
{
  if (Width < 0 || Height < 0 || PixelFormatBits(Format) == 0)
    return false;
  try {
    Image.Pixels = std::make_unique<TZrLTPixels>();
  } catch (const std::bad_alloc &) {
    return false;
  }
  Image.Memory.SetPixelFormat(Format);
  // SetBounds refuses sizes whose byte count overflows and memory the system
  // will not give.
  if (!Image.Memory.SetBounds(Bounds(0, 0, Width, Height), false))
    return false;
  Image.Pixels->Init(Bounds(0, 0, Width, Height), Image.Memory.Bits, Format, Image.Memory.Stride);
  if (Width > 0 && Height > 0)
    Image.Handle = TZrBitmapHandle{Image.Memory.Bits,   Width, Height, PixelFormatBits(Format),
                                   Image.Memory.Stride, Format};
  return true;
}

void TZrLTBitmap::Adopt(TImage &Image)
{
  // A bitmap without area has no memory and no pixel window.
  if (Image.Handle.Bits == nullptr) {
    Clear();
    return;
  }
  Memory = std::move(Image.Memory);
  Pixels = std::move(Image.Pixels);
  Handle = Image.Handle;
}

void TZrLTBitmap::Clear()
{
  Pixels.reset();
  Handle = TZrBitmapHandle{};
  Memory.Clear();
}

bool TZrLTBitmap::Paint(TZrDeviceContext &DC, const TZrRect &DestRect, const TZrRect &DestClip,
                        const TZrRect *SourceRect) const
{
  if (!Handle.Bits)
    return false;
  return DC.DrawBitmap(Handle, SourceRect, DestRect, DestClip);
}

bool TZrLTBitmap::Print(TZrDeviceContext &DC, const TZrRect &Rect) const
{
  if (!Handle.Bits)
    return false;
  return DC.PrintBitmap(Handle, Rect);
}

bool TZrLTBitmap::SetSize(int32_t Width, int32_t Height, int32_t Format)
{
  // The old image goes first so that a large new one has room.
  Clear();
  TImage Image;
  if (!CreateHandle(Width, Height, Format, Image))
    return false;
  Adopt(Image);
  return true;
}

bool TZrLTBitmap::Assign(const TZrPixels &Buffer)
{
  if (!SetSize(Buffer.Width, Buffer.Height, Buffer.PixelFormat))
    return false;
  if (Pixels)
    Pixels->CopyRect(0, 0, Buffer, Buffer.GetBounds());
  return true;
}

bool TZrLTBitmap::SaveTo(TZrPixelBuffer &Buffer) const
{
  if (!Buffer.Allocate(Handle.PixelFormat, GetBounds()))
    return false;
  if (Pixels)
    Buffer.CopyFrom(*Pixels);
  return true;
}

std::unique_ptr<TZrLTBitmap> TZrLTBitmap::Clone() const
{
  std::unique_ptr<TZrLTBitmap> Copy;
  try {
    Copy = std::make_unique<TZrLTBitmap>();
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
  if (!Pixels)
    return Copy;
  if (!Copy->Assign(*Pixels))
    return nullptr;
  return Copy;
}

bool TZrLTBitmap::Crop(const TZrRect &Rect)
{
  const TZrRect R = IntersectRect(Rect, GetBounds());
  if (R.IsEmpty() || !Pixels)
    return false;
  TImage Image;
  if (!CreateHandle(R.Width(), R.Height(), Handle.PixelFormat, Image))
    return false;
  Image.Pixels->CopyRect(0, 0, *Pixels, R);
  Adopt(Image);
  return true;
}

bool TZrLTBitmap::SetCanvasSize(int32_t Width, int32_t Height)
{
  if (Width <= 0 || Height <= 0 || !Pixels)
    return false;
  TImage Image;
  if (!CreateHandle(Width, Height, Handle.PixelFormat, Image))
    return false;
  // What the old pixels do not cover stays zero: black.
  Image.Pixels->CopyFrom(*Pixels);
  Adopt(Image);
  return true;
}

bool TZrLTBitmap::Resample(int32_t Width, int32_t Height)
{
  if (Width <= 0 || Height <= 0 || !Pixels || Handle.PixelFormat != pf24bit)
    return false;
  TImage Image;
  if (!CreateHandle(Width, Height, Handle.PixelFormat, Image))
    return false;
  const TZrRect Target = Bounds(0, 0, Width, Height);
  bool Done;
  if (QuickDraftResampling)
    Done =
        ResamplePixels(*Image.Pixels, Target, Target, TQuickDraftResampler(), GetBounds(), *Pixels);
  else
    Done = ResamplePixels(*Image.Pixels, Target, Target, TLanczosResampler(), GetBounds(), *Pixels);
  if (!Done)
    return false;
  Adopt(Image);
  return true;
}

bool TZrLTBitmap::FlipHorizontal()
{
  if (!Pixels || Handle.PixelFormat != pf24bit)
    return false;
  // In place: the memory, its size and the pixel window stay.
  const int32_t Width = Handle.Width;
  uint8_t *Bits = Handle.Bits;
  const ptrdiff_t Stride = Handle.Stride;
  const int64_t Bytes = static_cast<int64_t>(Stride) * Handle.Height;
  try {
    RunBands(Handle.Height, BandCount(Bytes, BandBytes), [&](int32_t, int32_t Begin, int32_t End) {
      for (int32_t Y = Begin; Y < End; ++Y)
        ReverseRow(Bits + Y * Stride, Width);
    });
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

bool TZrLTBitmap::FlipVertical()
{
  if (!Pixels || Handle.PixelFormat != pf24bit)
    return false;
  const int32_t Height = Handle.Height;
  uint8_t *Bits = Handle.Bits;
  const ptrdiff_t Stride = Handle.Stride;
  const size_t RowBytes = static_cast<size_t>(Handle.Width) * 3;
  const int64_t Bytes = static_cast<int64_t>(Stride) * Height;
  try {
    RunBands(Height / 2, BandCount(Bytes, BandBytes), [&](int32_t, int32_t Begin, int32_t End) {
      for (int32_t Y = Begin; Y < End; ++Y)
        SwapRows(Bits + Y * Stride, Bits + (Height - 1 - Y) * Stride, RowBytes);
    });
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

bool TZrLTBitmap::RotateLeft()
{
  return Rotate(false);
}

bool TZrLTBitmap::RotateRight()
{
  return Rotate(true);
}

bool TZrLTBitmap::Rotate(bool Clockwise)
{
  if (!Pixels || Handle.PixelFormat != pf24bit)
    return false;
  const int32_t W = Handle.Width;
  const int32_t H = Handle.Height;
  TImage Image;
  if (!CreateHandle(H, W, Handle.PixelFormat, Image))
    return false;

  // New row Y is old column Y read upwards (clockwise) or old column W-1-Y
  // read downwards (counter-clockwise). The work goes in square tiles so
  // that the few old rows a tile reads stay in the cache while it is
  // written row by row.
  const uint8_t *Old = Handle.Bits;
  const ptrdiff_t OldStride = Handle.Stride;
  uint8_t *New = Image.Handle.Bits;
  const ptrdiff_t NewStride = Image.Handle.Stride;
  const ptrdiff_t Step = Clockwise ? -OldStride : OldStride;
  constexpr int32_t Tile = 32;
  const int64_t Bytes = static_cast<int64_t>(OldStride) * H;
  try {
    RunBands(W, BandCount(Bytes, BandBytes), [&](int32_t, int32_t Begin, int32_t End) {
      for (int32_t Y0 = Begin; Y0 < End; Y0 += Tile) {
        const int32_t Y1 = std::min(Y0 + Tile, End);
        for (int32_t X0 = 0; X0 < H; X0 += Tile) {
          const int32_t Count = std::min(Tile, H - X0);
          const bool RowEnd = X0 + Count == H;
          for (int32_t Y = Y0; Y < Y1; ++Y) {
            const int32_t Column = Clockwise ? Y : W - 1 - Y;
            const int32_t FirstRow = Clockwise ? H - 1 - X0 : X0;
            // Reading a word from the last old column could run past the
            // end of the memory.
            GatherPixels(New + Y * NewStride + static_cast<ptrdiff_t>(X0) * 3,
                         Old + FirstRow * OldStride + static_cast<ptrdiff_t>(Column) * 3, Step,
                         Count, RowEnd, Column != W - 1);
          }
        }
      }
    });
  } catch (const std::bad_alloc &) {
    return false;
  }
  Adopt(Image);
  return true;
}

} // namespace facette
