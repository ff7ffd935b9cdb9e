#include "print/ZrHiMetric.h"

#include <cmath>
#include <limits>

namespace facette {

namespace {

// Hundredths of a millimetre per unit; a point is 1/72 inch.
constexpr double UnitFactors[PrintUnitCount] = {100.0, 1000.0, 2540.0, 35.277777777777777776};

bool ValidUnit(int32_t Unit)
{
  return Unit >= 0 && Unit < PrintUnitCount;
}

} // namespace

bool UnitsToHiMetric(double Value, int32_t Unit, int32_t &HiMetric)
{
  if (!ValidUnit(Unit) || !std::isfinite(Value))
    return false;
  const double Scaled = std::nearbyint(Value * UnitFactors[Unit]);
  if (!(Scaled >= std::numeric_limits<int32_t>::min() &&
        Scaled <= std::numeric_limits<int32_t>::max()))
    return false;
  HiMetric = static_cast<int32_t>(Scaled);
  return true;
}

double HiMetricToUnits(int32_t HiMetric, int32_t Unit)
{
  if (!ValidUnit(Unit))
    return std::numeric_limits<double>::quiet_NaN();
  return HiMetric / UnitFactors[Unit];
}

void TZrHiMetric::SetUp(const TZrPrinterMetrics &Metrics)
{
  WindowOrgX = 0;
  WindowOrgY = 0;
  WindowExtX = Metrics.PrintableWidth;
  WindowExtY = Metrics.PrintableHeight;
  ViewportOrgX = -Metrics.PhysicalOffsetX;
  ViewportOrgY = -Metrics.PhysicalOffsetY;
  ViewportExtX = Metrics.PageWidth;
  ViewportExtY = Metrics.PageHeight;
  // The paper's far corner lies at the physical size counted from the
  // paper's corner, which is minus the offset in device pixels.
  PaperCorner_ = DeviceToLogical(TZrPoint{Metrics.PhysicalWidth - Metrics.PhysicalOffsetX,
                                          Metrics.PhysicalHeight - Metrics.PhysicalOffsetY});
  // The printable area in logical units, taken so that it maps back into
  // the page: conversions round down both ways, so the first logical unit
  // of the area may be one too small to land on pixel 0.
  TZrPoint TopLeft = DeviceToLogical(TZrPoint{0, 0});
  while (LogicalToDeviceX(TopLeft.X) < 0)
    ++TopLeft.X;
  while (LogicalToDeviceY(TopLeft.Y) < 0)
    ++TopLeft.Y;
  TZrPoint BottomRight = DeviceToLogical(TZrPoint{Metrics.PageWidth, Metrics.PageHeight});
  while (LogicalToDeviceX(BottomRight.X) > Metrics.PageWidth)
    --BottomRight.X;
  while (LogicalToDeviceY(BottomRight.Y) > Metrics.PageHeight)
    --BottomRight.Y;
  PrintableRect_ = MakeRect(TopLeft.X, TopLeft.Y, BottomRight.X, BottomRight.Y);
  PageRect_ = MakeRect(0, 0, Metrics.PageWidth, Metrics.PageHeight);
}

} // namespace facette
