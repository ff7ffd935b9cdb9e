#include "editor/GraphicsTestSupport.h"
#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrVirtualKeys.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include <string>
#include <vector>

namespace facette {
namespace {

using namespace test;

class TRecordingPlayback : public IZrDemoPlayback
{
public:
  QStringList Lines;
  bool Messages = true;
  bool IsRecording() const override { return true; }
  void RecordLine(const QString &Line) override { Lines << Line; }
  bool RecordMessages() const override { return Messages; }
  void Suspend() override {}
  void Resume() override {}
};

// The graphics editor as far as the document and its view need one.
class TViewHost : public TFakeHost, public IZrGraphicsViewHost
{
public:
  struct TStatus
  {
    int32_t X, Y, R, G, B;
  };
  std::vector<TStatus> Status;
  TRecordingPlayback *Playback = nullptr;

  std::unique_ptr<IZrGraphicsViewLink> CreateGraphicsView(TZrGraphicsDocument &Doc) override
  {
    return facette::CreateGraphicsView(Doc, this);
  }
  void ShowPointerStatus(int32_t X, int32_t Y, int32_t R, int32_t G, int32_t B) override
  {
    Status.push_back({X, Y, R, G, B});
  }
  IZrDemoPlayback *RecordingPlayback() override { return Playback; }
  QString DemoClickCaption() override { return QStringLiteral("Press here"); }
};

// A tool control: takes input when told to and writes down what reached it.
class TToolControl : public TZrViewObject, public IZrViewInput
{
public:
  TToolControl(std::string Name, std::vector<std::string> &Journal)
      : Name(std::move(Name)), Journal(Journal)
  {
    Flags = vfOverlay | vfNoExtent;
  }
  bool Handles = true;
  int32_t Cursor = crDefault;

  IZrViewInput *Input() override { return this; }
  bool GetCursor(TZrShiftState, TZrPoint, int32_t &Chosen) override
  {
    if (Cursor == crDefault)
      return false;
    Chosen = Cursor;
    return true;
  }
  void MouseEnter() override { Journal.push_back(Name + ".Enter"); }
  void MouseLeave() override { Journal.push_back(Name + ".Leave"); }
  bool MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint P) override
  {
    Journal.push_back(Name + ".Down" + std::to_string(Button) + (Shift & ssLeft ? "L" : "") + " " +
                      std::to_string(P.X) + "," + std::to_string(P.Y));
    return Handles;
  }
  bool MouseUp(int32_t Button, TZrShiftState, TZrPoint) override
  {
    Journal.push_back(Name + ".Up" + std::to_string(Button));
    return Handles;
  }
  bool MouseWheel(TZrShiftState, int32_t Direction, TZrPoint) override
  {
    Journal.push_back(Name + ".Wheel" + std::to_string(Direction));
    return Handles;
  }
  bool KeyDown(int32_t Key, TZrShiftState) override
  {
    Journal.push_back(Name + ".Key" + std::to_string(Key));
    return Handles;
  }

private:
  std::string Name;
  std::vector<std::string> &Journal;
};

class GraphicsView : public ::testing::Test
{
protected:
  TFakeEditor Editor;
  TViewHost Host;
  TZrGraphicsDocument Doc{Editor, &Host};
  TZrGraphicsView *View = nullptr;
  std::vector<std::string> Journal;

  // Opens a coded image of that size in a view of that size.
  void Open(int32_t ImageWidth, int32_t ImageHeight, int ViewWidth = 400, int ViewHeight = 300)
  {
    ASSERT_TRUE(LoadCoded(Doc, ImageWidth, ImageHeight));
    View = static_cast<TZrGraphicsView *>(Doc.GetView());
    ASSERT_NE(View, nullptr);
    View->resize(ViewWidth, ViewHeight);
    View->DocumentView->SetVisible(true);
    View->UpdateScrollRange();
    View->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(View));
  }

  TToolControl *AddControl(const char *Name)
  {
    return static_cast<TToolControl *>(
        View->Objects.Add(std::make_unique<TToolControl>(Name, Journal)));
  }

  TZrPoint Origin() const
  {
    return TZrPoint{View->MapMode().ViewportOrgX, View->MapMode().ViewportOrgY};
  }

  QRgb ShownAt(int X, int Y) const { return View->grab().toImage().pixel(X, Y); }
};

TEST_F(GraphicsView, SmallImageIsCentredAndZoomingInKeepsTheMiddle)
{
  Open(100, 80);
  EXPECT_EQ(Origin(), (TZrPoint{150, 110}));
  EXPECT_FALSE(View->HorzScrollBar()->isVisible());
  EXPECT_FALSE(View->VertScrollBar()->isVisible());

  View->SetZoom(8, 1);
  EXPECT_EQ(View->GetZoom(), (std::pair<int32_t, int32_t>{8, 1}));
  EXPECT_TRUE(View->HorzScrollBar()->isVisible());
  EXPECT_TRUE(View->VertScrollBar()->isVisible());
  const QRect Client = View->ClientRect();
  const TZrPoint Middle =
      View->MapMode().DeviceToLogical(TZrPoint{Client.width() / 2, Client.height() / 2});
  EXPECT_EQ(Middle, (TZrPoint{50, 40}));
  EXPECT_EQ(View->HorzScrollBar()->value(), -Origin().X);
  EXPECT_EQ(View->CompareZoom(3, 1), -1);
  EXPECT_EQ(View->CompareZoom(16, 2), 0);

  // Back below the window size: centred again, bars gone.
  View->SetZoom(1, 2);
  EXPECT_FALSE(View->HorzScrollBar()->isVisible());
  EXPECT_EQ(Origin(), (TZrPoint{175, 130}));
}

TEST_F(GraphicsView, ScrollingStopsAtTheEndOfTheImage)
{
  Open(1000, 120);
  QScrollBar *Bar = View->HorzScrollBar();
  ASSERT_TRUE(Bar->isVisible());
  ASSERT_FALSE(View->VertScrollBar()->isVisible());
  const int32_t Last = 1000 - View->ClientWidth();
  EXPECT_EQ(Bar->maximum(), Last);

  Bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(Origin().X, -10);
  Bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(Origin().X, -10 - MulDiv(View->ClientWidth(), 3, 4));
  Bar->setSliderPosition(5000); // dragged far past the end
  EXPECT_EQ(Origin().X, -Last);
  // The image's right edge is at the window's.
  EXPECT_EQ(View->MapMode().LogicalToDeviceX(1000), View->ClientWidth());

  // The hand tool's clamping: never past either end.
  int32_t DX = -50, DY = 40;
  View->ClampScrollDelta(DX, DY);
  EXPECT_EQ(DX, 0);
  EXPECT_EQ(DY, 0); // the image fits vertically
  DX = 5000;
  View->ClampScrollDelta(DX, DY);
  EXPECT_EQ(DX, Last);
  View->ScrollAndUpdate(DX, 0);
  EXPECT_EQ(Origin().X, 0);
  EXPECT_EQ(Bar->value(), 0);
}

TEST_F(GraphicsView, OutsideACropRectangleTheBackgroundShows)
{
  Open(100, 80);
  Doc.SetCropRect(MakeRect(10, 10, 50, 50));
  const TZrPoint O = Origin();
  const QRgb Background = qRgb(0x40, 0x40, 0x40);
  EXPECT_EQ(ShownAt(O.X + 5, O.Y + 5), Background);
  EXPECT_EQ(ShownAt(O.X + 70, O.Y + 30), Background);
  const uint8_t *P = Doc.ImagePixels()->PixelPtr(20, 30);
  EXPECT_EQ(ShownAt(O.X + 20, O.Y + 30), qRgb(P[2], P[1], P[0]));
  EXPECT_EQ(ShownAt(2, 2), Background);
}

TEST_F(GraphicsView, InputGoesToTheTopmostToolControlThatTakesIt)
{
  Open(100, 80);
  TToolControl *Lower = AddControl("Lower");
  View->Objects.Add(std::make_unique<TZrViewObject>()); // takes no input
  TToolControl *Upper = AddControl("Upper");
  QTest::mousePress(View, Qt::LeftButton, Qt::NoModifier, QPoint(160, 120));
  QTest::mouseRelease(View, Qt::LeftButton, Qt::NoModifier, QPoint(160, 120));
  QTest::keyClick(View, Qt::Key_O);
  EXPECT_EQ(Journal, (std::vector<std::string>{"Upper.Enter", "Lower.Enter", "Upper.Down0L 160,120",
                                               "Upper.Up0", "Upper.Key79"}));

  Journal.clear();
  Upper->Handles = false;
  QTest::mousePress(View, Qt::RightButton, Qt::NoModifier, QPoint(10, 20));
  EXPECT_EQ(Journal, (std::vector<std::string>{"Upper.Down1 10,20", "Lower.Down1 10,20"}));

  Journal.clear();
  Lower->Handles = false;
  QWheelEvent Wheel(QPointF(50, 50), View->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(View, &Wheel);
  EXPECT_EQ(Journal, (std::vector<std::string>{"Upper.Wheel-1", "Lower.Wheel-1"}));

  Journal.clear();
  QEvent Leave(QEvent::Leave);
  QApplication::sendEvent(View, &Leave);
  EXPECT_EQ(Journal, (std::vector<std::string>{"Upper.Leave", "Lower.Leave"}));
  EXPECT_FALSE(View->MouseInside);
}

TEST_F(GraphicsView, TheFirstToolControlWithACursorChoosesIt)
{
  Open(100, 80);
  TToolControl *Lower = AddControl("Lower");
  TToolControl *Upper = AddControl("Upper");
  Lower->Cursor = crCross;
  QTest::mouseMove(View, QPoint(100, 100));
  EXPECT_EQ(View->cursor().shape(), Qt::CrossCursor);
  Upper->Cursor = crHandPoint;
  QTest::mouseMove(View, QPoint(101, 100));
  EXPECT_EQ(View->cursor().shape(), Qt::PointingHandCursor);
  Upper->Cursor = Lower->Cursor = crDefault;
  QTest::mouseMove(View, QPoint(102, 100));
  EXPECT_EQ(View->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(GraphicsView, StatusShowsThePointAlsoLeftOfTheImage)
{
  Open(100, 80);
  const TZrPoint O = Origin();
  QTest::mouseMove(View, QPoint(O.X - 5, O.Y + 7));
  ASSERT_FALSE(Host.Status.empty());
  const auto Outside = Host.Status.back();
  EXPECT_EQ(Outside.X, -5);
  EXPECT_EQ(Outside.Y, 7);
  // No colour there.
  EXPECT_EQ(Outside.R, -1);
  EXPECT_EQ(Outside.G, -1);
  EXPECT_EQ(Outside.B, -1);

  QTest::mouseMove(View, QPoint(O.X + 12, O.Y + 34));
  const auto Inside = Host.Status.back();
  EXPECT_EQ(Inside.X, 12);
  EXPECT_EQ(Inside.Y, 34);
  EXPECT_EQ(Inside.R, Code(12, 34, 2));
  EXPECT_EQ(Inside.G, Code(12, 34, 1));
  EXPECT_EQ(Inside.B, Code(12, 34, 0));
}

TEST_F(GraphicsView, MouseActionsAreRecordedInImageCoordinates)
{
  Open(100, 80);
  View->SetZoom(2, 1);
  TRecordingPlayback Playback;
  Host.Playback = &Playback;
  const TZrPoint O = Origin();
  auto At = [&](int X, int Y) { return QPoint(O.X + 2 * X, O.Y + 2 * Y); };
  QTest::mousePress(View, Qt::LeftButton, Qt::NoModifier, At(10, 20));
  QTest::mouseMove(View, At(10, 20) + QPoint(1, 1)); // the same image pixel
  QTest::mouseMove(View, At(15, 22));
  QTest::mouseRelease(View, Qt::LeftButton, Qt::NoModifier, At(15, 22));
  Playback.Messages = false;
  QTest::mousePress(View, Qt::RightButton, Qt::NoModifier, At(3, 4));
  QTest::mouseRelease(View, Qt::RightButton, Qt::NoModifier, At(3, 4));
  const QStringList Expected = {
      "MouseCurvedMove Image, 10, 20", "Message \"Press here\"",
      "MouseDown Image, 10, 20",       "MouseTo Image, 15, 22",
      "MouseUp Image, 15, 22",         "Pause 0.5",
      "MouseCurvedMove Image, 3, 4",   "MouseRightDown Image, 3, 4",
      "MouseRightUp Image, 3, 4",      "Pause 0.5",
  };
  EXPECT_EQ(Playback.Lines, Expected);
}

// After a change of zoom the view shows the photo at once as a draft and
// the event loop refines it to the picture a final paint makes; a picture
// taken of the window asks for the final pixels straight away.
TEST_F(GraphicsView, AZoomChangeShowsADraftAndRefinesItToTheFinalPicture)
{
  Open(3000, 2000);
  View->SetZoom(1, 8);
  View->FinishDrafts();
  EXPECT_FALSE(View->DocumentView->HasDrafts());
  const QImage Final = View->grab().toImage();
  EXPECT_FALSE(View->DocumentView->ImagePainter().PaintedDraft());

  // Each zoom is painted, so each starts a new reduced copy.
  View->SetZoom(1, 7);
  View->grab();
  View->SetZoom(1, 8);
  const QImage Draft = View->grab().toImage();
  EXPECT_TRUE(View->DocumentView->ImagePainter().PaintedDraft());
  ASSERT_TRUE(View->DocumentView->HasDrafts());
  EXPECT_NE(Draft, Final);
  EXPECT_TRUE(QTest::qWaitFor([this] { return !View->DocumentView->HasDrafts(); }, 10000));
  EXPECT_EQ(View->grab().toImage(), Final);

  View->SetZoom(1, 6);
  View->grab();
  ASSERT_TRUE(View->DocumentView->HasDrafts());
  View->SetZoom(1, 8);
  View->FinishDrafts();
  EXPECT_FALSE(View->DocumentView->HasDrafts());
  EXPECT_EQ(View->grab().toImage(), Final);
}

// A photo just opened is shown before its backup is made; the backup
// follows from the event loop once the photo is shown in full.
TEST_F(GraphicsView, ThePhotoIsShownBeforeItsBackupIsMade)
{
  ASSERT_TRUE(LoadCoded(Doc, 300, 200));
  EXPECT_TRUE(Doc.BackupAwaited());
  Open(300, 200);
  EXPECT_TRUE(QTest::qWaitFor([this] { return !Doc.BackupAwaited(); }, 10000));
  const TZrPixelBuffer &Backup = Doc.Backup();
  ASSERT_NE(Backup.Bits, nullptr);
  EXPECT_TRUE(SameImage(Backup, *Doc.ImagePixels()));
}

TEST_F(GraphicsView, ClosingTheDocumentTakesItsViewAlong)
{
  auto Other = std::make_unique<TZrGraphicsDocument>(Editor, &Host);
  ASSERT_TRUE(LoadCoded(*Other, 10, 10));
  QPointer<QWidget> Window = Other->GetView();
  ASSERT_FALSE(Window.isNull());
  Other.reset();
  EXPECT_TRUE(Window.isNull());

  // The other way round: a window destroyed first leaves the document a
  // link to nothing, which it may still use.
  Open(20, 20);
  delete View;
  Doc.AddChangedRect(MakeRect(0, 0, 5, 5), true);
  ASSERT_TRUE(Doc.RotateLeft());
}

TEST(VirtualKeys, KeysTheToolsCompareAgainst)
{
  EXPECT_EQ(VirtualKey(Qt::Key_O, Qt::NoModifier), 79);
  EXPECT_EQ(VirtualKey(Qt::Key_Space, Qt::NoModifier), 32);
  EXPECT_EQ(VirtualKey(Qt::Key_Equal, Qt::NoModifier), 187);
  EXPECT_EQ(VirtualKey(Qt::Key_Minus, Qt::NoModifier), 189);
  EXPECT_EQ(VirtualKey(Qt::Key_Minus, Qt::KeypadModifier), 109);
  EXPECT_EQ(VirtualKey(Qt::Key_Escape, Qt::NoModifier), 27);
  EXPECT_EQ(VirtualKey(Qt::Key_Left, Qt::NoModifier), 37);
  EXPECT_EQ(VirtualKey(Qt::Key_7, Qt::KeypadModifier), 103);
}

} // namespace
} // namespace facette
