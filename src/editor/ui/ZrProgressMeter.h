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

} // namespace facette
