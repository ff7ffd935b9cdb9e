#include "framework/ui/ZrLocalizerQt.h"

#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrLanguageIds.h"

#include <QFile>

namespace facette {

namespace {

void SetDefaultLocale(std::uint16_t LangId)
{
  QLocale::setDefault(LocaleOfLangId(LangId));
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
}

} // namespace facette
