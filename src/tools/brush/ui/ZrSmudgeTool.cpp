#include "tools/brush/ui/ZrSmudgeTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrToolPanel.h"
#include "tools/brush/ZrBrushKernels.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QSlider>

namespace facette {

TZrSmudgeTool::TZrSmudgeTool()
{
  MaxBrushSize = 64;
  Accumulate = true;
  Button = brushparts::CreateToolButton(*this, 2651, true);
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    Frame = Panel->CreateToolFrame<TZrSmudgeFrame>();
    brushparts::BindFrame(*this, *Frame);
    BindSmoothingBar(Frame->SmoothingTrackBar);
    QObject::connect(Frame->ExpertModeTBXCheckBox, &QCheckBox::toggled, this,
                     [this] { ExpertModeTBXCheckBoxChange(); });
  }
  DemoName = QStringLiteral("Smudge");
  // Smoothing always follows the brush size.
  if (Frame) {
    Frame->SmoothingLabel->setVisible(false);
    Frame->SmoothingTrackBar->setVisible(false);
  }
  SetExpertMode(false);
  LayoutFrame();
}

void TZrSmudgeTool::SetExpertMode(bool Value)
{
  ExpertMode = Value;
  if (Frame)
    Frame->ExpertModeTBXCheckBox->setChecked(Value);
}

void TZrSmudgeTool::LayoutFrame()
{
  brushparts::LayoutFrame(*this, Frame, ExpertMode);
  if (Frame) {
    Frame->SmoothingLabel->setVisible(false);
    Frame->SmoothingTrackBar->setVisible(false);
  }
}

void TZrSmudgeTool::ExpertModeTBXCheckBoxChange()
{
  ExpertMode = Frame->ExpertModeTBXCheckBox->isChecked();
  LayoutFrame();
  brushparts::RecordExpertMode(DemoName, ExpertMode);
}

bool TZrSmudgeTool::BeginStroke(TZrDrawToolControl &Control, int32_t MouseButton,
                                TZrShiftState Shift)
{
  const bool Begun = TZrCustomBlurBrushTool::BeginStroke(Control, MouseButton, Shift);
  // Nothing is known of any pixel yet. (Without the memory the stamps work
  // their colours out each time.)
  BlurCache.Clear();
  if (BackupPixels)
    BlurCache.Allocate(pf32bit, BackupPixels->GetBounds());
  return Begun;
}

void TZrSmudgeTool::ApplyRect(const TZrRect &Rect)
{
  if (BackupPixels && ImagePixels)
    SmudgeRect(Rect, *BackupPixels, EffectMask(), BlurCache, BlurFootprint, *ImagePixels);
}

void TZrSmudgeTool::Localize()
{
  brushparts::Localize(Button, Frame, 2651);
}

void TZrSmudgeTool::UpdateControls()
{
  brushparts::UpdateControls(*this, Button, Frame);
}

void TZrSmudgeTool::InitializeTool()
{
  TZrCustomBlurBrushTool::InitializeTool();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(DemoName, Button);
  if (Frame)
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("ExpertMode"),
                                   Frame->ExpertModeTBXCheckBox);
  // The registry outlives the tools.
  Registry.RegisterDemoBooleanCommand(
      DemoName + QStringLiteral("ExpertMode"),
      [Self = QPointer<TZrSmudgeTool>(this)](bool V) {
        if (Self)
          Self->SetExpertMode(V);
      },
      ExpertMode);
}

void TZrSmudgeTool::LoadSettings(TZrSDFReader &Reader)
{
  brushparts::LoadSettings(Reader, SettingsGuid, *this, [this](bool V) { SetExpertMode(V); });
}

void TZrSmudgeTool::SaveSettings(TZrSDFWriter &Writer)
{
  brushparts::SaveSettings(Writer, SettingsGuid, *this, ExpertMode);
}

void TZrSmudgeTool::Activate()
{
  TZrCustomBlurBrushTool::Activate();
  brushparts::BringToFront(Frame);
}

void TZrSmudgeTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrCustomBlurBrushTool::SetEnabled(Value);
}

} // namespace facette
