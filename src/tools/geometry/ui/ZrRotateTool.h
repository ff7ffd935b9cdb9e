// The rotate and flip tool: quarter turns either way and mirror images, each
// one undo step. Its everyday face is four buttons on the standard toolbar;
// its frame (shown when the tool is selected, by a demonstration for
// instance: its own panel button stays hidden) has the same four buttons, or
// with "Show More Options" a preview of the chosen operation and a button
// that performs it.
//
// With an image handed over by the filter plug-in the size must stay: a
// quarter turn is then a half turn, one undo step.
#pragma once

#include "framework/ui/ZrModule.h"
#include "imaging/ZrLTBitmap.h"
#include "tools/geometry/ZrGeometryCommands.h"

#include "editor/ui/ZrGraphicsTool.h"

#include <memory>

class QAction;
class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;
class QVBoxLayout;

namespace facette {

class TZrPaintBox;

class TZrRotateFrame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrRotateFrame(QWidget *Parent = nullptr);

  QLabel *TitleLabel = nullptr;
  QWidget *PreviewControl = nullptr;
  QWidget *PreviewPanel = nullptr;
  TZrPaintBox *ThumbnailView = nullptr;
  QRadioButton *RotateRightRadioButton = nullptr;
  QRadioButton *RotateLeftRadioButton = nullptr;
  QRadioButton *FlipHorizontalRadioButton = nullptr;
  QRadioButton *FlipVerticalRadioButton = nullptr;
  QPushButton *RotateButton = nullptr;
  QPushButton *RotateRightButton = nullptr;
  QPushButton *RotateLeftButton = nullptr;
  QPushButton *FlipHorizontalButton = nullptr;
  QPushButton *FlipVerticalButton = nullptr;
  QToolButton *ShowOptions = nullptr;

  // The image scaled into the view, and it with the chosen operation done.
  std::unique_ptr<TZrLTBitmap> Thumbnail;
  std::unique_ptr<TZrLTBitmap> PreviewBitmap;

  // The operation of the checked radio button; roNone for none.
  uint8_t SelectedOperation() const;
  void CheckRadio(QRadioButton *Button);
  // The radio buttons in the order the action button's caption looks for
  // the checked one.
  QRadioButton *CheckedRadio() const;

private:
  QVBoxLayout *Layout = nullptr;
};

class TZrRotateTool : public TZrGraphicsTool, public IZrGeometryStateOwner
{
  Q_OBJECT

public:
  TZrRotateTool();
  ~TZrRotateTool() override;

  QAction *Button = nullptr;
  TZrRotateFrame *Frame = nullptr;
  uint8_t LastOperation = roNone;
  bool OptionsShown = false;
  // On the standard toolbar once AddToolbarItems ran.
  QAction *RotateRightItem = nullptr;
  QAction *RotateLeftItem = nullptr;
  QAction *FlipVerticalItem = nullptr;
  QAction *FlipHorizontalItem = nullptr;

  void RotateLeft() { Perform(roRotateLeft); }
  void RotateRight() { Perform(roRotateRight); }
  void FlipHorizontal() { Perform(roFlipHorizontal); }
  void FlipVertical() { Perform(roFlipVertical); }
  // One operation on the active document as one undo step.
  void Perform(uint8_t Operation);
  void SetOptionsShown(bool Value);
  void LayoutOptions();
  void RefreshPreview();
  void PrepareThumbnail(TZrGraphicsDocument *Doc);
  void UpdatePreview();
  // The separator and four buttons on the editor's standard toolbar.
  void AddToolbarItems();

  // Frame handlers.
  void RotateRadioButtonChange(QRadioButton *Sender);
  void RotateButtonClick();
  void ShowOptionsButtonClick() { SetOptionsShown(!OptionsShown); }

  void Localize() override;
  void UpdateControls() override;
  void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                          bool &Handled, QPoint &Point) override;
  void Commit() override;
  void DocumentOpened(TZrGraphicsDocument &Doc) override;
  void InitializeTool() override;
  void SetEnabled(bool Value) override;
  void Activate() override;

  // Undo and redo of a turn: the busy cursor, then the preview follows.
  void BeginStateChange() override;
  void EndStateChange() override;

private:
  // Set by Perform when the document did the operation.
  bool Done = false;
};

// The one rotate tool, as start-up keeps it; nil before it is made and after it
// is gone. Demo commands reach the tool through it.
TZrRotateTool *RotateTool();

} // namespace facette
