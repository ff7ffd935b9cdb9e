#include "editor/ZrZoom.h"

#include <gtest/gtest.h>

namespace facette {
namespace {

struct TStepCase
{
  TZrZoom Current;
  TZrZoom In;
  TZrZoom Out;
};

class ZoomStepTest : public testing::TestWithParam<TStepCase>
{};

TEST_P(ZoomStepTest, StepsToTheNextTableEntry)
{
  const TStepCase &C = GetParam();
  EXPECT_EQ(ZoomInFrom(C.Current), C.In);
  EXPECT_EQ(ZoomOutFrom(C.Current), C.Out);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZoomStepTest,
                         testing::Values(
                             // 100%: one step either way.
                             TStepCase{{1, 1}, {3, 2}, {3, 4}},
                             // The ends of the table stay where they are.
                             TStepCase{{16, 1}, {16, 1}, {12, 1}},
                             TStepCase{{1, 16}, {1, 12}, {1, 16}},
                             // A fitted 40% lies between 33% and 50%.
                             TStepCase{{400, 1000}, {1, 2}, {1, 3}},
                             // Beyond the table.
                             TStepCase{{40, 1}, {16, 1}, {16, 1}},
                             TStepCase{{1, 40}, {1, 16}, {1, 16}},
                             // 99.95% counts as 100% in thousandths.
                             TStepCase{{1999, 2000}, {3, 2}, {3, 4}},
                             // 1/7 and 1/6 are kept apart (142 and 167 thousandths).
                             TStepCase{{1, 7}, {1, 6}, {1, 8}}));

TEST(ZoomTest, BestFitIsExactAndFollowsTheTighterSide)
{
  TZrZoom Zoom;
  // Wider than the view relative to its height: the width decides.
  ASSERT_TRUE(BestFitZoom(3000, 2000, 800, 600, Zoom));
  EXPECT_EQ(Zoom, (TZrZoom{800, 3000}));
  // Taller: the height decides.
  ASSERT_TRUE(BestFitZoom(2000, 3000, 800, 600, Zoom));
  EXPECT_EQ(Zoom, (TZrZoom{600, 3000}));
  // Same aspect ratio: the height.
  ASSERT_TRUE(BestFitZoom(1600, 1200, 800, 600, Zoom));
  EXPECT_EQ(Zoom, (TZrZoom{600, 1200}));
  // A small image is enlarged to fit.
  ASSERT_TRUE(BestFitZoom(400, 300, 800, 600, Zoom));
  EXPECT_EQ(Zoom, (TZrZoom{600, 300}));
}

TEST(ZoomTest, FitOnOpenShowsImagesThatFitAtActualSize)
{
  TZrZoom Zoom;
  ASSERT_TRUE(FitOnOpenZoom(3000, 2000, 800, 600, Zoom));
  EXPECT_EQ(Zoom, (TZrZoom{800, 3000}));
  ASSERT_TRUE(FitOnOpenZoom(400, 300, 800, 600, Zoom));
  EXPECT_EQ(Zoom, (TZrZoom{1, 1}));
  ASSERT_TRUE(FitOnOpenZoom(800, 600, 800, 600, Zoom));
  EXPECT_EQ(Zoom, (TZrZoom{1, 1}));
  // One pixel too wide is enough to fit.
  ASSERT_TRUE(FitOnOpenZoom(801, 300, 800, 600, Zoom));
  EXPECT_EQ(Zoom, (TZrZoom{800, 801}));
}

TEST(ZoomTest, NothingToFitWithoutArea)
{
  TZrZoom Zoom{7, 3};
  EXPECT_FALSE(BestFitZoom(0, 100, 800, 600, Zoom));
  EXPECT_FALSE(BestFitZoom(100, 100, 800, 0, Zoom));
  EXPECT_FALSE(FitOnOpenZoom(100, 100, 0, 600, Zoom));
  EXPECT_EQ(Zoom, (TZrZoom{7, 3}));
}

} // namespace
} // namespace facette
