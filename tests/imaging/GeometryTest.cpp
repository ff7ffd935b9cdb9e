#include "imaging/ZrGeometry.h"
#include "imaging/ZrHermiteKernel.h"

#include "imaging/VectorPathNote.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <vector>

namespace facette {
namespace {

// Switches the vector code on or off for the test's lifetime.
class VectorSetting
{
public:
  explicit VectorSetting(bool On) { EnableVectorKernels(On); }
  ~VectorSetting() { EnableVectorKernels(true); }
};

void FillRandom(const TZrPixels &P, uint32_t Seed)
{
  std::mt19937 Random(Seed);
  for (int32_t Y = 0; Y < P.Height; ++Y)
    for (int32_t X = 0; X < P.Width * 3; ++X)
      P.Bits[static_cast<ptrdiff_t>(Y) * P.Stride + X] = static_cast<uint8_t>(Random());
}

bool SamePixel(const TZrPixels &A, int32_t AX, int32_t AY, const TZrPixels &B, int32_t BX,
               int32_t BY)
{
  return std::memcmp(A.PixelPtr(AX, AY), B.PixelPtr(BX, BY), 3) == 0;
}

// Every pixel of every operation against its definition, with the vector
// code and without, on widths and heights on either side of the vector
// blocks (4 and 16 pixels, steps of 64 columns, tiles of 128 rows) and with
// rows ending in each kind of padding.
TEST(Geometry, FlipsAndTurnsMatchTheirDefinitionOnEveryPath)
{
  test::NoteVectorPath(VectorKernelsEnabled(), "AVX2");
  struct Size
  {
    int32_t W, H;
  } Sizes[] = {{1, 1},  {2, 3},   {3, 2},   {4, 4},   {5, 9},    {6, 7},    {7, 5},
               {8, 8},  {15, 4},  {16, 17}, {17, 16}, {31, 33},  {32, 31},  {33, 64},
               {65, 6}, {64, 65}, {97, 96}, {96, 97}, {130, 67}, {67, 130}, {261, 133}};
  for (const bool Vectors : {true, false}) {
    const VectorSetting Setting(Vectors);
    for (const Size &S : Sizes) {
      const std::string What = std::to_string(S.W) + "x" + std::to_string(S.H) +
                               (Vectors ? " with vectors" : " without vectors");
      TZrPixelBuffer Old;
      ASSERT_TRUE(Old.Allocate(pf24bit, Bounds(0, 0, S.W, S.H)));
      FillRandom(Old, static_cast<uint32_t>(S.W * 1000 + S.H));

      for (const bool Clockwise : {true, false}) {
        TZrPixelBuffer New;
        ASSERT_TRUE(New.Allocate(pf24bit, Bounds(0, 0, S.H, S.W)));
        ASSERT_TRUE(RotatePixels(Old, New, Clockwise));
        for (int32_t Y = 0; Y < S.H; ++Y)
          for (int32_t X = 0; X < S.W; ++X) {
            const bool Moved = Clockwise ? SamePixel(New, S.H - 1 - Y, X, Old, X, Y)
                                         : SamePixel(New, Y, S.W - 1 - X, Old, X, Y);
            ASSERT_TRUE(Moved) << What << (Clockwise ? " right " : " left ") << X << "," << Y;
          }
      }

      TZrPixelBuffer Flipped;
      ASSERT_TRUE(Flipped.Allocate(pf24bit, Old.GetBounds()));
      Flipped.CopyFrom(Old);
      ASSERT_TRUE(FlipPixelsHorizontal(Flipped));
      for (int32_t Y = 0; Y < S.H; ++Y)
        for (int32_t X = 0; X < S.W; ++X)
          ASSERT_TRUE(SamePixel(Flipped, X, Y, Old, S.W - 1 - X, Y))
              << What << " mirror " << X << "," << Y;

      Flipped.CopyFrom(Old);
      ASSERT_TRUE(FlipPixelsVertical(Flipped));
      for (int32_t Y = 0; Y < S.H; ++Y)
        for (int32_t X = 0; X < S.W; ++X)
          ASSERT_TRUE(SamePixel(Flipped, X, Y, Old, X, S.H - 1 - Y))
              << What << " flip " << X << "," << Y;
    }
  }
}

// An image without row padding that ends right before an inaccessible page:
// a turn or a mirror that reads a byte past the last pixel crashes here.
// The widths put the vector code's last blocks at each distance from the
// row's end.
TEST(Geometry, ReadsNoByteAfterTheImage)
{
  const size_t Page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  constexpr int32_t H = 24;
  uint8_t *Memory = static_cast<uint8_t *>(
      mmap(nullptr, 2 * Page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(Memory, MAP_FAILED);
  ASSERT_EQ(mprotect(Memory + Page, Page, PROT_NONE), 0);
  for (const bool Vectors : {true, false}) {
    const VectorSetting Setting(Vectors);
    for (const int32_t W : {40, 41, 42, 43}) { // 3 W H bytes fit a page
      TZrPixels Old;
      Old.Init(Bounds(0, 0, W, H), Memory + Page - 3 * W * H, pf24bit, 3 * W);
      FillRandom(Old, 7);
      std::vector<uint8_t> Copy(Old.Bits, Old.Bits + 3 * W * H);
      for (const bool Clockwise : {true, false}) {
        TZrPixelBuffer New;
        ASSERT_TRUE(New.Allocate(pf24bit, Bounds(0, 0, H, W)));
        ASSERT_TRUE(RotatePixels(Old, New, Clockwise));
        EXPECT_TRUE(
            SamePixel(New, Clockwise ? 0 : H - 1, Clockwise ? W - 1 : 0, Old, W - 1, H - 1));
      }
      ASSERT_TRUE(FlipPixelsHorizontal(Old));
      ASSERT_TRUE(FlipPixelsHorizontal(Old));
      EXPECT_EQ(std::memcmp(Copy.data(), Old.Bits, Copy.size()), 0);
    }
  }
  munmap(Memory, 2 * Page);
}

} // namespace
} // namespace facette
