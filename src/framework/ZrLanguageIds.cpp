#include "framework/ZrLanguageIds.h"

#include <vector>

namespace facette {

namespace {

struct TLocaleEntry
{
  std::string_view Language;  // ISO 639 code, lower case
  std::string_view Script;    // ISO 15924 code or empty
  std::string_view Territory; // ISO 3166 code, upper case
  std::uint16_t LangId;
};

// The first entry of each language is its main identifier; the first entry
// of each identifier gives its locale name.
constexpr TLocaleEntry LocaleTable[] = {
    {"en", "", "US", 1033},     {"en", "", "GB", 2057},      {"en", "", "AU", 3081},
    {"en", "", "CA", 4105},     {"en", "", "NZ", 5129},      {"en", "", "IE", 6153},
    {"en", "", "ZA", 7177},     {"en", "", "IN", 16393},     {"de", "", "DE", 1031},
    {"de", "", "CH", 2055},     {"de", "", "AT", 3079},      {"de", "", "LU", 4103},
    {"de", "", "LI", 5127},     {"fr", "", "FR", 1036},      {"fr", "", "BE", 2060},
    {"fr", "", "CA", 3084},     {"fr", "", "CH", 4108},      {"fr", "", "LU", 5132},
    {"ru", "", "RU", 1049},     {"es", "", "ES", 3082},      {"es", "", "ES", 1034},
    {"es", "", "MX", 2058},     {"es", "", "AR", 11274},     {"es", "", "CO", 9226},
    {"es", "", "CL", 13322},    {"es", "", "US", 21514},     {"it", "", "IT", 1040},
    {"it", "", "CH", 2064},     {"nl", "", "NL", 1043},      {"nl", "", "BE", 2067},
    {"pt", "", "PT", 2070},     {"pt", "", "BR", 1046},      {"pl", "", "PL", 1045},
    {"cs", "", "CZ", 1029},     {"sk", "", "SK", 1051},      {"sl", "", "SI", 1060},
    {"hu", "", "HU", 1038},     {"ja", "", "JP", 1041},      {"ko", "", "KR", 1042},
    {"zh", "Hans", "CN", 2052}, {"zh", "Hant", "TW", 1028},  {"zh", "Hant", "HK", 3076},
    {"zh", "Hans", "SG", 4100}, {"zh", "Hant", "MO", 5124},  {"uk", "", "UA", 1058},
    {"be", "", "BY", 1059},     {"bg", "", "BG", 1026},      {"ro", "", "RO", 1048},
    {"hr", "", "HR", 1050},     {"sr", "Cyrl", "RS", 10266}, {"sr", "Latn", "RS", 9242},
    {"sr", "Cyrl", "CS", 3098}, {"sr", "Latn", "CS", 2074},  {"bs", "Latn", "BA", 5146},
    {"mk", "", "MK", 1071},     {"sq", "", "AL", 1052},      {"sv", "", "SE", 1053},
    {"sv", "", "FI", 2077},     {"da", "", "DK", 1030},      {"nb", "", "NO", 1044},
    {"no", "", "NO", 1044},     {"nn", "", "NO", 2068},      {"fi", "", "FI", 1035},
    {"is", "", "IS", 1039},     {"el", "", "GR", 1032},      {"tr", "", "TR", 1055},
    {"he", "", "IL", 1037},     {"ar", "", "SA", 1025},      {"ar", "", "EG", 3073},
    {"fa", "", "IR", 1065},     {"lt", "", "LT", 1063},      {"lv", "", "LV", 1062},
    {"et", "", "EE", 1061},     {"th", "", "TH", 1054},      {"vi", "", "VN", 1066},
    {"id", "", "ID", 1057},     {"ms", "", "MY", 1086},      {"hi", "", "IN", 1081},
    {"ca", "", "ES", 1027},     {"eu", "", "ES", 1069},      {"gl", "", "ES", 1110},
    {"kk", "", "KZ", 1087},     {"ka", "", "GE", 1079},      {"hy", "", "AM", 1067},
    {"az", "Latn", "AZ", 1068}, {"uz", "Latn", "UZ", 1091},  {"af", "", "ZA", 1078},
};

std::string Lower(std::string_view Text)
{
  std::string Out(Text);
  for (char &C : Out)
    if (C >= 'A' && C <= 'Z')
      C = static_cast<char>(C - 'A' + 'a');
  return Out;
}

std::string Upper(std::string_view Text)
{
  std::string Out(Text);
  for (char &C : Out)
    if (C >= 'a' && C <= 'z')
      C = static_cast<char>(C - 'a' + 'A');
  return Out;
}

std::string LocaleName(const TLocaleEntry &Entry)
{
  std::string Name(Entry.Language);
  if (!Entry.Script.empty()) {
    Name += '_';
    Name += Entry.Script;
  }
  Name += '_';
  Name += Entry.Territory;
  return Name;
}

} // namespace

std::uint16_t LangIdFromLocaleName(std::string_view LocaleName)
{
  // "ru_RU.UTF-8", "de_DE@euro": the code set and modifier say nothing
  // about the language.
  LocaleName = LocaleName.substr(0, LocaleName.find_first_of(".@"));
  if (LocaleName == "C" || LocaleName == "POSIX")
    return 1033;

  std::vector<std::string_view> Parts;
  while (!LocaleName.empty()) {
    const size_t Sep = LocaleName.find_first_of("_-");
    Parts.push_back(LocaleName.substr(0, Sep));
    if (Sep == std::string_view::npos)
      break;
    LocaleName.remove_prefix(Sep + 1);
  }
  if (Parts.empty() || Parts[0].empty())
    return 0;
  const std::string Language = Lower(Parts[0]);
  std::string Script, Territory;
  size_t Next = 1;
  if (Next < Parts.size() && Parts[Next].size() == 4) {
    Script = Lower(Parts[Next]);
    if (Script[0] >= 'a' && Script[0] <= 'z')
      Script[0] = static_cast<char>(Script[0] - 'a' + 'A');
    ++Next;
  }
  if (Next < Parts.size())
    Territory = Upper(Parts[Next]);

  auto ScriptFits = [&](const TLocaleEntry &E) { return Script.empty() || E.Script == Script; };
  for (const auto &E : LocaleTable)
    if (E.Language == Language && !Territory.empty() && E.Territory == Territory && ScriptFits(E))
      return E.LangId;
  if (!Script.empty())
    for (const auto &E : LocaleTable)
      if (E.Language == Language && E.Script == Script)
        return E.LangId;
  for (const auto &E : LocaleTable)
    if (E.Language == Language)
      return E.LangId;
  return 0;
}

std::string LocaleNameFromLangId(std::uint16_t LangId)
{
  for (const auto &E : LocaleTable)
    if (E.LangId == LangId)
      return LocaleName(E);
  // Another territory of a known language: the low ten bits are the
  // primary language.
  const unsigned Primary = LangId & 0x3FFu;
  for (const auto &E : LocaleTable)
    if ((E.LangId & 0x3FFu) == Primary)
      return LocaleName(E);
  return "C";
}

} // namespace facette

namespace facette {

unsigned AnsiCodePageOfLangId(std::uint16_t LangId)
{
  const unsigned Primary = LangId & 0x3FFu;
  const unsigned Sub = LangId >> 10;
  switch (Primary) {
  case 0x04: // Chinese: traditional in Taiwan, Hong Kong and Macao
    return (Sub == 0x01 || Sub == 0x03 || Sub == 0x05) ? 950 : 936;
  case 0x11:
    return 932;
  case 0x12:
    return 949;
  case 0x1E:
    return 874;
  case 0x1A: // Croatian, Serbian and Bosnian: the Cyrillic variants
    return (Sub == 0x03 || Sub == 0x07 || Sub == 0x08 || Sub == 0x0C) ? 1251 : 1250;
  case 0x2C: // Azeri and Uzbek: Latin or Cyrillic
  case 0x43:
    return Sub == 0x02 ? 1251 : 1254;
  default:
    break;
  }
  struct TEntry
  {
    unsigned Primary;
    unsigned CodePage;
  };
  static constexpr TEntry Pages[] = {
      {0x01, 1256}, {0x02, 1251}, {0x03, 1252}, {0x05, 1250}, {0x06, 1252}, {0x07, 1252},
      {0x08, 1253}, {0x09, 1252}, {0x0A, 1252}, {0x0B, 1252}, {0x0C, 1252}, {0x0D, 1255},
      {0x0E, 1250}, {0x0F, 1252}, {0x10, 1252}, {0x13, 1252}, {0x14, 1252}, {0x15, 1250},
      {0x16, 1252}, {0x18, 1250}, {0x19, 1251}, {0x1B, 1250}, {0x1C, 1250}, {0x1D, 1252},
      {0x1F, 1254}, {0x20, 1256}, {0x21, 1252}, {0x22, 1251}, {0x23, 1251}, {0x24, 1250},
      {0x25, 1257}, {0x26, 1257}, {0x27, 1257}, {0x29, 1256}, {0x2A, 1258}, {0x2D, 1252},
      {0x2F, 1251}, {0x36, 1252}, {0x38, 1252}, {0x3E, 1252}, {0x3F, 1251}, {0x40, 1251},
      {0x41, 1252}, {0x44, 1251}, {0x50, 1251}, {0x56, 1252},
  };
  for (const TEntry &Entry : Pages)
    if (Entry.Primary == Primary)
      return Entry.CodePage;
  return 0;
}

} // namespace facette
