// The printer's coordinate system: logical units are hundredths of a
// millimetre measured from the paper's top-left corner, device units are
// printer pixels measured from the printable area's top-left corner. The
// print dialog keeps every position and size in logical units and converts
// to device pixels only to print.
#pragma once

#include "editor/ZrMapMode.h"
#include "framework/ZrTypes.h"

#include <cstdint>

namespace facette {

// What a printer reports of its current page. The printable area is given
// twice: in device pixels and in hundredths of a millimetre (the latter
// exactly, not rounded to whole millimetres, so that a 20 cm print is not
// a millimetre off because the page was 209.9 mm wide).
struct TZrPrinterMetrics
{
  int32_t PageWidth = 0; // printable area, device pixels
  int32_t PageHeight = 0;
  int32_t PhysicalWidth = 0; // whole paper, device pixels
  int32_t PhysicalHeight = 0;
  int32_t PhysicalOffsetX = 0; // printable area's corner on the paper, device pixels
  int32_t PhysicalOffsetY = 0;
  int32_t PrintableWidth = 0; // printable area, hundredths of a millimetre
  int32_t PrintableHeight = 0;
};

// Units the print dialog offers, in the order of its unit lists.
enum TZrPrintUnit : int32_t
{
  puMillimetres = 0,
  puCentimetres = 1,
  puInches = 2,
  puPoints = 3,
};
constexpr int32_t PrintUnitCount = 4;

// Value in Unit to hundredths of a millimetre, rounded half to even. False
// for an unknown unit, a value that is not a number or one that does not fit.
bool UnitsToHiMetric(double Value, int32_t Unit, int32_t &HiMetric);
// Hundredths of a millimetre to Unit; NaN for an unknown unit.
double HiMetricToUnits(int32_t HiMetric, int32_t Unit);

class TZrHiMetric : public TZrMapMode
{
public:
  TZrHiMetric() = default;
  explicit TZrHiMetric(const TZrPrinterMetrics &Metrics) { SetUp(Metrics); }

  // Takes the page of a printer: window extent the printable area in
  // hundredths of a millimetre, viewport extent the same area in pixels,
  // viewport origin minus the physical offset (so logical 0 is the paper's
  // corner).
  void SetUp(const TZrPrinterMetrics &Metrics);

  // The paper's far corner and the printable area, in logical units.
  TZrPoint PaperCorner() const { return PaperCorner_; }
  TZrRect PrintableRect() const { return PrintableRect_; }
  // The printable area in device pixels, (0, 0, page width, page height).
  TZrRect PageRect() const { return PageRect_; }

private:
  TZrPoint PaperCorner_;
  TZrRect PrintableRect_;
  TZrRect PageRect_;
};

} // namespace facette
