#include "tools/inpainting/KMean.h"

#include "tools/inpainting/TableKMean.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace facette {
namespace {

int32_t Rgb(int R, int G, int B)
{
  return (R << 16) | (G << 8) | B;
}

bool SameBits(float A, float B)
{
  return std::memcmp(&A, &B, sizeof A) == 0;
}

TEST(KMean, RepeatedColoursBecomeOneWeightedPoint)
{
  struct Case
  {
    const char *Name;
    std::vector<int32_t> Colours;
    std::vector<std::pair<int32_t, int32_t>> Points; // colour, weight
  } Cases[] = {
      {"ten times the same",
       std::vector<int32_t>(10, Rgb(200, 100, 50)),
       {{Rgb(200, 100, 50), 10}}},
      {"interleaved",
       {Rgb(1, 2, 3), Rgb(0, 0, 0), Rgb(1, 2, 3), Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(1, 2, 3)},
       {{Rgb(1, 2, 3), 3}, {Rgb(0, 0, 0), 2}, {Rgb(255, 255, 255), 1}}},
      {"bits above the colour are ignored",
       {Rgb(9, 8, 7), static_cast<int32_t>(0x7F000000 | Rgb(9, 8, 7))},
       {{Rgb(9, 8, 7), 2}}},
  };
  for (const Case &C : Cases) {
    TKMean Means(2, 2);
    for (int32_t Colour : C.Colours)
      Means.AddColour(Colour);
    ASSERT_EQ(Means.PointCount(), static_cast<int32_t>(C.Points.size())) << C.Name;
    for (int32_t I = 0; I < Means.PointCount(); ++I) {
      const TKMeanPoint &P = Means.Point(I);
      EXPECT_EQ(Rgb(P.R, P.G, P.B), C.Points[I].first) << C.Name << " point " << I;
      EXPECT_EQ(P.Weight, C.Points[I].second) << C.Name << " point " << I;
      EXPECT_EQ(P.Cluster, 0) << C.Name;
      EXPECT_EQ(Means.IndexOfColour(C.Points[I].first), I) << C.Name;
    }
  }
  TKMean Empty(0, 0);
  EXPECT_EQ(Empty.IndexOfColour(0), -1);
  EXPECT_EQ(Empty.Iterate(), 0); // no clusters: nothing to assign
}

// More distinct colours than a 16-bit index can number keep their own points.
TEST(KMean, ManyDistinctColours)
{
  TKMean Means(16, 2);
  const int32_t Count = 70000;
  for (int32_t I = 0; I < Count; ++I)
    Means.AddColour(I * 239);
  for (int32_t I = 0; I < Count; I += 7)
    Means.AddColour(I * 239);
  ASSERT_EQ(Means.PointCount(), Count);
  for (int32_t I = 0; I < Count; ++I) {
    ASSERT_EQ(Means.IndexOfColour(I * 239), I);
    ASSERT_EQ(Means.Point(I).Weight, I % 7 == 0 ? 2 : 1);
  }
}

TEST(KMean, TiesKeepThePointWhereItIs)
{
  // One point, grey 10, starting in cluster 0 as every new point does.
  struct Case
  {
    const char *Name;
    std::vector<int32_t> Centres;
    int32_t Expected; // cluster after one pass
    int32_t Moves;    // reassignments counted
  } Cases[] = {
      // Grey 10 is 10 * sqrt(3) from both grey 0 and grey 20.
      {"equal to the current", {Rgb(0, 0, 0), Rgb(20, 20, 20)}, 0, 0},
      // Both others are nearer and equally near: the first one reached wins.
      {"equal others", {Rgb(200, 200, 200), Rgb(5, 5, 5), Rgb(15, 15, 15)}, 1, 1},
      // Each strictly better cluster on the way counts as a move.
      {"two improvements", {Rgb(100, 100, 100), Rgb(40, 40, 40), Rgb(10, 10, 10)}, 2, 2},
  };
  for (const Case &C : Cases) {
    TKMean Means(1, 3);
    Means.AddColour(Rgb(10, 10, 10));
    for (int32_t Centre : C.Centres)
      Means.AddCluster(false, Centre);
    EXPECT_EQ(Means.Iterate(), C.Moves) << C.Name;
    EXPECT_EQ(Means.Point(0).Cluster, C.Expected) << C.Name;
    EXPECT_EQ(Means.Iterate(), 0) << C.Name;
  }
}

TEST(KMean, TwoGroupsSettle)
{
  TKMean Means(8, 2);
  for (int I = 0; I < 6; ++I)
    Means.AddColour(Rgb(200, 150, 120)); // skin
  Means.AddColour(Rgb(40, 30, 20));      // a dark hair, twice
  Means.AddColour(Rgb(40, 30, 20));
  Means.AddColour(Rgb(210, 160, 130));
  Means.AddCluster(true, Rgb(200, 150, 120));
  Means.AddCluster(true, Rgb(40, 30, 20));
  int32_t Passes = 0;
  while (Means.Iterate() != 0)
    ASSERT_LT(++Passes, 10);
  EXPECT_EQ(Means.Cluster(0).Weight, 7);
  EXPECT_EQ(Means.Cluster(1).Weight, 2);
  EXPECT_EQ(Means.Point(Means.IndexOfColour(Rgb(210, 160, 130))).Cluster, 0);
  // Centre of cluster 0: (6 * 200 + 210) / 7 in red.
  EXPECT_FLOAT_EQ(Means.Cluster(0).Centre[2], 1410.0f / 7.0f);
  EXPECT_FLOAT_EQ(Means.Cluster(1).Centre[0], 20.0f);
  EXPECT_GT(Means.Total(), 0.0);

  // A fixed cluster keeps its centre.
  TKMean Fixed(2, 1);
  Fixed.AddColour(Rgb(10, 10, 10));
  Fixed.AddCluster(false, Rgb(0, 0, 0));
  Fixed.Iterate();
  EXPECT_EQ(Fixed.Cluster(0).Centre[0], 0.0f);
  EXPECT_EQ(Fixed.Cluster(0).Weight, 1);
}

TEST(KMean, MatchesTheDirectTableVersion)
{
  std::mt19937 Rng(11);
  test::TableKMean Table; // one 32 MiB table, reset between rounds
  for (int Round = 0; Round < 40; ++Round) {
    // Few distinct colours so that many repeat, as on a ring of skin.
    std::vector<int32_t> Palette(2 + Rng() % 30);
    for (int32_t &C : Palette)
      C = static_cast<int32_t>(Rng() & 0xFFFFFF);
    const int32_t Samples = 1 + Rng() % 400;
    const int32_t ClusterCount = 2 + Rng() % 3;
    TKMean Fast(Samples, ClusterCount);
    Table.Reset();
    for (int32_t I = 0; I < Samples; ++I) {
      const int32_t C = Palette[Rng() % Palette.size()];
      Fast.AddColour(C);
      Table.AddColour(C);
    }
    for (int32_t I = 0; I < ClusterCount; ++I) {
      const int32_t C = static_cast<int32_t>(Rng() & 0xFFFFFF);
      const bool Movable = I > 0 || Rng() % 2;
      Fast.AddCluster(Movable, C);
      Table.AddCluster(Movable, C);
    }
    ASSERT_EQ(Fast.PointCount(), static_cast<int32_t>(Table.Points.size()));
    for (int Pass = 0; Pass < 50; ++Pass) {
      const int32_t Moves = Table.Iterate();
      ASSERT_EQ(Fast.Iterate(), Moves) << "round " << Round << " pass " << Pass;
      ASSERT_EQ(Fast.Total(), Table.Total);
      for (int32_t I = 0; I < Fast.PointCount(); ++I) {
        ASSERT_EQ(Fast.Point(I).Cluster, Table.Points[I].Cluster);
        ASSERT_EQ(Fast.Point(I).Weight, Table.Points[I].Weight);
      }
      for (int32_t K = 0; K < ClusterCount; ++K) {
        ASSERT_EQ(Fast.Cluster(K).Weight, Table.Clusters[K].Weight);
        for (int C = 0; C < 3; ++C)
          ASSERT_TRUE(SameBits(Fast.Cluster(K).Centre[C], Table.Clusters[K].Centre[C]));
      }
      if (Moves == 0)
        break;
    }
  }
}

} // namespace
} // namespace facette
