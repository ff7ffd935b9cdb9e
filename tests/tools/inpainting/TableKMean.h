// Test helper: k-means over a direct table of all 2^24 colours with 16-bit
// point indexes, written plainly; the hashed TKMean must behave the same.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace facette::test {

class TableKMean
{
public:
  struct Point
  {
    uint8_t B, G, R;
    int32_t Cluster, Weight;
  };
  struct Cluster
  {
    float Centre[3], Sums[3];
    int32_t Weight;
    bool Movable;
  };
  std::vector<Point> Points;
  std::vector<Cluster> Clusters;
  double Total = 0;
  std::vector<uint16_t> ColourIndex = std::vector<uint16_t>(1u << 24, 0xFFFF);

  // Empties the lists; the table is reset only where colours were added.
  void Reset()
  {
    for (const Point &P : Points)
      ColourIndex[P.B | (P.G << 8) | (P.R << 16)] = 0xFFFF;
    Points.clear();
    Clusters.clear();
    Total = 0;
  }

  void AddColour(int32_t C)
  {
    uint16_t &Index = ColourIndex[C & 0xFFFFFF];
    if (Index == 0xFFFF) {
      Index = static_cast<uint16_t>(Points.size());
      Points.push_back({static_cast<uint8_t>(C), static_cast<uint8_t>(C >> 8),
                        static_cast<uint8_t>(C >> 16), 0, 1});
    } else {
      ++Points[Index].Weight;
    }
  }
  void AddCluster(bool Movable, int32_t C)
  {
    Cluster K{};
    K.Centre[0] = static_cast<float>(C & 0xFF);
    K.Centre[1] = static_cast<float>((C >> 8) & 0xFF);
    K.Centre[2] = static_cast<float>((C >> 16) & 0xFF);
    K.Movable = Movable;
    Clusters.push_back(K);
  }
  double Distance(const Point &P, const Cluster &C) const
  {
    const double DB = double(P.B) - double(C.Centre[0]);
    const double DG = double(P.G) - double(C.Centre[1]);
    const double DR = double(P.R) - double(C.Centre[2]);
    return std::sqrt(DB * DB + DG * DG + DR * DR) * P.Weight;
  }
  int32_t Iterate()
  {
    for (Cluster &C : Clusters) {
      C.Sums[0] = C.Sums[1] = C.Sums[2] = 0;
      C.Weight = 0;
    }
    Total = 0;
    int32_t Moves = 0;
    for (Point &P : Points) {
      const int32_t Current = P.Cluster;
      double Best = Distance(P, Clusters[Current]);
      for (int32_t I = 0; I < static_cast<int32_t>(Clusters.size()); ++I) {
        if (I == Current)
          continue;
        const double D = Distance(P, Clusters[I]);
        if (D < Best) {
          Best = D;
          P.Cluster = I;
          ++Moves;
        }
      }
      Total += Best;
      Cluster &C = Clusters[P.Cluster];
      C.Sums[0] += static_cast<float>(P.B * P.Weight);
      C.Sums[1] += static_cast<float>(P.G * P.Weight);
      C.Sums[2] += static_cast<float>(P.R * P.Weight);
      C.Weight += P.Weight;
    }
    for (Cluster &C : Clusters)
      if (C.Movable && C.Weight > 0) {
        const float Inverse = 1.0f / static_cast<float>(C.Weight);
        for (int K = 0; K < 3; ++K)
          C.Centre[K] = C.Sums[K] * Inverse;
      }
    return Moves;
  }
};

} // namespace facette::test
