#include "demo/ui/ZrDemoHooks.h"

#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrWrapToolbar.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QToolBar>
#include <QWidget>

namespace facette {

namespace {

TZrDemoRegistry *Global = nullptr;

// The centre of a rectangle as the program computes it everywhere: half
// the width and height, rounded down.
QPoint Centre(const QRect &R)
{
  return QPoint(R.left() + R.width() / 2, R.top() + R.height() / 2);
}

} // namespace

TZrDemoRegistry::TZrDemoRegistry()
{
  if (!Global)
    Global = this;
}

TZrDemoRegistry::~TZrDemoRegistry()
{
  if (Global == this)
    Global = nullptr;
}

TZrDemoRegistry &TZrDemoRegistry::Instance()
{
  // The program's registry: modules register from their construction on,
  // and the demonstration module connects its playback to it. A test
  // makes one of its own, which then serves instead; the program-wide one
  // must not keep the place of a registry made after it.
  static TZrDemoRegistry Fallback;
  if (Global == &Fallback)
    Global = nullptr;
  return Global ? *Global : Fallback;
}

void TZrDemoRegistry::RegisterDemoComponent(const QString &Name, QObject *Component)
{
  if (Component)
    Components.push_back({Name.toUpper(), Component});
}

void TZrDemoRegistry::AddCommand(TCommandInfo Info)
{
  Info.Name = Info.Name.toUpper();
  Commands.push_back(std::move(Info));
}

void TZrDemoRegistry::RegisterDemoCommand(const QString &Name, std::function<void()> Method)
{
  TCommandInfo Info;
  Info.Name = Name;
  Info.Kind = TKind::Plain;
  Info.Plain = std::move(Method);
  AddCommand(std::move(Info));
}

void TZrDemoRegistry::RegisterDemoCommand(const QString &Name, std::function<void(QObject *)> Event,
                                          QObject *Sender)
{
  TCommandInfo Info;
  Info.Name = Name;
  Info.Kind = TKind::Notify;
  Info.Notify = std::move(Event);
  Info.Sender = Sender;
  AddCommand(std::move(Info));
}

void TZrDemoRegistry::RegisterDemoBooleanCommand(const QString &Name,
                                                 std::function<void(bool)> Method, bool Default)
{
  TCommandInfo Info;
  Info.Name = Name;
  Info.Kind = TKind::Boolean;
  Info.Boolean = std::move(Method);
  Info.BooleanDefault = Default;
  AddCommand(std::move(Info));
}

void TZrDemoRegistry::RegisterDemoIntegerCommand(const QString &Name,
                                                 std::function<void(int)> Method, int Default)
{
  TCommandInfo Info;
  Info.Name = Name;
  Info.Kind = TKind::Integer;
  Info.Integer = std::move(Method);
  Info.IntegerDefault = Default;
  AddCommand(std::move(Info));
}

void TZrDemoRegistry::RegisterDemoPointCommand(const QString &Name,
                                               std::function<void(int, int)> Method, QPoint Default)
{
  TCommandInfo Info;
  Info.Name = Name;
  Info.Kind = TKind::Point;
  Info.Point = std::move(Method);
  Info.PointDefault = Default;
  AddCommand(std::move(Info));
}

void TZrDemoRegistry::RegisterDemoButton(const QString &Name, QObject *Button,
                                         std::function<void(QObject *)> Event)
{
  RegisterDemoComponent(Name, Button);
  RegisterDemoCommand(Name, std::move(Event), Button);
}

void TZrDemoRegistry::RegisterDemoStopHandler(std::function<void(bool ButtonHeld)> Handler)
{
  if (Handler)
    StopHandlers.push_back(std::move(Handler));
}

void TZrDemoRegistry::DemoStopped(bool ButtonHeld)
{
  // A copy: a handler may register another.
  const std::vector<std::function<void(bool)>> Handlers = StopHandlers;
  for (const auto &Handler : Handlers)
    Handler(ButtonHeld);
}

void TZrDemoRegistry::RecordDemoLine(const QString &Line)
{
  if (Playback && Playback->IsRecording())
    Playback->RecordLine(Line);
}

void TZrDemoRegistry::RecordDemoMove(const QString &Target)
{
  RecordDemoLine(QStringLiteral("MouseCurvedMove ") + Target);
}

void TZrDemoRegistry::RecordDemoCommand(const QString &Name, const QString &Args)
{
  if (!Playback || !Playback->IsRecording())
    return;
  RecordDemoMove(Name);
  RecordDemoLine(Args.isEmpty() ? Name : Name + QLatin1Char(' ') + Args);
}

std::vector<IZrDemoClient *> TZrDemoRegistry::AllClients() const
{
  if (Clients)
    return Clients();
  std::vector<IZrDemoClient *> Result;
  if (!TZrApplication::Exists())
    return Result;
  TZrApplication &App = ZrApplication();
  for (int I = 0; I < App.ComponentCount(); ++I)
    if (auto *Client = dynamic_cast<IZrDemoClient *>(App.Component(I)))
      Result.push_back(Client);
  return Result;
}

void TZrDemoRegistry::DispatchCommand(IZrDemoPlayback *Sender, const QString &Command,
                                      bool &Handled, TZrDemoAction *Action,
                                      const TZrDemoScriptParams &Params)
{
  const QString Name = Command.toUpper();
  for (const TCommandInfo &Info : Commands) {
    if (Info.Name != Name)
      continue;
    Handled = true;
    switch (Info.Kind) {
    case TKind::Plain:
      if (Info.Plain)
        Info.Plain();
      break;
    case TKind::Notify:
      if (Info.Notify)
        Info.Notify(Info.Sender);
      break;
    case TKind::Boolean: {
      // Anything but a number (a word such as "yes") counts as false.
      bool Value = Info.BooleanDefault;
      if (Params.ArgumentCount() > 0) {
        const TZrVariant First = Params.GetVariant(Params.IndexOf(0));
        if (const auto *I = std::get_if<int32_t>(&First))
          Value = *I != 0;
        else if (const auto *D = std::get_if<double>(&First))
          Value = *D != 0.0;
        else
          Value = false;
      }
      if (Info.Boolean)
        Info.Boolean(Value);
      break;
    }
    case TKind::Integer: {
      const std::optional<int32_t> Number = Params.IntegerArgument(0);
      if (Info.Integer)
        Info.Integer(Number.value_or(Info.IntegerDefault));
      break;
    }
    case TKind::Point: {
      const std::optional<int32_t> X = Params.IntegerArgument(0);
      const std::optional<int32_t> Y = Params.IntegerArgument(1);
      if (Info.Point) {
        if (X && Y)
          Info.Point(*X, *Y);
        else
          Info.Point(Info.PointDefault.x(), Info.PointDefault.y());
      }
      break;
    }
    }
    return;
  }
  for (IZrDemoClient *Client : AllClients()) {
    Client->DemoCommand(Sender, Name, Handled, Action, Params);
    if (Handled)
      return;
  }
}

bool TZrDemoRegistry::TargetPoint(QObject *Component, QPoint &Point)
{
  if (auto *Widget = qobject_cast<QWidget *>(Component)) {
    Point = Widget->mapToGlobal(Centre(QRect(QPoint(0, 0), Widget->size())));
    return true;
  }
  auto *Item = qobject_cast<QAction *>(Component);
  if (!Item)
    return false;
  QMenu *OwnMenu = nullptr;
  QToolBar *Toolbar = nullptr;
  // The tool panel's toolbar lays its buttons out itself.
  TZrWrapToolbar *WrapToolbar = nullptr;
  for (QObject *Holder : Item->associatedObjects()) {
    if (auto *Menu = qobject_cast<QMenu *>(Holder); Menu && !OwnMenu)
      OwnMenu = Menu;
    else if (auto *Bar = qobject_cast<QToolBar *>(Holder); Bar && !Toolbar)
      Toolbar = Bar;
    else if (auto *Wrap = qobject_cast<TZrWrapToolbar *>(Holder); Wrap && !WrapToolbar)
      WrapToolbar = Wrap;
  }
  if (OwnMenu) {
    // The open popup when it shows the item, else the item's own menu.
    QMenu *Shown = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QMenu *Menu = (Shown && Shown->actions().contains(Item)) ? Shown : OwnMenu;
    Point = Menu->mapToGlobal(Centre(Menu->actionGeometry(Item)));
    return true;
  }
  if (Toolbar) {
    // An item not shown on its toolbar (hidden, or beyond the toolbar's
    // end) has no point, yet counts as found.
    QWidget *Button = Toolbar->widgetForAction(Item);
    if (Button && Button->isVisible() && Item->isVisible() && Toolbar->isVisible())
      Point = Button->mapToGlobal(Centre(QRect(QPoint(0, 0), Button->size())));
    return true;
  }
  if (WrapToolbar) {
    QWidget *Button = WrapToolbar->WidgetForAction(Item);
    if (Button && Button->isVisible() && Item->isVisible() && WrapToolbar->isVisible())
      Point = Button->mapToGlobal(Centre(QRect(QPoint(0, 0), Button->size())));
    return true;
  }
  return false;
}

void TZrDemoRegistry::ResolveTarget(IZrDemoPlayback *Sender, const TZrDemoScriptParams &Params,
                                    bool &Handled, QPoint &Point)
{
  const QString Name = QString::fromStdString(Params.StringArgument(0)).toUpper();
  for (const TComponentInfo &Info : Components) {
    if (Info.Name != Name)
      continue;
    if (Info.Component && TargetPoint(Info.Component, Point)) {
      Handled = true;
      return;
    }
    break; // another kind of component: the clients may know the name
  }
  for (IZrDemoClient *Client : AllClients()) {
    Client->DemoTargetPosition(Sender, Params, Handled, Point);
    if (Handled)
      return;
  }
}

} // namespace facette
