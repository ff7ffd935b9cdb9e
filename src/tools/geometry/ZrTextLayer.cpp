#include "tools/geometry/ZrTextLayer.h"

#include "imaging/ZrParallel.h"
#include "imaging/ZrResample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace facette {

// Handles

TZrPoint TextHandleCentre(const TZrRect &R, int32_t Code)
{
  const int32_t MidX = (R.Left + R.Right) / 2;
  const int32_t MidY = (R.Top + R.Bottom) / 2;
  switch (Code) {
  case thTop:
    return {MidX, R.Top};
  case thTopRight:
    return {R.Right - 1, R.Top};
  case thRight:
    return {R.Right - 1, MidY};
  case thBottomRight:
    return {R.Right - 1, R.Bottom - 1};
  case thBottom:
    return {MidX, R.Bottom - 1};
  case thBottomLeft:
    return {R.Left, R.Bottom - 1};
  case thLeft:
    return {R.Left, MidY};
  case thTopLeft:
    return {R.Left, R.Top};
  default:
    return {MidX, MidY};
  }
}

TZrRect TextHandleRect(const TZrRect &R, int32_t Code)
{
  const TZrPoint C = TextHandleCentre(R, Code);
  return MakeRect(C.X - 4, C.Y - 4, C.X + 5, C.Y + 5);
}

int32_t TextHitCode(const TZrRect &R, TZrPoint P)
{
  for (int32_t Code = thTop; Code <= thTopLeft; ++Code)
    if (TextHandleRect(R, Code).Contains(P.X, P.Y))
      return Code;
  return R.Contains(P.X, P.Y) ? thInside : thNone;
}

TZrTextEdges TextHandleEdges(int32_t Code)
{
  TZrTextEdges E;
  E.Right = Code == thTopRight || Code == thRight || Code == thBottomRight;
  E.Left = Code == thBottomLeft || Code == thLeft || Code == thTopLeft;
  E.Bottom = Code == thBottomRight || Code == thBottom || Code == thBottomLeft;
  E.Top = Code == thTop || Code == thTopRight || Code == thTopLeft;
  return E;
}

TZrTextPlacement DrawTextFrame(TZrPoint Anchor, TZrPoint Q, const TZrRect &Visible)
{
  TZrTextPlacement F;
  F.Rect = IntersectRect(MakeRect(std::min(Anchor.X, Q.X), std::min(Anchor.Y, Q.Y),
                                  std::max(Anchor.X, Q.X), std::max(Anchor.Y, Q.Y)),
                         Visible);
  F.MirrorHorizontal = Q.X < Anchor.X;
  F.MirrorVertical = Q.Y < Anchor.Y;
  return F;
}

TZrTextPlacement DragTextFrame(const TZrTextPlacement &Start, int32_t Code, TZrPoint Anchor,
                               TZrPoint Q, const TZrRect &Visible)
{
  const int32_t DX = Q.X - Anchor.X, DY = Q.Y - Anchor.Y;
  const TZrRect &S = Start.Rect;
  TZrTextPlacement F = Start;
  if (Code == thInside) {
    F.Rect = OffsetRect(S, DX, DY);
    return F;
  }
  const TZrTextEdges E = TextHandleEdges(Code);
  const int32_t L = S.Left + (E.Left ? DX : 0), R = S.Right + (E.Right ? DX : 0);
  const int32_t T = S.Top + (E.Top ? DY : 0), B = S.Bottom + (E.Bottom ? DY : 0);
  const TZrRect N = MakeRect(std::min(L, R), std::min(T, B), std::max(L, R), std::max(T, B));
  F.Rect = IntersectRect(N, Visible);
  // Over the opposite edge: the text turns over along that axis.
  if ((E.Right && N.Left < S.Left) || (E.Left && N.Right > S.Right))
    F.MirrorHorizontal = !Start.MirrorHorizontal;
  if ((E.Bottom && N.Top < S.Top) || (E.Top && N.Bottom > S.Bottom))
    F.MirrorVertical = !Start.MirrorVertical;
  return F;
}

// Coverage

namespace {

// Linear interpolation; the mapping table widens it to the footprint of a
// target pixel when reducing.
class TLinearResampler : public TPixelResampler
{
public:
  double Weight(double X) const override
  {
    const double D = std::fabs(X);
    return D < 1.0 ? 1.0 - D : 0.0;
  }
  double Radius() const override { return 1.0; }
};

// Below this many target pixels a second thread costs more than it saves.
constexpr int64_t ParallelPixels = 1 << 18;

int32_t WorkersFor(int64_t Pixels, int32_t Rows)
{
  return Pixels >= ParallelPixels ? std::max(1, std::min(WorkerCount(), Rows)) : 1;
}

} // namespace

void StretchCoverage(const TZrPixelMask &Source, int32_t Width, int32_t Height,
                     TZrPixelMask &Target)
{
  if (Width <= 0 || Height <= 0 || Source.Width <= 0 || Source.Height <= 0) {
    Target.Clear();
    return;
  }
  Target.SetBounds(0, 0, Width, Height);
  const TLinearResampler Linear;
  TMappingTable Columns, Rows;
  BuildMappingTable(0, Width, 0, Width, 0, Source.Width, Linear, Columns);
  BuildMappingTable(0, Height, 0, Height, 0, Source.Height, Linear, Rows);
  // Across first, in fixed point (a whole pixel is 255 * 256), then down.
  std::vector<uint16_t> Across(static_cast<size_t>(Source.Height) * static_cast<size_t>(Width));
  const size_t SourceWidth = static_cast<size_t>(Source.Width);
  for (int32_t Y = 0; Y < Source.Height; ++Y) {
    const uint8_t *In = Source.Bits.data() + static_cast<size_t>(Y) * SourceWidth;
    uint16_t *Out = Across.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width);
    for (int32_t X = 0; X < Width; ++X) {
      int32_t Sum = 0;
      for (const TContribution &C : Columns[static_cast<size_t>(X)])
        Sum += C.Weight * In[C.Index];
      Out[X] = static_cast<uint16_t>(Sum);
    }
  }
  const int32_t Workers = WorkersFor(static_cast<int64_t>(Width) * Height, Height);
  RunWorkers(Workers, [&](int32_t Index) {
    const int32_t Y0 = StripeBegin(Height, Workers, Index);
    const int32_t Y1 = StripeBegin(Height, Workers, Index + 1);
    std::vector<int32_t> Sums(static_cast<size_t>(Width));
    for (int32_t Y = Y0; Y < Y1; ++Y) {
      std::fill(Sums.begin(), Sums.end(), 0);
      for (const TContribution &C : Rows[static_cast<size_t>(Y)]) {
        const uint16_t *In = Across.data() + static_cast<size_t>(C.Index) * Width;
        for (int32_t X = 0; X < Width; ++X)
          Sums[static_cast<size_t>(X)] += C.Weight * In[X];
      }
      uint8_t *Out = Target.Bits.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width);
      for (int32_t X = 0; X < Width; ++X)
        Out[X] = static_cast<uint8_t>(std::min(255, (Sums[static_cast<size_t>(X)] + 32768) >> 16));
    }
  });
}

namespace {

// The text's colour for a pixel under it (blue, green, red order).
struct TTextColour
{
  uint8_t Chosen[3];
  bool Inverted;
  bool MaxInverse;

  int32_t For(const uint8_t *Under, int C) const
  {
    if (!Inverted)
      return Chosen[C];
    return MaxInverse ? (Under[C] < 128 ? 255 : 0) : 255 - Under[C];
  }
};

void BlendTextPixel(const uint8_t *From, uint8_t *To, int32_t Alpha, const TTextColour &Colour)
{
  for (int C = 0; C < 3; ++C) {
    const int32_t Old = From[C];
    const int32_t New = Colour.For(From, C);
    To[C] = static_cast<uint8_t>(Alpha == 255 ? New : Old + ((Alpha * (New - Old)) >> 8));
  }
}

// One row of Count pixels: To receives From with the text blended in by
// the coverage read from Cover on, forwards (Step 1) or backwards (-1).
void BlendTextRow(const uint8_t *From, uint8_t *To, int32_t Count, const uint8_t *Cover,
                  int32_t Step, const TTextColour &Colour)
{
  std::memcpy(To, From, static_cast<size_t>(Count) * 3);
  int32_t X = 0;
  // Most of a text's rectangle is bare: eight pixels without coverage are
  // passed over at once.
  for (; X + 8 <= Count; X += 8) {
    uint64_t Eight;
    std::memcpy(&Eight, Step > 0 ? Cover + X : Cover - X - 7, 8);
    if (Eight == 0)
      continue;
    for (int32_t I = X; I < X + 8; ++I)
      if (const int32_t Alpha = Cover[Step * I])
        BlendTextPixel(From + 3 * I, To + 3 * I, Alpha, Colour);
  }
  for (; X < Count; ++X)
    if (const int32_t Alpha = Cover[Step * X])
      BlendTextPixel(From + 3 * X, To + 3 * X, Alpha, Colour);
}

} // namespace

void PaintTextLayer(const TZrPixels &Backup, TZrPixels &Image, const TZrTextPlacement &Frame,
                    const TZrPixelMask &Coverage, const TZrTextLook &Look)
{
  if (!Backup.Bits || !Image.Bits || Backup.PixelFormat != pf24bit || Image.PixelFormat != pf24bit)
    return;
  const TZrRect &F = Frame.Rect;
  const TZrRect R = IntersectRect(IntersectRect(F, Image.GetBounds()), Backup.GetBounds());
  if (R.IsEmpty())
    return;
  const TTextColour Colour{{static_cast<uint8_t>(Look.Color >> 16),
                            static_cast<uint8_t>(Look.Color >> 8),
                            static_cast<uint8_t>(Look.Color)},
                           Look.ColorMode == tcInverted,
                           Look.MaxInverse};
  // The columns of R that the coverage reaches (it may be smaller than the
  // rectangle), and where each row's reading starts.
  const int32_t CoverLeft = Frame.MirrorHorizontal ? F.Right - Coverage.Width : F.Left;
  const TZrRect Covered =
      IntersectRect(R, MakeRect(CoverLeft, R.Top, CoverLeft + Coverage.Width, R.Bottom));
  const int32_t Workers = WorkersFor(static_cast<int64_t>(R.Width()) * R.Height(), R.Height());
  RunWorkers(Workers, [&](int32_t Index) {
    const int32_t Y0 = R.Top + StripeBegin(R.Height(), Workers, Index);
    const int32_t Y1 = R.Top + StripeBegin(R.Height(), Workers, Index + 1);
    for (int32_t Y = Y0; Y < Y1; ++Y) {
      const uint8_t *From = Backup.PixelPtr(R.Left, Y);
      uint8_t *To = Image.PixelPtr(R.Left, Y);
      const int32_t Row = Frame.MirrorVertical ? F.Bottom - 1 - Y : Y - F.Top;
      if (Row < 0 || Row >= Coverage.Height || Covered.IsEmpty()) {
        std::memcpy(To, From, static_cast<size_t>(R.Width()) * 3);
        continue;
      }
      if (Covered.Left > R.Left)
        std::memcpy(To, From, static_cast<size_t>(Covered.Left - R.Left) * 3);
      if (Covered.Right < R.Right)
        std::memcpy(Image.PixelPtr(Covered.Right, Y), Backup.PixelPtr(Covered.Right, Y),
                    static_cast<size_t>(R.Right - Covered.Right) * 3);
      const uint8_t *Cover = Coverage.Bits.data() + static_cast<size_t>(Row) * Coverage.Width;
      const int32_t First =
          Frame.MirrorHorizontal ? F.Right - 1 - Covered.Left : Covered.Left - F.Left;
      BlendTextRow(Backup.PixelPtr(Covered.Left, Y), Image.PixelPtr(Covered.Left, Y),
                   Covered.Width(), Cover + First, Frame.MirrorHorizontal ? -1 : 1, Colour);
    }
  });
}

void RestoreAround(const TZrPixels &Backup, TZrPixels &Image, const TZrRect &Old,
                   const TZrRect &New)
{
  if (Old.IsEmpty())
    return;
  const auto Restore = [&](const TZrRect &R) {
    if (!R.IsEmpty())
      Image.CopyRect(R.Left, R.Top, Backup, R);
  };
  const TZrRect Kept = IntersectRect(Old, New);
  if (Kept.IsEmpty()) {
    Restore(Old);
    return;
  }
  Restore(MakeRect(Old.Left, Old.Top, Old.Right, Kept.Top));
  Restore(MakeRect(Old.Left, Kept.Bottom, Old.Right, Old.Bottom));
  Restore(MakeRect(Old.Left, Kept.Top, Kept.Left, Kept.Bottom));
  Restore(MakeRect(Kept.Right, Kept.Top, Old.Right, Kept.Bottom));
}

int32_t FontSizeIncrement(int32_t Size)
{
  return std::max(1, static_cast<int32_t>(std::nearbyint(Size / 100.0)));
}

} // namespace facette
