#include "demo/ui/ZrBalloon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QScreen>
#include <QToolTip>

namespace facette {

namespace {

// Corners of the body: ellipses 16 pixels wide and high.
constexpr int CornerSize = 16;
// The tip: a triangle 16 pixels high, and the margin around the text.
constexpr int TipSize = 16;
constexpr int Margin = 16;

QRegion RoundRectRegion(int Width, int Height)
{
  QPainterPath Path;
  Path.addRoundedRect(QRectF(0, 0, Width, Height), CornerSize / 2.0, CornerSize / 2.0);
  return QRegion(Path.toFillPolygon().toPolygon());
}

QRegion TriangleRegion(QPoint A, QPoint B, QPoint C)
{
  return QRegion(QPolygon({A, B, C}));
}

} // namespace

TZrBalloon::TZrBalloon(QWidget *Parent)
    : QWidget(Parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus)
{
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setFont(QToolTip::font());
  setPalette(QToolTip::palette());
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::ToolTipBase);
  setCursor(Qt::BlankCursor);
}

void TZrBalloon::ShowAt(int X, int Y, int NewPlacement, const QString &NewText)
{
  hide();
  Text = NewText;
  const QFontMetrics Metrics(font());
  TextRect = Metrics.boundingRect(QRect(0, 0, MaxTextWidth, 1 << 20),
                                  Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, Text);
  TextRect.moveTopLeft(QPoint(0, 0));
  const int W = TextRect.width() + Margin;
  const int H = TextRect.height() + Margin;

  Placement = NewPlacement;
  if (Placement < 1 || Placement > 4) {
    const QPoint At(X, Y);
    const QScreen *Screen = QGuiApplication::screenAt(At);
    if (!Screen)
      Screen = QGuiApplication::primaryScreen();
    const QRect Area = Screen ? Screen->geometry() : QRect(0, 0, 2 * X + 2, 2 * Y + 2);
    const bool LeftHalf = X - Area.left() < Area.width() / 2;
    const bool UpperHalf = Y - Area.top() <= Area.height() / 2;
    Placement = UpperHalf ? (LeftHalf ? 1 : 2) : (LeftHalf ? 3 : 4);
  }

  QRegion Body = RoundRectRegion(W, H);
  switch (Placement) {
  case 1:
    Region = Body.united(TriangleRegion({16, 0}, {16, -TipSize}, {32, 0})).translated(0, TipSize);
    TipPoint = QPoint(16, 0);
    TextRect.translate(12, 24);
    break;
  case 2:
    Region = Body.united(TriangleRegion({W - 16, 0}, {W - 16, -TipSize}, {W - 32, 0}))
                 .translated(0, TipSize);
    TipPoint = QPoint(W - 16, 0);
    TextRect.translate(12, 24);
    break;
  case 3:
    Region = Body.united(TriangleRegion({15, H - 1}, {31, H - 1}, {15, H + 15}));
    TipPoint = QPoint(15, H + 15);
    TextRect.translate(12, 8);
    break;
  default:
    Region = Body.united(TriangleRegion({W - 17, H - 1}, {W - 33, H - 1}, {W - 17, H + 15}));
    TipPoint = QPoint(W - 17, H + 15);
    TextRect.translate(12, 8);
    break;
  }
  // The polygon's last row and column would be left out of the region:
  // make sure the tip pixel itself belongs to the shape.
  Region = Region.united(QRect(TipPoint, QSize(1, 1)));

  setFixedSize(W, H + TipSize);
  setMask(Region);
  move(X - TipPoint.x(), Y - TipPoint.y());
  show();
}

void TZrBalloon::paintEvent(QPaintEvent *)
{
  QPainter Painter(this);
  const QPalette &Colors = palette();
  Painter.fillRect(rect(), Colors.color(QPalette::ToolTipBase));
  // The outline: every pixel of the shape with a neighbour outside it.
  const QRegion Inner = Region.intersected(Region.translated(1, 0))
                            .intersected(Region.translated(-1, 0))
                            .intersected(Region.translated(0, 1))
                            .intersected(Region.translated(0, -1));
  const QColor Ink = Colors.color(QPalette::ToolTipText);
  for (const QRect &R : Region.subtracted(Inner))
    Painter.fillRect(R, Ink);
  Painter.setPen(Ink);
  Painter.drawText(TextRect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, Text);
}

} // namespace facette
