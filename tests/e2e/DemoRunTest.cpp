// The program run from the command line with a demo script, end to end.
#include "e2e/DemoRun.h"

#include "imaging/ZrGraphicsFormats.h"
#include "imaging/ZrGraphicsImage.h"
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace facette::e2e {
namespace {

TRgbImage Load(const std::filesystem::path &File)
{
  TRgbImage Image;
  std::string Error;
  EXPECT_TRUE(LoadRgbImage(File, Image, &Error)) << File << ": " << Error;
  return Image;
}

// A smudge stroke on the cheek from (186, 118) to (226, 138), brush 16,
// through four points on the way: at speed 0 each move is one jump, and
// the brush stamps where the pointer lands. The window first grows until
// the photo shows at 100 % (the tool panel takes room of its own).
constexpr const char *SmudgeStroke = "SetMinViewSize 600, 560\n"
                                     "Smudge\n"
                                     "SmudgeSize 16\n"
                                     "MouseTo Image, 186, 118\n"
                                     "MouseDown\n"
                                     "#EACH 0 MouseMove 196,123 206,128 216,133 226,138\n"
                                     "MouseUp\n";
// Around that stroke: half the brush and a pixel for rounding.
constexpr int StrokeLeft = 186 - 8 - 1, StrokeTop = 118 - 8 - 1;
constexpr int StrokeRight = 226 + 8 + 2, StrokeBottom = 138 + 8 + 2;

TEST(DemoRunEndToEnd, ASmudgeStrokeChangesThePhotoOnlyAroundTheStroke)
{
  TDemoRun Run;
  const TDemoRunResult Result =
      Run.PlayScript(SmudgeStroke, {.Image = SamplePortrait(), .SaveAs = "smudged.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  EXPECT_EQ(Result.StdErr, "");
  const TImageDifference D = CompareImages(Load(SamplePortrait()), Load(Result.Saved));
  EXPECT_GT(D.Count, 100);
  EXPECT_TRUE(D.Within(StrokeLeft, StrokeTop, StrokeRight, StrokeBottom))
      << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
  // The run left the settings alone.
  EXPECT_FALSE(std::filesystem::exists(Run.SettingsFile()));
}

TEST(DemoRunEndToEnd, UndoSavesTheOriginalPixelsBack)
{
  TDemoRun Run;
  const TDemoRunResult Result = Run.PlayScript(std::string(SmudgeStroke) + "Undo\n",
                                               {.Image = SamplePortrait(), .SaveAs = "undone.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  EXPECT_EQ(Load(Result.Saved), Load(SamplePortrait()));
}

TEST(DemoRunEndToEnd, TheShippedDemosPlay)
{
  TDemoRun Run;
  const TRgbImage Sample = Load(SamplePortrait());
  // The smudge demo opens the sample itself and softens a line on the
  // cheek.
  TDemoRunResult Result = Run.Play(ShippedDemo("Smudge.dsc"), {.SaveAs = "smudge.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  const TImageDifference D = CompareImages(Sample, Load(Result.Saved));
  EXPECT_GT(D.Count, 100);
  EXPECT_TRUE(D.Within(160, 95, 235, 160))
      << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
  // The undo brush demo smudges the hair, then paints the original back
  // over the whole stroke.
  std::ifstream File(ShippedDemo("UndoBrush.dsc"), std::ios::binary);
  const std::string Text((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
  const size_t UndoBrush = Text.find("#USE UndoBrush");
  ASSERT_NE(UndoBrush, std::string::npos);
  Result = Run.Play(Run.WriteScript("smudged-hair.dsc", Text.substr(0, UndoBrush)),
                    {.SaveAs = "smudged-hair.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  EXPECT_GT(CompareImages(Sample, Load(Result.Saved)).Count, 100);
  Result = Run.Play(ShippedDemo("UndoBrush.dsc"), {.SaveAs = "undo-brush.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  EXPECT_EQ(Load(Result.Saved), Sample);
  // Opening and zooming (through the buttons and the commands) changes no
  // pixel.
  Result = Run.Play(ShippedDemo("OpenAndZoom.dsc"), {.SaveAs = "open-and-zoom.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  EXPECT_EQ(Result.StdErr, "");
  EXPECT_EQ(Load(Result.Saved), Sample);
}

TEST(DemoRunEndToEnd, ExitCodesAndReasons)
{
  TDemoRun Run;
  const std::filesystem::path Missing = Run.Folder() / "missing.png";
  struct TCase
  {
    const char *Script;
    TDemoRunOptions Options;
    int ExitCode;
    std::string Reason;
  };
  const TCase Cases[] = {
      {"Pause 0\nFrobnicate 3\n", {}, 1, ":3: Unknown command: \"FROBNICATE\""},
      {"Pause 1-2\n", {}, 1, ":2: Invalid number: 1-2"},
      {"MouseClick NoSuchButton\n", {}, 1, ":2: Invalid arguments."},
      {"#FOR 0 Size 1 5 0\n", {}, 1, ":2: A step of 0 never ends"},
      {"ImageOpen \"nothing here.png\"\n", {}, 1, ":2: Cannot open the file."},
      {"Pause 30\n", {.Speed = 1, .TimeoutSeconds = 1}, 1, "did not end within 1 seconds"},
      {"ZoomIn\n", {.Image = Missing}, 3, "cannot open"},
      {"ZoomIn\n",
       {.Image = SamplePortrait(), .SaveAs = (Run.Folder() / "no folder" / "out.png").string()},
       2,
       "cannot save"},
      {"ZoomIn\n", {.Image = SamplePortrait(), .SaveAs = "out.gif"}, 2, "names no image format"},
      {"ZoomIn\n", {.SaveAs = "out.png"}, 2, "there is no image"},
  };
  for (const TCase &Case : Cases) {
    const TDemoRunResult Result = Run.PlayScript(Case.Script, Case.Options);
    EXPECT_FALSE(Result.TimedOut) << Case.Script;
    EXPECT_EQ(Result.ExitCode, Case.ExitCode) << Case.Script << Result.StdErr;
    EXPECT_NE(Result.StdErr.find(Case.Reason), std::string::npos) << Case.Script << "\n"
                                                                  << Result.StdErr;
  }

  const TDemoRunResult NoScript = Run.Execute({"--demo", "no such script.dsc"});
  EXPECT_EQ(NoScript.ExitCode, 1);
  EXPECT_NE(NoScript.StdErr.find("no such script.dsc: cannot read the demo file"),
            std::string::npos);
  const TDemoRunResult BadSpeed = Run.Execute({"--demo", "x.dsc", "--demo-speed", "fast"});
  EXPECT_EQ(BadSpeed.ExitCode, 1);
  const TDemoRunResult Help = Run.Execute({"--help"});
  EXPECT_EQ(Help.ExitCode, 0);
  for (const char *Option : {"--demo <file>", "--demo-speed <n>", "--save-as <file>"})
    EXPECT_NE(Help.StdOut.find(Option), std::string::npos) << Option;
}

TEST(DemoRunEndToEnd, AJpegKeepsTheQualityOfItsOriginalOrTakes90)
{
  const auto Quality = [](const std::filesystem::path &File) {
    std::vector<uint8_t> Bytes;
    EXPECT_TRUE(ReadFileBytes(File, Bytes));
    return EstimateJPEGQuality(Bytes.data(), Bytes.size());
  };
  const auto Subsampling = [](const std::filesystem::path &File) {
    std::vector<uint8_t> Bytes;
    EXPECT_TRUE(ReadFileBytes(File, Bytes));
    TZrJPEGHeader Header;
    EXPECT_TRUE(ReadJPEGHeader(Bytes.data(), Bytes.size(), Header));
    return Header.Subsampling;
  };
  // The sample as a JPEG of quality 60 with full colour resolution, which
  // the program's default (90, 4:2:0) would not give.
  TDemoRun Run;
  const std::filesystem::path Jpeg = Run.Folder() / "sixty.jpg";
  {
    TZrGraphicsFormats Formats;
    TZrGraphicsImage Sample;
    int32_t Format = 0;
    ASSERT_TRUE(Formats.LoadImage(Sample, SamplePortrait(), Format));
    std::vector<uint8_t> Bytes;
    ASSERT_TRUE(EncodeJPEG(*Sample.Image.GetPixels(), 60, js444, Bytes));
    ASSERT_TRUE(WriteFileAtomic(Jpeg, Bytes.data(), Bytes.size()));
  }
  ASSERT_EQ(Quality(Jpeg), 60);
  ASSERT_EQ(Subsampling(Jpeg), js444);
  TDemoRunResult Result = Run.PlayScript(SmudgeStroke, {.Image = Jpeg, .SaveAs = "from-jpeg.jpg"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  EXPECT_EQ(Quality(Result.Saved), Quality(Jpeg));
  EXPECT_EQ(Subsampling(Result.Saved), Subsampling(Jpeg));

  Result = Run.PlayScript(SmudgeStroke, {.Image = SamplePortrait(), .SaveAs = "from-png.JPG"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  EXPECT_EQ(Quality(Result.Saved), 90);
  EXPECT_EQ(Subsampling(Result.Saved), js420);
}

} // namespace
} // namespace facette::e2e
