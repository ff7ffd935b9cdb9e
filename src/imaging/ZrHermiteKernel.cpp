#include "imaging/ZrHermiteKernel.h"

#include "imaging/ZrInterpolationFilters.h"

#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define FACETTE_X86 1
#endif

namespace facette {

namespace {

std::atomic<bool> VectorsAllowed{true};

bool HaveAvx2()
{
#ifdef FACETTE_X86
  static const bool Have = __builtin_cpu_supports("avx2");
  return Have;
#else
  return false;
#endif
}

#ifdef FACETTE_X86
#define FACETTE_AVX2 __attribute__((target("avx2")))

FACETTE_AVX2 inline __m256d Between(__m256d V, __m256d Low, __m256d High)
{
  return _mm256_and_pd(_mm256_cmp_pd(V, Low, _CMP_GE_OQ), _mm256_cmp_pd(V, High, _CMP_LE_OQ));
}

// The byte offset of the clamped coordinate V along one axis.
FACETTE_AVX2 inline __m128i ClampedOffset(__m256d V, __m256d Low, __m256d High, __m128i Scale)
{
  const __m256d Clamped = _mm256_sub_pd(_mm256_min_pd(_mm256_max_pd(V, Low), High), Low);
  return _mm_mullo_epi32(_mm256_cvttpd_epi32(Clamped), Scale);
}

// ByteRound of float quotients: NaN and negatives to 0, then 255 at most,
// then to nearest with halves to even.
FACETTE_AVX2 inline __m128i ChannelBytes(__m128 Sum, __m128 SumW)
{
  __m128 Q = _mm_div_ps(Sum, SumW);
  Q = _mm_min_ps(_mm_max_ps(Q, _mm_setzero_ps()), _mm_set1_ps(255.0f));
  return _mm_cvtps_epi32(_mm_round_ps(Q, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
}

// Four samples side by side. Offsets are 32-bit, so the caller makes sure
// the window's bytes fit that range.
FACETTE_AVX2 void HermiteFour(const TZrPixels &S, const double *XP, const double *YP, uint8_t *Out,
                              uint8_t *Found)
{
  const __m256d Left = _mm256_set1_pd(S.Left);
  const __m256d Right = _mm256_set1_pd(S.Left + S.Width - 1);
  const __m256d Top = _mm256_set1_pd(S.Top);
  const __m256d Bottom = _mm256_set1_pd(S.Top + S.Height - 1);
  const __m256d One = _mm256_set1_pd(1.0);
  const __m256d Two = _mm256_set1_pd(2.0);
  const __m256d Three = _mm256_set1_pd(3.0);
  const __m128i Bpp = _mm_set1_epi32(S.BytesPerPixel);
  const __m128i Stride = _mm_set1_epi32(S.Stride);
  // Pixels are read as 4 bytes; the very last pixel of the window may have
  // nothing after it, so it is read from one byte earlier and shifted.
  const __m128i LastOffset =
      _mm_set1_epi32((S.Height - 1) * S.Stride + (S.Width - 1) * S.BytesPerPixel);
  const __m128i ByteMask = _mm_set1_epi32(0xFF);
  const uint8_t *Base = S.Bits;

  const __m256d X = _mm256_loadu_pd(XP);
  const __m256d Y = _mm256_loadu_pd(YP);
  const __m256d X0 = _mm256_floor_pd(X);
  const __m256d Y0 = _mm256_floor_pd(Y);
  const __m256d X1 = _mm256_add_pd(X0, One);
  const __m256d Y1 = _mm256_add_pd(Y0, One);
  const __m256d EX[2] = {_mm256_sub_pd(X, X0), _mm256_sub_pd(X, X1)};
  const __m256d EY[2] = {_mm256_sub_pd(Y, Y0), _mm256_sub_pd(Y, Y1)};
  const __m256d ValidX[2] = {Between(X0, Left, Right), Between(X1, Left, Right)};
  const __m256d ValidY[2] = {Between(Y0, Top, Bottom), Between(Y1, Top, Bottom)};
  const __m128i OX[2] = {ClampedOffset(X0, Left, Right, Bpp), ClampedOffset(X1, Left, Right, Bpp)};
  const __m128i OY[2] = {ClampedOffset(Y0, Top, Bottom, Stride),
                         ClampedOffset(Y1, Top, Bottom, Stride)};

  __m128 SumB = _mm_setzero_ps(), SumG = _mm_setzero_ps(), SumR = _mm_setzero_ps(),
         SumW = _mm_setzero_ps();
  for (int I = 0; I < 2; ++I)
    for (int J = 0; J < 2; ++J) {
      const __m256d Q = _mm256_add_pd(_mm256_mul_pd(EX[I], EX[I]), _mm256_mul_pd(EY[J], EY[J]));
      const __m256d D = _mm256_sqrt_pd(Q);
      __m256d W = _mm256_add_pd(
          _mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(Two, D), Three), _mm256_mul_pd(D, D)), One);
      W = _mm256_and_pd(W, _mm256_cmp_pd(D, One, _CMP_LT_OQ));
      W = _mm256_and_pd(W, _mm256_and_pd(ValidX[I], ValidY[J]));
      __m128i Off = _mm_add_epi32(OX[I], OY[J]);
      const __m128i AtEnd = _mm_cmpeq_epi32(Off, LastOffset);
      Off = _mm_add_epi32(Off, AtEnd);
      // Plain loads: gathers are slow on processors with the data-sampling
      // fix in microcode.
      alignas(16) int32_t At[4];
      _mm_store_si128(reinterpret_cast<__m128i *>(At), Off);
      uint32_t Word[4];
      for (int L = 0; L < 4; ++L)
        std::memcpy(&Word[L], Base + At[L], 4);
      __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i *>(Word));
      V = _mm_srlv_epi32(V, _mm_and_si128(AtEnd, _mm_set1_epi32(8)));
      const __m256d B = _mm256_cvtepi32_pd(_mm_and_si128(V, ByteMask));
      const __m256d G = _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(V, 8), ByteMask));
      const __m256d R = _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(V, 16), ByteMask));
      SumB = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(SumB), _mm256_mul_pd(W, B)));
      SumG = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(SumG), _mm256_mul_pd(W, G)));
      SumR = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(SumR), _mm256_mul_pd(W, R)));
      SumW = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(SumW), W));
    }
  const __m128i Packed = _mm_or_si128(
      _mm_or_si128(ChannelBytes(SumB, SumW), _mm_slli_epi32(ChannelBytes(SumG, SumW), 8)),
      _mm_slli_epi32(ChannelBytes(SumR, SumW), 16));
  const __m128i Bytes = _mm_shuffle_epi8(
      Packed, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
  _mm_storel_epi64(reinterpret_cast<__m128i *>(Out), Bytes);
  const int32_t Tail = _mm_extract_epi32(Bytes, 2);
  std::memcpy(Out + 8, &Tail, 4);
  const int Empty = _mm_movemask_ps(_mm_cmpeq_ps(SumW, _mm_setzero_ps()));
  for (int K = 0; K < 4; ++K)
    Found[K] = (Empty >> K & 1) ? 0 : 1;
}
#endif

} // namespace

bool VectorKernelsEnabled()
{
  return VectorsAllowed.load(std::memory_order_relaxed) && HaveAvx2();
}

void EnableVectorKernels(bool Enable)
{
  VectorsAllowed.store(Enable, std::memory_order_relaxed);
}

bool HermiteSample(const TZrPixels &Source, double X, double Y, uint8_t *Pixel)
{
  const double FX = std::floor(X);
  const double FY = std::floor(Y);
  // Both candidate columns (rows) outside: nothing within reach. This also
  // keeps the integer conversions below in range.
  if (!(FX >= Source.Left - 1.0 && FX <= Source.Left + Source.Width - 1.0 &&
        FY >= Source.Top - 1.0 && FY <= Source.Top + Source.Height - 1.0))
    return false;
  const int32_t I0 = static_cast<int32_t>(FX);
  const int32_t J0 = static_cast<int32_t>(FY);
  float SumB = 0.0f, SumG = 0.0f, SumR = 0.0f, SumW = 0.0f;
  for (int32_t I = I0; I <= I0 + 1; ++I) {
    if (I < Source.Left || I >= Source.Left + Source.Width)
      continue;
    const double EX = X - I;
    for (int32_t J = J0; J <= J0 + 1; ++J) {
      if (J < Source.Top || J >= Source.Top + Source.Height)
        continue;
      const double EY = Y - J;
      const double Q = EX * EX + EY * EY;
      if (Q >= 1.0) // weight exactly 0
        continue;
      const double W = HermiteWeight(std::sqrt(Q));
      const uint8_t *P = Source.PixelPtr(I, J);
      SumB = static_cast<float>(SumB + W * P[0]);
      SumG = static_cast<float>(SumG + W * P[1]);
      SumR = static_cast<float>(SumR + W * P[2]);
      SumW = static_cast<float>(SumW + W);
    }
  }
  if (SumW == 0.0f)
    return false;
  Pixel[0] = ByteRound(SumB / SumW);
  Pixel[1] = ByteRound(SumG / SumW);
  Pixel[2] = ByteRound(SumR / SumW);
  return true;
}

void HermiteSampleMany(const TZrPixels &Source, const double *X, const double *Y, int32_t Count,
                       uint8_t *Out, uint8_t *Found)
{
  int32_t K = 0;
#ifdef FACETTE_X86
  const int64_t Span = static_cast<int64_t>(Source.Height) * Source.Stride;
  if (VectorKernelsEnabled() && Source.Bits && Source.Width > 0 && Source.Height > 0 &&
      Source.BytesPerPixel >= 3 && Span < (int64_t{1} << 31) &&
      (Source.Width > 1 || Source.Height > 1)) // a lone pixel has no byte before it either
    for (; K + 4 <= Count; K += 4)
      HermiteFour(Source, X + K, Y + K, Out + 3 * K, Found + K);
#endif
  for (; K < Count; ++K)
    Found[K] = HermiteSample(Source, X[K], Y[K], Out + 3 * K) ? 1 : 0;
}

} // namespace facette
