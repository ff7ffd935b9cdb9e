#include "document/ui/ZrEditor.h"

#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrLocalizer.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "support/ShownTitle.h"

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace facette {
namespace {

using test::ShownTitle;

// A document whose content is the text of its file.
class TTextDocument : public TZrDocument
{
public:
  using TZrDocument::TZrDocument;
  ~TTextDocument() override { delete View; }
  void CreateView(TZrDocumentView *&NewView) override { NewView = new TZrDocumentView; }
  std::string Content;
  // Records a change the way tools do: one history state, unsaved.
  void Change(const std::string &Text);
};

class TTextState : public TZrCommandState
{
public:
  TTextState(TTextDocument &Doc, std::string Before, std::string After)
      : Doc(Doc), Before(std::move(Before)), After(std::move(After))
  {}
  void Undo() override { Doc.Content = Before; }
  void Redo() override { Doc.Content = After; }

private:
  TTextDocument &Doc;
  std::string Before, After;
};

void TTextDocument::Change(const std::string &Text)
{
  History.Add(std::make_unique<TTextState>(*this, Content, Text));
  Content = Text;
  Saved = false;
}

// Text "images": format 1 is "JPEG" (*.jpg;*.jpeg), format 2 "PNG".
class TTextFormats : public TZrDocumentFormats
{
public:
  TTextFormats() { List = {{1, "JPEG", "*.jpg;*.jpeg", ".jpg"}, {2, "PNG", "*.png", ".png"}}; }
  int Count() const override { return static_cast<int>(List.size()); }
  const TZrFileFormatInfo *GetFormat(int Index) const override
  {
    return Index >= 0 && Index < Count() ? &List[static_cast<size_t>(Index)] : nullptr;
  }
  bool Load(TZrDocument &Document, const std::filesystem::path &FileName, int32_t &Format) override
  {
    std::ifstream In(FileName);
    std::stringstream Text;
    Text << In.rdbuf();
    if (!In || Text.str() == "damaged")
      return false;
    static_cast<TTextDocument &>(Document).Content = Text.str();
    Format = FileName.extension() == ".png" ? 2 : 1;
    return true;
  }
  bool Save(TZrDocument &Document, const std::filesystem::path &FileName, int32_t Format) override
  {
    Saves.push_back({FileName, Format});
    std::ofstream Out(FileName);
    Out << static_cast<TTextDocument &>(Document).Content;
    return static_cast<bool>(Out);
  }
  bool CanSave(int32_t) const override { return true; }

  std::vector<TZrFileFormatInfo> List;
  std::vector<std::pair<std::filesystem::path, int32_t>> Saves;
};

class TTestEditor : public TZrEditor
{
public:
  TZrDocumentFormats &Formats() override { return TextFormats; }
  std::unique_ptr<TZrDocument> CreateDocument() override
  {
    return std::make_unique<TTextDocument>(*this);
  }
  TTextDocument *Text() const { return static_cast<TTextDocument *>(CurrentDocument()); }

  // The dialogs' answers.
  QString NextSaveName;
  int NextSaveFormat = 1;
  int OfferedFilterIndex = 0;

  TTextFormats TextFormats;

protected:
  bool ChooseSaveFile(const TZrFileFormatArray &, int FilterIndex, const QString &,
                      QString &FileName, int &ChosenIndex) override
  {
    OfferedFilterIndex = FilterIndex;
    if (NextSaveName.isEmpty())
      return false;
    FileName = NextSaveName;
    ChosenIndex = NextSaveFormat;
    return true;
  }
};

class EditorTest : public testing::Test
{
protected:
  void SetUp() override
  {
    // The shipped language files, in English.
    InitLocalizer(FACETTE_SOURCE_DIR "/data", 1033);
    App.SetTitle(QStringLiteral("Facette"));
    App.SetMessageBoxHandler([this](const QString &Text, const QString &, int Flags) {
      Messages << QStringLiteral("%1:%2").arg(Flags).arg(Text);
      return Answer;
    });
    App.CreateModule(Editor);
    Editor->Initialize();
  }
  QString File(const QString &Name, const QString &Content = QStringLiteral("pixels"))
  {
    const QString Path = Folder.filePath(Name);
    QFile F(Path);
    EXPECT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Content.toUtf8());
    return Path;
  }
  bool Open(const QString &Name)
  {
    TZrDocument *Doc = nullptr;
    return Editor->Open(Name, Doc, true);
  }

  QTemporaryDir Folder;
  TZrApplication App;
  TTestEditor *Editor = nullptr;
  QStringList Messages;
  int Answer = id::Yes;
};

TEST_F(EditorTest, WithoutADocumentCommandsAreOffAndTheCaptionIsBare)
{
  Editor->UpdateControls();
  EXPECT_FALSE(Editor->UndoMenuItem->isEnabled());
  EXPECT_FALSE(Editor->RedoMenuItem->isEnabled());
  EXPECT_FALSE(Editor->SaveAsMenuItem->isEnabled());
  EXPECT_FALSE(Editor->CloseMenuItem->isEnabled());
  EXPECT_FALSE(Editor->UndoToolButton->isEnabled());
  EXPECT_EQ(Editor->MainWindow()->windowTitle(), QStringLiteral("Facette"));
  Editor->UndoCommand(); // nothing happens, nothing breaks
  Editor->RedoAllCommand();
}

TEST_F(EditorTest, OpeningShowsTheNameInTheCaptionAndKeepsOneDocument)
{
  ASSERT_TRUE(Open(File(QStringLiteral("a.jpg"))));
  EXPECT_EQ(ShownTitle(*Editor->MainWindow()), QStringLiteral("a.jpg - Facette"));
  ASSERT_TRUE(Open(File(QStringLiteral("b.png"))));
  EXPECT_EQ(Editor->DocumentCount(), 1);
  EXPECT_EQ(Editor->CurrentDocument()->Format, 2);
  Editor->UpdateControls();
  EXPECT_TRUE(Editor->SaveAsMenuItem->isEnabled());
  EXPECT_FALSE(Editor->SaveMenuItem->isEnabled()); // nothing unsaved
}

TEST_F(EditorTest, RecentFilesKeepFiveMostRecentFirstWithoutDuplicates)
{
  QStringList Names;
  for (int I = 1; I <= 6; ++I)
    Names << File(QStringLiteral("%1.jpg").arg(I));
  for (const QString &Name : Names)
    ASSERT_TRUE(Open(Name));
  EXPECT_EQ(Editor->RecentFiles, (QStringList{Names[5], Names[4], Names[3], Names[2], Names[1]}));
  ASSERT_TRUE(Open(Names[2]));
  EXPECT_EQ(Editor->RecentFiles, (QStringList{Names[2], Names[5], Names[4], Names[3], Names[1]}));

  // The File menu: "&1 name" ... between the separators, in that order.
  const QList<QAction *> Items = Editor->MainWindow()->FileMenuItem->actions();
  const qsizetype First = Items.indexOf(Editor->MainWindow()->FileMenuSeparator) + 1;
  const qsizetype End = Items.indexOf(Editor->RecentFilesMenuSeparator);
  ASSERT_EQ(End - First, 5);
  for (int I = 0; I < 5; ++I)
    EXPECT_EQ(Items[First + I]->text(),
              QStringLiteral("&%1 %2").arg(I + 1).arg(Editor->RecentFiles[I]));

  // Choosing an entry opens it and moves it to the top.
  Items[First + 3]->trigger();
  EXPECT_EQ(Editor->RecentFiles.first(), Names[3]);
  EXPECT_EQ(Editor->Text()->FileName, std::filesystem::path(ToUtf8(Names[3])));
}

TEST_F(EditorTest, RecentFilesRoundTripThroughTheSettings)
{
  for (const QString &Name : {QStringLiteral("x.jpg"), QStringLiteral("y.jpg")})
    Editor->AddRecentFile(Folder.filePath(Name));
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Editor->SaveSettings(Writer);
  }
  // The node, the count node (integer 2), names 1 (most recent) and 2.
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  ASSERT_TRUE(Reader.EnterNode(1, TZrEditor::SettingsGuid));
  ASSERT_TRUE(Reader.EnterNode(1));
  int32_t Count = 0;
  EXPECT_TRUE(Reader.ReadInteger(0, Count));
  EXPECT_EQ(Count, 2);
  std::u16string First;
  EXPECT_TRUE(Reader.ReadWideString(1, First));
  EXPECT_EQ(ToQString(First), Folder.filePath(QStringLiteral("y.jpg")));

  TTestEditor *Second = nullptr;
  TZrApplication::Instance().CreateModule(Second);
  Stream.Seek(0);
  TZrSDFReader Again(&Stream);
  Second->LoadSettings(Again);
  EXPECT_EQ(Second->RecentFiles, Editor->RecentFiles);
}

TEST_F(EditorTest, AFileThatCannotBeReadLeavesTheCurrentDocumentAsItWas)
{
  struct Case
  {
    QString Name;
    QString Content; // empty: no such file
    int Message;
  } Cases[] = {
      {QStringLiteral("gone.jpg"), {}, 1033},
      {QStringLiteral("damaged.jpg"), QStringLiteral("damaged"), 1030},
  };
  ASSERT_TRUE(Open(File(QStringLiteral("good.jpg"))));
  Editor->Text()->Change("unsaved work");
  Editor->UpdateControls();
  for (const Case &C : Cases) {
    const QString Name = C.Content.isEmpty() ? Folder.filePath(C.Name) : File(C.Name, C.Content);
    Messages.clear();
    EXPECT_FALSE(Open(Name));
    // Nothing was asked: the work is still there, unsaved, in the caption.
    ASSERT_EQ(Editor->DocumentCount(), 1);
    EXPECT_EQ(Editor->Text()->Content, "unsaved work");
    EXPECT_FALSE(Editor->CurrentDocument()->Saved);
    EXPECT_EQ(ShownTitle(*Editor->MainWindow()), QStringLiteral("good.jpg* - Facette"));
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_EQ(Messages[0],
              QStringLiteral("16:") + LocalString(C.Message).replace(QStringLiteral("%s"), Name));
  }
}

TEST_F(EditorTest, KeepingTheCurrentDocumentDropsTheFileJustRead)
{
  ASSERT_TRUE(Open(File(QStringLiteral("mine.jpg"))));
  Editor->Text()->Change("unsaved work");
  Answer = id::Cancel;
  EXPECT_FALSE(Open(File(QStringLiteral("other.png"), QStringLiteral("other"))));
  ASSERT_EQ(Editor->DocumentCount(), 1);
  EXPECT_EQ(Editor->Text()->Content, "unsaved work");
  EXPECT_EQ(Editor->RecentFiles.size(), 1);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("51:")));

  // Answering No opens it in place of the current one.
  Answer = id::No;
  EXPECT_TRUE(Open(Folder.filePath(QStringLiteral("other.png"))));
  EXPECT_EQ(Editor->Text()->Content, "other");
  EXPECT_EQ(ShownTitle(*Editor->MainWindow()), QStringLiteral("other.png - Facette"));
}

TEST_F(EditorTest, TheCaptionMarksUnsavedChanges)
{
  TMainForm &Main = *Editor->MainWindow();
  ASSERT_TRUE(Open(File(QStringLiteral("c.jpg"))));
  Editor->Text()->Change("edited");
  Editor->UpdateControls();
  EXPECT_TRUE(Main.isWindowModified());
  EXPECT_EQ(ShownTitle(Main), QStringLiteral("c.jpg* - Facette"));
  Editor->UndoCommand();
  Editor->UpdateControls();
  EXPECT_EQ(ShownTitle(Main), QStringLiteral("c.jpg - Facette"));
  Editor->RedoCommand();
  Editor->NextSaveName = Folder.filePath(QStringLiteral("saved.jpg"));
  ASSERT_TRUE(Editor->SaveAsWithDialog(*Editor->CurrentDocument()));
  EXPECT_EQ(ShownTitle(Main), QStringLiteral("saved.jpg - Facette"));
  Editor->Text()->Change("again");
  Answer = id::No;
  Editor->CloseCommand();
  Editor->UpdateControls();
  EXPECT_FALSE(Main.isWindowModified());
  EXPECT_EQ(ShownTitle(Main), QStringLiteral("Facette"));
}

TEST_F(EditorTest, SaveQuestionAnswersDecideWhetherTheDocumentCloses)
{
  struct Case
  {
    int Answer;
    QString SaveName; // empty: the save dialog is cancelled
    bool Closes;
    bool Written;
  } Cases[] = {
      {id::No, {}, true, false},
      {id::Cancel, {}, false, false},
      {id::Yes, {}, false, false},
      {id::Yes, QStringLiteral("saved"), true, true},
  };
  for (const Case &C : Cases) {
    ASSERT_TRUE(Open(File(QStringLiteral("q.jpg"))));
    Editor->Text()->Change("edited");
    Answer = C.Answer;
    Editor->NextSaveName = C.SaveName.isEmpty() ? QString() : Folder.filePath(C.SaveName);
    Editor->TextFormats.Saves.clear();
    Messages.clear();
    EXPECT_EQ(Editor->CurrentDocument()->Close(), C.Closes) << C.Answer;
    EXPECT_EQ(Editor->DocumentCount(), C.Closes ? 0 : 1);
    EXPECT_EQ(!Editor->TextFormats.Saves.empty(), C.Written);
    ASSERT_FALSE(Messages.isEmpty());
    EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("51:"))) << Messages.join("#").toStdString();
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("q.jpg")));
    if (!C.Closes)
      Editor->CurrentDocument()->Saved = true, Editor->CurrentDocument()->Close();
  }
}

TEST_F(EditorTest, DemoDocumentsAndUndoneChangesCloseWithoutAsking)
{
  ASSERT_TRUE(Open(File(QStringLiteral("demo.jpg"))));
  Editor->Text()->Change("edited");
  Editor->CurrentDocument()->OpenedByDemo = true;
  EXPECT_TRUE(Editor->CurrentDocument()->Close());

  ASSERT_TRUE(Open(File(QStringLiteral("undo.jpg"))));
  Editor->Text()->Change("one");
  Editor->Text()->Change("two");
  Editor->UndoAllCommand();
  EXPECT_EQ(Editor->Text()->Content, "pixels");
  EXPECT_TRUE(Editor->CanRedo());
  EXPECT_TRUE(Editor->CurrentDocument()->Close());

  // One step back to the start also counts as saved, redo states or not.
  ASSERT_TRUE(Open(File(QStringLiteral("step.jpg"))));
  Editor->Text()->Change("one");
  Editor->UndoCommand();
  EXPECT_TRUE(Editor->CurrentDocument()->Saved);
  Editor->RedoCommand();
  EXPECT_EQ(Editor->Text()->Content, "one");
  EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(EditorTest, SavedMeansBackWhereTheFileOnDiskStands)
{
  const QString Name = File(QStringLiteral("s.jpg"));
  ASSERT_TRUE(Open(Name));
  TZrDocument &Doc = *Editor->CurrentDocument();
  Editor->Text()->Change("one");
  ASSERT_TRUE(Doc.Save()); // the file now holds "one"
  Editor->Text()->Change("two");

  struct Step
  {
    void (TZrEditor::*Command)();
    bool Saved;
  } Steps[] = {
      {&TZrEditor::UndoCommand, true},     // back at "one"
      {&TZrEditor::UndoAllCommand, false}, // the opened state is not on disk
      {&TZrEditor::RedoCommand, true},
      {&TZrEditor::RedoAllCommand, false},
  };
  for (const Step &S : Steps) {
    (Editor->*S.Command)();
    EXPECT_EQ(Doc.Saved, S.Saved);
  }
  // Undo to the saved state, then a new change cuts it off for good.
  Editor->UndoCommand();
  Editor->UndoCommand();
  Editor->Text()->Change("three");
  Editor->UndoCommand();
  EXPECT_FALSE(Doc.Saved);
  Editor->RedoCommand();
  EXPECT_FALSE(Doc.Saved);
  // Closing now asks, where the plain rule would have closed silently.
  Answer = id::No;
  Editor->UndoAllCommand();
  EXPECT_TRUE(Doc.Close());
  EXPECT_EQ(Messages.size(), 1);
}

TEST_F(EditorTest, SaveAsTakesTheFormatOfATypedExtensionElseAppendsTheFilters)
{
  struct Case
  {
    QString Typed;
    int Filter;
    QString Written;
    int Format;
  } Cases[] = {
      {QStringLiteral("photo"), 1, QStringLiteral("photo.jpg"), 1},
      {QStringLiteral("photo.JPG"), 1, QStringLiteral("photo.JPG"), 1},
      {QStringLiteral("photo.jpeg"), 1, QStringLiteral("photo.jpeg"), 1},
      // The typed extension wins over the filter still set to the other
      // format.
      {QStringLiteral("edited.jpg"), 2, QStringLiteral("edited.jpg"), 1},
      {QStringLiteral("edited.PNG"), 1, QStringLiteral("edited.PNG"), 2},
      // An extension of no format we write is part of the name.
      {QStringLiteral("v1.final"), 2, QStringLiteral("v1.final.png"), 2},
  };
  ASSERT_TRUE(Open(File(QStringLiteral("source.png"))));
  for (const Case &C : Cases) {
    Editor->NextSaveName = Folder.filePath(C.Typed);
    Editor->NextSaveFormat = C.Filter;
    const int Before = Editor->CurrentDocument()->Format;
    ASSERT_TRUE(Editor->SaveAsWithDialog(*Editor->CurrentDocument()));
    // The dialog offered the document's own format (format n is filter n).
    EXPECT_EQ(Editor->OfferedFilterIndex, Before);
    EXPECT_EQ(ToQString(Editor->TextFormats.Saves.back().first.string()),
              Folder.filePath(C.Written))
        << C.Typed.toStdString();
    EXPECT_EQ(Editor->TextFormats.Saves.back().second, C.Format) << C.Typed.toStdString();
    EXPECT_EQ(Editor->CurrentDocument()->Format, C.Format);
  }
}

TEST_F(EditorTest, DecliningToOverwriteWritesNothing)
{
  ASSERT_TRUE(Open(File(QStringLiteral("mine.jpg"))));
  const QString Existing = File(QStringLiteral("theirs.jpg"), QStringLiteral("keep"));
  Editor->NextSaveName = Existing;
  Answer = id::No;
  EXPECT_FALSE(Editor->SaveAsWithDialog(*Editor->CurrentDocument()));
  EXPECT_TRUE(Editor->TextFormats.Saves.empty());
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("52:")));
}

TEST_F(EditorTest, AFailedSaveIsReportedAndChangesNothing)
{
  ASSERT_TRUE(Open(File(QStringLiteral("keep.jpg"))));
  Editor->Text()->Change("edited");
  Editor->NextSaveName = Folder.filePath(QStringLiteral("no/such/folder/out.jpg"));
  EXPECT_FALSE(Editor->SaveAsWithDialog(*Editor->CurrentDocument()));
  EXPECT_FALSE(Editor->CurrentDocument()->Saved);
  EXPECT_EQ(ToQString(Editor->CurrentDocument()->FileName.string()),
            Folder.filePath(QStringLiteral("keep.jpg")));
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("16:")));
}

TEST_F(EditorTest, ClosingTheWindowAsksAndARefusalKeepsItOpen)
{
  ASSERT_TRUE(Open(File(QStringLiteral("w.jpg"))));
  Editor->Text()->Change("edited");
  Answer = id::Cancel;
  EXPECT_FALSE(Editor->CloseQuery());
  EXPECT_EQ(Editor->DocumentCount(), 1);
  Answer = id::No;
  EXPECT_TRUE(Editor->CloseQuery());
  EXPECT_EQ(Editor->DocumentCount(), 0);
}

TEST_F(EditorTest, DemoCommandsAndTargets)
{
  ASSERT_TRUE(Open(File(QStringLiteral("d.jpg"))));
  Editor->Text()->Change("edited");
  TZrDemoScriptParams None;
  bool Handled = false;
  Editor->DemoCommand(nullptr, QStringLiteral("UNDO"), Handled, nullptr, None);
  EXPECT_TRUE(Handled);
  EXPECT_EQ(Editor->Text()->Content, "pixels");
  Handled = false;
  Editor->DemoCommand(nullptr, QStringLiteral("ZOOMIN"), Handled, nullptr, None);
  EXPECT_FALSE(Handled);

  TZrDemoScriptParams Target;
  Target.StoreString(0, "redo");
  QPoint Point;
  Handled = false;
  Editor->DemoTargetPosition(nullptr, Target, Handled, Point);
  EXPECT_TRUE(Handled);
  Target.StoreString(0, "elsewhere");
  Handled = false;
  Editor->DemoTargetPosition(nullptr, Target, Handled, Point);
  EXPECT_FALSE(Handled);
}

TEST_F(EditorTest, RecordingUndoAndRedoWritesTheirLines)
{
  struct TPlayback : IZrDemoPlayback
  {
    QStringList Lines;
    bool IsRecording() const override { return true; }
    void RecordLine(const QString &Line) override { Lines << Line; }
    bool RecordMessages() const override { return true; }
    void Suspend() override {}
    void Resume() override {}
  } Playback;
  ASSERT_TRUE(Open(File(QStringLiteral("r.jpg"))));
  Editor->Text()->Change("edited");
  Editor->AttachPlayback(&Playback);
  Editor->UndoCommand();
  Editor->RedoCommand();
  Editor->DetachPlayback();
  EXPECT_EQ(Playback.Lines,
            (QStringList{QStringLiteral("MouseCurvedMove Undo"), QStringLiteral("MESSAGE \"Undo\""),
                         QStringLiteral("Undo"), QStringLiteral("MouseCurvedMove Redo"),
                         QStringLiteral("MESSAGE \"Redo\""), QStringLiteral("Redo")}));
}

TEST_F(EditorTest, PlugInModeHidesFileButtonsAndSetsTheFailureExitCode)
{
  Editor->SetPlugInMode(true);
  EXPECT_TRUE(Editor->PlugInMode);
  EXPECT_FALSE(Editor->OpenToolButton->isVisible());
  EXPECT_FALSE(Editor->SaveToolButton->isVisible());
  EXPECT_EQ(App.ExitCode, -1);
}

} // namespace
} // namespace facette
