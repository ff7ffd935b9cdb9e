// The adjustment tool: brightness, contrast, gamma or saturation of the
// whole image, per colour channel or for all at once. Start opens a live
// preview that follows the sliders; Ok keeps the result as one undo step,
// Cancel drops it. An image of more than about a megapixel is previewed on
// a shrunk copy shown at the same size on the screen, and Ok adjusts the
// whole image.
#pragma once

#include "editor/ui/ZrGraphicsTool.h"
#include "framework/ZrGuid.h"
#include "tools/geometry/ui/ZrToolParts.h"
#include "tools/geometry/ZrAdjustmentEngine.h"
#include "tools/geometry/ZrAdjustmentPreview.h"

#include <cstdint>
#include <utility>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QSlider;
class QToolButton;

namespace facette {

class TZrImageList;

class TZrAdjustmentFrame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrAdjustmentFrame(QWidget *Parent = nullptr);

  QLabel *TitleLabel = nullptr;
  QGroupBox *AdjustmentTypeTntGroupBox = nullptr;
  // In type order (brightness, contrast, gamma, saturation); the group's
  // ids are the types.
  QToolButton *BrightnessTBXButton = nullptr;
  QToolButton *ContrastTBXButton = nullptr;
  QToolButton *GammaTBXButton = nullptr;
  QToolButton *SaturationTBXButton = nullptr;
  QButtonGroup *TypeButtons = nullptr;
  QGroupBox *SettingsTntGroupBox = nullptr;
  QCheckBox *AllTntCheckBox = nullptr;
  QToolButton *ResetTBXButton = nullptr;
  QLabel *RedLabel = nullptr;
  QSlider *RedTrackBar = nullptr;
  QLabel *GreenLabel = nullptr;
  QSlider *GreenTrackBar = nullptr;
  QLabel *BlueLabel = nullptr;
  QSlider *BlueTrackBar = nullptr;
  QGroupBox *ActionsTntGroupBox = nullptr;
  QToolButton *StartTBXButton = nullptr;
  QToolButton *FinishingTBXButton = nullptr;
  QToolButton *CancelTBXButton = nullptr;
  QCheckBox *ExplanationTntCheckBox = nullptr;
  QPlainTextEdit *ExplanationTntMemo = nullptr;
  // The frame's own pictures: the four types and Start.
  TZrImageList *TBXImageList1 = nullptr;
};

class TZrAdjustmentTool : public TZrGraphicsTool
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{6FB556F2-CEDA-4A73-965C-E8E251CD702C}");

  TZrAdjustmentTool();
  ~TZrAdjustmentTool() override;

  QAction *Button = nullptr;
  TZrAdjustmentFrame *Frame = nullptr;
  // -50 .. 50.
  int32_t RedValue = 0;
  int32_t GreenValue = 0;
  int32_t BlueValue = 0;
  bool ShowExplanation = true;
  bool AllChannels = false;
  int32_t AdjustmentType = atBrightness;
  bool Started = false;
  bool Downscaled = false;
  bool ShowProgress = false;
  // The view's zoom (numerator, denominator) before the preview shrank
  // the image.
  std::pair<int32_t, int32_t> SavedZoom{1, 1};
  // The tables and channel means of the last application.
  TZrAdjustmentEngine Engine;
  // The preview's size, and the full-size images while it runs on a
  // shrunk copy.
  TZrPreviewShrink Shrink;
  TZrImageSet Parked;
  // The document whose full-size images are parked.
  TZrGraphicsDocument *PreviewDocument = nullptr;

  void SetRed(int32_t Value);
  void SetGreen(int32_t Value);
  void SetBlue(int32_t Value);
  void SetShowExplanation(bool Value);
  void SetAllChannels(bool Value);
  void SetAdjustmentType(int32_t Value);
  // Whether the slider values differ from those last applied (and keeps
  // the new ones).
  bool SettingsChanged();
  // The selected adjustment from the backup into the image; with Copy the
  // result goes there too.
  void ApplyAdjustment(TZrPixels *Copy = nullptr);
  void StartAdjustment();
  void FinishAdjustment();
  void CancelAdjustment();
  void ResetSliders();
  void ClearExplanation();
  void UpdateExplanation();

  // Handlers of the frame's controls.
  void RedTrackBarChange();
  void GreenTrackBarChange();
  void BlueTrackBarChange();
  void AllTntCheckBoxClick();
  void BrightnessTBXButtonClick(int32_t Type);
  void ExplanationTntCheckBoxClick();
  void StartTBXButtonClick();
  void CancelTBXButtonClick();
  void FinishingTBXButtonClick();
  void ResetTBXButtonClick();

  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void UpdateControls() override;
  // A finished adjustment of the whole image is kept by exchanging
  // buffers; anything else is committed the ordinary way.
  void Commit() override;
  // Someone else ending the preview's edit (another edit beginning) gets
  // the finished adjustment first.
  void EndEdit() override;
  void DocumentClosing(TZrGraphicsDocument &Document) override;
  // Saving while the preview runs saves the finished adjustment of the
  // whole image, never the shrunk preview.
  void DocumentSaving(TZrGraphicsDocument &Document) override;
  void InitializeTool() override;
  void SetEnabled(bool Value) override;
  void Activate() override;

private:
  // The elements of the settings node.
  std::vector<toolparts::TIntegerSetting> Settings();
  // Shrinks the document for the preview when it is large, keeping the
  // view's picture the same size.
  void ShrinkForPreview(TZrGraphicsView &PreviewView);
  // Puts the full-size image back and the zoom with it.
  void RestoreFullSize();
  void LinkChannels();
  static void MoveSlider(QSlider *Bar, int32_t Value);

  // The values last applied.
  int32_t LastRed = 0, LastGreen = 0, LastBlue = 0;
  // Memory for the backup of the finished image, ready before Ok; holds
  // the finished image once ApplyAdjustment wrote it there.
  TZrPixelBuffer NewBackup;
  bool NewBackupFilled = false;
};

} // namespace facette
