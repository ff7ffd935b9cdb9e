// Conversion between logical coordinates (image pixels, in a view) and
// device coordinates (window client pixels). ViewportExt / WindowExt is the
// scale, ViewportOrg the device position of the logical WindowOrg.
#pragma once

#include "framework/ZrTypes.h"

#include <cstdint>

namespace facette {

class TZrMapMode
{
public:
  int32_t WindowOrgX = 0;
  int32_t WindowOrgY = 0;
  int32_t WindowExtX = 1;
  int32_t WindowExtY = 1;
  int32_t ViewportOrgX = 0;
  int32_t ViewportOrgY = 0;
  int32_t ViewportExtX = 1;
  int32_t ViewportExtY = 1;

  TZrMapMode() = default;
  virtual ~TZrMapMode() = default;
  TZrMapMode(const TZrMapMode &) = default;
  TZrMapMode &operator=(const TZrMapMode &) = default;

  // Both conversions divide in floating point and then round down, so a
  // point left of the origin lands on the pixel left of it (never on the
  // pixel at the origin, as truncation would).
  TZrPoint DeviceToLogical(TZrPoint P) const;
  TZrPoint LogicalToDevice(TZrPoint P) const;
  // Each edge converted as a point.
  TZrRect LogicalToDeviceRect(const TZrRect &R) const;

  // One axis of the above.
  int32_t DeviceToLogicalX(int32_t X) const;
  int32_t DeviceToLogicalY(int32_t Y) const;
  int32_t LogicalToDeviceX(int32_t X) const;
  int32_t LogicalToDeviceY(int32_t Y) const;
};

// The window area to repaint when the pixels of ImageRect changed: its
// device rectangle grown by one pixel on every side, which also covers the
// window pixels that show a changed image pixel only in part (zoomed out)
// or whose edge rounding moved (zoomed in by a fraction).
TZrRect ImageRectToWindow(const TZrMapMode &MapMode, const TZrRect &ImageRect);

} // namespace facette
