#include "framework/ZrStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace facette {
namespace {

namespace fs = std::filesystem;

TEST(MemoryStream, ReadsShortAtTheEndAndFillsGapsWithZeros)
{
  TZrMemoryStream S;
  S.Write("abc", 3);
  EXPECT_EQ(S.Position(), 3);
  ASSERT_TRUE(S.Seek(5));
  S.Write("z", 1);
  EXPECT_EQ(S.Bytes(), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 'z'}));

  char Buffer[8] = {};
  ASSERT_TRUE(S.Seek(4));
  EXPECT_EQ(S.Read(Buffer, sizeof Buffer), 2u);
  EXPECT_EQ(Buffer[1], 'z');
  ASSERT_TRUE(S.Seek(100));
  EXPECT_EQ(S.Read(Buffer, 1), 0u);
  EXPECT_FALSE(S.Seek(-1));
  EXPECT_EQ(S.Position(), 100);
}

class FileStream : public ::testing::Test
{
protected:
  void SetUp() override
  {
    Dir = fs::path(::testing::TempDir()) / ("facette-stream-" + std::to_string(getpid()));
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }

  fs::path Dir;
};

TEST_F(FileStream, WritesReadsBackAndReopens)
{
  const fs::path Name = Dir / "data.bin";
  {
    TZrFileStream S(Name, TZrFileMode::Create);
    S.Write("hello", 5);
    // Size counts what is still in the library's buffer.
    EXPECT_EQ(S.Size(), 5);
    ASSERT_TRUE(S.Seek(1));
    char Two[2];
    ASSERT_TRUE(S.ReadExact(Two, 2));
    EXPECT_EQ(std::string(Two, 2), "el");
    // Switching from reading to writing in place.
    S.Write("XY", 2);
    S.Close();
    EXPECT_EQ(S.Size(), -1);
    EXPECT_EQ(S.Read(Two, 1), 0u);
    EXPECT_THROW(S.Write("a", 1), EZrStreamError);
  }
  TZrFileStream S(Name, TZrFileMode::Read);
  EXPECT_EQ(S.Size(), 5);
  char All[6] = {};
  EXPECT_EQ(S.Read(All, 6), 5u);
  EXPECT_STREQ(All, "helXY");
  EXPECT_THROW(S.Write("a", 1), EZrStreamError);
}

TEST_F(FileStream, OpeningFailuresThrowWithTheFileName)
{
  const fs::path Missing = Dir / "missing.cfg";
  try {
    TZrFileStream S(Missing, TZrFileMode::Read);
    FAIL() << "opened a missing file";
  } catch (const EZrStreamError &E) {
    EXPECT_NE(std::string(E.what()).find("missing.cfg"), std::string::npos);
  }
  EXPECT_THROW(TZrFileStream(Dir, TZrFileMode::Read), EZrStreamError);
  EXPECT_THROW(TZrFileStream(Dir / "no" / "such.cfg", TZrFileMode::Create), EZrStreamError);
}

TEST_F(FileStream, CloseReportsDataThatCouldNotBeWritten)
{
  if (!fs::exists("/dev/full"))
    GTEST_SKIP() << "no /dev/full";
  TZrFileStream S("/dev/full", TZrFileMode::Create);
  // Small writes only reach the buffer; the failure shows when it is flushed.
  try {
    S.Write("settings", 8);
  } catch (const EZrStreamError &) {
  }
  EXPECT_THROW(S.Close(), EZrStreamError);
}

} // namespace
} // namespace facette
