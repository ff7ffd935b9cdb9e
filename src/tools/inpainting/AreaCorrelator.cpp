#include "tools/inpainting/AreaCorrelator.h"

#include "tools/inpainting/Approximation.h"
#include "tools/inpainting/KMean.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace facette {

// ---------------------------------------------------------------------------
// TCorrelator

void TCorrelator::Reset()
{
  N = SumA = SumB = SumAB = SumAA = SumBB = 0.0;
}

void TCorrelator::Add(double A, double B)
{
  N += 1.0;
  SumA += A;
  SumB += B;
  SumAB += A * B;
  SumAA += A * A;
  SumBB += B * B;
}

double TCorrelator::Coefficient() const
{
  return CoefficientOf(N, SumA, SumB, SumAB, SumAA, SumBB);
}

double TCorrelator::CoefficientOf(double N, double SumA, double SumB, double SumAB, double SumAA,
                                  double SumBB)
{
  const double Root = std::sqrt((N * SumBB - SumB * SumB) * (N * SumAA - SumA * SumA));
  if (!(Root > 1e-10)) // also a NaN from rounding below zero
    return 0.0;
  return (N * SumAB - SumA * SumB) / Root;
}

// ---------------------------------------------------------------------------
// TBorderArea8

TBorderArea8::TBorderArea8(const TZrPoint &Origin, int32_t Width, int32_t Height)
    : Origin_(Origin), Width_(std::max(Width, 0)), Height_(std::max(Height, 0)),
      Positions(static_cast<size_t>(Width_) * Height_, -1)
{
  Entries.reserve(512);
}

void TBorderArea8::Clear()
{
  for (const TBorderEntry &E : Entries)
    if (E.A >= 0 && E.A < Width_ && E.B >= 0 && E.B < Height_)
      Positions[static_cast<size_t>(E.B) * Width_ + E.A] = -1;
  Entries.clear();
  Outside = 0;
}

void TBorderArea8::Index(int32_t I)
{
  const TBorderEntry &E = Entries[I];
  if (E.A >= 0 && E.A < Width_ && E.B >= 0 && E.B < Height_) {
    int32_t &Slot = Positions[static_cast<size_t>(E.B) * Width_ + E.A];
    if (Slot < 0)
      Slot = I;
  } else {
    ++Outside;
  }
}

int32_t TBorderArea8::Add(int32_t A, int32_t B)
{
  TBorderEntry E;
  E.A = A;
  E.B = B;
  Entries.push_back(E);
  Index(Count() - 1);
  return Count() - 1;
}

int32_t TBorderArea8::IndexOf(int32_t X, int32_t Y) const
{
  const int32_t A = X - Origin_.X;
  const int32_t B = Y - Origin_.Y;
  if (A >= 0 && A < Width_ && B >= 0 && B < Height_)
    return Positions[static_cast<size_t>(B) * Width_ + A];
  if (Outside > 0)
    for (int32_t I = 0; I < Count(); ++I)
      if (Entries[I].A == A && Entries[I].B == B)
        return I;
  return -1;
}

void TBorderArea8::Compact()
{
  std::vector<TBorderEntry> Kept;
  Kept.reserve(Entries.size());
  for (const TBorderEntry &E : Entries)
    if (!E.Excluded)
      Kept.push_back(E);
  Clear();
  Entries = std::move(Kept);
  for (int32_t I = 0; I < Count(); ++I)
    Index(I);
}

namespace {

struct TNeighbour
{
  int32_t DX, DY, Weight;
};

// The eight neighbours; side neighbours weigh 2, corners 1.
constexpr TNeighbour Neighbours[8] = {{-1, -1, 1}, {0, -1, 2}, {1, -1, 1}, {-1, 0, 2},
                                      {1, 0, 2},   {-1, 1, 1}, {0, 1, 2},  {1, 1, 1}};

} // namespace

void TBorderArea8::ComputeWeights(const TBorderArea8 &Ring)
{
  // Start from zero so that weighting again gives the same weights.
  for (TBorderEntry &E : Entries) {
    E.RingWeight = 0;
    E.InteriorWeight = 0;
  }
  for (TBorderEntry &E : Entries) {
    const int32_t X = E.A + Origin_.X;
    const int32_t Y = E.B + Origin_.Y;
    for (const TNeighbour &N : Neighbours)
      if (Ring.Contains(X + N.DX, Y + N.DY))
        E.RingWeight += N.Weight;
  }
  for (TBorderEntry &E : Entries) {
    if (E.RingWeight <= 0)
      continue;
    const int32_t X = E.A + Origin_.X;
    const int32_t Y = E.B + Origin_.Y;
    for (const TNeighbour &N : Neighbours) {
      const int32_t J = IndexOf(X + N.DX, Y + N.DY);
      if (J >= 0 && Entries[J].RingWeight == 0)
        E.InteriorWeight += N.Weight;
    }
  }
}

// ---------------------------------------------------------------------------
// TAreaCorrelator

TAreaCorrelator::TAreaCorrelator(const TZrRect &Rect, const TZrPixels &SourcePixels,
                                 TZrPixels &DestPixels, int32_t Radius2)
    : Rect_(Rect), Width_(std::max(Rect.Width(), 0)), Height_(std::max(Rect.Height(), 0)),
      Radius2_(Radius2), ImageBounds_(SourcePixels.GetBounds()), Source(&SourcePixels),
      Dest(&DestPixels), Mask_(static_cast<size_t>(Width_) * Height_, 0),
      Ring_({Rect.Left, Rect.Top}, Width_, Height_),
      Interior_({Rect.Left, Rect.Top}, Width_, Height_)
{
  if (SourcePixels.PixelFormat != pf24bit || DestPixels.PixelFormat != pf24bit)
    throw std::invalid_argument("the area correlator works on 24-bit pixels");
  // A window without memory has nothing to read.
  if (!SourcePixels.Bits)
    ImageBounds_ = TZrRect{};
}

void TAreaCorrelator::SetMask(int32_t X, int32_t Y, bool Value)
{
  const int32_t A = X - Rect_.Left;
  const int32_t B = Y - Rect_.Top;
  if (InSquare(A, B))
    Mask_[static_cast<size_t>(B) * Width_ + A] = Value ? 1 : 0;
}

bool TAreaCorrelator::Mask(int32_t X, int32_t Y) const
{
  const int32_t A = X - Rect_.Left;
  const int32_t B = Y - Rect_.Top;
  return InSquare(A, B) && Mask_[static_cast<size_t>(B) * Width_ + A] != 0;
}

void TAreaCorrelator::Classify()
{
  Ring_.Clear();
  Interior_.Clear();
  // The neighbourhood: offsets within the radius, the pixel itself left out
  // (it is a defect pixel and never good skin).
  const double Root = std::sqrt(static_cast<double>(std::max(Radius2_, 0)));
  const int32_t R = static_cast<int32_t>(std::trunc(Root + 0.001));
  std::vector<TZrPoint> Offsets;
  for (int32_t I = -R; I <= R; ++I)
    for (int32_t J = -R; J <= R; ++J)
      if ((I != 0 || J != 0) && I * I + J * J <= Radius2_)
        Offsets.push_back({I, J});
  for (int32_t A = 0; A < Width_; ++A)
    for (int32_t B = 0; B < Height_; ++B) {
      if (!Mask_[static_cast<size_t>(B) * Width_ + A])
        continue;
      bool Touches = false;
      for (const TZrPoint &O : Offsets) {
        const int32_t I = A + O.X;
        const int32_t J = B + O.Y;
        if (InSquare(I, J) ? !Mask_[static_cast<size_t>(J) * Width_ + I]
                           : ImageBounds_.Contains(I + Rect_.Left, J + Rect_.Top)) {
          Touches = true;
          break;
        }
      }
      if (Touches)
        Ring_.Add(A, B);
      else
        Interior_.Add(A, B);
    }
  // Counting sort of the interior by row; within a row the list order (by
  // column) is kept.
  std::vector<int32_t> RowStart(static_cast<size_t>(Height_) + 1, 0);
  for (int32_t I = 0; I < Interior_.Count(); ++I)
    ++RowStart[Interior_.Entry(I).B + 1];
  for (int32_t B = 0; B < Height_; ++B)
    RowStart[B + 1] += RowStart[B];
  RowOrder.assign(static_cast<size_t>(Interior_.Count()), 0);
  for (int32_t I = 0; I < Interior_.Count(); ++I)
    RowOrder[RowStart[Interior_.Entry(I).B]++] = I;
}

namespace {

inline int32_t ColourAt(const uint8_t *P)
{
  return P[0] | (P[1] << 8) | (P[2] << 16);
}

// Whether the memory spans of two windows overlap.
bool SharesMemory(const TZrPixels &A, const TZrPixels &B)
{
  if (!A.Bits || !B.Bits || A.Height <= 0 || B.Height <= 0)
    return false;
  auto Span = [](const TZrPixels &P, const uint8_t *&First, const uint8_t *&Last) {
    const ptrdiff_t Rows = static_cast<ptrdiff_t>(P.Height - 1) * P.Stride;
    const ptrdiff_t Row = static_cast<ptrdiff_t>(P.Width) * P.BytesPerPixel;
    First = P.Bits + std::min<ptrdiff_t>(Rows, 0);
    Last = P.Bits + std::max<ptrdiff_t>(Rows, 0) + Row;
  };
  const uint8_t *A0, *A1, *B0, *B1;
  Span(A, A0, A1);
  Span(B, B0, B1);
  return std::less<const uint8_t *>()(A0, B1) && std::less<const uint8_t *>()(B0, A1);
}

// Two-means passes until nothing moves; the cap only guards against a
// cycle, which the recentring by plain means cannot rule out in theory.
constexpr int32_t MaxClusterPasses = 1000;

} // namespace

void TAreaCorrelator::PruneRing(double Fraction)
{
  const TZrRect Readable = IntersectRect(ImageBounds_, Dest->Bits ? Dest->GetBounds() : TZrRect{});
  TKMean Means(Ring_.Count(), 2);
  for (int32_t I = 0; I < Ring_.Count(); ++I) {
    const TZrPoint P = Ring_.AbsolutePlace(I, 0);
    if (Readable.Contains(P.X, P.Y))
      Means.AddColour(ColourAt(Dest->PixelPtr(P.X, P.Y)));
  }
  if (Means.PointCount() < 2)
    return;
  for (int32_t I = 0; I < 2; ++I) {
    const TKMeanPoint &P = Means.Point(I);
    Means.AddCluster(true, P.B | (P.G << 8) | (P.R << 16));
  }
  for (int32_t Pass = 1; Means.Iterate() != 0 && Pass < MaxClusterPasses; ++Pass) {
  }
  const int32_t Smaller = Means.Cluster(1).Weight < Means.Cluster(0).Weight ? 1 : 0;
  if (!(Ring_.Count() * Fraction >= Means.Cluster(Smaller).Weight))
    return;
  for (int32_t I = 0; I < Ring_.Count(); ++I) {
    const TZrPoint P = Ring_.AbsolutePlace(I, 0);
    if (!Readable.Contains(P.X, P.Y))
      continue;
    const int32_t Point = Means.IndexOfColour(ColourAt(Dest->PixelPtr(P.X, P.Y)));
    if (Means.Point(Point).Cluster == Smaller)
      Ring_.SetExcluded(I, true);
  }
  Ring_.Compact();
}

void TAreaCorrelator::ComputeWeights()
{
  Interior_.ComputeWeights(Ring_);
}

int32_t TAreaCorrelator::BestReflection(const TZrRect &SourceRect) const
{
  // The ring's own colours do not depend on the transform: fetch them once.
  // The sums are of small integers and exact, so integer accumulation gives
  // the very coefficients a floating-point accumulator would.
  struct TRingPixel
  {
    int32_t A, B;
    int32_t C[3];
  };
  std::vector<TRingPixel> Pixels;
  Pixels.reserve(static_cast<size_t>(Ring_.Count()));
  for (int32_t I = 0; I < Ring_.Count(); ++I) {
    const TBorderEntry &E = Ring_.Entry(I);
    const int32_t X = E.A + Rect_.Left;
    const int32_t Y = E.B + Rect_.Top;
    if (!ImageBounds_.Contains(X, Y))
      continue;
    const uint8_t *P = Source->PixelPtr(X, Y);
    Pixels.push_back({E.A, E.B, {P[0], P[1], P[2]}});
  }
  const int32_t SX = SourceRect.Left;
  const int32_t SY = SourceRect.Top;
  double Best = -1.0;
  int32_t BestT = 0;
  for (int32_t T = 0; T < ReflectionCount; ++T) {
    int64_t N = 0, SumA = 0, SumB = 0, SumAB = 0, SumAA = 0, SumBB = 0;
    for (const TRingPixel &P : Pixels) {
      const TZrPoint R = ReflectPlace(T, P.A, P.B, Width_, Height_);
      const int32_t X = SX + R.X;
      const int32_t Y = SY + R.Y;
      if (!ImageBounds_.Contains(X, Y))
        continue;
      const uint8_t *S = Source->PixelPtr(X, Y);
      for (int C = 0; C < 3; ++C) {
        const int64_t A = S[C];
        const int64_t B = P.C[C];
        SumA += A;
        SumB += B;
        SumAB += A * B;
        SumAA += A * A;
        SumBB += B * B;
      }
      N += 3;
    }
    const double Coefficient = TCorrelator::CoefficientOf(
        static_cast<double>(N), static_cast<double>(SumA), static_cast<double>(SumB),
        static_cast<double>(SumAB), static_cast<double>(SumAA), static_cast<double>(SumBB));
    if (Coefficient > Best) {
      Best = Coefficient;
      BestT = T;
    }
  }
  return BestT;
}

namespace {

// Everything the interior loop needs, fixed for one fill.
struct TFillJob
{
  const TZrPixels *Source;
  TZrPixels *Dest;
  const TBorderArea8 *Interior;
  const int32_t *Order; // entry indexes in fill order; nil: list order
  TZrRect ImageBounds, Writable;
  TZrPoint Origin;
  int32_t SX, SY, T, Width, Height, Type;
  bool AntiAliasing;
  double CoefB[MaxTermCount], CoefG[MaxTermCount], CoefR[MaxTermCount];
};

constexpr int32_t TermsOfLevel[] = {1, 3, 4, 6, 8, 10};

// The interior loop, one instance per correction level (-1: plain copy), so
// that the basis has a fixed size and stays in registers.
template <int32_t Level> void FillInterior(const TFillJob &J)
{
  for (int32_t K = 0; K < J.Interior->Count(); ++K) {
    const TBorderEntry &E = J.Interior->Entry(J.Order ? J.Order[K] : K);
    const TZrPoint R = ReflectPlace(J.T, E.A, E.B, J.Width, J.Height);
    const int32_t PX = E.A + J.Origin.X;
    const int32_t PY = E.B + J.Origin.Y;
    if (!J.ImageBounds.Contains(J.SX + R.X, J.SY + R.Y) || !J.Writable.Contains(PX, PY))
      continue;
    const uint8_t *S = J.Source->PixelPtr(J.SX + R.X, J.SY + R.Y);
    uint8_t V[3] = {S[0], S[1], S[2]};
    if constexpr (Level >= 0) {
      // The same sums, term by term, as TLSM2::Evaluate.
      constexpr int32_t Terms = TermsOfLevel[Level];
      double Basis[MaxTermCount];
      EvaluateTerms(Level, E.B, E.A, Basis);
      double DB = 0.0, DG = 0.0, DR = 0.0;
      for (int32_t I = 0; I < Terms; ++I) {
        DB += J.CoefB[I] * Basis[I];
        DG += J.CoefG[I] * Basis[I];
        DR += J.CoefR[I] * Basis[I];
      }
      if (J.Type == FillPerChannel) {
        V[0] = RoundToByte(S[0] + DB);
        V[1] = RoundToByte(S[1] + DG);
        V[2] = RoundToByte(S[2] + DR);
      } else {
        const double Third = DB / 3.0;
        for (int C = 0; C < 3; ++C)
          V[C] = RoundToByte(S[C] + Third);
      }
    }
    if (J.AntiAliasing && J.Type != FillBrightness && E.RingWeight > 0) {
      // Blend towards the pixel's own colour by how much ring it touches.
      const uint8_t *O = J.Source->PixelPtr(PX, PY);
      const double Sum = static_cast<double>(E.InteriorWeight + E.RingWeight);
      for (int C = 0; C < 3; ++C)
        V[C] = RoundToByte((O[C] * E.RingWeight + V[C] * E.InteriorWeight) / Sum);
    }
    uint8_t *Out = J.Dest->PixelPtr(PX, PY);
    Out[0] = V[0];
    Out[1] = V[1];
    Out[2] = V[2];
  }
}

} // namespace

bool TAreaCorrelator::Fill(const TZrPoint &SourceTopLeft, int32_t T, bool AntiAliasing,
                           int32_t Type, int32_t Level)
{
  if (Type < FillCopy || Type > FillPerChannel || T < 0 || T >= ReflectionCount)
    return false;
  if (Type != FillCopy && (Level < 0 || Level > 5))
    return false;
  TFillJob J{};
  J.Source = Source;
  J.Dest = Dest;
  J.Interior = &Interior_;
  // Row by row unless the two windows share memory: then a pixel written
  // could be read again as a source, and the list's order decides.
  J.Order = SharesMemory(*Source, *Dest) ? nullptr : RowOrder.data();
  J.ImageBounds = ImageBounds_;
  J.Writable = IntersectRect(ImageBounds_, Dest->Bits ? Dest->GetBounds() : TZrRect{});
  J.Origin = Origin();
  J.SX = SourceTopLeft.X;
  J.SY = SourceTopLeft.Y;
  J.T = T;
  J.Width = Width_;
  J.Height = Height_;
  J.Type = Type;
  J.AntiAliasing = AntiAliasing;

  // The correction: the colour differences own - source measured on the
  // ring, with 0 where either side lies outside the image, fitted over the
  // square (P1 the row, P2 the column). A failed fit leaves the
  // coefficients at 0: no correction.
  if (Type == FillPerChannel) {
    TApproximationBGR Fit(Ring_.Count(), Level);
    for (int32_t I = 0; I < Ring_.Count(); ++I) {
      int32_t D[3];
      RingDifference(I, J.SX, J.SY, T, D);
      Fit.AddSample(D[0], D[1], D[2], Ring_.Entry(I).B, Ring_.Entry(I).A);
    }
    Fit.Fit();
    std::copy(Fit.CoefficientsB().begin(), Fit.CoefficientsB().end(), J.CoefB);
    std::copy(Fit.CoefficientsG().begin(), Fit.CoefficientsG().end(), J.CoefG);
    std::copy(Fit.CoefficientsR().begin(), Fit.CoefficientsR().end(), J.CoefR);
  } else if (Type == FillBrightness) {
    TApproximation Fit(Ring_.Count(), Level);
    for (int32_t I = 0; I < Ring_.Count(); ++I) {
      int32_t D[3];
      RingDifference(I, J.SX, J.SY, T, D);
      Fit.AddSample(D[0] + D[1] + D[2], Ring_.Entry(I).B, Ring_.Entry(I).A);
    }
    Fit.Fit();
    std::copy(Fit.Coefficients().begin(), Fit.Coefficients().end(), J.CoefB);
  }

  switch (Type == FillCopy ? -1 : Level) {
  case 0:
    FillInterior<0>(J);
    break;
  case 1:
    FillInterior<1>(J);
    break;
  case 2:
    FillInterior<2>(J);
    break;
  case 3:
    FillInterior<3>(J);
    break;
  case 4:
    FillInterior<4>(J);
    break;
  case 5:
    FillInterior<5>(J);
    break;
  default:
    FillInterior<-1>(J);
    break;
  }
  return true;
}

void TAreaCorrelator::RingDifference(int32_t I, int32_t SX, int32_t SY, int32_t T, int32_t *D) const
{
  const TBorderEntry &E = Ring_.Entry(I);
  const TZrPoint R = ReflectPlace(T, E.A, E.B, Width_, Height_);
  const int32_t PX = E.A + Rect_.Left;
  const int32_t PY = E.B + Rect_.Top;
  D[0] = D[1] = D[2] = 0;
  if (ImageBounds_.Contains(SX + R.X, SY + R.Y) && ImageBounds_.Contains(PX, PY)) {
    const uint8_t *S = Source->PixelPtr(SX + R.X, SY + R.Y);
    const uint8_t *P = Source->PixelPtr(PX, PY);
    for (int C = 0; C < 3; ++C)
      D[C] = P[C] - S[C];
  }
}

} // namespace facette
