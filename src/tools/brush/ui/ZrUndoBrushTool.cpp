#include "tools/brush/ui/ZrUndoBrushTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrToolPanel.h"
#include "tools/brush/ZrBrushKernels.h"

#include <QAction>
#include <QCheckBox>
#include <QPointer>

namespace facette {

TZrUndoBrushTool::TZrUndoBrushTool()
{
  MaxBrushSize = 64;
  Accumulate = true;
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    Button = brushparts::CreateToolButton(*this, 2002, true);
    Frame = Panel->CreateToolFrame<TZrUndoBrushFrame>();
    brushparts::BindFrame(*this, *Frame);
    QObject::connect(Frame->ExpertModeTBXCheckBox, &QCheckBox::toggled, this,
                     [this] { ExpertModeTBXCheckBoxChange(); });
  } else {
    Button = brushparts::CreateToolButton(*this, 2002, false);
  }
  DemoName = QStringLiteral("UndoBrush");
  SetExpertMode(false);
  LayoutFrame();
}

void TZrUndoBrushTool::SetExpertMode(bool Value)
{
  ExpertMode = Value;
  if (Frame)
    Frame->ExpertModeTBXCheckBox->setChecked(Value);
}

void TZrUndoBrushTool::LayoutFrame()
{
  brushparts::LayoutFrame(*this, Frame, ExpertMode);
}

void TZrUndoBrushTool::ExpertModeTBXCheckBoxChange()
{
  if (!Frame)
    return;
  ExpertMode = Frame->ExpertModeTBXCheckBox->isChecked();
  LayoutFrame();
  brushparts::RecordExpertMode(DemoName, ExpertMode);
}

void TZrUndoBrushTool::ApplyRect(const TZrRect &Rect)
{
  if (!BackupPixels || !ImagePixels)
    return;
  static const TZrPixels NoOriginal;
  UndoBrushRect(Rect, *BackupPixels, OriginalPixels ? *OriginalPixels : NoOriginal, EffectMask(),
                *ImagePixels);
}

void TZrUndoBrushTool::Localize()
{
  brushparts::Localize(Button, Frame, 2002);
}

void TZrUndoBrushTool::UpdateControls()
{
  brushparts::UpdateControls(*this, Button, Frame);
}

void TZrUndoBrushTool::InitializeTool()
{
  TZrBrushTool::InitializeTool();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(DemoName, Button);
  if (Frame)
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("ExpertMode"),
                                   Frame->ExpertModeTBXCheckBox);
  // The registry outlives the tools.
  Registry.RegisterDemoBooleanCommand(
      DemoName + QStringLiteral("ExpertMode"),
      [Self = QPointer<TZrUndoBrushTool>(this)](bool V) {
        if (Self)
          Self->SetExpertMode(V);
      },
      ExpertMode);
}

void TZrUndoBrushTool::LoadSettings(TZrSDFReader &Reader)
{
  brushparts::LoadSettings(Reader, SettingsGuid, *this, [this](bool V) { SetExpertMode(V); });
}

void TZrUndoBrushTool::SaveSettings(TZrSDFWriter &Writer)
{
  brushparts::SaveSettings(Writer, SettingsGuid, *this, ExpertMode);
}

void TZrUndoBrushTool::Activate()
{
  TZrBrushTool::Activate();
  brushparts::BringToFront(Frame);
}

void TZrUndoBrushTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrBrushTool::SetEnabled(Value);
}

} // namespace facette
