// The message window of demonstrations: a frameless tool-tip window in the
// shape of a speech balloon whose tip points at the pointer.
#pragma once

#include <QRect>
#include <QRegion>
#include <QWidget>

namespace facette {

class TZrBalloon : public QWidget
{
  Q_OBJECT

public:
  // The widest a line of text may be.
  static constexpr int MaxTextWidth = 350;

  explicit TZrBalloon(QWidget *Parent = nullptr);

  QRegion Region;
  QRect TextRect;
  QString Text;

  // Shows Text with the tip exactly on the screen point (X, Y). Placement
  // 1 puts the balloon below and to the right of the point (tip at its
  // upper left), 2 below and to the left, 3 above and to the right, 4
  // above and to the left; 0 chooses by the point's quarter of its screen,
  // so that the balloon opens towards the screen's middle.
  void ShowAt(int X, int Y, int Placement, const QString &Text);
  // The placement ShowAt used (1 to 4).
  int ChosenPlacement() const { return Placement; }
  // The tip in the window's own coordinates.
  QPoint Tip() const { return TipPoint; }

protected:
  void paintEvent(QPaintEvent *Event) override;

private:
  int Placement = 0;
  QPoint TipPoint;
};

} // namespace facette
