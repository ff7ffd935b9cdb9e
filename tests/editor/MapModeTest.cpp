#include "editor/ZrMapMode.h"

#include <gtest/gtest.h>

namespace facette {
namespace {

TZrMapMode Zoom(int32_t Numerator, int32_t Denominator, int32_t OrgX = 0, int32_t OrgY = 0)
{
  TZrMapMode M;
  M.ViewportExtX = M.ViewportExtY = Numerator;
  M.WindowExtX = M.WindowExtY = Denominator;
  M.ViewportOrgX = OrgX;
  M.ViewportOrgY = OrgY;
  return M;
}

TEST(MapMode, NewMapModeIsTheIdentity)
{
  const TZrMapMode M;
  EXPECT_EQ(M.LogicalToDevice({-7, 12}), (TZrPoint{-7, 12}));
  EXPECT_EQ(M.DeviceToLogical({-7, 12}), (TZrPoint{-7, 12}));
}

// Conversions round down after dividing, also left of and above the
// origin, where truncation would land one pixel off.
TEST(MapMode, FractionalZoomsRoundDown)
{
  struct Case
  {
    int32_t N, D, OrgX, OrgY, WindowOrg;
    TZrPoint Logical, Device; // LogicalToDevice(Logical) = Device
    TZrPoint Back;            // DeviceToLogical(Device)
  };
  const Case Cases[] = {
      // 75%, scrolled left by 10 and centred down by 5.
      {3, 4, -10, 5, 0, {5, 5}, {-7, 8}, {4, 4}},
      {3, 4, -10, 5, 0, {-1, -1}, {-11, 4}, {-2, -2}},
      {3, 4, -10, 5, 0, {4, 0}, {-7, 5}, {4, 0}},
      // 150%: pixel 1 starts on window pixel 1, which converts back to 0.
      {3, 2, 0, 0, 0, {1, 1}, {1, 1}, {0, 0}},
      {3, 2, 0, 0, 0, {-1, 3}, {-2, 4}, {-2, 2}},
      // 1/7 with a logical origin of 3.
      {1, 7, 0, 0, 3, {10, 9}, {1, 0}, {10, 3}},
      {1, 7, 0, 0, 3, {2, -4}, {-1, -1}, {-4, -4}},
      // 2/3.
      {2, 3, 0, 0, 0, {4, 5}, {2, 3}, {3, 4}},
      // 8/1 with an offset.
      {8, 1, 100, -40, 0, {3, -2}, {124, -56}, {3, -2}},
  };
  for (const Case &C : Cases) {
    TZrMapMode M = Zoom(C.N, C.D, C.OrgX, C.OrgY);
    M.WindowOrgX = M.WindowOrgY = C.WindowOrg;
    SCOPED_TRACE(testing::Message()
                 << C.N << "/" << C.D << " (" << C.Logical.X << ", " << C.Logical.Y << ")");
    EXPECT_EQ(M.LogicalToDevice(C.Logical), C.Device);
    EXPECT_EQ(M.DeviceToLogical(C.Device), C.Back);
  }
}

TEST(MapMode, RectanglesConvertEdgeByEdge)
{
  const TZrMapMode M = Zoom(3, 4, 2, -3);
  EXPECT_EQ(M.LogicalToDeviceRect(MakeRect(1, 1, 5, 6)), MakeRect(2, -3, 5, 1));
  EXPECT_EQ(M.LogicalToDeviceRect(MakeRect(-3, -3, 0, 0)), MakeRect(-1, -6, 2, -3));
}

TEST(MapMode, HugeCoordinatesSaturateInsteadOfOverflowing)
{
  const TZrMapMode M = Zoom(16, 1);
  EXPECT_EQ(M.LogicalToDeviceX(INT32_MAX), INT32_MAX);
  EXPECT_EQ(M.LogicalToDeviceX(INT32_MIN), INT32_MIN);
}

} // namespace
} // namespace facette
