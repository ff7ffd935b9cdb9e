// Conversion of text in a Windows ANSI code page to UTF-8.
//
// Language and demo files written with an old editor carry a "CodePage"
// line instead of a UTF-8 mark. The conversion is lenient: the program
// reads these files for itself, so a byte that is not valid in the code
// page becomes U+FFFD and the rest of the text is kept; a code page the
// system cannot convert leaves the text as it is.
#pragma once

#include <string>
#include <string_view>

namespace facette {

// The iconv name of a Windows code page ("CP1251", "KOI8-R", ...). Empty
// for 65001 (already UTF-8) and for code pages that cannot be converted
// line by line (the UTF-16 and UTF-32 pages).
std::string CodePageCharset(unsigned CodePage);

// Converts text of one code page to UTF-8, one piece at a time. The
// converter is opened once; Convert resets the shift state for every piece,
// so the pieces (lines) are independent of each other.
class TZrCodePageConverter
{
public:
  explicit TZrCodePageConverter(unsigned CodePage);
  ~TZrCodePageConverter();
  TZrCodePageConverter(const TZrCodePageConverter &) = delete;
  TZrCodePageConverter &operator=(const TZrCodePageConverter &) = delete;

  // False when the code page is unknown to the system; Convert then
  // returns its input unchanged.
  bool Valid() const { return Handle != nullptr || Passthrough; }
  std::string Convert(std::string_view Text);

private:
  void *Handle = nullptr;   // iconv_t
  bool Passthrough = false; // the code page is UTF-8 itself
};

// One-shot form of the converter above.
std::string CodePageToUtf8(std::string_view Text, unsigned CodePage);

} // namespace facette
