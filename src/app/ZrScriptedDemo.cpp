#include "ZrScriptedDemo.h"

#include "demo/ui/ZrDemoPlayback.h"
#include "demo/ZrDemoScript.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrQtStrings.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace facette {

namespace {

void Report(const QString &Text)
{
  std::fprintf(stderr, "%s\n", Text.toLocal8Bit().constData());
  std::fflush(stderr);
}

// The answer Enter would give: the default button of a message box.
int DefaultAnswer(int Flags)
{
  std::vector<int> Buttons;
  switch (Flags & 0xF) {
  case mb::OKCancel:
    Buttons = {id::OK, id::Cancel};
    break;
  case mb::AbortRetryIgnore:
    Buttons = {id::Abort, id::Retry, id::Ignore};
    break;
  case mb::YesNoCancel:
    Buttons = {id::Yes, id::No, id::Cancel};
    break;
  case mb::YesNo:
    Buttons = {id::Yes, id::No};
    break;
  case mb::RetryCancel:
    Buttons = {id::Retry, id::Cancel};
    break;
  default:
    Buttons = {id::OK};
    break;
  }
  const size_t Default = static_cast<size_t>((Flags & 0x300) >> 8);
  return Buttons[std::min(Default, Buttons.size() - 1)];
}

// The save format whose file mask takes the extension of Name.
std::optional<int32_t> FormatOfName(TZrDocumentFormats &Formats, const QString &Name)
{
  const QString Suffix = QFileInfo(Name).suffix().toLower();
  if (Suffix.isEmpty())
    return std::nullopt;
  TZrFileFormatArray List;
  Formats.GetSaveFormats(List);
  for (const TZrFileFormatInfo &Format : List)
    for (const QString &Mask : ToQString(Format.Mask).split(QLatin1Char(';')))
      if (Mask.trimmed().toLower() == QStringLiteral("*.") + Suffix)
        return Format.Id;
  return std::nullopt;
}

} // namespace

TZrScriptedDemo::TZrScriptedDemo(TZrDemoPlayback &Playback, TZrScriptedDemoOptions Options)
    : Playback(Playback), Options(std::move(Options))
{}

TZrScriptedDemo::~TZrScriptedDemo()
{
  SetScriptedDemoRun(false);
}

bool TZrScriptedDemo::Prepare()
{
  Script = std::make_unique<TZrDemoScript>();
  if (!Script->LoadFromFile(ToUtf8(Options.ScriptFile))) {
    Report(QStringLiteral("%1: cannot read the demo file").arg(Options.ScriptFile));
    return false;
  }
  SetScriptedDemoRun(true);
  TZrApplication &App = ZrApplication();
  App.SaveSettingsOnExit = false;

  Playback.SpeedFactor = Options.Speed;
  // Nobody is asked: an interrupt key stops at once, switching windows
  // does not pause.
  Playback.SuspendWhenInactive = false;
  Playback.OnStopQuery = nullptr;
  Playback.OnBeforePlay = nullptr;
  // The run reports its own end.
  Playback.OnFinish = nullptr;
  Playback.OnError = [this](TZrDemoPlayback *Sender, const QString &Message, bool &Stop,
                            const QString &Line) {
    Stop = true;
    Failed = true;
    const int FileLine = Sender->CurrentFileLine();
    const QString Where = FileLine > 0
                              ? QStringLiteral("%1:%2").arg(Options.ScriptFile).arg(FileLine)
                              : Options.ScriptFile;
    Report(Line.isEmpty() ? QStringLiteral("%1: %2").arg(Where, Message)
                          : QStringLiteral("%1: %2\n    %3").arg(Where, Message, Line));
  };
  // A picture of the screen, for looking at a demo's state:
  // Screenshot "file.png" [, seconds]. With a delay the picture is taken
  // that much later while the script plays on (a balloon of the next line,
  // say).
  const auto Commands = Playback.OnCommand;
  Playback.OnCommand = [this, Commands](TZrDemoPlayback *Sender, const QString &Command,
                                        bool &Handled, TZrDemoAction *Action,
                                        const TZrDemoScriptParams &Params) {
    if (Command != QStringLiteral("SCREENSHOT")) {
      if (Commands)
        Commands(Sender, Command, Handled, Action, Params);
      return;
    }
    Handled = true;
    const QString File = ToQString(Params.StringArgument(0));
    const double Delay = Params.NumberArgument(1).value_or(0);
    QTimer::singleShot(static_cast<int>(std::clamp(Delay, 0.0, 600.0) * 1000), this, [File] {
      QPixmap Picture;
      if (QScreen *Screen = QGuiApplication::primaryScreen())
        Picture = Screen->grabWindow(0);
      if (Picture.isNull() && MainForm())
        Picture = MainForm()->grab();
      if (File.isEmpty() || !Picture.save(File))
        Report(QStringLiteral("facette: cannot write the screenshot \"%1\"").arg(File));
    });
  };
  connect(&Playback, &TZrDemoPlayback::Ended, this, &TZrScriptedDemo::Finish);

  App.SetMessageBoxHandler([this](const QString &Text, const QString &, int Flags) {
    // An error shown while playing fails the script, with its line.
    if ((Flags & 0xF0) == mb::IconError && Playback.IsPlaying()) {
      Playback.Error(Text);
      return DefaultAnswer(Flags);
    }
    Report(QStringLiteral("facette: message: %1").arg(Text));
    return DefaultAnswer(Flags);
  });
  return true;
}

void TZrScriptedDemo::Start()
{
  // Input goes to the window once the window system shows it; give it a
  // few seconds at most.
  auto *Poll = new QTimer(this);
  auto Waited = std::make_shared<int>(0);
  connect(Poll, &QTimer::timeout, this, [this, Poll, Waited] {
    QWidget *Main = MainForm();
    const bool Shown = Main && Main->windowHandle() && Main->windowHandle()->isExposed();
    if (!Shown && ++*Waited < 150)
      return;
    Poll->stop();
    Poll->deleteLater();
    Begin();
  });
  Poll->start(20);
}

void TZrScriptedDemo::Begin()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!Options.ImageFile.isEmpty()) {
    TZrDocument *Doc = nullptr;
    QString Reason;
    if (!Editor || !Editor->OpenQuietly(Options.ImageFile, Doc, &Reason)) {
      Fail(ExitImageNotOpened,
           QStringLiteral("facette: cannot open %1: %2").arg(Options.ImageFile, Reason));
      return;
    }
    // The run never writes the image back, and closing it asks nothing.
    Doc->OpenedByDemo = true;
  }
  Playback.SetScript(*Script);
  if (!Playback.Play() || !Playback.IsPlaying()) {
    Fail(ExitScriptError, QStringLiteral("%1: cannot play the demo").arg(Options.ScriptFile));
    return;
  }
  const double Seconds =
      Options.Timeout > 0 ? Options.Timeout : (Options.Speed > 0 ? 30 * 60 : 5 * 60);
  QTimer::singleShot(static_cast<int>(std::min(Seconds * 1000, 2e9)), this, [this, Seconds] {
    if (!Done && Playback.IsPlaying())
      Playback.Error(
          QStringLiteral("The demonstration did not end within %1 seconds.").arg(Seconds));
  });
}

void TZrScriptedDemo::Finish()
{
  if (Done)
    return;
  if (Failed)
    return Fail(ExitScriptError, {});
  if (Playback.State != TZrDemoPlayback::psStopped)
    return Fail(ExitScriptError, QStringLiteral("%1:%2: The demonstration was stopped.")
                                     .arg(Options.ScriptFile)
                                     .arg(Playback.CurrentFileLine()));
  if (!Options.Screenshot.isEmpty() && MainForm() && !MainForm()->grab().save(Options.Screenshot))
    Report(QStringLiteral("facette: cannot write %1").arg(Options.Screenshot));
  if (!Options.SaveAs.isEmpty()) {
    QString Reason;
    if (!SaveImage(Reason))
      return Fail(ExitSaveFailed,
                  QStringLiteral("facette: cannot save %1: %2").arg(Options.SaveAs, Reason));
  }
  Done = true;
  SetExitCode(ExitPlayed);
  Quit();
}

void TZrScriptedDemo::SetExitCode(int Code)
{
  // A plug-in run ends as plug-in mode says: 0 only when OK wrote the image
  // back, which is all the plug-in goes by.
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!Editor || !Editor->PlugInMode)
    ZrApplication().ExitCode = Code;
}

void TZrScriptedDemo::Fail(int Code, const QString &Message)
{
  Done = true;
  if (!Message.isEmpty())
    Report(Message);
  SetExitCode(Code);
  Quit();
}

bool TZrScriptedDemo::SaveImage(QString &Reason)
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  if (!Doc) {
    Reason = QStringLiteral("there is no image");
    return false;
  }
  const std::optional<int32_t> Format = FormatOfName(Editor->Formats(), Options.SaveAs);
  if (!Format) {
    Reason = QStringLiteral("the extension names no image format (use .jpg, .png, .tif or .bmp)");
    return false;
  }
  // No dialog: a JPEG opened as one keeps its quality and subsampling (its
  // lossless object knows them); any other image is written at 90.
  TZrDocumentImageFormats &Formats = Editor->ImageFormats();
  const auto Ask = Formats.AskJpegQuality;
  const int32_t Quality = Formats.JpegQuality;
  Formats.AskJpegQuality = nullptr;
  Formats.JpegQuality = 90;
  Formats.LastError.clear();
  const bool Saved = Doc->SaveToFile(std::filesystem::path(ToUtf8(Options.SaveAs)), *Format);
  Formats.AskJpegQuality = Ask;
  Formats.JpegQuality = Quality;
  if (!Saved)
    Reason = Formats.LastError.empty() ? QStringLiteral("the file cannot be written")
                                       : ToQString(Formats.LastError);
  return Saved;
}

void TZrScriptedDemo::Quit()
{
  // The run's image is never saved on the way out.
  if (TZrGraphicsEditor *Editor = GraphicsEditor())
    if (TZrDocument *Doc = Editor->CurrentDocument())
      Doc->Saved = true;
  QTimer::singleShot(0, [] {
    // A window left open by the script would keep its own loop running.
    while (QWidget *Modal = QApplication::activeModalWidget()) {
      Modal->close();
      if (QApplication::activeModalWidget() == Modal)
        break;
    }
    if (QWidget *Main = MainForm())
      Main->close();
    QCoreApplication::exit(ZrApplication().ExitCode);
  });
}

} // namespace facette
