#include "tools/inpainting/AreaCorrelator.h"

#include "tools/inpainting/Approximation.h"
#include "tools/inpainting/KMean.h"

#include <algorithm>
#include <cmath>
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
      Dest(&DestPixels),
      Mask_(static_cast<size_t>(Width_) * Height_, 0), Ring_({Rect.Left, Rect.Top}, Width_, Height_),
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
}

namespace {

inline int32_t ColourAt(const uint8_t *P)
{
  return P[0] | (P[1] << 8) | (P[2] << 16);
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

bool TAreaCorrelator::Fill(const TZrPoint &SourceTopLeft, int32_t T, bool AntiAliasing,
                           int32_t Type, int32_t Level)
{
  if (Type < FillCopy || Type > FillPerChannel || T < 0 || T >= ReflectionCount)
    return false;
  if (Type != FillCopy && (Level < 0 || Level > 5))
    return false;
  const int32_t SX = SourceTopLeft.X;
  const int32_t SY = SourceTopLeft.Y;
  const TZrRect Writable = IntersectRect(ImageBounds_, Dest->Bits ? Dest->GetBounds() : TZrRect{});

  // The correction: the colour differences own - source measured on the
  // ring, with 0 where either side lies outside the image, fitted over the
  // square (P1 the row, P2 the column).
  int32_t Terms = 0;
  double CoefB[MaxTermCount] = {}, CoefG[MaxTermCount] = {}, CoefR[MaxTermCount] = {};
  if (Type != FillCopy) {
    Terms = TermCountOfLevel(Level);
    TApproximationBGR PerChannel(Type == FillPerChannel ? Ring_.Count() : 0, Level);
    TApproximation Brightness(Type == FillBrightness ? Ring_.Count() : 0, Level);
    for (int32_t I = 0; I < Ring_.Count(); ++I) {
      const TBorderEntry &E = Ring_.Entry(I);
      const TZrPoint R = ReflectPlace(T, E.A, E.B, Width_, Height_);
      const int32_t PX = E.A + Rect_.Left;
      const int32_t PY = E.B + Rect_.Top;
      int32_t D[3] = {0, 0, 0};
      if (ImageBounds_.Contains(SX + R.X, SY + R.Y) && ImageBounds_.Contains(PX, PY)) {
        const uint8_t *S = Source->PixelPtr(SX + R.X, SY + R.Y);
        const uint8_t *P = Source->PixelPtr(PX, PY);
        for (int C = 0; C < 3; ++C)
          D[C] = P[C] - S[C];
      }
      if (Type == FillPerChannel)
        PerChannel.AddSample(D[0], D[1], D[2], E.B, E.A);
      else
        Brightness.AddSample(D[0] + D[1] + D[2], E.B, E.A);
    }
    // A failed fit leaves the coefficients at 0: no correction.
    if (Type == FillPerChannel) {
      PerChannel.Fit();
      std::copy_n(PerChannel.CoefficientsB().data(), Terms, CoefB);
      std::copy_n(PerChannel.CoefficientsG().data(), Terms, CoefG);
      std::copy_n(PerChannel.CoefficientsR().data(), Terms, CoefR);
    } else {
      Brightness.Fit();
      std::copy_n(Brightness.Coefficients().data(), Terms, CoefB);
    }
  }

  for (int32_t I = 0; I < Interior_.Count(); ++I) {
    const TBorderEntry &E = Interior_.Entry(I);
    const TZrPoint R = ReflectPlace(T, E.A, E.B, Width_, Height_);
    const int32_t PX = E.A + Rect_.Left;
    const int32_t PY = E.B + Rect_.Top;
    if (!ImageBounds_.Contains(SX + R.X, SY + R.Y) || !Writable.Contains(PX, PY))
      continue;
    const uint8_t *S = Source->PixelPtr(SX + R.X, SY + R.Y);
    uint8_t V[3] = {S[0], S[1], S[2]};
    if (Type != FillCopy) {
      // The same sums, term by term, as TLSM2::Evaluate.
      double Basis[MaxTermCount];
      EvaluateTerms(Level, E.B, E.A, Basis);
      double DB = 0.0, DG = 0.0, DR = 0.0;
      for (int32_t K = 0; K < Terms; ++K) {
        DB += CoefB[K] * Basis[K];
        DG += CoefG[K] * Basis[K];
        DR += CoefR[K] * Basis[K];
      }
      if (Type == FillPerChannel) {
        V[0] = ByteRound(S[0] + DB);
        V[1] = ByteRound(S[1] + DG);
        V[2] = ByteRound(S[2] + DR);
      } else {
        const double Third = DB / 3.0;
        for (int C = 0; C < 3; ++C)
          V[C] = ByteRound(S[C] + Third);
      }
    }
    if (AntiAliasing && Type != FillBrightness && E.RingWeight > 0) {
      // Blend towards the pixel's own colour by how much ring it touches.
      const uint8_t *O = Source->PixelPtr(PX, PY);
      const double Sum = static_cast<double>(E.InteriorWeight + E.RingWeight);
      for (int C = 0; C < 3; ++C)
        V[C] = static_cast<uint8_t>(
            std::nearbyint((O[C] * E.RingWeight + V[C] * E.InteriorWeight) / Sum));
    }
    uint8_t *Out = Dest->PixelPtr(PX, PY);
    Out[0] = V[0];
    Out[1] = V[1];
    Out[2] = V[2];
  }
  return true;
}

} // namespace facette
