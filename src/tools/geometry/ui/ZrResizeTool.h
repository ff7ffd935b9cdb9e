// The resize tool: new pixel dimensions for the whole image (and the kept
// original), typed or stepped in its frame, optionally with the proportions
// locked to those of the image, applied with OK as one undo step. The
// adjustment tool drives the one instance (ResizeTool()) to shrink large
// images for its preview.
#pragma once

#include "editor/ui/ZrGraphicsTool.h"
#include "framework/ui/ZrModule.h"
#include "tools/geometry/ZrGeometryCommands.h"
#include "tools/geometry/ZrResizeEntries.h"

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;

namespace facette {

class TZrUpDownEdit;

class TZrResizeFrame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrResizeFrame(QWidget *Parent = nullptr);

  QLabel *TitleLabel = nullptr;
  QWidget *SizePanel = nullptr;
  QLabel *NewSizeLabel = nullptr;
  QLabel *WidthLabel = nullptr;
  // Each with its up and down arrows (1 to 32767).
  TZrUpDownEdit *WidthEdit = nullptr;
  QLabel *HeightLabel = nullptr;
  TZrUpDownEdit *HeightEdit = nullptr;
  QCheckBox *ConstrainProportionsCheckBox = nullptr;
  QWidget *OkPanel = nullptr;
  QPushButton *OkButton = nullptr;
  QPushButton *CancelButton = nullptr;
};

class TZrResizeTool : public TZrGraphicsTool, public IZrGeometryStateOwner
{
  Q_OBJECT

public:
  TZrResizeTool();
  ~TZrResizeTool() override;

  QAction *Button = nullptr;
  TZrResizeFrame *Frame = nullptr;
  TZrResizeEntries Entries;

  int32_t NewWidth() const { return Entries.NewWidth; }
  int32_t NewHeight() const { return Entries.NewHeight; }
  bool ConstrainProportions() const { return Entries.ConstrainProportions; }
  // The active document's image size; 1 without one.
  int32_t ImageWidth() const;
  int32_t ImageHeight() const;

  void SetNewWidth(int32_t Value);
  void SetNewHeight(int32_t Value);
  void SetConstrainProportions(bool Value);
  // Resizes the active document to the entries, one undo step. False when
  // nothing was done (the user is told why).
  bool Perform();

  // Frame handlers.
  void WidthEditChange(const QString &Text);
  void HeightEditChange(const QString &Text);
  void ConstrainProportionsCheckBoxChange(bool Checked);
  void OkButtonClick();
  void CancelButtonClick();

  void Localize() override;
  void UpdateControls() override;
  void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                          bool &Handled, QPoint &Point) override;
  // The tool records its own undo state.
  void Commit() override {}
  void DocumentOpened(TZrGraphicsDocument &Doc) override;
  void InitializeTool() override;
  void SetEnabled(bool Value) override;
  void Activate() override;
  // The entries go back to the image's size.
  void AbortMouseAction() override;

  void BeginStateChange() override;
  void EndStateChange() override;

private:
  // The entries and the check box show the fields.
  void ShowEntries();
};

// The one resize tool; nil before start-up made it.
TZrResizeTool *ResizeTool();

} // namespace facette
