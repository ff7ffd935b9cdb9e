#include "editor/ZrMapMode.h"

#include <cmath>
#include <limits>

namespace facette {

namespace {

// Floor((Value - FromOrg) * ToExt / FromExt) + ToOrg, the division in
// floating point. A zero extent (never set by the program) maps everything
// onto the origin instead of producing an undefined conversion.
int32_t Map(int32_t Value, int32_t FromOrg, int32_t FromExt, int32_t ToOrg, int32_t ToExt)
{
  if (FromExt == 0)
    return ToOrg;
  const double Scaled = static_cast<double>(static_cast<int64_t>(Value) - FromOrg) *
                        static_cast<double>(ToExt) / static_cast<double>(FromExt);
  double Result = std::floor(Scaled) + static_cast<double>(ToOrg);
  constexpr double Lowest = std::numeric_limits<int32_t>::min();
  constexpr double Highest = std::numeric_limits<int32_t>::max();
  if (!(Result >= Lowest))
    Result = Lowest;
  else if (Result > Highest)
    Result = Highest;
  return static_cast<int32_t>(Result);
}

} // namespace

int32_t TZrMapMode::DeviceToLogicalX(int32_t X) const
{
  return Map(X, ViewportOrgX, ViewportExtX, WindowOrgX, WindowExtX);
}

int32_t TZrMapMode::DeviceToLogicalY(int32_t Y) const
{
  return Map(Y, ViewportOrgY, ViewportExtY, WindowOrgY, WindowExtY);
}

int32_t TZrMapMode::LogicalToDeviceX(int32_t X) const
{
  return Map(X, WindowOrgX, WindowExtX, ViewportOrgX, ViewportExtX);
}

int32_t TZrMapMode::LogicalToDeviceY(int32_t Y) const
{
  return Map(Y, WindowOrgY, WindowExtY, ViewportOrgY, ViewportExtY);
}

TZrPoint TZrMapMode::DeviceToLogical(TZrPoint P) const
{
  return TZrPoint{DeviceToLogicalX(P.X), DeviceToLogicalY(P.Y)};
}

TZrPoint TZrMapMode::LogicalToDevice(TZrPoint P) const
{
  return TZrPoint{LogicalToDeviceX(P.X), LogicalToDeviceY(P.Y)};
}

TZrRect TZrMapMode::LogicalToDeviceRect(const TZrRect &R) const
{
  return TZrRect{LogicalToDeviceX(R.Left), LogicalToDeviceY(R.Top), LogicalToDeviceX(R.Right),
                 LogicalToDeviceY(R.Bottom)};
}

TZrRect ImageRectToWindow(const TZrMapMode &MapMode, const TZrRect &ImageRect)
{
  if (ImageRect.IsEmpty())
    return {};
  const TZrRect R = MapMode.LogicalToDeviceRect(ImageRect);
  return TZrRect{R.Left - 1, R.Top - 1, R.Right + 1, R.Bottom + 1};
}

} // namespace facette
