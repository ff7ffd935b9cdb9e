#include "tools/inpainting/KMean.h"

#include <algorithm>
#include <cmath>

namespace facette {

namespace {

constexpr uint32_t EmptyKey = 0xFFFFFFFFu; // never a 24-bit colour

inline uint32_t ColourKey(int32_t Colour)
{
  return static_cast<uint32_t>(Colour) & 0xFFFFFFu;
}

} // namespace

TKMean::TKMean(int32_t PointCapacity, int32_t ClusterCapacity)
{
  Points.reserve(static_cast<size_t>(std::max(PointCapacity, 0)));
  Clusters.reserve(static_cast<size_t>(std::max(ClusterCapacity, 0)));
  // Keep the table at most half full for the expected number of colours.
  size_t Size = 16;
  while (Size < static_cast<size_t>(std::max(PointCapacity, 0)) * 2)
    Size *= 2;
  Rehash(Size);
}

void TKMean::Rehash(size_t NewSize)
{
  Keys.assign(NewSize, EmptyKey);
  Slots.assign(NewSize, -1);
  Shift = 32;
  for (size_t S = NewSize; S > 1; S >>= 1)
    --Shift;
  const size_t Mask = NewSize - 1;
  for (int32_t I = 0; I < PointCount(); ++I) {
    const TKMeanPoint &P = Points[I];
    const uint32_t Key = P.B | (P.G << 8) | (static_cast<uint32_t>(P.R) << 16);
    size_t Slot = (Key * 0x9E3779B1u) >> Shift;
    while (Keys[Slot] != EmptyKey)
      Slot = (Slot + 1) & Mask;
    Keys[Slot] = Key;
    Slots[Slot] = I;
  }
}

int32_t TKMean::IndexOfColour(int32_t Colour) const
{
  const uint32_t Key = ColourKey(Colour);
  const size_t Mask = Keys.size() - 1;
  for (size_t Slot = (Key * 0x9E3779B1u) >> Shift;; Slot = (Slot + 1) & Mask) {
    if (Keys[Slot] == Key)
      return Slots[Slot];
    if (Keys[Slot] == EmptyKey)
      return -1;
  }
}

void TKMean::AddColour(int32_t Colour)
{
  const uint32_t Key = ColourKey(Colour);
  const size_t Mask = Keys.size() - 1;
  size_t Slot = (Key * 0x9E3779B1u) >> Shift;
  for (; Keys[Slot] != EmptyKey; Slot = (Slot + 1) & Mask)
    if (Keys[Slot] == Key) {
      ++Points[Slots[Slot]].Weight;
      return;
    }
  TKMeanPoint P;
  P.B = static_cast<uint8_t>(Key);
  P.G = static_cast<uint8_t>(Key >> 8);
  P.R = static_cast<uint8_t>(Key >> 16);
  P.Cluster = 0;
  P.Weight = 1;
  Points.push_back(P);
  Keys[Slot] = Key;
  Slots[Slot] = PointCount() - 1;
  if (static_cast<size_t>(PointCount()) * 2 > Keys.size())
    Rehash(Keys.size() * 2);
}

void TKMean::AddCluster(bool Movable, int32_t Colour)
{
  TKMeanCluster C;
  C.Centre[0] = static_cast<float>(Colour & 0xFF);
  C.Centre[1] = static_cast<float>((Colour >> 8) & 0xFF);
  C.Centre[2] = static_cast<float>((Colour >> 16) & 0xFF);
  C.Movable = Movable;
  Clusters.push_back(C);
}

double TKMean::Distance(const TKMeanPoint &P, const TKMeanCluster &C) const
{
  const double DB = static_cast<double>(P.B) - static_cast<double>(C.Centre[0]);
  const double DG = static_cast<double>(P.G) - static_cast<double>(C.Centre[1]);
  const double DR = static_cast<double>(P.R) - static_cast<double>(C.Centre[2]);
  return std::sqrt(DB * DB + DG * DG + DR * DR) * static_cast<double>(P.Weight);
}

int32_t TKMean::Iterate()
{
  for (TKMeanCluster &C : Clusters) {
    C.Sums[0] = C.Sums[1] = C.Sums[2] = 0.0f;
    C.Weight = 0;
  }
  Total_ = 0.0;
  int32_t Moves = 0;
  const int32_t Count = ClusterCount();
  if (Count == 0)
    return 0;
  for (TKMeanPoint &P : Points) {
    if (P.Cluster < 0 || P.Cluster >= Count)
      P.Cluster = 0;
    const int32_t Current = P.Cluster;
    double Best = Distance(P, Clusters[Current]);
    for (int32_t I = 0; I < Count; ++I) {
      if (I == Current)
        continue;
      const double D = Distance(P, Clusters[I]);
      if (D < Best) {
        Best = D;
        P.Cluster = I;
        ++Moves;
      }
    }
    Total_ += Best;
    TKMeanCluster &C = Clusters[P.Cluster];
    C.Sums[0] += static_cast<float>(int64_t{P.B} * P.Weight);
    C.Sums[1] += static_cast<float>(int64_t{P.G} * P.Weight);
    C.Sums[2] += static_cast<float>(int64_t{P.R} * P.Weight);
    C.Weight += P.Weight;
  }
  for (TKMeanCluster &C : Clusters)
    if (C.Movable && C.Weight > 0) {
      const float Inverse = 1.0f / static_cast<float>(C.Weight);
      for (int K = 0; K < 3; ++K)
        C.Centre[K] = C.Sums[K] * Inverse;
    }
  return Moves;
}

} // namespace facette
