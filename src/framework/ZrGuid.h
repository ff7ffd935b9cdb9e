// Globally unique identifiers: the keys of the modules' settings nodes and of
// the program's interfaces. Written as "{8E85B1DA-44F0-4B60-B45D-21D0EBC05E33}"
// and stored as 16 bytes: the 32-bit and the two 16-bit fields least
// significant byte first, then the last eight bytes as they stand.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace facette {

struct TZrGuid
{
  static constexpr size_t ByteSize = 16;
  using TBytes = std::array<uint8_t, ByteSize>;

  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  std::array<uint8_t, 8> D4{};

  constexpr bool IsNull() const { return *this == TZrGuid{}; }

  constexpr TBytes ToBytes() const
  {
    TBytes B{};
    for (size_t I = 0; I < 4; ++I)
      B[I] = static_cast<uint8_t>(D1 >> (8 * I));
    for (size_t I = 0; I < 2; ++I) {
      B[4 + I] = static_cast<uint8_t>(D2 >> (8 * I));
      B[6 + I] = static_cast<uint8_t>(D3 >> (8 * I));
    }
    for (size_t I = 0; I < 8; ++I)
      B[8 + I] = D4[I];
    return B;
  }

  // Bytes must hold ByteSize bytes.
  static constexpr TZrGuid FromBytes(const uint8_t *Bytes)
  {
    TZrGuid G;
    for (size_t I = 0; I < 4; ++I)
      G.D1 |= static_cast<uint32_t>(Bytes[I]) << (8 * I);
    for (size_t I = 0; I < 2; ++I) {
      G.D2 = static_cast<uint16_t>(G.D2 | Bytes[4 + I] << (8 * I));
      G.D3 = static_cast<uint16_t>(G.D3 | Bytes[6 + I] << (8 * I));
    }
    for (size_t I = 0; I < 8; ++I)
      G.D4[I] = Bytes[8 + I];
    return G;
  }

  // Accepts "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with hexadecimal digits
  // in either case; the braces may be left out. Nothing else is accepted.
  static constexpr std::optional<TZrGuid> Parse(std::string_view Text)
  {
    if (Text.size() == 38) {
      if (Text.front() != '{' || Text.back() != '}')
        return std::nullopt;
      Text = Text.substr(1, 36);
    }
    if (Text.size() != 36)
      return std::nullopt;
    for (size_t Dash : {size_t{8}, size_t{13}, size_t{18}, size_t{23}})
      if (Text[Dash] != '-')
        return std::nullopt;
    // Where the two hex digits of each byte begin, in reading order.
    constexpr size_t Start[16] = {0, 2, 4, 6, 9, 11, 14, 16, 19, 21, 24, 26, 28, 30, 32, 34};
    uint8_t Read[16] = {};
    for (size_t I = 0; I < 16; ++I) {
      const int High = HexValue(Text[Start[I]]);
      const int Low = HexValue(Text[Start[I] + 1]);
      if (High < 0 || Low < 0)
        return std::nullopt;
      Read[I] = static_cast<uint8_t>(High * 16 + Low);
    }
    TZrGuid G;
    G.D1 = static_cast<uint32_t>(Read[0]) << 24 | static_cast<uint32_t>(Read[1]) << 16 |
           static_cast<uint32_t>(Read[2]) << 8 | Read[3];
    G.D2 = static_cast<uint16_t>(Read[4] << 8 | Read[5]);
    G.D3 = static_cast<uint16_t>(Read[6] << 8 | Read[7]);
    for (size_t I = 0; I < 8; ++I)
      G.D4[I] = Read[8 + I];
    return G;
  }

  // For identifiers written in the source: a malformed text is a compile
  // error in a constant expression and std::invalid_argument otherwise.
  static constexpr TZrGuid FromString(std::string_view Text)
  {
    const std::optional<TZrGuid> G = Parse(Text);
    if (!G)
      throw std::invalid_argument("Malformed GUID");
    return *G;
  }

  // "{8E85B1DA-44F0-4B60-B45D-21D0EBC05E33}", upper case.
  std::string ToString() const;

  friend constexpr bool operator==(const TZrGuid &, const TZrGuid &) = default;

private:
  static constexpr int HexValue(char C)
  {
    if (C >= '0' && C <= '9')
      return C - '0';
    if (C >= 'a' && C <= 'f')
      return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
      return C - 'A' + 10;
    return -1;
  }
};

} // namespace facette
