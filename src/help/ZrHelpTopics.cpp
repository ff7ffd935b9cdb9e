#include "help/ZrHelpTopics.h"

#include <system_error>

namespace facette {

std::string HelpTopicPage(int32_t Context)
{
  switch (Context) {
  case htGettingStarted:
    return "getting-started.html";
  case htTechnicalSupport:
    return "support.html";
  case htOrderingInformation:
    return "ordering.html";
  default:
    return "index.html";
  }
}

std::filesystem::path FindHelpFolder(const std::filesystem::path &ProgramDir)
{
  std::error_code Error;
  const std::filesystem::path Beside = ProgramDir / "help";
  if (std::filesystem::is_directory(Beside, Error))
    return Beside;
  return (ProgramDir / ".." / "share" / "facette" / "help").lexically_normal();
}

std::string HelpLanguageFolder(uint16_t LangId)
{
  // The low ten bits of a language identifier are its primary language.
  switch (LangId & 0x3FF) {
  case 0x07:
    return "de";
  case 0x0C:
    return "fr";
  case 0x19:
    return "ru";
  default:
    return "en";
  }
}

std::filesystem::path ResolveHelpPage(const std::filesystem::path &HelpFolder,
                                      const std::string &Language, const std::string &Page)
{
  const std::string File = Page.substr(0, Page.find('#'));
  std::error_code Error;
  for (const std::string &Folder : {Language, std::string("en")}) {
    const std::filesystem::path Path = HelpFolder / Folder / File;
    if (std::filesystem::is_regular_file(Path, Error))
      return Path;
  }
  return {};
}

} // namespace facette
