#include "framework/ZrGuid.h"

#include <gtest/gtest.h>

#include <vector>

namespace facette {
namespace {

constexpr TZrGuid ModuleGuid = TZrGuid::FromString("{8E85B1DA-44F0-4B60-B45D-21D0EBC05E33}");
static_assert(ModuleGuid.D1 == 0x8E85B1DA && ModuleGuid.D2 == 0x44F0 && ModuleGuid.D3 == 0x4B60);
static_assert(ModuleGuid.D4[0] == 0xB4 && ModuleGuid.D4[7] == 0x33);

TEST(Guid, BinaryFormHasLittleEndianLeadingFields)
{
  const TZrGuid::TBytes Expected = {0xDA, 0xB1, 0x85, 0x8E, 0xF0, 0x44, 0x60, 0x4B,
                                    0xB4, 0x5D, 0x21, 0xD0, 0xEB, 0xC0, 0x5E, 0x33};
  EXPECT_EQ(ModuleGuid.ToBytes(), Expected);
  EXPECT_EQ(TZrGuid::FromBytes(Expected.data()), ModuleGuid);
}

TEST(Guid, TextRoundTripsAndParsesLeniently)
{
  EXPECT_EQ(ModuleGuid.ToString(), "{8E85B1DA-44F0-4B60-B45D-21D0EBC05E33}");
  EXPECT_EQ(TZrGuid::Parse("{8e85b1da-44f0-4b60-b45d-21d0ebc05e33}"), ModuleGuid);
  EXPECT_EQ(TZrGuid::Parse("8E85B1DA-44F0-4B60-B45D-21D0EBC05E33"), ModuleGuid);
  EXPECT_EQ(TZrGuid{}.ToString(), "{00000000-0000-0000-0000-000000000000}");
  EXPECT_TRUE(TZrGuid{}.IsNull());
  EXPECT_FALSE(ModuleGuid.IsNull());
}

TEST(Guid, RejectsMalformedText)
{
  const std::vector<const char *> Bad = {
      "",
      "{8E85B1DA-44F0-4B60-B45D-21D0EBC05E33",  // brace missing
      "8E85B1DA-44F0-4B60-B45D-21D0EBC05E33}",  // brace missing
      "(8E85B1DA-44F0-4B60-B45D-21D0EBC05E33)", // wrong brackets
      "{8E85B1DA-44F0-4B60-B45D-21D0EBC05E3}",  // digit missing
      "{8E85B1DA-44F0-4B60+B45D-21D0EBC05E33}", // wrong separator
      "{8E85B1DA-44F0-4B60-B45D-21D0EBC05G33}", // not a hex digit
      "{8E85B1DA44F0-4B60-B45D-21D0EBC05E33-}", // dash moved
  };
  for (const char *Text : Bad) {
    EXPECT_FALSE(TZrGuid::Parse(Text)) << Text;
    EXPECT_THROW(TZrGuid::FromString(Text), std::invalid_argument) << Text;
  }
}

} // namespace
} // namespace facette
