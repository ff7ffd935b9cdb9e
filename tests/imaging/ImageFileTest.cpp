#include "ImageTestSupport.h"
#include "imaging/ZrImageFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace facette {
namespace {

using test::TScratchTest;

std::vector<uint8_t> Header(const char *AppText, size_t Size)
{
  // SOI, an application marker, its length, then the identifier at byte 6.
  std::vector<uint8_t> Bytes = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
  for (const char *P = AppText; *P; ++P)
    Bytes.push_back(static_cast<uint8_t>(*P));
  Bytes.resize(Size, 0);
  return Bytes;
}

std::vector<uint8_t> Complemented(std::vector<uint8_t> Bytes)
{
  ComplementHeader(Bytes.data(), Bytes.size());
  return Bytes;
}

TEST(ImageFile, ZRIAndJPEGHeaderTests)
{
  struct TCase
  {
    const char *Name;
    std::vector<uint8_t> Bytes;
    bool JPEG, ZRI;
  };
  const TCase Cases[] = {
      {"JFIF, 17 bytes", Header("JFIF", 17), true, false},
      {"Exif, 17 bytes", Header("Exif", 17), true, false},
      {"lower-case jfif", Header("jfif", 40), true, false},
      {"JFIF, exactly 16 bytes", Header("JFIF", 16), false, false},
      {"no JFIF or Exif identifier", Header("XXXX", 40), false, false},
      {"complemented JFIF", Complemented(Header("JFIF", 17)), false, true},
      {"complemented Exif", Complemented(Header("Exif", 300)), false, true},
      {"complemented, only 16 bytes", Complemented(Header("JFIF", 16)), false, false},
      {"empty", {}, false, false},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(IsJPEGHeader(C.Bytes.data(), C.Bytes.size()), C.JPEG);
    EXPECT_EQ(IsZRIHeader(C.Bytes.data(), C.Bytes.size()), C.ZRI);
  }
}

TEST(ImageFile, KindsAreRecognisedByContent)
{
  struct TCase
  {
    std::vector<uint8_t> Bytes;
    TZrImageKind Kind;
  };
  const TCase Cases[] = {
      {Header("JFIF", 40), TZrImageKind::JPEG},
      {Header("XXXX", 8), TZrImageKind::JPEG}, // decoders decide about the rest
      {Complemented(Header("Exif", 40)), TZrImageKind::ZRI},
      {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, TZrImageKind::PNG},
      {{'I', 'I', 42, 0, 8, 0, 0, 0}, TZrImageKind::TIFF},
      {{'M', 'M', 0, 42, 0, 0, 0, 8}, TZrImageKind::TIFF},
      {{'I', 'I', 43, 0, 8, 0, 0, 0}, TZrImageKind::TIFF}, // BigTIFF
      {{'M', 'M', 0, 43, 0, 8, 0, 0}, TZrImageKind::TIFF},
      {{'I', 'I', 44, 0, 8, 0, 0, 0}, TZrImageKind::Unknown},
      {{'B', 'M', 0, 0}, TZrImageKind::BMP},
      {{'P', 'S', 'P', 'F', 32, 0, 0, 0}, TZrImageKind::Exchange},
      {{'G', 'I', 'F', '8', '9', 'a'}, TZrImageKind::Unknown},
      {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'}, TZrImageKind::Unknown},
      {{'P', 'S', 'P'}, TZrImageKind::Unknown},
  };
  for (size_t I = 0; I < std::size(Cases); ++I)
    EXPECT_EQ(SniffImageKind(Cases[I].Bytes.data(), Cases[I].Bytes.size()), Cases[I].Kind)
        << "case " << I;
}

TEST(ImageFile, SizeLimits)
{
  EXPECT_TRUE(ImageSizeAllowed(1, 1));
  EXPECT_TRUE(ImageSizeAllowed(65500, 4096));
  EXPECT_FALSE(ImageSizeAllowed(0, 10));
  EXPECT_FALSE(ImageSizeAllowed(10, -1));
  EXPECT_FALSE(ImageSizeAllowed(65501, 1));     // more than a JPEG file can hold
  EXPECT_FALSE(ImageSizeAllowed(65500, 65500)); // over 2^28 pixels
}

class AtomicWrite : public TScratchTest
{};

TEST_F(AtomicWrite, ReplacesTheFileAndKeepsItsPermissions)
{
  const auto Target = File("a.bin");
  test::WriteBytes(Target, {1, 2, 3});
  ASSERT_EQ(::chmod(Target.c_str(), 0640), 0);
  const std::vector<uint8_t> New(1000, 7);
  ASSERT_TRUE(WriteFileAtomic(Target, New.data(), New.size()));
  EXPECT_EQ(test::FileBytes(Target), New);
  struct stat Info;
  ASSERT_EQ(::stat(Target.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0640u);
  EXPECT_EQ(Listing(), std::vector<std::string>{"a.bin"});
}

TEST_F(AtomicWrite, AFailedWriteLeavesTheOldFileAndNoLitter)
{
  const auto Target = File("keep.bin");
  const std::vector<uint8_t> Old = {9, 8, 7, 6};
  test::WriteBytes(Target, Old);

  // A file size limit makes the write fail half-way, as a full disk would.
  struct rlimit Saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &Saved), 0);
  const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit Small = Saved;
  Small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &Small), 0);
  const std::vector<uint8_t> Big(100000, 1);
  std::string Error;
  const bool Written = WriteFileAtomic(Target, Big.data(), Big.size(), &Error);
  ::setrlimit(RLIMIT_FSIZE, &Saved);
  std::signal(SIGXFSZ, OldHandler);

  EXPECT_FALSE(Written);
  EXPECT_FALSE(Error.empty());
  EXPECT_EQ(test::FileBytes(Target), Old);
  EXPECT_EQ(Listing(), std::vector<std::string>{"keep.bin"});
}

TEST_F(AtomicWrite, NamesUpToTheLimitCanBeWritten)
{
  // The temporary name beside the target is longer than the target's; for
  // names near the 255-byte limit it is cut short instead of failing.
  for (const size_t Length : {size_t{240}, size_t{248}, size_t{255}}) {
    SCOPED_TRACE(Length);
    const auto Target = File(std::string(Length - 4, 'n') + ".png");
    const std::vector<uint8_t> Bytes = {1, 2, 3};
    std::string Error;
    ASSERT_TRUE(WriteFileAtomic(Target, Bytes.data(), Bytes.size(), &Error)) << Error;
    EXPECT_EQ(test::FileBytes(Target), Bytes);
    EXPECT_EQ(Listing(), std::vector<std::string>{Target.filename().string()});
    std::filesystem::remove(Target);
  }
}

TEST_F(AtomicWrite, RefusesWhatCannotBeAFile)
{
  std::filesystem::create_directory(File("dir"));
  const uint8_t Byte = 1;
  EXPECT_FALSE(WriteFileAtomic(File("dir"), &Byte, 1));
  EXPECT_FALSE(WriteFileAtomic(File("missing/x.bin"), &Byte, 1));
  EXPECT_EQ(Listing(), std::vector<std::string>{"dir"});
  EXPECT_TRUE(std::filesystem::is_empty(File("dir")));
}

TEST_F(AtomicWrite, ReadFileBytesRefusesFoldersAndMissingFiles)
{
  std::vector<uint8_t> Bytes = {1};
  EXPECT_FALSE(ReadFileBytes(Folder, Bytes));
  EXPECT_TRUE(Bytes.empty());
  EXPECT_FALSE(ReadFileBytes(File("none"), Bytes));
  test::WriteBytes(File("x"), {4, 5});
  EXPECT_TRUE(ReadFileBytes(File("x"), Bytes));
  EXPECT_EQ(Bytes, (std::vector<uint8_t>{4, 5}));
  EXPECT_FALSE(ReadFileBytes(File("x"), Bytes, 1)); // longer than allowed
}

} // namespace
} // namespace facette
