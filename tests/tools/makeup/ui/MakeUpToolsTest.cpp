#include "editor/ui/EditorTestSupport.h"

#include "editor/GraphicsTestSupport.h"

#include "editor/ui/ZrToolPanel.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "tools/brush/ui/ZrSmudgeTool.h"
#include "tools/brush/ZrBrushKernels.h"
#include "tools/brush/ZrBrushMasks.h"
#include "tools/makeup/ui/ZrMakeUpTools.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <vector>

namespace facette {
namespace {

using namespace test;

// Skin-like colours with fine grain in every channel, so that a colour
// laid with the texture kept differs from one laid flat.
QString WriteSkin(const QTemporaryDir &Folder, int Width, int Height)
{
  QImage Picture(Width, Height, QImage::Format_RGB888);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X) {
      const int Grain = ((X * 37 + Y * 11) ^ (X * Y)) % 23 - 11;
      Picture.setPixel(X, Y,
                       qRgb(std::clamp(190 + Grain + X / 4, 0, 255),
                            std::clamp(140 + Grain - Y / 5, 0, 255),
                            std::clamp(120 + Grain / 2, 0, 255)));
    }
  const QString Path = Folder.filePath(QStringLiteral("skin.png"));
  EXPECT_TRUE(Picture.save(Path));
  return Path;
}

class MakeUpToolsTest : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    App.CreateModule(Panel);
    Panel->Initialize();
    App.CreateModule(Lipstick);
    App.CreateModule(Powder);
    App.CreateModule(Rouge);
    App.CreateModule(EyeColor);
    App.CreateModule(EyeShadow);
    App.CreateModule(EyePencil);
    App.CreateModule(TeethBleach);
    for (TZrMakeUpSurfaceTool *Tool : Tools())
      Tool->Initialize();
  }
  void TearDown() override
  {
    DemoRegistry().Playback = nullptr;
    GraphicsEditorFixture::TearDown();
  }

  std::vector<TZrMakeUpSurfaceTool *> Tools() const
  {
    return {Lipstick, Powder, Rouge, EyeColor, EyeShadow, EyePencil, TeethBleach};
  }
  // The skin picture at 100% in a view of 300 x 300, with Tool current.
  void OpenSkin(TZrGraphicsTool *Tool)
  {
    ShowWithViewSize(300, 300);
    ASSERT_TRUE(Open(WriteSkin(Folder, 120, 90)));
    Editor->ActualSize();
    Editor->SelectTool(Tool);
    View()->setFocus();
    QApplication::processEvents();
  }
  TZrPixels &Image() const { return *Doc()->ImagePixels(); }
  // What Tool's stroke through Path does to Before, worked out directly
  // with the engine: the soft disc of the tool's brush, the stroke's
  // maximum mask, the detail layer of Before.
  void ExpectedStroke(const TZrMakeUpSurfaceTool &Tool, const TZrPixels &Before,
                      const std::vector<TZrPoint> &Path, TZrPixelBuffer &Expected) const
  {
    CopyPixels(Before, Expected);
    TZrMakeUpDetail Layer;
    Layer.BuildDetail(Before);
    TZrPixelMask Stamp, PaintMask;
    BuildSoftDisc(Stamp, Tool.BrushSize, Tool.Opacity, Tool.Hardness);
    for (TZrPoint P : Path) {
      const TZrRect R = IntersectRect(BrushRect(P, Tool.BrushSize), Before.GetBounds());
      Stamp.Left = BrushRect(P, Tool.BrushSize).Left;
      Stamp.Top = BrushRect(P, Tool.BrushSize).Top;
      PaintMask.MergeMax(Stamp);
      ApplyColour(R, Before, PaintMask, Layer, Tool.Palette->GetColour(), Tool.BlendMode,
                  Tool.KeepTexture, Expected);
    }
  }

  // Demo names of this test's tools only.
  TZrDemoRegistry Registry;
  TZrToolPanelModule *Panel = nullptr;
  TZrLipstickTool *Lipstick = nullptr;
  TZrPowderTool *Powder = nullptr;
  TZrRougeTool *Rouge = nullptr;
  TZrEyeColorTool *EyeColor = nullptr;
  TZrEyeShadowTool *EyeShadow = nullptr;
  TZrEyePencilTool *EyePencil = nullptr;
  TZrTeethBleachTool *TeethBleach = nullptr;
};

TEST_F(MakeUpToolsTest, EachToolFixesItsBrushModeColourAndControls)
{
  struct TCase
  {
    TZrMakeUpSurfaceTool *Tool;
    const char *DemoName;
    const char *Title;
    int32_t Hardness, Opacity, Mode;
    bool KeepTexture;
    int32_t Brightness; // slider position
    int32_t Colour;     // -1: the palette's own
    bool Palette;       // palette, channel buttons and brightness shown
    bool ColourRow;     // selector and swatch shown
    const char *Guid;
  };
  const TCase Cases[] = {
      {Lipstick, "Lipstick", "Lipstick", 191, 255, NormalMode, true, 128, -1, true, true,
       "{71975188-C192-4136-A3D0-25A2AFF45335}"},
      {Powder, "Powder", "Powder", 127, 16, NormalMode, false, 128, -1, true, true,
       "{006466EE-FAB8-4E77-A4C0-84E3035A98AD}"},
      {Rouge, "Rouge", "Rouge", 127, 16, LuminosityMode, true, 255, -1, true, true,
       "{168E5F19-8F69-4834-90F8-CD9E19D54FDB}"},
      {EyeColor, "EyeColor", "Eye Color", 191, 127, LuminosityMode, true, 255, -1, true, true,
       "{FE93CBD7-F887-4BF6-B765-5D5AF619F0DD}"},
      {EyeShadow, "EyeShadow", "Eye Shadow", 95, 44, NormalMode, true, 128, -1, true, true,
       "{B014135A-DECD-4420-A111-F59CB6CED141}"},
      {EyePencil, "EyePencil", "Eye Pencil", 127, 24, NormalMode, true, 0, 0x000000, false, true,
       "{4F4B4EBD-D957-4570-80A8-189BC628B46A}"},
      {TeethBleach, "TeethBleach", "Teeth Whitening", 127, 32, NormalMode, false, 255, 0xFFFFFF,
       false, false, "{07B44135-CA6E-4F34-9A26-AD7536DA49C0}"},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.DemoName);
    TZrMakeUpSurfaceTool &T = *C.Tool;
    TZrMakeUpSurfaceFrame &F = *T.Frame;
    EXPECT_EQ(T.DemoName, QLatin1String(C.DemoName));
    EXPECT_EQ(F.TitleLabel->text(), QLatin1String(C.Title));
    EXPECT_EQ(T.Button->toolTip(), QLatin1String(C.Title));
    EXPECT_EQ(T.Hardness, C.Hardness);
    EXPECT_EQ(T.Opacity, C.Opacity);
    EXPECT_EQ(T.BlendMode, C.Mode);
    EXPECT_EQ(T.Palette->FullBrightness, C.Mode == LuminosityMode);
    EXPECT_EQ(F.GlazeTBXCheckBox->isChecked(), C.Mode == LuminosityMode);
    EXPECT_EQ(T.KeepTexture, C.KeepTexture);
    EXPECT_EQ(F.BrightnessTrackBar->value(), C.Brightness);
    if (C.Colour >= 0) {
      EXPECT_EQ(T.Palette->GetColour(), C.Colour);
    }
    EXPECT_EQ(T.SettingsGuid(), TZrGuid::FromString(C.Guid));
    EXPECT_EQ(T.MaxBrushSize, 100);
    EXPECT_EQ(F.SizeTrackBar->maximum(), 100);
    EXPECT_FALSE(T.ColorPicking);
    // Opacity, hardness and "Glaze" are never offered.
    for (QWidget *Hidden :
         std::initializer_list<QWidget *>{F.OpacityTrackBar, F.HardnessTrackBar, F.OpacityLabel,
                                          F.HardnessLabel, F.GlazeTBXCheckBox})
      EXPECT_FALSE(Hidden->isVisibleTo(&F));
    EXPECT_EQ(F.PaletteTntPaintBox->isVisibleTo(&F), C.Palette);
    EXPECT_EQ(F.TBXAlignmentPanel1->isVisibleTo(&F), C.Palette);
    EXPECT_EQ(F.BrightnessTrackBar->isVisibleTo(&F), C.Palette);
    EXPECT_EQ(F.TBXAlignmentPanel->isVisibleTo(&F), C.ColourRow);
  }
  // The panel makes room for the palette.
  Main->show();
  Editor->SelectTool(Lipstick);
  QApplication::processEvents();
  EXPECT_GE(Lipstick->Frame->parentWidget()->width(), 256);
}

TEST_F(MakeUpToolsTest, ALipstickStrokeLaysTheColourWithTheSkinsDetailAsOneUndoStep)
{
  OpenSkin(Lipstick);
  Lipstick->SetBrushSize(15);
  Lipstick->SetOpacity(127);
  Lipstick->PickFromPalette(200, 60);
  TZrPixelBuffer Before, Expected;
  CopyPixels(Image(), Before);
  const std::vector<TZrPoint> Path = {{30, 40}, {36, 41}, {44, 43}, {50, 44}, {44, 43}};
  ExpectedStroke(*Lipstick, Before, Path, Expected);
  ASSERT_FALSE(SameImage(Expected, Before));

  Stroke(Path);
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_TRUE(SameImage(Image(), Expected));
  EXPECT_EQ(Doc()->History.Count(), 1);
  // The stroke's masks and caches go with it.
  EXPECT_EQ(Lipstick->PaintMask.Width, 0);
  EXPECT_EQ(Lipstick->BlurCache.Bits, nullptr);

  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Before));
  Editor->RedoStep();
  EXPECT_TRUE(SameImage(Image(), Expected));
}

TEST_F(MakeUpToolsTest, TheDetailLayerFollowsChangesByOtherToolsOnly)
{
  TZrSmudgeTool *Smudge = nullptr;
  App.CreateModule(Smudge);
  Smudge->Initialize();
  OpenSkin(Lipstick);
  const TZrMakeUpDetail &Layer = MakeUpDetailLayer();
  EXPECT_TRUE(Layer.DetailStale);
  // The first move over the view makes it stand for the image; nothing is
  // worked out before a stroke needs it.
  QTest::mouseMove(View(), At(TZrPoint{60, 45}));
  EXPECT_FALSE(Layer.DetailStale);
  EXPECT_EQ(Layer.GetBounds(), Image().GetBounds());
  EXPECT_FALSE(Layer.RowsReady(0, 90));

  // Make-up strokes, their undo and redo keep it.
  Stroke({{60, 45}, {64, 45}});
  EXPECT_TRUE(Layer.RowsReady(45, 46));
  Editor->UndoStep();
  Editor->RedoStep();
  EXPECT_FALSE(Layer.DetailStale);

  // A smudge stroke changes the skin: the layer goes stale and the next
  // lipstick stroke puts back the detail of the smudged image.
  Editor->SelectTool(Smudge);
  Stroke({{30, 30}, {40, 32}});
  EXPECT_TRUE(Layer.DetailStale);
  Editor->SelectTool(Lipstick);
  TZrPixelBuffer Smudged, Expected;
  CopyPixels(Image(), Smudged);
  ExpectedStroke(*Lipstick, Smudged, {{34, 31}}, Expected);
  // The press comes without a move over the view first.
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{34, 31}));
  EXPECT_FALSE(Layer.DetailStale);
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{34, 31}));
  EXPECT_TRUE(SameImage(Image(), Expected));
  // Undoing the smudge stroke changes the skin again.
  Editor->UndoStep();
  Editor->UndoStep();
  EXPECT_TRUE(Layer.DetailStale);
}

TEST_F(MakeUpToolsTest, RowsWorkedOutLateHoldTheDetailOfTheImageTheLayerStandsFor)
{
  OpenSkin(Lipstick);
  Lipstick->SetBrushSize(15);
  EyeShadow->SetBrushSize(15);
  // An eye shadow stroke over Image, with the layer of Basis built in one
  // go.
  const auto ShadowOver = [this](const TZrPixels &Basis, const TZrPixels &Image,
                                 const std::vector<TZrPoint> &Path, TZrPixelBuffer &Expected) {
    TZrMakeUpDetail Layer;
    Layer.BuildDetail(Basis);
    CopyPixels(Image, Expected);
    TZrPixelMask Stamp, PaintMask;
    BuildSoftDisc(Stamp, 15, EyeShadow->Opacity, EyeShadow->Hardness);
    for (TZrPoint P : Path) {
      Stamp.Left = BrushRect(P, 15).Left;
      Stamp.Top = BrushRect(P, 15).Top;
      PaintMask.MergeMax(Stamp);
      ApplyColour(BrushRect(P, 15), Image, PaintMask, Layer, EyeShadow->Palette->GetColour(),
                  NormalMode, true, Expected);
    }
  };
  TZrPixelBuffer Opened, WithLipstick, Expected;
  CopyPixels(Image(), Opened);

  // A stroke right below a lipstick stroke reads rows whose windows reach
  // into it (and lie in rows of the layer no stamp of the lipstick
  // covered): they hold the detail of the opened image.
  Stroke({{40, 55}, {50, 55}});
  CopyPixels(Image(), WithLipstick);
  Editor->SelectTool(EyeShadow);
  ShadowOver(Opened, WithLipstick, {{42, 72}, {48, 72}}, Expected);
  Stroke({{42, 72}, {48, 72}});
  EXPECT_TRUE(SameImage(Image(), Expected));
  Editor->UndoStep();
  ASSERT_TRUE(SameImage(Image(), WithLipstick));

  // Now the layer stands for the image with the lipstick on it (reset by
  // the move after a change of another tool). The lipstick stroke is
  // undone, and an eye shadow stroke reads rows reaching into it: they
  // hold the detail of the image with the lipstick.
  MakeUpDetailLayer().DetailStale = true;
  QTest::mouseMove(View(), At(TZrPoint{80, 20}));
  Editor->UndoStep();
  TZrPixelBuffer Undone;
  CopyPixels(Image(), Undone);
  ShadowOver(WithLipstick, Undone, {{42, 72}, {48, 72}}, Expected);
  Stroke({{42, 72}, {48, 72}});
  EXPECT_TRUE(SameImage(Image(), Expected));
}

TEST_F(MakeUpToolsTest, TheEyedropperPicksOnceWithoutChangingTheImage)
{
  OpenSkin(Lipstick);
  Lipstick->SetBrushSize(9);
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  TLineRecorder Recorder;
  DemoRegistry().Playback = &Recorder;

  Lipstick->Frame->ColorSelectorTntSpeedButton->click();
  EXPECT_TRUE(Lipstick->ColorPicking);
  EXPECT_EQ(Recorder.Lines, (QStringList{QStringLiteral("MouseCurvedMove LipstickColorSelector"),
                                         QStringLiteral("LipstickColorSelector 1")}));
  QTest::mouseMove(View(), At(TZrPoint{70, 50}));
  EXPECT_EQ(View()->cursor().shape(), ScreenCursor(crEyedropper).shape());

  // The blurred colour under the brush: the mean over the brush's disc
  // without its middle.
  TZrPixelMask Footprint;
  BuildBlurFootprint(Footprint, 9, false);
  TZrPixelBuffer NoCache;
  const int32_t Blurred = BlurColour(NoCache, Footprint, Before, 80, 52);
  Stroke({{80, 52}});
  EXPECT_EQ(Lipstick->Palette->GetColour(), Blurred);
  EXPECT_EQ(Lipstick->Frame->BrightnessTrackBar->value(), Lipstick->Palette->Brightness);
  EXPECT_TRUE(Lipstick->Frame->ChannelButton(Lipstick->Palette->Channel)->isChecked());
  EXPECT_TRUE(SameImage(Image(), Before));
  EXPECT_EQ(Doc()->History.Count(), 0);
  // Disarmed after one use.
  EXPECT_FALSE(Lipstick->ColorPicking);
  EXPECT_FALSE(Lipstick->Frame->ColorSelectorTntSpeedButton->isChecked());
  EXPECT_EQ(View()->cursor().shape(), Qt::BlankCursor);

  // Alt+P arms it; a press beside the image does nothing and keeps it
  // armed; the right button never paints.
  Recorder.Lines.clear();
  QTest::keyClick(View(), Qt::Key_P, Qt::AltModifier);
  EXPECT_TRUE(Lipstick->ColorPicking);
  EXPECT_EQ(Recorder.Lines, QStringList{QStringLiteral("LipstickColorSelector 1")});
  QTest::mouseClick(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{-20, 10}));
  EXPECT_TRUE(Lipstick->ColorPicking);
  QTest::keyClick(View(), Qt::Key_P, Qt::AltModifier);
  EXPECT_FALSE(Lipstick->ColorPicking);
  Stroke({{40, 40}, {60, 40}});
  ASSERT_EQ(Doc()->History.Count(), 1);
  QTest::mouseClick(View(), Qt::RightButton, Qt::NoModifier, At(TZrPoint{90, 60}));
  EXPECT_EQ(Doc()->History.Count(), 1);
}

TEST_F(MakeUpToolsTest, APickNeverTakesAColourAveragedBefore)
{
  OpenSkin(Lipstick);
  Lipstick->SetBrushSize(9);
  QTest::mouseMove(View(), At(TZrPoint{50, 50}));
  auto &Control = *static_cast<TZrMaskDrawToolControl *>(Lipstick->GetControl(0));
  ASSERT_EQ(Control.BrushCentre, (TZrPoint{50, 50}));
  // A blurred colour left in the cache for the very square the brush is
  // on.
  Lipstick->BlurCache.Allocate(pf32bit, Control.Bounds);
  const uint8_t Stale[4] = {1, 2, 3, 255};
  std::memcpy(Lipstick->BlurCache.PixelPtr(50, 50), Stale, 4);
  Lipstick->SetColorPicking(true);
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{50, 50}));
  TZrPixelMask Footprint;
  BuildBlurFootprint(Footprint, 9, false);
  TZrPixelBuffer NoCache;
  EXPECT_EQ(Lipstick->Palette->GetColour(),
            BlurColour(NoCache, Footprint, Doc()->Backup(), 50, 50));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{50, 50}));
}

TEST_F(MakeUpToolsTest, ArmingTheEyedropperDuringAStrokeKeepsItsPaintAsAnUndoStep)
{
  OpenSkin(Lipstick);
  QTest::mouseMove(View(), At(TZrPoint{30, 30}));
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{30, 30}));
  QTest::mouseMove(View(), At(TZrPoint{40, 30}));
  QTest::keyClick(View(), Qt::Key_P, Qt::AltModifier);
  QTest::mouseMove(View(), At(TZrPoint{50, 30}));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(TZrPoint{50, 30}));
  // What was painted before the eyedropper came is one step to undo, and
  // the committed image holds it.
  EXPECT_EQ(Doc()->History.Count(), 1);
  EXPECT_TRUE(SameImage(Image(), Doc()->Backup()));
  EXPECT_FALSE(Lipstick->ColorPicking);
}

TEST_F(MakeUpToolsTest, FixedColourToolsDisarmTheEyedropperWhenIdle)
{
  OpenSkin(EyePencil);
  for (TZrMakeUpSurfaceTool *Tool : {static_cast<TZrMakeUpSurfaceTool *>(EyePencil),
                                     static_cast<TZrMakeUpSurfaceTool *>(TeethBleach)}) {
    SCOPED_TRACE(Tool->DemoName.toStdString());
    Editor->SelectTool(Tool);
    bool Handled = false;
    TZrDemoScriptParams Params;
    Params.StoreInteger(0, -1);
    DemoRegistry().DispatchCommand(nullptr,
                                   (Tool->DemoName + QStringLiteral("ColorSelector")).toUpper(),
                                   Handled, nullptr, Params);
    EXPECT_TRUE(Handled);
    EXPECT_TRUE(Tool->ColorPicking);
    Tool->UpdateControls();
    EXPECT_FALSE(Tool->ColorPicking);
    QTest::keyClick(View(), Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(Tool->ColorPicking);
    Tool->UpdateControls();
    EXPECT_FALSE(Tool->ColorPicking);
    EXPECT_FALSE(Tool->Frame->ColorSelectorTntSpeedButton->isEnabled());
  }
  // Other tools keep it armed and their selector usable.
  Editor->SelectTool(Lipstick);
  Lipstick->SetColorPicking(true);
  Lipstick->UpdateControls();
  EXPECT_TRUE(Lipstick->ColorPicking);
  EXPECT_TRUE(Lipstick->Frame->ColorSelectorTntSpeedButton->isEnabled());
}

TEST_F(MakeUpToolsTest, SettingsKeepSizeAndColourButNotAFixedColour)
{
  Lipstick->SetBrushSize(42);
  Lipstick->Palette->SetColour(0x3060C0); // R 48, G 96, B 192
  EyePencil->SetBrushSize(7);
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Lipstick->SaveSettings(Writer);
    EyePencil->SaveSettings(Writer);
    // A colour where the teeth and the eye pencil have none to keep.
    Writer.BeginNode(1, TeethBleach->SettingsGuid());
    Writer.WriteInteger(4, 0x0000FF);
    Writer.EndNode();
    Writer.BeginNode(1, EyePencil->SettingsGuid());
    Writer.WriteInteger(4, 0x0000FF);
    Writer.EndNode();
  }
  Lipstick->SetBrushSize(10);
  Lipstick->Palette->SetColour(0x808080);
  EyePencil->SetBrushSize(10);
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  for (TZrMakeUpSurfaceTool *Tool : Tools())
    Tool->LoadSettings(Reader);
  EXPECT_EQ(Lipstick->BrushSize, 42);
  EXPECT_EQ(Lipstick->Frame->SizeTrackBar->value(), 42);
  EXPECT_EQ(Lipstick->Palette->GetColour(), 0x3060C0);
  // The slider and the channel buttons follow the loaded colour.
  EXPECT_EQ(Lipstick->Frame->BrightnessTrackBar->value(), 192);
  EXPECT_TRUE(Lipstick->Frame->BlueTntSpeedButton->isChecked());
  EXPECT_EQ(EyePencil->BrushSize, 7);
  EXPECT_EQ(EyePencil->Palette->GetColour(), 0x000000);
  EXPECT_EQ(TeethBleach->Palette->GetColour(), 0xFFFFFF);
  // Tools without a node keep what they had.
  EXPECT_EQ(Powder->BrushSize, 10);
}

TEST_F(MakeUpToolsTest, FrameAndToolStayInStep)
{
  TZrMakeUpSurfaceFrame &F = *Lipstick->Frame;
  TLineRecorder Recorder;
  DemoRegistry().Playback = &Recorder;
  Main->show();
  Editor->SelectTool(Lipstick);
  QApplication::processEvents();

  // Brightness slider: the palette's fixed channel and its colour.
  F.BrightnessTrackBar->setValue(200);
  EXPECT_EQ(Lipstick->Palette->Brightness, 200);
  EXPECT_EQ(Lipstick->Palette->Colour[2], 200);
  EXPECT_EQ(Recorder.Lines.back(), QStringLiteral("LipstickBrightness 200"));
  // Size slider.
  F.SizeTrackBar->setValue(33);
  EXPECT_EQ(Lipstick->BrushSize, 33);

  // A click on the palette picks the point under it; a drag follows.
  QTest::mousePress(F.PaletteTntPaintBox, Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
  EXPECT_EQ(Lipstick->Palette->Point, (TZrPoint{20, 30}));
  QTest::mouseMove(F.PaletteTntPaintBox, QPoint(40, 50));
  QTest::mouseRelease(F.PaletteTntPaintBox, Qt::LeftButton, Qt::NoModifier, QPoint(40, 50));
  EXPECT_EQ(Lipstick->Palette->Point, (TZrPoint{40, 50}));
  uint8_t Pixel[3];
  Lipstick->Palette->ReadPixel(TZrPoint{40, 50}, Pixel);
  EXPECT_EQ(Editor->GStatusPanel->text(), QString::number(Pixel[1]));
  // Beyond the square: clamped, recorded as given.
  Recorder.Lines.clear();
  Lipstick->PickFromPalette(300, -5);
  EXPECT_EQ(Lipstick->Palette->Point, (TZrPoint{255, 0}));
  EXPECT_EQ(Recorder.Lines, (QStringList{QStringLiteral("MouseCurvedMove LipstickPalette"),
                                         QStringLiteral("LipstickPalette 300 ,-5")}));

  // Channel buttons.
  Recorder.Lines.clear();
  F.GreenTntSpeedButton->click();
  EXPECT_EQ(Lipstick->Palette->Channel, TMakeUpPalette::GreenChannel);
  EXPECT_TRUE(F.GreenTntSpeedButton->isChecked());
  EXPECT_FALSE(F.RedTntSpeedButton->isChecked());
  EXPECT_EQ(Recorder.Lines, (QStringList{QStringLiteral("MouseCurvedMove LipstickGreen"),
                                         QStringLiteral("LipstickGreen")}));

  // The swatch and the square show the palette.
  const QImage Swatch = F.ColorTntPaintBox->grab().toImage();
  EXPECT_EQ(Swatch.pixel(40, 20), qRgb(Lipstick->Palette->Colour[2], Lipstick->Palette->Colour[1],
                                       Lipstick->Palette->Colour[0]));
  const QImage Square = F.PaletteTntPaintBox->grab().toImage();
  Lipstick->Palette->ReadPixel(TZrPoint{10, 200}, Pixel);
  EXPECT_EQ(Square.pixel(10, 200), qRgb(Pixel[2], Pixel[1], Pixel[0]));
  // The cross-hair inverts the square beside the point, not on it.
  Lipstick->Palette->ReadPixel(TZrPoint{250, 0}, Pixel);
  EXPECT_EQ(Square.pixel(250, 0), qRgb(255 - Pixel[2], 255 - Pixel[1], 255 - Pixel[0]));

  // Labels and the idle state of the frame.
  Lipstick->UpdateControls();
  EXPECT_EQ(F.SizeLabel->text(), QStringLiteral("Size: 33"));
  EXPECT_EQ(F.BrightnessTBXLabel->text(), QStringLiteral("Brightness: 200"));
  EXPECT_FALSE(F.isEnabled()); // no image open
  Rouge->UpdateControls();
  EXPECT_FALSE(Rouge->Frame->BrightnessTrackBar->isEnabled());
  EXPECT_FALSE(Rouge->Frame->BrightnessTBXLabel->isEnabled());
}

TEST_F(MakeUpToolsTest, DemoCommandsAndTargets)
{
  Main->show();
  Editor->SelectTool(Lipstick);
  QApplication::processEvents();
  const auto Run = [](const char *Command, const TZrDemoScriptParams &Params = {}) {
    bool Handled = false;
    DemoRegistry().DispatchCommand(nullptr, QString::fromLatin1(Command), Handled, nullptr, Params);
    return Handled;
  };
  TZrDemoScriptParams Point;
  Point.StoreInteger(0, 64);
  Point.StoreInteger(1, 32);
  EXPECT_TRUE(Run("LIPSTICKPALETTE", Point));
  EXPECT_EQ(Lipstick->Palette->Point, (TZrPoint{64, 32}));
  TZrDemoScriptParams Value;
  Value.StoreInteger(0, 90);
  EXPECT_TRUE(Run("LIPSTICKBRIGHTNESS", Value));
  EXPECT_EQ(Lipstick->Frame->BrightnessTrackBar->value(), 90);
  EXPECT_EQ(Lipstick->Palette->Brightness, 90);
  EXPECT_TRUE(Run("LIPSTICKBLUE"));
  EXPECT_EQ(Lipstick->Palette->Channel, TMakeUpPalette::BlueChannel);
  Value.StoreInteger(0, 150);
  EXPECT_TRUE(Run("LIPSTICKSIZE", Value));
  EXPECT_EQ(Lipstick->BrushSize, 10); // beyond the limit: ignored
  EXPECT_TRUE(Run("POWDER"));
  EXPECT_EQ(Editor->CurrentTool(), Powder);

  for (const char *Name : {"LipstickPalette", "LipstickEllipse", "LipstickBrightness",
                           "LipstickRed", "LipstickColorSelector"}) {
    SCOPED_TRACE(Name);
    TZrDemoScriptParams Target;
    Target.StoreString(0, Name);
    bool Handled = false;
    QPoint Where;
    DemoRegistry().ResolveTarget(nullptr, Target, Handled, Where);
    EXPECT_TRUE(Handled);
  }
}

TEST_F(MakeUpToolsTest, FullBrightnessPalettesFollowTheSkinWhilePainting)
{
  OpenSkin(Rouge);
  Rouge->SetBrushSize(11);
  TZrPixelMask Footprint;
  BuildBlurFootprint(Footprint, 11, false);
  TZrPixelBuffer NoCache;
  const int32_t Under = BlurColour(NoCache, Footprint, Image(), 66, 44);
  Stroke({{60, 44}, {66, 44}});
  EXPECT_EQ(Rouge->Palette->Brightness,
            std::max({(Under >> 16) & 255, (Under >> 8) & 255, Under & 255}));
  EXPECT_EQ(Rouge->Frame->BrightnessTrackBar->value(), Rouge->Palette->Brightness);
  EXPECT_EQ(Doc()->History.Count(), 1);
}

} // namespace
} // namespace facette
