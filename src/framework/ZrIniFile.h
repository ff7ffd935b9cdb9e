// An INI file held in memory: sections of lines, read by section and key.
//
// Files the program reads for itself (language files, demo scripts, the
// update information) use this layout. Reading is lenient: lines are
// trimmed, empty lines and lines starting with ";" are dropped, lines before
// the first section are ignored, and around the first "=" of a line the
// blanks are removed ("key = value" is kept as "key=value"). Section names
// and keys are compared without regard to ASCII letter case; a section
// header that occurs twice continues the section it names.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace facette {

// Compares two names the way INI names are compared: ASCII letters without
// regard to case, every other byte as it is.
bool SameIniName(std::string_view A, std::string_view B);

// Removes blanks and control characters (bytes up to 32) at both ends.
std::string_view TrimIni(std::string_view Text);

// Reads a whole decimal integer with an optional sign, blanks around it
// allowed. False for anything else or when it does not fit.
bool ParseIniInteger(std::string_view Text, long long &Value);

// Splits text into lines at CR LF, LF or CR.
std::vector<std::string> SplitLines(std::string_view Text);

class TZrMemIniFile
{
public:
  struct TSection
  {
    std::string Name;
    // The section's lines as kept (trimmed, "key=value" without blanks
    // around the "="), in file order.
    std::vector<std::string> Lines;
  };

  TZrMemIniFile() = default;
  virtual ~TZrMemIniFile() = default;

  // Replaces the contents by the parse of these lines.
  virtual void SetStrings(const std::vector<std::string> &Lines);
  void Clear() { Sections_.clear(); }

  const std::vector<TSection> &Sections() const { return Sections_; }
  const TSection *FindSection(std::string_view Name) const;
  bool SectionExists(std::string_view Name) const { return FindSection(Name) != nullptr; }

  // The value of the first line of the section whose key is Key, or Default.
  std::string ReadString(std::string_view Section, std::string_view Key,
                         std::string_view Default = {}) const;
  // Every "key=value" line of the section, in file order (lines without
  // "=" are left out).
  std::vector<std::pair<std::string, std::string>>
  ReadSectionValues(std::string_view Section) const;

private:
  std::vector<TSection> Sections_;
};

} // namespace facette
