#include "imaging/ZrResample.h"

#include "imaging/VectorPathNote.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>

namespace facette {
namespace {

// Restores the default tuning when a test ends, whatever it set.
class ResampleTuning : public testing::Test
{
protected:
  void TearDown() override { SetResampleTuning(TResampleCode::Best, 0); }
};

void FillRandom(TZrPixels &P, std::mt19937 &Random)
{
  for (int32_t Y = P.Top; Y < P.Top + P.Height; ++Y)
    for (int32_t X = P.Left; X < P.Left + P.Width; ++X)
      for (int C = 0; C < 3; ++C)
        P.PixelPtr(X, Y)[C] = static_cast<uint8_t>(Random());
}

// Every pixel of the window, row by row, without the stride padding.
std::vector<uint8_t> PixelsOf(const TZrPixels &P)
{
  std::vector<uint8_t> Result;
  for (int32_t Y = P.Top; Y < P.Top + P.Height; ++Y) {
    const uint8_t *Row = P.PixelPtr(P.Left, Y);
    Result.insert(Result.end(), Row, Row + P.Width * 3);
  }
  return Result;
}

// The resampling pass written down as plainly as possible: per destination
// row, vertical sums of every touched source column, then horizontal sums,
// clamped and shifted. The library's pass must match it byte for byte.
void ReferenceResample(TZrPixels &Dest, const TZrRect &DestRect, const TZrRect &DestClip,
                       const TPixelResampler &Resampler, const TZrRect &SourceRect,
                       const TZrPixels &Source)
{
  const TZrRect Clip = IntersectRect(DestClip, Dest.GetBounds());
  if (Clip.IsEmpty())
    return;
  TMappingTable HTable, VTable;
  BuildMappingTable(DestRect.Left, DestRect.Right, Clip.Left, Clip.Right, SourceRect.Left,
                    SourceRect.Right, Resampler, HTable);
  BuildMappingTable(DestRect.Top, DestRect.Bottom, Clip.Top, Clip.Bottom, SourceRect.Top,
                    SourceRect.Bottom, Resampler, VTable);
  if (HTable.empty() || VTable.empty())
    return;
  const int32_t First = HTable.front().front().Index;
  const int32_t Last = HTable.back().back().Index;
  std::vector<int32_t> Scratch(static_cast<size_t>(Last - First + 1) * 3);
  for (int32_t Y = Clip.Top; Y < Clip.Bottom; ++Y) {
    const TCluster &V = VTable[static_cast<size_t>(Y - Clip.Top)];
    for (int32_t Column = First; Column <= Last; ++Column)
      for (int C = 0; C < 3; ++C) {
        int32_t Sum = 0;
        for (const TContribution &P : V)
          Sum += Source.PixelPtr(Column, P.Index)[C] * P.Weight;
        Scratch[static_cast<size_t>(Column - First) * 3 + C] = Sum;
      }
    for (int32_t X = Clip.Left; X < Clip.Right; ++X) {
      const TCluster &H = HTable[static_cast<size_t>(X - Clip.Left)];
      for (int C = 0; C < 3; ++C) {
        int32_t Total = 0;
        for (const TContribution &P : H)
          Total += Scratch[static_cast<size_t>(P.Index - First) * 3 + C] * P.Weight;
        if (Resampler.NeedsClamp()) {
          if (Total < 0)
            Total = 0;
          if (Total > 255 * 65536)
            Total = 255 * 65536;
        }
        Dest.PixelPtr(X, Y)[C] = static_cast<uint8_t>(Total >> 16);
      }
    }
  }
}

// A box kernel that does not ask for clamping, to cover that branch.
class TBoxResampler : public TPixelResampler
{
public:
  double Weight(double X) const override { return std::fabs(X) < 0.5 ? 1.0 : 0.0; }
  double Radius() const override { return 0.5; }
};

TEST(Kernels, SincAndLanczosValues)
{
  EXPECT_EQ(Sinc(0.0), 1.0);
  const double Xs[] = {1e-9, 0.1, 0.25, 0.3,  0.5, 0.74,  0.75,
                       1.0,  1.5, 2.2,  -2.7, 3.0, 17.25, -1e6 - 0.5};
  for (double X : Xs) {
    const double Plain = std::sin(3.14159265358979323846 * X) / (3.14159265358979323846 * X);
    EXPECT_NEAR(Sinc(X), Plain, 1e-12) << X;
  }
  const TLanczosResampler L;
  EXPECT_EQ(L.Weight(0.0), 1.0);
  EXPECT_EQ(L.Weight(3.0), 0.0);
  EXPECT_EQ(L.Weight(-3.5), 0.0);
  EXPECT_NEAR(L.Weight(0.5), L.Weight(-0.5), 0.0);
  EXPECT_NEAR(L.Weight(1.5), Sinc(1.5) * Sinc(0.5), 1e-15);
  EXPECT_LT(std::fabs(L.Weight(2.0)), 1e-15);
  const TQuickDraftResampler Q;
  EXPECT_EQ(Q.Radius(), 0.0);
  EXPECT_EQ(Q.Weight(0.0), 0.0);
  EXPECT_TRUE(Q.NeedsClamp());
}

TEST(MappingTable, KnownLanczosWeights)
{
  const TLanczosResampler Lanczos;
  TMappingTable Table;
  // Four pixels doubled: the first and the last entries.
  BuildMappingTable(0, 8, 0, 8, 0, 4, Lanczos, Table);
  ASSERT_EQ(Table.size(), 8u);
  EXPECT_EQ(Table[0], (TCluster{{0, 2}, {0, -17}, {0, 69}, {0, 228}, {1, -34}, {2, 8}}));
  EXPECT_EQ(Table[7], (TCluster{{1, 8}, {2, -34}, {3, 228}, {3, 69}, {3, -17}, {3, 2}}));
  // Seven pixels to three: the kernel is stretched, zero weights are left out.
  BuildMappingTable(0, 3, 0, 3, 0, 7, Lanczos, Table);
  ASSERT_EQ(Table.size(), 3u);
  EXPECT_EQ(Table[0], (TCluster{{0, 3},
                                {0, -13},
                                {0, -10},
                                {0, 35},
                                {0, 94},
                                {1, 107},
                                {2, 56},
                                {4, -16},
                                {5, -4},
                                {6, 3},
                                {6, 1}}));
}

TEST(MappingTable, EveryClusterSumsTo256WithIndicesInTheSpan)
{
  const TLanczosResampler Lanczos;
  const TQuickDraftResampler Draft;
  const int32_t Sizes[] = {1, 2, 3, 5, 7, 16, 31, 100, 257};
  for (const TPixelResampler *R : {static_cast<const TPixelResampler *>(&Lanczos),
                                   static_cast<const TPixelResampler *>(&Draft)})
    for (int32_t S : Sizes)
      for (int32_t D : Sizes) {
        TMappingTable Table;
        BuildMappingTable(10, 10 + D, 10, 10 + D, 5, 5 + S, *R, Table);
        ASSERT_EQ(Table.size(), static_cast<size_t>(D));
        for (const TCluster &Cluster : Table) {
          int32_t Sum = 0;
          for (const TContribution &C : Cluster) {
            Sum += C.Weight;
            EXPECT_GE(C.Index, 5);
            EXPECT_LT(C.Index, 5 + S);
          }
          EXPECT_EQ(Sum, 256) << S << " -> " << D;
        }
      }
}

TEST(MappingTable, SameSizeGivesSinglePairs)
{
  TMappingTable Table;
  BuildMappingTable(0, 9, 2, 7, 3, 12, TLanczosResampler(), Table);
  ASSERT_EQ(Table.size(), 5u);
  for (int32_t I = 0; I < 5; ++I)
    EXPECT_EQ(Table[static_cast<size_t>(I)], (TCluster{{I + 5, 256}}));
}

TEST(MappingTable, QuickDraftPicksThePixelUnderTheCentre)
{
  const int32_t SourceStart = 4, S = 37, D = 11;
  TMappingTable Table;
  BuildMappingTable(0, D, 0, D, SourceStart, SourceStart + S, TQuickDraftResampler(), Table);
  const double l = 1.0 / (static_cast<double>(D) / S);
  ASSERT_EQ(Table.size(), static_cast<size_t>(D));
  for (int32_t I = 0; I < D; ++I) {
    const int32_t Expected = static_cast<int32_t>(std::floor(SourceStart - 0.5 + l * (I + 0.5)));
    EXPECT_EQ(Table[static_cast<size_t>(I)], (TCluster{{Expected, 256}})) << I;
  }
}

TEST(MappingTable, QuickDraftAlsoEnlargesByPointSampling)
{
  // Enlarging with zero weights leaves no pair to correct; each pixel takes
  // Floor of its source centre, as when reducing, instead of failing.
  TMappingTable Table;
  BuildMappingTable(0, 6, 0, 6, 0, 3, TQuickDraftResampler(), Table);
  const int32_t Expected[] = {0, 0, 0, 1, 1, 2};
  ASSERT_EQ(Table.size(), 6u);
  for (size_t I = 0; I < 6; ++I)
    EXPECT_EQ(Table[I], (TCluster{{Expected[I], 256}}));
}

TEST(MappingTable, DegenerateSpans)
{
  const TLanczosResampler Lanczos;
  TMappingTable Table;
  // One source pixel: every entry is that pixel.
  BuildMappingTable(0, 4, 0, 4, 9, 10, Lanczos, Table);
  EXPECT_EQ(Table, TMappingTable(4, TCluster{{9, 256}}));
  // Empty and inverted sources give nothing.
  BuildMappingTable(0, 4, 0, 4, 9, 9, Lanczos, Table);
  EXPECT_TRUE(Table.empty());
  BuildMappingTable(0, 4, 0, 4, 9, 3, Lanczos, Table);
  EXPECT_TRUE(Table.empty());
  // A destination without extent: its one pixel is the middle source pixel;
  // more than one is an inconsistency.
  BuildMappingTable(5, 5, 5, 6, -3, 8, Lanczos, Table);
  EXPECT_EQ(Table, TMappingTable(1, TCluster{{2, 256}}));
  EXPECT_THROW(BuildMappingTable(5, 5, 5, 7, 0, 8, Lanczos, Table), std::logic_error);
  BuildMappingTable(5, 5, 5, 5, 0, 8, Lanczos, Table);
  EXPECT_TRUE(Table.empty());
}

TEST_F(ResampleTuning, SameSizeReproducesTheImage)
{
  std::mt19937 Random(1);
  for (int32_t Width : {1, 3, 5, 8, 41}) {
    TZrPixelBuffer Source, Dest;
    ASSERT_TRUE(Source.Allocate(pf24bit, Bounds(0, 0, Width, 7)));
    ASSERT_TRUE(Dest.Allocate(pf24bit, Bounds(0, 0, Width, 7)));
    FillRandom(Source, Random);
    ASSERT_TRUE(ResamplePixels(Dest, Dest.GetBounds(), Dest.GetBounds(), TLanczosResampler(),
                               Source.GetBounds(), Source));
    EXPECT_EQ(PixelsOf(Dest), PixelsOf(Source)) << Width;
  }
}

TEST_F(ResampleTuning, OnePixelSourceRepeats)
{
  TZrPixelBuffer Source, Dest;
  ASSERT_TRUE(Source.Allocate(pf24bit, Bounds(0, 0, 1, 3)));
  const uint8_t Rows[3][3] = {{10, 20, 30}, {200, 100, 0}, {7, 8, 9}};
  for (int32_t Y = 0; Y < 3; ++Y)
    std::memcpy(Source.PixelPtr(0, Y), Rows[Y], 3);
  ASSERT_TRUE(Dest.Allocate(pf24bit, Bounds(0, 0, 13, 3)));
  ASSERT_TRUE(ResamplePixels(Dest, Dest.GetBounds(), Dest.GetBounds(), TLanczosResampler(),
                             Source.GetBounds(), Source));
  for (int32_t Y = 0; Y < 3; ++Y)
    for (int32_t X = 0; X < 13; ++X)
      EXPECT_EQ(0, std::memcmp(Dest.PixelPtr(X, Y), Rows[Y], 3)) << X << "," << Y;
}

TEST_F(ResampleTuning, OvershootAtSharpEdgesIsClamped)
{
  // A black-white step enlarged: the ringing on either side must end at 0
  // and 255 rather than wrap round.
  TZrPixelBuffer Source, Dest;
  ASSERT_TRUE(Source.Allocate(pf24bit, Bounds(0, 0, 8, 1)));
  std::memset(Source.PixelPtr(4, 0), 255, 12);
  ASSERT_TRUE(Dest.Allocate(pf24bit, Bounds(0, 0, 40, 1)));
  ASSERT_TRUE(ResamplePixels(Dest, Dest.GetBounds(), Dest.GetBounds(), TLanczosResampler(),
                             Source.GetBounds(), Source));
  for (int32_t X = 0; X < 40; ++X) {
    const uint8_t V = Dest.PixelPtr(X, 0)[1];
    if (X < 14) {
      EXPECT_LT(V, 40) << X;
    }
    if (X >= 26) {
      EXPECT_GT(V, 215) << X;
    }
  }
  EXPECT_EQ(Dest.PixelPtr(0, 0)[0], 0);
  EXPECT_EQ(Dest.PixelPtr(39, 0)[0], 255);
}

TEST_F(ResampleTuning, RefusesWhatItCannotReadSafely)
{
  TZrPixelBuffer Source, Dest, Wide;
  ASSERT_TRUE(Source.Allocate(pf24bit, Bounds(0, 0, 6, 6)));
  ASSERT_TRUE(Dest.Allocate(pf24bit, Bounds(0, 0, 4, 4)));
  ASSERT_TRUE(Wide.Allocate(pf32bit, Bounds(0, 0, 6, 6)));
  std::memset(Source.Bits, 99, static_cast<size_t>(Source.Stride) * 6);
  const TZrRect All = Dest.GetBounds();
  const TLanczosResampler L;
  EXPECT_FALSE(ResamplePixels(Dest, All, All, L, MakeRect(-1, 0, 6, 6), Source));
  EXPECT_FALSE(ResamplePixels(Dest, All, All, L, MakeRect(0, 0, 7, 6), Source));
  EXPECT_FALSE(ResamplePixels(Dest, All, All, L, MakeRect(2, 2, 2, 6), Source));
  EXPECT_FALSE(ResamplePixels(Dest, All, All, L, Wide.GetBounds(), Wide));
  EXPECT_EQ(Dest.PixelPtr(1, 1)[0], 0);
  // An empty destination rectangle maps nothing, even where the clip is.
  EXPECT_TRUE(ResamplePixels(Dest, MakeRect(2, 2, 2, 4), All, L, Source.GetBounds(), Source));
  EXPECT_EQ(Dest.PixelPtr(2, 2)[0], 0);
}

// The library's pass in each of its variants against the reference, on
// random images and geometries: reductions, enlargements, mixed axes, tiny
// sizes, positioned windows, odd widths and clips that cut into or reach
// past the destination rectangle.
TEST_F(ResampleTuning, MatchesThePlainAlgorithmExactly)
{
  test::NoteVectorPath(ResampleVectorCodeRuns(), "AVX2");
  std::mt19937 Random(20240611);
  auto Pick = [&](int32_t Low, int32_t High) {
    return std::uniform_int_distribution<int32_t>(Low, High)(Random);
  };
  const TLanczosResampler Lanczos;
  const TQuickDraftResampler Draft;
  const TBoxResampler Box;
  const TPixelResampler *Resamplers[] = {&Lanczos, &Lanczos, &Lanczos, &Draft, &Box};

  struct Setting
  {
    TResampleCode Code;
    int32_t Threads;
  } Settings[] = {{TResampleCode::Best, 0},
                  {TResampleCode::Best, 3},
                  {TResampleCode::Portable, 2},
                  {TResampleCode::Direct, 1}};

  for (int Round = 0; Round < 300; ++Round) {
    const bool Large = Round % 25 == 0;
    const int32_t SW = Large ? Pick(60, 300) : Pick(1, 24);
    const int32_t SH = Large ? Pick(60, 200) : Pick(1, 24);
    const int32_t DW = Large ? Pick(30, 500) : Pick(1, 50);
    const int32_t DH = Large ? Pick(30, 300) : Pick(1, 50);
    const TPixelResampler &R = *Resamplers[Round % 5];

    TZrPixelBuffer Source;
    const int32_t SL = Pick(-5, 5), ST = Pick(-5, 5);
    ASSERT_TRUE(Source.Allocate(pf24bit, Bounds(SL, ST, SW + Pick(0, 3), SH + Pick(0, 3))));
    FillRandom(Source, Random);
    const TZrRect SourceRect =
        Bounds(SL + Pick(0, Source.Width - SW), ST + Pick(0, Source.Height - SH), SW, SH);

    // The destination window is a little larger than the rectangle, and the
    // clip sometimes cuts into it and sometimes reaches past it.
    const TZrRect DestRect = Bounds(Pick(0, 3), Pick(0, 3), DW, DH);
    const TZrRect DestBounds =
        MakeRect(0, 0, DestRect.Right + Pick(0, 3), DestRect.Bottom + Pick(0, 3));
    TZrRect Clip = DestBounds;
    if (Round % 3 == 1)
      Clip = MakeRect(Pick(-2, DestBounds.Right - 1), Pick(-2, DestBounds.Bottom - 1),
                      Pick(1, DestBounds.Right + 2), Pick(1, DestBounds.Bottom + 2));

    TZrPixelBuffer Expected;
    ASSERT_TRUE(Expected.Allocate(pf24bit, DestBounds));
    std::memset(Expected.Bits, 0x5A, static_cast<size_t>(Expected.Stride) * Expected.Height);
    ReferenceResample(Expected, DestRect, Clip, R, SourceRect, Source);
    for (const Setting &S : Settings) {
      SetResampleTuning(S.Code, S.Threads);
      TZrPixelBuffer Actual;
      ASSERT_TRUE(Actual.Allocate(pf24bit, DestBounds));
      std::memset(Actual.Bits, 0x5A, static_cast<size_t>(Actual.Stride) * Actual.Height);
      ASSERT_TRUE(ResamplePixels(Actual, DestRect, Clip, R, SourceRect, Source));
      ASSERT_EQ(PixelsOf(Actual), PixelsOf(Expected))
          << "round " << Round << ", code " << static_cast<int>(S.Code) << ": " << SW << "x" << SH
          << " -> " << DW << "x" << DH;
    }
  }
}

// Row by row, as a decoder hands the rows over: the same bytes as the whole
// pass on random images and sizes (reductions, enlargements, mixed axes, a
// row or a column), in the vector and the plain code; and what it declines.
TEST_F(ResampleTuning, RowByRowGivesTheWholePassPixels)
{
  std::mt19937 Random(20261210);
  auto Pick = [&](int32_t Low, int32_t High) {
    return std::uniform_int_distribution<int32_t>(Low, High)(Random);
  };
  const TLanczosResampler Lanczos;
  for (int Round = 0; Round < 120; ++Round) {
    const bool Large = Round % 10 == 0;
    const int32_t SW = Large ? Pick(100, 400) : Pick(1, 30);
    const int32_t SH = Large ? Pick(100, 300) : Pick(1, 30);
    const int32_t DW = Large ? Pick(20, 600) : Pick(1, 60);
    const int32_t DH = Large ? Pick(20, 400) : Pick(1, 60);
    TZrPixelBuffer Source, Whole, Rows;
    ASSERT_TRUE(Source.Allocate(pf24bit, Bounds(0, 0, SW, SH)));
    ASSERT_TRUE(Whole.Allocate(pf24bit, Bounds(0, 0, DW, DH)));
    ASSERT_TRUE(Rows.Allocate(pf24bit, Bounds(0, 0, DW, DH)));
    FillRandom(Source, Random);
    for (TResampleCode Code : {TResampleCode::Best, TResampleCode::Portable}) {
      SetResampleTuning(Code, 0);
      ASSERT_TRUE(ResamplePixels(Whole, Whole.GetBounds(), Whole.GetBounds(), Lanczos,
                                 Source.GetBounds(), Source));
      std::memset(Rows.Bits, 0x5A, static_cast<size_t>(Rows.Stride) * Rows.Height);
      TZrRowResampler Resampler;
      ASSERT_TRUE(Resampler.Start(SW, SH, Rows, Lanczos));
      for (int32_t Y = 0; Y < SH; ++Y) {
        EXPECT_FALSE(Resampler.Finished());
        Resampler.AddRow(Source.PixelPtr(0, Y));
      }
      EXPECT_TRUE(Resampler.Finished());
      ASSERT_EQ(PixelsOf(Rows), PixelsOf(Whole))
          << "round " << Round << ", code " << static_cast<int>(Code) << ": " << SW << "x" << SH
          << " -> " << DW << "x" << DH;
    }
  }

  // Kernels without clamping, the direct code and unusable sizes are left
  // to the whole pass.
  TZrPixelBuffer Dest;
  ASSERT_TRUE(Dest.Allocate(pf24bit, Bounds(0, 0, 4, 4)));
  TZrRowResampler Resampler;
  EXPECT_FALSE(Resampler.Start(8, 8, Dest, TBoxResampler()));
  EXPECT_FALSE(Resampler.Start(0, 8, Dest, Lanczos));
  SetResampleTuning(TResampleCode::Direct, 1);
  EXPECT_FALSE(Resampler.Start(8, 8, Dest, Lanczos));
}

} // namespace
} // namespace facette
