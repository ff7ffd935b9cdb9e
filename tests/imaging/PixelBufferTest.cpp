#include "imaging/ZrBitmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace facette {
namespace {

// Fills every pixel of a 24-bit window with a value derived from its image
// coordinates, so copies can be checked by coordinates.
uint8_t Code(int32_t X, int32_t Y, int C)
{
  return static_cast<uint8_t>(X * 7 + Y * 13 + C * 101);
}

void FillByCoordinates(TZrPixels &P)
{
  for (int32_t Y = P.Top; Y < P.Top + P.Height; ++Y)
    for (int32_t X = P.Left; X < P.Left + P.Width; ++X)
      for (int C = 0; C < 3; ++C)
        P.PixelPtr(X, Y)[C] = Code(X, Y, C);
}

TEST(PixelFormat, BitsFromTheFormatCode)
{
  struct Case
  {
    int32_t Code;
    int32_t Bits;
  } Cases[] = {{4114, 24},   {4370, 32},   {0x1001, 8}, {0x1006, 32}, {0x1022, 48},
               {0x1042, 96}, {0x1122, 64}, {0x1009, 0}, {0x1000, 0}};
  for (const Case &C : Cases)
    EXPECT_EQ(PixelFormatBits(C.Code), C.Bits) << C.Code;
}

TEST(PixelBuffer, StrideRoundsRowsUpToFourBytes)
{
  struct Case
  {
    int32_t Width, Stride;
  } Cases[] = {{1, 4}, {3, 12}, {5, 16}, {4, 12}, {0, 0}};
  for (const Case &C : Cases) {
    TZrPixelBuffer B;
    B.Allocate(pf24bit, Bounds(0, 0, C.Width, 2));
    EXPECT_EQ(B.Stride, C.Stride) << C.Width;
  }
}

TEST(PixelBuffer, ZeroWidthHasNoMemoryButKeepsItsPosition)
{
  TZrPixelBuffer B;
  EXPECT_TRUE(B.Allocate(pf24bit, MakeRect(7, 9, 7, 20)));
  EXPECT_EQ(B.Bits, nullptr);
  EXPECT_EQ(B.GetBounds(), MakeRect(7, 9, 7, 20));
}

TEST(PixelBuffer, SnapshotCopiesBackOnlyItsRegion)
{
  TZrPixelBuffer Image;
  ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, 320, 200)));
  FillByCoordinates(Image);
  TZrPixelBuffer Snapshot;
  ASSERT_TRUE(Snapshot.Allocate(pf24bit, Bounds(200, 100, 40, 30)));
  Snapshot.CopyFrom(Image);
  // Spoil the image everywhere, then restore the snapshot.
  for (int32_t Y = 0; Y < 200; ++Y)
    std::memset(Image.PixelPtr(0, Y), 0xEE, 320 * 3);
  Image.CopyFrom(Snapshot);
  for (int32_t Y = 0; Y < 200; ++Y)
    for (int32_t X = 0; X < 320; ++X) {
      const bool Inside = X >= 200 && X < 240 && Y >= 100 && Y < 130;
      EXPECT_EQ(Image.PixelPtr(X, Y)[1], Inside ? Code(X, Y, 1) : 0xEE) << X << "," << Y;
    }
}

TEST(PixelBuffer, CopyRectPlacesTheSourceRectangleAtTheDestination)
{
  TZrPixelBuffer Source, Dest;
  Source.Allocate(pf24bit, Bounds(10, 10, 8, 8));
  FillByCoordinates(Source);
  Dest.Allocate(pf24bit, Bounds(0, 0, 6, 6));
  // The source rectangle sticks out of the source on the left and lands
  // partly outside the destination on the right.
  Dest.CopyRect(3, 1, Source, MakeRect(8, 12, 14, 14));
  for (int32_t Y = 0; Y < 6; ++Y)
    for (int32_t X = 0; X < 6; ++X) {
      const int32_t SX = X - 3 + 8, SY = Y - 1 + 12;
      const bool Copied = Y >= 1 && Y < 3 && SX >= 10 && SX < 14;
      EXPECT_EQ(Dest.PixelPtr(X, Y)[0], Copied ? Code(SX, SY, 0) : 0) << X << "," << Y;
    }
}

// Copies large enough to go in bands on several threads: between two
// buffers, and within one buffer where the rows overlap (one band, in the
// order a row-by-row copy has).
TEST(PixelBuffer, LargeCopiesMatchRowByRowCopies)
{
  TZrPixelBuffer Source, Dest;
  ASSERT_TRUE(Source.Allocate(pf24bit, Bounds(-5, 3, 2100, 1700)));
  FillByCoordinates(Source);
  ASSERT_TRUE(Dest.Allocate(pf24bit, Bounds(0, 0, 2000, 1600)));
  Dest.CopyRect(7, 2, Source, MakeRect(0, 10, 2050, 1650));
  for (int32_t Y = 0; Y < 1600; Y += 3)
    for (int32_t X = 0; X < 2000; X += 5) {
      const bool Copied = X >= 7 && Y >= 2;
      ASSERT_EQ(Dest.PixelPtr(X, Y)[1], Copied ? Code(X - 7, Y - 2 + 10, 1) : 0) << X << "," << Y;
    }
  // Within one buffer, one row up: each row is read before it is written.
  Source.CopyRect(-5, 3, Source, MakeRect(-5, 4, 2095, 1703));
  for (int32_t Y = 3; Y < 1702; Y += 7)
    for (int32_t X = -5; X < 2095; X += 11)
      ASSERT_EQ(Source.PixelPtr(X, Y)[2], Code(X, Y + 1, 2)) << X << "," << Y;
}

TEST(PixelBuffer, CopyBetweenDifferentFormatsCopiesNothing)
{
  TZrPixelBuffer A, B;
  A.Allocate(pf24bit, Bounds(0, 0, 4, 4));
  B.Allocate(pf32bit, Bounds(0, 0, 4, 4));
  std::memset(B.Bits, 0x55, static_cast<size_t>(B.Stride) * 4);
  A.CopyFrom(B);
  EXPECT_EQ(A.PixelPtr(2, 2)[0], 0);
}

TEST(PixelBuffer, SetBoundsKeepsOrClearsContent)
{
  TZrPixelBuffer B;
  B.Allocate(pf24bit, Bounds(0, 0, 10, 10));
  FillByCoordinates(B);
  B.SetBounds(Bounds(0, 0, 10, 10), false); // same rectangle: untouched
  EXPECT_EQ(B.PixelPtr(4, 4)[2], Code(4, 4, 2));

  B.SetBounds(Bounds(5, 5, 10, 10), true); // content kept at its coordinates
  EXPECT_EQ(B.PixelPtr(9, 9)[2], Code(9, 9, 2));
  EXPECT_EQ(B.PixelPtr(12, 12)[2], 0);

  B.SetBounds(Bounds(5, 5, 11, 10), false);
  EXPECT_EQ(B.PixelPtr(9, 9)[2], 0);
}

TEST(PixelBuffer, ImpossibleSizesFailWithoutCrashing)
{
  const int32_t Max = std::numeric_limits<int32_t>::max();
  const TZrRect Huge[] = {Bounds(0, 0, Max, Max), Bounds(0, 0, 100000, 100000000),
                          Bounds(0, 0, Max / 2, 2)};
  for (const TZrRect &R : Huge) {
    TZrPixelBuffer B;
    EXPECT_FALSE(B.Allocate(pf24bit, R));
    EXPECT_EQ(B.Bits, nullptr);
    // Copies into or out of it touch no memory.
    TZrPixelBuffer Small;
    Small.Allocate(pf24bit, Bounds(0, 0, 4, 4));
    B.CopyFrom(Small);
    Small.CopyFrom(B);
  }
}

TEST(PixelBuffer, MovingHandsOverTheMemory)
{
  TZrPixelBuffer A;
  A.Allocate(pf24bit, Bounds(3, 4, 5, 6));
  uint8_t *Memory = A.Bits;
  TZrPixelBuffer B(std::move(A));
  EXPECT_EQ(B.Bits, Memory);
  EXPECT_EQ(A.Bits, nullptr);
  EXPECT_EQ(B.GetBounds(), Bounds(3, 4, 5, 6));
}

TEST(PixelMask, IncludeGrowsFromTheFirstRectangleNotFromTheOrigin)
{
  TZrPixelMask M;
  M.Include(MakeRect(10, 10, 20, 20));
  EXPECT_EQ(M.GetBounds(), MakeRect(10, 10, 20, 20));
  *M.PixelPtr(12, 13) = 200;
  M.Include(MakeRect(0, 0, 5, 5));
  EXPECT_EQ(M.GetBounds(), MakeRect(0, 0, 20, 20));
  EXPECT_EQ(*M.PixelPtr(12, 13), 200);
  EXPECT_EQ(*M.PixelPtr(2, 2), 0);
  EXPECT_EQ(M.PixelPtr(20, 5), nullptr);
}

TEST(PixelMask, MergeMaxNeverLowersAByte)
{
  TZrPixelMask A, B;
  A.SetBounds(0, 0, 4, 1);
  B.SetBounds(2, 0, 4, 1);
  const uint8_t AValues[] = {10, 200, 50, 255};
  const uint8_t BValues[] = {100, 20, 7, 9};
  std::copy(std::begin(AValues), std::end(AValues), A.Bits.begin());
  std::copy(std::begin(BValues), std::end(BValues), B.Bits.begin());
  A.MergeMax(B);
  EXPECT_EQ(A.GetBounds(), MakeRect(0, 0, 6, 1));
  EXPECT_EQ((std::vector<uint8_t>{10, 200, 100, 255, 7, 9}), A.Bits);
}

TEST(PixelMask, NegativeSizeGivesAnEmptyMask)
{
  TZrPixelMask M;
  M.SetBounds(3, 3, -5, 4);
  EXPECT_EQ(M.Width, 0);
  EXPECT_TRUE(M.Bits.empty());
  EXPECT_EQ(M.PixelPtr(3, 3), nullptr);
}

TEST(ColourHelpers, BlendPixel)
{
  struct Case
  {
    int32_t Alpha;
    uint8_t Expected[3];
  } Cases[] = {{0, {10, 100, 250}}, {255, {0x33, 0x22, 0x11}}, {128, {30, 67, 133}}};
  for (const Case &C : Cases) {
    uint8_t Pixel[3] = {10, 100, 250};
    BlendPixel(Pixel, C.Alpha, 0x112233);
    EXPECT_EQ(Pixel[0], C.Expected[0]) << C.Alpha;
    EXPECT_EQ(Pixel[1], C.Expected[1]) << C.Alpha;
    EXPECT_EQ(Pixel[2], C.Expected[2]) << C.Alpha;
  }
}

TEST(ColourHelpers, MulDivRoundsHalvesAwayFromZero)
{
  struct Case
  {
    int32_t A, B, C, Result;
  } Cases[] = {{5, 1, 2, 3},  {-5, 1, 2, -3},         {5, -1, 2, -3}, {7, 1, 3, 2},
               {1, 1, 0, -1}, {0x40000000, 4, 1, -1}, {100, 3, 7, 43}};
  for (const Case &C : Cases)
    EXPECT_EQ(MulDiv(C.A, C.B, C.C), C.Result) << C.A << "*" << C.B << "/" << C.C;
}

TEST(ColourHelpers, FitSizeKeepsTheAspectRatio)
{
  struct Case
  {
    int32_t W, H, BW, BH;
    bool Ok;
    int32_t FW, FH;
  } Cases[] = {{400, 300, 100, 100, true, 100, 75},
               {300, 400, 100, 100, true, 75, 100},
               {100, 100, 50, 80, true, 50, 50},
               {10, 10, 0, 50, false, -7, -7},
               {0, 10, 50, 50, false, -7, -7}};
  for (const Case &C : Cases) {
    int32_t FW = -7, FH = -7;
    EXPECT_EQ(FitSize(C.W, C.H, C.BW, C.BH, FW, FH), C.Ok);
    EXPECT_EQ(FW, C.FW);
    EXPECT_EQ(FH, C.FH);
  }
}

TEST(ColourHelpers, ByteRoundClampsRoundsToEvenAndMapsNaNToZero)
{
  struct Case
  {
    double X;
    int Result;
  } Cases[] = {{-3.0, 0},    {0.5, 0},          {1.5, 2},
               {2.5, 2},     {254.5, 254},      {254.6, 255},
               {300.0, 255}, {std::nan(""), 0}, {std::numeric_limits<double>::infinity(), 255}};
  for (const Case &C : Cases)
    EXPECT_EQ(ByteRound(C.X), C.Result) << C.X;
}

TEST(ColourHelpers, ClampIntTestsTheLowerBoundFirst)
{
  EXPECT_EQ(ClampInt(5, 0, 3), 3);
  EXPECT_EQ(ClampInt(-5, 0, 3), 0);
  EXPECT_EQ(ClampInt(2, 4, 1), 4); // inverted bounds: the lower one wins
}

} // namespace
} // namespace facette
