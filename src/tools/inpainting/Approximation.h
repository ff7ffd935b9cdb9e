// Smooth colour corrections for the patch fill: a weighted least-squares fit
// of a low-order polynomial surface over the image plane, and its one-value
// and three-channel wrappers. The fill measures colour differences on the
// defect's ring and evaluates the fitted surface over the interior.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace facette {

// The largest basis: 1, P1, P2, P1*P2, P1^2, P2^2, P1^2*P2, P1*P2^2, P1^3, P2^3.
constexpr int32_t MaxTermCount = 10;

// Number of basis terms of a level 0..5; throws std::invalid_argument for
// any other level.
int32_t TermCountOfLevel(int32_t Level);

// Writes the TermCount basis values of Level at (P1, P2) into Terms. Inline:
// the fill evaluates it for every pixel.
inline void EvaluateTerms(int32_t Level, double P1, double P2, double *Terms)
{
  Terms[0] = 1.0;
  if (Level >= 1) {
    Terms[1] = P1;
    Terms[2] = P2;
  }
  if (Level >= 2)
    Terms[3] = P1 * P2;
  if (Level >= 3) {
    Terms[4] = P1 * P1;
    Terms[5] = P2 * P2;
  }
  if (Level >= 4) {
    Terms[6] = P1 * P1 * P2;
    Terms[7] = P1 * P2 * P2;
  }
  if (Level >= 5) {
    Terms[8] = P1 * P1 * P1;
    Terms[9] = P2 * P2 * P2;
  }
}

// Sum of Coefficients[i] * basis term i at (P1, P2), added up from the first
// term to the last.
double DotTerms(int32_t Level, const double *Coefficients, double P1, double P2);

// Polynomial basis in two variables.
class TArgumentTransfer
{
public:
  explicit TArgumentTransfer(int32_t Level);

  int32_t Level() const { return Level_; }
  int32_t TermCount() const { return TermCount_; }
  // The basis values of the last Evaluate.
  const double *Terms() const { return Terms_.data(); }

  void Evaluate(double P1, double P2);
  double Dot(const double *Coefficients, double P1, double P2);

private:
  int32_t Level_;
  int32_t TermCount_;
  std::array<double, MaxTermCount> Terms_{};
};

// Singular value decomposition A = U diag(W) V^T of a Rows x Cols matrix
// (Rows >= Cols, row-major) by Householder bidiagonalisation and implicitly
// shifted QR. U holds A on entry and the Rows x Cols left vectors on return;
// W gets Cols non-negative singular values (unsorted), V the Cols x Cols
// right vectors. False when some singular value needs more than 30 sweeps.
bool SingularValueDecomposition(int32_t Rows, int32_t Cols, double *U, double *W, double *V);

// Solves the N x N system A x = B (A row-major) through its singular values.
// Singular values not larger than (largest * N * 5e-16) count as zero, so a
// singular system gets the minimum-norm least-squares solution instead of
// failing. False only when the decomposition does not converge; X is then
// untouched.
bool SolveBySVD(int32_t N, const double *A, const double *B, double *X);

// Weighted least-squares model over the basis of a level. Capacity is fixed
// at creation; samples beyond it are ignored.
class TLSM2
{
public:
  TLSM2(int32_t Capacity, int32_t Level);

  const TArgumentTransfer &Basis() const { return Basis_; }
  int32_t Count() const { return Count_; }
  int32_t Capacity() const { return Capacity_; }
  // The last coefficients solved for; all 0 until a fit succeeds.
  const std::vector<double> &Coefficients() const { return Coefficients_; }

  // Stores the basis values and the weight of one sample; false when the
  // model is full and the sample was dropped.
  bool AddSample(double Weight, double P1, double P2);
  // Fits Values (one per sample) by the normal equations. With fewer samples
  // than terms nothing is fitted: the result is false and Coefficients keeps
  // what it held.
  bool Solve(const double *Values, std::vector<double> &Coefficients);
  double Evaluate(const std::vector<double> &Coefficients, double P1, double P2) const;

private:
  TArgumentTransfer Basis_;
  int32_t Capacity_;
  int32_t Count_ = 0;
  std::vector<double> Rows;    // Count_ x TermCount basis values
  std::vector<double> Weights; // one per sample
  std::vector<double> Coefficients_;
};

// One value fitted over the plane.
class TApproximation
{
public:
  TApproximation(int32_t Capacity, int32_t Level);

  int32_t Count() const { return Model.Count(); }
  const std::vector<double> &Coefficients() const { return Coefficients_; }

  void AddSample(double Value, double P1, double P2);
  bool Fit();
  double Evaluate(double P1, double P2) const;

private:
  TLSM2 Model;
  std::vector<double> Values;
  std::vector<double> Coefficients_;
};

// Blue, green and red differences fitted with the same sample positions.
class TApproximationBGR
{
public:
  TApproximationBGR(int32_t Capacity, int32_t Level);

  int32_t Count() const { return Model.Count(); }
  int32_t Level() const { return Model.Basis().Level(); }
  const std::vector<double> &CoefficientsR() const { return R; }
  const std::vector<double> &CoefficientsG() const { return G; }
  const std::vector<double> &CoefficientsB() const { return B; }

  void AddSample(double DB, double DG, double DR, double P1, double P2);
  // Red, then green, then blue; stops at the first channel that fails.
  bool Fit();
  void Evaluate(double P1, double P2, double &DR, double &DG, double &DB) const;

private:
  TLSM2 Model;
  std::vector<double> ValuesB, ValuesG, ValuesR;
  std::vector<double> B, G, R;
};

} // namespace facette
