// Program entry of the Facette editor.
#include "CommonData.h"
#include "Module.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrLocalizer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

#include <cstdio>

using namespace facette;

namespace {

struct TOptions
{
  QCommandLineParser Parser;
  QCommandLineOption Screenshot{
      QStringLiteral("screenshot"),
      QStringLiteral("Save a picture of the main window to <file> once it is shown, then quit."),
      QStringLiteral("file")};

  // For looking at the program from scripts: runs demo commands (such as
  // ZOOMIN) once the window is up, before a screenshot is taken.
  QCommandLineOption Command{QStringLiteral("command"),
                             QStringLiteral("Run the demo command <name> after start-up."),
                             QStringLiteral("name")};

  TOptions()
  {
    Command.setFlags(QCommandLineOption::HiddenFromHelp);
    Parser.setApplicationDescription(QStringLiteral("Facette, a portrait retouching editor."));
    Parser.addHelpOption();
    Parser.addVersionOption();
    Parser.addOption(Screenshot);
    Parser.addOption(Command);
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

  TZrApplication ZrApp;
  // Interface texts are needed from the first window on.
  InitLocalizerQt(QCoreApplication::applicationDirPath());

  ZrApp.Initialize();
  ZrApp.SetTitle(QStringLiteral("Facette"));
  ZrApp.CreateForm(CommonDataModule);
  ZrApp.CreateModule<TModule>();
  // The file to open is the first argument that is not an option.
  if (TZrGraphicsEditor *Editor = GraphicsEditor())
    Editor->CommandLine = Options.Parser.positionalArguments();

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

  if (Options.Parser.isSet(Options.Screenshot)) {
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
