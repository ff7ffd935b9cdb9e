#include "Module.h"

#include "CommonData.h"

#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"

namespace facette {

TModule::TModule()
{
  DataModuleCreate();
}

void TModule::CreateCoreModules()
{
  // The main window; the graphics editor will create it once it exists.
  TMainForm *Main = nullptr;
  ZrApplication().CreateForm(Main);
  // Every item merged from here on uses the shared 24-pixel images.
  Main->SetImages(CommonDataModule->New24TBXImageList);
}

// The composition, in its fixed order. Each module and tool is added here,
// at its place in the table, as it is built.
void TModule::DataModuleCreate()
{
  CreateCoreModules();
}

} // namespace facette
