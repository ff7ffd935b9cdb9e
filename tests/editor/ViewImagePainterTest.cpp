#include "editor/GraphicsTestSupport.h"
#include "editor/ZrViewImagePainter.h"
#include "editor/ZrViewObjects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace facette {
namespace {

using namespace test;

TZrMapMode Zoom(int32_t N, int32_t D, int32_t OrgX, int32_t OrgY)
{
  TZrMapMode M;
  M.ViewportExtX = M.ViewportExtY = N;
  M.WindowExtX = M.WindowExtY = D;
  M.ViewportOrgX = OrgX;
  M.ViewportOrgY = OrgY;
  return M;
}

// What a window pixel must show, worked out pixel by pixel: zoomed in, the
// image pixel the map mode converts it to (kept inside Source); zoomed out,
// the rounded average of every image pixel of Source the map mode puts on
// it. False when the pixel shows nothing of Source.
bool Expected(const TZrMapMode &M, const TZrPixels &Image, const TZrRect &Source, int32_t U,
              int32_t V, uint8_t Out[3])
{
  const TZrRect Dest = M.LogicalToDeviceRect(Source);
  if (!Dest.Contains(U, V))
    return false;
  if (M.ViewportExtX >= M.WindowExtX) {
    const int32_t X = std::clamp(M.DeviceToLogicalX(U), Source.Left, Source.Right - 1);
    const int32_t Y = std::clamp(M.DeviceToLogicalY(V), Source.Top, Source.Bottom - 1);
    std::memcpy(Out, Image.PixelPtr(X, Y), 3);
    return true;
  }
  uint32_t Sum[3] = {0, 0, 0};
  uint32_t Count = 0;
  for (int32_t Y = Source.Top; Y < Source.Bottom; ++Y) {
    if (M.LogicalToDeviceY(Y) != V)
      continue;
    for (int32_t X = Source.Left; X < Source.Right; ++X) {
      if (M.LogicalToDeviceX(X) != U)
        continue;
      for (int C = 0; C < 3; ++C)
        Sum[C] += Image.PixelPtr(X, Y)[C];
      ++Count;
    }
  }
  for (int C = 0; C < 3; ++C)
    Out[C] = static_cast<uint8_t>((Sum[C] + Count / 2) / Count);
  return true;
}

// The canvas pixels painted, checked against Expected; averages may differ
// by one from the exact rounding.
void CheckAgainstReference(const TZrViewCanvas &Canvas, const TZrPixels &Image,
                           const TZrRect &Source, uint8_t Untouched)
{
  const TZrMapMode &M = Canvas.MapMode;
  const int Tolerance = M.ViewportExtX < M.WindowExtX ? 1 : 0;
  int Failures = 0;
  for (int32_t V = Canvas.UpdateBox.Top; V < Canvas.UpdateBox.Bottom && Failures < 5; ++V)
    for (int32_t U = Canvas.UpdateBox.Left; U < Canvas.UpdateBox.Right && Failures < 5; ++U) {
      const uint8_t *Got = Canvas.Pixels.PixelPtr(U, V);
      uint8_t Want[3] = {};
      const bool Shown = Expected(M, Image, Source, U, V, Want);
      for (int C = 0; C < 3; ++C) {
        const int Diff = Shown ? std::abs(Got[C] - Want[C]) : std::abs(Got[C] - Untouched);
        if (Diff > Tolerance) {
          ADD_FAILURE() << "window pixel " << U << "," << V << " channel " << C << ": "
                        << int(Got[C]) << " instead of " << int(Shown ? Want[C] : Untouched);
          ++Failures;
        }
      }
    }
}

TEST(ViewImagePainter, ShowsWhatTheMapModeMapsAtEveryZoom)
{
  TZrPixelBuffer Image;
  ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, 97, 61)));
  FillCoded(Image);
  struct Case
  {
    int32_t N, D, OrgX, OrgY;
    TZrRect Source;
  };
  const Case Cases[] = {
      {1, 1, 3, -5, MakeRect(0, 0, 97, 61)},    {1, 1, 0, 0, MakeRect(10, 7, 50, 40)},
      {3, 2, -7, 2, MakeRect(0, 0, 97, 61)},    {3, 2, 1, 1, MakeRect(5, 3, 40, 30)},
      {8, 1, -30, -12, MakeRect(0, 0, 97, 61)}, {3, 4, 2, 1, MakeRect(0, 0, 97, 61)},
      {2, 3, 0, 0, MakeRect(11, 5, 80, 57)},    {1, 3, 5, 5, MakeRect(0, 0, 97, 61)},
      {1, 7, -1, 3, MakeRect(3, 4, 90, 60)},    {1, 16, 0, 0, MakeRect(0, 0, 97, 61)},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << C.N << "/" << C.D << " at " << C.OrgX << "," << C.OrgY);
    TZrViewCanvas Canvas;
    Canvas.MapMode = Zoom(C.N, C.D, C.OrgX, C.OrgY);
    // A clip with a hole: what lies in the hole is not painted.
    TZrRegion Clip(MakeRect(0, 0, 90, 70));
    ASSERT_TRUE(Canvas.BeginSurface(Clip));
    Canvas.FillRect(Canvas.UpdateBox, 0x111111);
    Canvas.ExcludeClipRect(MakeRect(20, 20, 30, 30));
    TZrViewImagePainter Painter;
    const TZrRect Dest = Painter.Paint(Canvas, Image, C.Source);
    EXPECT_EQ(Dest, Canvas.MapMode.LogicalToDeviceRect(C.Source));
    for (int32_t V = 20; V < 30; ++V)
      for (int32_t U = 20; U < 30; ++U)
        ASSERT_EQ(Canvas.Pixels.PixelPtr(U, V)[0], 0x11);
    Canvas.Clip = TZrRegion(MakeRect(0, 0, 90, 70));
    // Paint the hole too for the comparison.
    Painter.Paint(Canvas, Image, C.Source);
    CheckAgainstReference(Canvas, Image, C.Source, 0x11);
  }
}

// The view repaints only the window area the document reports for a
// change. Whatever it showed before plus that repaint must equal a fresh
// paint of the changed image, at every zoom, also where a window pixel
// shows a changed image pixel only in part.
TEST(ViewImagePainter, RepaintOfTheReportedAreaShowsEveryChange)
{
  struct Case
  {
    int32_t N, D, OrgX, OrgY;
  };
  const Case Zooms[] = {{1, 3, 4, 2},  {2, 3, -3, 0}, {3, 4, 0, 0},    {1, 16, 1, 1},
                        {1, 1, -2, 5}, {3, 2, 0, -4}, {7, 1, -20, -20}};
  const TZrRect Changes[] = {MakeRect(4, 4, 8, 8), MakeRect(0, 0, 1, 1), MakeRect(30, 17, 31, 40),
                             MakeRect(45, 50, 71, 53), MakeRect(69, 0, 70, 61)};
  for (const Case &Z : Zooms) {
    TZrPixelBuffer Image;
    ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, 70, 61)));
    FillCoded(Image);
    TZrViewCanvas Canvas;
    Canvas.MapMode = Zoom(Z.N, Z.D, Z.OrgX, Z.OrgY);
    const TZrRect Window = MakeRect(0, 0, 120, 100);
    TZrViewImagePainter Painter;
    // The screen keeps what each paint blitted.
    TZrPixelBuffer Screen;
    ASSERT_TRUE(Screen.Allocate(pf24bit, Window));
    auto PaintArea = [&](const TZrRect &Area) {
      const TZrRect Visible = IntersectRect(Area, Window);
      if (Visible.IsEmpty())
        return; // scrolled out of the window
      ASSERT_TRUE(Canvas.BeginSurface(TZrRegion(Visible)));
      Canvas.FillRect(Canvas.UpdateBox, 0x404040);
      Painter.Paint(Canvas, Image, Image.GetBounds());
      Screen.CopyFrom(Canvas.Pixels);
      Canvas.EndSurface();
    };
    PaintArea(Window);
    for (const TZrRect &Change : Changes) {
      SCOPED_TRACE(testing::Message()
                   << Z.N << "/" << Z.D << ", change at " << Change.Left << "," << Change.Top);
      Paint(Image, Change, static_cast<uint8_t>(Change.Left * 5 + 1));
      Painter.InvalidateRect(Change);
      PaintArea(ImageRectToWindow(Canvas.MapMode, Change));

      TZrViewCanvas Fresh;
      Fresh.MapMode = Canvas.MapMode;
      ASSERT_TRUE(Fresh.BeginSurface(TZrRegion(Window)));
      Fresh.FillRect(Window, 0x404040);
      TZrViewImagePainter FreshPainter;
      FreshPainter.Paint(Fresh, Image, Image.GetBounds());
      EXPECT_TRUE(SamePixels(Screen, Fresh.Pixels, Window));
    }
  }
}

TEST(ViewImagePainter, ReducedCopyIsRebuiltOnlyWhereTheImageChanged)
{
  TZrPixelBuffer Image;
  ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, 2000, 1500)));
  FillCoded(Image);
  TZrViewCanvas Canvas;
  Canvas.MapMode = Zoom(1, 4, 0, 0);
  TZrViewImagePainter Painter;
  auto PaintAll = [&] {
    ASSERT_TRUE(Canvas.BeginSurface(TZrRegion(MakeRect(0, 0, 500, 375))));
    Painter.Paint(Canvas, Image, Image.GetBounds());
  };
  PaintAll();
  EXPECT_EQ(Painter.ReducedPixelsBuilt(), 500 * 375);
  PaintAll();
  EXPECT_EQ(Painter.ReducedPixelsBuilt(), 500 * 375);
  Painter.InvalidateRect(MakeRect(1000, 700, 1101, 801));
  PaintAll();
  // One or a few tiles around the change, not the whole copy.
  const int64_t Rebuilt = Painter.ReducedPixelsBuilt() - 500 * 375;
  EXPECT_GT(Rebuilt, 0);
  EXPECT_LE(Rebuilt, 4 * 64 * 64);
  // Scrolling reuses the copy; another zoom starts a new one.
  Canvas.MapMode.ViewportOrgX = -100;
  PaintAll();
  EXPECT_EQ(Painter.ReducedPixelsBuilt() - 500 * 375, Rebuilt);
  Canvas.MapMode = Zoom(1, 3, 0, 0);
  PaintAll();
  EXPECT_GT(Painter.ReducedPixelsBuilt() - 500 * 375, Rebuilt);
}

// With drafts allowed, a paint at a new zoom shows at once, for every
// window pixel, the image pixel the map mode converts its position to, and
// remembers those parts. Refining them a budget at a time and repainting
// what each step returns ends in exactly the final paint; a change of the
// image meanwhile is in it, and a new zoom drops the old drafts.
TEST(ViewImagePainter, DraftsShowAtOnceAndRefineToTheFinalPaint)
{
  TZrPixelBuffer Image;
  ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, 3000, 2010)));
  FillCoded(Image);
  // Large enough a window that its drafts are painted on more than one
  // thread.
  const TZrRect Window = MakeRect(0, 0, 1040, 700);
  const TZrMapMode Reduced = Zoom(1, 3, 20, 10);
  TZrViewImagePainter Painter;
  Painter.AllowDrafts = true;
  TZrViewCanvas Canvas;
  Canvas.MapMode = Reduced;
  TZrPixelBuffer Screen;
  ASSERT_TRUE(Screen.Allocate(pf24bit, Window));
  auto PaintArea = [&](const TZrRect &Area) {
    ASSERT_TRUE(Canvas.BeginSurface(TZrRegion(IntersectRect(Area, Window))));
    Canvas.FillRect(Canvas.UpdateBox, 0x404040);
    Painter.Paint(Canvas, Image, Image.GetBounds());
    Screen.CopyFrom(Canvas.Pixels);
    Canvas.EndSurface();
  };

  PaintArea(Window);
  EXPECT_TRUE(Painter.PaintedDraft());
  EXPECT_TRUE(Painter.HasDrafts());
  EXPECT_EQ(Painter.ReducedPixelsBuilt(), 0);
  const TZrRect Shown = Reduced.LogicalToDeviceRect(Image.GetBounds());
  for (int32_t V = Shown.Top; V < Shown.Bottom; V += 37)
    for (int32_t U = Shown.Left; U < Shown.Right; U += 41) {
      const int32_t X = std::clamp(Reduced.DeviceToLogicalX(U), 0, 2999);
      const int32_t Y = std::clamp(Reduced.DeviceToLogicalY(V), 0, 2009);
      ASSERT_EQ(std::memcmp(Screen.PixelPtr(U, V), Image.PixelPtr(X, Y), 3), 0) << U << "," << V;
    }

  // The image changes under a draft before it is refined.
  const TZrRect Change = MakeRect(1000, 600, 1200, 700);
  for (int32_t Y = Change.Top; Y < Change.Bottom; ++Y)
    std::memset(Image.PixelPtr(Change.Left, Y), 200, static_cast<size_t>(Change.Width()) * 3);
  Painter.InvalidateRect(Change);

  int Steps = 0;
  while (Painter.HasDrafts()) {
    const TZrRect Refined = Painter.RefineDrafts(Reduced, Image, Image.GetBounds(), 0.0);
    ASSERT_FALSE(Refined.IsEmpty());
    PaintArea(Refined);
    ++Steps;
  }
  EXPECT_GT(Steps, 1); // a budget of nothing still builds one batch a step
  EXPECT_FALSE(Painter.PaintedDraft());
  EXPECT_EQ(Painter.ReducedPixelsBuilt(), static_cast<int64_t>(Shown.Width()) * Shown.Height());

  TZrViewCanvas Final;
  Final.MapMode = Reduced;
  ASSERT_TRUE(Final.BeginSurface(TZrRegion(Window)));
  Final.FillRect(Window, 0x404040);
  TZrViewImagePainter FinalPainter;
  FinalPainter.Paint(Final, Image, Image.GetBounds());
  EXPECT_TRUE(SamePixels(Screen, Final.Pixels, Window));

  // Drafts at one zoom are dropped by a refinement asked at another.
  Canvas.MapMode = Zoom(1, 4, 0, 0);
  PaintArea(Window);
  ASSERT_TRUE(Painter.HasDrafts());
  EXPECT_TRUE(Painter.RefineDrafts(Zoom(1, 3, 0, 0), Image, Image.GetBounds(), 1e9).IsEmpty());
  EXPECT_FALSE(Painter.HasDrafts());
}

} // namespace
} // namespace facette
