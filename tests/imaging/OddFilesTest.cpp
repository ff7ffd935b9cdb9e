// Files as they turn up in the wild (tests/data/odd, see its README): what
// each must open as, or why it is refused, on the paths the editor and
// facette-cli take.
#include "ImageTestSupport.h"
#include "imaging/ZrGraphicsFormats.h"
#include "imaging/ZrImageCodecs.h"

#include <gtest/gtest.h>

#include <lcms2.h>
#include <png.h>
#include <sys/stat.h>

namespace facette {
namespace {

using P = TZrImageProblem;

// A refusal, or (Problem None) the pixels as test::PixelsAsText writes them.
struct TCase
{
  const char *File;
  TZrImageProblem Problem;
  const char *Expected; // the pixels, or a part of the reason
};

TZrLoadReport Load(const std::vector<uint8_t> &Bytes, TZrGraphicsImage &Image,
                   const TZrLoadOptions &Options = {}, bool UseLosslessJPEG = true)
{
  TZrGraphicsFormats Formats;
  Formats.UseLosslessJPEG = UseLosslessJPEG;
  int32_t Format = -2;
  TZrLoadReport Report;
  std::string Error;
  const bool Ok = Formats.LoadImageData(Image, Bytes, Format, Options, &Error, &Report);
  EXPECT_EQ(Image.Empty(), !Ok);
  // A partial picture opens, with a warning; nothing else opens with a
  // problem.
  if (Ok && Report.Problem == P::Damaged) {
    EXPECT_TRUE(Options.AcceptPartial);
    EXPECT_EQ(Error.rfind("warning: ", 0), 0u) << Error;
  } else {
    EXPECT_EQ(Ok, Report.Problem == P::None);
    EXPECT_EQ(Error, DescribeLoadProblem(Report));
  }
  return Report;
}

void Check(const TCase &C, const std::vector<uint8_t> &Bytes)
{
  TZrGraphicsImage Image;
  const TZrLoadReport Report = Load(Bytes, Image);
  EXPECT_EQ(Report.Problem, C.Problem);
  if (C.Problem == P::None)
    EXPECT_EQ(test::PixelsAsText(Image.Image), C.Expected);
  else
    EXPECT_NE(Report.Reason.find(C.Expected), std::string::npos) << Report.Reason;
}

void CheckFiles(std::initializer_list<TCase> Cases)
{
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.File);
    Check(C, test::FileBytes(test::OddFile(C.File)));
  }
}

// A file cut anywhere after its header is damaged, never scrambled.
void CheckCuts(const char *File, std::initializer_list<size_t> Removed)
{
  const auto Whole = test::FileBytes(test::OddFile(File));
  for (const size_t Cut : Removed) {
    SCOPED_TRACE(std::string(File) + " less " + std::to_string(Cut) + " bytes");
    Check({File, P::Damaged, ""}, std::vector<uint8_t>(Whole.begin(), Whole.end() - Cut));
  }
}

TEST(OddFiles, JPEG)
{
  // Whole: the same picture as the file they were made from. Partial: the
  // editor's load takes it with a warning.
  struct TJpegCase
  {
    const char *File;
    TZrImageProblem Problem;
    const char *Reason;
    bool Partial;
  };
  const TJpegCase Cases[] = {
      {"jpeg-stray-bytes.jpg", P::None, "", false},
      {"jpeg-app14-cut-short.jpg", P::None, "", false},
      {"jpeg-ff00-between-segments.jpg", P::None, "", false},
      {"jpeg-bad-exif.jpg", P::None, "", false},
      {"jpeg-cut.jpg", P::Damaged, "", true},
      {"jpeg-cut-with-end-marker.jpg", P::Damaged, "", true},
      {"jpeg-cut-after-header.jpg", P::Damaged, "", false},
      {"jpeg-12-bit.jpg", P::Unsupported, "12-bit JPEG", false},
      {"jpeg-lossless.jpg", P::Unsupported, "lossless JPEG", false},
  };
  TZrGraphicsImage Base;
  ASSERT_EQ(Load(test::FileBytes(test::OddFile("jpeg-base.jpg")), Base).Problem, P::None);
  const std::string BaseText = test::PixelsAsText(Base.Image);
  for (const TJpegCase &C : Cases) {
    const auto Bytes = test::FileBytes(test::OddFile(C.File));
    // Through the lossless object or the decoder alone, and without
    // decoding the pixels as facette-cli opens files: the same answer.
    for (const bool Lossless : {true, false}) {
      for (const bool Defer : {false, true}) {
        SCOPED_TRACE(std::string(C.File) + (Lossless ? " lossless" : " decoder") +
                     (Defer ? " deferred" : ""));
        TZrLoadOptions Options;
        Options.DeferJPEGPixels = Defer;
        TZrGraphicsImage Image;
        const TZrLoadReport Report = Load(Bytes, Image, Options, Lossless);
        EXPECT_EQ(Report.Problem, C.Problem);
        EXPECT_NE(Report.Reason.find(C.Reason), std::string::npos) << Report.Reason;
        if (Report.Problem == P::None) {
          ASSERT_TRUE(Image.EnsurePixels());
          EXPECT_EQ(test::PixelsAsText(Image.Image), BaseText);
        }
      }
    }
    SCOPED_TRACE(std::string(C.File) + " partial");
    TZrLoadOptions Options;
    Options.AcceptPartial = true;
    TZrGraphicsImage Image;
    const TZrLoadReport Report = Load(Bytes, Image, Options);
    if (!C.Partial) {
      EXPECT_EQ(Report.Problem, C.Problem);
      continue;
    }
    // Opened, never as a clean success: the top is the picture, the part
    // that is missing is flat grey.
    ASSERT_TRUE(!Image.Empty());
    EXPECT_EQ(Report.Problem, P::Damaged);
    const TZrPixels &Got = *Image.Image.GetPixels();
    EXPECT_EQ(std::memcmp(Got.PixelPtr(0, 0), Base.Image.GetPixels()->PixelPtr(0, 0), 32 * 3), 0);
    const uint8_t *Last = Got.PixelPtr(0, Got.Height - 1);
    EXPECT_TRUE(std::all_of(Last, Last + Got.Width * 3, [](uint8_t V) { return V == 128; }));
  }
}

TEST(OddFiles, TIFF)
{
  CheckFiles({
      {"tiff-bigtiff.tif", P::None, "0000FF 00FF00 FF0000 FFFFFF|0000FF 00FF00 FF0000 FFFFFF"},
      // Converted with colour management: white stays white, L* 50 is
      // sRGB 119, and red comes back as red.
      {"tiff-cielab.tif", P::None, "FFFFFF 000000 777777 0000FF"},
      {"tiff-grey12.tif", P::None, "000000 808080 FFFFFF 101010"},
      {"tiff-grey12-alpha.tif", P::None, "000000 7F7F7F FFFFFF"},
      {"tiff-grey4-alpha.tif", P::None, "000000 777777 FFFFFF"},
      {"tiff-rows-per-strip-overflow.tif", P::Damaged, ""},
      {"tiff-huge-claim.tif", P::Damaged, ""},
      {"tiff-float32.tif", P::Unsupported, "32-bit floating-point grey"},
      {"tiff-int32.tif", P::Unsupported, "can not handle images with 32-bit samples"},
      {"tiff-cmyk16.tif", P::Unsupported, "16-bit CMYK"},
  });
  CheckCuts("tiff-bigtiff.tif", {1, 20, 100});

  // Tiles, with partial ones at the right and bottom edges.
  TZrGraphicsImage Tiled;
  ASSERT_EQ(Load(test::FileBytes(test::OddFile("tiff-tiled.tif")), Tiled).Problem, P::None);
  const TZrPixels &Got = *Tiled.Image.GetPixels();
  ASSERT_EQ(Got.Width, 20);
  ASSERT_EQ(Got.Height, 18);
  for (int32_t Y = 0; Y < Got.Height; ++Y)
    for (int32_t X = 0; X < Got.Width; ++X)
      ASSERT_EQ(Got.PixelPtr(X, Y)[1], X * 12 + Y) << X << ", " << Y;
}

TEST(OddFiles, BMP)
{
  CheckFiles({
      // Top row first: half-transparent blue and white, then opaque red
      // and a transparent pixel, laid over white as PNG and TIFF are.
      {"bmp-alpha32.bmp", P::None, "FF7F7F FFFFFF|0000FF FFFFFF"},
      {"bmp-alpha-unused.bmp", P::None, "FF0000 FFFFFF|0000FF 00FF00"},
      {"bmp-alpha16.bmp", P::None, "0000FF FFFFFF"},
      {"bmp-2bit.bmp", P::Unsupported, "2 bits per pixel"},
      {"bmp-embedded-jpeg.bmp", P::Unsupported, "embedded JPEG"},
      {"bmp-embedded-png.bmp", P::Unsupported, "embedded PNG"},
      {"bmp-huge-claim.bmp", P::Damaged, ""},
  });
  CheckCuts("bmp-alpha32.bmp", {1, 8});
}

TEST(OddFiles, PNG)
{
  CheckFiles({
      {"png-too-wide.png", P::TooLarge, ""},
      {"png-huge-claim.png", P::Damaged, ""},
  });
  CheckCuts("png-too-wide.png", {1, 20});
}

// The profile name and profile of a PNG file's iCCP chunk, as libpng reads
// it; a chunk without a valid name is dropped.
bool ReadICC(const std::vector<uint8_t> &Png, std::string &Name, std::vector<uint8_t> &Profile)
{
  png_structp Read = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop Info = png_create_info_struct(Read);
  struct TSource
  {
    const std::vector<uint8_t> *Bytes;
    size_t Pos;
  } Source{&Png, 0};
  png_set_read_fn(Read, &Source, [](png_structp P, png_bytep Out, png_size_t Length) {
    auto *S = static_cast<TSource *>(png_get_io_ptr(P));
    if (Length > S->Bytes->size() - S->Pos)
      png_error(P, "truncated");
    std::memcpy(Out, S->Bytes->data() + S->Pos, Length);
    S->Pos += Length;
  });
  bool Found = false;
  if (!setjmp(png_jmpbuf(Read))) {
    png_read_info(Read, Info);
    png_charp ProfileName = nullptr;
    png_bytep Data = nullptr;
    png_uint_32 Length = 0;
    int Compression = 0;
    if (png_get_iCCP(Read, Info, &ProfileName, &Compression, &Data, &Length)) {
      Name = ProfileName;
      Profile.assign(Data, Data + Length);
      Found = true;
    }
  }
  png_destroy_read_struct(&Read, &Info, nullptr);
  return Found;
}

TEST(OddFiles, PNGOutputKeepsTheICCProfileUnderAValidName)
{
  // An sRGB profile from Little CMS, carried in by a JPEG's APP2 segment.
  cmsHPROFILE Srgb = cmsCreate_sRGBProfile();
  cmsUInt32Number Length = 0;
  ASSERT_TRUE(cmsSaveProfileToMem(Srgb, nullptr, &Length));
  std::vector<uint8_t> Profile(Length);
  ASSERT_TRUE(cmsSaveProfileToMem(Srgb, Profile.data(), &Length));
  cmsCloseProfile(Srgb);
  auto Jpeg = test::FileBytes(test::OddFile("jpeg-base.jpg"));
  std::vector<uint8_t> App2 = {0xFF, 0xE2, 0, 0};
  const std::string Tag = "ICC_PROFILE";
  App2.insert(App2.end(), Tag.begin(), Tag.end());
  App2.insert(App2.end(), {0, 1, 1});
  App2.insert(App2.end(), Profile.begin(), Profile.end());
  App2[2] = static_cast<uint8_t>((App2.size() - 2) >> 8);
  App2[3] = static_cast<uint8_t>(App2.size() - 2);
  Jpeg.insert(Jpeg.begin() + 2, App2.begin(), App2.end());

  TZrGraphicsFormats Formats;
  TZrGraphicsImage Image;
  int32_t Format;
  ASSERT_TRUE(Formats.LoadImageData(Image, Jpeg, Format));
  ASSERT_TRUE(Image.Properties.HasIccProfile());
  std::vector<uint8_t> Png;
  std::string Error;
  ASSERT_TRUE(Formats.EncodeImage(Image, gfPNG, Png, &Error)) << Error;
  EXPECT_TRUE(Error.empty()) << Error;
  std::string Name;
  std::vector<uint8_t> Read;
  ASSERT_TRUE(ReadICC(Png, Name, Read));
  EXPECT_FALSE(Name.empty());
  EXPECT_EQ(Read, Profile);
}

class NotImages : public test::TScratchTest
{};

TEST_F(NotImages, AreRefusedWithTheirReasonAndNeverWaitedOn)
{
  std::filesystem::create_directory(File("folder"));
  ASSERT_EQ(::mkfifo(File("pipe").c_str(), 0600), 0);
  test::WriteBytes(File("x.gif"), {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B});
  const std::pair<const char *, TZrLoadReport> Cases[] = {
      {"missing.jpg", {P::Missing, ""}},
      {"folder", {P::Unreadable, "a folder, not a file"}},
      // Opening a named pipe to read waits for a writer, forever here.
      {"pipe", {P::Unreadable, "not a regular file"}},
      {"x.gif", {P::Unsupported, ""}},
  };
  TZrGraphicsFormats Formats;
  for (const auto &[Name, Expected] : Cases) {
    SCOPED_TRACE(Name);
    TZrGraphicsImage Image;
    int32_t Format;
    TZrLoadReport Report;
    EXPECT_FALSE(Formats.LoadImage(Image, File(Name), Format, {}, nullptr, &Report));
    EXPECT_EQ(Report.Problem, Expected.Problem);
    EXPECT_EQ(Report.Reason, Expected.Reason);
  }
}

} // namespace
} // namespace facette
