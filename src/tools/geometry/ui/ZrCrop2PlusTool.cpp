#include "tools/geometry/ui/ZrCrop2PlusTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrToolPanel.h"
#include "editor/ui/ZrVirtualKeys.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrSDF.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/geometry/ui/ZrGeometryToolParts.h"
#include "tools/geometry/ui/ZrToolParts.h"
#include "tools/geometry/ZrGeometryCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <new>

namespace facette {

namespace {

TZrCrop2PlusTool *CurrentCropTool = nullptr;

} // namespace

TZrCrop2PlusTool *CropTool()
{
  return CurrentCropTool;
}

// Frame

TZrCrop2PlusFrame::TZrCrop2PlusFrame(QWidget *Parent) : TZrFrame(Parent)
{
  TitleLabel = brushparts::NewTitleLabel(QStringLiteral("Crop"), this);
  DescriptionLabel = new QLabel(QStringLiteral("Description"), this);
  DescriptionLabel->setWordWrap(true);

  SidesRatioTntGroupBox = new QGroupBox(QStringLiteral("Sides Ratio"), this);
  rbFree = new QRadioButton(QStringLiteral("Loose"), SidesRatioTntGroupBox);
  rbFree->setChecked(true);
  rbFoto = new QRadioButton(QStringLiteral("Print Formats"), SidesRatioTntGroupBox);
  rbScreen = new QRadioButton(QStringLiteral("Screen Formats"), SidesRatioTntGroupBox);
  auto *RatioLayout = new QVBoxLayout(SidesRatioTntGroupBox);
  for (QRadioButton *Radio : {rbFree, rbFoto, rbScreen})
    RatioLayout->addWidget(Radio);

  SizePanel = new QWidget(this);
  WidthLabel = new QLabel(QStringLiteral("Width:"), SizePanel);
  HeightLabel = new QLabel(QStringLiteral("Height:"), SizePanel);
  const auto Entry = [this] {
    auto *Edit = new QSpinBox(SizePanel);
    Edit->setRange(1, 65535);
    Edit->setValue(1);
    return Edit;
  };
  WidthEdit = Entry();
  HeightEdit = Entry();
  auto *SizeGrid = new QGridLayout(SizePanel);
  SizeGrid->setContentsMargins(0, 0, 0, 0);
  SizeGrid->addWidget(WidthLabel, 0, 0);
  SizeGrid->addWidget(WidthEdit, 0, 1);
  SizeGrid->addWidget(HeightLabel, 1, 0);
  SizeGrid->addWidget(HeightEdit, 1, 1);
  SizeGrid->setColumnStretch(1, 1);

  const auto Formats = [this](QWidget *&Panel, QComboBox *&Combo, auto &Items) {
    Panel = new QWidget(this);
    Combo = new QComboBox(Panel);
    for (std::string_view Item : Items)
      Combo->addItem(QString::fromLatin1(Item.data(), static_cast<int>(Item.size())));
    Combo->setCurrentIndex(0);
    auto *Row = new QVBoxLayout(Panel);
    Row->setContentsMargins(0, 0, 0, 0);
    Row->addWidget(Combo);
  };
  Formats(panelScreen, cmbScreen, ScreenFormatItems);
  Formats(panelFoto, cmbFoto, PrintFormatItems);

  gbCurrentResolution = new QGroupBox(this);
  lblCurrentResolution = new QLabel(gbCurrentResolution);
  auto *ResolutionLayout = new QVBoxLayout(gbCurrentResolution);
  ResolutionLayout->addWidget(lblCurrentResolution);

  auto *Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(6);
  for (QWidget *W : {static_cast<QWidget *>(TitleLabel), static_cast<QWidget *>(DescriptionLabel),
                     static_cast<QWidget *>(SidesRatioTntGroupBox), SizePanel, panelScreen,
                     panelFoto, static_cast<QWidget *>(gbCurrentResolution)})
    Layout->addWidget(W);
  Layout->addStretch(1);
  Initialize();
}

// Control

TZrCrop2PlusTool *TZrCrop2PlusToolControl::CropTool() const
{
  return static_cast<TZrCrop2PlusTool *>(Tool);
}

TZrPoint TZrCrop2PlusToolControl::ToImage(TZrPoint Point) const
{
  return View.MapMode().DeviceToLogical(Point);
}

TZrRect TZrCrop2PlusToolControl::VisibleRect() const
{
  return View.Document.GetVisibleRect();
}

TZrRect TZrCrop2PlusToolControl::SelectionOnView() const
{
  return CropTool() ? View.MapMode().LogicalToDeviceRect(CropTool()->CropSelection) : TZrRect{};
}

int32_t TZrCrop2PlusToolControl::CropHitTest(TZrPoint Point) const
{
  return facette::CropHitTest(Point, SelectionOnView());
}

void TZrCrop2PlusToolControl::ShowSelectionSize() const
{
  const TZrCrop2PlusTool *Crop = CropTool();
  if (!Crop || Crop->CropSelection.IsEmpty())
    return;
  const int32_t W = Crop->CropSelection.Width(), H = Crop->CropSelection.Height();
  if (TZrGraphicsEditor *Editor = GraphicsEditor()) {
    Editor->SetWidthStatus(QString::number(W));
    Editor->SetHeightStatus(QString::number(H));
  }
  const_cast<TZrCrop2PlusTool *>(Crop)->ShowSelectionSize(W, H);
}

void TZrCrop2PlusToolControl::PerformCrop()
{
  if (TZrCrop2PlusTool *Crop = CropTool())
    Crop->Perform();
  DemoRegistry().RecordDemoCommand(QStringLiteral("CropPerform"));
  State = Idle;
  Invalidate();
}

void TZrCrop2PlusToolControl::CancelCrop()
{
  if (TZrCrop2PlusTool *Crop = CropTool())
    Crop->CancelEdit();
  DemoRegistry().RecordDemoCommand(QStringLiteral("CropCancel"));
  State = Idle;
  Invalidate();
}

TZrRect TZrCrop2PlusToolControl::GetOverlayBounds(const TZrMapMode &MapMode) const
{
  TZrRect R = MapMode.LogicalToDeviceRect(View.Document.ImageBounds());
  if (State == Adjusting)
    R = MakeRect(R.Left - 5, R.Top - 5, R.Right + 5, R.Bottom + 5);
  return R;
}

void TZrCrop2PlusToolControl::PaintOverlay(TZrViewCanvas &Canvas)
{
  if (State == Idle || !CropTool())
    return;
  const TZrRect V = Canvas.MapMode.LogicalToDeviceRect(VisibleRect());
  const TZrRect S = Canvas.MapMode.LogicalToDeviceRect(CropTool()->CropSelection);
  if (S.IsEmpty())
    return;
  if (State == Adjusting || State == Dragging)
    geometryparts::DarkenOutside(Canvas, V, S);
  if (State == Adjusting)
    // Each square inverted, then its inside inverted back: a one-pixel
    // frame that shows on any colour.
    for (int32_t Code : CropHandlePaintOrder) {
      const TZrPoint Centre = CropHandleCentre(Code, S);
      geometryparts::InvertOnCanvas(Canvas, CropHandleSquare(Centre, CropHandleSide));
      geometryparts::InvertOnCanvas(Canvas, CropHandleSquare(Centre, CropHandleInnerSide));
    }
  geometryparts::DrawFocusRect(Canvas, S);
}

void TZrCrop2PlusToolControl::Activate()
{
  TZrGraphicsToolControl::Activate();
  SetVisible(true);
}

void TZrCrop2PlusToolControl::Deactivate()
{
  SetVisible(false);
  TZrGraphicsToolControl::Deactivate();
}

bool TZrCrop2PlusToolControl::GetCursor(TZrShiftState, TZrPoint Point, int32_t &Cursor)
{
  if (!Active)
    return false;
  if (State == Idle) {
    Cursor = crCross;
    return true;
  }
  if (State != Adjusting)
    return false;
  switch (CropHitTest(Point)) {
  case chInside:
    Cursor = crSizeAll;
    return true;
  case chTop:
  case chBottom:
    Cursor = crSizeNS;
    return true;
  case chTopRight:
  case chBottomLeft:
    Cursor = crSizeNESW;
    return true;
  case chRight:
  case chLeft:
    Cursor = crSizeWE;
    return true;
  case chBottomRight:
  case chTopLeft:
    Cursor = crSizeNWSE;
    return true;
  default:
    return false;
  }
}

void TZrCrop2PlusToolControl::DoubleClick(TZrPoint Point)
{
  QApplication::beep();
  if (State == Adjusting && CropTool() &&
      !CropTool()->CropSelection.Contains(ToImage(Point).X, ToImage(Point).Y))
    PerformCrop();
}

bool TZrCrop2PlusToolControl::MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point)
{
  TZrCrop2PlusTool *Crop = CropTool();
  if (!Active || !Crop)
    return false;
  // The second press of a double click: its first click already did what
  // a click does; it must not start a selection of its own.
  if (Shift & ssDouble) {
    if (Button == mbLeft)
      DoubleClick(Point);
    return true;
  }
  if (State == Idle) {
    if (!View.MapMode().LogicalToDeviceRect(VisibleRect()).Contains(Point.X, Point.Y))
      return false;
    if (TZrGraphicsEditor *Editor = GraphicsEditor())
      Editor->LockTool();
    Anchor = ToImage(Point);
    Crop->CropSelection = MakeRect(Anchor.X, Anchor.Y, Anchor.X + 1, Anchor.Y + 1);
    State = Drawing;
    Invalidate();
    return true;
  }
  if (State == Adjusting) {
    DragHandle = CropHitTest(Point);
    if (DragHandle >= chInside) {
      Anchor = ToImage(Point);
      DragStartRect = Crop->CropSelection;
      Invalidate();
      State = Dragging;
      return true;
    }
  }
  return false;
}

bool TZrCrop2PlusToolControl::MouseMove(TZrShiftState, TZrPoint Point)
{
  TZrCrop2PlusTool *Crop = CropTool();
  if (!Active || !Crop)
    return false;
  bool Handled = false;
  const TZrPoint Q = ToImage(Point);
  if (State == Drawing) {
    Crop->CropSelection =
        DrawCropSelection(Anchor, Q, Crop->CropSelection, VisibleRect(), Crop->Ratio);
    Invalidate();
    Handled = true;
  } else if (State == Dragging && DragHandle >= chInside) {
    const TZrRect New =
        DragCropSelection(DragHandle, DragStartRect, TZrPoint{Q.X - Anchor.X, Q.Y - Anchor.Y},
                          Crop->CropSelection, VisibleRect(), Crop->Ratio);
    const TZrMapMode &Map = View.MapMode();
    const TZrRect OldOnView = SelectionOnView(), NewOnView = Map.LogicalToDeviceRect(New);
    if (NewOnView != OldOnView) {
      // The frame, and the bands where they change; handles reach 5
      // pixels out.
      const TZrRect Both = UnionRect(OldOnView, NewOnView);
      View.InvalidateRect(MakeRect(Both.Left - 6, Both.Top - 6, Both.Right + 6, Both.Bottom + 6));
      Crop->CropSelection = New;
    }
    Handled = true;
  }
  // An idle tool keeps the image's size in the status bar.
  if (State != Idle)
    ShowSelectionSize();
  return Handled;
}

bool TZrCrop2PlusToolControl::MouseUp(int32_t Button, TZrShiftState, TZrPoint Point)
{
  TZrCrop2PlusTool *Crop = CropTool();
  if (!Active || !Crop)
    return false;
  const TZrPoint Q = ToImage(Point);
  if (State == Adjusting && !Crop->CropSelection.Contains(Q.X, Q.Y)) {
    if (Button == mbLeft)
      PerformCrop();
    else if (Button == mbRight)
      CancelCrop();
    return true;
  }
  if (State == Drawing || State == Dragging) {
    State = Adjusting;
    Invalidate();
    ShowSelectionSize();
    return true;
  }
  return false;
}

bool TZrCrop2PlusToolControl::KeyDown(int32_t Key, TZrShiftState)
{
  if (!Active || State == Idle)
    return false;
  if (Key == vkEscape)
    CancelCrop();
  else if (Key == vkReturn)
    PerformCrop();
  // While a selection is shown every key belongs to it.
  return true;
}

// Tool

TZrCrop2PlusTool::TZrCrop2PlusTool()
{
  CurrentCropTool = this;
  Button = brushparts::CreateToolButton(*this, 135, true);
  Button->setIcon(geometryparts::ResourceIcon(QStringLiteral(":/images/Crop.svg")));
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    Frame = Panel->CreateToolFrame<TZrCrop2PlusFrame>();
    for (QRadioButton *Radio : {Frame->rbFree, Frame->rbFoto, Frame->rbScreen})
      connect(Radio, &QRadioButton::clicked, this, [this] { OnRadioGroupClick(); });
    connect(Frame->cmbFoto, &QComboBox::activated, this, [this](int Index) {
      SetRatio(1);
      DemoRegistry().RecordDemoCommand(QStringLiteral("CropPrintFormat"), QString::number(Index));
    });
    connect(Frame->cmbScreen, &QComboBox::activated, this, [this](int Index) {
      SetRatio(2);
      DemoRegistry().RecordDemoCommand(QStringLiteral("CropScreenFormat"), QString::number(Index));
    });
    connect(Frame->WidthEdit, &QSpinBox::valueChanged, this,
            [this](int Value) { WidthEditChange(Value); });
    connect(Frame->HeightEdit, &QSpinBox::valueChanged, this,
            [this](int Value) { HeightEditChange(Value); });
  }
  DemoName = QStringLiteral("Crop");
  ControlClass = ControlClassOf<TZrCrop2PlusToolControl>();
  Exclusive = true;
  Ratio = {};
}

TZrCrop2PlusTool::~TZrCrop2PlusTool()
{
  if (CurrentCropTool == this)
    CurrentCropTool = nullptr;
}

TZrCrop2PlusToolControl *TZrCrop2PlusTool::FirstControl() const
{
  return static_cast<TZrCrop2PlusToolControl *>(GetControl(0));
}

void TZrCrop2PlusTool::Perform()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsView *ActiveView = Editor ? Editor->ActiveView() : nullptr;
  if (ActiveView) {
    const TZrRect S = CropSelection;
    BeginEdit(*ActiveView);
    TZrGraphicsDocument &Doc = ActiveView->Document;
    try {
      auto State = std::make_unique<TZrCrop2PlusCommandState>(this, Doc, S);
      // A rectangle that misses the image cuts nothing: nothing to undo.
      if (Doc.Crop(S))
        Doc.History.Add(std::move(State));
    } catch (const std::bad_alloc &Error) {
      ZrApplication().ShowException(Error);
    }
    EndEdit();
  }
  if (TZrCrop2PlusToolControl *Control = FirstControl()) {
    Control->Invalidate();
    Control->State = TZrCrop2PlusToolControl::Idle;
  }
  if (Editor)
    Editor->UnlockTool();
}

void TZrCrop2PlusTool::SetRatio(int32_t Kind)
{
  if (Kind == 1 && Frame)
    Ratio = ParseCropRatio(Frame->cmbFoto->currentText().toStdString());
  else if (Kind == 2 && Frame)
    Ratio = ParseCropRatio(Frame->cmbScreen->currentText().toStdString());
  else
    Ratio = {};
}

void TZrCrop2PlusTool::SelectRatio(int32_t Kind, int32_t ItemIndex)
{
  if (!Frame)
    return;
  QComboBox *Combo = Kind == 1 ? Frame->cmbFoto : Kind == 2 ? Frame->cmbScreen : nullptr;
  if (Combo && ItemIndex >= 0 && ItemIndex < Combo->count())
    Combo->setCurrentIndex(ItemIndex);
  (Kind == 1 ? Frame->rbFoto : Kind == 2 ? Frame->rbScreen : Frame->rbFree)->setChecked(true);
  SetRatio(Kind);
}

void TZrCrop2PlusTool::OnRadioGroupClick()
{
  if (!Frame)
    return;
  const int32_t Kind = Frame->rbFoto->isChecked() ? 1 : Frame->rbScreen->isChecked() ? 2 : 0;
  SetRatio(Kind);
  if (Kind == 0)
    DemoRegistry().RecordDemoCommand(QStringLiteral("CropFreeRatio"));
  else
    DemoRegistry().RecordDemoCommand(
        Kind == 1 ? QStringLiteral("CropPrintFormat") : QStringLiteral("CropScreenFormat"),
        QString::number((Kind == 1 ? Frame->cmbFoto : Frame->cmbScreen)->currentIndex()));
}

void TZrCrop2PlusTool::ShowSelectionSize(int32_t Width, int32_t Height)
{
  if (!Frame)
    return;
  const QSignalBlocker BlockWidth(Frame->WidthEdit), BlockHeight(Frame->HeightEdit);
  Frame->WidthEdit->setValue(Width);
  Frame->HeightEdit->setValue(Height);
}

void TZrCrop2PlusTool::WidthEditChange(int Value)
{
  SideEditChange(Value, SetCropSelectionWidth, &TZrLTBitmap::GetWidth);
}

void TZrCrop2PlusTool::HeightEditChange(int Value)
{
  SideEditChange(Value, SetCropSelectionHeight, &TZrLTBitmap::GetHeight);
}

void TZrCrop2PlusTool::SideEditChange(int Value, bool (*SetSide)(TZrRect &, int32_t, int32_t),
                                      int32_t (TZrLTBitmap::*ImageSide)() const)
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  if (!Doc || Value <= 0)
    return;
  if (!SetSide(CropSelection, Value, (Doc->Image().*ImageSide)())) {
    // Larger than the image: the entry shows the selection again.
    ShowSelectionSize(CropSelection.Width(), CropSelection.Height());
    return;
  }
  if (TZrCrop2PlusToolControl *Control = FirstControl())
    Control->Invalidate();
}

void TZrCrop2PlusTool::Localize()
{
  if (Button)
    Button->setToolTip(LocalString(135, QStringLiteral("Crop")));
  if (!Frame)
    return;
  Frame->TitleLabel->setText(LocalString(135, QStringLiteral("Crop")));
  Frame->DescriptionLabel->setText(LocalString(2900));
  Frame->SidesRatioTntGroupBox->setTitle(LocalString(2901));
  Frame->rbFree->setText(LocalString(2902));
  Frame->rbFoto->setText(LocalString(2903));
  Frame->rbScreen->setText(LocalString(2904));
  Frame->WidthLabel->setText(LocalString(505) + QLatin1Char(':'));
  Frame->HeightLabel->setText(LocalString(506) + QLatin1Char(':'));
}

void TZrCrop2PlusTool::LoadSettings(TZrSDFReader &Reader)
{
  TZrGraphicsTool::LoadSettings(Reader);
  if (Reader.EnterNode(1, SettingsGuid))
    Reader.LeaveNode();
}

void TZrCrop2PlusTool::SaveSettings(TZrSDFWriter &Writer)
{
  TZrGraphicsTool::SaveSettings(Writer);
  Writer.BeginNode(1, SettingsGuid);
  Writer.EndNode();
}

void TZrCrop2PlusTool::UpdateControls()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  toolparts::UpdateButtonAndFrame(*this, Button, Frame);
  if (Editor && Editor->CurrentTool() == this) {
    // Undo and redo wait while a selection is shown: the image it was made
    // on must stay.
    const TZrCrop2PlusToolControl *Control = FirstControl();
    const bool Selecting = Control && Control->State != TZrCrop2PlusToolControl::Idle;
    const bool Undo = !Selecting && Editor->CanUndo(), Redo = !Selecting && Editor->CanRedo();
    for (QAction *Item : {Editor->UndoMenuItem, Editor->UndoAllMenuItem, Editor->UndoToolButton})
      if (Item)
        Item->setEnabled(Undo);
    for (QAction *Item : {Editor->RedoMenuItem, Editor->RedoAllMenuItem, Editor->RedoToolButton})
      if (Item)
        Item->setEnabled(Redo);
  }
  if (!Frame)
    return;
  Frame->SizePanel->setVisible(Frame->rbFree->isChecked());
  Frame->panelFoto->setVisible(Frame->rbFoto->isChecked());
  Frame->panelScreen->setVisible(Frame->rbScreen->isChecked());
  Frame->gbCurrentResolution->setVisible(Frame->rbScreen->isChecked());
  QSize Screen;
  if (const QScreen *Shown = Frame->screen())
    Screen = Shown->size();
  const QString Resolution = LocalString(2890) + QStringLiteral(": ") +
                             QString::number(Screen.width()) + QLatin1Char('x') +
                             QString::number(Screen.height());
  if (Frame->lblCurrentResolution->text() != Resolution)
    Frame->lblCurrentResolution->setText(Resolution);
}

void TZrCrop2PlusTool::DemoTargetPosition(IZrDemoPlayback *Playback,
                                          const TZrDemoScriptParams &Params, bool &Handled,
                                          QPoint &Point)
{
  if (!geometryparts::ButtonTarget(ToQString(Params.StringArgument(0)).toUpper(),
                                   QStringLiteral("CROP"), Button, Handled, Point))
    TZrGraphicsTool::DemoTargetPosition(Playback, Params, Handled, Point);
}

void TZrCrop2PlusTool::CancelEdit()
{
  if (TZrCrop2PlusToolControl *Control = FirstControl()) {
    Control->Invalidate();
    Control->State = TZrCrop2PlusToolControl::Idle;
  }
  if (TZrGraphicsEditor *Editor = GraphicsEditor())
    Editor->UnlockTool();
  TZrGraphicsTool::CancelEdit();
}

void TZrCrop2PlusTool::DocumentClosing(TZrGraphicsDocument &)
{
  if (const TZrCrop2PlusToolControl *Control = FirstControl();
      Control && Control->State != TZrCrop2PlusToolControl::Idle)
    CancelEdit();
}

void TZrCrop2PlusTool::InitializeTool()
{
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(DemoName, Button);
  Registry.RegisterDemoCommand(DemoName + QStringLiteral("Perform"), [] {
    if (TZrCrop2PlusTool *Tool = CropTool())
      Tool->Perform();
  });
  Registry.RegisterDemoCommand(DemoName + QStringLiteral("Cancel"), [] {
    if (TZrCrop2PlusTool *Tool = CropTool())
      Tool->CancelEdit();
  });
  // The side ratio, for demonstrations of the formats.
  if (Frame) {
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("FreeRatio"), Frame->rbFree);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("PrintFormat"), Frame->rbFoto);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("ScreenFormat"), Frame->rbScreen);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Width"), Frame->WidthEdit);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Height"), Frame->HeightEdit);
  }
  Registry.RegisterDemoCommand(DemoName + QStringLiteral("FreeRatio"), [] {
    if (TZrCrop2PlusTool *Tool = CropTool())
      Tool->SelectRatio(0, 0);
  });
  Registry.RegisterDemoIntegerCommand(
      DemoName + QStringLiteral("PrintFormat"),
      [](int Index) {
        if (TZrCrop2PlusTool *Tool = CropTool())
          Tool->SelectRatio(1, Index);
      },
      0);
  Registry.RegisterDemoIntegerCommand(
      DemoName + QStringLiteral("ScreenFormat"),
      [](int Index) {
        if (TZrCrop2PlusTool *Tool = CropTool())
          Tool->SelectRatio(2, Index);
      },
      0);
}

void TZrCrop2PlusTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrGraphicsTool::SetEnabled(Value);
}

void TZrCrop2PlusTool::Activate()
{
  TZrGraphicsTool::Activate();
  brushparts::BringToFront(Frame);
}

} // namespace facette
