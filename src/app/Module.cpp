#include "Module.h"

#include "CommonData.h"

#include "demo/ui/ZrDemoEditor.h"
#include "demo/ui/ZrDemonstration.h"
#include "demo/ZrDemoScript.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrOriginalImageTool.h"
#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrImageList.h"
#include "help/ui/ZrAbout.h"
#include "help/ui/ZrHelp.h"
#include "help/ui/ZrSystemInfoModule.h"
#include "print/ui/ZrGraphicsPrintModule.h"
#include "tools/brush/ui/ZrSmudgeTool.h"
#include "tools/brush/ui/ZrUndoBrushTool.h"
#include "tools/geometry/ui/ZrAdjustmentTool.h"
#include "tools/geometry/ui/ZrCrop2PlusTool.h"
#include "tools/geometry/ui/ZrResizeTool.h"
#include "tools/geometry/ui/ZrRotateTool.h"
#include "tools/geometry/ui/ZrRotation3Tool.h"
#include "tools/geometry/ui/ZrTextTool.h"
#include "tools/inpainting/ui/ZrHandInpaintingTool.h"
#include "tools/makeup/ui/ZrMakeUpTools.h"
#include "tools/reshape/ui/ZrSkewingTool.h"
#include "tools/skin/ui/ZrAntiAgingTool.h"

#include <QCoreApplication>
#include <QFile>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <iterator>

namespace facette {

namespace {

void SetImage(QAction *Item, int Index)
{
  if (Item)
    Item->setIcon(CommonDataModule->New24TBXImageList->Icon(Index));
}

// The vendor's pages: the program's home page (also the site the update
// check offers), the support page, and the update information file.
constexpr const char *HomePage = "https://www.velmora.example/facette/";
constexpr const char *SupportPage = "https://www.velmora.example/facette/support/";
constexpr const char *UpdateFile = "https://www.velmora.example/update.ini";

// The About box: heading and version, the home and support pages with
// their captions, and the notice line near the bottom of the picture.
const TZrAboutRow AboutRows[] = {
    {156, afBold, 96, 96, 0, 0, 0, -1, nullptr},
    {arVersion, afBold | afSameLine, 0, 0, 0, 0, 0, -1, nullptr},
    {54, afRightAligned | afColon, 16, 132, 75, 0, 0, 0, nullptr},
    {arFixed, afSameLine | afLink, 0, 0, 0, 0, 0, 0, HomePage},
    {56, afRightAligned | afColon, 0, 0, 75, 0, 0.5f, 0, nullptr},
    {arFixed, afSameLine | afLink, 0, 0, 0, 0, 0, 0, SupportPage},
    {arFixed, 0, 0, 275, 0, 0, 0, -1, "\xC2\xA9 2026 Velmora. All rights reserved."},
};

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
      QString::fromStdString(
          FindDemoFolder(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString())
              .string()) +
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
  App.CreateModule<TZrSystemInfoModule>();
  App.CreateModule<TZrGraphicsPrintModule>();

  // 4. Help, with what the update check needs to know.
  TZrHelp *Help = nullptr;
  App.CreateModule(Help);
  Help->ProductKey = QStringLiteral("Lustre");
  Help->Language = QStringLiteral("English");
  Help->Version = QStringLiteral(FACETTE_VERSION);
  Help->SiteAddress = QString::fromLatin1(HomePage);
  Help->SetDefaultUpdateAddress(QString::fromLatin1(UpdateFile));

  // 5. Demonstrations, from the editor's demo folder; the list shows at
  // start-up unless the settings say otherwise.
  TZrDemonstrationModule *Demonstrations = nullptr;
  App.CreateModule(Demonstrations);
  Demonstrations->DemoFolder = Editor->DemoFolder;
  Demonstrations->ShowAtStartup = true;

  // 6. The demo editor.
  App.CreateModule<TZrDemoEditorModule>();

  // 7. About, with its rows over the picture "About".
  TZrAbout *About = nullptr;
  App.CreateModule(About);
  About->SetAboutBox(AboutRows, static_cast<int32_t>(std::size(AboutRows)),
                     QStringLiteral("About"));

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
  // It gives way first when the window is narrow, so the panels before it
  // are never cut.
  Bar->setMinimumWidth(60);
  Bar->setMaximumWidth(200);
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
  // inpainting tool becomes the editor's current tool.
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

  // 4. A separator before the geometry tools.
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

  // 8. A separator before the text and adjustment tools.
  ToolPanel()->AddSeparator();

  // 9. The text tool.
  TZrTextTool *TextTool = nullptr;
  App.CreateModule(TextTool);
  SetImage(TextTool->Button, 79);
  CommonDataModule->LastTool = TextTool;

  // 10. The adjustment tool; its Ok and Cancel show the shared pictures.
  TZrAdjustmentTool *AdjustmentTool = nullptr;
  App.CreateModule(AdjustmentTool);
  SetImage(AdjustmentTool->Button, 97);
  if (TZrAdjustmentFrame *Frame = AdjustmentTool->Frame) {
    Frame->FinishingTBXButton->setIcon(CommonDataModule->New24TBXImageList->Icon(52));
    Frame->CancelTBXButton->setIcon(CommonDataModule->New24TBXImageList->Icon(7));
  }
  CommonDataModule->LastTool = AdjustmentTool;

  // 11. A row break: the make-up tools start a new row.
  ToolPanel()->AddRowBreak();

  // 12. The lipstick, at half strength.
  TZrLipstickTool *LipstickTool = nullptr;
  App.CreateModule(LipstickTool);
  SetImage(LipstickTool->Button, 25);
  LipstickTool->SetOpacity(127);
  CommonDataModule->LastTool = LipstickTool;

  // 13. Powder.
  TZrPowderTool *PowderTool = nullptr;
  App.CreateModule(PowderTool);
  SetImage(PowderTool->Button, 27);
  CommonDataModule->LastTool = PowderTool;

  // 14. Rouge.
  TZrRougeTool *RougeTool = nullptr;
  App.CreateModule(RougeTool);
  SetImage(RougeTool->Button, 28);
  CommonDataModule->LastTool = RougeTool;

  // 15. A separator before the eye make-up.
  ToolPanel()->AddSeparator();

  // 16. Eye colour.
  TZrEyeColorTool *EyeColorTool = nullptr;
  App.CreateModule(EyeColorTool);
  SetImage(EyeColorTool->Button, 26);
  CommonDataModule->LastTool = EyeColorTool;

  // 17. Eye shadow.
  TZrEyeShadowTool *EyeShadowTool = nullptr;
  App.CreateModule(EyeShadowTool);
  SetImage(EyeShadowTool->Button, 37);
  CommonDataModule->LastTool = EyeShadowTool;

  // 18. Eye pencil.
  TZrEyePencilTool *EyePencilTool = nullptr;
  App.CreateModule(EyePencilTool);
  SetImage(EyePencilTool->Button, 36);
  CommonDataModule->LastTool = EyePencilTool;

  // 19. A row break before the skin tools.
  ToolPanel()->AddRowBreak();

  // 20. The anti-aging brush.
  TZrAntiAgingTool1 *AntiAgingTool = nullptr;
  App.CreateModule(AntiAgingTool);
  SetImage(AntiAgingTool->Button, 39);
  CommonDataModule->LastTool = AntiAgingTool;

  // 21. The emphasis brush.
  TZrEmphasisTool *EmphasisTool = nullptr;
  App.CreateModule(EmphasisTool);
  SetImage(EmphasisTool->Button, 45);
  CommonDataModule->LastTool = EmphasisTool;

  // 22. A separator before the blemish remover.
  ToolPanel()->AddSeparator();

  // 23. The blemish remover in its simple set-up: reflection is always
  // chosen automatically, its buttons stay hidden.
  TZrHandInpaintingTool *HandInpaintingTool = nullptr;
  App.CreateModule(HandInpaintingTool);
  SetImage(HandInpaintingTool->Button, 40);
  HandInpaintingTool->ConfigureSimple(false);
  CommonDataModule->LastTool = HandInpaintingTool;

  // 24. The blemish remover is the tool in hand at start-up.
  GraphicsEditor()->SelectTool(qobject_cast<TZrGraphicsTool *>(CommonDataModule->LastTool));

  // 25. A separator before teeth bleaching.
  ToolPanel()->AddSeparator();

  // 26. Teeth bleaching (after the hand inpainting tool and its separator).
  TZrTeethBleachTool *TeethBleachTool = nullptr;
  App.CreateModule(TeethBleachTool);
  SetImage(TeethBleachTool->Button, 29);
  CommonDataModule->LastTool = TeethBleachTool;

  // 27. A separator before the liquify tool.
  ToolPanel()->AddSeparator();

  // 28. The liquify tool.
  TZrSkewingTool *SkewingTool = nullptr;
  App.CreateModule(SkewingTool);
  SetImage(SkewingTool->Button, 44);
  CommonDataModule->LastTool = SkewingTool;
}

} // namespace facette
