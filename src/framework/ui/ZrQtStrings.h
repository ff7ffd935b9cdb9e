// Conversions between the core's string types (UTF-8 std::string, UTF-16
// std::u16string) and QString.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace facette {

inline QString ToQString(std::string_view Utf8)
{
  return QString::fromUtf8(Utf8.data(), static_cast<qsizetype>(Utf8.size()));
}

inline QString ToQString(std::u16string_view Utf16)
{
  return QString::fromUtf16(Utf16.data(), static_cast<qsizetype>(Utf16.size()));
}

inline std::string ToUtf8(const QString &Text)
{
  return Text.toStdString();
}

inline std::u16string ToUtf16(const QString &Text)
{
  return Text.toStdU16String();
}

} // namespace facette
