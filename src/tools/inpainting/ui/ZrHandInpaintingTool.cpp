#include "tools/inpainting/ui/ZrHandInpaintingTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrToolPanel.h"
#include "editor/ui/ZrVirtualKeys.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/brush/ZrBrushMasks.h"
#include "tools/inpainting/ZrHandInpainting.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace facette {

namespace {

// The previews' places on the image panel.
constexpr int PreviewLeft = 4;
constexpr int TargetSide = 240;
constexpr int HandySide = 130;
constexpr int HandyTop = 6;

// Tooltips of the reflection buttons, by reflection.
constexpr int ReflectionHintIds[ReflectionCount] = {1172, 1173, 1174, 1175, 1176, 1177, 1178, 1179};

// A flag on a pole: no two of the eight transforms leave it looking the
// same.
QImage FlagGlyph(int Side)
{
  QImage Glyph(Side, Side, QImage::Format_ARGB32_Premultiplied);
  Glyph.fill(Qt::transparent);
  QPainter Painter(&Glyph);
  Painter.setRenderHint(QPainter::Antialiasing, false);
  const qreal U = Side / 16.0;
  Painter.fillRect(QRectF(5 * U, 2 * U, 2 * U, 12 * U), QColor(40, 40, 40));
  Painter.fillRect(QRectF(7 * U, 2 * U, 6 * U, 5 * U), QColor(200, 60, 40));
  Painter.fillRect(QRectF(3 * U, 13 * U, 6 * U, 1 * U), QColor(40, 40, 40));
  return Glyph;
}

// The icon of a reflection: each place of the square shows the glyph at the
// place the transform takes it from, as the fill does.
QIcon ReflectionIcon(int32_t T)
{
  constexpr int Side = 16;
  const QImage Glyph = FlagGlyph(Side);
  QImage Icon(Side, Side, QImage::Format_ARGB32_Premultiplied);
  for (int B = 0; B < Side; ++B)
    for (int A = 0; A < Side; ++A) {
      const TZrPoint From = ReflectPlace(T, A, B, Side, Side);
      Icon.setPixel(A, B, Glyph.pixel(From.X, From.Y));
    }
  return QIcon(QPixmap::fromImage(Icon));
}

QToolButton *NewSpeedButton(QWidget *Parent, const QString &Name)
{
  auto *Button = new QToolButton(Parent);
  Button->setObjectName(Name);
  Button->setCheckable(true);
  Button->setAutoRaise(true);
  return Button;
}

bool BooleanOf(int32_t Value)
{
  return Value != 0;
}

} // namespace

// --- preview -------------------------------------------------------------

bool TZrPreviewImage::SetGeometry(int32_t Side, int32_t NewZoom)
{
  Zoom = std::max(NewZoom, 1);
  if (Bitmap.GetBounds() == Bounds(0, 0, Side, Side) && Bitmap.PixelFormat == pf24bit)
    return false;
  Bitmap.Allocate(pf24bit, Bounds(0, 0, Side, Side));
  return true;
}

void TZrPreviewImage::Redraw()
{
  ZoomPreview(Bitmap, Zoom, Shown_);
  update();
}

void TZrPreviewImage::paintEvent(QPaintEvent *)
{
  if (!Shown_.Bits)
    return;
  QPainter Painter(this);
  const QImage Picture(Shown_.Bits, Shown_.Width, Shown_.Height, Shown_.Stride,
                       QImage::Format_BGR888);
  Painter.drawImage((width() - Shown_.Width) / 2, (height() - Shown_.Height) / 2, Picture);
}

// --- frame ---------------------------------------------------------------

const std::array<const char *, ReflectionCount> TZrHandInpaintingFrame::ReflectionButtonNames = {
    "arNorthSpeedButton",      "arNorthReflexSpeedButton", "arEastSpeedButton",
    "arEastReflexSpeedButton", "arSouthSpeedButton",       "arSouthReflexSpeedButton",
    "arWestSpeedButton",       "arWestReflexSpeedButton"};

TZrHandInpaintingFrame::TZrHandInpaintingFrame(QWidget *Parent) : TZrFrame(Parent)
{
  TitleLabel = brushparts::NewTitleLabel(QStringLiteral("Hand Inpainting"), this);
  SizeLabel = new QLabel(QStringLiteral("Size:"), this);
  SizeTrackBar = brushparts::NewSlider(this);

  ImagePanel = new QFrame(this);
  ImagePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  ImagePanel->setFixedHeight(273);
  // The previews are placed by the tool, the Cancel button at the bottom.
  TargetImage = new TZrPreviewImage(ImagePanel);
  TargetImage->setGeometry(PreviewLeft, PreviewLeft, TargetSide, TargetSide);
  TargetImage->hide();
  HandyImage = new TZrPreviewImage(ImagePanel);
  HandyImage->setGeometry(318, HandyTop, HandySide, HandySide);
  HandyImage->hide();
  CancelTBXButton = new QPushButton(QStringLiteral("Cancel"), ImagePanel);
  auto *PanelLayout = new QVBoxLayout(ImagePanel);
  PanelLayout->setContentsMargins(4, 4, 4, 4);
  PanelLayout->addStretch(1);
  PanelLayout->addWidget(CancelTBXButton, 0, Qt::AlignRight);

  OptionsPanel = new QWidget(this);
  LongDefectTBXCheckBox = new QCheckBox(QStringLiteral("Long Defect"), OptionsPanel);
  LoupeSpeedButton = NewSpeedButton(OptionsPanel, QStringLiteral("LoupeSpeedButton"));
  LoupeSpeedButton->setText(QStringLiteral("+"));
  LoupeSpeedButton->hide();
  TwoSpeedButton = NewSpeedButton(OptionsPanel, QStringLiteral("TwoSpeedButton"));
  TwoSpeedButton->setText(QStringLiteral("2"));
  TwoSpeedButton->hide();
  auto *OptionsLayout = new QHBoxLayout(OptionsPanel);
  OptionsLayout->setContentsMargins(0, 0, 0, 0);
  OptionsLayout->addWidget(LongDefectTBXCheckBox, 1);
  OptionsLayout->addWidget(LoupeSpeedButton);
  OptionsLayout->addWidget(TwoSpeedButton);
  OptionsPanel->hide();

  AdjustmentPanel = new QWidget(this);
  AdjustmentTBXCheckBox = new QCheckBox(QStringLiteral("Adjustment"), AdjustmentPanel);
  AntiAliasingTBXCheckBox = new QCheckBox(QStringLiteral("AntiAliasing"), AdjustmentPanel);
  AntiAliasingTBXCheckBox->setChecked(true);
  AntiAliasingTBXCheckBox->hide();
  auto *AdjustmentLayout = new QVBoxLayout(AdjustmentPanel);
  AdjustmentLayout->setContentsMargins(0, 0, 0, 0);
  AdjustmentLayout->addWidget(AdjustmentTBXCheckBox);
  AdjustmentLayout->addWidget(AntiAliasingTBXCheckBox);

  AreaReflectionPanel = new QWidget(this);
  auto *ReflectionLayout = new QHBoxLayout(AreaReflectionPanel);
  ReflectionLayout->setContentsMargins(0, 0, 0, 0);
  ReflectionLayout->setSpacing(1);
  auto *Group = new QButtonGroup(AreaReflectionPanel);
  Group->setExclusive(true);
  for (int32_t T = 0; T < ReflectionCount; ++T) {
    QToolButton *Button =
        NewSpeedButton(AreaReflectionPanel, QString::fromLatin1(ReflectionButtonNames[T]));
    Button->setIcon(ReflectionIcon(T));
    Group->addButton(Button, T);
    ReflectionLayout->addWidget(Button);
    ReflectionButtons[T] = Button;
  }
  ReflectionButtons[0]->setChecked(true);
  AutoReflectionTBXCheckBox = new QCheckBox(QStringLiteral("Auto"), AreaReflectionPanel);
  AutoReflectionTBXCheckBox->setToolTip(QStringLiteral("Auto Select Best Reflection"));
  ReflectionLayout->addSpacing(4);
  ReflectionLayout->addWidget(AutoReflectionTBXCheckBox, 1);

  auto *Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(4);
  for (QWidget *Row : {static_cast<QWidget *>(TitleLabel), static_cast<QWidget *>(SizeLabel),
                       static_cast<QWidget *>(SizeTrackBar), static_cast<QWidget *>(ImagePanel),
                       OptionsPanel, AdjustmentPanel, AreaReflectionPanel})
    Layout->addWidget(Row);
  Layout->addStretch(1);
  // The frame belongs to the tool panel, not to the application.
  Initialize();
}

// --- control -------------------------------------------------------------

TZrHandInpaintingTool *TZrHandInpaintingToolControl::InpaintingTool() const
{
  return static_cast<TZrHandInpaintingTool *>(Tool);
}

TZrPoint TZrHandInpaintingToolControl::ToImagePoint(TZrPoint Point) const
{
  return View.MapMode().DeviceToLogical(Point);
}

bool TZrHandInpaintingToolControl::MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point)
{
  TZrHandInpaintingTool *T = InpaintingTool();
  if (!Active || !T)
    return false;
  T->CurrentShift = Shift;
  T->CurrentPoint = ToImagePoint(Point);
  MoveBrush(T->CurrentPoint);
  if (Button == mbLeft)
    T->ToggleSelect();
  return true;
}

bool TZrHandInpaintingToolControl::MouseMove(TZrShiftState Shift, TZrPoint Point)
{
  TZrHandInpaintingTool *T = InpaintingTool();
  if (!Active || !T)
    return false;
  T->CurrentPoint = ToImagePoint(Point);
  if (T->Selecting)
    T->Preview();
  else if (T->Loupe && !T->NearLastPoint())
    T->UpdateLoupe();
  return TZrBrushToolControl::MouseMove(Shift, Point);
}

bool TZrHandInpaintingToolControl::MouseWheel(TZrShiftState Shift, int32_t Direction,
                                              TZrPoint Point)
{
  TZrHandInpaintingTool *T = InpaintingTool();
  if (!Active || !T)
    return false;
  if (T->Selecting) {
    T->StepReflection(Direction);
    return true;
  }
  return TZrBrushToolControl::MouseWheel(Shift, Direction, Point);
}

bool TZrHandInpaintingToolControl::KeyDown(int32_t Key, TZrShiftState Shift)
{
  TZrHandInpaintingTool *T = InpaintingTool();
  if (!Active || !T)
    return false;
  const bool Ctrl = (Shift & ssCtrl) != 0;
  if (Ctrl) {
    switch (Key) {
    case vkLeft:
    case vkUp:
    case vkRight:
    case vkDown:
      if (!T->Selecting)
        return TZrBrushToolControl::KeyDown(Key, Shift);
      T->StepReflection(Key == vkUp || Key == vkRight ? 1 : -1);
      return true;
    case 'A':
      if (T->Frame)
        T->Frame->AdjustmentTBXCheckBox->toggle();
      else
        T->SetAdjustment(T->Adjustment == 2 ? 0 : 2);
      return true;
    case 'N':
      if (T->Frame)
        T->Frame->AntiAliasingTBXCheckBox->toggle();
      else
        T->SetAntiAliasing(!T->AntiAliasing);
      return true;
    case 'R':
      // Only where the reflection can be seen and chosen.
      if (T->Frame && T->Frame->AreaReflectionPanel->isEnabled() &&
          !T->Frame->AreaReflectionPanel->isHidden())
        T->Frame->AutoReflectionTBXCheckBox->toggle();
      return true;
    case 'Z':
      if (!T->Selecting)
        return false;
      T->Cancel();
      return true;
    default:
      break;
    }
  }
  int32_t DX = 0, DY = 0;
  switch (Key) {
  case vkPrior:
    DX = 1, DY = -1;
    break;
  case vkNext:
    DX = 1, DY = 1;
    break;
  case vkEnd:
    DX = -1, DY = 1;
    break;
  case vkHome:
    DX = -1, DY = -1;
    break;
  case vkLeft:
    DX = -1;
    break;
  case vkUp:
    DY = -1;
    break;
  case vkRight:
    DX = 1;
    break;
  case vkDown:
    DY = 1;
    break;
  case vkReturn:
    T->ToggleSelect();
    return true;
  case vkEscape:
    if (!T->Selecting)
      return false;
    T->Cancel();
    return true;
  default:
    return false;
  }
  // Fine positioning: the pointer itself moves, one pixel at a time or
  // five with Shift, and the view follows it as it follows the mouse.
  const int32_t Step = (Shift & ssShift) ? 5 : 1;
  QCursor::setPos(QCursor::pos() + QPoint(DX * Step, DY * Step));
  return true;
}

// --- tool ----------------------------------------------------------------

TZrHandInpaintingTool::TZrHandInpaintingTool()
{
  MinBrushSize = 10;
  MaxBrushSize = 100;
  BrushSize = 25;
  StampMode = smPress;
  Exclusive = true;
  DemoName = QStringLiteral("HandInpainting");
  ControlClass = ControlClassOf<TZrHandInpaintingToolControl>();
  TZrToolPanelModule *Panel = ToolPanel();
  Button = brushparts::CreateToolButton(*this, 2450, Panel != nullptr);
  if (Panel) {
    Frame = Panel->CreateToolFrame<TZrHandInpaintingFrame>();
    BindSizeBar(Frame->SizeTrackBar);
    QObject::connect(Frame->AdjustmentTBXCheckBox, &QCheckBox::toggled, this,
                     [this] { AdjustmentTBXCheckBoxChange(); });
    QObject::connect(Frame->AntiAliasingTBXCheckBox, &QCheckBox::toggled, this,
                     [this] { AntiAliasingTBXCheckBoxChange(); });
    QObject::connect(Frame->LongDefectTBXCheckBox, &QCheckBox::toggled, this,
                     [this] { LongDefectTBXCheckBoxChange(); });
    QObject::connect(Frame->AutoReflectionTBXCheckBox, &QCheckBox::toggled, this,
                     [this] { AutoReflectionTBXCheckBoxChange(); });
    for (int32_t T = 0; T < ReflectionCount; ++T)
      QObject::connect(Frame->ReflectionButtons[T], &QToolButton::clicked, this,
                       [this, T] { ReflectionSpeedButtonClick(T); });
    QObject::connect(Frame->CancelTBXButton, &QPushButton::clicked, this,
                     [this] { CancelTBXButtonClick(); });
    QObject::connect(Frame->LoupeSpeedButton, &QToolButton::clicked, this,
                     [this] { LoupeSpeedButtonClick(); });
    QObject::connect(Frame->TwoSpeedButton, &QToolButton::clicked, this,
                     [this] { TwoSpeedButtonClick(); });
  }
  BrushShapeChanged();
  // The controls show the fields' values from the start.
  SetAdjustment(Adjustment);
  SetReflection(Reflection);
  SetAutoReflection(AutoReflection);
  SetLongDefect(LongDefect);
  SetAntiAliasing(AntiAliasing);
  SetLoupe(Loupe);
  SetTwoPreviews(TwoPreviews);
  SizePreview();
}

TZrHandInpaintingTool::~TZrHandInpaintingTool() = default;

// Setters: the field, then its control (without the control's handler
// running again).

void TZrHandInpaintingTool::SetAdjustment(int32_t Value)
{
  if (Value < 0 || Value > 2)
    return;
  Adjustment = Value;
  if (Frame) {
    const QSignalBlocker Quiet(Frame->AdjustmentTBXCheckBox);
    Frame->AdjustmentTBXCheckBox->setChecked(Value == 2);
  }
}

void TZrHandInpaintingTool::SetReflection(int32_t Value)
{
  if (Value < 0 || Value >= ReflectionCount)
    return;
  Reflection = Value;
  if (Frame)
    Frame->ReflectionButtons[Value]->setChecked(true);
}

void TZrHandInpaintingTool::SetAutoReflection(bool Value)
{
  AutoReflection = Value;
  if (Frame) {
    const QSignalBlocker Quiet(Frame->AutoReflectionTBXCheckBox);
    Frame->AutoReflectionTBXCheckBox->setChecked(Value);
  }
}

void TZrHandInpaintingTool::SetLongDefect(bool Value)
{
  if (Value != LongDefect)
    NeedsPrepare = true;
  LongDefect = Value;
  if (Frame) {
    const QSignalBlocker Quiet(Frame->LongDefectTBXCheckBox);
    Frame->LongDefectTBXCheckBox->setChecked(Value);
  }
}

void TZrHandInpaintingTool::SetAntiAliasing(bool Value)
{
  if (Value != AntiAliasing)
    NeedsPrepare = true;
  AntiAliasing = Value;
  if (Frame) {
    const QSignalBlocker Quiet(Frame->AntiAliasingTBXCheckBox);
    Frame->AntiAliasingTBXCheckBox->setChecked(Value);
  }
}

void TZrHandInpaintingTool::SetTwoPreviews(bool Value)
{
  TwoPreviews = Value;
  if (Frame)
    Frame->TwoSpeedButton->setChecked(Value);
  ArrangeImages();
  // The target preview changed its width.
  SizePreview();
}

void TZrHandInpaintingTool::SetLoupe(bool Value)
{
  Loupe = Value;
  if (Frame)
    Frame->LoupeSpeedButton->setChecked(Value);
  ArrangeImages();
}

void TZrHandInpaintingTool::SetShowLastPoint(bool Value)
{
  ShowLastPoint = Value;
  if (Value)
    LastPoint = CurrentPoint;
}

bool TZrHandInpaintingTool::OwnEditOpen() const
{
  return Document && Document->Editing() && Document->EditTool() == this;
}

void TZrHandInpaintingTool::ToggleSelect()
{
  if (!Selecting) {
    TZrGraphicsEditor *Editor = GraphicsEditor();
    TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
    const TZrRect Square = InpaintSquare(CurrentPoint, BrushSize);
    // A click beside the photo has no skin to mend: nothing starts (and no
    // edit is left open to block the other tools and undo).
    if (!Doc || IntersectRect(Square, Doc->ImageBounds()).IsEmpty())
      return;
    DefectRect = Square;
    Correlator.reset();
    SizePreview();
    Preview();
    if (!Correlator) {
      if (OwnEditOpen())
        CancelEdit();
      return;
    }
  } else {
    if (OwnEditOpen()) {
      EndEdit();
      SetShowLastPoint(true);
    }
    Correlator.reset();
  }
  Selecting = !Selecting;
  ArrangeImages();
}

void TZrHandInpaintingTool::Preview()
{
  SourceRect = InpaintSquare(CurrentPoint, BrushSize);
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsView *ActiveView = Editor ? Editor->ActiveView() : nullptr;
  if (!ActiveView)
    return;
  if (!OwnEditOpen())
    BeginEdit(*ActiveView);
  // The stamp reports the defect's part of the photo as changed.
  StampAt(DefectRect);
}

void TZrHandInpaintingTool::ApplyRect(const TZrRect &)
{
  if (!BackupPixels || !ImagePixels)
    return;
  if (Selecting) {
    if (!Correlator)
      return;
    if (AutoReflection)
      SetReflection(Correlator->BestReflection(SourceRect));
    UpdatePreviews(true);
    return;
  }
  // The first click: the defect is what the stamp covers.
  Correlator = std::make_unique<TAreaCorrelator>(DefectRect, *BackupPixels, *ImagePixels, 2);
  MarkDefect(*Correlator, StampMask);
  NeedsPrepare = true;
  UpdatePreviews(false);
}

void TZrHandInpaintingTool::UpdatePreviews(bool Live)
{
  if (!ImagePixels || !Correlator)
    return;
  TZrPreviewImage *Previews[2] = {nullptr, nullptr};
  if (Frame) {
    Previews[0] = TwoPreviews ? Frame->HandyImage : nullptr;
    Previews[1] = Frame->TargetImage;
  }
  for (int I = TwoPreviews ? 0 : 1; I < 2; ++I) {
    if (NeedsPrepare) {
      Correlator->Classify();
      if (LongDefect)
        Correlator->PruneRing(0.2);
      if (AntiAliasing)
        Correlator->ComputeWeights();
      NeedsPrepare = false;
    }
    const bool Target = I == 1;
    if (Live)
      Correlator->Fill({SourceRect.Left, SourceRect.Top}, Target ? Reflection : 0, AntiAliasing,
                       Target ? Adjustment : FillCopy, 2);
    else
      Correlator->Fill({DefectRect.Left, DefectRect.Top}, 0, AntiAliasing, FillCopy, 2);
    TZrPreviewImage *Shown = Previews[I];
    if (!Shown)
      continue;
    const int32_t Side = Shown->Side();
    const int32_t Margin = (Side - BrushSize) / 2;
    CopyPreview(*ImagePixels, PreviewOrigin({DefectRect.Left, DefectRect.Top}, Side, BrushSize),
                Live ? Margin : 0, Live ? Margin + BrushSize : Side, Shown->Bitmap);
    Shown->Redraw();
  }
}

void TZrHandInpaintingTool::UpdateLoupe()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  if (!Doc || !Frame)
    return;
  TZrPreviewImage *Shown = Frame->TargetImage;
  const int32_t Side = Shown->Side();
  CopyPreview(Doc->Backup(), {CurrentPoint.X - Side / 2, CurrentPoint.Y - Side / 2}, 0, Side,
              Shown->Bitmap);
  Shown->Redraw();
}

bool TZrHandInpaintingTool::NearLastPoint() const
{
  return ShowLastPoint && WithinDistance(LastPoint, CurrentPoint, LastPointReach);
}

void TZrHandInpaintingTool::SizePreview()
{
  if (!Frame)
    return;
  const TPreviewGeometry G = PreviewGeometry(Frame->TargetImage->width(), BrushSize);
  Frame->TargetImage->SetGeometry(G.Side, G.Zoom);
  Frame->HandyImage->SetGeometry(G.Side, G.Zoom);
}

void TZrHandInpaintingTool::ArrangeImages()
{
  if (!Frame)
    return;
  TZrPreviewImage *Handy = Frame->HandyImage;
  TZrPreviewImage *Target = Frame->TargetImage;
  Handy->setVisible(TwoPreviews && Selecting);
  Target->setVisible(Loupe || Selecting);
  Handy->move(PreviewLeft, Handy->y());
  if (TwoPreviews)
    Target->setGeometry(PreviewLeft, Handy->y() + Handy->height() + 4, Handy->width(),
                        Handy->width());
  else
    Target->setGeometry(PreviewLeft, PreviewLeft, TargetSide, TargetSide);
}

void TZrHandInpaintingTool::StepReflection(int32_t Direction)
{
  if (AutoReflection)
    return;
  SetReflection(SteppedReflection(Reflection, Direction));
  Preview();
}

void TZrHandInpaintingTool::Cancel()
{
  Selecting = false;
  bool UndoLast = true;
  if (OwnEditOpen()) {
    // Undo exactly the fill: when keeping it recorded nothing, there is
    // nothing to undo (and the step before is the user's own work).
    TZrGraphicsDocument *Doc = Document;
    TZrCommandState *Before = Doc->History.LastUndo();
    EndEdit();
    UndoLast = Doc->History.LastUndo() != Before;
  }
  Correlator.reset();
  if (TZrGraphicsEditor *Editor = GraphicsEditor(); UndoLast && Editor && Editor->CanUndo())
    Editor->UndoStep();
  ArrangeImages();
  RecordAction(QStringLiteral("CancelButton"), QStringLiteral("CancelButton"));
}

void TZrHandInpaintingTool::StopSelecting()
{
  if (OwnEditOpen())
    EndEdit();
  Selecting = false;
  Correlator.reset();
  ArrangeImages();
}

void TZrHandInpaintingTool::RefreshSelection()
{
  if (Selecting)
    Preview();
}

void TZrHandInpaintingTool::ConfigureSimple(bool ShowReflection)
{
  ShowOptions = false;
  SetAdjustment(2);
  SetReflection(0);
  SetAutoReflection(true);
  if (Frame)
    Frame->AreaReflectionPanel->setVisible(ShowReflection);
  SetLongDefect(true);
  SetAntiAliasing(true);
  SetEnabled(true);
}

void TZrHandInpaintingTool::RecordAction(const QString &Target, const QString &Line)
{
  if (!Playback || DemoName.isEmpty() || !Playback->IsRecording())
    return;
  if (!Target.isEmpty())
    Playback->RecordLine(QStringLiteral("MouseCurvedMove ") + DemoName + Target);
  if (!Line.isEmpty())
    Playback->RecordLine(DemoName + Line);
}

// Frame handlers

void TZrHandInpaintingTool::AdjustmentTBXCheckBoxChange()
{
  Adjustment = Frame->AdjustmentTBXCheckBox->isChecked() ? 2 : 0;
  RecordAction(QStringLiteral("Adjustment"),
               QStringLiteral("Adjustment ") + QString::number(Adjustment));
  RefreshSelection();
}

void TZrHandInpaintingTool::AntiAliasingTBXCheckBoxChange()
{
  AntiAliasing = Frame->AntiAliasingTBXCheckBox->isChecked();
  NeedsPrepare = true;
  RecordAction(QStringLiteral("AntiAliasing"),
               QStringLiteral("AntiAliasing ") + QString::number(AntiAliasing ? 1 : 0));
  RefreshSelection();
}

void TZrHandInpaintingTool::LongDefectTBXCheckBoxChange()
{
  LongDefect = Frame->LongDefectTBXCheckBox->isChecked();
  NeedsPrepare = true;
  RecordAction(QStringLiteral("LongDefect"),
               QStringLiteral("LongDefect ") + QString::number(LongDefect ? 1 : 0));
  RefreshSelection();
}

void TZrHandInpaintingTool::AutoReflectionTBXCheckBoxChange()
{
  AutoReflection = Frame->AutoReflectionTBXCheckBox->isChecked();
  RecordAction(QStringLiteral("AutoReflection"),
               QStringLiteral("AutoReflection ") + QString::number(AutoReflection ? 1 : 0));
  RefreshSelection();
}

void TZrHandInpaintingTool::ReflectionSpeedButtonClick(int32_t Tag)
{
  Reflection = Tag;
  RecordAction(QString::fromLatin1(TZrHandInpaintingFrame::ReflectionButtonNames[Tag]),
               QStringLiteral("AreaReflection ") + QString::number(Tag));
  RefreshSelection();
}

void TZrHandInpaintingTool::TwoSpeedButtonClick()
{
  SetTwoPreviews(!TwoPreviews);
  UpdatePreviews(false);
  UpdatePreviews(true);
}

// Overrides

void TZrHandInpaintingTool::Localize()
{
  if (Button) {
    Button->setText(LocalString(2450));
    Button->setToolTip(LocalString(2450));
  }
  if (!Frame)
    return;
  Frame->TitleLabel->setText(LocalString(2450));
  Frame->SizeLabel->setText(LocalString(154) + QLatin1Char(':'));
  Frame->CancelTBXButton->setText(LocalString(2));
  Frame->LongDefectTBXCheckBox->setText(LocalString(2451));
  Frame->AdjustmentTBXCheckBox->setText(LocalString(2453));
  Frame->AntiAliasingTBXCheckBox->setText(LocalString(1180));
  Frame->AutoReflectionTBXCheckBox->setText(LocalString(562));
  Frame->AutoReflectionTBXCheckBox->setToolTip(LocalString(2457));
  Frame->LoupeSpeedButton->setToolTip(LocalString(1170));
  Frame->TwoSpeedButton->setToolTip(LocalString(1171));
  for (int32_t T = 0; T < ReflectionCount; ++T)
    Frame->ReflectionButtons[T]->setToolTip(LocalString(ReflectionHintIds[T]));
}

void TZrHandInpaintingTool::UpdateControls()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  const bool Current = Editor && Editor->CurrentTool() == this;
  const bool Selectable = Editor && Editor->CanSelectTool(this) && Enabled;
  if (Button) {
    Button->setChecked(Current);
    Button->setEnabled(Selectable);
  }
  if (!Frame)
    return;
  const bool Usable = Selectable && Current;
  Frame->SetControlsEnabled(Usable);
  Frame->SizeLabel->setEnabled(Usable && !Selecting);
  Frame->SizeTrackBar->setEnabled(Usable && !Selecting);
  Frame->CancelTBXButton->setEnabled(Selecting);
  Frame->OptionsPanel->setVisible(ShowOptions);
  brushparts::ShowValue(Frame->SizeLabel, 154, Frame->SizeTrackBar);
}

void TZrHandInpaintingTool::InitializeTool()
{
  TZrBrushTool::InitializeTool();
  DemoRegistry().RegisterDemoComponent(DemoName, Button);
}

void TZrHandInpaintingTool::LoadSettings(TZrSDFReader &Reader)
{
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  int32_t Value = 0;
  if (Reader.ReadInteger(1, Value))
    SetBrushSize(Value);
  if (Reader.ReadInteger(2, Value))
    SetAdjustment(Value);
  Reader.LeaveNode();
}

void TZrHandInpaintingTool::SaveSettings(TZrSDFWriter &Writer)
{
  Writer.BeginNode(1, SettingsGuid);
  Writer.WriteInteger(1, BrushSize);
  Writer.WriteInteger(2, Adjustment);
  Writer.EndNode();
}

void TZrHandInpaintingTool::DocumentOpened(TZrGraphicsDocument &Doc)
{
  TZrBrushTool::DocumentOpened(Doc);
  Selecting = false;
  Correlator.reset();
  if (Frame) {
    Frame->TargetImage->setVisible(Loupe);
    Frame->HandyImage->setVisible(false);
  }
  SetShowLastPoint(false);
  SizePreview();
}

void TZrHandInpaintingTool::DocumentClosing(TZrGraphicsDocument &)
{
  // Nothing of the closing photo may be kept: an open fill is kept as it
  // is, and the patch engine that points into the photo goes.
  StopSelecting();
  if (Frame) {
    Frame->TargetImage->hide();
    Frame->HandyImage->hide();
  }
}

void TZrHandInpaintingTool::PixelWindowsReplaced(TZrGraphicsDocument &Doc)
{
  TZrBrushTool::PixelWindowsReplaced(Doc);
  // The photo's memory changed under the defect: the selection ends.
  if (Selecting)
    StopSelecting();
}

void TZrHandInpaintingTool::SetEnabled(bool Value)
{
  if (Button)
    Button->setVisible(Value);
  if (Frame)
    Frame->setVisible(Value);
  TZrBrushTool::SetEnabled(Value);
}

void TZrHandInpaintingTool::Activate()
{
  TZrBrushTool::Activate();
  if (Frame && ToolPanel())
    ToolPanel()->BringFrameToFront(Frame);
}

void TZrHandInpaintingTool::Deactivate()
{
  if (Selecting)
    StopSelecting();
  TZrBrushTool::Deactivate();
}

void TZrHandInpaintingTool::CancelPendingAction()
{
  if (Selecting)
    Cancel();
  TZrBrushTool::CancelPendingAction();
}

void TZrHandInpaintingTool::DemoCommand(IZrDemoPlayback *Sender, const QString &Command,
                                        bool &Handled, TZrDemoAction *Action,
                                        const TZrDemoScriptParams &Params)
{
  const QString Name = DemoName.toUpper();
  const std::optional<int32_t> Value = Params.IntegerArgument(0);
  const auto Is = [&](const char *Word) { return Command == Name + QLatin1String(Word); };
  if (Is("ADJUSTMENT")) {
    if (Value)
      SetAdjustment(*Value);
  } else if (Is("AREAREFLECTION")) {
    if (Value)
      SetReflection(*Value);
  } else if (Is("AUTOREFLECTION")) {
    if (Value)
      SetAutoReflection(BooleanOf(*Value));
  } else if (Is("LONGDEFECT")) {
    if (Value)
      SetLongDefect(BooleanOf(*Value));
  } else if (Is("ANTIALIASING")) {
    if (Value)
      SetAntiAliasing(BooleanOf(*Value));
  } else if (Is("CANCELBUTTON")) {
    Cancel();
  } else {
    TZrBrushTool::DemoCommand(Sender, Command, Handled, Action, Params);
    return;
  }
  Handled = true;
}

QWidget *TZrHandInpaintingTool::DemoTarget(const QString &Name) const
{
  if (!Frame || !Name.startsWith(DemoName.toUpper()))
    return nullptr;
  const QString Rest = Name.mid(DemoName.size());
  if (Rest == QLatin1String("TARGETIMAGE"))
    return Frame->TargetImage;
  if (Rest == QLatin1String("CANCELBUTTON"))
    return Frame->CancelTBXButton;
  if (Rest == QLatin1String("ADJUSTMENT"))
    return Frame->AdjustmentTBXCheckBox;
  if (Rest == QLatin1String("AUTOREFLECTION"))
    return Frame->AutoReflectionTBXCheckBox;
  if (Rest == QLatin1String("LONGDEFECT"))
    return Frame->LongDefectTBXCheckBox;
  if (Rest == QLatin1String("ANTIALIASING"))
    return Frame->AntiAliasingTBXCheckBox;
  for (int32_t T = 0; T < ReflectionCount; ++T)
    if (Rest == QString::fromLatin1(TZrHandInpaintingFrame::ReflectionButtonNames[T]).toUpper())
      return Frame->ReflectionButtons[T];
  return nullptr;
}

void TZrHandInpaintingTool::DemoTargetPosition(IZrDemoPlayback *Sender,
                                               const TZrDemoScriptParams &Params, bool &Handled,
                                               QPoint &Point)
{
  if (QWidget *Target = DemoTarget(QString::fromStdString(Params.StringArgument(0)).toUpper())) {
    TZrDemoRegistry::TargetPoint(Target, Point);
    Handled = true;
    return;
  }
  TZrBrushTool::DemoTargetPosition(Sender, Params, Handled, Point);
}

void TZrHandInpaintingTool::SetBrushSize(int32_t Value)
{
  if (Selecting)
    return;
  TZrBrushTool::SetBrushSize(Value);
  if (!Frame)
    return;
  const int32_t OldSide = Frame->TargetImage->Side();
  SizePreview();
  if (Frame->TargetImage->Side() != OldSide && Frame->TargetImage->isVisible())
    UpdateLoupe();
}

void TZrHandInpaintingTool::BrushShapeChanged()
{
  BuildPowerDisc(StampMask, BrushSize, 255, 160);
  TZrMaskDrawTool::BrushShapeChanged();
}

} // namespace facette
