// The window controls that host view objects: TZrViewControl paints its
// object list flicker-free through one off-screen surface per paint,
// TZrScrollViewControl adds scroll bars, centring of small content and
// scroll clamping.
//
// A view works in device pixels, the pixels of the screen: the map mode's
// device units, the points the objects get, the rectangles they invalidate
// and the surface they paint on. On a screen with a scale factor above 1
// an image shown 1:1 thus has one image pixel on each screen pixel, and
// outlines drawn on the surface are as sharp as the screen allows. Only
// where the control meets Qt (events, update areas, scroll bars) do the
// widget's own, scaled, pixels appear.
#pragma once

#include "document/ui/ZrEditor.h"
#include "editor/ZrViewObjects.h"

#include <QImage>
#include <QPainter>

#include <memory>

class QScreen;
class QScrollBar;

namespace facette {

// The canvas of a view control: the core canvas plus a QPainter over its
// surface for overlays that draw lines, frames and text.
class TZrQtViewCanvas : public TZrViewCanvas
{
public:
  TZrQtViewCanvas() = default;
  ~TZrQtViewCanvas() override;

  // A painter on the surface of the current paint, in window coordinates
  // and clipped to the current clip; nil outside a paint.
  QPainter *Painter();
  // Ends the painter (before the surface is shown).
  void EndPainter();
  // The surface as an image (valid until the surface ends).
  QImage SurfaceImage() const;

protected:
  void ClipChanged() override { ClipDirty = true; }

private:
  QImage Image;
  std::unique_ptr<QPainter> Painter_;
  bool ClipDirty = true;
};

// The painter of a view canvas, or nil when the canvas has none.
QPainter *CanvasPainter(TZrViewCanvas &Canvas);

class TZrViewControl : public TZrDocumentView
{
  Q_OBJECT

public:
  explicit TZrViewControl(QWidget *Parent = nullptr);
  ~TZrViewControl() override;

  // Declared in this order so that the objects go before the canvas they
  // may still invalidate through.
  TZrQtViewCanvas ViewCanvas;
  TZrViewObjectList Objects;

  // The view's coordinate system (the canvas's).
  TZrMapMode &MapMode() { return ViewCanvas.MapMode; }
  const TZrMapMode &MapMode() const { return ViewCanvas.MapMode; }
  // Device pixels per widget pixel.
  qreal PixelRatio() const { return Ratio; }
  // A widget position (as Qt's events give it) in device pixels.
  TZrPoint DevicePoint(const QPointF &Position) const;
  // The widget point on the device pixel (its top left).
  QPoint WidgetPoint(TZrPoint Device) const;
  // The widget rectangle that covers a device rectangle.
  QRect WidgetRect(const TZrRect &Device) const;
  // The device rectangle of a widget rectangle.
  QRect DeviceRect(const QRect &Widget) const;
  // The area objects paint in, without scroll bars, in device pixels.
  QRect ClientRect() const { return DeviceRect(ClientArea()); }
  int32_t ClientWidth() const { return ClientRect().width(); }
  int32_t ClientHeight() const { return ClientRect().height(); }
  // The whole control in device pixels.
  int32_t DeviceWidth() const { return DeviceRect(rect()).width(); }
  int32_t DeviceHeight() const { return DeviceRect(rect()).height(); }
  // Schedules a repaint of that window area (nothing is erased first).
  void InvalidateRect(const TZrRect &DeviceRect);

protected:
  // The client area in widget pixels.
  virtual QRect ClientArea() const { return rect(); }
  // Takes the scale factor of the screen the control is on; true when it
  // changed (the content's origin is scaled with it).
  bool UpdatePixelRatio();
  // The control moved to another screen, or its scale factor changed.
  virtual void ScreenChanged() {}
  void paintEvent(QPaintEvent *Event) override;
  void resizeEvent(QResizeEvent *Event) override;

private:
  qreal Ratio = 1;
  const QScreen *LastScreen = nullptr;
};

class TZrScrollViewControl : public TZrViewControl
{
  Q_OBJECT

public:
  explicit TZrScrollViewControl(QWidget *Parent = nullptr);

  // Pixels per line step of the scroll bars.
  int32_t LineStep = 10;
  // Set while a scroll bar request is handled.
  bool Scrolling = false;

  QScrollBar *HorzScrollBar() const { return HBar; }
  QScrollBar *VertScrollBar() const { return VBar; }
  // The scroll bars' width in device pixels.
  int32_t ScrollBarExtent() const;

  virtual TZrRect GetExtent() const;
  // Re-centres or clamps the content, sets the scroll bars, repaints.
  virtual void UpdateScrollRange();
  virtual TZrScrollPlan ComputeScroll() const;
  virtual void SetScrollBars(int32_t ExtraWidth, int32_t ExtraHeight);
  // Moves the content and the window pixels showing it; only the strip
  // uncovered is repainted.
  void ScrollBy(int32_t DX, int32_t DY);
  // Moves the content's origin without touching the window.
  void MoveOrigin(int32_t DX, int32_t DY);
  // Brings the logical point to the middle of the client area, as far as
  // the content allows.
  void CenterOn(TZrPoint LogicalPoint);
  void ScrollAndUpdate(int32_t DX, int32_t DY);
  // Limits a scroll so that no empty space shows past the content's ends.
  void ClampScrollDelta(int32_t &DX, int32_t &DY) const;
  // The scroll range first, then the repaint.
  void Update();

protected:
  QRect ClientArea() const override;
  void resizeEvent(QResizeEvent *Event) override;
  void paintEvent(QPaintEvent *Event) override;
  void ScreenChanged() override;

private:
  void BarAction(QScrollBar *Bar, int Action);
  void BarMoved(QScrollBar *Bar, int Value);
  void LayoutBars();

  QScrollBar *HBar = nullptr;
  QScrollBar *VBar = nullptr;
  int32_t ExtraWidth = 0;
  int32_t ExtraHeight = 0;
  bool SettingBars = false;
};

} // namespace facette
