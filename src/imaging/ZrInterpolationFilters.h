// The reconstruction filters that tools moving pixels by fractional offsets
// weight their source pixels with: a name, a support radius and a weight
// function of the distance between the sampling point and a pixel centre.
#pragma once

#include <array>
#include <cstdint>

namespace facette {

struct TZrInterpolationFilter
{
  const char *Name;
  // The distance from which on the weight is zero (except for the first
  // entry, whose weight is 1 everywhere).
  double Support;
  // Takes a non-negative distance; callers pass Euclidean distances, so the
  // functions take no absolute value.
  double (*Weight)(double Distance);
};

constexpr int32_t InterpolationFilterCount = 7;

// Indexes into the table.
constexpr int32_t ifNone = 0;
constexpr int32_t ifTriangle = 1;
constexpr int32_t ifHermite = 2;
constexpr int32_t ifBell = 3;
constexpr int32_t ifBSpline = 4;
constexpr int32_t ifMitchell = 5;
constexpr int32_t ifLanczos3 = 6;

// Built once, never changed.
extern const std::array<TZrInterpolationFilter, InterpolationFilterCount> InterpolationFilters;

// The Hermite weight, callable directly by the hot loops that always use it.
inline double HermiteWeight(double D)
{
  if (D < 1.0)
    return (2.0 * D - 3.0) * (D * D) + 1.0;
  return 0.0;
}

} // namespace facette
