// A demo played from the command line, for automation and tests:
//
//   facette --demo FILE [--demo-speed N] [--save-as OUT] [IMAGE]
//
// opens IMAGE if given, plays FILE over the live window, saves the current
// image to OUT (format from the extension, no dialog; a JPEG keeps the
// quality and subsampling of its original, else 90) and exits with
//   0  the script played to its end (and the image was saved),
//   1  the script failed: a line that cannot be read, an unknown command or
//      target, a command that reported an error, the stop key, or no end
//      within the time limit (file, line and reason on standard error),
//   2  the image could not be saved,
//   3  IMAGE could not be opened.
// A plug-in's exchange file as IMAGE makes it a plug-in run, which ends
// with plug-in mode's code instead: 0 once OK wrote the image back into the
// file, 255 otherwise.
// N multiplies the pointer speed and divides pauses and balloon times; 0
// makes every move a jump and skips pauses and balloons. Message boxes
// do not wait for anyone: their texts go to standard error and they take
// their default answer; one with the error icon fails the script.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace facette {

class TZrDemoPlayback;
class TZrDemoScript;

struct TZrScriptedDemoOptions
{
  QString ScriptFile;
  QString ImageFile; // empty: none
  QString SaveAs;    // empty: no save
  // A picture of the main window when the demo has played (empty: none).
  QString Screenshot;
  double Speed = 1;
  // Seconds; 0 chooses: 5 minutes at speed 0, else 30 minutes.
  double Timeout = 0;
};

class TZrScriptedDemo : public QObject
{
  Q_OBJECT

public:
  static constexpr int ExitPlayed = 0;
  static constexpr int ExitScriptError = 1;
  static constexpr int ExitSaveFailed = 2;
  static constexpr int ExitImageNotOpened = 3;

  TZrScriptedDemo(TZrDemoPlayback &Playback, TZrScriptedDemoOptions Options);
  ~TZrScriptedDemo() override;

  // Reads the script and sets the program up for the run (before the
  // application runs). False, with the reason on standard error, when the
  // script cannot be read.
  bool Prepare();
  // Opens the image and starts playing once the main window is up; the
  // program ends when the run is over, with the run's exit code.
  void Start();

private:
  void Begin();
  void Finish();
  void Fail(int Code, const QString &Message);
  void SetExitCode(int Code);
  bool SaveImage(QString &Reason);
  void Quit();

  TZrDemoPlayback &Playback;
  TZrScriptedDemoOptions Options;
  std::unique_ptr<TZrDemoScript> Script;
  bool Failed = false;
  bool Done = false;
};

} // namespace facette
