// Four-wide AVX2 building blocks of the Hermite sampler, for the pixel
// loops that sample four points side by side. Only for x86 builds; callers
// run them only where VectorKernelsEnabled() and AVX2Window::Fits() say so.
//
// Every operation is the scalar sampler's, in the same order, on doubles and
// floats, so the lanes give the scalar results bit for bit.
#pragma once

#if defined(__x86_64__) || defined(__i386__)

#include "imaging/ZrBitmap.h"

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#define FACETTE_AVX2 __attribute__((target("avx2")))

namespace facette::avx2 {

// The window of pixels as the lanes see it: bounds as doubles, byte
// offsets as 32-bit integers.
struct TWindow
{
  __m256d Left, Right, Top, Bottom;
  __m128i Bpp, Stride, LastOffset;
  const uint8_t *Base;

  // 24-bit pixels or wider, more than one pixel, offsets within 31 bits.
  static bool Fits(const TZrPixels &S)
  {
    return S.Bits != nullptr && S.Width > 0 && S.Height > 0 && S.BytesPerPixel >= 3 &&
           static_cast<int64_t>(S.Height) * S.Stride < (int64_t{1} << 31) &&
           (S.Width > 1 || S.Height > 1);
  }

  FACETTE_AVX2 explicit TWindow(const TZrPixels &S)
      : Left(_mm256_set1_pd(S.Left)), Right(_mm256_set1_pd(S.Left + S.Width - 1)),
        Top(_mm256_set1_pd(S.Top)), Bottom(_mm256_set1_pd(S.Top + S.Height - 1)),
        Bpp(_mm_set1_epi32(S.BytesPerPixel)), Stride(_mm_set1_epi32(S.Stride)),
        LastOffset(_mm_set1_epi32((S.Height - 1) * S.Stride + (S.Width - 1) * S.BytesPerPixel)),
        Base(S.Bits)
  {}
};

FACETTE_AVX2 inline __m256d Between(__m256d V, __m256d Low, __m256d High)
{
  return _mm256_and_pd(_mm256_cmp_pd(V, Low, _CMP_GE_OQ), _mm256_cmp_pd(V, High, _CMP_LE_OQ));
}

// The byte offset of whole coordinates V along one axis, clamped into the
// window so that lanes outside still read real pixels (their weight is 0).
FACETTE_AVX2 inline __m128i ClampedOffset(__m256d V, __m256d Low, __m256d High, __m128i Scale)
{
  const __m256d Clamped = _mm256_sub_pd(_mm256_min_pd(_mm256_max_pd(V, Low), High), Low);
  return _mm_mullo_epi32(_mm256_cvttpd_epi32(Clamped), Scale);
}

// Four pixels at byte offsets Off as blue | green << 8 | red << 16 (the top
// byte is junk). Pixels are read as 4 bytes with plain loads (gathers are
// slow under the data-sampling microcode fix); the very last pixel of the
// window may have nothing after it, so it is read from one byte earlier.
FACETTE_AVX2 inline __m128i LoadPixels(const TWindow &W, __m128i Off)
{
  const __m128i AtEnd = _mm_cmpeq_epi32(Off, W.LastOffset);
  Off = _mm_add_epi32(Off, AtEnd);
  alignas(16) int32_t At[4];
  _mm_store_si128(reinterpret_cast<__m128i *>(At), Off);
  uint32_t Word[4];
  for (int L = 0; L < 4; ++L)
    std::memcpy(&Word[L], W.Base + At[L], 4);
  const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i *>(Word));
  return _mm_srlv_epi32(V, _mm_and_si128(AtEnd, _mm_set1_epi32(8)));
}

// ByteRound of float quotients: NaN and negatives to 0, then 255 at most,
// then to nearest with halves to even.
FACETTE_AVX2 inline __m128i ChannelBytes(__m128 Sum, __m128 SumW)
{
  __m128 Q = _mm_div_ps(Sum, SumW);
  Q = _mm_min_ps(_mm_max_ps(Q, _mm_setzero_ps()), _mm_set1_ps(255.0f));
  return _mm_cvtps_epi32(_mm_round_ps(Q, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
}

// Hermite samples at four points, packed like LoadPixels (0 where no pixel
// lies within reach); SumW receives the weight sums.
FACETTE_AVX2 inline __m128i HermiteFour(const TWindow &S, __m256d X, __m256d Y, __m128 &SumW)
{
  const __m256d One = _mm256_set1_pd(1.0);
  const __m256d Two = _mm256_set1_pd(2.0);
  const __m256d Three = _mm256_set1_pd(3.0);
  const __m128i ByteMask = _mm_set1_epi32(0xFF);
  const __m256d X0 = _mm256_floor_pd(X);
  const __m256d Y0 = _mm256_floor_pd(Y);
  const __m256d X1 = _mm256_add_pd(X0, One);
  const __m256d Y1 = _mm256_add_pd(Y0, One);
  const __m256d EX[2] = {_mm256_sub_pd(X, X0), _mm256_sub_pd(X, X1)};
  const __m256d EY[2] = {_mm256_sub_pd(Y, Y0), _mm256_sub_pd(Y, Y1)};
  const __m256d ValidX[2] = {Between(X0, S.Left, S.Right), Between(X1, S.Left, S.Right)};
  const __m256d ValidY[2] = {Between(Y0, S.Top, S.Bottom), Between(Y1, S.Top, S.Bottom)};
  const __m128i OX[2] = {ClampedOffset(X0, S.Left, S.Right, S.Bpp),
                         ClampedOffset(X1, S.Left, S.Right, S.Bpp)};
  const __m128i OY[2] = {ClampedOffset(Y0, S.Top, S.Bottom, S.Stride),
                         ClampedOffset(Y1, S.Top, S.Bottom, S.Stride)};

  __m128 SumB = _mm_setzero_ps(), SumG = _mm_setzero_ps(), SumR = _mm_setzero_ps();
  SumW = _mm_setzero_ps();
  // Columns outer, rows inner, as the scalar sampler.
  for (int I = 0; I < 2; ++I)
    for (int J = 0; J < 2; ++J) {
      const __m256d Q = _mm256_add_pd(_mm256_mul_pd(EX[I], EX[I]), _mm256_mul_pd(EY[J], EY[J]));
      const __m256d D = _mm256_sqrt_pd(Q);
      __m256d W = _mm256_add_pd(
          _mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(Two, D), Three), _mm256_mul_pd(D, D)), One);
      // Weight 0 from distance 1 on and for pixels outside the window:
      // adding it changes no sum.
      W = _mm256_and_pd(W, _mm256_cmp_pd(D, One, _CMP_LT_OQ));
      W = _mm256_and_pd(W, _mm256_and_pd(ValidX[I], ValidY[J]));
      const __m128i V = LoadPixels(S, _mm_add_epi32(OX[I], OY[J]));
      const __m256d B = _mm256_cvtepi32_pd(_mm_and_si128(V, ByteMask));
      const __m256d G = _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(V, 8), ByteMask));
      const __m256d R = _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(V, 16), ByteMask));
      SumB = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(SumB), _mm256_mul_pd(W, B)));
      SumG = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(SumG), _mm256_mul_pd(W, G)));
      SumR = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(SumR), _mm256_mul_pd(W, R)));
      SumW = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(SumW), W));
    }
  // With no weight the quotients are NaN, which ChannelBytes makes 0.
  return _mm_or_si128(
      _mm_or_si128(ChannelBytes(SumB, SumW), _mm_slli_epi32(ChannelBytes(SumG, SumW), 8)),
      _mm_slli_epi32(ChannelBytes(SumR, SumW), 16));
}

// Writes the low three bytes of each lane to twelve consecutive bytes,
// touching nothing after them.
FACETTE_AVX2 inline void StoreTwelve(uint8_t *Out, __m128i Packed)
{
  const __m128i Bytes = _mm_shuffle_epi8(
      Packed, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
  _mm_storel_epi64(reinterpret_cast<__m128i *>(Out), Bytes);
  const int32_t Tail = _mm_extract_epi32(Bytes, 2);
  std::memcpy(Out + 8, &Tail, 4);
}

} // namespace facette::avx2

#endif
