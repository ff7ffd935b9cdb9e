#include "print/ZrHiMetric.h"
#include "print/ZrPrintLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace facette {
namespace {

TEST(PrintUnits, ToHundredthsOfAMillimetreRoundHalfToEven)
{
  struct Case
  {
    double Value;
    int32_t Unit;
    int32_t Expected;
  };
  const Case Cases[] = {
      {1, puMillimetres, 100},      {2.5, puCentimetres, 2500}, {1, puInches, 2540},
      {72, puPoints, 2540},         {1, puPoints, 35},          {-12.34, puMillimetres, -1234},
      {0.005, puMillimetres, 0}, // 0.5 goes to the even 0
      {0.015, puMillimetres, 2}, // 1.5 goes to the even 2
      {25.4, puCentimetres, 25400},
  };
  for (const Case &C : Cases) {
    int32_t Out = -99;
    ASSERT_TRUE(UnitsToHiMetric(C.Value, C.Unit, Out)) << C.Value << " in unit " << C.Unit;
    EXPECT_EQ(Out, C.Expected) << C.Value << " in unit " << C.Unit;
  }
}

TEST(PrintUnits, RefusesWhatIsNotAPrintableLength)
{
  int32_t Out = 7;
  EXPECT_FALSE(UnitsToHiMetric(1, -1, Out));
  EXPECT_FALSE(UnitsToHiMetric(1, PrintUnitCount, Out));
  EXPECT_FALSE(UnitsToHiMetric(std::numeric_limits<double>::quiet_NaN(), puInches, Out));
  EXPECT_FALSE(UnitsToHiMetric(std::numeric_limits<double>::infinity(), puInches, Out));
  EXPECT_FALSE(UnitsToHiMetric(1e9, puInches, Out)); // beyond 32 bits
  EXPECT_EQ(Out, 7);
}

TEST(PrintUnits, FromHundredthsOfAMillimetre)
{
  EXPECT_DOUBLE_EQ(HiMetricToUnits(2540, puMillimetres), 25.4);
  EXPECT_DOUBLE_EQ(HiMetricToUnits(2540, puCentimetres), 2.54);
  EXPECT_DOUBLE_EQ(HiMetricToUnits(2540, puInches), 1.0);
  EXPECT_NEAR(HiMetricToUnits(2540, puPoints), 72.0, 1e-12);
  EXPECT_TRUE(std::isnan(HiMetricToUnits(2540, 4)));
}

// A printer of 254 dots per inch (one pixel is 0.1 mm) with an A4 sheet
// (2100 x 2970 pixels) whose margins differ on every side: the printable
// area starts 40 and 30 pixels from the corner and is 2000 x 2900 pixels,
// leaving 60 pixels on the right and 40 at the bottom.
TZrPrinterMetrics A4Portrait()
{
  TZrPrinterMetrics M;
  M.PhysicalWidth = 2100;
  M.PhysicalHeight = 2970;
  M.PhysicalOffsetX = 40;
  M.PhysicalOffsetY = 30;
  M.PageWidth = 2000;
  M.PageHeight = 2900;
  M.PrintableWidth = 20000;
  M.PrintableHeight = 29000;
  return M;
}

TZrPrinterMetrics A4Landscape()
{
  TZrPrinterMetrics M;
  M.PhysicalWidth = 2970;
  M.PhysicalHeight = 2100;
  M.PhysicalOffsetX = 30;
  M.PhysicalOffsetY = 60;
  M.PageWidth = 2900;
  M.PageHeight = 2000;
  M.PrintableWidth = 29000;
  M.PrintableHeight = 20000;
  return M;
}

TEST(HiMetric, LogicalIsFromThePapersCornerDeviceFromThePrintableArea)
{
  const TZrHiMetric Map(A4Portrait());
  EXPECT_EQ(Map.LogicalToDevice({0, 0}), (TZrPoint{-40, -30}));
  EXPECT_EQ(Map.LogicalToDevice({400, 300}), (TZrPoint{0, 0}));
  EXPECT_EQ(Map.DeviceToLogical({2000, 2900}), (TZrPoint{20400, 29300}));
  EXPECT_EQ(Map.PaperCorner(), (TZrPoint{21000, 29700}));
  EXPECT_EQ(Map.PrintableRect(), MakeRect(400, 300, 20400, 29300));
  EXPECT_EQ(Map.PageRect(), MakeRect(0, 0, 2000, 2900));
}

TEST(PrintLayout, NaturalSizeIsTheSizeAtTheImagesResolution)
{
  TZrPrintLayout L;
  L.SetImage(3000, 2000, 300, 300);
  EXPECT_EQ(L.NaturalWidth, 25400);
  EXPECT_EQ(L.NaturalHeight, 16933);
  EXPECT_EQ(L.PrintWidth, 25400);
  EXPECT_EQ(L.PrintHeight, 16933);
  EXPECT_DOUBLE_EQ(L.ScalePercent(), 100.0);

  // Different resolutions across and down; none stated counts as 96.
  L.SetImage(600, 600, 300, 150);
  EXPECT_EQ(L.NaturalWidth, 5080);
  EXPECT_EQ(L.NaturalHeight, 10160);
  L.SetImage(96, 96, 0, 0);
  EXPECT_EQ(L.NaturalWidth, 2540);
}

// Centring uses the paper, not the printable area, whatever the margins
// and the orientation.
TEST(PrintLayout, CenterPutsThePhotoInTheMiddleOfThePaper)
{
  for (const TZrPrinterMetrics &M : {A4Portrait(), A4Landscape()}) {
    const TZrHiMetric Map(M);
    TZrPrintLayout L;
    L.SetImage(1200, 800, 300, 300); // 101.6 x 67.73 mm
    L.Center(Map);
    const TZrPoint Corner = Map.PaperCorner();
    EXPECT_EQ(L.PrintLeft + L.PrintWidth / 2, Corner.X / 2);
    EXPECT_NEAR(L.PrintTop + L.PrintHeight / 2.0, Corner.Y / 2.0, 1.0);
    EXPECT_TRUE(L.FitsPage(Map));
  }
}

TEST(PrintLayout, ScaleToFitFillsThePrintableAreaWithEqualMargins)
{
  const TZrHiMetric Map(A4Portrait());
  TZrPrintLayout L;
  L.SetImage(3000, 2000, 300, 300); // wider than the page
  L.ScaleToFit(Map);
  // The wider margin on each axis (60 px right, 40 px bottom) is used on
  // both sides: the area is 600..20400 across and 400..29300 down.
  EXPECT_EQ(L.PrintWidth, 19800);
  EXPECT_EQ(L.PrintHeight, static_cast<int32_t>(std::nearbyint(16933 * (19800.0 / 25400))));
  EXPECT_EQ(L.PrintLeft, 600);
  EXPECT_EQ(L.PrintTop, (400 + 29300) / 2 - L.PrintHeight / 2);
  EXPECT_TRUE(L.FitsPage(Map));

  // A tall photo on landscape paper is limited by the height instead.
  const TZrHiMetric Wide(A4Landscape());
  L.SetImage(1000, 3000, 100, 100);
  L.ScaleToFit(Wide);
  EXPECT_EQ(L.PrintHeight, 19800); // 21000 less a 600 margin on each side
  EXPECT_EQ(L.PrintTop, 600);
  EXPECT_TRUE(L.FitsPage(Wide));
}

TEST(PrintLayout, ScaleAndOneSideKeepTheProportions)
{
  const TZrHiMetric Map(A4Portrait());
  TZrPrintLayout L;
  L.SetImage(3000, 2000, 300, 300);
  L.SetScalePercent(50);
  EXPECT_EQ(L.PrintWidth, 12700);
  EXPECT_EQ(L.PrintHeight, 8466); // 8466.5 goes to the even side
  EXPECT_DOUBLE_EQ(L.ScalePercent(), 50.0);

  L.SetWidthKeepingProportions(10000);
  EXPECT_EQ(L.PrintHeight, 6667); // MulDiv rounds 6666.5 up
  L.SetHeightKeepingProportions(16933);
  EXPECT_EQ(L.PrintWidth, 25400);

  // A tall image reports its scale along the height.
  L.SetImage(2000, 3000, 300, 300);
  L.SetHeightKeepingProportions(L.NaturalHeight / 4);
  EXPECT_NEAR(L.ScalePercent(), 25.0, 0.01);

  // Without a natural size the other side stays.
  TZrPrintLayout Empty;
  Empty.PrintHeight = 123;
  Empty.SetWidthKeepingProportions(500);
  EXPECT_EQ(Empty.PrintWidth, 500);
  EXPECT_EQ(Empty.PrintHeight, 123);
  EXPECT_EQ(Empty.ScalePercent(), 0.0);
}

TEST(PrintLayout, TellsAMisplacedPhotoFromOneTooLarge)
{
  const TZrHiMetric Map(A4Portrait());
  TZrPrintLayout L;
  L.SetImage(1200, 800, 300, 300);
  L.PrintLeft = 15000; // runs off the right edge
  L.PrintTop = 1000;
  EXPECT_FALSE(L.FitsPage(Map));
  EXPECT_FALSE(L.LargerThanPage(Map));
  L.MoveToOrigin(Map);
  EXPECT_EQ(L.PrintLeft, 400);
  EXPECT_EQ(L.PrintTop, 300);
  EXPECT_TRUE(L.FitsPage(Map));
  EXPECT_EQ(L.DeviceRect(Map).Left, 0);

  L.SetScalePercent(300);
  EXPECT_TRUE(L.LargerThanPage(Map));
  EXPECT_FALSE(L.FitsPage(Map));
}

} // namespace
} // namespace facette
