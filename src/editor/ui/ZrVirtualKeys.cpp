#include "editor/ui/ZrVirtualKeys.h"

namespace facette {

int32_t VirtualKey(int QtKey, Qt::KeyboardModifiers Modifiers)
{
  const bool Keypad = Modifiers.testFlag(Qt::KeypadModifier);
  if (QtKey >= Qt::Key_A && QtKey <= Qt::Key_Z)
    return QtKey; // the same codes
  if (QtKey >= Qt::Key_0 && QtKey <= Qt::Key_9)
    return Keypad ? 96 + (QtKey - Qt::Key_0) : QtKey;
  if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F24)
    return 112 + (QtKey - Qt::Key_F1);
  switch (QtKey) {
  case Qt::Key_Backspace:
    return vkBack;
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    return vkTab;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return vkReturn;
  case Qt::Key_Shift:
    return vkShift;
  case Qt::Key_Control:
    return vkControl;
  case Qt::Key_Alt:
    return vkMenu;
  case Qt::Key_Pause:
    return 19;
  case Qt::Key_CapsLock:
    return 20;
  case Qt::Key_Escape:
    return vkEscape;
  case Qt::Key_Space:
    return vkSpace;
  case Qt::Key_PageUp:
    return vkPrior;
  case Qt::Key_PageDown:
    return vkNext;
  case Qt::Key_End:
    return vkEnd;
  case Qt::Key_Home:
    return vkHome;
  case Qt::Key_Left:
    return vkLeft;
  case Qt::Key_Up:
    return vkUp;
  case Qt::Key_Right:
    return vkRight;
  case Qt::Key_Down:
    return vkDown;
  case Qt::Key_Print:
    return 44;
  case Qt::Key_Insert:
    return vkInsert;
  case Qt::Key_Delete:
    return vkDelete;
  case Qt::Key_Asterisk:
    return Keypad ? 106 : 0;
  case Qt::Key_Plus:
    return Keypad ? 107 : vkOemPlus;
  case Qt::Key_Equal:
    return vkOemPlus;
  case Qt::Key_Minus:
    return Keypad ? 109 : vkOemMinus;
  case Qt::Key_Period:
    return Keypad ? 110 : 190;
  case Qt::Key_Slash:
    return Keypad ? 111 : 191;
  case Qt::Key_Comma:
    return 188;
  case Qt::Key_Semicolon:
    return 186;
  case Qt::Key_QuoteLeft:
    return 192;
  case Qt::Key_BracketLeft:
    return 219;
  case Qt::Key_Backslash:
    return 220;
  case Qt::Key_BracketRight:
    return 221;
  case Qt::Key_Apostrophe:
    return 222;
  case Qt::Key_NumLock:
    return 144;
  case Qt::Key_ScrollLock:
    return 145;
  case Qt::Key_Menu:
    return 93;
  default:
    return 0;
  }
}

int32_t VirtualKey(const QKeyEvent &Event)
{
  return VirtualKey(Event.key(), Event.modifiers());
}

} // namespace facette
