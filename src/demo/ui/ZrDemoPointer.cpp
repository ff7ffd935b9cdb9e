#include "demo/ui/ZrDemoPointer.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

// Qt's entry for injected mouse input (exported by QtGui for its test
// library): the event takes the same road as one from the window system,
// synchronously.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow *Window, const QPointF &Local, const QPointF &Global,
                                      Qt::MouseButtons State, Qt::MouseButton Button,
                                      QEvent::Type Type, Qt::KeyboardModifiers Modifiers,
                                      int Timestamp);

namespace facette {

namespace {

// Milliseconds on one clock for the whole process, so that Qt sees two
// presses as a double click exactly when they are that close in time.
int Timestamp()
{
  static QElapsedTimer Clock;
  if (!Clock.isValid())
    Clock.start();
  return static_cast<int>(Clock.elapsed() & 0x3FFFFFFF) + 1;
}

bool TakesInput(QWindow *Window, QPoint Point)
{
  return Window && Window->isVisible() && Window->type() != Qt::ToolTip &&
         Window->geometry().contains(Point);
}

} // namespace

TZrSyntheticPointer::TZrSyntheticPointer() : Pos(QCursor::pos()) {}

QWindow *TZrSyntheticPointer::WindowAt(QPoint Point)
{
  if (QWidget *Popup = QApplication::activePopupWidget())
    if (TakesInput(Popup->windowHandle(), Point))
      return Popup->windowHandle();
  // The platform knows the stacking order where there is one.
  if (QWindow *Window = QGuiApplication::topLevelAt(Point); TakesInput(Window, Point))
    return Window;
  if (QWindow *Modal = QGuiApplication::modalWindow(); TakesInput(Modal, Point))
    return Modal;
  if (QWindow *Focus = QGuiApplication::focusWindow(); TakesInput(Focus, Point))
    return Focus;
  const QWindowList Windows = QGuiApplication::topLevelWindows();
  for (auto It = Windows.rbegin(); It != Windows.rend(); ++It)
    if (TakesInput(*It, Point))
      return *It;
  return nullptr;
}

void TZrSyntheticPointer::MoveTo(QPoint Point)
{
  Pos = Point;
  Deliver(QEvent::MouseMove, Qt::NoButton);
}

void TZrSyntheticPointer::Press(Qt::MouseButton Button)
{
  Buttons |= Button;
  Deliver(QEvent::MouseButtonPress, Button);
}

void TZrSyntheticPointer::Release(Qt::MouseButton Button)
{
  Buttons &= ~Button;
  Deliver(QEvent::MouseButtonRelease, Button);
}

void TZrSyntheticPointer::Deliver(QEvent::Type Type, Qt::MouseButton Button)
{
  // While a button is held the window that got the press keeps the input,
  // as with a real pointer.
  QWindow *Target = Grab ? Grab.data() : WindowAt(Pos);
  if (Type == QEvent::MouseButtonPress && !Grab)
    Grab = Target;
  if (Type == QEvent::MouseButtonRelease && Buttons == Qt::NoButton)
    Grab = nullptr;
  if (!Target)
    return;
  const QPointF Global(Pos);
  qt_handleMouseEvent(Target, Target->mapFromGlobal(Global), Global, Buttons, Button, Type,
                      QGuiApplication::keyboardModifiers(), Timestamp());
}

std::unique_ptr<IZrDemoPointer> CreateDemoPointer()
{
  if (std::unique_ptr<IZrDemoPointer> System = CreateXTestPointer())
    return System;
  return std::make_unique<TZrSyntheticPointer>();
}

} // namespace facette
