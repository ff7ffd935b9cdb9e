// Screen cursors by index, as tools name them: 0 the default, negative
// numbers the standard shapes, positive numbers cursors the program
// registers (the hand tool's 100).
#pragma once

#include <QCursor>

#include <cstdint>

namespace facette {

enum : int32_t
{
  crDefault = 0,
  crNone = -1,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crUpArrow = -10,
  crHourGlass = -11,
  crDrag = -12,
  crNoDrop = -13,
  crHSplit = -14,
  crVSplit = -15,
  crMultiDrag = -16,
  crSQLWait = -17,
  crNo = -18,
  crAppStart = -19,
  crHelp = -20,
  crHandPoint = -21,
  crSizeAll = -22,
};

// The cursor of that index; the default arrow for an index nobody
// registered.
QCursor ScreenCursor(int32_t Index);
// Registers (or replaces) a cursor of the program's own.
void SetScreenCursor(int32_t Index, const QCursor &Cursor);

} // namespace facette
