// The original-image tool: while its button or the "O" key is held, the
// view shows the image as it was opened (at its own size, with a pending
// crop out of sight) in place of the working image, for a before/after
// comparison. It changes nothing and leaves no undo step.
#pragma once

#include "editor/ui/ZrGraphicsTool.h"
#include "editor/ZrViewImagePainter.h"

#include <QPointer>

class QAction;

namespace facette {

class TZrOriginalImageToolControl : public TZrGraphicsToolControl
{
public:
  TZrOriginalImageToolControl(TZrGraphicsTool &Tool, TZrGraphicsView &View);

  // The key that shows the original while it is held ("O").
  int32_t Key = 79;

  // Content, not counted in the scroll extent, hidden.
  void InitFlags() override { Flags = vfContent | vfNoExtent; }
  void Initialize() override;
  // Takes the document view's place, and gives it back.
  void Activate() override;
  void Deactivate() override;
  void PaintContent(TZrViewCanvas &Canvas) override;
  bool KeyDown(int32_t Key, TZrShiftState Shift) override;
  bool KeyUp(int32_t Key, TZrShiftState Shift) override;

private:
  TZrRect OriginalBounds() const;

  TZrViewImagePainter Painter;
};

class TZrOriginalImageTool : public TZrGraphicsTool
{
  Q_OBJECT

public:
  TZrOriginalImageTool();

  // A text button at the end of the editor's standard toolbar.
  QAction *OriginalImageToolButton = nullptr;
  // The tool that was current when the original was asked for.
  QPointer<TZrGraphicsTool> ReturnTool;

  // This tool is the editor's current tool (the original is shown).
  bool IsActive() const;
  void ShowOriginal();
  void ShowWorkingImage();

  void Localize() override;
  void UpdateControls() override;
  void Activate() override;
  void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                          bool &Handled, QPoint &Point) override;
};

} // namespace facette
