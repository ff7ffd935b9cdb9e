#include "tools/geometry/ui/ZrAdjustmentTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ui/ZrImageList.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/geometry/ui/ZrToolParts.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>
#include <utility>

namespace facette {

namespace {

constexpr int TypeNameIds[4] = {550, 558, 559, 552};
const char *const TypeNames[4] = {"Brightness", "Contrast", "Gamma", "Saturation"};

QSlider *ChannelSlider(QWidget *Parent)
{
  auto *Slider = new QSlider(Qt::Horizontal, Parent);
  Slider->setRange(-50, 50);
  Slider->setTickInterval(5);
  Slider->setTickPosition(QSlider::TicksBelow);
  Slider->setPageStep(1);
  return Slider;
}

QToolButton *ActionButton(const QString &Caption, QWidget *Parent)
{
  auto *Button = new QToolButton(Parent);
  Button->setText(Caption);
  Button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  Button->setIconSize(QSize(24, 24));
  // 80 x 52 where the panel has the room; narrower rather than cut off.
  Button->setMinimumSize(60, 52);
  Button->setMaximumSize(80, 52);
  Button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return Button;
}

// The busy cursor over long work, put back however the work ends.
class TBusyCursor
{
public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor &) = delete;
  TBusyCursor &operator=(const TBusyCursor &) = delete;
};

} // namespace

// --- frame ---------------------------------------------------------------

TZrAdjustmentFrame::TZrAdjustmentFrame(QWidget *Parent) : TZrFrame(Parent)
{
  TBXImageList1 = new TZrImageList(QSize(24, 24), this);
  TBXImageList1->LoadIndexed(QStringLiteral(":/icons/lists/adjustment"));

  TitleLabel = new QLabel(QStringLiteral("Adjustment"), this);
  QFont TitleFont = TitleLabel->font();
  TitleFont.setUnderline(true);
  TitleFont.setBold(true);
  TitleLabel->setFont(TitleFont);

  AdjustmentTypeTntGroupBox = new QGroupBox(this);
  TypeButtons = new QButtonGroup(this);
  TypeButtons->setExclusive(true);
  auto *TypeRow = new QHBoxLayout(AdjustmentTypeTntGroupBox);
  QToolButton **Types[4] = {&BrightnessTBXButton, &ContrastTBXButton, &GammaTBXButton,
                            &SaturationTBXButton};
  for (int Type = 0; Type < 4; ++Type) {
    auto *Button = new QToolButton(AdjustmentTypeTntGroupBox);
    Button->setCheckable(true);
    Button->setAutoRaise(true);
    Button->setIcon(TBXImageList1->Icon(Type));
    Button->setIconSize(QSize(24, 24));
    Button->setToolTip(QString::fromLatin1(TypeNames[Type]));
    TypeButtons->addButton(Button, Type);
    TypeRow->addWidget(Button);
    *Types[Type] = Button;
  }
  TypeRow->addStretch(1);

  SettingsTntGroupBox = new QGroupBox(QStringLiteral("Settings"), this);
  AllTntCheckBox = new QCheckBox(QStringLiteral("All"), SettingsTntGroupBox);
  AllTntCheckBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  ResetTBXButton = new QToolButton(SettingsTntGroupBox);
  ResetTBXButton->setText(QStringLiteral("0"));
  RedLabel = new QLabel(SettingsTntGroupBox);
  RedLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  RedTrackBar = ChannelSlider(SettingsTntGroupBox);
  GreenLabel = new QLabel(SettingsTntGroupBox);
  GreenTrackBar = ChannelSlider(SettingsTntGroupBox);
  BlueLabel = new QLabel(SettingsTntGroupBox);
  BlueTrackBar = ChannelSlider(SettingsTntGroupBox);
  auto *Settings = new QVBoxLayout(SettingsTntGroupBox);
  auto *AllRow = new QHBoxLayout;
  AllRow->addWidget(AllTntCheckBox, 1);
  AllRow->addWidget(ResetTBXButton);
  Settings->addLayout(AllRow);
  for (QWidget *Control :
       {static_cast<QWidget *>(RedLabel), static_cast<QWidget *>(RedTrackBar),
        static_cast<QWidget *>(GreenLabel), static_cast<QWidget *>(GreenTrackBar),
        static_cast<QWidget *>(BlueLabel), static_cast<QWidget *>(BlueTrackBar)})
    Settings->addWidget(Control);

  ActionsTntGroupBox = new QGroupBox(QStringLiteral("Actions"), this);
  StartTBXButton = ActionButton(QStringLiteral("Start"), ActionsTntGroupBox);
  StartTBXButton->setIcon(TBXImageList1->Icon(4));
  FinishingTBXButton = ActionButton(QStringLiteral("Ok"), ActionsTntGroupBox);
  CancelTBXButton = ActionButton(QStringLiteral("Cancel"), ActionsTntGroupBox);
  auto *Actions = new QHBoxLayout(ActionsTntGroupBox);
  Actions->addWidget(StartTBXButton);
  Actions->addWidget(FinishingTBXButton);
  Actions->addWidget(CancelTBXButton);
  Actions->addStretch(1);

  ExplanationTntCheckBox = new QCheckBox(QStringLiteral("Show Explanation"), this);
  ExplanationTntCheckBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  ExplanationTntMemo = new QPlainTextEdit(this);
  ExplanationTntMemo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
  ExplanationTntMemo->setMinimumHeight(90);
  ExplanationTntMemo->setReadOnly(true);
  ExplanationTntMemo->setFocusPolicy(Qt::NoFocus);
  ExplanationTntMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  auto *Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(4);
  Layout->addWidget(TitleLabel);
  Layout->addWidget(AdjustmentTypeTntGroupBox);
  Layout->addWidget(SettingsTntGroupBox);
  Layout->addWidget(ActionsTntGroupBox);
  Layout->addWidget(ExplanationTntCheckBox);
  Layout->addWidget(ExplanationTntMemo, 1);
  // The frame belongs to the tool panel, not to the application.
  Initialize();
}

// --- tool ----------------------------------------------------------------

TZrAdjustmentTool::TZrAdjustmentTool()
{
  PlugInAvailable = true;
  Exclusive = true;
  DemoName = QStringLiteral("Adjustment");
  Button = brushparts::CreateToolButton(*this, 2459, true);
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    Frame = Panel->CreateToolFrame<TZrAdjustmentFrame>();
    QObject::connect(Frame->RedTrackBar, &QSlider::valueChanged, this,
                     [this] { RedTrackBarChange(); });
    QObject::connect(Frame->GreenTrackBar, &QSlider::valueChanged, this,
                     [this] { GreenTrackBarChange(); });
    QObject::connect(Frame->BlueTrackBar, &QSlider::valueChanged, this,
                     [this] { BlueTrackBarChange(); });
    QObject::connect(Frame->AllTntCheckBox, &QCheckBox::clicked, this,
                     [this] { AllTntCheckBoxClick(); });
    QObject::connect(Frame->TypeButtons, &QButtonGroup::idClicked, this,
                     [this](int Type) { BrightnessTBXButtonClick(Type); });
    QObject::connect(Frame->ExplanationTntCheckBox, &QCheckBox::clicked, this,
                     [this] { ExplanationTntCheckBoxClick(); });
    QObject::connect(Frame->StartTBXButton, &QToolButton::clicked, this,
                     [this] { StartTBXButtonClick(); });
    QObject::connect(Frame->CancelTBXButton, &QToolButton::clicked, this,
                     [this] { CancelTBXButtonClick(); });
    QObject::connect(Frame->FinishingTBXButton, &QToolButton::clicked, this,
                     [this] { FinishingTBXButtonClick(); });
    QObject::connect(Frame->ResetTBXButton, &QToolButton::clicked, this,
                     [this] { ResetTBXButtonClick(); });
  }
  SetShowExplanation(true);
  SetAllChannels(false);
  SetAdjustmentType(atBrightness);
  UpdateExplanation();
}

TZrAdjustmentTool::~TZrAdjustmentTool() = default;

void TZrAdjustmentTool::MoveSlider(QSlider *Bar, int32_t Value)
{
  if (Bar && Bar->value() != Value)
    Bar->setValue(Value);
}

void TZrAdjustmentTool::SetRed(int32_t Value)
{
  RedValue = std::clamp(Value, -50, 50);
  if (Frame)
    MoveSlider(Frame->RedTrackBar, RedValue);
}

void TZrAdjustmentTool::SetGreen(int32_t Value)
{
  GreenValue = std::clamp(Value, -50, 50);
  if (Frame)
    MoveSlider(Frame->GreenTrackBar, GreenValue);
}

void TZrAdjustmentTool::SetBlue(int32_t Value)
{
  BlueValue = std::clamp(Value, -50, 50);
  if (Frame)
    MoveSlider(Frame->BlueTrackBar, BlueValue);
}

void TZrAdjustmentTool::SetShowExplanation(bool Value)
{
  ShowExplanation = Value;
  if (Frame)
    Frame->ExplanationTntCheckBox->setChecked(Value);
}

void TZrAdjustmentTool::SetAllChannels(bool Value)
{
  AllChannels = Value;
  if (Frame)
    Frame->AllTntCheckBox->setChecked(Value);
  // One slider drives all three from now on.
  if (Value)
    LinkChannels();
}

void TZrAdjustmentTool::LinkChannels()
{
  SetGreen(RedValue);
  SetBlue(RedValue);
}

void TZrAdjustmentTool::SetAdjustmentType(int32_t Value)
{
  if (Value < atBrightness || Value > atSaturation)
    return;
  AdjustmentType = Value;
  if (Frame)
    Frame->TypeButtons->button(Value)->setChecked(true);
}

bool TZrAdjustmentTool::SettingsChanged()
{
  // The values themselves are compared: a code of all three in one number
  // can give two settings the same code.
  const bool Changed = RedValue != LastRed || GreenValue != LastGreen || BlueValue != LastBlue;
  LastRed = RedValue;
  LastGreen = GreenValue;
  LastBlue = BlueValue;
  return Changed;
}

void TZrAdjustmentTool::ApplyAdjustment(TZrPixels *Copy)
{
  if (!ImagePixels || !BackupPixels)
    return;
  TProgressMeter *Meter = ShowProgress ? ProgressMeter() : nullptr;
  int32_t Shown = 0;
  TZrAdjustmentProgress Progress;
  if (Meter) {
    Meter->Start(ImagePixels->Height);
    Progress = [Meter, &Shown](int32_t Done, int32_t) {
      for (; Shown < Done; ++Shown)
        Meter->Step();
    };
  }
  Engine.Apply(AdjustmentType, *BackupPixels, *ImagePixels, RedValue, GreenValue, BlueValue,
               Progress, Copy);
  NewBackupFilled = Copy == &NewBackup;
  ChangeRect(ImagePixels->GetBounds(), false);
  if (Meter)
    Meter->Start(0);
}

namespace {

// The view showing Doc; nil when it has none.
TZrGraphicsView *ViewOf(TZrGraphicsDocument &Doc)
{
  auto *Link = dynamic_cast<TZrGraphicsViewLink *>(Doc.ViewLink());
  return Link ? Link->GraphicsView() : nullptr;
}

// The image point in the middle of the view.
TZrPoint MiddleOf(TZrGraphicsView &View)
{
  return View.MapMode().DeviceToLogical(TZrPoint{View.ClientWidth() / 2, View.ClientHeight() / 2});
}

} // namespace

void TZrAdjustmentTool::ShrinkForPreview(TZrGraphicsView &PreviewView)
{
  TZrGraphicsDocument &Doc = PreviewView.Document;
  Shrink = PreviewShrink(Doc.Image().GetWidth(), Doc.Image().GetHeight());
  if (!Shrink.Shrinks())
    return;
  const int32_t FullWidth = Doc.Image().GetWidth();
  const TZrPoint Middle = MiddleOf(PreviewView);
  SavedZoom = PreviewView.GetZoom();
  {
    TBusyCursor Busy;
    // Short of memory the preview simply runs on the whole image.
    if (!ParkForPreview(Doc, Shrink, Parked))
      return;
  }
  Downscaled = true;
  PreviewDocument = &Doc;
  // The shrunk image at the same size on the screen, around the same
  // point of the picture.
  int64_t Numerator = static_cast<int64_t>(SavedZoom.first) * FullWidth;
  int64_t Denominator = static_cast<int64_t>(SavedZoom.second) * Shrink.Width;
  const int64_t Common = std::gcd(Numerator, Denominator);
  Numerator /= Common;
  Denominator /= Common;
  if (Numerator <= INT32_MAX && Denominator <= INT32_MAX)
    PreviewView.SetZoom(static_cast<int32_t>(Numerator), static_cast<int32_t>(Denominator));
  PreviewView.CenterOn(TZrPoint{MulDiv(Middle.X, Shrink.Width, FullWidth),
                                MulDiv(Middle.Y, Shrink.Width, FullWidth)});
}

void TZrAdjustmentTool::RestoreFullSize()
{
  if (!Downscaled)
    return;
  Downscaled = false;
  // The document that was shrunk, whichever is active now.
  TZrGraphicsDocument *Doc = std::exchange(PreviewDocument, nullptr);
  if (!Doc || !Parked.Image)
    return;
  const int32_t ShownWidth = Doc->Image().GetWidth();
  const int32_t FullWidth = Parked.Image->GetWidth();
  TZrGraphicsView *PreviewView = ViewOf(*Doc);
  const TZrPoint Middle = PreviewView ? MiddleOf(*PreviewView) : TZrPoint{};
  UnparkAfterPreview(*Doc, Parked);
  if (!PreviewView)
    return;
  PreviewView->SetZoom(SavedZoom.first, SavedZoom.second);
  PreviewView->CenterOn(
      TZrPoint{MulDiv(Middle.X, FullWidth, ShownWidth), MulDiv(Middle.Y, FullWidth, ShownWidth)});
}

void TZrAdjustmentTool::StartAdjustment()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsView *PreviewView = Editor ? Editor->ActiveView() : nullptr;
  if (Started || !PreviewView || !PreviewView->Document.HasImage() || Editor->CurrentTool() != this)
    return;
  ClearExplanation();
  // Means of this image: an earlier one's would pivot the contrast
  // elsewhere.
  Engine.MeansPending = true;
  NewBackupFilled = false;
  // A pending edit of another tool is finished before the image shrinks.
  if (PreviewView->Document.Editing())
    if (IZrGraphicsDocumentListener *Other = PreviewView->Document.EditTool())
      Other->EndEdit();
  const TZrRect FullBounds = PreviewView->Document.ImageBounds();
  ShrinkForPreview(*PreviewView);
  {
    // The backup of the finished image, had now rather than at Ok.
    TBusyCursor Busy;
    if (!PrepareBuffer(NewBackup, FullBounds))
      NewBackup.Clear();
  }
  BeginEdit(*PreviewView);
  SettingsChanged();
  ApplyAdjustment();
  Started = true;
  UpdateExplanation();
}

void TZrAdjustmentTool::FinishAdjustment()
{
  if (!Started)
    return;
  ClearExplanation();
  Started = false;
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (Downscaled) {
    CancelEdit();
    RestoreFullSize();
  }
  TZrGraphicsView *EditView = View ? View : (Editor ? Editor->ActiveView() : nullptr);
  if (EditView) {
    TBusyCursor Busy;
    if (!Document)
      BeginEdit(*EditView);
    ShowProgress = true;
    SettingsChanged();
    const bool Ready = NewBackup.Bits && NewBackup.GetBounds() == EditView->Document.ImageBounds();
    ApplyAdjustment(Ready ? &NewBackup : nullptr);
    ShowProgress = false;
    EndEdit();
  }
  NewBackup.Clear();
  NewBackupFilled = false;
  ResetSliders();
  UpdateExplanation();
}

void TZrAdjustmentTool::CancelAdjustment()
{
  if (!Started)
    return;
  ClearExplanation();
  Started = false;
  CancelEdit();
  RestoreFullSize();
  NewBackup.Clear();
  NewBackupFilled = false;
  UpdateExplanation();
}

void TZrAdjustmentTool::ResetSliders()
{
  SetRed(0);
  SetGreen(0);
  SetBlue(0);
}

void TZrAdjustmentTool::ClearExplanation()
{
  if (Frame)
    Frame->ExplanationTntMemo->clear();
}

void TZrAdjustmentTool::UpdateExplanation()
{
  if (!Frame)
    return;
  QStringList Lines;
  if (Started && Downscaled)
    Lines << LocalString(2915);
  if (Started)
    Lines << LocalString(2919) << LocalString(2920);
  else
    Lines << LocalString(2916) << LocalString(2917) + LocalString(75) + LocalString(2918);
  Frame->ExplanationTntMemo->setPlainText(Lines.join(QLatin1Char('\n')));
  Frame->ExplanationTntMemo->verticalScrollBar()->setValue(0);
}

// Frame handlers

void TZrAdjustmentTool::RedTrackBarChange()
{
  RedValue = Frame->RedTrackBar->value();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RecordDemoMove(QStringLiteral("AdjustmentRed"));
  Registry.RecordDemoLine(QStringLiteral("AdjustmentRed ") + QString::number(RedValue));
  if (AllChannels)
    LinkChannels();
}

void TZrAdjustmentTool::GreenTrackBarChange()
{
  GreenValue = Frame->GreenTrackBar->value();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RecordDemoMove(QStringLiteral("AdjustmentGreen"));
  Registry.RecordDemoLine(QStringLiteral("AdjustmentGreen ") + QString::number(GreenValue));
}

void TZrAdjustmentTool::BlueTrackBarChange()
{
  BlueValue = Frame->BlueTrackBar->value();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RecordDemoMove(QStringLiteral("AdjustmentBlue"));
  Registry.RecordDemoLine(QStringLiteral("AdjustmentBlue ") + QString::number(BlueValue));
}

void TZrAdjustmentTool::AllTntCheckBoxClick()
{
  const bool Checked = Frame->AllTntCheckBox->isChecked();
  DemoRegistry().RecordDemoCommand(QStringLiteral("AdjustmentAll"),
                                   Checked ? QStringLiteral("1") : QStringLiteral("0"));
  SetAllChannels(Checked);
}

void TZrAdjustmentTool::BrightnessTBXButtonClick(int32_t Type)
{
  SetAdjustmentType(Type);
  Engine.MeansPending = true;
  DemoRegistry().RecordDemoCommand(QStringLiteral("Adjustment") +
                                   QString::fromLatin1(TypeNames[AdjustmentType]));
}

void TZrAdjustmentTool::ExplanationTntCheckBoxClick()
{
  ShowExplanation = Frame->ExplanationTntCheckBox->isChecked();
  DemoRegistry().RecordDemoCommand(QStringLiteral("AdjustmentExplanation"),
                                   ShowExplanation ? QStringLiteral("1") : QStringLiteral("0"));
}

void TZrAdjustmentTool::StartTBXButtonClick()
{
  StartAdjustment();
  DemoRegistry().RecordDemoCommand(QStringLiteral("AdjustmentStart"));
}

void TZrAdjustmentTool::CancelTBXButtonClick()
{
  CancelAdjustment();
  DemoRegistry().RecordDemoCommand(QStringLiteral("AdjustmentCancel"));
}

void TZrAdjustmentTool::FinishingTBXButtonClick()
{
  FinishAdjustment();
  DemoRegistry().RecordDemoCommand(QStringLiteral("AdjustmentFinishing"));
}

void TZrAdjustmentTool::ResetTBXButtonClick()
{
  ResetSliders();
  DemoRegistry().RecordDemoCommand(QStringLiteral("AdjustmentReset"));
}

// Tool and module

void TZrAdjustmentTool::Commit()
{
  if (Document && NewBackupFilled && Document->Editing() && Document->EditTool() == this) {
    NewBackupFilled = false;
    if (CommitWholeImage(*Document, this, NewBackup))
      return;
  }
  TZrGraphicsTool::Commit();
}

void TZrAdjustmentTool::EndEdit()
{
  if (Started) {
    FinishAdjustment();
    return;
  }
  TZrGraphicsTool::EndEdit();
}

void TZrAdjustmentTool::DocumentClosing(TZrGraphicsDocument &Doc)
{
  if (Started && (Document == &Doc || PreviewDocument == &Doc)) {
    Started = false;
    CancelEdit();
    RestoreFullSize();
    NewBackup.Clear();
    UpdateExplanation();
  }
  TZrGraphicsTool::DocumentClosing(Doc);
}

void TZrAdjustmentTool::DocumentSaving(TZrGraphicsDocument &Doc)
{
  if (Started && (Document == &Doc || PreviewDocument == &Doc))
    FinishAdjustment();
  TZrGraphicsTool::DocumentSaving(Doc);
}

void TZrAdjustmentTool::Localize()
{
  if (Button) {
    Button->setText(LocalString(2459, QStringLiteral("Adjustment")));
    Button->setToolTip(LocalString(2459, QStringLiteral("Adjustment")));
  }
  if (!Frame)
    return;
  Frame->TitleLabel->setText(LocalString(2459, QStringLiteral("Adjustment")));
  Frame->SettingsTntGroupBox->setTitle(LocalString(2924));
  Frame->AllTntCheckBox->setText(LocalString(2018));
  for (int Type = 0; Type < 4; ++Type)
    Frame->TypeButtons->button(Type)->setToolTip(LocalString(TypeNameIds[Type]));
  Frame->ActionsTntGroupBox->setTitle(LocalString(2810));
  Frame->StartTBXButton->setText(LocalString(75));
  Frame->CancelTBXButton->setText(LocalString(2));
  Frame->FinishingTBXButton->setText(LocalString(2905));
  Frame->ExplanationTntCheckBox->setText(LocalString(2914));
  UpdateExplanation();
}

std::vector<toolparts::TIntegerSetting> TZrAdjustmentTool::Settings()
{
  return {
      {1, [this] { return RedValue; }, [this](int32_t V) { SetRed(V); }},
      {2, [this] { return GreenValue; }, [this](int32_t V) { SetGreen(V); }},
      {3, [this] { return BlueValue; }, [this](int32_t V) { SetBlue(V); }},
      {4, [this] { return ShowExplanation ? 1 : 0; },
       [this](int32_t V) { SetShowExplanation(V != 0); }},
      {5, [this] { return AllChannels ? 1 : 0; }, [this](int32_t V) { SetAllChannels(V != 0); }},
      {6, [this] { return AdjustmentType; }, [this](int32_t V) { SetAdjustmentType(V); }},
  };
}

void TZrAdjustmentTool::LoadSettings(TZrSDFReader &Reader)
{
  toolparts::LoadIntegers(Reader, SettingsGuid, Settings());
}

void TZrAdjustmentTool::SaveSettings(TZrSDFWriter &Writer)
{
  toolparts::SaveIntegers(Writer, SettingsGuid, Settings());
}

namespace {

QString ValueCaption(const QString &Name, int32_t Value)
{
  return Name + QStringLiteral(": ") + (Value > 0 ? QStringLiteral("+") : QString()) +
         QString::number(Value);
}

void SetText(QLabel *Label, const QString &Text)
{
  if (Label->text() != Text)
    Label->setText(Text);
}

} // namespace

void TZrAdjustmentTool::UpdateControls()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  const bool A = toolparts::UpdateButtonAndFrame(*this, Button, Frame);
  if (Frame) {
    const QString TypeName = LocalString(TypeNameIds[AdjustmentType]);
    if (Frame->AdjustmentTypeTntGroupBox->title() != TypeName)
      Frame->AdjustmentTypeTntGroupBox->setTitle(TypeName);
    SetText(Frame->RedLabel, ValueCaption(AllChannels ? TypeName : LocalString(540), RedValue));
    SetText(Frame->GreenLabel, ValueCaption(LocalString(541), GreenValue));
    SetText(Frame->BlueLabel, ValueCaption(LocalString(542), BlueValue));
    const bool Separate = A && !AllChannels;
    for (QWidget *Control :
         {static_cast<QWidget *>(Frame->GreenLabel), static_cast<QWidget *>(Frame->GreenTrackBar),
          static_cast<QWidget *>(Frame->BlueLabel), static_cast<QWidget *>(Frame->BlueTrackBar)})
      Control->setVisible(Separate);
    const TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
    const bool Previewing = A && Started && Doc && Doc->Editing();
    Frame->StartTBXButton->setEnabled(A && !Started);
    Frame->FinishingTBXButton->setEnabled(Previewing);
    Frame->CancelTBXButton->setEnabled(Previewing);
    Frame->ExplanationTntMemo->setVisible(ShowExplanation && Doc);
    for (int Type = 0; Type < 4; ++Type)
      Frame->TypeButtons->button(Type)->setEnabled(A && (!Started || Type == AdjustmentType));
  }
  // The live preview: applied again whenever the sliders moved.
  if (Started && SettingsChanged())
    ApplyAdjustment();
}

void TZrAdjustmentTool::InitializeTool()
{
  TZrGraphicsTool::InitializeTool();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(DemoName, Button);
  const QPointer<TZrAdjustmentTool> Self(this);
  const auto Integer = [&](const char *Suffix, QSlider *Bar,
                           void (TZrAdjustmentTool::*Set)(int32_t), int32_t Default) {
    const QString Name = DemoName + QString::fromLatin1(Suffix);
    Registry.RegisterDemoComponent(Name, Bar);
    Registry.RegisterDemoIntegerCommand(
        Name,
        [Self, Set](int V) {
          if (Self)
            ((*Self).*Set)(V);
        },
        Default);
  };
  const auto Plain = [&](const char *Suffix, QObject *Component, void (TZrAdjustmentTool::*Run)()) {
    const QString Name = DemoName + QString::fromLatin1(Suffix);
    Registry.RegisterDemoComponent(Name, Component);
    Registry.RegisterDemoCommand(Name, [Self, Run] {
      if (Self)
        ((*Self).*Run)();
    });
  };
  Integer("Red", Frame ? Frame->RedTrackBar : nullptr, &TZrAdjustmentTool::SetRed, RedValue);
  Integer("Green", Frame ? Frame->GreenTrackBar : nullptr, &TZrAdjustmentTool::SetGreen,
          GreenValue);
  Integer("Blue", Frame ? Frame->BlueTrackBar : nullptr, &TZrAdjustmentTool::SetBlue, BlueValue);
  if (Frame) {
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Explanation"),
                                   Frame->ExplanationTntCheckBox);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("All"), Frame->AllTntCheckBox);
  }
  Registry.RegisterDemoBooleanCommand(
      DemoName + QStringLiteral("Explanation"),
      [Self](bool V) {
        if (Self)
          Self->SetShowExplanation(V);
      },
      ShowExplanation);
  Registry.RegisterDemoBooleanCommand(
      DemoName + QStringLiteral("All"),
      [Self](bool V) {
        if (Self)
          Self->SetAllChannels(V);
      },
      AllChannels);
  if (Frame)
    for (int Type = 0; Type < 4; ++Type)
      Registry.RegisterDemoButton(DemoName + QString::fromLatin1(TypeNames[Type]),
                                  Frame->TypeButtons->button(Type), [Self, Type](QObject *) {
                                    if (Self && Self->Frame)
                                      Self->Frame->TypeButtons->button(Type)->click();
                                  });
  Plain("Reset", Frame ? Frame->ResetTBXButton : nullptr, &TZrAdjustmentTool::ResetSliders);
  Plain("Start", Frame ? Frame->StartTBXButton : nullptr, &TZrAdjustmentTool::StartAdjustment);
  Plain("Cancel", Frame ? Frame->CancelTBXButton : nullptr, &TZrAdjustmentTool::CancelAdjustment);
  Plain("Finishing", Frame ? Frame->FinishingTBXButton : nullptr,
        &TZrAdjustmentTool::FinishAdjustment);
}

void TZrAdjustmentTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrGraphicsTool::SetEnabled(Value);
}

void TZrAdjustmentTool::Activate()
{
  TZrGraphicsTool::Activate();
  brushparts::BringToFront(Frame);
}

} // namespace facette
