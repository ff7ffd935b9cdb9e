// The tool framework. Every retouching operation is a tool: a module that
// owns its button and option frame and, in every open view, one control (a
// view object above the image) that draws the tool's feedback and receives
// the mouse, wheel and key input of the view.
//
// A tool changes the image through the document's edit protocol:
// BeginEdit, write into ImagePixels (reading the unchanged image from
// BackupPixels) reporting each written rectangle with ChangeRect, then
// EndEdit, which records one undo snapshot of everything changed, or
// CancelEdit, which puts the backup back.
#pragma once

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ZrGraphicsDocument.h"
#include "editor/ZrViewObjects.h"
#include "framework/ui/ZrModule.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace facette {

class TZrGraphicsTool;
class TZrGraphicsView;

class TZrGraphicsToolControl : public TZrViewObject, public IZrViewInput
{
public:
  // Construction only makes the object; TZrGraphicsTool::CreateControl
  // links it to its tool and its view and then calls Initialize.
  TZrGraphicsToolControl(TZrGraphicsTool &Tool, TZrGraphicsView &View);
  ~TZrGraphicsToolControl() override;

  bool Active = false;
  TZrGraphicsView &View;
  // Nil once the tool is gone (tools and views end in either order).
  TZrGraphicsTool *Tool;
  // Whether the wheel may act while a button is held (the brush tools ask).
  bool AllowWheelWhileDrawing = false;

  // Changing the visibility repaints the control's area.
  void SetVisible(bool Value) override;
  // Overlay, not counted in the scroll extent, hidden.
  void InitFlags() override { Flags = vfOverlay | vfNoExtent; }

  // Called once the control is in its view.
  virtual void Initialize() {}
  // The tool became current: take part again (and see the pointer if it is
  // already over the view).
  virtual void Activate();
  virtual void Deactivate();
  // Input, from IZrViewInput (points are the view's window coordinates;
  // true stops the dispatch): GetCursor, MouseEnter, MouseLeave, MouseDown,
  // MouseMove, MouseUp, MouseWheel, KeyDown, KeyUp.

  IZrViewInput *Input() override { return this; }
  // Repaints the control's area of the view.
  void Invalidate();
  // The pointer in the view's window coordinates.
  TZrPoint CursorPos() const;
  void RefreshCursor();
};

class TZrGraphicsTool : public TZrModuleWithControls,
                        public IZrDemoClient,
                        public IZrGraphicsDocumentListener
{
  Q_OBJECT

public:
  // Makes the control of this tool for a view ("the control class").
  using TControlClass =
      std::function<std::unique_ptr<TZrGraphicsToolControl>(TZrGraphicsTool &, TZrGraphicsView &)>;
  template <class TControl> static TControlClass ControlClassOf()
  {
    return [](TZrGraphicsTool &Tool, TZrGraphicsView &View) {
      return std::make_unique<TControl>(Tool, View);
    };
  }

  TZrGraphicsTool();
  ~TZrGraphicsTool() override;

  // View and document of the open edit; nil between edits. The pixel
  // windows are the document's and valid only while the edit is open.
  TZrGraphicsView *View = nullptr;
  TZrGraphicsDocument *Document = nullptr;
  TZrPixels *OriginalPixels = nullptr;
  TZrPixelBuffer *BackupPixels = nullptr;
  TZrPixels *ImagePixels = nullptr;
  // The tool's name in demo scripts; empty for none.
  QString DemoName;
  // Nil for a tool without controls.
  TControlClass ControlClass;
  IZrDemoPlayback *Playback = nullptr;
  // One per view; the views own them.
  std::vector<TZrGraphicsToolControl *> Controls;
  bool Active = false;
  bool Enabled = true;
  // May be used on an image handed over by the filter plug-in (set by tools
  // that keep the image size).
  bool PlugInAvailable = false;
  // While this tool has an edit open, no other tool may be selected.
  bool Exclusive = false;

  // The application calls this right after the constructor: the tool's
  // Initialize hook runs with the whole tool built.
  void AfterConstruction() { InitializeTool(); }

  // Virtual operations in their order.
  void DemoCommand(IZrDemoPlayback *Playback, const QString &Command, bool &Handled,
                   TZrDemoAction *Action, const TZrDemoScriptParams &Params) override;
  void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                          bool &Handled, QPoint &Point) override;
  void AttachPlayback(IZrDemoPlayback *NewPlayback) override { Playback = NewPlayback; }
  void DetachPlayback() override { Playback = nullptr; }
  virtual void AddControl(TZrGraphicsToolControl *Control);
  virtual void RemoveControl(TZrGraphicsToolControl *Control);
  // Makes this tool's control in View (when it has a control class).
  virtual void CreateControl(TZrGraphicsView &View);
  // Records the snapshot of what the open edit changed so far (one undo
  // step); nothing when nothing changed.
  virtual void Commit();
  // Opens an edit on View's document; another tool's open edit is
  // committed first.
  virtual void BeginEdit(TZrGraphicsView &View);
  // Commits and closes the edit.
  void EndEdit() override;
  // Puts back everything changed since the last snapshot and closes the
  // edit.
  virtual void CancelEdit();
  // In plug-in mode a tool that is not available there is disabled.
  void DocumentOpened(TZrGraphicsDocument &Doc) override;
  void DocumentClosing(TZrGraphicsDocument &) override {}
  void DocumentSaving(TZrGraphicsDocument &) override {}
  void BeforeUndo(TZrCommandState *) override {}
  void BeforeRedo(TZrCommandState *) override {}
  // The tool's own Initialize, after construction (demo names are
  // registered here). The module's Initialize is the load pass's.
  virtual void InitializeTool() {}
  void AfterUndo(TZrCommandState *) override {}
  void AfterRedo(TZrCommandState *) override {}
  virtual void SetEnabled(bool Value) { Enabled = Value; }
  void StateApplied(TZrGraphicsDocument &, IZrGraphicsDocumentListener *, const TZrRect &) override
  {}
  // Selects the tool as a demo's command does, recording it.
  virtual void SelectFromDemo();
  virtual void Activate();
  virtual void Deactivate();
  // A running demonstration was stopped while it held a mouse button.
  virtual void AbortMouseAction() {}
  // A running demonstration was stopped.
  virtual void CancelPendingAction() {}

  // The document's image memory was replaced (canvas size, rotation):
  // fetch the pixel windows again.
  void PixelWindowsReplaced(TZrGraphicsDocument &Doc) override;

  int ControlCount() const { return static_cast<int>(Controls.size()); }
  // Nil past the end.
  TZrGraphicsToolControl *GetControl(int Index) const;
  // Reports a written rectangle: Replace starts a new change, otherwise it
  // grows the current one. Also repaints that part of the view.
  void ChangeRect(const TZrRect &Rect, bool Replace);
  // The document is going away: nothing of it may be kept.
  void ForgetDocument(TZrGraphicsDocument &Doc);

private:
  void ClearEditReferences();
};

} // namespace facette
