// A language file: an INI file with a "Language" section (LangId, Language)
// and a "Strings" section of numbered interface texts.
//
// Encoding: a file that starts with the UTF-8 byte-order mark is UTF-8 (the
// mark is dropped). Otherwise, when any line has the key "CodePage" (in any
// letter case) with a non-zero whole number n, every line is converted from
// the ANSI code page n. Otherwise the text is taken as UTF-8 unchanged.
// After loading, every text is UTF-8.
#pragma once

#include "framework/ZrIniFile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace facette {

class TZrLanguageFile : public TZrMemIniFile
{
public:
  TZrLanguageFile() = default;
  // Reads the file; a missing or unreadable file gives an empty file.
  explicit TZrLanguageFile(const std::filesystem::path &FileName);

  // Fills the file from lines as read from disk (raw bytes, the first line
  // possibly starting with the byte-order mark), applying the encoding rules.
  void SetStrings(const std::vector<std::string> &Lines) override;
  // Fills the file from the whole raw content of a file.
  void SetBytes(std::string_view Bytes);

  // The code page the file names in its "CodePage" line; 0 when the text
  // was taken as UTF-8 (with the mark, without a CodePage line, or 65001).
  unsigned CodePage() const { return CodePage_; }

private:
  unsigned CodePage_ = 0;
};

// The "CodePage" value of raw lines: the first line whose key is CodePage
// and whose value is a non-zero whole number; 0 when there is none.
unsigned FindCodePage(const std::vector<std::string> &Lines);

} // namespace facette
