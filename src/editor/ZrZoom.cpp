#include "editor/ZrZoom.h"

#include "imaging/ZrBitmap.h"

namespace facette {

int32_t ZoomPermille(TZrZoom Zoom)
{
  return MulDiv(1000, Zoom.Numerator, Zoom.Denominator);
}

TZrZoom ZoomInFrom(TZrZoom Current)
{
  const int32_t Now = ZoomPermille(Current);
  for (const TZrZoom &Step : ZoomTable)
    if (ZoomPermille(Step) > Now)
      return Step;
  return ZoomTable.back();
}

TZrZoom ZoomOutFrom(TZrZoom Current)
{
  const int32_t Now = ZoomPermille(Current);
  for (auto It = ZoomTable.rbegin(); It != ZoomTable.rend(); ++It)
    if (ZoomPermille(*It) < Now)
      return *It;
  return ZoomTable.front();
}

bool BestFitZoom(int32_t ImageWidth, int32_t ImageHeight, int32_t ViewWidth, int32_t ViewHeight,
                 TZrZoom &Zoom)
{
  if (ImageWidth <= 0 || ImageHeight <= 0 || ViewWidth <= 0 || ViewHeight <= 0)
    return false;
  // ImageHeight / ViewHeight >= ImageWidth / ViewWidth, without rounding.
  if (static_cast<int64_t>(ImageHeight) * ViewWidth >=
      static_cast<int64_t>(ImageWidth) * ViewHeight)
    Zoom = {ViewHeight, ImageHeight};
  else
    Zoom = {ViewWidth, ImageWidth};
  return true;
}

bool FitOnOpenZoom(int32_t ImageWidth, int32_t ImageHeight, int32_t ViewWidth, int32_t ViewHeight,
                   TZrZoom &Zoom)
{
  if (ImageWidth <= 0 || ImageHeight <= 0 || ViewWidth <= 0 || ViewHeight <= 0)
    return false;
  if (ViewWidth >= ImageWidth && ViewHeight >= ImageHeight) {
    Zoom = {1, 1};
    return true;
  }
  return BestFitZoom(ImageWidth, ImageHeight, ViewWidth, ViewHeight, Zoom);
}

} // namespace facette
