#include "tools/inpainting/Approximation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace facette {

int32_t TermCountOfLevel(int32_t Level)
{
  static constexpr int32_t Counts[] = {1, 3, 4, 6, 8, 10};
  if (Level < 0 || Level > 5)
    throw std::invalid_argument("polynomial level must be 0..5");
  return Counts[Level];
}

double DotTerms(int32_t Level, const double *Coefficients, double P1, double P2)
{
  double Terms[MaxTermCount];
  EvaluateTerms(Level, P1, P2, Terms);
  const int32_t N = TermCountOfLevel(Level);
  double Sum = 0.0;
  for (int32_t I = 0; I < N; ++I)
    Sum += Coefficients[I] * Terms[I];
  return Sum;
}

TArgumentTransfer::TArgumentTransfer(int32_t Level)
    : Level_(Level), TermCount_(TermCountOfLevel(Level))
{}

void TArgumentTransfer::Evaluate(double P1, double P2)
{
  EvaluateTerms(Level_, P1, P2, Terms_.data());
}

double TArgumentTransfer::Dot(const double *Coefficients, double P1, double P2)
{
  Evaluate(P1, P2);
  double Sum = 0.0;
  for (int32_t I = 0; I < TermCount_; ++I)
    Sum += Coefficients[I] * Terms_[I];
  return Sum;
}

namespace {

// A plane rotation that degenerates to the identity when both parts vanish,
// where the textbook formulas would divide by zero.
inline void RotationOf(double F, double H, double &Z, double &C, double &S)
{
  Z = std::sqrt(F * F + H * H);
  if (Z != 0.0) {
    C = F / Z;
    S = H / Z;
  } else {
    C = 1.0;
    S = 0.0;
  }
}

} // namespace

bool SingularValueDecomposition(int32_t Rows, int32_t Cols, double *U, double *W, double *V)
{
  const int32_t M = Rows;
  const int32_t N = Cols;
  if (N <= 0)
    return true;
  if (M < N)
    throw std::invalid_argument("singular value decomposition needs Rows >= Cols");
  auto u = [U, N](int32_t I, int32_t J) -> double & { return U[I * N + J]; };
  auto v = [V, N](int32_t I, int32_t J) -> double & { return V[I * N + J]; };
  std::vector<double> E(N, 0.0);
  double Eps = std::numeric_limits<double>::epsilon();
  const double Tol = std::numeric_limits<double>::min() / Eps;

  // Householder reduction to bidiagonal form: W the diagonal, E the
  // superdiagonal (E[0] stays 0, which ends the splitting search below).
  double G = 0.0;
  double X = 0.0;
  int32_t L = 0;
  for (int32_t I = 0; I < N; ++I) {
    E[I] = G;
    L = I + 1;
    double S = 0.0;
    for (int32_t J = I; J < M; ++J)
      S += u(J, I) * u(J, I);
    if (S < Tol) {
      G = 0.0;
    } else {
      double F = u(I, I);
      G = F < 0.0 ? std::sqrt(S) : -std::sqrt(S);
      const double H = F * G - S;
      u(I, I) = F - G;
      for (int32_t J = L; J < N; ++J) {
        S = 0.0;
        for (int32_t K = I; K < M; ++K)
          S += u(K, I) * u(K, J);
        F = S / H;
        for (int32_t K = I; K < M; ++K)
          u(K, J) += F * u(K, I);
      }
    }
    W[I] = G;
    S = 0.0;
    for (int32_t J = L; J < N; ++J)
      S += u(I, J) * u(I, J);
    if (S < Tol) {
      G = 0.0;
    } else {
      const double F = u(I, I + 1);
      G = F < 0.0 ? std::sqrt(S) : -std::sqrt(S);
      const double H = F * G - S;
      u(I, I + 1) = F - G;
      for (int32_t J = L; J < N; ++J)
        E[J] = u(I, J) / H;
      for (int32_t J = L; J < M; ++J) {
        S = 0.0;
        for (int32_t K = L; K < N; ++K)
          S += u(J, K) * u(I, K);
        for (int32_t K = L; K < N; ++K)
          u(J, K) += S * E[K];
      }
    }
    const double Y = std::fabs(W[I]) + std::fabs(E[I]);
    if (Y > X)
      X = Y;
  }

  // Accumulate the right-hand transformations into V.
  for (int32_t I = N - 1; I >= 0; --I) {
    if (G != 0.0) {
      const double H = u(I, I + 1) * G;
      for (int32_t J = L; J < N; ++J)
        v(J, I) = u(I, J) / H;
      for (int32_t J = L; J < N; ++J) {
        double S = 0.0;
        for (int32_t K = L; K < N; ++K)
          S += u(I, K) * v(K, J);
        for (int32_t K = L; K < N; ++K)
          v(K, J) += S * v(K, I);
      }
    }
    for (int32_t J = L; J < N; ++J) {
      v(I, J) = 0.0;
      v(J, I) = 0.0;
    }
    v(I, I) = 1.0;
    G = E[I];
    L = I;
  }

  // Accumulate the left-hand transformations into U.
  for (int32_t I = N - 1; I >= 0; --I) {
    L = I + 1;
    G = W[I];
    for (int32_t J = L; J < N; ++J)
      u(I, J) = 0.0;
    if (G != 0.0) {
      const double H = u(I, I) * G;
      for (int32_t J = L; J < N; ++J) {
        double S = 0.0;
        for (int32_t K = L; K < M; ++K)
          S += u(K, I) * u(K, J);
        const double F = S / H;
        for (int32_t K = I; K < M; ++K)
          u(K, J) += F * u(K, I);
      }
      for (int32_t J = I; J < M; ++J)
        u(J, I) /= G;
    } else {
      for (int32_t J = I; J < M; ++J)
        u(J, I) = 0.0;
    }
    u(I, I) += 1.0;
  }

  // Diagonalise the bidiagonal form, one singular value at a time from the
  // bottom.
  Eps *= X;
  for (int32_t K = N - 1; K >= 0; --K) {
    for (int32_t Sweeps = 0;; ++Sweeps) {
      // Find the top L of the unreduced block ending at K.
      bool Cancel = false;
      for (L = K; L >= 0; --L) {
        if (L == 0 || std::fabs(E[L]) <= Eps) // E[0] is always 0
          break;
        if (std::fabs(W[L - 1]) <= Eps) {
          Cancel = true;
          break;
        }
      }
      if (Cancel) {
        // W[L - 1] is negligible: chase E[L] out with rotations from the left.
        double C = 0.0;
        double S = 1.0;
        const int32_t L1 = L - 1;
        for (int32_t I = L; I <= K; ++I) {
          const double F = S * E[I];
          E[I] = C * E[I];
          if (std::fabs(F) <= Eps)
            break;
          double H;
          RotationOf(W[I], -F, H, C, S);
          W[I] = H;
          for (int32_t J = 0; J < M; ++J) {
            const double Y = u(J, L1);
            const double Z = u(J, I);
            u(J, L1) = Y * C + Z * S;
            u(J, I) = -Y * S + Z * C;
          }
        }
      }
      double Z = W[K];
      if (L == K) {
        if (Z < 0.0) {
          W[K] = -Z;
          for (int32_t J = 0; J < N; ++J)
            v(J, K) = -v(J, K);
        }
        break;
      }
      if (Sweeps == 30)
        return false;
      // Shift from the bottom 2 x 2 minor.
      X = W[L];
      double Y = W[K - 1];
      G = E[K - 1];
      double H = E[K];
      double F = ((Y - Z) * (Y + Z) + (G - H) * (G + H)) / (2.0 * H * Y);
      G = std::sqrt(F * F + 1.0);
      F = ((X - Z) * (X + Z) + H * (Y / (F < 0.0 ? F - G : F + G) - H)) / X;
      // One implicit QR sweep.
      double C = 1.0;
      double S = 1.0;
      for (int32_t I = L + 1; I <= K; ++I) {
        G = E[I];
        Y = W[I];
        H = S * G;
        G = C * G;
        RotationOf(F, H, Z, C, S);
        E[I - 1] = Z;
        F = X * C + G * S;
        G = -X * S + G * C;
        H = Y * S;
        Y = Y * C;
        for (int32_t J = 0; J < N; ++J) {
          const double A = v(J, I - 1);
          const double B = v(J, I);
          v(J, I - 1) = A * C + B * S;
          v(J, I) = -A * S + B * C;
        }
        RotationOf(F, H, Z, C, S);
        W[I - 1] = Z;
        F = C * G + S * Y;
        X = -S * G + C * Y;
        for (int32_t J = 0; J < M; ++J) {
          const double A = u(J, I - 1);
          const double B = u(J, I);
          u(J, I - 1) = A * C + B * S;
          u(J, I) = -A * S + B * C;
        }
      }
      E[L] = 0.0;
      E[K] = F;
      W[K] = X;
    }
  }
  return true;
}

bool SolveBySVD(int32_t N, const double *A, const double *B, double *X)
{
  std::vector<double> U(A, A + static_cast<size_t>(N) * N);
  std::vector<double> W(N);
  std::vector<double> V(static_cast<size_t>(N) * N);
  if (!SingularValueDecomposition(N, N, U.data(), W.data(), V.data()))
    return false;
  double Largest = 0.0;
  for (double S : W)
    Largest = std::max(Largest, S);
  const double Threshold = Largest * N * 5e-16;
  // x = V diag(1/w) U^T b, dropping the directions of negligible w.
  std::vector<double> Projected(N);
  for (int32_t J = 0; J < N; ++J) {
    double S = 0.0;
    if (W[J] > Threshold) {
      for (int32_t I = 0; I < N; ++I)
        S += U[I * N + J] * B[I];
      S /= W[J];
    }
    Projected[J] = S;
  }
  for (int32_t I = 0; I < N; ++I) {
    double S = 0.0;
    for (int32_t J = 0; J < N; ++J)
      S += V[I * N + J] * Projected[J];
    X[I] = S;
  }
  return true;
}

TLSM2::TLSM2(int32_t Capacity, int32_t Level)
    : Basis_(Level), Capacity_(std::max(Capacity, 0)),
      Coefficients_(static_cast<size_t>(Basis_.TermCount()), 0.0)
{
  Rows.reserve(static_cast<size_t>(Capacity_) * Basis_.TermCount());
  Weights.reserve(static_cast<size_t>(Capacity_));
}

bool TLSM2::AddSample(double Weight, double P1, double P2)
{
  if (Count_ >= Capacity_)
    return false;
  const int32_t N = Basis_.TermCount();
  Rows.resize(Rows.size() + N);
  EvaluateTerms(Basis_.Level(), P1, P2, Rows.data() + static_cast<size_t>(Count_) * N);
  Weights.push_back(Weight);
  ++Count_;
  return true;
}

bool TLSM2::Solve(const double *Values, std::vector<double> &Coefficients)
{
  const int32_t N = Basis_.TermCount();
  if (Count_ < N)
    return false;
  // Normal equations A c = b with A = F^T W^2 F and b = F^T W^2 y.
  double A[MaxTermCount * MaxTermCount] = {};
  double B[MaxTermCount] = {};
  for (int32_t K = 0; K < Count_; ++K) {
    const double *F = Rows.data() + static_cast<size_t>(K) * N;
    const double W2 = Weights[K] * Weights[K];
    for (int32_t I = 0; I < N; ++I) {
      const double WF = W2 * F[I];
      for (int32_t J = 0; J < N; ++J)
        A[I * N + J] += WF * F[J];
      B[I] += W2 * Values[K] * F[I];
    }
  }
  double C[MaxTermCount];
  if (!SolveBySVD(N, A, B, C))
    return false;
  Coefficients.assign(C, C + N);
  Coefficients_ = Coefficients;
  return true;
}

double TLSM2::Evaluate(const std::vector<double> &Coefficients, double P1, double P2) const
{
  return DotTerms(Basis_.Level(), Coefficients.data(), P1, P2);
}

TApproximation::TApproximation(int32_t Capacity, int32_t Level)
    : Model(Capacity, Level), Coefficients_(static_cast<size_t>(TermCountOfLevel(Level)), 0.0)
{
  Values.reserve(static_cast<size_t>(Model.Capacity()));
}

void TApproximation::AddSample(double Value, double P1, double P2)
{
  if (Model.AddSample(1.0, P1, P2))
    Values.push_back(Value);
}

bool TApproximation::Fit()
{
  return Model.Solve(Values.data(), Coefficients_);
}

double TApproximation::Evaluate(double P1, double P2) const
{
  return Model.Evaluate(Coefficients_, P1, P2);
}

TApproximationBGR::TApproximationBGR(int32_t Capacity, int32_t Level)
    : Model(Capacity, Level), B(static_cast<size_t>(TermCountOfLevel(Level)), 0.0), G(B), R(B)
{
  const size_t N = static_cast<size_t>(Model.Capacity());
  ValuesB.reserve(N);
  ValuesG.reserve(N);
  ValuesR.reserve(N);
}

void TApproximationBGR::AddSample(double DB, double DG, double DR, double P1, double P2)
{
  if (!Model.AddSample(1.0, P1, P2))
    return;
  ValuesB.push_back(DB);
  ValuesG.push_back(DG);
  ValuesR.push_back(DR);
}

bool TApproximationBGR::Fit()
{
  return Model.Solve(ValuesR.data(), R) && Model.Solve(ValuesG.data(), G) &&
         Model.Solve(ValuesB.data(), B);
}

void TApproximationBGR::Evaluate(double P1, double P2, double &DR, double &DG, double &DB) const
{
  DR = Model.Evaluate(R, P1, P2);
  DG = Model.Evaluate(G, P1, P2);
  DB = Model.Evaluate(B, P1, P2);
}

} // namespace facette
