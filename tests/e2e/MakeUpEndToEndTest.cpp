// The make-up tools in the real program, through demo scripts played at
// speed 0 on the sample portrait.
#include "e2e/DemoRun.h"

#include "tools/brush/ZrBrushMasks.h"
#include "tools/makeup/ZrMakeUpPalette.h"
#include "tools/makeup/ZrMakeUpSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

namespace facette::e2e {
namespace {

TRgbImage Load(const std::filesystem::path &File)
{
  TRgbImage Image;
  std::string Error;
  EXPECT_TRUE(LoadRgbImage(File, Image, &Error)) << File << ": " << Error;
  return Image;
}

// The image as the program's 24-bit blue, green, red pixels.
void ToPixels(const TRgbImage &Image, TZrPixelBuffer &Pixels)
{
  Pixels.Allocate(pf24bit, Bounds(0, 0, Image.Width, Image.Height));
  for (int Y = 0; Y < Image.Height; ++Y)
    for (int X = 0; X < Image.Width; ++X) {
      const uint8_t *From = Image.At(X, Y);
      uint8_t *To = Pixels.PixelPtr(X, Y);
      To[0] = From[2];
      To[1] = From[1];
      To[2] = From[0];
    }
}

// A view large enough to show the portrait at 100 %.
constexpr const char *OneToOne = "SetMinViewSize 600, 560\n";

// A stroke through image points: the script lines and the stamps' squares.
struct TStroke
{
  std::vector<TZrPoint> Points;
  std::string Lines() const
  {
    std::ostringstream Text;
    Text << "MouseTo Image, " << Points[0].X << ", " << Points[0].Y
         << "\nMouseDown\n#EACH 0 MouseMove";
    for (size_t I = 1; I < Points.size(); ++I)
      Text << ' ' << Points[I].X << ',' << Points[I].Y;
    Text << "\nMouseUp\n";
    return Text.str();
  }
  // The distance of P from the nearest stamp centre.
  double Distance(int X, int Y) const
  {
    double Best = 1e9;
    for (TZrPoint P : Points)
      Best = std::min(Best, std::hypot(X - P.X, Y - P.Y));
    return Best;
  }
};

// Every point from (X0, Y) to (X1, Y) in steps of Step.
TStroke Line(int X0, int X1, int Y, int Step)
{
  TStroke S;
  for (int X = X0; X <= X1; X += Step)
    S.Points.push_back({X, Y});
  return S;
}

// The rectangle of the stamps' squares. The pointer may land a pixel
// beside the point a script names (the way from image to screen and back),
// so the rectangle is two pixels wider on every side, and the checks of a
// brush's middle keep two pixels from its edge.
TZrRect StampArea(const std::vector<TZrPoint> &Points, int32_t Size)
{
  TZrRect Area;
  for (TZrPoint P : Points)
    Area = UnionRect(Area, BrushRect(P, Size));
  return MakeRect(Area.Left - 2, Area.Top - 2, Area.Right + 2, Area.Bottom + 2);
}

TEST(MakeUpEndToEnd, ALipstickStrokeLaysItsColourAndKeepsTheFineDetail)
{
  // A broad stroke over the textured sleeve, so that the brush's flat
  // middle holds whole windows of the detail layer.
  const TStroke Stroke = Line(70, 130, 420, 5);
  TDemoRun Run;
  const TDemoRunResult Result = Run.PlayScript(
      std::string(OneToOne) +
          "Lipstick\nLipstickSize 40\nLipstickBrightness 190\nLipstickPalette 40,80\n" +
          Stroke.Lines(),
      {.Image = SamplePortrait(), .SaveAs = "lipstick.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  const TRgbImage Before = Load(SamplePortrait());
  const TRgbImage After = Load(Result.Saved);

  // Nothing changes beside the stroke.
  const TZrRect Area = StampArea(Stroke.Points, 40);
  const TImageDifference D = CompareImages(Before, After);
  EXPECT_GT(D.Count, 1000);
  EXPECT_TRUE(D.Within(Area.Left, Area.Top, Area.Right, Area.Bottom))
      << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;

  // The palette's colour there: red held at 190, the point (40, 80).
  TMakeUpPalette Palette(256, TMakeUpPalette::RedChannel, 128, {128, 128});
  Palette.SetBrightness(190);
  Palette.SetPoint({40, 80});
  const double Colour[3] = {Palette.Colour[2] * 1.0, Palette.Colour[1] * 1.0,
                            Palette.Colour[0] * 1.0}; // R, G, B

  TZrPixelBuffer BeforePixels, AfterPixels;
  ToPixels(Before, BeforePixels);
  ToPixels(After, AfterPixels);
  TZrMakeUpDetail DetailBefore, DetailAfter;
  DetailBefore.BuildDetail(BeforePixels);
  DetailAfter.BuildDetail(AfterPixels);

  // In the brush's flat middle (the hard core of a 40-pixel brush of
  // hardness 191) every pixel is moved 127/255 of the way from its base
  // (the pixel without its detail) to the colour, and gets its detail
  // back: the lipstick works at half strength after start-up.
  double DistanceBefore = 0, DistanceAfter = 0, DetailChange = 0, DetailSize = 0;
  int Core = 0;
  for (int Y = Area.Top; Y < Area.Bottom; ++Y)
    for (int X = Area.Left; X < Area.Right; ++X) {
      if (Stroke.Distance(X, Y) >= 12)
        continue;
      float DB[3], DA[3];
      DetailBefore.At(X, Y, DB);
      DetailAfter.At(X, Y, DA);
      for (int C = 0; C < 3; ++C) {
        const double P = Before.At(X, Y)[C];
        const double Base = P - DB[2 - C];
        const double Expected = Base + 127.0 / 255.0 * (Colour[C] - Base) + DB[2 - C];
        EXPECT_NEAR(After.At(X, Y)[C], std::clamp(Expected, 0.0, 255.0), 1.0)
            << X << "," << Y << " channel " << C;
        // The fine detail: where the whole window (8 to 9 pixels each way)
        // lies in the flat middle.
        if (std::abs(Y - 420) < 3 && X >= 81 && X <= 119) {
          DetailChange += std::abs(DA[2 - C] - DB[2 - C]);
          DetailSize += std::abs(DB[2 - C]);
        }
      }
      const auto Distance = [&Colour](const uint8_t *Pixel) {
        return std::hypot(Pixel[0] - Colour[0], Pixel[1] - Colour[1], Pixel[2] - Colour[2]);
      };
      DistanceBefore += Distance(Before.At(X, Y));
      DistanceAfter += Distance(After.At(X, Y));
      ++Core;
    }
  ASSERT_GT(Core, 1000);
  // Towards the colour: half of the way, less what the kept detail adds.
  EXPECT_LT(DistanceAfter, 0.75 * DistanceBefore);
  // The detail of the sleeve stays: laid flat, half of it would go.
  ASSERT_GT(DetailSize, 0);
  EXPECT_LT(DetailChange / DetailSize, 0.15);
}

TEST(MakeUpEndToEnd, TeethBleachingMovesEachPixelAtMost32Of255OfTheWayToWhite)
{
  const TStroke Stroke = Line(211, 235, 145, 2);
  TDemoRun Run;
  const TDemoRunResult Result =
      Run.PlayScript(std::string(OneToOne) + "TeethBleach\nTeethBleachSize 10\n" + Stroke.Lines(),
                     {.Image = SamplePortrait(), .SaveAs = "teeth.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  const TRgbImage Before = Load(SamplePortrait());
  const TRgbImage After = Load(Result.Saved);
  const TZrRect Area = StampArea(Stroke.Points, 10);
  const TImageDifference D = CompareImages(Before, After);
  EXPECT_GT(D.Count, 100);
  EXPECT_TRUE(D.Within(Area.Left, Area.Top, Area.Right, Area.Bottom));
  int AtFullStrength = 0;
  for (int Y = Area.Top; Y < Area.Bottom; ++Y)
    for (int X = Area.Left; X < Area.Right; ++X)
      for (int C = 0; C < 3; ++C) {
        const int P = Before.At(X, Y)[C];
        const int Q = After.At(X, Y)[C];
        const double Most = 32.0 / 255.0 * (255 - P);
        EXPECT_GE(Q, P) << X << "," << Y;
        EXPECT_LE(Q - P, Most + 0.5) << X << "," << Y;
        // In the brush's middle (within 2 pixels of a stamp's centre),
        // exactly that far: no texture is kept.
        if (Y == 145 && X >= 211 && X <= 235) {
          EXPECT_NEAR(Q - P, Most, 0.5)
              << X << "," << Y << " channel " << C << ": " << P << " -> " << Q;
          ++AtFullStrength;
        }
      }
  EXPECT_EQ(AtFullStrength, 25 * 3);
}

// The strokes of a shipped demonstration: the points between each
// MouseDown and MouseUp, and the brush size its "#SET ...Size" gives.
struct TDemoStrokes
{
  std::vector<TZrPoint> Points;
  int32_t Size = 10;
};

TDemoStrokes ReadStrokes(const std::filesystem::path &File)
{
  std::ifstream In(File, std::ios::binary);
  std::stringstream Text;
  Text << In.rdbuf();
  TDemoStrokes Strokes;
  const std::regex Move(R"(^Mouse(?:Curved)?Move Image, (-?\d+), (-?\d+))");
  const std::regex Size(R"(^#SET \w+Size (\d+))");
  std::string Line;
  TZrPoint Pointer;
  bool Down = false;
  while (std::getline(Text, Line)) {
    std::smatch M;
    if (std::regex_search(Line, M, Move)) {
      Pointer = {std::stoi(M[1]), std::stoi(M[2])};
      if (Down)
        Strokes.Points.push_back(Pointer);
    } else if (std::regex_search(Line, M, Size)) {
      Strokes.Size = std::stoi(M[1]);
    } else if (Line.rfind("MouseDown", 0) == 0 && !Down) {
      Down = true;
      Strokes.Points.push_back(Pointer);
    } else if (Line.rfind("MouseUp", 0) == 0) {
      Down = false;
    } else if (Line.rfind("#FINISH", 0) == 0) {
      break; // the original-image button's clicks paint nothing
    }
  }
  return Strokes;
}

TEST(MakeUpEndToEnd, TheShippedDemonstrationsPaintUnderTheirStrokesOnly)
{
  const TRgbImage Sample = Load(SamplePortrait());
  TDemoRun Run;
  for (const char *Name :
       {"Lipstick", "Powder", "Rouge", "EyeColor", "EyeShadow", "EyePencil", "TeethBleach"}) {
    SCOPED_TRACE(Name);
    const std::filesystem::path Script = ShippedDemo(std::string(Name) + ".dsc");
    const TDemoStrokes Strokes = ReadStrokes(Script);
    ASSERT_FALSE(Strokes.Points.empty());
    const TDemoRunResult Result = Run.Play(Script, {.SaveAs = std::string(Name) + ".png"});
    ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
    const TImageDifference D = CompareImages(Sample, Load(Result.Saved));
    const TZrRect Area = StampArea(Strokes.Points, Strokes.Size);
    EXPECT_GT(D.Count, 20);
    EXPECT_TRUE(D.Within(Area.Left, Area.Top, Area.Right, Area.Bottom))
        << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
  }
}

} // namespace
} // namespace facette::e2e
