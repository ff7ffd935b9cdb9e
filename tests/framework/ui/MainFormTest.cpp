#include "framework/ui/MainForm.h"
#include "framework/LanguageTestSupport.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrImageList.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrLocalizer.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"

#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

namespace facette {
namespace {

using testing_support::LanguageFileText;
using testing_support::TScratchFolder;

// A toolbar module that re-captions its toolbar when the language changes,
// as every module with a toolbar does.
struct TToolbarOwner
{
  QToolBar *Toolbar = nullptr;
  void Localize() { Toolbar->setWindowTitle(LocalString(500)); }
};

void RunPostedCalls()
{
  for (int I = 0; I < 20 && ZrApplication().PostedCallCount() > 0; ++I)
    QCoreApplication::sendPostedEvents(nullptr, PostedCallEventType());
}

class MainFormTest : public testing::Test
{
protected:
  void SetUp() override
  {
    Folder.Write("bin/Languages/English.ini",
                 LanguageFileText(1033, "English",
                                  "10=&File\n23=E&xit\n34=&View\n41=&Language\n46=&Help\n"
                                  "161=Menu\n163=&Toolbars\n500=Standard\n"));
    Folder.Write("bin/Languages/German.ini",
                 LanguageFileText(1031, "Deutsch",
                                  "10=&Datei\n23=&Beenden\n34=&Ansicht\n41=&Sprache\n46=&Hilfe\n"
                                  "161=Menü\n163=&Symbolleisten\n500=Standard-Leiste\n"));
    InitLocalizerQt(QString::fromStdString((Folder.Path / "bin").string()));
    Localizer().Start(Folder.Path / "bin" / "Languages", 1033);
    App.CreateForm(Main);
  }
  void TearDown() override
  {
    // Qt's own texts back in English for the tests that follow.
    SetLanguage(1033);
    SetThreadLocaleHandler(nullptr);
    QLocale::setDefault(QLocale::c());
  }

  TScratchFolder Folder;
  TZrApplication App;
  TMainForm *Main = nullptr;
};

TEST_F(MainFormTest, LanguageSwitchReCaptionsMenusAndTheToolbarsMenu)
{
  TToolbarOwner Owner;
  Owner.Toolbar = Main->AddToolbar(QString());
  RegisterLocalizeHandler(TZrMethod::Of<&TToolbarOwner::Localize>(&Owner));
  Main->Initialize();
  RunPostedCalls();

  QAction *ToolbarItem = Main->ToolbarsMenuItem->actions().value(0);
  ASSERT_NE(ToolbarItem, nullptr);
  EXPECT_EQ(Main->FileMenuItem->title(), QStringLiteral("&File"));
  EXPECT_EQ(ToolbarItem->text(), QStringLiteral("Standard"));
  ASSERT_EQ(Main->LanguageMenuItem->actions().size(), 2);

  // Choose German from the Language menu.
  QAction *German = nullptr;
  for (QAction *Item : Main->LanguageMenuItem->actions())
    if (Item->data().toInt() == 1031)
      German = Item;
  ASSERT_NE(German, nullptr);
  EXPECT_EQ(German->text(), QStringLiteral("Deutsch"));
  German->trigger();
  RunPostedCalls();

  EXPECT_EQ(CurrentLanguage(), 1031);
  EXPECT_EQ(Main->FileMenuItem->title(), QStringLiteral("&Datei"));
  EXPECT_EQ(Main->ExitMenuItem->text(), QStringLiteral("&Beenden"));
  EXPECT_EQ(Main->ViewMenuItem->title(), QStringLiteral("&Ansicht"));
  EXPECT_EQ(Main->ToolbarsMenuItem->title(), QStringLiteral("&Symbolleisten"));
  EXPECT_EQ(Main->LanguageMenuItem->title(), QStringLiteral("&Sprache"));
  EXPECT_EQ(Main->HelpMenuItem->title(), QStringLiteral("&Hilfe"));
  EXPECT_EQ(ToolbarItem->text(), QStringLiteral("Standard-Leiste"));
  for (QAction *Item : Main->LanguageMenuItem->actions()) {
    EXPECT_EQ(Item->isChecked(), Item == German) << Item->text().toStdString();
    // Radio items: one language at a time.
    ASSERT_NE(Item->actionGroup(), nullptr);
    EXPECT_TRUE(Item->actionGroup()->isExclusive());
  }

  UnregisterLocalizeHandler(TZrMethod::Of<&TToolbarOwner::Localize>(&Owner));
}

TEST_F(MainFormTest, SettingsNodeHoldsPlacementAndLanguage)
{
  Main->Initialize();
  Main->setGeometry(100, 120, 640, 560);
  Main->show();
  Main->showMaximized();
  QCoreApplication::processEvents();
  ASSERT_TRUE(Main->isMaximized());
  SetLanguage(1031);

  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Main->SaveSettings(Writer);
  }
  const TZrWindowPlacement Saved = Main->Placement();
  EXPECT_EQ(Saved.ShowCmd, TZrWindowPlacement::ShowMaximized);
  EXPECT_EQ(Saved.NormalPosition, MakeRect(100, 120, 740, 680));

  // Node 1 with the window's GUID, the 44-byte record as element 2 and the
  // language as element 1.
  const std::vector<uint8_t> &Bytes = Stream.Bytes();
  ASSERT_EQ(Bytes.size(), 4u + 16u + 4u + 44u + 4u + 4u + 1u);
  EXPECT_EQ(Bytes[0], 0xD5);
  EXPECT_EQ((std::vector<uint8_t>(Bytes.begin() + 20, Bytes.begin() + 24)),
            (std::vector<uint8_t>{0x55, 0x02, 0x0E, 0x2C}));
  EXPECT_EQ(Bytes[24], 44); // the record starts with its own length
  EXPECT_EQ((std::vector<uint8_t>(Bytes.begin() + 68, Bytes.end())),
            (std::vector<uint8_t>{0x55, 0x01, 0x05, 0x04, 0x07, 0x04, 0, 0, 0}));

  // A second window restores the maximised state over the same restored
  // rectangle, and the language.
  SetLanguage(1033);
  Main->showNormal();
  Main->hide();
  TMainForm Second;
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Second.LoadSettings(Reader);
  EXPECT_EQ(CurrentLanguage(), 1031);
  EXPECT_TRUE(Second.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(Second.Placement().NormalPosition, MakeRect(100, 120, 740, 680));
  Second.show();
  Second.showNormal();
  QCoreApplication::processEvents();
  EXPECT_EQ(Second.geometry(), QRect(100, 120, 640, 560));
}

TEST_F(MainFormTest, TheFirstWindowTakesMostOfTheScreenAndTheDesignedSizeIsTheSmallest)
{
  const QSize Designed = Main->size();
  const QRect Area = Main->screen()->availableGeometry();
  Main->Initialize();
  EXPECT_EQ(Main->minimumSize(), Designed);
  const QRect R = Main->geometry();
  EXPECT_EQ(R.size(), (Area.size() * 4 / 5).expandedTo(Designed));
  EXPECT_LE(std::abs(R.center().x() - Area.center().x()), 1);
  EXPECT_LE(std::abs(R.center().y() - Area.center().y()), 1);

  // A stored placement is restored as it was (within the smallest size).
  TMainForm Second;
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Main->setGeometry(30, 40, Designed.width() + 10, Designed.height() + 20);
    Main->SaveSettings(Writer);
  }
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Second.LoadSettings(Reader);
  Second.Initialize();
  EXPECT_EQ(Second.geometry(), QRect(30, 40, Designed.width() + 10, Designed.height() + 20));
  Second.resize(100, 100);
  EXPECT_EQ(Second.size(), Designed);
}

TEST_F(MainFormTest, TheSmallestWindowShowsTheWholeStatusBar)
{
  // Panels wider together than the designed size, as the editor's are with
  // the progress box at the end.
  const QSize Designed = Main->size();
  auto *Panels = new QLabel(Main->statusBar());
  Panels->setFixedWidth(Designed.width() + 150);
  Main->statusBar()->addWidget(Panels);
  auto *Progress = new QLabel(Main->statusBar());
  Progress->setFixedWidth(60);
  Main->statusBar()->addPermanentWidget(Progress);
  Main->Initialize();
  Main->show();
  Main->resize(100, 100);
  QApplication::processEvents();
  EXPECT_GT(Main->width(), Designed.width());
  EXPECT_EQ(Main->height(), Designed.height());
  const QRect Bar = Main->statusBar()->rect();
  EXPECT_TRUE(Bar.contains(Progress->geometry())) << Progress->geometry().x();
  EXPECT_LE(Panels->geometry().right(), Progress->geometry().left());

  // Never wider than the screen, however wide the panels.
  const int Screen = Main->screen()->availableGeometry().width();
  Panels->setFixedWidth(Screen + 100);
  QApplication::processEvents();
  EXPECT_EQ(Main->minimumWidth(), Screen);
}

TEST_F(MainFormTest, CtrlQEndsTheProgram)
{
  Main->Initialize();
  Main->show();
  QApplication::setActiveWindow(Main);
  ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
  QTest::keyClick(Main, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(Main->isVisible());
}

TEST_F(MainFormTest, PlacementOfAnotherSizeIsIgnored)
{
  Main->setGeometry(10, 20, 300, 200);
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Writer.BeginNode(1, TMainForm::SettingsGuid);
    const uint8_t Short[40] = {40, 0, 0, 0, 0, 0, 0, 0, 3};
    Writer.WriteData(2, Short, sizeof Short);
    Writer.EndNode();
  }
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Main->LoadSettings(Reader);
  EXPECT_FALSE(Main->windowState() & Qt::WindowMaximized);
  EXPECT_EQ(Main->geometry(), QRect(10, 20, 300, 200));
  EXPECT_EQ(CurrentLanguage(), 1033); // no language element: unchanged
}

TEST_F(MainFormTest, OnlyTheFirstDroppedFileIsPassedOn)
{
  QTemporaryDir Files;
  const QString First = Files.filePath(QStringLiteral("a.jpg"));
  const QString Second = Files.filePath(QStringLiteral("b.jpg"));
  for (const QString &Name : {First, Second}) {
    QFile F(Name);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
  }
  QStringList Received;
  Main->OnDropFile = [&](const QString &Name) { Received << Name; };

  auto Drop = [&](const QStringList &Names) {
    QMimeData Data;
    QList<QUrl> Urls;
    for (const QString &Name : Names)
      Urls << QUrl::fromLocalFile(Name);
    Data.setUrls(Urls);
    // The window must take the drag before it gets the drop.
    QDragEnterEvent Enter(QPoint(10, 10), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Main, &Enter);
    QDropEvent Event(QPointF(10, 10), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Main, &Event);
  };
  Drop({First, Second, Files.filePath(QStringLiteral("c.jpg"))});
  EXPECT_EQ(Received, QStringList{First});
  // A folder or a missing file first: nothing, even if a later one exists.
  Drop({Files.path(), Second});
  Drop({Files.filePath(QStringLiteral("missing.jpg")), Second});
  EXPECT_EQ(Received, QStringList{First});
}

TEST_F(MainFormTest, MergedItemsGoBeforeTheirAnchorOrAtTheEnd)
{
  QAction *Open = Main->AddMenuItem(QStringLiteral("Open"), QKeySequence(QStringLiteral("Ctrl+O")),
                                    Main->FileMenuSeparator, Main->FileMenuItem, 1, nullptr);
  QList<QAction *> Items = Main->FileMenuItem->actions();
  ASSERT_EQ(Items.size(), 3);
  EXPECT_EQ(Items[0], Open);
  EXPECT_EQ(Open->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));

  // The anchor was removed by its owner: the item goes to the end.
  QAction Gone(QStringLiteral("gone"));
  QAction *Late =
      Main->AddMenuItem(QStringLiteral("Late"), {}, &Gone, Main->FileMenuItem, -1, nullptr);
  EXPECT_EQ(Main->FileMenuItem->actions().last(), Late);

  QMenu *Edit = Main->AddSubmenu(QStringLiteral("Edit"), nullptr, Main->ViewMenuItem->menuAction());
  const QList<QAction *> Bar = Main->menuBar()->actions();
  EXPECT_EQ(Bar.indexOf(Edit->menuAction()) + 1, Bar.indexOf(Main->ViewMenuItem->menuAction()));

  QToolBar *Toolbar = Main->AddToolbar(QStringLiteral("Standard"));
  QAction *Ref = nullptr;
  int Clicks = 0;
  Main->AddToolbarItem(
      Toolbar, Main->Images(), nullptr, QStringLiteral("Save"), 2, [&] { ++Clicks; }, Ref);
  ASSERT_NE(Ref, nullptr);
  EXPECT_EQ(Ref->toolTip(), QStringLiteral("Save"));
  Ref->trigger();
  EXPECT_EQ(Clicks, 1);
  // Hiding the toolbar unchecks its item in the Toolbars menu when idle.
  Main->show();
  Toolbar->hide();
  Main->UpdateControls();
  EXPECT_FALSE(Main->ToolbarsMenuItem->actions().value(0)->isChecked());
}

TEST_F(MainFormTest, MissingResourceImageGivesMinusOne)
{
  const int Before = Main->Images()->Count();
  EXPECT_EQ(Main->AddResourceImage(QStringLiteral("NoSuchPicture")), -1);
  EXPECT_EQ(Main->Images()->Count(), Before);
}

} // namespace
} // namespace facette
