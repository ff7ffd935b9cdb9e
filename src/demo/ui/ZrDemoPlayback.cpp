#include "demo/ui/ZrDemoPlayback.h"

#include "demo/ui/ZrBalloon.h"
#include "demo/ui/ZrDemoPointer.h"
#include "demo/ZrDemoLanguage.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrLocalizer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QToolTip>
#include <QWidget>

#include <cmath>
#include <numbers>

namespace facette {

namespace {

// The tick of the playback.
constexpr int TickMilliseconds = 10;

int64_t RoundToInt64(double Value)
{
  return static_cast<int64_t>(std::nearbyint(Value));
}

// A duration of the script scaled by the speed factor; 0 skips it.
int64_t Scaled(double Milliseconds, double SpeedFactor)
{
  if (!(SpeedFactor > 0) || !std::isfinite(Milliseconds))
    return 0;
  return RoundToInt64(Milliseconds / SpeedFactor);
}

} // namespace

// ---------------------------------------------------------------------------
// Actions

TZrDemoAction::TZrDemoAction(TZrDemoPlayback &Playback, const TZrDemoScriptParams &Source)
    : Playback(Playback)
{
  Params.Assign(&Source);
}

TZrDemoAction::~TZrDemoAction() = default;

void TZrDemoAction::Step()
{
  if (!Started) {
    Started = true;
    Start();
  }
}

void TZrDemoScriptMouseToAction::Start()
{
  Target = Playback.TargetFromArguments(Params);
}

void TZrDemoScriptMouseToAction::Step()
{
  TZrDemoAction::Step();
  Playback.MoveCursor(Target);
}

void TZrDemoScriptMouseSpeedAction::Start()
{
  if (const std::optional<int32_t> Speed = Params.IntegerArgument(0))
    Playback.SetMouseSpeed(*Speed);
}

void TZrDemoScriptMouseMoveAction::Start()
{
  const QPoint From = Playback.GetCursor();
  StartX = From.x();
  StartY = From.y();
  const QPoint To = Playback.TargetFromArguments(Params);
  TargetX = To.x();
  TargetY = To.y();
  DeltaX = TargetX - StartX;
  DeltaY = TargetY - StartY;
  const double Distance = std::sqrt(DeltaX * DeltaX + DeltaY * DeltaY);
  Done = Distance == 0;
  if (Done)
    return;
  LastTick = Playback.TickCount();
  Elapsed = 0;
  // 20 / MouseSpeed milliseconds a pixel: 4 at the default speed 5.
  Duration = Scaled(Distance * 20 / Playback.MouseSpeed, Playback.SpeedFactor);
  // Too short to animate (or a jump at speed 0).
  if (Duration <= 0)
    Done = true;
}

QPoint TZrDemoScriptMouseMoveAction::PathPoint(double E) const
{
  double OffsetX = 0, OffsetY = 0;
  if (Curvature != 0 && DeltaX != 0 && DeltaY != 0) {
    const double Amplitude = std::min(std::abs(DeltaX), std::abs(DeltaY)) / Curvature;
    const double S = std::sin(std::numbers::pi * E);
    const double L = std::sqrt(DeltaX * DeltaX + DeltaY * DeltaY);
    OffsetX = S * DeltaY * Amplitude / L;
    OffsetY = S * DeltaX * Amplitude / L;
  }
  return QPoint(StartX + static_cast<int>(RoundToInt64(DeltaX * E + OffsetX)),
                StartY + static_cast<int>(RoundToInt64(DeltaY * E + OffsetY)));
}

void TZrDemoScriptMouseMoveAction::Step()
{
  TZrDemoAction::Step();
  if (Done) {
    Playback.MoveCursor(QPoint(TargetX, TargetY));
    return;
  }
  const int64_t Delta = Playback.TickCount() - LastTick;
  const double T = static_cast<double>(Elapsed + Delta) / static_cast<double>(Duration);
  QPoint Position(TargetX, TargetY);
  if (T >= 1) {
    Done = true;
  } else {
    // Slow at both ends, fastest in the middle.
    const double E = T < 0.5 ? 2 * T * T : 1 - 2 * (1 - T) * (1 - T);
    Position = PathPoint(E);
  }
  Elapsed += Delta;
  LastTick += Delta;
  Playback.MoveCursor(Position);
}

void TZrDemoScriptMouseMoveAction::Resume()
{
  // Time spent suspended does not count.
  LastTick = Playback.TickCount();
}

void TZrDemoScriptMouseCurvedMoveAction::Start()
{
  TZrDemoScriptMouseMoveAction::Start();
  Curvature = 3;
}

void TZrDemoScriptPauseAction::Start()
{
  double Milliseconds = 1000;
  if (const std::optional<double> Seconds = Params.NumberArgument(0))
    Milliseconds = *Seconds * 1000;
  Duration = Scaled(Milliseconds, Playback.SpeedFactor);
  Elapsed = 0;
  LastTick = Playback.TickCount();
}

void TZrDemoScriptPauseAction::Step()
{
  TZrDemoAction::Step();
  const int64_t Now = Playback.TickCount();
  Elapsed += Now - LastTick;
  LastTick = Now;
  // A pointer the user moved meanwhile is put back.
  if (Playback.Pointer().Position() != Playback.GetCursor())
    Playback.MoveCursor(Playback.GetCursor());
}

void TZrDemoScriptPauseAction::Resume()
{
  LastTick = Playback.TickCount();
}

TZrDemoScriptBalloonAction::~TZrDemoScriptBalloonAction()
{
  HideBalloon();
}

void TZrDemoScriptBalloonAction::Start()
{
  double Milliseconds = 3000;
  Placement = 0;
  if (Params.ArgumentCount() > 0) {
    Text = QString::fromStdString(Params.StringArgument(0));
    if (Text.size() > 1 && Text.front() == QLatin1Char('%')) {
      Text = QString::fromStdString(Playback.Script.Text(Text.mid(1).toStdString()));
    } else if (Text.size() > 1 && Text.front() == QLatin1Char('&')) {
      bool Ok = false;
      const int Id = Text.mid(1).toInt(&Ok);
      if (Ok)
        Text = LocalString(Id, Text);
    }
    if (const std::optional<double> Seconds = Params.NumberArgument(1))
      Milliseconds = *Seconds * 1000;
    if (const std::optional<double> Where = Params.NumberArgument(2);
        Where && *Where > 0 && *Where <= 4)
      Placement = Params.IntegerArgument(2).value_or(0);
  }
  Duration = Scaled(Milliseconds, Playback.SpeedFactor);
  Elapsed = 0;
  LastTick = Playback.TickCount();
  const QPoint Anchor = Playback.GetCursor();
  AnchorX = Anchor.x();
  AnchorY = Anchor.y();
  // An empty text, or a run that skips pauses, shows nothing.
  if (Text.isEmpty() || Duration <= 0) {
    Duration = 0;
    return;
  }
  ShowBalloon();
}

void TZrDemoScriptBalloonAction::ShowBalloon()
{
  Playback.SetHintsEnabled(false);
  QToolTip::hideText();
  if (!Balloon)
    Balloon = new TZrBalloon;
  Balloon->ShowAt(AnchorX, AnchorY, Placement, Text);
  if (!CursorHidden) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    CursorHidden = true;
  }
}

void TZrDemoScriptBalloonAction::HideBalloon()
{
  Playback.SetHintsEnabled(true);
  delete Balloon.data();
  if (CursorHidden) {
    QGuiApplication::restoreOverrideCursor();
    CursorHidden = false;
  }
}

void TZrDemoScriptBalloonAction::Suspend()
{
  HideBalloon();
}

void TZrDemoScriptBalloonAction::Resume()
{
  TZrDemoScriptPauseAction::Resume();
  if (Started && !Text.isEmpty() && !IsDone())
    ShowBalloon();
}

void TZrDemoScriptMouseLeftDownAction::Step()
{
  TZrDemoAction::Step();
  Playback.PressButton(true);
}

void TZrDemoScriptMouseLeftUpAction::Step()
{
  TZrDemoAction::Step();
  Playback.ReleaseButton(true);
}

void TZrDemoScriptMouseRightDownAction::Step()
{
  TZrDemoAction::Step();
  Playback.PressButton(false);
}

void TZrDemoScriptMouseRightUpAction::Step()
{
  TZrDemoAction::Step();
  Playback.ReleaseButton(false);
}

void TZrDemoScriptMacroAction::Step()
{
  TZrDemoAction::Step();
  if (Index >= Actions.size())
    return;
  TZrDemoAction &Action = *Actions[Index];
  Action.Step();
  if (Action.IsDone())
    ++Index;
}

void TZrDemoScriptMacroAction::Suspend()
{
  if (Index < Actions.size())
    Actions[Index]->Suspend();
}

void TZrDemoScriptMacroAction::Resume()
{
  if (Index < Actions.size())
    Actions[Index]->Resume();
}

void TZrDemoScriptMacroAction::Cancel()
{
  if (Index < Actions.size())
    Actions[Index]->Cancel();
}

TZrDemoScriptUserAction::TZrDemoScriptUserAction(TZrDemoPlayback &Playback,
                                                 const TZrDemoScriptParams &Params,
                                                 QString NewCommand)
    : TZrDemoScriptMacroAction(Playback, Params), Command(NewCommand.trimmed().toUpper())
{}

void TZrDemoScriptUserAction::Start()
{
  bool Handled = false;
  if (Playback.OnCommand)
    Playback.OnCommand(&Playback, Command, Handled, this, Params);
  if (!Handled)
    Playback.Error(QStringLiteral("Unknown command: \"%1\"").arg(Command));
}

// ---------------------------------------------------------------------------
// Playback

TZrDemoPlayback::TZrDemoPlayback(QObject *Parent)
    : QObject(Parent), Pointer_(CreateDemoPointer()), Timer(new QTimer(this))
{
  auto Started = std::make_shared<QElapsedTimer>();
  Started->start();
  Clock = [Started] { return static_cast<int64_t>(Started->elapsed()); };
  Timer->setInterval(TickMilliseconds);
  Timer->setTimerType(Qt::PreciseTimer);
  connect(Timer, &QTimer::timeout, this, [this] {
    if (!Step()) {
      Timer->stop();
      emit Ended();
    }
  });
}

TZrDemoPlayback::~TZrDemoPlayback()
{
  Timer->stop();
  RemoveHooks();
  CurrentAction.reset();
  // Never leave a button of the pointer held down.
  if (ButtonHeld)
    ReleaseButton(true);
  if (Registry && Registry->Playback == this)
    Registry->Playback = nullptr;
}

int64_t TZrDemoPlayback::ScaledPause(int64_t Milliseconds) const
{
  return Scaled(static_cast<double>(Milliseconds), SpeedFactor);
}

void TZrDemoPlayback::UseRegistry(TZrDemoRegistry &NewRegistry)
{
  Registry = &NewRegistry;
  Registry->Playback = this;
  OnCommand = [&NewRegistry](TZrDemoPlayback *Sender, const QString &Command, bool &Handled,
                             TZrDemoAction *Action, const TZrDemoScriptParams &Params) {
    NewRegistry.DispatchCommand(Sender, Command, Handled, Action, Params);
  };
  OnGetTarget = [&NewRegistry](TZrDemoPlayback *Sender, const TZrDemoScriptParams &Params,
                               bool &Handled, QPoint &Point) {
    NewRegistry.ResolveTarget(Sender, Params, Handled, Point);
  };
}

void TZrDemoPlayback::SetPointer(std::unique_ptr<IZrDemoPointer> NewPointer)
{
  if (NewPointer)
    Pointer_ = std::move(NewPointer);
}

bool TZrDemoPlayback::Play(uint32_t StartLine)
{
  if (IsPlaying() || IsRecording())
    return false;
  DemoLanguage().Clear();
  bool Cancel = false;
  if (OnBeforePlay)
    OnBeforePlay(this, Cancel);
  if (Cancel)
    return true;
  State = psPlaying;
  LineIndex = StartLine;
  // A playback that ended with an error was left suspended once.
  SuspendCount = 0;
  ButtonHeld = false;
  CurrentAction.reset();
  CurrentLineText.clear();
  const QPoint At = Pointer_->Position();
  CursorX = At.x();
  CursorY = At.y();
  InstallHooks();
  Timer->start();
  return true;
}

void TZrDemoPlayback::Stop()
{
  if (CurrentAction)
    CurrentAction->Cancel();
  if (ButtonHeld) {
    ReleaseButton(true);
    ButtonHeld = false;
  }
}

void TZrDemoPlayback::Abandon()
{
  // The tool hears of the stop while the button is still down, so that it
  // ends its stroke as it is; then the button is let go.
  if (Registry)
    Registry->DemoStopped(ButtonHeld);
  Stop();
}

void TZrDemoPlayback::Suspend()
{
  if (State == psPlaying) {
    if (CurrentAction)
      CurrentAction->Suspend();
    State = psSuspended;
    if (OnSuspend)
      OnSuspend(this);
  }
  ++SuspendCount;
}

void TZrDemoPlayback::Resume()
{
  // More resumptions than suspensions are ignored rather than leaving the
  // count below 0, which would keep the next suspension forever.
  if (SuspendCount > 0)
    --SuspendCount;
  if (SuspendCount == 0 && State == psSuspended) {
    if (OnResume)
      OnResume(this);
    if (CurrentAction)
      CurrentAction->Resume();
    State = psPlaying;
  }
}

bool TZrDemoPlayback::Interrupt()
{
  if (!IsPlaying())
    return false;
  Suspend();
  bool DoStop = true;
  if (OnStopQuery)
    OnStopQuery(this, DoStop);
  if (DoStop) {
    Abandon();
    State = psStopping;
    SuspendCount = 0;
  } else {
    Resume();
  }
  return DoStop;
}

void TZrDemoPlayback::Error(const QString &Message)
{
  bool DoStop = true;
  if (!IsPlaying()) {
    if (OnError)
      OnError(this, Message, DoStop, CurrentLineText);
    return;
  }
  Suspend();
  if (OnError)
    OnError(this, Message, DoStop, CurrentLineText);
  if (DoStop) {
    Abandon();
    State = psStopping;
  } else {
    Resume();
  }
}

void TZrDemoPlayback::SetMouseSpeed(int Value)
{
  const uint16_t Low = static_cast<uint16_t>(static_cast<uint32_t>(Value) & 0xFFFFu);
  if (Low != 0)
    MouseSpeed = Low;
}

void TZrDemoPlayback::MoveCursor(QPoint Point)
{
  CursorX = Point.x();
  CursorY = Point.y();
  Pointer_->MoveTo(Point);
}

bool TZrDemoPlayback::ButtonsSwapped() const
{
  return Pointer_->ButtonsSwapped();
}

void TZrDemoPlayback::PressButton(bool Primary)
{
  if (Pointer_->Position() != GetCursor())
    Pointer_->MoveTo(GetCursor());
  Pointer_->Press(Primary != ButtonsSwapped() ? Qt::LeftButton : Qt::RightButton);
  if (Primary)
    ButtonHeld = true;
}

void TZrDemoPlayback::ReleaseButton(bool Primary)
{
  Pointer_->Release(Primary != ButtonsSwapped() ? Qt::LeftButton : Qt::RightButton);
  if (Primary)
    ButtonHeld = false;
}

QPoint TZrDemoPlayback::TargetFromArguments(const TZrDemoScriptParams &Params)
{
  QPoint Point = GetCursor();
  if (Params.ArgumentCount() == 0)
    return Point;
  if (Params.IsNumeric(0) && Params.IsNumeric(1))
    return QPoint(Params.IntegerArgument(0).value_or(Point.x()),
                  Params.IntegerArgument(1).value_or(Point.y()));
  bool Handled = false;
  if (OnGetTarget)
    OnGetTarget(this, Params, Handled, Point);
  if (!Handled) {
    Error(QStringLiteral("Invalid arguments."));
    return GetCursor();
  }
  return Point;
}

std::unique_ptr<TZrDemoAction> TZrDemoPlayback::ParseLine(const QString &Line)
{
  std::string Command, Arguments;
  if (!SplitDemoLine(Line.toStdString(), Command, Arguments))
    return nullptr;
  TZrDemoScriptParams Params;
  Params.Parse(Arguments);
  const auto Is = [&Command](std::initializer_list<const char *> Names) {
    for (const char *Name : Names)
      if (Command == Name)
        return true;
    return false;
  };
  const TZrDemoScriptParams None;
  const auto Macro = [&] { return std::make_unique<TZrDemoScriptMacroAction>(*this, Params); };

  if (Is({"PAUSE"}))
    return std::make_unique<TZrDemoScriptPauseAction>(*this, Params);
  if (Is({"MESSAGE"}))
    return std::make_unique<TZrDemoScriptBalloonAction>(*this, Params);
  if (Is({"MOUSETO"}))
    return std::make_unique<TZrDemoScriptMouseToAction>(*this, Params);
  if (Is({"MOUSEMOVE"}))
    return std::make_unique<TZrDemoScriptMouseMoveAction>(*this, Params);
  if (Is({"MOUSECURVEDMOVE"}))
    return std::make_unique<TZrDemoScriptMouseCurvedMoveAction>(*this, Params);
  if (Is({"MOUSECLICK", "MOUSELEFTCLICK"})) {
    auto Action = Macro();
    Action->Add<TZrDemoScriptMouseMoveAction>(Params);
    Action->Add<TZrDemoScriptMouseLeftDownAction>(None);
    Action->Add<TZrDemoScriptMouseLeftUpAction>(None);
    return Action;
  }
  if (Is({"MOUSEDRAG", "MOUSEDRAGANDDROP"})) {
    auto Action = Macro();
    Action->Add<TZrDemoScriptMouseLeftDownAction>(None);
    Action->Add<TZrDemoScriptMouseCurvedMoveAction>(Params);
    Action->Add<TZrDemoScriptMouseLeftUpAction>(None);
    return Action;
  }
  if (Is({"MOUSEDBLCLICK", "MOUSELEFTDBLCLICK"})) {
    auto Action = Macro();
    Action->Add<TZrDemoScriptMouseCurvedMoveAction>(Params);
    for (int I = 0; I < 2; ++I) {
      Action->Add<TZrDemoScriptMouseLeftDownAction>(None);
      Action->Add<TZrDemoScriptMouseLeftUpAction>(None);
    }
    return Action;
  }
  if (Is({"MOUSERIGHTCLICK"})) {
    auto Action = Macro();
    Action->Add<TZrDemoScriptMouseCurvedMoveAction>(Params);
    Action->Add<TZrDemoScriptMouseRightDownAction>(None);
    Action->Add<TZrDemoScriptMouseRightUpAction>(None);
    return Action;
  }
  if (Is({"MOUSEDOWN", "MOUSELEFTDOWN"}))
    return std::make_unique<TZrDemoScriptMouseLeftDownAction>(*this, Params);
  if (Is({"MOUSEUP", "MOUSELEFTUP"}))
    return std::make_unique<TZrDemoScriptMouseLeftUpAction>(*this, Params);
  if (Is({"MOUSERIGHTDOWN"}))
    return std::make_unique<TZrDemoScriptMouseRightDownAction>(*this, Params);
  if (Is({"MOUSERIGHTUP"}))
    return std::make_unique<TZrDemoScriptMouseRightUpAction>(*this, Params);
  if (Is({"MOUSESPEED"}))
    return std::make_unique<TZrDemoScriptMouseSpeedAction>(*this, Params);
  return std::make_unique<TZrDemoScriptUserAction>(*this, Params, QString::fromStdString(Command));
}

void TZrDemoPlayback::NextLine()
{
  TZrDemoLanguage &Language = DemoLanguage();
  const auto Decoded = [this](const std::string &Raw) {
    return QString::fromStdString(Script.Decode(Raw, CurrentLanguage()));
  };
  if (Language.IsEmpty()) {
    const std::vector<std::string> &Lines = Script.Lines();
    CurrentLineText = Decoded(Lines[LineIndex]);
    if (!Language.ExpandDirective(Lines, LineIndex)) {
      CurrentAction = ParseLine(CurrentLineText);
      return;
    }
    LineIndex = static_cast<uint32_t>(Language.ResumeIndex);
    // A directive that made no lines: play goes on after it.
    if (Language.IsEmpty())
      return;
  }
  CurrentLineText = Decoded(Language.NextPendingLine());
  LineIndex = static_cast<uint32_t>(Language.ResumeIndex);
  CurrentAction = ParseLine(CurrentLineText);
}

bool TZrDemoPlayback::Step()
{
  // A command that runs a modal loop lets the timer tick inside it.
  if (InStep)
    return IsPlaying();
  InStep = true;
  struct TLeave
  {
    bool &Flag;
    ~TLeave() { Flag = false; }
  } Leave{InStep};

  if (State == psPlaying) {
    try {
      if (!CurrentAction) {
        if (LineIndex >= Script.Lines().size() && DemoLanguage().IsEmpty()) {
          // A script that ends holding the button lets it go: the button
          // would stay down for the user otherwise.
          if (ButtonHeld)
            ReleaseButton(true);
          State = psStopped;
          RemoveHooks();
          if (OnFinish)
            OnFinish(this);
          return false;
        }
        NextLine();
      }
      if (CurrentAction) {
        CurrentAction->Step();
        if (CurrentAction && CurrentAction->IsDone())
          CurrentAction.reset();
      }
    } catch (const std::exception &Failure) {
      // A line that cannot be read, or a command that failed: the line
      // ends here.
      CurrentAction.reset();
      Error(QString::fromUtf8(Failure.what()));
    }
    if (!CurrentAction)
      ++LineIndex;
  }
  if (State == psStopping) {
    RemoveHooks();
    CurrentAction.reset();
  }
  return IsPlaying();
}

bool TZrDemoPlayback::StartRecording(int Index)
{
  if (IsPlaying() || IsRecording())
    return false;
  const int Count = static_cast<int>(Script.Lines().size());
  RecordIndex = (Index < 0 || Index > Count) ? Count : Index;
  if (OnRecordStart)
    OnRecordStart(this);
  State = psRecording;
  return true;
}

void TZrDemoPlayback::StopRecording()
{
  if (!IsRecording())
    return;
  if (OnRecordStop)
    OnRecordStop(this);
  State = psStopping;
}

void TZrDemoPlayback::RecordLine(const QString &Line)
{
  if (!IsRecording())
    return;
  Script.InsertLine(static_cast<size_t>(RecordIndex), Line.toStdString());
  if (OnRecordLine)
    OnRecordLine(this, RecordIndex, Line);
  ++RecordIndex;
}

// ---------------------------------------------------------------------------
// Hooks into the application while playing

void TZrDemoPlayback::InstallHooks()
{
  if (HooksInstalled)
    return;
  HooksInstalled = true;
  SuspendedWhileInactive = false;
  ModalWindows.clear();
  qApp->installEventFilter(this);
  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          &TZrDemoPlayback::ApplicationStateChanged);
}

void TZrDemoPlayback::RemoveHooks()
{
  if (!HooksInstalled)
    return;
  HooksInstalled = false;
  qApp->removeEventFilter(this);
  disconnect(qApp, &QGuiApplication::applicationStateChanged, this,
             &TZrDemoPlayback::ApplicationStateChanged);
  for (const QPointer<QWidget> &Window : ModalWindows)
    if (Window)
      disconnect(Window, &QObject::destroyed, this, nullptr);
  ModalWindows.clear();
  HintsEnabled = true;
}

void TZrDemoPlayback::ApplicationStateChanged(Qt::ApplicationState AppState)
{
  if (!SuspendWhenInactive || !IsPlaying())
    return;
  // Suspended once while the program is away, resumed once on return,
  // whatever order the window system reports the changes in.
  if (AppState == Qt::ApplicationActive) {
    if (SuspendedWhileInactive) {
      SuspendedWhileInactive = false;
      Resume();
    }
  } else if (!SuspendedWhileInactive) {
    SuspendedWhileInactive = true;
    Suspend();
  }
}

void TZrDemoPlayback::ModalWindowClosed(QObject *Window)
{
  for (auto It = ModalWindows.begin(); It != ModalWindows.end(); ++It)
    if (It->data() == Window || It->isNull()) {
      ModalWindows.erase(It);
      Resume();
      return;
    }
}

bool TZrDemoPlayback::IsInterruptKey(int Key, Qt::KeyboardModifiers Modifiers)
{
  if ((Key >= Qt::Key_0 && Key <= Qt::Key_9) || (Key >= Qt::Key_A && Key <= Qt::Key_Z) ||
      (Key >= Qt::Key_F1 && Key <= Qt::Key_F24))
    return true;
  switch (Key) {
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
  case Qt::Key_Return:
  case Qt::Key_Enter:
  case Qt::Key_Shift:
  case Qt::Key_Control:
  case Qt::Key_Alt:
  case Qt::Key_AltGr:
  case Qt::Key_Pause:
  case Qt::Key_CapsLock:
  case Qt::Key_Escape:
  case Qt::Key_Space:
  case Qt::Key_End:
  case Qt::Key_Home:
  case Qt::Key_Left:
  case Qt::Key_Up:
  case Qt::Key_Right:
  case Qt::Key_Down:
  case Qt::Key_Print:
  case Qt::Key_SysReq:
  case Qt::Key_Insert:
  case Qt::Key_Delete:
  case Qt::Key_Help:
  case Qt::Key_Meta:
  case Qt::Key_Super_L:
  case Qt::Key_Super_R:
  case Qt::Key_Sleep:
  case Qt::Key_NumLock:
  case Qt::Key_ScrollLock:
    return true;
  // The operators of the numeric keypad; the same keys of the main block
  // (punctuation) do not stop a demonstration.
  case Qt::Key_Asterisk:
  case Qt::Key_Plus:
  case Qt::Key_Comma:
  case Qt::Key_Minus:
  case Qt::Key_Period:
  case Qt::Key_Slash:
    return Modifiers.testFlag(Qt::KeypadModifier);
  default:
    return false;
  }
}

bool TZrDemoPlayback::eventFilter(QObject *Watched, QEvent *Event)
{
  switch (Event->type()) {
  case QEvent::ShortcutOverride:
  case QEvent::KeyPress:
  case QEvent::KeyRelease: {
    if (State != psPlaying)
      break;
    auto *Key = static_cast<QKeyEvent *>(Event);
    if (!IsInterruptKey(Key->key(), Key->modifiers()))
      break;
    // Taken as a key press, not as a shortcut of a menu item.
    if (Event->type() == QEvent::ShortcutOverride) {
      Event->accept();
      return true;
    }
    if (Event->type() == QEvent::KeyPress && !Key->isAutoRepeat())
      Interrupt();
    return true;
  }
  case QEvent::ToolTip:
    if (!HintsEnabled)
      return true;
    break;
  case QEvent::Show: {
    auto *Window = qobject_cast<QWidget *>(Watched);
    if (!Window || !Window->isWindow() || !Window->isModal())
      break;
    for (const QPointer<QWidget> &Known : ModalWindows)
      if (Known == Window)
        return false;
    ModalWindows.emplace_back(Window);
    connect(Window, &QObject::destroyed, this, &TZrDemoPlayback::ModalWindowClosed);
    Suspend();
    break;
  }
  case QEvent::Hide: {
    auto *Window = qobject_cast<QWidget *>(Watched);
    if (!Window || !Window->isWindow())
      break;
    for (const QPointer<QWidget> &Known : ModalWindows)
      if (Known == Window) {
        disconnect(Window, &QObject::destroyed, this, &TZrDemoPlayback::ModalWindowClosed);
        ModalWindowClosed(Window);
        break;
      }
    break;
  }
  default:
    break;
  }
  return false;
}

namespace {
bool ScriptedRun = false;
} // namespace

bool IsScriptedDemoRun()
{
  return ScriptedRun;
}

void SetScriptedDemoRun(bool Value)
{
  ScriptedRun = Value;
}

} // namespace facette
