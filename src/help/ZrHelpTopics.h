// Where the help pages are and which page a topic opens. The pages are
// HTML files in one folder per language ("help/en", "help/de", ...); a page
// missing in the interface language is taken from English.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace facette {

// Topic numbers the program asks for; 0 is the contents page.
constexpr int32_t htContents = 0;
constexpr int32_t htGettingStarted = 20;
constexpr int32_t htTechnicalSupport = 30;
constexpr int32_t htOrderingInformation = 40;

// The page (with an anchor where the topic is part of a page) of a topic
// number; the contents page for a number the help does not know.
std::string HelpTopicPage(int32_t Context);

// The help folder of a program installed in ProgramDir: "help" beside it
// (the build tree), else the installed layout "../share/facette/help"
// (returned even when missing).
std::filesystem::path FindHelpFolder(const std::filesystem::path &ProgramDir);

// The folder name of a Windows language identifier's primary language
// ("en" for 1033, "de" for 1031, ...); "en" for one without pages.
std::string HelpLanguageFolder(uint16_t LangId);

// The file of Page ("tools.html#crop" names the file tools.html) in the
// language's folder, else in English; empty when neither exists.
std::filesystem::path ResolveHelpPage(const std::filesystem::path &HelpFolder,
                                      const std::string &Language, const std::string &Page);

} // namespace facette
