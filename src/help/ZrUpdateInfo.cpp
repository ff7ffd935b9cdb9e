#include "help/ZrUpdateInfo.h"

#include "framework/ZrIniFile.h"

#include <cstdio>

namespace facette {

std::vector<std::string> UpdateSections(std::string_view ProductKey, std::string_view Language)
{
  std::string WithLanguage(ProductKey);
  WithLanguage += '-';
  WithLanguage += Language;
  return {WithLanguage, std::string(ProductKey)};
}

std::string ReadAvailableVersion(std::string_view FileText,
                                 const std::vector<std::string> &Sections)
{
  TZrMemIniFile Ini;
  Ini.SetStrings(SplitLines(FileText));
  for (const std::string &Name : Sections) {
    const auto Values = Ini.ReadSectionValues(Name);
    if (Values.empty())
      continue;
    for (const auto &[Key, Value] : Values)
      if (SameIniName(Key, "Version")) {
        const std::string_view Version = TrimIni(Value);
        if (!Version.empty())
          return std::string(Version);
        break;
      }
  }
  return {};
}

bool IsNewerVersion(std::string_view Current, std::string_view Available)
{
  // std::string_view compares as unsigned bytes.
  return Current.compare(Available) < 0;
}

std::string UpdateTimeStamp(const std::tm &LocalTime)
{
  char Text[32];
  std::snprintf(Text, sizeof Text, "%02d%02d%04d%02d%02d%02d", LocalTime.tm_mday,
                LocalTime.tm_mon + 1, LocalTime.tm_year + 1900, LocalTime.tm_hour, LocalTime.tm_min,
                LocalTime.tm_sec);
  return Text;
}

std::string AppendTimeStamp(std::string_view Url, const std::tm &LocalTime)
{
  std::string Result(Url);
  Result += '?';
  Result += UpdateTimeStamp(LocalTime);
  return Result;
}

} // namespace facette
