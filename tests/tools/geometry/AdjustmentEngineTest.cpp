#include "tools/geometry/ZrAdjustmentEngine.h"

#include "imaging/ZrHermiteKernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace facette {
namespace {

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

void FillRandom(TZrPixelBuffer &B, uint32_t Seed)
{
  std::mt19937 Rng(Seed);
  for (int32_t Y = 0; Y < B.Height; ++Y)
    for (int32_t X = 0; X < B.Width * 3; ++X)
      B.Bits[Y * B.Stride + X] = static_cast<uint8_t>(Rng());
}

TEST(AdjustmentEngine, BrightnessTables)
{
  struct Case
  {
    int32_t V;
    uint8_t In, Out;
  } Cases[] = {{10, 0, 51},  {10, 100, 151}, {10, 204, 255}, {10, 250, 255}, {-50, 255, 0},
               {-50, 17, 0}, {0, 77, 77},    {-10, 40, 0},   {-10, 100, 49}};
  for (const Case &C : Cases) {
    uint8_t Lut[256];
    BuildBrightnessLut(Lut, C.V);
    EXPECT_EQ(Lut[C.In], C.Out) << "brightness " << C.V << " at " << int(C.In);
  }
}

// ByteRound(i + V * 255 / 50) worked out in integers: (50 i + 255 V) / 50
// rounded half to even, clamped.
uint8_t ExactBrightness(int32_t I, int32_t V)
{
  const int32_t N = 50 * I + 255 * V;
  int32_t Q = N >= 0 ? N / 50 : -((-N + 49) / 50);
  const int32_t R = N - 50 * Q;
  if (R > 25 || (R == 25 && (Q & 1) != 0))
    ++Q;
  return static_cast<uint8_t>(std::clamp(Q, 0, 255));
}

TEST(AdjustmentEngine, BrightnessTablesAreExactForEverySliderValue)
{
  // Odd multiples of 5 put every sum on a half (k = 25.5 at 5), which
  // rounds to even: 0 + 25.5 gives 26, 1 + 25.5 gives 26, 2 + 25.5 gives 28.
  uint8_t Lut[256];
  BuildBrightnessLut(Lut, 5);
  EXPECT_EQ(Lut[0], 26);
  EXPECT_EQ(Lut[1], 26);
  EXPECT_EQ(Lut[2], 28);
  BuildBrightnessLut(Lut, -5);
  EXPECT_EQ(Lut[26], 0);
  EXPECT_EQ(Lut[27], 2);
  EXPECT_EQ(Lut[255], 230);
  for (int32_t V = -50; V <= 50; ++V) {
    BuildBrightnessLut(Lut, V);
    for (int32_t I = 0; I < 256; ++I)
      ASSERT_EQ(Lut[I], ExactBrightness(I, V)) << "value " << V << " at " << I;
  }
}

TEST(AdjustmentEngine, GammaTables)
{
  uint8_t Lut[256];
  BuildGammaLut(Lut, 0);
  for (int32_t I = 0; I < 256; ++I)
    ASSERT_EQ(Lut[I], I);
  BuildGammaLut(Lut, -50);
  EXPECT_EQ(Lut[128], 26);
  EXPECT_EQ(Lut[0], 0);
  EXPECT_EQ(Lut[255], 255);
  EXPECT_NEAR(GammaExponent(-50), 3.333, 1e-12);
  EXPECT_NEAR(GammaExponent(50), 0.3000300030003, 1e-12);
  BuildGammaLut(Lut, 50);
  EXPECT_EQ(Lut[128], 207) << "positive values lighten";
  EXPECT_EQ(Lut[64], 168);
  EXPECT_EQ(Lut[0], 0);
  EXPECT_EQ(Lut[255], 255);
}

TEST(AdjustmentEngine, ContrastPivotsOnTheMean)
{
  struct Case
  {
    int32_t V;
    float Mean;
    uint8_t In, Out;
  } Cases[] = {
      // -50: every value becomes the mean.
      {-50, 100.0f, 0, 100},
      {-50, 100.0f, 255, 100},
      {-50, 73.4f, 200, 73},
      // +50: a threshold at the mean.
      {50, 100.0f, 100, 0},
      {50, 100.0f, 101, 255},
      {50, 100.0f, 99, 0},
      {50, 100.5f, 100, 0},
      {50, 100.5f, 101, 255},
      // 0 changes nothing; the mean itself stays put.
      {0, 90.0f, 33, 33},
      {25, 128.0f, 128, 128},
      {-25, 64.0f, 64, 64},
  };
  for (const Case &C : Cases) {
    uint8_t Lut[256];
    BuildContrastLut(Lut, C.V, C.Mean);
    EXPECT_EQ(Lut[C.In], C.Out) << "contrast " << C.V << " mean " << C.Mean << " at " << int(C.In);
  }
}

TEST(AdjustmentEngine, LineTableOfANearlyVerticalLine)
{
  uint8_t Lut[256];
  BuildLineLut(Lut, {10, 0}, {10, 255});
  EXPECT_EQ(Lut[9], 0);
  EXPECT_EQ(Lut[10], 0);
  EXPECT_EQ(Lut[11], 255);
  BuildLineLut(Lut, {0, 255}, {255, 0});
  EXPECT_EQ(Lut[0], 255);
  EXPECT_EQ(Lut[200], 55);
}

TEST(AdjustmentEngine, ApplyLutsTouchesOnlyTheOverlap)
{
  TZrPixelBuffer Backup, Image;
  Backup.Allocate(pf24bit, Bounds(0, 0, 10, 8));
  Image.Allocate(pf24bit, Bounds(4, 3, 10, 8));
  Fill(Backup, 10, 20, 30);
  Fill(Image, 1, 1, 1);
  TZrAdjustmentEngine Engine;
  Engine.ApplyBrightness(Backup, Image, 1, 2, 3);
  // Blue + 15.3, green + 10.2, red + 5.1.
  EXPECT_EQ(Image.PixelPtr(5, 4)[0], 25);
  EXPECT_EQ(Image.PixelPtr(5, 4)[1], 30);
  EXPECT_EQ(Image.PixelPtr(5, 4)[2], 35);
  EXPECT_EQ(Image.PixelPtr(12, 9)[0], 1) << "outside the backup";
}

// The tables applied pixel by pixel.
void ReferenceLuts(const TZrPixels &Backup, TZrPixels &Image, const TZrAdjustmentEngine &Engine)
{
  for (int32_t Y = 0; Y < Backup.Height; ++Y)
    for (int32_t X = 0; X < Backup.Width; ++X) {
      const uint8_t *In = Backup.PixelPtr(X, Y);
      uint8_t *Out = Image.PixelPtr(X, Y);
      Out[0] = Engine.LutBlue[In[0]];
      Out[1] = Engine.LutGreen[In[1]];
      Out[2] = Engine.LutRed[In[2]];
    }
}

TEST(AdjustmentEngine, EveryPathAppliesTheTablesAlike)
{
  // Widths around the 64-pixel blocks of the vector path, a height large
  // enough for several threads, and the copy written in the same pass.
  TZrAdjustmentEngine Engine;
  for (int32_t I = 0; I < 256; ++I) {
    Engine.LutBlue[I] = static_cast<uint8_t>(255 - I);
    Engine.LutGreen[I] = static_cast<uint8_t>(I * 7 + 3);
    Engine.LutRed[I] = static_cast<uint8_t>(I / 3);
  }
  for (int32_t Width : {1, 63, 64, 65, 130, 1031}) {
    const int32_t Height = Width > 1000 ? 300 : 5;
    TZrPixelBuffer Backup, Expected, Image, Copy;
    Backup.Allocate(pf24bit, Bounds(0, 0, Width, Height));
    Expected.Allocate(pf24bit, Backup.GetBounds());
    FillRandom(Backup, static_cast<uint32_t>(Width));
    ReferenceLuts(Backup, Expected, Engine);
    for (bool Vectors : {true, false}) {
      EnableVectorKernels(Vectors);
      Image.Allocate(pf24bit, Backup.GetBounds());
      Copy.Allocate(pf24bit, Backup.GetBounds());
      Engine.ApplyLuts(Backup, Image, &Copy);
      for (int32_t Y = 0; Y < Height; ++Y)
        ASSERT_EQ(0, std::memcmp(Image.PixelPtr(0, Y), Expected.PixelPtr(0, Y),
                                 static_cast<size_t>(Width) * 3))
            << "width " << Width << " row " << Y << (Vectors ? " vectors" : " plain");
      for (int32_t Y = 0; Y < Height; ++Y)
        ASSERT_EQ(0, std::memcmp(Copy.PixelPtr(0, Y), Expected.PixelPtr(0, Y),
                                 static_cast<size_t>(Width) * 3));
    }
    EnableVectorKernels(true);
  }
}

TEST(AdjustmentEngine, ACopySmallerThanTheImageGetsItsPart)
{
  TZrPixelBuffer Backup, Image, Copy;
  Backup.Allocate(pf24bit, Bounds(0, 0, 9, 6));
  Image.Allocate(pf24bit, Backup.GetBounds());
  Copy.Allocate(pf24bit, Bounds(5, 2, 10, 10));
  Fill(Backup, 10, 20, 30);
  Fill(Copy, 1, 1, 1);
  TZrAdjustmentEngine Engine;
  Engine.Apply(atGamma, Backup, Image, 0, 0, 0, {}, &Copy);
  EXPECT_EQ(Copy.PixelPtr(5, 2)[2], 30);
  EXPECT_EQ(Copy.PixelPtr(8, 5)[0], 10);
  EXPECT_EQ(Copy.PixelPtr(9, 6)[0], 1) << "outside the image";
  Engine.Apply(atSaturation, Backup, Image, -50, -50, -50, {}, &Copy);
  EXPECT_EQ(Copy.PixelPtr(6, 3)[0], 30);
  EXPECT_EQ(Image.PixelPtr(0, 0)[0], 30);
}

TEST(AdjustmentEngine, ContrastUsesTheMeansOnceComputed)
{
  TZrPixelBuffer Backup, Image;
  Backup.Allocate(pf24bit, Bounds(0, 0, 4, 1));
  Image.Allocate(pf24bit, Bounds(0, 0, 4, 1));
  const uint8_t Values[4] = {0, 40, 60, 100};
  for (int32_t X = 0; X < 4; ++X)
    std::fill(Backup.PixelPtr(X, 0), Backup.PixelPtr(X, 0) + 3, Values[X]);
  TZrAdjustmentEngine Engine;
  EXPECT_TRUE(Engine.MeansPending);
  Engine.ApplyContrast(Backup, Image, -50, -50, -50);
  EXPECT_FALSE(Engine.MeansPending);
  EXPECT_EQ(Engine.MeanRed, 50.0f);
  EXPECT_EQ(Image.PixelPtr(3, 0)[2], 50);
  // A changed image keeps the old means until they are asked for again.
  Fill(Backup, 200, 200, 200);
  Engine.ApplyContrast(Backup, Image, -50, -50, -50);
  EXPECT_EQ(Image.PixelPtr(0, 0)[0], 50);
  Engine.MeansPending = true;
  Engine.ApplyContrast(Backup, Image, -50, -50, -50);
  EXPECT_EQ(Image.PixelPtr(0, 0)[0], 200);
}

TEST(AdjustmentEngine, MeansOfLargeImagesAreExact)
{
  // A single-precision running sum drifts once it is far larger than the
  // values it adds: 4 million pixels of 200 would come out near 192.
  TZrPixelBuffer Backup;
  Backup.Allocate(pf24bit, Bounds(0, 0, 2000, 2000));
  Fill(Backup, 200, 3, 77);
  float Drifting = 0;
  for (int32_t I = 0; I < 2000 * 2000; ++I)
    Drifting += 200.0f;
  ASSERT_NE(Drifting / (2000.0f * 2000.0f), 200.0f);
  TZrAdjustmentEngine Engine;
  Engine.ComputeMeans(Backup);
  EXPECT_EQ(Engine.MeanBlue, 200.0f);
  EXPECT_EQ(Engine.MeanGreen, 3.0f);
  EXPECT_EQ(Engine.MeanRed, 77.0f);
}

TEST(AdjustmentEngine, EmptyImagesChangeNothing)
{
  TZrPixelBuffer Empty, Image;
  Image.Allocate(pf24bit, Bounds(0, 0, 3, 3));
  Fill(Image, 5, 5, 5);
  TZrAdjustmentEngine Engine;
  Engine.ComputeMeans(Empty);
  EXPECT_EQ(Engine.MeanRed, 0.0f);
  Engine.ApplyContrast(Empty, Image, 20, 20, 20);
  Engine.ApplyGamma(Empty, Image, 20, 20, 20);
  ApplySaturation(Empty, Image, 50, 50, 50);
  EXPECT_EQ(Image.PixelPtr(1, 1)[0], 5);
}

// One pixel as the saturation step defines it.
void ReferenceSaturate(const uint8_t *In, const int32_t *Sliders, uint8_t *Out)
{
  std::copy(In, In + 3, Out);
  int32_t Wins[3] = {0, 0, 0};
  for (int A = 0; A < 3; ++A)
    for (int B = A + 1; B < 3; ++B)
      ++Wins[In[A] >= In[B] ? A : B];
  int32_t Max = -1, Mid = -1, Min = -1;
  for (int C = 0; C < 3; ++C)
    (Wins[C] == 2 ? Max : Wins[C] == 1 ? Mid : Min) = C;
  if (In[Max] == In[Min] || Sliders[Max] == 0)
    return;
  const double Hi = In[Max], Md = In[Mid], Lo = In[Min];
  const int32_t E = Sliders[Max];
  const double F = (Hi - Lo) / Hi;
  const double F2 = E < 0 ? F + F * E / 50 : F + E * (1 - F) / 50;
  const double N = (1 - F2) * Hi;
  Out[Mid] = static_cast<uint8_t>(std::nearbyint((N - Lo) * (Hi - Md) / (Hi - Lo) + Md));
  Out[Min] = static_cast<uint8_t>(std::nearbyint(N));
}

double Hue(const uint8_t *P)
{
  const double B = P[0], G = P[1], R = P[2];
  const double Max = std::max({R, G, B}), Min = std::min({R, G, B});
  if (Max == Min)
    return 0;
  double H;
  if (Max == R)
    H = (G - B) / (Max - Min);
  else if (Max == G)
    H = 2 + (B - R) / (Max - Min);
  else
    H = 4 + (R - G) / (Max - Min);
  return std::fmod(H * 60 + 360, 360);
}

TEST(AdjustmentEngine, SaturationExample)
{
  TZrPixelBuffer Backup, Image;
  Backup.Allocate(pf24bit, Bounds(0, 0, 2, 1));
  Image.Allocate(pf24bit, Bounds(0, 0, 2, 1));
  Fill(Backup, 50, 100, 200); // R 200, G 100, B 50
  for (int32_t Other : {0, 50, -50}) {
    ApplySaturation(Backup, Image, -50, Other, Other);
    EXPECT_EQ(Image.PixelPtr(1, 0)[0], 200) << "only the red slider matters";
    EXPECT_EQ(Image.PixelPtr(1, 0)[1], 200);
    EXPECT_EQ(Image.PixelPtr(1, 0)[2], 200);
  }
  // +50 drives the smallest channel to 0 and the middle one along.
  ApplySaturation(Backup, Image, 50, 0, 0);
  EXPECT_EQ(Image.PixelPtr(1, 0)[0], 0);
  EXPECT_EQ(Image.PixelPtr(1, 0)[1], 67);
  EXPECT_EQ(Image.PixelPtr(1, 0)[2], 200);
  // 0 on the largest channel's slider keeps the pixel.
  ApplySaturation(Backup, Image, 0, 50, -50);
  EXPECT_EQ(Image.PixelPtr(1, 0)[0], 50);
  EXPECT_EQ(Image.PixelPtr(1, 0)[1], 100);
  Fill(Backup, 90, 90, 90);
  ApplySaturation(Backup, Image, 50, 50, 50);
  EXPECT_EQ(Image.PixelPtr(0, 0)[1], 90) << "grey stays grey";
}

TEST(AdjustmentEngine, SaturationKeepsValueAndHue)
{
  TZrPixelBuffer Backup, Image;
  Backup.Allocate(pf24bit, Bounds(0, 0, 61, 43));
  Image.Allocate(pf24bit, Bounds(0, 0, 61, 43));
  FillRandom(Backup, 4);
  std::mt19937 Rng(8);
  for (int Round = 0; Round < 6; ++Round) {
    const int32_t Sliders[3] = {static_cast<int32_t>(Rng() % 101) - 50,
                                static_cast<int32_t>(Rng() % 101) - 50,
                                static_cast<int32_t>(Rng() % 101) - 50};
    ApplySaturation(Backup, Image, Sliders[2], Sliders[1], Sliders[0]);
    for (int32_t Y = 0; Y < 43; ++Y)
      for (int32_t X = 0; X < 61; ++X) {
        const uint8_t *In = Backup.PixelPtr(X, Y);
        const uint8_t *Out = Image.PixelPtr(X, Y);
        uint8_t Expected[3];
        ReferenceSaturate(In, Sliders, Expected);
        for (int C = 0; C < 3; ++C)
          ASSERT_EQ(Out[C], Expected[C]) << X << "," << Y;
        ASSERT_EQ(*std::max_element(Out, Out + 3), *std::max_element(In, In + 3));
        // Hue survives up to rounding, unless the result turned grey.
        const int32_t Spread = *std::max_element(Out, Out + 3) - *std::min_element(Out, Out + 3);
        if (Spread >= 20) {
          const double D = std::fabs(Hue(Out) - Hue(In));
          ASSERT_LT(std::min(D, 360 - D), 4.0) << X << "," << Y;
        }
      }
  }
}

TEST(AdjustmentEngine, SaturationOverALargeImageMatchesPixelByPixel)
{
  // Large enough to be split over threads; progress counts rows.
  TZrPixelBuffer Backup, Image;
  Backup.Allocate(pf24bit, Bounds(0, 0, 700, 500));
  Image.Allocate(pf24bit, Bounds(0, 0, 700, 500));
  FillRandom(Backup, 12);
  const int32_t Sliders[3] = {-20, 35, 10};
  int32_t Last = -1;
  ApplySaturation(Backup, Image, Sliders[2], Sliders[1], Sliders[0],
                  [&](int32_t Done, int32_t Total) {
                    EXPECT_EQ(Total, 500);
                    EXPECT_GE(Done, Last);
                    Last = Done;
                  });
  EXPECT_EQ(Last, 500);
  for (int32_t Y = 0; Y < 500; Y += 7)
    for (int32_t X = 0; X < 700; X += 3) {
      uint8_t Expected[3];
      ReferenceSaturate(Backup.PixelPtr(X, Y), Sliders, Expected);
      for (int C = 0; C < 3; ++C)
        ASSERT_EQ(Image.PixelPtr(X, Y)[C], Expected[C]);
    }
}

} // namespace
} // namespace facette
