#include "tools/geometry/ui/ZrResizeTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "imaging/ZrImageFile.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/geometry/ui/ZrGeometryToolParts.h"
#include "tools/geometry/ui/ZrToolParts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <new>

namespace facette {

namespace {

TZrResizeTool *Instance = nullptr;

} // namespace

TZrResizeTool *ResizeTool()
{
  return Instance;
}

// Frame

TZrResizeFrame::TZrResizeFrame(QWidget *Parent) : TZrFrame(Parent)
{
  TitleLabel = brushparts::NewTitleLabel(QStringLiteral("Resize"), this);

  SizePanel = new QWidget(this);
  NewSizeLabel = new QLabel(QStringLiteral("New Size:"), SizePanel);
  WidthLabel = new QLabel(QStringLiteral("Width:"), SizePanel);
  WidthEdit = new TZrUpDownEdit(SizePanel);
  HeightLabel = new QLabel(QStringLiteral("Height:"), SizePanel);
  HeightEdit = new TZrUpDownEdit(SizePanel);
  for (TZrUpDownEdit *Edit : {WidthEdit, HeightEdit})
    Edit->SetText(QStringLiteral("1"));
  auto *Grid = new QGridLayout(SizePanel);
  Grid->setContentsMargins(0, 0, 0, 0);
  Grid->addWidget(NewSizeLabel, 0, 0, 1, 2);
  Grid->addWidget(WidthLabel, 1, 0);
  Grid->addWidget(WidthEdit, 1, 1);
  Grid->addWidget(HeightLabel, 2, 0);
  Grid->addWidget(HeightEdit, 2, 1);
  Grid->setColumnStretch(1, 1);

  ConstrainProportionsCheckBox = new QCheckBox(QStringLiteral("Constrain Proportions"), this);

  OkPanel = new QWidget(this);
  OkButton = new QPushButton(QStringLiteral("Ok"), OkPanel);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), OkPanel);
  auto *Buttons = new QHBoxLayout(OkPanel);
  Buttons->setContentsMargins(0, 0, 0, 0);
  Buttons->addWidget(OkButton);
  Buttons->addWidget(CancelButton);

  auto *Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(6);
  Layout->addWidget(TitleLabel);
  Layout->addWidget(SizePanel);
  Layout->addWidget(ConstrainProportionsCheckBox);
  Layout->addWidget(OkPanel);
  Layout->addStretch(1);
  Initialize();
}

// Tool

TZrResizeTool::TZrResizeTool()
{
  Instance = this;
  Button = brushparts::CreateToolButton(*this, 108, true);
  Button->setIcon(geometryparts::ResourceIcon(QStringLiteral(":/images/Resize.svg")));
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    Frame = Panel->CreateToolFrame<TZrResizeFrame>();
    connect(Frame->WidthEdit, &TZrUpDownEdit::Edited, this,
            [this](const QString &Text) { WidthEditChange(Text); });
    connect(Frame->HeightEdit, &TZrUpDownEdit::Edited, this,
            [this](const QString &Text) { HeightEditChange(Text); });
    connect(Frame->WidthEdit, &TZrUpDownEdit::Changing, this, [this](int V) { SetNewWidth(V); });
    connect(Frame->HeightEdit, &TZrUpDownEdit::Changing, this, [this](int V) { SetNewHeight(V); });
    connect(Frame->ConstrainProportionsCheckBox, &QCheckBox::clicked, this,
            [this](bool Checked) { ConstrainProportionsCheckBoxChange(Checked); });
    connect(Frame->OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(Frame->CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
  }
  DemoName = QStringLiteral("Resize");
  SetConstrainProportions(true);
}

TZrResizeTool::~TZrResizeTool()
{
  if (Instance == this)
    Instance = nullptr;
}

int32_t TZrResizeTool::ImageWidth() const
{
  const TZrGraphicsEditor *Editor = GraphicsEditor();
  const TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  return Doc && Doc->HasImage() ? Doc->Image().GetWidth() : 1;
}

int32_t TZrResizeTool::ImageHeight() const
{
  const TZrGraphicsEditor *Editor = GraphicsEditor();
  const TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  return Doc && Doc->HasImage() ? Doc->Image().GetHeight() : 1;
}

void TZrResizeTool::ShowEntries()
{
  if (!Frame)
    return;
  Frame->WidthEdit->SetText(QString::number(Entries.NewWidth));
  Frame->HeightEdit->SetText(QString::number(Entries.NewHeight));
  Frame->ConstrainProportionsCheckBox->setChecked(Entries.ConstrainProportions);
}

void TZrResizeTool::SetNewWidth(int32_t Value)
{
  if (Entries.SetNewWidth(Value, ImageWidth(), ImageHeight()))
    ShowEntries();
}

void TZrResizeTool::SetNewHeight(int32_t Value)
{
  if (Entries.SetNewHeight(Value, ImageWidth(), ImageHeight()))
    ShowEntries();
}

void TZrResizeTool::SetConstrainProportions(bool Value)
{
  if (Entries.SetConstrainProportions(Value, ImageWidth(), ImageHeight()))
    ShowEntries();
}

bool TZrResizeTool::Perform()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsView *ActiveView = Editor ? Editor->ActiveView() : nullptr;
  if (!ActiveView)
    return false;
  const int32_t Width = Entries.NewWidth, Height = Entries.NewHeight;
  // Nothing could save a side past the JPEG library's limit, and nothing
  // of that size fits in memory anyway: say so instead of trying.
  if (Width < 1 || Height < 1 || Width > MaxImageSide || Height > MaxImageSide) {
    ZrApplication().MessageBox(
        LocalString(1201).replace(QStringLiteral("%s"), QString::number(MaxImageSide)),
        mb::OK | mb::IconWarning);
    AbortMouseAction();
    return false;
  }
  bool Done = false;
  {
    // Two steps: the original and the image are resampled one after the
    // other.
    TZrBusyWork Busy(2);
    BeginEdit(*ActiveView);
    TZrGraphicsDocument &Doc = ActiveView->Document;
    try {
      auto State = std::make_unique<TZrResizeCommandState>(this, Doc, Width, Height, this);
      Done = Doc.ResizeImage(Width, Height, true, true, [&Busy](int32_t Part, int32_t Parts) {
        Busy.Progress(Part * 2 / Parts);
        // Shown now: the main thread is busy until the resize ends.
        if (TProgressMeter *Meter = ProgressMeter(); Meter && Meter->Bar)
          Meter->Bar->repaint();
      });
      // A resize that could not be done leaves nothing to undo.
      if (Done)
        Doc.History.Add(std::move(State));
    } catch (const std::bad_alloc &) {
      Done = false;
    }
    EndEdit();
  }
  if (!Done)
    ZrApplication().MessageBox(
        LocalString(1200).replace(QStringLiteral("%s"),
                                  QStringLiteral("%1 \u00D7 %2").arg(Width).arg(Height)),
        mb::OK | mb::IconWarning);
  AbortMouseAction();
  return Done;
}

void TZrResizeTool::WidthEditChange(const QString &Text)
{
  bool Valid = false;
  const int32_t Value = Text.trimmed().toInt(&Valid);
  if (!Valid)
    return;
  SetNewWidth(Value);
  DemoRegistry().RecordDemoLine(DemoName + QStringLiteral("Width ") + QString::number(Value));
}

void TZrResizeTool::HeightEditChange(const QString &Text)
{
  bool Valid = false;
  const int32_t Value = Text.trimmed().toInt(&Valid);
  if (!Valid)
    return;
  SetNewHeight(Value);
  DemoRegistry().RecordDemoLine(DemoName + QStringLiteral("Height ") + QString::number(Value));
}

void TZrResizeTool::ConstrainProportionsCheckBoxChange(bool Checked)
{
  SetConstrainProportions(Checked);
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RecordDemoMove(QStringLiteral("ResizeProportions"));
  Registry.RecordDemoLine(Checked ? QStringLiteral("ResizeProportional")
                                  : QStringLiteral("ResizeDisproportional"));
}

void TZrResizeTool::OkButtonClick()
{
  Perform();
  DemoRegistry().RecordDemoCommand(QStringLiteral("ResizePerform"));
}

void TZrResizeTool::CancelButtonClick()
{
  AbortMouseAction();
  DemoRegistry().RecordDemoCommand(QStringLiteral("ResizeCancel"));
}

void TZrResizeTool::Localize()
{
  if (Button)
    Button->setToolTip(LocalString(108));
  if (!Frame)
    return;
  Frame->TitleLabel->setText(LocalString(108));
  Frame->NewSizeLabel->setText(LocalString(2027) + QLatin1Char(':'));
  Frame->WidthLabel->setText(LocalString(505) + QLatin1Char(':'));
  Frame->HeightLabel->setText(LocalString(506) + QLatin1Char(':'));
  Frame->ConstrainProportionsCheckBox->setText(LocalString(2028));
  Frame->OkButton->setText(LocalString(1));
  Frame->CancelButton->setText(LocalString(2));
}

void TZrResizeTool::UpdateControls()
{
  if (!toolparts::UpdateButtonAndFrame(*this, Button, Frame) || !Frame)
    return;
  const bool Changed = Entries.NewWidth != ImageWidth() || Entries.NewHeight != ImageHeight();
  Frame->OkButton->setEnabled(Changed);
  Frame->CancelButton->setEnabled(Changed);
}

void TZrResizeTool::DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                                       bool &Handled, QPoint &Point)
{
  if (!geometryparts::ButtonTarget(ToQString(Params.StringArgument(0)).toUpper(),
                                   QStringLiteral("RESIZE"), Button, Handled, Point))
    TZrGraphicsTool::DemoTargetPosition(Playback, Params, Handled, Point);
}

void TZrResizeTool::DocumentOpened(TZrGraphicsDocument &Doc)
{
  TZrGraphicsTool::DocumentOpened(Doc);
  const int32_t W = Doc.Image().GetWidth(), H = Doc.Image().GetHeight();
  Entries.Reset(W, H);
  if (TZrGraphicsEditor *Editor = GraphicsEditor()) {
    Editor->SetWidthStatus(QString::number(W));
    Editor->SetHeightStatus(QString::number(H));
  }
  ShowEntries();
}

void TZrResizeTool::InitializeTool()
{
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(DemoName, Button);
  if (Frame) {
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Width"), Frame->WidthEdit);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Height"), Frame->HeightEdit);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Proportions"),
                                   Frame->ConstrainProportionsCheckBox);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Perform"), Frame->OkButton);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Cancel"), Frame->CancelButton);
  }
  Registry.RegisterDemoIntegerCommand(
      DemoName + QStringLiteral("Width"),
      [](int V) {
        if (TZrResizeTool *Tool = ResizeTool())
          Tool->SetNewWidth(V);
      },
      100);
  Registry.RegisterDemoIntegerCommand(
      DemoName + QStringLiteral("Height"),
      [](int V) {
        if (TZrResizeTool *Tool = ResizeTool())
          Tool->SetNewHeight(V);
      },
      100);
  Registry.RegisterDemoCommand(DemoName + QStringLiteral("Perform"), [] {
    if (TZrResizeTool *Tool = ResizeTool())
      Tool->Perform();
  });
  Registry.RegisterDemoCommand(DemoName + QStringLiteral("Cancel"), [] {
    if (TZrResizeTool *Tool = ResizeTool())
      Tool->AbortMouseAction();
  });
  const auto Proportions = [](bool V) {
    if (TZrResizeTool *Tool = ResizeTool())
      Tool->SetConstrainProportions(V);
  };
  Registry.RegisterDemoBooleanCommand(DemoName + QStringLiteral("Proportional"), Proportions, true);
  Registry.RegisterDemoBooleanCommand(DemoName + QStringLiteral("Disproportional"), Proportions,
                                      false);
}

void TZrResizeTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrGraphicsTool::SetEnabled(Value);
}

void TZrResizeTool::Activate()
{
  TZrGraphicsTool::Activate();
  Entries.Reset(ImageWidth(), ImageHeight());
  brushparts::BringToFront(Frame);
  ShowEntries();
}

void TZrResizeTool::AbortMouseAction()
{
  Entries.Reset(ImageWidth(), ImageHeight());
  ShowEntries();
}

void TZrResizeTool::BeginStateChange()
{
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TZrResizeTool::EndStateChange()
{
  // The entries follow the image.
  AbortMouseAction();
  QApplication::restoreOverrideCursor();
}

} // namespace facette
