#include "tools/makeup/ZrMakeUpPalette.h"

#include <algorithm>

namespace facette {

TMakeUpPalette::TMakeUpPalette(int32_t ASize, int32_t AChannel, int32_t ABrightness,
                               TZrPoint APoint)
    : Point(APoint), Size(std::max(ASize, 1))
{
  Channel = AChannel >= RedChannel && AChannel <= BlueChannel ? AChannel : RedChannel;
  Brightness = ClampInt(ABrightness, 0, 255);
  Bitmap.Allocate(pf24bit, Bounds(0, 0, Size, Size));
  Update();
}

void TMakeUpPalette::Render()
{
  const int32_t D = DisplayBrightness();
  if (D == RenderedBrightness && Channel == RenderedChannel)
    return;
  if (Bitmap.Bits == nullptr)
    return;
  // With a square of one pixel the step is D / 0; ByteRound turns the
  // resulting 0 * infinity into 0.
  const double E = static_cast<double>(D) / (Size - 1);
  const uint8_t Fixed = static_cast<uint8_t>(D);
  for (int32_t Row = 0; Row < Size; ++Row) {
    uint8_t *Pixel = Bitmap.PixelPtr(0, Row);
    const uint8_t RowValue = ByteRound(Row * E);
    for (int32_t I = 0; I < Size; ++I, Pixel += 3) {
      const uint8_t ColumnValue = ByteRound(I * E);
      switch (Channel) {
      case RedChannel:
        Pixel[0] = RowValue;
        Pixel[1] = ColumnValue;
        Pixel[2] = Fixed;
        break;
      case GreenChannel:
        Pixel[0] = ColumnValue;
        Pixel[1] = Fixed;
        Pixel[2] = RowValue;
        break;
      default:
        Pixel[0] = Fixed;
        Pixel[1] = RowValue;
        Pixel[2] = ColumnValue;
        break;
      }
    }
  }
  RenderedBrightness = D;
  RenderedChannel = Channel;
}

void TMakeUpPalette::ReadPixel(TZrPoint P, uint8_t *Pixel) const
{
  if (Bitmap.Bits == nullptr) {
    Pixel[0] = Pixel[1] = Pixel[2] = 0;
    return;
  }
  const uint8_t *Source = Bitmap.PixelPtr(ClampInt(P.X, 0, Size - 1), ClampInt(P.Y, 0, Size - 1));
  Pixel[0] = Source[0];
  Pixel[1] = Source[1];
  Pixel[2] = Source[2];
}

void TMakeUpPalette::Update()
{
  Render();
  ReadPixel(Point, Colour);
  if (FullBrightness) {
    for (uint8_t &Value : Colour)
      Value = ByteRound(static_cast<double>(Value) * Brightness / 255);
  }
  DrawPalette();
  PaintSwatch();
  DrawCross();
}

void TMakeUpPalette::SetColour(int32_t C)
{
  const int32_t R = (C >> 16) & 255;
  const int32_t G = (C >> 8) & 255;
  const int32_t B = C & 255;
  if ((R << 16 | G << 8 | B) == GetColour())
    return;
  const int32_t V = std::max({R, G, B});
  Brightness = V;
  if ((Channel == RedChannel && R < V) || (Channel == GreenChannel && G < V) ||
      (Channel == BlueChannel && B < V))
    Channel = R == V ? RedChannel : G == V ? GreenChannel : BlueChannel;
  int32_t A, Bv;
  switch (Channel) {
  case RedChannel:
    A = G;
    Bv = B;
    break;
  case GreenChannel:
    A = B;
    Bv = R;
    break;
  default:
    A = R;
    Bv = G;
    break;
  }
  // For black the quotients are 0 / 0; ByteRound maps the NaN to 0.
  const double Scale = Size - 1;
  Point.X = ByteRound(static_cast<double>(A) / V * Scale);
  Point.Y = ByteRound(static_cast<double>(Bv) / V * Scale);
  SetBrightness(DisplayBrightness());
  Update();
}

void TMakeUpPalette::SetPoint(TZrPoint P)
{
  if (P == Point)
    return;
  DrawCross();
  Point = P;
  DrawCross();
  ReadPixel(Point, Colour);
  PaintSwatch();
}

void TMakeUpPalette::SetBrightness(int32_t V)
{
  V = ClampInt(V, 0, 255);
  if (V == Brightness)
    return;
  Brightness = V;
  Update();
}

void TMakeUpPalette::SetChannel(int32_t V)
{
  if (V == Channel || V < RedChannel || V > BlueChannel)
    return;
  Channel = V;
  Update();
}

} // namespace facette
