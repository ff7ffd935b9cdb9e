// Program entry of the Facette editor.
#include "CommonData.h"
#include "Module.h"
#include "ZrScriptedDemo.h"

#include "demo/ui/ZrDemoHooks.h"
#include "demo/ui/ZrDemonstration.h"
#include "demo/ui/ZrDemoPlayback.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrLocalizer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>

using namespace facette;

namespace {

struct TOptions
{
  QCommandLineParser Parser;
  QCommandLineOption Screenshot{
      QStringLiteral("screenshot"),
      QStringLiteral("Save a picture of the main window to <file> once it is shown (with --demo: "
                     "once the demo has played), then quit."),
      QStringLiteral("file")};

  // For looking at the program from scripts: runs demo commands (such as
  // ZOOMIN) once the window is up, before a screenshot is taken.
  QCommandLineOption Command{QStringLiteral("command"),
                             QStringLiteral("Run the demo command <name> after start-up."),
                             QStringLiteral("name")};

  // Scripted runs, for automation and tests.
  QCommandLineOption Demo{
      QStringLiteral("demo"),
      QStringLiteral("Play the demo script <file> over the window (opening the image given, if "
                     "any), then exit: 0 when it played to its end (and --save-as saved), 1 on "
                     "a script error (file, line and reason on standard error), 2 when the save "
                     "failed, 3 when the image cannot be opened."),
      QStringLiteral("file")};
  QCommandLineOption DemoSpeed{
      QStringLiteral("demo-speed"),
      QStringLiteral("With --demo: multiply the pointer speed and divide pauses by <n> (1 by "
                     "default); 0 makes every move a jump and skips pauses and messages."),
      QStringLiteral("n")};
  QCommandLineOption SaveAs{
      QStringLiteral("save-as"),
      QStringLiteral("With --demo: save the image to <file> when the demo has played, in the "
                     "format of its extension (.jpg, .png, .tif, .bmp), without asking."),
      QStringLiteral("file")};
  QCommandLineOption DemoTimeout{QStringLiteral("demo-timeout"),
                                 QStringLiteral("With --demo: fail when the demo has not ended "
                                                "after <seconds>."),
                                 QStringLiteral("seconds")};

  TOptions()
  {
    Command.setFlags(QCommandLineOption::HiddenFromHelp);
    DemoTimeout.setFlags(QCommandLineOption::HiddenFromHelp);
    Parser.setApplicationDescription(QStringLiteral("Facette, a portrait retouching editor."));
    Parser.addHelpOption();
    Parser.addVersionOption();
    Parser.addOption(Screenshot);
    Parser.addOption(Command);
    Parser.addOption(Demo);
    Parser.addOption(DemoSpeed);
    Parser.addOption(SaveAs);
    Parser.addOption(DemoTimeout);
    Parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Image to open."));
  }
};

bool AsksForHelpOrVersion(int argc, char **argv)
{
  for (int I = 1; I < argc; ++I) {
    const QByteArray Arg(argv[I]);
    if (Arg == "--help" || Arg == "-h" || Arg == "--help-all" || Arg == "--version" || Arg == "-v")
      return true;
  }
  return false;
}

} // namespace

int main(int argc, char **argv)
{
  QCoreApplication::setApplicationName(QStringLiteral("Facette"));
  QCoreApplication::setApplicationVersion(QStringLiteral(FACETTE_VERSION));
  // Help and version need no window system (and work without a display).
  if (AsksForHelpOrVersion(argc, argv)) {
    QCoreApplication Core(argc, argv);
    TOptions Options;
    Options.Parser.process(Core);
    return 0;
  }

  QApplication App(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Facette"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/facette.svg")));
  TOptions Options;
  Options.Parser.process(App);

  const bool Scripted = Options.Parser.isSet(Options.Demo);
  if (!Scripted &&
      (Options.Parser.isSet(Options.SaveAs) || Options.Parser.isSet(Options.DemoSpeed) ||
       Options.Parser.isSet(Options.DemoTimeout))) {
    std::fprintf(stderr, "facette: --save-as, --demo-speed and --demo-timeout go with --demo\n");
    return 1;
  }
  TZrScriptedDemoOptions DemoOptions;
  if (Scripted) {
    DemoOptions.ScriptFile = Options.Parser.value(Options.Demo);
    DemoOptions.ImageFile = Options.Parser.positionalArguments().value(0);
    DemoOptions.SaveAs = Options.Parser.value(Options.SaveAs);
    DemoOptions.Screenshot = Options.Parser.value(Options.Screenshot);
    const auto Number = [&Options](const QCommandLineOption &Option, double &Value) {
      if (!Options.Parser.isSet(Option))
        return true;
      bool Ok = false;
      Value = Options.Parser.value(Option).toDouble(&Ok);
      if (Ok && std::isfinite(Value) && Value >= 0)
        return true;
      std::fprintf(stderr, "facette: --%s takes a number of 0 or more\n",
                   qPrintable(Option.names().first()));
      return false;
    };
    if (!Number(Options.DemoSpeed, DemoOptions.Speed) ||
        !Number(Options.DemoTimeout, DemoOptions.Timeout))
      return 1;
  }

  TZrApplication ZrApp;
  // Interface texts are needed from the first window on.
  InitLocalizerQt(QCoreApplication::applicationDirPath());

  // Known before the modules are made: they start differently for it (no
  // demonstration list, no questions).
  SetScriptedDemoRun(Scripted);

  ZrApp.Initialize();
  ZrApp.SetTitle(QStringLiteral("Facette"));
  ZrApp.CreateForm(CommonDataModule);
  ZrApp.CreateModule<TModule>();

  // The run plays on the program's one playback, the demonstration
  // module's.
  std::unique_ptr<TZrScriptedDemo> ScriptedDemo;
  if (Scripted) {
    TZrDemonstrationModule *Demonstrations = DemonstrationModule();
    if (!Demonstrations) {
      std::fprintf(stderr, "facette: the demonstrations are missing\n");
      return TZrScriptedDemo::ExitScriptError;
    }
    ScriptedDemo = std::make_unique<TZrScriptedDemo>(*Demonstrations->Playback, DemoOptions);
    if (!ScriptedDemo->Prepare())
      return TZrScriptedDemo::ExitScriptError;
  }
  // The file to open is the first argument that is not an option.
  // (A scripted run opens its image itself.)
  if (TZrGraphicsEditor *Editor = GraphicsEditor(); Editor && !Scripted)
    Editor->CommandLine = Options.Parser.positionalArguments();
  if (ScriptedDemo)
    ScriptedDemo->Start();

  const QStringList Commands = Options.Parser.values(Options.Command);
  if (!Commands.isEmpty())
    QTimer::singleShot(700, [Commands] {
      for (const QString &Command : Commands) {
        bool Handled = false;
        DemoRegistry().DispatchCommand(nullptr, Command.toUpper(), Handled, nullptr,
                                       TZrDemoScriptParams());
        if (!Handled)
          std::fprintf(stderr, "facette: no command %s\n", qPrintable(Command));
      }
    });

  if (Options.Parser.isSet(Options.Screenshot) && !Scripted) {
    const QString Path = Options.Parser.value(Options.Screenshot);
    QTimer::singleShot(1500, [Path] {
      if (TMainForm *Main = MainForm()) {
        if (!Main->grab().save(Path))
          std::fprintf(stderr, "facette: cannot write %s\n", qPrintable(Path));
        Main->close();
      }
    });
  }
  return ZrApp.Run();
}
