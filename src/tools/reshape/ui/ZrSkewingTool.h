// The liquify tool: reshapes the photo by pushing pixels. Warp drags the
// image along with the brush; Bloat magnifies and Pucker shrinks the area
// under the brush the further the mouse is dragged from where the button
// went down.
//
// A liquify sequence keeps a displacement field over the whole image: every
// output pixel is the image as it was when the sequence began, sampled at
// the pixel's position plus its displacement. While dragging, pixels are
// sampled by nearest neighbour; on release the stroke's area is re-sampled
// with the Hermite filter. Each stroke is an undo step that also saves and
// restores the field; "OK" turns the whole sequence into one ordinary undo
// step, "Cancel" undoes it. While a sequence is open no other tool can be
// picked.
#pragma once

#include "editor/ZrGraphicsDocument.h"
#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"
#include "tools/brush/ui/ZrDrawTools.h"
#include "tools/reshape/ZrLiquifySequence.h"

#include <QPointer>

#include <array>
#include <cstdint>

class QAction;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QToolButton;

namespace facette {

class TZrSkewingTool;

class TZrSkewingFrame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrSkewingFrame(QWidget *Parent = nullptr);

  // Nil until the tool takes the frame.
  TZrSkewingTool *Tool = nullptr;

  QLabel *TitleLabel = nullptr;
  QLabel *SizeLabel = nullptr;
  QSlider *SizeTrackBar = nullptr;
  QGroupBox *BrushTntGroupBox = nullptr;
  QToolButton *Cos4TBXButton = nullptr;
  QToolButton *Cos2TBXButton = nullptr;
  QToolButton *CosTBXButton = nullptr;
  QToolButton *Cos12TBXButton = nullptr;
  QGroupBox *EffectTntGroupBox = nullptr;
  QRadioButton *WarpTBXRadioButton = nullptr;
  QRadioButton *BloatTBXRadioButton = nullptr;
  QRadioButton *PuckerTBXRadioButton = nullptr;
  QWidget *OkPanel = nullptr;
  QPushButton *OkButton = nullptr;
  QPushButton *CancelButton = nullptr;

  // The brush buttons by brush type, the radio buttons by effect.
  std::array<QToolButton *, 4> BrushButtons() const;
  std::array<QRadioButton *, 3> EffectButtons() const;

  // The handlers of the frame's buttons; each records its demo command.
  void CosTBXButtonClick(int32_t BrushType);
  void WarpTBXRadioButtonClick(int32_t Effect);
  void OkButtonClick();
  void CancelButtonClick();
};

class TZrSkewingToolControl : public TZrBrushToolControl
{
public:
  using TZrBrushToolControl::TZrBrushToolControl;

  TZrSkewingTool *SkewingTool() const;

  bool GetCursor(TZrShiftState Shift, TZrPoint Point, int32_t &Cursor) override;
  // The outline only while it helps: not while bloating or puckering,
  // where the brush stays where the button went down.
  void PaintOverlay(TZrViewCanvas &Canvas) override;
  bool MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool MouseMove(TZrShiftState Shift, TZrPoint Point) override;
  bool MouseUp(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  // Large brushes change by larger steps.
  bool MouseWheel(TZrShiftState Shift, int32_t Direction, TZrPoint Point) override;
};

// One stroke of a sequence: the pixels and the displacement field of its
// changed rectangle before and after, and the sequence's state around it.
class TZrSkewingCommandState : public TZrCustomGraphicsCommandState
{
public:
  // Cuts the pixels before from the document's backup and after from its
  // image, the field before from the tool's checkpoint and after from its
  // live field. Throws std::bad_alloc when the memory cannot be had.
  TZrSkewingCommandState(TZrSkewingTool &Tool, const TZrRect &Rect, TZrGraphicsDocument &Document);
  void Undo() override;
  void Redo() override;

  TZrPixelBuffer BeforePixels;
  TZrPixelBuffer AfterPixels;
  TZrDisplacementField BeforeDelta;
  TZrDisplacementField AfterDelta;
  bool BeforeActive = false;
  bool AfterActive = false;
  TZrRect BeforeRect;
  TZrRect AfterRect;
  // The sequence the stroke belongs to.
  uint64_t Sequence = 0;

private:
  void Apply(bool Backwards);
  QPointer<TZrSkewingTool> SkewingTool;
};

class TZrSkewingTool : public TZrBrushTool
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{8DB1A068-1671-4110-80E5-4F907A06A1C9}");
  // A changed area larger than this many pixels shows its re-sampling on
  // the progress meter.
  static constexpr int64_t ProgressPixels = 1000 * 1000;

  TZrSkewingTool();
  ~TZrSkewingTool() override;

  QAction *Button = nullptr;
  TZrSkewingFrame *Frame = nullptr;
  // lbCos4 .. lbCos12 and leWarp .. lePucker (ZrLiquifyField.h).
  int32_t BrushType = lbCos;
  int32_t Effect = leWarp;
  // Image coordinates: where the button went down, the previous and the
  // current mouse position.
  TZrPoint StartPoint;
  TZrPoint PrevPoint;
  TZrPoint CurPoint;
  // The part of the bloat or pucker this stroke applied already.
  double AppliedAmount = 0.0;
  // The starting image, the field, the field at the last step and the
  // brush's fall-off and vectors.
  TZrLiquifySequence Liquify;
  // Sequence state as of the last step, now, and while "OK" records.
  bool LiquifyWasActive = false;
  bool LiquifyActive = false;
  bool Finishing = false;
  // The area changed up to the last step, so far, and given to "OK".
  TZrRect CommittedRect;
  TZrRect LiquifyRect;
  TZrRect FinalRect;
  // The history position the sequence started at.
  int HistoryStart = 0;
  bool ShowOutline = true;
  // Numbers each sequence; a step of an earlier one cannot reopen it.
  uint64_t Sequence = 0;

  void SetBrushType(int32_t Value);
  void SetEffect(int32_t Value);
  // Opens a sequence on Doc unless one is open; false when there is no
  // memory for it.
  bool StartLiquify(TZrGraphicsDocument &Doc);
  void BuildProfile();
  // The Hermite re-sampling of the open edit's changed rectangle, on
  // release; the sequence's area grows by it.
  void ResampleChanged();
  // "OK": the sequence becomes one ordinary undo step holding its result.
  void Apply();
  // "Cancel": back to the image before the sequence.
  void Revert();

  // The stamp is applied wherever the image is, and reports its own
  // changed area (a bloat changes the square around the start point).
  void StampAt(const TZrRect &Rect) override;
  void ApplyRect(const TZrRect &Rect) override;
  // Every stroke is re-sampled before it is recorded, however it ends.
  void EndEdit() override;
  // A stroke put back also puts its field back.
  void CancelEdit() override;
  void Commit() override;

  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void UpdateControls() override;
  void InitializeTool() override;
  void DocumentOpened(TZrGraphicsDocument &Doc) override;
  void DocumentClosing(TZrGraphicsDocument &Doc) override;
  void StateApplied(TZrGraphicsDocument &Doc, IZrGraphicsDocumentListener *Tool,
                    const TZrRect &Rect) override;
  void SetEnabled(bool Value) override;
  void Activate() override;
  void Deactivate() override;

  // Demo names of the brush types and effects.
  static QString BrushTypeName(int32_t Type);
  static QString EffectName(int32_t Value);

private:
  friend class TZrSkewingCommandState;
  // Ends the sequence and lets its memory go.
  void EndSequence();
  // Undoes the steps made since the sequence began.
  void UndoSequence();
  // The editor's tool lock follows the sequence while this tool is in use.
  void UpdateLock();
  bool HoldsLock = false;
};

} // namespace facette
