// The application object and the module contract.
//
// The program is assembled at start-up from modules owned by the one
// application object. Each module, form and frame reads its node of the
// settings file, re-captions itself when the language changes and refreshes
// the state of its controls when the program is idle.
#pragma once

#include "framework/ZrMethodList.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>

class QWidget;

namespace facette {

class TZrSDFReader;
class TZrSDFWriter;

// The contract between the application and every module, form and frame.
class IZrModule
{
public:
  virtual ~IZrModule() = default;
  virtual void Initialize() = 0;
  virtual void LoadSettings(TZrSDFReader &Reader) = 0;
  virtual void SaveSettings(TZrSDFWriter &Writer) = 0;
  virtual void Start() = 0;
};

// Windows message-box flags and results, kept so that callers and demo
// scripts use the same numbers everywhere.
namespace mb {
constexpr int OK = 0x0;
constexpr int OKCancel = 0x1;
constexpr int AbortRetryIgnore = 0x2;
constexpr int YesNoCancel = 0x3;
constexpr int YesNo = 0x4;
constexpr int RetryCancel = 0x5;
constexpr int IconError = 0x10;
constexpr int IconQuestion = 0x20;
constexpr int IconWarning = 0x30;
constexpr int IconInformation = 0x40;
constexpr int DefButton2 = 0x100;
constexpr int DefButton3 = 0x200;
} // namespace mb
namespace id {
constexpr int OK = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace id

class TZrApplication : public QObject
{
  Q_OBJECT

public:
  TZrApplication();
  ~TZrApplication() override;

  // The one instance; it exists from the start of main to its end.
  static TZrApplication &Instance();
  static bool Exists();

  void Initialize();
  void SetTitle(const QString &Text);
  const QString &Title() const { return Title_; }
  std::function<void(QObject *Sender)> OnTitleChange;

  // Creates a form or module owned by the application. Ref is set before
  // the constructor runs, so code called during construction can already
  // reach the object through it; if the constructor throws, Ref is nil again
  // and the exception goes on. The first widget created becomes the main
  // window. An object with an AfterConstruction operation has it called
  // once the constructor is through.
  template <class T, class... TArgs> T *CreateModule(T *&Ref, TArgs &&...Args);
  template <class T, class... TArgs> T *CreateModule(TArgs &&...Args)
  {
    T *Ref = nullptr;
    return CreateModule<T>(Ref, std::forward<TArgs>(Args)...);
  }
  template <class T, class... TArgs> T *CreateForm(T *&Ref, TArgs &&...Args)
  {
    return CreateModule<T>(Ref, std::forward<TArgs>(Args)...);
  }

  int ComponentCount() const { return static_cast<int>(Components.size()); }
  QObject *Component(int Index) const { return Components.at(static_cast<size_t>(Index)); }
  QWidget *MainForm() const { return MainForm_; }

  // Load pass, message loop until the main window closes, save pass.
  // Returns ExitCode.
  int Run();
  // Whether Run ends with the save pass. A scripted run leaves the user's
  // settings as they were.
  bool SaveSettingsOnExit = true;
  // The process's exit code; -1 (255 on POSIX) until the plug-in exchange
  // reports success in plug-in mode.
  int ExitCode = 0;
  // Where the settings live: Facette/Facette.cfg in the user's configuration
  // folder, else the program's own name with ".cfg" beside it.
  QString SettingsFileName() const;
  static QString SettingsFileNameFor(const QString &ConfigFolder, const QString &ProgramPath);
  // Tests and portable installations may point the settings elsewhere.
  void SetSettingsFileName(const QString &FileName) { SettingsOverride = FileName; }
  void LoadSettings();
  // Writes the settings file once, atomically: a failed write leaves the
  // previous file as it was. Returns false when it could not be written.
  bool SaveSettings();

  void AddIdleHandler(const TZrMethod &Method) { IdleHandlers.Add(Method); }
  int RemoveIdleHandler(const TZrMethod &Method) { return IdleHandlers.Remove(Method); }
  // Calls every idle handler; runs from the event loop when it is about to
  // wait for events.
  void DispatchIdle();

  // Queues a call to run later on the main thread, one call per event, in
  // posting order. Does nothing before the main window exists.
  void PostCall(const TZrMethod &Method);
  // Runs the oldest posted call; the main window calls it for each event.
  void RunPostedCall();
  int PostedCallCount() const { return PostedCalls.Count(); }

  // A message box with Windows flag and result numbers. A handler can be
  // installed to answer instead of the user (tests, demo playback).
  int MessageBox(const QString &Text, const QString &Caption, int Flags);
  int MessageBox(const QString &Text, int Flags) { return MessageBox(Text, Title_, Flags); }
  using TMessageBoxHandler =
      std::function<int(const QString &Text, const QString &Caption, int Flags)>;
  void SetMessageBoxHandler(TMessageBoxHandler Handler) { MessageBoxHandler = std::move(Handler); }

  // Shows an internal failure the way the toolkit's default handler would.
  void ShowException(const std::exception &Error);

private:
  template <class T> void AfterCreate(T *Object);
  std::vector<IZrModule *> Modules() const;

  TZrMethodList IdleHandlers;
  TZrMethodList PostedCalls;
  QString Title_;
  QString SettingsOverride;
  std::vector<QObject *> Components;
  QPointer<QWidget> MainForm_;
  TMessageBoxHandler MessageBoxHandler;
  bool InIdle = false;
};

// Shorthands used throughout the program.
inline TZrApplication &ZrApplication()
{
  return TZrApplication::Instance();
}

// The event that runs one posted call on the main window.
int PostedCallEventType();

template <class T, class... TArgs> T *TZrApplication::CreateModule(T *&Ref, TArgs &&...Args)
{
  // The storage is known, and registered with the application, before the
  // constructor runs: modules created during another module's construction
  // then follow it in the component order.
  void *Storage = ::operator new(sizeof(T));
  Ref = static_cast<T *>(Storage);
  QObject *Placeholder = nullptr;
  Components.push_back(Placeholder);
  const size_t Slot = Components.size() - 1;
  T *Object;
  try {
    Object = new (Storage) T(std::forward<TArgs>(Args)...);
  } catch (...) {
    Components.erase(Components.begin() + static_cast<std::ptrdiff_t>(Slot));
    ::operator delete(Storage);
    Ref = nullptr;
    throw;
  }
  Ref = Object;
  Components[Slot] = Object;
  AfterCreate(Object);
  return Object;
}

template <class T> void TZrApplication::AfterCreate(T *Object)
{
  if constexpr (std::is_base_of_v<QWidget, T>) {
    if (!MainForm_)
      MainForm_ = Object;
  }
  // A class that finishes its set-up once fully built (virtual calls then
  // reach the most derived class) says so with AfterConstruction.
  if constexpr (requires { Object->AfterConstruction(); })
    Object->AfterConstruction();
}

} // namespace facette
