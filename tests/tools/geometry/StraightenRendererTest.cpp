#include "tools/geometry/ZrStraightenRenderer.h"

#include "imaging/ZrHermiteKernel.h"
#include "imaging/ZrInterpolationFilters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

namespace facette {
namespace {

// Random colours that avoid pure white, so white pixels in a result can
// only come from outside the source.
void FillRandom(TZrPixelBuffer &B, int32_t W, int32_t H, uint32_t Seed)
{
  ASSERT_TRUE(B.Allocate(pf24bit, Bounds(0, 0, W, H)));
  std::mt19937 Rng(Seed);
  for (int32_t Y = 0; Y < H; ++Y)
    for (int32_t X = 0; X < W; ++X)
      for (int C = 0; C < 3; ++C)
        B.PixelPtr(X, Y)[C] = static_cast<uint8_t>(Rng() % 255);
}

bool IsWhite(const uint8_t *P)
{
  return P[0] == 255 && P[1] == 255 && P[2] == 255;
}

// The rendering written out plainly: one column after the other, the
// source position advanced down the column by repeated addition, the
// outside map indexed [x][y], filtered samples over the filter's whole
// window through the table's weight function, one thread.
struct PlainStraighten
{
  int32_t W = 0, H = 0;
  std::vector<std::vector<uint8_t>> Outside; // [x][y]
  TZrPixelBuffer Image;

  static void SampleFiltered(const TZrPixels &Src, int F, double X, double Y, uint8_t *Pixel)
  {
    const TZrInterpolationFilter &Filter = InterpolationFilters[static_cast<size_t>(F)];
    const double S = Filter.Support;
    const int32_t I0 = std::max(static_cast<int32_t>(std::floor(X - S)), 0);
    const int32_t I1 = std::min(static_cast<int32_t>(std::ceil(X + S)), Src.Width - 1);
    const int32_t J0 = std::max(static_cast<int32_t>(std::floor(Y - S)), 0);
    const int32_t J1 = std::min(static_cast<int32_t>(std::ceil(Y + S)), Src.Height - 1);
    float Sum[3] = {0, 0, 0};
    float SumW = 0;
    for (int32_t I = I0; I <= I1; ++I)
      for (int32_t J = J0; J <= J1; ++J) {
        const double Wt = Filter.Weight(std::sqrt((X - I) * (X - I) + (Y - J) * (Y - J)));
        for (int C = 0; C < 3; ++C)
          Sum[C] += Wt * Src.PixelPtr(I, J)[C];
        SumW += Wt;
      }
    for (int C = 0; C < 3; ++C)
      Pixel[C] = SumW == 0 ? 0 : ByteRound(Sum[C] / SumW);
  }

  void Render(const TZrPixels &Src, double T, int F)
  {
    const int32_t SW = Src.Width, SH = Src.Height;
    const double Diagonal = std::sqrt(double(SW) * SW + double(SH) * SH);
    const double D = std::atan(double(SH) / std::max(SW, 1));
    W = int32_t(std::nearbyint(Diagonal *
                               std::max(std::fabs(std::cos(T + D)), std::fabs(std::cos(T - D)))));
    H = int32_t(std::nearbyint(Diagonal *
                               std::max(std::fabs(std::sin(T + D)), std::fabs(std::sin(T - D)))));
    const double CXR = (W - 1) / 2.0, CYR = (H - 1) / 2.0;
    const double CXS = (SW - 1) / 2.0, CYS = (SH - 1) / 2.0;
    Outside.assign(size_t(W), std::vector<uint8_t>(size_t(H), 0));
    ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, W, H)));
    const double S = std::sin(T), C = std::cos(T);
    for (int32_t X = 0; X < W; ++X) {
      int32_t Y = 0;
      const double SX0 = (X - CXR) * C - (Y - CYR) * S + CXS;
      const double SY0 = (X - CXR) * S + (Y - CYR) * C + CYS;
      Y = H - 1;
      const double SX1 = (X - CXR) * C - (Y - CYR) * S + CXS;
      const double SY1 = (X - CXR) * S + (Y - CYR) * C + CYS;
      const double StepX = (SX1 - SX0) / std::max(H - 1, 1);
      const double StepY = (SY1 - SY0) / std::max(H - 1, 1);
      double SX = SX0, SY = SY0;
      for (Y = 0; Y < H; ++Y) {
        const double RX = std::nearbyint(SX), RY = std::nearbyint(SY);
        uint8_t *Out = Image.PixelPtr(X, Y);
        if (RX < 0 || RX > SW - 1 || RY < 0 || RY > SH - 1) {
          Outside[size_t(X)][size_t(Y)] = 1;
          Out[0] = Out[1] = Out[2] = 255;
        } else if (F == 0) {
          std::copy_n(Src.PixelPtr(int32_t(RX), int32_t(RY)), 3, Out);
        } else {
          SampleFiltered(Src, F, SX, SY, Out);
        }
        SX += StepX;
        SY += StepY;
      }
    }
  }
};

::testing::AssertionResult SameResult(const TZrStraightenRenderer &R, const TZrPixels &Image,
                                      const PlainStraighten &P)
{
  if (R.ResultWidth != P.W || R.ResultHeight != P.H)
    return ::testing::AssertionFailure()
           << "size " << R.ResultWidth << "x" << R.ResultHeight << " vs " << P.W << "x" << P.H;
  for (int32_t Y = 0; Y < P.H; ++Y)
    for (int32_t X = 0; X < P.W; ++X) {
      if (R.IsOutside(X, Y) != (P.Outside[size_t(X)][size_t(Y)] != 0))
        return ::testing::AssertionFailure() << "outside flag at " << X << ", " << Y;
      for (int C = 0; C < 3; ++C)
        if (Image.PixelPtr(X, Y)[C] != P.Image.PixelPtr(X, Y)[C])
          return ::testing::AssertionFailure()
                 << "pixel (" << X << ", " << Y << ") channel " << C << ": "
                 << int(Image.PixelPtr(X, Y)[C]) << " vs " << int(P.Image.PixelPtr(X, Y)[C]);
    }
  return ::testing::AssertionSuccess();
}

void RenderInto(TZrStraightenRenderer &R, TZrPixelBuffer &Image, const TZrPixels &Source,
                double Angle, int32_t Filter)
{
  R.SetSourceSize(Source.Width, Source.Height);
  R.ComputeResultSize(Angle);
  ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, R.ResultWidth, R.ResultHeight)));
  R.Render(Source, Angle, Filter, Image);
}

TEST(StraightenRenderer, ResultSizes)
{
  struct Case
  {
    int32_t W, H;
    double Angle;
    int32_t RW, RH;
  } Cases[] = {
      {400, 300, 0.1, 428, 338},
      {400, 300, -0.1, 428, 338},
      {400, 300, 0.0, 400, 300},
      {400, 300, std::numbers::pi / 2, 300, 400},
      {400, 300, std::numbers::pi, 400, 300},
      {1, 1, 0.3, 1, 1},
      {1, 50, 0.0, 1, 50},
      {6000, 4000, 0.05, 6192, 4295},
      {0, 300, 0.1, 0, 0}, // nothing to rotate
      {300, 0, 0.1, 0, 0},
  };
  for (const Case &C : Cases) {
    TZrStraightenRenderer R;
    R.SetSourceSize(C.W, C.H);
    R.ComputeResultSize(C.Angle);
    EXPECT_EQ(R.ResultWidth, C.RW) << C.W << "x" << C.H << " at " << C.Angle;
    EXPECT_EQ(R.ResultHeight, C.RH) << C.W << "x" << C.H << " at " << C.Angle;
  }
}

TEST(StraightenRenderer, CornersOutsideTheSourceAreWhite)
{
  TZrPixelBuffer Source;
  FillRandom(Source, 400, 300, 1);
  TZrStraightenRenderer R;
  TZrPixelBuffer Image;
  RenderInto(R, Image, Source, 0.1, ifNone);
  ASSERT_EQ(R.ResultWidth, 428);
  ASSERT_EQ(R.ResultHeight, 338);
  for (auto [X, Y] : {std::pair{0, 0}, {427, 0}, {0, 337}, {427, 337}}) {
    EXPECT_TRUE(R.IsOutside(X, Y));
    EXPECT_TRUE(IsWhite(Image.PixelPtr(X, Y)));
  }
  EXPECT_FALSE(R.IsOutside(214, 169));
  // White exactly where the map says outside.
  for (int32_t Y = 0; Y < 338; ++Y)
    for (int32_t X = 0; X < 428; ++X)
      ASSERT_EQ(IsWhite(Image.PixelPtr(X, Y)), R.IsOutside(X, Y)) << X << ", " << Y;
}

TEST(StraightenRenderer, AtAngleZeroEveryFilterKeepsTheImage)
{
  TZrPixelBuffer Source;
  FillRandom(Source, 37, 21, 2);
  for (int32_t F : {ifNone, ifHermite, ifTriangle}) {
    TZrStraightenRenderer R;
    TZrPixelBuffer Image;
    RenderInto(R, Image, Source, 0.0, F);
    for (int32_t Y = 0; Y < 21; ++Y)
      for (int32_t X = 0; X < 37; ++X)
        ASSERT_TRUE(
            std::equal(Image.PixelPtr(X, Y), Image.PixelPtr(X, Y) + 3, Source.PixelPtr(X, Y)))
            << F << ": " << X << ", " << Y;
  }
}

// Every filter over sizes and angles, including sizes wide enough to be
// split between threads, matches the plain loops bit for bit.
TEST(StraightenRenderer, RenderingMatchesThePlainLoops)
{
  struct Case
  {
    int32_t W, H;
    double Angle;
    std::vector<int32_t> Filters;
  } Cases[] = {
      {400, 300, 0.1, {ifNone, ifHermite}},
      {301, 180, -0.37, {ifNone, ifHermite, ifLanczos3}},
      {53, 29, 1.0, {0, 1, 2, 3, 4, 5, 6}},
      {29, 53, -2.5, {0, 1, 2, 3, 4, 5, 6}},
      {16, 9, std::numbers::pi / 2, {ifNone, ifHermite, ifMitchell}},
      {1, 7, 0.2, {ifNone, ifHermite, ifBell}},
      {5, 1, 0.7, {ifNone, ifHermite, ifBSpline}},
  };
  for (const Case &C : Cases) {
    TZrPixelBuffer Source;
    FillRandom(Source, C.W, C.H, static_cast<uint32_t>(C.W * 31 + C.H));
    for (int32_t F : C.Filters) {
      PlainStraighten P;
      P.Render(Source, C.Angle, F);
      for (bool Vectors : {true, false}) {
        EnableVectorKernels(Vectors);
        TZrStraightenRenderer R;
        TZrPixelBuffer Image;
        RenderInto(R, Image, Source, C.Angle, F);
        EXPECT_TRUE(SameResult(R, Image, P))
            << C.W << "x" << C.H << " at " << C.Angle << " with " << InterpolationFilters[F].Name
            << ", vectors " << Vectors;
      }
      EnableVectorKernels(true);
    }
  }
}

TEST(StraightenRenderer, SampleFilteredMatchesThePlainWindowAnywhere)
{
  TZrPixelBuffer Source;
  FillRandom(Source, 13, 11, 4);
  std::mt19937 Rng(5);
  std::uniform_real_distribution<double> Pos(-4.0, 16.0);
  for (int N = 0; N < 3000; ++N) {
    const double X = N % 5 == 0 ? std::round(Pos(Rng)) : Pos(Rng);
    const double Y = N % 7 == 0 ? std::round(Pos(Rng) * 2) / 2 : Pos(Rng);
    const int32_t F = N % InterpolationFilterCount;
    uint8_t Fast[3], Plain[3];
    TZrStraightenRenderer::SampleFiltered(Source, F, X, Y, Fast);
    PlainStraighten::SampleFiltered(Source, F, X, Y, Plain);
    ASSERT_TRUE(std::equal(Fast, Fast + 3, Plain))
        << InterpolationFilters[F].Name << " at " << X << ", " << Y;
  }
}

TEST(StraightenRenderer, FilteredValuesAreClampedNotWrapped)
{
  // Lanczos3 at a pixel centre: the diagonal neighbours weigh negatively.
  // Bright where the weight is positive and dark where it is negative
  // overshoots 255; the opposite undershoots 0.
  TZrPixelBuffer Source;
  ASSERT_TRUE(Source.Allocate(pf24bit, Bounds(0, 0, 9, 9)));
  const auto Weight = InterpolationFilters[ifLanczos3].Weight;
  for (int32_t Y = 0; Y < 9; ++Y)
    for (int32_t X = 0; X < 9; ++X) {
      const bool Positive = Weight(std::hypot(X - 4.0, Y - 4.0)) >= 0;
      Source.PixelPtr(X, Y)[0] = Positive ? 255 : 0;
      Source.PixelPtr(X, Y)[2] = Positive ? 0 : 255;
    }
  uint8_t Pixel[3];
  TZrStraightenRenderer::SampleFiltered(Source, ifLanczos3, 4.0, 4.0, Pixel);
  EXPECT_EQ(Pixel[0], 255);
  EXPECT_EQ(Pixel[2], 0);
  // No pixel within reach: black.
  TZrStraightenRenderer::SampleFiltered(Source, ifHermite, -3.0, 4.0, Pixel);
  EXPECT_EQ(Pixel[0] + Pixel[1] + Pixel[2], 0);
}

TEST(StraightenRenderer, RefusesAnImageTooSmallOrAnUnknownFilter)
{
  TZrPixelBuffer Source, Image;
  FillRandom(Source, 40, 30, 6);
  ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, 40, 30)));
  TZrStraightenRenderer R;
  EXPECT_THROW(R.Render(Source, 0.2, ifHermite, Image), std::invalid_argument);
  EXPECT_THROW(R.Render(Source, 0.0, 7, Image), std::invalid_argument);
  EXPECT_THROW(R.Render(Source, 0.0, -1, Image), std::invalid_argument);
  EXPECT_NO_THROW(R.Render(Source, 0.0, ifHermite, Image));
}

TEST(StraightenRenderer, ProgressCountsColumns)
{
  TZrPixelBuffer Source, Image;
  FillRandom(Source, 500, 20, 7);
  TZrStraightenRenderer R;
  R.SetSourceSize(500, 20);
  R.ComputeResultSize(0.05);
  ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, R.ResultWidth, R.ResultHeight)));
  int32_t Last = 0;
  R.Render(Source, 0.05, ifNone, Image, [&](int32_t Done) {
    EXPECT_GT(Done, Last);
    Last = Done;
  });
  EXPECT_EQ(Last, R.ResultWidth);
}

// Builds an outside map from text rows ('#' outside, '.' inside).
void SetMap(TZrStraightenRenderer &R, const std::vector<const char *> &Rows)
{
  R.ResultHeight = static_cast<int32_t>(Rows.size());
  R.ResultWidth = Rows.empty() ? 0 : static_cast<int32_t>(std::strlen(Rows[0]));
  R.Outside.clear();
  for (const char *Row : Rows)
    for (const char *P = Row; *P; ++P)
      R.Outside.push_back(*P == '#');
}

TEST(StraightenRenderer, AutoCropOnHandMadeMaps)
{
  struct Case
  {
    const char *What;
    std::vector<const char *> Rows;
    TZrRect Expected;
  } Cases[] = {
      {"all clean", {"....", "....", "...."}, MakeRect(0, 0, 4, 3)},
      {"a frame", {"######", "#....#", "#....#", "######"}, MakeRect(1, 1, 5, 3)},
      {"corners cut",
       {"##.....##", "#.......#", ".........", ".........", "#.......#", "##.....##"},
       MakeRect(1, 1, 8, 5)},
      {"one pixel", {"."}, MakeRect(0, 0, 1, 1)},
      {"empty result", {}, TZrRect{}},
  };
  for (const Case &C : Cases) {
    TZrStraightenRenderer R;
    SetMap(R, C.Rows);
    EXPECT_EQ(R.FindAutoCropRect(), C.Expected) << C.What;
  }
}

// Over many sizes and angles the crop holds no outside pixel and cannot
// grow by a clean row or column on any side.
TEST(StraightenRenderer, AutoCropIsCleanAndMaximalForRotations)
{
  for (auto [W, H] : {std::pair{400, 300}, {300, 400}, {64, 64}, {17, 5}, {5, 17}, {100, 3}})
    for (double Angle : {0.0, 0.01, 0.1, -0.1, 0.3, -0.6, 0.785, 1.2, -1.5, 3.0}) {
      TZrPixelBuffer Source, Image;
      FillRandom(Source, W, H, 8);
      TZrStraightenRenderer R;
      RenderInto(R, Image, Source, Angle, ifNone);
      const TZrRect C = R.FindAutoCropRect();
      if (C.IsEmpty()) {
        // A thin strip turned steeply may leave nothing the search keeps;
        // the crop is then simply not made.
        EXPECT_LT(std::min(W, H), 5) << W << "x" << H << " at " << Angle;
        continue;
      }
      for (int32_t Y = C.Top; Y < C.Bottom; ++Y)
        for (int32_t X = C.Left; X < C.Right; ++X)
          ASSERT_FALSE(R.IsOutside(X, Y)) << W << "x" << H << " at " << Angle;
      auto RowClean = [&](int32_t Y) {
        for (int32_t X = C.Left; X < C.Right; ++X)
          if (R.IsOutside(X, Y))
            return false;
        return true;
      };
      auto ColumnClean = [&](int32_t X) {
        for (int32_t Y = C.Top; Y < C.Bottom; ++Y)
          if (R.IsOutside(X, Y))
            return false;
        return true;
      };
      EXPECT_FALSE(C.Top > 0 && RowClean(C.Top - 1)) << W << "x" << H << " at " << Angle;
      EXPECT_FALSE(C.Bottom < R.ResultHeight && RowClean(C.Bottom));
      EXPECT_FALSE(C.Left > 0 && ColumnClean(C.Left - 1));
      EXPECT_FALSE(C.Right < R.ResultWidth && ColumnClean(C.Right));
      if (Angle == 0.0) {
        EXPECT_EQ(C, MakeRect(0, 0, W, H));
      }
    }
}

TEST(StraightenRenderer, ApplyAutoCropLeavesNoWhiteCorner)
{
  TZrPixelBuffer Source, Image;
  FillRandom(Source, 400, 300, 9);
  TZrStraightenRenderer R;
  RenderInto(R, Image, Source, 0.1, ifHermite);
  const TZrRect Crop = R.FindAutoCropRect();
  TZrPixelBuffer Before;
  ASSERT_TRUE(Before.Allocate(pf24bit, Image.GetBounds()));
  Before.CopyFrom(Image);
  ASSERT_TRUE(R.ApplyAutoCrop(Image, Crop));
  EXPECT_EQ(R.ResultWidth, Crop.Width());
  EXPECT_EQ(R.ResultHeight, Crop.Height());
  for (int32_t Y = 0; Y < R.ResultHeight; ++Y)
    for (int32_t X = 0; X < R.ResultWidth; ++X) {
      ASSERT_FALSE(IsWhite(Image.PixelPtr(X, Y))) << X << ", " << Y;
      ASSERT_TRUE(std::equal(Image.PixelPtr(X, Y), Image.PixelPtr(X, Y) + 3,
                             Before.PixelPtr(X + Crop.Left, Y + Crop.Top)));
      ASSERT_FALSE(R.IsOutside(X, Y));
    }
}

TEST(StraightenRenderer, ApplyAutoCropRefusesRectanglesThatWouldLoseTheImage)
{
  TZrPixelBuffer Source, Image;
  FillRandom(Source, 40, 30, 10);
  TZrStraightenRenderer R;
  RenderInto(R, Image, Source, 0.2, ifNone);
  const int32_t W = R.ResultWidth, H = R.ResultHeight;
  for (const TZrRect &Bad : {TZrRect{}, MakeRect(5, 5, 5, 9), MakeRect(-1, 0, 10, 10),
                             MakeRect(0, 0, W + 1, H), MakeRect(3, 3, 2, 8)}) {
    EXPECT_FALSE(R.ApplyAutoCrop(Image, Bad));
    EXPECT_EQ(R.ResultWidth, W);
    EXPECT_EQ(R.ResultHeight, H);
  }
}

} // namespace
} // namespace facette
