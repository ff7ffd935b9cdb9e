// The caption a window shows: its title with Qt's "[*]" resolved by its
// modified state, as the window system gets it.
#pragma once

#include <QWidget>
#include <QWindow>

namespace facette::test {

inline QString ShownTitle(QWidget &Window)
{
  Window.winId(); // makes the native window
  return Window.windowHandle() ? Window.windowHandle()->title() : QString();
}

} // namespace facette::test
