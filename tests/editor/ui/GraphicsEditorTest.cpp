#include "editor/ui/EditorTestSupport.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrScrollTool.h"
#include "editor/ZrExchangeFile.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "imaging/ZrImageFile.h"
#include "support/ShownTitle.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QToolBar>

#include <cstring>

namespace facette {
namespace {

using namespace test;

using GraphicsEditorTest = GraphicsEditorFixture;

TEST_F(GraphicsEditorTest, CommandsAreMergedInTheirPlaces)
{
  const QList<QAction *> Toolbar = Editor->StandardToolbar->actions();
  const auto At = [&Toolbar](QAction *Item) { return Toolbar.indexOf(Item); };
  // Open, Save, separator, Previous, Next, separator, Undo, Redo,
  // separator, the four zoom buttons.
  EXPECT_EQ(At(Editor->PrevImageButton), At(Editor->SaveToolButton) + 2);
  EXPECT_EQ(At(Editor->NextImageButton), At(Editor->PrevImageButton) + 1);
  EXPECT_EQ(At(Editor->EditToolbarSeparator), At(Editor->NextImageButton) + 1);
  EXPECT_EQ(At(Editor->ZoomToolbarSeparator), At(Editor->RedoToolButton) + 1);
  EXPECT_EQ(Toolbar.mid(At(Editor->ZoomToolbarSeparator) + 1),
            (QList<QAction *>{Editor->ZoomInButton, Editor->ZoomOutButton, Editor->ActualSizeButton,
                              Editor->ScaleToBestFitButton}));

  // View: the zoom items, a separator, then the Toolbars item.
  const QList<QAction *> View = Main->ViewMenuItem->actions();
  EXPECT_EQ(
      View.mid(0, 5),
      (QList<QAction *>{Editor->ZoomInMenuItem, Editor->ZoomOutMenuItem, Editor->ActualSizeMenuItem,
                        Editor->ScaleToBestFitMenuItem, Editor->ZoomMenuSeparator}));
  EXPECT_EQ(View[5], Main->ToolbarsMenuItem->menuAction());
  EXPECT_EQ(Editor->ZoomInMenuItem->text(), QStringLiteral("Zoom In"));
  EXPECT_EQ(Editor->ActualSizeMenuItem->shortcut(),
            QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_0)));

  // Scanning goes through the Import submenu; the two direct items stay
  // hidden.
  EXPECT_TRUE(Editor->ImportSubmenu->menuAction()->isVisible());
  EXPECT_EQ(Editor->ImportSubmenu->title(), QStringLiteral("&Import"));
  EXPECT_FALSE(Editor->AcquireMenuItem->isVisible());
  EXPECT_FALSE(Editor->SelectTwainSourceMenuItem->isVisible());

  // Without a document nothing zooms or browses.
  Editor->UpdateControls();
  EXPECT_FALSE(Editor->ZoomInButton->isEnabled());
  EXPECT_FALSE(Editor->NextImageButton->isEnabled());
  Editor->ZoomIn(); // nothing to do, nothing breaks
  Editor->NextImage();

  // The hand tool is made by the editor, right after it and its window.
  EXPECT_EQ(TZrGraphicsEditor::GraphicsTools().size(), 1u);
  EXPECT_NE(dynamic_cast<TZrScrollTool *>(TZrGraphicsEditor::GraphicsTools()[0]), nullptr);
}

TEST_F(GraphicsEditorTest, OpeningFitsLargeImagesAndShowsSmallOnesAtActualSize)
{
  ShowWithViewSize(800, 600);
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("large.png"), 3000, 2000)));
  // Best fit is exact, not a step of the table.
  EXPECT_EQ(Zoom(), std::make_pair(800, 3000));
  EXPECT_EQ(Editor->WStatusPanel->text(), QStringLiteral("3000"));
  EXPECT_EQ(Editor->HStatusPanel->text(), QStringLiteral("2000"));

  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("small.png"), 400, 300)));
  EXPECT_EQ(Zoom(), std::make_pair(1, 1));
  // Centred in the view.
  EXPECT_EQ(View()->MapMode().ViewportOrgX, 200);
  EXPECT_EQ(View()->MapMode().ViewportOrgY, 150);
}

TEST_F(GraphicsEditorTest, AnImageOpenedBeforeTheWindowShowsIsFittedWhenItDoes)
{
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("large.png"), 2000, 1000)));
  // At start-up the window has its size (from the settings) before it
  // shows.
  Main->resize(700, 500);
  Main->show();
  QApplication::processEvents();
  EXPECT_EQ(Zoom(), std::make_pair(View()->width(), 2000));
}

TEST_F(GraphicsEditorTest, ZoomStepsFromActualSizeAndFromAFittedZoom)
{
  ShowWithViewSize(400, 400);
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("photo.png"), 1000, 1000)));
  // Best fit is 40%: between 33% and 50%.
  EXPECT_EQ(Zoom(), std::make_pair(400, 1000));
  Editor->ZoomIn();
  EXPECT_EQ(Zoom(), std::make_pair(1, 2));
  Editor->BestFit();
  EXPECT_EQ(Zoom(), std::make_pair(400, 1000));
  Editor->ZoomOut();
  EXPECT_EQ(Zoom(), std::make_pair(1, 3));

  Editor->ActualSize();
  Editor->ZoomIn();
  EXPECT_EQ(Zoom(), std::make_pair(3, 2));
  Editor->ActualSize();
  Editor->ZoomOut();
  EXPECT_EQ(Zoom(), std::make_pair(3, 4));

  // The largest step stays where it is.
  for (int I = 0; I < 25; ++I)
    Editor->ZoomIn();
  EXPECT_EQ(Zoom(), std::make_pair(16, 1));
  Editor->ZoomIn();
  EXPECT_EQ(Zoom(), std::make_pair(16, 1));

  // The demo commands do the same.
  bool Handled = false;
  Editor->DemoCommand(nullptr, QStringLiteral("ACTUALSIZE"), Handled, nullptr, {});
  EXPECT_TRUE(Handled);
  EXPECT_EQ(Zoom(), std::make_pair(1, 1));
}

TEST_F(GraphicsEditorTest, BrowsingStepsThroughTheImagesOfTheFolder)
{
  const QString A = WriteImage(Folder, QStringLiteral("a.jpg"), 20, 10);
  QFile Text(Folder.filePath(QStringLiteral("b.txt")));
  ASSERT_TRUE(Text.open(QIODevice::WriteOnly));
  Text.write("not an image");
  Text.close();
  const QString C = WriteImage(Folder, QStringLiteral("c.png"), 30, 10);
  // ".IF" is part of ".TIF": the loose rule takes it.
  const QString D = WriteImage(Folder, QStringLiteral("d.if"), 40, 10);

  // Dropped on the window, like any file opened.
  Main->OnDropFile(C);
  ASSERT_NE(Doc(), nullptr);
  EXPECT_EQ(Editor->FolderFiles, (QStringList{A, C, D}));
  EXPECT_EQ(Editor->FolderIndex, 1);
  Editor->UpdateControls();
  EXPECT_TRUE(Editor->PrevImageButton->isEnabled());
  EXPECT_TRUE(Editor->NextImageButton->isEnabled());

  Editor->NextImage();
  EXPECT_EQ(ToQString(Doc()->FileName.string()), D);
  EXPECT_EQ(Doc()->ImageBounds().Width(), 40);
  EXPECT_EQ(Editor->FolderIndex, 2);
  Editor->UpdateControls();
  EXPECT_FALSE(Editor->NextImageButton->isEnabled());
  Editor->NextImage(); // nothing after the last
  EXPECT_EQ(Editor->FolderIndex, 2);

  Editor->PreviousImage();
  Editor->PreviousImage();
  EXPECT_EQ(ToQString(Doc()->FileName.string()), A);
  Editor->UpdateControls();
  EXPECT_FALSE(Editor->PrevImageButton->isEnabled());
  // Browsed files become recent ones.
  EXPECT_EQ(Editor->RecentFiles.front(), A);
}

TEST_F(GraphicsEditorTest, ABrowsedFileThatDoesNotOpenLeavesTheIndexMovedAndThePhotoShown)
{
  const QString A = WriteImage(Folder, QStringLiteral("a.png"), 20, 10);
  QFile Broken(Folder.filePath(QStringLiteral("b.png")));
  ASSERT_TRUE(Broken.open(QIODevice::WriteOnly));
  Broken.write("broken");
  Broken.close();
  const QString C = WriteImage(Folder, QStringLiteral("c.png"), 30, 10);
  ASSERT_TRUE(Open(A));
  Editor->NextImage();
  EXPECT_EQ(Editor->FolderIndex, 1);
  ASSERT_NE(Doc(), nullptr);
  EXPECT_EQ(ToQString(Doc()->FileName.string()), A);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("16:")));
  // The next step goes past the broken file.
  Editor->NextImage();
  EXPECT_EQ(ToQString(Doc()->FileName.string()), C);
}

TEST_F(GraphicsEditorTest, DamagedAndUnsupportedFilesSayWhyTheyDoNotOpen)
{
  const QString Odd = QStringLiteral(FACETTE_SOURCE_DIR "/tests/data/odd/");
  struct TCase
  {
    const char *File;
    bool Opens;
    QString Message; // flags, then the text; %1 is the file's path
  };
  const TCase Cases[] = {
      {"tiff-rows-per-strip-overflow.tif", false,
       QStringLiteral("16:The file \"%1\" could not be opened: it is damaged or incomplete.")},
      {"jpeg-cut-after-header.jpg", false,
       QStringLiteral("16:The file \"%1\" could not be opened: it is damaged or incomplete.")},
      {"jpeg-12-bit.jpg", false,
       QStringLiteral("16:The file \"%1\" could not be opened: this kind of image is not "
                      "supported (12-bit JPEG).")},
      {"bmp-embedded-png.bmp", false,
       QStringLiteral("16:The file \"%1\" could not be opened: this kind of image is not "
                      "supported (BMP with an embedded PNG).")},
      // Part of the picture is there: it opens, with a warning.
      {"jpeg-cut.jpg", true,
       QStringLiteral("48:The file \"%1\" is damaged or incomplete. Only part of the picture "
                      "could be read; the rest is shown in grey.")},
      {"jpeg-stray-bytes.jpg", true, QString()},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.File);
    Messages.clear();
    const QString Path = Odd + QString::fromUtf8(C.File);
    EXPECT_EQ(Open(Path), C.Opens);
    EXPECT_EQ(Doc() != nullptr, C.Opens);
    if (C.Message.isEmpty())
      EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QLatin1Char('\n')).toStdString();
    else
      EXPECT_EQ(Messages, QStringList{C.Message.arg(Path)});
  }
}

TEST_F(GraphicsEditorTest, SettingsKeepTheJpegQualityAndTheOption)
{
  Editor->SetJpegQuality(55);
  Editor->StoredOption = true;
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Editor->SaveSettings(Writer);
  }
  Editor->SetJpegQuality(90);
  Editor->StoredOption = false;
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Editor->LoadSettings(Reader);
  EXPECT_EQ(Editor->JpegQuality(), 55);
  EXPECT_TRUE(Editor->StoredOption);

  // Out of range: the setting is not taken.
  TZrMemoryStream Odd;
  {
    TZrSDFWriter Writer(&Odd);
    Writer.BeginNode(1, TZrGraphicsEditor::SettingsGuid);
    Writer.WriteInteger(1, 0);
    Writer.EndNode();
  }
  Odd.Seek(0);
  TZrSDFReader OddReader(&Odd);
  Editor->LoadSettings(OddReader);
  EXPECT_EQ(Editor->JpegQuality(), 55);
}

TEST_F(GraphicsEditorTest, SettingsKeepTheMinimalLossAndUprightSwitches)
{
  TZrDocumentImageFormats &Formats = Editor->ImageFormats();
  EXPECT_TRUE(Formats.MinimalLossJPEG);
  EXPECT_TRUE(Formats.ApplyOrientation);
  EXPECT_TRUE(Editor->UprightMenuItem->isChecked());
  // The File menu's item is the upright switch.
  Editor->UprightMenuItem->trigger();
  EXPECT_FALSE(Formats.ApplyOrientation);
  Formats.MinimalLossJPEG = false;
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Editor->SaveSettings(Writer);
  }
  Formats.MinimalLossJPEG = true;
  Editor->UprightMenuItem->trigger();
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Editor->LoadSettings(Reader);
  EXPECT_FALSE(Formats.MinimalLossJPEG);
  EXPECT_FALSE(Formats.ApplyOrientation);
  EXPECT_FALSE(Editor->UprightMenuItem->isChecked());
}

// Reading and writing a photo show the hourglass; the JPEG options are
// asked before, without it.
TEST_F(GraphicsEditorTest, TheHourglassShowsWhileAPhotoIsReadOrWritten)
{
  const auto Shape = [] {
    const QCursor *Cursor = QGuiApplication::overrideCursor();
    return Cursor ? Cursor->shape() : Qt::ArrowCursor;
  };
  TZrDocumentImageFormats &Formats = Editor->ImageFormats();
  std::vector<Qt::CursorShape> Seen;
  Formats.AskJpegQuality = [&](TZrJpegOptions &) {
    Seen.push_back(Shape());
    return true;
  };
  const auto Write = Formats.SaveExchange;
  Formats.SaveExchange = [&](const TZrPixels &Pixels, const std::filesystem::path &File,
                             std::string *Error) {
    Seen.push_back(Shape());
    return Write(Pixels, File, Error);
  };
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("photo.png"), 40, 30)));
  ASSERT_TRUE(Doc()->SaveToFile(ToUtf8(Folder.filePath(QStringLiteral("photo.jpg"))), gfJPEG));
  ASSERT_TRUE(Doc()->SaveToFile(ToUtf8(Folder.filePath(QStringLiteral("photo.tmp"))), gfExchange));
  EXPECT_EQ(Seen, (std::vector<Qt::CursorShape>{Qt::ArrowCursor, Qt::WaitCursor}));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

class TRecorder : public IZrDemoPlayback
{
public:
  QStringList Lines;
  bool IsRecording() const override { return true; }
  void RecordLine(const QString &Line) override { Lines << Line; }
  bool RecordMessages() const override { return true; }
  void Suspend() override {}
  void Resume() override {}
};

TEST_F(GraphicsEditorTest, ADemoOpensItsImageFromTheDemoFolderAndSizesTheView)
{
  ShowWithViewSize(300, 200);
  Editor->DemoFolder = Folder.path() + QLatin1Char('/');
  WriteImage(Folder, QStringLiteral("demo.png"), 1000, 500);
  TRecorder Recorder;
  Editor->AttachPlayback(&Recorder);

  TZrDemoScriptParams Params;
  Params.StoreString(0, "demo.png");
  Params.StoreInteger(1, 400);
  Params.StoreInteger(2, 250);
  bool Handled = false;
  Editor->DemoCommand(&Recorder, QStringLiteral("IMAGEOPEN"), Handled, nullptr, Params);
  EXPECT_TRUE(Handled);
  ASSERT_NE(Doc(), nullptr);
  EXPECT_TRUE(Doc()->OpenedByDemo);
  // The window grew so that the view is as large as the demo needs, and
  // the image was fitted to it.
  EXPECT_EQ(View()->size(), QSize(400, 250));
  EXPECT_EQ(Zoom(), std::make_pair(400, 1000));
  ASSERT_GE(Recorder.Lines.size(), 3);
  EXPECT_EQ(Recorder.Lines[0], QStringLiteral("MouseCurvedMove Open"));
  EXPECT_EQ(Recorder.Lines[1], QStringLiteral("Message \"Open Image\""));
  EXPECT_EQ(Recorder.Lines[2], QStringLiteral("ImageOpen \"demo.png\", 300, 200"));

  // A demo's image closes without the save question, changed or not.
  Doc()->Saved = false;
  Editor->CloseCommand();
  EXPECT_EQ(Doc(), nullptr);
  EXPECT_TRUE(Messages.isEmpty());
  Editor->DetachPlayback();
}

// Tool hosting and undo

TEST_F(GraphicsEditorTest, UndoIsRefusedWhileAnEditIsOpen)
{
  TJournalTool *Tool = nullptr;
  CreateTool(Tool, "Brush");
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("photo.png"), 40, 30)));
  Editor->SelectTool(Tool);

  // A first stroke, done.
  Tool->BeginEdit(*View());
  Tool->PaintRect(MakeRect(0, 0, 10, 10), 255, true);
  Tool->EndEdit();
  ASSERT_TRUE(Editor->CanUndo());

  // A second one still open.
  Tool->BeginEdit(*View());
  Tool->PaintRect(MakeRect(20, 0, 30, 10), 7, true);
  EXPECT_FALSE(Editor->CanUndo());
  Editor->UpdateControls();
  EXPECT_FALSE(Editor->UndoMenuItem->isEnabled());
  EXPECT_FALSE(Editor->UndoToolButton->isEnabled());
  Editor->UndoCommand();
  EXPECT_EQ(Doc()->History.Count(), 1);
  EXPECT_EQ(Doc()->History.GetPosition(), 1);
  EXPECT_EQ(Doc()->ImagePixels()->PixelPtr(0, 0)[0], 255);
  EXPECT_EQ(Doc()->ImagePixels()->PixelPtr(20, 0)[0], 7);

  Tool->EndEdit();
  ASSERT_TRUE(Editor->CanUndo());
  Editor->UndoCommand();
  EXPECT_EQ(Doc()->ImagePixels()->PixelPtr(20, 0)[0], 200);
  EXPECT_EQ(Doc()->ImagePixels()->PixelPtr(0, 0)[0], 255);
}

TEST_F(GraphicsEditorTest, UndoDeselectsTheToolAroundEachStepUnlessItIsKept)
{
  TJournalTool *Tool = nullptr;
  CreateTool(Tool, "Brush");
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("photo.png"), 40, 30)));
  Editor->SelectTool(Tool);
  Tool->BeginEdit(*View());
  Tool->PaintRect(MakeRect(0, 0, 10, 10), 255, true);
  Tool->EndEdit();

  Journal.Lines.clear();
  Editor->UndoCommand();
  EXPECT_EQ(Journal.Lines, (std::vector<std::string>{"Brush.Deactivate", "Brush.Control.Deactivate",
                                                     "Brush.BeforeUndo", "Brush.AfterUndo",
                                                     "Brush.Activate", "Brush.Control.Activate"}));
  EXPECT_EQ(Editor->CurrentTool(), Tool);

  Journal.Lines.clear();
  Editor->KeepToolOnUndo = true;
  Editor->RedoCommand();
  EXPECT_EQ(Journal.Lines, (std::vector<std::string>{"Brush.BeforeRedo", "Brush.AfterRedo"}));
  EXPECT_EQ(Doc()->ImagePixels()->PixelPtr(0, 0)[0], 255);
}

// A change that asks for the step before it to be undone with it.
class TLinkedState : public TZrCommandState
{
public:
  void Undo() override { GraphicsEditor()->RepeatUndo = true; }
  void Redo() override {}
};

TEST_F(GraphicsEditorTest, AStateMayAskForOneMoreUndoStep)
{
  TJournalTool *Tool = nullptr;
  CreateTool(Tool, "Brush");
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("photo.png"), 40, 30)));
  Tool->BeginEdit(*View());
  Tool->PaintRect(MakeRect(0, 0, 10, 10), 255, true);
  Tool->EndEdit();
  Doc()->History.Add(std::make_unique<TLinkedState>());
  Editor->UndoCommand();
  EXPECT_EQ(Doc()->History.GetPosition(), 0);
  EXPECT_EQ(Doc()->ImagePixels()->PixelPtr(0, 0)[0], 40);
}

// Plug-in mode, on a real exchange file as a host's plug-in writes it:
// rows of 4 bytes a pixel (more than the editor writes back), left half
// grey 40, right half grey 200.
QString WriteExchange(const QTemporaryDir &Folder, const QString &Name, int Width, int Height)
{
  TExchangeHeader Header;
  Header.Width = Width;
  Header.Height = Height;
  Header.Stride = Width * 4;
  Header.PixelStep = 4;
  std::vector<uint8_t> Bytes(ExchangeFileSize(Header));
  WriteExchangeHeader(Bytes.data(), Header);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X)
      std::memset(&Bytes[36 + Y * Header.Stride + X * 4], X < Width / 2 ? 40 : 200, 4);
  const QString Path = Folder.filePath(Name);
  EXPECT_TRUE(WriteFileAtomic(ToUtf8(Path), Bytes.data(), Bytes.size()));
  return Path;
}

// The exchange file's image; null when the file is no valid exchange file.
QImage ReadExchange(const QString &Path)
{
  QFile File(Path);
  if (!File.open(QIODevice::ReadOnly))
    return {};
  const QByteArray Bytes = File.readAll();
  const auto *Data = reinterpret_cast<const uint8_t *>(Bytes.constData());
  TExchangeHeader Header;
  if (CheckExchangeFile(Data, Bytes.size(), Header) != TExchangeStatus::Ok)
    return {};
  QImage Image(Header.Width, Header.Height, QImage::Format_BGR888);
  ReadExchangeRows(Data, Header, Image.bits(), Image.bytesPerLine());
  return Image;
}

class TExchangeFormats : public TZrDocumentImageFormats
{
public:
  bool WriteFails = false;
  int Writes = 0;
  bool Save(TZrDocument &Document, const std::filesystem::path &FileName, int32_t Format) override
  {
    ++Writes;
    return !WriteFails && TZrDocumentImageFormats::Save(Document, FileName, Format);
  }
};

class TPlugInEditor : public TTestGraphicsEditor
{
public:
  TExchangeFormats Exchange;
  TZrDocumentFormats &Formats() override { return Exchange; }
};

class PlugInModeTest : public testing::Test
{
protected:
  void SetUp() override
  {
    InitLocalizer(FACETTE_SOURCE_DIR "/data", 1033);
    App.SetTitle(QStringLiteral("Facette"));
    App.SetMessageBoxHandler([this](const QString &Text, const QString &, int Flags) {
      Messages << QStringLiteral("%1:%2").arg(Flags).arg(Text);
      return id::Yes;
    });
    App.CreateModule(Editor);
    Editor->Initialize();
    App.CreateModule(Tool, "Brush", nullptr);
    App.CreateModule(Resizer, "Resize", nullptr);
    Tool->PlugInAvailable = true;
    FileName = WriteExchange(Folder, QStringLiteral("PSPF1A.tmp"), 20, 10);
    TZrDocument *Doc = nullptr;
    ASSERT_TRUE(Editor->Open(FileName, Doc, true));
    Editor->MainWindow()->show();
  }
  // Paints the left half white through an edit that is still open.
  void PaintOpenEdit()
  {
    Tool->BeginEdit(*Editor->ActiveView());
    Tool->PaintRect(MakeRect(0, 0, 10, 10), 255, true);
  }
  QImage Written() const { return ReadExchange(FileName); }
  bool PressByName(const char *Command)
  {
    bool Handled = false;
    Registry.DispatchCommand(nullptr, QString::fromLatin1(Command), Handled, nullptr,
                             TZrDemoScriptParams());
    return Handled;
  }

  QTemporaryDir Folder;
  TZrDemoRegistry Registry; // the editor's demo names live as long as it does
  TZrApplication App;
  TPlugInEditor *Editor = nullptr;
  TJournalTool *Tool = nullptr;
  TJournalTool *Resizer = nullptr;
  QString FileName;
  QStringList Messages;
};

TEST_F(PlugInModeTest, TheExchangeFileSwitchesTheEditorIntoPlugInMode)
{
  EXPECT_TRUE(Editor->PlugInMode);
  EXPECT_EQ(App.ExitCode, -1);
  EXPECT_EQ(App.Title(), QStringLiteral("Facette Plug-in"));
  EXPECT_EQ(ShownTitle(*Editor->MainWindow()), QStringLiteral("Facette Plug-in"));
  EXPECT_FALSE(Editor->MainWindow()->FileMenuItem->menuAction()->isVisible());
  EXPECT_FALSE(Editor->PrevImageButton->isVisible());
  EXPECT_FALSE(Editor->NextImageButton->isVisible());
  EXPECT_FALSE(Editor->OpenToolButton->isVisible());
  ASSERT_NE(Editor->OkButton, nullptr);
  EXPECT_EQ(Editor->OkButton->text(), QStringLiteral("OK"));
  EXPECT_EQ(Editor->CancelButton->text(), QStringLiteral("Cancel"));
  // The exchange file is no recent file; tools that would change the
  // image size are off.
  EXPECT_TRUE(Editor->RecentFiles.isEmpty());
  EXPECT_TRUE(Tool->Enabled);
  EXPECT_FALSE(Resizer->Enabled);
  // Dropped files are not taken.
  Editor->OpenFromMainWindow(WriteImage(Folder, QStringLiteral("other.png"), 5, 5));
  EXPECT_EQ(ToQString(Editor->ActiveDocument()->FileName.string()), FileName);
}

TEST_F(PlugInModeTest, OkWritesTheImageBackAndExitsWithZero)
{
  PaintOpenEdit();
  Editor->PlugInOk();
  EXPECT_EQ(Editor->Exchange.Writes, 1);
  EXPECT_EQ(App.ExitCode, 0);
  EXPECT_FALSE(Editor->MainWindow()->isVisible());
  EXPECT_TRUE(Messages.isEmpty());
  // The open edit's pixels went back with the image.
  const QImage Back = Written();
  ASSERT_EQ(Back.size(), QSize(20, 10));
  EXPECT_EQ(qRed(Back.pixel(2, 2)), 255);
  EXPECT_EQ(qRed(Back.pixel(15, 2)), 200);
}

TEST_F(PlugInModeTest, CancelClosesWithoutAQuestionAndLeavesTheFile)
{
  PaintOpenEdit();
  Tool->EndEdit();
  Editor->PlugInCancel();
  EXPECT_TRUE(Messages.isEmpty());
  EXPECT_EQ(App.ExitCode, -1);
  EXPECT_EQ(Editor->Exchange.Writes, 0);
  EXPECT_FALSE(Editor->MainWindow()->isVisible());
  EXPECT_EQ(qRed(Written().pixel(2, 2)), 40);
}

TEST_F(PlugInModeTest, AFailedWriteKeepsTheWindowOpenAndTheCodeAtMinusOne)
{
  PaintOpenEdit();
  Editor->Exchange.WriteFails = true;
  Editor->PlugInOk();
  EXPECT_EQ(App.ExitCode, -1);
  EXPECT_EQ(Editor->SaveFailures, QStringList{FileName});
  EXPECT_TRUE(Editor->MainWindow()->isVisible());

  // Saving from the close question in place: the same rule.
  ASSERT_FALSE(Editor->SaveAsWithDialog(*Editor->ActiveDocument()));
  EXPECT_EQ(App.ExitCode, -1);
  Editor->Exchange.WriteFails = false;
  ASSERT_TRUE(Editor->SaveAsWithDialog(*Editor->ActiveDocument()));
  EXPECT_EQ(App.ExitCode, 0);
}

TEST_F(PlugInModeTest, ADemonstrationPutsTheImageAsideInTheExchangeFile)
{
  PaintOpenEdit();
  QString Reopen;
  Editor->Exchange.WriteFails = true;
  // Nothing is closed that could not be written back.
  EXPECT_FALSE(Editor->CloseDocumentsForDemo(Reopen));
  EXPECT_TRUE(Editor->HasDocument());
  EXPECT_EQ(Editor->SaveFailures, QStringList{FileName});

  Editor->Exchange.WriteFails = false;
  ASSERT_TRUE(Editor->CloseDocumentsForDemo(Reopen));
  EXPECT_FALSE(Editor->HasDocument());
  EXPECT_EQ(Reopen, FileName);
  EXPECT_TRUE(Messages.isEmpty());
  EXPECT_EQ(qRed(Written().pixel(2, 2)), 255);
  // Still the plug-in's image: the exit code waits for OK.
  EXPECT_EQ(App.ExitCode, -1);

  Editor->ReopenAfterDemo(Reopen);
  ASSERT_TRUE(Editor->HasDocument());
  EXPECT_TRUE(Editor->InPlugInMode());
  EXPECT_EQ(Editor->ActiveDocument()->ImagePixels()->PixelPtr(2, 2)[0], 255);
}

TEST_F(PlugInModeTest, ScriptsPressOkAndCancelByName)
{
  // Both are targets a script can move the pointer to.
  for (const char *Name : {"PlugInOk", "PlugInCancel"}) {
    TZrDemoScriptParams Target;
    Target.StoreString(0, Name);
    bool Handled = false;
    QPoint Point;
    Registry.ResolveTarget(nullptr, Target, Handled, Point);
    EXPECT_TRUE(Handled) << Name;
  }
  PaintOpenEdit();
  Tool->EndEdit();
  EXPECT_TRUE(PressByName("PLUGINOK"));
  EXPECT_EQ(App.ExitCode, 0);
  EXPECT_FALSE(Editor->MainWindow()->isVisible());
  EXPECT_EQ(qRed(Written().pixel(2, 2)), 255);
}

TEST_F(PlugInModeTest, AScriptsCancelLeavesTheFile)
{
  PaintOpenEdit();
  Tool->EndEdit();
  EXPECT_TRUE(PressByName("PLUGINCANCEL"));
  EXPECT_EQ(App.ExitCode, -1);
  EXPECT_FALSE(Editor->MainWindow()->isVisible());
  EXPECT_EQ(qRed(Written().pixel(2, 2)), 40);
}

TEST_F(PlugInModeTest, TheSaveQuestionNamesTheImage)
{
  EXPECT_EQ(Editor->AskSaveChanges("host.exchange"), id::Yes);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0], QStringLiteral("51:Do you want to save the changes to the image?"));
}

// A file the plug-in handed over that cannot be taken: the user learns
// that the host's image is untouched, and the plug-in is told to leave it.
TEST(PlugInRefusalTest, ADamagedExchangeFileIsReportedAndEndsTheRunAsCancelled)
{
  InitLocalizer(FACETTE_SOURCE_DIR "/data", 1033);
  TZrApplication App;
  QStringList Messages;
  App.SetMessageBoxHandler([&Messages](const QString &Text, const QString &, int Flags) {
    Messages << QStringLiteral("%1:%2").arg(Flags).arg(Text);
    return id::OK;
  });
  TTestGraphicsEditor *Editor = nullptr;
  App.CreateModule(Editor);
  Editor->Initialize();
  QTemporaryDir Folder;
  const QString FileName = WriteExchange(Folder, QStringLiteral("PSPF2B.tmp"), 8, 4);
  QFile::resize(FileName, QFileInfo(FileName).size() - 1);
  App.ExitCode = 0;
  TZrDocument *Doc = nullptr;
  EXPECT_FALSE(Editor->Open(FileName, Doc, true));
  EXPECT_FALSE(Editor->PlugInMode);
  EXPECT_EQ(App.ExitCode, -1);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0], QStringLiteral("16:The image handed over by the plug-in could not be "
                                        "opened: the file \"%1\" is damaged. The image in the "
                                        "host program stays as it was.")
                             .arg(FileName));
}

} // namespace
} // namespace facette
