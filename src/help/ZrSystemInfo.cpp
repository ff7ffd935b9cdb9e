#include "help/ZrSystemInfo.h"

#include "framework/ZrIniFile.h"

#include <sys/utsname.h>

#include <fstream>
#include <sstream>

namespace facette {

namespace {

// Reads the digits at Pos and moves past them; false when there are none.
bool ReadNumber(std::string_view Text, size_t &Pos, int32_t &Value)
{
  const size_t Start = Pos;
  int64_t N = 0;
  while (Pos < Text.size() && Text[Pos] >= '0' && Text[Pos] <= '9') {
    if (N < 1000000000)
      N = N * 10 + (Text[Pos] - '0');
    ++Pos;
  }
  if (Pos == Start)
    return false;
  Value = static_cast<int32_t>(N);
  return true;
}

// A value of an os-release line: quotes removed and backslash escapes
// resolved, as a shell reads it.
std::string UnquoteValue(std::string_view Value)
{
  Value = TrimIni(Value);
  if (Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') &&
      Value.back() == Value.front())
    Value = Value.substr(1, Value.size() - 2);
  std::string Out;
  for (size_t I = 0; I < Value.size(); ++I) {
    if (Value[I] == '\\' && I + 1 < Value.size())
      ++I;
    Out += Value[I];
  }
  return Out;
}

std::string ReadFile(const char *Name)
{
  std::ifstream File(Name, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

} // namespace

void ParseRelease(std::string_view Release, int32_t &Major, int32_t &Minor, int32_t &Build)
{
  Major = Minor = Build = 0;
  size_t Pos = 0;
  if (!ReadNumber(Release, Pos, Major) || Pos >= Release.size() || Release[Pos] != '.')
    return;
  ++Pos;
  if (!ReadNumber(Release, Pos, Minor) || Pos >= Release.size() || Release[Pos] != '.')
    return;
  ++Pos;
  ReadNumber(Release, Pos, Build);
}

std::string OsReleaseDescription(std::string_view FileText)
{
  std::string Name;
  std::string Version;
  for (const std::string &Line : SplitLines(FileText)) {
    const size_t Eq = Line.find('=');
    if (Eq == std::string::npos)
      continue;
    const std::string_view Key = TrimIni(std::string_view(Line).substr(0, Eq));
    const std::string Value = UnquoteValue(std::string_view(Line).substr(Eq + 1));
    if (Key == "PRETTY_NAME" && !Value.empty())
      return Value;
    if (Key == "NAME")
      Name = Value;
    else if (Key == "VERSION")
      Version = Value;
  }
  if (Name.empty() || Version.empty())
    return Name;
  return Name + " " + Version;
}

void ReadSystemVersion(TZrVersionInfo &Info)
{
  Info = TZrVersionInfo();
  utsname Names;
  if (uname(&Names) == 0) {
    Info.SystemName = Names.sysname;
    Info.Release = Names.release;
    Info.Machine = Names.machine;
    ParseRelease(Info.Release, Info.MajorVersion, Info.MinorVersion, Info.BuildNumber);
  }
  std::string OsRelease = ReadFile("/etc/os-release");
  if (OsRelease.empty())
    OsRelease = ReadFile("/usr/lib/os-release");
  Info.Description = OsReleaseDescription(OsRelease);
}

std::string SystemSummary(const TZrVersionInfo &Info)
{
  std::string Kernel = Info.SystemName;
  for (const std::string *Part : {&Info.Release, &Info.Machine})
    if (!Part->empty())
      Kernel += (Kernel.empty() ? "" : " ") + *Part;
  if (Info.Description.empty())
    return Kernel;
  if (Kernel.empty())
    return Info.Description;
  return Info.Description + ", " + Kernel;
}

} // namespace facette
