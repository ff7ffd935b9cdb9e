// What a new user meets first, driven by real input on the real widgets:
// saving under a typed name, a recent file that is gone, the zoom keys,
// the status bar, the zoom while the window changes size, the hints of the
// toolbar buttons.
#include "editor/ui/EditorTestSupport.h"

#include "document/ui/ZrFileDialogs.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "imaging/ZrGraphicsImage.h"

#include <QComboBox>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>

#include <functional>
#include <vector>

namespace facette {
namespace {

using namespace test;

// Answers the modal windows a command opens, one step for each window in
// the order they appear, from a timer while the command waits in them.
class TModalAnswers
{
public:
  using TStep = std::function<void(QWidget &)>;
  explicit TModalAnswers(std::vector<TStep> Steps) : Steps(std::move(Steps))
  {
    QObject::connect(&Timer, &QTimer::timeout, [this] { Poll(); });
    Timer.start(10);
  }
  bool AllAnswered() const { return Next == Steps.size(); }

private:
  void Poll()
  {
    QWidget *Modal = QApplication::activeModalWidget();
    if (!Modal || Modal == Last || Next >= Steps.size())
      return;
    Last = Modal;
    Steps[Next++](*Modal);
  }

  std::vector<TStep> Steps;
  size_t Next = 0;
  QPointer<QWidget> Last;
  QTimer Timer;
};

class FirstUseTest : public GraphicsEditorFixture
{
protected:
  // The window shown and active, as the user has it.
  void ShowActive(int ViewWidth, int ViewHeight)
  {
    ShowWithViewSize(ViewWidth, ViewHeight);
    QApplication::setActiveWindow(Main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
  }
  // Chooses Item of a menu of the menu bar with the mouse.
  void ChooseFromMenu(QMenu *Menu, QAction *Item)
  {
    QMenuBar *Bar = Main->menuBar();
    QTest::mouseClick(Bar, Qt::LeftButton, {}, Bar->actionGeometry(Menu->menuAction()).center());
    ASSERT_TRUE(Menu->isVisible());
    const QPoint At = Menu->actionGeometry(Item).center();
    QTest::mouseMove(Menu, At);
    QTest::mouseClick(Menu, Qt::LeftButton, {}, At);
    QApplication::processEvents();
  }
  QStringList StatusTexts() const
  {
    QStringList Texts;
    for (const QLabel *Panel : {Editor->XStatusPanel, Editor->YStatusPanel, Editor->WStatusPanel,
                                Editor->HStatusPanel, Editor->RStatusPanel, Editor->GStatusPanel,
                                Editor->BStatusPanel, Editor->ZoomStatusPanel})
      Texts << Panel->text();
    return Texts;
  }
};

TEST_F(FirstUseTest, SaveAsWithATypedJpegNameWritesAJpegWhateverTheFilter)
{
  ShowActive(300, 200);
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("source.png"), 40, 30)));
  QString Filter;
  bool OptionsShown = false;
  TModalAnswers Answers({
      [&](QWidget &Window) {
        auto *Dialog = qobject_cast<TZrSaveDialog *>(&Window);
        ASSERT_NE(Dialog, nullptr);
        Filter = Dialog->selectedNameFilter();
        auto *Name = Dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(Name, nullptr);
        QTest::keyClick(Name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Name, QStringLiteral("edited.jpg"));
        QTest::keyClick(Name, Qt::Key_Return);
      },
      // The JPEG options, as for any JPEG.
      [&](QWidget &Window) {
        OptionsShown = true;
        QTest::keyClick(&Window, Qt::Key_Return);
      },
  });
  QTest::keyClick(View(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(Answers.AllAnswered());
  EXPECT_TRUE(Filter.startsWith(QStringLiteral("PNG"))) << Filter.toStdString();
  EXPECT_TRUE(OptionsShown);

  const QString Written = Folder.filePath(QStringLiteral("edited.jpg"));
  QFile File(Written);
  ASSERT_TRUE(File.open(QIODevice::ReadOnly));
  EXPECT_EQ(File.read(2), QByteArray("\xFF\xD8")); // a JPEG, not a PNG
  EXPECT_FALSE(QFile::exists(Written + QStringLiteral(".png")));
  EXPECT_EQ(Doc()->Format, gfJPEG);
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
}

TEST_F(FirstUseTest, ARecentFileThatIsGoneIsNotFoundAndThePhotoStays)
{
  ShowActive(300, 200);
  const QString Gone = WriteImage(Folder, QStringLiteral("gone.png"), 40, 30);
  const QString Working = WriteImage(Folder, QStringLiteral("working.png"), 50, 30);
  ASSERT_TRUE(Open(Gone));
  ASSERT_TRUE(Open(Working));
  ASSERT_TRUE(QFile::remove(Gone));
  Doc()->Saved = false; // work in progress

  const QList<QAction *> Recent = Editor->RecentFileItems();
  ASSERT_EQ(Recent.size(), 2);
  ChooseFromMenu(Main->FileMenuItem, Recent[1]);

  // No question about the work, which is still there; the message says
  // the file is not there (not that it is damaged).
  ASSERT_NE(Doc(), nullptr);
  EXPECT_EQ(ToQString(Doc()->FileName.string()), Working);
  EXPECT_FALSE(Doc()->Saved);
  EXPECT_EQ(Editor->DocumentCount(), 1);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0],
            QStringLiteral("16:") + LocalString(1277).replace(QStringLiteral("%s"), Gone));
}

TEST_F(FirstUseTest, ZoomKeysOfTheMainKeyboardAndTheNumericPad)
{
  ShowActive(300, 200);
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("photo.png"), 100, 80)));
  View()->setFocus();
  const struct
  {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    std::pair<int32_t, int32_t> Zoom;
  } Cases[] = {
      {Qt::Key_Equal, Qt::ControlModifier, {3, 2}},
      {Qt::Key_Plus, Qt::ControlModifier, {3, 2}},
      {Qt::Key_Minus, Qt::ControlModifier, {3, 4}},
      {Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, {3, 2}},
      {Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier, {3, 4}},
  };
  for (const auto &C : Cases) {
    Editor->ActualSize();
    QTest::keyClick(View(), C.Key, C.Modifiers);
    // One step, not one from the key and one from the hand tool's "=".
    EXPECT_EQ(Zoom(), C.Zoom) << QKeySequence(C.Key | C.Modifiers).toString().toStdString();
  }
  // The menu shows keys of the main keyboard.
  for (QAction *Item : {Editor->ZoomInMenuItem, Editor->ZoomOutMenuItem})
    EXPECT_FALSE(Item->shortcut()[0].keyboardModifiers() & Qt::KeypadModifier);
}

TEST_F(FirstUseTest, StatusBarShowsNoColourOffTheImageTheZoomAndNothingAfterClose)
{
  ShowActive(300, 200);
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("grey.png"), 100, 80, 40, 200)));
  Editor->UpdateControls();
  // On the image: where, its size, the colour, the zoom.
  QTest::mouseMove(View(), At(TZrPoint{70, 10}));
  EXPECT_EQ(StatusTexts(),
            (QStringList{"70", "10", "100", "80", "200", "200", "200", Editor->ZoomText(1, 1)}));
  // Off the image the point is still told, with no colour.
  QTest::mouseMove(View(), At(TZrPoint{-20, 10}));
  EXPECT_EQ(StatusTexts(),
            (QStringList{"-20", "10", "100", "80", "", "", "", Editor->ZoomText(1, 1)}));

  Editor->ZoomOut();
  Editor->UpdateControls();
  EXPECT_EQ(Editor->ZoomStatusPanel->text(), Editor->ZoomText(3, 4));

  ChooseFromMenu(Main->FileMenuItem, Editor->CloseMenuItem);
  ASSERT_EQ(Doc(), nullptr);
  Editor->UpdateControls();
  EXPECT_EQ(StatusTexts(), QStringList(8, QString()));
}

TEST_F(FirstUseTest, ZoomTextsInPerCent)
{
  const struct
  {
    int32_t Numerator, Denominator;
    const char *English, *German;
  } Cases[] = {
      {1, 1, "100%", "100\u00a0%"},        {3, 2, "150%", "150\u00a0%"},
      {1, 3, "33.3%", "33,3\u00a0%"},      {1, 16, "6.3%", "6,3\u00a0%"},
      {800, 3000, "26.7%", "26,7\u00a0%"}, {16, 1, "1,600%", "1.600\u00a0%"},
  };
  InitLocalizerQt(QStringLiteral(FACETTE_SOURCE_DIR "/data"));
  ASSERT_TRUE(SetLanguage(1033));
  for (const auto &C : Cases)
    EXPECT_EQ(Editor->ZoomText(C.Numerator, C.Denominator), QString::fromUtf8(C.English));
  ASSERT_TRUE(SetLanguage(1031));
  for (const auto &C : Cases)
    EXPECT_EQ(Editor->ZoomText(C.Numerator, C.Denominator), QString::fromUtf8(C.German));
  SetLanguage(1033);
  SetThreadLocaleHandler(nullptr);
  EXPECT_EQ(Editor->ZoomText(0, 1), QString());
}

TEST_F(FirstUseTest, BestFitStaysWhileTheWindowChangesSize)
{
  ShowActive(400, 300);
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("large.png"), 1000, 600)));
  EXPECT_EQ(Zoom(), std::make_pair(400, 1000));
  const auto Grow = [this](int DX, int DY) {
    Main->resize(Main->width() + DX, Main->height() + DY);
    QApplication::processEvents();
  };
  // Wider and taller: best fit follows the view.
  Grow(200, 100);
  EXPECT_EQ(Zoom(), std::make_pair(View()->width(), 1000));
  EXPECT_EQ(View()->width(), 600);
  // Once the user zooms, the zoom is the user's.
  Editor->ZoomOut();
  const auto Chosen = Zoom();
  Grow(-100, -50);
  EXPECT_EQ(Zoom(), Chosen);
  // Best fit chosen from the toolbar holds again.
  Editor->ScaleToBestFitButton->trigger();
  Grow(-100, -50);
  EXPECT_EQ(Zoom(), std::make_pair(View()->width(), 1000));

  // An image shown at actual size on opening gets best fit once the view
  // is smaller than it, and actual size again when there is room.
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("small.png"), 300, 200)));
  EXPECT_EQ(Zoom(), std::make_pair(1, 1));
  Grow(-View()->width() + 150, 0);
  EXPECT_EQ(Zoom(), std::make_pair(150, 300));
  Grow(300, 0);
  EXPECT_EQ(Zoom(), std::make_pair(1, 1));
}

TEST_F(FirstUseTest, ToolbarHintsNameTheKeysOfTheirCommands)
{
  ShowActive(300, 200);
  const auto Hint = [](int Id, const QKeySequence &Key) {
    return LocalString(Id) + QStringLiteral(" (") + Key.toString(QKeySequence::NativeText) +
           QLatin1Char(')');
  };
  const struct
  {
    QAction *Button;
    QString Expected;
  } Cases[] = {
      {Editor->OpenToolButton, Hint(12, QKeySequence(Qt::CTRL | Qt::Key_O))},
      {Editor->SaveToolButton, Hint(16, QKeySequence(Qt::CTRL | Qt::Key_S))},
      {Editor->UndoToolButton, Hint(25, QKeySequence(Qt::CTRL | Qt::Key_Z))},
      {Editor->RedoToolButton, Hint(26, QKeySequence(Qt::CTRL | Qt::Key_Y))},
      {Editor->ZoomInButton, Hint(98, QKeySequence(Qt::CTRL | Qt::Key_Plus))},
      {Editor->ZoomOutButton, Hint(99, QKeySequence(Qt::CTRL | Qt::Key_Minus))},
      {Editor->ActualSizeButton, Hint(166, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0))},
      {Editor->ScaleToBestFitButton, LocalString(178)}, // no key
  };
  for (const auto &C : Cases) {
    QWidget *Button = Editor->StandardToolbar->widgetForAction(C.Button);
    ASSERT_NE(Button, nullptr);
    const QPoint Middle = Button->rect().center();
    QHelpEvent Event(QEvent::ToolTip, Middle, Button->mapToGlobal(Middle));
    QApplication::sendEvent(Button, &Event);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), C.Expected);
    QToolTip::showText(QPoint(), QString()); // gone at once, not faded
  }
}

} // namespace
} // namespace facette
