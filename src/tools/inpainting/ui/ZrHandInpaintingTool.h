// The blemish remover: a click marks the defect under the brush; from then
// on the defect is refilled live from the square under the pointer, turned
// or mirrored the way that matches the skin around the defect best and
// with its colour matched to that skin; a second click (or Enter) keeps the
// fill as one undo step, Esc cancels it. A magnified preview on the panel
// shows the skin under the pointer, or the fill while it follows the
// pointer. It is the tool in hand when the program starts.
#pragma once

#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"
#include "imaging/ZrBitmap.h"
#include "tools/brush/ui/ZrDrawTools.h"
#include "tools/inpainting/AreaCorrelator.h"

#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QToolButton;

namespace facette {

class TZrHandInpaintingTool;

// A magnified preview: a square bitmap of image pixels shown Zoom times
// enlarged in the middle of the box.
class TZrPreviewImage : public QWidget
{
  Q_OBJECT

public:
  explicit TZrPreviewImage(QWidget *Parent = nullptr) : QWidget(Parent) {}

  // Side x Side image pixels, 24-bit, at (0, 0).
  TZrPixelBuffer Bitmap;
  int32_t Zoom = 1;

  // Makes the bitmap Side x Side (content kept only when the side stays);
  // true when the side changed.
  bool SetGeometry(int32_t Side, int32_t NewZoom);
  int32_t Side() const { return Bitmap.Width; }
  // Shows the bitmap as it is now.
  void Redraw();
  const TZrPixelBuffer &Shown() const { return Shown_; }

protected:
  void paintEvent(QPaintEvent *Event) override;

private:
  TZrPixelBuffer Shown_;
};

class TZrHandInpaintingFrame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrHandInpaintingFrame(QWidget *Parent = nullptr);

  QLabel *TitleLabel = nullptr;
  QLabel *SizeLabel = nullptr;
  QSlider *SizeTrackBar = nullptr;
  QFrame *ImagePanel = nullptr;
  TZrPreviewImage *TargetImage = nullptr;
  TZrPreviewImage *HandyImage = nullptr;
  QPushButton *CancelTBXButton = nullptr;
  QWidget *OptionsPanel = nullptr;
  QCheckBox *LongDefectTBXCheckBox = nullptr;
  QToolButton *LoupeSpeedButton = nullptr;
  QToolButton *TwoSpeedButton = nullptr;
  QWidget *AdjustmentPanel = nullptr;
  QCheckBox *AdjustmentTBXCheckBox = nullptr;
  QCheckBox *AntiAliasingTBXCheckBox = nullptr;
  QWidget *AreaReflectionPanel = nullptr;
  // arNorthSpeedButton .. arWestReflexSpeedButton, by reflection.
  std::array<QToolButton *, ReflectionCount> ReflectionButtons{};
  QCheckBox *AutoReflectionTBXCheckBox = nullptr;

  // The object names of the reflection buttons, by reflection.
  static const std::array<const char *, ReflectionCount> ReflectionButtonNames;
};

class TZrHandInpaintingToolControl : public TZrBrushToolControl
{
public:
  using TZrBrushToolControl::TZrBrushToolControl;

  // Hidden until the tool is in use; takes part in painting and overlays.
  void InitFlags() override { Flags = vfContent | vfOverlay | vfNoExtent; }
  bool MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool MouseMove(TZrShiftState Shift, TZrPoint Point) override;
  bool MouseWheel(TZrShiftState Shift, int32_t Direction, TZrPoint Point) override;
  bool KeyDown(int32_t Key, TZrShiftState Shift) override;

private:
  TZrHandInpaintingTool *InpaintingTool() const;
  TZrPoint ToImagePoint(TZrPoint Point) const;
};

class TZrHandInpaintingTool : public TZrBrushTool
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{1044EE67-DEA1-45D6-A6D7-8F479304D734}");
  // How far the pointer may stay from the last committed point before the
  // loupe shows the skin under it again.
  static constexpr int32_t LastPointReach = 3;

  TZrHandInpaintingTool();
  ~TZrHandInpaintingTool() override;

  QAction *Button = nullptr;
  TZrHandInpaintingFrame *Frame = nullptr;
  // The transform of the source square (0 .. 7).
  int32_t Reflection = 0;
  // Colour matching: 0 none, 1 brightness only, 2 per channel.
  int32_t Adjustment = 2;
  bool AutoReflection = true;
  bool LongDefect = true;
  bool TwoPreviews = false;
  bool Loupe = true;
  bool ShowLastPoint = false;
  bool AntiAliasing = true;
  // A defect is chosen and the source follows the pointer.
  bool Selecting = false;
  // The defect's ring and interior must be worked out again.
  bool NeedsPrepare = false;
  TZrRect DefectRect;
  TZrRect SourceRect;
  std::unique_ptr<TAreaCorrelator> Correlator;
  // The pointer over the view, in image coordinates, and where it was at
  // the last commit.
  TZrPoint CurrentPoint;
  TZrPoint LastPoint;
  bool ShowOptions = true;

  void SetAdjustment(int32_t Value);
  void SetReflection(int32_t Value);
  void SetAutoReflection(bool Value);
  void SetLongDefect(bool Value);
  void SetAntiAliasing(bool Value);
  void SetTwoPreviews(bool Value);
  void SetLoupe(bool Value);
  void SetShowLastPoint(bool Value);

  // Chooses the defect under the pointer, or keeps the fill.
  void ToggleSelect();
  // Refills the defect from the square under the pointer.
  void Preview();
  // Ends the selection with the image as it was before it.
  void Cancel();
  void StepReflection(int32_t Direction);
  void UpdatePreviews(bool Live);
  void UpdateLoupe();
  void SizePreview();
  void ArrangeImages();
  bool NearLastPoint() const;
  // The shipped set-up: colour matching per channel, reflection always
  // chosen automatically, the long-defect and anti-aliasing options on,
  // and only the panels a user needs.
  void ConfigureSimple(bool ShowReflection);

  // Frame handlers.
  void AdjustmentTBXCheckBoxChange();
  void AntiAliasingTBXCheckBoxChange();
  void LongDefectTBXCheckBoxChange();
  void AutoReflectionTBXCheckBoxChange();
  void ReflectionSpeedButtonClick(int32_t Tag);
  void CancelTBXButtonClick() { Cancel(); }
  void LoupeSpeedButtonClick() { SetLoupe(!Loupe); }
  void TwoSpeedButtonClick();

  void Localize() override;
  void UpdateControls() override;
  void InitializeTool() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void DocumentOpened(TZrGraphicsDocument &Doc) override;
  void DocumentClosing(TZrGraphicsDocument &Doc) override;
  void PixelWindowsReplaced(TZrGraphicsDocument &Doc) override;
  void SetEnabled(bool Value) override;
  void Activate() override;
  // Another tool takes over: a fill in progress is kept as it is (one undo
  // step) rather than left open with nobody to finish it.
  void Deactivate() override;
  void CancelPendingAction() override;
  void DemoCommand(IZrDemoPlayback *Playback, const QString &Command, bool &Handled,
                   TZrDemoAction *Action, const TZrDemoScriptParams &Params) override;
  void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                          bool &Handled, QPoint &Point) override;
  // The size stays while a defect is selected: the squares must match.
  void SetBrushSize(int32_t Value) override;
  // The stamp is the defect's shape: a disc flat in the middle with a
  // steep rim.
  void BrushShapeChanged() override;
  // First click: takes the defect; while selecting: the live fill.
  void ApplyRect(const TZrRect &Rect) override;

private:
  // Writes to the attached recording playback: a pointer move to the
  // target, then the line, each only when given.
  void RecordAction(const QString &Target, const QString &Line);
  // While selecting, shows the fill with the options as they are now.
  void RefreshSelection();
  // The selection ends without an edit left open; the patch engine goes.
  void StopSelecting();
  // The widget a demo target names (upper case), or nil.
  QWidget *DemoTarget(const QString &Name) const;
  bool OwnEditOpen() const;
};

} // namespace facette
