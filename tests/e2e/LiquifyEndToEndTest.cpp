// The liquify tool through the real program: strokes played by demo
// scripts on the sample portrait, the saved pixels checked.
#include "e2e/DemoRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace facette::e2e {
namespace {

TRgbImage Load(const std::filesystem::path &File)
{
  TRgbImage Image;
  std::string Error;
  EXPECT_TRUE(LoadRgbImage(File, Image, &Error)) << File << ": " << Error;
  return Image;
}

struct TShift
{
  int X = 0, Y = 0;
};

// Where a feature of Before went in After: the patch of Before centred on
// (X, Y) (Half pixels each way) is looked for in After within Reach pixels
// of its place; the shift with the smallest sum of squared differences.
TShift FindFeature(const TRgbImage &Before, const TRgbImage &After, int X, int Y, int Half,
                   int Reach)
{
  TShift Best;
  int64_t BestSum = std::numeric_limits<int64_t>::max();
  for (int DY = -Reach; DY <= Reach; ++DY)
    for (int DX = -Reach; DX <= Reach; ++DX) {
      int64_t Sum = 0;
      for (int PY = Y - Half; PY <= Y + Half; ++PY)
        for (int PX = X - Half; PX <= X + Half; ++PX)
          for (int C = 0; C < 3; ++C) {
            const int D = Before.At(PX, PY)[C] - After.At(PX + DX, PY + DY)[C];
            Sum += D * D;
          }
      if (Sum < BestSum) {
        BestSum = Sum;
        Best = {DX, DY};
      }
    }
  return Best;
}

// The left eye (202, 100) and the middle of the smile (222, 145), each
// dragged 20 pixels by a warp stroke of a 60-pixel brush, are found again
// about 20 pixels further along (the pixel under the brush's centre goes
// the whole way, those around it a little less), and not moved across the
// stroke.
TEST(LiquifyEndToEnd, AWarpStrokeMovesAFeatureAlongIt)
{
  struct TCase
  {
    int X, Y, DX, DY;
  } const Cases[] = {{202, 100, 20, 0}, {222, 145, 0, 20}, {222, 145, -20, 0}};
  const TRgbImage Before = Load(SamplePortrait());
  TDemoRun Run;
  for (const TCase &Case : Cases) {
    // The window first grows until the photo shows at 100 %.
    const std::string Script = "SetMinViewSize 600, 560\n"
                               "Skewing\n"
                               "SkewingSize 60\n"
                               "SkewingWarp\n"
                               "MouseTo Image, " +
                               std::to_string(Case.X) + ", " + std::to_string(Case.Y) +
                               "\n"
                               "MouseDrag Image, " +
                               std::to_string(Case.X + Case.DX) + ", " +
                               std::to_string(Case.Y + Case.DY) +
                               "\n"
                               "SkewingOK\n";
    const TDemoRunResult Result =
        Run.PlayScript(Script, {.Image = SamplePortrait(), .SaveAs = "warped.png"});
    ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
    const TRgbImage After = Load(Result.Saved);
    const TShift Moved = FindFeature(Before, After, Case.X, Case.Y, 6, 26);
    EXPECT_NEAR(Moved.X, Case.DX, 1) << Case.X << ", " << Case.Y;
    EXPECT_NEAR(Moved.Y, Case.DY, 1) << Case.X << ", " << Case.Y;
    EXPECT_EQ(Case.DX == 0 ? Moved.X : Moved.Y, 0) << Case.X << ", " << Case.Y;
    // Nothing changes beyond the brush.
    const TImageDifference D = CompareImages(Before, After);
    EXPECT_TRUE(D.Within(Case.X + Case.DX - 31, Case.Y + Case.DY - 31, Case.X + Case.DX + 31,
                         Case.Y + Case.DY + 31))
        << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
  }
}

// Three strokes of the three effects, then "Cancel": the saved photo is
// the opened one, bit for bit.
TEST(LiquifyEndToEnd, CancelSavesTheOriginalPixels)
{
  TDemoRun Run;
  const TDemoRunResult Result =
      Run.PlayScript("Skewing\n"
                     "SkewingSize 80\n"
                     "MouseTo Image, 200, 100\n"
                     "MouseDrag Image, 230, 110\n"
                     "SkewingBloat\n"
                     "MouseTo Image, 246, 103\n"
                     "MouseDrag Image, 246, 160\n"
                     "SkewingPucker\n"
                     "MouseTo Image, 222, 145\n"
                     "MouseDrag Image, 300, 145\n"
                     "SkewingCancel\n",
                     {.Image = SamplePortrait(), .SaveAs = "cancelled.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  EXPECT_EQ(Load(Result.Saved), Load(SamplePortrait()));
}

// The shipped demonstration opens the sample itself, warps the left eye 12
// pixels to the left (60-pixel brush), bloats the right eye (40 pixels)
// and keeps the result.
TEST(LiquifyEndToEnd, TheShippedDemoPlays)
{
  TDemoRun Run;
  const TDemoRunResult Result = Run.Play(ShippedDemo("Liquify.dsc"), {.SaveAs = "liquify.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  const TRgbImage Before = Load(SamplePortrait());
  const TRgbImage After = Load(Result.Saved);
  const TShift Eye = FindFeature(Before, After, 202, 100, 6, 26);
  EXPECT_EQ(Eye.X, -12);
  EXPECT_EQ(Eye.Y, 0);
  // Both strokes stay within their brushes.
  const TImageDifference D = CompareImages(Before, After);
  EXPECT_GT(D.Count, 1000);
  EXPECT_TRUE(D.Within(160, 70, 265, 130))
      << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
}

} // namespace
} // namespace facette::e2e
