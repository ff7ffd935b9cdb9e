#include "editor/ui/EditorTestSupport.h"

#include "editor/GraphicsTestSupport.h"

#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "tools/brush/ui/ZrSmudgeTool.h"
#include "tools/reshape/ui/ZrSkewingTool.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>
#include <functional>
#include <vector>

namespace facette {
namespace {

using namespace test;

void CopyPixels(const TZrPixels &From, TZrPixelBuffer &To)
{
  To.Allocate(pf24bit, From.GetBounds());
  To.CopyFrom(From);
}

// Grey level of a pixel of the (grey) test pictures.
int Grey(const TZrPixels &Image, int32_t X, int32_t Y)
{
  return Image.PixelPtr(X, Y)[1];
}

// The darkness-weighted centre of the dark feature of a white picture.
struct TCentroid
{
  double X = 0, Y = 0, Mass = 0;
};
TCentroid DarkCentroid(const TZrPixels &Image)
{
  TCentroid C;
  for (int32_t Y = 0; Y < Image.Height; ++Y)
    for (int32_t X = 0; X < Image.Width; ++X) {
      const double W = 255 - Grey(Image, X, Y);
      C.X += W * X;
      C.Y += W * Y;
      C.Mass += W;
    }
  C.X /= C.Mass;
  C.Y /= C.Mass;
  return C;
}

int DarkPixels(const TZrPixels &Image)
{
  int Count = 0;
  for (int32_t Y = 0; Y < Image.Height; ++Y)
    for (int32_t X = 0; X < Image.Width; ++X)
      Count += Grey(Image, X, Y) < 128;
  return Count;
}

class SkewingToolTest : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    App.CreateModule(Panel);
    Panel->Initialize();
    App.CreateModule(Smudge);
    App.CreateModule(Skewing);
    Smudge->Initialize();
    Skewing->Initialize();
  }

  // A grey picture of that size, painted by Grey(X, Y), opened at 100% in
  // a view of 300 x 200 with the liquify tool current.
  void OpenPicture(const std::function<int(int, int)> &GreyAt, int Width = 120, int Height = 90)
  {
    QImage Picture(Width, Height, QImage::Format_RGB888);
    for (int Y = 0; Y < Height; ++Y)
      for (int X = 0; X < Width; ++X) {
        const int V = GreyAt(X, Y);
        Picture.setPixel(X, Y, qRgb(V, V, V));
      }
    const QString Path = Folder.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(Picture.save(Path));
    ShowWithViewSize(300, 200);
    ASSERT_TRUE(Open(Path));
    Editor->ActualSize();
    Editor->SelectTool(Skewing);
    View()->setFocus();
    QApplication::processEvents();
  }
  // A pattern with detail everywhere.
  void OpenPattern(int Width = 120, int Height = 90)
  {
    OpenPicture([](int X, int Y) { return (X * 37 + Y * 11) % 256; }, Width, Height);
  }
  void Press(TZrPoint P) { QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(P)); }
  void MoveTo(TZrPoint P) { QTest::mouseMove(View(), At(P)); }
  void Release(TZrPoint P) { QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(P)); }
  // Press at From, move there in steps of Step pixels, release at To.
  void Drag(TZrPoint From, TZrPoint To, int Step = 2)
  {
    MoveTo(From);
    Press(From);
    const int DX = To.X - From.X, DY = To.Y - From.Y;
    const int Steps = std::max(1, std::max(std::abs(DX), std::abs(DY)) / Step);
    for (int I = 1; I <= Steps; ++I)
      MoveTo(TZrPoint{From.X + DX * I / Steps, From.Y + DY * I / Steps});
    Release(To);
  }
  void Wheel(int Steps)
  {
    const QPoint P = At(TZrPoint{10, 10});
    QWheelEvent Event(P, View()->mapToGlobal(P), QPoint(), QPoint(0, 120 * Steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View(), &Event);
  }
  bool Command(const QString &Name)
  {
    bool Handled = false;
    Registry.DispatchCommand(nullptr, Name.toUpper(), Handled, nullptr, TZrDemoScriptParams());
    return Handled;
  }
  TZrPixels &Image() const { return *Doc()->ImagePixels(); }
  int Position() const { return Doc()->History.GetPosition(); }

  // Each test gets its own registry of demo names.
  TZrDemoRegistry Registry;
  TZrToolPanelModule *Panel = nullptr;
  TZrSmudgeTool *Smudge = nullptr;
  TZrSkewingTool *Skewing = nullptr;
};

// A dark 6 x 6 square on white, dragged by a stroke from its middle: its
// centre moves the way the stroke went, and nothing moves across it.
TEST_F(SkewingToolTest, WarpMovesTheImageAlongTheStroke)
{
  struct TCase
  {
    TZrPoint To;
  } const Cases[] = {{{72, 45}}, {{48, 45}}, {{60, 57}}, {{60, 33}}};
  Answer = id::No; // closing between the cases keeps the file
  for (const TCase &Case : Cases) {
    OpenPicture([](int X, int Y) { return X >= 57 && X < 63 && Y >= 42 && Y < 48 ? 0 : 255; });
    Skewing->SetBrushSize(40);
    const TCentroid Before = DarkCentroid(Image());
    Drag({60, 45}, Case.To);
    const TCentroid After = DarkCentroid(Image());
    const double Along = (After.X - Before.X) * (Case.To.X - 60) / 12.0 +
                         (After.Y - Before.Y) * (Case.To.Y - 45) / 12.0;
    const double Across = (After.X - Before.X) * (Case.To.Y - 45) / 12.0 -
                          (After.Y - Before.Y) * (Case.To.X - 60) / 12.0;
    EXPECT_GT(Along, 3.0) << Case.To.X << ", " << Case.To.Y;
    EXPECT_NEAR(Across, 0.0, 0.5) << Case.To.X << ", " << Case.To.Y;
    EXPECT_EQ(Grey(Image(), 5, 5), 255);
    Editor->CloseCommand();
  }
}

// A dark disc under a bloat grows, under a pucker it shrinks; the pixels
// outside the brush square stay as they were.
TEST_F(SkewingToolTest, BloatMagnifiesAndPuckerShrinks)
{
  const auto Disc = [](int X, int Y) {
    return (X - 60) * (X - 60) + (Y - 45) * (Y - 45) < 49 ? 0 : 255;
  };
  Answer = id::No;
  for (const int32_t Effect : {leBloat, lePucker}) {
    OpenPicture(Disc);
    const int Dark = DarkPixels(Image());
    Skewing->SetBrushSize(40);
    Skewing->SetEffect(Effect);
    Drag({60, 45}, {100, 45}, 10);
    if (Effect == leBloat)
      EXPECT_GT(DarkPixels(Image()), Dark * 3 / 2);
    else
      EXPECT_LT(DarkPixels(Image()), Dark * 2 / 3);
    EXPECT_EQ(Doc()->ChangedRect(), TZrRect{});
    // One step; the square around the start is all it changed (without
    // its last column and row, which the brush does not reach).
    EXPECT_EQ(Position(), 1);
    auto *State = dynamic_cast<TZrSkewingCommandState *>(Doc()->History.State(0));
    ASSERT_NE(State, nullptr);
    EXPECT_EQ(State->Rect, MakeRect(40, 25, 79, 64));
    Editor->CloseCommand();
  }
}

// Before the press the pointer was elsewhere: the press itself moves
// nothing, and the first move drags by exactly its own distance.
TEST_F(SkewingToolTest, AStrokeStartsWhereTheButtonWentDown)
{
  OpenPattern();
  TZrPixelBuffer Opened;
  CopyPixels(Image(), Opened);
  MoveTo({10, 10});
  Press({60, 45});
  EXPECT_TRUE(SameImage(Image(), Opened));
  MoveTo({62, 45});
  // Size 10: full strength at the brush's centre.
  EXPECT_EQ(Skewing->Liquify.Field.Delta.At(62, 45), (TZrDisplacement{-2.0f, 0.0f}));
  Release({62, 45});
  EXPECT_EQ(Position(), 1);

  // A click without a move leaves no step.
  MoveTo({20, 20});
  Press({30, 30});
  Release({30, 30});
  EXPECT_EQ(Position(), 1);
}

TEST_F(SkewingToolTest, CancelPutsBackTheImageBitForBit)
{
  OpenPattern();
  TZrPixelBuffer Opened;
  CopyPixels(Image(), Opened);
  Skewing->SetBrushSize(30);
  Drag({40, 40}, {60, 50});
  Skewing->SetEffect(leBloat);
  Drag({70, 30}, {90, 70});
  Skewing->SetEffect(lePucker);
  Drag({50, 60}, {30, 20});
  EXPECT_EQ(Position(), 3);
  Skewing->UpdateControls();
  EXPECT_TRUE(Skewing->Frame->OkButton->isEnabled());
  EXPECT_TRUE(Skewing->Frame->CancelButton->isEnabled());
  // While the sequence is open no other tool can be picked.
  EXPECT_FALSE(Editor->CanSelectTool(Smudge));
  Smudge->UpdateControls();
  EXPECT_FALSE(Smudge->Button->isEnabled());

  QTest::mouseClick(Skewing->Frame->CancelButton, Qt::LeftButton);
  EXPECT_TRUE(SameImage(Image(), Opened));
  EXPECT_EQ(Position(), 0);
  EXPECT_FALSE(Skewing->LiquifyActive);
  Skewing->UpdateControls();
  EXPECT_FALSE(Skewing->Frame->OkButton->isEnabled());
  EXPECT_FALSE(Skewing->Frame->CancelButton->isEnabled());
  EXPECT_TRUE(Editor->CanSelectTool(Smudge));
  // The sequence's memory is let go.
  EXPECT_EQ(Skewing->Liquify.Field.Source.Bits, nullptr);
}

TEST_F(SkewingToolTest, OkIsOneUndoStepThatUndoesExactly)
{
  OpenPattern();
  TZrPixelBuffer Opened, Result;
  CopyPixels(Image(), Opened);
  Skewing->SetBrushSize(24);
  Drag({30, 30}, {50, 35});
  Drag({80, 60}, {70, 40});
  CopyPixels(Image(), Result);
  ASSERT_FALSE(SameImage(Result, Opened));

  QTest::mouseClick(Skewing->Frame->OkButton, Qt::LeftButton);
  EXPECT_TRUE(SameImage(Image(), Result));
  EXPECT_EQ(Position(), 1);
  EXPECT_EQ(Doc()->History.Count(), 1);
  EXPECT_EQ(dynamic_cast<TZrSkewingCommandState *>(Doc()->History.State(0)), nullptr);
  EXPECT_FALSE(Skewing->LiquifyActive);
  EXPECT_FALSE(Doc()->Saved);

  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Opened));
  Editor->RedoStep();
  EXPECT_TRUE(SameImage(Image(), Result));
  // A new sequence starts from the applied result.
  Drag({60, 45}, {64, 45});
  EXPECT_TRUE(Skewing->LiquifyActive);
  EXPECT_EQ(Skewing->HistoryStart, 1);
}

// Inside a sequence undo and redo go one stroke at a time, with the field:
// a stroke after an undo continues from the field as it was then.
TEST_F(SkewingToolTest, UndoAndRedoStepThroughTheStrokesWithTheirField)
{
  OpenPattern();
  TZrPixelBuffer Opened, AfterOne, AfterTwo;
  CopyPixels(Image(), Opened);
  Skewing->SetBrushSize(20);
  Drag({40, 45}, {50, 45});
  CopyPixels(Image(), AfterOne);
  Drag({45, 45}, {45, 55});
  CopyPixels(Image(), AfterTwo);

  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), AfterOne));
  EXPECT_TRUE(Skewing->LiquifyActive);
  // The second stroke again, from the same field: the same pixels.
  Drag({45, 45}, {45, 55});
  EXPECT_TRUE(SameImage(Image(), AfterTwo));

  Editor->UndoStep();
  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Opened));
  // Undoing the first stroke ends the sequence.
  EXPECT_FALSE(Skewing->LiquifyActive);
  Skewing->UpdateControls();
  EXPECT_FALSE(Skewing->Frame->OkButton->isEnabled());
  EXPECT_TRUE(Editor->CanSelectTool(Smudge));
  Editor->RedoStep();
  EXPECT_TRUE(SameImage(Image(), AfterOne));
  EXPECT_TRUE(Skewing->LiquifyActive);
}

// With another tool in use one undo takes back all strokes of a sequence,
// but not the step before it; redo brings them all back.
TEST_F(SkewingToolTest, WithAnotherToolUndoRunsThroughTheSequenceOnly)
{
  OpenPattern();
  Editor->SelectTool(Smudge);
  Drag({20, 20}, {26, 20});
  TZrPixelBuffer Smudged, Liquified;
  CopyPixels(Image(), Smudged);
  Editor->SelectTool(Skewing);
  Skewing->SetBrushSize(20);
  Drag({40, 45}, {50, 45});
  Drag({60, 45}, {60, 55});
  Drag({80, 45}, {70, 55});
  CopyPixels(Image(), Liquified);
  EXPECT_EQ(Position(), 4);
  // Undone while this tool is current, the sequence ends; then the smudge
  // brush is picked.
  Editor->UndoStep();
  Editor->UndoStep();
  Editor->UndoStep();
  EXPECT_FALSE(Skewing->LiquifyActive);
  Skewing->UpdateControls();
  Editor->SelectTool(Smudge);

  Editor->RedoStep();
  EXPECT_EQ(Position(), 4);
  EXPECT_TRUE(SameImage(Image(), Liquified));
  Editor->UndoStep();
  EXPECT_EQ(Position(), 1);
  EXPECT_TRUE(SameImage(Image(), Smudged));
}

// A step of another tool in the middle of a sequence (a demonstration can
// pick tools past the lock) ends the sequence: "Cancel" must not take that
// step back with it.
TEST_F(SkewingToolTest, AnotherToolsStepEndsTheSequence)
{
  OpenPattern();
  Skewing->SetBrushSize(20);
  Drag({40, 45}, {50, 45});
  Skewing->UpdateControls();
  EXPECT_TRUE(Editor->ToolLocked);
  Editor->SelectTool(Smudge);
  // The lock goes with the tool that held it.
  EXPECT_FALSE(Editor->ToolLocked);
  Drag({80, 20}, {86, 20});
  TZrPixelBuffer Both;
  CopyPixels(Image(), Both);
  EXPECT_FALSE(Skewing->LiquifyActive);
  Skewing->Revert();
  EXPECT_TRUE(SameImage(Image(), Both));
  EXPECT_EQ(Position(), 2);
}

// However a stroke ends, it is re-sampled and belongs to the result of
// "OK".
TEST_F(SkewingToolTest, AStrokeEndedByAStoppedDemoIsPartOfTheResult)
{
  OpenPattern();
  Skewing->SetBrushSize(20);
  Drag({30, 45}, {40, 45});
  MoveTo({70, 45});
  Press({70, 45});
  for (int X = 72; X <= 84; X += 2)
    MoveTo({X, 45});
  Skewing->AbortMouseAction();
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Position(), 2);
  Release({84, 45});
  TZrPixelBuffer Result;
  CopyPixels(Image(), Result);
  EXPECT_TRUE(Skewing->LiquifyRect.Contains(82, 45));
  ASSERT_TRUE(Command(QStringLiteral("SkewingOK")));
  EXPECT_TRUE(SameImage(Image(), Result));
  EXPECT_EQ(Position(), 1);
}

// Dragged left from the right border, the pixels there take the colour of
// the last column (the sampling is clamped to the image).
TEST_F(SkewingToolTest, AStrokeAtTheImageBorder)
{
  OpenPicture([](int X, int) { return X * 2; });
  Skewing->SetBrushSize(30);
  Drag({118, 45}, {100, 45});
  EXPECT_GT(Skewing->Liquify.Field.Delta.At(114, 45).DX, 6.0f);
  EXPECT_EQ(Grey(Image(), 114, 45), 119 * 2);
  EXPECT_EQ(Grey(Image(), 119, 45), 119 * 2);
  EXPECT_EQ(Grey(Image(), 80, 45), 80 * 2); // beyond the brush's reach
  EXPECT_EQ(Grey(Image(), 114, 5), 114 * 2);
  // Off the image altogether: nothing happens, no step.
  const int Steps = Position();
  Drag({-80, 45}, {-50, 45});
  EXPECT_EQ(Position(), Steps);
}

// With size 1 the brush has no strength: strokes change nothing.
TEST_F(SkewingToolTest, AOnePixelBrushChangesNothing)
{
  OpenPattern();
  TZrPixelBuffer Opened;
  CopyPixels(Image(), Opened);
  Skewing->SetBrushSize(1);
  Drag({40, 40}, {60, 50});
  EXPECT_TRUE(SameImage(Image(), Opened));
  EXPECT_EQ(Position(), 0);
}

// A changed area of more than a million pixels shows its re-sampling on
// the progress meter, which is reset when it is done.
TEST_F(SkewingToolTest, ALargeResamplingShowsProgress)
{
  QProgressBar Bar;
  TProgressMeter Meter(&Bar);
  ASSERT_EQ(ProgressMeter(), &Meter);
  int Highest = 0, Maximum = 0;
  QObject::connect(&Bar, &QProgressBar::valueChanged, [&](int Value) {
    Highest = std::max(Highest, Value);
    Maximum = std::max(Maximum, Bar.maximum());
  });
  OpenPattern(1300, 900);
  Skewing->SetBrushSize(512);
  Drag({300, 300}, {300, 310}, 10); // a small area: no progress shown
  EXPECT_EQ(Highest, 0);
  // The moves' brush squares from (300, 266) on reach over the right and
  // bottom edges: 1256 x 890 pixels changed.
  Drag({200, 200}, {1100, 800}, 100);
  EXPECT_EQ(Maximum, 1256);
  EXPECT_EQ(Highest, 1256);
  EXPECT_EQ(Meter.Position(), 0);
}

TEST_F(SkewingToolTest, TheWheelStepGrowsWithTheBrush)
{
  OpenPattern();
  struct TCase
  {
    int32_t Size, Direction, Expected;
  } const Cases[] = {{10, 1, 11},   {49, 1, 50},   {50, 1, 52}, {150, 1, 152}, {151, -1, 148},
                     {250, 1, 254}, {510, 1, 512}, {2, -1, 1},  {1, -1, 1}};
  for (const TCase &Case : Cases) {
    Skewing->SetBrushSize(Case.Size);
    Wheel(Case.Direction);
    EXPECT_EQ(Skewing->BrushSize, Case.Expected) << Case.Size;
  }
  QTest::keyClick(View(), Qt::Key_PageUp);
  EXPECT_EQ(Skewing->BrushSize, 2);
}

TEST_F(SkewingToolTest, FrameButtonsSettingsAndLabels)
{
  TZrSkewingFrame &Frame = *Skewing->Frame;
  EXPECT_EQ(Skewing->BrushType, lbCos);
  EXPECT_TRUE(Frame.CosTBXButton->isChecked());
  EXPECT_EQ(Skewing->Effect, leWarp);
  EXPECT_TRUE(Frame.WarpTBXRadioButton->isChecked());
  EXPECT_EQ(Frame.SizeTrackBar->maximum(), 512);
  EXPECT_EQ(Frame.SizeTrackBar->tickInterval(), 16);
  EXPECT_EQ(Frame.SizeTrackBar->pageStep(), 32);

  OpenPattern();
  Frame.Cos12TBXButton->click();
  EXPECT_EQ(Skewing->BrushType, lbCos12);
  EXPECT_FALSE(Frame.CosTBXButton->isChecked());
  Frame.PuckerTBXRadioButton->click();
  EXPECT_EQ(Skewing->Effect, lePucker);
  Frame.SizeTrackBar->setValue(300);
  EXPECT_EQ(Skewing->BrushSize, 300);
  Skewing->UpdateControls();
  EXPECT_EQ(Frame.SizeLabel->text(), QStringLiteral("Size: 300"));
  EXPECT_EQ(Frame.TitleLabel->text(), QStringLiteral("Liquify"));
  EXPECT_EQ(Frame.BrushTntGroupBox->title(), QStringLiteral("Brush"));
  EXPECT_EQ(Frame.BloatTBXRadioButton->text(), QStringLiteral("Bloat"));
  EXPECT_EQ(Frame.Cos4TBXButton->toolTip(),
            QStringLiteral("Narrow brush: strongest in the middle"));
  EXPECT_TRUE(Skewing->Button->isChecked());
  EXPECT_TRUE(Frame.isEnabled());

  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Skewing->SaveSettings(Writer);
  }
  Skewing->SetBrushSize(20);
  Skewing->SetBrushType(lbCos4);
  Skewing->SetEffect(leWarp);
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Skewing->LoadSettings(Reader);
  EXPECT_EQ(Skewing->BrushSize, 300);
  EXPECT_EQ(Skewing->BrushType, lbCos12);
  EXPECT_EQ(Skewing->Effect, lePucker);
  EXPECT_TRUE(Frame.PuckerTBXRadioButton->isChecked());
  // Values out of range are ignored.
  Skewing->SetBrushType(4);
  Skewing->SetEffect(-1);
  EXPECT_EQ(Skewing->BrushType, lbCos12);
  EXPECT_EQ(Skewing->Effect, lePucker);
}

TEST_F(SkewingToolTest, DemoCommandsTargetsAndRecordedLines)
{
  OpenPattern();
  TZrSkewingFrame &Frame = *Skewing->Frame;
  EXPECT_TRUE(Command(QStringLiteral("SkewingBloat")));
  EXPECT_EQ(Skewing->Effect, leBloat);
  EXPECT_TRUE(Frame.BloatTBXRadioButton->isChecked());
  EXPECT_TRUE(Command(QStringLiteral("SkewingCos4BrushType")));
  EXPECT_EQ(Skewing->BrushType, lbCos4);
  EXPECT_TRUE(Frame.Cos4TBXButton->isChecked());
  EXPECT_TRUE(Command(QStringLiteral("SkewingWarp")));
  EXPECT_EQ(Skewing->Effect, leWarp);

  // A sequence cancelled by its command.
  TZrPixelBuffer Opened;
  CopyPixels(Image(), Opened);
  Skewing->SetBrushSize(20);
  Drag({40, 40}, {50, 44});
  EXPECT_TRUE(Command(QStringLiteral("SkewingCancel")));
  EXPECT_TRUE(SameImage(Image(), Opened));
  // Without a sequence "Cancel" undoes nothing of the history.
  Editor->SelectTool(Smudge);
  Drag({20, 20}, {26, 20});
  Editor->SelectTool(Skewing);
  EXPECT_TRUE(Command(QStringLiteral("SkewingCancel")));
  EXPECT_EQ(Position(), 1);

  // Clicks are recorded while a recording runs.
  TLineRecorder Recorder;
  Registry.Playback = &Recorder;
  Frame.Cos2TBXButton->click();
  Frame.PuckerTBXRadioButton->click();
  Drag({40, 40}, {50, 44});
  Frame.OkButton->click();
  Registry.Playback = nullptr;
  EXPECT_EQ(
      Recorder.Lines,
      (QStringList{QStringLiteral("MouseCurvedMove SkewingCos2BrushType"),
                   QStringLiteral("SkewingCos2BrushType"),
                   QStringLiteral("MouseCurvedMove SkewingPucker"), QStringLiteral("SkewingPucker"),
                   QStringLiteral("MouseCurvedMove SkewingOK"), QStringLiteral("SkewingOK")}));

  // Every button is a target.
  TZrDemoScriptParams Params;
  for (const char *Name :
       {"Skewing", "SkewingCos12BrushType", "SkewingBloat", "SkewingOK", "SkewingCancel"}) {
    Params.StoreString(0, Name);
    bool Handled = false;
    QPoint Point;
    Registry.ResolveTarget(nullptr, Params, Handled, Point);
    EXPECT_TRUE(Handled) << Name;
  }
  Params.StoreString(0, "SkewingCancel");
  bool Handled = false;
  QPoint Point;
  Registry.ResolveTarget(nullptr, Params, Handled, Point);
  QPushButton *Cancel = Frame.CancelButton;
  EXPECT_EQ(Point, Cancel->mapToGlobal(QPoint(Cancel->width() / 2, Cancel->height() / 2)));
}

TEST_F(SkewingToolTest, TheCursorIsACrossAndTheOutlineFollowsOnlyTheWarp)
{
  OpenPattern();
  MoveTo({60, 45});
  QApplication::processEvents();
  EXPECT_EQ(View()->cursor().shape(), Qt::CrossCursor);
  EXPECT_TRUE(Skewing->ShowOutline);
  Skewing->SetEffect(leBloat);
  Press({60, 45});
  EXPECT_FALSE(Skewing->ShowOutline);
  Release({60, 45});
  EXPECT_TRUE(Skewing->ShowOutline);
  // The right button does nothing.
  QTest::mousePress(View(), Qt::RightButton, Qt::NoModifier, At({60, 45}));
  EXPECT_FALSE(Doc()->Editing());
  QTest::mouseRelease(View(), Qt::RightButton, Qt::NoModifier, At({60, 45}));
}

} // namespace
} // namespace facette
