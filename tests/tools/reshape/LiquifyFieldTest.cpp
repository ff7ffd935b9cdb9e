#include "tools/reshape/ZrLiquifyField.h"

#include "imaging/ZrHermiteKernel.h"
#include "imaging/ZrInterpolationFilters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace facette {
namespace {

void FillRandom(TZrPixelBuffer &B, int32_t W, int32_t H, uint32_t Seed)
{
  ASSERT_TRUE(B.Allocate(pf24bit, Bounds(0, 0, W, H)));
  std::mt19937 Rng(Seed);
  for (int32_t Y = 0; Y < H; ++Y)
    for (int32_t X = 0; X < W; ++X)
      for (int C = 0; C < 3; ++C)
        B.PixelPtr(X, Y)[C] = static_cast<uint8_t>(Rng());
}

void CopyImage(TZrPixelBuffer &To, const TZrPixels &From)
{
  ASSERT_TRUE(To.Allocate(From.PixelFormat, From.GetBounds()));
  To.CopyFrom(From);
}

::testing::AssertionResult SamePixels(const TZrPixels &A, const TZrPixels &B)
{
  if (A.GetBounds() != B.GetBounds())
    return ::testing::AssertionFailure() << "bounds differ";
  for (int32_t Y = A.Top; Y < A.Top + A.Height; ++Y)
    for (int32_t X = A.Left; X < A.Left + A.Width; ++X)
      for (int C = 0; C < 3; ++C)
        if (A.PixelPtr(X, Y)[C] != B.PixelPtr(X, Y)[C])
          return ::testing::AssertionFailure()
                 << "pixel (" << X << ", " << Y << ") channel " << C << ": "
                 << int(A.PixelPtr(X, Y)[C]) << " vs " << int(B.PixelPtr(X, Y)[C]);
  return ::testing::AssertionSuccess();
}

// The liquify loops written out plainly over a field indexed [X][Y], with
// the Hermite weight taken from the filter table over the whole window, one
// thread. The engine must give the same bits.
class PlainLiquify
{
public:
  const TZrPixels &Source;
  int32_t W, H;
  std::vector<std::vector<TZrDisplacement>> Delta;

  explicit PlainLiquify(const TZrPixels &S)
      : Source(S), W(S.Width), H(S.Height),
        Delta(static_cast<size_t>(W), std::vector<TZrDisplacement>(static_cast<size_t>(H)))
  {}

  TZrDisplacement &At(int32_t I, int32_t J)
  {
    return Delta[static_cast<size_t>(I)][static_cast<size_t>(J)];
  }

  void RenderPixel(TZrPixels &Image, int32_t I, int32_t J)
  {
    const TZrDisplacement D = At(I, J);
    const int32_t X = ClampInt(I + static_cast<int32_t>(std::nearbyint(D.DX)), 0, W - 1);
    const int32_t Y = ClampInt(J + static_cast<int32_t>(std::nearbyint(D.DY)), 0, H - 1);
    for (int C = 0; C < 3; ++C)
      Image.PixelPtr(I, J)[C] = Source.PixelPtr(X, Y)[C];
  }

  // The brush square's own last column and row are left out.
  void WarpRect(TZrPixels &Image, const TZrRect &Rect, const TZrLiquifyBrush &B, TZrPoint Cur,
                const TZrPixelMask &Stamp, int32_t DX, int32_t DY)
  {
    const int32_t Half = B.Size / 2;
    for (int32_t I = Rect.Left; I < Rect.Right; ++I)
      for (int32_t J = Rect.Top; J < Rect.Bottom; ++J) {
        if (I == Cur.X + Half || J == Cur.Y + Half)
          continue;
        const uint8_t *M = Stamp.PixelPtr(I, J);
        if (!M || *M == 0)
          continue;
        const double Wt = B.ProfileAt(I + Half - Cur.X, J + Half - Cur.Y);
        At(I, J).DX += DX * Wt;
        At(I, J).DY += DY * Wt;
        RenderPixel(Image, I, J);
      }
  }

  double BloatRect(TZrPixels &Image, const TZrRect &R, const TZrLiquifyBrush &B, TZrPoint Start,
                   const TZrPixelMask &Stamp, int32_t DX, int32_t DY, double Applied)
  {
    const double D = std::min(std::sqrt(double(DX * DX + DY * DY)), 100.0);
    const double E = (D - Applied) / 100;
    const int32_t Half = B.Size / 2;
    for (int32_t I = R.Left; I < R.Right; ++I)
      for (int32_t J = R.Top; J < R.Bottom; ++J) {
        if (I == Start.X - Half + B.Size - 1 || J == Start.Y - Half + B.Size - 1)
          continue;
        const uint8_t *M = Stamp.PixelPtr(I - DX, J - DY);
        if (!M || *M == 0)
          continue;
        const TZrDisplacement V = B.VectorAt(I + Half - Start.X, J + Half - Start.Y);
        At(I, J).DX += V.DX * E;
        At(I, J).DY += V.DY * E;
        RenderPixel(Image, I, J);
      }
    return D;
  }

  void ResampleChanged(TZrPixels &Image, const TZrRect &Rect)
  {
    const TZrInterpolationFilter &F = InterpolationFilters[2];
    const double Rad = F.Support;
    for (int32_t I = Rect.Left; I < Rect.Right; ++I)
      for (int32_t J = Rect.Top; J < Rect.Bottom; ++J) {
        const TZrDisplacement D = At(I, J);
        if (!(std::fabs(D.DX) + std::fabs(D.DY) > 1e-5))
          continue;
        const double SX = I + double(D.DX);
        const double SY = J + double(D.DY);
        const double X0 = std::max(0.0, std::ceil(SX - Rad));
        const double X1 = std::min(W - 1.0, std::floor(SX + Rad));
        const double Y0 = std::max(0.0, std::ceil(SY - Rad));
        const double Y1 = std::min(H - 1.0, std::floor(SY + Rad));
        float Sum[3] = {0, 0, 0};
        float SumW = 0;
        for (double X = X0; X <= X1; ++X)
          for (double Y = Y0; Y <= Y1; ++Y) {
            const double Wt = F.Weight(std::sqrt((SX - X) * (SX - X) + (SY - Y) * (SY - Y)));
            const uint8_t *P = Source.PixelPtr(int32_t(X), int32_t(Y));
            for (int C = 0; C < 3; ++C)
              Sum[C] += Wt * P[C];
            SumW += Wt;
          }
        if (SumW == 0) {
          RenderPixel(Image, I, J);
          continue;
        }
        for (int C = 0; C < 3; ++C)
          Image.PixelPtr(I, J)[C] = ByteRound(Sum[C] / SumW);
      }
  }
};

// A stamp of the brush rectangle's side around Centre whose bytes are
// random, about a third of them 0: only non-zero matters to the liquify.
void MakeStamp(TZrPixelMask &Stamp, TZrPoint Centre, int32_t Size, std::mt19937 &Rng)
{
  const int32_t Half = Size / 2;
  Stamp.SetBounds(Centre.X - Half, Centre.Y - Half, 2 * Half + 1, 2 * Half + 1);
  for (uint8_t &B : Stamp.Bits)
    B = Rng() % 3 == 0 ? 0 : static_cast<uint8_t>(1 + Rng() % 255);
}

void ExpectSameField(const TZrLiquifyField &Field, PlainLiquify &Plain)
{
  for (int32_t J = 0; J < Plain.H; ++J)
    for (int32_t I = 0; I < Plain.W; ++I)
      ASSERT_EQ(Field.Delta.At(I, J), Plain.At(I, J)) << I << ", " << J;
}

TEST(LiquifyField, RandomStrokesMatchThePlainLoops)
{
  std::mt19937 Rng(20240611);
  TZrPixelBuffer Start;
  FillRandom(Start, 71, 53, 7);
  TZrPixelBuffer Image, PlainImage;
  CopyImage(Image, Start);
  CopyImage(PlainImage, Start);
  TZrLiquifyField Field;
  ASSERT_TRUE(Field.Start(Image));
  PlainLiquify Plain(Field.Source);
  TZrLiquifyBrush Brush;
  const int32_t Sizes[] = {1, 2, 7, 10, 16, 25, 40};
  auto RandomPoint = [&]() {
    return TZrPoint{static_cast<int32_t>(Rng() % 91) - 10, static_cast<int32_t>(Rng() % 73) - 10};
  };

  for (int Stroke = 0; Stroke < 40; ++Stroke) {
    const int32_t Size = Sizes[Rng() % std::size(Sizes)];
    const int32_t Effect = static_cast<int32_t>(Rng() % 3);
    Brush.Build(Size, static_cast<int32_t>(Rng() % 4), Effect);
    const int32_t Half = Size / 2;
    const TZrPoint StartPoint = RandomPoint();
    TZrPoint Cur = StartPoint;
    double Applied = 0.0, PlainApplied = 0.0;
    TZrRect Changed{};
    TZrPixelMask Stamp;
    for (int Move = 0; Move < 6; ++Move) {
      const TZrPoint Prev = Cur;
      Cur = TZrPoint{Cur.X + static_cast<int32_t>(Rng() % 61) - 30,
                     Cur.Y + static_cast<int32_t>(Rng() % 61) - 30};
      MakeStamp(Stamp, Cur, Size, Rng);
      if (Effect == leWarp) {
        const TZrRect R =
            IntersectRect(MakeRect(Cur.X - Half, Cur.Y - Half, Cur.X + Half + 1, Cur.Y + Half + 1),
                          Image.GetBounds());
        Field.WarpRect(Image, R, Brush, Cur, Stamp, Prev.X - Cur.X, Prev.Y - Cur.Y);
        Plain.WarpRect(PlainImage, R, Brush, Cur, Stamp, Prev.X - Cur.X, Prev.Y - Cur.Y);
        Changed = UnionRect(Changed, R);
      } else {
        const TZrRect R = Field.BloatSquare(StartPoint, Size);
        EXPECT_EQ(R, IntersectRect(Bounds(StartPoint.X - Half, StartPoint.Y - Half, Size, Size),
                                   Image.GetBounds()));
        const int32_t DX = StartPoint.X - Cur.X, DY = StartPoint.Y - Cur.Y;
        Applied = Field.BloatRect(Image, R, Brush, StartPoint, Stamp, DX, DY, Applied);
        PlainApplied =
            Plain.BloatRect(PlainImage, R, Brush, StartPoint, Stamp, DX, DY, PlainApplied);
        ASSERT_EQ(Applied, PlainApplied);
        Changed = UnionRect(Changed, R);
      }
      ASSERT_TRUE(SamePixels(Image, PlainImage)) << "stroke " << Stroke << " move " << Move;
    }
    Field.ResampleChanged(Image, Changed);
    Plain.ResampleChanged(PlainImage, Changed);
    ASSERT_TRUE(SamePixels(Image, PlainImage)) << "resampling stroke " << Stroke;
    ExpectSameField(Field, Plain);
  }
}

// Wild displacements over an image wide enough to be split between
// threads: inside, near and far outside the image, halves and integers.
TEST(LiquifyField, ResamplingAnyFieldMatchesThePlainLoop)
{
  std::mt19937 Rng(99);
  TZrPixelBuffer Start;
  FillRandom(Start, 230, 140, 3);
  TZrLiquifyField Field;
  ASSERT_TRUE(Field.Start(Start));
  PlainLiquify Plain(Field.Source);
  std::uniform_real_distribution<float> Small(-3.0f, 3.0f), Large(-400.0f, 400.0f);
  for (int32_t J = 0; J < 140; ++J)
    for (int32_t I = 0; I < 230; ++I) {
      TZrDisplacement D;
      switch (Rng() % 6) {
      case 0:
        break; // untouched
      case 1:
        D = {Small(Rng), Small(Rng)};
        break;
      case 2:
        D = {Large(Rng), Large(Rng)};
        break;
      case 3:
        D = {std::round(Small(Rng) * 2) / 2, std::round(Small(Rng) * 2) / 2};
        break;
      case 4:
        D = {4e-6f, -5e-6f}; // below the threshold together
        break;
      default:
        D = {Small(Rng) * 1e-3f, 0.0f};
        break;
      }
      Field.Delta.At(I, J) = D;
      Plain.At(I, J) = D;
    }
  for (bool Vectors : {true, false}) {
    EnableVectorKernels(Vectors);
    TZrPixelBuffer Image, PlainImage;
    CopyImage(Image, Start);
    CopyImage(PlainImage, Start);
    for (const TZrRect &R :
         {MakeRect(0, 0, 230, 140), MakeRect(17, 9, 200, 131), MakeRect(-20, -20, 40, 300)}) {
      Field.ResampleChanged(Image, R);
      Plain.ResampleChanged(PlainImage, IntersectRect(R, Image.GetBounds()));
      EXPECT_TRUE(SamePixels(Image, PlainImage)) << "vectors " << Vectors;
    }
  }
  EnableVectorKernels(true);
}

TEST(LiquifyField, ProfileShapes)
{
  TZrLiquifyBrush Brush;
  // Size 1: the single element lies beyond a quarter turn and is clamped.
  Brush.Build(1, lbCos, leWarp);
  ASSERT_EQ(Brush.Profile.size(), 1u);
  EXPECT_EQ(Brush.Profile[0], 0.0);

  // Even sizes have their centre on a pixel: weight 1 there, and 0 on the
  // square's rim.
  for (int32_t Type : {lbCos4, lbCos2, lbCos, lbCos12}) {
    Brush.Build(10, Type, leWarp);
    EXPECT_DOUBLE_EQ(Brush.ProfileAt(5, 5), 1.0) << Type;
    EXPECT_NEAR(Brush.ProfileAt(0, 5), 0.0, 1e-8) << Type;
    EXPECT_EQ(Brush.ProfileAt(0, 0), 0.0) << Type;
  }
  // The powers relate as their names say.
  TZrLiquifyBrush Cos, Cos2, Cos4, Cos12;
  Cos.Build(12, lbCos, leWarp);
  Cos2.Build(12, lbCos2, leWarp);
  Cos4.Build(12, lbCos4, leWarp);
  Cos12.Build(12, lbCos12, leWarp);
  for (size_t K = 0; K < Cos.Profile.size(); ++K) {
    const double P = Cos.Profile[K];
    EXPECT_DOUBLE_EQ(Cos2.Profile[K], P * P);
    EXPECT_NEAR(Cos4.Profile[K], P * P * P * P, 1e-15);
    EXPECT_DOUBLE_EQ(Cos12.Profile[K], std::sqrt(P));
  }
  EXPECT_TRUE(Cos.VectorField.empty());
}

// The fall-off along a radius of a 12-pixel brush (centre 6), worked out
// from the cosine: at distance d the base value is cos(d * pi / 12), which
// is sqrt(3)/2, sqrt(2)/2 and 1/2 at d = 2, 3 and 4; each type raises it to
// its power. A straight (linear) fall-off would give 2/3, 1/2 and 1/3.
TEST(LiquifyField, FallOffOfEachBrushTypeAlongARadius)
{
  const double R3 = std::sqrt(3.0) / 2.0, R2 = std::sqrt(2.0) / 2.0;
  struct TCase
  {
    int32_t Type;
    double AtDistance[3]; // 2, 3, 4
  } const Cases[] = {
      {lbCos4, {0.5625, 0.25, 0.0625}},
      {lbCos2, {0.75, 0.5, 0.25}},
      {lbCos, {R3, R2, 0.5}},
      {lbCos12, {std::sqrt(R3), std::sqrt(R2), std::sqrt(0.5)}},
  };
  for (const TCase &Case : Cases) {
    TZrLiquifyBrush Brush;
    Brush.Build(12, Case.Type, leBloat);
    for (int32_t K = 0; K < 3; ++K) {
      const int32_t D = K + 2;
      SCOPED_TRACE(testing::Message() << "type " << Case.Type << ", distance " << D);
      const double P = Case.AtDistance[K];
      // Right of the centre, and the same distance up: the disc is round.
      EXPECT_NEAR(Brush.ProfileAt(6 + D, 6), P, 1e-12);
      EXPECT_NEAR(Brush.ProfileAt(6, 6 - D), P, 1e-12);
      // Bloat pushes that pixel outwards: its vector is (c - i) * p.
      EXPECT_NEAR(Brush.VectorAt(6 + D, 6).DX, -D * P, 1e-6);
      EXPECT_EQ(Brush.VectorAt(6 + D, 6).DY, 0.0f);
    }
    // Beyond half the size the cosine is negative and the brush has no
    // strength at all.
    EXPECT_EQ(Brush.ProfileAt(1, 1), 0.0);
  }
}

TEST(LiquifyField, BloatPushesOutwardAndPuckerInward)
{
  TZrLiquifyBrush Bloat, Pucker;
  Bloat.Build(9, lbCos, leBloat);
  Pucker.Build(9, lbCos, lePucker);
  ASSERT_EQ(Bloat.VectorField.size(), 81u);
  // Centre 4.5: pixel (1, 4) lies left of it and is pushed further left.
  const TZrDisplacement V = Bloat.VectorAt(1, 4);
  EXPECT_FLOAT_EQ(V.DX, static_cast<float>(3.5 * Bloat.ProfileAt(1, 4)));
  EXPECT_FLOAT_EQ(V.DY, static_cast<float>(0.5 * Bloat.ProfileAt(1, 4)));
  EXPECT_GT(V.DX, 0.0f); // sampled from further right: the content moves outwards
  for (size_t K = 0; K < Bloat.VectorField.size(); ++K) {
    EXPECT_EQ(Pucker.VectorField[K].DX, -Bloat.VectorField[K].DX);
    EXPECT_EQ(Pucker.VectorField[K].DY, -Bloat.VectorField[K].DY);
  }
}

TEST(LiquifyField, BuildOnlyWhenSomethingChanged)
{
  TZrLiquifyBrush Brush;
  EXPECT_TRUE(Brush.Build(20, lbCos, leWarp));
  EXPECT_FALSE(Brush.Build(20, lbCos, leWarp));
  EXPECT_TRUE(Brush.Build(20, lbCos, leBloat));
  EXPECT_EQ(Brush.VectorField.size(), 400u);
  EXPECT_TRUE(Brush.Build(21, lbCos, leBloat));
  EXPECT_TRUE(Brush.Build(21, lbCos2, leBloat));
}

TEST(LiquifyField, NearestNeighbourClampsToTheImageAndRoundsHalvesToEven)
{
  TZrPixelBuffer Start;
  FillRandom(Start, 12, 8, 5);
  TZrLiquifyField Field;
  ASSERT_TRUE(Field.Start(Start));
  TZrPixelBuffer Image;
  CopyImage(Image, Start);
  struct Case
  {
    int32_t X, Y;
    float DX, DY;
    int32_t FromX, FromY;
  } Cases[] = {
      {2, 3, -100.0f, 0.0f, 0, 3}, {9, 3, 50.0f, 0.0f, 11, 3},  {4, 1, 0.0f, -7.0f, 4, 0},
      {4, 6, 0.0f, 30.0f, 4, 7},   {3, 3, 0.5f, 0.0f, 3, 3},    {3, 3, 1.5f, 0.0f, 5, 3},
      {3, 3, -0.5f, -1.5f, 3, 1},  {5, 5, 2.49f, -2.51f, 7, 2}, {0, 0, -1e9f, -1e9f, 0, 0},
  };
  for (const Case &C : Cases) {
    Field.Delta.At(C.X, C.Y) = {C.DX, C.DY};
    Field.RenderPixel(Image, C.X, C.Y);
    for (int K = 0; K < 3; ++K)
      EXPECT_EQ(Image.PixelPtr(C.X, C.Y)[K], Start.PixelPtr(C.FromX, C.FromY)[K])
          << C.X << "," << C.Y << " by " << C.DX << "," << C.DY;
  }
}

// A warp reaching over the right and bottom border still moves the image's
// last column and row; only the brush square's own last column and row
// (which the profile does not cover) stay out.
TEST(LiquifyField, WarpMovesTheImagesLastColumnAndRow)
{
  TZrPixelBuffer Start;
  FillRandom(Start, 20, 20, 11);
  TZrLiquifyField Field;
  ASSERT_TRUE(Field.Start(Start));
  TZrPixelBuffer Image;
  CopyImage(Image, Start);
  TZrLiquifyBrush Brush;
  Brush.Build(8, lbCos, leWarp);
  TZrPixelMask Stamp;
  Stamp.SetBounds(19 - 4, 19 - 4, 9, 9);
  std::fill(Stamp.Bits.begin(), Stamp.Bits.end(), 255);
  const TZrRect R = IntersectRect(MakeRect(15, 15, 24, 24), Image.GetBounds());
  Field.WarpRect(Image, R, Brush, TZrPoint{19, 19}, Stamp, -3, -2);
  EXPECT_EQ(Field.Delta.At(19, 19), (TZrDisplacement{-3.0f, -2.0f}));
  EXPECT_TRUE(
      std::equal(Image.PixelPtr(19, 19), Image.PixelPtr(19, 19) + 3, Start.PixelPtr(16, 17)));
  EXPECT_NE(Field.Delta.At(19, 16).DX, 0.0f);
  EXPECT_NE(Field.Delta.At(16, 19).DY, 0.0f);
  // Inside the image the square's last column (x = 23) is beyond the
  // border, so nothing is left out; away from the border it is.
  Field.Delta.Zero();
  Stamp.SetBounds(6, 6, 9, 9);
  std::fill(Stamp.Bits.begin(), Stamp.Bits.end(), 255);
  Field.WarpRect(Image, MakeRect(6, 6, 15, 15), Brush, TZrPoint{10, 10}, Stamp, 5, 5);
  for (int32_t K = 6; K < 15; ++K) {
    EXPECT_EQ(Field.Delta.At(14, K), TZrDisplacement{}) << K;
    EXPECT_EQ(Field.Delta.At(K, 14), TZrDisplacement{}) << K;
  }
  EXPECT_EQ(Field.Delta.At(10, 10), (TZrDisplacement{5.0f, 5.0f}));
}

TEST(LiquifyField, StrokesWithoutStrengthChangeNothing)
{
  TZrPixelBuffer Start;
  FillRandom(Start, 30, 30, 13);
  TZrPixelMask Stamp;
  Stamp.SetBounds(10, 10, 11, 11);
  std::fill(Stamp.Bits.begin(), Stamp.Bits.end(), 255);
  TZrLiquifyBrush Warp, Bloat, Tiny;
  Warp.Build(10, lbCos, leWarp);
  Bloat.Build(10, lbCos, leBloat);
  Tiny.Build(1, lbCos, leWarp);
  TZrPixelMask OnePixel;
  OnePixel.SetBounds(15, 15, 1, 1);
  OnePixel.Bits[0] = 255;

  struct Case
  {
    const char *What;
    std::function<void(TZrLiquifyField &, TZrPixels &)> Stroke;
  } Cases[] = {
      {"warp without movement",
       [&](TZrLiquifyField &F, TZrPixels &I) {
         F.WarpRect(I, MakeRect(10, 10, 21, 21), Warp, {15, 15}, Stamp, 0, 0);
       }},
      {"bloat released at the start point",
       [&](TZrLiquifyField &F, TZrPixels &I) {
         EXPECT_EQ(F.BloatRect(I, F.BloatSquare({15, 15}, 10), Bloat, {15, 15}, Stamp, 0, 0, 0.0),
                   0.0);
       }},
      {"size 1 brush",
       [&](TZrLiquifyField &F, TZrPixels &I) {
         F.WarpRect(I, MakeRect(15, 15, 16, 16), Tiny, {15, 15}, OnePixel, 9, -9);
       }},
  };
  for (const Case &C : Cases) {
    TZrLiquifyField Field;
    ASSERT_TRUE(Field.Start(Start));
    TZrPixelBuffer Image;
    CopyImage(Image, Start);
    C.Stroke(Field, Image);
    Field.ResampleChanged(Image, Image.GetBounds());
    EXPECT_TRUE(SamePixels(Image, Start)) << C.What;
    for (size_t K = 0; K < Field.Delta.Count(); ++K)
      ASSERT_EQ(Field.Delta.Data()[K], TZrDisplacement{}) << C.What;
  }
}

TEST(LiquifyField, BloatFollowsTheDragDistanceUpToAHundredPixels)
{
  TZrPixelBuffer Start;
  FillRandom(Start, 40, 40, 17);
  TZrLiquifyField Field;
  ASSERT_TRUE(Field.Start(Start));
  TZrPixelBuffer Image;
  CopyImage(Image, Start);
  TZrLiquifyBrush Brush;
  Brush.Build(12, lbCos2, leBloat);
  const TZrPoint StartPoint{20, 20};
  // The stamp follows the mouse; looked up back at the start point it
  // covers the whole square.
  auto StampAt = [](TZrPoint Cur) {
    TZrPixelMask M;
    M.SetBounds(Cur.X - 6, Cur.Y - 6, 13, 13);
    std::fill(M.Bits.begin(), M.Bits.end(), 255);
    return M;
  };
  const TZrRect R = Field.BloatSquare(StartPoint, 12);
  EXPECT_EQ(R, MakeRect(14, 14, 26, 26));
  // 150 pixels away: the full vector field, once.
  double Applied = Field.BloatRect(Image, R, Brush, StartPoint, StampAt({20, 170}), 0, -150, 0.0);
  EXPECT_EQ(Applied, 100.0);
  EXPECT_EQ(Field.Delta.At(16, 18), Brush.VectorAt(16 - 14, 18 - 14));
  // Further away changes nothing more.
  Applied = Field.BloatRect(Image, R, Brush, StartPoint, StampAt({20, 190}), 0, -170, Applied);
  EXPECT_EQ(Field.Delta.At(16, 18), Brush.VectorAt(2, 4));
  // Back to 30 pixels: 70 % is taken off again.
  Applied = Field.BloatRect(Image, R, Brush, StartPoint, StampAt({20, 50}), 0, -30, Applied);
  EXPECT_EQ(Applied, 30.0);
  const TZrDisplacement V = Brush.VectorAt(2, 4);
  EXPECT_EQ(Field.Delta.At(16, 18).DX, static_cast<float>(V.DX + V.DX * -0.7));
  // The square's last column and row are left alone.
  EXPECT_EQ(Field.Delta.At(25, 18), TZrDisplacement{});
  EXPECT_EQ(Field.Delta.At(18, 25), TZrDisplacement{});
}

TEST(LiquifyField, ResamplingIntegerShiftsAndFarOutsidePoints)
{
  TZrPixelBuffer Start;
  FillRandom(Start, 16, 12, 19);
  TZrLiquifyField Field;
  ASSERT_TRUE(Field.Start(Start));
  TZrPixelBuffer Image; // all zero: shows which pixels were written
  ASSERT_TRUE(Image.Allocate(pf24bit, Start.GetBounds()));
  // An integer shift hits one pixel exactly: every other weighs 0.
  Field.Delta.At(5, 5) = {3.0f, -2.0f};
  // Two pixels beyond the border: no pixel within reach, nearest instead.
  Field.Delta.At(1, 1) = {-3.0f, 0.25f};
  // Inside the image by a fraction.
  Field.Delta.At(8, 8) = {0.5f, 0.0f};
  int32_t Last = -1;
  Field.ResampleChanged(Image, Image.GetBounds(), [&](int32_t Done) {
    EXPECT_GT(Done, Last);
    Last = Done;
  });
  EXPECT_EQ(Last, 16);
  auto Pixel = [](const TZrPixels &P, int32_t X, int32_t Y) {
    return std::vector<uint8_t>(P.PixelPtr(X, Y), P.PixelPtr(X, Y) + 3);
  };
  EXPECT_EQ(Pixel(Image, 5, 5), Pixel(Start, 8, 3));
  EXPECT_EQ(Pixel(Image, 1, 1), Pixel(Start, 0, 1));
  // Halfway between two pixels: their plain average (weights 0.5 each),
  // halves rounded to even.
  for (int C = 0; C < 3; ++C) {
    const double Mean = (Start.PixelPtr(8, 8)[C] + Start.PixelPtr(9, 8)[C]) / 2.0;
    EXPECT_EQ(Image.PixelPtr(8, 8)[C], static_cast<uint8_t>(std::nearbyint(Mean)));
  }
  // Pixels without displacement are not written.
  EXPECT_EQ(Pixel(Image, 0, 0), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(Pixel(Image, 15, 11), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(LiquifyField, SnapshotsCopyBackByCoordinates)
{
  TZrDisplacementField Live;
  Live.SetBounds(MakeRect(0, 0, 10, 8));
  for (int32_t J = 0; J < 8; ++J)
    for (int32_t I = 0; I < 10; ++I)
      Live.At(I, J) = {float(I), float(J)};
  TZrDisplacementField Snapshot;
  Snapshot.SetBounds(MakeRect(6, 5, 12, 9)); // reaches past the live field
  Snapshot.CopyFrom(Live);
  EXPECT_EQ(Snapshot.At(7, 6), (TZrDisplacement{7.0f, 6.0f}));
  EXPECT_EQ(Snapshot.At(11, 8), TZrDisplacement{});
  Live.Zero();
  Live.CopyFrom(Snapshot);
  EXPECT_EQ(Live.At(9, 7), (TZrDisplacement{9.0f, 7.0f}));
  EXPECT_EQ(Live.At(5, 7), TZrDisplacement{});
  EXPECT_EQ(Live.At(9, 4), TZrDisplacement{});
}

TEST(LiquifyField, StartingAgainCopiesTheImageAndClearsTheField)
{
  TZrPixelBuffer First, Second;
  FillRandom(First, 8, 6, 1);
  FillRandom(Second, 8, 6, 2);
  TZrLiquifyField Field;
  ASSERT_TRUE(Field.Start(First));
  Field.Delta.At(3, 3) = {1.0f, 1.0f};
  ASSERT_TRUE(Field.Start(Second));
  EXPECT_TRUE(SamePixels(Field.Source, Second));
  EXPECT_EQ(Field.Delta.At(3, 3), TZrDisplacement{});
  EXPECT_EQ(Field.Delta.GetBounds(), Second.GetBounds());
}

} // namespace
} // namespace facette
