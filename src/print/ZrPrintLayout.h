// Where the photo goes on the paper: its natural size (the size at which it
// prints at its own resolution) and the rectangle it is printed into, all in
// hundredths of a millimetre from the paper's corner. The print dialog edits
// this; the operations keep the photo's proportions.
#pragma once

#include "framework/ZrTypes.h"
#include "print/ZrHiMetric.h"

#include <cstdint>

namespace facette {

class TZrPrintLayout
{
public:
  int32_t NaturalWidth = 0;
  int32_t NaturalHeight = 0;
  int32_t PrintLeft = 0;
  int32_t PrintTop = 0;
  int32_t PrintWidth = 0;
  int32_t PrintHeight = 0;

  // The natural size of a Width x Height image at these resolutions (dots
  // per inch; a missing resolution counts as 96), and the print size set to
  // it. The position is left as it is.
  void SetImage(int32_t Width, int32_t Height, int32_t HorizontalDpi, int32_t VerticalDpi);

  // Centred on the paper (not on the printable area).
  void Center(const TZrHiMetric &Map);
  // At the printable area's corner.
  void MoveToOrigin(const TZrHiMetric &Map);
  // As large as fits the printable area with equal margins on opposite
  // sides, centred in it.
  void ScaleToFit(const TZrHiMetric &Map);

  // The print size in per cent of the natural size, measured along the
  // image's longer side; 0 without a natural size.
  double ScalePercent() const;
  // Print size := natural size x Percent / 100 (rounded).
  void SetScalePercent(double Percent);
  // One side typed, the other follows the natural proportions.
  void SetWidthKeepingProportions(int32_t Width);
  void SetHeightKeepingProportions(int32_t Height);

  TZrRect Rect() const { return Bounds(PrintLeft, PrintTop, PrintWidth, PrintHeight); }
  // The rectangle in printer pixels, from the printable area's corner.
  TZrRect DeviceRect(const TZrHiMetric &Map) const { return Map.LogicalToDeviceRect(Rect()); }
  // Whether the device rectangle lies within the printable area.
  bool FitsPage(const TZrHiMetric &Map) const;
  // Whether it is wider or taller than the printable area (only moving it
  // cannot help then).
  bool LargerThanPage(const TZrHiMetric &Map) const;
};

} // namespace facette
