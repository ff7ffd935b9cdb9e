#include "tools/brush/ZrBrushMasks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace facette {
namespace {

// The mask as rows of '#' (Value), '.' (0) and '?' (anything else).
std::vector<std::string> Picture(const TZrPixelMask &Mask, uint8_t Value)
{
  std::vector<std::string> Rows;
  for (int32_t Y = 0; Y < Mask.Height; ++Y) {
    std::string Row;
    for (int32_t X = 0; X < Mask.Width; ++X) {
      const uint8_t M = Mask.Bits[static_cast<size_t>(Y * Mask.Width + X)];
      Row += M == Value ? '#' : M == 0 ? '.' : '?';
    }
    Rows.push_back(Row);
  }
  return Rows;
}

uint8_t At(const TZrPixelMask &Mask, int32_t X, int32_t Y)
{
  return *Mask.PixelPtr(X, Y);
}

// The soft disc written out plainly: every pixel on its own, the distance
// and ramp as the brush defines them.
uint8_t SoftDiscValue(int32_t Size, int32_t Peak, int32_t Hardness, int32_t DX, int32_t DY)
{
  const double R = Size / 2.0;
  const double Outer = R + 0.5;
  const double Inner = R - R * (1 - Hardness / 255.0) - 0.5;
  const double D = std::sqrt(DX * DX + DY * DY);
  if (D > Outer)
    return 0;
  if (D < Inner)
    return static_cast<uint8_t>(Peak);
  return static_cast<uint8_t>(std::nearbyint((Outer - D) / (Outer - Inner) * Peak));
}

TEST(BrushRect, OddSideAroundTheCentre)
{
  EXPECT_EQ(BrushRect({100, 50}, 10), MakeRect(95, 45, 106, 56));
  EXPECT_EQ(BrushRect({100, 50}, 11), MakeRect(95, 45, 106, 56));
  EXPECT_EQ(BrushRect({0, 0}, 1), MakeRect(0, 0, 1, 1));
  EXPECT_EQ(BrushRect({-3, 7}, 64), MakeRect(-35, -25, 30, 40));
  EXPECT_EQ(BrushSide(10), 11);
  EXPECT_EQ(BrushSide(11), 11);
  EXPECT_EQ(BrushSide(1), 1);
}

TEST(BuildDiscs, SizesTenAndElevenGiveTheSameSquare)
{
  for (int32_t Size : {10, 11}) {
    TZrPixelMask Soft, Hard, Power;
    BuildSoftDisc(Soft, Size, 255, 128);
    BuildHardDisc(Hard, Size, 255);
    BuildPowerDisc(Power, Size, 255, 160);
    for (const TZrPixelMask *M : {&Soft, &Hard, &Power})
      EXPECT_EQ(M->GetBounds(), MakeRect(0, 0, 11, 11)) << Size;
  }
}

TEST(BuildDiscs, OnePixelBrush)
{
  for (int32_t Peak : {0, 1, 100, 255})
    for (int32_t Hardness : {0, 128, 255}) {
      TZrPixelMask Soft;
      BuildSoftDisc(Soft, 1, Peak, Hardness);
      ASSERT_EQ(Soft.GetBounds(), MakeRect(0, 0, 1, 1));
      EXPECT_EQ(Soft.Bits[0], 255) << Peak << " " << Hardness;
    }
  TZrPixelMask Hard, Power;
  BuildHardDisc(Hard, 1, 77);
  BuildPowerDisc(Power, 1, 99, 160);
  EXPECT_EQ(Hard.Bits[0], 77);
  EXPECT_EQ(Power.Bits[0], 99);
}

TEST(BuildHardDisc, Shapes)
{
  TZrPixelMask Mask;
  BuildHardDisc(Mask, 5, 200);
  EXPECT_EQ(Picture(Mask, 200), (std::vector<std::string>{
                                    ".###.",
                                    "#####",
                                    "#####",
                                    "#####",
                                    ".###.",
                                }));
  // Round((5 + 0.1)^2) = 26: row offsets 1 to 5 reach 5, 4, 4, 3 and 1.
  BuildHardDisc(Mask, 10, 255);
  EXPECT_EQ(Picture(Mask, 255), (std::vector<std::string>{
                                    "....###....",
                                    "..#######..",
                                    ".#########.",
                                    ".#########.",
                                    "###########",
                                    "###########",
                                    "###########",
                                    ".#########.",
                                    ".#########.",
                                    "..#######..",
                                    "....###....",
                                }));
  BuildHardDisc(Mask, 2, 9);
  EXPECT_EQ(Picture(Mask, 9), (std::vector<std::string>{".#.", "###", ".#."}));
}

TEST(BuildSoftDisc, MatchesThePlainFormula)
{
  for (int32_t Size : {2, 3, 7, 10, 25, 64})
    for (int32_t Peak : {255, 127, 30})
      for (int32_t Hardness : {0, 1, 128, 191, 254, 255}) {
        TZrPixelMask Mask;
        BuildSoftDisc(Mask, Size, Peak, Hardness);
        const int32_t H = Size / 2;
        for (int32_t Y = 0; Y < Mask.Height; ++Y)
          for (int32_t X = 0; X < Mask.Width; ++X)
            ASSERT_EQ(At(Mask, X, Y), SoftDiscValue(Size, Peak, Hardness, X - H, Y - H))
                << Size << " " << Peak << " " << Hardness << " at " << X << "," << Y;
      }
}

TEST(BuildSoftDisc, HardAndSoftEdges)
{
  TZrPixelMask Mask;
  // Hardness 255: flat out to 4.5, then one pixel of fall; at distance 5
  // exactly half of 255 is left, 127.5, which rounds to the even 128.
  BuildSoftDisc(Mask, 10, 255, 255);
  EXPECT_EQ(At(Mask, 5, 5), 255);
  EXPECT_EQ(At(Mask, 9, 5), 255);
  EXPECT_EQ(At(Mask, 10, 5), 128);
  EXPECT_EQ(At(Mask, 0, 5), 128);
  EXPECT_EQ(At(Mask, 10, 6), 102); // distance sqrt(26): 0.401 x 255
  EXPECT_EQ(At(Mask, 0, 0), 0);
  // Hardness 0: a linear fall from the middle over 6 pixels.
  BuildSoftDisc(Mask, 10, 255, 0);
  EXPECT_EQ(At(Mask, 5, 5), 234); // 5.5 / 6 x 255 = 233.75
  EXPECT_EQ(At(Mask, 6, 5), 191); // 4.5 / 6 x 255 = 191.25
  // Lower opacity scales the whole disc.
  BuildSoftDisc(Mask, 10, 100, 255);
  EXPECT_EQ(At(Mask, 5, 5), 100);
  EXPECT_EQ(At(Mask, 10, 5), 50);
}

TEST(BuildPowerDisc, Profile)
{
  TZrPixelMask Mask;
  // Steepness 16: 1 - g, falling to 0 at the rim.
  BuildPowerDisc(Mask, 10, 255, 16);
  EXPECT_EQ(At(Mask, 5, 5), 255);
  EXPECT_EQ(At(Mask, 7, 5), 153); // g = 0.4
  EXPECT_EQ(At(Mask, 5, 8), 102); // g = 0.6
  EXPECT_EQ(At(Mask, 10, 5), 0);  // g = 1
  EXPECT_EQ(At(Mask, 9, 8), 0);   // g = 1
  // Steepness 160: 1 - g^10, flat top and a steep rim.
  BuildPowerDisc(Mask, 10, 255, 160);
  EXPECT_EQ(At(Mask, 7, 5), 255); // 0.4^10 is tiny
  EXPECT_EQ(At(Mask, 9, 5), 228); // 1 - 0.8^10 = 0.8926
  EXPECT_EQ(At(Mask, 10, 5), 0);
  // The four quadrants mirror each other.
  for (int32_t Y = 0; Y < 11; ++Y)
    for (int32_t X = 0; X < 11; ++X) {
      ASSERT_EQ(At(Mask, X, Y), At(Mask, 10 - X, Y));
      ASSERT_EQ(At(Mask, X, Y), At(Mask, X, 10 - Y));
    }
}

TEST(GrowStrokeMask, ALongStrokeGrowsItsMaskAFewTimesOnly)
{
  TZrPixelMask Stamp, Plain, Grown;
  BuildSoftDisc(Stamp, 20, 255, 128);
  const TZrRect Limit = MakeRect(-21, -21, 1021, 621);
  int Growths = 0;
  for (int32_t Step = 0; Step < 300; ++Step) {
    // Out and back: right and down, then left and up past the start.
    const int32_t T = Step < 200 ? Step : 199 - 3 * (Step - 200);
    const TZrRect R = BrushRect({300 + 3 * T, 200 + T}, 20);
    Stamp.Left = R.Left;
    Stamp.Top = R.Top;
    Plain.MergeMax(Stamp);
    const TZrRect Before = Grown.GetBounds();
    GrowStrokeMask(Grown, R, Limit);
    Grown.MergeMax(Stamp);
    Growths += Grown.GetBounds() != Before;
  }
  EXPECT_LE(Growths, 16);
  // The same values where the plain mask has them, nothing elsewhere.
  const TZrRect G = Grown.GetBounds();
  ASSERT_EQ(IntersectRect(G, Plain.GetBounds()), Plain.GetBounds());
  for (int32_t Y = G.Top; Y < G.Bottom; ++Y)
    for (int32_t X = G.Left; X < G.Right; ++X) {
      const uint8_t *P = Plain.PixelPtr(X, Y);
      ASSERT_EQ(*Grown.PixelPtr(X, Y), P ? *P : 0) << X << "," << Y;
    }
  // Never past the limit.
  EXPECT_EQ(IntersectRect(G, Limit), G);
}

TEST(BlendColour, PaintsThroughTheMask)
{
  TZrPixelBuffer Source, Dest;
  Source.Allocate(pf24bit, Bounds(10, 20, 4, 1));
  Dest.Allocate(pf24bit, Bounds(10, 20, 4, 1));
  const uint8_t Start[4][3] = {{100, 101, 1}, {100, 101, 1}, {100, 101, 1}, {100, 101, 1}};
  for (int32_t X = 0; X < 4; ++X)
    for (int C = 0; C < 3; ++C) {
      Source.PixelPtr(10 + X, 20)[C] = Start[X][C];
      Dest.PixelPtr(10 + X, 20)[C] = 7;
    }
  TZrPixelMask Mask;
  Mask.SetBounds(10, 20, 4, 1);
  Mask.Bits = {0, 255, 128, 1};
  // Colour: blue 0, green 0, red 200.
  BlendColour(Mask, Source, 200 << 16, Mask.GetBounds(), Dest);
  const uint8_t *P = Dest.PixelPtr(10, 20);
  // Mask 0 leaves the destination alone.
  EXPECT_EQ(P[0], 7);
  EXPECT_EQ(P[2], 7);
  // 255: the colour.
  EXPECT_EQ(P[3], 0);
  EXPECT_EQ(P[4], 0);
  EXPECT_EQ(P[5], 200);
  // 128: half way, rounded towards minus infinity (101 -> 50, not 51).
  EXPECT_EQ(P[6], 50);
  EXPECT_EQ(P[7], 50);
  EXPECT_EQ(P[8], 100); // 1 + (128 x 199) >> 8 = 1 + 99
  // 1: -1 >> 8 is -1, so even the smallest weight moves a channel.
  EXPECT_EQ(P[9], 99);
  EXPECT_EQ(P[11], 1);
}

TEST(BlendColour, StaysInsideTheWindows)
{
  TZrPixelBuffer Source, Dest;
  Source.Allocate(pf24bit, Bounds(0, 0, 3, 3));
  Dest.Allocate(pf24bit, Bounds(0, 0, 3, 3));
  TZrPixelMask Mask;
  BuildHardDisc(Mask, 9, 255);
  Mask.Left = Mask.Top = -3; // reaching past every side of the 3 x 3 window
  BlendColour(Mask, Source, 0xFFFFFF, MakeRect(-10, -10, 10, 10), Dest);
  for (int32_t Y = 0; Y < 3; ++Y)
    for (int32_t X = 0; X < 3; ++X)
      EXPECT_EQ(Dest.PixelPtr(X, Y)[1], 255);
}

} // namespace
} // namespace facette
