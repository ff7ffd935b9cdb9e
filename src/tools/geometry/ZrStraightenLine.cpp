#include "tools/geometry/ZrStraightenLine.h"

#include <cmath>
#include <cstdlib>

namespace facette {

bool StraightenLineAngle(TZrPoint Start, TZrPoint End, double &Angle)
{
  if (Start.X == End.X || Start.Y == End.Y)
    return false;
  const double DX = static_cast<double>(Start.X) - End.X;
  const double DY = static_cast<double>(Start.Y) - End.Y;
  Angle = std::fabs(DX) > std::fabs(DY) ? std::atan(DY / DX) : std::atan(-DX / DY);
  return true;
}

bool StraightenLineLongEnough(TZrPoint P1, TZrPoint P2)
{
  const double DX = static_cast<double>(P1.X) - P2.X;
  const double DY = static_cast<double>(P1.Y) - P2.Y;
  return std::sqrt(DX * DX + DY * DY) >= MinStraightenLineLength;
}

} // namespace facette
