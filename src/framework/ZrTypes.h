// Small geometry types shared by every subsystem. Rectangles are left, top,
// right, bottom with right and bottom exclusive.
#pragma once

#include <algorithm>
#include <cstdint>

namespace facette {

struct TZrPoint
{
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TZrPoint &, const TZrPoint &) = default;
};

struct TZrRect
{
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int32_t X, int32_t Y) const
  {
    return X >= Left && X < Right && Y >= Top && Y < Bottom;
  }
  friend bool operator==(const TZrRect &, const TZrRect &) = default;
};

inline TZrRect MakeRect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom)
{
  return TZrRect{Left, Top, Right, Bottom};
}

inline TZrRect Bounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height)
{
  return TZrRect{Left, Top, Left + Width, Top + Height};
}

// The overlap of two rectangles; an empty result is all zero.
inline TZrRect IntersectRect(const TZrRect &A, const TZrRect &B)
{
  TZrRect R{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
            std::min(A.Bottom, B.Bottom)};
  return R.IsEmpty() ? TZrRect{} : R;
}

// The smallest rectangle holding both; an empty operand does not count.
inline TZrRect UnionRect(const TZrRect &A, const TZrRect &B)
{
  if (A.IsEmpty())
    return B.IsEmpty() ? TZrRect{} : B;
  if (B.IsEmpty())
    return A;
  return TZrRect{std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                 std::max(A.Bottom, B.Bottom)};
}

inline TZrRect OffsetRect(const TZrRect &R, int32_t DX, int32_t DY)
{
  return TZrRect{R.Left + DX, R.Top + DY, R.Right + DX, R.Bottom + DY};
}

} // namespace facette
