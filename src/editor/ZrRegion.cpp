#include "editor/ZrRegion.h"

namespace facette {

namespace {

// Appends the parts of R outside Cut (up to four bands) to Out.
void Subtract(const TZrRect &R, const TZrRect &Cut, std::vector<TZrRect> &Out)
{
  const TZrRect Overlap = IntersectRect(R, Cut);
  if (Overlap.IsEmpty()) {
    Out.push_back(R);
    return;
  }
  if (R.Top < Overlap.Top)
    Out.push_back(TZrRect{R.Left, R.Top, R.Right, Overlap.Top});
  if (Overlap.Bottom < R.Bottom)
    Out.push_back(TZrRect{R.Left, Overlap.Bottom, R.Right, R.Bottom});
  if (R.Left < Overlap.Left)
    Out.push_back(TZrRect{R.Left, Overlap.Top, Overlap.Left, Overlap.Bottom});
  if (Overlap.Right < R.Right)
    Out.push_back(TZrRect{Overlap.Right, Overlap.Top, R.Right, Overlap.Bottom});
}

} // namespace

TZrRect TZrRegion::BoundingBox() const
{
  TZrRect Box;
  for (const TZrRect &R : Rects)
    Box = UnionRect(Box, R);
  return Box;
}

void TZrRegion::Add(const TZrRect &Rect)
{
  if (Rect.IsEmpty())
    return;
  // Only what no rectangle holds yet is added, so the rectangles stay
  // disjoint.
  std::vector<TZrRect> Pieces{Rect};
  for (const TZrRect &Existing : Rects) {
    std::vector<TZrRect> Next;
    for (const TZrRect &Piece : Pieces)
      Subtract(Piece, Existing, Next);
    Pieces.swap(Next);
    if (Pieces.empty())
      return;
  }
  Rects.insert(Rects.end(), Pieces.begin(), Pieces.end());
}

void TZrRegion::Add(const TZrRegion &Region)
{
  for (const TZrRect &R : Region.Rects)
    Add(R);
}

void TZrRegion::Exclude(const TZrRect &Rect)
{
  if (Rect.IsEmpty())
    return;
  std::vector<TZrRect> Next;
  Next.reserve(Rects.size() + 4);
  for (const TZrRect &R : Rects)
    Subtract(R, Rect, Next);
  Rects.swap(Next);
}

void TZrRegion::Intersect(const TZrRect &Rect)
{
  std::vector<TZrRect> Next;
  for (const TZrRect &R : Rects) {
    const TZrRect Overlap = IntersectRect(R, Rect);
    if (!Overlap.IsEmpty())
      Next.push_back(Overlap);
  }
  Rects.swap(Next);
}

bool TZrRegion::Intersects(const TZrRect &Rect) const
{
  for (const TZrRect &R : Rects)
    if (!IntersectRect(R, Rect).IsEmpty())
      return true;
  return false;
}

bool TZrRegion::Contains(int32_t X, int32_t Y) const
{
  for (const TZrRect &R : Rects)
    if (R.Contains(X, Y))
      return true;
  return false;
}

int64_t TZrRegion::Area() const
{
  int64_t Sum = 0;
  for (const TZrRect &R : Rects)
    Sum += static_cast<int64_t>(R.Width()) * R.Height();
  return Sum;
}

} // namespace facette
