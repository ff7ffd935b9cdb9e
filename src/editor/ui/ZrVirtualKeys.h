// Keys as the tools compare them: the virtual key codes of the keyboard
// layer the tools were written against (space 32, "O" 79, "=" 187, ...).
#pragma once

#include <QKeyEvent>

#include <cstdint>

namespace facette {

enum : int32_t
{
  vkBack = 8,
  vkTab = 9,
  vkReturn = 13,
  vkShift = 16,
  vkControl = 17,
  vkMenu = 18,
  vkEscape = 27,
  vkSpace = 32,
  vkPrior = 33,
  vkNext = 34,
  vkEnd = 35,
  vkHome = 36,
  vkLeft = 37,
  vkUp = 38,
  vkRight = 39,
  vkDown = 40,
  vkInsert = 45,
  vkDelete = 46,
  vkOemPlus = 187,
  vkOemMinus = 189,
};

// The virtual key of a Qt key event; 0 for a key without one.
int32_t VirtualKey(const QKeyEvent &Event);
int32_t VirtualKey(int QtKey, Qt::KeyboardModifiers Modifiers);

} // namespace facette
