// The tool panel: a panel docked at the right edge of the main window with
// the tools' buttons at the top, in rows, and below them the option frame
// of the tool in use. Tools put their buttons on Toolbar and make their
// option frames with CreateToolFrame.
#pragma once

#include "editor/ZrToolPanelState.h"
#include "framework/ui/ZrModule.h"
#include "framework/ui/ZrWrapToolbar.h"
#include "framework/ZrGuid.h"

#include <QPointer>
#include <QScrollArea>
#include <QStackedWidget>

#include <utility>

class QAction;
class QDockWidget;

namespace facette {

class TMainForm;

// The frame at the top of the panel; its only control is the toolbar, and
// its height follows the toolbar's rows.
class TZrToolFrame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrToolFrame(QWidget *Parent = nullptr);

  TZrWrapToolbar *Toolbar = nullptr;
};

class TZrToolPanelModule : public TZrModuleWithControls
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{9FC124C8-2014-4832-8878-3489538D623F}");
  static constexpr int DefaultPanelWidth = 200;

  TZrToolPanelModule();
  ~TZrToolPanelModule() override;

  // The panel while it exists.
  static TZrToolPanelModule *Instance() { return Instance_; }

  QAction *VisibleMenuItem = nullptr;
  QDockWidget *Panel = nullptr;
  TZrWrapToolbar *Toolbar = nullptr;
  TZrToolFrame *ToolFrame = nullptr;

  void SetPanelVisible(bool Value);
  // Shown (or to be shown with the window).
  bool PanelVisible() const;
  // Fixes the panel's width (docked width, minimum and maximum) unless
  // Width is below the panel's current minimum. Tools with wide option
  // frames ask for more room this way.
  void SetPanelWidth(int Width);
  void WrapToolbar();
  // A separator between tool groups, and one that starts a new row.
  QAction *AddSeparator() { return Toolbar->AddSeparator(); }
  QAction *AddRowBreak() { return Toolbar->AddRowBreak(); }

  // A tool's option frame: made with the arguments given, placed below the
  // toolbar, scrolling when it is taller than the panel. The frame
  // initialises itself (it belongs to the panel, not to the application).
  template <class TFrame, class... TArgs> TFrame *CreateToolFrame(TArgs &&...Args)
  {
    QScrollArea *Page = NewFramePage();
    auto *Frame = new TFrame(std::forward<TArgs>(Args)..., Page);
    Page->setWidget(Frame);
    return Frame;
  }
  // Shows Frame in front of the other option frames.
  void BringFrameToFront(QWidget *Frame);
  // The frame in front; nil before any frame exists.
  QWidget *FrontFrame() const;

  TZrToolPanelState State() const;
  void ApplyState(const TZrToolPanelState &State);

  void Localize() override;
  void UpdateControls() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;

private:
  QScrollArea *NewFramePage();

  QPointer<TMainForm> Main;
  QWidget *Content = nullptr;
  QStackedWidget *Frames = nullptr;
  static TZrToolPanelModule *Instance_;
};

inline TZrToolPanelModule *ToolPanel()
{
  return TZrToolPanelModule::Instance();
}

} // namespace facette
