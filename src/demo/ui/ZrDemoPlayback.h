// Demo playback: runs a demo script over the live program.
//
// Every 10 ms one step of the current script line runs on the main thread:
// pointer paths are animated in real time, buttons are pressed through the
// demo pointer, messages appear in balloons next to the pointer, and every
// other command is handed to the program's modules by name (the demo
// registry), which execute it or tell where a named target lies on the
// screen. A key of the interrupt set stops the demonstration; switching
// away from the program and modal windows suspend it. The same object
// records scripts: while recording, the editor, the view and the tools
// append lines describing what the user does.
//
// Commands (the first word of a line, any case) and their arguments:
//
//   Pause [seconds]                      1 second by default
//   Message text [, seconds [, placement]]
//                                        a balloon for 3 seconds by default;
//                                        "&n" is interface string n, "%key"
//                                        the demo file's text of that key
//   MouseTo target                       jumps there
//   MouseMove target                     a straight eased path
//   MouseCurvedMove target               a path bowing sideways
//   MouseClick [target]                  straight path, left press, release
//   MouseDrag target                     left press, curved path, release
//   MouseDblClick [target], MouseRightClick [target]
//   MouseDown, MouseUp, MouseRightDown, MouseRightUp
//   MouseSpeed n                         5 by default: 4 ms a pixel
//   anything else                        a command of a module ("UNDO",
//                                        "ZOOMIN", "Smudge", "SmudgeSize 20")
//
// A target is either two numbers, a screen point, or a name the modules
// know, with arguments: "Image, x, y" is the point (x, y) of the image
// mapped through the current view, "Smudge" the smudge tool's button,
// "ZoomIn" the zoom-in button, and so on. Lines starting with "#" are
// directives (demo/ZrDemoLanguage.h) or comments.
#pragma once

#include "demo/ui/ZrDemoHooks.h"
#include "demo/ZrDemoScript.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace facette {

class IZrDemoPointer;
class TZrBalloon;
class TZrDemoPlayback;

// The action one script line plays (the base of every action class).
class TZrDemoAction
{
public:
  TZrDemoAction(TZrDemoPlayback &Playback, const TZrDemoScriptParams &Params);
  virtual ~TZrDemoAction();
  TZrDemoAction(const TZrDemoAction &) = delete;
  TZrDemoAction &operator=(const TZrDemoAction &) = delete;

  bool Started = false;
  TZrDemoPlayback &Playback;
  TZrDemoScriptParams Params;

  virtual void Start() {}
  virtual bool IsDone() { return true; }
  // Starts the action the first time, then advances it.
  virtual void Step();
  virtual void Suspend() {}
  virtual void Resume() {}
  virtual void Cancel() {}
};
using TZrDemoScriptAction = TZrDemoAction;

class TZrDemoScriptMouseToAction : public TZrDemoAction
{
public:
  using TZrDemoAction::TZrDemoAction;
  QPoint Target;
  void Start() override;
  bool IsDone() override { return true; }
  void Step() override;
};

class TZrDemoScriptMouseSpeedAction : public TZrDemoAction
{
public:
  using TZrDemoAction::TZrDemoAction;
  void Start() override;
  bool IsDone() override { return true; }
};

class TZrDemoScriptMouseMoveAction : public TZrDemoAction
{
public:
  using TZrDemoAction::TZrDemoAction;
  int StartX = 0, StartY = 0, TargetX = 0, TargetY = 0;
  int64_t Duration = 0, Elapsed = 0, LastTick = 0;
  double DeltaX = 0, DeltaY = 0;
  int Curvature = 0;
  bool Done = false;
  void Start() override;
  bool IsDone() override { return Done; }
  void Step() override;
  void Resume() override;
  // The point of the path at eased progress E (0 to 1).
  QPoint PathPoint(double E) const;
};

class TZrDemoScriptMouseCurvedMoveAction : public TZrDemoScriptMouseMoveAction
{
public:
  using TZrDemoScriptMouseMoveAction::TZrDemoScriptMouseMoveAction;
  void Start() override;
};

class TZrDemoScriptPauseAction : public TZrDemoAction
{
public:
  using TZrDemoAction::TZrDemoAction;
  int64_t Duration = 0, Elapsed = 0, LastTick = 0;
  void Start() override;
  bool IsDone() override { return Elapsed >= Duration; }
  void Step() override;
  void Resume() override;
};

class TZrDemoScriptBalloonAction : public TZrDemoScriptPauseAction
{
public:
  using TZrDemoScriptPauseAction::TZrDemoScriptPauseAction;
  ~TZrDemoScriptBalloonAction() override;
  bool CursorHidden = false;
  int AnchorX = 0, AnchorY = 0;
  QString Text;
  QPointer<TZrBalloon> Balloon;
  int Placement = 0;
  void Start() override;
  void Suspend() override;
  void Resume() override;

private:
  void ShowBalloon();
  void HideBalloon();
};

class TZrDemoScriptMouseLeftDownAction : public TZrDemoAction
{
public:
  using TZrDemoAction::TZrDemoAction;
  void Step() override;
};

class TZrDemoScriptMouseLeftUpAction : public TZrDemoAction
{
public:
  using TZrDemoAction::TZrDemoAction;
  void Step() override;
};

class TZrDemoScriptMouseRightDownAction : public TZrDemoAction
{
public:
  using TZrDemoAction::TZrDemoAction;
  void Step() override;
};

class TZrDemoScriptMouseRightUpAction : public TZrDemoAction
{
public:
  using TZrDemoAction::TZrDemoAction;
  void Step() override;
};

// A sequence of actions played one after the other.
class TZrDemoScriptMacroAction : public TZrDemoAction
{
public:
  using TZrDemoAction::TZrDemoAction;
  std::vector<std::unique_ptr<TZrDemoAction>> Actions;
  size_t Index = 0;
  bool IsDone() override { return Index >= Actions.size(); }
  void Step() override;
  void Suspend() override;
  void Resume() override;
  void Cancel() override;
  // Appends an action made with this action's playback and arguments.
  template <class T> T &Add(const TZrDemoScriptParams &ActionParams)
  {
    auto Action = std::make_unique<T>(Playback, ActionParams);
    T &Ref = *Action;
    Actions.push_back(std::move(Action));
    return Ref;
  }
};

// A command of a module. A module may append actions to it while it
// handles the command; they play afterwards.
class TZrDemoScriptUserAction : public TZrDemoScriptMacroAction
{
public:
  TZrDemoScriptUserAction(TZrDemoPlayback &Playback, const TZrDemoScriptParams &Params,
                          QString Command);
  QString Command;
  void Start() override;
};

class TZrDemoPlayback : public QObject, public IZrDemoPlayback
{
  Q_OBJECT

public:
  enum : uint8_t
  {
    psStopped = 0,
    psPlaying = 1,
    psSuspended = 2,
    psStopping = 3,
    psRecording = 4
  };

  explicit TZrDemoPlayback(QObject *Parent = nullptr);
  ~TZrDemoPlayback() override;

  TZrDemoScript Script;
  uint32_t LineIndex = 0;
  int RecordIndex = 0;
  uint8_t State = psStopped;
  int SuspendCount = 0;
  std::unique_ptr<TZrDemoAction> CurrentAction;

  std::function<void(TZrDemoPlayback *Sender)> OnResume;
  std::function<void(TZrDemoPlayback *Sender)> OnSuspend;
  // Line is the script line that was playing. Without a handler, or when
  // it leaves Stop set, the demonstration ends.
  std::function<void(TZrDemoPlayback *Sender, const QString &Message, bool &Stop,
                     const QString &Line)>
      OnError;
  std::function<void(TZrDemoPlayback *Sender, bool &Cancel)> OnBeforePlay;
  // Without a handler an interrupt key stops at once.
  std::function<void(TZrDemoPlayback *Sender, bool &Stop)> OnStopQuery;
  std::function<void(TZrDemoPlayback *Sender)> OnFinish;
  std::function<void(TZrDemoPlayback *Sender, const TZrDemoScriptParams &Params, bool &Handled,
                     QPoint &Point)>
      OnGetTarget;
  std::function<void(TZrDemoPlayback *Sender, const QString &Command, bool &Handled,
                     TZrDemoAction *Action, const TZrDemoScriptParams &Params)>
      OnCommand;
  uint16_t MouseSpeed = 5;
  int CursorX = 0, CursorY = 0;
  std::function<void(TZrDemoPlayback *Sender)> OnRecordStop;
  std::function<void(TZrDemoPlayback *Sender)> OnRecordStart;
  std::function<void(TZrDemoPlayback *Sender, int Index, const QString &Line)> OnRecordLine;
  bool RecordMessages_ = true;
  // Used by the demo editor only; always on.
  bool RecordUserInterface = true;
  bool ButtonHeld = false;

  // How fast the demonstration runs: pointer speeds are multiplied and
  // pauses and balloon times divided by it; 0 makes every move a jump and
  // skips pauses and balloons.
  double SpeedFactor = 1.0;
  // Whether switching away from the program suspends the demonstration
  // (scripted runs keep going).
  bool SuspendWhenInactive = true;

  // Connects the commands and targets to the registry's dispatch and
  // reports stops to its stop handlers.
  void UseRegistry(TZrDemoRegistry &Registry);
  IZrDemoPointer &Pointer() const { return *Pointer_; }
  void SetPointer(std::unique_ptr<IZrDemoPointer> NewPointer);
  // The millisecond clock of the animations; tests may replace it.
  std::function<int64_t()> Clock;
  int64_t TickCount() const { return Clock(); }

  // Starts playing from StartLine; false while playing or recording.
  bool Play(uint32_t StartLine = 0);
  // Ends the running action and lets go of a button the script holds.
  void Stop();
  void Suspend() override;
  void Resume() override;
  // An interrupt key: asks OnStopQuery and stops when it agrees.
  bool Interrupt();
  void Error(const QString &Message) override;
  bool IsPlaying() const { return State == psPlaying || State == psSuspended; }
  bool IsRecording() const override { return State == psRecording; }
  void SetScript(const TZrDemoScript &Source) { Script.Assign(Source); }
  // Keeps the low 16 bits of Value unless they are 0.
  void SetMouseSpeed(int Value);
  void MoveCursor(QPoint Point);
  QPoint GetCursor() const { return QPoint(CursorX, CursorY); }
  bool ButtonsSwapped() const;

  bool StartRecording(int Index);
  void StopRecording();
  void RecordLine(const QString &Line) override;
  bool RecordMessages() const override { return RecordMessages_; }
  int64_t ScaledPause(int64_t Milliseconds) const override;

  // One tick: advances the current line; false once the playback has
  // ended. Runs from the playback's timer.
  bool Step();
  // The target of a move or jump: two numbers are a screen point, anything
  // else a named target; no arguments, or a name nobody knows (an error),
  // give the current position.
  QPoint TargetFromArguments(const TZrDemoScriptParams &Params);
  // Presses or lets go of the primary (left) or secondary button.
  void PressButton(bool Primary);
  void ReleaseButton(bool Primary);
  // Balloons switch the program's own tool tips off while they show.
  void SetHintsEnabled(bool Enabled) { HintsEnabled = Enabled; }
  // The text of the line that plays (a generated one for a directive) and
  // the line of the demo file it belongs to (0 when unknown).
  const QString &CurrentLine() const { return CurrentLineText; }
  int CurrentFileLine() const { return Script.FileLineOf(LineIndex); }
  // Whether a key stops a running demonstration.
  static bool IsInterruptKey(int Key, Qt::KeyboardModifiers Modifiers);
  // The reaction to the program becoming active or inactive.
  void ApplicationStateChanged(Qt::ApplicationState AppState);

signals:
  // The playback has ended, at the end of the script or stopped.
  void Ended();

protected:
  bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
  std::unique_ptr<TZrDemoAction> ParseLine(const QString &Line);
  void NextLine();
  void InstallHooks();
  void RemoveHooks();
  // The common end of a playback stopped before its end.
  void Abandon();
  void ModalWindowClosed(QObject *Window);

  std::unique_ptr<IZrDemoPointer> Pointer_;
  TZrDemoRegistry *Registry = nullptr;
  QTimer *Timer = nullptr;
  QString CurrentLineText;
  bool HooksInstalled = false;
  bool InStep = false;
  bool HintsEnabled = true;
  bool SuspendedWhileInactive = false;
  std::vector<QPointer<QWidget>> ModalWindows;
};

// Set while the program plays a demo given on its command line: it then
// shows no demonstration list at start-up and asks nothing before or while
// playing.
bool IsScriptedDemoRun();
void SetScriptedDemoRun(bool Value);

} // namespace facette
