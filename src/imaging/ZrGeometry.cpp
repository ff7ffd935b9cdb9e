#include "imaging/ZrGeometry.h"

#include "imaging/ZrParallel.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

inline uint32_t Load32(const uint8_t *P)
{
  uint32_t V;
  std::memcpy(&V, P, 4);
  return V;
}

inline void Store32(uint8_t *P, uint32_t V)
{
  std::memcpy(P, &V, 4);
}

// Copies Count pixels lying SourceStep bytes apart into consecutive pixels at
// To. Four pixels at a time are read as words and packed into three words;
// that reads one byte past each source pixel, so it is done only where that
// byte exists (SafeSource).
inline void GatherPixels(uint8_t *To, const uint8_t *From, ptrdiff_t SourceStep, int32_t Count,
                         bool SafeSource)
{
  int32_t I = 0;
  if constexpr (std::endian::native == std::endian::little) {
    if (SafeSource) {
      for (; I + 4 <= Count; I += 4, To += 12, From += 4 * SourceStep) {
        const uint32_t A = Load32(From);
        const uint32_t B = Load32(From + SourceStep);
        const uint32_t C = Load32(From + 2 * SourceStep);
        const uint32_t D = Load32(From + 3 * SourceStep);
        Store32(To, (A & 0xFFFFFF) | (B << 24));
        Store32(To + 4, ((B >> 8) & 0xFFFF) | (C << 16));
        Store32(To + 8, ((C >> 16) & 0xFF) | (D << 8));
      }
    }
  }
  for (; I < Count; ++I, To += 3, From += SourceStep)
    std::memcpy(To, From, 3);
}

#if defined(__SSE2__)
constexpr bool CanStream = true;
#else
constexpr bool CanStream = false;
#endif

// Images at least this large are written with streaming stores: they do not
// stay in the cache anyway.
constexpr int64_t StreamBytes = int64_t{4} << 20;

// Writes three cache lines from Stage to To (line-aligned) past the cache.
inline void StreamLines(uint8_t *To, const uint8_t *Stage)
{
#if defined(__SSE2__)
  for (int I = 0; I < 12; ++I)
    _mm_stream_si128(reinterpret_cast<__m128i *>(To + 16 * I),
                     _mm_load_si128(reinterpret_cast<const __m128i *>(Stage + 16 * I)));
#else
  std::memcpy(To, Stage, 192);
#endif
}

// Orders a band's streaming stores before the band is reported done.
inline void FinishStreaming()
{
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

inline void PrefetchForReading(const uint8_t *P)
{
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(P, 0, 2);
#else
  (void)P;
#endif
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
  // read downwards (counter-clockwise). The work goes in tiles of TileRows
  // new rows by 64 new columns: the old rows a tile reads (one run of
  // TileRows pixels each) stay in the cache while it is written row by row,
  // and the next tile's runs are fetched meanwhile.
  //
  // 64 pixels are 192 bytes, three cache lines. Each new row's tiles are
  // shifted so that they start on a cache line; a large image's full tiles
  // then go to memory with streaming stores, which skip reading the lines
  // they overwrite. Rows' leftover pieces at either end are stored normally.
  const uint8_t *Old = Source.Bits;
  const ptrdiff_t OldStride = Source.Stride;
  uint8_t *New = Dest.Bits;
  const ptrdiff_t NewStride = Dest.Stride;
  const ptrdiff_t Step = Clockwise ? -OldStride : OldStride;
  constexpr int32_t TileRows = 256;
  constexpr int32_t Chunk = 64;
  auto OldRow = [&](int32_t X) { return Clockwise ? H - 1 - X : X; };
  const int64_t Bytes = static_cast<int64_t>(W) * 3 * H;
  const bool Stream = CanStream && Bytes >= StreamBytes;
  RunBands(W, BandCount(Bytes, BandBytes), [&](int32_t, int32_t Begin, int32_t End) {
    alignas(64) uint8_t Stage[Chunk * 3];
    for (int32_t Y0 = Begin; Y0 < End; Y0 += TileRows) {
      const int32_t Y1 = std::min(Y0 + TileRows, End);
      const int32_t FirstColumn = Clockwise ? Y0 : W - Y1;
      const ptrdiff_t RunBytes = static_cast<ptrdiff_t>(Y1 - Y0) * 3;
      for (int32_t K = 0; K <= (H + Chunk - 1) / Chunk; ++K) {
        for (int32_t X = (K + 1) * Chunk; X < std::min((K + 2) * Chunk, H); ++X) {
          const uint8_t *Run =
              Old + OldRow(X) * OldStride + static_cast<ptrdiff_t>(FirstColumn) * 3;
          for (ptrdiff_t Offset = 0; Offset < RunBytes; Offset += 64)
            PrefetchForReading(Run + Offset);
          PrefetchForReading(Run + RunBytes - 1);
        }
        for (int32_t Y = Y0; Y < Y1; ++Y) {
          uint8_t *Row = New + Y * NewStride;
          // The first pixel of this row that starts a cache line: 3 X must
          // be -Row modulo 64, and 43 is the inverse of 3 modulo 64.
          const int32_t Phase =
              static_cast<int32_t>((64 - (reinterpret_cast<uintptr_t>(Row) & 63)) % 64 * 43 % 64);
          const int32_t XBegin = std::max(K * Chunk - Chunk + Phase, 0);
          const int32_t XEnd = std::min(K * Chunk + Phase, H);
          if (XBegin >= XEnd)
            continue;
          const int32_t Column = Clockwise ? Y : W - 1 - Y;
          const uint8_t *From =
              Old + OldRow(XBegin) * OldStride + static_cast<ptrdiff_t>(Column) * 3;
          uint8_t *To = Row + static_cast<ptrdiff_t>(XBegin) * 3;
          // A word read from the last old column could run past the end of
          // the memory.
          const bool SafeSource = Column != W - 1;
          if (Stream && XEnd - XBegin == Chunk) {
            GatherPixels(Stage, From, Step, Chunk, SafeSource);
            StreamLines(To, Stage);
          } else {
            GatherPixels(To, From, Step, XEnd - XBegin, SafeSource);
          }
        }
      }
    }
    FinishStreaming();
  });
  return true;
}

} // namespace facette
