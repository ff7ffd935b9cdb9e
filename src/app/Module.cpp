#include "Module.h"

#include "CommonData.h"

#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrOriginalImageTool.h"
#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrImageList.h"
#include "tools/brush/ui/ZrSmudgeTool.h"
#include "tools/brush/ui/ZrUndoBrushTool.h"
#include "tools/geometry/ui/ZrCrop2PlusTool.h"
#include "tools/geometry/ui/ZrResizeTool.h"
#include "tools/geometry/ui/ZrRotateTool.h"
#include "tools/geometry/ui/ZrRotation3Tool.h"

#include <QCoreApplication>
#include <QDir>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

namespace facette {

namespace {

void SetImage(QAction *Item, int Index)
{
  if (Item)
    Item->setIcon(CommonDataModule->New24TBXImageList->Icon(Index));
}

} // namespace

TModule::TModule()
{
  DataModuleCreate();
}

void TModule::CreateCoreModules()
{
  TZrApplication &App = ZrApplication();

  // 1. Every item merged from here on uses the shared 24-pixel images.
  TMainForm::SetStartupImages(CommonDataModule->New24TBXImageList);

  // 2. The graphics editor; it creates the main window.
  TZrGraphicsEditor *Editor = nullptr;
  App.CreateModule(Editor);
  Editor->DemoFolder =
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Demo")) +
      QLatin1Char('/');
  SetImage(Editor->NextImageButton, 15);
  SetImage(Editor->PrevImageButton, 14);
  SetImage(Editor->ZoomInButton, 10);
  SetImage(Editor->ZoomInMenuItem, 10);
  SetImage(Editor->ZoomOutButton, 11);
  SetImage(Editor->ZoomOutMenuItem, 11);
  SetImage(Editor->ActualSizeButton, 12);
  SetImage(Editor->ActualSizeMenuItem, 12);
  SetImage(Editor->ScaleToBestFitButton, 13);
  SetImage(Editor->ScaleToBestFitMenuItem, 13);
  TMainForm *Main = Editor->MainWindow();

  // 3. System information and printing.
  // 4. Help.
  // 5. Demonstrations.
  // 6. The demo editor.
  // 7. About.

  // 8. The tool panel, its buttons in rows.
  TZrToolPanelModule *ToolPanelModule = nullptr;
  App.CreateModule(ToolPanelModule);
  ToolPanelModule->WrapToolbar();

  // 9. A separator before the standard toolbar's tool buttons.
  Editor->StandardToolbar->addSeparator();

  // 10. The original-image tool and the rotate tool, whose own panel button
  // stays hidden: its four buttons are on the standard toolbar.
  TZrOriginalImageTool *OriginalImageTool = nullptr;
  App.CreateModule(OriginalImageTool);
  TZrRotateTool *RotateTool = nullptr;
  App.CreateModule(RotateTool);
  RotateTool->Button->setVisible(false);
  RotateTool->AddToolbarItems();

  // 11. The progress bar, last in the status bar.
  auto *Bar = new QProgressBar(Main);
  Bar->setFixedWidth(200);
  Bar->setMaximumHeight(Main->statusBar()->sizeHint().height());
  Main->statusBar()->addPermanentWidget(Bar);
  auto *Meter = new TProgressMeter(Bar, CommonDataModule);
  Meter->Start(0);
}

// The composition, in its fixed order. Each module and tool is added here,
// at its place in the table, as it is built.
void TModule::DataModuleCreate()
{
  CreateCoreModules();
  // The tools in their panel order, with separators (ToolPanel()->
  // AddSeparator()) and row breaks (ToolPanel()->AddRowBreak()) between
  // the groups; each becomes CommonDataModule->LastTool. The hand
  // inpainting tool, once it exists, becomes the editor's current tool.
  TZrApplication &App = ZrApplication();

  // 2. The smudge brush.
  TZrSmudgeTool *SmudgeTool = nullptr;
  App.CreateModule(SmudgeTool);
  SetImage(SmudgeTool->Button, 35);
  CommonDataModule->LastTool = SmudgeTool;

  // 3. The undo brush.
  TZrUndoBrushTool *UndoBrushTool = nullptr;
  App.CreateModule(UndoBrushTool);
  SetImage(UndoBrushTool->Button, 21);
  CommonDataModule->LastTool = UndoBrushTool;

  // 4. Separator.
  ToolPanel()->AddSeparator();

  // 5. Resize.
  TZrResizeTool *ResizeTool = nullptr;
  App.CreateModule(ResizeTool);
  SetImage(ResizeTool->Button, 23);
  CommonDataModule->LastTool = ResizeTool;

  // 6. Crop.
  TZrCrop2PlusTool *CropTool = nullptr;
  App.CreateModule(CropTool);
  SetImage(CropTool->Button, 24);
  CommonDataModule->LastTool = CropTool;

  // 7. Straighten.
  TZrRotation3Tool *StraightenTool = nullptr;
  App.CreateModule(StraightenTool);
  SetImage(StraightenTool->Button, 83);
  CommonDataModule->LastTool = StraightenTool;

  // 8. Separator.
  ToolPanel()->AddSeparator();
}

} // namespace facette
