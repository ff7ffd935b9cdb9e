#include "tools/inpainting/ZrHandInpainting.h"

#include <algorithm>
#include <cstring>

namespace facette {

TZrRect InpaintSquare(TZrPoint Point, int32_t Size)
{
  const int32_t Half = (Size + 1) / 2;
  return Bounds(Point.X - Half, Point.Y - Half, Size, Size);
}

void MarkDefect(TAreaCorrelator &Correlator, const TZrPixelMask &Stamp)
{
  const TZrRect R = IntersectRect(Correlator.Rect(), Stamp.GetBounds());
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
    for (int32_t X = R.Left; X < R.Right; ++X)
      if (*Stamp.PixelPtr(X, Y) != 0)
        Correlator.SetMask(X, Y, true);
}

TPreviewGeometry PreviewGeometry(int32_t Width, int32_t Size)
{
  TPreviewGeometry G;
  if (Width <= 0)
    return G;
  const double Zoom = static_cast<double>(Width) / std::max(Size, 1) / 1.1;
  G.Zoom = std::clamp(static_cast<int32_t>(Zoom), 1, 6);
  G.Side = Width / G.Zoom;
  return G;
}

TZrPoint PreviewOrigin(TZrPoint SquareTopLeft, int32_t Side, int32_t Size)
{
  const int32_t Margin = (Side - Size) / 2;
  return {SquareTopLeft.X - Margin, SquareTopLeft.Y - Margin};
}

void CopyPreview(const TZrPixels &Image, TZrPoint Origin, int32_t From, int32_t To,
                 TZrPixelBuffer &Preview)
{
  const int32_t Begin = std::max(From, 0);
  const int32_t EndX = std::min(To, Preview.Width);
  const int32_t EndY = std::min(To, Preview.Height);
  if (!Preview.Bits || Preview.BytesPerPixel != 3 || Begin >= EndX || Begin >= EndY)
    return;
  const TZrRect Inside = Image.Bits ? Image.GetBounds() : TZrRect{};
  for (int32_t Row = Begin; Row < EndY; ++Row) {
    uint8_t *Out = Preview.PixelPtr(Begin, Row);
    const int32_t Y = Origin.Y + Row;
    // The columns of this row that show the image.
    int32_t Left = EndX, Right = EndX;
    if (Y >= Inside.Top && Y < Inside.Bottom) {
      Left = std::clamp(Inside.Left - Origin.X, Begin, EndX);
      Right = std::clamp(Inside.Right - Origin.X, Left, EndX);
    }
    std::memset(Out, PreviewGrey, static_cast<size_t>(Left - Begin) * 3);
    if (Right > Left)
      std::memcpy(Preview.PixelPtr(Left, Row), Image.PixelPtr(Origin.X + Left, Y),
                  static_cast<size_t>(Right - Left) * 3);
    std::memset(Preview.PixelPtr(Right, Row), PreviewGrey, static_cast<size_t>(EndX - Right) * 3);
  }
}

void ZoomPreview(const TZrPixels &Preview, int32_t Zoom, TZrPixelBuffer &Shown)
{
  Zoom = std::max(Zoom, 1);
  const TZrRect Size = Bounds(0, 0, Preview.Width * Zoom, Preview.Height * Zoom);
  if (Shown.GetBounds() != Size || Shown.PixelFormat != pf24bit)
    Shown.Allocate(pf24bit, Size);
  if (!Shown.Bits || !Preview.Bits || Preview.BytesPerPixel != 3)
    return;
  for (int32_t Y = 0; Y < Preview.Height; ++Y) {
    const uint8_t *In = Preview.Bits + static_cast<ptrdiff_t>(Y) * Preview.Stride;
    uint8_t *First = Shown.PixelPtr(0, Y * Zoom);
    uint8_t *Out = First;
    for (int32_t X = 0; X < Preview.Width; ++X, In += 3)
      for (int32_t Z = 0; Z < Zoom; ++Z, Out += 3)
        std::memcpy(Out, In, 3);
    for (int32_t Z = 1; Z < Zoom; ++Z)
      std::memcpy(Shown.PixelPtr(0, Y * Zoom + Z), First, static_cast<size_t>(Size.Right) * 3);
  }
}

bool WithinDistance(TZrPoint P, TZrPoint Q, int32_t Distance)
{
  const int64_t DX = static_cast<int64_t>(P.X) - Q.X;
  const int64_t DY = static_cast<int64_t>(P.Y) - Q.Y;
  return DX * DX + DY * DY <= static_cast<int64_t>(Distance) * Distance;
}

int32_t SteppedReflection(int32_t Reflection, int32_t Direction)
{
  if (Direction > 0 && Reflection < ReflectionCount - 1)
    return Reflection + 1;
  if (Direction < 0 && Reflection > 0)
    return Reflection - 1;
  return Reflection;
}

} // namespace facette
