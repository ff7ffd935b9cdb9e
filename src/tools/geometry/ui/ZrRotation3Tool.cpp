#include "tools/geometry/ui/ZrRotation3Tool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrToolPanel.h"
#include "editor/ui/ZrViewControls.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrSDF.h"
#include "imaging/ZrInterpolationFilters.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/geometry/ui/ZrGeometryToolParts.h"
#include "tools/geometry/ui/ZrToolParts.h"
#include "tools/geometry/ZrStraightenLine.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

namespace facette {

namespace {

TZrRotation3Tool *CurrentStraightenTool = nullptr;

} // namespace

TZrRotation3Tool *StraightenTool()
{
  return CurrentStraightenTool;
}

// Frame

TZrRotation3Frame::TZrRotation3Frame(QWidget *Parent) : TZrFrame(Parent)
{
  TitleLabel = brushparts::NewTitleLabel(QStringLiteral("Rotation"), this);
  AutoCropTBXCheckBox = new QCheckBox(QStringLiteral("Auto Crop When Finishing"), this);
  AutoCropTBXCheckBox->setChecked(true);
  ActionsTntGroupBox = new QGroupBox(QStringLiteral("Actions"), this);
  const auto Action = [this](const char *Caption, int Image) {
    auto *Button = new QToolButton(ActionsTntGroupBox);
    Button->setText(QString::fromLatin1(Caption));
    Button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Button->setIcon(geometryparts::ResourceIcon(
        QStringLiteral(":/icons/24/%1.svg").arg(Image, 3, 10, QLatin1Char('0'))));
    Button->setIconSize(QSize(24, 24));
    Button->setFixedSize(80, 52);
    return Button;
  };
  FinishingTBXButton = Action("Finishing", 52);
  CancelTBXButton = Action("Cancel", 7);
  auto *Actions = new QHBoxLayout(ActionsTntGroupBox);
  Actions->addWidget(FinishingTBXButton);
  Actions->addWidget(CancelTBXButton);
  Actions->addStretch(1);

  auto *Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(6);
  Layout->addWidget(TitleLabel);
  Layout->addWidget(AutoCropTBXCheckBox);
  Layout->addWidget(ActionsTntGroupBox);
  Layout->addStretch(1);
  Initialize();
}

// Control

TZrRotation3Tool *TZrRotation3ToolControl::StraightenTool() const
{
  return static_cast<TZrRotation3Tool *>(Tool);
}

TZrRect TZrRotation3ToolControl::GetContentBounds(const TZrMapMode &MapMode) const
{
  return MapMode.LogicalToDeviceRect(View.Document.Original().GetBounds());
}

TZrRect TZrRotation3ToolControl::GetOverlayBounds(const TZrMapMode &MapMode) const
{
  return MapMode.LogicalToDeviceRect(View.Document.ImageBounds());
}

void TZrRotation3ToolControl::Initialize()
{
  TZrGraphicsToolControl::Initialize();
  Drawing = false;
  SetVisible(true);
}

bool TZrRotation3ToolControl::OverImage(TZrPoint Point) const
{
  const TZrPoint P = View.MapMode().DeviceToLogical(Point);
  return View.Document.ImageBounds().Contains(P.X, P.Y);
}

void TZrRotation3ToolControl::InvalidateLine()
{
  const TZrRect Box{std::min(LineStart.X, LineEnd.X), std::min(LineStart.Y, LineEnd.Y),
                    std::max(LineStart.X, LineEnd.X) + 1, std::max(LineStart.Y, LineEnd.Y) + 1};
  View.InvalidateRect(MakeRect(Box.Left - 2, Box.Top - 2, Box.Right + 2, Box.Bottom + 2));
}

void TZrRotation3ToolControl::PaintOverlay(TZrViewCanvas &Canvas)
{
  const TZrRotation3Tool *Straighten = StraightenTool();
  if (!Straighten)
    return;
  if (Drawing) {
    if (QPainter *Painter = CanvasPainter(Canvas)) {
      Painter->save();
      // Inverted, so the line shows on any part of the photo.
      Painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      Painter->setRenderHint(QPainter::Antialiasing, false);
      Painter->setPen(QPen(Qt::white, 0));
      Painter->drawLine(QPoint(LineStart.X, LineStart.Y), QPoint(LineEnd.X, LineEnd.Y));
      Painter->restore();
    }
  }
  if (!Straighten->AutoCrop)
    return;
  const TZrRect S = Canvas.MapMode.LogicalToDeviceRect(Straighten->Session.AutoCropRect);
  if (S.IsEmpty())
    return;
  const TZrRect V = Canvas.MapMode.LogicalToDeviceRect(View.Document.GetVisibleRect());
  geometryparts::DarkenOutside(Canvas, V, S);
  geometryparts::DrawFocusRect(Canvas, S);
}

bool TZrRotation3ToolControl::GetCursor(TZrShiftState, TZrPoint Point, int32_t &Cursor)
{
  const TZrRotation3Tool *Straighten = StraightenTool();
  if (!Active || !Straighten)
    return false;
  Cursor = Straighten->Busy ? crHourGlass : OverImage(Point) ? crCross : crDefault;
  return true;
}

bool TZrRotation3ToolControl::MouseDown(int32_t Button, TZrShiftState, TZrPoint Point)
{
  const TZrRotation3Tool *Straighten = StraightenTool();
  if (!Active || !Straighten || Button != mbLeft || !OverImage(Point) || Straighten->Busy ||
      !Straighten->IsCurrentTool())
    return false;
  LineStart = LineEnd = Point;
  Drawing = true;
  InvalidateLine();
  return true;
}

bool TZrRotation3ToolControl::MouseMove(TZrShiftState, TZrPoint Point)
{
  if (!Active || !Drawing)
    return false;
  InvalidateLine();
  LineEnd = Point;
  InvalidateLine();
  return true;
}

bool TZrRotation3ToolControl::MouseUp(int32_t Button, TZrShiftState, TZrPoint Point)
{
  const bool WasDrawing = Drawing;
  Drawing = false;
  TZrRotation3Tool *Straighten = StraightenTool();
  if (!Active || !Straighten || Button != mbLeft || !WasDrawing)
    return false;
  LineEnd = Point;
  InvalidateLine();
  double Angle = 0.0;
  if (StraightenLineAngle(LineStart, LineEnd, Angle)) {
    Straighten->Session.DeltaAngle = Angle;
    const TZrMapMode &Map = View.MapMode();
    try {
      Straighten->Straighten(Map.DeviceToLogical(LineStart), Map.DeviceToLogical(LineEnd));
    } catch (const std::exception &Error) {
      ZrApplication().ShowException(Error);
    }
  }
  return true;
}

// Tool

class TZrRotation3Tool::TBusyWork
{
public:
  explicit TBusyWork(TZrRotation3Tool &Tool) : Tool(Tool)
  {
    Tool.Busy = true;
    if (Tool.Frame) {
      Tool.Frame->SetControlsEnabled(false);
      Tool.Frame->repaint();
    }
    if (Tool.Playback)
      Tool.Playback->Suspend();
  }
  ~TBusyWork()
  {
    Tool.Busy = false;
    if (Tool.Playback)
      Tool.Playback->Resume();
    // The cursor is chosen again now that the work is done.
    for (TZrGraphicsToolControl *Control : Tool.Controls)
      Control->RefreshCursor();
    if (TProgressMeter *Meter = ProgressMeter())
      Meter->Start(0);
    // The frame shows the new state at once, not at the next idle moment.
    Tool.UpdateControls();
  }
  TBusyWork(const TBusyWork &) = delete;
  TBusyWork &operator=(const TBusyWork &) = delete;

private:
  TZrRotation3Tool &Tool;
  TZrBusyWork Cursor;
};

TZrRotation3Tool::TZrRotation3Tool()
{
  CurrentStraightenTool = this;
  PlugInAvailable = false;
  Button = brushparts::CreateToolButton(*this, 2822, true);
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    Frame = Panel->CreateToolFrame<TZrRotation3Frame>();
    connect(Frame->AutoCropTBXCheckBox, &QCheckBox::clicked, this,
            [this](bool Checked) { AutoCropTBXCheckBoxChange(Checked); });
    connect(Frame->FinishingTBXButton, &QToolButton::clicked, this,
            [this] { FinishingTBXButtonClick(); });
    connect(Frame->CancelTBXButton, &QToolButton::clicked, this,
            [this] { CancelTBXButtonClick(); });
  }
  DemoName = QStringLiteral("Rotation3");
  SetAutoCrop(false);
  Busy = false;
  ControlClass = ControlClassOf<TZrRotation3ToolControl>();
  // The frame's buttons side by side need the room.
  if (TZrToolPanelModule *Panel = ToolPanel())
    Panel->SetPanelWidth(PanelWidth);
}

TZrRotation3Tool::~TZrRotation3Tool()
{
  if (CurrentStraightenTool == this)
    CurrentStraightenTool = nullptr;
}

void TZrRotation3Tool::SetAutoCrop(bool Value)
{
  AutoCrop = Value;
  if (Frame) {
    const QSignalBlocker Block(Frame->AutoCropTBXCheckBox);
    Frame->AutoCropTBXCheckBox->setChecked(Value);
  }
}

bool TZrRotation3Tool::IsCurrentTool() const
{
  const TZrGraphicsEditor *Editor = GraphicsEditor();
  return Editor && Editor->CurrentTool() == this;
}

void TZrRotation3Tool::InvalidateControls()
{
  for (TZrGraphicsToolControl *Control : Controls)
    Control->Invalidate();
}

void TZrRotation3Tool::Straighten(TZrPoint P1, TZrPoint P2)
{
  if (!StraightenLineLongEnough(P1, P2))
    return;
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  TZrGraphicsView *ActiveView = Editor ? Editor->ActiveView() : nullptr;
  if (!Doc || !ActiveView)
    return;
  TBusyWork Work(*this);
  if (!Doc->Editing() || !Document) {
    BeginEdit(*ActiveView);
    if (!Session.Begin(*Doc)) {
      CancelEdit();
      throw std::bad_alloc();
    }
  }
  Session.TotalAngle += Session.DeltaAngle;
  Render(ifNone);
}

void TZrRotation3Tool::Render(int32_t FilterIndex)
{
  if (!Document)
    return;
  TProgressMeter *Meter = ProgressMeter();
  Session.Renderer.ComputeResultSize(Session.TotalAngle);
  if (Meter)
    Meter->Start(Session.ResultWidth());
  Session.Render(*Document, FilterIndex, [Meter](int32_t Done) {
    if (Meter)
      while (Meter->Position() < Done)
        Meter->Step();
  });
  InvalidateControls();
}

void TZrRotation3Tool::Finish()
{
  // Nothing was drawn: nothing to apply.
  if (!Document || !Document->Editing())
    return;
  {
    TBusyWork Work(*this);
    Document->Saved = false;
    struct TReset
    {
      TZrStraightenSession &Session;
      ~TReset()
      {
        Session.TotalAngle = 0.0;
        Session.AutoCropRect = {};
      }
    } Reset{Session};
    Render(ifHermite);
    if (AutoCrop)
      Session.ApplyAutoCrop(*Document);
  }
  ChangeRect(Document->ImageBounds(), false);
  UpdateControls();
  EndEdit();
  InvalidateControls();
}

void TZrRotation3Tool::CancelStraighten()
{
  Session.TotalAngle = 0.0;
  Session.AutoCropRect = {};
  if (!Document)
    return;
  Session.Cancel(*Document);
  CancelEdit();
  InvalidateControls();
}

void TZrRotation3Tool::AutoCropTBXCheckBoxChange(bool Checked)
{
  AutoCrop = Checked;
  InvalidateControls();
  DemoRegistry().RecordDemoCommand(QStringLiteral("Rotation3AutoCrop"),
                                   Checked ? QStringLiteral("1") : QStringLiteral("0"));
}

void TZrRotation3Tool::FinishingTBXButtonClick()
{
  try {
    Finish();
  } catch (const std::exception &Error) {
    ZrApplication().ShowException(Error);
  }
  DemoRegistry().RecordDemoCommand(QStringLiteral("Rotation3Finishing"));
}

void TZrRotation3Tool::CancelTBXButtonClick()
{
  CancelStraighten();
  DemoRegistry().RecordDemoCommand(QStringLiteral("Rotation3Cancel"));
}

void TZrRotation3Tool::Localize()
{
  if (Button)
    Button->setToolTip(LocalString(2822));
  if (!Frame)
    return;
  Frame->TitleLabel->setText(LocalString(2822));
  Frame->AutoCropTBXCheckBox->setText(LocalString(2906));
  Frame->ActionsTntGroupBox->setTitle(LocalString(2810));
  Frame->FinishingTBXButton->setText(LocalString(2905));
  Frame->CancelTBXButton->setText(LocalString(2));
}

void TZrRotation3Tool::LoadSettings(TZrSDFReader &Reader)
{
  TZrGraphicsTool::LoadSettings(Reader);
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  int32_t Value = 0;
  if (Reader.ReadInteger(1, Value))
    SetAutoCrop(Value != 0);
  Reader.LeaveNode();
}

void TZrRotation3Tool::SaveSettings(TZrSDFWriter &Writer)
{
  TZrGraphicsTool::SaveSettings(Writer);
  Writer.BeginNode(1, SettingsGuid);
  Writer.WriteInteger(1, AutoCrop ? 1 : 0);
  Writer.EndNode();
}

void TZrRotation3Tool::UpdateControls()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  const TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  const bool Open = Doc && Doc->Editing();
  const bool Enabled = toolparts::UpdateButtonAndFrame(*this, Button, Frame);
  if (Frame) {
    Frame->setEnabled(Enabled);
    Frame->ActionsTntGroupBox->setEnabled(true);
    Frame->FinishingTBXButton->setEnabled(Enabled && Open);
    Frame->CancelTBXButton->setEnabled(Enabled && Open);
  }
  // While a straightening is open, it must be applied or cancelled first.
  if (Active && Editor) {
    if (Open)
      Editor->LockTool();
    else
      Editor->UnlockTool();
  }
}

void TZrRotation3Tool::Commit()
{
  if (!Document)
    return;
  try {
    Document->History.Add(Session.Commit(this, *Document));
  } catch (const std::bad_alloc &Error) {
    // The straightened image stays but cannot be undone; the user is told.
    ZrApplication().ShowException(Error);
  }
}

void TZrRotation3Tool::DocumentOpened(TZrGraphicsDocument &Doc)
{
  TZrGraphicsTool::DocumentOpened(Doc);
  Session.Reset();
}

void TZrRotation3Tool::InitializeTool()
{
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(DemoName, Button);
  if (Frame) {
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("AutoCrop"),
                                   Frame->AutoCropTBXCheckBox);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Finishing"),
                                   Frame->FinishingTBXButton);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Cancel"), Frame->CancelTBXButton);
  }
  Registry.RegisterDemoBooleanCommand(
      DemoName + QStringLiteral("AutoCrop"),
      [](bool V) {
        if (TZrRotation3Tool *Tool = StraightenTool())
          Tool->SetAutoCrop(V);
      },
      AutoCrop);
  Registry.RegisterDemoCommand(DemoName + QStringLiteral("Finishing"), [] {
    TZrRotation3Tool *Tool = StraightenTool();
    if (!Tool)
      return;
    try {
      Tool->Finish();
    } catch (const std::exception &Error) {
      ZrApplication().ShowException(Error);
    }
  });
  Registry.RegisterDemoCommand(DemoName + QStringLiteral("Cancel"), [] {
    if (TZrRotation3Tool *Tool = StraightenTool())
      Tool->CancelStraighten();
  });
}

void TZrRotation3Tool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrGraphicsTool::SetEnabled(Value);
}

void TZrRotation3Tool::Activate()
{
  TZrGraphicsTool::Activate();
  brushparts::BringToFront(Frame);
}

} // namespace facette
