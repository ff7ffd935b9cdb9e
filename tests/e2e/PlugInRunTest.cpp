// A host's plug-in run through the real program: the test writes the
// exchange file as a host's plug-in does (rows of four planes, longer than
// their pixels), the script paints a stroke and presses OK or Cancel the
// way a user would, and the file and the exit code are what the plug-in
// then goes by.
#include "e2e/DemoRun.h"

#include "editor/ZrExchangeFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace facette::e2e {
namespace {

std::vector<uint8_t> ReadBytes(const std::filesystem::path &File)
{
  std::ifstream In(File, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

// The sample portrait as a host hands it over.
std::filesystem::path WriteHostFile(const std::filesystem::path &File)
{
  TRgbImage Photo;
  EXPECT_TRUE(LoadRgbImage(SamplePortrait(), Photo));
  TExchangeHeader Header;
  Header.Left = 40;
  Header.Top = 30;
  Header.Width = Photo.Width;
  Header.Height = Photo.Height;
  Header.PixelStep = 4;
  Header.Stride = Photo.Width * 4 + 12;
  std::vector<uint8_t> Bytes(ExchangeFileSize(Header), 0x5A);
  WriteExchangeHeader(Bytes.data(), Header);
  for (int Y = 0; Y < Photo.Height; ++Y)
    for (int X = 0; X < Photo.Width; ++X) {
      uint8_t *Pixel = &Bytes[ExchangeRowsOffset(Header) + Y * Header.Stride + X * 4];
      std::copy_n(Photo.At(X, Y), 3, Pixel);
      Pixel[3] = 255;
    }
  std::ofstream(File, std::ios::binary)
      .write(reinterpret_cast<const char *>(Bytes.data()),
             static_cast<std::streamsize>(Bytes.size()));
  return File;
}

// The image an exchange file holds; Header says how it was written.
TRgbImage ReadExchange(const std::vector<uint8_t> &Bytes, TExchangeHeader &Header)
{
  TRgbImage Image;
  if (CheckExchangeFile(Bytes.data(), Bytes.size(), Header) != TExchangeStatus::Ok)
    return Image;
  Image.Width = Header.Width;
  Image.Height = Header.Height;
  Image.Pixels.resize(static_cast<size_t>(Image.Width) * Image.Height * 3);
  ReadExchangeRows(Bytes.data(), Header, Image.Pixels.data(), Image.Width * 3);
  // Blue-green-red back to red-green-blue.
  for (size_t I = 0; I < Image.Pixels.size(); I += 3)
    std::swap(Image.Pixels[I], Image.Pixels[I + 2]);
  return Image;
}

// A smudge stroke on the cheek, brush 16, then a press on a plug-in button.
// The window first grows until the photo shows at 100 %.
std::string StrokeThenPress(const char *Button)
{
  return std::string("SetMinViewSize 600, 560\n"
                     "Smudge\n"
                     "SmudgeSize 16\n"
                     "MouseTo Image, 186, 118\n"
                     "MouseDown\n"
                     "#EACH 0 MouseMove 196,123 206,128 216,133 226,138\n"
                     "MouseUp\n"
                     "MouseCurvedMove ") +
         Button + "\nMouseDown\nMouseUp\n";
}

TEST(PlugInRunEndToEnd, OkWritesTheStrokeBackIntoTheExchangeFileAndExitsWithZero)
{
  TDemoRun Run;
  const std::filesystem::path File = WriteHostFile(Run.Folder() / "PSPF1A2B.tmp");
  TRgbImage Photo;
  ASSERT_TRUE(LoadRgbImage(SamplePortrait(), Photo));

  const TDemoRunResult Result = Run.PlayScript(StrokeThenPress("PlugInOk"), {.Image = File});
  ASSERT_EQ(Result.ExitCode, 0) << Result.StdErr;

  TExchangeHeader Header;
  const TRgbImage Edited = ReadExchange(ReadBytes(File), Header);
  // Written as the editor writes: its own stride, three bytes a pixel, the
  // area's place left to the plug-in.
  EXPECT_EQ(Header.Width, Photo.Width);
  EXPECT_EQ(Header.Height, Photo.Height);
  EXPECT_EQ(Header.PixelStep, 3);
  EXPECT_EQ(Header.Stride, Photo.Width * 3);
  EXPECT_EQ(Header.Left, 0);
  EXPECT_EQ(Header.Top, 0);
  EXPECT_EQ(ReadBytes(File).size(), ExchangeFileSize(Header));
  const TImageDifference D = CompareImages(Photo, Edited);
  ASSERT_TRUE(D.SameSize);
  EXPECT_GT(D.Count, 100);
  EXPECT_TRUE(D.Within(186 - 9, 118 - 9, 226 + 10, 138 + 10))
      << D.Left << "," << D.Top << " " << D.Right << "," << D.Bottom;
}

TEST(PlugInRunEndToEnd, CancelLeavesTheExchangeFileAsTheHostWroteItAndExitsNonZero)
{
  TDemoRun Run;
  const std::filesystem::path File = WriteHostFile(Run.Folder() / "PSPF3C4D.tmp");
  const std::vector<uint8_t> Before = ReadBytes(File);

  const TDemoRunResult Result = Run.PlayScript(StrokeThenPress("PlugInCancel"), {.Image = File});
  EXPECT_EQ(Result.ExitCode, 255) << Result.StdErr;
  EXPECT_EQ(ReadBytes(File), Before);
}

TEST(PlugInRunEndToEnd, AScriptThatEndsWithoutOkEndsTheRunAsCancelled)
{
  TDemoRun Run;
  const std::filesystem::path File = WriteHostFile(Run.Folder() / "PSPF5E6F.tmp");
  const std::vector<uint8_t> Before = ReadBytes(File);

  const TDemoRunResult Result = Run.PlayScript("ZoomIn\n", {.Image = File});
  EXPECT_EQ(Result.ExitCode, 255) << Result.StdErr;
  EXPECT_EQ(ReadBytes(File), Before);
}

} // namespace
} // namespace facette::e2e
