// The geometry tools in the real program, driven by demo scripts: a quarter
// turn, a 4:3 crop and a resize to half saved and checked pixel by pixel; a
// JPEG turned and saved keeps its DCT coefficients, as jpegtran's lossless
// turn does; and the shipped demonstrations of the four tools play.
#include "e2e/DemoRun.h"

#include "demo/ZrDemoScript.h"
#include "imaging/ZrBitmap.h"
#include "imaging/ZrResample.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace facette::e2e {
namespace {

TRgbImage Load(const std::filesystem::path &File)
{
  TRgbImage Image;
  std::string Error;
  EXPECT_TRUE(LoadRgbImage(File, Image, &Error)) << File << ": " << Error;
  return Image;
}

// The part of Image in the rectangle.
TRgbImage Cut(const TRgbImage &Image, int Left, int Top, int Right, int Bottom)
{
  TRgbImage Part{Right - Left, Bottom - Top, {}};
  for (int Y = Top; Y < Bottom; ++Y)
    Part.Pixels.insert(Part.Pixels.end(), Image.At(Left, Y), Image.At(Right, Y));
  return Part;
}

TEST(GeometryEndToEnd, TurningRightSavesThePixelsTurnedClockwise)
{
  TDemoRun Run;
  const TDemoRunResult Result =
      Run.PlayScript("RotationRight\n", {.Image = SamplePortrait(), .SaveAs = "right.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  const TRgbImage Before = Load(SamplePortrait());
  const TRgbImage After = Load(Result.Saved);
  // What numpy's rot90(image, -1) gives: new row y is old column y read
  // from the bottom up.
  TRgbImage Expected{Before.Height, Before.Width, {}};
  for (int Y = 0; Y < Expected.Height; ++Y)
    for (int X = 0; X < Expected.Width; ++X)
      Expected.Pixels.insert(Expected.Pixels.end(), Before.At(Y, Before.Height - 1 - X),
                             Before.At(Y, Before.Height - 1 - X) + 3);
  EXPECT_EQ(After, Expected);
}

TEST(GeometryEndToEnd, A4To3CropSavesThatPartOfThePhoto)
{
  TDemoRun Run;
  // The print format 4x3, then a drag from (100, 80) to (340, 290): 210
  // rows give k = 70, so 280 x 210 from the anchor. The photo is shown at
  // 100 % first, so that each point named is its own pixel.
  const TDemoRunResult Result = Run.PlayScript("SetMinViewSize 600, 560\n"
                                               "Crop\n"
                                               "CropPrintFormat 8\n"
                                               "MouseTo Image, 100, 80\n"
                                               "MouseDown\n"
                                               "#EACH 0 MouseMove 200,150 340,290\n"
                                               "MouseUp\n"
                                               "CropPerform\n",
                                               {.Image = SamplePortrait(), .SaveAs = "crop.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  const TRgbImage After = Load(Result.Saved);
  EXPECT_EQ(After.Width * 3, After.Height * 4);
  EXPECT_EQ(After, Cut(Load(SamplePortrait()), 100, 80, 380, 290));
}

TEST(GeometryEndToEnd, ResizingToHalfSavesTheLanczosResult)
{
  TDemoRun Run;
  const TDemoRunResult Result = Run.PlayScript("Resize\n"
                                               "ResizeWidth 256\n"
                                               "ResizePerform\n",
                                               {.Image = SamplePortrait(), .SaveAs = "half.png"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;
  // The resampler of the core on the same pixels.
  const TRgbImage Before = Load(SamplePortrait());
  TZrPixelBuffer Source, Half;
  ASSERT_TRUE(Source.Allocate(pf24bit, MakeRect(0, 0, Before.Width, Before.Height)));
  for (int Y = 0; Y < Before.Height; ++Y)
    for (int X = 0; X < Before.Width; ++X)
      for (int C = 0; C < 3; ++C)
        Source.PixelPtr(X, Y)[C] = Before.At(X, Y)[2 - C];
  ASSERT_TRUE(Half.Allocate(pf24bit, MakeRect(0, 0, 256, 256)));
  ASSERT_TRUE(ResamplePixels(Half, Half.GetBounds(), Half.GetBounds(), TLanczosResampler(),
                             Source.GetBounds(), Source));
  TRgbImage Expected{256, 256, {}};
  for (int Y = 0; Y < 256; ++Y)
    for (int X = 0; X < 256; ++X)
      for (int C = 2; C >= 0; --C)
        Expected.Pixels.push_back(Half.PixelPtr(X, Y)[C]);
  EXPECT_EQ(Load(Result.Saved), Expected);
}

// --- the DCT coefficients of a JPEG ------------------------------------------

struct TCoefficients
{
  bool Read = false;
  int Width = 0, Height = 0;
  // Per component: its sampling and every block's 64 coefficients.
  std::vector<int> Sampling;
  std::vector<std::vector<JCOEF>> Blocks;
};

TCoefficients ReadCoefficients(const std::filesystem::path &File)
{
  TCoefficients Result;
  std::unique_ptr<FILE, int (*)(FILE *)> Input(std::fopen(File.c_str(), "rb"), std::fclose);
  if (!Input)
    return Result;
  jpeg_decompress_struct Info{};
  jpeg_error_mgr Errors{};
  Info.err = jpeg_std_error(&Errors);
  jpeg_create_decompress(&Info);
  jpeg_stdio_src(&Info, Input.get());
  if (jpeg_read_header(&Info, TRUE) == JPEG_HEADER_OK) {
    jvirt_barray_ptr *Arrays = jpeg_read_coefficients(&Info);
    Result.Width = static_cast<int>(Info.image_width);
    Result.Height = static_cast<int>(Info.image_height);
    for (int C = 0; C < Info.num_components; ++C) {
      const jpeg_component_info &Component = Info.comp_info[C];
      Result.Sampling.push_back(Component.h_samp_factor * 16 + Component.v_samp_factor);
      std::vector<JCOEF> &All = Result.Blocks.emplace_back();
      for (JDIMENSION Row = 0; Row < Component.height_in_blocks; ++Row) {
        JBLOCKARRAY Blocks = (*Info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&Info),
                                                             Arrays[C], Row, 1, FALSE);
        for (JDIMENSION Column = 0; Column < Component.width_in_blocks; ++Column)
          All.insert(All.end(), Blocks[0][Column], Blocks[0][Column] + DCTSIZE2);
      }
    }
    Result.Read = true;
  }
  jpeg_destroy_decompress(&Info);
  return Result;
}

TEST(GeometryEndToEnd, AJpegTurnedRightKeepsTheCoefficientsOfALosslessTurn)
{
  TDemoRun Run;
  const std::filesystem::path Photo = SourceDir() / "tests" / "data" / "portrait-exif.jpg";
  const TDemoRunResult Result =
      Run.PlayScript("RotationRight\n", {.Image = Photo, .SaveAs = "right.jpg"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;

  const std::filesystem::path Reference = Run.Folder() / "jpegtran.jpg";
  const std::string Command =
      "jpegtran -rotate 90 -trim -outfile '" + Reference.string() + "' '" + Photo.string() + "'";
  ASSERT_EQ(std::system(Command.c_str()), 0) << Command;

  const TCoefficients Ours = ReadCoefficients(Result.Saved);
  const TCoefficients Theirs = ReadCoefficients(Reference);
  ASSERT_TRUE(Ours.Read && Theirs.Read);
  EXPECT_EQ(Ours.Width, Theirs.Width);
  EXPECT_EQ(Ours.Height, Theirs.Height);
  EXPECT_EQ(Ours.Sampling, Theirs.Sampling);
  ASSERT_EQ(Ours.Blocks.size(), 3u);
  for (size_t C = 0; C < Ours.Blocks.size(); ++C)
    EXPECT_TRUE(Ours.Blocks[C] == Theirs.Blocks[C]) << "component " << C;
  // And the turn undone, the file's own coefficients come back.
  const TDemoRunResult Undone =
      Run.PlayScript("RotationRight\nUndo\n", {.Image = Photo, .SaveAs = "undone.jpg"});
  ASSERT_EQ(Undone.ExitCode, 0) << Undone.StdErr;
  EXPECT_TRUE(ReadCoefficients(Undone.Saved).Blocks == ReadCoefficients(Photo).Blocks);
}

// --- the shipped demonstrations ------------------------------------------------

TEST(GeometryEndToEnd, TheShippedDemosPlay)
{
  TDemoRun Run;
  const TRgbImage Sample = Load(SamplePortrait());
  struct
  {
    const char *Demo;
    int Width, Height;
  } Demos[] = {
      // Turned right and flipped upside down: the size of a quarter turn.
      {"Rotation.dsc", 512, 512},
      {"Resize.dsc", 384, 384},
      // A 4:3 frame around the face.
      {"Crop.dsc", 240, 180},
      // Levelled and cut to the clean middle: smaller both ways.
      {"Straighten.dsc", 0, 0},
  };
  for (const auto &D : Demos) {
    // Every message and the title in English, German, French and Russian.
    TZrDemoScript Script;
    ASSERT_TRUE(Script.LoadFromFile(ShippedDemo(D.Demo))) << D.Demo;
    int English = -1;
    ASSERT_TRUE(Script.FindSection("1033", English));
    for (uint16_t Language : {1033, 1031, 1036, 1049}) {
      int Section = -1;
      ASSERT_TRUE(Script.FindSection(std::to_string(Language), Section)) << D.Demo << Language;
      EXPECT_EQ(Script.Sections[static_cast<size_t>(Section)].Lines.size(),
                Script.Sections[static_cast<size_t>(English)].Lines.size())
          << D.Demo << " " << Language;
      EXPECT_FALSE(Script.Title(Language, 1033).empty());
    }
    const TDemoRunResult Result = Run.Play(ShippedDemo(D.Demo), {.SaveAs = "played.png"});
    ASSERT_EQ(Result.ExitCode, 0) << D.Demo << "\n" << Result.StdErr;
    const TRgbImage After = Load(Result.Saved);
    if (D.Width) {
      EXPECT_EQ(After.Width, D.Width) << D.Demo;
      EXPECT_EQ(After.Height, D.Height) << D.Demo;
    } else {
      EXPECT_LT(After.Width, Sample.Width) << D.Demo;
      EXPECT_LT(After.Height, Sample.Height) << D.Demo;
    }
    EXPECT_NE(After, Sample) << D.Demo;
  }
}

} // namespace
} // namespace facette::e2e
