#include "document/ui/ZrMessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace facette {
namespace {

TEST(MessageBox, GeometryFollowsButtonsTextAndIcon)
{
  struct Case
  {
    int LastButton;
    QString Text;
    TZrMessageIcon Icon;
    int MinWidth;
  } Cases[] = {
      {2, QStringLiteral("Short"), {}, 3 * 188 - 8 + 32},
      {0, QStringLiteral("Short"), {}, 180 + 32},
      {1, QStringLiteral("Short"), {32514, {}}, 32 + 2 * 188 - 8 + 48},
  };
  for (const Case &C : Cases) {
    TZrMessageBox Box(QStringLiteral("Caption"), C.Text,
                      {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, C.LastButton,
                      {}, false, C.Icon);
    EXPECT_GE(Box.width(), C.MinWidth) << C.LastButton;
    ASSERT_EQ(Box.ButtonWidgets.size(), C.LastButton + 1);
    // Equal buttons 8 apart, centred, 34 pixels above the bottom.
    const QRect First = Box.ButtonWidgets.first()->geometry();
    const QRect Last = Box.ButtonWidgets.last()->geometry();
    EXPECT_EQ(First.size(), QSize(180, 24));
    EXPECT_EQ(Last.left() - First.left(), C.LastButton * 188);
    EXPECT_LE(std::abs(First.left() - (Box.width() - Last.right() - 1)), 1);
    EXPECT_EQ(First.top(), Box.height() - 34);
  }
}

TEST(MessageBox, LongTextWrapsAtSixHundredTwentyPixels)
{
  const QString Long = QStringLiteral("word ").repeated(200);
  TZrMessageBox Box(QStringLiteral("Caption"), Long, {QStringLiteral("OK")}, 0, {}, false, {});
  EXPECT_LE(Box.TextWidth, TZrMessageBox::WrapWidth);
  EXPECT_GT(Box.TextHeight, 3 * QFontMetrics(Box.font()).height());
  EXPECT_EQ(Box.height(), Box.TextHeight + 66);
}

TEST(MessageBox, ResultIsTheButtonIndexAndCheckBoxStateComesBack)
{
  struct Case
  {
    int Press; // -1 closes the box
    int Result;
  } Cases[] = {{0, 0}, {2, 2}, {-1, 1}};
  for (const Case &C : Cases) {
    bool Checked = false;
    QTimer::singleShot(0, [&] {
      auto *Box = qobject_cast<TZrMessageBox *>(QApplication::activeModalWidget());
      ASSERT_NE(Box, nullptr);
      Box->CheckBox->setChecked(true);
      if (C.Press < 0)
        Box->reject();
      else
        static_cast<QPushButton *>(Box->ButtonWidgets[C.Press])->click();
    });
    const int Result =
        ShowMessageBox(QStringLiteral("Caption"), QStringLiteral("Text"),
                       {QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Cancel")},
                       &Checked, QStringLiteral("Do not ask again"), {}, 2);
    EXPECT_EQ(Result, C.Result) << C.Press;
    EXPECT_TRUE(Checked);
  }
}

} // namespace
} // namespace facette
