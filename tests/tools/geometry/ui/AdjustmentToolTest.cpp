#include "tools/geometry/ui/PanelToolFixture.h"

#include "editor/GraphicsTestSupport.h"

#include "editor/ui/ZrToolPanel.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "imaging/ZrGraphicsImage.h"
#include "tools/geometry/ui/ZrAdjustmentTool.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <optional>
#include <tuple>

namespace facette {
namespace {

using namespace test;

// Brightness V on every channel of every pixel of Source, as its table
// says: ByteRound(i + 5.1 V).
bool IsBrightened(const TZrPixels &Result, const TZrPixels &Source, int32_t V)
{
  if (Result.GetBounds() != Source.GetBounds())
    return false;
  for (int32_t Y = 0; Y < Source.Height; ++Y)
    for (int32_t X = 0; X < Source.Width; ++X)
      for (int C = 0; C < 3; ++C)
        if (Result.PixelPtr(X, Y)[C] != ByteRound(Source.PixelPtr(X, Y)[C] + V * 255.0 / 50.0))
          return false;
  return true;
}

class AdjustmentToolTest : public TPanelToolFixture<TZrAdjustmentTool>
{
protected:
  // A pattern with detail in every channel, at 100% with the tool current.
  void OpenPattern(int Width = 120, int Height = 90)
  {
    ShowWithViewSize(300, 200);
    ASSERT_TRUE(Open(WritePattern(Folder, Width, Height)));
    Editor->SelectTool(Tool);
    Tool->UpdateControls();
  }
  // Where the image shows in the view.
  TZrRect Shown() const { return View()->MapMode().LogicalToDeviceRect(Doc()->ImageBounds()); }
  void Idle() { Tool->UpdateControls(); }
};

TEST_F(AdjustmentToolTest, ThePreviewFollowsTheSlidersAndOkKeepsOneStep)
{
  OpenPattern();
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  TZrAdjustmentFrame &Frame = *Tool->Frame;
  Frame.AllTntCheckBox->click();
  Frame.RedTrackBar->setValue(10);
  EXPECT_EQ(Tool->GreenValue, 10);
  EXPECT_EQ(Tool->BlueValue, 10);

  Frame.StartTBXButton->click();
  ASSERT_TRUE(Tool->Started);
  Idle();
  EXPECT_FALSE(Tool->Downscaled);
  EXPECT_TRUE(Doc()->Editing());
  EXPECT_TRUE(IsBrightened(Image(), Before, 10));
  Frame.RedTrackBar->setValue(-20);
  EXPECT_TRUE(IsBrightened(Image(), Before, 10)) << "applied when the program is idle";
  Idle();
  EXPECT_TRUE(IsBrightened(Image(), Before, -20));

  Frame.FinishingTBXButton->click();
  EXPECT_FALSE(Tool->Started);
  EXPECT_FALSE(Doc()->Editing());
  ASSERT_EQ(Doc()->History.Count(), 1);
  EXPECT_TRUE(IsBrightened(Image(), Before, -20));
  EXPECT_TRUE(SameImage(Doc()->Backup(), Image()));
  EXPECT_EQ(Tool->RedValue, 0) << "the sliders start again from 0";
  EXPECT_EQ(Frame.BlueTrackBar->value(), 0);
  TZrPixelBuffer After;
  CopyPixels(Image(), After);
  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Before));
  Editor->RedoStep();
  EXPECT_TRUE(SameImage(Image(), After));
}

TEST_F(AdjustmentToolTest, ALargeImageIsPreviewedShrunkAndAdjustedWhole)
{
  OpenPattern(1400, 1000);
  Editor->BestFit();
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  const TZrRect ShownBefore = Shown();
  const auto ZoomBefore = View()->GetZoom();

  Tool->Frame->StartTBXButton->click();
  Idle();
  ASSERT_TRUE(Tool->Downscaled);
  EXPECT_EQ(Doc()->ImageBounds(), MakeRect(0, 0, 1207, 862));
  EXPECT_EQ(Doc()->Original().GetWidth(), 1207);
  EXPECT_EQ(Doc()->History.Count(), 0);
  // The shrunk copy shows at the same size on the screen.
  const TZrRect ShownPreview = Shown();
  EXPECT_NEAR(ShownPreview.Width(), ShownBefore.Width(), 2);
  EXPECT_NEAR(ShownPreview.Height(), ShownBefore.Height(), 2);
  EXPECT_NEAR(ShownPreview.Left, ShownBefore.Left, 2);
  EXPECT_TRUE(Tool->Frame->ExplanationTntMemo->toPlainText().contains(LocalString(2915)));

  // Cancel: the image, its size, the zoom and the history as they were.
  Tool->Frame->CancelTBXButton->click();
  Idle();
  EXPECT_FALSE(Tool->Started);
  EXPECT_TRUE(SameImage(Image(), Before));
  EXPECT_TRUE(SameImage(Doc()->Backup(), Before));
  EXPECT_EQ(View()->GetZoom(), ZoomBefore);
  EXPECT_EQ(Shown(), ShownBefore);
  EXPECT_EQ(Doc()->History.Count(), 0);
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_FALSE(Editor->CanRedo());

  // Ok: the whole image adjusted, one step.
  Tool->Frame->StartTBXButton->click();
  Idle();
  Tool->SetAllChannels(true);
  Tool->SetRed(10);
  Idle();
  const TZrRect Small = Doc()->ImageBounds();
  Tool->Frame->FinishingTBXButton->click();
  EXPECT_NE(Small, Doc()->ImageBounds());
  EXPECT_TRUE(IsBrightened(Image(), Before, 10));
  EXPECT_TRUE(SameImage(Doc()->Backup(), Image()));
  EXPECT_EQ(Doc()->History.Count(), 1);
  EXPECT_EQ(View()->GetZoom(), ZoomBefore);
  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Before));
  EXPECT_TRUE(SameImage(*Doc()->OriginalPixels(), Before));
}

TEST_F(AdjustmentToolTest, SavingDuringThePreviewSavesTheWholeAdjustedImage)
{
  OpenPattern(1400, 1000);
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  Tool->SetAllChannels(true);
  Tool->SetRed(-10);
  Tool->StartAdjustment();
  ASSERT_TRUE(Tool->Downscaled);
  const QString Out = Folder.filePath(QStringLiteral("saved.png"));
  ASSERT_TRUE(Doc()->SaveToFile(Out.toStdString(), gfPNG));
  EXPECT_FALSE(Tool->Started);
  QImage Saved(Out);
  ASSERT_EQ(Saved.size(), QSize(1400, 1000));
  const uint8_t *P = Before.PixelPtr(700, 500);
  EXPECT_EQ(qRed(Saved.pixel(700, 500)), ByteRound(P[2] - 51.0));
  EXPECT_EQ(qBlue(Saved.pixel(700, 500)), ByteRound(P[0] - 51.0));
  EXPECT_EQ(Doc()->History.Count(), 1);
}

TEST_F(AdjustmentToolTest, ClosingOrEndingThePreviewFromOutside)
{
  OpenPattern(1400, 1000);
  Tool->StartAdjustment();
  ASSERT_TRUE(Tool->Downscaled);
  Editor->CloseCommand();
  EXPECT_FALSE(Tool->Started);
  EXPECT_EQ(Tool->Parked.Image, nullptr);

  // Another edit beginning finishes the preview on the whole image first.
  OpenPattern(1400, 1000);
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  Tool->SetAllChannels(true);
  Tool->SetRed(10);
  Tool->StartAdjustment();
  TJournalTool Other("Other");
  Other.BeginEdit(*View());
  EXPECT_FALSE(Tool->Started);
  EXPECT_EQ(Doc()->EditTool(), &Other);
  EXPECT_TRUE(IsBrightened(Image(), Before, 10));
  EXPECT_EQ(Doc()->History.Count(), 1);
  Other.CancelEdit();
}

TEST_F(AdjustmentToolTest, ContrastPivotsOnTheMeansOfTheImageAtHand)
{
  // Two images of two halves each; contrast -50 turns every channel into
  // its mean: 120 for 40 | 200, 170 for 100 | 240.
  ShowWithViewSize(300, 200);
  Tool->SetAdjustmentType(atContrast);
  Tool->SetAllChannels(true);
  Tool->SetRed(-50);
  for (const auto &[Left, Right, Mean] : {std::tuple{40, 200, 120}, std::tuple{100, 240, 170}}) {
    ASSERT_TRUE(
        Open(WriteImage(Folder, QStringLiteral("halves%1.png").arg(Left), 20, 10, Left, Right)));
    Editor->SelectTool(Tool);
    Tool->StartAdjustment();
    ASSERT_TRUE(Tool->Started);
    EXPECT_EQ(Image().PixelPtr(0, 0)[1], Mean);
    EXPECT_EQ(Image().PixelPtr(19, 9)[1], Mean);
    Tool->CancelAdjustment();
  }
}

TEST_F(AdjustmentToolTest, EveryChangeOfTheSlidersIsPreviewed)
{
  OpenPattern(40, 30);
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  Tool->StartAdjustment();
  // Settings a single code of all three values would confuse.
  Tool->SetGreen(1);
  Tool->SetBlue(-50);
  Idle();
  EXPECT_EQ(Image().PixelPtr(3, 3)[0], 0);
  Tool->SetGreen(0);
  Tool->SetBlue(50);
  Idle();
  EXPECT_EQ(Image().PixelPtr(3, 3)[0], 255);
  EXPECT_EQ(Image().PixelPtr(3, 3)[1], Before.PixelPtr(3, 3)[1]);
  Tool->CancelAdjustment();
}

TEST_F(AdjustmentToolTest, SlidersLabelsAndButtons)
{
  OpenPattern(40, 30);
  TZrAdjustmentFrame &Frame = *Tool->Frame;
  Frame.RedTrackBar->setValue(7);
  Frame.GreenTrackBar->setValue(-3);
  Idle();
  EXPECT_EQ(Tool->BlueValue, 0) << "separate channels";
  EXPECT_EQ(Frame.RedLabel->text(), QStringLiteral("Red: +7"));
  EXPECT_EQ(Frame.GreenLabel->text(), QStringLiteral("Green: -3"));
  EXPECT_EQ(Frame.BlueLabel->text(), QStringLiteral("Blue: 0"));
  EXPECT_TRUE(Frame.GreenTrackBar->isVisibleTo(&Frame));
  EXPECT_EQ(Frame.AdjustmentTypeTntGroupBox->title(), QStringLiteral("Brightness"));

  Frame.AllTntCheckBox->click();
  Idle();
  EXPECT_EQ(Tool->GreenValue, 7);
  EXPECT_EQ(Tool->BlueValue, 7);
  EXPECT_EQ(Frame.RedLabel->text(), QStringLiteral("Brightness: +7"));
  EXPECT_FALSE(Frame.GreenTrackBar->isVisibleTo(&Frame));
  Frame.ResetTBXButton->click();
  EXPECT_EQ(Tool->RedValue, 0);
  EXPECT_EQ(Tool->BlueValue, 0);

  Frame.GammaTBXButton->click();
  EXPECT_EQ(Tool->AdjustmentType, atGamma);
  Idle();
  EXPECT_EQ(Frame.AdjustmentTypeTntGroupBox->title(), QStringLiteral("Gamma"));
  EXPECT_TRUE(Frame.StartTBXButton->isEnabled());
  EXPECT_FALSE(Frame.FinishingTBXButton->isEnabled());
  Frame.StartTBXButton->click();
  Idle();
  EXPECT_FALSE(Frame.StartTBXButton->isEnabled());
  EXPECT_TRUE(Frame.FinishingTBXButton->isEnabled());
  EXPECT_TRUE(Frame.CancelTBXButton->isEnabled());
  EXPECT_TRUE(Frame.GammaTBXButton->isEnabled());
  EXPECT_FALSE(Frame.SaturationTBXButton->isEnabled()) << "one type per preview";
  Frame.SaturationTBXButton->click();
  EXPECT_EQ(Tool->AdjustmentType, atGamma);
  EXPECT_FALSE(Editor->CanSelectTool(nullptr)) << "no other tool while the preview runs";
  Frame.CancelTBXButton->click();
  Idle();
  EXPECT_TRUE(Frame.SaturationTBXButton->isEnabled());
  // Without a document nothing can be started.
  Editor->CloseCommand();
  Idle();
  EXPECT_FALSE(Frame.StartTBXButton->isEnabled());
  EXPECT_FALSE(Frame.ExplanationTntMemo->isVisibleTo(&Frame));
}

TEST_F(AdjustmentToolTest, SettingsRoundTrip)
{
  Tool->SetRed(-12);
  Tool->SetGreen(30);
  Tool->SetBlue(50);
  Tool->SetShowExplanation(false);
  Tool->SetAdjustmentType(atSaturation);
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Tool->SaveSettings(Writer);
  }
  Tool->ResetSliders();
  Tool->SetShowExplanation(true);
  Tool->SetAdjustmentType(atBrightness);
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Tool->LoadSettings(Reader);
  EXPECT_EQ(Tool->RedValue, -12);
  EXPECT_EQ(Tool->GreenValue, 30);
  EXPECT_EQ(Tool->BlueValue, 50);
  EXPECT_FALSE(Tool->ShowExplanation);
  EXPECT_FALSE(Tool->Frame->ExplanationTntCheckBox->isChecked());
  EXPECT_EQ(Tool->AdjustmentType, atSaturation);
  EXPECT_TRUE(Tool->Frame->SaturationTBXButton->isChecked());
}

TEST_F(AdjustmentToolTest, DemoCommandsTargetsAndRecordedLines)
{
  OpenPattern(40, 30);
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  const auto Command = [this](const char *Word, std::optional<int32_t> Value = {}) {
    TZrDemoScriptParams Params;
    if (Value)
      Params.StoreInteger(0, *Value);
    bool Handled = false;
    Registry.DispatchCommand(nullptr, QString::fromLatin1(Word), Handled, nullptr, Params);
    return Handled;
  };
  EXPECT_TRUE(Command("ADJUSTMENTCONTRAST"));
  EXPECT_EQ(Tool->AdjustmentType, atContrast);
  EXPECT_TRUE(Command("ADJUSTMENTBRIGHTNESS"));
  EXPECT_TRUE(Command("ADJUSTMENTALL", 1));
  EXPECT_TRUE(Command("ADJUSTMENTRED", 10));
  EXPECT_EQ(Tool->BlueValue, 10);
  EXPECT_TRUE(Command("ADJUSTMENTRED", 90));
  EXPECT_EQ(Tool->RedValue, 50) << "kept to the sliders' range";
  EXPECT_TRUE(Command("ADJUSTMENTRED", 10));
  EXPECT_TRUE(Command("ADJUSTMENTSTART"));
  EXPECT_TRUE(Tool->Started);
  EXPECT_TRUE(Command("ADJUSTMENTFINISHING"));
  EXPECT_TRUE(IsBrightened(Image(), Before, 10));
  EXPECT_TRUE(Command("ADJUSTMENTEXPLANATION", 0));
  EXPECT_FALSE(Tool->ShowExplanation);

  // The user's moves are recorded.
  TLineRecorder Recorder;
  Registry.Playback = &Recorder;
  Tool->Frame->AllTntCheckBox->click();
  Tool->Frame->BlueTrackBar->setValue(-4);
  Tool->Frame->ContrastTBXButton->click();
  Tool->Frame->StartTBXButton->click();
  Idle();
  Tool->Frame->CancelTBXButton->click();
  EXPECT_EQ(
      Recorder.Lines,
      (QStringList{
          QStringLiteral("MouseCurvedMove AdjustmentAll"), QStringLiteral("AdjustmentAll 0"),
          QStringLiteral("MouseCurvedMove AdjustmentBlue"), QStringLiteral("AdjustmentBlue -4"),
          QStringLiteral("MouseCurvedMove AdjustmentContrast"),
          QStringLiteral("AdjustmentContrast"), QStringLiteral("MouseCurvedMove AdjustmentStart"),
          QStringLiteral("AdjustmentStart"), QStringLiteral("MouseCurvedMove AdjustmentCancel"),
          QStringLiteral("AdjustmentCancel")}));

  for (const char *Name :
       {"Adjustment", "AdjustmentRed", "AdjustmentGreen", "AdjustmentBlue", "AdjustmentExplanation",
        "AdjustmentAll", "AdjustmentBrightness", "AdjustmentGamma", "AdjustmentReset",
        "AdjustmentStart", "AdjustmentCancel", "AdjustmentFinishing"}) {
    TZrDemoScriptParams Params;
    Params.StoreString(0, Name);
    bool Handled = false;
    QPoint Point;
    Registry.ResolveTarget(nullptr, Params, Handled, Point);
    EXPECT_TRUE(Handled) << Name;
  }
}

} // namespace
} // namespace facette
