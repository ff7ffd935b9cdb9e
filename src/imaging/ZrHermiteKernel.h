// Hermite-weighted sampling of a 24-bit image at real positions, shared by
// the tools that move pixels by fractional offsets.
//
// The Hermite weight is 0 from a distance of 1 on, so of any window around a
// point only the (up to) four pixels around it can weigh anything; the
// others add exact zeros and change no sum. Each sample therefore visits
// those four pixels, columns outer and rows inner, accumulating colour times
// weight and the weight itself in single precision; the colour is the sums'
// quotient rounded half to even into 0..255. Where the processor has AVX2,
// four samples are computed side by side with the same operations in the
// same order, so the bits do not depend on the path taken.
#pragma once

#include "imaging/ZrBitmap.h"

#include <cmath>
#include <cstdint>

namespace facette {

// Rounds to the nearest integer, halves to even: std::nearbyint in the
// default rounding mode, without a library call on processors that lack a
// rounding instruction. Keeps the sign of zero and passes NaN through.
inline double RoundHalfEven(double X)
{
  constexpr double Big = 4503599627370496.0; // 2^52: from here on every double is whole
  const double A = std::fabs(X);
  if (!(A < Big))
    return X;
  return std::copysign((A + Big) - Big, X);
}

// The Hermite-filtered colour (blue, green, red) at (X, Y) in Source's image
// coordinates. Returns false, leaving Pixel alone, when no pixel of Source
// lies closer than 1 to the point (all weights 0).
bool HermiteSample(const TZrPixels &Source, double X, double Y, uint8_t *Pixel);

// Count samples at once: Out receives 3 bytes per sample, Found[k] is 1
// where sample k had a pixel within reach and 0 otherwise (its Out bytes are
// then unspecified).
void HermiteSampleMany(const TZrPixels &Source, const double *X, const double *Y, int32_t Count,
                       uint8_t *Out, uint8_t *Found);

// Whether the vector paths may run (they do where the processor supports
// them unless switched off, e.g. by tests comparing both paths).
bool VectorKernelsEnabled();
void EnableVectorKernels(bool Enable);

} // namespace facette
