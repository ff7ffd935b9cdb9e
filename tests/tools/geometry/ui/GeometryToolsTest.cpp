// The rotate, resize, crop and straighten tools in a real editor, driven
// through real mouse, key and button input: one undo step per operation
// with exactly the pixels of both sides, the frames and their entries, the
// on-image controls, plug-in mode, settings and demo names.
#include "editor/ui/EditorTestSupport.h"

#include "editor/GraphicsTestSupport.h"

#include "editor/ui/ZrToolPanel.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "imaging/ZrInterpolationFilters.h"
#include "imaging/ZrResample.h"
#include "tools/brush/ui/ZrDrawTools.h"
#include "tools/geometry/ui/ZrCrop2PlusTool.h"
#include "tools/geometry/ui/ZrGeometryToolParts.h"
#include "tools/geometry/ui/ZrResizeTool.h"
#include "tools/geometry/ui/ZrRotateTool.h"
#include "tools/geometry/ui/ZrRotation3Tool.h"
#include "tools/geometry/ZrCropArithmetic.h"
#include "tools/geometry/ZrStraightenRenderer.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <functional>
#include <optional>
#include <tuple>

namespace facette {
namespace {

using namespace test;

class TRecorder : public IZrDemoPlayback
{
public:
  QStringList Lines;
  bool IsRecording() const override { return true; }
  void RecordLine(const QString &Line) override { Lines << Line; }
  bool RecordMessages() const override { return false; }
  void Suspend() override
  {
    ++Suspended;
    ++Suspensions;
  }
  void Resume() override { --Suspended; }
  int Suspended = 0, Suspensions = 0;
};

// A pattern with different values in every channel and place, never pure
// white.
QString WritePattern(const QTemporaryDir &Folder, int Width, int Height)
{
  QImage Picture(Width, Height, QImage::Format_RGB888);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X)
      Picture.setPixel(X, Y,
                       qRgb((X * 37 + Y * 11) % 250, (X * 5 + Y * 53) % 250, (X ^ Y) * 9 % 250));
  const QString Path = Folder.filePath(QStringLiteral("pattern.png"));
  EXPECT_TRUE(Picture.save(Path));
  return Path;
}

void CopyPixels(const TZrPixels &From, TZrPixelBuffer &To)
{
  To.Allocate(pf24bit, From.GetBounds());
  To.CopyFrom(From);
}

class GeometryToolsTest : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    App.CreateModule(Panel);
    Panel->Initialize();
    App.CreateModule(Rotate);
    Rotate->AddToolbarItems();
    App.CreateModule(Resize);
    App.CreateModule(Crop);
    App.CreateModule(Straighten);
    for (TZrModule *Module : {static_cast<TZrModule *>(Rotate), static_cast<TZrModule *>(Resize),
                              static_cast<TZrModule *>(Crop), static_cast<TZrModule *>(Straighten)})
      Module->Initialize();
  }

  // The pattern at 100% in a view of 300 x 200, with Tool current and the
  // keyboard on the view.
  void OpenPattern(TZrGraphicsTool *Tool, int Width = 120, int Height = 90)
  {
    ShowWithViewSize(300, 200);
    ASSERT_TRUE(Open(WritePattern(Folder, Width, Height)));
    Editor->ActualSize();
    if (Tool)
      Editor->SelectTool(Tool);
    View()->setFocus();
    QApplication::processEvents();
    CopyPixels(Image(), Opened);
    CopyPixels(*Doc()->OriginalPixels(), OpenedOriginal);
  }
  QPoint At(TZrPoint ImagePoint) const
  {
    const TZrPoint P = View()->MapMode().LogicalToDevice(ImagePoint);
    return QPoint(P.X, P.Y);
  }
  void Press(TZrPoint P, Qt::MouseButton Button = Qt::LeftButton)
  {
    QTest::mouseMove(View(), At(P));
    QTest::mousePress(View(), Button, Qt::NoModifier, At(P));
  }
  void Release(TZrPoint P, Qt::MouseButton Button = Qt::LeftButton)
  {
    QTest::mouseRelease(View(), Button, Qt::NoModifier, At(P));
  }
  // Press at the first point, move through the others, release at the last.
  void Drag(const std::vector<TZrPoint> &Points, Qt::MouseButton Button = Qt::LeftButton)
  {
    Press(Points.front(), Button);
    for (size_t I = 1; I < Points.size(); ++I)
      QTest::mouseMove(View(), At(Points[I]));
    Release(Points.back(), Button);
  }
  void Click(TZrPoint P, Qt::MouseButton Button = Qt::LeftButton) { Drag({P}, Button); }
  void Key(Qt::Key K) { QTest::keyClick(View(), K); }
  TZrPixels &Image() const { return *Doc()->ImagePixels(); }
  // Undo and redo through the editor's commands, as the menu does.
  void CheckUndoRedo(const TZrPixelBuffer &Before, const TZrPixelBuffer &After)
  {
    ASSERT_TRUE(Editor->CanUndo());
    Editor->UndoCommand();
    EXPECT_TRUE(SameImage(Image(), Before));
    EXPECT_TRUE(SameImage(Doc()->Backup(), Before));
    Editor->RedoCommand();
    EXPECT_TRUE(SameImage(Image(), After));
    Editor->UndoCommand();
    EXPECT_TRUE(SameImage(Image(), Before));
  }
  TZrCrop2PlusToolControl *CropControl() const { return Crop->FirstControl(); }
  QImage Shown() const { return View()->grab().toImage(); }
  QRgb ImageColour(TZrPoint P) const
  {
    const uint8_t *Pixel = Image().PixelPtr(P.X, P.Y);
    return qRgb(Pixel[2], Pixel[1], Pixel[0]);
  }

  TZrToolPanelModule *Panel = nullptr;
  TZrRotateTool *Rotate = nullptr;
  TZrResizeTool *Resize = nullptr;
  TZrCrop2PlusTool *Crop = nullptr;
  TZrRotation3Tool *Straighten = nullptr;
  TZrPixelBuffer Opened, OpenedOriginal;
};

// --- rotate and flip ---------------------------------------------------------------

TEST_F(GeometryToolsTest, EachToolbarTurnOrFlipIsOneUndoStep)
{
  OpenPattern(nullptr, 40, 30);
  Rotate->UpdateControls();
  const auto Expected = [this](TZrPoint (*Source)(int32_t, int32_t, int32_t, int32_t), int32_t W,
                               int32_t H) {
    TZrPixelBuffer E;
    E.Allocate(pf24bit, MakeRect(0, 0, W, H));
    for (int32_t Y = 0; Y < H; ++Y)
      for (int32_t X = 0; X < W; ++X) {
        const TZrPoint S = Source(X, Y, W, H);
        std::copy_n(Opened.PixelPtr(S.X, S.Y), 3, E.PixelPtr(X, Y));
      }
    return E;
  };
  struct
  {
    QAction *Item;
    TZrPoint (*Source)(int32_t, int32_t, int32_t, int32_t);
    int32_t W, H;
  } Cases[] = {
      {Rotate->RotateRightItem,
       [](int32_t X, int32_t Y, int32_t W, int32_t) -> TZrPoint {
         return {Y, W - 1 - X};
       },
       30, 40},
      {Rotate->RotateLeftItem,
       [](int32_t X, int32_t Y, int32_t, int32_t H) -> TZrPoint {
         return {H - 1 - Y, X};
       },
       30, 40},
      {Rotate->FlipHorizontalItem,
       [](int32_t X, int32_t Y, int32_t W, int32_t) -> TZrPoint {
         return {W - 1 - X, Y};
       },
       40, 30},
      {Rotate->FlipVerticalItem,
       [](int32_t X, int32_t Y, int32_t, int32_t H) -> TZrPoint {
         return {X, H - 1 - Y};
       },
       40, 30},
  };
  for (const auto &C : Cases) {
    ASSERT_NE(C.Item, nullptr);
    EXPECT_TRUE(C.Item->isEnabled());
    const int States = Doc()->History.GetPosition();
    C.Item->trigger();
    EXPECT_EQ(Doc()->History.GetPosition(), States + 1);
    EXPECT_FALSE(Doc()->Saved);
    const TZrPixelBuffer After = Expected(C.Source, C.W, C.H);
    EXPECT_TRUE(SameImage(Image(), After)) << C.Item->text().toStdString();
    CheckUndoRedo(Opened, After);
    // The original turns with the image.
    EXPECT_TRUE(SameImage(*Doc()->OriginalPixels(), OpenedOriginal));
  }
  // Four turns the same way give the same pixels.
  for (int I = 0; I < 4; ++I)
    Rotate->RotateLeftItem->trigger();
  EXPECT_TRUE(SameImage(Image(), Opened));

  // The items follow whether the tool could be chosen: not without a
  // document.
  Answer = id::No;
  Editor->CloseCommand();
  Rotate->UpdateControls();
  EXPECT_FALSE(Rotate->RotateRightItem->isEnabled());
  EXPECT_FALSE(Rotate->Button->isEnabled());
}

TEST_F(GeometryToolsTest, InPlugInModeATurnKeepsTheSizeAndTheSizeChangingToolsAreOff)
{
  Editor->SetPlugInMode(true);
  OpenPattern(nullptr, 30, 20);
  EXPECT_FALSE(Resize->Enabled);
  EXPECT_FALSE(Crop->Enabled);
  EXPECT_FALSE(Straighten->Enabled);
  EXPECT_FALSE(Rotate->Enabled);
  EXPECT_FALSE(Crop->Button->isVisible());
  EXPECT_FALSE(Straighten->Frame->isVisibleTo(Straighten->Frame->parentWidget()));

  Rotate->UpdateControls();
  ASSERT_TRUE(Rotate->RotateRightItem->isEnabled());
  Rotate->RotateRightItem->trigger();
  // 30 x 20 upside down, one undo step.
  EXPECT_EQ(Doc()->ImageBounds(), MakeRect(0, 0, 30, 20));
  for (int32_t Y = 0; Y < 20; ++Y)
    for (int32_t X = 0; X < 30; ++X)
      ASSERT_EQ(Image().PixelPtr(X, Y)[1], Opened.PixelPtr(29 - X, 19 - Y)[1]);
  EXPECT_EQ(Doc()->History.Count(), 1);
  Editor->UndoCommand();
  EXPECT_TRUE(SameImage(Image(), Opened));
  Rotate->RotateLeftItem->trigger();
  EXPECT_EQ(Doc()->ImageBounds(), MakeRect(0, 0, 30, 20));
  // A flip is a flip.
  Editor->UndoCommand();
  Rotate->FlipHorizontalItem->trigger();
  EXPECT_EQ(Image().PixelPtr(0, 0)[1], Opened.PixelPtr(29, 0)[1]);
}

TEST_F(GeometryToolsTest, TheOptionsPreviewTheChosenOperationBeforeItIsDone)
{
  OpenPattern(Rotate, 60, 30);
  TZrRotateFrame &Frame = *Rotate->Frame;
  EXPECT_FALSE(Frame.PreviewControl->isVisibleTo(&Frame));
  EXPECT_TRUE(Frame.RotateRightButton->isVisibleTo(&Frame));
  EXPECT_EQ(Frame.ShowOptions->text(), QStringLiteral("Show More Options"));

  TRecorder Recorder;
  DemoRegistry().Playback = &Recorder;
  Frame.ShowOptions->click();
  Frame.FlipVerticalRadioButton->click();
  DemoRegistry().Playback = nullptr;
  EXPECT_EQ(Recorder.Lines, (QStringList{QStringLiteral("MouseCurvedMove RotationOptions"),
                                         QStringLiteral("RotationShowOptions"),
                                         QStringLiteral("MouseCurvedMove RotationVerticalOption"),
                                         QStringLiteral("RotationVerticalOption")}));
  EXPECT_TRUE(Frame.PreviewControl->isVisibleTo(&Frame));
  EXPECT_FALSE(Frame.RotateRightButton->isVisibleTo(&Frame));
  EXPECT_EQ(Frame.ShowOptions->text(), QStringLiteral("Hide Options"));
  EXPECT_EQ(Frame.RotateButton->text(), QStringLiteral("Flip Vertical"));

  // The thumbnail fits 148 pixels and shows the image flipped; the image
  // itself is untouched.
  ASSERT_TRUE(Frame.Thumbnail && Frame.PreviewBitmap);
  EXPECT_EQ(Frame.Thumbnail->GetWidth(), 148);
  EXPECT_EQ(Frame.Thumbnail->GetHeight(), 74);
  const TZrPixels &Thumb = *Frame.Thumbnail->GetPixels(),
                  &Preview = *Frame.PreviewBitmap->GetPixels();
  for (int32_t Y = 0; Y < 74; ++Y)
    ASSERT_EQ(Preview.PixelPtr(5, Y)[2], Thumb.PixelPtr(5, 73 - Y)[2]);
  TZrPixelBuffer FirstThumbnail;
  CopyPixels(Thumb, FirstThumbnail);
  EXPECT_TRUE(SameImage(Image(), Opened));
  const QImage Box = Frame.ThumbnailView->grab().toImage();
  const int Left = (Frame.ThumbnailView->width() - 148) / 2;
  const int Top = (Frame.ThumbnailView->height() - 74) / 2;
  const uint8_t *P = Preview.PixelPtr(10, 10);
  EXPECT_EQ(Box.pixel(Left + 10, Top + 10), qRgb(P[2], P[1], P[0]));
  EXPECT_EQ(Box.pixel(0, 0), qRgb(0, 0, 0));

  // The action button does it, one undo step, and the preview follows.
  Frame.RotateButton->click();
  EXPECT_EQ(Image().PixelPtr(0, 0)[0], Opened.PixelPtr(0, 29)[0]);
  EXPECT_EQ(Doc()->History.Count(), 1);
  Editor->UndoCommand();
  EXPECT_TRUE(SameImage(Image(), Opened));
  ASSERT_TRUE(Frame.Thumbnail);
  EXPECT_TRUE(SameImage(*Frame.Thumbnail->GetPixels(), FirstThumbnail));

  // Demo commands check the options and hide them again.
  bool Handled = false;
  DemoRegistry().DispatchCommand(nullptr, QStringLiteral("ROTATIONLEFTOPTION"), Handled, nullptr,
                                 {});
  EXPECT_TRUE(Handled);
  EXPECT_EQ(Frame.RotateButton->text(), QStringLiteral("Rotate Left"));
  Handled = false;
  DemoRegistry().DispatchCommand(nullptr, QStringLiteral("ROTATIONHIDEOPTIONS"), Handled, nullptr,
                                 {});
  EXPECT_FALSE(Rotate->OptionsShown);
  EXPECT_FALSE(Frame.PreviewControl->isVisibleTo(&Frame));
}

TEST_F(GeometryToolsTest, TheFrameButtonsAndDemoCommandsTurnAndRecord)
{
  OpenPattern(Rotate, 40, 30);
  TRecorder Recorder;
  DemoRegistry().Playback = &Recorder;
  Rotate->Frame->FlipHorizontalButton->click();
  DemoRegistry().Playback = nullptr;
  EXPECT_EQ(Recorder.Lines, (QStringList{QStringLiteral("MouseCurvedMove RotationHorizontal"),
                                         QStringLiteral("RotationHorizontal")}));
  EXPECT_EQ(Image().PixelPtr(0, 0)[2], Opened.PixelPtr(39, 0)[2]);
  bool Handled = false;
  DemoRegistry().DispatchCommand(nullptr, QStringLiteral("ROTATIONLEFT"), Handled, nullptr, {});
  EXPECT_TRUE(Handled);
  EXPECT_EQ(Doc()->ImageBounds(), MakeRect(0, 0, 30, 40));
  EXPECT_EQ(Doc()->History.Count(), 2);
}

// --- resize ----------------------------------------------------------------------

TEST_F(GeometryToolsTest, TypedSizesKeepTheProportionsAndBadTextIsIgnored)
{
  OpenPattern(Resize, 300, 200);
  TZrResizeFrame &Frame = *Resize->Frame;
  EXPECT_EQ(Frame.WidthEdit->Text(), QStringLiteral("300"));
  EXPECT_TRUE(Frame.ConstrainProportionsCheckBox->isChecked());
  const auto Type = [](TZrUpDownEdit *Edit, const char *Text) {
    Edit->lineEdit()->selectAll();
    QTest::keyClicks(Edit->lineEdit(), QString::fromLatin1(Text));
  };
  Type(Frame.WidthEdit, "150");
  EXPECT_EQ(Resize->NewWidth(), 150);
  EXPECT_EQ(Frame.HeightEdit->Text(), QStringLiteral("100"));
  // 33 * 300 / 200 = 49.5 rounds up.
  Type(Frame.HeightEdit, "33");
  EXPECT_EQ(Frame.WidthEdit->Text(), QStringLiteral("50"));
  Type(Frame.WidthEdit, "abc");
  EXPECT_EQ(Resize->NewWidth(), 50);
  Type(Frame.WidthEdit, "-5");
  EXPECT_EQ(Resize->NewWidth(), 1);
  EXPECT_EQ(Frame.WidthEdit->Text(), QStringLiteral("1"));

  // Free proportions, then locked again: the box shrinks to fit.
  Frame.ConstrainProportionsCheckBox->click();
  EXPECT_FALSE(Resize->ConstrainProportions());
  Type(Frame.WidthEdit, "40");
  Type(Frame.HeightEdit, "40");
  EXPECT_EQ(Resize->NewWidth(), 40);
  Frame.ConstrainProportionsCheckBox->click();
  EXPECT_EQ(Resize->NewWidth(), 40);
  EXPECT_EQ(Resize->NewHeight(), 27);

  // The arrows step the number shown.
  Frame.WidthEdit->setFocus();
  QTest::keyClick(Frame.WidthEdit, Qt::Key_Up);
  EXPECT_EQ(Resize->NewWidth(), 41);
  EXPECT_EQ(Frame.HeightEdit->Text(), QStringLiteral("27"));

  // Cancel puts the image's size back.
  Resize->UpdateControls();
  ASSERT_TRUE(Frame.CancelButton->isEnabled());
  Frame.CancelButton->click();
  EXPECT_EQ(Frame.WidthEdit->Text(), QStringLiteral("300"));
  Resize->UpdateControls();
  EXPECT_FALSE(Frame.OkButton->isEnabled());
}

TEST_F(GeometryToolsTest, OkResizesWithTheLanczosResamplerAsOneUndoStep)
{
  OpenPattern(Resize, 120, 90);
  TZrPixelBuffer Expected;
  Expected.Allocate(pf24bit, MakeRect(0, 0, 60, 45));
  ASSERT_TRUE(ResamplePixels(Expected, Expected.GetBounds(), Expected.GetBounds(),
                             TLanczosResampler(), Opened.GetBounds(), Opened));
  TRecorder Recorder;
  DemoRegistry().Playback = &Recorder;
  Resize->SetNewWidth(60);
  Resize->UpdateControls();
  ASSERT_TRUE(Resize->Frame->OkButton->isEnabled());
  Resize->Frame->OkButton->click();
  DemoRegistry().Playback = nullptr;
  EXPECT_TRUE(Recorder.Lines.contains(QStringLiteral("ResizePerform")));
  EXPECT_TRUE(SameImage(Image(), Expected));
  EXPECT_EQ(Doc()->Original().GetBounds(), MakeRect(0, 0, 60, 45));
  EXPECT_EQ(Doc()->History.Count(), 1);
  // The entries follow the image.
  EXPECT_EQ(Resize->Frame->WidthEdit->Text(), QStringLiteral("60"));
  CheckUndoRedo(Opened, Expected);
  EXPECT_TRUE(SameImage(*Doc()->OriginalPixels(), OpenedOriginal));
  EXPECT_EQ(Resize->Frame->WidthEdit->Text(), QStringLiteral("120"));
}

TEST_F(GeometryToolsTest, AResizeThatCannotBeDoneSaysSoAndRecordsNothing)
{
  OpenPattern(Resize, 40, 30);
  Resize->SetConstrainProportions(false);
  Resize->SetNewWidth(70000);
  EXPECT_FALSE(Resize->Perform());
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(QStringLiteral("65500"))) << Messages[0].toStdString();
  EXPECT_EQ(Doc()->History.Count(), 0);
  EXPECT_TRUE(SameImage(Image(), Opened));
  EXPECT_EQ(Resize->NewWidth(), 40);
}

TEST_F(GeometryToolsTest, ResizeDemoCommandsSetTheEntriesAndPerform)
{
  OpenPattern(Resize, 80, 60);
  const auto Run = [](const char *Word, std::optional<int> Value = {}) {
    TZrDemoScriptParams Params;
    if (Value)
      Params.StoreInteger(0, *Value);
    bool Handled = false;
    DemoRegistry().DispatchCommand(nullptr, QString::fromLatin1(Word), Handled, nullptr, Params);
    return Handled;
  };
  EXPECT_TRUE(Run("RESIZEDISPROPORTIONAL"));
  EXPECT_FALSE(Resize->ConstrainProportions());
  EXPECT_TRUE(Run("RESIZEWIDTH", 20));
  EXPECT_TRUE(Run("RESIZEHEIGHT"));
  EXPECT_EQ(Resize->NewWidth(), 20);
  EXPECT_EQ(Resize->NewHeight(), 100);
  EXPECT_TRUE(Run("RESIZEPROPORTIONAL"));
  EXPECT_EQ(Resize->NewHeight(), 15);
  EXPECT_TRUE(Run("RESIZEPERFORM"));
  EXPECT_EQ(Doc()->ImageBounds(), MakeRect(0, 0, 20, 15));
}

// --- crop --------------------------------------------------------------------------

TEST_F(GeometryToolsTest, ADraggedSelectionIsCutOutWithEnterAsOneUndoStep)
{
  OpenPattern(Crop);
  Drag({{10, 20}, {30, 30}, {70, 60}});
  ASSERT_EQ(CropControl()->State, TZrCrop2PlusToolControl::Adjusting);
  EXPECT_EQ(Crop->CropSelection, MakeRect(10, 20, 70, 60));
  // The size shows in the status bar and the entries.
  EXPECT_EQ(Editor->WStatusPanel->text(), QStringLiteral("60"));
  EXPECT_EQ(Crop->Frame->HeightEdit->value(), 40);
  // Other tools wait; so do undo and redo.
  EXPECT_FALSE(Editor->CanSelectTool(Resize));
  Crop->UpdateControls();
  EXPECT_FALSE(Editor->UndoMenuItem->isEnabled());
  EXPECT_EQ(Doc()->History.Count(), 0);

  Key(Qt::Key_Return);
  EXPECT_EQ(CropControl()->State, TZrCrop2PlusToolControl::Idle);
  EXPECT_TRUE(Editor->CanSelectTool(Resize));
  TZrPixelBuffer Expected;
  Expected.Allocate(pf24bit, MakeRect(0, 0, 60, 40));
  Expected.CopyRect(0, 0, Opened, MakeRect(10, 20, 70, 60));
  EXPECT_TRUE(SameImage(Image(), Expected));
  EXPECT_EQ(Doc()->Original().GetBounds(), MakeRect(0, 0, 60, 40));
  EXPECT_EQ(Doc()->History.Count(), 1);
  Crop->UpdateControls();
  EXPECT_TRUE(Editor->UndoMenuItem->isEnabled());
  CheckUndoRedo(Opened, Expected);
  EXPECT_TRUE(SameImage(*Doc()->OriginalPixels(), OpenedOriginal));
}

TEST_F(GeometryToolsTest, ClicksAndKeysOutsideTheSelectionEndIt)
{
  OpenPattern(Crop);
  struct
  {
    std::function<void()> End;
    bool Cuts;
  } Endings[] = {
      {[this] {
         Click({100, 80}, Qt::RightButton);
       },
       false},
      {[this] { Key(Qt::Key_Escape); }, false},
      {[this] {
         Click({100, 80});
       },
       true},
      {[this] {
         QTest::mouseDClick(View(), Qt::LeftButton, Qt::NoModifier, At({100, 80}));
       },
       true},
  };
  for (const auto &E : Endings) {
    const int States = Doc()->History.GetPosition();
    Drag({{20, 20}, {50, 40}});
    ASSERT_EQ(CropControl()->State, TZrCrop2PlusToolControl::Adjusting);
    E.End();
    EXPECT_EQ(CropControl()->State, TZrCrop2PlusToolControl::Idle);
    EXPECT_EQ(Doc()->History.GetPosition(), States + (E.Cuts ? 1 : 0));
    EXPECT_EQ(Doc()->ImageBounds().Width(), E.Cuts ? 30 : 120);
    if (E.Cuts)
      Editor->UndoCommand();
    EXPECT_TRUE(Editor->CanSelectTool(Resize));
  }
  // A click without a drag is a one-pixel selection; Enter keeps that pixel.
  Click({33, 44});
  EXPECT_EQ(Crop->CropSelection, MakeRect(33, 44, 34, 45));
  Key(Qt::Key_Return);
  EXPECT_EQ(Doc()->ImageBounds(), MakeRect(0, 0, 1, 1));
  EXPECT_EQ(Image().PixelPtr(0, 0)[1], Opened.PixelPtr(33, 44)[1]);
}

TEST_F(GeometryToolsTest, ARatioSelectionKeepsItsRatioWhileEveryHandleIsDragged)
{
  OpenPattern(Crop);
  Crop->Frame->rbFoto->click();
  Crop->Frame->cmbFoto->setCurrentIndex(8); // 4x3
  Crop->SetRatio(1);
  ASSERT_EQ(Crop->Ratio, (TZrCropRatio{4, 3}));
  const TZrRect Start = MakeRect(10, 10, 90, 70);
  for (int32_t Code = chTop; Code <= chTopLeft; ++Code) {
    Drag({{10, 10}, {90, 70}});
    ASSERT_EQ(Crop->CropSelection, Start);
    const TZrMapMode &Map = View()->MapMode();
    const TZrPoint Handle =
        Map.DeviceToLogical(CropHandleCentre(Code, Map.LogicalToDeviceRect(Start)));
    ASSERT_EQ(CropControl()->CropHitTest(Map.LogicalToDevice(Handle)), Code);
    // Inwards by more across than down, and out again past the image.
    const TZrPoint Inward{Handle.X + (Handle.X > 50 ? -20 : 20),
                          Handle.Y + (Handle.Y > 40 ? -9 : 9)};
    const TZrPoint Outward{Handle.X + (Handle.X > 50 ? 300 : -300),
                           Handle.Y + (Handle.Y > 40 ? 300 : -300)};
    Drag({Handle, {(Handle.X + Inward.X) / 2, (Handle.Y + Inward.Y) / 2}, Inward, Outward});
    const TZrRect R = Crop->CropSelection;
    EXPECT_EQ(R.Width() * 3, R.Height() * 4) << "handle " << Code;
    EXPECT_TRUE(RectInside(R, Doc()->ImageBounds())) << "handle " << Code;
    EXPECT_LT(R.Width(), Start.Width()) << "handle " << Code;
    EXPECT_EQ(CropControl()->State, TZrCrop2PlusToolControl::Adjusting);
    Key(Qt::Key_Escape);
  }
  Drag({{10, 10}, {90, 70}});
  // Moved whole past the border, it stops there with its size.
  const TZrRect S = Crop->CropSelection;
  const TZrPoint Middle{(S.Left + S.Right) / 2, (S.Top + S.Bottom) / 2};
  Drag({Middle, {Middle.X + 200, Middle.Y + 200}});
  EXPECT_EQ(Crop->CropSelection, Bounds(120 - S.Width(), 90 - S.Height(), S.Width(), S.Height()));
  Key(Qt::Key_Return);
  EXPECT_EQ(Doc()->ImageBounds().Width() * 3, Doc()->ImageBounds().Height() * 4);
}

TEST_F(GeometryToolsTest, OutsideTheSelectionIsShownDarkenedWithHandlesOnItsFrame)
{
  OpenPattern(Crop);
  Drag({{20, 20}, {80, 60}});
  QImage Picture = Shown();
  const auto Darkened = [](QRgb C) {
    return qRgb(DarkenedByte(qRed(C)), DarkenedByte(qGreen(C)), DarkenedByte(qBlue(C)));
  };
  const auto Inverted = [](QRgb C) { return qRgb(255 - qRed(C), 255 - qGreen(C), 255 - qBlue(C)); };
  for (const TZrPoint P : {TZrPoint{5, 5}, {100, 40}, {50, 80}, {10, 40}})
    EXPECT_EQ(Picture.pixel(At(P)), Darkened(ImageColour(P))) << P.X << "," << P.Y;
  EXPECT_EQ(Picture.pixel(At({50, 40})), ImageColour({50, 40}));
  // The top-left handle: its outer ring inverted, its inside as it was.
  const QPoint Corner = At({20, 20});
  EXPECT_EQ(Picture.pixel(Corner + QPoint(-4, -4)), Inverted(Darkened(ImageColour({16, 16}))));
  EXPECT_EQ(Picture.pixel(Corner + QPoint(2, 2)), ImageColour({22, 22}));
  // The selection's size is in the frame's entries; typing there resizes it.
  Crop->Frame->WidthEdit->setValue(30);
  EXPECT_EQ(Crop->CropSelection, MakeRect(20, 20, 50, 60));
  Crop->Frame->WidthEdit->setValue(500);
  EXPECT_EQ(Crop->CropSelection, MakeRect(20, 20, 50, 60));
  EXPECT_EQ(Crop->Frame->WidthEdit->value(), 30);

  // Cancelled, nothing is darkened.
  Key(Qt::Key_Escape);
  Picture = Shown();
  EXPECT_EQ(Picture.pixel(At({5, 5})), ImageColour({5, 5}));
}

TEST_F(GeometryToolsTest, TheCursorSaysWhatAPressWouldGrab)
{
  OpenPattern(Crop);
  const auto Cursor = [this](TZrPoint P) {
    QTest::mouseMove(View(), At(P));
    QApplication::processEvents();
    return View()->cursor().shape();
  };
  EXPECT_EQ(Cursor({50, 50}), Qt::CrossCursor);
  Drag({{20, 20}, {80, 60}});
  EXPECT_EQ(Cursor({50, 40}), Qt::SizeAllCursor);
  EXPECT_EQ(Cursor({20, 20}), Qt::SizeFDiagCursor);
  EXPECT_EQ(Cursor({80, 20}), Qt::SizeBDiagCursor);
  EXPECT_EQ(Cursor({50, 60}), Qt::SizeVerCursor);
  EXPECT_EQ(Cursor({20, 40}), Qt::SizeHorCursor);
  Key(Qt::Key_Escape);
}

TEST_F(GeometryToolsTest, ChoosingARatioFromTheFrameOrADemo)
{
  OpenPattern(Crop);
  TZrCrop2PlusFrame &Frame = *Crop->Frame;
  Crop->UpdateControls();
  EXPECT_TRUE(Frame.SizePanel->isVisibleTo(&Frame));
  EXPECT_FALSE(Frame.panelFoto->isVisibleTo(&Frame));
  Frame.rbScreen->click();
  Crop->UpdateControls();
  EXPECT_EQ(Crop->Ratio, (TZrCropRatio{4, 3}));
  EXPECT_TRUE(Frame.panelScreen->isVisibleTo(&Frame));
  EXPECT_TRUE(Frame.gbCurrentResolution->isVisibleTo(&Frame));
  EXPECT_FALSE(Frame.SizePanel->isVisibleTo(&Frame));
  EXPECT_TRUE(Frame.lblCurrentResolution->text().startsWith(QStringLiteral("Screen resolution: ")));

  TZrDemoScriptParams Params;
  Params.StoreInteger(0, 5);
  bool Handled = false;
  DemoRegistry().DispatchCommand(nullptr, QStringLiteral("CROPSCREENFORMAT"), Handled, nullptr,
                                 Params);
  EXPECT_TRUE(Handled);
  EXPECT_EQ(Crop->Ratio, (TZrCropRatio{8, 5}));
  EXPECT_EQ(Frame.cmbScreen->currentIndex(), 5);
  Handled = false;
  DemoRegistry().DispatchCommand(nullptr, QStringLiteral("CROPFREERATIO"), Handled, nullptr, {});
  EXPECT_TRUE(Frame.rbFree->isChecked());
  EXPECT_TRUE(Crop->Ratio.IsFree());
}

// --- straighten ----------------------------------------------------------------------

TEST_F(GeometryToolsTest, ALineTurnsThePreviewAndApplyIsOneUndoStep)
{
  OpenPattern(Straighten);
  Drag({{10, 30}, {60, 33}, {110, 40}});
  // Drawn 100 across and 10 down: turned by arctan(0.1) into a larger
  // canvas, rendered from the opened image with nearest pixels.
  TZrStraightenRenderer Expected;
  Expected.SetSourceSize(120, 90);
  Expected.ComputeResultSize(std::atan(0.1));
  EXPECT_EQ(Doc()->ImageBounds(), MakeRect(0, 0, Expected.ResultWidth, Expected.ResultHeight));
  TZrPixelBuffer Preview;
  Preview.Allocate(pf24bit, MakeRect(0, 0, Expected.ResultWidth, Expected.ResultHeight));
  Expected.Render(Opened, std::atan(0.1), ifNone, Preview);
  EXPECT_TRUE(SameImage(Image(), Preview));
  EXPECT_TRUE(Doc()->Editing());
  EXPECT_FALSE(Editor->CanUndo());
  Straighten->UpdateControls();
  EXPECT_TRUE(Editor->ToolLocked);
  EXPECT_FALSE(Editor->CanSelectTool(Crop));
  EXPECT_TRUE(Straighten->Frame->FinishingTBXButton->isEnabled());

  // Apply renders again with the Hermite filter.
  TZrPixelBuffer Final;
  Final.Allocate(pf24bit, Preview.GetBounds());
  Expected.Render(Opened, std::atan(0.1), ifHermite, Final);
  Straighten->Frame->FinishingTBXButton->click();
  EXPECT_TRUE(SameImage(Image(), Final));
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 1);
  Straighten->UpdateControls();
  EXPECT_FALSE(Editor->ToolLocked);
  EXPECT_FALSE(Straighten->Frame->FinishingTBXButton->isEnabled());
  CheckUndoRedo(Opened, Final);
}

TEST_F(GeometryToolsTest, LinesThatAreNoAngleDoNothing)
{
  OpenPattern(Straighten);
  for (const std::vector<TZrPoint> &Line :
       std::vector<std::vector<TZrPoint>>{{{40, 40}},               // a click
                                          {{40, 40}, {90, 40}},     // level already
                                          {{40, 10}, {40, 80}},     // upright already
                                          {{40, 40}, {44, 45}},     // shorter than 7 pixels
                                          {{-20, 40}, {50, 60}}}) { // begun beside the image
    Drag(Line);
    EXPECT_FALSE(Doc()->Editing());
    EXPECT_TRUE(SameImage(Image(), Opened));
  }
  EXPECT_EQ(Doc()->History.Count(), 0);
}

TEST_F(GeometryToolsTest, CancelAfterSeveralLinesBringsTheImageBack)
{
  OpenPattern(Straighten);
  TRecorder Recorder;
  Straighten->AttachPlayback(&Recorder);
  Drag({{10, 30}, {110, 40}});
  Drag({{20, 20}, {30, 90}});
  // The demo's playback waits around each rendering.
  EXPECT_EQ(Recorder.Suspensions, 2);
  EXPECT_EQ(Recorder.Suspended, 0);
  Straighten->DetachPlayback();
  EXPECT_NE(Doc()->ImageBounds(), Opened.GetBounds());
  Straighten->UpdateControls();
  Straighten->Frame->CancelTBXButton->click();
  EXPECT_TRUE(SameImage(Image(), Opened));
  EXPECT_TRUE(SameImage(Doc()->Backup(), Opened));
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 0);
  EXPECT_EQ(Straighten->Session.TotalAngle, 0.0);
}

TEST_F(GeometryToolsTest, AutoCropLeavesNoWhiteAndIsShownWhileDrawing)
{
  OpenPattern(Straighten);
  Straighten->Frame->AutoCropTBXCheckBox->click();
  ASSERT_TRUE(Straighten->AutoCrop);
  Drag({{10, 30}, {110, 40}});
  // The rectangle to be kept is framed; around it the image is darkened.
  const TZrRect Keep = Straighten->Session.AutoCropRect;
  ASSERT_FALSE(Keep.IsEmpty());
  const QImage Picture = Shown();
  EXPECT_EQ(Picture.pixel(At({1, 1})), qRgb(164, 164, 164)); // white, darkened
  const TZrPoint Inside{(Keep.Left + Keep.Right) / 2, (Keep.Top + Keep.Bottom) / 2};
  EXPECT_EQ(Picture.pixel(At(Inside)), ImageColour(Inside));

  Straighten->UpdateControls();
  Straighten->Frame->FinishingTBXButton->click();
  EXPECT_EQ(Doc()->ImageBounds(), MakeRect(0, 0, Keep.Width(), Keep.Height()));
  for (int32_t Y = 0; Y < Keep.Height(); ++Y)
    for (int32_t X = 0; X < Keep.Width(); ++X) {
      const uint8_t *P = Image().PixelPtr(X, Y);
      ASSERT_FALSE(P[0] == 255 && P[1] == 255 && P[2] == 255) << X << "," << Y;
    }
}

// --- settings, captions and targets ------------------------------------------------------

TEST_F(GeometryToolsTest, SettingsCaptionsAndTargets)
{
  Straighten->SetAutoCrop(true);
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Crop->SaveSettings(Writer);
    Straighten->SaveSettings(Writer);
  }
  Straighten->SetAutoCrop(false);
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Crop->LoadSettings(Reader);
  Straighten->LoadSettings(Reader);
  EXPECT_TRUE(Straighten->AutoCrop);
  EXPECT_TRUE(Straighten->Frame->AutoCropTBXCheckBox->isChecked());

  EXPECT_EQ(Resize->Frame->TitleLabel->text(), QStringLiteral("Resize"));
  EXPECT_EQ(Resize->Frame->NewSizeLabel->text(), QStringLiteral("New Size:"));
  EXPECT_EQ(Crop->Frame->SidesRatioTntGroupBox->title(), QStringLiteral("Aspect Ratio"));
  EXPECT_EQ(Straighten->Frame->FinishingTBXButton->text(), QStringLiteral("Apply"));
  EXPECT_EQ(Rotate->RotateRightItem->toolTip(), QStringLiteral("Rotate Right"));
  // The straighten frame needs a wider panel.
  EXPECT_EQ(Panel->Panel->widget()->minimumWidth(), TZrRotation3Tool::PanelWidth);

  Main->show();
  for (const auto &[Name, Tool, Button] :
       {std::tuple<const char *, TZrGraphicsTool *, QAction *>{"resize", Resize, Resize->Button},
        {"Crop", Crop, Crop->Button}}) {
    TZrDemoScriptParams Params;
    Params.StoreString(0, Name);
    bool Handled = false;
    QPoint Point;
    Tool->DemoTargetPosition(nullptr, Params, Handled, Point);
    EXPECT_TRUE(Handled) << Name;
    QWidget *Widget = Panel->Toolbar->WidgetForAction(Button);
    ASSERT_NE(Widget, nullptr);
    EXPECT_EQ(Point, Widget->mapToGlobal(QPoint(Widget->width() / 2, Widget->height() / 2)));
  }
  // A click on a tool button selects the tool as a demo's command does.
  TRecorder Recorder;
  DemoRegistry().Playback = &Recorder;
  ASSERT_TRUE(Open(WritePattern(Folder, 20, 20)));
  Crop->UpdateControls();
  Crop->Button->trigger();
  DemoRegistry().Playback = nullptr;
  EXPECT_EQ(Editor->CurrentTool(), Crop);
  EXPECT_TRUE(Recorder.Lines.contains(QStringLiteral("Crop")));
}

} // namespace
} // namespace facette
