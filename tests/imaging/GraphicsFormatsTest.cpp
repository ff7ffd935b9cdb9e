#include "ImageTestSupport.h"
#include "imaging/ZrGraphicsFormats.h"
#include "imaging/ZrImageCodecs.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace facette {
namespace {

using test::TScratchTest;

class GraphicsFormats : public TScratchTest
{
protected:
  // A document image of the given size with distinct pixels.
  static void MakeImage(TZrGraphicsImage &Image, int32_t W, int32_t H)
  {
    Image.Clear();
    ASSERT_TRUE(Image.Image.SetSize(W, H, pf24bit));
    test::FillRandom(*Image.Image.GetPixels(), static_cast<uint32_t>(W + H));
  }

  TZrGraphicsFormats Formats;
};

TEST_F(GraphicsFormats, FormatTableAndDialogFilters)
{
  ASSERT_EQ(Formats.Count(), 5);
  const char *Names[] = {"JPEG", "TIFF", "PNG", "BMP", "ZRI"};
  for (int I = 0; I < 5; ++I) {
    ASSERT_NE(Formats.GetFormat(I), nullptr);
    EXPECT_EQ(Formats.GetFormat(I)->Id, I);
    EXPECT_EQ(Formats.GetFormat(I)->Description, Names[I]);
  }
  EXPECT_EQ(Formats.GetFormat(5), nullptr);
  EXPECT_EQ(Formats.GetFormat(-1), nullptr);
  EXPECT_EQ(Formats.GetFormat(3)->Mask, "*.bmp;*.rle;*.dib");

  TZrFileFormatArray Save, Open;
  Formats.GetSaveFormats(Save);
  ASSERT_EQ(Save.size(), 4u); // ZRI is not offered
  EXPECT_EQ(Save[3].DefaultExtension, ".bmp");
  Formats.GetOpenFormats(Open);
  ASSERT_EQ(Open.size(), 7u);
  EXPECT_EQ(Open[5].Mask, "*.jpg;*.jpeg;*.tif;*.tiff;*.png;*.bmp;*.rle;*.dib;*.zri");
  EXPECT_EQ(Open[6].Mask, "*.*");
  EXPECT_TRUE(Formats.CanSave(gfBMP));
}

TEST_F(GraphicsFormats, LosslessFormatsRoundTripThroughFiles)
{
  for (const int32_t Format : {gfTIFF, gfPNG, gfBMP}) {
    SCOPED_TRACE(Format);
    TZrGraphicsImage Image;
    MakeImage(Image, 33, 17);
    const auto Target = File("image" + std::to_string(Format));
    ASSERT_TRUE(Formats.SaveImage(Image, Target, Format));
    TZrGraphicsImage Back;
    int32_t Loaded = -2;
    ASSERT_TRUE(Formats.LoadImage(Back, Target, Loaded));
    EXPECT_EQ(Loaded, Format);
    EXPECT_EQ(Back.Format, Format);
    EXPECT_TRUE(test::SamePixels(*Back.Image.GetPixels(), *Image.Image.GetPixels()));
    EXPECT_EQ(Back.LosslessJPEG, nullptr);
  }
}

TEST_F(GraphicsFormats, OnlyTheCropRectangleIsWritten)
{
  TZrGraphicsImage Image;
  MakeImage(Image, 40, 30);
  Image.SetCropRect(MakeRect(5, 6, 25, 20));
  ASSERT_TRUE(Formats.SaveImage(Image, File("c.png"), gfPNG));
  TZrGraphicsImage Back;
  int32_t Format;
  ASSERT_TRUE(Formats.LoadImage(Back, File("c.png"), Format));
  EXPECT_TRUE(test::SamePixels(*Back.Image.GetPixels(),
                               test::SubWindow(*Image.Image.GetPixels(), Image.CropRect)));
  // The whole image as crop rectangle is no crop at all.
  Image.SetCropRect(MakeRect(-5, 0, 100, 30));
  EXPECT_TRUE(Image.CropRect.IsEmpty());
}

TEST_F(GraphicsFormats, AJPEGOnlyTurnedIsWrittenWithoutRecompression)
{
  TZrGraphicsImage Image;
  int32_t Format = -2;
  ASSERT_TRUE(Formats.LoadImage(Image, test::SampleExifJpeg(), Format));
  EXPECT_EQ(Format, gfJPEG);
  ASSERT_NE(Image.LosslessJPEG, nullptr);
  ASSERT_TRUE(Image.RotateRight());
  std::vector<uint8_t> Bytes;
  bool Lossless = false;
  ASSERT_TRUE(Formats.EncodeImage(Image, gfJPEG, Bytes, nullptr, &Lossless));
  EXPECT_TRUE(Lossless);

  // Turned back in a second document, the pixels are those of the file.
  WriteFileAtomic(File("r.jpg"), Bytes.data(), Bytes.size());
  TZrGraphicsImage Turned;
  ASSERT_TRUE(Formats.LoadImage(Turned, File("r.jpg"), Format));
  ASSERT_TRUE(Turned.RotateLeft());
  ASSERT_TRUE(Formats.SaveImage(Turned, File("back.jpg"), gfJPEG));
  TZrLTBitmap Original, Back;
  const auto A = test::FileBytes(test::SampleExifJpeg()), B = test::FileBytes(File("back.jpg"));
  ASSERT_TRUE(DecodeJPEG(A.data(), A.size(), Original));
  ASSERT_TRUE(DecodeJPEG(B.data(), B.size(), Back));
  EXPECT_TRUE(test::SamePixels(*Back.GetPixels(), *Original.GetPixels()));

  // A painted JPEG is compressed anew, like the original, without asking.
  bool Asked = false;
  Formats.AskJpegQuality = [&](int32_t &) { return Asked = true; };
  Image.Image.GetPixels()->PixelPtr(0, 0)[0] ^= 0x40;
  ASSERT_TRUE(Formats.EncodeImage(Image, gfJPEG, Bytes, nullptr, &Lossless));
  EXPECT_FALSE(Lossless);
  EXPECT_FALSE(Asked);
  EXPECT_EQ(EstimateJPEGQuality(Bytes.data(), Bytes.size()), 90);
}

TEST_F(GraphicsFormats, JPEGQualityComesFromTheDialog)
{
  TZrGraphicsImage Image;
  MakeImage(Image, 16, 16);
  EXPECT_EQ(Formats.JpegQuality, 80);
  int32_t Offered = -1;
  Formats.AskJpegQuality = [&](int32_t &Quality) {
    Offered = Quality;
    Quality = 35;
    return true;
  };
  ASSERT_TRUE(Formats.SaveImage(Image, File("q.jpg"), gfJPEG));
  EXPECT_EQ(Offered, 80);
  EXPECT_EQ(Formats.JpegQuality, 35);
  const auto Bytes = test::FileBytes(File("q.jpg"));
  EXPECT_EQ(EstimateJPEGQuality(Bytes.data(), Bytes.size()), 35);
  ASSERT_TRUE(Formats.SaveImage(Image, File("q2.jpg"), gfJPEG));
  EXPECT_EQ(Offered, 35); // offered again next time

  // Cancel: nothing written, the quality kept.
  Formats.AskJpegQuality = [](int32_t &Quality) {
    Quality = 1;
    return false;
  };
  EXPECT_FALSE(Formats.SaveImage(Image, File("cancelled.jpg"), gfJPEG));
  EXPECT_FALSE(std::filesystem::exists(File("cancelled.jpg")));
  EXPECT_EQ(Formats.JpegQuality, 35);
}

TEST_F(GraphicsFormats, ZRIFilesStayUnchangedOnDiskWhenOpened)
{
  const auto Jpeg = test::FileBytes(test::SampleExifJpeg());
  std::vector<uint8_t> Zri = Jpeg;
  ComplementHeader(Zri.data(), Zri.size());
  test::WriteBytes(File("a.zri"), Zri);

  TZrGraphicsImage Image;
  int32_t Format = -2;
  ASSERT_TRUE(Formats.LoadImage(Image, File("a.zri"), Format));
  EXPECT_EQ(Format, gfZRI);
  EXPECT_EQ(Image.Image.GetWidth(), 512);
  EXPECT_EQ(test::FileBytes(File("a.zri")), Zri);
  EXPECT_TRUE(Image.Properties.HasExif());

  // Saving as ZRI gives a file that complemented back is a plain JPEG.
  for (const bool ThroughOriginal : {true, false}) {
    if (!ThroughOriginal)
      Image.LosslessJPEG.reset();
    ASSERT_TRUE(Formats.SaveImage(Image, File("b.zri"), gfZRI));
    std::vector<uint8_t> Saved = test::FileBytes(File("b.zri"));
    EXPECT_TRUE(IsZRIHeader(Saved.data(), Saved.size()));
    ComplementHeader(Saved.data(), Saved.size());
    EXPECT_TRUE(IsJPEGHeader(Saved.data(), Saved.size()));
    TZrLTBitmap Decoded;
    ASSERT_TRUE(DecodeJPEG(Saved.data(), Saved.size(), Decoded));
    EXPECT_EQ(Decoded.GetWidth(), 512);
  }
  // A damaged ZRI file fails to open and stays as it was too.
  Zri.resize(Zri.size() / 3);
  test::WriteBytes(File("broken.zri"), Zri);
  EXPECT_FALSE(Formats.LoadImage(Image, File("broken.zri"), Format));
  EXPECT_EQ(test::FileBytes(File("broken.zri")), Zri);
}

TEST_F(GraphicsFormats, MetadataIsCarriedIntoEveryFormatThatHoldsIt)
{
  TZrGraphicsImage Image;
  int32_t Format;
  ASSERT_TRUE(Formats.LoadImage(Image, test::SampleExifJpeg(), Format));
  const TZrGraphicsDocumentProperties &P = Image.Properties;
  ASSERT_TRUE(P.HasExif() && P.HasIptc() && P.HasXmp() && P.HasExifThumbnail());
  EXPECT_EQ(P.ExifText(exifMake), "Examplecam");
  EXPECT_GT(P.Count(), 0); // the EXIF items of the main image
  EXPECT_GE(P.IndexOf(exifModel), 0);

  // Through the original coefficients, compressed anew, and the others.
  for (const int32_t Target : {gfJPEG, gfZRI, gfTIFF, gfPNG}) {
    SCOPED_TRACE(Target);
    ASSERT_TRUE(Formats.SaveImage(Image, File("m"), Target));
    TZrGraphicsImage Back;
    int32_t Loaded;
    ASSERT_TRUE(Formats.LoadImage(Back, File("m"), Loaded));
    EXPECT_EQ(Loaded, Target);
    const TZrGraphicsDocumentProperties &Q = Back.Properties;
    EXPECT_EQ(Q.ExifText(exifMake), "Examplecam");
    EXPECT_EQ(Q.ExifText(exifModel), "FX-100");
    EXPECT_EQ(Q.ExifText(exifDateTime), P.ExifText(exifDateTime));
    EXPECT_TRUE(Q.HasIptc());
    EXPECT_TRUE(Q.HasXmp());
    EXPECT_FALSE(Q.HasExifThumbnail());
  }
  // BMP cannot hold metadata but the image is saved.
  ASSERT_TRUE(Formats.SaveImage(Image, File("m.bmp"), gfBMP));
  TZrGraphicsImage Back;
  ASSERT_TRUE(Formats.LoadImage(Back, File("m.bmp"), Format));
  EXPECT_FALSE(Back.Properties.HasMetadata());
}

TEST_F(GraphicsFormats, AFailedSaveLeavesTheOldFile)
{
  TZrGraphicsImage Image;
  MakeImage(Image, 300, 300);
  const std::vector<uint8_t> Old = {'o', 'l', 'd'};
  test::WriteBytes(File("t.bmp"), Old);

  struct rlimit Saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &Saved), 0);
  const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit Small = Saved;
  Small.rlim_cur = 10000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &Small), 0);
  std::string Error;
  const bool Written = Formats.SaveImage(Image, File("t.bmp"), gfBMP, &Error);
  ::setrlimit(RLIMIT_FSIZE, &Saved);
  std::signal(SIGXFSZ, OldHandler);

  EXPECT_FALSE(Written);
  EXPECT_NE(Error.find("cannot write"), std::string::npos);
  EXPECT_EQ(test::FileBytes(File("t.bmp")), Old);
  EXPECT_EQ(Listing(), std::vector<std::string>{"t.bmp"});
  EXPECT_FALSE(Formats.SaveImage(Image, File("x"), 7)); // no such format
}

TEST_F(GraphicsFormats, ExchangeAndForeignFilesAreNeverTakenForEachOther)
{
  // A plug-in exchange file header, then pixels.
  std::vector<uint8_t> Exchange = {'P', 'S', 'P', 'F', 32, 0, 0, 0, 3, 0, 0, 0};
  Exchange.resize(64, 0);
  test::WriteBytes(File("x.tmp"), Exchange);
  const std::vector<uint8_t> Gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
  test::WriteBytes(File("y.gif"), Gif);

  TZrGraphicsImage Image;
  int32_t Format = 99;
  std::string Error;
  EXPECT_FALSE(Formats.LoadImage(Image, File("x.tmp"), Format, {}, &Error));
  EXPECT_EQ(Format, gfExchange); // refused, but known for what it is
  Format = 99;
  EXPECT_FALSE(Formats.LoadImage(Image, File("y.gif"), Format, {}, &Error));
  EXPECT_EQ(Format, 99);
  EXPECT_EQ(Error, "not a supported image file");

  int Calls = 0;
  Formats.LoadExchange = [&](TZrGraphicsImage &, const std::filesystem::path &, std::string *) {
    ++Calls;
    return true;
  };
  EXPECT_FALSE(Formats.LoadImage(Image, File("y.gif"), Format));
  EXPECT_EQ(Calls, 0); // the GIF is not handed to the exchange reader
  ASSERT_TRUE(Formats.LoadImage(Image, File("x.tmp"), Format));
  EXPECT_EQ(Format, gfExchange);
  EXPECT_EQ(Calls, 1);
  EXPECT_FALSE(Formats.LoadImageData(Image, Exchange, Format)); // needs the file itself
}

TEST_F(GraphicsFormats, DamagedFilesFailToOpen)
{
  const auto Jpeg = test::FileBytes(test::SampleExifJpeg());
  const std::vector<uint8_t> Truncated(Jpeg.begin(), Jpeg.begin() + Jpeg.size() / 2);
  TZrGraphicsImage Image;
  int32_t Format;
  std::string Error;
  for (const bool Lossless : {true, false}) {
    Formats.UseLosslessJPEG = Lossless;
    EXPECT_FALSE(Formats.LoadImageData(Image, Truncated, Format, {}, &Error));
    EXPECT_TRUE(Image.Empty());
    EXPECT_NE(Error.find("cannot be decoded"), std::string::npos);
  }
  EXPECT_FALSE(Formats.LoadImage(Image, File("missing.jpg"), Format, {}, &Error));
  EXPECT_EQ(Error, "no such file");
}

TEST_F(GraphicsFormats, DeferredJPEGPixelsAreDecodedWhenNeeded)
{
  TZrGraphicsImage Image;
  int32_t Format;
  TZrLoadOptions Options;
  Options.DeferJPEGPixels = true;
  ASSERT_TRUE(Formats.LoadImage(Image, test::SampleExifJpeg(), Format, Options));
  EXPECT_TRUE(Image.PixelsPending);
  EXPECT_EQ(Image.Image.GetPixels(), nullptr);
  ASSERT_TRUE(Image.Crop(MakeRect(16, 32, 500, 300)));
  ASSERT_TRUE(Image.FlipHorizontal());
  EXPECT_EQ(Image.Width(), 484);
  EXPECT_EQ(Image.Height(), 268);
  bool Lossless = false;
  std::vector<uint8_t> Bytes;
  ASSERT_TRUE(Formats.EncodeImage(Image, gfJPEG, Bytes, nullptr, &Lossless));
  EXPECT_TRUE(Image.PixelsPending); // written without ever decoding
  // Saved as PNG the pixels are decoded, the same as through the bitmap.
  ASSERT_TRUE(Formats.EncodeImage(Image, gfPNG, Bytes));
  EXPECT_FALSE(Image.PixelsPending);
  TZrGraphicsImage Direct;
  ASSERT_TRUE(Formats.LoadImage(Direct, test::SampleExifJpeg(), Format));
  ASSERT_TRUE(Direct.Crop(MakeRect(16, 32, 500, 300)));
  ASSERT_TRUE(Direct.FlipHorizontal());
  EXPECT_TRUE(test::SamePixels(*Image.Image.GetPixels(), *Direct.Image.GetPixels()));
}

TEST_F(GraphicsFormats, CropRectangleFollowsTurnsFlipsAndResizing)
{
  TZrGraphicsImage Image;
  MakeImage(Image, 10, 6);
  Image.SetCropRect(MakeRect(1, 2, 4, 5));
  ASSERT_TRUE(Image.RotateLeft());
  EXPECT_EQ(Image.CropRect, MakeRect(2, 6, 5, 9));
  ASSERT_TRUE(Image.RotateRight());
  EXPECT_EQ(Image.CropRect, MakeRect(1, 2, 4, 5));
  ASSERT_TRUE(Image.FlipHorizontal());
  EXPECT_EQ(Image.CropRect, MakeRect(6, 2, 9, 5));
  ASSERT_TRUE(Image.FlipVertical());
  EXPECT_EQ(Image.CropRect, MakeRect(6, 1, 9, 4));

  MakeImage(Image, 1000, 500);
  Image.SetCropRect(MakeRect(0, 0, 333, 250));
  ASSERT_TRUE(Image.Resample(500, 250));
  EXPECT_EQ(Image.CropRect, MakeRect(0, 0, 166, 125));
}

TEST_F(GraphicsFormats, ResolutionIsReadAndRounded)
{
  TZrGraphicsImage Image;
  MakeImage(Image, 4, 4);
  std::vector<uint8_t> Bytes;
  ASSERT_TRUE(EncodeBMP(*Image.Image.GetPixels(), Bytes));
  // 11811 and 2835 pixels per metre: 299.999 and 72.009 dots per inch.
  const uint32_t PerMetre[2] = {11811, 2835};
  for (int Axis = 0; Axis < 2; ++Axis)
    for (int Byte = 0; Byte < 4; ++Byte)
      Bytes[38 + 4 * Axis + Byte] = static_cast<uint8_t>(PerMetre[Axis] >> (8 * Byte));
  int32_t Format;
  ASSERT_TRUE(Formats.LoadImageData(Image, Bytes, Format));
  EXPECT_EQ(Image.Properties.HorizontalResolution, 300);
  EXPECT_EQ(Image.Properties.VerticalResolution, 72);
  // A file that states none is taken at 96.
  ASSERT_TRUE(Formats.LoadImage(Image, test::SampleExifJpeg(), Format));
  EXPECT_EQ(Image.Properties.HorizontalResolution, 96);
}

TEST_F(GraphicsFormats, FileDescriptions)
{
  std::unique_ptr<TZrFileInfo> Info;
  ASSERT_TRUE(Formats.CreateFileInfo(test::SampleExifJpeg(), Info));
  std::string Text;
  Info->GetDescription(Text);
  EXPECT_EQ(Text, "Type: EXIF\nDimensions: 512 x 512\nDate taken: 2026:05:17 10:42:07\n"
                  "Camera: Examplecam FX-100");

  TZrGraphicsImage Image;
  MakeImage(Image, 7, 3);
  ASSERT_TRUE(Formats.SaveImage(Image, File("d.bmp"), gfBMP));
  ASSERT_TRUE(Formats.CreateFileInfo(File("d.bmp"), Info));
  Info->GetDescription(Text);
  EXPECT_EQ(Text, "Type: BMP\nDimensions: 7 x 3");

  test::WriteBytes(File("n.txt"), {'h', 'i'});
  ASSERT_TRUE(Formats.CreateFileInfo(File("n.txt"), Info));
  Info->GetDescription(Text);
  EXPECT_EQ(Text, "");
  EXPECT_FALSE(Formats.CreateFileInfo(Folder, Info));
  EXPECT_FALSE(Formats.CreateFileInfo(File("none.jpg"), Info));
}

// Records what a thumbnail paints.
class TRecordingContext : public TZrDeviceContext
{
public:
  bool DrawBitmap(const TZrBitmapHandle &Handle, const TZrRect *Source, const TZrRect &Dest,
                  const TZrRect &Clip) override
  {
    Width = Handle.Width;
    Height = Handle.Height;
    WholeSource = Source == nullptr;
    DestRect = Dest;
    ClipRect = Clip;
    return true;
  }
  bool PrintBitmap(const TZrBitmapHandle &, const TZrRect &) override { return false; }
  int32_t Width = 0, Height = 0;
  bool WholeSource = false;
  TZrRect DestRect, ClipRect;
};

TEST_F(GraphicsFormats, ThumbnailsFitTheBoxAndAreDrawnCentred)
{
  TZrGraphicsImage Image;
  MakeImage(Image, 200, 100);
  ASSERT_TRUE(Formats.SaveImage(Image, File("t.png"), gfPNG));
  std::vector<uint8_t> Zri = test::FileBytes(test::SampleExifJpeg());
  ComplementHeader(Zri.data(), Zri.size());
  test::WriteBytes(File("t.zri"), Zri);
  struct TCase
  {
    std::filesystem::path File;
    int32_t BoxW, BoxH, W, H;
  };
  const TCase Cases[] = {
      {test::SampleExifJpeg(), 100, 60, 60, 60},
      {File("t.zri"), 64, 64, 64, 64},
      {File("t.png"), 50, 50, 50, 25},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.File.string());
    std::unique_ptr<TZrThumbnail> Thumbnail;
    ASSERT_TRUE(Formats.CreateThumbnail(C.File, C.BoxW, C.BoxH, Thumbnail));
    TRecordingContext DC;
    TZrRect Drawn;
    Thumbnail->Draw(DC, MakeRect(10, 20, 10 + C.BoxW, 20 + C.BoxH), Drawn);
    EXPECT_EQ(DC.Width, C.W);
    EXPECT_EQ(DC.Height, C.H);
    const int32_t Left = 10 + (C.BoxW - C.W) / 2, Top = 20 + (C.BoxH - C.H) / 2;
    EXPECT_EQ(Drawn, MakeRect(Left, Top, Left + C.W, Top + C.H));
    EXPECT_EQ(DC.DestRect, Drawn);
  }
  std::unique_ptr<TZrThumbnail> Thumbnail;
  test::WriteBytes(File("bad.png"), {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0});
  EXPECT_FALSE(Formats.CreateThumbnail(File("bad.png"), 50, 50, Thumbnail));
  EXPECT_FALSE(Formats.CreateThumbnail(File("t.png"), 0, 50, Thumbnail));
}

TEST(JpegQualityPresets, LargestPresetNotAbove)
{
  const std::pair<int32_t, int> Cases[] = {{0, 0},  {5, 0},  {10, 0}, {29, 0}, {30, 1},
                                           {59, 1}, {79, 2}, {80, 3}, {99, 3}, {100, 4}};
  for (const auto &[Quality, Index] : Cases)
    EXPECT_EQ(JpegQualityPresetIndex(Quality), Index) << Quality;
}

} // namespace
} // namespace facette
