// The system's own pointer on X11: moved and clicked through the XTest
// extension, so a demonstration drives exactly what the user's mouse
// drives (window manager, other programs' windows, the real cursor).
//
// XTest events travel through the X server and reach the program later, on
// Qt's own connection. Each action therefore ends by sending the program a
// marker message behind the event and waiting until it has come through:
// the server delivers events in the order it makes them, so by then the
// program has handled the mouse event, exactly as with the synthetic
// pointer, which delivers its events at once.
#include "demo/ui/ZrDemoPointer.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <QtGui/qguiapplication_platform.h>

#include <X11/extensions/XTest.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cmath>
#include <cstdint>
#include <functional>

namespace facette {

namespace {

// How long an action waits for its event to come back through the server
// before it carries on regardless.
constexpr int DeliveryTimeoutMs = 2000;

// Sees the marker messages among the X events Qt reads.
class TMarkerFilter : public QAbstractNativeEventFilter
{
public:
  xcb_window_t Window = 0;
  xcb_atom_t Type = 0;
  uint32_t Seen = 0;
  std::function<void()> OnSeen;

  bool nativeEventFilter(const QByteArray &EventType, void *Message, qintptr *) override
  {
    if (EventType != "xcb_generic_event_t")
      return false;
    const auto *Event = static_cast<const xcb_generic_event_t *>(Message);
    // The top bit marks events made with SendEvent.
    if ((Event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
      return false;
    const auto *Client = reinterpret_cast<const xcb_client_message_event_t *>(Event);
    if (Client->window != Window || Client->type != Type)
      return false;
    Seen = Client->data.data32[0];
    if (OnSeen)
      OnSeen();
    return true;
  }
};

class TZrXTestPointer : public IZrDemoPointer
{
public:
  TZrXTestPointer(Display *Connection, std::unique_ptr<QWindow> MarkerWindow)
      : Connection(Connection), Marker(std::move(MarkerWindow))
  {
    Filter.Window = static_cast<xcb_window_t>(Marker->winId());
    Filter.Type = static_cast<xcb_atom_t>(XInternAtom(Connection, "_FACETTE_DEMO_POINTER", False));
    QCoreApplication::instance()->installNativeEventFilter(&Filter);
  }

  ~TZrXTestPointer() override
  {
    if (QCoreApplication *App = QCoreApplication::instance())
      App->removeNativeEventFilter(&Filter);
    XCloseDisplay(Connection);
  }

  QPoint Position() const override
  {
    ::Window Root = 0, Child = 0;
    int RootX = 0, RootY = 0, X = 0, Y = 0;
    unsigned int Mask = 0;
    if (!XQueryPointer(Connection, DefaultRootWindow(Connection), &Root, &Child, &RootX, &RootY, &X,
                       &Y, &Mask))
      return QPoint();
    const qreal Ratio = RatioAt(QPoint(RootX, RootY));
    return QPoint(static_cast<int>(std::lround(RootX / Ratio)),
                  static_cast<int>(std::lround(RootY / Ratio)));
  }

  void MoveTo(QPoint Point) override
  {
    // Qt's coordinates are device-independent; the server's are pixels.
    const qreal Ratio = RatioAt(Point);
    XTestFakeMotionEvent(Connection, -1, static_cast<int>(std::lround(Point.x() * Ratio)),
                         static_cast<int>(std::lround(Point.y() * Ratio)), CurrentTime);
    WaitForDelivery();
  }

  void Press(Qt::MouseButton Button) override { Click(Button, true); }
  void Release(Qt::MouseButton Button) override { Click(Button, false); }

  bool ButtonsSwapped() const override
  {
    unsigned char Map[3] = {1, 2, 3};
    return XGetPointerMapping(Connection, Map, 3) >= 3 && Map[0] == 3;
  }

private:
  static qreal RatioAt(QPoint Point)
  {
    QScreen *Screen = QGuiApplication::screenAt(Point);
    if (!Screen)
      Screen = QGuiApplication::primaryScreen();
    return Screen ? Screen->devicePixelRatio() : 1.0;
  }

  void Click(Qt::MouseButton Button, bool Down)
  {
    // XTest speaks of the device's buttons, before the user's mapping,
    // as Button does.
    const unsigned int Number = Button == Qt::RightButton ? 3 : Button == Qt::MiddleButton ? 2 : 1;
    XTestFakeButtonEvent(Connection, Number, Down ? True : False, CurrentTime);
    WaitForDelivery();
  }

  void WaitForDelivery()
  {
    const uint32_t Serial = ++Sent;
    XClientMessageEvent Message{};
    Message.type = ClientMessage;
    Message.window = Filter.Window;
    Message.message_type = Filter.Type;
    Message.format = 32;
    Message.data.l[0] = static_cast<long>(Serial);
    XSendEvent(Connection, Filter.Window, False, NoEventMask, reinterpret_cast<XEvent *>(&Message));
    XFlush(Connection);
    if (Filter.Seen != Serial) {
      QEventLoop Loop;
      Filter.OnSeen = [&Loop, this, Serial] {
        if (Filter.Seen == Serial)
          Loop.quit();
      };
      QTimer::singleShot(DeliveryTimeoutMs, &Loop, &QEventLoop::quit);
      Loop.exec();
      Filter.OnSeen = nullptr;
    }
    // The mouse event came before the marker; Qt hands such events on in
    // a turn of its loop of their own.
    QCoreApplication::processEvents();
  }

  Display *Connection;
  std::unique_ptr<QWindow> Marker;
  TMarkerFilter Filter;
  uint32_t Sent = 0;
};

} // namespace

std::unique_ptr<IZrDemoPointer> CreateXTestPointer()
{
  if (QGuiApplication::platformName() != QStringLiteral("xcb"))
    return nullptr;
  // A connection of its own to the server Qt uses.
  const char *Name = nullptr;
  if (auto *X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
    if (Display *Qt = X11->display())
      Name = DisplayString(Qt);
  Display *Connection = XOpenDisplay(Name);
  if (!Connection)
    return nullptr;
  int Event = 0, Error = 0, Major = 0, Minor = 0;
  if (!XTestQueryExtension(Connection, &Event, &Error, &Major, &Minor)) {
    XCloseDisplay(Connection);
    return nullptr;
  }
  // The markers go to a window of Qt's that is never shown.
  auto Marker = std::make_unique<QWindow>();
  Marker->create();
  if (!Marker->winId()) {
    XCloseDisplay(Connection);
    return nullptr;
  }
  return std::make_unique<TZrXTestPointer>(Connection, std::move(Marker));
}

} // namespace facette
