// The demo editor over a real editor window with the smudge brush:
// sections in tabs, files in and out, playing the edited text and
// recording the author's actions (offscreen platform).
#include "editor/ui/EditorTestSupport.h"

#include "demo/ui/DemoTestSupport.h"

#include "demo/ui/ZrDemoEditor.h"
#include "demo/ui/ZrDemonstration.h"
#include "editor/ui/ZrToolPanel.h"
#include "tools/brush/ui/ZrSmudgeTool.h"

#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>

namespace facette {
namespace {

using namespace test;

class DemoEditorTest : public TRegistryHolder, public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    App.CreateModule(Panel);
    Panel->Initialize();
    App.CreateModule(Smudge);
    Smudge->Initialize();
    App.CreateModule(Demonstrations);
    Demonstrations->Initialize();
    Demonstrations->Playback->SpeedFactor = 0;
    App.CreateModule(Module);
    Module->Initialize();
    Registry.RegisterDemoCommand(QStringLiteral("Count"), [this] { ++Counted; });
    ShowWithViewSize(300, 200);
    ASSERT_TRUE(Open(WritePattern(Folder, 80, 60)));
    Editor->ActualSize();
    Module->ShowEditor();
    Form = Module->EditorForm();
    ASSERT_NE(Form, nullptr);
  }
  void TearDown() override
  {
    Demonstrations->Playback->SetScript(TZrDemoScript());
    GraphicsEditorFixture::TearDown();
  }

  QStringList Tabs() const
  {
    QStringList Result;
    for (int I = 0; I < Form->SectionsTabControl->count(); ++I)
      Result << Form->SectionsTabControl->tabText(I);
    return Result;
  }
  QString Memo() const { return Form->ScriptMemo->toPlainText(); }
  void Type(const QString &Text)
  {
    Form->ScriptMemo->setPlainText(Text);
    Form->ScriptMemo->moveCursor(QTextCursor::End);
  }
  QPoint At(int X, int Y) const
  {
    const TZrPoint P = View()->MapMode().LogicalToDevice(TZrPoint{X, Y});
    return QPoint(P.X, P.Y);
  }
  QString File(const QString &Name) const { return Folder.filePath(Name); }
  QByteArray Bytes(const QString &Name) const
  {
    QFile In(File(Name));
    return In.open(QIODevice::ReadOnly) ? In.readAll() : QByteArray();
  }

  TZrToolPanelModule *Panel = nullptr;
  TZrSmudgeTool *Smudge = nullptr;
  TZrDemonstrationModule *Demonstrations = nullptr;
  TZrDemoEditorModule *Module = nullptr;
  TZrDemoEditorForm *Form = nullptr;
  int Counted = 0;
};

TEST_F(DemoEditorTest, TheShortcutWorksWhetherTheItemIsHiddenOrNot)
{
  EXPECT_FALSE(Module->DemoEditorMenuItem->isVisible());
  EXPECT_EQ(Module->DemoEditorMenuItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+D")));
  for (const bool ItemShown : {false, true}) {
    SCOPED_TRACE(ItemShown ? "item shown" : "item hidden");
    Module->DemoEditorMenuItem->setVisible(ItemShown);
    Form->hide();
    Main->activateWindow();
    QApplication::processEvents();
    QTest::keyClick(Main, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(Form->isVisible());
  }
  // One window, made once.
  EXPECT_EQ(Module->EditorForm(), Form);
}

TEST_F(DemoEditorTest, EachSectionKeepsItsTextAndSelection)
{
  EXPECT_EQ(Tabs(), (QStringList{"Info", "Script"}));
  EXPECT_EQ(Form->SectionsTabControl->currentIndex(), 1);
  Type(QStringLiteral("ZoomIn\nPause 1"));
  QTextCursor Cursor = Form->ScriptMemo->textCursor();
  Cursor.setPosition(2);
  Cursor.setPosition(4, QTextCursor::KeepAnchor);
  Form->ScriptMemo->setTextCursor(Cursor);

  Form->SectionsTabControl->setCurrentIndex(0);
  EXPECT_EQ(Memo(), QString());
  Type(QStringLiteral("Title=Zoom"));
  Form->SectionsTabControl->setCurrentIndex(1);
  EXPECT_EQ(Memo(), QStringLiteral("ZoomIn\nPause 1"));
  EXPECT_EQ(Form->ScriptMemo->textCursor().selectedText(), QStringLiteral("om"));
  EXPECT_EQ(Form->Script.InfoValue("Title"), "Zoom");

  // A new language is added and selected; one that exists is only
  // selected.
  Form->AddLanguage(QStringLiteral(" 1031 "));
  EXPECT_EQ(Tabs(), (QStringList{"Info", "Script", "1031"}));
  EXPECT_EQ(Form->SectionsTabControl->currentIndex(), 2);
  EXPECT_EQ(Memo(), QString());
  Type(QStringLiteral("Title=Größe"));
  Form->SectionsTabControl->setCurrentIndex(1);
  Form->AddLanguage(QStringLiteral("1031"));
  EXPECT_EQ(Tabs().size(), 3);
  EXPECT_EQ(Memo(), QStringLiteral("Title=Größe"));
  Form->AddLanguage(QStringLiteral("  "));
  EXPECT_EQ(Tabs().size(), 3);

  // Only sections after the first two can be deleted.
  Form->UpdateControls();
  EXPECT_TRUE(Form->DeleteLanguageMenuItem->isEnabled());
  Form->DeleteLanguage();
  EXPECT_EQ(Tabs(), (QStringList{"Info", "Script"}));
  EXPECT_EQ(Memo(), QStringLiteral("ZoomIn\nPause 1"));
  Form->UpdateControls();
  EXPECT_FALSE(Form->DeleteLanguageMenuItem->isEnabled());
  Form->DeleteLanguage();
  EXPECT_EQ(Tabs().size(), 2);

  Form->New();
  EXPECT_EQ(Memo(), QString());
  EXPECT_TRUE(Form->Script.Lines().empty());
}

TEST_F(DemoEditorTest, FilesAreReadInTheirEncodingAndWrittenAsUtf8)
{
  // A file without the mark: its German texts are in the Western code
  // page.
  QFile Ansi(File(QStringLiteral("old.dsc")));
  ASSERT_TRUE(Ansi.open(QIODevice::WriteOnly));
  Ansi.write("[Info]\nTitle=Old\n[Script]\nMessage %Hello\n[1031]\nHello=Gr\xF6\xDF"
             "e\n");
  Ansi.close();
  Form->ChooseOpenFile = [this](QString &Name) {
    Name = File(QStringLiteral("old.dsc"));
    return true;
  };
  Form->OpenCommand();
  EXPECT_EQ(Tabs(), (QStringList{"Info", "Script", "1031"}));
  EXPECT_EQ(Memo(), QStringLiteral("Message %Hello"));
  Form->SectionsTabControl->setCurrentIndex(2);
  EXPECT_EQ(Memo(), QStringLiteral("Hello=Größe"));

  Form->ChooseSaveFile = [this](QString &Name) {
    Name = File(QStringLiteral("new.dsc"));
    return true;
  };
  Form->SaveAsCommand();
  const QByteArray Written = Bytes(QStringLiteral("new.dsc"));
  EXPECT_TRUE(Written.startsWith("\xEF\xBB\xBF[Info]\n"));
  TZrDemoScript Again;
  ASSERT_TRUE(Again.LoadFromFile(ToUtf8(File(QStringLiteral("new.dsc")))));
  EXPECT_EQ(Again.Text("Hello", 1031, 1033), "Gr\xC3\xB6\xC3\x9F"
                                             "e");
  EXPECT_EQ(Again.Lines(), std::vector<std::string>{"Message %Hello"});

  // Failures are said, and change nothing.
  EXPECT_FALSE(Form->SaveAs(File(QStringLiteral("no such folder/x.dsc"))));
  EXPECT_FALSE(Form->Open(File(QStringLiteral("missing.dsc"))));
  ASSERT_EQ(Messages.size(), 2);
  EXPECT_TRUE(
      Messages[0].startsWith(QStringLiteral("%1:Cannot write").arg(mb::OK | mb::IconError)));
  EXPECT_EQ(Memo(), QStringLiteral("Hello=Größe"));
}

TEST_F(DemoEditorTest, PlayPlaysTheEditedTextAndTheWindowComesBack)
{
  Type(QStringLiteral("Count\nCount"));
  Form->Play();
  // The open image is put aside first, after a question.
  ASSERT_TRUE(Demonstrations->Playback->IsPlaying());
  EXPECT_FALSE(Form->isVisible());
  Form->UpdateControls();
  EXPECT_FALSE(Form->PlayMenuItem->isEnabled());
  EXPECT_TRUE(Form->StopToolButton->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([this] { return Form->isVisible(); }, 5000));
  EXPECT_EQ(Counted, 2);
  EXPECT_EQ(Form->Script.Lines(), (std::vector<std::string>{"Count", "Count"}));

  // A demo that does not start (the user keeps the image) keeps the
  // window.
  ASSERT_TRUE(Open(Folder.filePath(QStringLiteral("pattern.png"))));
  Answer = id::No;
  Form->Play();
  EXPECT_FALSE(Demonstrations->Playback->IsPlaying());
  EXPECT_TRUE(Form->isVisible());
  EXPECT_EQ(Counted, 2);
}

TEST_F(DemoEditorTest, RecordingAppendsTheAuthorsActions)
{
  Type(QStringLiteral("Pause 1"));
  Form->MessageComboBox->setEditText(QStringLiteral("Tap here"));
  Form->Record();
  ASSERT_TRUE(Form->Recording());
  EXPECT_FALSE(Form->ScriptMemo->isEnabled());
  Form->UpdateControls();
  EXPECT_FALSE(Form->RecordToolButton->isEnabled());
  EXPECT_TRUE(Form->StopMenuItem->isEnabled());

  // The tool chosen by its button.
  ASSERT_NE(Editor->CurrentTool(), Smudge);
  Smudge->Button->trigger();
  ASSERT_EQ(Editor->CurrentTool(), Smudge);
  QTest::mouseMove(View(), At(20, 20));
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(20, 20));
  QTest::mouseMove(View(), At(30, 25));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(30, 25));
  Form->Stop();

  EXPECT_FALSE(Form->Recording());
  EXPECT_TRUE(Form->ScriptMemo->isEnabled());
  const QStringList Lines = Memo().split(QLatin1Char('\n'));
  ASSERT_GE(Lines.size(), 4);
  // After the lines that were there.
  EXPECT_EQ(Lines.mid(0, 3),
            (QStringList{"Pause 1", "MouseCurvedMove Smudge", "Message \"Smudge\""}));
  EXPECT_EQ(Lines.value(3), QStringLiteral("Smudge"));
  EXPECT_TRUE(Lines.contains(QStringLiteral("Message \"Tap here\""))) << Memo().toStdString();
  EXPECT_TRUE(Lines.contains(QStringLiteral("MouseDown Image, 20, 20"))) << Memo().toStdString();
  EXPECT_TRUE(Lines.contains(QStringLiteral("MouseUp Image, 30, 25"))) << Memo().toStdString();
  EXPECT_EQ(static_cast<qsizetype>(Form->Script.Lines().size()), Lines.size());

  // Without messages the balloon lines are left out.
  Form->MessageToolButton->setChecked(false);
  Form->UpdateControls();
  EXPECT_FALSE(Form->MessageComboBox->isEnabled());
  const qsizetype Balloons = Memo().count(QStringLiteral("Message"));
  Form->Record();
  QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, At(40, 30));
  QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, At(40, 30));
  Form->Stop();
  EXPECT_EQ(Memo().count(QStringLiteral("Message")), Balloons);
  EXPECT_TRUE(Memo().endsWith(QStringLiteral("MouseUp Image, 40, 30\nPause 0.5")));
}

} // namespace
} // namespace facette
