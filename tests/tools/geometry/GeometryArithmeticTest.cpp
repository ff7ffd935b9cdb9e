#include "tools/geometry/ZrCropArithmetic.h"
#include "tools/geometry/ZrResizeEntries.h"
#include "tools/geometry/ZrStraightenLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace facette {
namespace {

// --- side ratios ----------------------------------------------------------

TEST(CropRatio, EveryListedFormatReducesToItsRatio)
{
  const TZrCropRatio Print[] = {{1, 1}, {1, 2}, {2, 1}, {1, 3}, {3, 1}, {2, 3}, {3, 2},
                                {3, 4}, {4, 3}, {4, 5}, {5, 4}, {5, 7}, {7, 5}};
  for (size_t I = 0; I < PrintFormatItems.size(); ++I)
    EXPECT_EQ(ParseCropRatio(PrintFormatItems[I]), Print[I]) << PrintFormatItems[I];
  const TZrCropRatio Screen[] = {{4, 3}, {5, 3}, {5, 4}, {12, 7}, {16, 9}, {8, 5}};
  for (size_t I = 0; I < ScreenFormatItems.size(); ++I)
    EXPECT_EQ(ParseCropRatio(ScreenFormatItems[I]), Screen[I]) << ScreenFormatItems[I];
}

TEST(CropRatio, TextsWithoutARatioAreFree)
{
  for (const char *Text : {"", "abc", "x3", "3x", "0x0", "0x5", "5x0", "ax3", "-4x3", "4x3x"})
    EXPECT_TRUE(ParseCropRatio(Text).IsFree()) << Text;
  EXPECT_EQ(ParseCropRatio("30x20"), (TZrCropRatio{3, 2}));
  EXPECT_EQ(GreatestCommonDivisor(0, 0), 0);
  EXPECT_EQ(GreatestCommonDivisor(1920, 1200), 240);
}

// --- snapping and dragging --------------------------------------------------

// The edges a handle leaves where they are.
struct TFixedEdges
{
  bool Left, Top, Right, Bottom;
};

TFixedEdges FixedEdgesOf(int32_t Code)
{
  switch (Code) {
  case chTop:
  case chTopRight:
  case chRight: // the height follows the width upwards
    return {true, false, false, true};
  case chBottomRight:
  case chBottom:
    return {true, true, false, false};
  case chBottomLeft:
    return {false, true, true, false};
  case chLeft:
  case chTopLeft:
    return {false, false, true, true};
  default:
    return {true, true, true, true};
  }
}

TEST(CropRatio, SnappingKeepsTheRatioAndTheEdgesOppositeTheHandle)
{
  std::mt19937 Rng(7);
  const TZrCropRatio Ratios[] = {{1, 1}, {2, 3}, {16, 9}, {8, 5}, {12, 7}};
  for (int Round = 0; Round < 400; ++Round) {
    const TZrCropRatio Ratio = Ratios[Rng() % 5];
    const int32_t L = static_cast<int32_t>(Rng() % 200), T = static_cast<int32_t>(Rng() % 200);
    const TZrRect R = MakeRect(L, T, L + static_cast<int32_t>(Rng() % 300),
                               T + static_cast<int32_t>(Rng() % 300));
    for (int32_t Code = chTop; Code <= chTopLeft; ++Code) {
      const TZrRect S = ApplyCropRatio(Code, R, Ratio);
      ASSERT_EQ(S.Width() * Ratio.Y, S.Height() * Ratio.X) << Code;
      ASSERT_EQ(S.Width() % Ratio.X, 0);
      // Snapping never grows the side the handle drags.
      if (Code == chLeft || Code == chRight) {
        ASSERT_LE(S.Width(), R.Width());
      } else {
        ASSERT_LE(S.Height(), R.Height());
      }
      const TFixedEdges Fixed = FixedEdgesOf(Code);
      if (Fixed.Left) {
        ASSERT_EQ(S.Left, R.Left) << Code;
      }
      if (Fixed.Top) {
        ASSERT_EQ(S.Top, R.Top) << Code;
      }
      if (Fixed.Right) {
        ASSERT_EQ(S.Right, R.Right) << Code;
      }
      if (Fixed.Bottom) {
        ASSERT_EQ(S.Bottom, R.Bottom) << Code;
      }
    }
  }
  // Free ratio and the inside leave the rectangle alone.
  const TZrRect R = MakeRect(3, 4, 50, 17);
  EXPECT_EQ(ApplyCropRatio(chBottomRight, R, {}), R);
  EXPECT_EQ(ApplyCropRatio(chInside, R, {4, 3}), R);
}

TEST(CropSelection, DrawingFromTheAnchorSnapsByWhereThePointerIs)
{
  const TZrRect V = MakeRect(0, 0, 400, 300);
  const TZrRect Start = MakeRect(100, 100, 101, 101);
  struct
  {
    TZrPoint Anchor, Q;
    TZrCropRatio Ratio;
    TZrRect Expected;
  } Cases[] = {
      // 16x10 reduces to 8:5; 30 rows give k = 6.
      {{10, 10}, {100, 40}, {8, 5}, MakeRect(10, 10, 58, 40)},
      // Up and to the right: the anchor is the bottom-left corner.
      {{100, 100}, {190, 70}, {8, 5}, MakeRect(100, 70, 148, 100)},
      {{100, 100}, {10, 160}, {1, 1}, MakeRect(40, 100, 100, 160)},
      {{100, 100}, {70, 90}, {2, 1}, MakeRect(80, 90, 100, 100)},
      {{100, 100}, {150, 130}, {}, MakeRect(100, 100, 150, 130)},
      // Level with the anchor: what there was.
      {{100, 100}, {150, 100}, {}, Start},
      {{100, 100}, {100, 10}, {}, Start},
      // Past the visible rectangle: what there was.
      {{100, 100}, {500, 130}, {}, Start},
      {{100, 100}, {-1, 130}, {}, Start},
  };
  for (const auto &C : Cases)
    EXPECT_EQ(DrawCropSelection(C.Anchor, C.Q, Start, V, C.Ratio), C.Expected)
        << C.Q.X << "," << C.Q.Y;
}

TEST(CropSelection, EveryDragStaysInsideTheVisibleRectangleAndKeepsTheRatio)
{
  const TZrRect V = MakeRect(20, 10, 420, 310);
  std::mt19937 Rng(11);
  for (const TZrCropRatio Ratio : {TZrCropRatio{}, TZrCropRatio{4, 3}, TZrCropRatio{1, 2}}) {
    TZrRect Selection = ApplyCropRatio(chBottomRight, MakeRect(100, 100, 260, 220), Ratio);
    for (int Round = 0; Round < 2000; ++Round) {
      const int32_t Code = static_cast<int32_t>(chInside + Rng() % 9);
      const TZrPoint Delta{static_cast<int32_t>(Rng() % 601) - 300,
                           static_cast<int32_t>(Rng() % 601) - 300};
      const TZrRect Next = DragCropSelection(Code, Selection, Delta, Selection, V, Ratio);
      ASSERT_TRUE(RectInside(Next, V)) << Round;
      ASSERT_FALSE(Next.IsEmpty()) << Round;
      if (!Ratio.IsFree()) {
        ASSERT_EQ(Next.Width() * Ratio.Y, Next.Height() * Ratio.X) << Round << " code " << Code;
      }
      if (Code == chInside) {
        ASSERT_EQ(Next.Width(), Selection.Width());
      }
      Selection = Next;
    }
  }
}

TEST(CropSelection, DraggingPastTheEdgeStopsWhereItWasLastInside)
{
  const TZrRect V = MakeRect(0, 0, 200, 100);
  const TZrRect Start = MakeRect(50, 20, 130, 80); // 4:3
  // The bottom-right handle dragged in steps towards the corner and past it.
  TZrRect Current = Start;
  for (int32_t Step = 1; Step <= 40; ++Step)
    Current = DragCropSelection(chBottomRight, Start, {Step * 4, Step * 4}, Current, V, {4, 3});
  EXPECT_EQ(Current, MakeRect(50, 20, 154, 98));
  // So does a free handle.
  EXPECT_EQ(DragCropSelection(chRight, Start, {500, 0}, Start, V, {}), Start);
  EXPECT_EQ(DragCropSelection(chRight, Start, {70, 0}, Start, V, {}), MakeRect(50, 20, 200, 80));
  // A handle dragged across the opposite edge leaves nothing: kept.
  EXPECT_EQ(DragCropSelection(chLeft, Start, {200, 0}, Start, V, {}), Start);
  // The whole selection stops at the border with its size.
  EXPECT_EQ(DragCropSelection(chInside, Start, {500, -500}, Start, V, {}),
            MakeRect(120, 0, 200, 60));
  EXPECT_EQ(ClampMovedRect(MakeRect(-10, 50, 20, 110), V), MakeRect(0, 40, 30, 100));
}

TEST(CropSelection, HandlesAreHitBeforeTheInside)
{
  const TZrRect S = MakeRect(100, 100, 200, 160);
  struct
  {
    TZrPoint P;
    int32_t Code;
  } Cases[] = {
      {{100, 100}, chTopLeft},
      {{150, 100}, chTop},
      {{200, 100}, chTopRight},
      {{200, 130}, chRight},
      {{200, 160}, chBottomRight},
      {{150, 160}, chBottom},
      {{100, 160}, chBottomLeft},
      {{100, 130}, chLeft},
      // The square runs 4 pixels to the left and up, 4 to the right and down.
      {{96, 96}, chTopLeft},
      {{104, 104}, chTopLeft},
      {{95, 100}, chOutside},
      {{105, 105}, chInside},
      {{150, 130}, chInside},
      {{250, 130}, chOutside},
  };
  for (const auto &C : Cases)
    EXPECT_EQ(CropHitTest(C.P, S), C.Code) << C.P.X << "," << C.P.Y;
  // On a one-pixel selection every square overlaps: the top-left wins.
  EXPECT_EQ(CropHitTest({10, 10}, MakeRect(10, 10, 11, 11)), chTopLeft);
  EXPECT_EQ(CropHandleSquare({10, 10}, CropHandleSide), MakeRect(6, 6, 15, 15));
  EXPECT_EQ(CropHandleSquare({10, 10}, CropHandleInnerSide), MakeRect(7, 7, 14, 14));
}

TEST(CropSelection, TypedSidesStayInsideTheImage)
{
  TZrRect S = MakeRect(100, 50, 200, 90);
  EXPECT_TRUE(SetCropSelectionWidth(S, 60, 300));
  EXPECT_EQ(S, MakeRect(100, 50, 160, 90));
  // At the right edge the selection grows to the left.
  EXPECT_TRUE(SetCropSelectionWidth(S, 250, 300));
  EXPECT_EQ(S, MakeRect(50, 50, 300, 90));
  EXPECT_FALSE(SetCropSelectionWidth(S, 301, 300));
  EXPECT_EQ(S, MakeRect(50, 50, 300, 90));
  EXPECT_TRUE(SetCropSelectionHeight(S, 100, 120));
  EXPECT_EQ(S, MakeRect(50, 20, 300, 120));
  EXPECT_FALSE(SetCropSelectionHeight(S, 121, 120));
}

// --- darkening ----------------------------------------------------------------

TEST(CropBands, OnlyWhatLiesOutsideTheSelectionIsDarkened)
{
  EXPECT_EQ(DarkenedByte(0), 0);
  EXPECT_EQ(DarkenedByte(100), 65);
  EXPECT_EQ(DarkenedByte(255), 164);

  TZrPixelBuffer Canvas;
  ASSERT_TRUE(Canvas.Allocate(pf24bit, MakeRect(-5, -5, 45, 35)));
  for (int32_t Y = -5; Y < 35; ++Y)
    for (int32_t X = -5; X < 45; ++X)
      for (int C = 0; C < 3; ++C)
        Canvas.PixelPtr(X, Y)[C] = static_cast<uint8_t>(X * 5 + Y * 3 + C * 40 + 30);
  TZrPixelBuffer Before;
  ASSERT_TRUE(Before.Allocate(pf24bit, Canvas.GetBounds()));
  Before.CopyFrom(Canvas);

  // The visible rectangle reaches past the canvas on the left.
  const TZrRect V = MakeRect(-20, 0, 40, 30), S = MakeRect(10, 5, 25, 20);
  for (const TZrRect &Band : CropOutsideBands(V, S))
    DarkenRect(Canvas, Band);
  for (int32_t Y = -5; Y < 35; ++Y)
    for (int32_t X = -5; X < 45; ++X)
      for (int C = 0; C < 3; ++C) {
        const uint8_t Old = Before.PixelPtr(X, Y)[C];
        const bool Outside = V.Contains(X, Y) && !S.Contains(X, Y);
        ASSERT_EQ(Canvas.PixelPtr(X, Y)[C], Outside ? DarkenedByte(Old) : Old) << X << "," << Y;
      }
}

// --- resize entries -------------------------------------------------------------

TEST(ResizeEntries, LockedProportionsWorkTheOtherSideOut)
{
  TZrResizeEntries E;
  E.Reset(3000, 2000);
  E.SetConstrainProportions(true, 3000, 2000);
  EXPECT_TRUE(E.SetNewWidth(1500, 3000, 2000));
  EXPECT_EQ(E.NewHeight, 1000);
  // 333 * 3000 / 2000 = 499.5 rounds up.
  EXPECT_TRUE(E.SetNewHeight(333, 3000, 2000));
  EXPECT_EQ(E.NewWidth, 500);
  // The same value changes nothing, the other side included.
  E.NewWidth = 7;
  EXPECT_FALSE(E.SetNewHeight(333, 3000, 2000));
  EXPECT_EQ(E.NewWidth, 7);

  // What the adjustment tool asks for a 2000 x 1500 image: 1183 then 888.
  TZrResizeEntries A;
  A.Reset(2000, 1500);
  A.SetConstrainProportions(true, 2000, 1500);
  A.SetNewWidth(1183, 2000, 1500);
  EXPECT_EQ(A.NewHeight, 887);
  A.SetNewHeight(888, 2000, 1500);
  EXPECT_EQ(A.NewWidth, 1184);
  EXPECT_EQ(A.NewHeight, 888);
}

TEST(ResizeEntries, LockingFitsTheImageIntoTheBoxTyped)
{
  TZrResizeEntries E;
  E.Reset(400, 400);
  EXPECT_TRUE(E.SetConstrainProportions(true, 3000, 2000));
  EXPECT_EQ(E.NewWidth, 400);
  EXPECT_EQ(E.NewHeight, 267);
  EXPECT_FALSE(E.SetConstrainProportions(true, 3000, 2000));
  E.SetConstrainProportions(false, 3000, 2000);
  E.Reset(100, 600);
  E.SetConstrainProportions(true, 3000, 2000);
  EXPECT_EQ(E.NewWidth, 100);
  EXPECT_EQ(E.NewHeight, 67);
  // Entries of 0 are left alone.
  TZrResizeEntries Empty;
  Empty.SetConstrainProportions(true, 3000, 2000);
  EXPECT_EQ(Empty.NewWidth, 0);
}

TEST(ResizeEntries, SidesAreAlwaysAtLeastOnePixel)
{
  TZrResizeEntries E;
  E.Reset(3000, 2000);
  for (int32_t Typed : {0, -5}) {
    E.SetNewWidth(Typed, 3000, 2000);
    EXPECT_EQ(E.NewWidth, 1);
  }
  // A side that rounds to nothing, or overflows, is one pixel.
  E.SetConstrainProportions(true, 3000, 2);
  E.SetNewWidth(10, 3000, 2);
  EXPECT_EQ(E.NewHeight, 1);
  E.SetNewWidth(2000000000, 3000, 2000);
  EXPECT_EQ(E.NewHeight, 1333333333);
  E.SetNewHeight(2000000000, 2, 3000);
  EXPECT_EQ(E.NewWidth, 1333333);
  EXPECT_EQ(ProportionalSide(3000, 2000000000, 1), 1);
}

// --- straighten line --------------------------------------------------------------

TEST(StraightenLine, TheAngleLevelsOrStandsTheLineUp)
{
  double Angle = 0;
  ASSERT_TRUE(StraightenLineAngle({0, 0}, {100, 10}, Angle));
  EXPECT_DOUBLE_EQ(Angle, std::atan(0.1));
  EXPECT_NEAR(Angle, 0.0997, 1e-4);
  ASSERT_TRUE(StraightenLineAngle({0, 0}, {10, 100}, Angle));
  EXPECT_DOUBLE_EQ(Angle, std::atan(-0.1));
  // Drawn the other way round, the same angle.
  ASSERT_TRUE(StraightenLineAngle({100, 10}, {0, 0}, Angle));
  EXPECT_DOUBLE_EQ(Angle, std::atan(0.1));
  // At exactly 45 degrees the line is stood up.
  ASSERT_TRUE(StraightenLineAngle({0, 0}, {50, 50}, Angle));
  EXPECT_DOUBLE_EQ(Angle, std::atan(-1.0));

  Angle = 5;
  for (const auto &[A, B] :
       {std::pair<TZrPoint, TZrPoint>{{3, 4}, {3, 4}}, {{0, 0}, {100, 0}}, {{7, 0}, {7, 90}}})
    EXPECT_FALSE(StraightenLineAngle(A, B, Angle));
  EXPECT_EQ(Angle, 5);
}

TEST(StraightenLine, ShortLinesDoNotCount)
{
  EXPECT_FALSE(StraightenLineLongEnough({0, 0}, {0, 0}));
  EXPECT_FALSE(StraightenLineLongEnough({0, 0}, {4, 5})); // 6.4
  EXPECT_TRUE(StraightenLineLongEnough({0, 0}, {7, 0}));
  EXPECT_TRUE(StraightenLineLongEnough({10, 10}, {5, 5})); // 7.07
}

} // namespace
} // namespace facette
