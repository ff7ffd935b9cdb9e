#include "tools/makeup/ui/ZrMakeUpSurfaceTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrToolPanel.h"
#include "editor/ui/ZrVirtualKeys.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/brush/ZrBrushMasks.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDockWidget>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <new>

namespace facette {

namespace {

// Colours in settings are stored the Windows way, $00BBGGRR; the palette
// speaks R * 65536 + G * 256 + B.
int32_t SwapRedBlue(int32_t Colour)
{
  return (Colour & 0xFF) << 16 | (Colour & 0xFF00) | ((Colour >> 16) & 0xFF);
}

// Settings element numbers.
constexpr int32_t SizeElement = 1;
constexpr int32_t ColourElement = 4;

} // namespace

// --- paint box -----------------------------------------------------------

void TZrMakeUpPaintBox::mousePressEvent(QMouseEvent *Event)
{
  if (Event->button() == Qt::LeftButton && OnMouseDown)
    OnMouseDown(Event->position().toPoint().x(), Event->position().toPoint().y());
  TZrPaintBox::mousePressEvent(Event);
}

void TZrMakeUpPaintBox::mouseMoveEvent(QMouseEvent *Event)
{
  if (Event->buttons().testFlag(Qt::LeftButton) && OnMouseMove)
    OnMouseMove(Event->position().toPoint().x(), Event->position().toPoint().y());
  TZrPaintBox::mouseMoveEvent(Event);
}

void TZrMakeUpPaintBox::mouseReleaseEvent(QMouseEvent *Event)
{
  if (Event->button() == Qt::LeftButton && OnClick && rect().contains(Event->position().toPoint()))
    OnClick();
  TZrPaintBox::mouseReleaseEvent(Event);
}

// --- frame ---------------------------------------------------------------

TZrMakeUpSurfaceFrame::TZrMakeUpSurfaceFrame(const QString &Title, QWidget *Parent)
    : TZrFrame(Parent)
{
  TitleLabel = brushparts::NewTitleLabel(Title, this);
  SizeLabel = new QLabel(QStringLiteral("Size:"), this);
  SizeTrackBar = brushparts::NewSlider(this);
  OpacityLabel = new QLabel(QStringLiteral("Opacity:"), this);
  OpacityTrackBar = brushparts::NewSlider(this);
  HardnessLabel = new QLabel(QStringLiteral("Hardness:"), this);
  HardnessTrackBar = brushparts::NewSlider(this);

  // The colour row: eyedropper, swatch, glaze.
  TBXAlignmentPanel = new QWidget(this);
  TBXAlignmentPanel->setFixedHeight(41);
  ColorSelectorTntSpeedButton = new QToolButton(TBXAlignmentPanel);
  ColorSelectorTntSpeedButton->setFixedSize(41, 41);
  ColorSelectorTntSpeedButton->setAutoRaise(true);
  ColorSelectorTntSpeedButton->setCheckable(true);
  ColorSelectorTntSpeedButton->setIconSize(QSize(32, 32));
  const QString Picture = QStringLiteral(":/images/ColorSelector.svg");
  if (QFile::exists(Picture))
    ColorSelectorTntSpeedButton->setIcon(QIcon(Picture));
  else
    ColorSelectorTntSpeedButton->setText(QStringLiteral("P"));
  ColorTntPaintBox = new TZrMakeUpPaintBox(TBXAlignmentPanel);
  ColorTntPaintBox->setFixedSize(80, 41);
  GlazeTBXCheckBox = new QCheckBox(QStringLiteral("Glaze"), TBXAlignmentPanel);
  GlazeTBXCheckBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  auto *ColourRow = new QHBoxLayout(TBXAlignmentPanel);
  ColourRow->setContentsMargins(0, 0, 0, 0);
  ColourRow->setSpacing(4);
  ColourRow->addWidget(ColorSelectorTntSpeedButton);
  ColourRow->addWidget(ColorTntPaintBox);
  ColourRow->addWidget(GlazeTBXCheckBox, 1);
  ColourRow->addStretch(0);

  BrightnessTBXLabel = new QLabel(QStringLiteral("Brightness:"), this);
  BrightnessTrackBar = brushparts::NewSlider(this);

  // The channel held fixed in the palette.
  TBXAlignmentPanel1 = new QWidget(this);
  TBXAlignmentPanel1->setFixedHeight(33);
  auto *ChannelRow = new QHBoxLayout(TBXAlignmentPanel1);
  ChannelRow->setContentsMargins(0, 0, 0, 0);
  ChannelRow->setSpacing(0);
  ChannelGroup = new QButtonGroup(this);
  ChannelGroup->setExclusive(true);
  int32_t Tag = TMakeUpPalette::RedChannel;
  for (QToolButton **Button : {&RedTntSpeedButton, &GreenTntSpeedButton, &BlueTntSpeedButton}) {
    *Button = new QToolButton(TBXAlignmentPanel1);
    // 85 pixels each where the panel has the room, narrower where not.
    (*Button)->setFixedHeight(33);
    (*Button)->setMaximumWidth(85);
    (*Button)->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    (*Button)->setAutoRaise(true);
    (*Button)->setCheckable(true);
    ChannelGroup->addButton(*Button, Tag++);
    ChannelRow->addWidget(*Button);
    connect(*Button, &QToolButton::clicked, this,
            [this, B = *Button] { RedTntSpeedButtonClick(B); });
  }
  RedTntSpeedButton->setText(QStringLiteral("Red"));
  GreenTntSpeedButton->setText(QStringLiteral("Green"));
  BlueTntSpeedButton->setText(QStringLiteral("Blue"));
  RedTntSpeedButton->setChecked(true);

  PaletteTntPaintBox = new TZrMakeUpPaintBox(this);
  PaletteTntPaintBox->setFixedSize(256, 256);
  PaletteTntPaintBox->setCursor(ScreenCursor(crEyedropper));

  auto *Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(4);
  for (QWidget *Widget : std::initializer_list<QWidget *>{
           TitleLabel, SizeLabel, SizeTrackBar, OpacityLabel, OpacityTrackBar, HardnessLabel,
           HardnessTrackBar, TBXAlignmentPanel, BrightnessTBXLabel, BrightnessTrackBar,
           TBXAlignmentPanel1, PaletteTntPaintBox})
    Layout->addWidget(Widget);
  Layout->addStretch(1);

  connect(ColorSelectorTntSpeedButton, &QToolButton::clicked, this,
          [this] { ColorSelectorTntSpeedButtonClick(); });
  connect(GlazeTBXCheckBox, &QCheckBox::toggled, this, [this] { GlazeTBXCheckBoxChange(); });
  ColorTntPaintBox->OnClick = [this] { ColorTntPaintBoxClick(); };
  PaletteTntPaintBox->OnMouseDown = [this](int32_t X, int32_t Y) {
    PaletteTntPaintBoxMouseDown(X, Y);
  };
  PaletteTntPaintBox->OnMouseMove = [this](int32_t X, int32_t Y) {
    PaletteTntPaintBoxMouseMove(X, Y);
  };
  // The frame belongs to the tool panel, not to the application.
  Initialize();
}

QToolButton *TZrMakeUpSurfaceFrame::ChannelButton(int32_t Channel) const
{
  return qobject_cast<QToolButton *>(ChannelGroup->button(Channel));
}

void TZrMakeUpSurfaceFrame::UpdateChannelButtons()
{
  if (!Tool || !Tool->Palette)
    return;
  if (QToolButton *Button = ChannelButton(Tool->Palette->Channel))
    Button->setChecked(true);
}

void TZrMakeUpSurfaceFrame::ColorSelectorTntSpeedButtonClick()
{
  if (!Tool)
    return;
  const bool Down = ColorSelectorTntSpeedButton->isChecked();
  Tool->SetColorPicking(Down);
  const QString Name = Tool->DemoName + QStringLiteral("ColorSelector");
  DemoRegistry().RecordDemoMove(Name);
  DemoRegistry().RecordDemoLine(Name + QLatin1Char(' ') + QString::number(Down ? 1 : 0));
}

void TZrMakeUpSurfaceFrame::ColorTntPaintBoxClick()
{
  if (Tool)
    DemoRegistry().RecordDemoMove(Tool->DemoName + QStringLiteral("Ellipse"));
}

void TZrMakeUpSurfaceFrame::PaletteTntPaintBoxMouseDown(int32_t X, int32_t Y)
{
  if (Tool)
    Tool->PickFromPalette(X, Y);
}

void TZrMakeUpSurfaceFrame::PaletteTntPaintBoxMouseMove(int32_t X, int32_t Y)
{
  if (Tool)
    Tool->PickFromPalette(X, Y);
}

void TZrMakeUpSurfaceFrame::RedTntSpeedButtonClick(QToolButton *Button)
{
  Button->setChecked(true);
  if (!Tool || !Tool->Palette)
    return;
  const int32_t Channel = ChannelGroup->id(Button);
  Tool->Palette->SetChannel(Channel);
  Tool->PaletteColourChanged();
  static const char *const Names[] = {"Red", "Green", "Blue"};
  const QString Name = Tool->DemoName + QLatin1String(Names[Channel - 1]);
  DemoRegistry().RecordDemoMove(Name);
  DemoRegistry().RecordDemoLine(Name);
}

void TZrMakeUpSurfaceFrame::GlazeTBXCheckBoxChange()
{
  if (Tool)
    Tool->BlendMode = GlazeTBXCheckBox->isChecked() ? LuminosityMode : NormalMode;
}

// --- palette view --------------------------------------------------------

TZrMakeUpPaletteView::TZrMakeUpPaletteView(TZrPaintBox *PaletteBox, TZrPaintBox *SwatchBox)
    : TMakeUpPalette(256, RedChannel, 128, TZrPoint{128, 128}), PaletteBox(PaletteBox),
      SwatchBox(SwatchBox)
{
  if (PaletteBox) {
    PaletteBox->OnPaint = [this](TZrPaintBox &, QPainter &Painter) { PaintPalette(Painter); };
    PaletteBox->update();
  }
  if (SwatchBox) {
    SwatchBox->OnPaint = [this](TZrPaintBox &, QPainter &Painter) { PaintSwatchBox(Painter); };
    SwatchBox->update();
  }
}

void TZrMakeUpPaletteView::PaintPalette(QPainter &Painter) const
{
  if (Bitmap.Bits)
    Painter.drawImage(0, 0, QImage(Bitmap.Bits, Size, Size, Bitmap.Stride, QImage::Format_BGR888));
  // The cross-hair inverts what it covers, so it shows on every colour of
  // the square; its middle, covered twice, keeps the chosen colour.
  Painter.save();
  Painter.setCompositionMode(QPainter::RasterOp_NotDestination);
  Painter.fillRect(QRect(Point.X - 7, Point.Y - 1, 14, 3), Qt::black);
  Painter.fillRect(QRect(Point.X - 1, Point.Y - 7, 3, 14), Qt::black);
  Painter.restore();
}

void TZrMakeUpPaletteView::PaintSwatchBox(QPainter &Painter) const
{
  Painter.setRenderHint(QPainter::Antialiasing, true);
  Painter.setPen(QPen(Qt::black, 1));
  Painter.setBrush(QColor(Colour[2], Colour[1], Colour[0]));
  Painter.drawEllipse(QRectF(0.5, 0.5, 79, 40));
}

void TZrMakeUpPaletteView::DrawPalette()
{
  if (PaletteBox)
    PaletteBox->update();
}

void TZrMakeUpPaletteView::PaintSwatch()
{
  if (SwatchBox)
    SwatchBox->update();
}

void TZrMakeUpPaletteView::DrawCross()
{
  if (PaletteBox)
    PaletteBox->update(QRect(Point.X - 8, Point.Y - 8, 17, 17));
}

// --- control -------------------------------------------------------------

TZrMakeUpSurfaceToolControl::TZrMakeUpSurfaceToolControl(TZrGraphicsTool &Tool,
                                                         TZrGraphicsView &View)
    : TZrBrushToolControl(Tool, View)
{
  AllowWheelWhileDrawing = true;
  InitFlags();
}

TZrMakeUpSurfaceTool *TZrMakeUpSurfaceToolControl::MakeUpTool() const
{
  return static_cast<TZrMakeUpSurfaceTool *>(Tool);
}

bool TZrMakeUpSurfaceToolControl::GetCursor(TZrShiftState, TZrPoint, int32_t &Cursor)
{
  if (!Active || !MakeUpTool())
    return false;
  Cursor = MakeUpTool()->PickerCursor();
  return true;
}

bool TZrMakeUpSurfaceToolControl::KeyDown(int32_t Key, TZrShiftState Shift)
{
  TZrMakeUpSurfaceTool *T = MakeUpTool();
  if (Active && T && Key == 'P' && (Shift & (ssShift | ssAlt | ssCtrl)) == ssAlt) {
    T->SetColorPicking(!T->ColorPicking);
    DemoRegistry().RecordDemoLine(T->DemoName + QStringLiteral("ColorSelector ") +
                                  QString::number(T->ColorPicking ? 1 : 0));
    return true;
  }
  return TZrBrushToolControl::KeyDown(Key, Shift);
}

bool TZrMakeUpSurfaceToolControl::MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point)
{
  TZrMakeUpSurfaceTool *T = MakeUpTool();
  if (!T)
    return false;
  if (Button == mbRight)
    return Active;
  if (T->ColorPicking) {
    const TZrPoint Centre = View.MapMode().DeviceToLogical(Point);
    if (!View.Document.GetVisibleRect().Contains(Centre.X, Centre.Y))
      return Active;
  }
  return TZrBrushToolControl::MouseDown(Button, Shift, Point);
}

bool TZrMakeUpSurfaceToolControl::MouseMove(TZrShiftState Shift, TZrPoint Point)
{
  const bool Result = TZrBrushToolControl::MouseMove(Shift, Point);
  TZrMakeUpSurfaceTool *T = MakeUpTool();
  if (!Active || !T)
    return Result;
  if (T->IsStroking()) {
    if (!View.Document.GetVisibleRect().Contains(BrushCentre.X, BrushCentre.Y))
      return Result;
    if (T->ColorPicking)
      T->PickColour(*this);
    else if (T->Palette->FullBrightness)
      T->TrackBrightness(*this);
  } else if (View.Document.HasImage() &&
             TZrMakeUpSurfaceTool::DetailNeedsReset(View.Document.ImageBounds())) {
    TZrMakeUpSurfaceTool::ResetDetail(View.Document.Backup());
  }
  return Result;
}

// --- tool ----------------------------------------------------------------

TZrMakeUpSurfaceTool::TZrMakeUpSurfaceTool(const TZrMakeUpToolTraits &ToolTraits,
                                           const TFrameClass &FrameClass)
    : Traits(ToolTraits)
{
  RegisterEyedropper();
  // The button and the frame.
  Button = brushparts::CreateToolButton(*this, Traits.NameId, true);
  Frame = FrameClass();
  DemoName = QString::fromLatin1(Traits.DemoName);
  Frame->Tool = this;
  // Opacity and hardness are the tool's own.
  for (QWidget *Fixed :
       std::initializer_list<QWidget *>{Frame->OpacityLabel, Frame->OpacityTrackBar,
                                        Frame->HardnessLabel, Frame->HardnessTrackBar})
    Fixed->setVisible(false);
  MaxBrushSize = 100;
  BindSizeBar(Frame->SizeTrackBar);
  BindOpacityBar(Frame->OpacityTrackBar);
  BindHardnessBar(Frame->HardnessTrackBar);
  BindBrightnessBar(Frame->BrightnessTrackBar);
  ControlClass = ControlClassOf<TZrMakeUpSurfaceToolControl>();
  KeepTexture = true;
  Palette =
      std::make_unique<TZrMakeUpPaletteView>(Frame->PaletteTntPaintBox, Frame->ColorTntPaintBox);
  // The status bar shows the swatch's colour whenever it is painted.
  Frame->ColorTntPaintBox->OnPaint = [this](TZrPaintBox &, QPainter &Painter) {
    Palette->PaintSwatchBox(Painter);
    ShowColourStatus();
  };
  if (BrightnessBar)
    BrightnessBar->setValue(Palette->Brightness);
  // Room for the palette beside the panel's borders, also when the frame
  // scrolls in a low window.
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    int Needed = Frame->PaletteTntPaintBox->width() +
                 Frame->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (const QLayout *Layout = Panel->Panel->widget()->layout())
      Needed += Layout->contentsMargins().left() + Layout->contentsMargins().right();
    Panel->SetPanelWidth(std::max(264, Needed));
  }

  // What the tool fixes.
  SetHardness(Traits.Hardness);
  SetOpacity(Traits.Opacity);
  Frame->GlazeTBXCheckBox->setChecked(Traits.BlendMode == LuminosityMode);
  Frame->GlazeTBXCheckBox->setVisible(false);
  SetBlendMode(Traits.BlendMode);
  Palette->SetFullBrightness(Traits.FullBrightness);
  KeepTexture = Traits.KeepTexture;
  if (Traits.FullBrightness && BrightnessBar)
    BrightnessBar->setValue(255);
  if (Traits.FixedColour != TZrMakeUpToolTraits::None) {
    Frame->ColorSelectorTntSpeedButton->setChecked(false);
    SetColorPicking(false);
    Frame->BrightnessTBXLabel->setVisible(false);
    BrightnessBar->setValue(Traits.FixedColour == TZrMakeUpToolTraits::White ? 255 : 0);
    BrightnessBar->setVisible(false);
    Frame->TBXAlignmentPanel1->setVisible(false);
    Frame->PaletteTntPaintBox->setVisible(false);
    // Teeth are bleached with white only: the colour row goes too.
    if (Traits.FixedColour == TZrMakeUpToolTraits::White)
      Frame->TBXAlignmentPanel->setVisible(false);
    Palette->SetColour(Traits.FixedColour == TZrMakeUpToolTraits::White ? 0xFFFFFF : 0);
  }
}

TZrMakeUpSurfaceTool::~TZrMakeUpSurfaceTool()
{
  // The palette's boxes belong to the frame, which the tool panel owns; a
  // frame made without a panel is the tool's.
  Palette.reset();
  if (Frame && !Frame->parent())
    delete Frame;
}

void TZrMakeUpSurfaceTool::RegisterEyedropper()
{
  static bool Registered = false;
  if (Registered)
    return;
  Registered = true;
  const QString Picture = QStringLiteral(":/images/Eyedropper.svg");
  if (QFile::exists(Picture))
    SetScreenCursor(crEyedropper, QCursor(QIcon(Picture).pixmap(32, 32), 3, 28));
  else
    SetScreenCursor(crEyedropper, QCursor(Qt::CrossCursor));
}

void TZrMakeUpSurfaceTool::RecordLine(const QString &Suffix, const QString &Value) const
{
  const QString Name = DemoName + Suffix;
  DemoRegistry().RecordDemoLine(Value.isEmpty() ? Name : Name + QLatin1Char(' ') + Value);
}

void TZrMakeUpSurfaceTool::BindBrightnessBar(QSlider *TrackBar)
{
  BrightnessBar = TrackBar;
  if (!TrackBar)
    return;
  TrackBar->disconnect(this);
  TrackBar->setRange(0, 255);
  TrackBar->setTickPosition(QSlider::TicksBelow);
  TrackBar->setTickInterval(16);
  connect(TrackBar, &QSlider::valueChanged, this, [this](int Position) {
    Palette->SetBrightness(Position);
    RecordLine(QStringLiteral("Brightness"), QString::number(Palette->Brightness));
  });
  TrackBar->installEventFilter(this);
}

bool TZrMakeUpSurfaceTool::eventFilter(QObject *Watched, QEvent *Event)
{
  if (Watched == BrightnessBar && Event->type() == QEvent::FocusIn)
    DemoRegistry().RecordDemoMove(DemoName + QStringLiteral("Brightness"));
  return TZrCustomBlurBrushTool::eventFilter(Watched, Event);
}

void TZrMakeUpSurfaceTool::SetBlendMode(int32_t Mode)
{
  if (Mode == BlendMode)
    return;
  BlendMode = Mode;
  Frame->GlazeTBXCheckBox->setChecked(Mode == LuminosityMode);
  Palette->SetFullBrightness(Mode == LuminosityMode);
  const QString Name = DemoName + QLatin1String(BlendModeName(Mode));
  DemoRegistry().RecordDemoMove(Name);
  DemoRegistry().RecordDemoLine(Name);
}

void TZrMakeUpSurfaceTool::RefreshPointer()
{
  // The view asks the control for its cursor again.
  for (TZrGraphicsToolControl *Control : Controls)
    Control->RefreshCursor();
}

void TZrMakeUpSurfaceTool::SetColorPicking(bool Value)
{
  ColorPicking = Value;
  Frame->ColorSelectorTntSpeedButton->setChecked(Value);
  RefreshPointer();
}

void TZrMakeUpSurfaceTool::PickFromPalette(int32_t X, int32_t Y)
{
  Palette->SetPoint(TZrPoint{ClampInt(X, 0, 255), ClampInt(Y, 0, 255)});
  ShowColourStatus();
  DemoRegistry().RecordDemoMove(DemoName + QStringLiteral("Palette"));
  RecordLine(QStringLiteral("Palette"),
             QString::number(X) + QStringLiteral(" ,") + QString::number(Y));
}

void TZrMakeUpSurfaceTool::ShowColourStatus()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!Editor)
    return;
  Editor->RStatusPanel->setText(QString::number(Palette->Colour[2]));
  Editor->GStatusPanel->setText(QString::number(Palette->Colour[1]));
  Editor->BStatusPanel->setText(QString::number(Palette->Colour[0]));
}

void TZrMakeUpSurfaceTool::PaletteColourChanged()
{
  if (BrightnessBar)
    BrightnessBar->setValue(Palette->Brightness);
  Frame->UpdateChannelButtons();
}

void TZrMakeUpSurfaceTool::PickColour(const TZrMaskDrawToolControl &Control)
{
  // Every pick starts from an empty cache: colours averaged for an earlier
  // pick are never taken for this one, even where the brush square is the
  // same.
  if (BlurCache.GetBounds() == Control.Bounds && BlurCache.Bits)
    for (int32_t Y = 0; Y < BlurCache.Height; ++Y)
      std::memset(BlurCache.Bits + static_cast<ptrdiff_t>(Y) * BlurCache.Stride, 0,
                  static_cast<size_t>(BlurCache.Width) * 4);
  else
    BlurCache.Allocate(pf32bit, Control.Bounds);
  Palette->SetColour(BlurColour(Control.BrushCentre.X, Control.BrushCentre.Y));
  PaletteColourChanged();
}

void TZrMakeUpSurfaceTool::TrackBrightness(const TZrMaskDrawToolControl &Control)
{
  const int32_t Colour = BlurColour(Control.BrushCentre.X, Control.BrushCentre.Y);
  Palette->SetBrightness(std::max({(Colour >> 16) & 255, (Colour >> 8) & 255, Colour & 255}));
  PaletteColourChanged();
}

void TZrMakeUpSurfaceTool::ApplyColour(const TZrRect &Rect)
{
  facette::ApplyColour(Rect, *BackupPixels, PaintMask, MakeUpDetailLayer(), Palette->GetColour(),
                       BlendMode, KeepTexture, *ImagePixels);
}

bool TZrMakeUpSurfaceTool::DetailNeedsReset(const TZrRect &ImageBounds)
{
  const TZrMakeUpDetail &Layer = MakeUpDetailLayer();
  return Layer.DetailStale || !(Layer.GetBounds() == ImageBounds);
}

void TZrMakeUpSurfaceTool::ResetDetail(const TZrPixels &Pixels)
{
  MakeUpDetailLayer().Reset(Pixels);
}

void TZrMakeUpSurfaceTool::EnsureDetail(const TZrPixels &Pixels, const TZrRect &Rect)
{
  TZrMakeUpDetail &Layer = MakeUpDetailLayer();
  if (Layer.DetailStale || Rect.IsEmpty())
    return;
  // Every row of the layer whose window reaches into Rect, so that none is
  // worked out later from pixels a make-up stroke has changed.
  try {
    Layer.EnsureRows(Pixels, Rect.Top - DetailReach, Rect.Bottom + DetailReach);
  } catch (const std::bad_alloc &Error) {
    // The colour is laid without the skin's detail there rather than not
    // at all; the user hears of it once per stroke.
    if (!DetailFailed)
      ZrApplication().ShowException(Error);
    DetailFailed = true;
  }
}

void TZrMakeUpSurfaceTool::Localize()
{
  Frame->SizeLabel->setText(LocalString(154) + QLatin1Char(':'));
  Frame->OpacityLabel->setText(LocalString(2008) + QLatin1Char(':'));
  Frame->HardnessLabel->setText(LocalString(2009) + QLatin1Char(':'));
  Frame->BrightnessTBXLabel->setText(LocalString(550) + QLatin1Char(':'));
  Frame->GlazeTBXCheckBox->setText(LocalString(2610));
  Frame->RedTntSpeedButton->setText(LocalString(540));
  Frame->GreenTntSpeedButton->setText(LocalString(541));
  Frame->BlueTntSpeedButton->setText(LocalString(542));
  Frame->ColorSelectorTntSpeedButton->setToolTip(LocalString(1150));
  Button->setText(LocalString(Traits.NameId));
  Button->setToolTip(LocalString(Traits.NameId));
  Frame->TitleLabel->setText(LocalString(Traits.NameId));
}

void TZrMakeUpSurfaceTool::LoadSettings(TZrSDFReader &Reader)
{
  TZrCustomBlurBrushTool::LoadSettings(Reader);
  if (Reader.EnterNode(1, SettingsGuid())) {
    int32_t Value = 0;
    if (Reader.ReadInteger(SizeElement, Value))
      SetBrushSize(Value);
    if (Reader.ReadInteger(ColourElement, Value))
      Palette->SetColour(SwapRedBlue(Value));
    Reader.LeaveNode();
  }
  // A fixed colour stays whatever the file says.
  if (Traits.FixedColour != TZrMakeUpToolTraits::None)
    Palette->SetColour(Traits.FixedColour == TZrMakeUpToolTraits::White ? 0xFFFFFF : 0);
  PaletteColourChanged();
}

void TZrMakeUpSurfaceTool::SaveSettings(TZrSDFWriter &Writer)
{
  Writer.BeginNode(1, SettingsGuid());
  Writer.WriteInteger(SizeElement, BrushSize);
  Writer.WriteInteger(ColourElement, SwapRedBlue(Palette->GetColour()));
  Writer.EndNode();
}

void TZrMakeUpSurfaceTool::UpdateControls()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  const bool Current = Editor && Editor->CurrentTool() == this;
  const bool Selectable = Editor && Editor->CanSelectTool(this) && Enabled;
  Button->setChecked(Current);
  Button->setEnabled(Selectable);
  Frame->setEnabled(Selectable && Current);
  const bool Brightness = BlendMode != LuminosityMode;
  Frame->BrightnessTrackBar->setEnabled(Brightness);
  Frame->BrightnessTBXLabel->setEnabled(Brightness);
  // A tool with a fixed colour has no use for the eyedropper.
  if (Traits.FixedColour != TZrMakeUpToolTraits::None && ColorPicking)
    SetColorPicking(false);
  Frame->ColorSelectorTntSpeedButton->setEnabled(Traits.FixedColour == TZrMakeUpToolTraits::None);
  brushparts::ShowValue(Frame->SizeLabel, 154, Frame->SizeTrackBar);
  brushparts::ShowValue(Frame->BrightnessTBXLabel, 550, Frame->BrightnessTrackBar);
}

void TZrMakeUpSurfaceTool::Commit()
{
  // A stroke that only picked a colour leaves no undo step.
  if (StrokePainted)
    TZrCustomBlurBrushTool::Commit();
}

void TZrMakeUpSurfaceTool::DocumentOpened(TZrGraphicsDocument &)
{
  MakeUpDetailLayer().DetailStale = true;
}

void TZrMakeUpSurfaceTool::StateApplied(TZrGraphicsDocument &, IZrGraphicsDocumentListener *Tool,
                                        const TZrRect &)
{
  // Make-up strokes, their undo and redo keep the layer: a colour laid
  // again over a made-up area gets the photo's own detail back.
  if (!dynamic_cast<TZrMakeUpSurfaceTool *>(Tool))
    MakeUpDetailLayer().DetailStale = true;
}

void TZrMakeUpSurfaceTool::BeforeUndo(TZrCommandState *State)
{
  KeepDetailAround(State);
}

void TZrMakeUpSurfaceTool::BeforeRedo(TZrCommandState *State)
{
  KeepDetailAround(State);
}

void TZrMakeUpSurfaceTool::KeepDetailAround(TZrCommandState *State)
{
  // A make-up step keeps the layer; the rows it reaches are worked out
  // from the image as it is before the step changes it.
  auto *Step = dynamic_cast<TZrCustomGraphicsCommandState *>(State);
  if (!Step || !dynamic_cast<TZrMakeUpSurfaceTool *>(Step->Tool) ||
      DetailNeedsReset(Step->Document.ImageBounds()))
    return;
  EnsureDetail(Step->Document.Backup(), Step->Rect);
}

void TZrMakeUpSurfaceTool::InitializeTool()
{
  TZrCustomBlurBrushTool::InitializeTool();
  TZrDemoRegistry &Registry = DemoRegistry();
  const QPointer<TZrMakeUpSurfaceTool> Self(this);
  Registry.RegisterDemoComponent(DemoName, Button);
  Registry.RegisterDemoComponent(DemoName + QStringLiteral("ColorSelector"),
                                 Frame->ColorSelectorTntSpeedButton);
  Registry.RegisterDemoComponent(DemoName + QStringLiteral("Color"), Frame->ColorTntPaintBox);
  Registry.RegisterDemoComponent(DemoName + QStringLiteral("Ellipse"), Frame->ColorTntPaintBox);
  Registry.RegisterDemoComponent(DemoName + QStringLiteral("Brightness"),
                                 Frame->BrightnessTrackBar);
  Registry.RegisterDemoComponent(DemoName + QStringLiteral("Palette"), Frame->PaletteTntPaintBox);
  const std::pair<const char *, QToolButton *> Channels[] = {{"Red", Frame->RedTntSpeedButton},
                                                             {"Green", Frame->GreenTntSpeedButton},
                                                             {"Blue", Frame->BlueTntSpeedButton}};
  for (const auto &[Name, Channel] : Channels)
    Registry.RegisterDemoButton(DemoName + QLatin1String(Name), Channel, [Self](QObject *Sender) {
      if (Self)
        Self->Frame->RedTntSpeedButtonClick(static_cast<QToolButton *>(Sender));
    });
  // The registry outlives the tools.
  Registry.RegisterDemoBooleanCommand(
      DemoName + QStringLiteral("ColorSelector"),
      [Self](bool V) {
        if (Self)
          Self->SetColorPicking(V);
      },
      ColorPicking);
  Registry.RegisterDemoIntegerCommand(
      DemoName + QStringLiteral("Brightness"),
      [Self](int V) {
        if (Self && Self->BrightnessBar)
          Self->BrightnessBar->setValue(V);
      },
      Palette->Brightness);
  Registry.RegisterDemoPointCommand(
      DemoName + QStringLiteral("Palette"),
      [Self](int X, int Y) {
        if (Self)
          Self->PickFromPalette(X, Y);
      },
      QPoint(Palette->Point.X, Palette->Point.Y));
}

void TZrMakeUpSurfaceTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, nullptr, Value);
  Frame->setVisible(Value);
  TZrCustomBlurBrushTool::SetEnabled(Value);
}

void TZrMakeUpSurfaceTool::Activate()
{
  TZrCustomBlurBrushTool::Activate();
  if (TZrToolPanelModule *Panel = ToolPanel())
    Panel->BringFrameToFront(Frame);
}

bool TZrMakeUpSurfaceTool::BrushInsideImage(const TZrMaskDrawToolControl &Control) const
{
  return Control.View.Document.GetVisibleRect().Contains(Control.BrushCentre.X,
                                                         Control.BrushCentre.Y);
}

bool TZrMakeUpSurfaceTool::BeginStroke(TZrDrawToolControl &Control, int32_t MouseButton,
                                       TZrShiftState Shift)
{
  StrokePainted = false;
  DetailFailed = false;
  const bool Begun = TZrCustomBlurBrushTool::BeginStroke(Control, MouseButton, Shift);
  if (!Begun || !BackupPixels)
    return Begun;
  auto &Brush = static_cast<TZrMaskDrawToolControl &>(Control);
  if (ColorPicking) {
    if (BrushInsideImage(Brush))
      PickColour(Brush);
  } else if (DetailNeedsReset(BackupPixels->GetBounds())) {
    // A press that came before any move over the changed image.
    ResetDetail(*BackupPixels);
  }
  return Begun;
}

void TZrMakeUpSurfaceTool::ApplyRect(const TZrRect &Rect)
{
  if (ColorPicking || !BackupPixels || !ImagePixels)
    return;
  // StampMask lies on the stamp's square; PaintMask keeps the stroke's
  // maximum, so going over a spot again does not build the colour up.
  const TZrRect Image = BackupPixels->GetBounds();
  const int32_t Reach = StampMask.Width;
  GrowStrokeMask(
      PaintMask, StampMask.GetBounds(),
      MakeRect(Image.Left - Reach, Image.Top - Reach, Image.Right + Reach, Image.Bottom + Reach));
  PaintMask.MergeMax(StampMask);
  EnsureDetail(*BackupPixels, Rect);
  ApplyColour(Rect);
  StrokePainted = true;
}

void TZrMakeUpSurfaceTool::EndStroke()
{
  PaintMask.Clear();
  RefreshPointer();
  TZrCustomBlurBrushTool::EndStroke();
  StrokePainted = false;
  // The eyedropper picks once.
  SetColorPicking(false);
}

} // namespace facette
