#include "imaging/ZrHermiteKernel.h"

#include "imaging/ZrInterpolationFilters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace facette {
namespace {

TEST(HermiteKernel, RoundHalfEvenIsNearbyint)
{
  const double Cases[] = {0.0,    -0.0,  0.5,     1.5,         2.5,    -0.5,   -1.5,
                          -2.5,   0.49999999999999994,          1e15 + 0.5, -1e15 - 0.5,
                          4503599627370495.5,   9007199254740993.0, 1e300, -1e300,
                          std::numeric_limits<double>::infinity(), 0.3,    -0.3};
  for (double X : Cases) {
    const double R = RoundHalfEven(X);
    EXPECT_EQ(R, std::nearbyint(X)) << X;
    EXPECT_EQ(std::signbit(R), std::signbit(std::nearbyint(X))) << X;
  }
  EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""))));
  std::mt19937_64 Rng(1);
  std::uniform_real_distribution<double> Any(-1e6, 1e6);
  for (int N = 0; N < 100000; ++N) {
    const double X = Any(Rng);
    ASSERT_EQ(RoundHalfEven(X), std::nearbyint(X)) << X;
  }
}

// The plain definition: every pixel of the window, the table's weight.
bool PlainHermite(const TZrPixels &S, double X, double Y, uint8_t *Pixel)
{
  float Sum[3] = {0, 0, 0}, SumW = 0;
  for (int32_t I = S.Left; I < S.Left + S.Width; ++I)
    for (int32_t J = S.Top; J < S.Top + S.Height; ++J) {
      const double W =
          InterpolationFilters[ifHermite].Weight(std::sqrt((X - I) * (X - I) + (Y - J) * (Y - J)));
      for (int C = 0; C < 3; ++C)
        Sum[C] += W * S.PixelPtr(I, J)[C];
      SumW += W;
    }
  if (SumW == 0)
    return false;
  for (int C = 0; C < 3; ++C)
    Pixel[C] = ByteRound(Sum[C] / SumW);
  return true;
}

// Both paths against the plain sum over the whole image, on a window
// placed away from the origin whose rows have no padding (so the very last
// pixel ends the memory), at points inside, on pixel centres, on the
// border and beyond it.
TEST(HermiteKernel, EveryPathMatchesThePlainSum)
{
  TZrPixelBuffer B;
  ASSERT_TRUE(B.Allocate(pf24bit, Bounds(30, 20, 8, 6))); // 24-byte rows: no padding
  std::mt19937 Rng(2);
  for (int32_t Y = 20; Y < 26; ++Y)
    for (int32_t X = 30; X < 38; ++X)
      for (int C = 0; C < 3; ++C)
        B.PixelPtr(X, Y)[C] = static_cast<uint8_t>(Rng());
  std::uniform_real_distribution<double> PX(27.0, 41.0), PY(17.0, 29.0);
  std::vector<double> Xs, Ys;
  for (int N = 0; N < 2001; ++N) {
    double X = PX(Rng), Y = PY(Rng);
    if (N % 4 == 1)
      X = std::round(X);
    if (N % 6 == 1)
      Y = std::round(Y * 2) / 2;
    Xs.push_back(X);
    Ys.push_back(Y);
  }
  Xs.push_back(37.0); // the last pixel itself
  Ys.push_back(25.0);
  Xs.push_back(37.2);
  Ys.push_back(25.4);
  const int32_t Count = static_cast<int32_t>(Xs.size());
  for (bool Vectors : {true, false}) {
    EnableVectorKernels(Vectors);
    std::vector<uint8_t> Out(3 * Xs.size()), Found(Xs.size());
    HermiteSampleMany(B, Xs.data(), Ys.data(), Count, Out.data(), Found.data());
    for (int32_t K = 0; K < Count; ++K) {
      uint8_t Plain[3];
      const bool Hit = PlainHermite(B, Xs[K], Ys[K], Plain);
      ASSERT_EQ(Found[K] != 0, Hit) << Xs[K] << ", " << Ys[K] << " vectors " << Vectors;
      if (Hit) {
        ASSERT_TRUE(std::equal(Plain, Plain + 3, &Out[3 * K]))
            << Xs[K] << ", " << Ys[K] << " vectors " << Vectors;
      }
    }
  }
  EnableVectorKernels(true);
}

} // namespace
} // namespace facette
