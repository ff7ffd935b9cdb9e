#include "tools/geometry/ui/ZrGeometryToolParts.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrViewControls.h"
#include "tools/geometry/ZrCropArithmetic.h"

#include <QAction>
#include <QFile>
#include <QIcon>
#include <QLineEdit>

namespace facette::geometryparts {

QIcon ResourceIcon(const QString &Path)
{
  return QFile::exists(Path) ? QIcon(Path) : QIcon();
}

bool ButtonTarget(const QString &Asked, const QString &Name, QAction *Button, bool &Handled,
                  QPoint &Point)
{
  if (Asked != Name || !Button)
    return false;
  Handled = true;
  TZrDemoRegistry::TargetPoint(Button, Point);
  return true;
}

namespace {

// Calls Paint with each part of Rect the canvas may paint.
template <typename TPaint> void InClip(TZrViewCanvas &Canvas, const TZrRect &Rect, TPaint Paint)
{
  if (!Canvas.HasSurface())
    return;
  for (const TZrRect &Clip : Canvas.Clip.GetRects())
    if (const TZrRect Part = IntersectRect(Rect, Clip); !Part.IsEmpty())
      Paint(Part);
}

} // namespace

void DarkenOutside(TZrViewCanvas &Canvas, const TZrRect &V, const TZrRect &S)
{
  for (const TZrRect &Band : CropOutsideBands(V, S))
    InClip(Canvas, Band, [&Canvas](const TZrRect &Part) { DarkenRect(Canvas.Pixels, Part); });
}

void InvertOnCanvas(TZrViewCanvas &Canvas, const TZrRect &Rect)
{
  InClip(Canvas, Rect, [&Canvas](const TZrRect &Part) { InvertRect(Canvas.Pixels, Part); });
}

void DrawFocusRect(TZrViewCanvas &Canvas, const TZrRect &Rect)
{
  QPainter *Painter = CanvasPainter(Canvas);
  if (!Painter || Rect.IsEmpty())
    return;
  Painter->save();
  // Dots that show on any colour: every other pixel of the frame inverted.
  Painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  Painter->setRenderHint(QPainter::Antialiasing, false);
  Painter->setPen(QPen(Qt::white, 1, Qt::DotLine));
  Painter->setBrush(Qt::NoBrush);
  Painter->drawRect(QRect(Rect.Left, Rect.Top, Rect.Width() - 1, Rect.Height() - 1));
  Painter->restore();
}

} // namespace facette::geometryparts

namespace facette {

TZrUpDownEdit::TZrUpDownEdit(QWidget *Parent) : QAbstractSpinBox(Parent)
{
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setAccelerated(true);
  connect(lineEdit(), &QLineEdit::textEdited, this, &TZrUpDownEdit::Edited);
}

QString TZrUpDownEdit::Text() const
{
  return lineEdit()->text();
}

void TZrUpDownEdit::SetText(const QString &Text)
{
  if (lineEdit()->text() != Text)
    lineEdit()->setText(Text);
}

void TZrUpDownEdit::stepBy(int Steps)
{
  bool Valid = false;
  const int Shown = Text().toInt(&Valid);
  const int64_t Position = static_cast<int64_t>(Valid ? Shown : Minimum) + Steps;
  emit Changing(static_cast<int>(std::clamp<int64_t>(Position, Minimum, Maximum)));
}

QAbstractSpinBox::StepEnabled TZrUpDownEdit::stepEnabled() const
{
  bool Valid = false;
  const int Shown = Text().toInt(&Valid);
  if (!Valid)
    return StepUpEnabled | StepDownEnabled;
  StepEnabled Result = StepNone;
  if (Shown < Maximum)
    Result |= StepUpEnabled;
  if (Shown > Minimum)
    Result |= StepDownEnabled;
  return Result;
}

} // namespace facette
