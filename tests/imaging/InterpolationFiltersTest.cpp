#include "imaging/ZrInterpolationFilters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace facette {
namespace {

TEST(InterpolationFilters, TableOrderNamesAndSupports)
{
  struct Row
  {
    const char *Name;
    double Support;
  } Rows[] = {{"No (quickest)", 0.0},  {"Triangle (quick)", 1.0}, {"Hermite", 1.0},
              {"Bell", 1.5},           {"B-Spline", 2.0},         {"Mitchell", 2.0},
              {"Lanczos3 (slow)", 3.0}};
  for (int I = 0; I < InterpolationFilterCount; ++I) {
    EXPECT_EQ(std::string(InterpolationFilters[I].Name), Rows[I].Name) << I;
    EXPECT_EQ(InterpolationFilters[I].Support, Rows[I].Support) << I;
  }
  EXPECT_EQ(std::string(InterpolationFilters[ifHermite].Name), "Hermite");
}

TEST(InterpolationFilters, ValuesAtKnownDistances)
{
  struct Case
  {
    int Filter;
    double D;
    double Expected;
  } Cases[] = {
      {ifNone, 0.0, 1.0},
      {ifNone, 7.5, 1.0},
      {ifTriangle, 0.25, 0.75},
      {ifTriangle, 1.0, 0.0},
      {ifHermite, 0.0, 1.0},
      {ifHermite, 0.5, 0.5},
      {ifHermite, 1.0, 0.0},
      {ifHermite, 1.7, 0.0},
      {ifBell, 0.0, 0.75},
      {ifBell, 0.5, 0.5},
      {ifBell, 1.0, 0.125},
      {ifBell, 1.5, 0.0},
      {ifBSpline, 0.0, 2.0 / 3.0},
      {ifBSpline, 1.0, 1.0 / 6.0},
      {ifBSpline, 2.0, 0.0},
      {ifMitchell, 0.0, 8.0 / 9.0},
      {ifMitchell, 1.0, 1.0 / 18.0},
      {ifMitchell, 2.0, 0.0},
      {ifLanczos3, 0.0, 1.0},
      {ifLanczos3, 3.0, 0.0},
      {ifLanczos3, 4.0, 0.0},
  };
  for (const Case &C : Cases)
    EXPECT_NEAR(InterpolationFilters[C.Filter].Weight(C.D), C.Expected, 1e-14)
        << InterpolationFilters[C.Filter].Name << " at " << C.D;
  // Exactly 1 at the centre; the zeros of sin(pi d) are zeros only up to
  // the rounding of pi.
  EXPECT_EQ(InterpolationFilters[ifLanczos3].Weight(0.0), 1.0);
  EXPECT_NEAR(InterpolationFilters[ifLanczos3].Weight(1.0), 0.0, 1e-15);
  EXPECT_NEAR(InterpolationFilters[ifLanczos3].Weight(2.0), 0.0, 1e-15);
  EXPECT_LT(InterpolationFilters[ifLanczos3].Weight(1.5), 0.0); // the negative lobe
}

TEST(InterpolationFilters, PiecesMeetAtTheirJoints)
{
  struct Joint
  {
    int Filter;
    double D;
  } Joints[] = {{ifBell, 0.5},    {ifBell, 1.5},     {ifBSpline, 1.0},
                {ifBSpline, 2.0}, {ifMitchell, 1.0}, {ifMitchell, 2.0},
                {ifHermite, 1.0}, {ifTriangle, 1.0}, {ifLanczos3, 3.0}};
  for (const Joint &J : Joints) {
    const auto Weight = InterpolationFilters[J.Filter].Weight;
    EXPECT_NEAR(Weight(std::nextafter(J.D, 0.0)), Weight(J.D), 1e-9)
        << InterpolationFilters[J.Filter].Name << " at " << J.D;
  }
}

// Every filter but Lanczos3 (and the flat one) reproduces a constant: the
// weights of the pixels along a line add up to 1 wherever the point lies.
// A wrong coefficient breaks this at once.
TEST(InterpolationFilters, WeightsAlongALineSumToOne)
{
  for (int F : {ifTriangle, ifHermite, ifBell, ifBSpline, ifMitchell}) {
    const auto &Filter = InterpolationFilters[F];
    for (double X : {0.0, 0.1, 0.25, 0.5, 0.73, 0.999}) {
      double Sum = 0.0;
      for (int K = -4; K <= 4; ++K)
        Sum += Filter.Weight(std::fabs(X - K));
      EXPECT_NEAR(Sum, 1.0, 1e-12) << Filter.Name << " at " << X;
    }
  }
}

} // namespace
} // namespace facette
