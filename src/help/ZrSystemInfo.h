// The operating system the program runs on, recorded once at start: the
// kernel's name and version, and the distribution's own description. The
// update check names it in its requests; support requests quote it from
// the About box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace facette {

struct TZrVersionInfo
{
  std::string SystemName; // "Linux"
  std::string Release;    // the kernel's release text, "6.1.0-18-amd64"
  int32_t MajorVersion = 0;
  int32_t MinorVersion = 0;
  int32_t BuildNumber = 0;
  std::string Description; // "Debian GNU/Linux 12 (bookworm)"
  std::string Machine;     // "x86_64"
};

// The leading "major.minor.build" numbers of a release text; parts that
// are missing stay 0.
void ParseRelease(std::string_view Release, int32_t &Major, int32_t &Minor, int32_t &Build);

// PRETTY_NAME of an os-release file (quotes and the shell escapes of the
// format removed); NAME and VERSION when it has none; empty without either.
std::string OsReleaseDescription(std::string_view FileText);

// Fills Info from the running system. Whatever cannot be read stays empty
// or 0.
void ReadSystemVersion(TZrVersionInfo &Info);

// One line for people: "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64 x86_64".
std::string SystemSummary(const TZrVersionInfo &Info);

} // namespace facette
