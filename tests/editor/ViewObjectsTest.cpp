#include "editor/ZrViewObjects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace facette {
namespace {

TEST(Region, ExcludingAndAddingKeepsPixelsCountedOnce)
{
  TZrRegion R(MakeRect(0, 0, 10, 10));
  R.Exclude(MakeRect(2, 2, 5, 5));
  EXPECT_EQ(R.Area(), 91);
  EXPECT_FALSE(R.Contains(3, 3));
  EXPECT_TRUE(R.Contains(5, 5));
  EXPECT_FALSE(R.Intersects(MakeRect(2, 2, 5, 5)));
  EXPECT_TRUE(R.Intersects(MakeRect(4, 4, 6, 6)));
  R.Add(MakeRect(0, 0, 12, 3));
  EXPECT_EQ(R.Area(), 91 + 6 + 3); // the hole's top row and the new strip
  EXPECT_EQ(R.BoundingBox(), MakeRect(0, 0, 12, 10));
  R.Intersect(MakeRect(8, 0, 20, 20));
  EXPECT_EQ(R.Area(), 2 * 10 + 2 * 3);
  R.Exclude(MakeRect(-100, -100, 100, 100));
  EXPECT_TRUE(R.IsEmpty());
  EXPECT_TRUE(R.BoundingBox().IsEmpty());
}

// Hit tests

TEST(ViewObject, HitTestsAgainstTheDeviceBounds)
{
  TZrViewObject O;
  O.Bounds = MakeRect(10, 10, 20, 20);
  TZrMapMode M; // identity
  struct PointCase
  {
    TZrPoint P;
    int32_t Tolerance;
    int32_t Expected;
  };
  const PointCase Points[] = {
      {{10, 10}, 0, 3}, {{19, 19}, 0, 3}, {{20, 15}, 0, 0}, {{20, 15}, 2, 2},
      {{21, 21}, 2, 2}, {{22, 15}, 2, 0}, {{9, 9}, 1, 2},   {{9, 9}, 0, 0},
  };
  for (const PointCase &C : Points)
    EXPECT_EQ(O.HitTest(M, C.P, C.Tolerance), C.Expected) << C.P.X << "," << C.P.Y;

  struct RectCase
  {
    TZrRect R;
    int32_t Tolerance;
    int32_t Expected;
  };
  const RectCase Rects[] = {
      {MakeRect(12, 12, 18, 18), 0, 3}, {MakeRect(10, 10, 20, 20), 0, 3},
      {MakeRect(5, 12, 11, 14), 0, 1},  {MakeRect(20, 12, 25, 14), 0, 0},
      {MakeRect(20, 12, 25, 14), 1, 2}, {MakeRect(22, 12, 25, 14), 2, 0},
  };
  for (const RectCase &C : Rects)
    EXPECT_EQ(O.HitTestRect(M, C.R, C.Tolerance), C.Expected) << C.R.Left << "," << C.R.Top;

  // No content and no overlay: nothing to hit.
  O.Flags = vfVisible;
  EXPECT_EQ(O.HitTest(M, {15, 15}, 5), 0);
}

// Paint cycle

// A view object that fills its bounds with its colour and writes what it
// is asked to do into a shared journal.
class TPaintingObject : public TZrViewObject
{
public:
  TPaintingObject(std::string Name, std::vector<std::string> &Journal, uint8_t Value,
                  uint8_t ObjectFlags, const TZrRect &R)
      : Name(std::move(Name)), Journal(Journal), Value(Value)
  {
    Flags = ObjectFlags;
    Bounds = R;
  }
  bool Refuse = false;
  TZrRegion OverlayClip;

  bool BeginPaint(TZrViewCanvas &Canvas) override
  {
    return !Refuse && TZrViewObject::BeginPaint(Canvas);
  }
  void PaintContent(TZrViewCanvas &Canvas) override
  {
    Journal.push_back(Name + ".Content");
    const TZrRect R = Canvas.MapMode.LogicalToDeviceRect(Bounds);
    Canvas.FillRect(R, Value * 0x010101);
    Canvas.ExcludeClipRect(R);
  }
  void PaintOverlay(TZrViewCanvas &Canvas) override
  {
    Journal.push_back(Name + ".Overlay");
    OverlayClip = Canvas.Clip;
    // An outline one pixel inside the bounds.
    const TZrRect R = Canvas.MapMode.LogicalToDeviceRect(Bounds);
    Canvas.FillRect(MakeRect(R.Left, R.Top, R.Right, R.Top + 1), 0xFFFFFF);
  }
  void EndPaint() override { Journal.push_back(Name + ".End"); }

private:
  std::string Name;
  std::vector<std::string> &Journal;
  uint8_t Value;
};

class PaintCycle : public ::testing::Test
{
protected:
  std::vector<std::string> Journal;
  TZrViewObjectList Objects;
  TZrViewCanvas Canvas;

  TPaintingObject *Add(const char *Name, uint8_t Value, uint8_t Flags, const TZrRect &R)
  {
    return static_cast<TPaintingObject *>(
        Objects.Add(std::make_unique<TPaintingObject>(Name, Journal, Value, Flags, R)));
  }
  uint8_t At(int32_t X, int32_t Y) const { return Canvas.Pixels.PixelPtr(X, Y)[0]; }
};

TEST_F(PaintCycle, UpperContentCoversLowerAndBackgroundFillsTheRest)
{
  Add("Image", 100, vfVisible | vfContent, MakeRect(0, 0, 20, 20));
  TPaintingObject *Tool =
      Add("Tool", 200, vfVisible | vfContent | vfOverlay, MakeRect(10, 10, 30, 30));
  Add("Hidden", 50, vfContent, MakeRect(0, 0, 40, 40));
  Add("Elsewhere", 60, vfVisible | vfContent, MakeRect(100, 100, 110, 110));

  ASSERT_TRUE(Canvas.BeginSurface(TZrRegion(MakeRect(0, 0, 40, 40))));
  Canvas.PaintObjects(Objects);
  // From the top down; the overlay's end waits for the second pass.
  const std::vector<std::string> Expected = {"Tool.Content", "Image.Content", "Image.End",
                                             "Tool.Overlay", "Tool.End"};
  EXPECT_EQ(Journal, Expected);
  EXPECT_EQ(At(5, 5), 100);
  EXPECT_EQ(At(15, 15), 200); // the image below did not paint over it
  EXPECT_EQ(At(35, 35), 0x40);
  EXPECT_EQ(At(5, 35), 0x40);
  EXPECT_EQ(At(12, 10), 0xFF); // overlay over its own content
  // The overlay could paint wherever painting was open when it was reached.
  EXPECT_EQ(Tool->OverlayClip.Area(), 40 * 40);
}

TEST_F(PaintCycle, OverlaysPaintBottomUpOverAllContent)
{
  TPaintingObject *Low = Add("Low", 10, vfVisible | vfOverlay, MakeRect(0, 0, 10, 10));
  Add("Middle", 20, vfVisible | vfContent, MakeRect(0, 0, 5, 40));
  TPaintingObject *High = Add("High", 30, vfVisible | vfOverlay, MakeRect(0, 0, 10, 10));
  ASSERT_TRUE(Canvas.BeginSurface(TZrRegion(MakeRect(0, 0, 20, 20))));
  Canvas.PaintObjects(Objects);
  const std::vector<std::string> Expected = {"Middle.Content", "Middle.End",   "Low.Overlay",
                                             "Low.End",        "High.Overlay", "High.End"};
  EXPECT_EQ(Journal, Expected);
  // Low was reached after Middle cut out its content: its overlay may not
  // touch it. High was reached before and may.
  EXPECT_FALSE(Low->OverlayClip.Contains(2, 0));
  EXPECT_TRUE(Low->OverlayClip.Contains(7, 0));
  EXPECT_EQ(At(2, 0), 0xFF);
  EXPECT_EQ(High->OverlayClip.Area(), 400);
}

TEST_F(PaintCycle, ObjectsOutsideTheClipOrRefusingAreNotAsked)
{
  Add("Left", 10, vfVisible | vfContent | vfOverlay, MakeRect(0, 0, 10, 10));
  TPaintingObject *Refusing = Add("Refusing", 20, vfVisible | vfContent, MakeRect(30, 0, 40, 10));
  Refusing->Refuse = true;
  TZrRegion Update(MakeRect(20, 0, 50, 10));
  Update.Add(MakeRect(0, 20, 5, 25));
  ASSERT_TRUE(Canvas.BeginSurface(Update));
  EXPECT_EQ(Canvas.UpdateBox, MakeRect(0, 0, 50, 25));
  Canvas.PaintObjects(Objects);
  EXPECT_TRUE(Journal.empty());
  EXPECT_EQ(At(35, 5), 0x40);
  EXPECT_EQ(Canvas.StateCount(), 0);
}

TEST(ViewCanvas, SurfaceIsPositionedAtTheUpdateBox)
{
  TZrViewCanvas Canvas;
  Canvas.BackgroundColor = 0x123456; // 00BBGGRR: red 56, green 34, blue 12
  ASSERT_TRUE(Canvas.BeginSurface(TZrRegion(MakeRect(300, 200, 310, 204))));
  EXPECT_EQ(Canvas.Pixels.GetBounds(), MakeRect(300, 200, 310, 204));
  TZrViewObjectList None;
  Canvas.PaintObjects(None);
  const uint8_t *P = Canvas.Pixels.PixelPtr(309, 203);
  EXPECT_EQ(P[0], 0x12);
  EXPECT_EQ(P[1], 0x34);
  EXPECT_EQ(P[2], 0x56);
  Canvas.EndSurface();
  EXPECT_FALSE(Canvas.HasSurface());
  EXPECT_FALSE(Canvas.BeginSurface(TZrRegion()));
}

// Scrolling

TEST(Scrolling, ExtentCountsTheOriginAndVisibleObjectsOnly)
{
  TZrViewObjectList Objects;
  TZrMapMode M;
  M.ViewportOrgX = 50;
  M.ViewportOrgY = 20;
  auto Add = [&](const TZrRect &R, uint8_t Flags) {
    auto O = std::make_unique<TZrViewObject>();
    O->Bounds = R;
    O->Flags = Flags;
    Objects.Add(std::move(O));
  };
  Add(MakeRect(10, 10, 100, 60), vfVisible | vfContent);
  Add(MakeRect(-500, 0, 0, 10), vfContent);                          // hidden
  Add(MakeRect(-500, 0, 0, 10), vfVisible | vfOverlay | vfNoExtent); // excluded
  EXPECT_EQ(ViewExtent(Objects, M), MakeRect(50, 20, 150, 80));
}

TEST(Scrolling, SmallContentIsCentredAndLargeContentClamped)
{
  struct Case
  {
    const char *Name;
    TZrRect Extent;
    int32_t DeltaX, DeltaY, ExtraWidth, ExtraHeight;
  };
  // A 400 x 300 control with 15-pixel scroll bars.
  const Case Cases[] = {
      {"small image centred", MakeRect(0, 0, 200, 100), 100, 100, -200, -200},
      {"centred image stays", MakeRect(100, 100, 300, 200), 0, 0, -200, -200},
      {"wide image: horizontal bar only", MakeRect(0, 0, 1000, 100), 0, 92, 600, -185},
      {"scrolled past the right end", MakeRect(-900, 0, 100, 100), 300, 92, 600, -185},
      {"scrolled past the left end", MakeRect(40, -10, 1040, 90), -40, 102, 600, -185},
      {"both bars", MakeRect(0, 0, 500, 400), 0, 0, 115, 115},
      {"one bar brings the other", MakeRect(0, 0, 390, 310), 0, 0, 5, 25},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    const TZrScrollPlan P = ComputeScrollPlan(C.Extent, 400, 300, 15, 15);
    EXPECT_EQ(P.DeltaX, C.DeltaX);
    EXPECT_EQ(P.DeltaY, C.DeltaY);
    EXPECT_EQ(P.ExtraWidth, C.ExtraWidth);
    EXPECT_EQ(P.ExtraHeight, C.ExtraHeight);
  }
}

TEST(Scrolling, DeltasStayWithinTheScrollableRange)
{
  EXPECT_EQ(ClampScrollDelta(30, 0, 0), 0);    // content fits
  EXPECT_EQ(ClampScrollDelta(-30, 0, -50), 0); // smaller than the window
  EXPECT_EQ(ClampScrollDelta(30, -10, 100), 10);
  EXPECT_EQ(ClampScrollDelta(-30, -10, 100), -30);
  EXPECT_EQ(ClampScrollDelta(-300, -10, 100), -90);
}

TEST(Scrolling, ScrollBarRequestsStopAtTheLastPage)
{
  // Range 0 .. 999 with a page of 400: the last position is 600.
  auto Target = [](TZrScrollCode Code, int32_t Position, int32_t Track = 0) {
    return ScrollBarTarget(Code, Position, 0, 999, 400, 10, Track);
  };
  EXPECT_EQ(Target(TZrScrollCode::ThumbTrack, 0, 900), 600);
  EXPECT_EQ(Target(TZrScrollCode::ThumbTrack, 500, 250), 250);
  EXPECT_EQ(Target(TZrScrollCode::LineDown, 100), 110);
  EXPECT_EQ(Target(TZrScrollCode::LineUp, 5), 0);
  EXPECT_EQ(Target(TZrScrollCode::PageDown, 100), 400);
  EXPECT_EQ(Target(TZrScrollCode::PageDown, 500), 600);
  EXPECT_EQ(Target(TZrScrollCode::PageUp, 500), 200);
  EXPECT_EQ(Target(TZrScrollCode::Other, 321), 321);
}

} // namespace
} // namespace facette
