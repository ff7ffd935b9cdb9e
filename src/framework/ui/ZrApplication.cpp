#include "framework/ui/ZrApplication.h"

#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

#include <cassert>

namespace facette {

namespace {

TZrApplication *Global = nullptr;

} // namespace

int PostedCallEventType()
{
  // One number for the whole program, registered once.
  static const int Type = QEvent::registerEventType(QEvent::User + 100);
  return Type;
}

TZrApplication::TZrApplication()
{
  assert(!Global && "one application object per process");
  Global = this;
}

TZrApplication::~TZrApplication()
{
  // Components go last-created first, so nothing outlives what it was
  // built on.
  while (!Components.empty()) {
    QObject *Last = Components.back();
    Components.pop_back();
    delete Last;
  }
  Global = nullptr;
}

TZrApplication &TZrApplication::Instance()
{
  assert(Global);
  return *Global;
}

bool TZrApplication::Exists()
{
  return Global != nullptr;
}

void TZrApplication::Initialize()
{
  // Idle processing: the dispatcher announces each time the event loop is
  // about to wait for new events.
  if (QAbstractEventDispatcher *Dispatcher = QAbstractEventDispatcher::instance())
    connect(Dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
            &TZrApplication::DispatchIdle, Qt::UniqueConnection);
}

void TZrApplication::SetTitle(const QString &Text)
{
  Title_ = Text;
  QCoreApplication::setApplicationName(Text);
  if (OnTitleChange)
    OnTitleChange(this);
}

std::vector<IZrModule *> TZrApplication::Modules() const
{
  std::vector<IZrModule *> Result;
  for (QObject *Component : Components)
    if (auto *Module = dynamic_cast<IZrModule *>(Component))
      Result.push_back(Module);
  return Result;
}

int TZrApplication::Run()
{
  LoadSettings();
  if (MainForm_) {
    // The loop ends when the main window has closed (its close may be
    // refused by the editor's question about unsaved work); other windows
    // closing do not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (!MainForm_->isVisible())
      MainForm_->show();
    QCoreApplication::exec();
  }
  if (SaveSettingsOnExit)
    SaveSettings();
  return ExitCode;
}

QString TZrApplication::SettingsFileName() const
{
  if (!SettingsOverride.isEmpty())
    return SettingsOverride;
  return SettingsFileNameFor(
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
      QCoreApplication::applicationFilePath());
}

QString TZrApplication::SettingsFileNameFor(const QString &ConfigFolder, const QString &ProgramPath)
{
  if (!ConfigFolder.isEmpty())
    return QDir(ConfigFolder).filePath(QStringLiteral("Facette/Facette.cfg"));
  const QFileInfo Program(ProgramPath);
  return Program.dir().filePath(Program.completeBaseName() + QStringLiteral(".cfg"));
}

void TZrApplication::LoadSettings()
{
  // A missing or unreadable file is no error: every module keeps its
  // defaults. The file is small, so it is read whole and parsed in memory.
  std::unique_ptr<TZrSDFReader> Reader;
  QFile File(SettingsFileName());
  if (QFileInfo(File).isFile() && File.open(QIODevice::ReadOnly)) {
    const QByteArray Bytes = File.readAll();
    File.close();
    auto Stream =
        std::make_unique<TZrMemoryStream>(std::vector<uint8_t>(Bytes.begin(), Bytes.end()));
    Reader = std::make_unique<TZrSDFReader>(std::move(Stream));
  }
  const std::vector<IZrModule *> All = Modules();
  for (IZrModule *Module : All) {
    if (Reader)
      Module->LoadSettings(*Reader);
    Module->Initialize();
  }
  Reader.reset();
  for (IZrModule *Module : Modules())
    Module->Start();
}

bool TZrApplication::SaveSettings()
{
  auto Stream = std::make_unique<TZrMemoryStream>();
  TZrMemoryStream *Memory = Stream.get();
  TZrSDFWriter Writer(std::move(Stream));
  for (IZrModule *Module : Modules())
    Module->SaveSettings(Writer);
  const std::vector<uint8_t> &Bytes = Memory->Bytes();
  if (Bytes.empty())
    return true;

  // Written beside the old file and renamed over it only once complete, so
  // a crash or a full disk never leaves a truncated settings file.
  const QString FileName = SettingsFileName();
  if (!QDir().mkpath(QFileInfo(FileName).absolutePath()))
    return false;
  QSaveFile File(FileName);
  if (!File.open(QIODevice::WriteOnly))
    return false;
  const qint64 Size = static_cast<qint64>(Bytes.size());
  if (File.write(reinterpret_cast<const char *>(Bytes.data()), Size) != Size) {
    File.cancelWriting();
    return false;
  }
  return File.commit();
}

void TZrApplication::DispatchIdle()
{
  // A handler that opens a dialog runs a nested loop, which becomes idle in
  // turn; one pass at a time is enough.
  if (InIdle)
    return;
  InIdle = true;
  // Handlers may remove themselves (or others) while the list is walked.
  for (int I = 0; I < IdleHandlers.Count(); ++I) {
    TZrMethod Handler;
    if (IdleHandlers.Get(I, Handler)) {
      try {
        Handler();
      } catch (const std::exception &Error) {
        InIdle = false;
        ShowException(Error);
        return;
      }
    }
  }
  InIdle = false;
}

void TZrApplication::PostCall(const TZrMethod &Method)
{
  if (!MainForm_)
    return;
  PostedCalls.Add(Method);
  if (PostedCalls.Count() == 1)
    QCoreApplication::postEvent(MainForm_, new QEvent(QEvent::Type(PostedCallEventType())));
}

void TZrApplication::RunPostedCall()
{
  TZrMethod Call;
  if (!PostedCalls.Get(0, Call))
    return;
  // The call stays queued while it runs, so calls it posts wait for their
  // own events after the ones already waiting.
  try {
    Call();
  } catch (const std::exception &Error) {
    ShowException(Error);
  }
  PostedCalls.Delete(0);
  if (PostedCalls.Count() > 0 && MainForm_)
    QCoreApplication::postEvent(MainForm_, new QEvent(QEvent::Type(PostedCallEventType())));
}

int TZrApplication::MessageBox(const QString &Text, const QString &Caption, int Flags)
{
  if (MessageBoxHandler)
    return MessageBoxHandler(Text, Caption, Flags);

  QMessageBox Box(MainForm_);
  Box.setWindowTitle(Caption);
  Box.setText(Text);
  switch (Flags & 0xF0) {
  case mb::IconError:
    Box.setIcon(QMessageBox::Critical);
    break;
  case mb::IconQuestion:
    Box.setIcon(QMessageBox::Question);
    break;
  case mb::IconWarning:
    Box.setIcon(QMessageBox::Warning);
    break;
  case mb::IconInformation:
    Box.setIcon(QMessageBox::Information);
    break;
  default:
    break;
  }
  struct TButton
  {
    QMessageBox::StandardButton Button;
    int Result;
  };
  std::vector<TButton> Buttons;
  switch (Flags & 0xF) {
  case mb::OKCancel:
    Buttons = {{QMessageBox::Ok, id::OK}, {QMessageBox::Cancel, id::Cancel}};
    break;
  case mb::AbortRetryIgnore:
    Buttons = {{QMessageBox::Abort, id::Abort},
               {QMessageBox::Retry, id::Retry},
               {QMessageBox::Ignore, id::Ignore}};
    break;
  case mb::YesNoCancel:
    Buttons = {
        {QMessageBox::Yes, id::Yes}, {QMessageBox::No, id::No}, {QMessageBox::Cancel, id::Cancel}};
    break;
  case mb::YesNo:
    Buttons = {{QMessageBox::Yes, id::Yes}, {QMessageBox::No, id::No}};
    break;
  case mb::RetryCancel:
    Buttons = {{QMessageBox::Retry, id::Retry}, {QMessageBox::Cancel, id::Cancel}};
    break;
  default:
    Buttons = {{QMessageBox::Ok, id::OK}};
    break;
  }
  QMessageBox::StandardButtons Standard;
  for (const TButton &B : Buttons)
    Standard |= B.Button;
  Box.setStandardButtons(Standard);
  const size_t Default = (Flags & mb::DefButton3) ? 2 : (Flags & mb::DefButton2) ? 1 : 0;
  if (Default < Buttons.size())
    Box.setDefaultButton(Buttons[Default].Button);
  const auto Clicked = static_cast<QMessageBox::StandardButton>(Box.exec());
  for (const TButton &B : Buttons)
    if (B.Button == Clicked)
      return B.Result;
  // Closed with Escape or the title bar: Cancel where there is one, else the
  // only answer the box offers (as the system box does).
  for (const TButton &B : Buttons)
    if (B.Result == id::Cancel)
      return id::Cancel;
  return Buttons.size() == 1 ? Buttons.front().Result : id::Cancel;
}

void TZrApplication::ShowException(const std::exception &Error)
{
  QMessageBox::critical(MainForm_, Title_, QString::fromUtf8(Error.what()));
}

} // namespace facette
