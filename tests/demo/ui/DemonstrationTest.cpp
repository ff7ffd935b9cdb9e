// The demonstrations window and module over a real editor window: the
// list of demo files, the questions before a demo, the title while it
// plays and the list coming back afterwards (offscreen platform).
#include "editor/ui/EditorTestSupport.h"

#include "demo/ui/DemoTestSupport.h"

#include "demo/ui/ZrDemonstration.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ui/ZrImageList.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <deque>

namespace facette {
namespace {

using namespace test;

void WriteDemo(const QTemporaryDir &Folder, const QString &Name, const QByteArray &Text)
{
  QFile File(Folder.filePath(Name));
  ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  File.write(Text);
}

// Demos whose titles sort differently with and without case, two sharing
// a picture, one whose picture is missing, one without, and a file that is
// no demo at all.
class DemoFolderFixture
{
public:
  DemoFolderFixture()
  {
    WriteDemo(Demos, "b.dsc", "[Info]\nTitle=beta\nImage=pic.png\n[Script]\nCount\n");
    WriteDemo(Demos, "a.dsc", "[Info]\nTitle=Gamma\nImage=missing.png\n[Script]\nCount\n");
    WriteDemo(Demos, "c.dsc", "[Info]\nTitle=Alpha\n[Script]\nPause 30\n");
    WriteDemo(Demos, "d.dsc", "[Info]\nTitle=Delta\nImage=./pic.png\n[Script]\nCount\n");
    WriteDemo(Demos, "junk.dsc", QByteArray("\x00\x01\xFF[", 4));
    WriteDemo(Demos, "notes.txt", "[Info]\nTitle=Not a demo\n");
    QImage Picture(40, 20, QImage::Format_RGB888);
    Picture.fill(Qt::red);
    EXPECT_TRUE(Picture.save(Demos.filePath("pic.png")));
  }
  QString DemoFolderPath() const { return Demos.path() + QLatin1Char('/'); }

  QTemporaryDir Demos;
};

QStringList Titles(const TZrDemonstrationForm &Form)
{
  QStringList Result;
  for (int I = 0; I < Form.EntryCount(); ++I)
    Result << Form.DemoListView->item(I)->text();
  return Result;
}

class DemonstrationFormTest : public testing::Test, public DemoFolderFixture
{
protected:
  void SetUp() override { InitLocalizer(FACETTE_SOURCE_DIR "/data", 1033); }
  TZrApplication App;
};

TEST_F(DemonstrationFormTest, ListsTheDemosByTitleWithTheirPictures)
{
  TZrDemonstrationForm Form(DemoFolderPath(), 99, true);
  // Without regard to case; a file that cannot be read is listed by its
  // name.
  EXPECT_EQ(Titles(Form), (QStringList{"Alpha", "beta", "Delta", "Gamma", "junk"}));
  EXPECT_EQ(Form.ImageIndexOf(0), 0);
  EXPECT_GT(Form.ImageIndexOf(1), 0);
  EXPECT_EQ(Form.ImageIndexOf(2), Form.ImageIndexOf(1)); // the same picture, read once
  EXPECT_EQ(Form.DemoImageList->Count(), 2);
  EXPECT_EQ(Form.ImageIndexOf(3), 0); // its picture is missing
  const QImage Thumbnail = Form.DemoImageList->Icon(Form.ImageIndexOf(1)).pixmap(64, 64).toImage();
  EXPECT_EQ(Thumbnail.pixel(32, 32), qRgb(255, 0, 0));
  // Beyond the end: the last entry.
  EXPECT_EQ(Form.SelectedIndex(), 4);
  EXPECT_TRUE(Form.StartButton->isEnabled());
  EXPECT_TRUE(Form.ShowAtStartupCheckBox->isChecked());
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("Demonstrations"));
  EXPECT_EQ(Form.size(), QSize(554, 438));

  Form.DemoListView->clearSelection();
  EXPECT_FALSE(Form.StartButton->isEnabled());
  EXPECT_EQ(Form.SelectedScript(), nullptr);
  Form.DemoListView->setCurrentRow(1);
  ASSERT_NE(Form.SelectedScript(), nullptr);
  EXPECT_EQ(Form.SelectedScript()->Title(), "beta");

  TZrDemonstrationForm Empty(DemoFolderPath() + QStringLiteral("nowhere/"), 0, false);
  EXPECT_EQ(Empty.EntryCount(), 0);
  EXPECT_FALSE(Empty.StartButton->isEnabled());
  EXPECT_FALSE(Empty.ShowAtStartupCheckBox->isChecked());
}

TEST_F(DemonstrationFormTest, ThumbnailsFitThePictureIntoAFramedSquare)
{
  QImage Wide(32, 16, QImage::Format_RGB888);
  Wide.fill(Qt::blue);
  const QImage Square = DemoThumbnail(Wide);
  ASSERT_EQ(Square.size(), QSize(64, 64));
  const QRgb Frame = qRgb(0xCB, 0xCB, 0xCB);
  for (const QPoint At :
       {QPoint(0, 0), QPoint(63, 0), QPoint(0, 63), QPoint(63, 63), QPoint(0, 32), QPoint(63, 32)})
    EXPECT_EQ(Square.pixel(At), Frame) << At.x() << "," << At.y();
  // Fitted to 64 x 32 and centred: white above and below.
  EXPECT_EQ(Square.pixel(32, 8), qRgb(255, 255, 255));
  EXPECT_EQ(Square.pixel(32, 56), qRgb(255, 255, 255));
  EXPECT_EQ(Square.pixel(32, 20), qRgb(0, 0, 255));
  EXPECT_EQ(Square.pixel(32, 46), qRgb(0, 0, 255));
}

// The module over an editor with an image open. Message boxes take their
// answers from a queue (Yes when it is empty) and are written down; the
// list is worked by ListAction instead of the user.
class DemonstrationModuleTest : public TRegistryHolder,
                                public GraphicsEditorFixture,
                                public DemoFolderFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    App.SetMessageBoxHandler([this](const QString &Text, const QString &Caption, int Flags) {
      Messages << QStringLiteral("%1:%2:%3").arg(Flags).arg(Caption, Text);
      // A while in the event loop, as with a real message box.
      ++OpenMessages;
      QTest::qWait(30);
      --OpenMessages;
      if (Answers.empty())
        return id::Yes;
      const int Answer = Answers.front();
      Answers.pop_front();
      return Answer;
    });
    App.CreateModule(Panel);
    Panel->Initialize();
    App.CreateModule(Module);
    Module->DemoFolder = DemoFolderPath();
    Module->Initialize();
    Module->ExecForm = [this](TZrDemonstrationForm &Form) {
      ++ListShown;
      ShownSelection.push_back(Form.SelectedIndex());
      EXPECT_EQ(OpenMessages, 0) << "the list shows over a message";
      if (ListAction)
        return ListAction(Form);
      return int(QDialog::Rejected);
    };
    Registry.RegisterDemoCommand(QStringLiteral("Count"), [this] {
      ++Counted;
      TitleWhilePlaying = App.Title();
    });
    ShowWithViewSize(300, 200);
    ASSERT_TRUE(Open(WritePattern(Folder, 60, 40)));
    Panel->SetPanelVisible(false);
  }
  void TearDown() override
  {
    Module->Playback->SetScript(TZrDemoScript());
    GraphicsEditorFixture::TearDown();
  }
  // Starts the entry Row from the list the first time it shows.
  void StartFromList(int Row)
  {
    ListAction = [Row, this](TZrDemonstrationForm &Form) {
      ListAction = nullptr;
      Form.DemoListView->setCurrentRow(Row);
      return int(QDialog::Accepted);
    };
    Module->ShowDemoList();
  }
  bool WaitForList(int Times)
  {
    return QTest::qWaitFor([&] { return ListShown >= Times; }, 10000);
  }
  bool Playing() const { return Module->Playback->IsPlaying(); }
  bool HasMessage(int Id) const
  {
    for (const QString &Message : Messages)
      if (Message.endsWith(QLatin1Char(':') + LocalString(Id)))
        return true;
    return false;
  }

  TZrToolPanelModule *Panel = nullptr;
  TZrDemonstrationModule *Module = nullptr;
  std::deque<int> Answers;
  std::function<int(TZrDemonstrationForm &)> ListAction;
  int ListShown = 0;
  int OpenMessages = 0;
  std::vector<int> ShownSelection;
  int Counted = 0;
  QString TitleWhilePlaying;
};

TEST_F(DemonstrationModuleTest, ADemoFromTheListPlaysAndTheListComesBackWithTheNextEntry)
{
  EXPECT_EQ(Module->DemoMenuItem->text(), QStringLiteral("Demonstrations"));
  StartFromList(1); // "beta"
  ASSERT_TRUE(Playing());
  // The open image goes first, after a question; the tools show.
  EXPECT_TRUE(HasMessage(173));
  EXPECT_EQ(Editor->CurrentDocument(), nullptr);
  EXPECT_TRUE(Panel->PanelVisible());
  Module->UpdateControls();
  EXPECT_FALSE(Module->DemoMenuItem->isEnabled());

  ASSERT_TRUE(WaitForList(2));
  EXPECT_EQ(Counted, 1);
  EXPECT_EQ(TitleWhilePlaying, QStringLiteral("Facette - beta"));
  EXPECT_EQ(App.Title(), QStringLiteral("Facette"));
  EXPECT_TRUE(HasMessage(725));
  EXPECT_EQ(ShownSelection, (std::vector<int>{0, 2}));
  Module->UpdateControls();
  EXPECT_TRUE(Module->DemoMenuItem->isEnabled());
}

TEST_F(DemonstrationModuleTest, TheUserMayKeepTheImage)
{
  struct TCase
  {
    const char *Name;
    bool Modified;
    std::deque<int> Answers;
    bool Plays;
  };
  const TCase Cases[] = {
      {"no to closing", false, {id::No}, false},
      {"cancel at the save question", true, {id::Yes, id::Cancel}, false},
      {"changes dropped", true, {id::Yes, id::No}, true},
  };
  for (const TCase &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    if (!Editor->CurrentDocument()) {
      ASSERT_TRUE(Open(Folder.filePath(QStringLiteral("pattern.png"))));
    }
    Editor->CurrentDocument()->Saved = !Case.Modified;
    Answers = Case.Answers;
    const int Before = ListShown;
    StartFromList(0);
    EXPECT_EQ(Playing(), Case.Plays);
    EXPECT_EQ(Editor->CurrentDocument() != nullptr, !Case.Plays);
    EXPECT_EQ(App.Title(), Case.Plays ? QStringLiteral("Facette - Alpha") : "Facette");
    if (Case.Plays) {
      Module->Playback->Interrupt();
      ASSERT_TRUE(WaitForList(Before + 2));
    } else {
      // Nothing comes back: the user chose not to play.
      QTest::qWait(50);
      EXPECT_EQ(ListShown, Before + 1);
    }
  }
}

TEST_F(DemonstrationModuleTest, StoppingWithEscapeBringsTheListBack)
{
  // "Alpha" pauses for 30 seconds; Escape and Yes stop it.
  StartFromList(0);
  ASSERT_TRUE(Playing());
  QTest::keyClick(Main, Qt::Key_Escape);
  EXPECT_TRUE(HasMessage(172));
  ASSERT_TRUE(WaitForList(2));
  EXPECT_FALSE(Playing());
  EXPECT_EQ(App.Title(), QStringLiteral("Facette"));
  EXPECT_EQ(ShownSelection.back(), 1);
  // Answering No plays on.
  Answers = {id::No};
  StartFromList(0);
  QTest::keyClick(Main, Qt::Key_Escape);
  EXPECT_TRUE(Playing());
  Module->Playback->Interrupt();
  ASSERT_TRUE(WaitForList(4));

  // After the last entry the last stays selected.
  StartFromList(4);
  ASSERT_TRUE(WaitForList(6));
  EXPECT_EQ(ShownSelection.back(), 4);
}

TEST_F(DemonstrationModuleTest, AnErrorIsShownWithItsLineAndEndsTheDemo)
{
  WriteDemo(Demos, "c.dsc", "[Info]\nTitle=Alpha\n[Script]\nNoSuchCommand 1\nCount\n");
  StartFromList(0);
  ASSERT_TRUE(WaitForList(2));
  EXPECT_EQ(Counted, 0);
  const QString Expected = QStringLiteral("%1:Demonstrations:Unknown command: "
                                          "\"NOSUCHCOMMAND\"\nNoSuchCommand 1")
                               .arg(mb::OK | mb::IconError);
  EXPECT_TRUE(Messages.contains(Expected)) << Messages.join('\n').toStdString();
  EXPECT_FALSE(HasMessage(725));
  EXPECT_EQ(App.Title(), QStringLiteral("Facette"));
}

TEST_F(DemonstrationModuleTest, ShowAtStartupIsKeptInTheSettings)
{
  // Ticking the box changes the setting at once.
  ListAction = [](TZrDemonstrationForm &Form) {
    Form.ShowAtStartupCheckBox->click();
    return int(QDialog::Rejected);
  };
  Module->ShowAtStartup = true;
  Module->ShowDemoList();
  EXPECT_FALSE(Module->ShowAtStartup);

  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Module->SaveSettings(Writer);
  }
  Module->ShowAtStartup = true;
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Module->LoadSettings(Reader);
  EXPECT_FALSE(Module->ShowAtStartup);

  // At start-up the list is posted, never over a demo of the command line.
  for (const bool Scripted : {false, true}) {
    SetScriptedDemoRun(Scripted);
    Module->ShowAtStartup = true;
    const int Before = App.PostedCallCount();
    Module->Initialize();
    EXPECT_EQ(App.PostedCallCount(), Before + (Scripted ? 0 : 1));
  }
  SetScriptedDemoRun(false);
  ListAction = nullptr;
  ASSERT_TRUE(WaitForList(2));
}

// The host of a plug-in image: what the demonstrations ask of it is
// written down.
class TPlugInHost : public IZrDemoHost
{
public:
  bool Document = true;
  QStringList Calls;
  void CloseDemoDocument() override {}
  bool HasDocument() const override { return Document; }
  bool CloseDocumentsForDemo(QString &ReopenFileName) override
  {
    Calls << QStringLiteral("close");
    ReopenFileName = QStringLiteral("host.exchange");
    Document = false;
    return true;
  }
  bool InPlugInMode() const override { return true; }
  void ReopenAfterDemo(const QString &FileName) override
  {
    Calls << QStringLiteral("reopen ") + FileName;
    Document = true;
  }
  void ShowToolPanel() override {}
};

TEST_F(DemonstrationModuleTest, APlugInImageComesBackWhenTheDemonstrationsEnd)
{
  TPlugInHost Host;
  Registry.Host = &Host;
  // From the list: back when the list is closed for good.
  StartFromList(1);
  ASSERT_TRUE(WaitForList(2));
  EXPECT_EQ(Host.Calls, (QStringList{"close", "reopen host.exchange"}));

  // Played on its own (as the demo editor does): back at its end.
  Host.Calls.clear();
  TZrDemoScript Script;
  Script.LoadFromStrings({"[Script]", "Count"});
  Module->Playback->SetScript(Script);
  ASSERT_TRUE(Module->Playback->Play());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !Playing(); }, 5000));
  QApplication::processEvents();
  EXPECT_EQ(Host.Calls, (QStringList{"close", "reopen host.exchange"}));
  Registry.Host = Editor;
}

} // namespace
} // namespace facette
