// The crop tool: a rectangle dragged out over the image, refined with eight
// handles or moved whole, optionally held to the side ratio of a photo print
// or screen format, and then cut out (Enter, a left click or double click
// outside it) as one undo step, or dropped (Escape, a right click outside).
// While a selection is shown no other tool can be chosen and undo waits;
// what lies outside the selection is shown darkened.
#pragma once

#include "editor/ui/ZrGraphicsTool.h"
#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"
#include "imaging/ZrLTBitmap.h"
#include "tools/geometry/ZrCropArithmetic.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace facette {

class TZrCrop2PlusTool;

class TZrCrop2PlusFrame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrCrop2PlusFrame(QWidget *Parent = nullptr);

  QLabel *TitleLabel = nullptr;
  QLabel *DescriptionLabel = nullptr;
  QGroupBox *SidesRatioTntGroupBox = nullptr;
  QRadioButton *rbFree = nullptr;
  QRadioButton *rbFoto = nullptr;
  QRadioButton *rbScreen = nullptr;
  QWidget *SizePanel = nullptr;
  QLabel *WidthLabel = nullptr;
  QSpinBox *WidthEdit = nullptr;
  QLabel *HeightLabel = nullptr;
  QSpinBox *HeightEdit = nullptr;
  QWidget *panelScreen = nullptr;
  QComboBox *cmbScreen = nullptr;
  QWidget *panelFoto = nullptr;
  QComboBox *cmbFoto = nullptr;
  QGroupBox *gbCurrentResolution = nullptr;
  QLabel *lblCurrentResolution = nullptr;
};

class TZrCrop2PlusToolControl : public TZrGraphicsToolControl
{
public:
  using TZrGraphicsToolControl::TZrGraphicsToolControl;

  enum TState : uint8_t
  {
    Idle,
    Drawing,
    Adjusting,
    Dragging,
  };
  TState State = Idle;
  TZrRect DragStartRect;
  TZrPoint Anchor;
  int32_t DragHandle = chOutside;

  TZrCrop2PlusTool *CropTool() const;
  // What the view point grabs of the selection.
  int32_t CropHitTest(TZrPoint Point) const;
  // The two endings: the image cut to the selection, or the selection
  // dropped.
  void PerformCrop();
  void CancelCrop();

  TZrRect GetOverlayBounds(const TZrMapMode &MapMode) const override;
  void PaintOverlay(TZrViewCanvas &Canvas) override;
  void Activate() override;
  void Deactivate() override;
  bool GetCursor(TZrShiftState Shift, TZrPoint Point, int32_t &Cursor) override;
  bool MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool MouseMove(TZrShiftState Shift, TZrPoint Point) override;
  bool MouseUp(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool KeyDown(int32_t Key, TZrShiftState Shift) override;

private:
  // A left double click: the crop when it lands outside the selection.
  void DoubleClick(TZrPoint Point);
  TZrPoint ToImage(TZrPoint Point) const;
  TZrRect VisibleRect() const;
  // The selection in view pixels.
  TZrRect SelectionOnView() const;
  // Shows the selection's size in the status bar and the frame.
  void ShowSelectionSize() const;
};

class TZrCrop2PlusTool : public TZrGraphicsTool
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{FA533C1A-B74B-486B-BB5E-7AEA47608D79}");

  TZrCrop2PlusTool();
  ~TZrCrop2PlusTool() override;

  QAction *Button = nullptr;
  TZrCrop2PlusFrame *Frame = nullptr;
  // In image pixels. Kept after a crop or cancel: the next press in the
  // image replaces it.
  TZrRect CropSelection;
  TZrCropRatio Ratio;

  TZrCrop2PlusToolControl *FirstControl() const;
  // The image cut to CropSelection as one undo step; the selection ends.
  void Perform();
  // 0 free, 1 the chosen print format, 2 the chosen screen format.
  void SetRatio(int32_t Kind);
  // The ratio of the checked option (the demo's and the frame's choice).
  void SelectRatio(int32_t Kind, int32_t ItemIndex);

  // Frame handlers.
  void OnRadioGroupClick();
  void WidthEditChange(int Value);
  void HeightEditChange(int Value);

  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void UpdateControls() override;
  void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                          bool &Handled, QPoint &Point) override;
  // The tool records its own undo state.
  void Commit() override {}
  void CancelEdit() override;
  void DocumentClosing(TZrGraphicsDocument &Doc) override;
  void InitializeTool() override;
  void SetEnabled(bool Value) override;
  void Activate() override;

  // Shows Width x Height in the entries without acting on them.
  void ShowSelectionSize(int32_t Width, int32_t Height);

private:
  // A side typed into its entry.
  void SideEditChange(int Value, bool (*SetSide)(TZrRect &, int32_t, int32_t),
                      int32_t (TZrLTBitmap::*ImageSide)() const);
};

// The one crop tool, as start-up keeps it; nil before it is made and after it
// is gone. Demo commands reach the tool through it.
TZrCrop2PlusTool *CropTool();

} // namespace facette
