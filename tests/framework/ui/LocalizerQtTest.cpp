#include "framework/ui/ZrLocalizerQt.h"

#include "framework/LanguageTestSupport.h"
#include "framework/ZrLanguageIds.h"

#include <gtest/gtest.h>

#include <QFile>

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

TEST(LocalizerQt, UserLanguageFromTheSystemLocale)
{
  EXPECT_EQ(UserDefaultLangId(), LangIdFromLocaleName(QLocale::system().name().toStdString()));
  EXPECT_EQ(LocaleOfLangId(1036).language(), QLocale::French);
  EXPECT_EQ(LocaleOfLangId(2057).territory(), QLocale::UnitedKingdom);
  EXPECT_EQ(LocaleOfLangId(1028).script(), QLocale::TraditionalChineseScript);
}

} // namespace
} // namespace facette
