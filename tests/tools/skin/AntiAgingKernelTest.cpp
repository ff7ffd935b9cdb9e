#include "tools/skin/ZrAntiAgingKernel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace facette {
namespace {

void FillRandom(TZrPixels &P, uint32_t Seed)
{
  std::mt19937 Rng(Seed);
  for (int32_t Y = 0; Y < P.Height; ++Y)
    for (int32_t X = 0; X < P.Width * 3; ++X)
      P.Bits[Y * P.Stride + X] = static_cast<uint8_t>(Rng());
}

// Every mask value against every pair of colours that matters: the stamp
// equals the formula in floating point with half-to-even rounding, leaves
// pixels outside the mask (or outside the filter) as committed, and keeps
// to the rectangle.
TEST(AntiAgingKernel, MixesTheCommittedAndTheFilteredImageByTheMask)
{
  const TZrRect Image = Bounds(0, 0, 40, 30);
  TZrPixelBuffer Backup, Working;
  Backup.Allocate(pf24bit, Image);
  Working.Allocate(pf24bit, Image);
  FillRandom(Backup, 1);
  FillRandom(Working, 2);
  TFrequencyFilter Filter(true);
  // Filtered over the left part only: the rest has no filtered colour.
  TZrPixels Left = Backup;
  Left.Width = 32;
  ASSERT_TRUE(Filter.Prepare(Left, 1, 4));
  TZrPixelMask Mask;
  Mask.SetBounds(3, 2, 34, 20);
  std::mt19937 Rng(3);
  for (uint8_t &M : Mask.Bits)
    M = static_cast<uint8_t>(Rng() % 4 == 0 ? 0 : Rng());
  Mask.Bits[0] = 255;
  Mask.Bits[1] = 1;

  TZrPixelBuffer Before;
  Before.Allocate(pf24bit, Image);
  Before.CopyFrom(Working);
  const TZrRect Rect = MakeRect(1, 1, 39, 25);
  AntiAgingRect(Rect, Filter, Mask, Backup, Working);
  for (int32_t Y = 0; Y < 30; ++Y)
    for (int32_t X = 0; X < 40; ++X)
      for (int C = 0; C < 3; ++C) {
        const uint8_t Got = Working.PixelPtr(X, Y)[C];
        if (!Rect.Contains(X, Y)) {
          ASSERT_EQ(Got, Before.PixelPtr(X, Y)[C]) << X << "," << Y;
          continue;
        }
        const uint8_t S = Backup.PixelPtr(X, Y)[C];
        const uint8_t *M = Mask.PixelPtr(X, Y);
        uint8_t F[3];
        if (!M || *M == 0 || !Filter.Pixel(X, Y, F[0], F[1], F[2])) {
          ASSERT_EQ(Got, S) << X << "," << Y;
          continue;
        }
        const double Mix = ((255.0 - *M) * S + *M * F[C]) / 255.0;
        ASSERT_EQ(Got, ByteRound(Mix)) << X << "," << Y;
      }
}

TEST(AntiAgingKernel, FullStrengthPaintsTheFilteredImage)
{
  TZrPixelBuffer Backup, Working;
  Backup.Allocate(pf24bit, Bounds(0, 0, 12, 12));
  Working.Allocate(pf24bit, Backup.GetBounds());
  FillRandom(Backup, 5);
  TFrequencyFilter Filter(false);
  ASSERT_TRUE(Filter.Prepare(Backup, 1, 3));
  TZrPixelMask Mask;
  Mask.SetBounds(0, 0, 12, 12);
  std::memset(Mask.Bits.data(), 255, Mask.Bits.size());
  AntiAgingRect(Backup.GetBounds(), Filter, Mask, Backup, Working);
  for (int32_t Y = 0; Y < 12; ++Y)
    ASSERT_EQ(std::memcmp(Working.PixelPtr(0, Y), Filter.Filtered().PixelPtr(0, Y), 36), 0);
}

} // namespace
} // namespace facette
