#include "imaging/ZrInterpolationFilters.h"

#include <cmath>
#include <numbers>

namespace facette {

namespace {

double NoneWeight(double)
{
  return 1.0;
}

double TriangleWeight(double D)
{
  if (D < 1.0)
    return 1.0 - D;
  return 0.0;
}

double BellWeight(double D)
{
  if (D < 0.5)
    return 0.75 - D * D;
  if (D < 1.5) {
    const double T = D - 1.5;
    return 0.5 * (T * T);
  }
  return 0.0;
}

double BSplineWeight(double D)
{
  if (D < 1.0)
    return 0.5 * (D * D * D) - D * D + 2.0 / 3.0;
  if (D < 2.0) {
    const double T = 2.0 - D;
    return T * T * T / 6.0;
  }
  return 0.0;
}

// Mitchell-Netravali with B = C = 1/3.
double MitchellWeight(double D)
{
  if (D < 1.0)
    return 7.0 / 6.0 * (D * D * D) - 2.0 * (D * D) + 8.0 / 9.0;
  if (D < 2.0)
    return -(7.0 / 18.0) * (D * D * D) + 2.0 * (D * D) - 10.0 / 3.0 * D + 16.0 / 9.0;
  return 0.0;
}

double Lanczos3Weight(double D)
{
  constexpr double Pi = std::numbers::pi;
  if (D == 0.0)
    return 1.0;
  if (D < 3.0)
    return std::sin(Pi * D) * std::sin(Pi * D / 3.0) / (Pi * Pi * (D * D) / 3.0);
  return 0.0;
}

} // namespace

const std::array<TZrInterpolationFilter, InterpolationFilterCount> InterpolationFilters = {{
    {"No (quickest)", 0.0, NoneWeight},
    {"Triangle (quick)", 1.0, TriangleWeight},
    {"Hermite", 1.0, HermiteWeight},
    {"Bell", 1.5, BellWeight},
    {"B-Spline", 2.0, BSplineWeight},
    {"Mitchell", 2.0, MitchellWeight},
    {"Lanczos3 (slow)", 3.0, Lanczos3Weight},
}};

} // namespace facette
