// A set of window pixels made of disjoint rectangles: the update region of
// a paint and the clip that content painters cut their work out of.
#pragma once

#include "framework/ZrTypes.h"

#include <vector>

namespace facette {

class TZrRegion
{
public:
  TZrRegion() = default;
  explicit TZrRegion(const TZrRect &Rect) { Add(Rect); }

  bool IsEmpty() const { return Rects.empty(); }
  // The smallest rectangle holding the whole region; empty when it is.
  TZrRect BoundingBox() const;
  // Disjoint, none empty, in no particular order.
  const std::vector<TZrRect> &GetRects() const { return Rects; }

  void Clear() { Rects.clear(); }
  // Adds the pixels of Rect not yet in the region.
  void Add(const TZrRect &Rect);
  void Add(const TZrRegion &Region);
  // Removes the pixels of Rect.
  void Exclude(const TZrRect &Rect);
  // Keeps only the pixels inside Rect.
  void Intersect(const TZrRect &Rect);

  // Whether any pixel of Rect is in the region.
  bool Intersects(const TZrRect &Rect) const;
  bool Contains(int32_t X, int32_t Y) const;
  // Number of pixels (for tests and checks).
  int64_t Area() const;

private:
  std::vector<TZrRect> Rects;
};

} // namespace facette
