// The localizer seen from the user interface: interface texts as QString
// and the user's language from the system locale.
//
// Captions and hints are set in each window's Localize from a literal
// number: `Button->setToolTip(LocalString(25))`. The language is switched
// with SetLanguage (framework/ZrLocalizer.h); once InitLocalizerQt has run,
// that also makes the language the default QLocale, the role the thread
// locale plays on Windows (number formats, the decimal separator).
#pragma once

#include "framework/ZrLocalizer.h"

#include <QLocale>
#include <QString>

#include <cstdint>

namespace facette {

// The text of string Id in the current language, else in the base
// language, else Default.
QString LocalString(int Id, const QString &Default = {});

// The user's default language identifier, from the system locale (0 when
// the system's language has no identifier; the base language is then US
// English when installed).
std::uint16_t UserDefaultLangId();

// The QLocale of a language identifier.
QLocale LocaleOfLangId(std::uint16_t LangId);

// Start-up of the program's localizer for a program in ProgramDir and the
// user's default language; also installs the QLocale step of SetLanguage.
void InitLocalizerQt(const QString &ProgramDir);

} // namespace facette
