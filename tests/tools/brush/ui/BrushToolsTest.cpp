#include "editor/ui/EditorTestSupport.h"

#include "editor/GraphicsTestSupport.h"

#include "editor/ui/ZrToolPanel.h"
#include "editor/ui/ZrViewControls.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "tools/brush/ui/ZrDrawTools.h"
#include "tools/brush/ui/ZrSmudgeTool.h"
#include "tools/brush/ui/ZrUndoBrushTool.h"
#include "tools/brush/ZrBrushKernels.h"
#include "tools/brush/ZrBrushMasks.h"

#include <QCheckBox>
#include <QDockWidget>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

#include <vector>

namespace facette {
namespace {

using namespace test;

// A brush that inverts the backup where it stamps, and keeps the stamps.
class TInvertingBrush : public TZrBrushTool
{
public:
  explicit TInvertingBrush(uint8_t Mode)
  {
    StampMode = Mode;
    DemoName = QStringLiteral("Inverting");
  }
  std::vector<TZrRect> Stamps;
  void ApplyRect(const TZrRect &Rect) override
  {
    Stamps.push_back(Rect);
    for (int32_t Y = Rect.Top; Y < Rect.Bottom; ++Y)
      for (int32_t X = Rect.Left; X < Rect.Right; ++X)
        for (int C = 0; C < 3; ++C)
          ImagePixels->PixelPtr(X, Y)[C] =
              static_cast<uint8_t>(255 - BackupPixels->PixelPtr(X, Y)[C]);
  }
};

class BrushToolsTest : public GraphicsEditorFixture
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
  }

  // The pattern at 100% in a view of that size, with Tool current and the
  // keyboard on the view.
  void OpenPattern(TZrGraphicsTool *Tool, int Width = 120, int Height = 90)
  {
    ShowWithViewSize(300, 200);
    ASSERT_TRUE(Open(WritePattern(Folder, Width, Height)));
    Editor->ActualSize();
    Editor->SelectTool(Tool);
    View()->setFocus();
    QApplication::processEvents();
  }
  void Wheel(int Steps)
  {
    const QPoint P = At(TZrPoint{10, 10});
    QWheelEvent Event(P, View()->mapToGlobal(P), QPoint(), QPoint(0, 120 * Steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View(), &Event);
  }
  TZrPixels &Image() const { return *Doc()->ImagePixels(); }

  TZrToolPanelModule *Panel = nullptr;
  TZrSmudgeTool *Smudge = nullptr;
  TZrUndoBrushTool *Undo = nullptr;
};

TEST_F(BrushToolsTest, ASmudgeStrokeIsOneUndoStepWithThePixelsOfItsStamps)
{
  OpenPattern(Smudge);
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  const int States = Doc()->History.Count();
  const std::vector<TZrPoint> Path = {{30, 40}, {34, 41}, {39, 43}, {45, 44}, {39, 43}, {34, 41}};

  // The same stamps worked out directly: the soft disc of the default
  // brush (size 10, opacity 255, hardness 191) through the stroke's
  // maximum mask, the disc of the blurred colour as large as the brush.
  TZrPixelBuffer Expected;
  CopyPixels(Before, Expected);
  TZrPixelMask Stamp, StrokeMask, Footprint;
  BuildSoftDisc(Stamp, 10, 255, 191);
  BuildBlurFootprint(Footprint, 10, false);
  TZrPixelBuffer Cache;
  Cache.Allocate(pf32bit, Before.GetBounds());
  for (TZrPoint P : Path) {
    const TZrRect R = BrushRect(P, 10);
    Stamp.Left = R.Left;
    Stamp.Top = R.Top;
    StrokeMask.MergeMax(Stamp);
    SmudgeRect(R, Before, StrokeMask, Cache, Footprint, Expected);
  }
  ASSERT_FALSE(SameImage(Expected, Before));

  QTest::mouseMove(View(), At(Path.front()));
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(Path.front()));
  EXPECT_TRUE(Doc()->Editing());
  EXPECT_TRUE(Smudge->IsStroking());
  EXPECT_FALSE(Editor->CanUndo());
  for (size_t I = 1; I < Path.size(); ++I)
    QTest::mouseMove(View(), At(Path[I]));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(Path.back()));

  EXPECT_FALSE(Doc()->Editing());
  EXPECT_FALSE(Smudge->IsStroking());
  EXPECT_TRUE(SameImage(Image(), Expected));
  EXPECT_EQ(Doc()->History.Count(), States + 1);
  EXPECT_FALSE(Doc()->Saved);
  // The stroke's caches are gone with it.
  EXPECT_EQ(Smudge->BlurCache.Bits, nullptr);
  EXPECT_EQ(Smudge->StrokeMask.Width, 0);

  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Before));
  Editor->RedoStep();
  EXPECT_TRUE(SameImage(Image(), Expected));
}

TEST_F(BrushToolsTest, ASecondStrokeSoftensFurtherFromTheCommittedResult)
{
  OpenPattern(Smudge);
  TZrPixelBuffer Before, AfterOne;
  CopyPixels(Image(), Before);
  Stroke({{50, 40}, {52, 40}});
  CopyPixels(Image(), AfterOne);
  Stroke({{50, 40}, {52, 40}});
  EXPECT_FALSE(SameImage(Image(), AfterOne));
  EXPECT_EQ(Doc()->History.Count(), 2);
}

TEST_F(BrushToolsTest, TheUndoBrushPaintsTheOpenedImageBack)
{
  OpenPattern(Smudge);
  TZrPixelBuffer Opened;
  CopyPixels(Image(), Opened);
  Stroke({{60, 45}, {64, 45}, {68, 46}});
  TZrPixelBuffer Smudged;
  CopyPixels(Image(), Smudged);
  ASSERT_FALSE(SameImage(Smudged, Opened));

  Editor->SelectTool(Undo);
  // The whole smudged area under a brush large enough to cover it fully.
  ASSERT_TRUE(Undo->Frame != nullptr);
  Undo->SetBrushSize(40);
  Stroke({{64, 45}});
  EXPECT_TRUE(SameImage(Image(), Opened));
  EXPECT_EQ(Doc()->History.Count(), 2);
  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Smudged));
}

TEST_F(BrushToolsTest, StampModes)
{
  TInvertingBrush *Press = nullptr, *Release = nullptr;
  App.CreateModule(Press, smPress);
  App.CreateModule(Release, smRelease);
  OpenPattern(Press);
  const std::vector<TZrPoint> Path = {{20, 20}, {30, 25}, {40, 30}};

  // One stamp on the press, none following the mouse, one undo step.
  QTest::mouseMove(View(), At(Path[0]));
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(Path[0]));
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 1);
  QTest::mouseMove(View(), At(Path[1]));
  QTest::mouseMove(View(), At(Path[2]));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(Path[2]));
  EXPECT_EQ(Press->Stamps, (std::vector<TZrRect>{BrushRect(Path[0], 10)}));
  EXPECT_EQ(Doc()->History.Count(), 1);

  // One stamp on the release, where the mouse is let go.
  Editor->SelectTool(Release);
  Stroke(Path);
  EXPECT_EQ(Release->Stamps, (std::vector<TZrRect>{BrushRect(Path[2], 10)}));
  EXPECT_EQ(Doc()->History.Count(), 2);
}

TEST_F(BrushToolsTest, APressWithoutAMoveStampsWhereItIs)
{
  TInvertingBrush *Brush = nullptr;
  App.CreateModule(Brush, smStroke);
  OpenPattern(Brush);
  QTest::mouseMove(View(), At(TZrPoint{5, 5}));
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{30, 30}));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{30, 30}));
  EXPECT_EQ(Brush->Stamps, (std::vector<TZrRect>{BrushRect({30, 30}, 10)}));
}

TEST_F(BrushToolsTest, StampsAtTheImageEdgeAreClippedAndOutsideDoNothing)
{
  TInvertingBrush *Brush = nullptr;
  App.CreateModule(Brush, smStroke);
  OpenPattern(Brush, 40, 30);
  Stroke({{1, 1}, {-20, -20}});
  EXPECT_EQ(Brush->Stamps, (std::vector<TZrRect>{MakeRect(0, 0, 7, 7)}));
  EXPECT_EQ(Doc()->History.Count(), 1);
  // A click beside the image changes nothing and leaves no undo step.
  Stroke({{-30, 10}});
  EXPECT_EQ(Brush->Stamps.size(), 1u);
  EXPECT_EQ(Doc()->History.Count(), 1);
}

TEST_F(BrushToolsTest, KeysAndWheelStopAtTheSizeLimits)
{
  OpenPattern(Smudge);
  QTest::keyClick(View(), Qt::Key_PageUp);
  EXPECT_EQ(Smudge->BrushSize, 11);
  QTest::keyClick(View(), Qt::Key_Right);
  QTest::keyClick(View(), Qt::Key_Up);
  EXPECT_EQ(Smudge->BrushSize, 13);
  QTest::keyClick(View(), Qt::Key_Left);
  QTest::keyClick(View(), Qt::Key_Down);
  QTest::keyClick(View(), Qt::Key_PageDown);
  EXPECT_EQ(Smudge->BrushSize, 10);
  Wheel(1);
  EXPECT_EQ(Smudge->BrushSize, 11);

  Smudge->SetBrushSize(64);
  QTest::keyClick(View(), Qt::Key_PageUp);
  Wheel(1);
  EXPECT_EQ(Smudge->BrushSize, 64);
  Smudge->SetBrushSize(1);
  Wheel(-1);
  QTest::keyClick(View(), Qt::Key_PageDown);
  EXPECT_EQ(Smudge->BrushSize, 1);
  // Smoothing and the slider follow the size.
  Wheel(1);
  EXPECT_EQ(Smudge->Smoothing, 2);
  EXPECT_EQ(Smudge->Frame->SizeTrackBar->value(), 2);

  // While drawing the wheel leaves the brush alone, unless the control
  // allows it.
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{20, 20}));
  Wheel(1);
  EXPECT_EQ(Smudge->BrushSize, 2);
  Smudge->GetControl(0)->AllowWheelWhileDrawing = true;
  Wheel(1);
  EXPECT_EQ(Smudge->BrushSize, 3);
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{20, 20}));
}

TEST_F(BrushToolsTest, SlidersFollowTheToolAndTheToolTheSliders)
{
  TZrSmudgeFrame &Frame = *Smudge->Frame;
  EXPECT_EQ(Frame.SizeTrackBar->minimum(), 1);
  EXPECT_EQ(Frame.SizeTrackBar->maximum(), 64);
  EXPECT_EQ(Frame.SizeTrackBar->tickInterval(), 8);
  EXPECT_EQ(Frame.SizeTrackBar->value(), 10);
  EXPECT_EQ(Frame.OpacityTrackBar->maximum(), 255);
  EXPECT_EQ(Frame.OpacityTrackBar->tickInterval(), 16);
  EXPECT_EQ(Undo->Frame->SizeTrackBar->tickInterval(), 8);

  Frame.SizeTrackBar->setValue(30);
  EXPECT_EQ(Smudge->BrushSize, 30);
  EXPECT_EQ(Smudge->Smoothing, 30);
  EXPECT_EQ(Smudge->StampMask.Width, 31);
  EXPECT_EQ(Smudge->BlurFootprint.Width, 31);
  Smudge->SetBrushSize(12);
  EXPECT_EQ(Frame.SizeTrackBar->value(), 12);
  // Out of range: nothing changes.
  for (int32_t Size : {0, 65, -3}) {
    Smudge->SetBrushSize(Size);
    EXPECT_EQ(Smudge->BrushSize, 12);
  }
  Smudge->SetOpacity(256);
  Smudge->SetHardness(-1);
  EXPECT_EQ(Smudge->Opacity, 255);
  EXPECT_EQ(Smudge->Hardness, 191);
}

TEST_F(BrushToolsTest, ExpertModeShowsOpacityAndHardness)
{
  TZrSmudgeFrame &Frame = *Smudge->Frame;
  EXPECT_FALSE(Smudge->ExpertMode);
  EXPECT_EQ(Smudge->Opacity, 255);
  EXPECT_EQ(Smudge->Hardness, 191);
  EXPECT_FALSE(Frame.OpacityTrackBar->isVisibleTo(&Frame));
  EXPECT_FALSE(Frame.HardnessLabel->isVisibleTo(&Frame));
  EXPECT_TRUE(Frame.SizeTrackBar->isVisibleTo(&Frame));
  EXPECT_FALSE(Frame.SmoothingTrackBar->isVisibleTo(&Frame));

  TLineRecorder Recorder;
  DemoRegistry().Playback = &Recorder;
  Frame.ExpertModeTBXCheckBox->click();
  DemoRegistry().Playback = nullptr;
  EXPECT_TRUE(Smudge->ExpertMode);
  EXPECT_TRUE(Frame.OpacityTrackBar->isVisibleTo(&Frame));
  EXPECT_TRUE(Frame.HardnessTrackBar->isVisibleTo(&Frame));
  EXPECT_FALSE(Frame.SmoothingTrackBar->isVisibleTo(&Frame));
  EXPECT_EQ(Recorder.Lines, (QStringList{QStringLiteral("MouseCurvedMove SmudgeExpertMode"),
                                         QStringLiteral("SmudgeExpertMode 1")}));
  Frame.OpacityTrackBar->setValue(100);
  Frame.HardnessTrackBar->setValue(255);
  EXPECT_EQ(Smudge->StampMask.Bits[5 * 11 + 5], 100);

  // Back to the simple mode: the fixed opacity and hardness return.
  Smudge->SetExpertMode(false);
  EXPECT_EQ(Smudge->Opacity, 255);
  EXPECT_EQ(Smudge->Hardness, 191);
  EXPECT_FALSE(Frame.OpacityTrackBar->isVisibleTo(&Frame));
}

TEST_F(BrushToolsTest, SettingsRoundTrip)
{
  Undo->SetExpertMode(true);
  Undo->SetBrushSize(33);
  Undo->SetOpacity(120);
  Undo->SetHardness(40);
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Undo->SaveSettings(Writer);
    Smudge->SaveSettings(Writer);
  }
  Undo->SetExpertMode(false);
  Undo->SetBrushSize(5);
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Undo->LoadSettings(Reader);
  EXPECT_EQ(Undo->BrushSize, 33);
  EXPECT_EQ(Undo->Opacity, 120);
  EXPECT_EQ(Undo->Hardness, 40);
  EXPECT_TRUE(Undo->ExpertMode);
  EXPECT_TRUE(Undo->Frame->ExpertModeTBXCheckBox->isChecked());
  // Each tool reads its own node only.
  Smudge->SetBrushSize(20);
  Smudge->LoadSettings(Reader);
  EXPECT_EQ(Smudge->BrushSize, 10);
}

TEST_F(BrushToolsTest, DemoCommandsTargetsAndRecordedLines)
{
  TLineRecorder Recorder;
  Smudge->AttachPlayback(&Recorder);
  const auto Command = [this](const char *Word, int32_t Value) {
    TZrDemoScriptParams Params;
    Params.StoreInteger(0, Value);
    bool Handled = false;
    Smudge->DemoCommand(nullptr, QString::fromLatin1(Word), Handled, nullptr, Params);
    return Handled;
  };
  EXPECT_TRUE(Command("SMUDGESIZE", 20));
  EXPECT_EQ(Smudge->BrushSize, 20);
  EXPECT_TRUE(Command("SMUDGEHARDNESS", 50));
  EXPECT_EQ(Smudge->Hardness, 50);
  EXPECT_TRUE(Command("SMUDGEOPACITY", 300)); // out of range: ignored
  EXPECT_EQ(Smudge->Opacity, 255);
  EXPECT_TRUE(Command("SMUDGESMOOTHING", 7));
  EXPECT_EQ(Smudge->Smoothing, 7);
  EXPECT_FALSE(Command("UNDOBRUSHSIZE", 30));
  // The size slider follows first, and through it the smoothing.
  EXPECT_EQ(
      Recorder.Lines,
      (QStringList{QStringLiteral("SmudgeSmoothing 20"), QStringLiteral("SmudgeSize 20"),
                   QStringLiteral("SmudgeHardness 50"), QStringLiteral("SmudgeSmoothing 7")}));
  Smudge->DetachPlayback();
  Smudge->SetBrushSize(21);
  EXPECT_EQ(Recorder.Lines.size(), 4);

  // Targets: the sliders' centres on the screen.
  Main->show();
  TZrDemoScriptParams Params;
  Params.StoreString(0, "smudgeSize");
  bool Handled = false;
  QPoint Point;
  Smudge->DemoTargetPosition(nullptr, Params, Handled, Point);
  EXPECT_TRUE(Handled);
  const QSlider *Bar = Smudge->Frame->SizeTrackBar;
  EXPECT_EQ(Point, Bar->mapToGlobal(QPoint(Bar->width() / 2, Bar->height() / 2)));
  // The button on the tool panel's toolbar is a target too.
  QWidget *ButtonWidget = Panel->Toolbar->WidgetForAction(Smudge->Button);
  ASSERT_NE(ButtonWidget, nullptr);
  Point = QPoint();
  EXPECT_TRUE(TZrDemoRegistry::TargetPoint(Smudge->Button, Point));
  EXPECT_EQ(Point, ButtonWidget->mapToGlobal(
                       QPoint(ButtonWidget->width() / 2, ButtonWidget->height() / 2)));
  Params.StoreString(0, "smudgeNothing");
  Handled = false;
  Smudge->DemoTargetPosition(nullptr, Params, Handled, Point);
  EXPECT_FALSE(Handled);
}

TEST_F(BrushToolsTest, TheOutlineInvertsWhatItCoversAndHidesThePointer)
{
  OpenPattern(Smudge);
  Smudge->SetBrushSize(21);
  const TZrPoint Centre{60, 45};
  QTest::mouseMove(View(), At(Centre));
  QApplication::processEvents();
  EXPECT_EQ(View()->cursor().shape(), Qt::BlankCursor);
  auto *Control = static_cast<TZrBrushToolControl *>(Smudge->GetControl(0));
  EXPECT_EQ(Control->BrushCentre, Centre);
  EXPECT_EQ(Control->Bounds, BrushRect(Centre, 21));
  const TZrRect Outline = Control->OutlineRect(View()->MapMode());
  const QPoint Mid = At(Centre);
  EXPECT_EQ(Outline.Width(), 23);
  EXPECT_EQ((Outline.Left + Outline.Right) / 2, Mid.x());

  const QImage Shown = View()->grab().toImage();
  const auto ImageColour = [this](TZrPoint P) {
    const uint8_t *Pixel = Image().PixelPtr(P.X, P.Y);
    return qRgb(Pixel[2], Pixel[1], Pixel[0]);
  };
  const auto Inverted = [](QRgb C) { return qRgb(255 - qRed(C), 255 - qGreen(C), 255 - qBlue(C)); };
  // The ellipse's left and right ends are inverted pixels of the image;
  // inside, the image shows as it is.
  const TZrPoint LeftEnd = View()->MapMode().DeviceToLogical(TZrPoint{Outline.Left, Mid.y()});
  const TZrPoint RightEnd = View()->MapMode().DeviceToLogical(TZrPoint{Outline.Right - 1, Mid.y()});
  EXPECT_EQ(Shown.pixel(Outline.Left, Mid.y()), Inverted(ImageColour(LeftEnd)));
  EXPECT_EQ(Shown.pixel(Outline.Right - 1, Mid.y()), Inverted(ImageColour(RightEnd)));
  EXPECT_EQ(Shown.pixel(Mid), ImageColour(Centre));
  EXPECT_EQ(Shown.pixel(Outline.Left - 1, Mid.y()),
            ImageColour(TZrPoint{LeftEnd.X - 1, LeftEnd.Y}));

  // Another tool: the outline goes.
  Editor->SelectTool(Undo);
  Editor->SelectTool(nullptr);
  const QImage Plain = View()->grab().toImage();
  EXPECT_EQ(Plain.pixel(Outline.Left, Mid.y()), ImageColour(LeftEnd));
}

TEST_F(BrushToolsTest, TheOutlineIsOnlyWhereThePointerIsAlsoAfterAMenuCommand)
{
  OpenPattern(Smudge);
  QApplication::setActiveWindow(Main);
  ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
  TZrGraphicsToolControl *Control = Smudge->GetControl(0);
  QTest::mouseMove(View(), At(TZrPoint{60, 45}));
  EXPECT_TRUE(Control->IsVisible());
  Stroke({{30, 30}, {40, 30}, {50, 30}});
  QTest::keyClick(View(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(Control->IsVisible()); // the undo reselects the tool under the pointer

  // Redo chosen from the Edit menu: on the way to it the pointer leaves
  // the photo, and when it comes off the menu onto the tool panel no
  // outline may stay behind.
  QMenuBar *Bar = Main->menuBar();
  QMenu *Edit = Editor->EditMenuItem;
  const QPoint EditTitle = Bar->actionGeometry(Edit->menuAction()).center();
  QTest::mouseMove(Bar, EditTitle);
  EXPECT_FALSE(Control->IsVisible());
  QTest::mouseClick(Bar, Qt::LeftButton, {}, EditTitle);
  ASSERT_TRUE(Edit->isVisible());
  const QPoint RedoItem = Edit->actionGeometry(Editor->RedoMenuItem).center();
  QTest::mouseMove(Edit, RedoItem);
  QTest::mouseClick(Edit, Qt::LeftButton, {}, RedoItem);
  QApplication::processEvents();
  EXPECT_FALSE(Editor->CanRedo());
  QTest::mouseMove(Panel->Panel, Panel->Panel->rect().center());
  EXPECT_FALSE(Control->IsVisible());

  // Undo by key with the pointer on the panel: the tool comes back
  // without an outline.
  QTest::keyClick(Main, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(Editor->CanRedo());
  EXPECT_FALSE(Control->IsVisible());
  QTest::mouseMove(View(), At(TZrPoint{60, 45}));
  EXPECT_TRUE(Control->IsVisible());
}

TEST_F(BrushToolsTest, TheSizeControlsExplainTheKeysAndTheWheelInTheCurrentLanguage)
{
  OpenPattern(Smudge);
  Smudge->UpdateControls();
  TZrSmudgeFrame &Frame = *Smudge->Frame;
  // The tool tip Widget shows when the pointer rests on it.
  const auto Hint = [](QWidget *Widget) {
    const QPoint Middle = Widget->rect().center();
    QHelpEvent Event(QEvent::ToolTip, Middle, Widget->mapToGlobal(Middle));
    QApplication::sendEvent(Widget, &Event);
    return Widget->toolTip();
  };
  QStringList Texts;
  for (const uint16_t Language : {1033, 1031}) {
    ASSERT_TRUE(SetLanguage(Language));
    Texts << LocalString(1032);
    for (QWidget *Widget :
         {static_cast<QWidget *>(Frame.SizeTrackBar), static_cast<QWidget *>(Frame.SizeLabel),
          static_cast<QWidget *>(Frame.PreviewPaintBox)})
      EXPECT_TRUE(Hint(Widget).contains(Texts.back())) << Widget->metaObject()->className();
  }
  SetLanguage(1033);
  EXPECT_NE(Texts[0], Texts[1]);
  EXPECT_TRUE(Texts[0].contains(QStringLiteral("Page Up"))) << Texts[0].toStdString();
  // The other controls say nothing of the kind.
  EXPECT_TRUE(Hint(Frame.TitleLabel).isEmpty());
  EXPECT_TRUE(Hint(Frame.ExpertModeTBXCheckBox).isEmpty());
}

TEST_F(BrushToolsTest, TheExpertModeCaptionIsNeverCut)
{
  OpenPattern(Smudge);
  TZrSmudgeFrame &Frame = *Smudge->Frame;
  QCheckBox *Box = Frame.ExpertModeTBXCheckBox;
  // At the panel's default width, in every language.
  for (const uint16_t Language : {1033, 1031, 1036, 1049}) {
    ASSERT_TRUE(SetLanguage(Language));
    QApplication::processEvents();
    SCOPED_TRACE(Box->text().toStdString());
    EXPECT_GE(Box->width(), Box->sizeHint().width());
    const QRect InFrame(Box->mapTo(&Frame, QPoint()), Box->size());
    EXPECT_TRUE(Frame.rect().contains(InFrame));
    // Nor is the frame wider than its page (no sideways scrolling).
    EXPECT_LE(Frame.width(), Frame.parentWidget()->width());
    // Still clear of the preview.
    const QRect Preview(Frame.PreviewPaintBox->mapTo(&Frame, QPoint()),
                        Frame.PreviewPaintBox->size());
    EXPECT_FALSE(Preview.intersects(InFrame));
  }
  SetLanguage(1033);
}

TEST_F(BrushToolsTest, ThePreviewShowsTheStamp)
{
  OpenPattern(Smudge);
  Smudge->UpdateControls();
  TZrPaintBox *Box = Smudge->Frame->PreviewPaintBox;
  ASSERT_TRUE(Box->isVisible());
  Smudge->SetBrushSize(40);
  QImage Picture = Box->grab().toImage();
  EXPECT_EQ(Picture.pixel(34, 34), qRgb(0, 0, 0));
  EXPECT_EQ(Picture.pixel(0, 0), qRgb(128, 128, 128));
  EXPECT_EQ(Picture.pixel(68, 20), qRgb(128, 128, 128));
  EXPECT_EQ(Picture.pixel(2, 2), qRgb(255, 255, 255));
  // Without a document the frame is disabled and the stamp grey.
  Editor->CloseCommand();
  Smudge->UpdateControls();
  EXPECT_FALSE(Smudge->Frame->isEnabled());
  Picture = Box->grab().toImage();
  EXPECT_EQ(Picture.pixel(34, 34), qRgb(192, 192, 192));
}

TEST_F(BrushToolsTest, LabelsShowTheValues)
{
  OpenPattern(Smudge);
  Smudge->SetBrushSize(17);
  Smudge->UpdateControls();
  EXPECT_EQ(Smudge->Frame->SizeLabel->text(), QStringLiteral("Size: 17"));
  EXPECT_EQ(Smudge->Frame->HardnessLabel->text(), QStringLiteral("Hardness: 191"));
  EXPECT_EQ(Smudge->Frame->TitleLabel->text(), QStringLiteral("Smudge"));
  EXPECT_EQ(Undo->Frame->TitleLabel->text(), QStringLiteral("Undo Brush"));
  EXPECT_TRUE(Smudge->Button->isChecked());
  EXPECT_TRUE(Smudge->Frame->isEnabled());
  Undo->UpdateControls();
  EXPECT_FALSE(Undo->Button->isChecked());
  EXPECT_TRUE(Undo->Button->isEnabled());
  // Disabled tools have neither button nor frame.
  Undo->SetEnabled(false);
  EXPECT_FALSE(Undo->Button->isVisible());
}

TEST_F(BrushToolsTest, AStrokeEndsWhenTheDemoStopsOrTheToolChanges)
{
  OpenPattern(Smudge);
  // Nothing open: nothing happens.
  Smudge->AbortMouseAction();
  EXPECT_EQ(Doc()->History.Count(), 0);

  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{30, 30}));
  ASSERT_TRUE(Doc()->Editing());
  Smudge->AbortMouseAction();
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 1);
  // The moves of the still held button draw nothing more.
  QTest::mouseMove(View(), At(TZrPoint{40, 30}));
  EXPECT_FALSE(Doc()->Editing());
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{40, 30}));
  EXPECT_EQ(Doc()->History.Count(), 1);

  // Switching tools in the middle of a stroke keeps it as one undo step.
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{50, 30}));
  Editor->SelectTool(Undo);
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 2);
  EXPECT_TRUE(Editor->CanUndo());
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{50, 30}));
}

} // namespace
} // namespace facette
