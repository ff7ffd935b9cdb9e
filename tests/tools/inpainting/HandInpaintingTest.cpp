#include "tools/inpainting/ZrHandInpainting.h"

#include "tools/brush/ZrBrushMasks.h"

#include <gtest/gtest.h>

#include <cstring>

namespace facette {
namespace {

TEST(HandInpainting, SquaresAroundAPoint)
{
  struct Case
  {
    TZrPoint P;
    int32_t Size;
    TZrRect Want;
  } Cases[] = {
      {{50, 40}, 25, MakeRect(37, 27, 62, 52)},
      {{50, 40}, 10, MakeRect(45, 35, 55, 45)},
      {{0, 0}, 11, MakeRect(-6, -6, 5, 5)},
      {{-3, 7}, 100, MakeRect(-53, -43, 47, 57)},
  };
  for (const Case &C : Cases)
    EXPECT_EQ(InpaintSquare(C.P, C.Size), C.Want) << C.P.X << "," << C.P.Y << " size " << C.Size;
}

TEST(HandInpainting, PreviewZoomAndSide)
{
  struct Case
  {
    int32_t Width, Size, Zoom, Side;
  } Cases[] = {
      {240, 25, 6, 40},
      {240, 40, 5, 48},
      {240, 50, 4, 60},
      {240, 72, 3, 80},
      {240, 73, 2, 120},
      {240, 100, 2, 120},
      {130, 25, 4, 32},
      {130, 100, 1, 130},
      // A box too small for the square still shows something.
      {60, 100, 1, 60},
      {0, 25, 1, 0},
  };
  for (const Case &C : Cases) {
    const TPreviewGeometry G = PreviewGeometry(C.Width, C.Size);
    EXPECT_EQ(G.Zoom, C.Zoom) << C.Width << " / " << C.Size;
    EXPECT_EQ(G.Side, C.Side) << C.Width << " / " << C.Size;
  }
  // The square sits in the middle, rounded towards the top-left.
  EXPECT_EQ(PreviewOrigin({37, 27}, 40, 25), (TZrPoint{30, 20}));
  EXPECT_EQ(PreviewOrigin({37, 27}, 32, 25), (TZrPoint{34, 24}));
}

// A 6 x 5 image whose pixel (x, y) is (x, y, 100).
struct SmallImage
{
  TZrPixelBuffer Image;
  SmallImage()
  {
    Image.Allocate(pf24bit, Bounds(0, 0, 6, 5));
    for (int32_t Y = 0; Y < 5; ++Y)
      for (int32_t X = 0; X < 6; ++X) {
        uint8_t *P = Image.PixelPtr(X, Y);
        P[0] = static_cast<uint8_t>(X);
        P[1] = static_cast<uint8_t>(Y);
        P[2] = 100;
      }
  }
};

TEST(HandInpainting, PreviewCopiesTheImageAndGreyOutsideIt)
{
  SmallImage S;
  TZrPixelBuffer Preview;
  Preview.Allocate(pf24bit, Bounds(0, 0, 4, 4));
  std::memset(Preview.Bits, 7, static_cast<size_t>(Preview.Stride) * 4);
  const auto Expect = [&](int32_t Col, int32_t Row, int32_t X, int32_t Y, bool Inside) {
    const uint8_t *P = Preview.PixelPtr(Col, Row);
    if (Inside) {
      EXPECT_EQ(P[0], X) << Col << "," << Row;
      EXPECT_EQ(P[1], Y) << Col << "," << Row;
      EXPECT_EQ(P[2], 100) << Col << "," << Row;
    } else {
      for (int C = 0; C < 3; ++C)
        EXPECT_EQ(P[C], PreviewGrey) << Col << "," << Row;
    }
  };
  // Over the top-left corner of the image, every pixel.
  CopyPreview(S.Image, {-2, -1}, 0, 4, Preview);
  for (int32_t Row = 0; Row < 4; ++Row)
    for (int32_t Col = 0; Col < 4; ++Col)
      Expect(Col, Row, Col - 2, Row - 1, Col >= 2 && Row >= 1);
  // Over the bottom-right corner, only the middle rows and columns: the
  // rest keeps what it showed.
  CopyPreview(S.Image, {4, 3}, 1, 3, Preview);
  for (int32_t Row = 0; Row < 4; ++Row)
    for (int32_t Col = 0; Col < 4; ++Col)
      if (Row >= 1 && Row < 3 && Col >= 1 && Col < 3)
        Expect(Col, Row, 4 + Col, 3 + Row, 4 + Col < 6 && 3 + Row < 5);
      else
        Expect(Col, Row, Col - 2, Row - 1, Col >= 2 && Row >= 1);
  // Wholly beside the image: all grey; a range beyond the bitmap is
  // clipped.
  CopyPreview(S.Image, {20, 0}, -3, 9, Preview);
  for (int32_t Row = 0; Row < 4; ++Row)
    for (int32_t Col = 0; Col < 4; ++Col)
      Expect(Col, Row, 0, 0, false);
}

TEST(HandInpainting, ZoomedPreviewRepeatsEveryPixel)
{
  SmallImage S;
  TZrPixelBuffer Shown;
  ZoomPreview(S.Image, 3, Shown);
  ASSERT_EQ(Shown.GetBounds(), Bounds(0, 0, 18, 15));
  for (int32_t Y = 0; Y < 15; ++Y)
    for (int32_t X = 0; X < 18; ++X)
      ASSERT_EQ(std::memcmp(Shown.PixelPtr(X, Y), S.Image.PixelPtr(X / 3, Y / 3), 3), 0);
}

TEST(HandInpainting, DefectMaskFromTheStamp)
{
  SmallImage S;
  TZrPixelBuffer Dest;
  Dest.Allocate(pf24bit, S.Image.GetBounds());
  // A square at the image's corner, partly outside it; the stamp of an
  // even size is one pixel wider than the square.
  const TZrRect Square = InpaintSquare({1, 1}, 4);
  TAreaCorrelator Correlator(Square, S.Image, Dest, 2);
  TZrPixelMask Stamp;
  BuildPowerDisc(Stamp, 4, 255, 160);
  ASSERT_EQ(Stamp.Width, 5);
  Stamp.Left = Square.Left;
  Stamp.Top = Square.Top;
  MarkDefect(Correlator, Stamp);
  for (int32_t Y = Square.Top; Y < Square.Bottom; ++Y)
    for (int32_t X = Square.Left; X < Square.Right; ++X)
      EXPECT_EQ(Correlator.Mask(X, Y), *Stamp.PixelPtr(X, Y) != 0) << X << "," << Y;
  EXPECT_TRUE(Correlator.Mask(Square.Left + 2, Square.Top + 2));
  EXPECT_FALSE(Correlator.Mask(Square.Left, Square.Top));
}

TEST(HandInpainting, DistanceAndReflectionSteps)
{
  EXPECT_TRUE(WithinDistance({10, 10}, {13, 10}, 3));
  EXPECT_TRUE(WithinDistance({10, 10}, {12, 12}, 3));
  EXPECT_FALSE(WithinDistance({10, 10}, {13, 11}, 3));
  EXPECT_EQ(SteppedReflection(0, 1), 1);
  EXPECT_EQ(SteppedReflection(7, 1), 7);
  EXPECT_EQ(SteppedReflection(0, -1), 0);
  EXPECT_EQ(SteppedReflection(5, -1), 4);
}

} // namespace
} // namespace facette
