// Small fixed-size vectors for running-sum filters that work on several
// image rows at once, one row per lane. A running sum along a row is a
// chain of dependent additions; giving each row its own lane keeps every
// row's additions in exactly the order of the one-row loop (so results do
// not change) while the rows run side by side.
//
// The vectors are the compiler's generic ones: with SSE2 an eight-float
// vector takes two registers, with AVX one.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Kernels built twice, for the baseline processor and for AVX2, the better
// one picked when the program starts (through the loader's indirect
// functions, hence ELF only). Both do the same IEEE operations in the same
// order, so their results are identical.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define FACETTE_LANE_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define FACETTE_LANE_KERNEL
#endif

namespace facette::lanes {

// Buffers of them are kept as arrays of their elements and read and
// written with Load and Store: the kernels may be built for wider registers
// than the code that allocates, so nothing may rely on their alignment.
typedef float F4 __attribute__((vector_size(16)));
typedef float F8 __attribute__((vector_size(32)));
typedef double D4 __attribute__((vector_size(32)));
typedef int32_t I4 __attribute__((vector_size(16)));
typedef int32_t I8 __attribute__((vector_size(32)));
typedef uint32_t U4 __attribute__((vector_size(16)));
typedef uint64_t U4L __attribute__((vector_size(32)));
typedef uint8_t B4 __attribute__((vector_size(4)));

inline F4 SplatF4(float V)
{
  return F4{V, V, V, V};
}
inline F8 SplatF8(float V)
{
  return F8{V, V, V, V, V, V, V, V};
}
inline I8 SplatI8(int32_t V)
{
  return I8{V, V, V, V, V, V, V, V};
}
inline D4 SplatD4(double V)
{
  return D4{V, V, V, V};
}

template <typename V> inline V Load(const void *P)
{
  V R;
  std::memcpy(&R, P, sizeof(V));
  return R;
}
template <typename V> inline void Store(void *P, const V &R)
{
  std::memcpy(P, &R, sizeof(V));
}

// Four bytes as four integers or floats; Count < 4 reads only that many
// (the rest 0).
inline I4 BytesToI4(const uint8_t *P)
{
#ifdef __SSE2__
  // The generic conversion would widen byte by byte.
  int32_t Word;
  std::memcpy(&Word, P, 4);
  const __m128i Zero = _mm_setzero_si128();
  const __m128i Bytes = _mm_cvtsi32_si128(Word);
  return std::bit_cast<I4>(_mm_unpacklo_epi16(_mm_unpacklo_epi8(Bytes, Zero), Zero));
#else
  B4 B;
  std::memcpy(&B, P, 4);
  return __builtin_convertvector(B, I4);
#endif
}

// Sixteen bytes as four vectors of four integers or floats.
inline void BytesToI4x4(const uint8_t *P, I4 *Out)
{
#ifdef __SSE2__
  const __m128i Zero = _mm_setzero_si128();
  const __m128i Bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(P));
  const __m128i Lo = _mm_unpacklo_epi8(Bytes, Zero);
  const __m128i Hi = _mm_unpackhi_epi8(Bytes, Zero);
  Out[0] = std::bit_cast<I4>(_mm_unpacklo_epi16(Lo, Zero));
  Out[1] = std::bit_cast<I4>(_mm_unpackhi_epi16(Lo, Zero));
  Out[2] = std::bit_cast<I4>(_mm_unpacklo_epi16(Hi, Zero));
  Out[3] = std::bit_cast<I4>(_mm_unpackhi_epi16(Hi, Zero));
#else
  for (int J = 0; J < 4; ++J)
    Out[J] = BytesToI4(P + 4 * J);
#endif
}
inline void BytesToF4x4(const uint8_t *P, F4 *Out)
{
  I4 I[4];
  BytesToI4x4(P, I);
  for (int J = 0; J < 4; ++J)
    Out[J] = __builtin_convertvector(I[J], F4);
}

// Eight integers 0..255 (one per row) stored as eight bytes.
inline void StoreLaneBytes(uint8_t *P, I8 V)
{
#ifdef __SSE2__
  __m128i Half[2];
  std::memcpy(Half, &V, sizeof(Half));
  const __m128i Words = _mm_packs_epi32(Half[0], Half[1]);
  _mm_storel_epi64(reinterpret_cast<__m128i *>(P), _mm_packus_epi16(Words, Words));
#else
  for (int J = 0; J < 8; ++J)
    P[J] = static_cast<uint8_t>(V[J]);
#endif
}

// In holds eight values of eight rows each (value-major, 64 bytes); writes
// each row's eight values to Rows[row] (only Count bytes of them).
inline void TransposeBytes8x8(const uint8_t *In, uint8_t *const *Rows, int32_t RowCount,
                              int32_t Count)
{
  uint8_t Out[8][8];
#ifdef __SSE2__
  __m128i U[4];
  for (int J = 0; J < 4; ++J) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i *>(In + 16 * J));
    U[J] = _mm_unpacklo_epi8(V, _mm_srli_si128(V, 8)); // per row: values 2J, 2J + 1
  }
  const __m128i W0 = _mm_unpacklo_epi16(U[0], U[1]); // rows 0-3, values 0-3
  const __m128i W1 = _mm_unpackhi_epi16(U[0], U[1]); // rows 4-7, values 0-3
  const __m128i W2 = _mm_unpacklo_epi16(U[2], U[3]); // rows 0-3, values 4-7
  const __m128i W3 = _mm_unpackhi_epi16(U[2], U[3]); // rows 4-7, values 4-7
  _mm_storeu_si128(reinterpret_cast<__m128i *>(Out[0]), _mm_unpacklo_epi32(W0, W2));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(Out[2]), _mm_unpackhi_epi32(W0, W2));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(Out[4]), _mm_unpacklo_epi32(W1, W3));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(Out[6]), _mm_unpackhi_epi32(W1, W3));
#else
  for (int V = 0; V < 8; ++V)
    for (int R = 0; R < 8; ++R)
      Out[R][V] = In[8 * V + R];
#endif
  if (Count == 8) {
    for (int32_t R = 0; R < RowCount; ++R)
      std::memcpy(Rows[R], Out[R], 8);
  } else {
    for (int32_t R = 0; R < RowCount; ++R)
      std::memcpy(Rows[R], Out[R], static_cast<size_t>(Count));
  }
}

// Four integers 0..255 stored as four bytes.
inline void StoreBytes(uint8_t *P, I4 V)
{
#ifdef __SSE2__
  const __m128i Words = _mm_packs_epi32(std::bit_cast<__m128i>(V), std::bit_cast<__m128i>(V));
  const int32_t Word = _mm_cvtsi128_si32(_mm_packus_epi16(Words, Words));
  std::memcpy(P, &Word, 4);
#else
  const B4 B = __builtin_convertvector(V, B4);
  std::memcpy(P, &B, 4);
#endif
}
inline I4 BytesToI4(const uint8_t *P, int32_t Count)
{
  B4 B = {0, 0, 0, 0};
  std::memcpy(&B, P, static_cast<size_t>(Count));
  return __builtin_convertvector(B, I4);
}
inline F4 BytesToF4(const uint8_t *P)
{
  return __builtin_convertvector(BytesToI4(P), F4);
}
inline F4 BytesToF4(const uint8_t *P, int32_t Count)
{
  return __builtin_convertvector(BytesToI4(P, Count), F4);
}

// Rows to lanes: R[j] holds element j of the four inputs.
inline void Transpose4(const F4 *In, F4 *Out)
{
  const F4 T0 = __builtin_shufflevector(In[0], In[1], 0, 4, 1, 5);
  const F4 T1 = __builtin_shufflevector(In[2], In[3], 0, 4, 1, 5);
  const F4 T2 = __builtin_shufflevector(In[0], In[1], 2, 6, 3, 7);
  const F4 T3 = __builtin_shufflevector(In[2], In[3], 2, 6, 3, 7);
  Out[0] = __builtin_shufflevector(T0, T1, 0, 1, 4, 5);
  Out[1] = __builtin_shufflevector(T0, T1, 2, 3, 6, 7);
  Out[2] = __builtin_shufflevector(T2, T3, 0, 1, 4, 5);
  Out[3] = __builtin_shufflevector(T2, T3, 2, 3, 6, 7);
}

// Eight rows of four elements to four vectors of eight lanes, and back.
// Eight rows of four elements to four vectors of eight lanes, stored one
// after the other at Out; and back from four such vectors at In.
inline void Transpose8x4(const F4 *In, float *Out)
{
  F4 Lo[4], Hi[4];
  Transpose4(In, Lo);
  Transpose4(In + 4, Hi);
  for (int J = 0; J < 4; ++J) {
    Store(Out + 8 * J, Lo[J]);
    Store(Out + 8 * J + 4, Hi[J]);
  }
}
inline void Transpose4x8(const float *In, F4 *Out)
{
  F4 Lo[4], Hi[4];
  for (int J = 0; J < 4; ++J) {
    Lo[J] = Load<F4>(In + 8 * J);
    Hi[J] = Load<F4>(In + 8 * J + 4);
  }
  Transpose4(Lo, Out);
  Transpose4(Hi, Out + 4);
}

// The same for integer lanes (the shuffles move bits, not values).
inline void Transpose8x4(const I4 *In, int32_t *Out)
{
  F4 Rows[8];
  for (int J = 0; J < 8; ++J)
    Rows[J] = std::bit_cast<F4>(In[J]);
  Transpose8x4(Rows, reinterpret_cast<float *>(Out));
}
inline void Transpose4x8(const int32_t *In, I4 *Out)
{
  F4 Rows[8];
  Transpose4x8(reinterpret_cast<const float *>(In), Rows);
  for (int J = 0; J < 8; ++J)
    Out[J] = std::bit_cast<I4>(Rows[J]);
}

// Clamp to 0..255 and round half to even (the default rounding mode), as
// ByteRound does; the inputs here are never NaN.
inline I4 RoundToBytes(F4 V)
{
  const I4 Positive = V > 0.0f;
  V = std::bit_cast<F4>(std::bit_cast<I4>(V) & Positive);
  const I4 Below = V < 255.0f;
  V = std::bit_cast<F4>((std::bit_cast<I4>(V) & Below) |
                        (std::bit_cast<I4>(SplatF4(255.0f)) & ~Below));
  const F4 Magic = SplatF4(8388608.0f); // 2^23: adding it drops the fraction
  V = (V + Magic) - Magic;
  return __builtin_convertvector(V, I4);
}

} // namespace facette::lanes

#pragma GCC diagnostic pop
