#include "framework/ui/ZrWrapToolbar.h"

#include <QAction>
#include <QToolButton>

#include <gtest/gtest.h>

namespace facette {
namespace {

class WrapToolbarTest : public testing::Test
{
protected:
  void SetUp() override
  {
    QPixmap Picture(24, 24);
    Picture.fill(Qt::red);
    Icon = QIcon(Picture);
    // Layout follows resize events, which a hidden widget does not get.
    Toolbar.show();
  }
  QAction *Button()
  {
    auto *Item = new QAction(Icon, QStringLiteral("Tool"), &Toolbar);
    Toolbar.addAction(Item);
    return Item;
  }
  QRect Place(QAction *Item) const { return Toolbar.WidgetForAction(Item)->geometry(); }

  QIcon Icon;
  TZrWrapToolbar Toolbar;
};

TEST_F(WrapToolbarTest, ButtonsWrapIntoRowsAndRowBreaksStartANewOne)
{
  QAction *A = Button();
  QAction *B = Button();
  QAction *C = Button();
  Toolbar.AddRowBreak();
  QAction *D = Button();
  const QSize Size = Toolbar.WidgetForAction(A)->sizeHint();

  // Room for two buttons per row: A B / C / D.
  Toolbar.resize(2 * Size.width() + Size.width() / 2, 100);
  EXPECT_EQ(Place(A).topLeft(), QPoint(0, 0));
  EXPECT_EQ(Place(B).topLeft(), QPoint(Size.width(), 0));
  EXPECT_EQ(Place(C).topLeft(), QPoint(0, Size.height()));
  EXPECT_EQ(Place(D).topLeft(), QPoint(0, 2 * Size.height()));
  EXPECT_EQ(Toolbar.heightForWidth(Toolbar.width()), 3 * Size.height());

  // Wide enough for all: the break still ends the first row.
  Toolbar.resize(10 * Size.width(), 100);
  EXPECT_EQ(Place(C).topLeft(), QPoint(2 * Size.width(), 0));
  EXPECT_EQ(Place(D).topLeft(), QPoint(0, Size.height()));

  // Hidden buttons take no room.
  B->setVisible(false);
  EXPECT_EQ(Place(C).topLeft(), QPoint(Size.width(), 0));
  EXPECT_FALSE(Toolbar.WidgetForAction(B)->isVisibleTo(&Toolbar));

  // Without wrapping, one row until the break.
  B->setVisible(true);
  Toolbar.SetWrapping(false);
  Toolbar.resize(Size.width(), 100);
  EXPECT_EQ(Place(C).topLeft(), QPoint(2 * Size.width(), 0));
  EXPECT_EQ(Place(D).topLeft(), QPoint(0, Size.height()));
}

TEST_F(WrapToolbarTest, ASeparatorNeverOpensARowAndButtonsFollowTheirActions)
{
  QAction *A = Button();
  Toolbar.AddSeparator();
  QAction *B = Button();
  const QSize Size = Toolbar.WidgetForAction(A)->sizeHint();
  // Only A fits: the separator stays at the end of the first row and B
  // starts the second one at the left edge.
  Toolbar.resize(Size.width() + 2, 100);
  EXPECT_EQ(Place(B).topLeft(), QPoint(0, Size.height()));

  // The button is the action's: checking and clicking go through it.
  B->setCheckable(true);
  auto *Widget = qobject_cast<QToolButton *>(Toolbar.WidgetForAction(B));
  ASSERT_NE(Widget, nullptr);
  int Clicks = 0;
  QObject::connect(B, &QAction::triggered, [&] { ++Clicks; });
  Widget->click();
  EXPECT_EQ(Clicks, 1);
  EXPECT_TRUE(B->isChecked());

  // Removing the action removes its button.
  Toolbar.removeAction(B);
  EXPECT_EQ(Toolbar.WidgetForAction(B), nullptr);
}

} // namespace
} // namespace facette
