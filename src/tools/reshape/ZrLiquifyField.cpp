#include "tools/reshape/ZrLiquifyField.h"

#include "imaging/ZrHermiteKernel.h"
#include "imaging/ZrParallel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numbers>

namespace facette {

namespace {

// Clamps a real coordinate into [Low, High] before it becomes an integer, so
// that huge displacements cannot overflow the conversion.
int32_t ClampToInt(double Value, int32_t Low, int32_t High)
{
  if (!(Value > Low)) // also NaN
    return Low;
  if (Value > High)
    return High;
  return static_cast<int32_t>(Value);
}

} // namespace

// ---------------------------------------------------------------------------
// TZrDisplacementField

void TZrDisplacementField::TFree::operator()(TZrDisplacement *P) const
{
  std::free(P);
}

void TZrDisplacementField::SetBounds(const TZrRect &Rect)
{
  Clear();
  const int32_t NewWidth = std::max(Rect.Width(), 0);
  const int32_t NewHeight = std::max(Rect.Height(), 0);
  const size_t NewCount = static_cast<size_t>(NewWidth) * static_cast<size_t>(NewHeight);
  if (NewCount > 0) {
    // calloc hands large blocks over as fresh zero pages, without writing
    // them; a displacement is two floats, all bits zero being (0, 0).
    Memory.reset(static_cast<TZrDisplacement *>(std::calloc(NewCount, sizeof(TZrDisplacement))));
    if (!Memory)
      throw std::bad_alloc();
  }
  Left = Rect.Left;
  Top = Rect.Top;
  Width = NewWidth;
  Height = NewHeight;
}

void TZrDisplacementField::Clear()
{
  Memory.reset();
  Left = Top = Width = Height = 0;
}

void TZrDisplacementField::CopyFrom(const TZrDisplacementField &Source)
{
  const TZrRect R = IntersectRect(GetBounds(), Source.GetBounds());
  if (R.IsEmpty())
    return;
  const size_t Row = static_cast<size_t>(R.Width()) * sizeof(TZrDisplacement);
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
    std::memmove(&At(R.Left, Y), &Source.At(R.Left, Y), Row);
}

// ---------------------------------------------------------------------------
// TZrLiquifyBrush

bool TZrLiquifyBrush::Build(int32_t BrushSize, int32_t BrushType, int32_t BrushEffect)
{
  if (BrushSize == Size && BrushType == Type && BrushEffect == Effect)
    return false;
  Size = std::max(BrushSize, 0);
  Type = BrushType;
  Effect = BrushEffect;
  const size_t Count = static_cast<size_t>(Size) * static_cast<size_t>(Size);
  Profile.assign(Count, 0.0);
  const bool Vectors = Effect == leBloat || Effect == lePucker;
  VectorField.assign(Vectors ? Count : 0, TZrDisplacement{});
  const double K = Effect == lePucker ? -1.0 : 1.0;

  const double C = Size / 2.0;
  for (int32_t I = 0; I < Size; ++I)
    for (int32_t J = 0; J < Size; ++J) {
      const double Distance = std::sqrt((I - C) * (I - C) + (J - C) * (J - C));
      double P = std::max(0.0, std::cos(Distance * (std::numbers::pi / 2.0) / C));
      switch (Type) {
      case lbCos4: {
        const double P2 = P * P;
        P = P2 * P2;
        break;
      }
      case lbCos2:
        P = P * P;
        break;
      case lbCos12:
        P = std::sqrt(P);
        break;
      default: // lbCos, and anything unknown
        break;
      }
      const size_t Index = static_cast<size_t>(J) * static_cast<size_t>(Size) + I;
      Profile[Index] = P;
      if (Vectors)
        VectorField[Index] = {static_cast<float>(K * (C - I) * P),
                              static_cast<float>(K * (C - J) * P)};
    }
  return true;
}

// ---------------------------------------------------------------------------
// TZrLiquifyField

bool TZrLiquifyField::Start(const TZrPixels &Image)
{
  if (!Source.Allocate(Image.PixelFormat, Image.GetBounds()) || (Image.Width > 0 && !Source.Bits)) {
    Clear();
    return false;
  }
  Source.CopyFrom(Image);
  try {
    Delta.SetBounds(Image.GetBounds());
  } catch (const std::bad_alloc &) {
    Clear();
    return false;
  }
  return true;
}

void TZrLiquifyField::Clear()
{
  Source.Clear();
  Delta.Clear();
}

int32_t TZrLiquifyField::NearestColumn(int32_t X, float DX) const
{
  return ClampToInt(X + RoundHalfEven(DX), Source.Left, Source.Left + Source.Width - 1);
}

int32_t TZrLiquifyField::NearestRow(int32_t Y, float DY) const
{
  return ClampToInt(Y + RoundHalfEven(DY), Source.Top, Source.Top + Source.Height - 1);
}

void TZrLiquifyField::RenderPixel(TZrPixels &Image, int32_t X, int32_t Y) const
{
  const TZrDisplacement &D = Delta.At(X, Y);
  const uint8_t *From = Source.PixelPtr(NearestColumn(X, D.DX), NearestRow(Y, D.DY));
  uint8_t *To = Image.PixelPtr(X, Y);
  To[0] = From[0];
  To[1] = From[1];
  To[2] = From[2];
}

void TZrLiquifyField::WarpRect(TZrPixels &Image, const TZrRect &Rect, const TZrLiquifyBrush &Brush,
                               const TZrPoint &Centre, const TZrPixelMask &Stamp, int32_t DX,
                               int32_t DY)
{
  if (Brush.Size <= 0 || Brush.Profile.empty())
    return;
  const int32_t H = Brush.Size / 2;
  // The brush square loses its last column and row: with an even size the
  // profile has no entry for them. They are dropped from the square itself,
  // not from the clipped rectangle, so a brush reaching over the right or
  // bottom border still moves the image's last column and row.
  TZrRect R = IntersectRect(Rect, MakeRect(Centre.X - H, Centre.Y - H, Centre.X + H, Centre.Y + H));
  R = IntersectRect(R, Delta.GetBounds());
  R = IntersectRect(R, Image.GetBounds());
  if (R.IsEmpty() || Source.Bits == nullptr)
    return;
  for (int32_t J = R.Top; J < R.Bottom; ++J)
    for (int32_t I = R.Left; I < R.Right; ++I) {
      const uint8_t *M = Stamp.PixelPtr(I, J);
      if (!M || *M == 0)
        continue;
      const double W = Brush.ProfileAt(I + H - Centre.X, J + H - Centre.Y);
      TZrDisplacement &D = Delta.At(I, J);
      D.DX = static_cast<float>(D.DX + DX * W);
      D.DY = static_cast<float>(D.DY + DY * W);
      RenderPixel(Image, I, J);
    }
}

TZrRect TZrLiquifyField::BloatSquare(const TZrPoint &StartPoint, int32_t BrushSize) const
{
  const int32_t H = BrushSize / 2;
  return IntersectRect(Bounds(StartPoint.X - H, StartPoint.Y - H, BrushSize, BrushSize),
                       Delta.GetBounds());
}

double TZrLiquifyField::BloatRect(TZrPixels &Image, const TZrRect &Rect,
                                  const TZrLiquifyBrush &Brush, const TZrPoint &StartPoint,
                                  const TZrPixelMask &Stamp, int32_t DX, int32_t DY,
                                  double AppliedAmount)
{
  const double Distance =
      std::min(std::sqrt(static_cast<double>(DX) * DX + static_cast<double>(DY) * DY), 100.0);
  if (Brush.Size <= 0 || Brush.VectorField.empty() || Source.Bits == nullptr)
    return Distance;
  const double E = (Distance - AppliedAmount) / 100.0;
  const int32_t H = Brush.Size / 2;
  // As with Warp, the square's own last column and row are left out, not
  // those of the clipped rectangle.
  const int32_t Left = StartPoint.X - H;
  const int32_t Top = StartPoint.Y - H;
  TZrRect R = IntersectRect(Rect, MakeRect(Left, Top, Left + Brush.Size - 1, Top + Brush.Size - 1));
  R = IntersectRect(R, Delta.GetBounds());
  R = IntersectRect(R, Image.GetBounds());
  for (int32_t J = R.Top; J < R.Bottom; ++J)
    for (int32_t I = R.Left; I < R.Right; ++I) {
      const uint8_t *M = Stamp.PixelPtr(I - DX, J - DY);
      if (!M || *M == 0)
        continue;
      const TZrDisplacement &V = Brush.VectorAt(I - Left, J - Top);
      TZrDisplacement &D = Delta.At(I, J);
      D.DX = static_cast<float>(D.DX + V.DX * E);
      D.DY = static_cast<float>(D.DY + V.DY * E);
      RenderPixel(Image, I, J);
    }
  return Distance;
}

void TZrLiquifyField::ResamplePixel(uint8_t *Pixel, int32_t X, int32_t Y, float DX, float DY) const
{
  if (HermiteSample(Source, X + static_cast<double>(DX), Y + static_cast<double>(DY), Pixel))
    return;
  // No source pixel within reach (the point lies more than a pixel outside
  // the image): keep the nearest-neighbour value.
  const uint8_t *From = Source.PixelPtr(NearestColumn(X, DX), NearestRow(Y, DY));
  Pixel[0] = From[0];
  Pixel[1] = From[1];
  Pixel[2] = From[2];
}

void TZrLiquifyField::ResampleChanged(TZrPixels &Image, const TZrRect &Rect,
                                      const std::function<void(int32_t)> &Progress) const
{
  TZrRect R = IntersectRect(Rect, Delta.GetBounds());
  R = IntersectRect(R, Image.GetBounds());
  R = IntersectRect(R, Source.GetBounds());
  if (R.IsEmpty() || Source.Bits == nullptr || Image.Bits == nullptr) {
    if (Progress && Rect.Width() > 0)
      Progress(Rect.Width());
    return;
  }
  // Columns are handed out in chunks; inside a chunk the rows run top to
  // bottom so both images are read and written along their rows, and the
  // moved pixels of a row are sampled together.
  constexpr int32_t ColumnsPerChunk = 64;
  SplitWork(
      R.Width(), ColumnsPerChunk,
      [&](int32_t Begin, int32_t End) {
        const size_t N = static_cast<size_t>(End - Begin);
        std::vector<double> SX(N), SY(N);
        std::vector<int32_t> Column(N);
        std::vector<uint8_t> Colour(3 * N), Found(N);
        for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
          int32_t Count = 0;
          for (int32_t X = R.Left + Begin; X < R.Left + End; ++X) {
            const TZrDisplacement &D = Delta.At(X, Y);
            if (!(std::fabs(D.DX) + std::fabs(D.DY) > 1e-5))
              continue;
            SX[static_cast<size_t>(Count)] = X + static_cast<double>(D.DX);
            SY[static_cast<size_t>(Count)] = Y + static_cast<double>(D.DY);
            Column[static_cast<size_t>(Count)] = X;
            ++Count;
          }
          HermiteSampleMany(Source, SX.data(), SY.data(), Count, Colour.data(), Found.data());
          for (int32_t K = 0; K < Count; ++K) {
            const int32_t X = Column[static_cast<size_t>(K)];
            uint8_t *To = Image.PixelPtr(X, Y);
            if (Found[static_cast<size_t>(K)]) {
              std::memcpy(To, &Colour[3 * static_cast<size_t>(K)], 3);
            } else {
              const TZrDisplacement &D = Delta.At(X, Y);
              std::memcpy(To, Source.PixelPtr(NearestColumn(X, D.DX), NearestRow(Y, D.DY)), 3);
            }
          }
        }
      },
      Progress);
}

} // namespace facette
