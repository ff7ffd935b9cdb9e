// A real photo through a graphics document: what opening keeps and what
// saving writes, losslessly where only the geometry changed.
#include "editor/ZrDocumentImageFormats.h"

#include "editor/GraphicsTestSupport.h"
#include "imaging/ZrImageFile.h"
#include "imaging/ZrJPEGCoefficients.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <unistd.h>

namespace facette {
namespace {

using namespace facette::test;

class DocumentImageFormatsTest : public testing::Test
{
protected:
  void SetUp() override
  {
    Folder = std::filesystem::temp_directory_path() /
             ("facette-docformats-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Folder);
    // The dialog as a user leaves it: the quality offered, the switches as
    // they are; images that were no JPEG get quality 90.
    Editor.Images.AskJpegQuality = [this](TZrJpegOptions &Options) {
      ++QualityQuestions;
      Offered = Options;
      if (!Options.MinimalLossOffered)
        Options.Quality = 90;
      return true;
    };
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }

  std::filesystem::path Folder;
  TImageEditor Editor;
  TFakeHost Host;
  TZrGraphicsDocument Doc{Editor, &Host};
  int QualityQuestions = 0;
  TZrJpegOptions Offered;
  const std::filesystem::path Sample = FACETTE_SOURCE_DIR "/tests/data/portrait-exif.jpg";
};

TEST_F(DocumentImageFormatsTest, OpeningKeepsPixelsMetadataAndTheLosslessObject)
{
  ASSERT_TRUE(Doc.LoadFromFile(Sample));
  EXPECT_EQ(Doc.Format, gfJPEG);
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 512, 512));
  const auto *Properties = dynamic_cast<const TZrGraphicsDocumentProperties *>(Doc.Properties());
  ASSERT_NE(Properties, nullptr);
  EXPECT_FALSE(Properties->ExifText(exifMake).empty());
  ASSERT_NE(Doc.LosslessJPEG(), nullptr);
  EXPECT_TRUE(Doc.LosslessJPEG()->HasImage());
}

// A JPEG is offered its own quality: only turned or cut it is written from
// its own coefficients, painted it keeps them where it was not painted.
TEST_F(DocumentImageFormatsTest, JPEGsAreOfferedTheirOwnQuality)
{
  struct Case
  {
    const char *Name;
    std::function<void(TZrGraphicsDocument &)> Change;
    int32_t Width, Height;
  } Cases[] = {
      {"turned.jpg", [](TZrGraphicsDocument &D) { D.RotateRight(); }, 512, 512},
      {"cropped.jpg", [](TZrGraphicsDocument &D) { D.SetCropRect(MakeRect(64, 32, 320, 288)); },
       256, 256},
      {"painted.jpg",
       [](TZrGraphicsDocument &D) { Paint(*D.ImagePixels(), MakeRect(10, 10, 50, 50), 0); }, 512,
       512},
  };
  for (const Case &C : Cases) {
    ASSERT_TRUE(Doc.LoadFromFile(Sample));
    QualityQuestions = 0;
    C.Change(Doc);
    const std::filesystem::path Out = Folder / C.Name;
    ASSERT_TRUE(Doc.SaveToFile(Out, gfJPEG)) << C.Name << ": " << Editor.Images.LastError;
    EXPECT_EQ(QualityQuestions, 1) << C.Name;
    EXPECT_TRUE(Offered.MinimalLossOffered) << C.Name;
    EXPECT_GT(Offered.OwnQuality, 0) << C.Name;
    EXPECT_EQ(Offered.Quality, Offered.OwnQuality) << C.Name;
    TZrGraphicsImage Saved;
    int32_t Format = -2;
    ASSERT_TRUE(Editor.Images.LoadImage(Saved, Out, Format));
    EXPECT_EQ(Format, gfJPEG);
    EXPECT_EQ(Saved.Width(), C.Width) << C.Name;
    EXPECT_EQ(Saved.Height(), C.Height) << C.Name;
    EXPECT_FALSE(Saved.Properties.ExifText(exifMake).empty()) << C.Name;
    EXPECT_FALSE(Saved.Properties.HasExifThumbnail()) << C.Name;
    if (std::string(C.Name) == "painted.jpg") {
      const uint8_t *Dab = Saved.Image.GetPixels()->PixelPtr(30, 30);
      EXPECT_LT(Dab[0] + Dab[1] + Dab[2], 30);
    }
  }
}

TEST_F(DocumentImageFormatsTest, OtherFormatsKeepPixelsExactly)
{
  ASSERT_TRUE(Doc.LoadFromFile(Sample));
  Doc.SetCropRect(MakeRect(5, 7, 205, 107));
  for (int32_t Format : {gfPNG, gfTIFF, gfBMP}) {
    const std::filesystem::path Out = Folder / ("out" + std::to_string(Format));
    ASSERT_TRUE(Doc.SaveToFile(Out, Format)) << Editor.Images.LastError;
    TZrGraphicsImage Back;
    int32_t Read = -2;
    ASSERT_TRUE(Editor.Images.LoadImage(Back, Out, Read));
    EXPECT_EQ(Read, Format);
    ASSERT_EQ(Back.Image.GetBounds(), MakeRect(0, 0, 200, 100));
    const TZrPixels &Saved = *Back.Image.GetPixels();
    const TZrPixels &Shown = *Doc.ImagePixels();
    for (int32_t Y = 0; Y < 100; ++Y)
      ASSERT_EQ(0, std::memcmp(Saved.PixelPtr(0, Y), Shown.PixelPtr(5, 7 + Y), 200 * 3)) << Y;
  }
  EXPECT_EQ(QualityQuestions, 0);
}

TEST_F(DocumentImageFormatsTest, OtherImagesAskForTheQualityAndMayBeCancelled)
{
  ASSERT_TRUE(Doc.LoadFromFile(FACETTE_SOURCE_DIR "/data/samples/portrait.png"));
  EXPECT_EQ(Doc.Format, gfPNG);
  ASSERT_TRUE(Doc.SaveToFile(Folder / "asked.jpg", gfJPEG));
  EXPECT_EQ(QualityQuestions, 1);
  Editor.Images.AskJpegQuality = [](TZrJpegOptions &) { return false; };
  const std::filesystem::path Out = Folder / "never.jpg";
  EXPECT_FALSE(Doc.SaveToFile(Out, gfJPEG));
  EXPECT_TRUE(Editor.Images.LastCancelled);
  EXPECT_FALSE(std::filesystem::exists(Out));
}

// Any edit through the document's edit protocol: the MCUs it did not touch
// keep the file's coded blocks.
TEST_F(DocumentImageFormatsTest, AnEditKeepsTheCodedBlocksOfEveryMcuItDidNotTouch)
{
  ASSERT_TRUE(Doc.LoadFromFile(Sample));
  TFakeTool Tool("Brush", Editor.FormatList.Journal);
  Tool.Document = &Doc;
  Doc.BeginEdit(&Tool);
  const TZrRect Stroke = MakeRect(40, 36, 70, 52);
  Paint(*Doc.ImagePixels(), Stroke, 250);
  Doc.AddChangedRect(Stroke, false);
  Doc.Commit(&Tool);
  Doc.EndEdit();
  const std::filesystem::path Out = Folder / "stroke.jpg";
  ASSERT_TRUE(Doc.SaveToFile(Out, gfJPEG)) << Editor.Images.LastError;

  TZrJPEGCoefficients Before, After;
  std::vector<uint8_t> A, B;
  ASSERT_TRUE(ReadFileBytes(Sample, A));
  ASSERT_TRUE(ReadFileBytes(Out, B));
  ASSERT_TRUE(ReadJPEGCoefficients(A.data(), A.size(), Before));
  ASSERT_TRUE(ReadJPEGCoefficients(B.data(), B.size(), After));
  int Kept = 0;
  for (int32_t Y = 0; Y < Before.McusDown(); ++Y)
    for (int32_t X = 0; X < Before.McusAcross(); ++X) {
      const TZrRect Mcu = MakeRect(X * Before.McuWidth, Y * Before.McuHeight,
                                   (X + 1) * Before.McuWidth, (Y + 1) * Before.McuHeight);
      const bool Touched = !IntersectRect(Mcu, Stroke).IsEmpty();
      EXPECT_EQ(Before.SameMcu(After, X, Y), !Touched) << X << ", " << Y;
      Kept += !Touched;
    }
  EXPECT_GT(Kept, 0);
}

// Cancelling the JPEG options changes nothing: a tool's work still open
// stays open, and no tool hears of a save.
TEST_F(DocumentImageFormatsTest, CancellingTheJPEGOptionsLeavesOpenWorkAlone)
{
  ASSERT_TRUE(Doc.LoadFromFile(Sample));
  std::vector<std::string> &Journal = Editor.FormatList.Journal;
  TFakeTool Tool("Liquify", Journal);
  Tool.Document = &Doc;
  Host.Tools = {&Tool};
  Doc.BeginEdit(&Tool);
  Paint(*Doc.ImagePixels(), MakeRect(0, 0, 8, 8), 0);
  Doc.AddChangedRect(MakeRect(0, 0, 8, 8), false);
  Journal.clear();

  Editor.Images.AskJpegQuality = [](TZrJpegOptions &) { return false; };
  EXPECT_FALSE(Doc.SaveToFile(Folder / "never.jpg", gfJPEG));
  EXPECT_TRUE(Editor.Images.LastCancelled);
  EXPECT_TRUE(Journal.empty());
  EXPECT_TRUE(Doc.Editing());
  EXPECT_EQ(Doc.History.Count(), 0);

  Editor.Images.AskJpegQuality = [&Journal](TZrJpegOptions &) {
    Journal.push_back("Asked");
    return true;
  };
  EXPECT_TRUE(Doc.SaveToFile(Folder / "saved.jpg", gfJPEG));
  EXPECT_EQ(Journal, (std::vector<std::string>{"Asked", "Liquify.Saving"}));
}

TEST_F(DocumentImageFormatsTest, AFileThatIsNoImageLeavesTheDocumentAlone)
{
  const std::filesystem::path Text = Folder / "notes.jpg";
  WriteFileAtomic(Text, "hello", 5);
  EXPECT_FALSE(Doc.LoadFromFile(Text));
  EXPECT_FALSE(Doc.HasImage());
}

} // namespace
} // namespace facette
