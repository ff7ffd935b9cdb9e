#include "editor/ui/ZrProgressMeter.h"

#include <QGuiApplication>

namespace facette {

namespace {

TProgressMeter *Global = nullptr;

} // namespace

TProgressMeter::TProgressMeter(QProgressBar *Bar, QObject *Parent) : QObject(Parent), Bar(Bar)
{
  if (!Global)
    Global = this;
  if (Bar)
    Bar->setTextVisible(false);
  Show();
}

TProgressMeter::~TProgressMeter()
{
  if (Global == this)
    Global = nullptr;
}

TProgressMeter *ProgressMeter()
{
  return Global;
}

void TProgressMeter::Start(int32_t Max)
{
  Maximum_ = Max != 0 ? Max : DefaultMax;
  Position_ = 0;
  Show();
}

void TProgressMeter::Step()
{
  ++Position_;
  if (Position_ > Maximum_)
    Position_ = 0;
  Show();
}

void TProgressMeter::Show()
{
  if (!Bar)
    return;
  // A bar with an empty range shows Qt's "busy" animation; an operation
  // without steps shows an empty bar instead.
  Bar->setRange(0, std::max(Maximum_, 1));
  Bar->setValue(std::clamp(Position_, 0, std::max(Maximum_, 1)));
}

TZrBusyWork::TZrBusyWork(int32_t MeterSteps)
{
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  if (MeterSteps > 0 && (Meter = ProgressMeter()))
    Meter->Start(MeterSteps);
}

TZrBusyWork::~TZrBusyWork()
{
  if (Meter)
    Meter->Start(0);
  QGuiApplication::restoreOverrideCursor();
}

void TZrBusyWork::Progress(int32_t Done)
{
  if (!Meter)
    return;
  for (; Shown < Done && Shown < Meter->Maximum(); ++Shown)
    Meter->Step();
}

} // namespace facette
