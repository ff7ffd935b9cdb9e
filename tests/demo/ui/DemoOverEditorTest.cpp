// Demonstrations played over a real editor window with the smudge and undo
// brushes, through the synthetic pointer (offscreen platform).
#include "editor/ui/EditorTestSupport.h"

#include "editor/GraphicsTestSupport.h"

#include "demo/ui/ZrDemoPlayback.h"
#include "demo/ui/ZrDemoRecorder.h"
#include "editor/ui/ZrToolPanel.h"
#include "tools/brush/ui/ZrSmudgeTool.h"
#include "tools/brush/ui/ZrUndoBrushTool.h"

#include <QTest>

namespace facette {
namespace {

using namespace test;

class DemoOverEditorTest : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    App.CreateModule(Panel);
    Panel->Initialize();
    App.CreateModule(Smudge);
    App.CreateModule(Undo);
    Smudge->Initialize();
    Undo->Initialize();
    Playback.UseRegistry(Registry);
    Playback.SpeedFactor = 0;
    Playback.OnError = [this](TZrDemoPlayback *, const QString &Message, bool &, const QString &) {
      Errors << Message;
    };
    // Wide enough for every button of the standard toolbar.
    ShowWithViewSize(560, 300);
    ASSERT_TRUE(Open(WritePattern(Folder, 120, 90)));
    Editor->ActualSize();
    QApplication::processEvents();
  }
  void TearDown() override
  {
    Playback.SetScript(TZrDemoScript());
    GraphicsEditorFixture::TearDown();
  }

  void Start(const std::vector<std::string> &Lines)
  {
    std::vector<std::string> File = {"[Script]"};
    File.insert(File.end(), Lines.begin(), Lines.end());
    TZrDemoScript Script;
    Script.LoadFromStrings(File);
    Playback.SetScript(Script);
    ASSERT_TRUE(Playback.Play());
  }
  // Plays the lines to their end (or ten seconds).
  bool PlayLines(const std::vector<std::string> &Lines)
  {
    Start(Lines);
    return QTest::qWaitFor([this] { return !Playback.IsPlaying(); }, 10000);
  }
  TZrPixels &Image() const { return *Doc()->ImagePixels(); }

  // The registry of this test: made before the editor, which hands it its
  // stop handler.
  TZrDemoRegistry Registry;
  TZrToolPanelModule *Panel = nullptr;
  TZrSmudgeTool *Smudge = nullptr;
  TZrUndoBrushTool *Undo = nullptr;
  TZrDemoPlayback Playback;
  QStringList Errors;
};

TEST_F(DemoOverEditorTest, AClickOnANamedButtonRunsItsCommand)
{
  ASSERT_NE(Editor->CurrentTool(), Smudge);
  ASSERT_TRUE(PlayLines({"MouseClick Smudge"}));
  EXPECT_EQ(Editor->CurrentTool(), Smudge);
  const auto Before = Zoom();
  ASSERT_TRUE(PlayLines({"MouseClick ZoomIn", "MouseClick UndoBrush"}));
  EXPECT_NE(Zoom(), Before);
  EXPECT_EQ(Editor->CurrentTool(), Undo);
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();

  // A button beyond the end of a narrow toolbar is found but has no point.
  Main->resize(200, Main->height());
  QApplication::processEvents();
  QPoint Point(-1, -1);
  EXPECT_TRUE(TZrDemoRegistry::TargetPoint(Editor->ZoomInButton, Point));
  EXPECT_EQ(Point, QPoint(-1, -1));
}

TEST_F(DemoOverEditorTest, ADragOverTheImageIsOneStroke)
{
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  ASSERT_TRUE(
      PlayLines({"Smudge", "SmudgeSize 12", "MouseTo Image, 30, 40", "MouseDrag Image, 70, 60"}));
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 1);
  EXPECT_FALSE(SameImage(Image(), Before));
  // Only around the path: the far corner is as it was.
  EXPECT_EQ(std::memcmp(Image().PixelPtr(110, 5), Before.PixelPtr(110, 5), 3), 0);
  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Before));
}

TEST_F(DemoOverEditorTest, TheStopKeyEndsTheDemoAndLetsTheButtonGo)
{
  Playback.SpeedFactor = 1;
  Start({"Smudge", "MouseTo Image, 30, 40", "MouseDown", "MouseMove Image, 80, 40", "Pause 30"});
  ASSERT_TRUE(QTest::qWaitFor(
      [this] { return dynamic_cast<TZrDemoScriptPauseAction *>(Playback.CurrentAction.get()); },
      10000));
  ASSERT_TRUE(Doc()->Editing());
  ASSERT_TRUE(Playback.ButtonHeld);
  ASSERT_EQ(QGuiApplication::mouseButtons(), Qt::LeftButton);

  QTest::keyClick(Main, Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !Playback.IsPlaying(); }, 2000));
  EXPECT_FALSE(Playback.ButtonHeld);
  EXPECT_EQ(QGuiApplication::mouseButtons(), Qt::NoButton);
  // The stroke so far is kept as one undo step.
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 1);
  EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(DemoOverEditorTest, AnImageThatDoesNotOpenIsReportedByThePlayback)
{
  ASSERT_TRUE(PlayLines({"ImageOpen \"no such picture.png\"", "ZoomIn"}));
  EXPECT_EQ(Errors, QStringList{QStringLiteral("Cannot open the file.")});
  // Not the editor's own message box.
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psStopping);
}

TEST_F(DemoOverEditorTest, ARecordedStrokePlaysBackToTheSamePixels)
{
  Editor->SelectTool(Smudge);
  TZrPixelBuffer Before, Stroked;
  CopyPixels(Image(), Before);

  TZrDemoRecorder Recorder(Playback);
  ASSERT_TRUE(Recorder.Start());
  const auto At = [this](int X, int Y) {
    const TZrPoint P = View()->MapMode().LogicalToDevice(TZrPoint{X, Y});
    return QPoint(P.X, P.Y);
  };
  QTest::mouseMove(View(), At(20, 30));
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(20, 30));
  for (int X = 24; X <= 60; X += 4)
    QTest::mouseMove(View(), At(X, 30 + X / 4));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(60, 45));
  Recorder.Stop();
  CopyPixels(Image(), Stroked);
  ASSERT_FALSE(SameImage(Stroked, Before));
  const QStringList Lines = Recorder.Lines();
  ASSERT_GE(Lines.size(), 4);
  EXPECT_EQ(Lines.front(), QStringLiteral("MouseCurvedMove Image, 20, 30"));
  EXPECT_TRUE(Lines.contains(QStringLiteral("MouseDown Image, 20, 30")));
  EXPECT_TRUE(Lines.contains(QStringLiteral("MouseUp Image, 60, 45")));
  // Nothing is written once the recording stopped.
  Editor->ZoomIn();
  Editor->ActualSize();
  EXPECT_EQ(Recorder.Lines(), Lines);

  Editor->UndoStep();
  ASSERT_TRUE(SameImage(Image(), Before));
  ASSERT_TRUE(Playback.Play());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !Playback.IsPlaying(); }, 10000));
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
  EXPECT_TRUE(SameImage(Image(), Stroked));
  EXPECT_EQ(Doc()->History.Count(), 1);
}

} // namespace
} // namespace facette
