#include "tools/makeup/ZrMakeUpSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace facette {
namespace {

void FillRandom(TZrPixelBuffer &B, uint32_t Seed, int32_t MaxValue = 255)
{
  std::mt19937 Rng(Seed);
  std::uniform_int_distribution<int32_t> Value(0, MaxValue);
  for (int32_t Y = 0; Y < B.Height; ++Y) {
    uint8_t *P = B.Bits + static_cast<ptrdiff_t>(Y) * B.Stride;
    for (int32_t X = 0; X < B.Width * B.BytesPerPixel; ++X)
      P[X] = static_cast<uint8_t>(Value(Rng));
  }
}

// The detail layer step by step, one column and then one row at a time,
// with arrays indexed [X][Y].
struct TReferenceDetail
{
  int32_t W = 0, H = 0;
  std::vector<float> Detail; // [X][Y][channel]

  float At(int32_t X, int32_t Y, int C) const { return Detail[(size_t(X) * H + Y) * 3 + C]; }

  explicit TReferenceDetail(const TZrPixels &P) : W(P.Width), H(P.Height)
  {
    std::vector<float> Means(size_t(W) * H * 3);
    Detail.resize(Means.size());
    auto Pixel = [&](int32_t X, int32_t Y, int C) {
      return static_cast<float>(P.Bits[Y * P.Stride + X * P.BytesPerPixel + C]);
    };
    for (int32_t X = 0; X < W; ++X) {
      float S[3] = {0, 0, 0};
      int32_t N = 0;
      for (int32_t Y = 0; Y <= std::min(9, H - 1); ++Y, ++N)
        for (int C = 0; C < 3; ++C)
          S[C] += Pixel(X, Y, C);
      for (int32_t Y = 0; Y < H; ++Y) {
        if (Y > 0) {
          if (Y - 9 >= 0) {
            for (int C = 0; C < 3; ++C)
              S[C] -= Pixel(X, Y - 9, C);
            --N;
          }
          if (Y + 9 < H) {
            for (int C = 0; C < 3; ++C)
              S[C] += Pixel(X, Y + 9, C);
            ++N;
          }
        }
        for (int C = 0; C < 3; ++C)
          Means[(size_t(X) * H + Y) * 3 + C] = S[C] * (1.0f / static_cast<float>(N));
      }
    }
    for (int32_t Y = 0; Y < H; ++Y) {
      auto Mean = [&](int32_t X, int C) { return Means[(size_t(X) * H + Y) * 3 + C]; };
      float S[3] = {0, 0, 0};
      int32_t N = 0;
      for (int32_t X = 0; X <= std::min(9, W - 1); ++X, ++N)
        for (int C = 0; C < 3; ++C)
          S[C] += Mean(X, C);
      for (int32_t X = 0; X < W; ++X) {
        if (X > 0) {
          if (X - 9 >= 0) {
            for (int C = 0; C < 3; ++C)
              S[C] -= Mean(X - 9, C);
            --N;
          }
          if (X + 9 < W) {
            for (int C = 0; C < 3; ++C)
              S[C] += Mean(X + 9, C);
            ++N;
          }
        }
        for (int C = 0; C < 3; ++C)
          Detail[(size_t(X) * H + Y) * 3 + C] =
              Pixel(X, Y, C) - S[C] * (1.0f / static_cast<float>(N));
      }
    }
  }
};

// Compares bit for bit; reports the first difference.
void ExpectSameDetail(const TZrMakeUpDetail &Layer, const TZrPixels &P)
{
  const TReferenceDetail Ref(P);
  ASSERT_EQ(Layer.GetBounds(), P.GetBounds());
  for (int32_t Y = 0; Y < P.Height; ++Y) {
    const float *Row = Layer.Row(P.Top + Y);
    ASSERT_NE(Row, nullptr);
    for (int32_t X = 0; X < P.Width; ++X)
      for (int C = 0; C < 3; ++C) {
        const float A = Row[X * 3 + C], B = Ref.At(X, Y, C);
        ASSERT_EQ(std::memcmp(&A, &B, sizeof(float)), 0)
            << P.Width << "x" << P.Height << " at " << X << "," << Y << " channel " << C << ": "
            << A << " vs " << B;
      }
  }
}

TEST(MakeUpDetail, MatchesTheStepByStepLayerOnRandomImages)
{
  struct Case
  {
    int32_t W, H;
  } Cases[] = {{1, 1},
               {2, 3},
               {5, 4},
               {9, 9},
               {10, 10},
               {11, 17},
               {19, 19},
               {3, 40},
               {41, 3},
               {33, 26},
               {64, 70},
               {7, 121},
               {130, 9},
               // large enough to be split over threads
               {613, 450}};
  uint32_t Seed = 1;
  for (const Case &C : Cases) {
    TZrPixelBuffer B;
    B.Allocate(pf24bit, Bounds(0, 0, C.W, C.H));
    FillRandom(B, Seed++);
    TZrMakeUpDetail Layer;
    Layer.BuildDetail(B);
    ExpectSameDetail(Layer, B);
  }
}

TEST(MakeUpDetail, ReadsPositionedAndFourByteImages)
{
  TZrPixelBuffer B;
  B.Allocate(pf24bit, Bounds(30, 20, 27, 23));
  FillRandom(B, 7);
  TZrMakeUpDetail Layer;
  Layer.BuildDetail(B);
  ExpectSameDetail(Layer, B);
  float D[3];
  Layer.At(29, 25, D);
  EXPECT_EQ(D[0], 0.0f) << "outside the layer there is no detail";

  TZrPixelBuffer Wide;
  Wide.Allocate(pf32bit, Bounds(0, 0, 21, 14));
  FillRandom(Wide, 8);
  Layer.BuildDetail(Wide);
  ExpectSameDetail(Layer, Wide);
}

TEST(MakeUpDetail, SmallImagesUseTheWholeRowAndColumn)
{
  // Fewer than 10 pixels each way: every window is the whole image, so the
  // detail is the pixel minus the image mean.
  TZrPixelBuffer B;
  B.Allocate(pf24bit, Bounds(0, 0, 6, 4));
  FillRandom(B, 11);
  double Sum[3] = {0, 0, 0};
  for (int32_t Y = 0; Y < 4; ++Y)
    for (int32_t X = 0; X < 6; ++X)
      for (int C = 0; C < 3; ++C)
        Sum[C] += B.PixelPtr(X, Y)[C];
  TZrMakeUpDetail Layer;
  Layer.BuildDetail(B);
  for (int32_t Y = 0; Y < 4; ++Y)
    for (int32_t X = 0; X < 6; ++X) {
      float D[3];
      Layer.At(X, Y, D);
      for (int C = 0; C < 3; ++C)
        EXPECT_NEAR(D[C], B.PixelPtr(X, Y)[C] - Sum[C] / 24, 1e-3);
    }
}

TEST(MakeUpDetail, EmptyImageGivesAnEmptyLayer)
{
  TZrPixelBuffer Empty;
  Empty.Allocate(pf24bit, Bounds(0, 0, 0, 5));
  TZrMakeUpDetail Layer;
  Layer.DetailStale = true;
  int32_t Last = -1, LastTotal = -1;
  Layer.BuildDetail(Empty, [&](int32_t Done, int32_t Total) {
    Last = Done;
    LastTotal = Total;
  });
  EXPECT_TRUE(Layer.Empty());
  EXPECT_FALSE(Layer.DetailStale);
  EXPECT_EQ(Layer.Row(0), nullptr);
  EXPECT_EQ(Last, LastTotal);
}

TEST(MakeUpDetail, ProgressRisesToWidthPlusHeight)
{
  TZrPixelBuffer B;
  B.Allocate(pf24bit, Bounds(0, 0, 700, 400));
  FillRandom(B, 3);
  TZrMakeUpDetail Layer;
  std::vector<int32_t> Seen;
  Layer.BuildDetail(B, [&](int32_t Done, int32_t Total) {
    EXPECT_EQ(Total, 1100);
    Seen.push_back(Done);
  });
  ASSERT_GE(Seen.size(), 2u);
  EXPECT_TRUE(std::is_sorted(Seen.begin(), Seen.end()));
  EXPECT_EQ(Seen.front(), 0);
  EXPECT_EQ(Seen.back(), 1100);
}

TEST(MakeUpDetail, RebuildingForAnotherSizeReplacesTheLayer)
{
  TZrPixelBuffer Big, Small;
  Big.Allocate(pf24bit, Bounds(0, 0, 40, 30));
  Small.Allocate(pf24bit, Bounds(0, 0, 12, 5));
  FillRandom(Big, 1);
  FillRandom(Small, 2);
  TZrMakeUpDetail Layer;
  Layer.BuildDetail(Big);
  EXPECT_TRUE(Layer.IsCurrentFor(Big));
  Layer.BuildDetail(Small);
  EXPECT_FALSE(Layer.IsCurrentFor(Big));
  ExpectSameDetail(Layer, Small);
  EXPECT_EQ(Layer.Row(5), nullptr);
}

TEST(MakeUpDetail, RowsWorkedOutWhenNeededMatchTheWholeLayer)
{
  // Rows asked for in any order, alone or in runs crossing bands, the
  // image's edges included, on one thread or several.
  struct Case
  {
    int32_t W, H;
    int32_t Format;
  } Cases[] = {{37, 150, pf24bit}, {613, 450, pf24bit}, {29, 70, pf32bit}, {12, 5, pf24bit}};
  uint32_t Seed = 40;
  for (const Case &C : Cases) {
    TZrPixelBuffer B;
    B.Allocate(C.Format, Bounds(5, 7, C.W, C.H));
    FillRandom(B, Seed++);
    TZrMakeUpDetail Layer;
    Layer.Reset(B);
    EXPECT_FALSE(Layer.RowsReady(7, 8));
    EXPECT_EQ(Layer.Row(7), nullptr);
    const int32_t Middle = 7 + C.H / 2;
    Layer.EnsureRows(B, Middle, Middle + 1);
    EXPECT_TRUE(Layer.RowsReady(Middle, Middle + 1));
    Layer.EnsureRows(B, 7 + C.H - 3, 7 + C.H + 40);
    Layer.EnsureRows(B, -100, 7 + C.H / 3);
    Layer.EnsureRows(B, 0, 7 + C.H);
    EXPECT_TRUE(Layer.RowsReady(-5, 1000));
    ExpectSameDetail(Layer, B);
  }
}

TEST(MakeUpDetail, ARowDependsOnlyOnThePixelsItsWindowReaches)
{
  TZrPixelBuffer B;
  B.Allocate(pf24bit, Bounds(0, 0, 40, 120));
  FillRandom(B, 9);
  TZrMakeUpDetail Whole;
  Whole.BuildDetail(B);
  TZrMakeUpDetail Lazy;
  Lazy.Reset(B);
  Lazy.EnsureRows(B, 0, 32);
  // Rows from 41 down are beyond the reach of rows up to 31 (their windows
  // end 9 rows below): changing them later leaves those rows as the whole
  // layer has them.
  for (int32_t Y = 41; Y < 120; ++Y)
    std::memset(B.PixelPtr(0, Y), 0, 40 * 3);
  for (int32_t Y = 0; Y < 32; ++Y)
    EXPECT_EQ(std::memcmp(Lazy.Row(Y), Whole.Row(Y), 40 * 3 * sizeof(float)), 0) << Y;
}

TEST(MakeUpDetail, ResettingForgetsTheRowsButKeepsTheMemory)
{
  TZrPixelBuffer B;
  B.Allocate(pf24bit, Bounds(0, 0, 30, 64));
  FillRandom(B, 4);
  TZrMakeUpDetail Layer;
  Layer.BuildDetail(B);
  const float *Before = Layer.Row(40);
  FillRandom(B, 5);
  Layer.DetailStale = true;
  Layer.Reset(B);
  EXPECT_FALSE(Layer.DetailStale);
  EXPECT_EQ(Layer.Row(40), nullptr);
  // Another image's pixels are never read.
  TZrPixelBuffer Smaller;
  Smaller.Allocate(pf24bit, Bounds(0, 0, 30, 20));
  Layer.EnsureRows(Smaller, 0, 64);
  EXPECT_FALSE(Layer.RowsReady(0, 64));
  Layer.EnsureRows(B, 0, 64);
  EXPECT_EQ(Layer.Row(40), Before);
  ExpectSameDetail(Layer, B);
}

} // namespace
} // namespace facette
