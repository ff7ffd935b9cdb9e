// The smudge brush: where it is brushed, each pixel moves towards the
// average of the pixels on a disc around it (its own value left out),
// weighted by the soft brush; the disc follows the brush size. Outside
// "Expert Mode" opacity and hardness are fixed.
#pragma once

#include "framework/ZrGuid.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/brush/ui/ZrDrawTools.h"

class QAction;

namespace facette {

class TZrSmudgeTool : public TZrCustomBlurBrushTool
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{FBAEF374-D256-4EB1-9C57-55F87212654F}");

  TZrSmudgeTool();

  QAction *Button = nullptr;
  TZrSmudgeFrame *Frame = nullptr;
  bool ExpertMode = false;

  void SetExpertMode(bool Value);
  void LayoutFrame();
  void ExpertModeTBXCheckBoxChange();

  // Every blurred colour of the image may be asked for in the stroke.
  bool BeginStroke(TZrDrawToolControl &Control, int32_t Button, TZrShiftState Shift) override;
  void ApplyRect(const TZrRect &Rect) override;
  void Localize() override;
  void UpdateControls() override;
  void InitializeTool() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void Activate() override;
  void SetEnabled(bool Value) override;
};

} // namespace facette
