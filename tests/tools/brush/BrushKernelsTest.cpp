#include "tools/brush/ZrBrushKernels.h"

#include "editor/GraphicsTestSupport.h"
#include "imaging/ZrBitmap.h"
#include "tools/brush/ZrBrushMasks.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace facette {
namespace {

using test::Code;
using test::FillCoded;
using test::SameImage;
using test::SamePixels;

// --- plain transcriptions of the brushes ---------------------------------

// The blurred colour exactly as the brush defines it: the footprint placed
// on the brush square of the smoothing size around the pixel, clipped to
// the image, every covered pixel summed, the means rounded; a pixel with
// nothing to average keeps its own colour.
int32_t ReferenceBlurColour(const TZrPixelMask &Footprint, const TZrPixels &Backup, int32_t X,
                            int32_t Y)
{
  const int32_t Smoothing = Footprint.Width; // an odd size gives that side
  const TZrRect Square = BrushRect({X, Y}, Smoothing);
  const TZrRect Clipped = IntersectRect(Square, Backup.GetBounds());
  const uint8_t *Own = Backup.PixelPtr(X, Y);
  const int32_t OwnColour = Own[0] | Own[1] << 8 | Own[2] << 16;
  if (Clipped.IsEmpty())
    return OwnColour;
  double Sum[3] = {0, 0, 0};
  int32_t N = 0;
  for (int32_t SY = Clipped.Top; SY < Clipped.Bottom; ++SY)
    for (int32_t SX = Clipped.Left; SX < Clipped.Right; ++SX) {
      if (Footprint.Bits[static_cast<size_t>((SY - Square.Top) * Footprint.Width +
                                             (SX - Square.Left))] == 0)
        continue;
      for (int C = 0; C < 3; ++C)
        Sum[C] += Backup.PixelPtr(SX, SY)[C];
      ++N;
    }
  if (N == 0)
    return OwnColour;
  int32_t Colour = 0;
  for (int C = 0; C < 3; ++C)
    Colour |= static_cast<int32_t>(std::nearbyint(Sum[C] / N)) << (8 * C);
  return Colour;
}

uint8_t MaskValue(const TZrPixelMask &Mask, int32_t X, int32_t Y)
{
  const uint8_t *M = Mask.PixelPtr(X, Y);
  return M ? *M : 0;
}

// Each channel := ByteRound(((255 - m) x s + m x t) / 255) in floating point.
void ReferenceMix(uint8_t *D, const uint8_t *S, const uint8_t *T, int32_t M)
{
  for (int C = 0; C < 3; ++C)
    D[C] = ByteRound(((255.0 - M) * S[C] + M * static_cast<double>(T[C])) / 255.0);
}

void ReferenceSmudge(const TZrRect &Rect, const TZrPixels &Backup, const TZrPixelMask &Mask,
                     const TZrPixelMask &Footprint, TZrPixels &Image)
{
  const TZrRect R = IntersectRect(Rect, Backup.GetBounds());
  for (int32_t X = R.Left; X < R.Right; ++X)
    for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
      const int32_t B = ReferenceBlurColour(Footprint, Backup, X, Y);
      const uint8_t T[3] = {static_cast<uint8_t>(B), static_cast<uint8_t>(B >> 8),
                            static_cast<uint8_t>(B >> 16)};
      ReferenceMix(Image.PixelPtr(X, Y), Backup.PixelPtr(X, Y), T, MaskValue(Mask, X, Y));
    }
}

void ReferenceUndoBrush(const TZrRect &Rect, const TZrPixels &Backup, const TZrPixels &Original,
                        const TZrPixelMask &Mask, TZrPixels &Image)
{
  const TZrRect R = IntersectRect(Rect, Backup.GetBounds());
  for (int32_t X = R.Left; X < R.Right; ++X)
    for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
      ReferenceMix(Image.PixelPtr(X, Y), Backup.PixelPtr(X, Y), Original.PixelPtr(X, Y),
                   MaskValue(Mask, X, Y));
}

// --- helpers -------------------------------------------------------------

void FillRandom(TZrPixels &P, std::mt19937 &Rng)
{
  for (int32_t Y = P.Top; Y < P.Top + P.Height; ++Y)
    for (int32_t X = P.Left; X < P.Left + P.Width; ++X)
      for (int C = 0; C < 3; ++C)
        P.PixelPtr(X, Y)[C] = static_cast<uint8_t>(Rng());
}

struct TImage
{
  TZrPixelBuffer Pixels;
  TImage(int32_t W, int32_t H, int32_t Seed = 0)
  {
    Pixels.Allocate(pf24bit, Bounds(0, 0, W, H));
    FillCoded(Pixels, Seed);
  }
  TImage(const TZrPixels &From)
  {
    Pixels.Allocate(pf24bit, From.GetBounds());
    Pixels.CopyFrom(From);
  }
};

// A stroke as the brush tools run it: the stamp placed at each brush
// square, merged into the stroke's maximum mask, the effect worked out for
// the square from the backup.
class TStroke
{
public:
  TStroke(const TZrPixels &Backup, TZrPixels &Image, int32_t Size, int32_t Hardness)
      : Backup(Backup), Image(Image), Size(Size)
  {
    BuildSoftDisc(Stamp, Size, 255, Hardness);
    BuildBlurFootprint(Footprint, Size, false);
    Cache.Allocate(pf32bit, Backup.GetBounds());
  }

  template <typename TEffect> void StampAt(TZrPoint Centre, const TEffect &Effect)
  {
    const TZrRect Rect = BrushRect(Centre, Size);
    Stamp.Left = Rect.Left;
    Stamp.Top = Rect.Top;
    StrokeMask.MergeMax(Stamp);
    const TZrRect R = IntersectRect(Rect, Backup.GetBounds());
    if (!R.IsEmpty())
      Effect(R, *this);
    Stamp.Left = Stamp.Top = 0;
  }

  const TZrPixels &Backup;
  TZrPixels &Image;
  int32_t Size;
  TZrPixelMask Stamp, StrokeMask, Footprint;
  TZrPixelBuffer Cache;
};

const auto Smudge = [](const TZrRect &R, TStroke &S) {
  SmudgeRect(R, S.Backup, S.StrokeMask, S.Cache, S.Footprint, S.Image);
};

// --- blurred colour ------------------------------------------------------

TEST(BlurFootprint, CentreLeftOutUnlessIncluded)
{
  TZrPixelMask F;
  BuildBlurFootprint(F, 3, false);
  EXPECT_EQ(F.Bits, (std::vector<uint8_t>{255, 255, 255, 255, 0, 255, 255, 255, 255}));
  BuildBlurFootprint(F, 3, true);
  EXPECT_EQ(F.Bits, std::vector<uint8_t>(9, 255));
  BuildBlurFootprint(F, 1, false);
  EXPECT_EQ(F.Bits, std::vector<uint8_t>{0});
}

TEST(BlurColour, AtACornerOnlyPixelsInsideTheImageCount)
{
  TImage Image(6, 5);
  TZrPixelMask F;
  BuildBlurFootprint(F, 3, false);
  TZrPixelBuffer NoCache;
  // Around (0, 0) the footprint holds (1, 0), (0, 1) and (1, 1).
  int32_t Expected = 0;
  for (int C = 0; C < 3; ++C) {
    const int32_t Sum = Code(1, 0, C) + Code(0, 1, C) + Code(1, 1, C);
    Expected |= static_cast<int32_t>(std::nearbyint(Sum / 3.0)) << (8 * C);
  }
  EXPECT_EQ(BlurColour(NoCache, F, Image.Pixels, 0, 0), Expected);
  // The far corner likewise.
  Expected = 0;
  for (int C = 0; C < 3; ++C) {
    const int32_t Sum = Code(4, 4, C) + Code(5, 3, C) + Code(4, 3, C);
    Expected |= static_cast<int32_t>(std::nearbyint(Sum / 3.0)) << (8 * C);
  }
  EXPECT_EQ(BlurColour(NoCache, F, Image.Pixels, 5, 4), Expected);
}

TEST(BlurColour, SmoothingOneGivesThePixelItself)
{
  TImage Image(4, 4);
  TZrPixelMask F;
  BuildBlurFootprint(F, 1, false);
  TZrPixelBuffer Cache;
  Cache.Allocate(pf32bit, Image.Pixels.GetBounds());
  const uint8_t *P = Image.Pixels.PixelPtr(2, 1);
  EXPECT_EQ(BlurColour(Cache, F, Image.Pixels, 2, 1), P[0] | P[1] << 8 | P[2] << 16);
}

TEST(BlurColour, RoundsHalvesToEven)
{
  // Two neighbours 10 and 11 (mean 10.5 -> 10), 11 and 12 (11.5 -> 12).
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Bounds(0, 0, 3, 1));
  const uint8_t Row[9] = {10, 11, 0, 99, 99, 99, 11, 12, 0};
  std::copy(Row, Row + 9, Image.Bits);
  TZrPixelMask F;
  BuildBlurFootprint(F, 3, false);
  TZrPixelBuffer NoCache;
  EXPECT_EQ(BlurColour(NoCache, F, Image, 1, 0), 10 | 12 << 8);
}

TEST(BlurColour, KeepsWhatItWorkedOut)
{
  TImage Image(8, 8);
  TZrPixelMask F;
  BuildBlurFootprint(F, 5, false);
  TZrPixelBuffer Cache;
  Cache.Allocate(pf32bit, Bounds(2, 2, 4, 4));
  const int32_t First = BlurColour(Cache, F, Image.Pixels, 3, 3);
  EXPECT_EQ(Cache.PixelPtr(3, 3)[3], 255);
  // The cache answers from now on, even though the image changed.
  test::Paint(Image.Pixels, Image.Pixels.GetBounds(), 0);
  EXPECT_EQ(BlurColour(Cache, F, Image.Pixels, 3, 3), First);
  // Outside the cache nothing is stored, and the image's pixels are used.
  EXPECT_EQ(BlurColour(Cache, F, Image.Pixels, 0, 0), 0);
  // A point outside the image gives 0 and reads nothing.
  EXPECT_EQ(BlurColour(Cache, F, Image.Pixels, 8, 3), 0);
}

// --- smudge --------------------------------------------------------------

TEST(SmudgeRect, FullStrengthTakesTheNeighbourhoodMean)
{
  TImage Backup(20, 20), Image(20, 20);
  TZrPixelMask Mask, F;
  BuildHardDisc(Mask, 5, 255);
  Mask.Left = Mask.Top = 8;
  BuildBlurFootprint(F, 5, false);
  TZrPixelBuffer Cache;
  Cache.Allocate(pf32bit, Backup.Pixels.GetBounds());
  SmudgeRect(Mask.GetBounds(), Backup.Pixels, Mask, Cache, F, Image.Pixels);
  TZrPixelBuffer NoCache;
  const int32_t Mean = BlurColour(NoCache, F, Backup.Pixels, 10, 10);
  const uint8_t *P = Image.Pixels.PixelPtr(10, 10);
  EXPECT_EQ(P[0] | P[1] << 8 | P[2] << 16, Mean);
  EXPECT_NE(Mean & 0xFF, Backup.Pixels.PixelPtr(10, 10)[0]);
  // The square's corners are outside the disc: left as they were.
  EXPECT_TRUE(SamePixels(Image.Pixels, Backup.Pixels, Bounds(8, 8, 1, 1)));
}

TEST(SmudgeRect, OnePixelBrushChangesNothing)
{
  TImage Backup(10, 10);
  TImage Image(Backup.Pixels);
  TStroke Stroke(Backup.Pixels, Image.Pixels, 1, 191);
  for (TZrPoint P : {TZrPoint{0, 0}, TZrPoint{5, 5}, TZrPoint{9, 3}})
    Stroke.StampAt(P, Smudge);
  EXPECT_TRUE(SameImage(Image.Pixels, Backup.Pixels));
}

TEST(SmudgeRect, GoingBackAndForthEqualsOnePass)
{
  TImage Backup(60, 40);
  const std::vector<TZrPoint> Pass = {{10, 20}, {14, 21}, {19, 22}, {25, 22}, {31, 21}};
  TImage Once(Backup.Pixels);
  TStroke A(Backup.Pixels, Once.Pixels, 12, 191);
  for (TZrPoint P : Pass)
    A.StampAt(P, Smudge);
  TImage Scrubbed(Backup.Pixels);
  TStroke B(Backup.Pixels, Scrubbed.Pixels, 12, 191);
  for (int Round = 0; Round < 3; ++Round) {
    for (TZrPoint P : Pass)
      B.StampAt(P, Smudge);
    for (auto It = Pass.rbegin(); It != Pass.rend(); ++It)
      B.StampAt(*It, Smudge);
  }
  EXPECT_TRUE(SameImage(Once.Pixels, Scrubbed.Pixels));
  EXPECT_FALSE(SameImage(Once.Pixels, Backup.Pixels));
}

TEST(SmudgeRect, MatchesThePlainFormulaOnRandomInput)
{
  std::mt19937 Rng(1234);
  for (int Case = 0; Case < 150; ++Case) {
    const int32_t W = 1 + static_cast<int32_t>(Rng() % 50);
    const int32_t H = 1 + static_cast<int32_t>(Rng() % 40);
    TZrPixelBuffer Backup;
    Backup.Allocate(pf24bit, Bounds(static_cast<int32_t>(Rng() % 5), 0, W, H));
    FillRandom(Backup, Rng);
    // Smooth images too, where means land on halves more often.
    if (Case % 3 == 0)
      for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W * 3; ++X)
          Backup.Bits[Y * Backup.Stride + X] = static_cast<uint8_t>(100 + (X + Y) % 3);
    TZrPixelMask F;
    const int32_t Smoothing = 1 + static_cast<int32_t>(Rng() % 21);
    BuildBlurFootprint(F, Smoothing, Rng() % 4 == 0);
    // A mask anywhere around the image, with zeros and full weights.
    TZrPixelMask Mask;
    const int32_t MW = 1 + static_cast<int32_t>(Rng() % 30);
    const int32_t MH = 1 + static_cast<int32_t>(Rng() % 30);
    Mask.SetBounds(Backup.Left - 8 + static_cast<int32_t>(Rng() % (W + 8)),
                   -8 + static_cast<int32_t>(Rng() % (H + 8)), MW, MH);
    for (uint8_t &M : Mask.Bits) {
      const uint32_t R = Rng() % 4;
      M = R == 0 ? 0 : R == 1 ? 255 : static_cast<uint8_t>(Rng());
    }
    TZrRect Rect = Mask.GetBounds();
    if (Case % 5 == 0)
      Rect = OffsetRect(Rect, 3, -2); // partly outside the mask
    TZrPixelBuffer Expected, Actual;
    Expected.Allocate(pf24bit, Backup.GetBounds());
    FillRandom(Expected, Rng);
    Actual.Allocate(pf24bit, Backup.GetBounds());
    Actual.CopyFrom(Expected);
    ReferenceSmudge(Rect, Backup, Mask, F, Expected);
    // The cache: the whole image, part of it, none, or already holding
    // some colours.
    TZrPixelBuffer Cache;
    switch (Case % 4) {
    case 0:
      Cache.Allocate(pf32bit, Backup.GetBounds());
      break;
    case 1:
      Cache.Allocate(pf32bit, Bounds(Backup.Left + W / 2, H / 2, W, H));
      break;
    case 2:
      break;
    case 3:
      Cache.Allocate(pf32bit, Backup.GetBounds());
      for (int I = 0; I < 20; ++I)
        BlurColour(Cache, F, Backup, Backup.Left + static_cast<int32_t>(Rng() % W),
                   static_cast<int32_t>(Rng() % H));
      break;
    }
    SmudgeRect(Rect, Backup, Mask, Cache, F, Actual);
    ASSERT_TRUE(SameImage(Expected, Actual)) << "case " << Case;
    // What it cached is what the colour is.
    if (Cache.Bits)
      for (int32_t Y = Cache.Top; Y < Cache.Top + Cache.Height; ++Y)
        for (int32_t X = Cache.Left; X < Cache.Left + Cache.Width; ++X)
          if (Cache.PixelPtr(X, Y)[3] != 0) {
            const uint8_t *C = Cache.PixelPtr(X, Y);
            ASSERT_EQ(C[0] | C[1] << 8 | C[2] << 16, ReferenceBlurColour(F, Backup, X, Y))
                << "case " << Case << " at " << X << "," << Y;
          }
  }
}

// --- undo brush ----------------------------------------------------------

TEST(UndoBrushRect, UnchangedImageStaysUnchanged)
{
  TImage Backup(30, 30);
  TImage Image(Backup.Pixels);
  TZrPixelMask Mask;
  BuildSoftDisc(Mask, 21, 255, 128);
  Mask.Left = Mask.Top = 5;
  UndoBrushRect(Mask.GetBounds(), Backup.Pixels, Backup.Pixels, Mask, Image.Pixels);
  EXPECT_TRUE(SameImage(Image.Pixels, Backup.Pixels));
}

TEST(UndoBrushRect, FullStrengthRestoresTheOriginal)
{
  TImage Original(30, 30), Backup(30, 30, 77);
  TImage Image(Backup.Pixels);
  TZrPixelMask Mask;
  BuildHardDisc(Mask, 9, 255);
  Mask.Left = Mask.Top = 10;
  UndoBrushRect(Mask.GetBounds(), Backup.Pixels, Original.Pixels, Mask, Image.Pixels);
  for (int32_t Y = 0; Y < 30; ++Y)
    for (int32_t X = 0; X < 30; ++X) {
      const bool Brushed = MaskValue(Mask, X, Y) == 255;
      const TZrPixels &Want = Brushed ? Original.Pixels : Backup.Pixels;
      ASSERT_TRUE(SamePixels(Image.Pixels, Want, Bounds(X, Y, 1, 1))) << X << "," << Y;
    }
}

TEST(UndoBrushRect, AfterACropRestoresFromTheCroppedOriginal)
{
  test::TFakeEditor Editor;
  TZrGraphicsDocument Doc(Editor, nullptr);
  ASSERT_TRUE(test::LoadCoded(Doc, 40, 30));
  TImage Opened(*Doc.OriginalPixels());
  // Retouched all over, committed, then cropped.
  test::Paint(*Doc.ImagePixels(), Doc.ImageBounds(), 9);
  Doc.BeginEdit(nullptr);
  Doc.AddChangedRect(Doc.ImageBounds(), true);
  Doc.Commit(nullptr);
  Doc.EndEdit();
  ASSERT_TRUE(Doc.Crop(MakeRect(12, 7, 32, 27)));
  ASSERT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 20, 20));
  TZrPixelMask Mask;
  Mask.SetBounds(0, 0, 20, 20);
  std::fill(Mask.Bits.begin(), Mask.Bits.end(), 255);
  UndoBrushRect(Doc.ImageBounds(), Doc.Backup(), *Doc.OriginalPixels(), Mask, *Doc.ImagePixels());
  for (int32_t Y = 0; Y < 20; ++Y)
    for (int32_t X = 0; X < 20; ++X)
      for (int C = 0; C < 3; ++C)
        ASSERT_EQ(Doc.ImagePixels()->PixelPtr(X, Y)[C], Code(X + 12, Y + 7, C));
}

TEST(UndoBrushRect, OutsideASmallerOriginalLeavesTheBackup)
{
  TImage Original(10, 10), Backup(20, 20, 50);
  TImage Image(20, 20, 200);
  TZrPixelMask Mask;
  Mask.SetBounds(0, 0, 20, 20);
  std::fill(Mask.Bits.begin(), Mask.Bits.end(), 255);
  UndoBrushRect(Mask.GetBounds(), Backup.Pixels, Original.Pixels, Mask, Image.Pixels);
  EXPECT_TRUE(SamePixels(Image.Pixels, Original.Pixels, MakeRect(0, 0, 10, 10)));
  EXPECT_TRUE(SamePixels(Image.Pixels, Backup.Pixels, MakeRect(10, 0, 20, 20)));
  EXPECT_TRUE(SamePixels(Image.Pixels, Backup.Pixels, MakeRect(0, 10, 10, 20)));
}

TEST(UndoBrushRect, GoingBackAndForthEqualsOnePass)
{
  TImage Original(50, 50), Backup(50, 50, 90);
  const auto Undo = [&Original](const TZrRect &R, TStroke &S) {
    UndoBrushRect(R, S.Backup, Original.Pixels, S.StrokeMask, S.Image);
  };
  TImage Once(Backup.Pixels), Scrubbed(Backup.Pixels);
  TStroke A(Backup.Pixels, Once.Pixels, 15, 128), B(Backup.Pixels, Scrubbed.Pixels, 15, 128);
  for (TZrPoint P : {TZrPoint{10, 10}, TZrPoint{20, 14}, TZrPoint{30, 18}})
    A.StampAt(P, Undo);
  for (TZrPoint P : {TZrPoint{10, 10}, TZrPoint{20, 14}, TZrPoint{30, 18}, TZrPoint{20, 14},
                     TZrPoint{10, 10}, TZrPoint{20, 14}, TZrPoint{30, 18}})
    B.StampAt(P, Undo);
  EXPECT_TRUE(SameImage(Once.Pixels, Scrubbed.Pixels));
}

TEST(UndoBrushRect, MatchesThePlainFormulaOnRandomInput)
{
  std::mt19937 Rng(99);
  for (int Case = 0; Case < 60; ++Case) {
    const int32_t W = 1 + static_cast<int32_t>(Rng() % 40);
    const int32_t H = 1 + static_cast<int32_t>(Rng() % 40);
    TZrPixelBuffer Backup, Original, Expected, Actual;
    for (TZrPixelBuffer *B : {&Backup, &Original, &Expected}) {
      B->Allocate(pf24bit, Bounds(0, 0, W, H));
      FillRandom(*B, Rng);
    }
    Actual.Allocate(pf24bit, Bounds(0, 0, W, H));
    Actual.CopyFrom(Expected);
    TZrPixelMask Mask;
    Mask.SetBounds(-3 + static_cast<int32_t>(Rng() % (W + 3)),
                   -3 + static_cast<int32_t>(Rng() % (H + 3)), 1 + static_cast<int32_t>(Rng() % 20),
                   1 + static_cast<int32_t>(Rng() % 20));
    for (uint8_t &M : Mask.Bits)
      M = static_cast<uint8_t>(Rng());
    ReferenceUndoBrush(Mask.GetBounds(), Backup, Original, Mask, Expected);
    UndoBrushRect(Mask.GetBounds(), Backup, Original, Mask, Actual);
    ASSERT_TRUE(SameImage(Expected, Actual)) << "case " << Case;
  }
}

} // namespace
} // namespace facette
