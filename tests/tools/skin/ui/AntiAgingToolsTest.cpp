#include "tools/ToolInputSupport.h"

#include "editor/ui/ZrProgressMeter.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "tools/brush/ZrBrushMasks.h"
#include "tools/skin/ui/ZrAntiAgingTool.h"
#include "tools/skin/ZrAntiAgingKernel.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>

namespace facette {
namespace {

using namespace test;

class AntiAgingToolsTest : public ToolInputFixture
{
protected:
  void SetUp() override
  {
    ToolInputFixture::SetUp();
    App.CreateModule(Smoothing);
    App.CreateModule(Emphasis);
    Smoothing->Initialize();
    Emphasis->Initialize();
  }
  void OpenDetail(TZrGraphicsTool *Tool, int Width = 120, int Height = 90)
  {
    OpenWith(WriteDetailedPicture(Folder, Width, Height), Tool);
  }
  // The pixels a stroke of Tool along Path should give on Before: the
  // soft disc of the tool's brush through the stroke's maximum mask,
  // mixing the committed picture with its filtered image.
  void ExpectStroke(const TZrAntiAgingTool &Tool, const TZrPixelBuffer &Before,
                    const std::vector<TZrPoint> &Path, TZrPixelBuffer &Expected)
  {
    TFrequencyFilter Filter(Tool.RemoveBand);
    ASSERT_TRUE(Filter.Prepare(Before, Tool.Naturalness, Tool.Smoothing));
    CopyPixels(Before, Expected);
    TZrPixelMask Stamp, StrokeMask;
    BuildSoftDisc(Stamp, Tool.BrushSize, Tool.Opacity, Tool.Hardness);
    for (TZrPoint P : Path) {
      const TZrRect R = BrushRect(P, Tool.BrushSize);
      Stamp.Left = R.Left;
      Stamp.Top = R.Top;
      StrokeMask.MergeMax(Stamp);
      AntiAgingRect(R, Filter, StrokeMask, Before, Expected);
    }
  }

  TZrAntiAgingTool1 *Smoothing = nullptr;
  TZrEmphasisTool *Emphasis = nullptr;
};

TEST_F(AntiAgingToolsTest, AStrokeIsOneUndoStepThatFiltersOnlyUnderTheBrush)
{
  for (TZrAntiAgingTool *Tool :
       {static_cast<TZrAntiAgingTool *>(Smoothing), static_cast<TZrAntiAgingTool *>(Emphasis)}) {
    SCOPED_TRACE(Tool->DemoName.toStdString());
    OpenDetail(Tool);
    Tool->SetBrushSize(15);
    TZrPixelBuffer Before, Expected;
    CopyPixels(Image(), Before);
    const int States = Doc()->History.Count();
    const std::vector<TZrPoint> Path = {{30, 40}, {36, 41}, {43, 43}, {50, 44}, {43, 43}};
    ExpectStroke(*Tool, Before, Path, Expected);
    ASSERT_FALSE(SameImage(Expected, Before));

    Stroke(Path);
    EXPECT_FALSE(Doc()->Editing());
    EXPECT_TRUE(SameImage(Image(), Expected));
    EXPECT_EQ(Doc()->History.Count(), States + 1);
    // Nothing beyond the brush's reach changed.
    TZrRect Reach;
    for (TZrPoint P : Path)
      Reach = UnionRect(Reach, BrushRect(P, 15));
    for (int32_t Y = 0; Y < 90; ++Y)
      for (int32_t X = 0; X < 120; ++X) {
        if (!Reach.Contains(X, Y)) {
          ASSERT_EQ(std::memcmp(Image().PixelPtr(X, Y), Before.PixelPtr(X, Y), 3), 0);
        }
      }

    Editor->UndoStep();
    EXPECT_TRUE(SameImage(Image(), Before));
    Editor->RedoStep();
    EXPECT_TRUE(SameImage(Image(), Expected));
    Editor->CloseCommand();
  }
}

TEST_F(AntiAgingToolsTest, TheScalesDecideWhatIsPainted)
{
  OpenDetail(Smoothing);
  Smoothing->SetBrushSize(41);
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  const TZrPoint Centre{60, 45};

  // Naturalness 0: the plain box blur of the smoothing radius at full
  // strength in the middle of the brush.
  Smoothing->SetNaturalness(0);
  Smoothing->SetSmoothing(4);
  Stroke({Centre});
  TFrequencyRange Range;
  Range.Prepare(Before, 0, 4);
  EXPECT_EQ(std::memcmp(Image().PixelPtr(60, 45), Range.LowB().PixelPtr(60, 45), 3), 0);
  Editor->UndoStep();

  // Both scales equal: no band, no change.
  Smoothing->SetNaturalness(3);
  Smoothing->SetSmoothing(3);
  Stroke({Centre, {62, 47}});
  EXPECT_TRUE(SameImage(Image(), Before));
}

TEST_F(AntiAgingToolsTest, TheFilteredImageIsRemadeOnlyWhenThePhotoChangedByOtherMeans)
{
  OpenDetail(Smoothing);
  TZrPixelBuffer Opened;
  CopyPixels(Image(), Opened);
  // Opening made it stale; a move over the photo brings it up to date.
  EXPECT_FALSE(Smoothing->RangeCurrent());
  MoveTo({20, 20});
  EXPECT_TRUE(Smoothing->RangeCurrent());

  // Its own strokes, and their undo, keep it: a second stroke over the
  // first paints the same filtered pixels where the brush is full, rather
  // than filtering the smoothed skin again.
  Smoothing->SetBrushSize(21);
  Stroke({{40, 40}, {44, 40}});
  TZrPixelBuffer Once;
  CopyPixels(Image(), Once);
  Stroke({{40, 40}, {44, 40}});
  EXPECT_EQ(std::memcmp(Image().PixelPtr(42, 40), Once.PixelPtr(42, 40), 3), 0);
  EXPECT_FALSE(SameImage(Image(), Once)) << "the soft rim goes further";
  EXPECT_TRUE(Smoothing->RangeCurrent());
  Editor->UndoStep();
  EXPECT_TRUE(Smoothing->RangeCurrent());

  // Another tool's stroke makes both stale, each for the other.
  EXPECT_TRUE(Emphasis->Range.IsDirty());
  MoveTo({20, 20});
  Editor->SelectTool(Emphasis);
  MoveTo({21, 20});
  EXPECT_TRUE(Emphasis->RangeCurrent());
  Stroke({{70, 50}});
  EXPECT_TRUE(Emphasis->RangeCurrent());
  EXPECT_TRUE(Smoothing->Range.IsDirty());

  // A slider change does too.
  Emphasis->SetSmoothing(9);
  EXPECT_FALSE(Emphasis->RangeCurrent());
}

TEST_F(AntiAgingToolsTest, AStrokeRightAfterAnotherPhotoWasOpenedFiltersThatPhoto)
{
  OpenDetail(Smoothing);
  MoveTo({20, 20});
  ASSERT_TRUE(Smoothing->RangeCurrent());
  // A smaller photo, and a press before any move over it.
  ASSERT_TRUE(Open(WriteDetailedPicture(Folder, 70, 60, QStringLiteral("small.png"))));
  Editor->ActualSize();
  TZrPixelBuffer Before, Expected;
  CopyPixels(Image(), Before);
  ExpectStroke(*Smoothing, Before, {{30, 30}}, Expected);
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{30, 30}));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{30, 30}));
  EXPECT_TRUE(SameImage(Image(), Expected));
  EXPECT_EQ(Smoothing->Range.Filtered().GetBounds(), Image().GetBounds());
}

TEST_F(AntiAgingToolsTest, ALargePhotoShowsTheProgressMeterWhileItIsFiltered)
{
  QProgressBar Bar;
  TProgressMeter Meter(&Bar);
  ASSERT_EQ(ProgressMeter(), &Meter);
  std::vector<int> Values;
  QObject::connect(&Bar, &QProgressBar::valueChanged, [&Values](int V) { Values.push_back(V); });
  OpenDetail(Smoothing, 1200, 900);
  MoveTo({600, 450});
  ASSERT_TRUE(Smoothing->RangeCurrent());
  ASSERT_FALSE(Values.empty());
  EXPECT_GE(*std::max_element(Values.begin(), Values.end()), 90);
  EXPECT_EQ(Meter.Position(), 0) << "reset afterwards";
  EXPECT_TRUE(std::is_sorted(Values.begin(), Values.end() - 1));
  // A small photo goes by without it.
  Values.clear();
  Editor->CloseCommand();
  OpenDetail(Smoothing);
  MoveTo({20, 20});
  EXPECT_TRUE(Values.empty());
}

TEST_F(AntiAgingToolsTest, SlidersLabelsAndExpertModeFollowTheTool)
{
  OpenDetail(Smoothing);
  TZrAntiAgingFrame &Frame = *Smoothing->Frame;
  EXPECT_EQ(Smoothing->Naturalness, 1);
  EXPECT_EQ(Smoothing->Smoothing, 5);
  EXPECT_EQ(Frame.NaturalnessTrackBar->minimum(), 0);
  EXPECT_EQ(Frame.NaturalnessTrackBar->maximum(), 5);
  EXPECT_EQ(Frame.SmoothingTrackBar->minimum(), 1);
  EXPECT_EQ(Frame.SmoothingTrackBar->maximum(), 25);
  EXPECT_EQ(Frame.SmoothingTrackBar->pageStep(), 1);
  EXPECT_EQ(Frame.SizeTrackBar->maximum(), 64);

  Frame.NaturalnessTrackBar->setValue(4);
  Frame.SmoothingTrackBar->setValue(12);
  EXPECT_EQ(Smoothing->Naturalness, 4);
  EXPECT_EQ(Smoothing->Smoothing, 12);
  Smoothing->SetSmoothing(20);
  EXPECT_EQ(Frame.SmoothingTrackBar->value(), 20);
  // Out of range: nothing changes.
  Smoothing->SetNaturalness(6);
  Smoothing->SetSmoothing(0);
  EXPECT_EQ(Smoothing->Naturalness, 4);
  EXPECT_EQ(Smoothing->Smoothing, 20);

  Smoothing->UpdateControls();
  Emphasis->UpdateControls();
  EXPECT_EQ(Frame.TitleLabel->text(), QStringLiteral("Anti-Aging"));
  EXPECT_EQ(Frame.NaturalnessLabel->text(), QStringLiteral("Naturalness: 4"));
  EXPECT_EQ(Frame.SmoothingLabel->text(), QStringLiteral("Smoothing: 20"));
  EXPECT_EQ(Emphasis->Frame->TitleLabel->text(), QStringLiteral("Emphasis"));
  EXPECT_EQ(Emphasis->Frame->SmoothingLabel->text(), QStringLiteral("Detail Size: 5"));
  EXPECT_TRUE(Smoothing->Button->isChecked());
  EXPECT_FALSE(Emphasis->Button->isChecked());
  EXPECT_TRUE(Frame.isEnabled());

  // Expert mode shows opacity and hardness; leaving it brings back the
  // full-strength brush of hardness 127.
  EXPECT_FALSE(Frame.OpacityTrackBar->isVisibleTo(&Frame));
  EXPECT_EQ(Smoothing->Hardness, 127);
  Frame.ExpertModeTBXCheckBox->click();
  EXPECT_TRUE(Smoothing->ExpertMode);
  EXPECT_TRUE(Frame.HardnessTrackBar->isVisibleTo(&Frame));
  EXPECT_TRUE(Frame.NaturalnessTrackBar->isVisibleTo(&Frame));
  Frame.OpacityTrackBar->setValue(80);
  Frame.HardnessTrackBar->setValue(30);
  Smoothing->SetExpertMode(false);
  EXPECT_EQ(Smoothing->Opacity, 255);
  EXPECT_EQ(Smoothing->Hardness, 127);
  EXPECT_FALSE(Frame.HardnessLabel->isVisibleTo(&Frame));
}

TEST_F(AntiAgingToolsTest, SettingsRoundTripInEachToolsOwnNode)
{
  Smoothing->SetExpertMode(true);
  Smoothing->SetBrushSize(33);
  Smoothing->SetOpacity(120);
  Smoothing->SetHardness(40);
  Smoothing->SetNaturalness(2);
  Smoothing->SetSmoothing(17);
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Smoothing->SaveSettings(Writer);
    Emphasis->SaveSettings(Writer);
  }
  Smoothing->SetExpertMode(false);
  Smoothing->SetBrushSize(5);
  Smoothing->SetNaturalness(0);
  Smoothing->SetSmoothing(3);
  Emphasis->SetSmoothing(11);
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Smoothing->LoadSettings(Reader);
  Emphasis->LoadSettings(Reader);
  EXPECT_EQ(Smoothing->BrushSize, 33);
  EXPECT_EQ(Smoothing->Opacity, 120);
  EXPECT_EQ(Smoothing->Hardness, 40);
  EXPECT_TRUE(Smoothing->ExpertMode);
  EXPECT_EQ(Smoothing->Naturalness, 2);
  EXPECT_EQ(Smoothing->Smoothing, 17);
  EXPECT_EQ(Smoothing->Frame->SmoothingTrackBar->value(), 17);
  EXPECT_EQ(Emphasis->Smoothing, 5);
  TZrGuid Guid;
  Emphasis->SettingsGuid(Guid);
  EXPECT_EQ(Guid, TZrGuid::FromString("{180846F1-572F-4E24-92E1-8AFB4A36A1FB}"));
}

TEST_F(AntiAgingToolsTest, DemoCommandsTargetsAndRecordedLines)
{
  TLineRecorder Recorder;
  DemoRegistry().Playback = &Recorder;
  const auto Command = [](const char *Word, int32_t Value) {
    TZrDemoScriptParams Params;
    Params.StoreInteger(0, Value);
    bool Handled = false;
    DemoRegistry().DispatchCommand(nullptr, QString::fromLatin1(Word), Handled, nullptr, Params);
    return Handled;
  };
  EXPECT_TRUE(Command("ANTIAGINGNATURALNESS", 3));
  EXPECT_TRUE(Command("ANTIAGINGSMOOTHING", 9));
  EXPECT_TRUE(Command("EMPHASISSMOOTHING", 14));
  EXPECT_TRUE(Command("ANTIAGINGEXPERTMODE", -1));
  DemoRegistry().Playback = nullptr;
  EXPECT_EQ(Smoothing->Naturalness, 3);
  EXPECT_EQ(Smoothing->Smoothing, 9);
  EXPECT_EQ(Emphasis->Smoothing, 14);
  EXPECT_TRUE(Smoothing->ExpertMode);
  EXPECT_EQ(Recorder.Lines, (QStringList{QStringLiteral("MouseCurvedMove AntiAgingNaturalness"),
                                         QStringLiteral("AntiAgingNaturalness 3"),
                                         QStringLiteral("MouseCurvedMove AntiAgingSmoothing"),
                                         QStringLiteral("AntiAgingSmoothing 9"),
                                         QStringLiteral("MouseCurvedMove EmphasisSmoothing"),
                                         QStringLiteral("EmphasisSmoothing 14"),
                                         QStringLiteral("MouseCurvedMove AntiAgingExpertMode"),
                                         QStringLiteral("AntiAgingExpertMode 1")}));

  // Targets: the sliders and the button by name.
  Main->show();
  TZrDemoScriptParams Params;
  Params.StoreString(0, "emphasisSmoothing");
  bool Handled = false;
  QPoint Point;
  DemoRegistry().ResolveTarget(nullptr, Params, Handled, Point);
  EXPECT_TRUE(Handled);
  const QSlider *Bar = Emphasis->Frame->SmoothingTrackBar;
  EXPECT_EQ(Point, Bar->mapToGlobal(QPoint(Bar->width() / 2, Bar->height() / 2)));
  // The tool's name selects it.
  ASSERT_TRUE(Open(WriteDetailedPicture(Folder, 40, 30)));
  EXPECT_TRUE(Command("EMPHASIS", 0));
  EXPECT_EQ(Editor->CurrentTool(), Emphasis);
}

} // namespace
} // namespace facette
