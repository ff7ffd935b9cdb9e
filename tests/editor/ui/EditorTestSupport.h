// A graphics editor on its own (with its main window and hand tool), real
// image files in a scratch folder, and a tool that paints and writes down
// what it is told.
#pragma once

#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsTool.h"
#include "editor/ZrDocumentImageFormats.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrLocalizer.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace facette::test {

// Writes down what reaches a tool.
class TToolJournal
{
public:
  std::vector<std::string> Lines;
  void Add(const std::string &Line) { Lines.push_back(Line); }
  bool Has(const std::string &Line) const
  {
    return std::find(Lines.begin(), Lines.end(), Line) != Lines.end();
  }
};

class TJournalTool;

// A recording playback that keeps the lines recorded.
class TLineRecorder : public IZrDemoPlayback
{
public:
  QStringList Lines;
  bool IsRecording() const override { return true; }
  void RecordLine(const QString &Line) override { Lines << Line; }
  bool RecordMessages() const override { return false; }
  void Suspend() override {}
  void Resume() override {}
};

class TJournalControl : public TZrGraphicsToolControl
{
public:
  TJournalControl(TZrGraphicsTool &Tool, TZrGraphicsView &View) : TZrGraphicsToolControl(Tool, View)
  {}
  void Activate() override;
  void Deactivate() override;
};

// A tool that paints rectangles through the edit protocol.
class TJournalTool : public TZrGraphicsTool
{
public:
  explicit TJournalTool(std::string Name, TToolJournal *Journal = nullptr)
      : Name(std::move(Name)), Journal(Journal)
  {
    ControlClass = ControlClassOf<TJournalControl>();
  }
  const std::string Name;
  TToolJournal *Journal;

  void Note(const std::string &What)
  {
    if (Journal)
      Journal->Add(Name + "." + What);
  }
  // Paints Value into Rect of the working image and reports it.
  void PaintRect(const TZrRect &Rect, uint8_t Value, bool Replace = false)
  {
    for (int32_t Y = Rect.Top; Y < Rect.Bottom; ++Y)
      for (int32_t X = Rect.Left; X < Rect.Right; ++X)
        for (int C = 0; C < 3; ++C)
          ImagePixels->PixelPtr(X, Y)[C] = Value;
    ChangeRect(Rect, Replace);
  }

  void Activate() override
  {
    Note("Activate");
    TZrGraphicsTool::Activate();
  }
  void Deactivate() override
  {
    Note("Deactivate");
    TZrGraphicsTool::Deactivate();
  }
  void BeforeUndo(TZrCommandState *) override { Note("BeforeUndo"); }
  void AfterUndo(TZrCommandState *) override { Note("AfterUndo"); }
  void BeforeRedo(TZrCommandState *) override { Note("BeforeRedo"); }
  void AfterRedo(TZrCommandState *) override { Note("AfterRedo"); }
  void DocumentOpened(TZrGraphicsDocument &Doc) override
  {
    Note("Opened");
    TZrGraphicsTool::DocumentOpened(Doc);
  }
  void InitializeTool() override { Note("Initialize"); }
};

inline void TJournalControl::Activate()
{
  TZrGraphicsToolControl::Activate();
  if (Tool)
    static_cast<TJournalTool *>(Tool)->Note("Control.Activate");
}

inline void TJournalControl::Deactivate()
{
  TZrGraphicsToolControl::Deactivate();
  if (Tool)
    static_cast<TJournalTool *>(Tool)->Note("Control.Deactivate");
}

// The editor with what it reports kept for the test.
class TTestGraphicsEditor : public TZrGraphicsEditor
{
public:
  QStringList SaveFailures;

protected:
  void ReportSaveFailure(const QString &FileName) override { SaveFailures << FileName; }
};

// Writes an image file of that size: a left half of Left and a right half
// of Right (grey values), in the format the name's extension says (PNG
// for names Qt does not know).
inline QString WriteImage(const QTemporaryDir &Folder, const QString &Name, int Width, int Height,
                          int Left = 40, int Right = 200)
{
  QImage Picture(Width, Height, QImage::Format_RGB888);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X) {
      const int V = X < Width / 2 ? Left : Right;
      Picture.setPixel(X, Y, qRgb(V, V, V));
    }
  const QString Path = Folder.filePath(Name);
  const QByteArray Suffix = Name.section(QLatin1Char('.'), -1).toLower().toLatin1();
  const bool Known = Suffix == "png" || Suffix == "jpg" || Suffix == "bmp" || Suffix == "tif";
  EXPECT_TRUE(Picture.save(Path, Known ? nullptr : "PNG"));
  return Path;
}

// Writes pattern.png: detail in every channel, so that smudging shows.
inline QString WritePattern(const QTemporaryDir &Folder, int Width, int Height)
{
  QImage Picture(Width, Height, QImage::Format_RGB888);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X)
      Picture.setPixel(X, Y,
                       qRgb((X * 37 + Y * 11) % 256, (X * 5 + Y * 53) % 256, (X ^ Y) * 9 % 256));
  const QString Path = Folder.filePath(QStringLiteral("pattern.png"));
  EXPECT_TRUE(Picture.save(Path));
  return Path;
}

class GraphicsEditorFixture : public testing::Test
{
protected:
  void SetUp() override
  {
    InitLocalizer(FACETTE_SOURCE_DIR "/data", 1033);
    App.SetTitle(QStringLiteral("Facette"));
    App.SetMessageBoxHandler([this](const QString &Text, const QString &, int Flags) {
      Messages << QStringLiteral("%1:%2").arg(Flags).arg(Text);
      return Answer;
    });
    App.CreateModule(Editor);
    Editor->Initialize();
    Main = Editor->MainWindow();
  }
  void TearDown() override
  {
    if (Main)
      Main->hide();
  }

  // Shows the window with its image area (the view's outer size) at that
  // size.
  void ShowWithViewSize(int Width, int Height)
  {
    Main->show();
    QApplication::processEvents();
    for (int Round = 0; Round < 3; ++Round) {
      QWidget *Area = Main->centralWidget();
      ASSERT_NE(Area, nullptr);
      Main->resize(Main->width() + Width - Area->width(), Main->height() + Height - Area->height());
      QApplication::processEvents();
    }
    ASSERT_EQ(Main->centralWidget()->size(), QSize(Width, Height));
  }
  bool Open(const QString &FileName)
  {
    TZrDocument *Doc = nullptr;
    return Editor->Open(FileName, Doc, true);
  }
  TZrGraphicsView *View() const { return Editor->ActiveView(); }
  // The view's window point of an image point.
  QPoint At(TZrPoint ImagePoint) const
  {
    return View()->WidgetPoint(View()->MapMode().LogicalToDevice(ImagePoint));
  }
  // A stroke of the left button through real input on the view: press at
  // the first point, move through the others, release at the last.
  void Stroke(const std::vector<TZrPoint> &Points)
  {
    QTest::mouseMove(View(), At(Points.front()));
    QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(Points.front()));
    for (size_t I = 1; I < Points.size(); ++I)
      QTest::mouseMove(View(), At(Points[I]));
    QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(Points.back()));
  }
  TZrGraphicsDocument *Doc() const { return Editor->ActiveDocument(); }
  std::pair<int32_t, int32_t> Zoom() const { return View()->GetZoom(); }
  template <class T> T *CreateTool(T *&Ref, std::string Name)
  {
    return App.CreateModule(Ref, std::move(Name), &Journal);
  }

  QTemporaryDir Folder;
  TZrApplication App;
  TTestGraphicsEditor *Editor = nullptr;
  TMainForm *Main = nullptr;
  TToolJournal Journal;
  QStringList Messages;
  int Answer = id::Yes;
};

} // namespace facette::test
