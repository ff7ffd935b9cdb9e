#include "print/ui/ZrGraphicsPrintModule.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrSDF.h"
#include "print/ui/ZrGraphicsPrintForm.h"
#include "print/ui/ZrPrinter.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPageSize>
#include <QPrinterInfo>
#include <QToolBar>

namespace facette {

TZrGraphicsPrintModule::TZrGraphicsPrintModule() : Printer_(std::make_unique<TZrPrinter>())
{
  Units.fill(DefaultPrintUnit(QLocale::system().measurementSystem()));
  TMainForm *Main = MainForm();
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!Main)
    return;
  PrintMenuSeparator = Main->AddSeparator(Main->FileMenuItem, Main->FileMenuSeparator);
  PrintMenuItem =
      Main->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_P), Main->FileMenuSeparator,
                        Main->FileMenuItem, 3, [this] { PrintCommand(); });
  if (Editor && Editor->StandardToolbar)
    Main->AddToolbarItem(
        Editor->StandardToolbar, Main->Images(), Editor->EditToolbarSeparator, QString(), 3,
        [this] { PrintCommand(); }, PrintToolButton);
  if (PrintToolButton)
    PrintToolButton->setVisible(false);
}

TZrGraphicsPrintModule::~TZrGraphicsPrintModule() = default;

void TZrGraphicsPrintModule::Localize()
{
  const QString Caption = LocalString(21) + QStringLiteral("...");
  if (PrintMenuItem)
    PrintMenuItem->setText(Caption);
  if (PrintToolButton) {
    PrintToolButton->setText(Caption);
    PrintToolButton->setToolTip(
        ShortcutHint(Caption, PrintMenuItem ? PrintMenuItem->shortcut() : QKeySequence()));
  }
}

void TZrGraphicsPrintModule::Initialize()
{
  TZrModuleWithControls::Initialize();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(QStringLiteral("Print"), PrintMenuItem);
  Registry.RegisterDemoCommand(QStringLiteral("Print"), [this] { PrintCommand(); });
}

void TZrGraphicsPrintModule::UpdateControls()
{
  const TZrGraphicsEditor *Editor = GraphicsEditor();
  const bool Enabled = Editor && Editor->ActiveDocument() && !Editor->PlugInMode;
  if (PrintMenuItem)
    PrintMenuItem->setEnabled(Enabled);
  if (PrintToolButton) {
    PrintToolButton->setEnabled(Enabled);
    PrintToolButton->setVisible(false);
  }
}

void TZrGraphicsPrintModule::PrintCommand()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!Editor || Editor->PlugInMode || !Editor->ActiveDocument())
    return;
  // The photo can always go into a PDF file; with printers installed that
  // is one of the choices of the printer setup.
  if (!TZrPrinter::HasPrinters())
    Printer_->UsePdf();

  IZrDemoPlayback *Playback = DemoRegistry().Playback;
  if (Playback)
    Playback->Suspend();
  {
    TZrGraphicsPrintForm Form(*Printer_, MainForm());
    for (size_t I = 0; I < Units.size(); ++I)
      Form.UnitBoxes()[I]->setCurrentIndex(Units[I]);
    Form.CenterImageCheckBox->setChecked(CenterImage);
    Form.ScaleToFitMediaCheckBox->setChecked(ScaleToFitMedia);
    Form.SetDocument(Editor->ActiveDocument());
    ExecForm ? ExecForm(Form) : Form.exec();
    for (size_t I = 0; I < Units.size(); ++I)
      Units[I] = Form.UnitBoxes()[I]->currentIndex();
    CenterImage = Form.CenterImageCheckBox->isChecked();
    ScaleToFitMedia = Form.ScaleToFitMediaCheckBox->isChecked();
  }
  if (Playback)
    Playback->Resume();
}

void TZrGraphicsPrintModule::LoadSettings(TZrSDFReader &Reader)
{
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  for (size_t I = 0; I < Units.size(); ++I) {
    int32_t Unit;
    if (Reader.ReadInteger(static_cast<uint32_t>(I + 1), Unit) && Unit >= 0 &&
        Unit < PrintUnitCount)
      Units[I] = Unit;
  }
  Reader.ReadBoolean(5, CenterImage);
  Reader.ReadBoolean(6, ScaleToFitMedia);
  std::u16string Name;
  if (Reader.ReadWideString(7, Name) && !QPrinterInfo::printerInfo(ToQString(Name)).isNull())
    Printer_->setPrinterName(ToQString(Name));
  int32_t Size;
  if (Reader.ReadInteger(8, Size) && Size >= 0 && Size < QPageSize::LastPageSize &&
      Size != QPageSize::Custom)
    Printer_->setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(Size)));
  int32_t Orientation;
  if (Reader.ReadInteger(9, Orientation))
    Printer_->setPageOrientation(Orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
  Reader.LeaveNode();
}

void TZrGraphicsPrintModule::SaveSettings(TZrSDFWriter &Writer)
{
  Writer.BeginNode(1, SettingsGuid);
  for (size_t I = 0; I < Units.size(); ++I)
    Writer.WriteInteger(static_cast<uint32_t>(I + 1), Units[I]);
  Writer.WriteBoolean(5, CenterImage);
  Writer.WriteBoolean(6, ScaleToFitMedia);
  if (!Printer_->PrintsToPdf())
    Writer.WriteWideString(7, ToUtf16(Printer_->printerName()));
  const QPageSize Size = Printer_->pageLayout().pageSize();
  if (Size.id() != QPageSize::Custom)
    Writer.WriteInteger(8, static_cast<int32_t>(Size.id()));
  Writer.WriteInteger(9, Printer_->pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0);
  Writer.EndNode();
}

} // namespace facette
