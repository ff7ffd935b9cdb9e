#include "tools/reshape/ui/ZrSkewingTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "tools/brush/ui/ZrBrushFrame.h"

#include <QAction>
#include <QButtonGroup>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <functional>
#include <new>
#include <optional>

namespace facette {

namespace {

const char *const BrushTypeNames[] = {"Cos4BrushType", "Cos2BrushType", "CosBrushType",
                                      "Cos12BrushType"};
const char *const EffectNames[] = {"Warp", "Bloat", "Pucker"};

bool ValidBrushType(int32_t Value)
{
  return Value >= lbCos4 && Value <= lbCos12;
}

bool ValidEffect(int32_t Value)
{
  return Value >= leWarp && Value <= lePucker;
}

} // namespace

// --- frame ---------------------------------------------------------------

TZrSkewingFrame::TZrSkewingFrame(QWidget *Parent) : TZrFrame(Parent)
{
  TitleLabel = new QLabel(QStringLiteral("Liquify"), this);
  QFont TitleFont = TitleLabel->font();
  TitleFont.setUnderline(true);
  TitleFont.setBold(true);
  TitleLabel->setFont(TitleFont);

  SizeLabel = new QLabel(QStringLiteral("Size:"), this);
  SizeTrackBar = new QSlider(Qt::Horizontal, this);
  SizeTrackBar->setTickPosition(QSlider::TicksBelow);

  BrushTntGroupBox = new QGroupBox(QStringLiteral("Brush"), this);
  BrushTntGroupBox->setFixedHeight(83);
  auto *BrushRow = new QHBoxLayout(BrushTntGroupBox);
  BrushRow->setContentsMargins(4, 2, 4, 4);
  BrushRow->setSpacing(2);
  auto *BrushGroup = new QButtonGroup(this);
  BrushGroup->setExclusive(true);
  const auto NewBrushButton = [&](int32_t Type) {
    auto *Button = new QToolButton(BrushTntGroupBox);
    Button->setFixedSize(57, 52);
    Button->setCheckable(true);
    Button->setAutoRaise(true);
    // Each picture shows its brush's fall-off; without the pictures the
    // buttons are numbered from narrow to broad.
    const QString Picture =
        QStringLiteral(":/icons/lists/liquify/%1.svg").arg(Type, 3, 10, QLatin1Char('0'));
    if (QFile::exists(Picture))
      Button->setIcon(QIcon(Picture));
    else
      Button->setText(QString::number(Type + 1));
    Button->setIconSize(QSize(45, 40));
    BrushGroup->addButton(Button, Type);
    BrushRow->addWidget(Button);
    QObject::connect(Button, &QToolButton::clicked, this,
                     [this, Type] { CosTBXButtonClick(Type); });
    return Button;
  };
  Cos4TBXButton = NewBrushButton(lbCos4);
  Cos2TBXButton = NewBrushButton(lbCos2);
  CosTBXButton = NewBrushButton(lbCos);
  Cos12TBXButton = NewBrushButton(lbCos12);
  BrushRow->addStretch(1);

  EffectTntGroupBox = new QGroupBox(QStringLiteral("Effect"), this);
  auto *EffectColumn = new QVBoxLayout(EffectTntGroupBox);
  EffectColumn->setContentsMargins(6, 2, 6, 4);
  const auto NewEffectButton = [&](const char *Caption, int32_t Value) {
    auto *Button = new QRadioButton(QString::fromLatin1(Caption), EffectTntGroupBox);
    EffectColumn->addWidget(Button);
    QObject::connect(Button, &QRadioButton::clicked, this,
                     [this, Value] { WarpTBXRadioButtonClick(Value); });
    return Button;
  };
  WarpTBXRadioButton = NewEffectButton("Warp", leWarp);
  BloatTBXRadioButton = NewEffectButton("Bloat", leBloat);
  PuckerTBXRadioButton = NewEffectButton("Pucker", lePucker);
  WarpTBXRadioButton->setChecked(true);

  OkPanel = new QWidget(this);
  auto *OkRow = new QHBoxLayout(OkPanel);
  OkRow->setContentsMargins(0, 0, 0, 0);
  OkButton = new QPushButton(QStringLiteral("OK"), OkPanel);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), OkPanel);
  OkRow->addStretch(1);
  OkRow->addWidget(OkButton);
  OkRow->addWidget(CancelButton);
  QObject::connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
  QObject::connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });

  auto *Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(4);
  Layout->addWidget(TitleLabel);
  Layout->addWidget(SizeLabel);
  Layout->addWidget(SizeTrackBar);
  Layout->addWidget(BrushTntGroupBox);
  Layout->addWidget(EffectTntGroupBox);
  Layout->addWidget(OkPanel);
  Layout->addStretch(1);
  // The frame belongs to the tool panel, not to the application.
  Initialize();
}

std::array<QToolButton *, 4> TZrSkewingFrame::BrushButtons() const
{
  return {Cos4TBXButton, Cos2TBXButton, CosTBXButton, Cos12TBXButton};
}

std::array<QRadioButton *, 3> TZrSkewingFrame::EffectButtons() const
{
  return {WarpTBXRadioButton, BloatTBXRadioButton, PuckerTBXRadioButton};
}

void TZrSkewingFrame::CosTBXButtonClick(int32_t BrushType)
{
  if (!Tool)
    return;
  Tool->SetBrushType(BrushType);
  DemoRegistry().RecordDemoCommand(Tool->DemoName + TZrSkewingTool::BrushTypeName(BrushType));
}

void TZrSkewingFrame::WarpTBXRadioButtonClick(int32_t Effect)
{
  if (!Tool)
    return;
  Tool->SetEffect(Effect);
  DemoRegistry().RecordDemoCommand(Tool->DemoName + TZrSkewingTool::EffectName(Effect));
}

void TZrSkewingFrame::OkButtonClick()
{
  if (!Tool)
    return;
  DemoRegistry().RecordDemoCommand(Tool->DemoName + QStringLiteral("OK"));
  Tool->Apply();
}

void TZrSkewingFrame::CancelButtonClick()
{
  if (!Tool)
    return;
  DemoRegistry().RecordDemoCommand(Tool->DemoName + QStringLiteral("Cancel"));
  Tool->Revert();
}

// --- control -------------------------------------------------------------

TZrSkewingTool *TZrSkewingToolControl::SkewingTool() const
{
  return static_cast<TZrSkewingTool *>(Tool);
}

bool TZrSkewingToolControl::GetCursor(TZrShiftState, TZrPoint, int32_t &Cursor)
{
  if (!Active)
    return false;
  Cursor = crCross;
  return true;
}

void TZrSkewingToolControl::PaintOverlay(TZrViewCanvas &Canvas)
{
  if (TZrSkewingTool *T = SkewingTool(); T && T->ShowOutline)
    TZrBrushToolControl::PaintOverlay(Canvas);
}

bool TZrSkewingToolControl::MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point)
{
  TZrSkewingTool *T = SkewingTool();
  if (!Active || !T)
    return false;
  if (Button != mbLeft || Drawing)
    return true;
  T->ShowOutline = T->Effect == leWarp;
  Invalidate();
  if (!T->StartLiquify(View.Document))
    return true;
  const TZrPoint P = View.MapMode().DeviceToLogical(Point);
  T->StartPoint = P;
  T->AppliedAmount = 0.0;
  T->CurPoint = P;
  // The stroke's first move goes from the press, not from wherever the
  // pointer was seen before it.
  T->PrevPoint = P;
  T->BuildProfile();
  return TZrBrushToolControl::MouseDown(Button, Shift, Point);
}

bool TZrSkewingToolControl::MouseMove(TZrShiftState Shift, TZrPoint Point)
{
  TZrSkewingTool *T = SkewingTool();
  if (!Active || !T)
    return false;
  T->PrevPoint = T->CurPoint;
  T->CurPoint = View.MapMode().DeviceToLogical(Point);
  return TZrBrushToolControl::MouseMove(Shift, Point);
}

bool TZrSkewingToolControl::MouseUp(int32_t Button, TZrShiftState Shift, TZrPoint Point)
{
  TZrSkewingTool *T = SkewingTool();
  if (!Active || !T)
    return false;
  // Another button let go does not end the stroke of the left one.
  if (Button != mbLeft)
    return true;
  // Ending the stroke re-samples it (the tool's EndEdit).
  const bool Result = TZrBrushToolControl::MouseUp(Button, Shift, Point);
  T->ShowOutline = true;
  Invalidate();
  return Result;
}

bool TZrSkewingToolControl::MouseWheel(TZrShiftState, int32_t Direction, TZrPoint)
{
  TZrSkewingTool *T = SkewingTool();
  if (!Active || !T)
    return false;
  if (Drawing && !AllowWheelWhileDrawing)
    return true;
  const auto Step = static_cast<int32_t>(std::nearbyint(T->BrushSize / 100.0 + 1.0));
  // A step past a limit stops at it rather than being refused.
  T->SetBrushSize(std::clamp(T->BrushSize + Direction * Step, T->MinBrushSize, T->MaxBrushSize));
  return true;
}

// --- command state -------------------------------------------------------

namespace {

void CutPixels(TZrPixelBuffer &Snapshot, const TZrRect &Rect, const TZrPixels *From)
{
  if (!From || !From->Bits || !Snapshot.Allocate(pf24bit, Rect) || !Snapshot.Bits)
    throw std::bad_alloc();
  Snapshot.CopyFrom(*From);
}

} // namespace

TZrSkewingCommandState::TZrSkewingCommandState(TZrSkewingTool &Tool, const TZrRect &Rect,
                                               TZrGraphicsDocument &Document)
    : TZrCustomGraphicsCommandState(&Tool, Rect, Document), SkewingTool(&Tool)
{
  CutPixels(BeforePixels, Rect, &Document.Backup());
  CutPixels(AfterPixels, Rect, Document.ImagePixels());
  BeforeDelta.SetBounds(Rect);
  Tool.Liquify.FieldAtCheckpoint(BeforeDelta);
  AfterDelta.SetBounds(Rect);
  AfterDelta.CopyFrom(Tool.Liquify.Field.Delta);
  BeforeActive = Tool.LiquifyWasActive;
  AfterActive = Tool.LiquifyActive;
  BeforeRect = Tool.CommittedRect;
  AfterRect = Tool.LiquifyRect;
  Sequence = Tool.Sequence;
}

void TZrSkewingCommandState::Apply(bool Backwards)
{
  Document.RestorePixels(Backwards ? BeforePixels : AfterPixels);
  TZrSkewingTool *T = SkewingTool;
  if (!T)
    return;
  // Only a step of the sequence the tool still holds the starting image of
  // can take the sequence up again; an older one just puts its pixels back.
  const bool Current = Sequence == T->Sequence && T->Liquify.Covers(Document.ImageBounds());
  if (Current) {
    T->Liquify.Field.Delta.CopyFrom(Backwards ? BeforeDelta : AfterDelta);
    T->Liquify.Checkpoint();
  }
  T->LiquifyActive = T->LiquifyWasActive = Current && (Backwards ? BeforeActive : AfterActive);
  T->LiquifyRect = T->CommittedRect = Current ? (Backwards ? BeforeRect : AfterRect) : TZrRect{};
  T->UpdateLock();
}

void TZrSkewingCommandState::Undo()
{
  Apply(true);
  TZrCustomGraphicsCommandState::Undo();
  // With another tool in use one undo takes back the whole run of strokes,
  // down to the first of the sequence and no further.
  if (TZrGraphicsEditor *Editor = GraphicsEditor())
    if (SkewingTool && Editor->PreviousTool() != SkewingTool && BeforeActive)
      Editor->RepeatUndo = true;
}

void TZrSkewingCommandState::Redo()
{
  Apply(false);
  Document.Saved = false;
  TZrCustomGraphicsCommandState::Redo();
  // Redo likewise runs on through the strokes that follow in the same
  // sequence. This state is redone before the history's cursor moves past
  // it, so the next one is one further on.
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!Editor || !SkewingTool || Editor->PreviousTool() == SkewingTool)
    return;
  const TZrCommandHistoryList &History = Document.History;
  const int Next = History.GetPosition() + 1;
  if (Next >= History.Count())
    return;
  if (const auto *Following = dynamic_cast<const TZrSkewingCommandState *>(History.State(Next));
      Following && Following->Sequence == Sequence && Following->BeforeActive)
    Editor->RepeatUndo = true;
}

// --- tool ----------------------------------------------------------------

TZrSkewingTool::TZrSkewingTool()
{
  MaxBrushSize = 512;
  Button = brushparts::CreateToolButton(*this, 2812, true);
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    Frame = Panel->CreateToolFrame<TZrSkewingFrame>();
    Frame->Tool = this;
    BindSizeBar(Frame->SizeTrackBar);
    Frame->SizeTrackBar->setTickInterval(16);
    Frame->SizeTrackBar->setPageStep(32);
    Panel->SetPanelWidth(272);
  }
  ControlClass = ControlClassOf<TZrSkewingToolControl>();
  DemoName = QStringLiteral("Skewing");
  SetBrushType(lbCos);
  SetEffect(leWarp);
}

TZrSkewingTool::~TZrSkewingTool()
{
  if (Frame)
    Frame->Tool = nullptr;
}

QString TZrSkewingTool::BrushTypeName(int32_t Type)
{
  return ValidBrushType(Type) ? QString::fromLatin1(BrushTypeNames[Type]) : QString();
}

QString TZrSkewingTool::EffectName(int32_t Value)
{
  return ValidEffect(Value) ? QString::fromLatin1(EffectNames[Value]) : QString();
}

void TZrSkewingTool::SetBrushType(int32_t Value)
{
  if (!ValidBrushType(Value))
    return;
  BrushType = Value;
  if (Frame)
    Frame->BrushButtons()[static_cast<size_t>(Value)]->setChecked(true);
}

void TZrSkewingTool::SetEffect(int32_t Value)
{
  if (!ValidEffect(Value))
    return;
  Effect = Value;
  if (Frame)
    Frame->EffectButtons()[static_cast<size_t>(Value)]->setChecked(true);
}

bool TZrSkewingTool::StartLiquify(TZrGraphicsDocument &Doc)
{
  if (LiquifyActive && Liquify.Covers(Doc.ImageBounds()))
    return true;
  // An open sequence whose image changed size under it cannot go on.
  if (LiquifyActive)
    EndSequence();
  const TZrPixels *Image = Doc.ImagePixels();
  if (!Image || !Image->Bits)
    return false;
  if (!Liquify.Start(*Image)) {
    ZrApplication().MessageBox(
        LocalString(1194, QStringLiteral("There is not enough memory to liquify this image.")),
        mb::OK | mb::IconError);
    return false;
  }
  ++Sequence;
  LiquifyActive = true;
  HistoryStart = Doc.History.GetPosition();
  UpdateLock();
  return true;
}

void TZrSkewingTool::BuildProfile()
{
  Liquify.Brush.Build(BrushSize, BrushType, Effect);
}

void TZrSkewingTool::StampAt(const TZrRect &Rect)
{
  if (!BackupPixels || !ImagePixels)
    return;
  StampMask.Left = Rect.Left;
  StampMask.Top = Rect.Top;
  ApplyRect(Rect);
  StampMask.Left = StampMask.Top = 0;
}

void TZrSkewingTool::ApplyRect(const TZrRect &Rect)
{
  if (!ImagePixels || !LiquifyActive || !Liquify.Covers(ImagePixels->GetBounds()))
    return;
  const TZrRect Changed = Effect == leWarp
                              ? Liquify.Warp(*ImagePixels, Rect, StampMask, PrevPoint, CurPoint)
                              : Liquify.Bloat(*ImagePixels, Liquify.Brush.Size, StampMask,
                                              StartPoint, CurPoint, AppliedAmount);
  if (!Changed.IsEmpty())
    ChangeRect(Changed, false);
}

void TZrSkewingTool::ResampleChanged()
{
  if (!Document || !ImagePixels)
    return;
  const TZrRect R = IntersectRect(Document->ChangedRect(), ImagePixels->GetBounds());
  if (!R.IsEmpty() && Liquify.Covers(ImagePixels->GetBounds())) {
    // A large area takes a noticeable moment: the meter and the busy
    // pointer show it.
    std::optional<TZrBusyWork> Busy;
    std::function<void(int32_t)> Progress;
    if (static_cast<int64_t>(R.Width()) * R.Height() > ProgressPixels) {
      Busy.emplace(R.Width());
      Progress = [&Busy](int32_t Done) { Busy->Progress(Done); };
    }
    Liquify.Resample(*ImagePixels, R, Progress);
    Busy.reset();
    Document->InvalidateImageRect(R);
  }
  LiquifyRect = LiquifyWasActive ? UnionRect(LiquifyRect, R) : R;
}

void TZrSkewingTool::EndEdit()
{
  if (!Finishing && Document && Document->Editing() && Document->EditTool() == this)
    ResampleChanged();
  TZrBrushTool::EndEdit();
}

void TZrSkewingTool::CancelEdit()
{
  if (Document && Document->Editing() && Document->EditTool() == this)
    Liquify.RevertToCheckpoint(Document->ChangedRect());
  TZrBrushTool::CancelEdit();
}

void TZrSkewingTool::Commit()
{
  if (Finishing) {
    TZrBrushTool::Commit();
    return;
  }
  if (!Document || (Document->Editing() && Document->EditTool() != this))
    return;
  if (IntersectRect(Document->ChangedRect(), Document->ImageBounds()).IsEmpty())
    return;
  TZrGraphicsDocument &Doc = *Document;
  try {
    Doc.Commit([this, &Doc](const TZrRect &Rect) {
      return std::make_unique<TZrSkewingCommandState>(*this, Rect, Doc);
    });
  } catch (const std::bad_alloc &Error) {
    // No memory for the step: the stroke stays in the image but cannot be
    // undone; the user hears of it.
    ZrApplication().ShowException(Error);
  }
  Liquify.Checkpoint();
  LiquifyWasActive = LiquifyActive;
  CommittedRect = LiquifyRect;
}

void TZrSkewingTool::UndoSequence()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  if (!Doc)
    return;
  while (Editor->CanUndo() && Doc->History.GetPosition() > HistoryStart) {
    const int Before = Doc->History.GetPosition();
    Editor->UndoStep();
    if (Doc->History.GetPosition() == Before)
      break;
  }
}

void TZrSkewingTool::Revert()
{
  // A stroke still held down is recorded first, so that it goes too.
  if (ActiveControl)
    ActiveControl->EndStroke();
  if (!LiquifyActive)
    return;
  UndoSequence();
  EndSequence();
}

void TZrSkewingTool::Apply()
{
  if (ActiveControl)
    ActiveControl->EndStroke();
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  TZrGraphicsView *EditView = Editor ? Editor->ActiveView() : nullptr;
  if (!LiquifyActive || !Doc || !EditView)
    return;
  // The result, taken aside before the strokes are undone.
  FinalRect = IntersectRect(LiquifyRect, Doc->ImageBounds());
  TZrPixelBuffer Result;
  if (!FinalRect.IsEmpty()) {
    if (!Result.Allocate(pf24bit, FinalRect) || !Result.Bits) {
      // Nothing is undone: the strokes stay as they are, each a step.
      ZrApplication().ShowException(std::bad_alloc());
      return;
    }
    Result.CopyFrom(*Doc->ImagePixels());
  }
  UndoSequence();
  if (!FinalRect.IsEmpty()) {
    BeginEdit(*EditView);
    if (ImagePixels)
      ImagePixels->CopyFrom(Result);
    ChangeRect(FinalRect, false);
    Finishing = true;
    EndEdit();
    Finishing = false;
    Editor->UndoStep();
    Editor->RedoStep();
  }
  EndSequence();
}

void TZrSkewingTool::EndSequence()
{
  LiquifyActive = LiquifyWasActive = false;
  LiquifyRect = CommittedRect = FinalRect = {};
  Liquify.Clear();
  ++Sequence;
  UpdateLock();
}

void TZrSkewingTool::UpdateLock()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!Editor)
    return;
  if (Active && LiquifyActive) {
    Editor->LockTool();
    HoldsLock = true;
  } else if (HoldsLock) {
    // Also when this tool was left some other way (a demonstration picks
    // tools directly): the lock must not outlive the sequence's tool.
    Editor->UnlockTool();
    HoldsLock = false;
  }
}

void TZrSkewingTool::Localize()
{
  if (Button) {
    Button->setText(LocalString(2812));
    Button->setToolTip(LocalString(2812));
  }
  if (!Frame)
    return;
  Frame->TitleLabel->setText(LocalString(2812));
  Frame->SizeLabel->setText(LocalString(154) + QLatin1Char(':'));
  Frame->CancelButton->setText(LocalString(2));
  Frame->OkButton->setText(LocalString(1));
  Frame->BrushTntGroupBox->setTitle(LocalString(2813));
  Frame->EffectTntGroupBox->setTitle(LocalString(2817));
  Frame->WarpTBXRadioButton->setText(LocalString(2814));
  Frame->BloatTBXRadioButton->setText(LocalString(2815));
  Frame->PuckerTBXRadioButton->setText(LocalString(2816));
  Frame->Cos4TBXButton->setToolTip(LocalString(1190));
  Frame->Cos2TBXButton->setToolTip(LocalString(1191));
  Frame->CosTBXButton->setToolTip(LocalString(1192));
  Frame->Cos12TBXButton->setToolTip(LocalString(1193));
}

void TZrSkewingTool::LoadSettings(TZrSDFReader &Reader)
{
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  int32_t Value = 0;
  if (Reader.ReadInteger(1, Value))
    SetBrushSize(Value);
  if (Reader.ReadInteger(2, Value))
    SetBrushType(Value);
  if (Reader.ReadInteger(3, Value))
    SetEffect(Value);
  Reader.LeaveNode();
}

void TZrSkewingTool::SaveSettings(TZrSDFWriter &Writer)
{
  Writer.BeginNode(1, SettingsGuid);
  Writer.WriteInteger(1, BrushSize);
  Writer.WriteInteger(2, BrushType);
  Writer.WriteInteger(3, Effect);
  Writer.EndNode();
}

void TZrSkewingTool::UpdateControls()
{
  const bool FrameEnabled = brushparts::UpdateToolButton(*this, Button);
  if (Frame) {
    Frame->setEnabled(FrameEnabled);
    Frame->OkButton->setEnabled(LiquifyActive);
    Frame->CancelButton->setEnabled(LiquifyActive);
    brushparts::ShowValue(Frame->SizeLabel, 154, Frame->SizeTrackBar);
  }
  UpdateLock();
}

void TZrSkewingTool::InitializeTool()
{
  TZrBrushTool::InitializeTool();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(DemoName, Button);
  if (Frame) {
    const auto Brushes = Frame->BrushButtons();
    for (int32_t Type = lbCos4; Type <= lbCos12; ++Type)
      Registry.RegisterDemoComponent(DemoName + BrushTypeName(Type),
                                     Brushes[static_cast<size_t>(Type)]);
    const auto Effects = Frame->EffectButtons();
    for (int32_t Value = leWarp; Value <= lePucker; ++Value)
      Registry.RegisterDemoComponent(DemoName + EffectName(Value),
                                     Effects[static_cast<size_t>(Value)]);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("OK"), Frame->OkButton);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Cancel"), Frame->CancelButton);
  }
  // The registry outlives the tools. A command checks its button and runs
  // the button's handler, as a click would.
  const QPointer<TZrSkewingTool> Self(this);
  for (int32_t Type = lbCos4; Type <= lbCos12; ++Type)
    Registry.RegisterDemoCommand(DemoName + BrushTypeName(Type), [Self, Type] {
      if (!Self || !Self->Frame)
        return;
      Self->Frame->BrushButtons()[static_cast<size_t>(Type)]->setChecked(true);
      Self->Frame->CosTBXButtonClick(Type);
    });
  for (int32_t Value = leWarp; Value <= lePucker; ++Value)
    Registry.RegisterDemoCommand(DemoName + EffectName(Value), [Self, Value] {
      if (!Self || !Self->Frame)
        return;
      Self->Frame->EffectButtons()[static_cast<size_t>(Value)]->setChecked(true);
      Self->Frame->WarpTBXRadioButtonClick(Value);
    });
  Registry.RegisterDemoCommand(DemoName + QStringLiteral("OK"), [Self] {
    if (Self)
      Self->Apply();
  });
  Registry.RegisterDemoCommand(DemoName + QStringLiteral("Cancel"), [Self] {
    if (Self)
      Self->Revert();
  });
}

void TZrSkewingTool::DocumentOpened(TZrGraphicsDocument &)
{
  // A new image: whatever sequence was open belonged to the old one.
  EndSequence();
}

void TZrSkewingTool::DocumentClosing(TZrGraphicsDocument &)
{
  EndSequence();
}

void TZrSkewingTool::StateApplied(TZrGraphicsDocument &, IZrGraphicsDocumentListener *Tool,
                                  const TZrRect &)
{
  // A step of another tool in the middle of a sequence (only possible when
  // something picked that tool past the lock) changed the image the
  // sequence renders over: "OK" and "Cancel" would undo that step too, so
  // the sequence ends here, its strokes kept as they are.
  if (Tool != this && LiquifyActive)
    EndSequence();
}

void TZrSkewingTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrBrushTool::SetEnabled(Value);
}

void TZrSkewingTool::Activate()
{
  TZrBrushTool::Activate();
  brushparts::BringToFront(Frame);
  UpdateLock();
}

void TZrSkewingTool::Deactivate()
{
  TZrBrushTool::Deactivate();
  UpdateLock();
}

} // namespace facette
