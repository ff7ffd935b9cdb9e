#include "tools/brush/ZrBrushMasks.h"

#include <algorithm>
#include <cmath>

namespace facette {

namespace {

// Zero-filled square of the brush side at (0, 0); returns h.
int32_t StartDisc(TZrPixelMask &Mask, int32_t Size)
{
  const int32_t Side = BrushSide(Size);
  Mask.SetBounds(0, 0, Side, Side);
  return Side / 2;
}

// Writes Value at the four mirror positions of (h + DX, h + DY).
void PutMirrored(TZrPixelMask &Mask, int32_t H, int32_t DX, int32_t DY, uint8_t Value)
{
  const int32_t W = Mask.Width;
  uint8_t *Bits = Mask.Bits.data();
  Bits[(H + DY) * W + H + DX] = Value;
  Bits[(H + DY) * W + H - DX] = Value;
  Bits[(H - DY) * W + H + DX] = Value;
  Bits[(H - DY) * W + H - DX] = Value;
}

uint8_t ToByte(int32_t Value)
{
  return static_cast<uint8_t>(std::clamp(Value, 0, 255));
}

} // namespace

TZrRect BrushRect(TZrPoint Centre, int32_t Size)
{
  const int32_t H = Size / 2;
  return MakeRect(Centre.X - H, Centre.Y - H, Centre.X + H + 1, Centre.Y + H + 1);
}

void BuildHardDisc(TZrPixelMask &Mask, int32_t Size, int32_t Value)
{
  const int32_t H = StartDisc(Mask, Size);
  const uint8_t V = ToByte(Value);
  const int32_t W = Mask.Width;
  if (H == 0) {
    Mask.Bits[0] = V;
    return;
  }
  const double Radius = Size / 2.0 + 0.1;
  const auto R = static_cast<int64_t>(std::nearbyint(Radius * Radius));
  std::fill_n(Mask.Bits.begin() + static_cast<ptrdiff_t>(H) * W, W, V);
  int32_t J = H;
  for (int32_t I = 1; I <= H; ++I) {
    // The span only narrows as the row moves away from the middle.
    while (J > 0 && static_cast<int64_t>(J) * J + static_cast<int64_t>(I) * I > R)
      --J;
    std::fill_n(Mask.Bits.begin() + static_cast<ptrdiff_t>(H - I) * W + (H - J), 2 * J + 1, V);
    std::fill_n(Mask.Bits.begin() + static_cast<ptrdiff_t>(H + I) * W + (H - J), 2 * J + 1, V);
  }
}

void BuildSoftDisc(TZrPixelMask &Mask, int32_t Size, int32_t Peak, int32_t Hardness)
{
  const int32_t H = StartDisc(Mask, Size);
  if (H == 0) {
    Mask.Bits[0] = 255;
    return;
  }
  const double R = Size / 2.0;
  const double Outer = R + 0.5;
  const double Inner = R - R * (1.0 - Hardness / 255.0) - 0.5;
  const double Ramp = Outer - Inner;
  for (int32_t DY = 0; DY <= H; ++DY)
    for (int32_t DX = 0; DX <= H; ++DX) {
      const double D = std::sqrt(static_cast<double>(DY * DY + DX * DX));
      if (D > Outer)
        break;
      const int32_t Value =
          D < Inner ? Peak : static_cast<int32_t>(std::nearbyint((Outer - D) / Ramp * Peak));
      PutMirrored(Mask, H, DX, DY, ToByte(Value));
    }
}

void BuildPowerDisc(TZrPixelMask &Mask, int32_t Size, int32_t Peak, int32_t Steepness)
{
  const int32_t H = StartDisc(Mask, Size);
  if (H == 0) {
    Mask.Bits[0] = ToByte(Peak);
    return;
  }
  const double Power = Steepness / 16.0;
  for (int32_t DY = 0; DY <= H; ++DY)
    for (int32_t DX = 0; DX <= H; ++DX) {
      const double G = 2.0 * std::sqrt(static_cast<double>(DX * DX + DY * DY)) / Size;
      const int32_t Value =
          G >= 1.0 ? 0 : static_cast<int32_t>(std::nearbyint((1.0 - std::pow(G, Power)) * Peak));
      PutMirrored(Mask, H, DX, DY, ToByte(Value));
    }
}

void GrowStrokeMask(TZrPixelMask &StrokeMask, const TZrRect &Need, const TZrRect &Limit)
{
  const TZrRect Have = StrokeMask.GetBounds();
  if (Need.IsEmpty() || Have.IsEmpty() || IntersectRect(Need, Have) == Need)
    return;
  const int32_t SlackX = std::max(Have.Width() / 2, 2 * Need.Width());
  const int32_t SlackY = std::max(Have.Height() / 2, 2 * Need.Height());
  TZrRect Grown = UnionRect(Have, Need);
  if (Need.Left < Have.Left)
    Grown.Left -= SlackX;
  if (Need.Right > Have.Right)
    Grown.Right += SlackX;
  if (Need.Top < Have.Top)
    Grown.Top -= SlackY;
  if (Need.Bottom > Have.Bottom)
    Grown.Bottom += SlackY;
  Grown = UnionRect(UnionRect(IntersectRect(Grown, Limit), Have), Need);
  StrokeMask.Include(Grown);
}

void MergeStamp(TZrPixelMask &StrokeMask, const TZrPixelMask &Stamp, const TZrRect &Image)
{
  if (IntersectRect(Stamp.GetBounds(), Image).IsEmpty())
    return;
  const int32_t Reach = Stamp.Width;
  GrowStrokeMask(
      StrokeMask, Stamp.GetBounds(),
      MakeRect(Image.Left - Reach, Image.Top - Reach, Image.Right + Reach, Image.Bottom + Reach));
  StrokeMask.MergeMax(Stamp);
}

void BlendColour(const TZrPixelMask &Mask, const TZrPixels &Source, int32_t Colour,
                 const TZrRect &Rect, TZrPixels &Dest)
{
  if (!Source.Bits || !Dest.Bits || Source.BytesPerPixel < 3 || Dest.BytesPerPixel < 3)
    return;
  const TZrRect R = IntersectRect(
      IntersectRect(IntersectRect(Rect, Mask.GetBounds()), Source.GetBounds()), Dest.GetBounds());
  const int32_t C[3] = {Colour & 0xFF, (Colour >> 8) & 0xFF, (Colour >> 16) & 0xFF};
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    const uint8_t *M = Mask.PixelPtr(R.Left, Y);
    const uint8_t *S = Source.PixelPtr(R.Left, Y);
    uint8_t *D = Dest.PixelPtr(R.Left, Y);
    for (int32_t X = R.Left; X < R.Right;
         ++X, ++M, S += Source.BytesPerPixel, D += Dest.BytesPerPixel) {
      const int32_t Weight = *M;
      if (Weight == 0)
        continue;
      for (int Channel = 0; Channel < 3; ++Channel) {
        if (Weight == 255) {
          D[Channel] = static_cast<uint8_t>(C[Channel]);
        } else {
          // Arithmetic shift: the move rounds towards minus infinity.
          const int32_t Old = S[Channel];
          D[Channel] = static_cast<uint8_t>(Old + ((Weight * (C[Channel] - Old)) >> 8));
        }
      }
    }
  }
}

} // namespace facette
