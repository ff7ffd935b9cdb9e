#include "tools/makeup/ZrMakeUpSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace facette {
namespace {

constexpr int32_t Red200 = 200 << 16; // R * 65536 + G * 256 + B

void Fill(TZrPixelBuffer &B, uint8_t Blue, uint8_t Green, uint8_t Red)
{
  for (int32_t Y = B.Top; Y < B.Top + B.Height; ++Y)
    for (int32_t X = B.Left; X < B.Left + B.Width; ++X) {
      uint8_t *P = B.PixelPtr(X, Y);
      P[0] = Blue;
      P[1] = Green;
      P[2] = Red;
    }
}

void FillRandom(TZrPixelBuffer &B, std::mt19937 &Rng)
{
  for (int32_t Y = 0; Y < B.Height; ++Y)
    for (int32_t X = 0; X < B.Width * 3; ++X)
      B.Bits[Y * B.Stride + X] = static_cast<uint8_t>(Rng());
}

struct TScene
{
  TZrPixelBuffer Backup, Image;
  TZrPixelMask Mask;
  TZrMakeUpDetail Detail;

  TScene(int32_t W, int32_t H)
  {
    Backup.Allocate(pf24bit, Bounds(0, 0, W, H));
    Image.Allocate(pf24bit, Bounds(0, 0, W, H));
    Mask.SetBounds(0, 0, W, H);
  }
  void SetMask(uint8_t Value) { std::fill(Mask.Bits.begin(), Mask.Bits.end(), Value); }
  void Apply(int32_t Colour, int32_t Mode, bool KeepTexture)
  {
    ApplyColour(Backup.GetBounds(), Backup, Mask, Detail, Colour, Mode, KeepTexture, Image);
  }
  const uint8_t *At(int32_t X, int32_t Y) const { return Image.PixelPtr(X, Y); }
};

// One pixel as the brush colours it, step by step in single precision.
void ReferencePixel(const uint8_t *P, const float *Detail, uint8_t W, int32_t Colour, int32_t Mode,
                    bool KeepTexture, uint8_t *Out)
{
  float D[3] = {0, 0, 0};
  if (Mode == 0 && KeepTexture)
    std::copy(Detail, Detail + 3, D);
  float B[3], C[3], T[3];
  for (int I = 0; I < 3; ++I)
    B[I] = static_cast<float>(P[I]) - D[I];
  C[0] = static_cast<float>(Colour & 255);
  C[1] = static_cast<float>((Colour >> 8) & 255);
  C[2] = static_cast<float>((Colour >> 16) & 255);
  for (int I = 0; I < 3; ++I)
    T[I] = C[I];
  if (Mode == 2) {
    float M = std::max({C[0], C[1], C[2]});
    if (M < 1)
      M = 1;
    const float Bright = std::max({B[0], B[1], B[2]});
    for (int I = 0; I < 3; ++I)
      T[I] = C[I] * Bright / M;
  }
  for (int I = 0; I < 3; ++I) {
    float Diff = T[I] - B[I];
    float Scaled = (static_cast<float>(W) / 255.0f) * Diff;
    float Sum = B[I] + Scaled;
    Out[I] = ByteRound(Sum + D[I]);
  }
}

TEST(MakeUpColour, FullMaskExamples)
{
  struct Case
  {
    const char *Name;
    uint8_t Pixel[3]; // blue, green, red
    int32_t Colour;
    int32_t Mode;
    uint8_t Expected[3];
  } Cases[] = {
      {"normal lays the colour", {10, 20, 30}, 0x405060, NormalMode, {0x60, 0x50, 0x40}},
      {"luminosity: white under red", {255, 255, 255}, Red200, LuminosityMode, {0, 0, 255}},
      {"luminosity: colour scaled to brightness", {0, 100, 0}, Red200, LuminosityMode, {0, 0, 100}},
      {"luminosity: black colour gives black", {90, 120, 200}, 0, LuminosityMode, {0, 0, 0}},
  };
  for (const Case &C : Cases) {
    TScene S(3, 2);
    Fill(S.Backup, C.Pixel[0], C.Pixel[1], C.Pixel[2]);
    S.SetMask(255);
    S.Apply(C.Colour, C.Mode, false);
    for (int I = 0; I < 3; ++I)
      EXPECT_EQ(S.At(1, 1)[I], C.Expected[I]) << C.Name << " channel " << I;
  }
}

TEST(MakeUpColour, KeepTextureAddsTheDetailToTheColour)
{
  TScene S(24, 20);
  std::mt19937 Rng(5);
  FillRandom(S.Backup, Rng);
  S.Detail.BuildDetail(S.Backup);
  S.SetMask(255);
  const int32_t Colour = 0xF0A010; // red 240 so that detail pushes past 255
  S.Apply(Colour, NormalMode, true);
  int32_t Clamped = 0;
  for (int32_t Y = 0; Y < 20; ++Y)
    for (int32_t X = 0; X < 24; ++X) {
      float D[3];
      S.Detail.At(X, Y, D);
      const float C[3] = {0x10, 0xA0, 0xF0};
      for (int I = 0; I < 3; ++I) {
        const double Ideal = std::clamp(C[I] + D[I], 0.0f, 255.0f);
        EXPECT_NEAR(S.At(X, Y)[I], Ideal, 1.0) << X << "," << Y;
        Clamped += C[I] + D[I] > 255.5f && S.At(X, Y)[I] == 255;
      }
    }
  EXPECT_GT(Clamped, 0);
}

TEST(MakeUpColour, MatchesTheStepByStepColouringOnRandomInputs)
{
  std::mt19937 Rng(9);
  TScene S(37, 29);
  FillRandom(S.Backup, Rng);
  S.Detail.BuildDetail(S.Backup);
  for (int Round = 0; Round < 12; ++Round) {
    for (uint8_t &M : S.Mask.Bits)
      M = Rng() % 3 == 0 ? 0 : static_cast<uint8_t>(Rng());
    const int32_t Colour = Round == 0 ? 0 : static_cast<int32_t>(Rng() & 0xFFFFFF);
    const int32_t Mode = Round % 2 == 0 ? NormalMode : LuminosityMode;
    const bool Keep = Round % 4 < 2;
    FillRandom(S.Image, Rng);
    TZrPixelBuffer Before;
    Before.Allocate(pf24bit, S.Image.GetBounds());
    Before.CopyFrom(S.Image);
    const TZrRect Rect = MakeRect(3, 2, 30, 27);
    ApplyColour(Rect, S.Backup, S.Mask, S.Detail, Colour, Mode, Keep, S.Image);
    for (int32_t Y = 0; Y < 29; ++Y)
      for (int32_t X = 0; X < 37; ++X) {
        uint8_t Expected[3];
        const uint8_t W = *S.Mask.PixelPtr(X, Y);
        if (!Rect.Contains(X, Y) || W == 0) {
          std::copy(Before.PixelPtr(X, Y), Before.PixelPtr(X, Y) + 3, Expected);
        } else {
          float D[3];
          S.Detail.At(X, Y, D);
          ReferencePixel(S.Backup.PixelPtr(X, Y), D, W, Colour, Mode, Keep, Expected);
        }
        for (int I = 0; I < 3; ++I)
          ASSERT_EQ(S.At(X, Y)[I], Expected[I]) << "round " << Round << " at " << X << "," << Y;
      }
  }
}

TEST(MakeUpColour, LeavesPixelsAloneWhereItMustNotPaint)
{
  struct Case
  {
    const char *Name;
    int32_t Mode;
    uint8_t MaskValue;
    TZrRect MaskBounds;
  } Cases[] = {
      {"zero mask", NormalMode, 0, MakeRect(0, 0, 8, 8)},
      {"mask elsewhere", NormalMode, 255, MakeRect(20, 20, 30, 30)},
      {"empty mask", LuminosityMode, 255, MakeRect(0, 0, 0, 0)},
      {"a mode that does not paint", HueMode, 255, MakeRect(0, 0, 8, 8)},
      {"an unknown mode", 17, 255, MakeRect(0, 0, 8, 8)},
  };
  for (const Case &C : Cases) {
    TScene S(8, 8);
    Fill(S.Backup, 1, 2, 3);
    Fill(S.Image, 9, 9, 9);
    S.Mask.SetBounds(C.MaskBounds.Left, C.MaskBounds.Top, C.MaskBounds.Width(),
                     C.MaskBounds.Height());
    S.SetMask(C.MaskValue);
    S.Apply(0xFFFFFF, C.Mode, true);
    for (int32_t Y = 0; Y < 8; ++Y)
      for (int32_t X = 0; X < 8; ++X)
        EXPECT_EQ(S.At(X, Y)[0], 9) << C.Name;
  }
}

TEST(MakeUpColour, LuminosityWithBlackIsDefinedUnderAPartialMask)
{
  TScene S(4, 4);
  Fill(S.Backup, 40, 80, 240);
  S.SetMask(128);
  S.Apply(0x000000, LuminosityMode, true);
  // Half way towards black: 240 * (1 - 128/255) = 119.5...
  EXPECT_EQ(S.At(2, 2)[2], 120);
  EXPECT_EQ(S.At(2, 2)[0], 20);
}

TEST(MakeUpColour, DetailLayerOfAnotherImageIsNeverReadOutsideItself)
{
  // A stale layer from a smaller image: the pixels beyond it get no detail
  // instead of reading past the layer.
  TScene Small(6, 5);
  std::mt19937 Rng(2);
  FillRandom(Small.Backup, Rng);
  TScene S(30, 25);
  Small.Detail.BuildDetail(Small.Backup);
  Fill(S.Backup, 100, 100, 100);
  S.SetMask(255);
  ApplyColour(S.Backup.GetBounds(), S.Backup, S.Mask, Small.Detail, 0x336699, NormalMode, true,
              S.Image);
  EXPECT_EQ(S.At(20, 20)[0], 0x99);
  EXPECT_EQ(S.At(20, 20)[2], 0x33);
}

TEST(MakeUpColour, ModeNamesForRecording)
{
  EXPECT_STREQ(BlendModeName(NormalMode), "NormalMode");
  EXPECT_STREQ(BlendModeName(LuminosityMode), "LuminosityMode");
  EXPECT_STREQ(BlendModeName(SaturationMode), "SaturationMode");
  EXPECT_STREQ(BlendModeName(5), "");
}

} // namespace
} // namespace facette
