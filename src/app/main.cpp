// Program entry of the Facette editor.
#include "framework/ui/ZrLocalizerQt.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char **argv)
{
  QApplication app(argc, argv);
  QApplication::setApplicationName("Facette");
  QApplication::setApplicationVersion(FACETTE_VERSION);
  // Interface texts are needed from the first window on.
  facette::InitLocalizerQt(QApplication::applicationDirPath());

  QCommandLineParser parser;
  parser.setApplicationDescription("Facette portrait retouching editor");
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption screenshot("screenshot",
                                "Save a picture of the main window to <file> once it is shown, "
                                "then quit.",
                                "file");
  parser.addOption(screenshot);
  parser.addPositionalArgument("file", "Image to open.");
  parser.process(app);

  QMainWindow window;
  window.setWindowTitle("Facette");
  window.resize(534, 458);
  window.show();
  if (parser.isSet(screenshot)) {
    const QString path = parser.value(screenshot);
    QTimer::singleShot(500, &window, [&window, path] {
      window.grab().save(path);
      QApplication::quit();
    });
  }
  return app.exec();
}
