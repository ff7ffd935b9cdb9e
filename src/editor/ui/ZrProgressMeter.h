// The progress indicator of long tool operations, in the status bar.
#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressBar>

#include <cstdint>

namespace facette {

class TProgressMeter : public QObject
{
  Q_OBJECT

public:
  // Works over Bar (which belongs to the status bar). The one program-wide
  // meter is made at start-up and reached through ProgressMeter().
  explicit TProgressMeter(QProgressBar *Bar, QObject *Parent = nullptr);
  ~TProgressMeter() override;

  QPointer<QProgressBar> Bar;
  // The maximum used when Start is given 0.
  int32_t DefaultMax = 0;

  // Empties the bar for an operation of Max steps.
  void Start(int32_t Max);
  // One step further; past the end the bar starts again from empty, as a
  // long operation of unknown length keeps showing that it is busy.
  void Step();

  int32_t Position() const { return Position_; }
  int32_t Maximum() const { return Maximum_; }

private:
  void Show();

  int32_t Maximum_ = 0;
  int32_t Position_ = 0;
};

// The program's meter; nil before start-up made it (and in tests of single
// modules), so callers check.
TProgressMeter *ProgressMeter();

// A long piece of work on the main thread, for as long as the object
// lives: the busy pointer and, for work of MeterSteps steps, the program's
// meter stepped along with it. Both are put back at the end, also when the
// work ends by an exception.
class TZrBusyWork
{
public:
  explicit TZrBusyWork(int32_t MeterSteps = 0);
  ~TZrBusyWork();
  TZrBusyWork(const TZrBusyWork &) = delete;
  TZrBusyWork &operator=(const TZrBusyWork &) = delete;

  // Done of the steps are finished (the meter never goes back).
  void Progress(int32_t Done);

private:
  TProgressMeter *Meter = nullptr;
  int32_t Shown = 0;
};

} // namespace facette
