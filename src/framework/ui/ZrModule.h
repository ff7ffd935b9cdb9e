// Base classes of modules, forms and frames: each registers its Localize
// with the localizer (called at once, and again after every language
// switch) and, if it has controls, its UpdateControls as an idle handler.
//
// A form or frame that belongs to another window (not to the application)
// calls Initialize() itself as the last statement of its constructor; one
// created through the application waits for the load pass.
#pragma once

#include "framework/ui/ZrApplication.h"
#include "framework/ZrLocalizer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>

namespace facette {

class TZrModule : public QObject, public IZrModule
{
  Q_OBJECT

public:
  explicit TZrModule(QObject *Parent = nullptr) : QObject(Parent) {}
  ~TZrModule() override;

  virtual void Localize() {}
  void LoadSettings(TZrSDFReader &) override {}
  void SaveSettings(TZrSDFWriter &) override {}
  void Initialize() override;
  void Start() override {}
};

class TZrModuleWithControls : public TZrModule
{
  Q_OBJECT

public:
  using TZrModule::TZrModule;
  ~TZrModuleWithControls() override;

  void Initialize() override;
  // Sets the enabled, checked and visible states of the module's items
  // from the state of the program; runs whenever the program is idle.
  virtual void UpdateControls() {}
};

// The form contract over any top-level widget class (QMainWindow, QDialog,
// QWidget).
template <class TWidget> class TZrFormT : public TWidget, public IZrModule
{
public:
  explicit TZrFormT(QWidget *Parent = nullptr) : TWidget(Parent) {}
  ~TZrFormT() override
  {
    // Handlers go before the widget does: the localizer's first, then the
    // idle handler.
    UnregisterLocalizeHandler(TZrMethod::Of<&TZrFormT::Localize>(this));
    if (TZrApplication::Exists())
      ZrApplication().RemoveIdleHandler(TZrMethod::Of<&TZrFormT::UpdateControls>(this));
  }

  virtual void Localize() {}
  virtual void UpdateControls() {}
  void LoadSettings(TZrSDFReader &) override {}
  void SaveSettings(TZrSDFWriter &) override {}
  void Start() override {}
  void Initialize() override
  {
    RegisterLocalizeHandler(TZrMethod::Of<&TZrFormT::Localize>(this));
    if (TZrApplication::Exists())
      ZrApplication().AddIdleHandler(TZrMethod::Of<&TZrFormT::UpdateControls>(this));
  }

  // Asked before the window closes; false keeps it open.
  std::function<bool()> OnCloseQuery;

protected:
  bool event(QEvent *Event) override
  {
    if (Event->type() == PostedCallEventType()) {
      ZrApplication().RunPostedCall();
      return true;
    }
    return TWidget::event(Event);
  }

  void closeEvent(QCloseEvent *Event) override
  {
    if (OnCloseQuery && !OnCloseQuery()) {
      Event->ignore();
      return;
    }
    TWidget::closeEvent(Event);
    // Closing the main window ends the program's message loop.
    if (Event->isAccepted() && TZrApplication::Exists() && ZrApplication().MainForm() == this)
      QCoreApplication::quit();
  }
};

using TZrForm = TZrFormT<QWidget>;

class TZrFrame : public QWidget, public IZrModule
{
  Q_OBJECT

public:
  explicit TZrFrame(QWidget *Parent = nullptr) : QWidget(Parent) {}
  ~TZrFrame() override;

  virtual void Localize() {}
  virtual void UpdateControls() {}
  void LoadSettings(TZrSDFReader &) override {}
  void SaveSettings(TZrSDFWriter &) override {}
  void Start() override {}
  void Initialize() override;

  bool ControlsEnabled() const { return ControlsEnabled_; }
  // Enables or disables every child control, all levels down; setting the
  // value it already has does nothing.
  void SetControlsEnabled(bool Value);

private:
  bool ControlsEnabled_ = false;
};

} // namespace facette
