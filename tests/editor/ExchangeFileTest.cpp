// The plug-in exchange file through a graphics document (format -1), the
// headers that must be refused, the metadata trailer, and the file mapping
// both sides use.
#include "editor/ZrExchangeFile.h"
#include "editor/ZrExchangeFormat.h"
#include "editor/ZrFileMapping.h"

#include "editor/GraphicsTestSupport.h"
#include "editor/ZrDocumentImageFormats.h"
#include "imaging/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace facette {
namespace {

using namespace facette::test;

void PutInt(std::vector<uint8_t> &Bytes, size_t Offset, int32_t Value)
{
  const uint32_t V = static_cast<uint32_t>(Value);
  for (int I = 0; I < 4; ++I)
    Bytes[Offset + I] = static_cast<uint8_t>(V >> (8 * I));
}

int32_t GetInt(const std::vector<uint8_t> &Bytes, size_t Offset)
{
  uint32_t V = 0;
  for (int I = 0; I < 4; ++I)
    V |= uint32_t{Bytes[Offset + I]} << (8 * I);
  return static_cast<int32_t>(V);
}

// An exchange file as a host's plug-in writes it: pixel x of row y holds
// red, green, blue = Code(x, y, 0..2), further planes 0xEE, the bytes after
// the last pixel of a row 0xDD.
std::vector<uint8_t> HostFile(int32_t Width, int32_t Height, int32_t Stride, int32_t Step,
                              int32_t Left = 7, int32_t Top = 9)
{
  std::vector<uint8_t> Bytes(36 + static_cast<size_t>(Height) * Stride, 0xDD);
  std::memcpy(Bytes.data(), "PSPF", 4);
  const int32_t Fields[8] = {32, 3, Left, Top, Width, Height, Stride, Step};
  for (int I = 0; I < 8; ++I)
    PutInt(Bytes, 4 + 4 * I, Fields[I]);
  for (int32_t Y = 0; Y < Height; ++Y)
    for (int32_t X = 0; X < Width; ++X)
      for (int32_t C = 0; C < Step; ++C)
        Bytes[36 + static_cast<size_t>(Y) * Stride + X * Step + C] = C < 3 ? Code(X, Y, C) : 0xEE;
  return Bytes;
}

// A TIFF-structured EXIF block naming the camera maker "Canon", padded
// with zeros to Size bytes.
std::vector<uint8_t> ExifBlock(size_t Size)
{
  static const uint8_t Make[32] = {
      'I',  'I',  42,  0,   8,   0, 0, 0,              // header, first directory at 8
      1,    0,                                         // one entry
      0x0F, 0x01, 2,   0,   6,   0, 0, 0, 26, 0, 0, 0, // Make, ASCII, 6 bytes at 26
      0,    0,    0,   0,                              // no next directory
      'C',  'a',  'n', 'o', 'n', 0};
  std::vector<uint8_t> Block(std::max(Size, sizeof Make), 0);
  std::memcpy(Block.data(), Make, sizeof Make);
  return Block;
}

void AppendTrailer(std::vector<uint8_t> &File, const std::vector<uint8_t> &Exif,
                   int32_t StatedLength)
{
  const size_t At = File.size();
  File.resize(At + 8);
  std::memcpy(File.data() + At, "EXIF", 4);
  PutInt(File, At + 4, StatedLength);
  File.insert(File.end(), Exif.begin(), Exif.end());
}

class TImageEditor : public TFakeEditor
{
public:
  TZrDocumentImageFormats Images;
  TZrDocumentFormats &Formats() override { return Images; }
};

class ExchangeFileTest : public testing::Test
{
protected:
  void SetUp() override
  {
    Folder =
        std::filesystem::temp_directory_path() / ("facette-exchange-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Folder);
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }

  std::filesystem::path Write(const std::vector<uint8_t> &Bytes, const char *Name = "PSPF1.tmp")
  {
    WriteBytes(Folder / Name, Bytes);
    return Folder / Name;
  }

  std::filesystem::path Folder;
  TImageEditor Editor;
  TFakeHost Host;
  TZrGraphicsDocument Doc{Editor, &Host};
};

void ExpectCodedPixels(const TZrPixels &P, int32_t Width, int32_t Height)
{
  ASSERT_EQ(P.GetBounds(), MakeRect(0, 0, Width, Height));
  for (int32_t Y = 0; Y < Height; ++Y)
    for (int32_t X = 0; X < Width; ++X) {
      const uint8_t *Pixel = P.PixelPtr(X, Y); // blue, green, red
      ASSERT_EQ(Pixel[0], Code(X, Y, 2)) << X << "," << Y;
      ASSERT_EQ(Pixel[1], Code(X, Y, 1)) << X << "," << Y;
      ASSERT_EQ(Pixel[2], Code(X, Y, 0)) << X << "," << Y;
    }
}

TEST_F(ExchangeFileTest, AHostFileOpensAsFormatMinusOneAndIsWrittenBackInPlace)
{
  // 3 x 2 with stride 12 and step 3, and with four interleaved planes.
  for (const int32_t Step : {3, 4}) {
    SCOPED_TRACE(Step);
    const std::filesystem::path File = Write(HostFile(3, 2, 12 + 4 * (Step - 3), Step));
    ASSERT_TRUE(Doc.LoadFromFile(File)) << Editor.Images.LastError;
    EXPECT_EQ(Doc.Format, gfExchange);
    ExpectCodedPixels(*Doc.ImagePixels(), 3, 2);
    EXPECT_EQ(Doc.FileName, File);

    Paint(*Doc.ImagePixels(), MakeRect(1, 1, 2, 2), 200);
    ASSERT_TRUE(Doc.Save()) << Editor.Images.LastError;
    const std::vector<uint8_t> Saved = FileBytes(File);
    ASSERT_EQ(Saved.size(), 60u); // 36 + 2 rows of 12 bytes
    EXPECT_EQ(0, std::memcmp(Saved.data(), "PSPF", 4));
    const int32_t Header[8] = {32, 3, 0, 0, 3, 2, 12, 3};
    for (int I = 0; I < 8; ++I)
      EXPECT_EQ(GetInt(Saved, 4 + 4 * I), Header[I]) << "field " << I;
    for (int32_t Y = 0; Y < 2; ++Y)
      for (int32_t X = 0; X < 3; ++X)
        for (int C = 0; C < 3; ++C)
          EXPECT_EQ(Saved[36 + Y * 12 + X * 3 + C], X == 1 && Y == 1 ? 200 : Code(X, Y, C));
  }
}

TEST_F(ExchangeFileTest, TheTrailerCarriesMetadataOnlyPastTheThreshold)
{
  struct Case
  {
    const char *Name;
    size_t ExifSize;   // bytes of EXIF data after "EXIF" and the length
    const char *Begin; // the trailer's first four bytes
    const char *Make;  // the camera maker the document then knows
  } Cases[] = {
      // 8 + 488 = 496 bytes after the rows: not looked at.
      {"496 bytes", 488, "EXIF", ""},
      {"497 bytes", 489, "EXIF", "Canon"},
      {"a long trailer", 4000, "EXIF", "Canon"},
      {"another signature", 4000, "XMP ", ""},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    std::vector<uint8_t> Bytes = HostFile(4, 3, 12, 3);
    AppendTrailer(Bytes, ExifBlock(C.ExifSize), static_cast<int32_t>(C.ExifSize));
    std::memcpy(Bytes.data() + 36 + 36, C.Begin, 4);
    ASSERT_TRUE(Doc.LoadFromFile(Write(Bytes))) << Editor.Images.LastError;
    ExpectCodedPixels(*Doc.ImagePixels(), 4, 3);
    const auto *Properties = dynamic_cast<const TZrGraphicsDocumentProperties *>(Doc.Properties());
    ASSERT_NE(Properties, nullptr);
    EXPECT_EQ(Properties->ExifText(exifMake), C.Make);
  }
}

TEST_F(ExchangeFileTest, ATrailerThatCannotBeDecodedIsIgnored)
{
  std::vector<uint8_t> Bytes = HostFile(4, 3, 12, 3);
  AppendTrailer(Bytes, std::vector<uint8_t>(600, 0x5A), 600);
  ASSERT_TRUE(Doc.LoadFromFile(Write(Bytes))) << Editor.Images.LastError;
  ExpectCodedPixels(*Doc.ImagePixels(), 4, 3);
}

// Every size in the header is checked against the file before a row is
// read; run under AddressSanitizer this also shows that nothing past the
// end of the mapping is touched.
TEST_F(ExchangeFileTest, HeadersThatDoNotFitTheFileAreRefused)
{
  struct Case
  {
    const char *Name;
    size_t Offset; // of the field to change, or of the byte to cut at
    int32_t Value;
    TExchangeStatus Expected;
  } Cases[] = {
      {"header size below 32", 4, 28, TExchangeStatus::BadHeaderSize},
      {"header size past the end", 4, 0x7FFFFFF0, TExchangeStatus::BadHeaderSize},
      {"header size negative", 4, -8, TExchangeStatus::BadHeaderSize},
      {"width zero", 20, 0, TExchangeStatus::BadSize},
      {"width negative", 20, -3, TExchangeStatus::BadSize},
      {"width too large", 20, 65501, TExchangeStatus::BadSize},
      {"height zero", 24, 0, TExchangeStatus::BadSize},
      {"height negative", 24, -2, TExchangeStatus::BadSize},
      {"height too large", 24, 0x40000000, TExchangeStatus::BadSize},
      {"stride zero", 28, 0, TExchangeStatus::BadStride},
      {"stride negative", 28, -12, TExchangeStatus::BadStride},
      {"stride below width times step", 28, 8, TExchangeStatus::BadStride},
      {"stride too large for the file", 28, 0x7FFFFFFF, TExchangeStatus::Truncated},
      {"pixel step zero", 32, 0, TExchangeStatus::BadPixelStep},
      {"pixel step negative", 32, -3, TExchangeStatus::BadPixelStep},
      {"pixel step below 3", 32, 2, TExchangeStatus::BadPixelStep},
      {"pixel step too large", 32, 65, TExchangeStatus::BadPixelStep},
      {"height past the rows", 24, 3, TExchangeStatus::Truncated},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    std::vector<uint8_t> Bytes = HostFile(3, 2, 12, 3);
    PutInt(Bytes, C.Offset, C.Value);
    TExchangeHeader Header;
    EXPECT_EQ(CheckExchangeFile(Bytes.data(), Bytes.size(), Header), C.Expected);
    EXPECT_FALSE(Doc.LoadFromFile(Write(Bytes)));
    EXPECT_TRUE(Editor.Images.LastRefusedExchange);
    EXPECT_EQ(Editor.Images.LastError, ExchangeStatusText(C.Expected));
    EXPECT_FALSE(Doc.HasImage());
  }
}

TEST_F(ExchangeFileTest, ShortFilesAndBadTrailersAreRefused)
{
  const std::vector<uint8_t> Whole = HostFile(3, 2, 12, 3);
  struct Case
  {
    const char *Name;
    std::vector<uint8_t> Bytes;
    TExchangeStatus Expected;
  } Cases[] = {
      {"the signature alone", {'P', 'S', 'P', 'F'}, TExchangeStatus::BadHeaderSize},
      {"half a header", std::vector<uint8_t>(Whole.begin(), Whole.begin() + 20),
       TExchangeStatus::BadHeaderSize},
      {"the last row one byte short", std::vector<uint8_t>(Whole.begin(), Whole.end() - 1),
       TExchangeStatus::Truncated},
      {"no rows at all", std::vector<uint8_t>(Whole.begin(), Whole.begin() + 36),
       TExchangeStatus::Truncated},
  };
  std::vector<uint8_t> PastTheEnd = Whole, Negative = Whole;
  AppendTrailer(PastTheEnd, ExifBlock(600), 601);
  AppendTrailer(Negative, ExifBlock(600), -1);
  for (Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    TExchangeHeader Header;
    EXPECT_EQ(CheckExchangeFile(C.Bytes.data(), C.Bytes.size(), Header), C.Expected);
    EXPECT_FALSE(Doc.LoadFromFile(Write(C.Bytes)));
    EXPECT_TRUE(Editor.Images.LastRefusedExchange);
  }
  for (const std::vector<uint8_t> *Bytes : {&PastTheEnd, &Negative}) {
    TExchangeHeader Header;
    EXPECT_EQ(CheckExchangeFile(Bytes->data(), Bytes->size(), Header), TExchangeStatus::BadTrailer);
    EXPECT_FALSE(Doc.LoadFromFile(Write(*Bytes)));
  }
}

TEST_F(ExchangeFileTest, OnlyRGBFilesWithTheSignatureAreTaken)
{
  std::vector<uint8_t> Gray = HostFile(3, 2, 12, 3);
  PutInt(Gray, 8, 1);
  TExchangeHeader Header;
  EXPECT_EQ(CheckExchangeFile(Gray.data(), Gray.size(), Header), TExchangeStatus::NotRGB);
  EXPECT_FALSE(Doc.LoadFromFile(Write(Gray)));
  EXPECT_FALSE(Doc.HasImage());

  std::vector<uint8_t> Other = HostFile(3, 2, 12, 3);
  Other[0] = 'Q';
  EXPECT_EQ(CheckExchangeFile(Other.data(), Other.size(), Header), TExchangeStatus::NotExchange);
  EXPECT_FALSE(Doc.LoadFromFile(Write(Other)));
  EXPECT_FALSE(Editor.Images.LastRefusedExchange);
}

TEST_F(ExchangeFileTest, AFailedWriteReportsFailure)
{
  ASSERT_TRUE(Doc.LoadFromFile(Write(HostFile(3, 2, 12, 3))));
  // The folder the file was in has gone.
  std::filesystem::remove_all(Folder);
  EXPECT_FALSE(Doc.Save());
  EXPECT_FALSE(Editor.Images.LastError.empty());
  EXPECT_FALSE(std::filesystem::exists(Folder));
}

TEST_F(ExchangeFileTest, TheFileMappingMapsResizesAndRefusesWhatItMayNot)
{
  const std::filesystem::path Name = Folder / "mapped";
  {
    TFileMapping File(Name);
    ASSERT_TRUE(File.IsOpen());
    EXPECT_EQ(File.Size(), 0u);
    EXPECT_EQ(File.MapView(), nullptr); // nothing to map yet
    ASSERT_TRUE(File.SetSize(10000));
    uint8_t *All = File.MapView(0, 0, TMapAccess::ReadWrite);
    ASSERT_NE(All, nullptr);
    for (int I = 0; I < 10000; ++I)
      All[I] = static_cast<uint8_t>(I % 251);
    // A view from an offset that is not page aligned.
    const uint8_t *Part = File.MapView(5000, 10, TMapAccess::Read);
    ASSERT_NE(Part, nullptr);
    EXPECT_EQ(Part[0], 5000 % 251);
    EXPECT_FALSE(File.SetSize(20)); // views are still mapped
    File.UnmapView(Part);
    File.UnmapView(All);
    EXPECT_EQ(File.MapView(10000), nullptr); // past the end
    ASSERT_TRUE(File.SetSize(20));
    EXPECT_EQ(File.Size(), 20u);
  }
  EXPECT_EQ(std::filesystem::file_size(Name), 20u);
  {
    TFileMapping File(Name, TMapAccess::Read);
    ASSERT_TRUE(File.IsOpen());
    EXPECT_EQ(File.MapView(0, 0, TMapAccess::ReadWrite), nullptr);
    EXPECT_FALSE(File.SetSize(40));
    const uint8_t *View = File.MapView();
    ASSERT_NE(View, nullptr);
    EXPECT_EQ(View[19], 19);
  }
  EXPECT_FALSE(TFileMapping(Folder / "missing", TMapAccess::Read).IsOpen());
  EXPECT_FALSE(std::filesystem::exists(Folder / "missing"));
  EXPECT_FALSE(TFileMapping(Folder).IsOpen()); // a folder is no file
}

} // namespace
} // namespace facette
