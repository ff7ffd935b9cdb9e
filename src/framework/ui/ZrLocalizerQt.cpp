#include "framework/ui/ZrLocalizerQt.h"

#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrLanguageIds.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace facette {

namespace {

// Qt's own texts (the buttons of message boxes, the labels of the file
// dialog, key names) in the interface language. English needs none; a
// language Qt has no translation for keeps Qt's English.
void LoadQtTranslations(std::uint16_t LangId)
{
  QCoreApplication *App = QCoreApplication::instance();
  if (!App)
    return;
  static QPointer<QTranslator> Installed;
  if (Installed) {
    QCoreApplication::removeTranslator(Installed);
    delete Installed.data();
  }
  auto *Translator = new QTranslator(App);
  if (Translator->load(LocaleOfLangId(LangId), QStringLiteral("qt"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(Translator);
    Installed = Translator;
  } else {
    delete Translator;
  }
}

void SetDefaultLocale(std::uint16_t LangId)
{
  QLocale::setDefault(LocaleOfLangId(LangId));
  LoadQtTranslations(LangId);
}

} // namespace

QString LocalString(int Id, const QString &Default)
{
  if (const std::string *Text = Localizer().FindString(Id))
    return ToQString(*Text);
  return Default;
}

std::uint16_t UserDefaultLangId()
{
  return LangIdFromLocaleName(QLocale::system().name().toStdString());
}

QLocale LocaleOfLangId(std::uint16_t LangId)
{
  return QLocale(QString::fromStdString(LocaleNameFromLangId(LangId)));
}

void InitLocalizerQt(const QString &ProgramDir)
{
  SetThreadLocaleHandler(&SetDefaultLocale);
  InitLocalizer(QFile::encodeName(ProgramDir).toStdString(), UserDefaultLangId());
  LoadQtTranslations(CurrentLanguage());
}

} // namespace facette
