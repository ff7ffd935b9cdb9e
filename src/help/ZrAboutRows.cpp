#include "help/ZrAboutRows.h"

#include "imaging/ZrBitmap.h"

#include <cmath>

namespace facette {

namespace {

bool IsSeparator(char C)
{
  return C == '/' || C == ':' || C == '\\';
}

} // namespace

std::string LinkHost(std::string_view Address)
{
  const size_t Colon = Address.find(':');
  if (Colon == std::string_view::npos)
    return {};
  size_t Start = Colon + 1;
  while (Start < Address.size() && IsSeparator(Address[Start]))
    ++Start;
  size_t End = Start;
  while (End < Address.size() && !IsSeparator(Address[End]))
    ++End;
  return std::string(Address.substr(Start, End - Start));
}

TZrAboutLayout::TZrAboutLayout(const TZrAboutMetrics &Metrics, int32_t BoxWidth,
                               int32_t PictureWidth)
    : Metrics(Metrics), BoxWidth(BoxWidth), PictureWidth(PictureWidth > 0 ? PictureWidth : BoxWidth)
{}

int32_t TZrAboutLayout::Scale(int32_t Value) const
{
  if (PictureWidth == BoxWidth)
    return Value;
  return MulDiv(Value, BoxWidth, PictureWidth);
}

TZrRect TZrAboutLayout::Place(const TZrAboutRow &Row, int32_t TextWidth, int32_t TextHeight)
{
  const int32_t LineHeight = Metrics.CharHeight + Metrics.ExternalLeading;
  Previous.Bottom +=
      static_cast<int32_t>(std::nearbyint(static_cast<double>(LineHeight) * Row.LineFactor));

  int32_t Left;
  int32_t Top;
  if (Row.Flags & afSameLine) {
    Left = Previous.Right + Metrics.AverageCharWidth;
    Top = Previous.Top;
  } else {
    Left = Row.Left != 0 ? Scale(Row.Left) : Previous.Left;
    Top = Row.Top != 0 ? Scale(Row.Top) : Previous.Bottom + 2 * Metrics.ExternalLeading;
  }
  const int32_t Width = Row.Width != 0 ? Scale(Row.Width) : TextWidth;
  const int32_t Height = Row.Height != 0 ? Scale(Row.Height) : TextHeight;
  const TZrRect Label = Bounds(Left, Top, Width, Height);

  if (Row.Flags & afSameLine)
    Previous = UnionRect(Previous, Label);
  else
    Previous = Label;
  return Label;
}

} // namespace facette
