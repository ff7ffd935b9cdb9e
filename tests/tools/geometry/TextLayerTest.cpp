#include "tools/geometry/ZrTextLayer.h"

#include <gtest/gtest.h>

#include <vector>

namespace facette {
namespace {

TEST(TextLayer, HandlesAndHitCodes)
{
  const TZrRect R = MakeRect(10, 20, 51, 40);
  struct Case
  {
    TZrPoint P;
    int32_t Code;
  } Cases[] = {
      {{30, 20}, thTop},         {{50, 20}, thTopRight}, {{50, 30}, thRight},
      {{50, 39}, thBottomRight}, {{30, 39}, thBottom},   {{10, 39}, thBottomLeft},
      {{10, 30}, thLeft},        {{10, 20}, thTopLeft},  {{54, 43}, thBottomRight},
      {{6, 16}, thTopLeft},      {{5, 16}, thNone},      {{55, 30}, thNone},
      {{20, 30}, thInside},      {{50, 25}, thInside},   {{30, 45}, thNone},
  };
  for (const Case &C : Cases)
    EXPECT_EQ(TextHitCode(R, C.P), C.Code) << C.P.X << "," << C.P.Y;
  EXPECT_EQ(TextHandleRect(R, thBottomRight), MakeRect(46, 35, 55, 44));
  // On a rectangle smaller than a handle the handles win, in code order.
  EXPECT_EQ(TextHitCode(MakeRect(10, 10, 12, 12), TZrPoint{10, 10}), thTop);
}

TEST(TextLayer, DrawingBackwardsMirrors)
{
  const TZrRect Visible = MakeRect(0, 0, 100, 80);
  struct Case
  {
    TZrPoint Anchor, Q;
    TZrRect Rect;
    bool H, V;
  } Cases[] = {
      {{10, 10}, {40, 30}, MakeRect(10, 10, 40, 30), false, false},
      {{40, 10}, {10, 30}, MakeRect(10, 10, 40, 30), true, false},
      {{10, 30}, {40, 10}, MakeRect(10, 10, 40, 30), false, true},
      {{90, 70}, {150, -20}, MakeRect(90, 0, 100, 70), false, true},
  };
  for (const Case &C : Cases) {
    const TZrTextPlacement F = DrawTextFrame(C.Anchor, C.Q, Visible);
    EXPECT_EQ(F.Rect, C.Rect);
    EXPECT_EQ(F.MirrorHorizontal, C.H);
    EXPECT_EQ(F.MirrorVertical, C.V);
  }
}

TEST(TextLayer, AnEdgeDraggedAcrossTheOtherTurnsTheTextOverAndBack)
{
  const TZrRect Visible = MakeRect(0, 0, 200, 100);
  // Drawn right to left: mirrored.
  TZrTextPlacement F = DrawTextFrame({60, 10}, {20, 40}, Visible);
  ASSERT_TRUE(F.MirrorHorizontal);
  // The left handle pulled across the right edge turns it back.
  F = DragTextFrame(F, thLeft, {20, 25}, {90, 25}, Visible);
  EXPECT_EQ(F.Rect, MakeRect(60, 10, 90, 40));
  EXPECT_FALSE(F.MirrorHorizontal);
  EXPECT_FALSE(F.MirrorVertical);
  // Within one drag, going across and coming back leaves it as it was.
  const TZrTextPlacement Start = F;
  EXPECT_TRUE(DragTextFrame(Start, thRight, {89, 25}, {30, 25}, Visible).MirrorHorizontal);
  const TZrTextPlacement Back = DragTextFrame(Start, thRight, {89, 25}, {95, 25}, Visible);
  EXPECT_FALSE(Back.MirrorHorizontal);
  EXPECT_EQ(Back.Rect, MakeRect(60, 10, 96, 40));
  // The top handle below the bottom edge turns it upside down; the corner
  // handles move two edges at once.
  F = DragTextFrame(Start, thTop, {75, 10}, {75, 60}, Visible);
  EXPECT_EQ(F.Rect, MakeRect(60, 40, 90, 60));
  EXPECT_TRUE(F.MirrorVertical);
  EXPECT_FALSE(F.MirrorHorizontal);
  F = DragTextFrame(Start, thBottomLeft, {60, 39}, {100, 0}, Visible);
  EXPECT_EQ(F.Rect, MakeRect(90, 1, 100, 10));
  EXPECT_TRUE(F.MirrorHorizontal);
  EXPECT_TRUE(F.MirrorVertical);
  // Handles keep the rectangle in the image; moving it does not.
  EXPECT_EQ(DragTextFrame(Start, thRight, {89, 25}, {400, 25}, Visible).Rect,
            MakeRect(60, 10, 200, 40));
  F = DragTextFrame(Start, thInside, {70, 20}, {-10, 90}, Visible);
  EXPECT_EQ(F.Rect, MakeRect(-20, 80, 10, 110));
  EXPECT_FALSE(F.MirrorHorizontal);
}

TZrPixelMask Mask(int32_t Width, int32_t Height, const std::vector<uint8_t> &Values)
{
  TZrPixelMask M;
  M.SetBounds(0, 0, Width, Height);
  M.Bits = Values;
  return M;
}

TEST(TextLayer, CoverageStretchesToAnySize)
{
  TZrPixelMask Out;
  StretchCoverage(Mask(2, 1, {0, 255}), 4, 1, Out);
  EXPECT_EQ(Out.Bits, (std::vector<uint8_t>{0, 64, 191, 255}));
  // Reducing: a stroke one pixel wide fades instead of vanishing.
  StretchCoverage(Mask(4, 1, {0, 255, 0, 0}), 2, 1, Out);
  EXPECT_GT(Out.Bits[0], 60);
  EXPECT_GT(Out.Bits[1], 0);
  // Full coverage stays full at any scale and proportion.
  const TZrPixelMask Full = Mask(10, 4, std::vector<uint8_t>(40, 255));
  for (const auto &[W, H] : {std::pair{37, 3}, std::pair{3, 90}, std::pair{1, 1}}) {
    StretchCoverage(Full, W, H, Out);
    EXPECT_EQ(Out.Width, W);
    EXPECT_EQ(Out.Height, H);
    EXPECT_EQ(Out.Bits, std::vector<uint8_t>(static_cast<size_t>(W * H), 255));
  }
  StretchCoverage(Full, 0, 5, Out);
  EXPECT_EQ(Out.Width, 0);
  StretchCoverage(TZrPixelMask{}, 5, 5, Out);
  EXPECT_TRUE(Out.Bits.empty());
}

// A 6 x 4 image of one colour, its backup another.
struct TLayerImages
{
  TZrPixelBuffer Backup, Image;
  TLayerImages()
  {
    Backup.Allocate(pf24bit, MakeRect(0, 0, 6, 4));
    Image.Allocate(pf24bit, MakeRect(0, 0, 6, 4));
    for (int32_t Y = 0; Y < 4; ++Y)
      for (int32_t X = 0; X < 6; ++X) {
        uint8_t *B = Backup.PixelPtr(X, Y);
        B[0] = 30, B[1] = 100, B[2] = 200; // red 200, green 100, blue 30
        uint8_t *I = Image.PixelPtr(X, Y);
        I[0] = I[1] = I[2] = 9;
      }
  }
  std::vector<int> At(int32_t X, int32_t Y) const
  {
    const uint8_t *P = Image.PixelPtr(X, Y);
    return {P[2], P[1], P[0]}; // red, green, blue
  }
};

TEST(TextLayer, ColoursOverThePixelsUnderneath)
{
  const TZrPixelMask Coverage = Mask(2, 1, {255, 128});
  const TZrTextPlacement Frame{MakeRect(1, 1, 3, 2), false, false};
  struct Case
  {
    TZrTextLook Look;
    std::vector<int> Full, Half;
  } Cases[] = {
      // Chosen colour 00BBGGRR: red 10, green 20, blue 250.
      {{tcSelected, 0xFA140A, false}, {10, 20, 250}, {105, 60, 140}},
      {{tcInverted, 0, false}, {55, 155, 225}, {127, 127, 127}},
      {{tcInverted, 0, true}, {0, 255, 255}, {100, 177, 142}},
  };
  for (const Case &C : Cases) {
    TLayerImages L;
    PaintTextLayer(L.Backup, L.Image, Frame, Coverage, C.Look);
    EXPECT_EQ(L.At(1, 1), C.Full);
    EXPECT_EQ(L.At(2, 1), C.Half);
    EXPECT_EQ(L.At(0, 1), (std::vector<int>{9, 9, 9})) << "outside the rectangle";
  }
}

TEST(TextLayer, MirroredCoverageAndRectanglesPastTheEdge)
{
  const TZrPixelMask Coverage = Mask(3, 2, {255, 0, 0, 0, 0, 0});
  const TZrTextLook White{tcSelected, 0xFFFFFF, false};
  TLayerImages L;
  PaintTextLayer(L.Backup, L.Image, TZrTextPlacement{MakeRect(2, 1, 5, 3), true, true}, Coverage,
                 White);
  // The first coverage pixel lands in the last row and column.
  EXPECT_EQ(L.At(4, 2), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(L.At(2, 1), (std::vector<int>{200, 100, 30})) << "no coverage: the backup";
  // Past the image edge only the part inside is written.
  TLayerImages Edge;
  PaintTextLayer(Edge.Backup, Edge.Image, TZrTextPlacement{MakeRect(4, 3, 7, 5), false, false},
                 Coverage, White);
  EXPECT_EQ(Edge.At(4, 3), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(Edge.At(5, 3), (std::vector<int>{200, 100, 30}));
  EXPECT_EQ(Edge.At(3, 3), (std::vector<int>{9, 9, 9}));
  // No text at all: the rectangle shows the backup.
  TLayerImages Empty;
  PaintTextLayer(Empty.Backup, Empty.Image, TZrTextPlacement{MakeRect(0, 0, 2, 2), false, false},
                 TZrPixelMask{}, White);
  EXPECT_EQ(Empty.At(1, 1), (std::vector<int>{200, 100, 30}));
}

TEST(TextLayer, RestoringAroundTheNewRectangle)
{
  TLayerImages L;
  RestoreAround(L.Backup, L.Image, MakeRect(0, 0, 4, 3), MakeRect(2, 1, 6, 4));
  for (int32_t Y = 0; Y < 4; ++Y)
    for (int32_t X = 0; X < 6; ++X) {
      const bool Restored = X < 4 && Y < 3 && !(X >= 2 && Y >= 1);
      EXPECT_EQ(L.At(X, Y)[0], Restored ? 200 : 9) << X << "," << Y;
    }
  TLayerImages Apart;
  RestoreAround(Apart.Backup, Apart.Image, MakeRect(0, 0, 2, 2), MakeRect(4, 2, 6, 4));
  EXPECT_EQ(Apart.At(1, 1)[0], 200);
  EXPECT_EQ(Apart.At(4, 2)[0], 9);
}

TEST(TextLayer, FontSizeIncrement)
{
  const std::pair<int32_t, int32_t> Cases[] = {{8, 1},   {49, 1},  {50, 1},  {149, 1}, {150, 2},
                                               {250, 2}, {251, 3}, {349, 3}, {350, 4}, {400, 4}};
  for (const auto &[Size, Step] : Cases)
    EXPECT_EQ(FontSizeIncrement(Size), Step) << Size;
}

} // namespace
} // namespace facette
