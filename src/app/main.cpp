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

int main(int argc, char **argv)
{
  QApplication App(argc, argv);
  QApplication::setApplicationVersion(QStringLiteral(FACETTE_VERSION));
  QApplication::setOrganizationName(QStringLiteral("Facette"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/facette.svg")));

  QCommandLineParser Parser;
  Parser.setApplicationDescription(QStringLiteral("Facette, a portrait retouching editor."));
  Parser.addHelpOption();
  Parser.addVersionOption();
  const QCommandLineOption Screenshot(
      QStringLiteral("screenshot"),
      QStringLiteral("Save a picture of the main window to <file> once it is shown, then quit."),
      QStringLiteral("file"));
  Parser.addOption(Screenshot);
  Parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Image to open."));
  Parser.process(App);

  TZrApplication ZrApp;
  // Interface texts are needed from the first window on.
  InitLocalizerQt(QCoreApplication::applicationDirPath());

  ZrApp.Initialize();
  ZrApp.SetTitle(QStringLiteral("Facette"));
  ZrApp.CreateForm(CommonDataModule);
  ZrApp.CreateModule<TModule>();

  if (Parser.isSet(Screenshot)) {
    const QString Path = Parser.value(Screenshot);
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
