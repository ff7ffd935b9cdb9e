#include "editor/ui/ZrViewControls.h"

#include <QPaintEvent>
#include <QRegion>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace facette {

namespace {

QRect ToQRect(const TZrRect &R)
{
  return QRect(R.Left, R.Top, R.Width(), R.Height());
}

TZrRect FromQRect(const QRect &R)
{
  return Bounds(R.x(), R.y(), R.width(), R.height());
}

} // namespace

// Canvas

TZrQtViewCanvas::~TZrQtViewCanvas()
{
  EndPainter();
}

QPainter *TZrQtViewCanvas::Painter()
{
  if (!HasSurface())
    return nullptr;
  if (!Painter_) {
    Image = QImage(Pixels.Bits, Pixels.Width, Pixels.Height, Pixels.Stride, QImage::Format_BGR888);
    Painter_ = std::make_unique<QPainter>(&Image);
    // Window coordinates, like everything else the objects paint with.
    Painter_->translate(-Pixels.Left, -Pixels.Top);
    ClipDirty = true;
  }
  if (ClipDirty) {
    QRegion Region;
    for (const TZrRect &R : Clip.GetRects())
      Region += ToQRect(R);
    Painter_->setClipRegion(Region);
    ClipDirty = false;
  }
  return Painter_.get();
}

void TZrQtViewCanvas::EndPainter()
{
  if (Painter_) {
    Painter_->end();
    Painter_.reset();
  }
  Image = QImage();
}

QImage TZrQtViewCanvas::SurfaceImage() const
{
  if (!HasSurface())
    return QImage();
  return QImage(static_cast<const uchar *>(Pixels.Bits), Pixels.Width, Pixels.Height, Pixels.Stride,
                QImage::Format_BGR888);
}

QPainter *CanvasPainter(TZrViewCanvas &Canvas)
{
  auto *Qt = dynamic_cast<TZrQtViewCanvas *>(&Canvas);
  return Qt ? Qt->Painter() : nullptr;
}

// View control

TZrViewControl::TZrViewControl(QWidget *Parent) : TZrDocumentView(Parent)
{
  // Every pixel is painted by the control itself: nothing to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  Ratio = devicePixelRatioF();
}

TZrViewControl::~TZrViewControl() = default;

TZrPoint TZrViewControl::DevicePoint(const QPointF &Position) const
{
  // Positions come from whole device pixels divided by the ratio; the
  // small allowance undoes the rounding of that division.
  return TZrPoint{static_cast<int32_t>(std::floor(Position.x() * Ratio + 1e-3)),
                  static_cast<int32_t>(std::floor(Position.y() * Ratio + 1e-3))};
}

QPoint TZrViewControl::WidgetPoint(TZrPoint Device) const
{
  return QPoint(static_cast<int>(std::floor(Device.X / Ratio)),
                static_cast<int>(std::floor(Device.Y / Ratio)));
}

QRect TZrViewControl::WidgetRect(const TZrRect &Device) const
{
  const int Left = static_cast<int>(std::floor(Device.Left / Ratio));
  const int Top = static_cast<int>(std::floor(Device.Top / Ratio));
  const int Right = static_cast<int>(std::ceil(Device.Right / Ratio));
  const int Bottom = static_cast<int>(std::ceil(Device.Bottom / Ratio));
  return QRect(Left, Top, Right - Left, Bottom - Top);
}

QRect TZrViewControl::DeviceRect(const QRect &Widget) const
{
  const auto Edge = [this](int V) { return static_cast<int>(std::lround(V * Ratio)); };
  const int Left = Edge(Widget.x()), Top = Edge(Widget.y());
  return QRect(Left, Top, Edge(Widget.x() + Widget.width()) - Left,
               Edge(Widget.y() + Widget.height()) - Top);
}

void TZrViewControl::InvalidateRect(const TZrRect &DeviceRect)
{
  const QRect R = WidgetRect(DeviceRect).intersected(ClientArea());
  if (!R.isEmpty())
    update(R);
}

bool TZrViewControl::UpdatePixelRatio()
{
  const qreal NewRatio = devicePixelRatioF();
  const QScreen *NewScreen = screen();
  const bool RatioChanged = NewRatio != Ratio;
  if (!RatioChanged && NewScreen == LastScreen)
    return false;
  LastScreen = NewScreen;
  if (RatioChanged) {
    // The content stays where it was on the widget.
    const qreal Factor = NewRatio / Ratio;
    MapMode().ViewportOrgX = static_cast<int32_t>(std::lround(MapMode().ViewportOrgX * Factor));
    MapMode().ViewportOrgY = static_cast<int32_t>(std::lround(MapMode().ViewportOrgY * Factor));
    Ratio = NewRatio;
  }
  ScreenChanged();
  return RatioChanged;
}

void TZrViewControl::resizeEvent(QResizeEvent *Event)
{
  TZrDocumentView::resizeEvent(Event);
  UpdatePixelRatio();
}

void TZrViewControl::paintEvent(QPaintEvent *Event)
{
  UpdatePixelRatio();
  const QRect Client = ClientRect();
  TZrRegion Region;
  for (const QRect &R : Event->region()) {
    // Every device pixel the widget rectangle touches.
    const int Left = static_cast<int>(std::floor(R.x() * Ratio));
    const int Top = static_cast<int>(std::floor(R.y() * Ratio));
    const int Right = static_cast<int>(std::ceil((R.x() + R.width()) * Ratio));
    const int Bottom = static_cast<int>(std::ceil((R.y() + R.height()) * Ratio));
    Region.Add(FromQRect(QRect(Left, Top, Right - Left, Bottom - Top).intersected(Client)));
  }
  if (Region.IsEmpty())
    return;
  if (!ViewCanvas.BeginSurface(Region)) {
    // No memory for the surface: at least no garbage on the screen.
    QPainter Fallback(this);
    Fallback.fillRect(WidgetRect(Region.BoundingBox()), QColor(0x40, 0x40, 0x40));
    return;
  }
  ViewCanvas.PaintObjects(Objects);
  ViewCanvas.EndPainter();
  {
    // One copy of the update box reaches the window, pixel for pixel: the
    // surface is in device pixels and says so.
    QImage Surface = ViewCanvas.SurfaceImage();
    Surface.setDevicePixelRatio(Ratio);
    QPainter Window(this);
    Window.drawImage(QPointF(ViewCanvas.UpdateBox.Left / Ratio, ViewCanvas.UpdateBox.Top / Ratio),
                     Surface);
  }
  ViewCanvas.EndSurface();
}

// Scrolling view control

TZrScrollViewControl::TZrScrollViewControl(QWidget *Parent) : TZrViewControl(Parent)
{
  HBar = new QScrollBar(Qt::Horizontal, this);
  VBar = new QScrollBar(Qt::Vertical, this);
  for (QScrollBar *Bar : {HBar, VBar}) {
    Bar->setFocusPolicy(Qt::NoFocus);
    Bar->hide();
    connect(Bar, &QAbstractSlider::actionTriggered, this,
            [this, Bar](int Action) { BarAction(Bar, Action); });
    connect(Bar, &QAbstractSlider::valueChanged, this,
            [this, Bar](int Value) { BarMoved(Bar, Value); });
  }
}

int32_t TZrScrollViewControl::ScrollBarExtent() const
{
  return static_cast<int32_t>(
      std::lround(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) * PixelRatio()));
}

QRect TZrScrollViewControl::ClientArea() const
{
  return QRect(0, 0, width() - (VBar->isVisibleTo(this) ? VBar->width() : 0),
               height() - (HBar->isVisibleTo(this) ? HBar->height() : 0));
}

TZrRect TZrScrollViewControl::GetExtent() const
{
  return ViewExtent(Objects, MapMode());
}

TZrScrollPlan TZrScrollViewControl::ComputeScroll() const
{
  const int32_t Bar = ScrollBarExtent();
  return ComputeScrollPlan(GetExtent(), DeviceWidth(), DeviceHeight(), Bar, Bar);
}

void TZrScrollViewControl::UpdateScrollRange()
{
  const TZrScrollPlan Plan = ComputeScroll();
  if (Plan.DeltaX != 0 || Plan.DeltaY != 0)
    MoveOrigin(Plan.DeltaX, Plan.DeltaY);
  SetScrollBars(Plan.ExtraWidth, Plan.ExtraHeight);
  update();
}

void TZrScrollViewControl::SetScrollBars(int32_t NewExtraWidth, int32_t NewExtraHeight)
{
  ExtraWidth = NewExtraWidth;
  ExtraHeight = NewExtraHeight;
  if (width() < 1 || height() < 1)
    return;
  const TZrRect Extent = GetExtent();
  const int32_t Bar = ScrollBarExtent();
  const bool Horizontal = ExtraWidth > 0, Vertical = ExtraHeight > 0;
  const int32_t PageWidth = DeviceWidth() - (Vertical ? Bar : 0);
  const int32_t PageHeight = DeviceHeight() - (Horizontal ? Bar : 0);
  // A bar whose page covers the whole range disappears. Qt's range ends at
  // the last position, the one where the page ends with the content.
  SettingBars = true;
  HBar->setRange(0, std::max(0, ExtraWidth));
  HBar->setPageStep(std::max(1, PageWidth));
  HBar->setSingleStep(LineStep);
  HBar->setValue(-Extent.Left);
  HBar->setVisible(Horizontal);
  VBar->setRange(0, std::max(0, ExtraHeight));
  VBar->setPageStep(std::max(1, PageHeight));
  VBar->setSingleStep(LineStep);
  VBar->setValue(-Extent.Top);
  VBar->setVisible(Vertical);
  LayoutBars();
  SettingBars = false;
}

void TZrScrollViewControl::LayoutBars()
{
  const int32_t Bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const bool Horizontal = HBar->isVisibleTo(this), Vertical = VBar->isVisibleTo(this);
  HBar->setGeometry(0, height() - Bar, width() - (Vertical ? Bar : 0), Bar);
  VBar->setGeometry(width() - Bar, 0, Bar, height() - (Horizontal ? Bar : 0));
}

void TZrScrollViewControl::BarAction(QScrollBar *Bar, int Action)
{
  TZrScrollCode Code = TZrScrollCode::Other;
  switch (Action) {
  case QAbstractSlider::SliderSingleStepSub:
    Code = TZrScrollCode::LineUp;
    break;
  case QAbstractSlider::SliderSingleStepAdd:
    Code = TZrScrollCode::LineDown;
    break;
  case QAbstractSlider::SliderPageStepSub:
    Code = TZrScrollCode::PageUp;
    break;
  case QAbstractSlider::SliderPageStepAdd:
    Code = TZrScrollCode::PageDown;
    break;
  case QAbstractSlider::SliderMove:
    Code = TZrScrollCode::ThumbTrack;
    break;
  default:
    break;
  }
  // Qt's maximum is the last position; the page-based rule wants the last
  // value the page can cover.
  const int32_t Page = Bar->pageStep();
  Bar->setSliderPosition(ScrollBarTarget(Code, Bar->value(), Bar->minimum(),
                                         Bar->maximum() + Page - 1, Page, LineStep,
                                         Bar->sliderPosition()));
}

void TZrScrollViewControl::BarMoved(QScrollBar *Bar, int Value)
{
  if (SettingBars)
    return;
  const TZrRect Extent = GetExtent();
  Scrolling = true;
  if (Bar == HBar)
    ScrollBy(-Extent.Left - Value, 0);
  else
    ScrollBy(0, -Extent.Top - Value);
  Scrolling = false;
}

void TZrScrollViewControl::ScrollBy(int32_t DX, int32_t DY)
{
  if (DX == 0 && DY == 0)
    return;
  MoveOrigin(DX, DY);
  // The window's pixels move along where the distance is whole widget
  // pixels; otherwise the client area is painted anew.
  const qreal WidgetDX = DX / PixelRatio(), WidgetDY = DY / PixelRatio();
  if (WidgetDX == std::trunc(WidgetDX) && WidgetDY == std::trunc(WidgetDY))
    scroll(static_cast<int>(WidgetDX), static_cast<int>(WidgetDY), ClientArea());
  else
    update(ClientArea());
}

void TZrScrollViewControl::MoveOrigin(int32_t DX, int32_t DY)
{
  MapMode().ViewportOrgX += DX;
  MapMode().ViewportOrgY += DY;
}

void TZrScrollViewControl::CenterOn(TZrPoint LogicalPoint)
{
  // The middle of the client area the content will have: its scroll bars
  // depend on the extent, not on where it is scrolled to.
  const TZrScrollPlan Before = ComputeScroll();
  const int32_t Bar = ScrollBarExtent();
  const int32_t Width = DeviceWidth() - (Before.VerticalBar() ? Bar : 0);
  const int32_t Height = DeviceHeight() - (Before.HorizontalBar() ? Bar : 0);
  const TZrPoint Device = MapMode().LogicalToDevice(LogicalPoint);
  MoveOrigin(Width / 2 - Device.X, Height / 2 - Device.Y);
  const TZrScrollPlan Plan = ComputeScroll();
  MoveOrigin(Plan.DeltaX, Plan.DeltaY);
  SetScrollBars(Plan.ExtraWidth, Plan.ExtraHeight);
  update();
}

void TZrScrollViewControl::ScrollAndUpdate(int32_t DX, int32_t DY)
{
  ScrollBy(DX, DY);
  SetScrollBars(ExtraWidth, ExtraHeight);
}

void TZrScrollViewControl::ClampScrollDelta(int32_t &DX, int32_t &DY) const
{
  const TZrScrollPlan Plan = ComputeScroll();
  const TZrRect Extent = GetExtent();
  DX = facette::ClampScrollDelta(DX, Extent.Left, Plan.ExtraWidth);
  DY = facette::ClampScrollDelta(DY, Extent.Top, Plan.ExtraHeight);
}

void TZrScrollViewControl::Update()
{
  UpdateScrollRange();
  update();
}

void TZrScrollViewControl::ScreenChanged()
{
  // Scroll bars count in device pixels.
  const TZrScrollPlan Plan = ComputeScroll();
  MoveOrigin(Plan.DeltaX, Plan.DeltaY);
  SetScrollBars(Plan.ExtraWidth, Plan.ExtraHeight);
  update();
}

void TZrScrollViewControl::resizeEvent(QResizeEvent *Event)
{
  TZrViewControl::resizeEvent(Event);
  // A resize repaints the whole control anyway: the origin just moves.
  const TZrScrollPlan Plan = ComputeScroll();
  MoveOrigin(Plan.DeltaX, Plan.DeltaY);
  SetScrollBars(Plan.ExtraWidth, Plan.ExtraHeight);
  LayoutBars();
  update();
}

void TZrScrollViewControl::paintEvent(QPaintEvent *Event)
{
  TZrViewControl::paintEvent(Event);
  if (HBar->isVisibleTo(this) && VBar->isVisibleTo(this)) {
    const QRect Corner(VBar->x(), HBar->y(), VBar->width(), HBar->height());
    if (Event->region().intersects(Corner)) {
      QPainter Window(this);
      Window.fillRect(Corner, palette().window());
    }
  }
}

} // namespace facette
