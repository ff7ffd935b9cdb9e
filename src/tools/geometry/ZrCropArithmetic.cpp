#include "tools/geometry/ZrCropArithmetic.h"

#include <charconv>

namespace facette {

const std::array<std::string_view, 13> PrintFormatItems = {
    "1x1 ",
    "1x2 (15x30)",
    "2x1 (30x15)",
    "1x3 (30x90)",
    "3x1 (90x30)",
    "2x3 (4x6 6x9 10x15 20x30 30x45)",
    "3x2 (6x9 9x6 15x10 30x20 45x30)",
    "3x4 (9x12 15x20 30x40)",
    "4x3 (12x9 20x15 40x30)",
    "4x5 (20x25)",
    "5x4 (25x20)",
    "5x7 (9x13 13x18)",
    "7x5 (13x9 18x13)",
};

const std::array<std::string_view, 6> ScreenFormatItems = {
    "4x3 (1024x768 1152x864 1280x960)",
    "5x3 (1280x768)",
    "5x4 (1240x1024)",
    "12x7 (1024x600)",
    "16x9 (1366x768 1600x900 1920x1080)",
    "16x10 (1280x800 1440x900 1920x1200)",
};

namespace {

// The whole text as a non-negative decimal integer, blanks around it
// allowed; false for anything else.
bool ParseWhole(std::string_view Text, int32_t &Value)
{
  while (!Text.empty() && Text.front() == ' ')
    Text.remove_prefix(1);
  while (!Text.empty() && Text.back() == ' ')
    Text.remove_suffix(1);
  if (Text.empty())
    return false;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return Error == std::errc() && End == Text.data() + Text.size() && Value >= 0;
}

} // namespace

int32_t GreatestCommonDivisor(int32_t A, int32_t B)
{
  while (A != 0 && B != 0) {
    if (A > B)
      A %= B;
    else
      B %= A;
  }
  return A + B;
}

TZrCropRatio ParseCropRatio(std::string_view Text)
{
  const size_t P = Text.find('x');
  if (P == std::string_view::npos)
    return {};
  std::string_view After = Text.substr(P + 1);
  After = After.substr(0, After.find(' '));
  int32_t W = 0, H = 0;
  if (!ParseWhole(Text.substr(0, P), W) || !ParseWhole(After, H))
    return {};
  // A zero side has no ratio (and both zero would divide by zero).
  if (W == 0 || H == 0)
    return {};
  const int32_t G = GreatestCommonDivisor(W, H);
  return TZrCropRatio{W / G, H / G};
}

TZrRect ApplyCropRatio(int32_t Code, const TZrRect &R, TZrCropRatio Ratio)
{
  if (Ratio.IsFree())
    return R;
  TZrRect S = R;
  const int32_t W = R.Width(), H = R.Height();
  // The side the handle drags decides k; the other side follows it.
  switch (Code) {
  case chTop:
  case chTopRight:
    S.Top = S.Bottom - H / Ratio.Y * Ratio.Y;
    S.Right = S.Left + S.Height() / Ratio.Y * Ratio.X;
    break;
  case chBottomRight:
  case chBottom:
    S.Bottom = S.Top + H / Ratio.Y * Ratio.Y;
    S.Right = S.Left + S.Height() / Ratio.Y * Ratio.X;
    break;
  case chBottomLeft:
    S.Bottom = S.Top + H / Ratio.Y * Ratio.Y;
    S.Left = S.Right - S.Height() / Ratio.Y * Ratio.X;
    break;
  case chTopLeft:
    S.Top = S.Bottom - H / Ratio.Y * Ratio.Y;
    S.Left = S.Right - S.Height() / Ratio.Y * Ratio.X;
    break;
  case chRight:
    S.Right = S.Left + W / Ratio.X * Ratio.X;
    S.Top = S.Bottom - S.Width() / Ratio.X * Ratio.Y;
    break;
  case chLeft:
    S.Left = S.Right - W / Ratio.X * Ratio.X;
    S.Top = S.Bottom - S.Width() / Ratio.X * Ratio.Y;
    break;
  default:
    break;
  }
  return S;
}

TZrPoint CropHandleCentre(int32_t Code, const TZrRect &S)
{
  const int32_t MidX = (S.Left + S.Right) / 2, MidY = (S.Top + S.Bottom) / 2;
  switch (Code) {
  case chTop:
    return {MidX, S.Top};
  case chTopRight:
    return {S.Right, S.Top};
  case chRight:
    return {S.Right, MidY};
  case chBottomRight:
    return {S.Right, S.Bottom};
  case chBottom:
    return {MidX, S.Bottom};
  case chBottomLeft:
    return {S.Left, S.Bottom};
  case chLeft:
    return {S.Left, MidY};
  default:
    return {S.Left, S.Top};
  }
}

TZrRect CropHandleSquare(TZrPoint Centre, int32_t Side)
{
  const int32_t Offset = Side / 2;
  return Bounds(Centre.X - Offset, Centre.Y - Offset, Side, Side);
}

int32_t CropHitTest(TZrPoint P, const TZrRect &S)
{
  static constexpr int32_t Order[] = {chTopLeft,    chTop,    chTopRight,    chRight,
                                      chBottomLeft, chBottom, chBottomRight, chLeft};
  for (int32_t Code : Order)
    if (CropHandleSquare(CropHandleCentre(Code, S), CropHandleSide).Contains(P.X, P.Y))
      return Code;
  return S.Contains(P.X, P.Y) ? chInside : chOutside;
}

bool RectInside(const TZrRect &R, const TZrRect &V)
{
  return R.Left >= V.Left && R.Right <= V.Right && R.Top >= V.Top && R.Bottom <= V.Bottom;
}

TZrRect DrawCropSelection(TZrPoint Anchor, TZrPoint Q, const TZrRect &Previous, const TZrRect &V,
                          TZrCropRatio Ratio)
{
  TZrRect Candidate = Previous;
  if (Q.X != Anchor.X && Q.Y != Anchor.Y) {
    const bool Right = Q.X > Anchor.X, Below = Q.Y > Anchor.Y;
    const int32_t Code =
        Right ? (Below ? chBottomRight : chTopRight) : (Below ? chBottomLeft : chTopLeft);
    const TZrRect Span{std::min(Anchor.X, Q.X), std::min(Anchor.Y, Q.Y), std::max(Anchor.X, Q.X),
                       std::max(Anchor.Y, Q.Y)};
    Candidate = ApplyCropRatio(Code, Span, Ratio);
  }
  if (!RectInside(Candidate, V))
    Candidate = Previous;
  return IntersectRect(Candidate, V);
}

TZrRect ClampMovedRect(const TZrRect &R, const TZrRect &V)
{
  const int32_t W = R.Width(), H = R.Height();
  const auto Place = [](int32_t Start, int32_t Size, int32_t Low, int32_t High) {
    if (Start < Low)
      return Low;
    if (Start > High - Size)
      return High - Size;
    return Start;
  };
  const int32_t Left = Place(R.Left, W, V.Left, V.Right);
  const int32_t Top = Place(R.Top, H, V.Top, V.Bottom);
  return Bounds(Left, Top, W, H);
}

TZrRect DragCropSelection(int32_t Code, const TZrRect &Start, TZrPoint Delta,
                          const TZrRect &Current, const TZrRect &V, TZrCropRatio Ratio)
{
  if (Code == chInside)
    return ClampMovedRect(OffsetRect(Start, Delta.X, Delta.Y), V);
  TZrRect R = Start;
  if (Code == chTop || Code == chTopRight || Code == chTopLeft)
    R.Top += Delta.Y;
  if (Code == chBottom || Code == chBottomRight || Code == chBottomLeft)
    R.Bottom += Delta.Y;
  if (Code == chLeft || Code == chTopLeft || Code == chBottomLeft)
    R.Left += Delta.X;
  if (Code == chRight || Code == chTopRight || Code == chBottomRight)
    R.Right += Delta.X;
  R = ApplyCropRatio(Code, R, Ratio);
  if (!RectInside(R, V))
    R = Current;
  R = IntersectRect(R, V);
  return R.IsEmpty() ? Current : R;
}

namespace {

// One axis of a typed side: from Start, or back from the image's end.
bool SetSpan(int32_t &Start, int32_t &End, int32_t Value, int32_t Limit)
{
  if (Value > Limit)
    return false;
  if (Start + Value < Limit) {
    End = Start + Value;
  } else {
    End = Limit;
    Start = Limit - Value;
  }
  return true;
}

} // namespace

bool SetCropSelectionWidth(TZrRect &Selection, int32_t Value, int32_t ImageWidth)
{
  return SetSpan(Selection.Left, Selection.Right, Value, ImageWidth);
}

bool SetCropSelectionHeight(TZrRect &Selection, int32_t Value, int32_t ImageHeight)
{
  return SetSpan(Selection.Top, Selection.Bottom, Value, ImageHeight);
}

std::array<TZrRect, 4> CropOutsideBands(const TZrRect &V, const TZrRect &S)
{
  return {MakeRect(V.Left, V.Top, V.Right, S.Top), MakeRect(V.Left, S.Top, S.Left, S.Bottom),
          MakeRect(S.Right, S.Top, V.Right, S.Bottom),
          MakeRect(V.Left, S.Bottom, V.Right, V.Bottom)};
}

namespace {

// Every byte of the 24-bit pixels in Rect (cut to Pixels) through Table.
void MapBytes(TZrPixels &Pixels, const TZrRect &Rect, const std::array<uint8_t, 256> &Table)
{
  const TZrRect R = IntersectRect(Rect, Pixels.GetBounds());
  if (R.IsEmpty() || !Pixels.Bits || Pixels.BytesPerPixel != 3)
    return;
  const size_t Bytes = static_cast<size_t>(R.Width()) * 3;
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    uint8_t *P = Pixels.PixelPtr(R.Left, Y);
    for (size_t I = 0; I < Bytes; ++I)
      P[I] = Table[P[I]];
  }
}

template <typename TByte> std::array<uint8_t, 256> ByteTable(TByte Byte)
{
  std::array<uint8_t, 256> T{};
  for (int C = 0; C < 256; ++C)
    T[static_cast<size_t>(C)] = Byte(static_cast<uint8_t>(C));
  return T;
}

} // namespace

void DarkenRect(TZrPixels &Pixels, const TZrRect &Rect)
{
  static const std::array<uint8_t, 256> Table = ByteTable(DarkenedByte);
  MapBytes(Pixels, Rect, Table);
}

void InvertRect(TZrPixels &Pixels, const TZrRect &Rect)
{
  static const std::array<uint8_t, 256> Table =
      ByteTable([](uint8_t C) { return static_cast<uint8_t>(255 - C); });
  MapBytes(Pixels, Rect, Table);
}

} // namespace facette
