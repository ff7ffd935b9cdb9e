#include "print/ZrPrintLayout.h"

#include "imaging/ZrBitmap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace facette {

namespace {

// Images that state no resolution are printed as the screen shows them.
constexpr int32_t DefaultDpi = 96;

int32_t NaturalSide(int32_t Pixels, int32_t Dpi)
{
  if (Dpi <= 0)
    Dpi = DefaultDpi;
  return static_cast<int32_t>(std::nearbyint(static_cast<double>(Pixels) / Dpi * 2540.0));
}

int32_t RoundSize(double Value)
{
  const double Rounded = std::nearbyint(Value);
  if (!(Rounded >= 0))
    return 0;
  if (Rounded > std::numeric_limits<int32_t>::max())
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(Rounded);
}

} // namespace

void TZrPrintLayout::SetImage(int32_t Width, int32_t Height, int32_t HorizontalDpi,
                              int32_t VerticalDpi)
{
  NaturalWidth = NaturalSide(Width, HorizontalDpi);
  NaturalHeight = NaturalSide(Height, VerticalDpi);
  PrintWidth = NaturalWidth;
  PrintHeight = NaturalHeight;
}

void TZrPrintLayout::Center(const TZrHiMetric &Map)
{
  const TZrPoint Corner = Map.PaperCorner();
  PrintLeft = (Corner.X - PrintWidth) / 2;
  PrintTop = (Corner.Y - PrintHeight) / 2;
}

void TZrPrintLayout::MoveToOrigin(const TZrHiMetric &Map)
{
  const TZrRect Area = Map.PrintableRect();
  PrintLeft = Area.Left;
  PrintTop = Area.Top;
}

void TZrPrintLayout::ScaleToFit(const TZrHiMetric &Map)
{
  const TZrPoint Corner = Map.PaperCorner();
  TZrRect Area = Map.PrintableRect();
  // The narrower margin of two opposite sides is widened to the other, so
  // the photo ends up centred on the paper as well as in the area.
  if (Corner.X - Area.Right < Area.Left)
    Area.Right = Corner.X - Area.Left;
  else
    Area.Left = Corner.X - Area.Right;
  if (Corner.Y - Area.Bottom < Area.Top)
    Area.Bottom = Corner.Y - Area.Top;
  else
    Area.Top = Corner.Y - Area.Bottom;

  const double Width = PrintWidth != 0 ? PrintWidth : 1;
  const double Height = PrintHeight != 0 ? PrintHeight : 1;
  const double Scale = std::min(Area.Height() / Height, Area.Width() / Width);
  const int32_t FitWidth = RoundSize(PrintWidth * Scale);
  const int32_t FitHeight = RoundSize(PrintHeight * Scale);
  PrintLeft = (Area.Left + Area.Right) / 2 - FitWidth / 2;
  PrintTop = (Area.Top + Area.Bottom) / 2 - FitHeight / 2;
  PrintWidth = FitWidth;
  PrintHeight = FitHeight;
}

double TZrPrintLayout::ScalePercent() const
{
  if (NaturalHeight >= NaturalWidth)
    return NaturalHeight > 0 ? 100.0 * PrintHeight / NaturalHeight : 0.0;
  return NaturalWidth > 0 ? 100.0 * PrintWidth / NaturalWidth : 0.0;
}

void TZrPrintLayout::SetScalePercent(double Percent)
{
  if (!std::isfinite(Percent))
    return;
  PrintWidth = RoundSize(NaturalWidth * Percent / 100.0);
  PrintHeight = RoundSize(NaturalHeight * Percent / 100.0);
}

void TZrPrintLayout::SetWidthKeepingProportions(int32_t Width)
{
  PrintWidth = Width;
  const int32_t Height = MulDiv(Width, NaturalHeight, NaturalWidth);
  // Without a natural width (or beyond the integer range) the height stays.
  if (NaturalWidth > 0 && Height >= 0)
    PrintHeight = Height;
}

void TZrPrintLayout::SetHeightKeepingProportions(int32_t Height)
{
  PrintHeight = Height;
  const int32_t Width = MulDiv(Height, NaturalWidth, NaturalHeight);
  if (NaturalHeight > 0 && Width >= 0)
    PrintWidth = Width;
}

bool TZrPrintLayout::FitsPage(const TZrHiMetric &Map) const
{
  const TZrRect R = DeviceRect(Map);
  const TZrRect Page = Map.PageRect();
  return R.Left >= Page.Left && R.Top >= Page.Top && R.Right <= Page.Right &&
         R.Bottom <= Page.Bottom;
}

bool TZrPrintLayout::LargerThanPage(const TZrHiMetric &Map) const
{
  const TZrRect R = DeviceRect(Map);
  const TZrRect Page = Map.PageRect();
  return R.Width() > Page.Width() || R.Height() > Page.Height();
}

} // namespace facette
