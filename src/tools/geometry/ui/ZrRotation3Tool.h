// The straighten tool: the user draws a line along something that should be
// level (a horizon) or upright (a wall), and the image turns so that it is.
// Further lines add their angles; each preview is rendered quickly from the
// image as it was before the first line. "Apply" renders the final image
// with the Hermite filter and, optionally, cuts it to the largest upright
// rectangle with nothing from outside the photo; "Cancel" brings the image
// back. Until one of them, no other tool can be chosen.
#pragma once

#include "editor/ui/ZrGraphicsTool.h"
#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"
#include "tools/geometry/ZrStraightenSession.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QToolButton;

namespace facette {

class TZrRotation3Tool;

class TZrRotation3Frame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrRotation3Frame(QWidget *Parent = nullptr);

  QLabel *TitleLabel = nullptr;
  QCheckBox *AutoCropTBXCheckBox = nullptr;
  QGroupBox *ActionsTntGroupBox = nullptr;
  QToolButton *FinishingTBXButton = nullptr;
  QToolButton *CancelTBXButton = nullptr;
};

class TZrRotation3ToolControl : public TZrGraphicsToolControl
{
public:
  using TZrGraphicsToolControl::TZrGraphicsToolControl;

  // View pixels.
  TZrPoint LineStart;
  TZrPoint LineEnd;
  bool Drawing = false;

  TZrRotation3Tool *StraightenTool() const;

  // Content (the original's area), overlay, not in the scroll extent.
  void InitFlags() override { Flags = vfContent | vfOverlay | vfNoExtent; }
  TZrRect GetContentBounds(const TZrMapMode &MapMode) const override;
  TZrRect GetOverlayBounds(const TZrMapMode &MapMode) const override;
  void PaintOverlay(TZrViewCanvas &Canvas) override;
  void Initialize() override;
  bool GetCursor(TZrShiftState Shift, TZrPoint Point, int32_t &Cursor) override;
  bool MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool MouseMove(TZrShiftState Shift, TZrPoint Point) override;
  bool MouseUp(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;

private:
  bool OverImage(TZrPoint Point) const;
  // Repaints the line's area.
  void InvalidateLine();
};

class TZrRotation3Tool : public TZrGraphicsTool
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{FF89E438-3F5B-4DE3-B4C3-7F198D62F6C5}");
  static constexpr int PanelWidth = 272;

  TZrRotation3Tool();
  ~TZrRotation3Tool() override;

  QAction *Button = nullptr;
  TZrRotation3Frame *Frame = nullptr;
  bool AutoCrop = false;
  // Set while an image is being computed.
  bool Busy = false;
  TZrStraightenSession Session;

  void SetAutoCrop(bool Value);
  bool IsCurrentTool() const;
  // A line from P1 to P2 (image pixels) was drawn whose angle is
  // Session.DeltaAngle: the preview turns by it too.
  void Straighten(TZrPoint P1, TZrPoint P2);
  // Renders the session's angle into the document with the filter.
  void Render(int32_t FilterIndex);
  // The final rendering, optionally cut, as one undo step.
  void Finish();
  // Back to the image before the first line; nothing recorded.
  void CancelStraighten();

  // Frame handlers.
  void AutoCropTBXCheckBoxChange(bool Checked);
  void FinishingTBXButtonClick();
  void CancelTBXButtonClick();

  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void UpdateControls() override;
  void Commit() override;
  void DocumentOpened(TZrGraphicsDocument &Doc) override;
  void InitializeTool() override;
  void SetEnabled(bool Value) override;
  void Activate() override;

private:
  // Busy from here until it ends: the frame's controls off, the demo's
  // playback waiting; afterwards the cursor and progress meter reset.
  class TBusyWork;
  void InvalidateControls();
};

// The one straighten tool, as start-up keeps it; nil before it is made and after it
// is gone. Demo commands reach the tool through it.
TZrRotation3Tool *StraightenTool();

} // namespace facette
