// The line the user draws with the straighten tool: the angle that makes it
// level (or upright, when it is steeper than 45 degrees), and how long it
// must be to count.
#pragma once

#include "framework/ZrTypes.h"

namespace facette {

// Lines shorter than this, in image pixels, straighten nothing: a slip of
// the mouse is no horizon.
constexpr double MinStraightenLineLength = 7.0;

// The angle (radians) to turn the image by so that the line from Start to
// End becomes horizontal (when it runs more across than down) or vertical.
// False, Angle untouched, for a line that already is one of them (the ends
// level in either axis, a click included).
bool StraightenLineAngle(TZrPoint Start, TZrPoint End, double &Angle);

// Whether the line between the two image points is long enough to count.
bool StraightenLineLongEnough(TZrPoint P1, TZrPoint P2);

} // namespace facette
