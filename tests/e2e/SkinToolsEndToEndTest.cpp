// The blemish remover, the anti-aging and the emphasis brush played end to
// end on the sample portrait.
#include "e2e/DemoRun.h"

#include "imaging/ZrBitmap.h"
#include "tools/skin/ZrFrequencyRange.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace facette::e2e {
namespace {

TRgbImage Load(const std::filesystem::path &File)
{
  TRgbImage Image;
  std::string Error;
  EXPECT_TRUE(LoadRgbImage(File, Image, &Error)) << File << ": " << Error;
  return Image;
}

// The window grows until a photo of the sample's size shows at 100 %, so
// that every named image point is a pixel of its own.
constexpr const char *FullSize = "SetMinViewSize 600, 560\n";

// The shipped demo playing on the photo a test hands it: the line that
// opens its own photo only makes the window large enough.
std::string ShippedScriptOnGivenPhoto(std::string_view Name)
{
  std::ifstream File(ShippedDemo(Name), std::ios::binary);
  std::istringstream Text(
      std::string((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>()));
  std::string Body, Line;
  while (std::getline(Text, Line))
    Body += Line.rfind("ImageOpen", 0) == 0 ? std::string(FullSize) : Line + "\n";
  return Body;
}

// Paints a disc of one colour into Image.
void Paint(TRgbImage &Image, int CX, int CY, int Radius, uint8_t R, uint8_t G, uint8_t B)
{
  for (int Y = CY - Radius; Y <= CY + Radius; ++Y)
    for (int X = CX - Radius; X <= CX + Radius; ++X)
      if ((X - CX) * (X - CX) + (Y - CY) * (Y - CY) <= Radius * Radius) {
        uint8_t *P = &Image.Pixels[(static_cast<size_t>(Y) * Image.Width + X) * 3];
        P[0] = R;
        P[1] = G;
        P[2] = B;
      }
}

// Writes Image as a 24-bit BMP (bottom-up rows of blue, green, red).
std::filesystem::path WriteBmp(const std::filesystem::path &File, const TRgbImage &Image)
{
  const int RowBytes = (Image.Width * 3 + 3) / 4 * 4;
  const uint32_t Size = 54 + static_cast<uint32_t>(RowBytes) * Image.Height;
  std::string Bytes(Size, '\0');
  const auto Put = [&Bytes](size_t At, uint32_t Value, int Count) {
    for (int I = 0; I < Count; ++I)
      Bytes[At + I] = static_cast<char>((Value >> (8 * I)) & 0xFF);
  };
  Bytes[0] = 'B';
  Bytes[1] = 'M';
  Put(2, Size, 4);
  Put(10, 54, 4);
  Put(14, 40, 4);
  Put(18, static_cast<uint32_t>(Image.Width), 4);
  Put(22, static_cast<uint32_t>(Image.Height), 4);
  Put(26, 1, 2);
  Put(28, 24, 2);
  for (int Y = 0; Y < Image.Height; ++Y)
    for (int X = 0; X < Image.Width; ++X) {
      const uint8_t *P = Image.At(X, Y);
      const size_t At = 54 + static_cast<size_t>(Image.Height - 1 - Y) * RowBytes + 3 * X;
      Bytes[At] = static_cast<char>(P[2]);
      Bytes[At + 1] = static_cast<char>(P[1]);
      Bytes[At + 2] = static_cast<char>(P[0]);
    }
  std::ofstream(File, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Size));
  return File;
}

struct TDisc
{
  int X, Y, Radius;
  bool Contains(int PX, int PY) const
  {
    return (PX - X) * (PX - X) + (PY - Y) * (PY - Y) <= Radius * Radius;
  }
};

// The mean colour of the pixels for which Inside holds.
template <class TInside> std::array<double, 3> Mean(const TRgbImage &Image, const TInside &Inside)
{
  std::array<double, 3> Sum{};
  int Count = 0;
  for (int Y = 0; Y < Image.Height; ++Y)
    for (int X = 0; X < Image.Width; ++X)
      if (Inside(X, Y)) {
        for (int C = 0; C < 3; ++C)
          Sum[C] += Image.At(X, Y)[C];
        ++Count;
      }
  for (double &S : Sum)
    S /= std::max(Count, 1);
  return Sum;
}

// How far the spot's colour lies from the skin around it.
double SpotContrast(const TRgbImage &Image, const TDisc &Spot)
{
  const TDisc Around{Spot.X, Spot.Y, Spot.Radius + 7};
  const TDisc Near{Spot.X, Spot.Y, Spot.Radius + 4};
  const auto In = Mean(Image, [&](int X, int Y) { return Spot.Contains(X, Y); });
  const auto Out =
      Mean(Image, [&](int X, int Y) { return Around.Contains(X, Y) && !Near.Contains(X, Y); });
  double Sum = 0;
  for (int C = 0; C < 3; ++C)
    Sum += std::abs(In[C] - Out[C]);
  return Sum;
}

TEST(SkinToolsEndToEnd, TheBlemishRemoverTakesASpotOffTheCheek)
{
  TDemoRun Run;
  TRgbImage Spotted = Load(SamplePortrait());
  const TDisc Spot{200, 128, 4};
  Paint(Spotted, Spot.X, Spot.Y, Spot.Radius, 74, 42, 30);
  const std::filesystem::path Photo = WriteBmp(Run.Folder() / "spotted.bmp", Spotted);

  // The shipped demonstration, on the spotted photo: the blemish remover
  // is chosen, sized 14, clicked on the spot, moved over the skin below it
  // and clicked again.
  const TDemoRunResult Result =
      Run.Play(Run.WriteScript("blemish.dsc", ShippedScriptOnGivenPhoto("HandInpainting.dsc")),
               {.Image = Photo, .SaveAs = "mended.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  const TRgbImage Mended = Load(Result.Saved);
  const double Before = SpotContrast(Spotted, Spot);
  const double After = SpotContrast(Mended, Spot);
  EXPECT_GT(Before, 200);
  EXPECT_LT(After, 0.15 * Before) << "before " << Before << ", after " << After;
  // Only the defect's square changed: 14 pixels wide, its top-left 7
  // pixels up and left of the click.
  const TImageDifference D = CompareImages(Spotted, Mended);
  EXPECT_GT(D.Count, 0);
  EXPECT_TRUE(D.Within(193, 121, 207, 135))
      << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
}

TEST(SkinToolsEndToEnd, AFreshStartHasTheBlemishRemoverInHand)
{
  // No tool is chosen and no settings exist: a click on the spot and one on
  // the skin below it mend the spot with the blemish remover's default
  // brush of 25.
  TDemoRun Run;
  TRgbImage Spotted = Load(SamplePortrait());
  const TDisc Spot{200, 128, 4};
  Paint(Spotted, Spot.X, Spot.Y, Spot.Radius, 74, 42, 30);
  const TDemoRunResult Result = Run.PlayScript(
      std::string(FullSize) + "MouseTo Image, 200, 128\n"
                              "MouseClick\n"
                              "MouseTo Image, 200, 160\n"
                              "MouseClick\n",
      {.Image = WriteBmp(Run.Folder() / "spotted.bmp", Spotted), .SaveAs = "mended.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  const TRgbImage Mended = Load(Result.Saved);
  EXPECT_LT(SpotContrast(Mended, Spot), 0.15 * SpotContrast(Spotted, Spot));
  const TImageDifference D = CompareImages(Spotted, Mended);
  EXPECT_TRUE(D.Within(187, 115, 212, 140))
      << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
  EXPECT_FALSE(std::filesystem::exists(Run.SettingsFile()));
}

// The detail between the scales 1 and 6 on the pixels of the discs: the
// mean size of a channel's difference between the two blurs.
double BandDetail(const TRgbImage &Image, const std::vector<TDisc> &Discs)
{
  TZrPixelBuffer Pixels;
  Pixels.Allocate(pf24bit, Bounds(0, 0, Image.Width, Image.Height));
  for (int Y = 0; Y < Image.Height; ++Y)
    std::memcpy(Pixels.PixelPtr(0, Y), Image.At(0, Y), static_cast<size_t>(Image.Width) * 3);
  TFrequencyRange Range;
  Range.Prepare(Pixels, 1, 6);
  double Sum = 0;
  int Count = 0;
  for (int Y = 0; Y < Image.Height; ++Y)
    for (int X = 0; X < Image.Width; ++X)
      for (const TDisc &Disc : Discs)
        if (Disc.Contains(X, Y)) {
          for (int C = 0; C < 3; ++C)
            Sum += std::abs(Range.LowA().PixelPtr(X, Y)[C] - Range.LowB().PixelPtr(X, Y)[C]);
          ++Count;
          break;
        }
  return Sum / std::max(Count, 1);
}

TEST(SkinToolsEndToEnd, AntiAgingLowersTheDetailUnderTheStrokeAndEmphasisRaisesIt)
{
  TDemoRun Run;
  const TRgbImage Sample = Load(SamplePortrait());
  // A press at (190, 124) and a release at (214, 132) over the cheek with
  // a brush of 30: played as jumps, the stroke is a stamp at each end,
  // full strength within 6 pixels of each.
  const std::vector<TDisc> Stamped = {{190, 124, 6}, {214, 132, 6}};
  const double Original = BandDetail(Sample, Stamped);
  for (const char *Tool : {"AntiAging", "Emphasis"}) {
    SCOPED_TRACE(Tool);
    const std::string Name(Tool);
    const TDemoRunResult Result =
        Run.PlayScript(FullSize + Name + "\n" + Name + "Size 30\n" + Name + "Naturalness 1\n" +
                           Name + "Smoothing 6\n" +
                           "MouseTo Image, 190, 124\n"
                           "MouseDrag Image, 214, 132\n",
                       {.Image = SamplePortrait(), .SaveAs = Name + ".png"});
    ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
    const TRgbImage Painted = Load(Result.Saved);
    const double Detail = BandDetail(Painted, Stamped);
    if (Name == "AntiAging")
      EXPECT_LT(Detail, 0.6 * Original) << Original << " -> " << Detail;
    else
      EXPECT_GT(Detail, 1.4 * Original) << Original << " -> " << Detail;
    // Nothing beyond the two brush squares changed.
    const TImageDifference D = CompareImages(Sample, Painted);
    EXPECT_GT(D.Count, 500);
    EXPECT_TRUE(D.Within(175, 109, 230, 148))
        << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
  }
}

TEST(SkinToolsEndToEnd, TheShippedDemosPlay)
{
  TDemoRun Run;
  const TRgbImage Sample = Load(SamplePortrait());
  // Each opens the sample itself and changes it only around its stroke.
  const struct
  {
    const char *Demo;
    int Left, Top, Right, Bottom;
  } Demos[] = {
      {"AntiAging.dsc", 160, 95, 245, 165},
      {"Emphasis.dsc", 170, 80, 275, 130},
      {"HandInpainting.dsc", 193, 121, 207, 135},
  };
  for (const auto &Demo : Demos) {
    SCOPED_TRACE(Demo.Demo);
    const TDemoRunResult Result =
        Run.Play(ShippedDemo(Demo.Demo), {.SaveAs = std::string(Demo.Demo) + ".png"});
    ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
    const TImageDifference D = CompareImages(Sample, Load(Result.Saved));
    EXPECT_GT(D.Count, 0);
    EXPECT_TRUE(D.Within(Demo.Left, Demo.Top, Demo.Right, Demo.Bottom))
        << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
  }
}

} // namespace
} // namespace facette::e2e
