// K-means clustering of 24-bit colours, used to find a minority of
// defect-coloured pixels (a hair, a scratch) on the ring around a defect.
// Equal colours are merged into one weighted point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace facette {

struct TKMeanPoint
{
  uint8_t B = 0, G = 0, R = 0;
  int32_t Cluster = 0; // index of the cluster the point belongs to
  int32_t Weight = 0;  // how many times the colour was added
};

struct TKMeanCluster
{
  float Centre[3] = {}; // blue, green, red
  float Sums[3] = {};   // of the last pass
  int32_t Weight = 0;   // points' weights summed in the last pass
  bool Movable = true;  // recentred after each pass
};

class TKMean
{
public:
  // The capacities are hints; both lists grow as needed.
  TKMean(int32_t PointCapacity, int32_t ClusterCapacity);

  int32_t PointCount() const { return static_cast<int32_t>(Points.size()); }
  int32_t ClusterCount() const { return static_cast<int32_t>(Clusters.size()); }
  const TKMeanPoint &Point(int32_t I) const { return Points[I]; }
  const TKMeanCluster &Cluster(int32_t I) const { return Clusters[I]; }
  // Sum of the points' distances to their clusters in the last pass.
  double Total() const { return Total_; }

  // Colours are 00RRGGBB; bits above the 24 colour bits are ignored.
  void AddColour(int32_t Colour);
  void AddCluster(bool Movable, int32_t Colour);
  // The point of a colour, or -1 when the colour was never added.
  int32_t IndexOfColour(int32_t Colour) const;

  // One assignment pass followed by recentring; returns how many times a
  // point moved to a strictly nearer cluster.
  int32_t Iterate();

  // Weighted distance of a point to a cluster's centre.
  double Distance(const TKMeanPoint &P, const TKMeanCluster &C) const;

private:
  // Open-addressed colour -> point table sized to the points actually
  // added; a direct table over all 2^24 colours would cost 32 MiB per use.
  void Rehash(size_t NewSize);

  std::vector<TKMeanPoint> Points;
  std::vector<TKMeanCluster> Clusters;
  double Total_ = 0.0;
  std::vector<uint32_t> Keys; // EmptyKey where unused
  std::vector<int32_t> Slots; // point index per key
  uint32_t Shift = 0;         // 32 - log2(Keys.size())
};

} // namespace facette
