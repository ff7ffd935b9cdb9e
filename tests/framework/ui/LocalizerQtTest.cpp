#include "framework/ui/ZrLocalizerQt.h"

#include "framework/LanguageTestSupport.h"
#include "framework/ZrLanguageIds.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace facette {
namespace {

using testing_support::LanguageFileText;
using testing_support::TScratchFolder;

class LocalizerQtTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    SavedLocale = QLocale();
    Folder.Write("bin/Languages/English.ini",
                 LanguageFileText(1033, "English", "2=Cancel\n9=Only English\n"));
    Folder.Write("bin/Languages/Russian.ini", LanguageFileText(1049, "Русский", "2=Отмена\n"));
    Folder.Write("bin/Languages/German.ini", LanguageFileText(1031, "Deutsch", "2=Abbrechen\n"));
    InitLocalizerQt(QString::fromStdString((Folder.Path / "bin").string()));
    ASSERT_EQ(Localizer().Languages().size(), 3u);
    // Whatever the machine's language, English is the base in these tests.
    Localizer().Start(Folder.Path / "bin" / "Languages", 1033);
  }
  void TearDown() override
  {
    // Qt's own texts back in English for the tests that follow.
    SetLanguage(1033);
    SetThreadLocaleHandler(nullptr);
    InitLocalizer(Folder.Path / "nowhere", 1033);
    QLocale::setDefault(SavedLocale);
  }

  TScratchFolder Folder;
  QLocale SavedLocale;
};

TEST_F(LocalizerQtTest, TextsAsQString)
{
  EXPECT_EQ(LocalString(2), QStringLiteral("Cancel"));
  EXPECT_EQ(LocalString(3), QString());
  EXPECT_EQ(LocalString(3, QStringLiteral("Default")), QStringLiteral("Default"));
  ASSERT_TRUE(SetLanguage(1049));
  EXPECT_EQ(LocalString(2), QString::fromUtf8("Отмена"));
  EXPECT_EQ(LocalString(2).size(), 6); // decoded from UTF-8, not bytes
  EXPECT_EQ(LocalString(9), QStringLiteral("Only English"));
}

TEST_F(LocalizerQtTest, SwitchingSetsTheDefaultLocale)
{
  ASSERT_TRUE(SetLanguage(1031));
  EXPECT_EQ(QLocale().name(), QStringLiteral("de_DE"));
  EXPECT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
  ASSERT_TRUE(SetLanguage(1049));
  EXPECT_EQ(QLocale().language(), QLocale::Russian);
  // A language that is not installed leaves texts and locale alone.
  EXPECT_FALSE(SetLanguage(1036));
  EXPECT_EQ(QLocale().language(), QLocale::Russian);
  EXPECT_EQ(CurrentLanguage(), 1049);
}

// The buttons of Qt's message box, a label of its file dialog and the name
// of a key, as Qt shows them now.
QStringList QtTexts()
{
  QMessageBox Box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
  QFileDialog Dialog;
  Dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto *LookIn = Dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"));
  return {Box.button(QMessageBox::Yes)->text(), Box.button(QMessageBox::No)->text(),
          LookIn ? LookIn->text() : QString(),
          QKeySequence(Qt::CTRL | Qt::Key_O).toString(QKeySequence::NativeText)};
}

TEST_F(LocalizerQtTest, QtsOwnTextsFollowTheLanguage)
{
  const QStringList English = {QStringLiteral("&Yes"), QStringLiteral("&No"),
                               QStringLiteral("Look in:"), QStringLiteral("Ctrl+O")};
  EXPECT_EQ(QtTexts(), English);
  ASSERT_TRUE(SetLanguage(1031));
  EXPECT_EQ(QtTexts(), (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein"),
                                    QStringLiteral("Suchen in:"), QStringLiteral("Strg+O")}));
  ASSERT_TRUE(SetLanguage(1049));
  EXPECT_EQ(QtTexts()[0], QStringLiteral("&Да"));
  ASSERT_TRUE(SetLanguage(1033));
  EXPECT_EQ(QtTexts(), English);

  // A start in German has them in German from the first window on.
  TScratchFolder OnlyGerman;
  OnlyGerman.Write("bin/Languages/German.ini", LanguageFileText(1031, "Deutsch", "2=Abbrechen\n"));
  InitLocalizerQt(QString::fromStdString((OnlyGerman.Path / "bin").string()));
  ASSERT_EQ(CurrentLanguage(), 1031);
  EXPECT_EQ(QtTexts()[0], QStringLiteral("&Ja"));
}

TEST(LocalizerQt, UserLanguageFromTheSystemLocale)
{
  EXPECT_EQ(UserDefaultLangId(), LangIdFromLocaleName(QLocale::system().name().toStdString()));
  EXPECT_EQ(LocaleOfLangId(1036).language(), QLocale::French);
  EXPECT_EQ(LocaleOfLangId(2057).territory(), QLocale::UnitedKingdom);
  EXPECT_EQ(LocaleOfLangId(1028).script(), QLocale::TraditionalChineseScript);
}

} // namespace
} // namespace facette
