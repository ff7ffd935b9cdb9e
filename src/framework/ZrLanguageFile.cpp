#include "framework/ZrLanguageFile.h"

#include "framework/ZrCodePage.h"

#include <fstream>
#include <iterator>

namespace facette {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

} // namespace

unsigned FindCodePage(const std::vector<std::string> &Lines)
{
  for (const std::string &Raw : Lines) {
    const std::string_view Line = TrimIni(Raw);
    const size_t Eq = Line.find('=');
    if (Eq == std::string_view::npos || !SameIniName(TrimIni(Line.substr(0, Eq)), "CodePage"))
      continue;
    long long Value = 0;
    if (ParseIniInteger(Line.substr(Eq + 1), Value) && Value > 0 && Value <= 0xFFFFFFFFLL)
      return static_cast<unsigned>(Value);
  }
  return 0;
}

TZrLanguageFile::TZrLanguageFile(const std::filesystem::path &FileName)
{
  std::ifstream In(FileName, std::ios::binary);
  if (!In)
    return;
  const std::string Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  SetBytes(Bytes);
}

void TZrLanguageFile::SetBytes(std::string_view Bytes)
{
  SetStrings(SplitLines(Bytes));
}

void TZrLanguageFile::SetStrings(const std::vector<std::string> &Lines)
{
  CodePage_ = 0;
  if (!Lines.empty() && std::string_view(Lines.front()).starts_with(Utf8Mark)) {
    // The mark decides: any CodePage line is then an ordinary line.
    std::vector<std::string> Utf8 = Lines;
    Utf8.front().erase(0, Utf8Mark.size());
    TZrMemIniFile::SetStrings(Utf8);
    return;
  }
  const unsigned CodePage = FindCodePage(Lines);
  if (CodePage == 0 || CodePage == 65001) {
    TZrMemIniFile::SetStrings(Lines);
    return;
  }
  CodePage_ = CodePage;
  TZrCodePageConverter Converter(CodePage);
  std::vector<std::string> Converted;
  Converted.reserve(Lines.size());
  for (const std::string &Line : Lines)
    Converted.push_back(Converter.Convert(Line));
  TZrMemIniFile::SetStrings(Converted);
}

} // namespace facette
