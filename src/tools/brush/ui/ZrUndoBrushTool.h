// The undo brush: paints the photo back towards the image as it was
// opened. Where it passes, each pixel moves towards the same pixel of the
// document's original (which follows crops, turns and resizes), weighted
// by the soft brush: retouching undone locally instead of step by step.
#pragma once

#include "framework/ZrGuid.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/brush/ui/ZrDrawTools.h"

class QAction;

namespace facette {

class TZrUndoBrushTool : public TZrBrushTool
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{85DCD701-37DB-4D73-91B0-D4B42DC388BA}");

  TZrUndoBrushTool();

  QAction *Button = nullptr;
  // Nil without a tool panel (the button then sits on the editor's
  // toolbar).
  TZrUndoBrushFrame *Frame = nullptr;
  bool ExpertMode = false;

  void SetExpertMode(bool Value);
  void LayoutFrame();
  void ExpertModeTBXCheckBoxChange();

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
