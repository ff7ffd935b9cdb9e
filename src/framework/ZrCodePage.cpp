#include "framework/ZrCodePage.h"

#include <cerrno>
#include <iconv.h>

namespace facette {

namespace {

constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

iconv_t AsIconv(void *Handle)
{
  return static_cast<iconv_t>(Handle);
}

} // namespace

std::string CodePageCharset(unsigned CodePage)
{
  switch (CodePage) {
  case 65001:
  case 1200:
  case 1201:
  case 12000:
  case 12001:
    return {};
  case 65000:
    return "UTF-7";
  case 20127:
    return "ASCII";
  case 20866:
    return "KOI8-R";
  case 21866:
    return "KOI8-U";
  case 10000:
    return "MACINTOSH";
  case 10007:
    return "MAC-CYRILLIC";
  case 50220:
  case 50221:
  case 50222:
    return "ISO-2022-JP";
  case 20932:
  case 51932:
    return "EUC-JP";
  case 51949:
    return "EUC-KR";
  case 54936:
    return "GB18030";
  default:
    break;
  }
  // 28591 .. 28606 are the ISO 8859 parts (there is no part 12).
  if (CodePage >= 28591 && CodePage <= 28606 && CodePage != 28602)
    return "ISO-8859-" + std::to_string(CodePage - 28590);
  return "CP" + std::to_string(CodePage);
}

TZrCodePageConverter::TZrCodePageConverter(unsigned CodePage)
{
  if (CodePage == 65001) {
    Passthrough = true;
    return;
  }
  const std::string Charset = CodePageCharset(CodePage);
  if (Charset.empty())
    return;
  iconv_t Cd = iconv_open("UTF-8", Charset.c_str());
  if (Cd != reinterpret_cast<iconv_t>(-1))
    Handle = Cd;
}

TZrCodePageConverter::~TZrCodePageConverter()
{
  if (Handle)
    iconv_close(AsIconv(Handle));
}

std::string TZrCodePageConverter::Convert(std::string_view Text)
{
  if (!Handle)
    return std::string(Text);
  iconv_t Cd = AsIconv(Handle);
  iconv(Cd, nullptr, nullptr, nullptr, nullptr); // initial shift state

  std::string Out;
  Out.resize(Text.size() * 3 + 16);
  size_t Used = 0;
  char *In = const_cast<char *>(Text.data());
  size_t InLeft = Text.size();

  // Makes room for at least Need more bytes and hands back the write
  // position and the room left.
  auto Reserve = [&](size_t Need, char *&Dest, size_t &DestLeft) {
    if (Out.size() - Used < Need)
      Out.resize(Out.size() * 2 + Need);
    Dest = Out.data() + Used;
    DestLeft = Out.size() - Used;
  };

  bool Flushed = false;
  while (!Flushed) {
    char *Dest;
    size_t DestLeft;
    Reserve(16, Dest, DestLeft);
    const size_t Before = DestLeft;
    size_t Result;
    if (InLeft > 0) {
      Result = iconv(Cd, &In, &InLeft, &Dest, &DestLeft);
    } else {
      // End of input: let stateful encodings write their closing bytes.
      Result = iconv(Cd, nullptr, nullptr, &Dest, &DestLeft);
      if (Result != static_cast<size_t>(-1))
        Flushed = true;
    }
    Used += Before - DestLeft;
    if (Result != static_cast<size_t>(-1))
      continue;
    if (errno == E2BIG) {
      Out.resize(Out.size() * 2);
      continue;
    }
    // An invalid byte (EILSEQ) or a sequence cut off at the end (EINVAL):
    // mark it and go on with the next byte; anything else ends the piece.
    Reserve(ReplacementCharacter.size(), Dest, DestLeft);
    Out.replace(Used, ReplacementCharacter.size(), ReplacementCharacter);
    Used += ReplacementCharacter.size();
    if ((errno == EILSEQ || errno == EINVAL) && InLeft > 0) {
      ++In;
      --InLeft;
      iconv(Cd, nullptr, nullptr, nullptr, nullptr);
    } else {
      break;
    }
  }
  Out.resize(Used);
  return Out;
}

std::string CodePageToUtf8(std::string_view Text, unsigned CodePage)
{
  TZrCodePageConverter Converter(CodePage);
  return Converter.Convert(Text);
}

} // namespace facette
