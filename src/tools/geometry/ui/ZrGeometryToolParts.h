// What the geometry tools share on the user interface side: pictures,
// demo targets of buttons, the overlays of a selection and a number entry
// with arrows.
#pragma once

#include <QAbstractSpinBox>
#include <QPoint>
#include <QString>

class QAction;
class QIcon;
class QWidget;

namespace facette {

class TZrViewCanvas;
struct TZrRect;

namespace geometryparts {

// A picture compiled into the program; none where it is not (the widget
// tests carry no pictures).
QIcon ResourceIcon(const QString &Path);
// The screen centre of Button when the demo target Name (upper case) is
// asked for.
bool ButtonTarget(const QString &Asked, const QString &Name, QAction *Button, bool &Handled,
                  QPoint &Point);

// Overlay painting in view pixels, only where the canvas may paint: the
// four bands of the visible rectangle V outside the selection S darkened,
// a rectangle inverted, and the dotted frame of a selection.
void DarkenOutside(TZrViewCanvas &Canvas, const TZrRect &V, const TZrRect &S);
void InvertOnCanvas(TZrViewCanvas &Canvas, const TZrRect &Rect);
void DrawFocusRect(TZrViewCanvas &Canvas, const TZrRect &Rect);

} // namespace geometryparts

// A number entry with up and down arrows: the text may be typed freely
// (Edited reports every change the user makes), the arrows step the number
// it shows within [Minimum, Maximum] and report the new position (Changing)
// without setting it: the owner decides what the entry shows.
class TZrUpDownEdit : public QAbstractSpinBox
{
  Q_OBJECT

public:
  explicit TZrUpDownEdit(QWidget *Parent = nullptr);

  int Minimum = 1;
  int Maximum = 32767;

  // The text box, for typing into it.
  using QAbstractSpinBox::lineEdit;

  QString Text() const;
  // Shows Text unless it shows it already (the caret stays where it is).
  void SetText(const QString &Text);
  void stepBy(int Steps) override;

signals:
  void Edited(const QString &Text);
  void Changing(int Position);

protected:
  StepEnabled stepEnabled() const override;
};

} // namespace facette
