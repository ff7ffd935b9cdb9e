// A toolbar that lays its buttons out in rows: when the next button does
// not fit into the width left, it starts a new row (the tool panel's
// toolbar). A row break item always starts a new row. Items are QActions
// added the usual way (addAction, insertAction, TMainForm::AddToolbarItem);
// each gets a tool button, a QWidgetAction its own widget.
#pragma once

#include <QHash>
#include <QSize>
#include <QWidget>

class QAction;

namespace facette {

class TZrWrapToolbar : public QWidget
{
  Q_OBJECT

public:
  explicit TZrWrapToolbar(QWidget *Parent = nullptr);

  // Without wrapping every item stays in one row (and what does not fit is
  // cut off).
  void SetWrapping(bool Value);
  bool Wrapping() const { return Wrapping_; }
  void SetIconSize(QSize Size);
  QSize IconSize() const { return IconSize_; }

  QAction *AddSeparator();
  // A separator that ends the row.
  QAction *AddRowBreak();
  static bool IsRowBreak(const QAction *Item);

  // The widget showing Item; nil for an item the toolbar does not hold.
  QWidget *WidgetForAction(QAction *Item) const { return Widgets.value(Item); }

  // Where each item goes for a given width: the rows' height in total.
  int LayoutHeight(int Width) const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int Width) const override { return LayoutHeight(Width); }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void actionEvent(QActionEvent *Event) override;
  void resizeEvent(QResizeEvent *Event) override;

private:
  QWidget *MakeWidget(QAction *Item);
  // Places the item widgets for Width (when Apply) and returns the height.
  int Arrange(int Width, bool Apply) const;
  void Relayout();

  bool Wrapping_ = true;
  QSize IconSize_{24, 24};
  QHash<QAction *, QWidget *> Widgets;
};

} // namespace facette
