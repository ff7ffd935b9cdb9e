// The text tool: the user types lines in the memo, picks font, style,
// rendering size and colour, and drags a rectangle on the image; the text
// fills the rectangle exactly (stretched, and mirrored when it was dragged
// right to left or bottom to top). Eight handles resize it and dragging
// inside moves it while the text follows; Enter or a click outside keeps
// it as one undo step, Escape or a right click removes it.
//
// The text is rendered white on black at the chosen size into a coverage
// map, so the size decides how sharp the letters are, not how large they
// come out. It is drawn as typed: any script the chosen font has.
#pragma once

#include "editor/ui/ZrGraphicsTool.h"
#include "framework/ZrGuid.h"
#include "imaging/ZrBitmap.h"
#include "tools/geometry/ui/ZrToolParts.h"
#include "tools/geometry/ZrTextLayer.h"

#include <QFont>

#include <cstdint>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace facette {

class TZrTextTool;

// The option frame.
class TZrTextFrame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrTextFrame(QWidget *Parent = nullptr);

  QLabel *TitleLabel = nullptr;
  QGroupBox *FontTntGroupBox = nullptr;
  QComboBox *FontNameComboBox = nullptr;
  QLabel *SizeTBXLabel = nullptr;
  QSpinBox *SizeSpinEdit = nullptr;
  QToolButton *BoldTBXButton = nullptr;
  QToolButton *ItalicTBXButton = nullptr;
  QToolButton *UnderlineTBXButton = nullptr;
  QToolButton *StrikeoutTBXButton = nullptr;
  QGroupBox *FontColorTntRadioGroup = nullptr;
  QRadioButton *SelectedRadioButton = nullptr;
  QRadioButton *InvertedRadioButton = nullptr;
  QButtonGroup *FontColorButtons = nullptr;
  QComboBox *ColorBox = nullptr;
  QCheckBox *MaxInverseTBXCheckBox = nullptr;
  QPlainTextEdit *TextTntMemo = nullptr;

  // Fills the font list with the installed families, each shown in its
  // own face.
  void FillFontNames();
  // Selects the colour (00BBGGRR) in the colour box, adding an entry for a
  // colour the box does not list.
  void SelectColor(int32_t Color);
  // The colour of the selected entry (00BBGGRR); 0 when none is.
  int32_t SelectedColor() const;
  // Names of the listed colours in the interface language.
  void LocalizeColorNames();

protected:
  bool eventFilter(QObject *Watched, QEvent *Event) override;
};

class TZrTextToolControl : public TZrGraphicsToolControl
{
public:
  enum : uint8_t
  {
    Idle = 0,
    Drawing = 1,
    Placed = 2,
    Dragging = 3,
  };

  TZrTextToolControl(TZrGraphicsTool &Tool, TZrGraphicsView &View);

  // The user's rectangle, in image coordinates.
  TZrRect TextFrameRect;
  uint8_t State = Idle;
  // The edges the grabbed handle moves.
  TZrTextEdges Edges;
  bool SavedMirrorHorizontal = false;
  bool SavedMirrorVertical = false;
  TZrRect DragStartRect;
  // Where the press was, in image coordinates.
  TZrPoint Anchor;
  int32_t DragHandle = thNone;

  TZrTextTool *TextTool() const;
  // The rectangle in the view's window coordinates.
  TZrRect ViewRect() const;
  int32_t HitCode(TZrPoint ViewPoint) const;

  void Activate() override;
  void Deactivate() override;
  bool GetCursor(TZrShiftState Shift, TZrPoint Point, int32_t &Cursor) override;
  bool MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool MouseMove(TZrShiftState Shift, TZrPoint Point) override;
  bool MouseUp(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool KeyDown(int32_t Key, TZrShiftState Shift) override;
  // The rectangle's outline and, once placed, its handles.
  TZrRect GetOverlayBounds(const TZrMapMode &MapMode) const override;
  void PaintOverlay(TZrViewCanvas &Canvas) override;

private:
  TZrPoint ToImage(TZrPoint Point) const;
  TZrRect VisibleRect() const;
};

class TZrTextTool : public TZrGraphicsTool
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{663FE753-B6FB-4703-B7E5-6E8A8E0DD5E0}");
  // The families looked for, in order, when none is chosen.
  static const char *const DefaultFontNames[4];

  TZrTextTool();
  ~TZrTextTool() override;

  QAction *Button = nullptr;
  TZrTextFrame *Frame = nullptr;
  // The size the text is rendered at (points at 96 dots per inch).
  int32_t FontSize = 0;
  int32_t FontColorMode = tcSelected;
  // As the window toolkit gives colours: 00BBGGRR.
  int32_t TextColor = 0;
  bool MaxInverse = false;
  // Bits: 1 bold, 2 italic, 4 underline, 8 strike-out.
  int32_t FontStyle = 0;
  // Where the text was last drawn into the image.
  TZrRect TextRect;
  // The image carries unconfirmed text at TextRect.
  bool TextShown = false;
  bool MirrorHorizontal = false;
  bool MirrorVertical = false;
  // The rendered text's coverage, and the same stretched to the rectangle.
  TZrPixelMask TextBitmap;
  TZrPixelMask StretchedBitmap;

  void SetFontSize(int32_t Value);
  void SetFontColorMode(int32_t Value);
  void SetTextColor(int32_t Value);
  void SetMaxInverse(bool Value);
  void SetFontStyle(int32_t Value);
  void SelectDefaultFont();
  // The family the default font comes from on this system.
  static QString DefaultFontFamily();
  bool HasText() const { return TextBitmap.Width > 0 && TextBitmap.Height > 0; }
  // The font the text is rendered with.
  QFont TextFont() const;
  void RenderText();
  void StretchText();
  void RestoreUnderText();
  // Redraws the text into the image at the control's rectangle (the
  // pixels it covered before come back from the backup) and repaints.
  void RefreshText();
  // Keeps the text in the image as one undo step.
  void Confirm();
  void ResetControl();
  // The demonstration's typing of a word, letter by letter.
  void TypeDemoText();
  // The first control, which holds the rectangle; nil without a view.
  TZrTextToolControl *TextControl() const;

  // Handlers of the frame's controls.
  void TextMemoChange();
  void BITBXButtonClick();
  void ColorBoxSelect();
  void FontColorTntRadioGroupClick();
  void MaxInverseTBXCheckBoxChange();
  void SizeSpinEditChange();

  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void UpdateControls() override;
  void CancelEdit() override;
  // Another edit beginning, or the document finishing ours, keeps the
  // text as it is placed.
  void EndEdit() override;
  void DocumentClosing(TZrGraphicsDocument &Document) override;
  void InitializeTool() override;
  void SetEnabled(bool Value) override;
  void Activate() override;

private:
  // The elements of the settings node.
  std::vector<toolparts::TIntegerSetting> Settings();
  void RecordValue(const QString &Name, int32_t Value);
  // Waits, painting meanwhile, as long as the running demonstration's
  // speed makes it (not at all at the speed that skips pauses).
  void DemoPause(int Milliseconds);
};

} // namespace facette
