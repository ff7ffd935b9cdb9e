#include "tools/inpainting/Approximation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

namespace facette {
namespace {

TEST(ArgumentTransfer, TermsPerLevelInOrder)
{
  // At (P1, P2) = (2, 3): 1, P1, P2, P1*P2, P1^2, P2^2, P1^2*P2, P1*P2^2, P1^3, P2^3.
  const std::vector<double> All = {1, 2, 3, 6, 4, 9, 12, 18, 8, 27};
  const int32_t Counts[] = {1, 3, 4, 6, 8, 10};
  for (int32_t Level = 0; Level <= 5; ++Level) {
    TArgumentTransfer T(Level);
    ASSERT_EQ(T.TermCount(), Counts[Level]);
    T.Evaluate(2, 3);
    for (int32_t I = 0; I < T.TermCount(); ++I)
      EXPECT_EQ(T.Terms()[I], All[I]) << "level " << Level << " term " << I;
    std::vector<double> C(T.TermCount(), 1.0);
    double Sum = 0;
    for (int32_t I = 0; I < T.TermCount(); ++I)
      Sum += All[I];
    EXPECT_EQ(T.Dot(C.data(), 2, 3), Sum);
  }
  EXPECT_THROW(TArgumentTransfer(6), std::invalid_argument);
  EXPECT_THROW(TArgumentTransfer(-1), std::invalid_argument);
}

// A = U diag(W) V^T with orthonormal U and V, for random and for singular
// matrices.
TEST(SingularValueDecomposition, ReassemblesTheMatrix)
{
  std::mt19937 Rng(7);
  std::uniform_real_distribution<double> D(-10, 10);
  struct Case
  {
    int32_t M, N;
    bool MakeSingular;
  } Cases[] = {{1, 1, false},   {4, 4, false}, {6, 4, false},
               {10, 10, false}, {4, 4, true},  {5, 3, true}};
  for (const Case &C : Cases) {
    for (int Round = 0; Round < 20; ++Round) {
      std::vector<double> A(C.M * C.N);
      for (double &X : A)
        X = D(Rng);
      if (C.MakeSingular)
        for (int32_t I = 0; I < C.M; ++I)
          A[I * C.N + C.N - 1] = 2 * A[I * C.N]; // last column = 2 x first
      std::vector<double> U = A, W(C.N), V(C.N * C.N);
      ASSERT_TRUE(SingularValueDecomposition(C.M, C.N, U.data(), W.data(), V.data()));
      double Scale = 0;
      for (double X : A)
        Scale = std::max(Scale, std::fabs(X));
      for (int32_t I = 0; I < C.M; ++I)
        for (int32_t J = 0; J < C.N; ++J) {
          double S = 0;
          for (int32_t K = 0; K < C.N; ++K)
            S += U[I * C.N + K] * W[K] * V[J * C.N + K];
          EXPECT_NEAR(S, A[I * C.N + J], 1e-12 * Scale * C.N);
        }
      for (int32_t K = 0; K < C.N; ++K)
        EXPECT_GE(W[K], 0.0);
      // V is orthogonal; U's columns are orthonormal where W is not zero.
      for (int32_t P = 0; P < C.N; ++P)
        for (int32_t Q = 0; Q < C.N; ++Q) {
          double SV = 0;
          for (int32_t K = 0; K < C.N; ++K)
            SV += V[K * C.N + P] * V[K * C.N + Q];
          EXPECT_NEAR(SV, P == Q ? 1.0 : 0.0, 1e-12);
        }
      if (C.MakeSingular) {
        int Zeros = 0;
        for (double S : W)
          Zeros += S < 1e-12 * Scale;
        EXPECT_EQ(Zeros, 1);
      }
    }
  }
}

TEST(SolveBySVD, KnownSystems)
{
  struct Case
  {
    const char *Name;
    int32_t N;
    std::vector<double> A, B, X;
  } Cases[] = {
      {"well conditioned", 3, {4, 1, 0, 1, 3, 1, 0, 1, 2}, {6, 10, 8}, {1, 2, 3}},
      {"diagonal", 2, {2, 0, 0, 0.5}, {1, 1}, {0.5, 2}},
      // Equal rows: only x1 + x2 is determined; the minimum-norm solution
      // splits it evenly.
      {"rank one", 2, {1, 1, 1, 1}, {2, 2}, {1, 1}},
      // Inconsistent and singular: least squares over the range, minimum norm.
      {"singular, inconsistent", 2, {1, 1, 1, 1}, {1, 3}, {1, 1}},
      // A zero direction in a 3 x 3 system.
      {"zero row and column", 3, {2, 0, 0, 0, 0, 0, 0, 0, 4}, {2, 5, 8}, {1, 0, 2}},
      {"zero matrix", 2, {0, 0, 0, 0}, {1, 1}, {0, 0}},
  };
  for (const Case &C : Cases) {
    std::vector<double> X(C.N, 99.0);
    ASSERT_TRUE(SolveBySVD(C.N, C.A.data(), C.B.data(), X.data())) << C.Name;
    for (int32_t I = 0; I < C.N; ++I)
      EXPECT_NEAR(X[I], C.X[I], 1e-12) << C.Name << " x" << I;
  }
}

// The threshold is relative: a singular value just under largest * N * 5e-16
// is dropped, one well above it is kept.
TEST(SolveBySVD, ThresholdIsRelativeToTheLargestSingularValue)
{
  struct Case
  {
    double Small;
    double ExpectedX2;
  } Cases[] = {
      {1e-16, 0.0},       // under 1 * 2 * 5e-16: treated as zero
      {1e-6, 1.0 / 1e-6}, // kept, however small in absolute terms
      {1e-14, 1.0 / 1e-14},
  };
  for (const Case &C : Cases) {
    const double A[] = {1, 0, 0, C.Small};
    const double B[] = {1, 1};
    double X[2];
    ASSERT_TRUE(SolveBySVD(2, A, B, X));
    EXPECT_DOUBLE_EQ(X[0], 1.0);
    EXPECT_NEAR(X[1], C.ExpectedX2, 1e-9 * C.ExpectedX2) << C.Small;
  }
  // The same shape scaled up: the threshold scales with it.
  const double A[] = {1e6, 0, 0, 1e-10};
  const double B[] = {1e6, 1};
  double X[2];
  ASSERT_TRUE(SolveBySVD(2, A, B, X));
  EXPECT_DOUBLE_EQ(X[0], 1.0);
  EXPECT_EQ(X[1], 0.0);
}

TEST(SolveBySVD, NonFiniteInputFailsInsteadOfHanging)
{
  const double A[] = {NAN, 1, 1, 1};
  const double B[] = {1, 1};
  double X[2] = {5, 5};
  EXPECT_FALSE(SolveBySVD(2, A, B, X));
  EXPECT_EQ(X[0], 5.0);
}

struct Sample
{
  double P1, P2, Value;
};

TEST(LSM2, FitsSamplesOfTheBasis)
{
  // Bilinear values 3 + 2 P1 - P2 + 0.5 P1 P2 where the positions allow.
  auto Bilinear = [](double P1, double P2) { return 3 + 2 * P1 - P2 + 0.5 * P1 * P2; };
  struct Case
  {
    const char *Name;
    std::vector<std::pair<double, double>> Positions;
    bool Solved;
  } Cases[] = {
      {"four in general position", {{0, 0}, {0, 1}, {1, 0}, {1, 1}}, true},
      {"many", {{0, 0}, {0, 5}, {7, 0}, {9, 9}, {3, 4}, {2, 8}}, true},
      {"three", {{0, 0}, {0, 1}, {1, 0}}, false},
      {"none", {}, false},
  };
  for (const Case &C : Cases) {
    TApproximation Fit(16, 2);
    for (auto [P1, P2] : C.Positions)
      Fit.AddSample(Bilinear(P1, P2), P1, P2);
    EXPECT_EQ(Fit.Fit(), C.Solved) << C.Name;
    if (C.Solved) {
      EXPECT_NEAR(Fit.Coefficients()[0], 3, 1e-9) << C.Name;
      EXPECT_NEAR(Fit.Coefficients()[1], 2, 1e-9) << C.Name;
      EXPECT_NEAR(Fit.Coefficients()[2], -1, 1e-9) << C.Name;
      EXPECT_NEAR(Fit.Coefficients()[3], 0.5, 1e-9) << C.Name;
      EXPECT_NEAR(Fit.Evaluate(20, 30), Bilinear(20, 30), 1e-7) << C.Name;
    } else {
      // No fit: the correction is 0 everywhere.
      for (double X : Fit.Coefficients())
        EXPECT_EQ(X, 0.0) << C.Name;
      EXPECT_EQ(Fit.Evaluate(3, 4), 0.0) << C.Name;
    }
  }
}

// Positions on a line leave some basis directions undetermined; the small
// singular values are dropped and the fit still reproduces the samples.
TEST(LSM2, CollinearSamplesStillFit)
{
  struct Case
  {
    const char *Name;
    std::vector<Sample> Samples;
  } Cases[] = {
      // One row (P1 = 0): P1 and P1 P2 are 0, the values are linear in P2.
      {"on a row", {{0, 0, 10}, {0, 1, 12}, {0, 2, 14}, {0, 3, 16}}},
      // The diagonal P1 = P2: terms 1, t, t, t^2; values 1 + t + t^2.
      {"on the diagonal", {{0, 0, 1}, {1, 1, 3}, {2, 2, 7}, {3, 3, 13}}},
      // Every sample at the same place.
      {"one place", {{4, 4, 5}, {4, 4, 5}, {4, 4, 5}, {4, 4, 5}}},
  };
  for (const Case &C : Cases) {
    TApproximation Fit(8, 2);
    for (const Sample &S : C.Samples)
      Fit.AddSample(S.Value, S.P1, S.P2);
    ASSERT_TRUE(Fit.Fit()) << C.Name;
    for (const Sample &S : C.Samples)
      EXPECT_NEAR(Fit.Evaluate(S.P1, S.P2), S.Value, 1e-9) << C.Name;
    for (double X : Fit.Coefficients())
      EXPECT_TRUE(std::isfinite(X)) << C.Name;
  }
  // The minimum-norm choice on the diagonal shares t between P1 and P2.
  TApproximation Fit(8, 2);
  for (double T = 0; T < 4; ++T)
    Fit.AddSample(1 + 2 * T, T, T);
  ASSERT_TRUE(Fit.Fit());
  EXPECT_NEAR(Fit.Coefficients()[1], 1.0, 1e-9);
  EXPECT_NEAR(Fit.Coefficients()[2], 1.0, 1e-9);
  EXPECT_NEAR(Fit.Coefficients()[3], 0.0, 1e-9);
}

TEST(LSM2, SamplesBeyondTheCapacityAreIgnored)
{
  TLSM2 Model(4, 1);
  for (int I = 0; I < 4; ++I)
    EXPECT_TRUE(Model.AddSample(1, I, I % 2));
  EXPECT_FALSE(Model.AddSample(1, 100, 100));
  EXPECT_EQ(Model.Count(), 4);
  const double Values[] = {1, 2, 3, 4, 1000};
  std::vector<double> C;
  ASSERT_TRUE(Model.Solve(Values, C));
  EXPECT_EQ(C.size(), 3u);
  EXPECT_EQ(Model.Coefficients(), C);
}

TEST(LSM2, WeightsScaleTheSamplesSquared)
{
  // A constant fit is the mean weighted by w^2: (1*0 + 4*3) / 5.
  TLSM2 Model(2, 0);
  Model.AddSample(1, 0, 0);
  Model.AddSample(2, 0, 0);
  const double Values[] = {0, 3};
  std::vector<double> C;
  ASSERT_TRUE(Model.Solve(Values, C));
  EXPECT_NEAR(C[0], 12.0 / 5.0, 1e-12);
}

TEST(ApproximationBGR, ChannelsAreFittedSeparately)
{
  TApproximationBGR Fit(10, 2);
  for (int Y = 0; Y < 3; ++Y)
    for (int X = 0; X < 3; ++X)
      Fit.AddSample(/*B*/ 1, /*G*/ X, /*R*/ Y * X, Y, X);
  ASSERT_TRUE(Fit.Fit());
  double R, G, B;
  Fit.Evaluate(5, 7, R, G, B);
  EXPECT_NEAR(B, 1, 1e-9);
  EXPECT_NEAR(G, 7, 1e-9);
  EXPECT_NEAR(R, 35, 1e-9);

  TApproximationBGR Few(10, 2);
  for (int I = 0; I < 3; ++I)
    Few.AddSample(5, 5, 5, I, 2 * I);
  EXPECT_FALSE(Few.Fit());
  Few.Evaluate(1, 1, R, G, B);
  EXPECT_EQ(R, 0.0);
  EXPECT_EQ(G, 0.0);
  EXPECT_EQ(B, 0.0);
}

} // namespace
} // namespace facette
