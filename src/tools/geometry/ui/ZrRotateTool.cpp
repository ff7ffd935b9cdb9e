#include "tools/geometry/ui/ZrRotateTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "imaging/ui/ZrBitmapPainter.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/brush/ui/ZrDrawTools.h"
#include "tools/geometry/ui/ZrGeometryToolParts.h"
#include "tools/geometry/ui/ZrToolParts.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace facette {

namespace {

TZrRotateTool *CurrentRotateTool = nullptr;

} // namespace

TZrRotateTool *RotateTool()
{
  return CurrentRotateTool;
}

namespace {

QIcon FrameIcon(int Index)
{
  return geometryparts::ResourceIcon(
      QStringLiteral(":/icons/lists/rotate/%1.svg").arg(Index, 3, 10, QLatin1Char('0')));
}

} // namespace

// Frame

TZrRotateFrame::TZrRotateFrame(QWidget *Parent) : TZrFrame(Parent)
{
  TitleLabel = brushparts::NewTitleLabel(QStringLiteral("Rotation"), this);

  PreviewControl = new QWidget(this);
  PreviewPanel = new QWidget(PreviewControl);
  PreviewPanel->setFixedSize(176, 150);
  ThumbnailView = new TZrPaintBox(PreviewPanel);
  ThumbnailView->setGeometry(0, 0, 176, 150);
  const auto Radio = [this](const char *Caption, bool Checked) {
    auto *Button = new QRadioButton(QString::fromLatin1(Caption), PreviewControl);
    Button->setChecked(Checked);
    return Button;
  };
  RotateRightRadioButton = Radio("Rotate Right", true);
  RotateLeftRadioButton = Radio("Rotate Left", false);
  FlipHorizontalRadioButton = Radio("Flip Horizontal", false);
  FlipVerticalRadioButton = Radio("Flip Vertical", false);
  RotateButton = new QPushButton(QStringLiteral("Rotate Right"), PreviewControl);
  auto *PreviewLayout = new QVBoxLayout(PreviewControl);
  PreviewLayout->setContentsMargins(0, 0, 0, 0);
  PreviewLayout->addWidget(PreviewPanel, 0, Qt::AlignHCenter);
  for (QWidget *W :
       {static_cast<QWidget *>(RotateRightRadioButton),
        static_cast<QWidget *>(RotateLeftRadioButton),
        static_cast<QWidget *>(FlipHorizontalRadioButton),
        static_cast<QWidget *>(FlipVerticalRadioButton), static_cast<QWidget *>(RotateButton)})
    PreviewLayout->addWidget(W);

  const auto Direct = [this](const char *Caption, int Image) {
    auto *Button = new QPushButton(FrameIcon(Image), QString::fromLatin1(Caption), this);
    Button->setIconSize(QSize(24, 24));
    Button->setStyleSheet(QStringLiteral("text-align: left; padding: 4px"));
    return Button;
  };
  RotateRightButton = Direct("Rotate Right", 2);
  RotateLeftButton = Direct("Rotate Left", 3);
  FlipHorizontalButton = Direct("Flip Horizontal", 4);
  FlipVerticalButton = Direct("Flip Vertical", 5);

  ShowOptions = new QToolButton(this);
  ShowOptions->setText(QStringLiteral("Show Options"));
  ShowOptions->setAutoRaise(true);
  ShowOptions->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  ShowOptions->setCursor(Qt::PointingHandCursor);
  QFont LinkFont = ShowOptions->font();
  LinkFont.setUnderline(true);
  ShowOptions->setFont(LinkFont);

  Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(4);
  for (QWidget *W :
       {static_cast<QWidget *>(TitleLabel), PreviewControl,
        static_cast<QWidget *>(RotateRightButton), static_cast<QWidget *>(RotateLeftButton),
        static_cast<QWidget *>(FlipHorizontalButton), static_cast<QWidget *>(FlipVerticalButton),
        static_cast<QWidget *>(ShowOptions)})
    Layout->addWidget(W);
  Layout->addStretch(1);
  // The frame belongs to the tool panel, not to the application.
  Initialize();
}

uint8_t TZrRotateFrame::SelectedOperation() const
{
  if (RotateLeftRadioButton->isChecked())
    return roRotateLeft;
  if (RotateRightRadioButton->isChecked())
    return roRotateRight;
  if (FlipHorizontalRadioButton->isChecked())
    return roFlipHorizontal;
  if (FlipVerticalRadioButton->isChecked())
    return roFlipVertical;
  return roNone;
}

void TZrRotateFrame::CheckRadio(QRadioButton *Button)
{
  if (Button)
    Button->setChecked(true);
}

QRadioButton *TZrRotateFrame::CheckedRadio() const
{
  for (QRadioButton *Button : {RotateLeftRadioButton, RotateRightRadioButton,
                               FlipHorizontalRadioButton, FlipVerticalRadioButton})
    if (Button->isChecked())
      return Button;
  return nullptr;
}

// Tool

TZrRotateTool::TZrRotateTool()
{
  CurrentRotateTool = this;
  Button = brushparts::CreateToolButton(*this, 2024, true);
  Button->setIcon(geometryparts::ResourceIcon(QStringLiteral(":/images/Right.svg")));
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    Frame = Panel->CreateToolFrame<TZrRotateFrame>();
    Frame->ThumbnailView->OnPaint = [this](TZrPaintBox &Box, QPainter &Painter) {
      // A frame over the box, then the preview in its middle.
      Painter.setPen(Qt::black);
      Painter.setBrush(Qt::white);
      Painter.drawRect(QRect(0, 0, Box.width() - 1, Box.height() - 1));
      if (!Frame->PreviewBitmap)
        return;
      const TZrLTBitmap &Preview = *Frame->PreviewBitmap;
      const int X = (Box.width() - Preview.GetWidth()) / 2;
      const int Y = (Box.height() - Preview.GetHeight()) / 2;
      Painter.drawImage(QPoint(X, Y), BitmapImage(Preview.GetHandle()));
    };
    for (QRadioButton *Radio : {Frame->RotateRightRadioButton, Frame->RotateLeftRadioButton,
                                Frame->FlipHorizontalRadioButton, Frame->FlipVerticalRadioButton})
      connect(Radio, &QRadioButton::toggled, this,
              [this, Radio] { RotateRadioButtonChange(Radio); });
    const auto Click = [this](QPushButton *Pressed, uint8_t Operation, const char *Name) {
      connect(Pressed, &QPushButton::clicked, this, [this, Operation, Name] {
        Perform(Operation);
        DemoRegistry().RecordDemoCommand(QString::fromLatin1(Name));
      });
    };
    Click(Frame->RotateRightButton, roRotateRight, "RotationRight");
    Click(Frame->RotateLeftButton, roRotateLeft, "RotationLeft");
    Click(Frame->FlipHorizontalButton, roFlipHorizontal, "RotationHorizontal");
    Click(Frame->FlipVerticalButton, roFlipVertical, "RotationVertical");
    connect(Frame->RotateButton, &QPushButton::clicked, this, [this] { RotateButtonClick(); });
    connect(Frame->ShowOptions, &QToolButton::clicked, this, [this] { ShowOptionsButtonClick(); });
  }
  DemoName = QStringLiteral("Rotation");
  SetOptionsShown(false);
}

TZrRotateTool::~TZrRotateTool()
{
  if (CurrentRotateTool == this)
    CurrentRotateTool = nullptr;
}

void TZrRotateTool::Perform(uint8_t Operation)
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsView *ActiveView = Editor ? Editor->ActiveView() : nullptr;
  if (!ActiveView || Operation == roNone)
    return;
  // An image handed over by the filter plug-in must keep its size.
  if (Editor->PlugInMode && (Operation == roRotateLeft || Operation == roRotateRight))
    Operation = roRotate180;
  TZrBusyWork Busy;
  // The edit is opened without fetching the pixel windows: a turn reads
  // none of them, and what the document still owes of earlier turns (the
  // backup, the original) then waits until somebody asks for it.
  TZrGraphicsDocument &Doc = ActiveView->Document;
  Doc.BeginEdit(this, false);
  View = ActiveView;
  Document = &Doc;
  LastOperation = Operation;
  Done = PerformRotateOperation(Doc, Operation);
  RefreshPreview();
  EndEdit();
}

void TZrRotateTool::Commit()
{
  // Nothing done (no memory for the turned image): nothing to undo.
  if (!Document || !Done)
    return;
  Done = false;
  Document->History.Add(
      std::make_unique<TZrRotateCommandState>(this, *Document, LastOperation, this));
}

void TZrRotateTool::BeginStateChange()
{
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TZrRotateTool::EndStateChange()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  PrepareThumbnail(Editor ? Editor->ActiveDocument() : nullptr);
  UpdatePreview();
  QApplication::restoreOverrideCursor();
}

void TZrRotateTool::SetOptionsShown(bool Value)
{
  OptionsShown = Value;
  LayoutOptions();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RecordDemoMove(QStringLiteral("RotationOptions"));
  Registry.RecordDemoLine(Value ? QStringLiteral("RotationShowOptions")
                                : QStringLiteral("RotationHideOptions"));
}

void TZrRotateTool::LayoutOptions()
{
  if (!Frame)
    return;
  Frame->PreviewControl->setVisible(OptionsShown);
  for (QWidget *Direct : {Frame->RotateRightButton, Frame->RotateLeftButton,
                          Frame->FlipHorizontalButton, Frame->FlipVerticalButton})
    Direct->setVisible(!OptionsShown);
  if (OptionsShown) {
    UpdatePreview();
    Frame->ShowOptions->setIcon(FrameIcon(1));
    Frame->ShowOptions->setText(LocalString(2020, QStringLiteral("Hide Options")));
  } else {
    Frame->ShowOptions->setIcon(FrameIcon(0));
    Frame->ShowOptions->setText(LocalString(2019, QStringLiteral("Show More Options")));
  }
}

void TZrRotateTool::RefreshPreview()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  PrepareThumbnail(Editor ? Editor->ActiveDocument() : nullptr);
  UpdatePreview();
}

void TZrRotateTool::PrepareThumbnail(TZrGraphicsDocument *Doc)
{
  if (!Frame)
    return;
  Frame->Thumbnail.reset();
  if (!Doc || !Active || !Frame->PreviewControl->isVisibleTo(Frame))
    return;
  const int MaxSize = std::min(Frame->ThumbnailView->width(), Frame->ThumbnailView->height()) - 2;
  Frame->Thumbnail = Doc->CreatePreview(MaxSize);
}

void TZrRotateTool::UpdatePreview()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  if (!Frame || !Active || !Frame->PreviewControl->isVisibleTo(Frame) || !Doc)
    return;
  Frame->PreviewBitmap.reset();
  if (!Frame->Thumbnail)
    PrepareThumbnail(Doc);
  if (Frame->Thumbnail) {
    std::unique_ptr<TZrLTBitmap> Preview = Frame->Thumbnail->Clone();
    if (Preview) {
      switch (Frame->SelectedOperation()) {
      case roRotateLeft:
        Preview->RotateLeft();
        break;
      case roRotateRight:
        Preview->RotateRight();
        break;
      case roFlipHorizontal:
        Preview->FlipHorizontal();
        break;
      case roFlipVertical:
        Preview->FlipVertical();
        break;
      default:
        break;
      }
    }
    Frame->PreviewBitmap = std::move(Preview);
  }
  Frame->ThumbnailView->update();
}

void TZrRotateTool::AddToolbarItems()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TMainForm *Main = Editor ? Editor->MainWindow() : nullptr;
  if (!Main)
    return;
  QToolBar *Toolbar = Editor->StandardToolbar;
  Toolbar->addSeparator();
  Main->AddToolbarItem(
      Toolbar, Main->Images(), nullptr, LocalString(2025), 16, [this] { RotateRight(); },
      RotateRightItem);
  Main->AddToolbarItem(
      Toolbar, Main->Images(), nullptr, LocalString(2026), 17, [this] { RotateLeft(); },
      RotateLeftItem);
  Main->AddToolbarItem(
      Toolbar, Main->Images(), nullptr, LocalString(2109), 18, [this] { FlipVertical(); },
      FlipVerticalItem);
  Main->AddToolbarItem(
      Toolbar, Main->Images(), nullptr, LocalString(2110), 19, [this] { FlipHorizontal(); },
      FlipHorizontalItem);
}

void TZrRotateTool::RotateRadioButtonChange(QRadioButton *Sender)
{
  if (!Frame || !Sender->isChecked())
    return;
  Frame->RotateButton->setText(Sender->text());
  UpdatePreview();
  const char *Name = Sender == Frame->RotateLeftRadioButton       ? "RotationLeftOption"
                     : Sender == Frame->RotateRightRadioButton    ? "RotationRightOption"
                     : Sender == Frame->FlipHorizontalRadioButton ? "RotationHorizontalOption"
                                                                  : "RotationVerticalOption";
  DemoRegistry().RecordDemoCommand(QString::fromLatin1(Name));
}

void TZrRotateTool::RotateButtonClick()
{
  if (!Frame)
    return;
  Perform(Frame->SelectedOperation());
  UpdatePreview();
  DemoRegistry().RecordDemoCommand(QStringLiteral("RotationPerform"));
}

void TZrRotateTool::Localize()
{
  const auto Caption = [](QAction *Item, int Id) {
    if (Item) {
      Item->setText(LocalString(Id));
      Item->setToolTip(LocalString(Id));
    }
  };
  Caption(Button, 2024);
  Caption(RotateRightItem, 2025);
  Caption(RotateLeftItem, 2026);
  Caption(FlipVerticalItem, 2109);
  Caption(FlipHorizontalItem, 2110);
  if (!Frame)
    return;
  Frame->TitleLabel->setText(LocalString(2024));
  Frame->RotateRightButton->setText(LocalString(2025));
  Frame->RotateRightRadioButton->setText(LocalString(2025));
  Frame->RotateLeftButton->setText(LocalString(2026));
  Frame->RotateLeftRadioButton->setText(LocalString(2026));
  Frame->FlipHorizontalButton->setText(LocalString(2110));
  Frame->FlipHorizontalRadioButton->setText(LocalString(2110));
  Frame->FlipVerticalButton->setText(LocalString(2109));
  Frame->FlipVerticalRadioButton->setText(LocalString(2109));
  Frame->ShowOptions->setText(OptionsShown
                                  ? LocalString(2020, QStringLiteral("Hide Options"))
                                  : LocalString(2019, QStringLiteral("Show More Options")));
  if (QRadioButton *Checked = Frame->CheckedRadio())
    Frame->RotateButton->setText(Checked->text());
}

void TZrRotateTool::UpdateControls()
{
  const bool Enabled = GraphicsEditor() && GraphicsEditor()->CanSelectTool(this);
  toolparts::UpdateButtonAndFrame(*this, Button, Frame);
  for (QAction *Item : {RotateRightItem, RotateLeftItem, FlipVerticalItem, FlipHorizontalItem})
    if (Item)
      Item->setEnabled(Enabled);
}

void TZrRotateTool::DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                                       bool &Handled, QPoint &Point)
{
  if (!geometryparts::ButtonTarget(ToQString(Params.StringArgument(0)).toUpper(),
                                   QStringLiteral("ROTATION"), Button, Handled, Point))
    TZrGraphicsTool::DemoTargetPosition(Playback, Params, Handled, Point);
}

void TZrRotateTool::DocumentOpened(TZrGraphicsDocument &Doc)
{
  if (Frame) {
    PrepareThumbnail(&Doc);
    UpdatePreview();
  }
  TZrGraphicsTool::DocumentOpened(Doc);
}

void TZrRotateTool::InitializeTool()
{
  TZrDemoRegistry &Registry = DemoRegistry();
  const auto Name = [this](const char *Suffix) { return DemoName + QString::fromLatin1(Suffix); };
  const auto Call = [](void (TZrRotateTool::*Method)()) {
    return [Method] {
      if (TZrRotateTool *Tool = RotateTool())
        (Tool->*Method)();
    };
  };
  Registry.RegisterDemoComponent(DemoName, Button);
  if (Frame) {
    Registry.RegisterDemoComponent(Name("View"), Frame->ThumbnailView);
    const auto Option = [&](const char *Suffix, QRadioButton *TZrRotateFrame::*Radio) {
      Registry.RegisterDemoComponent(Name(Suffix), Frame->*Radio);
      Registry.RegisterDemoCommand(Name(Suffix), [Radio] {
        if (TZrRotateTool *Tool = RotateTool(); Tool && Tool->Frame)
          Tool->Frame->CheckRadio(Tool->Frame->*Radio);
      });
    };
    Option("RightOption", &TZrRotateFrame::RotateRightRadioButton);
    Option("LeftOption", &TZrRotateFrame::RotateLeftRadioButton);
    Option("HorizontalOption", &TZrRotateFrame::FlipHorizontalRadioButton);
    Option("VerticalOption", &TZrRotateFrame::FlipVerticalRadioButton);
    Registry.RegisterDemoComponent(Name("Right"), Frame->RotateRightButton);
    Registry.RegisterDemoComponent(Name("Left"), Frame->RotateLeftButton);
    Registry.RegisterDemoComponent(Name("Horizontal"), Frame->FlipHorizontalButton);
    Registry.RegisterDemoComponent(Name("Vertical"), Frame->FlipVerticalButton);
    Registry.RegisterDemoComponent(Name("Perform"), Frame->RotateButton);
    Registry.RegisterDemoComponent(Name("Options"), Frame->ShowOptions);
  }
  Registry.RegisterDemoCommand(Name("Right"), Call(&TZrRotateTool::RotateRight));
  Registry.RegisterDemoCommand(Name("Left"), Call(&TZrRotateTool::RotateLeft));
  Registry.RegisterDemoCommand(Name("Horizontal"), Call(&TZrRotateTool::FlipHorizontal));
  Registry.RegisterDemoCommand(Name("Vertical"), Call(&TZrRotateTool::FlipVertical));
  Registry.RegisterDemoCommand(Name("Perform"), Call(&TZrRotateTool::RotateButtonClick));
  const auto ShowOptionsCommand = [](bool Value) {
    if (TZrRotateTool *Tool = RotateTool())
      Tool->SetOptionsShown(Value);
  };
  Registry.RegisterDemoBooleanCommand(Name("ShowOptions"), ShowOptionsCommand, true);
  Registry.RegisterDemoBooleanCommand(Name("HideOptions"), ShowOptionsCommand, false);
}

void TZrRotateTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrGraphicsTool::SetEnabled(Value);
}

void TZrRotateTool::Activate()
{
  TZrGraphicsTool::Activate();
  brushparts::BringToFront(Frame);
  RefreshPreview();
}

} // namespace facette
