// The pointer a demo drives. Playback moves it and presses its buttons in
// screen coordinates; how that reaches the program depends on the window
// system. The synthetic pointer here hands mouse events to Qt's own input
// path for the window under the point, which works on every platform
// (offscreen, Wayland, X11) without touching the user's real pointer. On
// X11 the system's own pointer is driven instead (ZrXTestPointer.cpp).
#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QPointer>
#include <QWindow>

#include <memory>

namespace facette {

class IZrDemoPointer
{
public:
  virtual ~IZrDemoPointer() = default;
  // Where the pointer is, in screen coordinates.
  virtual QPoint Position() const = 0;
  virtual void MoveTo(QPoint Point) = 0;
  // Button is Qt::LeftButton or Qt::RightButton as the hardware sees it;
  // on a system with swapped buttons the left one is the secondary.
  virtual void Press(Qt::MouseButton Button) = 0;
  virtual void Release(Qt::MouseButton Button) = 0;
  // Whether the system swaps the primary and secondary buttons.
  virtual bool ButtonsSwapped() const { return false; }
};

// Mouse events delivered as the window system would deliver them: to the
// top-level window under the point, or to the window that got the press
// while a button is held; Qt then applies modality, popups, grabs and
// double clicks as for real input.
class TZrSyntheticPointer : public IZrDemoPointer
{
public:
  TZrSyntheticPointer();
  QPoint Position() const override { return Pos; }
  void MoveTo(QPoint Point) override;
  void Press(Qt::MouseButton Button) override;
  void Release(Qt::MouseButton Button) override;

  // The top-level window that takes input at a screen point: an open popup
  // first, then the visible windows from the most recently activated.
  static QWindow *WindowAt(QPoint Point);

private:
  void Deliver(QEvent::Type Type, Qt::MouseButton Button);

  QPoint Pos;
  Qt::MouseButtons Buttons;
  QPointer<QWindow> Grab;
  QElapsedTimer Clock;
};

// The system's pointer on X11, moved and clicked through the XTest
// extension; nil on other platforms or without the extension.
std::unique_ptr<IZrDemoPointer> CreateXTestPointer();

// The pointer playback uses on this platform: the system's own on X11,
// the synthetic one elsewhere (offscreen, Wayland).
std::unique_ptr<IZrDemoPointer> CreateDemoPointer();

} // namespace facette
