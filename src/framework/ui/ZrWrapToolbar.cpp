#include "framework/ui/ZrWrapToolbar.h"

#include <QAction>
#include <QActionEvent>
#include <QFrame>
#include <QToolButton>
#include <QWidgetAction>

namespace facette {

namespace {

const char RowBreakProperty[] = "zrRowBreak";
constexpr int SeparatorWidth = 8;

class TSeparatorLine : public QFrame
{
public:
  explicit TSeparatorLine(QWidget *Parent) : QFrame(Parent)
  {
    setFrameShape(QFrame::VLine);
    setFrameShadow(QFrame::Sunken);
  }
  QSize sizeHint() const override { return {SeparatorWidth, 8}; }
};

} // namespace

TZrWrapToolbar::TZrWrapToolbar(QWidget *Parent) : QWidget(Parent)
{
  QSizePolicy Policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  Policy.setHeightForWidth(true);
  setSizePolicy(Policy);
}

void TZrWrapToolbar::SetWrapping(bool Value)
{
  if (Wrapping_ == Value)
    return;
  Wrapping_ = Value;
  Relayout();
}

void TZrWrapToolbar::SetIconSize(QSize Size)
{
  IconSize_ = Size;
  for (QWidget *W : std::as_const(Widgets))
    if (auto *Button = qobject_cast<QToolButton *>(W))
      Button->setIconSize(Size);
  Relayout();
}

QAction *TZrWrapToolbar::AddSeparator()
{
  auto *Item = new QAction(this);
  Item->setSeparator(true);
  addAction(Item);
  return Item;
}

QAction *TZrWrapToolbar::AddRowBreak()
{
  auto *Item = new QAction(this);
  Item->setSeparator(true);
  Item->setProperty(RowBreakProperty, true);
  addAction(Item);
  return Item;
}

bool TZrWrapToolbar::IsRowBreak(const QAction *Item)
{
  return Item && Item->property(RowBreakProperty).toBool();
}

QWidget *TZrWrapToolbar::MakeWidget(QAction *Item)
{
  if (IsRowBreak(Item))
    return nullptr;
  if (Item->isSeparator())
    return new TSeparatorLine(this);
  if (auto *WidgetItem = qobject_cast<QWidgetAction *>(Item))
    if (QWidget *W = WidgetItem->requestWidget(this))
      return W;
  auto *Button = new QToolButton(this);
  Button->setAutoRaise(true);
  Button->setIconSize(IconSize_);
  Button->setFocusPolicy(Qt::NoFocus);
  Button->setDefaultAction(Item);
  return Button;
}

void TZrWrapToolbar::actionEvent(QActionEvent *Event)
{
  QAction *Item = Event->action();
  switch (Event->type()) {
  case QEvent::ActionAdded:
    if (QWidget *W = MakeWidget(Item)) {
      Widgets.insert(Item, W);
      W->setVisible(Item->isVisible());
    } else {
      Widgets.insert(Item, nullptr);
    }
    Relayout();
    break;
  case QEvent::ActionRemoved:
    if (QWidget *W = Widgets.take(Item)) {
      if (auto *WidgetItem = qobject_cast<QWidgetAction *>(Item))
        WidgetItem->releaseWidget(W);
      else
        delete W;
    }
    Relayout();
    break;
  case QEvent::ActionChanged:
    if (QWidget *W = Widgets.value(Item)) {
      // An item without picture shows its caption.
      if (auto *Button = qobject_cast<QToolButton *>(W))
        Button->setToolButtonStyle(Item->icon().isNull() ? Qt::ToolButtonTextOnly
                                                         : Qt::ToolButtonIconOnly);
      if (W->isVisibleTo(this) != Item->isVisible())
        W->setVisible(Item->isVisible());
    }
    Relayout();
    break;
  default:
    break;
  }
  QWidget::actionEvent(Event);
}

int TZrWrapToolbar::Arrange(int Width, bool Apply) const
{
  int X = 0, Y = 0, RowHeight = 0;
  auto NewRow = [&] {
    if (X == 0)
      return;
    Y += RowHeight;
    X = 0;
    RowHeight = 0;
  };
  for (QAction *Item : actions()) {
    if (!Item->isVisible())
      continue;
    if (IsRowBreak(Item)) {
      NewRow();
      continue;
    }
    QWidget *W = Widgets.value(Item);
    if (!W)
      continue;
    // A separator that would open a row is left out.
    if (Item->isSeparator() && X == 0) {
      if (Apply)
        W->setGeometry(0, 0, 0, 0);
      continue;
    }
    const QSize Size = W->sizeHint().expandedTo(W->minimumSizeHint());
    if (Wrapping_ && X > 0 && X + Size.width() > Width && !Item->isSeparator())
      NewRow();
    if (Apply) {
      if (Item->isSeparator())
        W->setGeometry(X, Y + 2, Size.width(), IconSize_.height() + 2);
      else
        W->setGeometry(X, Y, Size.width(), Size.height());
    }
    X += Size.width();
    RowHeight = std::max(RowHeight, Size.height());
  }
  return Y + RowHeight;
}

int TZrWrapToolbar::LayoutHeight(int Width) const
{
  return Arrange(Width, false);
}

QSize TZrWrapToolbar::sizeHint() const
{
  // One button per row at the least; the width is the container's.
  const QSize Button = minimumSizeHint();
  return {Button.width(),
          std::max(LayoutHeight(width() > 0 ? width() : Button.width()), Button.height())};
}

QSize TZrWrapToolbar::minimumSizeHint() const
{
  int Width = 0, Height = 0;
  for (QAction *Item : actions())
    if (QWidget *W = Widgets.value(Item); W && Item->isVisible() && !Item->isSeparator()) {
      Width = std::max(Width, W->sizeHint().width());
      Height = std::max(Height, W->sizeHint().height());
    }
  return {Width, Height};
}

void TZrWrapToolbar::resizeEvent(QResizeEvent *Event)
{
  QWidget::resizeEvent(Event);
  Arrange(width(), true);
}

void TZrWrapToolbar::Relayout()
{
  Arrange(width(), true);
  updateGeometry();
}

} // namespace facette
