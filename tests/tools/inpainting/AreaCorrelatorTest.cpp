#include "tools/inpainting/AreaCorrelator.h"

#include "tools/inpainting/Approximation.h"
#include "tools/inpainting/TableKMean.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace facette {
namespace {

// ---------------------------------------------------------------------------
// Plain forms of the engine's loops: lists searched linearly, a mask indexed
// [x][y], eight stored places per entry, floating-point correlation sums and
// the direct-table k-means. The engine must give the same lists, weights,
// transforms and pixels.

struct RefEntry
{
  int RX[8], RY[8], X[8], Y[8];
  bool Excluded = false;
  int InteriorWeight = 0, RingWeight = 0;
};

struct RefList
{
  int OX = 0, OY = 0, W = 0, H = 0;
  std::vector<RefEntry> E;

  void Add(int A, int B)
  {
    RefEntry N;
    const int RX[8] = {A, W - 1 - A, B, B, W - 1 - A, A, H - 1 - B, H - 1 - B};
    const int RY[8] = {B, B, W - 1 - A, A, H - 1 - B, H - 1 - B, W - 1 - A, A};
    for (int T = 0; T < 8; ++T) {
      N.RX[T] = RX[T];
      N.RY[T] = RY[T];
      N.X[T] = RX[T] + OX;
      N.Y[T] = RY[T] + OY;
    }
    E.push_back(N);
  }
  int IndexOf(int X, int Y) const
  {
    for (size_t I = 0; I < E.size(); ++I)
      if (E[I].X[0] == X && E[I].Y[0] == Y)
        return static_cast<int>(I);
    return -1;
  }
  bool Contains(int X, int Y) const { return IndexOf(X, Y) >= 0; }
  void Compact()
  {
    std::vector<RefEntry> Kept;
    for (const RefEntry &N : E)
      if (!N.Excluded)
        Kept.push_back(N);
    E = Kept;
  }
  void ComputeWeights(const RefList &Ring)
  {
    for (RefEntry &N : E)
      for (int DX = -1; DX <= 1; ++DX)
        for (int DY = -1; DY <= 1; ++DY)
          if ((DX != 0 || DY != 0) && Ring.Contains(N.X[0] + DX, N.Y[0] + DY))
            N.RingWeight += 3 - (std::abs(DX) + std::abs(DY));
    for (RefEntry &N : E)
      if (N.RingWeight > 0)
        for (int DX = -1; DX <= 1; ++DX)
          for (int DY = -1; DY <= 1; ++DY) {
            if (DX == 0 && DY == 0)
              continue;
            const int J = IndexOf(N.X[0] + DX, N.Y[0] + DY);
            if (J >= 0 && E[J].RingWeight == 0)
              N.InteriorWeight += 3 - (std::abs(DX) + std::abs(DY));
          }
  }
};

double RefPearson(const std::vector<std::pair<int, int>> &Pairs)
{
  double N = 0, SA = 0, SB = 0, SAB = 0, SAA = 0, SBB = 0;
  for (auto [A, B] : Pairs) {
    N += 1;
    SA += A;
    SB += B;
    SAB += double(A) * B;
    SAA += double(A) * A;
    SBB += double(B) * B;
  }
  const double Root = std::sqrt((N * SBB - SB * SB) * (N * SAA - SA * SA));
  if (Root <= 1e-10)
    return 0;
  return (N * SAB - SA * SB) / Root;
}

struct RefCorrelator
{
  TZrRect Rect;
  int W, H, Radius2;
  TZrRect ImageBounds;
  const TZrPixels *Source;
  TZrPixels *Dest;
  std::vector<std::vector<bool>> Mask; // [x][y]
  RefList Ring, Interior;

  RefCorrelator(TZrRect R, const TZrPixels &S, TZrPixels &D, int R2)
      : Rect(R), W(R.Width()), H(R.Height()), Radius2(R2), ImageBounds(S.GetBounds()), Source(&S),
        Dest(&D), Mask(W, std::vector<bool>(H, false))
  {
    for (RefList *L : {&Ring, &Interior}) {
      L->OX = R.Left;
      L->OY = R.Top;
      L->W = W;
      L->H = H;
    }
  }
  bool Inside(int X, int Y) const { return ImageBounds.Contains(X, Y); }
  bool Writable(int X, int Y) const { return Inside(X, Y) && Dest->GetBounds().Contains(X, Y); }

  void Classify()
  {
    Ring.E.clear();
    Interior.E.clear();
    const int R = static_cast<int>(std::trunc(std::sqrt(double(Radius2)) + 0.001));
    for (int A = 0; A < W; ++A)
      for (int B = 0; B < H; ++B) {
        if (!Mask[A][B])
          continue;
        bool Touches = false;
        for (int I = A - R; I <= A + R; ++I)
          for (int J = B - R; J <= B + R; ++J) {
            if ((I - A) * (I - A) + (J - B) * (J - B) > Radius2)
              continue;
            if (I >= 0 && I < W && J >= 0 && J < H) {
              if (!Mask[I][J])
                Touches = true;
            } else if (Inside(I + Rect.Left, J + Rect.Top)) {
              Touches = true;
            }
          }
        if (Touches)
          Ring.Add(A, B);
        else
          Interior.Add(A, B);
      }
  }

  static int32_t ColourOf(const uint8_t *P) { return P[0] | (P[1] << 8) | (P[2] << 16); }

  void PruneRing(double Fraction, test::TableKMean &Means)
  {
    Means.Reset();
    for (const RefEntry &N : Ring.E)
      if (Writable(N.X[0], N.Y[0]))
        Means.AddColour(ColourOf(Dest->PixelPtr(N.X[0], N.Y[0])));
    if (Means.Points.size() < 2)
      return;
    for (int I = 0; I < 2; ++I) {
      const auto &P = Means.Points[I];
      Means.AddCluster(true, P.B | (P.G << 8) | (P.R << 16));
    }
    while (Means.Iterate() != 0) {
    }
    int Smallest = 0;
    if (Means.Clusters[1].Weight < Means.Clusters[0].Weight)
      Smallest = 1;
    if (Ring.E.size() * Fraction >= Means.Clusters[Smallest].Weight) {
      for (RefEntry &N : Ring.E)
        if (Writable(N.X[0], N.Y[0])) {
          const int32_t C = ColourOf(Dest->PixelPtr(N.X[0], N.Y[0]));
          if (Means.Points[Means.ColourIndex[C]].Cluster == Smallest)
            N.Excluded = true;
        }
      Ring.Compact();
    }
  }

  int BestReflection(TZrRect SourceRect) const
  {
    double Best = -1;
    int BestT = 0;
    for (int T = 0; T < 8; ++T) {
      std::vector<std::pair<int, int>> Pairs;
      for (const RefEntry &N : Ring.E) {
        const int SX = SourceRect.Left + N.RX[T], SY = SourceRect.Top + N.RY[T];
        if (!Inside(N.X[0], N.Y[0]) || !Inside(SX, SY))
          continue;
        const uint8_t *S = Source->PixelPtr(SX, SY);
        const uint8_t *P = Source->PixelPtr(N.X[0], N.Y[0]);
        for (int C : {2, 1, 0})
          Pairs.push_back({S[C], P[C]});
      }
      const double R = RefPearson(Pairs);
      if (R > Best) {
        Best = R;
        BestT = T;
      }
    }
    return BestT;
  }

  void Fill(TZrPoint From, int T, bool AntiAliasing, int Type, int Level)
  {
    TApproximationBGR PerChannel(static_cast<int32_t>(Ring.E.size()), Level);
    TApproximation Brightness(static_cast<int32_t>(Ring.E.size()), Level);
    if (Type != 0) {
      for (const RefEntry &N : Ring.E) {
        const int SX = From.X + N.RX[T], SY = From.Y + N.RY[T];
        double D[3] = {0, 0, 0};
        if (Inside(SX, SY) && Inside(N.X[0], N.Y[0]))
          for (int C = 0; C < 3; ++C)
            D[C] = Source->PixelPtr(N.X[0], N.Y[0])[C] - Source->PixelPtr(SX, SY)[C];
        // P1 is the row offset, P2 the column offset.
        PerChannel.AddSample(D[0], D[1], D[2], N.RY[0], N.RX[0]);
        Brightness.AddSample(D[0] + D[1] + D[2], N.RY[0], N.RX[0]);
      }
      PerChannel.Fit();
      Brightness.Fit();
    }
    for (const RefEntry &N : Interior.E) {
      const int SX = From.X + N.RX[T], SY = From.Y + N.RY[T];
      if (!Inside(SX, SY) || !Writable(N.X[0], N.Y[0]))
        continue;
      const uint8_t *S = Source->PixelPtr(SX, SY);
      int V[3];
      if (Type == 0) {
        for (int C = 0; C < 3; ++C)
          V[C] = S[C];
      } else if (Type == 2) {
        double DR, DG, DB;
        PerChannel.Evaluate(N.RY[0], N.RX[0], DR, DG, DB);
        const double D[3] = {DB, DG, DR};
        for (int C = 0; C < 3; ++C)
          V[C] = static_cast<int>(std::nearbyint(std::clamp(S[C] + D[C], 0.0, 255.0)));
      } else {
        const double D = Brightness.Evaluate(N.RY[0], N.RX[0]);
        for (int C = 0; C < 3; ++C)
          V[C] = std::clamp(static_cast<int>(std::nearbyint(S[C] + D / 3)), 0, 255);
      }
      if (AntiAliasing && Type != 1 && N.RingWeight > 0) {
        const uint8_t *O = Source->PixelPtr(N.X[0], N.Y[0]);
        for (int C = 0; C < 3; ++C)
          V[C] = static_cast<int>(
              std::nearbyint(double(O[C] * N.RingWeight + V[C] * N.InteriorWeight) /
                             (N.InteriorWeight + N.RingWeight)));
      }
      uint8_t *Out = Dest->PixelPtr(N.X[0], N.Y[0]);
      for (int C = 0; C < 3; ++C)
        Out[C] = static_cast<uint8_t>(V[C]);
    }
  }
};

// ---------------------------------------------------------------------------
// Helpers

void Allocate(TZrPixelBuffer &B, TZrRect R)
{
  ASSERT_TRUE(B.Allocate(pf24bit, R));
}

void Paint(TZrPixels &P, uint8_t B, uint8_t G, uint8_t R)
{
  for (int Y = P.Top; Y < P.Top + P.Height; ++Y)
    for (int X = P.Left; X < P.Left + P.Width; ++X) {
      P.PixelPtr(X, Y)[0] = B;
      P.PixelPtr(X, Y)[1] = G;
      P.PixelPtr(X, Y)[2] = R;
    }
}

// Smooth shading with grain, or a few flat colours (so that colours repeat
// on a ring and the clustering has something to find).
void RandomImage(TZrPixels &P, std::mt19937 &Rng, bool Palette)
{
  const int GX = Rng() % 7, GY = Rng() % 7, Base = Rng() % 120;
  std::vector<std::array<uint8_t, 3>> Colours(2 + Rng() % 3);
  for (auto &C : Colours)
    for (uint8_t &V : C)
      V = static_cast<uint8_t>(Rng());
  for (int Y = P.Top; Y < P.Top + P.Height; ++Y)
    for (int X = P.Left; X < P.Left + P.Width; ++X)
      for (int C = 0; C < 3; ++C) {
        uint8_t &V = P.PixelPtr(X, Y)[C];
        if (Palette)
          V = Colours[(X * 3 + Y * 5 + (Rng() % 4 == 0)) % Colours.size()][C];
        else
          V = static_cast<uint8_t>(
              std::clamp<int>(Base + GX * X + GY * Y + C * 20 + int(Rng() % 25) - 12, 0, 255));
      }
}

std::vector<uint8_t> Bytes(const TZrPixels &P)
{
  std::vector<uint8_t> Out;
  if (!P.Bits)
    return Out;
  for (int Y = 0; Y < P.Height; ++Y)
    Out.insert(Out.end(), P.Bits + Y * P.Stride, P.Bits + Y * P.Stride + P.Width * 3);
  return Out;
}

// A mask drawn as text: '#' defect, anything else not, one string per row.
void SetMaskFromText(TAreaCorrelator &A, const std::vector<std::string> &Rows)
{
  for (size_t Y = 0; Y < Rows.size(); ++Y)
    for (size_t X = 0; X < Rows[Y].size(); ++X)
      A.SetMask(A.Rect().Left + int(X), A.Rect().Top + int(Y), Rows[Y][X] == '#');
}

// The classification drawn the same way: 'R' ring, 'I' interior, '.' none.
std::vector<std::string> ClassesAsText(const TAreaCorrelator &A)
{
  std::vector<std::string> Rows(A.Height(), std::string(A.Width(), '.'));
  for (int32_t I = 0; I < A.Ring().Count(); ++I)
    Rows[A.Ring().Entry(I).B][A.Ring().Entry(I).A] = 'R';
  for (int32_t I = 0; I < A.Interior().Count(); ++I)
    Rows[A.Interior().Entry(I).B][A.Interior().Entry(I).A] = 'I';
  return Rows;
}

// ---------------------------------------------------------------------------
// Behaviour on small pictures

TEST(AreaCorrelator, RoundToByteIsByteRound)
{
  const double Specials[] = {
      NAN,   -INFINITY,          INFINITY,           -0.0,  0.0,   -0.5, 0.5, 1.5, 2.5,
      254.5, 254.49999999999997, 254.50000000000003, 255.0, 255.5, 1e300};
  for (double X : Specials)
    EXPECT_EQ(RoundToByte(X), ByteRound(X)) << X;
  for (int I = -2000; I <= 2600; ++I) {
    const double X = I / 8.0; // every half and quarter
    EXPECT_EQ(RoundToByte(X), ByteRound(X)) << X;
    EXPECT_EQ(RoundToByte(std::nextafter(X, 1e9)), ByteRound(std::nextafter(X, 1e9))) << X;
    EXPECT_EQ(RoundToByte(std::nextafter(X, -1e9)), ByteRound(std::nextafter(X, -1e9))) << X;
  }
}

TEST(Correlator, PearsonCoefficient)
{
  struct Case
  {
    const char *Name;
    std::vector<std::pair<double, double>> Pairs;
    double Expected;
  } Cases[] = {
      {"identical", {{1, 1}, {2, 2}, {5, 5}}, 1.0},
      {"opposed", {{1, 3}, {2, 2}, {3, 1}}, -1.0},
      {"scaled and shifted", {{1, 10}, {2, 12}, {4, 16}}, 1.0},
      {"one side constant", {{1, 7}, {2, 7}, {3, 7}}, 0.0},
      {"no pairs", {}, 0.0},
      {"uncorrelated", {{0, 0}, {1, 1}, {0, 1}, {1, 0}}, 0.0},
  };
  for (const Case &C : Cases) {
    TCorrelator K;
    K.Add(100, -100); // cleared by Reset
    K.Reset();
    for (auto [A, B] : C.Pairs)
      K.Add(A, B);
    EXPECT_NEAR(K.Coefficient(), C.Expected, 1e-12) << C.Name;
  }
}

TEST(AreaCorrelator, Classify)
{
  struct Case
  {
    const char *Name;
    TZrRect Image;
    TZrRect Square;
    int32_t Radius2;
    std::vector<std::string> Mask, Expected;
  } Cases[] = {
      {"full square inside the image",
       Bounds(0, 0, 20, 20),
       Bounds(5, 5, 5, 5),
       2,
       {"#####", "#####", "#####", "#####", "#####"},
       {"RRRRR", "RIIIR", "RIIIR", "RIIIR", "RRRRR"}},
      // Neighbours outside the image are not skin.
      {"square at the image's corner",
       Bounds(0, 0, 20, 20),
       Bounds(0, 0, 5, 5),
       2,
       {"#####", "#####", "#####", "#####", "#####"},
       {"IIIIR", "IIIIR", "IIIIR", "IIIIR", "RRRRR"}},
      {"square is the whole image",
       Bounds(0, 0, 4, 4),
       Bounds(0, 0, 4, 4),
       2,
       {"####", "####", "####", "####"},
       {"IIII", "IIII", "IIII", "IIII"}},
      // Image pixels beyond the square's right and bottom edges are skin;
      // defect pixels outside the image take part like the others.
      {"square partly outside the image",
       Bounds(0, 0, 4, 4),
       Bounds(-2, -2, 5, 5),
       2,
       {"#####", "#####", "#####", "#####", "#####"},
       {"IIIII", "IIIIR", "IIIIR", "IIIIR", "IRRRR"}},
      {"a disc",
       Bounds(0, 0, 20, 20),
       Bounds(5, 5, 7, 7),
       2,
       {"..###..", ".#####.", "#######", "#######", "#######", ".#####.", "..###.."},
       {"..RRR..", ".RRIRR.", "RRIIIRR", "RIIIIIR", "RRIIIRR", ".RRIRR.", "..RRR.."}},
      {"a thin line has no interior",
       Bounds(0, 0, 20, 20),
       Bounds(5, 5, 5, 5),
       2,
       {".....", "#####", "#####", ".....", "....."},
       {".....", "RRRRR", "RRRRR", ".....", "....."}},
      // Corner contact counts with the eight neighbours, not with four.
      {"eight neighbours",
       Bounds(0, 0, 4, 4),
       Bounds(0, 0, 4, 4),
       2,
       {".###", "####", "####", "####"},
       {".RII", "RRII", "IIII", "IIII"}},
      {"four neighbours",
       Bounds(0, 0, 4, 4),
       Bounds(0, 0, 4, 4),
       1,
       {".###", "####", "####", "####"},
       {".RII", "RIII", "IIII", "IIII"}},
      {"no neighbourhood", Bounds(0, 0, 20, 20), Bounds(5, 5, 2, 2), 0, {"##", "##"}, {"II", "II"}},
      {"a wider neighbourhood",
       Bounds(0, 0, 20, 20),
       Bounds(5, 5, 5, 5),
       4,
       {"#####", "#####", "#####", "#####", "#####"},
       {"RRRRR", "RRRRR", "RRIRR", "RRRRR", "RRRRR"}},
  };
  for (const Case &C : Cases) {
    TZrPixelBuffer Image;
    Allocate(Image, C.Image);
    TAreaCorrelator A(C.Square, Image, Image, C.Radius2);
    SetMaskFromText(A, C.Mask);
    A.Classify();
    EXPECT_EQ(ClassesAsText(A), C.Expected) << C.Name;
    // Column by column: x outer, y inner.
    for (int32_t I = 1; I < A.Ring().Count(); ++I) {
      const TBorderEntry &P = A.Ring().Entry(I - 1), &Q = A.Ring().Entry(I);
      EXPECT_TRUE(P.A < Q.A || (P.A == Q.A && P.B < Q.B)) << C.Name;
    }
  }
}

TEST(AreaCorrelator, BlendingWeights)
{
  TZrPixelBuffer Image;
  Allocate(Image, Bounds(0, 0, 20, 20));
  TAreaCorrelator A(Bounds(5, 5, 5, 5), Image, Image, 2);
  SetMaskFromText(A, {"#####", "#####", "#####", "#####", "#####"});
  A.Classify();
  A.ComputeWeights();
  // Interior 3 x 3 at (6..8, 6..8). Ring weight: side neighbours in the ring
  // count 2, corners 1; interior weight: neighbours without ring contact.
  struct Case
  {
    int X, Y, RingWeight, InteriorWeight;
  } Cases[] = {{6, 6, 7, 1}, {7, 6, 4, 2}, {8, 6, 7, 1}, {6, 7, 4, 2},
               {7, 7, 0, 0}, {8, 8, 7, 1}, {7, 8, 4, 2}};
  for (const Case &C : Cases) {
    const int32_t I = A.Interior().IndexOf(C.X, C.Y);
    ASSERT_GE(I, 0);
    EXPECT_EQ(A.Interior().Entry(I).RingWeight, C.RingWeight) << C.X << "," << C.Y;
    EXPECT_EQ(A.Interior().Entry(I).InteriorWeight, C.InteriorWeight) << C.X << "," << C.Y;
    EXPECT_EQ(A.Interior().HasRingContact(I), C.RingWeight > 0);
  }
  // Weighting again does not add up.
  A.ComputeWeights();
  EXPECT_EQ(A.Interior().Entry(A.Interior().IndexOf(6, 6)).RingWeight, 7);
}

TEST(AreaCorrelator, AntiAliasingBlendsTowardsTheOwnColour)
{
  // Own colour 0 everywhere in the square, source colour V: the interior
  // corner gets round(V / 8), the edge middle round(2 V / 6), the centre V.
  struct Case
  {
    int V, Corner, Edge;
  } Cases[] = {{4, 0, 1}, {12, 2, 4}, {20, 2, 7}, {240, 30, 80}};
  for (const Case &C : Cases) {
    TZrPixelBuffer Source, Dest;
    Allocate(Source, Bounds(0, 0, 20, 20));
    Allocate(Dest, Bounds(0, 0, 20, 20));
    Paint(Source, static_cast<uint8_t>(C.V), 0, 0);
    Paint(Dest, 99, 99, 99);
    for (int Y = 5; Y < 10; ++Y)
      for (int X = 5; X < 10; ++X)
        Source.PixelPtr(X, Y)[0] = 0;
    TAreaCorrelator A(Bounds(5, 5, 5, 5), Source, Dest, 2);
    SetMaskFromText(A, {"#####", "#####", "#####", "#####", "#####"});
    A.Classify();
    A.ComputeWeights();
    ASSERT_TRUE(A.Fill({12, 12}, 0, true, FillCopy, 2));
    EXPECT_EQ(Dest.PixelPtr(6, 6)[0], C.Corner) << C.V;
    EXPECT_EQ(Dest.PixelPtr(7, 6)[0], C.Edge) << C.V;
    EXPECT_EQ(Dest.PixelPtr(7, 7)[0], C.V) << C.V;
    // Ring pixels are never written.
    EXPECT_EQ(Dest.PixelPtr(5, 5)[0], 99);
    EXPECT_EQ(Dest.PixelPtr(9, 7)[0], 99);
    // Without anti-aliasing the source comes through unchanged.
    ASSERT_TRUE(A.Fill({12, 12}, 0, false, FillCopy, 2));
    EXPECT_EQ(Dest.PixelPtr(6, 6)[0], C.V);
  }
}

// Image 20 x 20 with random content; defect square at (3, 3), 12 x 12.
struct Scene
{
  TZrPixelBuffer Source, Dest;
  std::unique_ptr<TAreaCorrelator> A;

  explicit Scene(const std::vector<std::string> &Mask, uint32_t Seed = 1,
                 TZrRect Square = Bounds(3, 3, 12, 12))
  {
    std::mt19937 Rng(Seed);
    Allocate(Source, Bounds(0, 0, 20, 20));
    Allocate(Dest, Bounds(0, 0, 20, 20));
    RandomImage(Source, Rng, false);
    Dest.CopyFrom(Source);
    A = std::make_unique<TAreaCorrelator>(Square, Source, Dest, 2);
    SetMaskFromText(*A, Mask);
    A->Classify();
    A->ComputeWeights();
  }
};

const std::vector<std::string> FullSquare(12, std::string(12, '#'));

TEST(AreaCorrelator, FillEdgeCases)
{
  // Without interior nothing is filled, whatever the type.
  {
    Scene S({"", "", "", "", "", "############", "############"});
    ASSERT_EQ(S.A->Interior().Count(), 0);
    const auto Before = Bytes(S.Dest);
    for (int Type : {FillCopy, FillBrightness, FillPerChannel}) {
      EXPECT_TRUE(S.A->Fill({0, 0}, 3, true, Type, 2));
      EXPECT_EQ(Bytes(S.Dest), Before) << Type;
    }
  }
  // Fewer ring pixels than correction terms: no fit, so the corrected fill
  // equals the plain copy. The square is the whole image with one good pixel
  // in a corner: three ring pixels.
  {
    std::vector<std::string> Mask(20, std::string(20, '#'));
    Mask[0][0] = '.';
    Scene S(Mask, 3, Bounds(0, 0, 20, 20));
    ASSERT_EQ(S.A->Ring().Count(), 3);
    ASSERT_TRUE(S.A->Fill({0, 0}, 4, false, FillCopy, 2));
    const auto Copied = Bytes(S.Dest);
    S.Dest.CopyFrom(S.Source);
    ASSERT_NE(Copied, Bytes(S.Dest)); // the copy did change the image
    for (int Type : {FillBrightness, FillPerChannel}) {
      S.Dest.CopyFrom(S.Source);
      ASSERT_TRUE(S.A->Fill({0, 0}, 4, false, Type, 2));
      EXPECT_EQ(Bytes(S.Dest), Copied) << Type;
    }
  }
  // A source square partly outside the image: the pixels it cannot supply
  // keep what they had; the others are filled.
  {
    Scene S(FullSquare);
    Paint(S.Dest, 1, 2, 3);
    ASSERT_TRUE(S.A->Fill({14, -6}, 0, false, FillCopy, 2));
    for (int Y = 4; Y < 14; ++Y)
      for (int X = 4; X < 14; ++X) {
        const int SX = 14 + X - 3, SY = -6 + Y - 3;
        const bool Supplied = SX < 20 && SY >= 0;
        EXPECT_EQ(S.Dest.PixelPtr(X, Y)[0], Supplied ? S.Source.PixelPtr(SX, SY)[0] : 1)
            << X << "," << Y;
      }
  }
  // Unknown fill type, transform or level: nothing written.
  {
    Scene S(FullSquare);
    Paint(S.Dest, 1, 2, 3);
    const auto Before = Bytes(S.Dest);
    EXPECT_FALSE(S.A->Fill({0, 0}, 0, false, 3, 2));
    EXPECT_FALSE(S.A->Fill({0, 0}, 8, false, FillCopy, 2));
    EXPECT_FALSE(S.A->Fill({0, 0}, -1, false, FillCopy, 2));
    EXPECT_FALSE(S.A->Fill({0, 0}, 0, false, FillPerChannel, 6));
    EXPECT_EQ(Bytes(S.Dest), Before);
  }
}

TEST(AreaCorrelator, CorrectionFollowsTheRing)
{
  // Source square uniformly 40 darker than the defect's surroundings and the
  // image shaded: the per-channel correction brings the copied skin up by
  // the ring's difference, where a plain copy stays dark.
  TZrPixelBuffer Source, Dest;
  Allocate(Source, Bounds(0, 0, 60, 30));
  Allocate(Dest, Bounds(0, 0, 60, 30));
  for (int Y = 0; Y < 30; ++Y)
    for (int X = 0; X < 60; ++X) {
      const int Shade = 100 + Y + (X >= 30 ? -40 : 0);
      Source.PixelPtr(X, Y)[0] = static_cast<uint8_t>(Shade);
      Source.PixelPtr(X, Y)[1] = static_cast<uint8_t>(Shade + 10);
      Source.PixelPtr(X, Y)[2] = static_cast<uint8_t>(Shade + 20);
    }
  Dest.CopyFrom(Source);
  TAreaCorrelator A(Bounds(5, 5, 10, 10), Source, Dest, 2);
  for (int Y = 5; Y < 15; ++Y)
    for (int X = 5; X < 15; ++X)
      A.SetMask(X, Y, true);
  A.Classify();
  ASSERT_TRUE(A.Fill({40, 5}, 0, false, FillPerChannel, 2));
  for (int C = 0; C < 3; ++C)
    EXPECT_EQ(Dest.PixelPtr(9, 9)[C], Source.PixelPtr(9, 9)[C]) << C;
  ASSERT_TRUE(A.Fill({40, 5}, 0, false, FillBrightness, 2));
  for (int C = 0; C < 3; ++C)
    EXPECT_EQ(Dest.PixelPtr(9, 9)[C], Source.PixelPtr(9, 9)[C]) << C;
  ASSERT_TRUE(A.Fill({40, 5}, 0, false, FillCopy, 2));
  EXPECT_EQ(Dest.PixelPtr(9, 9)[0], Source.PixelPtr(9, 9)[0] - 40);
}

TEST(AreaCorrelator, BestReflection)
{
  // The source square holds the defect square's content under transform T:
  // the ring correlates perfectly under T and BestReflection finds it.
  for (int32_t T = 0; T < ReflectionCount; ++T) {
    std::mt19937 Rng(T);
    TZrPixelBuffer Wide;
    Allocate(Wide, Bounds(0, 0, 40, 20));
    RandomImage(Wide, Rng, false);
    for (int B = 0; B < 12; ++B)
      for (int A = 0; A < 12; ++A) {
        const TZrPoint R = ReflectPlace(T, A, B, 12, 12);
        std::memcpy(Wide.PixelPtr(25 + R.X, 4 + R.Y), Wide.PixelPtr(3 + A, 3 + B), 3);
      }
    TAreaCorrelator A(Bounds(3, 3, 12, 12), Wide, Wide, 2);
    SetMaskFromText(A, FullSquare);
    A.Classify();
    EXPECT_EQ(A.BestReflection(Bounds(25, 4, 12, 12)), T);
  }
  // Without spread on either side every transform scores 0: transform 0.
  struct Case
  {
    const char *Name;
    bool UniformImage;
    TZrPoint From;
  } Cases[] = {{"uniform image", true, {5, 5}},
               {"source square outside the image", false, {100, 100}}};
  for (const Case &C : Cases) {
    Scene S(FullSquare, 9);
    if (C.UniformImage)
      Paint(S.Source, 120, 130, 140);
    EXPECT_EQ(S.A->BestReflection(Bounds(C.From.X, C.From.Y, 12, 12)), 0) << C.Name;
  }
}

TEST(AreaCorrelator, PruneRingDropsAThinMinority)
{
  // A 5 x 5 defect has a ring of 16; a dark hair across n of them is dropped
  // while n <= 16 * 0.2.
  struct Case
  {
    int Hair;
    int RingAfter;
  } Cases[] = {{0, 16}, {1, 15}, {3, 13}, {4, 16}, {8, 16}};
  for (const Case &C : Cases) {
    TZrPixelBuffer Image;
    Allocate(Image, Bounds(0, 0, 20, 20));
    Paint(Image, 120, 150, 200);
    const TZrPoint RingPixels[] = {{5, 5}, {6, 5}, {7, 5}, {8, 5}, {9, 5},
                                   {9, 6}, {9, 7}, {9, 8}, {5, 6}, {5, 7}};
    for (int I = 0; I < C.Hair; ++I) {
      uint8_t *P = Image.PixelPtr(RingPixels[I].X, RingPixels[I].Y);
      P[0] = 20; // two close dark shades
      P[1] = 25;
      P[2] = static_cast<uint8_t>(30 + I % 2);
    }
    TAreaCorrelator A(Bounds(5, 5, 5, 5), Image, Image, 2);
    SetMaskFromText(A, {"#####", "#####", "#####", "#####", "#####"});
    A.Classify();
    ASSERT_EQ(A.Ring().Count(), 16);
    A.PruneRing(0.2);
    EXPECT_EQ(A.Ring().Count(), C.RingAfter) << C.Hair;
    for (int32_t I = 0; I < A.Ring().Count(); ++I) {
      const TZrPoint P = A.Ring().AbsolutePlace(I, 0);
      EXPECT_EQ(A.Ring().IndexOf(P.X, P.Y), I); // the index follows the compaction
      if (C.RingAfter < 16) {
        EXPECT_EQ(Image.PixelPtr(P.X, P.Y)[0], 120);
      }
    }
  }
}

TEST(AreaCorrelator, RejectsOtherPixelFormats)
{
  TZrPixelBuffer Image, Alpha;
  Allocate(Image, Bounds(0, 0, 4, 4));
  ASSERT_TRUE(Alpha.Allocate(pf32bit, Bounds(0, 0, 4, 4)));
  EXPECT_THROW(TAreaCorrelator(Bounds(0, 0, 2, 2), Alpha, Image, 2), std::invalid_argument);
  EXPECT_THROW(TAreaCorrelator(Bounds(0, 0, 2, 2), Image, Alpha, 2), std::invalid_argument);
}

// ---------------------------------------------------------------------------
// The engine against the plain loops on random inputs

TEST(BorderArea8, IndexMatchesALinearSearch)
{
  std::mt19937 Rng(5);
  for (int Round = 0; Round < 30; ++Round) {
    const int W = 1 + Rng() % 15, H = 1 + Rng() % 15;
    TBorderArea8 Fast({7, -3}, W, H);
    RefList Ref;
    Ref.OX = 7;
    Ref.OY = -3;
    Ref.W = W;
    Ref.H = H;
    for (int Step = 0; Step < 3; ++Step) {
      const int Adds = Rng() % 60;
      for (int I = 0; I < Adds; ++I) {
        // Mostly inside the square, with repeats and a few outside.
        const int A = int(Rng() % (W + 4)) - 2, B = int(Rng() % (H + 4)) - 2;
        Fast.Add(A, B);
        Ref.Add(A, B);
      }
      for (int I = 0; I < Fast.Count(); ++I)
        if (Rng() % 4 == 0) {
          Fast.SetExcluded(I, true);
          Ref.E[I].Excluded = true;
        }
      Fast.Compact();
      Ref.Compact();
      ASSERT_EQ(Fast.Count(), static_cast<int32_t>(Ref.E.size()));
      for (int I = 0; I < Fast.Count(); ++I)
        for (int T = 0; T < 8; ++T) {
          ASSERT_EQ(Fast.Place(I, T).X, Ref.E[I].RX[T]);
          ASSERT_EQ(Fast.Place(I, T).Y, Ref.E[I].RY[T]);
          ASSERT_EQ(Fast.AbsolutePlace(I, T).X, Ref.E[I].X[T]);
          ASSERT_EQ(Fast.AbsolutePlace(I, T).Y, Ref.E[I].Y[T]);
        }
      for (int Y = -6; Y < H + 2; ++Y)
        for (int X = 4; X < W + 10; ++X)
          ASSERT_EQ(Fast.IndexOf(X, Y), Ref.IndexOf(X, Y)) << X << "," << Y;
    }
    Fast.Clear();
    EXPECT_EQ(Fast.Count(), 0);
    EXPECT_EQ(Fast.IndexOf(7, -3), -1);
  }
}

TEST(AreaCorrelator, MatchesThePlainLoops)
{
  std::mt19937 Rng(2024);
  test::TableKMean Means;
  for (int Round = 0; Round < 300; ++Round) {
    const int IW = 20 + Rng() % 30, IH = 20 + Rng() % 30;
    TZrPixelBuffer Source;
    Allocate(Source, Bounds(0, 0, IW, IH));
    RandomImage(Source, Rng, Rng() % 3 == 0);
    const int Side = 3 + Rng() % 18;
    const TZrRect Square = Bounds(int(Rng() % (IW + 6)) - 6, int(Rng() % (IH + 6)) - 6, Side, Side);
    // Dest: the whole image, or a window over part of it.
    const TZrRect DestRect =
        Rng() % 2
            ? Source.GetBounds()
            : IntersectRect(Source.GetBounds(), Bounds(Square.Left + int(Rng() % 4),
                                                       Square.Top + int(Rng() % 4), Side, Side));
    TZrPixelBuffer FastDest, RefDest;
    Allocate(FastDest, DestRect);
    Allocate(RefDest, DestRect);
    FastDest.CopyFrom(Source);
    RefDest.CopyFrom(Source);
    // Or in place: each side reads the image it writes, so the order in
    // which pixels are filled shows.
    const bool InPlace = Rng() % 4 == 0;
    TZrPixelBuffer FastImage, RefImage;
    if (InPlace) {
      Allocate(FastImage, Source.GetBounds());
      Allocate(RefImage, Source.GetBounds());
      FastImage.CopyFrom(Source);
      RefImage.CopyFrom(Source);
    }
    const int Radius2 = Rng() % 5 == 0 ? int(Rng() % 6) : 2;
    TAreaCorrelator Fast(Square, InPlace ? FastImage : Source, InPlace ? FastImage : FastDest,
                         Radius2);
    RefCorrelator Ref(Square, InPlace ? RefImage : Source, InPlace ? RefImage : RefDest, Radius2);
    // Masks: a disc, noise of some density, or full.
    const int Kind = Rng() % 3;
    const int Density = 30 + Rng() % 70;
    for (int A = 0; A < Side; ++A)
      for (int B = 0; B < Side; ++B) {
        const double DX = A - (Side - 1) / 2.0, DY = B - (Side - 1) / 2.0;
        const bool On = Kind == 0   ? 2 * std::sqrt(DX * DX + DY * DY) < Side
                        : Kind == 1 ? int(Rng() % 100) < Density
                                    : true;
        Fast.SetMask(Square.Left + A, Square.Top + B, On);
        Ref.Mask[A][B] = On;
      }
    Fast.Classify();
    Ref.Classify();
    const bool Prune = Rng() % 2;
    if (Prune) {
      Fast.PruneRing(0.2);
      Ref.PruneRing(0.2, Means);
    }
    const bool AntiAliasing = Rng() % 3 != 0;
    if (AntiAliasing) {
      Fast.ComputeWeights();
      Ref.Interior.ComputeWeights(Ref.Ring);
    }
    for (auto [F, R] : {std::pair{&Fast.Ring(), &Ref.Ring}, {&Fast.Interior(), &Ref.Interior}}) {
      ASSERT_EQ(F->Count(), static_cast<int32_t>(R->E.size())) << "round " << Round;
      for (int32_t I = 0; I < F->Count(); ++I) {
        ASSERT_EQ(F->Entry(I).A, R->E[I].RX[0]);
        ASSERT_EQ(F->Entry(I).B, R->E[I].RY[0]);
        ASSERT_EQ(F->Entry(I).RingWeight, R->E[I].RingWeight);
        ASSERT_EQ(F->Entry(I).InteriorWeight, R->E[I].InteriorWeight);
      }
    }
    for (int Try = 0; Try < 4; ++Try) {
      const TZrPoint From{int(Rng() % (IW + 10)) - 10, int(Rng() % (IH + 10)) - 10};
      const TZrRect SourceRect = Bounds(From.X, From.Y, Side, Side);
      const int T = Fast.BestReflection(SourceRect);
      ASSERT_EQ(T, Ref.BestReflection(SourceRect)) << "round " << Round;
      const int Type = Rng() % 3;
      const int Level = Rng() % 2 ? 2 : int(Rng() % 6);
      const int UseT = Rng() % 2 ? T : int(Rng() % 8);
      ASSERT_TRUE(Fast.Fill(From, UseT, AntiAliasing, Type, Level));
      Ref.Fill(From, UseT, AntiAliasing, Type, Level);
      ASSERT_EQ(Bytes(FastDest), Bytes(RefDest)) << "round " << Round << " type " << Type;
      ASSERT_EQ(Bytes(FastImage), Bytes(RefImage)) << "round " << Round << " in place";
    }
  }
}

} // namespace
} // namespace facette
