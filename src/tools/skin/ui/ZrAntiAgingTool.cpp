#include "tools/skin/ui/ZrAntiAgingTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrProgressMeter.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "tools/skin/ZrAntiAgingKernel.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QVBoxLayout>

#include <new>

namespace facette {

namespace {

constexpr int32_t MinNaturalness = 0;
constexpr int32_t MaxNaturalness = 5;
constexpr int32_t MinSmoothing = 1;
constexpr int32_t MaxSmoothing = 25;

// A scale's slider: one step a page.
void SetScaleRange(QSlider *Slider, int32_t Min, int32_t Max, int32_t Position)
{
  Slider->setRange(Min, Max);
  Slider->setPageStep(1);
  Slider->setValue(Position);
}

void ShowValue(QLabel *Label, int Id, const QSlider *Bar)
{
  const QString Text = LocalString(Id) + QStringLiteral(": ") + QString::number(Bar->value());
  if (Label->text() != Text)
    Label->setText(Text);
}

} // namespace

// --- frames --------------------------------------------------------------

TZrAntiAgingFrame::TZrAntiAgingFrame(const QString &Title, QWidget *Parent)
    : TZrBrushFrame(Title, true, Parent)
{
  NaturalnessLabel = new QLabel(QStringLiteral("Naturalness:"), this);
  NaturalnessTrackBar = brushparts::NewSlider(this);
  SetScaleRange(NaturalnessTrackBar, MinNaturalness, MaxNaturalness, 1);
  SmoothingLabel->setText(QStringLiteral("Smoothing:"));
  SetScaleRange(SmoothingTrackBar, MinSmoothing, MaxSmoothing, 5);
  Arrange(true);
}

void TZrAntiAgingFrame::Arrange(bool ExpertMode)
{
  while (Layout->count() > 0)
    delete Layout->takeAt(0);
  for (QWidget *Row :
       {static_cast<QWidget *>(TitleLabel), PreviewAlignmentPanel,
        static_cast<QWidget *>(SizeLabel), static_cast<QWidget *>(SizeTrackBar),
        static_cast<QWidget *>(NaturalnessLabel), static_cast<QWidget *>(NaturalnessTrackBar),
        static_cast<QWidget *>(SmoothingLabel), static_cast<QWidget *>(SmoothingTrackBar),
        static_cast<QWidget *>(OpacityLabel), static_cast<QWidget *>(OpacityTrackBar),
        static_cast<QWidget *>(HardnessLabel), static_cast<QWidget *>(HardnessTrackBar)})
    Layout->addWidget(Row);
  Layout->addStretch(1);
  for (QWidget *Expert :
       {static_cast<QWidget *>(OpacityLabel), static_cast<QWidget *>(OpacityTrackBar),
        static_cast<QWidget *>(HardnessLabel), static_cast<QWidget *>(HardnessTrackBar)})
    Expert->setVisible(ExpertMode);
}

// --- control -------------------------------------------------------------

bool TZrAntiAgingToolControl::MouseMove(TZrShiftState Shift, TZrPoint Point)
{
  const bool Handled = TZrBrushToolControl::MouseMove(Shift, Point);
  if (auto *T = static_cast<TZrAntiAgingTool *>(Tool);
      T && Active && T->Active && !T->RangeCurrent())
    T->PrepareRange();
  return Handled;
}

// --- tool ----------------------------------------------------------------

TZrAntiAgingTool::TZrAntiAgingTool(const TZrAntiAgingKind &Kind, TFrameMaker NewFrame)
    : Traits(Kind), Range(Kind.RemoveBand), RemoveBand(Kind.RemoveBand)
{
  Accumulate = true;
  DemoName = QString::fromLatin1(Kind.DemoName);
  Button = brushparts::CreateToolButton(*this, Kind.NameId, true);
  Frame = NewFrame();
  MaxBrushSize = 64;
  if (Frame) {
    Frame->Tool = this;
    brushparts::BindFrame(*this, *Frame);
    QObject::connect(Frame->ExpertModeTBXCheckBox, &QCheckBox::toggled, this,
                     [this] { ExpertModeTBXCheckBoxChange(); });
    Frame->NaturalnessTrackBar->setValue(Naturalness);
    Frame->SmoothingTrackBar->setValue(Smoothing);
    QObject::connect(Frame->NaturalnessTrackBar, &QSlider::valueChanged, this,
                     [this] { NaturalnessTrackBarChange(); });
    QObject::connect(Frame->SmoothingTrackBar, &QSlider::valueChanged, this,
                     [this] { SmoothingTrackBarChange(); });
  }
  ControlClass = ControlClassOf<TZrAntiAgingToolControl>();
  SetExpertMode(false);
  LayoutFrame();
  if (TZrToolPanelModule *Panel = ToolPanel())
    Panel->SetPanelWidth(272);
}

void TZrAntiAgingTool::SetExpertMode(bool Value)
{
  ExpertMode = Value;
  if (Frame)
    Frame->ExpertModeTBXCheckBox->setChecked(Value);
}

void TZrAntiAgingTool::SetNaturalness(int32_t Value)
{
  if (Value < MinNaturalness || Value > MaxNaturalness || Value == Naturalness)
    return;
  Naturalness = Value;
  Range.MarkDirty(2);
  if (Frame)
    Frame->NaturalnessTrackBar->setValue(Value);
}

void TZrAntiAgingTool::SetSmoothing(int32_t Value)
{
  if (Value < MinSmoothing || Value > MaxSmoothing || Value == Smoothing)
    return;
  Smoothing = Value;
  Range.MarkDirty(2);
  if (Frame)
    Frame->SmoothingTrackBar->setValue(Value);
}

void TZrAntiAgingTool::LayoutFrame()
{
  // Outside expert mode the brush is the full-strength soft brush.
  brushparts::LayoutFrame(*this, Frame, ExpertMode, 127);
}

void TZrAntiAgingTool::RecordSlider(const QString &Name, int32_t Value)
{
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RecordDemoMove(DemoName + Name);
  Registry.RecordDemoLine(DemoName + Name + QLatin1Char(' ') + QString::number(Value));
}

void TZrAntiAgingTool::ExpertModeTBXCheckBoxChange()
{
  if (!Frame)
    return;
  ExpertMode = Frame->ExpertModeTBXCheckBox->isChecked();
  LayoutFrame();
  brushparts::RecordExpertMode(DemoName, ExpertMode);
}

void TZrAntiAgingTool::NaturalnessTrackBarChange()
{
  Range.MarkDirty(2);
  Naturalness = Frame->NaturalnessTrackBar->value();
  RecordSlider(QStringLiteral("Naturalness"), Naturalness);
}

void TZrAntiAgingTool::SmoothingTrackBarChange()
{
  Range.MarkDirty(2);
  Smoothing = Frame->SmoothingTrackBar->value();
  RecordSlider(QStringLiteral("Smoothing"), Smoothing);
}

bool TZrAntiAgingTool::RangeCurrent() const
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  return !Doc || Range.Current(Doc->Backup(), Naturalness, Smoothing);
}

bool TZrAntiAgingTool::PrepareRange()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TZrGraphicsDocument *Doc = Editor ? Editor->ActiveDocument() : nullptr;
  if (!Doc)
    return false;
  const TZrPixelBuffer &Image = Doc->Backup();
  if (Range.Current(Image, Naturalness, Smoothing))
    return true;
  // A large photo shows its progress in hundredths.
  const bool Large = static_cast<int64_t>(Image.Width) * Image.Height >= MeterPixels;
  TZrBusyWork Busy(Large ? 100 : 0);
  const bool Prepared =
      Range.Prepare(Image, Naturalness, Smoothing, [&Busy](int32_t Done, int32_t Total) {
        Busy.Progress(Total > 0 ? static_cast<int32_t>(int64_t{Done} * 100 / Total) : 100);
      });
  return Prepared;
}

bool TZrAntiAgingTool::BeginStroke(TZrDrawToolControl &Control, int32_t MouseButton,
                                   TZrShiftState Shift)
{
  if (!PrepareRange()) {
    // Painting would change nothing: the user hears why instead.
    if (GraphicsEditor() && GraphicsEditor()->ActiveDocument())
      ZrApplication().ShowException(std::bad_alloc());
    return false;
  }
  return TZrBrushTool::BeginStroke(Control, MouseButton, Shift);
}

void TZrAntiAgingTool::ApplyRect(const TZrRect &Rect)
{
  if (BackupPixels && ImagePixels)
    AntiAgingRect(Rect, Range, EffectMask(), *BackupPixels, *ImagePixels);
}

void TZrAntiAgingTool::Localize()
{
  brushparts::Localize(Button, Frame, Traits.NameId);
  if (!Frame)
    return;
  Frame->NaturalnessLabel->setText(LocalString(2659) + QLatin1Char(':'));
  Frame->SmoothingLabel->setText(LocalString(Traits.SmoothingId) + QLatin1Char(':'));
}

void TZrAntiAgingTool::UpdateControls()
{
  brushparts::UpdateControls(*this, Button, Frame);
  if (!Frame)
    return;
  ShowValue(Frame->NaturalnessLabel, 2659, Frame->NaturalnessTrackBar);
  ShowValue(Frame->SmoothingLabel, Traits.SmoothingId, Frame->SmoothingTrackBar);
}

void TZrAntiAgingTool::LoadSettings(TZrSDFReader &Reader)
{
  TZrGuid Guid;
  SettingsGuid(Guid);
  brushparts::LoadSettings(
      Reader, Guid, *this, [this](bool V) { SetExpertMode(V); },
      [this](TZrSDFReader &Node) {
        int32_t Value = 0;
        if (Node.ReadInteger(5, Value))
          SetNaturalness(Value);
        if (Node.ReadInteger(6, Value))
          SetSmoothing(Value);
      });
}

void TZrAntiAgingTool::SaveSettings(TZrSDFWriter &Writer)
{
  TZrGuid Guid;
  SettingsGuid(Guid);
  brushparts::SaveSettings(Writer, Guid, *this, ExpertMode, [this](TZrSDFWriter &Node) {
    Node.WriteInteger(5, Naturalness);
    Node.WriteInteger(6, Smoothing);
  });
}

void TZrAntiAgingTool::DocumentOpened(TZrGraphicsDocument &)
{
  Range.MarkDirty(2);
}

void TZrAntiAgingTool::StateApplied(TZrGraphicsDocument &, IZrGraphicsDocumentListener *Tool,
                                    const TZrRect &)
{
  // This tool's own strokes (and their undo) leave the filtered image as
  // it was: a later stroke over the same skin then gives the same result
  // instead of smoothing what was already smoothed.
  if (Tool != static_cast<IZrGraphicsDocumentListener *>(this))
    Range.MarkDirty(2);
}

void TZrAntiAgingTool::InitializeTool()
{
  TZrBrushTool::InitializeTool();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(DemoName, Button);
  if (Frame) {
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("ExpertMode"),
                                   Frame->ExpertModeTBXCheckBox);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Naturalness"),
                                   Frame->NaturalnessTrackBar);
    Registry.RegisterDemoComponent(DemoName + QStringLiteral("Smoothing"),
                                   Frame->SmoothingTrackBar);
  }
  // The registry outlives the tools.
  const QPointer<TZrAntiAgingTool> Self(this);
  Registry.RegisterDemoBooleanCommand(
      DemoName + QStringLiteral("ExpertMode"),
      [Self](bool V) {
        if (Self)
          Self->SetExpertMode(V);
      },
      ExpertMode);
  Registry.RegisterDemoIntegerCommand(
      DemoName + QStringLiteral("Naturalness"),
      [Self](int V) {
        if (Self)
          Self->SetNaturalness(V);
      },
      Naturalness);
  Registry.RegisterDemoIntegerCommand(
      DemoName + QStringLiteral("Smoothing"),
      [Self](int V) {
        if (Self)
          Self->SetSmoothing(V);
      },
      Smoothing);
}

void TZrAntiAgingTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrBrushTool::SetEnabled(Value);
}

void TZrAntiAgingTool::Activate()
{
  TZrBrushTool::Activate();
  brushparts::BringToFront(Frame);
}

} // namespace facette
