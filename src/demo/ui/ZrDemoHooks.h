// How demo scripts reach the program: every module registers its controls
// and commands by name, and modules that answer commands or targets of their
// own (the editor, every graphics tool) implement IZrDemoClient.
#pragma once

#include "demo/ZrDemoScriptParams.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QWidget;

namespace facette {

// What a client may use of the running playback (the playback itself is
// the demonstration module's).
class IZrDemoPlayback
{
public:
  virtual ~IZrDemoPlayback() = default;
  virtual bool IsRecording() const = 0;
  virtual void RecordLine(const QString &Line) = 0;
  // Whether recorders also write a balloon line naming the command.
  virtual bool RecordMessages() const = 0;
  // Nested suspension around modal or long work.
  virtual void Suspend() = 0;
  virtual void Resume() = 0;
  // A command could not do what the script asked ("Cannot open the
  // file."): the playback shows Message with the script line and normally
  // ends the demonstration.
  virtual void Error(const QString &Message) { (void)Message; }
  // How long a command's own pause of Milliseconds at normal speed (a
  // word typed letter by letter) lasts in this demonstration: scaled like
  // the script's pauses, 0 where they are skipped.
  virtual int64_t ScaledPause(int64_t Milliseconds) const { return Milliseconds; }
};

// The user action a script line belongs to; opaque to clients.
class TZrDemoAction;

class IZrDemoClient
{
public:
  virtual ~IZrDemoClient() = default;
  // Command is the script's command word in upper case; set Handled when
  // the command was executed.
  virtual void DemoCommand(IZrDemoPlayback *Playback, const QString &Command, bool &Handled,
                           TZrDemoAction *Action, const TZrDemoScriptParams &Params) = 0;
  // The first argument, in upper case, names a target; set Handled and the
  // target's screen point when the name is known.
  virtual void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                                  bool &Handled, QPoint &Point) = 0;
  virtual void AttachPlayback(IZrDemoPlayback *Playback) = 0;
  virtual void DetachPlayback() = 0;
};

// What a demonstration needs of the program around it: a demo plays on its
// own image, so the user's images are put aside first and, in plug-in mode,
// given back afterwards. The graphics editor answers (the registry's
// Host).
class IZrDemoHost
{
public:
  virtual ~IZrDemoHost() = default;
  // Closes, without a question, an image a demo script opened.
  virtual void CloseDemoDocument() = 0;
  virtual bool HasDocument() const = 0;
  // Closes the user's images one after the other, each with the usual
  // save question; false when the user keeps one. In plug-in mode the
  // image is written back to the file it came from before it closes, and
  // ReopenFileName names that file (false, with the image kept, when the
  // write fails).
  virtual bool CloseDocumentsForDemo(QString &ReopenFileName) = 0;
  virtual bool InPlugInMode() const = 0;
  // Opens an image put aside for a demonstration again.
  virtual void ReopenAfterDemo(const QString &FileName) = 0;
  // Demonstrations point at the tools: their panel is shown.
  virtual void ShowToolPanel() = 0;
};

// The two name registries and the dispatch the playback uses. The program
// has one (DemoRegistry()), which modules fill from their construction
// on; the demonstration module's playback plays through it.
class TZrDemoRegistry
{
public:
  TZrDemoRegistry();
  ~TZrDemoRegistry();

  static TZrDemoRegistry &Instance();

  void RegisterDemoComponent(const QString &Name, QObject *Component);
  void RegisterDemoCommand(const QString &Name, std::function<void()> Method);
  // A notify handler is called with its sender.
  void RegisterDemoCommand(const QString &Name, std::function<void(QObject *)> Event,
                           QObject *Sender);
  void RegisterDemoBooleanCommand(const QString &Name, std::function<void(bool)> Method,
                                  bool Default);
  void RegisterDemoIntegerCommand(const QString &Name, std::function<void(int)> Method,
                                  int Default);
  void RegisterDemoPointCommand(const QString &Name, std::function<void(int, int)> Method,
                                QPoint Default);
  // A component that is also a command (a button pressed by name).
  void RegisterDemoButton(const QString &Name, QObject *Button,
                          std::function<void(QObject *)> Event);

  // Called when a running demonstration is stopped before its end (by the
  // user or by an error), before a button the script holds is let go: the
  // graphics editor ends the current tool's mouse action when ButtonHeld
  // and cancels what the tool has pending.
  void RegisterDemoStopHandler(std::function<void(bool ButtonHeld)> Handler);
  void DemoStopped(bool ButtonHeld);

  // The playback the recording calls write to (nil when none runs).
  IZrDemoPlayback *Playback = nullptr;
  // The text recorders put into the balloon line they write for a click
  // (the demo editor lets the author change it).
  QString RecordMessageText = QStringLiteral("Click");
  // The program around the demonstrations; nil until the editor exists.
  IZrDemoHost *Host = nullptr;
  void RecordDemoLine(const QString &Line);
  void RecordDemoMove(const QString &Target);
  void RecordDemoCommand(const QString &Name, const QString &Args = {});

  // Runs Command: the first registered command of that name, else the
  // first client that handles it.
  void DispatchCommand(IZrDemoPlayback *Sender, const QString &Command, bool &Handled,
                       TZrDemoAction *Action, const TZrDemoScriptParams &Params);
  // The screen point of the target named by the first argument.
  void ResolveTarget(IZrDemoPlayback *Sender, const TZrDemoScriptParams &Params, bool &Handled,
                     QPoint &Point);

  // The clients asked after the registries, in component order; by default
  // every application component that implements IZrDemoClient.
  std::function<std::vector<IZrDemoClient *>()> Clients;
  // The clients as Clients gives them, or the application's.
  std::vector<IZrDemoClient *> AllClients() const;

  // The screen point of a control, a menu item or a toolbar item. False
  // when the object is none of these kinds; Point is left alone for an item
  // that is not placed anywhere visible.
  static bool TargetPoint(QObject *Component, QPoint &Point);

private:
  struct TComponentInfo
  {
    QString Name;
    QPointer<QObject> Component;
  };
  enum class TKind
  {
    Plain,
    Notify,
    Boolean,
    Integer,
    Point
  };
  struct TCommandInfo
  {
    QString Name;
    TKind Kind = TKind::Plain;
    std::function<void()> Plain;
    std::function<void(QObject *)> Notify;
    QPointer<QObject> Sender;
    std::function<void(bool)> Boolean;
    bool BooleanDefault = false;
    std::function<void(int)> Integer;
    int IntegerDefault = 0;
    std::function<void(int, int)> Point;
    QPoint PointDefault;
  };
  void AddCommand(TCommandInfo Info);

  std::vector<TComponentInfo> Components;
  std::vector<TCommandInfo> Commands;
  std::vector<std::function<void(bool)>> StopHandlers;
};

inline TZrDemoRegistry &DemoRegistry()
{
  return TZrDemoRegistry::Instance();
}

} // namespace facette
