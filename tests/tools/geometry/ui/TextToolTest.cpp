#include "tools/geometry/ui/PanelToolFixture.h"

#include "editor/GraphicsTestSupport.h"

#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "tools/geometry/ui/ZrTextTool.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <numeric>

namespace facette {
namespace {

using namespace test;

// Whether A and B differ anywhere outside Rect.
bool ChangedOutside(const TZrPixels &A, const TZrPixels &B, const TZrRect &Rect)
{
  for (int32_t Y = A.Top; Y < A.Top + A.Height; ++Y)
    for (int32_t X = A.Left; X < A.Left + A.Width; ++X)
      if (!Rect.Contains(X, Y) && !SamePixels(A, B, MakeRect(X, Y, X + 1, Y + 1)))
        return true;
  return false;
}

class TextToolTest : public TPanelToolFixture<TZrTextTool>
{
protected:
  // An image of one colour (red, green, blue) at 100% with the text tool
  // current and the keyboard on the view.
  void OpenPlain(int Red = 40, int Green = 90, int Blue = 160, int Width = 160, int Height = 100)
  {
    ShowWithViewSize(300, 200);
    QImage Picture(Width, Height, QImage::Format_RGB888);
    Picture.fill(QColor(Red, Green, Blue));
    const QString Path = Folder.filePath(QStringLiteral("plain.png"));
    ASSERT_TRUE(Picture.save(Path));
    ASSERT_TRUE(Open(Path));
    Editor->ActualSize();
    Editor->SelectTool(Tool);
    View()->setFocus();
    QApplication::processEvents();
  }
  QPoint At(TZrPoint ImagePoint) const
  {
    const TZrPoint P = View()->MapMode().LogicalToDevice(ImagePoint);
    return QPoint(P.X, P.Y);
  }
  void Drag(TZrPoint From, TZrPoint To, Qt::MouseButton Button = Qt::LeftButton)
  {
    QTest::mouseMove(View(), At(From));
    QTest::mousePress(View(), Button, Qt::NoModifier, At(From));
    QTest::mouseMove(View(), At(To));
    QTest::mouseRelease(View(), Button, Qt::NoModifier, At(To));
  }
  void Click(TZrPoint P, Qt::MouseButton Button = Qt::LeftButton) { Drag(P, P, Button); }
  void Type(const QString &Text) { Tool->Frame->TextTntMemo->setPlainText(Text); }
  TZrTextToolControl &Control() const { return *Tool->TextControl(); }
};

TEST_F(TextToolTest, APlacedTextIsKeptAsOneUndoStepOfItsRectangle)
{
  OpenPlain();
  Tool->SetTextColor(0xFFFFFF);
  Type(QStringLiteral("Hi"));
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);

  Drag({20, 20}, {100, 60});
  EXPECT_EQ(Control().State, TZrTextToolControl::Placed);
  EXPECT_EQ(Control().TextFrameRect, MakeRect(20, 20, 100, 60));
  EXPECT_FALSE(Editor->CanUndo()) << "nothing to undo while the text is placed";
  EXPECT_TRUE(Editor->ToolLocked);
  EXPECT_FALSE(SameImage(Image(), Before));
  EXPECT_FALSE(ChangedOutside(Image(), Before, Control().TextFrameRect));
  TZrPixelBuffer Placed;
  CopyPixels(Image(), Placed);

  QTest::keyClick(View(), Qt::Key_Return);
  EXPECT_EQ(Control().State, TZrTextToolControl::Idle);
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_FALSE(Editor->ToolLocked);
  ASSERT_EQ(Doc()->History.Count(), 1);
  EXPECT_TRUE(SameImage(Image(), Placed));
  EXPECT_TRUE(SameImage(Doc()->Backup(), Placed));
  // The step holds the rectangle only.
  const auto *State = dynamic_cast<TZrGraphicsCommandState *>(Doc()->History.State(0));
  ASSERT_NE(State, nullptr);
  EXPECT_EQ(State->Rect, MakeRect(20, 20, 100, 60));

  Editor->UndoStep();
  EXPECT_TRUE(SameImage(Image(), Before));
  Editor->RedoStep();
  EXPECT_TRUE(SameImage(Image(), Placed));
}

TEST_F(TextToolTest, ConfirmingRemovingAndClicksThatPlaceNothing)
{
  OpenPlain();
  Type(QStringLiteral("Yalta"));
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);

  // A click without a drag places nothing and leaves no step.
  Click({30, 30});
  EXPECT_EQ(Control().State, TZrTextToolControl::Idle);
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_TRUE(SameImage(Image(), Before));

  // Escape and a right click remove the text.
  for (const bool ByKey : {true, false}) {
    Drag({10, 10}, {90, 50});
    ASSERT_FALSE(SameImage(Image(), Before));
    if (ByKey)
      QTest::keyClick(View(), Qt::Key_Escape);
    else
      Click({50, 30}, Qt::RightButton);
    EXPECT_EQ(Control().State, TZrTextToolControl::Idle);
    EXPECT_TRUE(SameImage(Image(), Before));
    EXPECT_EQ(Doc()->History.Count(), 0);
    EXPECT_FALSE(Editor->ToolLocked);
  }

  // A click outside keeps it; a click inside does not.
  Drag({10, 10}, {90, 50});
  Click({50, 30});
  EXPECT_EQ(Control().State, TZrTextToolControl::Placed);
  Click({130, 80});
  EXPECT_EQ(Control().State, TZrTextToolControl::Idle);
  EXPECT_EQ(Doc()->History.Count(), 1);
}

TEST_F(TextToolTest, HandlesMoveAndStretchTheTextAndDraggingBackwardsMirrors)
{
  OpenPlain();
  Tool->SetTextColor(0xFFFFFF);
  Type(QStringLiteral("Ab"));
  TZrPixelBuffer Before;
  CopyPixels(Image(), Before);
  Drag({20, 20}, {100, 60});
  TZrPixelBuffer Forward;
  CopyPixels(Image(), Forward);
  QTest::keyClick(View(), Qt::Key_Escape);

  // Dragged right to left: the same text, mirrored.
  Drag({100, 20}, {20, 60});
  EXPECT_TRUE(Tool->MirrorHorizontal);
  EXPECT_FALSE(Tool->MirrorVertical);
  for (int32_t Y = 20; Y < 60; ++Y)
    for (int32_t X = 20; X < 100; ++X)
      ASSERT_TRUE(std::equal(Image().PixelPtr(X, Y), Image().PixelPtr(X, Y) + 3,
                             Forward.PixelPtr(119 - X, Y)))
          << X << "," << Y;
  ASSERT_FALSE(SameImage(Image(), Forward));

  // The left handle across the right edge turns it back.
  const QPoint LeftHandle = At(TZrPoint{20, 40});
  int32_t Cursor = crDefault;
  ASSERT_TRUE(Control().GetCursor(0, TZrPoint{LeftHandle.x(), LeftHandle.y()}, Cursor));
  EXPECT_EQ(Cursor, crSizeWE);
  Drag({20, 40}, {140, 40});
  EXPECT_EQ(Control().TextFrameRect, MakeRect(100, 20, 140, 60));
  EXPECT_FALSE(Tool->MirrorHorizontal);
  EXPECT_EQ(Tool->StretchedBitmap.Width, 40);
  EXPECT_FALSE(ChangedOutside(Image(), Before, Control().TextFrameRect))
      << "the old place is clean again";

  // Inside moves it, the text unchanged.
  TZrPixelBuffer Moved;
  CopyPixels(Image(), Moved);
  Drag({120, 30}, {90, 45});
  EXPECT_EQ(Control().TextFrameRect, MakeRect(70, 35, 110, 75));
  for (int32_t Y = 35; Y < 75; ++Y)
    ASSERT_EQ(0, std::memcmp(Image().PixelPtr(70, Y), Moved.PixelPtr(100, Y - 15), 40 * 3));
  EXPECT_FALSE(ChangedOutside(Image(), Before, Control().TextFrameRect));
}

TEST_F(TextToolTest, InvertedColourPushedToMaximumContrast)
{
  OpenPlain(200, 100, 30);
  Tool->SetFontSize(72);
  Tool->SetFontStyle(1);
  Type(QStringLiteral("I"));
  Tool->Frame->InvertedRadioButton->click();
  Tool->Frame->MaxInverseTBXCheckBox->click();
  EXPECT_EQ(Tool->FontColorMode, tcInverted);
  EXPECT_TRUE(Tool->MaxInverse);
  Drag({10, 10}, {150, 90});
  // Where the letter covers a pixel fully: red 0, green 255, blue 255.
  const TZrRect R = Control().TextFrameRect;
  int32_t Full = 0;
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
    for (int32_t X = R.Left; X < R.Right; ++X)
      if (Tool->StretchedBitmap.Bits[static_cast<size_t>((Y - R.Top) * R.Width() + X - R.Left)] ==
          255) {
        const uint8_t *P = Image().PixelPtr(X, Y);
        ASSERT_EQ(P[2], 0);
        ASSERT_EQ(P[1], 255);
        ASSERT_EQ(P[0], 255);
        ++Full;
      }
  EXPECT_GT(Full, 100);
  // Without maximum contrast the plain inverse: 55, 155, 225.
  Tool->SetMaxInverse(false);
  const uint8_t *P = Image().PixelPtr((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
  EXPECT_EQ(P[2], 55);
  EXPECT_EQ(P[1], 155);
  EXPECT_EQ(P[0], 225);
}

TEST_F(TextToolTest, TheFontSizeSetsSharpnessNotSize)
{
  OpenPlain();
  Type(QStringLiteral("Size"));
  Drag({10, 10}, {150, 70});
  const TZrRect Placed = Control().TextFrameRect;
  TZrPixelBuffer Small;
  CopyPixels(Image(), Small);
  const int32_t SmallHeight = Tool->TextBitmap.Height;
  Tool->Frame->SizeSpinEdit->setValue(120);
  EXPECT_EQ(Tool->FontSize, 120);
  EXPECT_GT(Tool->TextBitmap.Height, 3 * SmallHeight);
  EXPECT_EQ(Control().TextFrameRect, Placed);
  EXPECT_EQ(Tool->StretchedBitmap.Width, Placed.Width());
  EXPECT_EQ(Tool->StretchedBitmap.Height, Placed.Height());
  EXPECT_FALSE(SameImage(Image(), Small)) << "sharper letters";
  EXPECT_FALSE(ChangedOutside(Image(), Small, Placed));
}

TEST_F(TextToolTest, LinesAndTheirHeight)
{
  OpenPlain();
  Type(QStringLiteral("A"));
  const int32_t One = Tool->TextBitmap.Height;
  ASSERT_GT(One, 0);
  Type(QStringLiteral("A\n\n\n"));
  EXPECT_EQ(Tool->TextBitmap.Height, One) << "empty lines at the end add nothing";
  Type(QStringLiteral("A\n\nB"));
  EXPECT_EQ(Tool->TextBitmap.Height, 3 * One) << "between lines they keep their place";
  Type(QStringLiteral("\n\n"));
  EXPECT_FALSE(Tool->HasText());
}

// The coverage of a rendered line, as one value per column.
std::vector<int> ColumnCoverage(const TZrPixelMask &Bitmap)
{
  std::vector<int> Columns(static_cast<size_t>(Bitmap.Width), 0);
  for (int32_t Y = 0; Y < Bitmap.Height; ++Y)
    for (int32_t X = 0; X < Bitmap.Width; ++X)
      Columns[static_cast<size_t>(X)] += Bitmap.Bits[static_cast<size_t>(Y * Bitmap.Width + X)];
  return Columns;
}

TEST_F(TextToolTest, TextIsDrawnAsTypedInAnyScript)
{
  OpenPlain();
  // Each Cyrillic letter is drawn, not a replacement mark: the line has
  // ink in six separate runs of columns, and differs from question marks.
  Type(QString::fromUtf8("Привет"));
  ASSERT_TRUE(Tool->HasText());
  const std::vector<int> Cyrillic = ColumnCoverage(Tool->TextBitmap);
  int Runs = 0;
  for (size_t X = 0; X < Cyrillic.size(); ++X)
    if (Cyrillic[X] > 0 && (X == 0 || Cyrillic[X - 1] == 0))
      ++Runs;
  EXPECT_GE(Runs, 5);
  Type(QStringLiteral("??????"));
  EXPECT_NE(ColumnCoverage(Tool->TextBitmap), Cyrillic);
  // Greek and accented Latin letters too.
  Type(QString::fromUtf8("Ωμέγα"));
  const std::vector<int> Greek = ColumnCoverage(Tool->TextBitmap);
  Type(QStringLiteral("?????"));
  EXPECT_NE(ColumnCoverage(Tool->TextBitmap), Greek);
}

TEST_F(TextToolTest, TheDefaultFont)
{
  // The first of the usual faces that is installed, else the system's
  // serif face.
  const QStringList Installed = QFontDatabase::families();
  QString Expected;
  for (const char *Name : TZrTextTool::DefaultFontNames)
    if (Expected.isEmpty() && Installed.contains(QString::fromLatin1(Name), Qt::CaseInsensitive))
      Expected = QString::fromLatin1(Name);
  if (Expected.isEmpty()) {
    QFont Serif(QStringLiteral("serif"));
    Serif.setStyleHint(QFont::Serif);
    Expected = QFontInfo(Serif).family();
  }
  EXPECT_EQ(TZrTextTool::DefaultFontFamily(), Expected);
  EXPECT_EQ(Tool->Frame->FontNameComboBox->currentText().toLower(), Expected.toLower());
  EXPECT_GT(Tool->Frame->FontNameComboBox->count(), 0);
}

TEST_F(TextToolTest, FrameControlsAndTheSizeStep)
{
  TZrTextFrame &Frame = *Tool->Frame;
  EXPECT_EQ(Tool->FontSize, 32);
  EXPECT_EQ(Frame.SizeSpinEdit->value(), 32);
  EXPECT_EQ(Frame.SizeSpinEdit->minimum(), 8);
  EXPECT_EQ(Frame.SizeSpinEdit->maximum(), 400);
  const std::pair<int, int> Steps[] = {{149, 1}, {150, 2}, {250, 2}, {251, 3}, {350, 4}};
  for (const auto &[Size, Step] : Steps) {
    Frame.SizeSpinEdit->setValue(Size);
    EXPECT_EQ(Frame.SizeSpinEdit->singleStep(), Step) << Size;
  }
  Frame.SizeSpinEdit->stepBy(1);
  EXPECT_EQ(Tool->FontSize, 354);

  Frame.ItalicTBXButton->click();
  Frame.StrikeoutTBXButton->click();
  EXPECT_EQ(Tool->FontStyle, 2 | 8);
  EXPECT_TRUE(Tool->TextFont().italic() && Tool->TextFont().strikeOut());
  Tool->SetFontStyle(1);
  EXPECT_TRUE(Frame.BoldTBXButton->isChecked());
  EXPECT_FALSE(Frame.ItalicTBXButton->isChecked());

  // Colours: the listed ones by name, others get an entry of their own.
  Frame.ColorBox->setCurrentIndex(9);
  QMetaObject::invokeMethod(Frame.ColorBox, "activated", Q_ARG(int, 9));
  EXPECT_EQ(Tool->TextColor, 0x0000FF);
  EXPECT_EQ(Frame.ColorBox->currentText(), QStringLiteral("Red"));
  Tool->SetTextColor(0x123456);
  EXPECT_EQ(Frame.SelectedColor(), 0x123456);
  EXPECT_EQ(Frame.ColorBox->currentText(), QStringLiteral("#563412"));
}

TEST_F(TextToolTest, EditedSettingsRedrawThePlacedText)
{
  OpenPlain();
  Type(QStringLiteral("Hello"));
  Drag({10, 10}, {150, 80});
  TZrPixelBuffer Last;
  CopyPixels(Image(), Last);
  const auto Changed = [&] {
    const bool Result = !SameImage(Image(), Last);
    CopyPixels(Image(), Last);
    return Result;
  };
  Tool->SetTextColor(0x00FF00);
  EXPECT_TRUE(Changed());
  Type(QStringLiteral("Hello!"));
  EXPECT_TRUE(Changed());
  Tool->SetFontStyle(2);
  EXPECT_TRUE(Changed());
  Tool->SetFontColorMode(tcInverted);
  EXPECT_TRUE(Changed());
  Tool->Frame->FontNameComboBox->setCurrentIndex(
      (Tool->Frame->FontNameComboBox->currentIndex() + 1) % Tool->Frame->FontNameComboBox->count());
  EXPECT_TRUE(Changed() || Tool->Frame->FontNameComboBox->count() == 1);
  EXPECT_EQ(Doc()->History.Count(), 0);
}

TEST_F(TextToolTest, SettingsRoundTrip)
{
  Tool->SetFontSize(120);
  Tool->SetFontColorMode(tcInverted);
  Tool->SetTextColor(0x00FF00);
  Tool->SetMaxInverse(true);
  Tool->SetFontStyle(5);
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Tool->SaveSettings(Writer);
  }
  Tool->SetFontSize(9);
  Tool->SetFontColorMode(tcSelected);
  Tool->SetTextColor(0);
  Tool->SetMaxInverse(false);
  Tool->SetFontStyle(0);
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Tool->LoadSettings(Reader);
  EXPECT_EQ(Tool->FontSize, 120);
  EXPECT_EQ(Tool->FontColorMode, tcInverted);
  EXPECT_EQ(Tool->TextColor, 0x00FF00);
  EXPECT_TRUE(Tool->MaxInverse);
  EXPECT_EQ(Tool->FontStyle, 5);
  EXPECT_TRUE(Tool->Frame->InvertedRadioButton->isChecked());
  EXPECT_TRUE(Tool->Frame->UnderlineTBXButton->isChecked());
  EXPECT_EQ(Tool->Frame->ColorBox->currentText(), QStringLiteral("Lime"));
}

TEST_F(TextToolTest, DemoCommandsTargetsAndRecordedLines)
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
  EXPECT_TRUE(Command("TEXTFONTSIZE", 64));
  EXPECT_EQ(Tool->FontSize, 64);
  EXPECT_TRUE(Command("TEXTCOLOR", 0xFF));
  EXPECT_EQ(Tool->TextColor, 0xFF);
  EXPECT_TRUE(Command("TEXTFONTBI", 3));
  EXPECT_EQ(Tool->FontStyle, 3);
  EXPECT_TRUE(Command("TEXTFONTCOLOR", 1));
  EXPECT_EQ(Tool->FontColorMode, tcInverted);
  EXPECT_TRUE(Command("TEXTMAXINVERSE", 1));
  EXPECT_TRUE(Tool->MaxInverse);
  EXPECT_TRUE(Command("TEXTFONTSIZE", 1000)); // out of range: ignored
  EXPECT_EQ(Tool->FontSize, 64);
  EXPECT_EQ(Recorder.Lines,
            (QStringList{
                QStringLiteral("MouseCurvedMove TextFontSize"), QStringLiteral("TextFontSize 64"),
                QStringLiteral("MouseCurvedMove TextColor"), QStringLiteral("TextColor 255"),
                QStringLiteral("MouseCurvedMove TextFontBI"), QStringLiteral("TextFontBI 3")}));
  // What the user does is recorded as script lines too.
  Recorder.Lines.clear();
  Tool->Frame->SelectedRadioButton->click();
  Tool->Frame->MaxInverseTBXCheckBox->click();
  EXPECT_EQ(Recorder.Lines, (QStringList{QStringLiteral("MouseCurvedMove TextFontColor"),
                                         QStringLiteral("TextFontColor 0"),
                                         QStringLiteral("MouseCurvedMove TextMaxInverse"),
                                         QStringLiteral("TextMaxInverse 0")}));

  // The typed word, letter by letter; at the speed that skips pauses the
  // command takes no time.
  class TFullSpeed : public TLineRecorder
  {
  public:
    int64_t ScaledPause(int64_t) const override { return 0; }
  } Fast;
  DemoRegistry().Playback = &Fast;
  QElapsedTimer Clock;
  Clock.start();
  Tool->Frame->TextTntMemo->setPlainText(QStringLiteral("old"));
  EXPECT_TRUE(Command("TEXTMEMOYALTA", 0));
  EXPECT_LT(Clock.elapsed(), 1000);
  EXPECT_EQ(Tool->Frame->TextTntMemo->toPlainText(), QStringLiteral("Yalta"));
  DemoRegistry().Playback = &Recorder;

  // Every control is a target.
  Main->show();
  for (const char *Name : {"Text", "TextFontColor", "TextColor", "TextMaxInverse", "TextFontSize",
                           "TextFontBI", "TextMemo"}) {
    TZrDemoScriptParams Params;
    Params.StoreString(0, Name);
    bool Handled = false;
    QPoint Point;
    DemoRegistry().ResolveTarget(nullptr, Params, Handled, Point);
    EXPECT_TRUE(Handled) << Name;
  }
}

} // namespace
} // namespace facette
