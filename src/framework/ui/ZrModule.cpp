#include "framework/ui/ZrModule.h"

namespace facette {

TZrModule::~TZrModule()
{
  UnregisterLocalizeHandler(TZrMethod::Of<&TZrModule::Localize>(this));
}

void TZrModule::Initialize()
{
  // Once, however often the module is initialised: the destructor takes
  // one entry away, and a second would be called after the module died.
  UnregisterLocalizeHandler(TZrMethod::Of<&TZrModule::Localize>(this));
  RegisterLocalizeHandler(TZrMethod::Of<&TZrModule::Localize>(this));
}

TZrModuleWithControls::~TZrModuleWithControls()
{
  // A module destroyed while the program still runs must not leave its
  // handler behind for the next idle pass.
  if (TZrApplication::Exists())
    ZrApplication().RemoveIdleHandler(TZrMethod::Of<&TZrModuleWithControls::UpdateControls>(this));
}

void TZrModuleWithControls::Initialize()
{
  TZrModule::Initialize();
  ZrApplication().RemoveIdleHandler(TZrMethod::Of<&TZrModuleWithControls::UpdateControls>(this));
  ZrApplication().AddIdleHandler(TZrMethod::Of<&TZrModuleWithControls::UpdateControls>(this));
}

TZrFrame::~TZrFrame()
{
  UnregisterLocalizeHandler(TZrMethod::Of<&TZrFrame::Localize>(this));
  if (TZrApplication::Exists())
    ZrApplication().RemoveIdleHandler(TZrMethod::Of<&TZrFrame::UpdateControls>(this));
}

void TZrFrame::Initialize()
{
  ControlsEnabled_ = true;
  UnregisterLocalizeHandler(TZrMethod::Of<&TZrFrame::Localize>(this));
  RegisterLocalizeHandler(TZrMethod::Of<&TZrFrame::Localize>(this));
  if (TZrApplication::Exists()) {
    ZrApplication().RemoveIdleHandler(TZrMethod::Of<&TZrFrame::UpdateControls>(this));
    ZrApplication().AddIdleHandler(TZrMethod::Of<&TZrFrame::UpdateControls>(this));
  }
}

void TZrFrame::SetControlsEnabled(bool Value)
{
  if (Value == ControlsEnabled_)
    return;
  ControlsEnabled_ = Value;
  // Every widget below the frame, at every level.
  for (QWidget *Child : findChildren<QWidget *>())
    Child->setEnabled(Value);
}

} // namespace facette
