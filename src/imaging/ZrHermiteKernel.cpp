#include "imaging/ZrHermiteKernel.h"

#include "imaging/ZrInterpolationFilters.h"

#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include "imaging/ZrHermiteAvx2.h"
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
FACETTE_AVX2 void HermiteMany(const TZrPixels &S, const double *X, const double *Y, int32_t Count,
                              uint8_t *Out, uint8_t *Found)
{
  const avx2::TWindow Window(S);
  for (int32_t K = 0; K + 4 <= Count; K += 4) {
    __m128 SumW;
    const __m128i Packed =
        avx2::HermiteFour(Window, _mm256_loadu_pd(X + K), _mm256_loadu_pd(Y + K), SumW);
    avx2::StoreTwelve(Out + 3 * K, Packed);
    const int Empty = _mm_movemask_ps(_mm_cmpeq_ps(SumW, _mm_setzero_ps()));
    for (int L = 0; L < 4; ++L)
      Found[K + L] = (Empty >> L & 1) ? 0 : 1;
  }
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
  if (VectorKernelsEnabled() && avx2::TWindow::Fits(Source)) {
    K = Count / 4 * 4;
    HermiteMany(Source, X, Y, K, Out, Found);
  }
#endif
  for (; K < Count; ++K)
    Found[K] = HermiteSample(Source, X[K], Y[K], Out + 3 * K) ? 1 : 0;
}

} // namespace facette
