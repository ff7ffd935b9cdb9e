// Windows language identifiers and POSIX/Qt locale names.
//
// Language files and the settings file name languages by their Windows
// language identifier (1033 US English, 1031 German, ...). The system tells
// the user's language as a locale name ("de_DE", "fr", "ru_RU.UTF-8",
// "zh_Hant_TW", "pt-BR"); these functions translate between the two.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace facette {

// The identifier of a locale name: language, optional script and territory
// separated by "_" or "-", an optional ".codeset" and "@modifier", letters in
// any case. A territory that is not listed falls back to the language's
// main identifier ("de_BE" gives 1031); "C" and "POSIX" give 1033. 0 for a
// language that is not listed.
std::uint16_t LangIdFromLocaleName(std::string_view LocaleName);

// A locale name for an identifier ("de_DE" for 1031); for an identifier
// that is not listed, the name of its primary language when that is known,
// else "C".
std::string LocaleNameFromLangId(std::uint16_t LangId);

} // namespace facette

namespace facette {

// The default ANSI code page of a language (1252 for English and German,
// 1251 for Russian, 932 for Japanese, ...); 0 for a language that has none
// (Hindi, Georgian, Armenian, ...) or is not known.
unsigned AnsiCodePageOfLangId(std::uint16_t LangId);

} // namespace facette
