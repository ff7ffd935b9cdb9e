#include "tools/ToolInputSupport.h"

#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "tools/brush/ui/ZrDrawTools.h"
#include "tools/brush/ZrBrushMasks.h"
#include "tools/inpainting/ui/ZrHandInpaintingTool.h"
#include "tools/inpainting/ZrHandInpainting.h"
#include "tools/skin/ui/ZrAntiAgingTool.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include <functional>

namespace facette {
namespace {

using namespace test;

constexpr int32_t Width = 120;
constexpr int32_t Height = 90;
const TZrPoint Spot{60, 45};
const TZrPoint Skin{25, 30};

// The detailed picture with a dark spot of radius 5 at Spot.
QString WriteSpottedPicture(const QTemporaryDir &Folder)
{
  const QString Path = WriteDetailedPicture(Folder, Width, Height, QStringLiteral("spot.png"));
  QImage Picture(Path);
  for (int Y = -5; Y <= 5; ++Y)
    for (int X = -5; X <= 5; ++X)
      if (X * X + Y * Y <= 25)
        Picture.setPixel(Spot.X + X, Spot.Y + Y, qRgb(40, 25, 20));
  EXPECT_TRUE(Picture.save(Path));
  return Path;
}

class HandInpaintingToolTest : public ToolInputFixture
{
protected:
  void SetUp() override
  {
    ToolInputFixture::SetUp();
    App.CreateModule(Tool);
    Tool->Initialize();
  }
  void OpenSpotted()
  {
    OpenWith(WriteSpottedPicture(Folder), Tool);
    CopyPixels(Image(), Before);
  }
  // The fill of the defect at DefectPoint from the square at SourcePoint
  // that the patch engine makes on its own: the defect is where the
  // brush's stamp is, the reflection the best one unless given.
  void ExpectFill(TZrPoint DefectPoint, TZrPoint SourcePoint, TZrPixelBuffer &Expected,
                  int32_t Reflection = -1, int32_t Adjustment = FillPerChannel)
  {
    CopyPixels(Before, Expected);
    const TZrRect Defect = InpaintSquare(DefectPoint, Tool->BrushSize);
    const TZrRect Source = InpaintSquare(SourcePoint, Tool->BrushSize);
    TAreaCorrelator Correlator(Defect, Before, Expected, 2);
    TZrPixelMask Stamp;
    BuildPowerDisc(Stamp, Tool->BrushSize, 255, 160);
    Stamp.Left = Defect.Left;
    Stamp.Top = Defect.Top;
    MarkDefect(Correlator, Stamp);
    Correlator.Classify();
    Correlator.PruneRing(0.2);
    Correlator.ComputeWeights();
    const int32_t T = Reflection >= 0 ? Reflection : Correlator.BestReflection(Source);
    ASSERT_TRUE(Correlator.Fill({Source.Left, Source.Top}, T, true, Adjustment, 2));
  }
  // A defect chosen at Spot and the pointer over Skin.
  void Select()
  {
    Click(Spot);
    ASSERT_TRUE(Tool->Selecting);
    MoveTo({40, 35});
    MoveTo(Skin);
  }
  const TZrPixelBuffer &Shown() const { return Tool->Frame->TargetImage->Bitmap; }
  bool GreyAt(int32_t X, int32_t Y) const
  {
    const uint8_t *P = Shown().PixelPtr(X, Y);
    return P[0] == PreviewGrey && P[1] == PreviewGrey && P[2] == PreviewGrey;
  }

  TZrHandInpaintingTool *Tool = nullptr;
  TZrPixelBuffer Before;
};

TEST_F(HandInpaintingToolTest, ASecondClickKeepsTheLiveFillAsOneUndoStep)
{
  OpenSpotted();
  TZrPixelBuffer Expected;
  ExpectFill(Spot, Skin, Expected);
  ASSERT_FALSE(SameImage(Expected, Before));

  Select();
  EXPECT_TRUE(Doc()->Editing());
  EXPECT_TRUE(SameImage(Image(), Expected)) << "the fill follows the pointer";
  EXPECT_FALSE(Editor->CanUndo());
  // Other tools wait until the fill is kept or cancelled.
  TZrAntiAgingTool1 *Other = nullptr;
  App.CreateModule(Other);
  EXPECT_FALSE(Editor->CanSelectTool(Other));

  Click(Skin);
  EXPECT_FALSE(Tool->Selecting);
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_TRUE(SameImage(Image(), Expected));
  EXPECT_EQ(Doc()->History.Count(), 1);
  EXPECT_TRUE(Editor->CanSelectTool(Other));
  // The spot is gone: its pixels are close to the skin around them.
  const uint8_t *Mended = Image().PixelPtr(Spot.X, Spot.Y);
  EXPECT_GT(Mended[2], 100);

  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Before));
  Editor->RedoStep();
  EXPECT_TRUE(SameImage(Image(), Expected));

  // Enter works like a click.
  MoveTo(Spot);
  Key(Qt::Key_Return);
  EXPECT_TRUE(Tool->Selecting);
  Key(Qt::Key_Enter);
  EXPECT_FALSE(Tool->Selecting);
  EXPECT_EQ(Doc()->History.Count(), 2);
}

TEST_F(HandInpaintingToolTest, EveryWayOfCancellingPutsThePixelsBackExactly)
{
  const std::pair<const char *, std::function<void()>> Ways[] = {
      {"Esc", [this] { Key(Qt::Key_Escape); }},
      {"Ctrl+Z",
       [this] {
         Editor->UpdateControls();
         Key(Qt::Key_Z, Qt::ControlModifier);
       }},
      {"Cancel button",
       [this] {
         Tool->UpdateControls();
         Tool->Frame->CancelTBXButton->click();
       }},
      {"demo command",
       [this] {
         bool Handled = false;
         Tool->DemoCommand(nullptr, QStringLiteral("HANDINPAINTINGCANCELBUTTON"), Handled, nullptr,
                           TZrDemoScriptParams());
         EXPECT_TRUE(Handled);
       }},
      {"stopped demo", [this] { Tool->CancelPendingAction(); }},
  };
  OpenSpotted();
  for (const auto &[Name, Cancel] : Ways) {
    SCOPED_TRACE(Name);
    Select();
    ASSERT_FALSE(SameImage(Image(), Before));
    Cancel();
    EXPECT_FALSE(Tool->Selecting);
    EXPECT_FALSE(Doc()->Editing());
    EXPECT_TRUE(SameImage(Image(), Before));
    // The cancelled fill can be had back.
    EXPECT_EQ(Doc()->History.Count(), 1);
    EXPECT_TRUE(Editor->CanRedo());
    EXPECT_FALSE(Editor->CanUndo());
  }
  // While idle, Esc is none of the tool's business.
  Key(Qt::Key_Escape);
  EXPECT_TRUE(Editor->CanRedo());
}

TEST_F(HandInpaintingToolTest, AClickBesideThePhotoStartsNothing)
{
  OpenSpotted();
  Click({-30, -20});
  EXPECT_FALSE(Tool->Selecting);
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 0);
  // A square that still reaches the photo does.
  Click({-10, 20});
  EXPECT_TRUE(Tool->Selecting);
  Key(Qt::Key_Escape);
}

TEST_F(HandInpaintingToolTest, ADefectAtTheEdgeIsMendedInsideAndShownGreyOutside)
{
  OpenSpotted();
  const TZrPoint Corner{3, 4};
  Click(Corner);
  ASSERT_TRUE(Tool->Selecting);
  const TZrRect Defect = InpaintSquare(Corner, 25);
  EXPECT_EQ(Tool->DefectRect, Defect);
  // The preview of the first click: the defect with the skin around it,
  // grey where that lies beside the photo.
  const int32_t Side = Tool->Frame->TargetImage->Side();
  ASSERT_EQ(Side, 40);
  const TZrPoint Origin = PreviewOrigin({Defect.Left, Defect.Top}, Side, 25);
  EXPECT_TRUE(GreyAt(0, 0));
  EXPECT_TRUE(GreyAt(-Origin.X - 1, Side - 1));
  EXPECT_EQ(std::memcmp(Shown().PixelPtr(-Origin.X, -Origin.Y), Before.PixelPtr(0, 0), 3), 0);

  TZrPixelBuffer Expected;
  ExpectFill(Corner, Skin, Expected);
  MoveTo(Skin);
  Click(Skin);
  EXPECT_TRUE(SameImage(Image(), Expected));
  EXPECT_FALSE(SameImage(Image(), Before));
}

TEST_F(HandInpaintingToolTest, TheLoupeShowsTheSkinUnderThePointerUpToThePhotosCorners)
{
  OpenSpotted();
  const int32_t Side = Tool->Frame->TargetImage->Side();
  EXPECT_TRUE(Tool->Frame->TargetImage->isVisibleTo(Tool->Frame));
  MoveTo({0, 0});
  EXPECT_TRUE(GreyAt(Side / 2 - 1, Side / 2 - 1));
  EXPECT_EQ(std::memcmp(Shown().PixelPtr(Side / 2, Side / 2), Before.PixelPtr(0, 0), 3), 0);
  MoveTo({Width - 1, Height - 1});
  EXPECT_EQ(
      std::memcmp(Shown().PixelPtr(Side / 2, Side / 2), Before.PixelPtr(Width - 1, Height - 1), 3),
      0);
  EXPECT_TRUE(GreyAt(Side / 2 + 1, Side / 2 + 1));
  EXPECT_TRUE(GreyAt(Side - 1, 0));

  // Near the point of the last fill the loupe keeps showing the result.
  Select();
  Click(Skin);
  TZrPixelBuffer Kept;
  CopyPixels(Shown(), Kept);
  MoveTo({Skin.X + 2, Skin.Y + 2});
  EXPECT_TRUE(SameImage(Shown(), Kept));
  MoveTo({Skin.X + 3, Skin.Y + 3});
  EXPECT_FALSE(SameImage(Shown(), Kept));
}

TEST_F(HandInpaintingToolTest, TheReflectionCanBeChangedWhileSelecting)
{
  OpenSpotted();
  Tool->SetAutoReflection(false);
  Select();
  TZrPixelBuffer Expected;
  ExpectFill(Spot, Skin, Expected, 0);
  EXPECT_TRUE(SameImage(Image(), Expected));

  const std::pair<std::function<void()>, int32_t> Steps[] = {
      {[this] { Wheel(1); }, 1},
      {[this] { Key(Qt::Key_Right, Qt::ControlModifier); }, 2},
      {[this] { Key(Qt::Key_Up, Qt::ControlModifier); }, 3},
      {[this] { Key(Qt::Key_Down, Qt::ControlModifier); }, 2},
      {[this] { Wheel(-1); }, 1},
      {[this] { Tool->Frame->ReflectionButtons[6]->click(); }, 6},
      {[this] { Wheel(1); }, 7},
      {[this] { Wheel(1); }, 7},
  };
  for (const auto &[Step, Want] : Steps) {
    Step();
    EXPECT_EQ(Tool->Reflection, Want);
    EXPECT_TRUE(Tool->Frame->ReflectionButtons[Want]->isChecked());
    ExpectFill(Spot, Skin, Expected, Want);
    EXPECT_TRUE(SameImage(Image(), Expected)) << "reflection " << Want;
  }
  // While selecting, the wheel turns the source instead of sizing the
  // brush, and the size stays.
  EXPECT_EQ(Tool->BrushSize, 25);
  Tool->SetBrushSize(40);
  EXPECT_EQ(Tool->BrushSize, 25);
  Key(Qt::Key_Escape);

  // Chosen automatically, nothing turns it by hand.
  Tool->SetAutoReflection(true);
  Select();
  const int32_t Best = Tool->Reflection;
  Wheel(1);
  Key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(Tool->Reflection, Best);
  Key(Qt::Key_Escape);
  // And idle, the wheel sizes the brush again.
  Wheel(1);
  EXPECT_EQ(Tool->BrushSize, 26);
}

TEST_F(HandInpaintingToolTest, ControlsFollowTheToolAndTheToolTheControls)
{
  OpenSpotted();
  TZrHandInpaintingFrame &Frame = *Tool->Frame;
  EXPECT_EQ(Frame.SizeTrackBar->minimum(), 10);
  EXPECT_EQ(Frame.SizeTrackBar->maximum(), 100);
  EXPECT_EQ(Frame.SizeTrackBar->value(), 25);
  EXPECT_TRUE(Frame.AdjustmentTBXCheckBox->isChecked());
  EXPECT_TRUE(Frame.AutoReflectionTBXCheckBox->isChecked());
  EXPECT_TRUE(Frame.ReflectionButtons[0]->isChecked());

  Tool->SetAdjustment(1);
  EXPECT_EQ(Tool->Adjustment, 1);
  EXPECT_FALSE(Frame.AdjustmentTBXCheckBox->isChecked());
  Frame.AdjustmentTBXCheckBox->click();
  EXPECT_EQ(Tool->Adjustment, 2);
  Key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(Tool->Adjustment, 0);
  Tool->SetReflection(3);
  EXPECT_TRUE(Frame.ReflectionButtons[3]->isChecked());
  Frame.ReflectionButtons[5]->click();
  EXPECT_EQ(Tool->Reflection, 5);
  Tool->SetLongDefect(false);
  EXPECT_FALSE(Frame.LongDefectTBXCheckBox->isChecked());
  Key(Qt::Key_N, Qt::ControlModifier);
  EXPECT_FALSE(Tool->AntiAliasing);
  Key(Qt::Key_R, Qt::ControlModifier);
  EXPECT_FALSE(Tool->AutoReflection);
  Frame.SizeTrackBar->setValue(31);
  EXPECT_EQ(Tool->BrushSize, 31);

  // The size waits while a defect is selected; Cancel is there only then.
  Tool->UpdateControls();
  EXPECT_TRUE(Frame.SizeTrackBar->isEnabled());
  EXPECT_FALSE(Frame.CancelTBXButton->isEnabled());
  EXPECT_EQ(Frame.SizeLabel->text(), QStringLiteral("Size: 31"));
  // The slider and its label tell how else the size changes.
  for (const QWidget *Control :
       {static_cast<QWidget *>(Frame.SizeTrackBar), static_cast<QWidget *>(Frame.SizeLabel)})
    EXPECT_TRUE(HasSizeHint(Control)) << Control->metaObject()->className();
  Click(Spot);
  Tool->UpdateControls();
  EXPECT_FALSE(Frame.SizeTrackBar->isEnabled());
  EXPECT_TRUE(Frame.CancelTBXButton->isEnabled());
  EXPECT_TRUE(Frame.AdjustmentTBXCheckBox->isEnabled());
  Key(Qt::Key_Escape);

  // The shipped set-up: matching per channel, automatic reflection with its
  // buttons hidden (Ctrl+R cannot turn it off unseen), the options hidden.
  Tool->ConfigureSimple(false);
  Tool->UpdateControls();
  EXPECT_EQ(Tool->Adjustment, 2);
  EXPECT_EQ(Tool->Reflection, 0);
  EXPECT_TRUE(Tool->AutoReflection);
  EXPECT_TRUE(Tool->LongDefect);
  EXPECT_TRUE(Tool->AntiAliasing);
  EXPECT_FALSE(Frame.OptionsPanel->isVisibleTo(&Frame));
  EXPECT_FALSE(Frame.AreaReflectionPanel->isVisibleTo(&Frame));
  EXPECT_TRUE(Frame.AdjustmentTBXCheckBox->isVisibleTo(&Frame));
  Key(Qt::Key_R, Qt::ControlModifier);
  EXPECT_TRUE(Tool->AutoReflection);
  EXPECT_EQ(Frame.TitleLabel->text(), QStringLiteral("Blemish Remover"));
  EXPECT_EQ(Frame.AdjustmentTBXCheckBox->text(), QStringLiteral("Match Colors"));
}

TEST_F(HandInpaintingToolTest, TwoPreviewsShowTheFillBeforeAndAfterColourMatching)
{
  OpenSpotted();
  Tool->SetTwoPreviews(true);
  TZrHandInpaintingFrame &Frame = *Tool->Frame;
  EXPECT_EQ(Frame.TargetImage->width(), 130);
  EXPECT_EQ(Frame.TargetImage->Side(), 32);
  Select();
  EXPECT_TRUE(Frame.HandyImage->isVisibleTo(&Frame));
  EXPECT_EQ(Frame.TargetImage->y(), Frame.HandyImage->y() + 134);
  // The image and the lower preview show the matched fill, the upper one
  // the plain copy.
  TZrPixelBuffer Matched, Copied;
  ExpectFill(Spot, Skin, Matched);
  ExpectFill(Spot, Skin, Copied, 0, FillCopy);
  EXPECT_TRUE(SameImage(Image(), Matched));
  const TZrPoint Origin = PreviewOrigin({Tool->DefectRect.Left, Tool->DefectRect.Top}, 32, 25);
  EXPECT_EQ(std::memcmp(Frame.HandyImage->Bitmap.PixelPtr(Spot.X - Origin.X, Spot.Y - Origin.Y),
                        Copied.PixelPtr(Spot.X, Spot.Y), 3),
            0);
  EXPECT_EQ(std::memcmp(Frame.TargetImage->Bitmap.PixelPtr(Spot.X - Origin.X, Spot.Y - Origin.Y),
                        Matched.PixelPtr(Spot.X, Spot.Y), 3),
            0);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(Frame.HandyImage->isVisibleTo(&Frame));
}

TEST_F(HandInpaintingToolTest, SettingsDemoCommandsTargetsAndRecordedLines)
{
  Tool->SetBrushSize(44);
  Tool->SetAdjustment(0);
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Tool->SaveSettings(Writer);
  }
  Tool->SetBrushSize(25);
  Tool->SetAdjustment(2);
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Tool->LoadSettings(Reader);
  EXPECT_EQ(Tool->BrushSize, 44);
  EXPECT_EQ(Tool->Adjustment, 0);

  const auto Command = [this](const char *Word, int32_t Value) {
    TZrDemoScriptParams Params;
    Params.StoreInteger(0, Value);
    bool Handled = false;
    Tool->DemoCommand(nullptr, QString::fromLatin1(Word), Handled, nullptr, Params);
    return Handled;
  };
  EXPECT_TRUE(Command("HANDINPAINTINGADJUSTMENT", 1));
  EXPECT_EQ(Tool->Adjustment, 1);
  EXPECT_TRUE(Command("HANDINPAINTINGAREAREFLECTION", 4));
  EXPECT_TRUE(Tool->Frame->ReflectionButtons[4]->isChecked());
  EXPECT_TRUE(Command("HANDINPAINTINGAREAREFLECTION", 9)); // out of range: ignored
  EXPECT_EQ(Tool->Reflection, 4);
  EXPECT_TRUE(Command("HANDINPAINTINGAUTOREFLECTION", 0));
  EXPECT_FALSE(Tool->AutoReflection);
  EXPECT_TRUE(Command("HANDINPAINTINGLONGDEFECT", 0));
  EXPECT_FALSE(Tool->LongDefect);
  EXPECT_TRUE(Command("HANDINPAINTINGANTIALIASING", -1));
  EXPECT_TRUE(Tool->AntiAliasing);
  EXPECT_TRUE(Command("HANDINPAINTINGSIZE", 30));
  EXPECT_EQ(Tool->BrushSize, 30);
  EXPECT_FALSE(Command("HANDINPAINTINGLOUPE", 1));

  Main->show();
  const auto Target = [this](const char *Name, QWidget *Want) {
    TZrDemoScriptParams Params;
    Params.StoreString(0, Name);
    bool Handled = false;
    QPoint Point;
    Tool->DemoTargetPosition(nullptr, Params, Handled, Point);
    EXPECT_TRUE(Handled) << Name;
    EXPECT_EQ(Point, Want->mapToGlobal(QPoint(Want->width() / 2, Want->height() / 2))) << Name;
  };
  Target("HandInpaintingCancelButton", Tool->Frame->CancelTBXButton);
  Target("handinpaintingarWestSpeedButton", Tool->Frame->ReflectionButtons[6]);
  Target("HandInpaintingAdjustment", Tool->Frame->AdjustmentTBXCheckBox);
  Target("HandInpaintingTargetImage", Tool->Frame->TargetImage);

  OpenSpotted();
  TLineRecorder Recorder;
  Tool->AttachPlayback(&Recorder);
  Tool->Frame->AdjustmentTBXCheckBox->click();
  Tool->Frame->ReflectionButtons[2]->click();
  Select();
  Key(Qt::Key_Escape);
  Tool->DetachPlayback();
  Tool->Frame->AdjustmentTBXCheckBox->click();
  EXPECT_EQ(Recorder.Lines,
            (QStringList{QStringLiteral("MouseCurvedMove HandInpaintingAdjustment"),
                         QStringLiteral("HandInpaintingAdjustment 2"),
                         QStringLiteral("MouseCurvedMove HandInpaintingarEastSpeedButton"),
                         QStringLiteral("HandInpaintingAreaReflection 2"),
                         QStringLiteral("MouseCurvedMove HandInpaintingCancelButton"),
                         QStringLiteral("HandInpaintingCancelButton")}));
}

TEST_F(HandInpaintingToolTest, AtStartUpItIsTheToolInHandWithItsFrameInFront)
{
  // The start-up order: the skin brushes, then this tool in its simple
  // set-up, made current before any photo is open.
  TZrAntiAgingTool1 *Smoothing = nullptr;
  TZrEmphasisTool *Emphasis = nullptr;
  App.CreateModule(Smoothing);
  App.CreateModule(Emphasis);
  TZrHandInpaintingTool *Remover = nullptr;
  App.CreateModule(Remover);
  Remover->ConfigureSimple(false);
  Editor->SelectTool(Remover);
  EXPECT_EQ(Panel->FrontFrame(), Remover->Frame);

  ShowWithViewSize(300, 200);
  ASSERT_TRUE(Open(WriteSpottedPicture(Folder)));
  Editor->ActualSize();
  View()->setFocus();
  Remover->UpdateControls();
  EXPECT_EQ(Editor->CurrentTool(), Remover);
  EXPECT_TRUE(Remover->Button->isChecked());
  EXPECT_TRUE(Remover->Frame->isVisibleTo(Main));
  EXPECT_TRUE(Remover->Frame->SizeTrackBar->isEnabled());
  EXPECT_TRUE(Remover->Frame->AdjustmentTBXCheckBox->isEnabled());
  // A click on the photo goes to it at once.
  Click(Spot);
  EXPECT_TRUE(Remover->Selecting);
  Key(Qt::Key_Escape);
}

TEST_F(HandInpaintingToolTest, AnotherToolOrClosingThePhotoEndsTheSelection)
{
  // A demo may choose another tool while a defect is selected: the fill so
  // far is kept as one step.
  TZrAntiAgingTool1 *Other = nullptr;
  App.CreateModule(Other);
  OpenSpotted();
  Select();
  Editor->SelectTool(Other);
  EXPECT_FALSE(Tool->Selecting);
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 1);
  Editor->SelectTool(Tool);

  Select();
  Editor->CloseCommand();
  EXPECT_FALSE(Tool->Selecting);
  EXPECT_EQ(Tool->Correlator, nullptr);
  OpenSpotted();
  Select();
  Click(Skin);
  EXPECT_EQ(Doc()->History.Count(), 1);
}

} // namespace
} // namespace facette
