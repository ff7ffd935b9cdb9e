#include "imaging/ZrGeometry.h"

#include "imaging/ZrParallel.h"

#include <algorithm>
#include <cstring>

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

bool Usable(const TZrPixels &P)
{
  return P.PixelFormat == pf24bit && P.Bits && P.Width > 0 && P.Height > 0;
}

} // namespace

bool FlipPixelsHorizontal(TZrPixels &Pixels)
{
  if (!Usable(Pixels))
    return false;
  const int32_t Width = Pixels.Width;
  uint8_t *Bits = Pixels.Bits;
  const ptrdiff_t Stride = Pixels.Stride;
  const int64_t Bytes = static_cast<int64_t>(Width) * 3 * Pixels.Height;
  RunBands(Pixels.Height, BandCount(Bytes, BandBytes), [&](int32_t, int32_t Begin, int32_t End) {
    for (int32_t Y = Begin; Y < End; ++Y)
      ReverseRow(Bits + Y * Stride, Width);
  });
  return true;
}

bool FlipPixelsVertical(TZrPixels &Pixels)
{
  if (!Usable(Pixels))
    return false;
  const int32_t Height = Pixels.Height;
  uint8_t *Bits = Pixels.Bits;
  const ptrdiff_t Stride = Pixels.Stride;
  const size_t RowBytes = static_cast<size_t>(Pixels.Width) * 3;
  const int64_t Bytes = static_cast<int64_t>(RowBytes) * Height;
  RunBands(Height / 2, BandCount(Bytes, BandBytes), [&](int32_t, int32_t Begin, int32_t End) {
    for (int32_t Y = Begin; Y < End; ++Y)
      SwapRows(Bits + Y * Stride, Bits + (Height - 1 - Y) * Stride, RowBytes);
  });
  return true;
}

bool RotatePixels(const TZrPixels &Source, TZrPixels &Dest, bool Clockwise)
{
  if (!Usable(Source) || !Usable(Dest) || Dest.Width != Source.Height ||
      Dest.Height != Source.Width)
    return false;
  const int32_t W = Source.Width;
  const int32_t H = Source.Height;
  // New row Y is old column Y read upwards (clockwise) or old column W-1-Y
  // read downwards (counter-clockwise). The work goes in tiles so that the
  // old rows a tile reads stay in the cache while it is written row by row.
  const uint8_t *Old = Source.Bits;
  const ptrdiff_t OldStride = Source.Stride;
  uint8_t *New = Dest.Bits;
  const ptrdiff_t NewStride = Dest.Stride;
  const ptrdiff_t Step = Clockwise ? -OldStride : OldStride;
  constexpr int32_t Tile = 32;
  const int64_t Bytes = static_cast<int64_t>(W) * 3 * H;
  RunBands(W, BandCount(Bytes, BandBytes), [&](int32_t, int32_t Begin, int32_t End) {
    for (int32_t Y0 = Begin; Y0 < End; Y0 += Tile) {
      const int32_t Y1 = std::min(Y0 + Tile, End);
      for (int32_t X0 = 0; X0 < H; X0 += Tile) {
        const int32_t Count = std::min(Tile, H - X0);
        const bool RowEnd = X0 + Count == H;
        for (int32_t Y = Y0; Y < Y1; ++Y) {
          const int32_t Column = Clockwise ? Y : W - 1 - Y;
          const int32_t FirstRow = Clockwise ? H - 1 - X0 : X0;
          // Reading a word from the last old column could run past the end
          // of the memory.
          GatherPixels(New + Y * NewStride + static_cast<ptrdiff_t>(X0) * 3,
                       Old + FirstRow * OldStride + static_cast<ptrdiff_t>(Column) * 3, Step, Count,
                       RowEnd, Column != W - 1);
        }
      }
    }
  });
  return true;
}

} // namespace facette
