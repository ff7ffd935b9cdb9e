// Program entry of the Facette editor.
#include "CommonData.h"
#include "Module.h"

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

  TOptions()
  {
    Parser.setApplicationDescription(QStringLiteral("Facette, a portrait retouching editor."));
    Parser.addHelpOption();
    Parser.addVersionOption();
    Parser.addOption(Screenshot);
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
