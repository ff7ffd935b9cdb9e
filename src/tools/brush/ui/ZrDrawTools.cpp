#include "tools/brush/ui/ZrDrawTools.h"

#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrViewControls.h"
#include "editor/ui/ZrVirtualKeys.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "tools/brush/ZrBrushKernels.h"
#include "tools/brush/ZrBrushMasks.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QSlider>

#include <algorithm>
#include <cstring>
#include <optional>

namespace facette {

namespace {

QString Upper(const QString &Name)
{
  return Name.toUpper();
}

// The first argument of a demo command as a number, when it is one.
bool FirstInteger(const TZrDemoScriptParams &Params, int32_t &Value)
{
  const std::optional<int32_t> Argument = Params.IntegerArgument(0);
  if (!Argument)
    return false;
  Value = *Argument;
  return true;
}

// Binds a track bar to a setter: range, ticks and position first, then
// every change of the position goes to the setter (which ignores the value
// it already has).
void Bind(QSlider *Bar, QObject *Context, int32_t Min, int32_t Max, int32_t Frequency,
          int32_t Position, const std::function<void(int32_t)> &Setter)
{
  Bar->disconnect(Context);
  Bar->setOrientation(Qt::Horizontal);
  Bar->setRange(Min, Max);
  Bar->setTickPosition(QSlider::TicksBelow);
  Bar->setTickInterval(Frequency);
  Bar->setValue(Position);
  QObject::connect(Bar, &QSlider::valueChanged, Context, [Setter](int Value) { Setter(Value); });
}

// Sets the size hint on a widget just before its tool tip shows, so that
// it is in the language of the moment.
class TSizeHintFilter : public QObject
{
public:
  using QObject::QObject;

  // As a paragraph, so that the tip wraps its two sentences.
  static QString Text()
  {
    return QStringLiteral("<p>%1</p>").arg(LocalString(1032).toHtmlEscaped());
  }

protected:
  bool eventFilter(QObject *Watched, QEvent *Event) override
  {
    if (Event->type() == QEvent::ToolTip)
      if (auto *Widget = qobject_cast<QWidget *>(Watched))
        Widget->setToolTip(Text());
    return false;
  }
};

const char *const SizeHintProperty = "facetteSizeHint";

} // namespace

void AddSizeHint(QWidget *Widget)
{
  if (!Widget || HasSizeHint(Widget))
    return;
  static QPointer<TSizeHintFilter> Filter;
  if (!Filter)
    Filter = new TSizeHintFilter(QCoreApplication::instance());
  Widget->installEventFilter(Filter);
  Widget->setProperty(SizeHintProperty, true);
  Widget->setToolTip(TSizeHintFilter::Text());
}

bool HasSizeHint(const QWidget *Widget)
{
  return Widget && Widget->property(SizeHintProperty).toBool();
}

// --- paint box -----------------------------------------------------------

void TZrPaintBox::paintEvent(QPaintEvent *)
{
  if (!OnPaint)
    return;
  QPainter Painter(this);
  OnPaint(*this, Painter);
}

// --- controls ------------------------------------------------------------

TZrDrawToolControl::TZrDrawToolControl(TZrGraphicsTool &Tool, TZrGraphicsView &View)
    : TZrGraphicsToolControl(Tool, View)
{}

TZrDrawTool *TZrDrawToolControl::DrawTool() const
{
  return static_cast<TZrDrawTool *>(Tool);
}

void TZrDrawToolControl::EndStroke()
{
  Drawing = false;
  if (TZrDrawTool *T = DrawTool())
    T->EndStroke();
}

void TZrDrawToolControl::StampHere()
{
  if (TZrDrawTool *T = DrawTool())
    T->StampAt(Bounds);
}

bool TZrDrawToolControl::StartStroke(int32_t Button, TZrShiftState Shift)
{
  TZrDrawTool *T = DrawTool();
  if (Drawing || !T)
    return false;
  Drawing = T->BeginStroke(*this, Button, Shift);
  return Drawing;
}

void TZrDrawToolControl::SetBounds(const TZrRect &Rect)
{
  Invalidate();
  TZrGraphicsToolControl::SetBounds(Rect);
  Invalidate();
}

void TZrDrawToolControl::Activate()
{
  // The outline shows where the pointer is over the photo, not where it
  // was when a menu item or a key chose the tool.
  SetVisible(View.PointerOverClient());
  TZrGraphicsToolControl::Activate();
}

void TZrDrawToolControl::Deactivate()
{
  // A stroke cannot go on without the control that receives the mouse: it
  // ends here, as one undo step, rather than staying open with nobody to
  // close it.
  if (Drawing)
    EndStroke();
  SetVisible(false);
  TZrGraphicsToolControl::Deactivate();
}

TZrMaskDrawTool *TZrMaskDrawToolControl::MaskDrawTool() const
{
  return static_cast<TZrMaskDrawTool *>(Tool);
}

TZrPoint TZrMaskDrawToolControl::ToImage(TZrPoint Point) const
{
  return View.MapMode().DeviceToLogical(Point);
}

void TZrMaskDrawToolControl::MoveBrush(TZrPoint ImagePoint)
{
  BrushCentre = ImagePoint;
  if (TZrDrawTool *T = DrawTool())
    SetBounds(TZrDrawTool::BrushRect(ImagePoint, T->BrushSize));
}

void TZrMaskDrawToolControl::Activate()
{
  MoveBrush(ToImage(CursorPos()));
  TZrDrawToolControl::Activate();
}

bool TZrMaskDrawToolControl::GetCursor(TZrShiftState, TZrPoint, int32_t &Cursor)
{
  if (!Active)
    return false;
  Cursor = crNone;
  return true;
}

void TZrMaskDrawToolControl::MouseEnter()
{
  if (Active)
    SetVisible(true);
}

void TZrMaskDrawToolControl::MouseLeave()
{
  if (Active)
    SetVisible(false);
}

bool TZrMaskDrawToolControl::MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point)
{
  TZrMaskDrawTool *T = MaskDrawTool();
  if (!Active || !T)
    return false;
  T->CurrentShift = Shift;
  // A press need not follow a move to its point (a tap on a touch screen,
  // a click right after the view appeared): the stamp goes where the press
  // is, not where the brush was last seen.
  MoveBrush(ToImage(Point));
  switch (T->StampMode) {
  case smPress:
    if (StartStroke(Button, Shift)) {
      StampHere();
      EndStroke();
    }
    break;
  case smStroke:
    if (StartStroke(Button, Shift))
      StampHere();
    break;
  default:
    break;
  }
  return true;
}

bool TZrMaskDrawToolControl::MouseMove(TZrShiftState Shift, TZrPoint Point)
{
  TZrMaskDrawTool *T = MaskDrawTool();
  if (!Active || !T)
    return false;
  T->CurrentShift = Shift;
  MoveBrush(ToImage(Point));
  if (Drawing)
    StampHere();
  return true;
}

bool TZrMaskDrawToolControl::MouseUp(int32_t Button, TZrShiftState Shift, TZrPoint Point)
{
  TZrMaskDrawTool *T = MaskDrawTool();
  if (!Active || !T)
    return false;
  if (T->StampMode == smRelease) {
    T->CurrentShift = Shift;
    MoveBrush(ToImage(Point));
    if (StartStroke(Button, Shift)) {
      StampHere();
      EndStroke();
    }
  } else if (T->StampMode == smStroke && Drawing) {
    EndStroke();
  }
  return true;
}

bool TZrMaskDrawToolControl::MouseWheel(TZrShiftState, int32_t Direction, TZrPoint)
{
  TZrMaskDrawTool *T = MaskDrawTool();
  if (!Active || !T)
    return false;
  if (!Drawing || AllowWheelWhileDrawing)
    T->SetBrushSize(T->BrushSize + Direction);
  return true;
}

bool TZrMaskDrawToolControl::KeyDown(int32_t Key, TZrShiftState)
{
  TZrMaskDrawTool *T = MaskDrawTool();
  if (!Active || !T)
    return false;
  switch (Key) {
  case vkPrior:
  case vkUp:
  case vkRight:
    T->SetBrushSize(T->BrushSize + 1);
    return true;
  case vkNext:
  case vkLeft:
  case vkDown:
    T->SetBrushSize(T->BrushSize - 1);
    return true;
  default:
    return false;
  }
}

TZrRect TZrBrushToolControl::OutlineRect(const TZrMapMode &MapMode) const
{
  const TZrRect Pixel = MapMode.LogicalToDeviceRect(
      MakeRect(BrushCentre.X, BrushCentre.Y, BrushCentre.X + 1, BrushCentre.Y + 1));
  const int32_t CX = (Pixel.Left + Pixel.Right) / 2;
  const int32_t CY = (Pixel.Top + Pixel.Bottom) / 2;
  const int32_t Size = DrawTool() ? DrawTool()->BrushSize : 1;
  TZrRect R = MapMode.LogicalToDeviceRect(MakeRect(0, 0, Size, Size));
  R = OffsetRect(R, CX - (R.Left + R.Right) / 2, CY - (R.Top + R.Bottom) / 2);
  if (R.IsEmpty())
    R = MakeRect(CX, CY, CX + 1, CY + 1);
  return MakeRect(R.Left - 1, R.Top - 1, R.Right + 1, R.Bottom + 1);
}

void TZrBrushToolControl::PaintOverlay(TZrViewCanvas &Canvas)
{
  QPainter *Painter = CanvasPainter(Canvas);
  if (!Painter)
    return;
  const TZrRect R = OutlineRect(Canvas.MapMode);
  Painter->save();
  // Whatever lies under the circle is inverted, so it shows on dark and
  // light skin alike.
  Painter->setCompositionMode(QPainter::RasterOp_NotDestination);
  Painter->setRenderHint(QPainter::Antialiasing, false);
  Painter->setPen(QPen(Qt::black, 0));
  Painter->setBrush(Qt::NoBrush);
  // The ellipse touches the pixels Left .. Right - 1 and Top .. Bottom - 1.
  Painter->drawEllipse(QRect(R.Left, R.Top, R.Width() - 1, R.Height() - 1));
  Painter->restore();
}

TZrRect TZrBrushToolControl::GetOverlayBounds(const TZrMapMode &MapMode) const
{
  TZrRect R = TZrMaskDrawToolControl::GetOverlayBounds(MapMode);
  R.Right = std::max(R.Right, R.Left + 1);
  R.Bottom = std::max(R.Bottom, R.Top + 1);
  return MakeRect(R.Left - 2, R.Top - 2, R.Right + 2, R.Bottom + 2);
}

// --- TZrDrawTool ---------------------------------------------------------

TZrDrawTool::TZrDrawTool()
{
  PlugInAvailable = true;
}

TZrDrawTool::~TZrDrawTool() = default;

TZrRect TZrDrawTool::BrushRect(TZrPoint Centre, int32_t Size)
{
  return facette::BrushRect(Centre, Size);
}

void TZrDrawTool::InvalidateControls()
{
  for (TZrGraphicsToolControl *Control : Controls)
    Control->Invalidate();
}

void TZrDrawTool::MoveSlider(QSlider *Bar, int32_t Value)
{
  if (Bar && Bar->value() != Value)
    Bar->setValue(Value);
}

void TZrDrawTool::RecordValue(const QString &Line)
{
  if (Playback && !DemoName.isEmpty() && Playback->IsRecording())
    Playback->RecordLine(Line);
}

void TZrDrawTool::SetBrushSize(int32_t Value)
{
  if (Value == BrushSize || Value < MinBrushSize || Value > MaxBrushSize)
    return;
  InvalidateControls();
  BrushSize = Value;
  SizeChanged();
  MoveSlider(SizeBar, Value);
  RecordValue(DemoName + QStringLiteral("Size ") + QString::number(Value));
}

void TZrDrawTool::SetOpacity(int32_t Value)
{
  if (Value == Opacity || Value < 0 || Value > 255)
    return;
  Opacity = Value;
  OpacityChanged();
  MoveSlider(OpacityBar, Value);
  RecordValue(DemoName + QStringLiteral("Opacity ") + QString::number(Value));
}

bool TZrDrawTool::BeginStroke(TZrDrawToolControl &Control, int32_t Button, TZrShiftState Shift)
{
  ActiveControl = &Control;
  StrokeButton = Button;
  StrokeShift = Shift;
  BeginEdit(Control.View);
  return true;
}

void TZrDrawTool::StampAt(const TZrRect &Rect)
{
  // Without an open edit there is nothing to paint into.
  if (!BackupPixels || !ImagePixels)
    return;
  const TZrRect R = IntersectRect(Rect, BackupPixels->GetBounds());
  if (R.IsEmpty())
    return;
  ApplyRect(R);
  ChangeRect(R, false);
}

void TZrDrawTool::EndStroke()
{
  EndEdit();
  ActiveControl = nullptr;
}

void TZrDrawTool::DemoCommand(IZrDemoPlayback *Playback, const QString &Command, bool &Handled,
                              TZrDemoAction *Action, const TZrDemoScriptParams &Params)
{
  if (!DemoName.isEmpty()) {
    const QString Name = Upper(DemoName);
    int32_t Value = 0;
    if (Command == Name + QStringLiteral("SIZE")) {
      if (FirstInteger(Params, Value))
        SetBrushSize(Value);
      Handled = true;
      return;
    }
    if (Command == Name + QStringLiteral("OPACITY")) {
      if (FirstInteger(Params, Value))
        SetOpacity(Value);
      Handled = true;
      return;
    }
  }
  TZrGraphicsTool::DemoCommand(Playback, Command, Handled, Action, Params);
}

bool TZrDrawTool::SliderTarget(const TZrDemoScriptParams &Params, const QString &Name, QSlider *Bar,
                               bool &Handled, QPoint &Point)
{
  if (!Bar || QString::fromStdString(Params.StringArgument(0)).toUpper() != Name)
    return false;
  TZrDemoRegistry::TargetPoint(Bar, Point);
  Handled = true;
  return true;
}

void TZrDrawTool::DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                                     bool &Handled, QPoint &Point)
{
  if (!DemoName.isEmpty()) {
    const QString Name = Upper(DemoName);
    if (SliderTarget(Params, Name + QStringLiteral("SIZE"), SizeBar, Handled, Point) ||
        SliderTarget(Params, Name + QStringLiteral("OPACITY"), OpacityBar, Handled, Point))
      return;
  }
  TZrGraphicsTool::DemoTargetPosition(Playback, Params, Handled, Point);
}

void TZrDrawTool::AbortMouseAction()
{
  if (ActiveControl)
    ActiveControl->EndStroke();
  TZrGraphicsTool::AbortMouseAction();
}

void TZrDrawTool::RemoveControl(TZrGraphicsToolControl *Control)
{
  if (Control == ActiveControl)
    ActiveControl = nullptr;
  TZrGraphicsTool::RemoveControl(Control);
}

void TZrDrawTool::BindSizeBar(QSlider *TrackBar)
{
  SizeBar = TrackBar;
  if (!TrackBar)
    return;
  AddSizeHint(TrackBar);
  Bind(TrackBar, this, MinBrushSize, MaxBrushSize, MaxBrushSize / 10, BrushSize,
       [this](int32_t V) { SetBrushSize(V); });
}

void TZrDrawTool::BindOpacityBar(QSlider *TrackBar)
{
  OpacityBar = TrackBar;
  if (!TrackBar)
    return;
  Bind(TrackBar, this, 0, 255, 16, Opacity, [this](int32_t V) { SetOpacity(V); });
}

// --- TZrMaskDrawTool -----------------------------------------------------

TZrMaskDrawTool::TZrMaskDrawTool()
{
  TZrMaskDrawTool::BrushShapeChanged();
}

TZrMaskDrawTool::~TZrMaskDrawTool()
{
  // The preview box belongs to the tool panel and may outlive the tool.
  if (PreviewBox)
    PreviewBox->OnPaint = nullptr;
}

void TZrMaskDrawTool::BrushShapeChanged()
{
  if (PreviewBox)
    PreviewBox->update();
}

void TZrMaskDrawTool::SizeChanged()
{
  BrushShapeChanged();
  for (TZrGraphicsToolControl *Control : Controls)
    if (auto *C = dynamic_cast<TZrMaskDrawToolControl *>(Control))
      C->SetBounds(BrushRect(C->BrushCentre, BrushSize));
}

bool TZrMaskDrawTool::BeginStroke(TZrDrawToolControl &Control, int32_t Button, TZrShiftState Shift)
{
  // A stroke always starts from an empty mask, also after one that ended
  // without its control (the view closed under it).
  StrokeMask.Clear();
  return TZrDrawTool::BeginStroke(Control, Button, Shift);
}

void TZrMaskDrawTool::StampAt(const TZrRect &Rect)
{
  StampMask.Left = Rect.Left;
  StampMask.Top = Rect.Top;
  // A stamp beside the image changes no pixel, and its weights would never
  // be read: the stroke's mask keeps to the image (and a brush square
  // around it) however far the pointer wanders.
  if (Accumulate && BackupPixels)
    MergeStamp(StrokeMask, StampMask, BackupPixels->GetBounds());
  TZrDrawTool::StampAt(Rect);
  StampMask.Left = StampMask.Top = 0;
}

void TZrMaskDrawTool::EndStroke()
{
  StrokeMask.Clear();
  TZrDrawTool::EndStroke();
}

void TZrMaskDrawTool::BindPreviewBox(TZrPaintBox *PaintBox)
{
  PreviewBox = PaintBox;
  AddSizeHint(PaintBox);
  if (PaintBox)
    PaintBox->OnPaint = [this](TZrPaintBox &Box, QPainter &Painter) { PaintPreview(Box, Painter); };
}

void TZrMaskDrawTool::PaintPreview(TZrPaintBox &Box, QPainter &Painter)
{
  if (!Box.isVisible())
    return;
  const int32_t W = Box.width();
  const int32_t H = Box.height();
  TZrPixelBuffer Bitmap;
  if (W <= 0 || H <= 0 || !Bitmap.Allocate(pf24bit, Bounds(0, 0, W, H)) || !Bitmap.Bits)
    return;
  for (int32_t Y = 0; Y < H; ++Y)
    std::memset(Bitmap.PixelPtr(0, Y), 255, static_cast<size_t>(W) * 3);
  const int32_t Colour = Box.isEnabled() ? 0 : 0xC0C0C0;
  const int32_t OldLeft = StampMask.Left;
  const int32_t OldTop = StampMask.Top;
  StampMask.Left = (W - StampMask.Width) / 2;
  StampMask.Top = (H - StampMask.Height) / 2;
  BlendColour(StampMask, Bitmap, Colour, Bitmap.GetBounds(), Bitmap);
  StampMask.Left = OldLeft;
  StampMask.Top = OldTop;
  // A grey border around the edge.
  const auto Grey = [&Bitmap](int32_t X, int32_t Y) { std::memset(Bitmap.PixelPtr(X, Y), 128, 3); };
  for (int32_t X = 0; X < W; ++X) {
    Grey(X, 0);
    Grey(X, H - 1);
  }
  for (int32_t Y = 0; Y < H; ++Y) {
    Grey(0, Y);
    Grey(W - 1, Y);
  }
  Painter.drawImage(0, 0, QImage(Bitmap.Bits, W, H, Bitmap.Stride, QImage::Format_BGR888));
}

// --- TZrBrushTool --------------------------------------------------------

TZrBrushTool::TZrBrushTool()
{
  ControlClass = ControlClassOf<TZrBrushToolControl>();
  SetHardness(128);
}

void TZrBrushTool::SetHardness(int32_t Value)
{
  if (Value == Hardness || Value < 0 || Value > 255)
    return;
  Hardness = Value;
  BrushShapeChanged();
  MoveSlider(HardnessBar, Value);
  RecordValue(DemoName + QStringLiteral("Hardness ") + QString::number(Value));
}

void TZrBrushTool::BrushShapeChanged()
{
  BuildSoftDisc(StampMask, BrushSize, Opacity, Hardness);
  TZrMaskDrawTool::BrushShapeChanged();
}

void TZrBrushTool::DemoCommand(IZrDemoPlayback *Playback, const QString &Command, bool &Handled,
                               TZrDemoAction *Action, const TZrDemoScriptParams &Params)
{
  if (!DemoName.isEmpty() && Command == Upper(DemoName) + QStringLiteral("HARDNESS")) {
    int32_t Value = 0;
    if (FirstInteger(Params, Value))
      SetHardness(Value);
    Handled = true;
    return;
  }
  TZrMaskDrawTool::DemoCommand(Playback, Command, Handled, Action, Params);
}

void TZrBrushTool::DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                                      bool &Handled, QPoint &Point)
{
  if (!DemoName.isEmpty() && SliderTarget(Params, Upper(DemoName) + QStringLiteral("HARDNESS"),
                                          HardnessBar, Handled, Point))
    return;
  TZrMaskDrawTool::DemoTargetPosition(Playback, Params, Handled, Point);
}

void TZrBrushTool::BindHardnessBar(QSlider *TrackBar)
{
  HardnessBar = TrackBar;
  if (!TrackBar)
    return;
  Bind(TrackBar, this, 0, 255, 16, Hardness, [this](int32_t V) { SetHardness(V); });
}

// --- TZrCustomBlurBrushTool ----------------------------------------------

TZrCustomBlurBrushTool::TZrCustomBlurBrushTool()
{
  BlurCache.SetPixelFormat(pf32bit);
  SetSmoothingFollowsSize(true);
}

void TZrCustomBlurBrushTool::SetSmoothing(int32_t Value)
{
  if (Value == Smoothing || Value < MinBrushSize || Value > MaxBrushSize)
    return;
  Smoothing = Value;
  SmoothingChanged();
  MoveSlider(SmoothingBar, Value);
  RecordValue(DemoName + QStringLiteral("Smoothing") + QStringLiteral(" ") +
              QString::number(Smoothing));
}

void TZrCustomBlurBrushTool::SmoothingChanged()
{
  BuildBlurFootprint(BlurFootprint, Smoothing, IncludeCentre);
  // Colours averaged over the old disc are no longer the blurred colours.
  if (BlurCache.Bits)
    for (int32_t Y = 0; Y < BlurCache.Height; ++Y)
      std::memset(BlurCache.Bits + static_cast<ptrdiff_t>(Y) * BlurCache.Stride, 0,
                  static_cast<size_t>(BlurCache.Width) * 4);
}

void TZrCustomBlurBrushTool::SetBrushSize(int32_t Value)
{
  TZrBrushTool::SetBrushSize(Value);
  if (SmoothingFollowsSize)
    SetSmoothing(BrushSize);
}

void TZrCustomBlurBrushTool::EndStroke()
{
  BlurCache.Clear();
  TZrBrushTool::EndStroke();
}

void TZrCustomBlurBrushTool::DemoCommand(IZrDemoPlayback *Playback, const QString &Command,
                                         bool &Handled, TZrDemoAction *Action,
                                         const TZrDemoScriptParams &Params)
{
  if (!DemoName.isEmpty() && Command == Upper(DemoName) + QStringLiteral("SMOOTHING")) {
    int32_t Value = 0;
    if (FirstInteger(Params, Value))
      SetSmoothing(Value);
    Handled = true;
    return;
  }
  TZrBrushTool::DemoCommand(Playback, Command, Handled, Action, Params);
}

void TZrCustomBlurBrushTool::DemoTargetPosition(IZrDemoPlayback *Playback,
                                                const TZrDemoScriptParams &Params, bool &Handled,
                                                QPoint &Point)
{
  if (!DemoName.isEmpty() && SliderTarget(Params, Upper(DemoName) + QStringLiteral("SMOOTHING"),
                                          SmoothingBar, Handled, Point))
    return;
  TZrBrushTool::DemoTargetPosition(Playback, Params, Handled, Point);
}

void TZrCustomBlurBrushTool::BindSmoothingBar(QSlider *TrackBar)
{
  SmoothingBar = TrackBar;
  if (!TrackBar)
    return;
  Bind(TrackBar, this, MinBrushSize, MaxBrushSize, MaxBrushSize / 10, Smoothing,
       [this](int32_t V) { SetSmoothing(V); });
}

void TZrCustomBlurBrushTool::SetSmoothingFollowsSize(bool Value)
{
  SmoothingFollowsSize = Value;
  if (Value)
    SetSmoothing(BrushSize);
}

int32_t TZrCustomBlurBrushTool::BlurColour(int32_t X, int32_t Y)
{
  if (!BackupPixels)
    return 0;
  return facette::BlurColour(BlurCache, BlurFootprint, *BackupPixels, X, Y);
}

} // namespace facette
