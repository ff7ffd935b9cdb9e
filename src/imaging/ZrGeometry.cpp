#include "imaging/ZrGeometry.h"

#include "imaging/ZrHermiteKernel.h"
#include "imaging/ZrParallel.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define FACETTE_GEOMETRY_VECTORS 1
#define FACETTE_VECTOR_CODE __attribute__((target("avx2")))
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

#ifdef FACETTE_GEOMETRY_VECTORS

// Byte shuffles that reverse the order of the sixteen 3-byte pixels of a
// 48-byte block held in three 16-byte registers: output register Out takes
// from input register In the bytes Masks[Out][In] names (0x80: none).
constexpr std::array<std::array<std::array<int8_t, 16>, 3>, 3> ReverseMasks = [] {
  std::array<std::array<std::array<int8_t, 16>, 3>, 3> M{};
  for (int Out = 0; Out < 3; ++Out)
    for (int In = 0; In < 3; ++In)
      for (int K = 0; K < 16; ++K) {
        const int Byte = Out * 16 + K;
        const int From = 45 - 3 * (Byte / 3) + Byte % 3;
        M[Out][In][K] = static_cast<int8_t>(From / 16 == In ? From % 16 : 0x80);
      }
  return M;
}();

FACETTE_VECTOR_CODE inline __m128i Mask(int Out, int In)
{
  return _mm_loadu_si128(reinterpret_cast<const __m128i *>(ReverseMasks[Out][In].data()));
}

// The 48 bytes at From with their 16 pixels in reverse order, stored at To
// (To may be From).
FACETTE_VECTOR_CODE inline void ReverseBlock(const uint8_t *From, __m128i &A, __m128i &B,
                                             __m128i &C)
{
  const __m128i X0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(From));
  const __m128i X1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(From + 16));
  const __m128i X2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(From + 32));
  // The first output register draws on no byte of the first input one, the
  // last on none of the last.
  A = _mm_or_si128(_mm_shuffle_epi8(X1, Mask(0, 1)), _mm_shuffle_epi8(X2, Mask(0, 2)));
  B = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(X0, Mask(1, 0)), _mm_shuffle_epi8(X1, Mask(1, 1))),
                   _mm_shuffle_epi8(X2, Mask(1, 2)));
  C = _mm_or_si128(_mm_shuffle_epi8(X0, Mask(2, 0)), _mm_shuffle_epi8(X1, Mask(2, 1)));
}

FACETTE_VECTOR_CODE inline void StoreBlock(uint8_t *To, __m128i A, __m128i B, __m128i C)
{
  _mm_storeu_si128(reinterpret_cast<__m128i *>(To), A);
  _mm_storeu_si128(reinterpret_cast<__m128i *>(To + 16), B);
  _mm_storeu_si128(reinterpret_cast<__m128i *>(To + 32), C);
}

// ReverseRow with blocks of 16 pixels from each end; the middle, less than
// two blocks, goes the plain way.
FACETTE_VECTOR_CODE void ReverseRowVector(uint8_t *Row, int32_t Width)
{
  uint8_t *L = Row;
  uint8_t *R = Row + static_cast<ptrdiff_t>(Width) * 3; // one past the end
  while (R - L >= 96) {
    __m128i A0, A1, A2, B0, B1, B2;
    ReverseBlock(L, A0, A1, A2);
    ReverseBlock(R - 48, B0, B1, B2);
    StoreBlock(L, B0, B1, B2);
    StoreBlock(R - 48, A0, A1, A2);
    L += 48;
    R -= 48;
  }
  if (R > L)
    ReverseRow(L, static_cast<int32_t>((R - L) / 3));
}

#endif

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
#ifdef FACETTE_GEOMETRY_VECTORS
  const bool Vectors = VectorKernelsEnabled();
#endif
  RunBands(Pixels.Height, BandCount(Bytes, BandBytes), [&](int32_t, int32_t Begin, int32_t End) {
    for (int32_t Y = Begin; Y < End; ++Y) {
#ifdef FACETTE_GEOMETRY_VECTORS
      if (Vectors) {
        ReverseRowVector(Bits + Y * Stride, Width);
        continue;
      }
#endif
      ReverseRow(Bits + Y * Stride, Width);
    }
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

#ifdef FACETTE_GEOMETRY_VECTORS

// A quarter turn of the new rows [Begin, End) with 4 x 4 pixel transposes.
//
// New row Y is old column Y read upwards (clockwise) or old column W-1-Y
// read downwards. Four old rows, read as 16 bytes each from the old column
// of new row Y on (four pixels and a spare byte or more), are widened to 32
// bits a pixel, transposed, and narrowed again: four new rows, four pixels
// each. The work goes in tiles of TileRows new rows: step K fills the new
// columns [64 K, 64 K + 64) of every row of the tile into that row's stage,
// reading the 64 old rows those columns come from (they stay in the cache
// for the whole tile, and the next step's are fetched meanwhile).
//
// Each new row goes out in pieces of 64 pixels (192 bytes, three cache
// lines) shifted so that they start on a cache line: the piece of step K
// ends at 64 K + Phase, so the stage holds the columns [64 K - 64, 64 K +
// 64), the half of the previous step and this step's. Full pieces of a
// large image go to memory with streaming stores, which skip reading the
// lines they overwrite; the pieces at either end of a row are copied.
constexpr int32_t VectorTileRows = 128;
constexpr int32_t StageBytes = 128 * 3 + 16; // two steps and a store's spare bytes

FACETTE_VECTOR_CODE void RotateBandVector(const TZrPixels &Source, TZrPixels &Dest, bool Clockwise,
                                          int32_t Begin, int32_t End, bool Stream)
{
  const int32_t W = Source.Width;
  const int32_t H = Source.Height;
  const uint8_t *Old = Source.Bits;
  const ptrdiff_t OldStride = Source.Stride;
  const ptrdiff_t Step = Clockwise ? -OldStride : OldStride;
  auto OldRow = [&](int32_t X) { return Old + (Clockwise ? H - 1 - X : X) * OldStride; };
  // The old column new row Y shows.
  auto ColumnOf = [&](int32_t Y) { return Clockwise ? Y : W - 1 - Y; };
  const __m128i Widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i Narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);

  alignas(64) uint8_t Stage[VectorTileRows][StageBytes];
  int32_t Phase[VectorTileRows];
  for (int32_t Y0 = Begin; Y0 < End; Y0 += VectorTileRows) {
    const int32_t Rows = std::min(VectorTileRows, End - Y0);
    // The first pixel of each new row that starts a cache line: 3 X must be
    // -Row modulo 64, and 43 is the inverse of 3 modulo 64.
    for (int32_t J = 0; J < Rows; ++J) {
      const auto Row = reinterpret_cast<uintptr_t>(Dest.Bits + (Y0 + J) * Dest.Stride);
      Phase[J] = static_cast<int32_t>((64 - (Row & 63)) % 64 * 43 % 64);
    }
    // The old pixels of the tile's new rows lie in the columns FirstColumn
    // .. FirstColumn + Rows - 1 of every old row.
    const int32_t FirstColumn = Clockwise ? Y0 : W - Y0 - Rows;
    for (int32_t X0 = 0; X0 - 64 < H; X0 += 64) {
      const int32_t X1 = std::min(X0 + 64, H);
      for (int32_t X = X1; X < std::min(X1 + 64, H); ++X) {
        const uint8_t *Run = OldRow(X) + FirstColumn * 3;
        for (int32_t Offset = 0; Offset < Rows * 3; Offset += 64)
          _mm_prefetch(reinterpret_cast<const char *>(Run + Offset), _MM_HINT_T1);
        _mm_prefetch(reinterpret_cast<const char *>(Run + Rows * 3 - 1), _MM_HINT_T1);
      }
      for (int32_t J = 0; X0 < X1 && J < Rows;) {
        // The four old columns, lowest first, and the new row of each.
        const int32_t Column = Clockwise ? Y0 + J : W - 4 - (Y0 + J);
        // Rows left over at the tile's end, and the image's last columns,
        // where a 16-byte read would pass the old row's last pixel, go one
        // by one.
        if (J + 4 > Rows || Column > W - 6) {
          const int32_t Single = ColumnOf(Y0 + J);
          GatherPixels(Stage[J] + 192, OldRow(X0) + Single * 3, Step, X1 - X0, Single != W - 1);
          ++J;
          continue;
        }
        uint8_t *Out[4];
        for (int32_t M = 0; M < 4; ++M)
          Out[M] = Stage[J + (Clockwise ? M : 3 - M)] + 192;
        int32_t X = X0;
        for (; X + 4 <= X1; X += 4) {
          __m128i E[4];
          for (int32_t K = 0; K < 4; ++K)
            E[K] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(OldRow(X + K) + Column * 3)),
                Widen);
          const __m128i T0 = _mm_unpacklo_epi32(E[0], E[1]);
          const __m128i T1 = _mm_unpacklo_epi32(E[2], E[3]);
          const __m128i T2 = _mm_unpackhi_epi32(E[0], E[1]);
          const __m128i T3 = _mm_unpackhi_epi32(E[2], E[3]);
          const ptrdiff_t At = (X - X0) * 3;
          _mm_storeu_si128(reinterpret_cast<__m128i *>(Out[0] + At),
                           _mm_shuffle_epi8(_mm_unpacklo_epi64(T0, T1), Narrow));
          _mm_storeu_si128(reinterpret_cast<__m128i *>(Out[1] + At),
                           _mm_shuffle_epi8(_mm_unpackhi_epi64(T0, T1), Narrow));
          _mm_storeu_si128(reinterpret_cast<__m128i *>(Out[2] + At),
                           _mm_shuffle_epi8(_mm_unpacklo_epi64(T2, T3), Narrow));
          _mm_storeu_si128(reinterpret_cast<__m128i *>(Out[3] + At),
                           _mm_shuffle_epi8(_mm_unpackhi_epi64(T2, T3), Narrow));
        }
        for (; X < X1; ++X)
          for (int32_t M = 0; M < 4; ++M)
            std::memcpy(Out[M] + (X - X0) * 3, OldRow(X) + (Column + M) * 3, 3);
        J += 4;
      }
      for (int32_t J = 0; J < Rows; ++J) {
        const int32_t From = std::max(X0 - 64 + Phase[J], 0);
        const int32_t To = std::min(X0 + Phase[J], H);
        if (From < To) {
          const uint8_t *Piece = Stage[J] + (From - (X0 - 64)) * 3;
          uint8_t *Target = Dest.Bits + (Y0 + J) * Dest.Stride + From * 3;
          if (Stream && To - From == 64) {
            for (int32_t I = 0; I < 12; ++I)
              _mm_stream_si128(reinterpret_cast<__m128i *>(Target + 16 * I),
                               _mm_loadu_si128(reinterpret_cast<const __m128i *>(Piece + 16 * I)));
          } else {
            std::memcpy(Target, Piece, static_cast<size_t>(To - From) * 3);
          }
        }
        std::memcpy(Stage[J], Stage[J] + 192, 192);
      }
    }
  }
  _mm_sfence();
}

#endif

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
#ifdef FACETTE_GEOMETRY_VECTORS
  if (VectorKernelsEnabled()) {
    RunBands(W, BandCount(Bytes, BandBytes), [&](int32_t, int32_t Begin, int32_t End) {
      RotateBandVector(Source, Dest, Clockwise, Begin, End, Stream);
    });
    return true;
  }
#endif
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
