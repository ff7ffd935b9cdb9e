// Helpers of the image-file tests: images with distinct pixels, pixel
// comparison, and a scratch folder removed after each test.
#pragma once

#include "imaging/ZrImageFile.h"
#include "imaging/ZrLTBitmap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace facette::test {

// Random pixels: any misplaced or altered byte shows.
inline void FillRandom(const TZrPixels &P, uint32_t Seed)
{
  std::mt19937 Random(Seed);
  for (int32_t Y = 0; Y < P.Height; ++Y) {
    uint8_t *Row = P.Bits + static_cast<ptrdiff_t>(Y) * P.Stride;
    for (int32_t X = 0; X < P.Width * 3; ++X)
      Row[X] = static_cast<uint8_t>(Random());
  }
}

// A smooth picture, which JPEG keeps close enough to compare by eye.
inline void FillSmooth(const TZrPixels &P)
{
  for (int32_t Y = 0; Y < P.Height; ++Y)
    for (int32_t X = 0; X < P.Width; ++X) {
      uint8_t *Px = P.Bits + static_cast<ptrdiff_t>(Y) * P.Stride + X * 3;
      Px[0] = static_cast<uint8_t>(X * 255 / std::max(1, P.Width - 1));
      Px[1] = static_cast<uint8_t>(Y * 255 / std::max(1, P.Height - 1));
      Px[2] = static_cast<uint8_t>((X + Y) * 2);
    }
}

inline bool SamePixels(const TZrPixels &A, const TZrPixels &B)
{
  if (A.Width != B.Width || A.Height != B.Height)
    return false;
  for (int32_t Y = 0; Y < A.Height; ++Y)
    if (std::memcmp(A.Bits + static_cast<ptrdiff_t>(Y) * A.Stride,
                    B.Bits + static_cast<ptrdiff_t>(Y) * B.Stride,
                    static_cast<size_t>(A.Width) * 3) != 0)
      return false;
  return true;
}

// The window of Rect inside P, at (0, 0).
inline TZrPixels SubWindow(const TZrPixels &P, const TZrRect &Rect)
{
  TZrPixels W;
  W.Init(MakeRect(0, 0, Rect.Width(), Rect.Height()), P.PixelPtr(Rect.Left, Rect.Top),
         P.PixelFormat, P.Stride);
  return W;
}

inline std::vector<uint8_t> FileBytes(const std::filesystem::path &File)
{
  std::vector<uint8_t> Bytes;
  EXPECT_TRUE(ReadFileBytes(File, Bytes)) << File;
  return Bytes;
}

inline void WriteBytes(const std::filesystem::path &File, const std::vector<uint8_t> &Bytes)
{
  ASSERT_TRUE(WriteFileAtomic(File, Bytes.data(), Bytes.size()));
}

inline std::filesystem::path SampleExifJpeg()
{
  return std::filesystem::path(FACETTE_SOURCE_DIR) / "tests/data/portrait-exif.jpg";
}

// One of the small files of tests/data/odd (see its README).
inline std::filesystem::path OddFile(const std::string &Name)
{
  return std::filesystem::path(FACETTE_SOURCE_DIR) / "tests/data/odd" / Name;
}

// "BBGGRR" per pixel, pixels separated by " ", rows by "|".
inline std::string PixelsAsText(const TZrLTBitmap &Image)
{
  std::string Text;
  char Hex[8];
  for (int32_t Y = 0; Y < Image.GetHeight(); ++Y) {
    if (Y)
      Text += '|';
    for (int32_t X = 0; X < Image.GetWidth(); ++X) {
      const uint8_t *P = Image.GetPixels()->PixelPtr(X, Y);
      std::snprintf(Hex, sizeof Hex, "%02X%02X%02X", P[0], P[1], P[2]);
      if (X)
        Text += ' ';
      Text += Hex;
    }
  }
  return Text;
}

class TScratchTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const auto *Info = ::testing::UnitTest::GetInstance()->current_test_info();
    Folder =
        std::filesystem::temp_directory_path() / ("facette-" + std::to_string(::getpid()) + "-" +
                                                  Info->test_suite_name() + "-" + Info->name());
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
  }
  void TearDown() override
  {
    std::error_code Ignored;
    std::filesystem::remove_all(Folder, Ignored);
  }
  std::filesystem::path File(const std::string &Name) const { return Folder / Name; }
  // Names in the folder, to catch temporary files left behind.
  std::vector<std::string> Listing() const
  {
    std::vector<std::string> Names;
    for (const auto &Entry : std::filesystem::directory_iterator(Folder))
      Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
  }

  std::filesystem::path Folder;
};

} // namespace facette::test
