#include "imaging/ZrHermiteKernel.h"

#include "imaging/ZrInterpolationFilters.h"

#include "imaging/VectorPathNote.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace facette {
namespace {

TEST(HermiteKernel, RoundHalfEvenIsNearbyint)
{
  const double Cases[] = {0.0,
                          -0.0,
                          0.5,
                          1.5,
                          2.5,
                          -0.5,
                          -1.5,
                          -2.5,
                          0.49999999999999994,
                          1e15 + 0.5,
                          -1e15 - 0.5,
                          4503599627370495.5,
                          9007199254740993.0,
                          1e300,
                          -1e300,
                          std::numeric_limits<double>::infinity(),
                          0.3,
                          -0.3};
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
  test::NoteVectorPath(VectorKernelsEnabled(), "AVX2");
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

// Pixels wrapped with no row padding right against an inaccessible page,
// once ending at it and once starting after it: a sample reading a byte
// outside the image crashes here.
TEST(HermiteKernel, ReadsNoByteOutsideTheImage)
{
  test::NoteVectorPath(VectorKernelsEnabled(), "AVX2");
  const size_t Page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  uint8_t *Memory = static_cast<uint8_t *>(
      mmap(nullptr, 4 * Page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(Memory, MAP_FAILED);
  ASSERT_EQ(mprotect(Memory, Page, PROT_NONE), 0);
  ASSERT_EQ(mprotect(Memory + 2 * Page, Page, PROT_NONE), 0);
  uint8_t *const PageStart = Memory + Page;   // guard before
  uint8_t *const PageEnd = Memory + 2 * Page; // guard after
  std::memset(PageStart, 77, Page);
  struct Size
  {
    int32_t W, H;
  } Sizes[] = {{1, 1}, {2, 1}, {1, 2}, {4, 1}, {5, 3}, {8, 6}};
  for (bool Vectors : {true, false}) {
    EnableVectorKernels(Vectors);
    for (const Size &Sz : Sizes)
      for (uint8_t *Bits : {PageStart, PageEnd - 3 * Sz.W * Sz.H}) {
        TZrPixels P;
        P.Init(Bounds(0, 0, Sz.W, Sz.H), Bits, pf24bit, 3 * Sz.W);
        std::vector<double> Xs, Ys;
        for (double Y = -1.5; Y <= Sz.H + 0.5; Y += 0.25)
          for (double X = -1.5; X <= Sz.W + 0.5; X += 0.25) {
            Xs.push_back(X);
            Ys.push_back(Y);
          }
        std::vector<uint8_t> Out(3 * Xs.size()), Found(Xs.size());
        HermiteSampleMany(P, Xs.data(), Ys.data(), static_cast<int32_t>(Xs.size()), Out.data(),
                          Found.data());
        for (size_t K = 0; K < Xs.size(); ++K)
          if (Found[K]) {
            ASSERT_EQ(Out[3 * K], 77) << Sz.W << "x" << Sz.H << " at " << Xs[K] << ", " << Ys[K];
          }
      }
  }
  EnableVectorKernels(true);
  munmap(Memory, 4 * Page);
}

} // namespace
} // namespace facette
