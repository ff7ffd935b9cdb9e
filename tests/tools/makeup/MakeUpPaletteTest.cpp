#include "tools/makeup/ZrMakeUpPalette.h"

#include <gtest/gtest.h>

#include <cmath>

namespace facette {
namespace {

int32_t Rgb(int32_t R, int32_t G, int32_t B)
{
  return R << 16 | G << 8 | B;
}

// Counts the drawing hooks a window would get.
class TCountingPalette : public TMakeUpPalette
{
public:
  int32_t Palettes = 0, Swatches = 0, Crosses = 0;
  TCountingPalette() : TMakeUpPalette(256, 1, 128, {128, 128}) {}

protected:
  void DrawPalette() override { ++Palettes; }
  void PaintSwatch() override { ++Swatches; }
  void DrawCross() override { ++Crosses; }
};

TEST(MakeUpPalette, StartsOnTheRedPlaneAtHalfBrightness)
{
  TMakeUpPalette P(256, 1, 128, {128, 128});
  EXPECT_EQ(P.RenderedBrightness, 128);
  EXPECT_EQ(P.RenderedChannel, 1);
  // Row 128 and column 128 of a plane at 128: both axes at 128 * 128/255.
  const uint8_t Half = ByteRound(128 * (128.0 / 255));
  EXPECT_EQ(P.GetColour(), Rgb(128, Half, Half));
}

TEST(MakeUpPalette, SquareLayoutPerChannel)
{
  // Column i and row r at brightness 255: the free channels are i and r.
  struct Case
  {
    int32_t Channel;
    uint8_t Expected[3]; // blue, green, red at column 10, row 200
  } Cases[] = {{1, {200, 10, 255}}, {2, {10, 255, 200}}, {3, {255, 200, 10}}};
  for (const Case &C : Cases) {
    TMakeUpPalette P(256, C.Channel, 255, {0, 0});
    const uint8_t *Pixel = P.Bitmap.PixelPtr(10, 200);
    for (int I = 0; I < 3; ++I)
      EXPECT_EQ(Pixel[I], C.Expected[I]) << "channel " << C.Channel << " byte " << I;
  }
}

TEST(MakeUpPalette, SetColourFindsPlaneAndPoint)
{
  struct Case
  {
    const char *Name;
    int32_t StartChannel;
    int32_t Colour;
    int32_t Brightness, Channel;
    TZrPoint Point;
    int32_t ReadBack;
  } Cases[] = {
      {"(200, 100, 50) on red", 1, Rgb(200, 100, 50), 200, 1, {128, 64}, Rgb(200, 100, 50)},
      {"pure green while on red", 1, Rgb(0, 255, 0), 255, 2, {0, 0}, Rgb(0, 255, 0)},
      {"blue plane stays when blue is largest",
       3,
       Rgb(10, 20, 30),
       30,
       3,
       {85, 170},
       Rgb(10, 20, 30)},
      {"a tie keeps the current channel", 2, Rgb(90, 90, 30), 90, 2, {85, 255}, Rgb(90, 90, 30)},
      {"black", 1, 0, 0, 1, {0, 0}, 0},
  };
  for (const Case &C : Cases) {
    TMakeUpPalette P(256, C.StartChannel, 128, {5, 5});
    P.SetColour(C.Colour);
    EXPECT_EQ(P.Brightness, C.Brightness) << C.Name;
    EXPECT_EQ(P.Channel, C.Channel) << C.Name;
    EXPECT_EQ(P.Point, C.Point) << C.Name;
    EXPECT_EQ(P.GetColour(), C.ReadBack) << C.Name;
  }
}

TEST(MakeUpPalette, BlackRendersABlackSquare)
{
  TMakeUpPalette P(256, 1, 128, {128, 128});
  P.SetColour(0);
  for (int32_t Y = 0; Y < 256; Y += 15)
    for (int32_t X = 0; X < 256; X += 15)
      for (int I = 0; I < 3; ++I)
        ASSERT_EQ(P.Bitmap.PixelPtr(X, Y)[I], 0);
}

TEST(MakeUpPalette, FullBrightnessRendersAt255AndScalesTheColour)
{
  TMakeUpPalette P(256, 1, 128, {255, 255});
  P.SetFullBrightness(true);
  P.SetBrightness(100);
  EXPECT_EQ(P.DisplayBrightness(), 255);
  EXPECT_EQ(P.RenderedBrightness, 255);
  EXPECT_EQ(P.Bitmap.PixelPtr(255, 255)[2], 255);
  // The square shows white at (255, 255); the colour is scaled to 100.
  EXPECT_EQ(P.GetColour(), Rgb(100, 100, 100));
  // Picking a point takes the square's colour as it is.
  P.SetPoint({0, 0});
  EXPECT_EQ(P.GetColour(), Rgb(255, 0, 0));
  // SetColour in this mode lifts the brightness to 255.
  P.SetColour(Rgb(20, 40, 80));
  EXPECT_EQ(P.Brightness, 255);
  EXPECT_EQ(P.Channel, 3);
}

TEST(MakeUpPalette, SettersIgnoreWhatChangesNothing)
{
  TCountingPalette P;
  P.Palettes = P.Swatches = P.Crosses = 0;
  P.SetBrightness(128);
  P.SetChannel(1);
  P.SetChannel(4);
  P.SetPoint({128, 128});
  P.SetColour(P.GetColour());
  EXPECT_EQ(P.Palettes + P.Swatches + P.Crosses, 0);
  EXPECT_EQ(P.Channel, 1);

  P.SetPoint({3, 4});
  EXPECT_EQ(P.Crosses, 2) << "the old cross is erased, the new one drawn";
  EXPECT_EQ(P.Swatches, 1);
  EXPECT_EQ(P.Palettes, 0);

  P.SetBrightness(300);
  EXPECT_EQ(P.Brightness, 255);
  EXPECT_EQ(P.Palettes, 1);
  P.SetBrightness(-4);
  EXPECT_EQ(P.Brightness, 0);
}

TEST(MakeUpPalette, PointsOutsideTheSquareReadItsEdge)
{
  TMakeUpPalette P(16, 1, 255, {0, 0});
  P.SetPoint({300, -5});
  EXPECT_EQ(P.Point, (TZrPoint{300, -5}));
  uint8_t Edge[3];
  P.ReadPixel({15, 0}, Edge);
  EXPECT_EQ(P.Colour[0], Edge[0]);
  EXPECT_EQ(P.Colour[1], Edge[1]);
  EXPECT_EQ(P.Colour[2], Edge[2]);
}

} // namespace
} // namespace facette
