#include "editor/ui/EditorTestSupport.h"

#include "editor/ui/ZrOriginalImageTool.h"
#include "editor/ui/ZrScrollTool.h"

#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace facette {
namespace {

using namespace test;

class HandAndOriginalToolsTest : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    CreateTool(Brush, "Brush");
    App.CreateModule(Original);
  }
  // Opens an image of that size in a view of that size at 100%, with the
  // brush current and the keyboard on the view.
  void OpenAtActualSize(int ImageWidth, int ImageHeight, int ViewWidth, int ViewHeight)
  {
    ShowWithViewSize(ViewWidth, ViewHeight);
    ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("photo.png"), ImageWidth, ImageHeight)));
    Editor->ActualSize();
    Editor->SelectTool(Brush);
    View()->setFocus();
    QApplication::processEvents();
  }
  TZrPoint Origin() const
  {
    return TZrPoint{View()->MapMode().ViewportOrgX, View()->MapMode().ViewportOrgY};
  }
  // The colour the view shows at an image point.
  QRgb Shown(int32_t X, int32_t Y) const
  {
    const QImage Picture = View()->grab().toImage();
    const TZrPoint P = View()->MapMode().LogicalToDevice(TZrPoint{X, Y});
    return Picture.pixel(P.X, P.Y);
  }
  void Drag(QPoint From, QPoint To)
  {
    QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, From);
    QTest::mouseMove(View(), (From + To) / 2);
    QTest::mouseMove(View(), To);
    QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, To);
  }

  TJournalTool *Brush = nullptr;
  TZrOriginalImageTool *Original = nullptr;
};

TEST_F(HandAndOriginalToolsTest, HoldingSpaceDragsTheImageWithinItsEdges)
{
  OpenAtActualSize(1000, 800, 400, 300);
  const TZrPoint Start = Origin();
  ASSERT_LT(Start.X, 0);
  ASSERT_LT(Start.Y, 0);

  QTest::keyPress(View(), Qt::Key_Space);
  auto *Hand = dynamic_cast<TZrScrollTool *>(Editor->CurrentTool());
  ASSERT_NE(Hand, nullptr);
  QTest::mouseMove(View(), QPoint(200, 150));
  EXPECT_EQ(View()->cursor().shape(), Qt::OpenHandCursor);
  // Held down, the key repeats; nothing changes.
  QTest::keyPress(View(), Qt::Key_Space, Qt::NoModifier);
  EXPECT_EQ(Editor->CurrentTool(), Hand);

  // The image follows the pointer, also while the held key repeats (some
  // window systems send a release before each repeated press).
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
  QTest::mouseMove(View(), QPoint(210, 160));
  QKeyEvent RepeatUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
  QKeyEvent RepeatDown(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
  QApplication::sendEvent(View(), &RepeatUp);
  QApplication::sendEvent(View(), &RepeatDown);
  EXPECT_EQ(Editor->CurrentTool(), Hand);
  QTest::mouseMove(View(), QPoint(230, 170));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, QPoint(230, 170));
  EXPECT_EQ(Origin(), (TZrPoint{Start.X + 30, Start.Y + 20}));

  // Never past the edges, however far the pointer goes.
  Drag(QPoint(10, 10), QPoint(390, 290));
  Drag(QPoint(10, 10), QPoint(390, 290));
  Drag(QPoint(10, 10), QPoint(390, 290));
  EXPECT_EQ(Origin(), (TZrPoint{0, 0}));
  for (int I = 0; I < 5; ++I)
    Drag(QPoint(390, 290), QPoint(10, 10));
  const QRect Client = View()->ClientRect();
  EXPECT_EQ(Origin(), (TZrPoint{Client.width() - 1000, Client.height() - 800}));
  // The scroll bars follow.
  EXPECT_EQ(View()->HorzScrollBar()->value(), 1000 - Client.width());

  // Letting go of the space bar brings the brush back, its control active.
  QTest::keyRelease(View(), Qt::Key_Space);
  EXPECT_EQ(Editor->CurrentTool(), Brush);
  EXPECT_TRUE(Brush->GetControl(0)->Active);
  // Without the space bar a drag is the brush's.
  const TZrPoint Before = Origin();
  Drag(QPoint(100, 100), QPoint(150, 150));
  EXPECT_EQ(Origin(), Before);
}

TEST_F(HandAndOriginalToolsTest, AnAxisWhereTheImageFitsDoesNotScroll)
{
  OpenAtActualSize(1000, 100, 400, 300);
  const TZrPoint Start = Origin();
  QTest::keyPress(View(), Qt::Key_Space);
  Drag(QPoint(100, 100), QPoint(150, 200));
  EXPECT_EQ(Origin(), (TZrPoint{Start.X + 50, Start.Y}));
  QTest::keyRelease(View(), Qt::Key_Space);
}

TEST_F(HandAndOriginalToolsTest, EqualsAndMinusZoomWithAnyTool)
{
  OpenAtActualSize(200, 100, 400, 300);
  QTest::keyClick(View(), Qt::Key_Equal);
  EXPECT_EQ(View()->GetZoom(), std::make_pair(3, 2));
  QTest::keyClick(View(), Qt::Key_Minus);
  QTest::keyClick(View(), Qt::Key_Minus);
  EXPECT_EQ(View()->GetZoom(), std::make_pair(3, 4));
  EXPECT_EQ(Editor->CurrentTool(), Brush);
}

TEST_F(HandAndOriginalToolsTest, HoldingOShowsTheOriginalWithoutAnUndoState)
{
  OpenAtActualSize(40, 30, 400, 300);
  // Retouched: the left half is now white, and a crop is pending.
  Brush->BeginEdit(*View());
  Brush->PaintRect(MakeRect(0, 0, 20, 30), 255, true);
  Brush->EndEdit();
  Doc()->SetCropRect(MakeRect(0, 0, 10, 30));
  ASSERT_EQ(qRed(Shown(5, 5)), 255);
  ASSERT_EQ(qRed(Shown(30, 5)), 0x40); // background outside the crop
  const int States = Doc()->History.Count();

  QTest::keyPress(View(), Qt::Key_O);
  EXPECT_EQ(Editor->CurrentTool(), Original);
  EXPECT_TRUE(Original->IsActive());
  // The original, whole: the crop is out of sight.
  EXPECT_EQ(qRed(Shown(5, 5)), 40);
  EXPECT_EQ(qRed(Shown(30, 5)), 200);

  QTest::keyRelease(View(), Qt::Key_O);
  EXPECT_EQ(Editor->CurrentTool(), Brush);
  EXPECT_EQ(qRed(Shown(5, 5)), 255);
  EXPECT_EQ(qRed(Shown(30, 5)), 0x40);
  EXPECT_EQ(Doc()->History.Count(), States);
  EXPECT_TRUE(View()->DocumentView->IsVisible());
}

TEST_F(HandAndOriginalToolsTest, TheButtonShowsTheOriginalWhileItIsHeld)
{
  OpenAtActualSize(40, 30, 400, 300);
  Brush->BeginEdit(*View());
  Brush->PaintRect(MakeRect(0, 0, 20, 30), 255, true);
  Brush->EndEdit();
  Original->Initialize();
  Original->UpdateControls();
  ASSERT_TRUE(Original->OriginalImageToolButton->isEnabled());
  EXPECT_EQ(Original->OriginalImageToolButton->text(), QStringLiteral("Original"));
  // The last button of the standard toolbar, a text button.
  EXPECT_EQ(Editor->StandardToolbar->actions().back(), Original->OriginalImageToolButton);
  auto *Button = qobject_cast<QToolButton *>(
      Editor->StandardToolbar->widgetForAction(Original->OriginalImageToolButton));
  ASSERT_NE(Button, nullptr);
  EXPECT_EQ(Button->toolButtonStyle(), Qt::ToolButtonTextOnly);

  QTest::mousePress(Button, Qt::LeftButton);
  EXPECT_TRUE(Original->IsActive());
  EXPECT_EQ(qRed(Shown(5, 5)), 40);
  Original->UpdateControls();
  EXPECT_TRUE(Original->OriginalImageToolButton->isChecked());
  QTest::mouseRelease(Button, Qt::LeftButton);
  EXPECT_FALSE(Original->IsActive());
  EXPECT_EQ(Editor->CurrentTool(), Brush);
  EXPECT_EQ(qRed(Shown(5, 5)), 255);
  Original->UpdateControls();
  EXPECT_FALSE(Original->OriginalImageToolButton->isChecked());
}

} // namespace
} // namespace facette
