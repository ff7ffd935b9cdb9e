// End-to-end runs of the real program: plays a demo script with
//
//   facette --demo SCRIPT --demo-speed N [--save-as OUT] [IMAGE]
//
// on the offscreen platform (a 1280 x 1024 screen, so that a 512-pixel
// photo shows at 100%), in a temporary folder of its own that also holds
// the run's settings (XDG_CONFIG_HOME), so runs never touch the user's
// settings or each other's. The interface language is English.
//
// Example (a test in tests/e2e/, built into facette_e2e_tests):
//
//   #include "e2e/DemoRun.h"
//
//   TEST(BlemishEndToEnd, AStrokeRemovesTheSpot)
//   {
//     using namespace facette::e2e;
//     TDemoRun Run;
//     const TDemoRunResult Result = Run.PlayScript(
//         "SetMinViewSize 600, 560\n"          // the photo at 100 %
//         "Blemish\n"                          // the tool, by its demo name
//         "BlemishSize 20\n"                   // one of its commands
//         "MouseTo Image, 200, 120\n"          // jump to image pixel (200, 120)
//         "MouseDown\n"
//         "#EACH 0 MouseMove 210,125 220,130\n" // a move to each image point
//         "MouseUp\n",
//         {.Image = SamplePortrait(), .SaveAs = "out.png"});
//     ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
//     TRgbImage Before, After;
//     ASSERT_TRUE(LoadRgbImage(SamplePortrait(), Before));
//     ASSERT_TRUE(LoadRgbImage(Result.Saved, After));
//     const TImageDifference D = CompareImages(Before, After);
//     EXPECT_GT(D.Count, 0);
//     EXPECT_TRUE(D.Within(180, 100, 250, 160)); // left, top, right, bottom
//   }
//
// Script lines address image pixels through the target "Image, x, y" (the
// point of the image under the current view); the editor shows the image
// at 100% whenever it fits the view. The window opens at its designed
// size, where the tool panel leaves a view of about 250 x 380 pixels:
// scripts that name image points first grow it with "SetMinViewSize w, h"
// (or open their image with "ImageOpen file, w, h"); the 1280 x 1024
// screen holds views up to about 1000 x 800 pixels. At speed 0 (the default here) every move is one
// jump, so a stroke stamps exactly at the points the script names: give
// each point of a path ("#EACH 0 MouseMove x1,y1 x2,y2 ..." expands to one
// "MouseMove Image, x, y" a point). "MouseDrag Image, x, y" presses, moves
// (one jump) and releases. Faster than 0, moves are animated in real time
// and the points a stroke passes vary from run to run. Exit codes: 0
// played (and saved), 1 script error, 2 save failed, 3 image not opened;
// -1 here when the program had to be killed after the time limit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace facette::e2e {

// The program under test, the source tree and the data the tests use.
std::filesystem::path FacetteProgram();
std::filesystem::path SourceDir();
std::filesystem::path SamplePortrait();                   // data/samples/portrait.png
std::filesystem::path ShippedDemo(std::string_view Name); // data/Demo/<Name>

struct TDemoRunOptions
{
  // The image opened before the script plays; none when empty.
  std::filesystem::path Image;
  // Where the image is saved when the script has played: a name inside the
  // run's folder, or an absolute path; the extension chooses the format.
  // No save when empty.
  std::string SaveAs;
  // --demo-speed: 0 makes moves jumps and skips pauses and messages.
  double Speed = 0;
  // The program's own limit (--demo-timeout); the harness kills it ten
  // seconds after that.
  int TimeoutSeconds = 60;
  // Further arguments, after the others.
  std::vector<std::string> Arguments;
  // Environment variables set for the run (after the harness's own).
  std::vector<std::pair<std::string, std::string>> Environment;
};

struct TDemoRunResult
{
  // The exit code; -1 when the program did not start or was killed.
  int ExitCode = -1;
  bool TimedOut = false;
  // What the program wrote, without the platform's notes.
  std::string StdOut;
  std::string StdErr;
  // The absolute path given to --save-as; empty without a save.
  std::filesystem::path Saved;
};

class TDemoRun
{
public:
  TDemoRun();
  ~TDemoRun();
  TDemoRun(const TDemoRun &) = delete;
  TDemoRun &operator=(const TDemoRun &) = delete;

  // The run's temporary folder (removed with the object); the program runs
  // in it.
  const std::filesystem::path &Folder() const { return Folder_; }
  // The settings file a run would write (it never should).
  std::filesystem::path SettingsFile() const;

  // Writes a demo file into the folder. Text without a section header is
  // taken as the lines of the script.
  std::filesystem::path WriteScript(std::string_view Name, std::string_view Text);
  // Plays a demo file.
  TDemoRunResult Play(const std::filesystem::path &Script, const TDemoRunOptions &Options = {});
  // Writes the lines as a script and plays it.
  TDemoRunResult PlayScript(std::string_view Lines, const TDemoRunOptions &Options = {});
  // Runs the program with exactly these arguments in the run's folder and
  // environment (plus Environment), killing it after KillAfterSeconds.
  TDemoRunResult Execute(const std::vector<std::string> &Arguments, int KillAfterSeconds = 70,
                         const std::vector<std::pair<std::string, std::string>> &Environment = {});

private:
  std::filesystem::path Folder_;
  int Scripts = 0;
};

// An image as rows of RGB bytes.
struct TRgbImage
{
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;
  const uint8_t *At(int X, int Y) const
  {
    return Pixels.data() + (static_cast<size_t>(Y) * static_cast<size_t>(Width) + X) * 3;
  }
  friend bool operator==(const TRgbImage &, const TRgbImage &) = default;
};

// Reads an image file with the program's own loaders (JPEG, PNG, TIFF,
// BMP); false, with the reason in Error, when it cannot be read.
bool LoadRgbImage(const std::filesystem::path &File, TRgbImage &Image,
                  std::string *Error = nullptr);

struct TImageDifference
{
  bool SameSize = true;
  // How many pixels differ, and the rectangle around them (right and
  // bottom exclusive; empty when none differ).
  int Count = 0;
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  // The largest difference of one channel.
  int MaxDelta = 0;
  // Whether every differing pixel lies in the rectangle (right and bottom
  // exclusive).
  bool Within(int RectLeft, int RectTop, int RectRight, int RectBottom) const;
};
TImageDifference CompareImages(const TRgbImage &A, const TRgbImage &B);

} // namespace facette::e2e
