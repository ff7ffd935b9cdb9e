// The text and adjustment tools through the real program: demo scripts
// played with facette --demo, the saved pixels checked.
#include "e2e/DemoRun.h"

#include "imaging/ZrBitmap.h"

#include <gtest/gtest.h>

namespace facette::e2e {
namespace {

TEST(AdjustmentEndToEnd, BrightnessOnAllChannelsSavesTheTablesResult)
{
  TDemoRun Run;
  const TDemoRunResult Result = Run.PlayScript("Adjustment\n"
                                               "AdjustmentBrightness\n"
                                               "AdjustmentAll 1\n"
                                               "AdjustmentRed 10\n"
                                               "AdjustmentStart\n"
                                               "AdjustmentFinishing\n",
                                               {.Image = SamplePortrait(), .SaveAs = "out.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  TRgbImage Before, After;
  ASSERT_TRUE(LoadRgbImage(SamplePortrait(), Before));
  ASSERT_TRUE(LoadRgbImage(Result.Saved, After));
  ASSERT_EQ(After.Width, Before.Width);
  ASSERT_EQ(After.Height, Before.Height);
  // +10 adds 5.1 * 10 = 51 to every channel, up to 255.
  for (int Y = 0; Y < Before.Height; ++Y)
    for (int X = 0; X < Before.Width; ++X)
      for (int C = 0; C < 3; ++C)
        ASSERT_EQ(After.At(X, Y)[C], ByteRound(Before.At(X, Y)[C] + 51.0))
            << X << "," << Y << " channel " << C;
}

// Types the demonstration's word, draws its rectangle from (100, 150) to
// (400, 260) and clicks outside it.
constexpr const char *PlaceText = "SetMinViewSize 600, 560\n"
                                  "Text\n"
                                  "TextColor 16777215\n"
                                  "TextFontSize 72\n"
                                  "TextMemoYalta\n"
                                  "MouseTo Image, 100, 150\n"
                                  "MouseDown\n"
                                  "MouseMove Image, 400, 260\n"
                                  "MouseUp\n"
                                  "MouseClick Image, 450, 450\n";

TEST(TextEndToEnd, AConfirmedTextChangesItsRectangleOnlyAndUndoRestoresIt)
{
  TRgbImage Before;
  ASSERT_TRUE(LoadRgbImage(SamplePortrait(), Before));
  {
    TDemoRun Run;
    const TDemoRunResult Result =
        Run.PlayScript(PlaceText, {.Image = SamplePortrait(), .SaveAs = "text.png"});
    ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
    TRgbImage After;
    ASSERT_TRUE(LoadRgbImage(Result.Saved, After));
    const TImageDifference D = CompareImages(Before, After);
    EXPECT_GT(D.Count, 1000) << "the letters are drawn";
    EXPECT_TRUE(D.Within(100, 150, 400, 260))
        << D.Left << "," << D.Top << " - " << D.Right << "," << D.Bottom;
  }
  TDemoRun Run;
  const TDemoRunResult Result = Run.PlayScript(std::string(PlaceText) + "Undo\n",
                                               {.Image = SamplePortrait(), .SaveAs = "undone.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  TRgbImage Undone;
  ASSERT_TRUE(LoadRgbImage(Result.Saved, Undone));
  EXPECT_EQ(CompareImages(Before, Undone).Count, 0);
}

TEST(TextAndAdjustmentEndToEnd, TheShippedDemonstrationsPlayToTheEnd)
{
  for (const char *Name : {"Text.dsc", "Adjustment.dsc"}) {
    TDemoRun Run;
    const TDemoRunResult Result = Run.Play(ShippedDemo(Name), {.SaveAs = "out.png"});
    EXPECT_EQ(Result.ExitCode, 0) << Name << ": " << Result.StdErr;
  }
}

} // namespace
} // namespace facette::e2e
