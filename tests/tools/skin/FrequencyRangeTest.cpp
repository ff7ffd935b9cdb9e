#include "tools/skin/ZrFrequencyRange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace facette {
namespace {

void FillRandom(TZrPixelBuffer &B, uint32_t Seed, int32_t MaxValue = 255)
{
  std::mt19937 Rng(Seed);
  std::uniform_int_distribution<int32_t> Value(0, MaxValue);
  for (int32_t Y = 0; Y < B.Height; ++Y)
    for (int32_t X = 0; X < B.Width * B.BytesPerPixel; ++X)
      B.Bits[Y * B.Stride + X] = static_cast<uint8_t>(Value(Rng));
}

// The box blur step by step with arrays indexed [X][Y]: integer sums down
// each column, their quotients in single precision, double sums along each
// row.
std::vector<uint8_t> ReferenceBlur(const TZrPixels &P, int32_t Q)
{
  const int32_t W = P.Width, H = P.Height;
  std::vector<float> Temp(size_t(W) * H * 3);
  std::vector<uint8_t> Dest(size_t(W) * H * 3); // [X][Y][channel]
  auto Pixel = [&](int32_t X, int32_t Y, int C) {
    return P.Bits[Y * P.Stride + X * P.BytesPerPixel + C];
  };
  for (int32_t X = 0; X < W; ++X) {
    int32_t S[3] = {0, 0, 0}, N = 0;
    for (int32_t Y = 0; Y <= std::min(Q - 1, H - 1); ++Y, ++N)
      for (int C = 0; C < 3; ++C)
        S[C] += Pixel(X, Y, C);
    for (int32_t Y = 0; Y < H; ++Y) {
      if (Y - Q > 0) {
        for (int C = 0; C < 3; ++C)
          S[C] -= Pixel(X, Y - Q - 1, C);
        --N;
      }
      if (Y + Q < H) {
        for (int C = 0; C < 3; ++C)
          S[C] += Pixel(X, Y + Q, C);
        ++N;
      }
      for (int C = 0; C < 3; ++C)
        Temp[(size_t(X) * H + Y) * 3 + C] = static_cast<float>(static_cast<double>(S[C]) / N);
    }
  }
  for (int32_t Y = 0; Y < H; ++Y) {
    auto T = [&](int32_t X, int C) {
      return static_cast<double>(Temp[(size_t(X) * H + Y) * 3 + C]);
    };
    double S[3] = {0, 0, 0};
    int32_t N = 0;
    for (int32_t X = 0; X <= std::min(Q - 1, W - 1); ++X, ++N)
      for (int C = 0; C < 3; ++C)
        S[C] += T(X, C);
    for (int32_t X = 0; X < W; ++X) {
      if (X - Q > 0) {
        for (int C = 0; C < 3; ++C)
          S[C] -= T(X - Q - 1, C);
        --N;
      }
      if (X + Q < W) {
        for (int C = 0; C < 3; ++C)
          S[C] += T(X + Q, C);
        ++N;
      }
      for (int C = 0; C < 3; ++C)
        Dest[(size_t(X) * H + Y) * 3 + C] = ByteRound(static_cast<float>(S[C] / N));
    }
  }
  return Dest;
}

void ExpectSameAsReference(const TZrPixelBuffer &Blurred, const TZrPixels &Source, int32_t Q)
{
  const std::vector<uint8_t> Ref = ReferenceBlur(Source, Q);
  ASSERT_EQ(Blurred.GetBounds(), Source.GetBounds());
  for (int32_t Y = 0; Y < Source.Height; ++Y)
    for (int32_t X = 0; X < Source.Width; ++X)
      for (int C = 0; C < 3; ++C)
        ASSERT_EQ(Blurred.PixelPtr(Source.Left + X, Source.Top + Y)[C],
                  Ref[(size_t(X) * Source.Height + Y) * 3 + C])
            << Source.Width << "x" << Source.Height << " radius " << Q << " at " << X << "," << Y
            << " channel " << C;
}

TEST(FrequencyRange, BlurMatchesTheStepByStepFilter)
{
  struct Case
  {
    int32_t W, H, MaxValue;
    std::vector<int32_t> Radii;
  } Cases[] = {
      {1, 1, 255, {0, 1, 5}},
      {2, 3, 255, {0, 1, 2, 7}},
      {5, 4, 255, {1, 3, 40}},
      {13, 7, 255, {1, 2, 5, 6, 7, 12}},
      {33, 17, 255, {1, 5, 9, 25}},
      {7, 40, 255, {2, 5, 100}},
      {61, 3, 255, {1, 4}},
      // small values give many quotients that sit on rounding boundaries
      {19, 23, 3, {1, 2, 3, 4, 5}},
      {6, 6, 1, {1, 2, 3}},
      // windows too large for exact integer means: single-precision lanes
      {70, 60, 255, {30, 40}},
      {61, 57, 4, {28, 33}},
      // and sums too large even for those: the plain filter
      {1, 65800, 255, {40000}},
      // large enough to be split over threads
      {640, 430, 255, {1, 5}},
  };
  uint32_t Seed = 10;
  for (const Case &C : Cases) {
    TZrPixelBuffer Image;
    Image.Allocate(pf24bit, Bounds(0, 0, C.W, C.H));
    FillRandom(Image, Seed++, C.MaxValue);
    TFrequencyRange Range;
    Range.Prepare(Image, 0, 0);
    for (int32_t Q : C.Radii) {
      TZrPixelBuffer Blurred;
      Range.Blur(Blurred, Q);
      ExpectSameAsReference(Blurred, Image, Q);
    }
  }
}

TEST(FrequencyRange, SmallValuesOverManySizes)
{
  uint32_t Seed = 100;
  for (int32_t W = 1; W <= 9; ++W)
    for (int32_t H = 1; H <= 9; H += 2) {
      TZrPixelBuffer Image;
      Image.Allocate(pf24bit, Bounds(0, 0, W, H));
      FillRandom(Image, Seed++, 5);
      TFrequencyRange Range;
      Range.Prepare(Image, 0, 0);
      for (int32_t Q = 1; Q <= 4; ++Q) {
        TZrPixelBuffer Blurred;
        Range.Blur(Blurred, Q);
        ExpectSameAsReference(Blurred, Image, Q);
      }
    }
}

TEST(FrequencyRange, BandExamples)
{
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Bounds(10, 20, 31, 27));
  FillRandom(Image, 4);
  const TZrRect R = Image.GetBounds();

  TFrequencyRange Range;
  // Radius A 0: removing the band paints the plain blur of radius B.
  Range.Prepare(Image, 0, 4);
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
    for (int32_t X = R.Left; X < R.Right; ++X) {
      uint8_t B, G, Rd;
      ASSERT_TRUE(Range.Pixel(X, Y, true, B, G, Rd));
      const uint8_t *Low = Range.LowB().PixelPtr(X, Y);
      ASSERT_EQ(B, Low[0]);
      ASSERT_EQ(G, Low[1]);
      ASSERT_EQ(Rd, Low[2]);
    }
  // Equal radii: the source either way.
  Range.Prepare(Image, 3, 3);
  for (bool Remove : {true, false})
    for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
      for (int32_t X = R.Left; X < R.Right; ++X) {
        uint8_t B, G, Rd;
        ASSERT_TRUE(Range.Pixel(X, Y, Remove, B, G, Rd));
        const uint8_t *S = Image.PixelPtr(X, Y);
        ASSERT_EQ(B, S[0]);
        ASSERT_EQ(G, S[1]);
        ASSERT_EQ(Rd, S[2]);
      }
  uint8_t B, G, Rd;
  EXPECT_FALSE(Range.Pixel(R.Left - 1, R.Top, true, B, G, Rd));
  EXPECT_FALSE(Range.Pixel(R.Left, R.Bottom, true, B, G, Rd));
}

TEST(FrequencyRange, RadiusZeroReproducesTheSourceAndNegativeCountsAsZero)
{
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Bounds(0, 0, 17, 9));
  FillRandom(Image, 6);
  TFrequencyRange Range;
  Range.Prepare(Image, 0, -3);
  for (const TZrPixelBuffer *Low : {&Range.LowA(), &Range.LowB()})
    for (int32_t Y = 0; Y < 9; ++Y)
      ASSERT_EQ(std::memcmp(Low->PixelPtr(0, Y), Image.PixelPtr(0, Y), 17 * 3), 0);
}

TEST(FrequencyRange, RadiusBeyondTheImageAveragesEverything)
{
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Bounds(0, 0, 12, 8));
  FillRandom(Image, 8);
  double Mean[3] = {0, 0, 0};
  for (int32_t Y = 0; Y < 8; ++Y)
    for (int32_t X = 0; X < 12; ++X)
      for (int C = 0; C < 3; ++C)
        Mean[C] += Image.PixelPtr(X, Y)[C] / 96.0;
  TFrequencyRange Range;
  Range.Prepare(Image, 50, 1 << 30);
  for (const TZrPixelBuffer *Low : {&Range.LowA(), &Range.LowB()}) {
    for (int32_t Y = 0; Y < 8; ++Y)
      for (int32_t X = 0; X < 12; ++X)
        for (int C = 0; C < 3; ++C)
          ASSERT_NEAR(Low->PixelPtr(X, Y)[C], Mean[C], 0.51);
  }
  ExpectSameAsReference(Range.LowA(), Image, 50);
}

TEST(FrequencyRange, PixelClampsTheBand)
{
  // One bright pixel on black: next to it the fine blur is brighter than
  // the coarse one, so removing the band would go below 0.
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Bounds(0, 0, 15, 15));
  std::memset(Image.PixelPtr(7, 7), 255, 3);
  TFrequencyRange Range;
  Range.Prepare(Image, 1, 5);
  ASSERT_GT(Range.LowA().PixelPtr(6, 7)[0], Range.LowB().PixelPtr(6, 7)[0]);
  uint8_t B, G, R;
  ASSERT_TRUE(Range.Pixel(6, 7, true, B, G, R));
  EXPECT_EQ(B, 0);
  ASSERT_TRUE(Range.Pixel(7, 7, false, B, G, R));
  EXPECT_EQ(B, 255) << "emphasis clamps at the top";
}

TEST(FrequencyRange, CopiesTheImageOnlyWhenDirtyOrResized)
{
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Bounds(0, 0, 9, 6));
  FillRandom(Image, 1);
  TFrequencyRange Range;
  EXPECT_FALSE(Range.IsDirty());
  Range.Prepare(Image, 1, 2);
  EXPECT_FALSE(Range.IsDirty());
  EXPECT_EQ(Range.Width, 9);
  EXPECT_EQ(Range.Height, 6);

  Image.PixelPtr(4, 3)[0] ^= 0xFF;
  Range.Prepare(Image, 1, 2);
  EXPECT_NE(Range.Source().PixelPtr(4, 3)[0], Image.PixelPtr(4, 3)[0]) << "not dirty: old copy";

  Range.MarkDirty(2);
  Range.MarkDirty(0);
  EXPECT_EQ(Range.DirtyLevel, 2);
  Range.Prepare(Image, 1, 2);
  EXPECT_EQ(Range.Source().PixelPtr(4, 3)[0], Image.PixelPtr(4, 3)[0]);

  TZrPixelBuffer Other;
  Other.Allocate(pf24bit, Bounds(0, 0, 5, 6));
  FillRandom(Other, 2);
  Range.Prepare(Other, 1, 2);
  EXPECT_EQ(Range.Width, 5);
  EXPECT_EQ(std::memcmp(Range.Source().PixelPtr(0, 5), Other.PixelPtr(0, 5), 15), 0);
}

TEST(FrequencyRange, EmptyImageIsDefined)
{
  TZrPixelBuffer Empty;
  TFrequencyRange Range;
  Range.MarkDirty(2);
  int32_t Calls = 0;
  Range.Prepare(Empty, 1, 5, [&](int32_t Done, int32_t Total) {
    ++Calls;
    EXPECT_EQ(Total, 0);
    EXPECT_EQ(Done, 0);
  });
  EXPECT_GT(Calls, 0);
  EXPECT_FALSE(Range.IsDirty());
  EXPECT_EQ(Range.Width, 0);
  uint8_t B, G, R;
  EXPECT_FALSE(Range.Pixel(0, 0, true, B, G, R));
}

TEST(FrequencyRange, ReadsFourByteImages)
{
  TZrPixelBuffer Wide, Narrow;
  Wide.Allocate(pf32bit, Bounds(0, 0, 14, 11));
  FillRandom(Wide, 3);
  Narrow.Allocate(pf24bit, Wide.GetBounds());
  for (int32_t Y = 0; Y < 11; ++Y)
    for (int32_t X = 0; X < 14; ++X)
      std::memcpy(Narrow.PixelPtr(X, Y), Wide.PixelPtr(X, Y), 3);
  TFrequencyRange Range;
  Range.Prepare(Wide, 1, 3);
  ExpectSameAsReference(Range.LowA(), Narrow, 1);
  ExpectSameAsReference(Range.LowB(), Narrow, 3);
}

// The filter answers exactly what the range answers, in both directions,
// for images on one thread and split over several, at every radius kernel
// (rows, integer lanes, single-precision lanes) taken up again after each
// run of rows, with the image taken directly or through a copy (32 bits,
// or rows without room to read past their last pixel).
TEST(FrequencyFilter, MatchesTheRange)
{
  struct Case
  {
    int32_t W, H, A, B;
    bool FourBytes, TightRows;
  } Cases[] = {
      {1, 1, 0, 5, false, false},     {13, 7, 1, 5, false, false},
      {33, 17, 0, 25, false, false},  {7, 40, 5, 2, false, false},
      {70, 60, 3, 30, false, false},  {90, 200, 2, 30, false, false},
      {640, 430, 1, 5, false, false}, {640, 430, 2, 25, false, false},
      {321, 900, 0, 9, false, false}, {29, 31, 1, 5, true, false},
      {29, 31, 2, 7, false, true},
  };
  uint32_t Seed = 300;
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << C.W << "x" << C.H << " radii " << C.A << ", " << C.B);
    TZrPixelBuffer Image;
    Image.Allocate(C.FourBytes ? pf32bit : pf24bit, Bounds(5, -3, C.W, C.H));
    FillRandom(Image, Seed++);
    // Rows of exactly three bytes a pixel, one after the other.
    std::vector<uint8_t> Tight;
    TZrPixels View = Image;
    if (C.TightRows) {
      Tight.resize(static_cast<size_t>(C.W) * C.H * 3);
      for (int32_t Y = 0; Y < C.H; ++Y)
        std::memcpy(&Tight[static_cast<size_t>(Y) * C.W * 3], Image.Bits + Y * Image.Stride,
                    static_cast<size_t>(C.W) * 3);
      View.Init(Image.GetBounds(), Tight.data(), pf24bit, C.W * 3);
    }
    TFrequencyRange Range;
    Range.Prepare(View, C.A, C.B);
    for (bool Remove : {true, false}) {
      TFrequencyFilter Filter(Remove);
      ASSERT_TRUE(Filter.Prepare(View, C.A, C.B));
      EXPECT_EQ(Filter.Filtered().GetBounds(), Image.GetBounds());
      for (int32_t Y = -3; Y < C.H - 3; ++Y)
        for (int32_t X = 5; X < C.W + 5; ++X) {
          uint8_t Want[3], Got[3];
          ASSERT_TRUE(Range.Pixel(X, Y, Remove, Want[0], Want[1], Want[2]));
          ASSERT_TRUE(Filter.Pixel(X, Y, Got[0], Got[1], Got[2]));
          ASSERT_EQ(std::memcmp(Want, Got, 3), 0) << X << "," << Y << " remove " << Remove;
        }
      uint8_t B, G, R;
      EXPECT_FALSE(Filter.Pixel(4, 0, B, G, R));
    }
  }
}

TEST(FrequencyFilter, KeepsItsImageUntilDirtyResizedOrGivenOtherRadii)
{
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Bounds(0, 0, 9, 6));
  FillRandom(Image, 21);
  TFrequencyFilter Filter(true);
  std::vector<std::pair<int32_t, int32_t>> Reports;
  ASSERT_TRUE(Filter.Prepare(
      Image, 0, 0, [&](int32_t Done, int32_t Total) { Reports.emplace_back(Done, Total); }));
  ASSERT_FALSE(Reports.empty());
  EXPECT_EQ(Reports.front(), std::make_pair(0, 6));
  EXPECT_EQ(Reports.back(), std::make_pair(6, 6));
  EXPECT_TRUE(std::is_sorted(Reports.begin(), Reports.end()));
  const auto At = [&Filter] {
    uint8_t B, G, R;
    EXPECT_TRUE(Filter.Pixel(4, 3, B, G, R));
    return B;
  };
  const uint8_t Before = Image.PixelPtr(4, 3)[0];
  EXPECT_EQ(At(), Before) << "radius 0 both ways: the image itself";

  // The photo changes under a clean filter: it keeps what it made.
  EXPECT_TRUE(Filter.Current(Image, 0, -2));
  EXPECT_FALSE(Filter.Current(Image, 0, 1));
  Image.PixelPtr(4, 3)[0] ^= 0xFF;
  Reports.clear();
  ASSERT_TRUE(Filter.Prepare(
      Image, 0, 0, [&](int32_t Done, int32_t Total) { Reports.emplace_back(Done, Total); }));
  EXPECT_TRUE(Reports.empty());
  EXPECT_EQ(At(), Before);
  // Dirty, or other radii: made again from the image given.
  Filter.MarkDirty(2);
  EXPECT_FALSE(Filter.Current(Image, 0, 0));
  ASSERT_TRUE(Filter.Prepare(Image, 0, 0));
  EXPECT_FALSE(Filter.IsDirty());
  EXPECT_EQ(At(), Image.PixelPtr(4, 3)[0]);
  Image.PixelPtr(4, 3)[0] ^= 0xFF;
  ASSERT_TRUE(Filter.Prepare(Image, 1, 1));
  EXPECT_EQ(At(), Before);
  // Another size.
  TZrPixelBuffer Other;
  Other.Allocate(pf24bit, Bounds(0, 0, 3, 2));
  EXPECT_FALSE(Filter.Current(Other, 1, 1));
  ASSERT_TRUE(Filter.Prepare(Other, 1, 1));
  EXPECT_EQ(Filter.Filtered().GetBounds(), Other.GetBounds());
  uint8_t B, G, R;
  EXPECT_FALSE(Filter.Pixel(4, 3, B, G, R));

  // Nothing to filter: nothing answered, and not dirty.
  TZrPixelBuffer Empty;
  Filter.MarkDirty(2);
  EXPECT_TRUE(Filter.Prepare(Empty, 1, 5));
  EXPECT_FALSE(Filter.IsDirty());
  EXPECT_FALSE(Filter.Pixel(0, 0, B, G, R));
}

} // namespace
} // namespace facette
