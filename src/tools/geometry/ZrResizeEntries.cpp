#include "tools/geometry/ZrResizeEntries.h"

#include "imaging/ZrBitmap.h"

#include <algorithm>

namespace facette {

int32_t ProportionalSide(int32_t Side, int32_t Scaled, int32_t Whole)
{
  // A side that rounds to nothing, or does not fit 32 bits (MulDiv's -1),
  // would make a size no image can have.
  return std::max(MulDiv(Side, Scaled, std::max(Whole, 1)), 1);
}

bool TZrResizeEntries::SetNewWidth(int32_t Value, int32_t ImageWidth, int32_t ImageHeight)
{
  if (Value == NewWidth)
    return false;
  NewWidth = std::max(Value, 1);
  if (ConstrainProportions)
    NewHeight = ProportionalSide(ImageHeight, NewWidth, ImageWidth);
  return true;
}

bool TZrResizeEntries::SetNewHeight(int32_t Value, int32_t ImageWidth, int32_t ImageHeight)
{
  if (Value == NewHeight)
    return false;
  NewHeight = std::max(Value, 1);
  if (ConstrainProportions)
    NewWidth = ProportionalSide(ImageWidth, NewHeight, ImageHeight);
  return true;
}

bool TZrResizeEntries::SetConstrainProportions(bool Value, int32_t ImageWidth, int32_t ImageHeight)
{
  if (Value == ConstrainProportions)
    return false;
  ConstrainProportions = Value;
  if (Value && NewWidth != 0 && NewHeight != 0) {
    // The image's proportions fitted into the box typed: the side that
    // would grow stays, the other shrinks.
    if (static_cast<double>(ImageHeight) / NewHeight >= static_cast<double>(ImageWidth) / NewWidth)
      NewWidth = ProportionalSide(ImageWidth, NewHeight, ImageHeight);
    else
      NewHeight = ProportionalSide(ImageHeight, NewWidth, ImageWidth);
  }
  return true;
}

} // namespace facette
