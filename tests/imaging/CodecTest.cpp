#include "ImageTestSupport.h"
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrParallel.h"

#include <gtest/gtest.h>

#include <functional>
#include <png.h>
#include <tiffio.h>

namespace facette {
namespace {

using TEncoder = std::function<bool(const TZrPixels &, std::vector<uint8_t> &)>;
using TDecoder = std::function<bool(const uint8_t *, size_t, TZrLTBitmap &, TZrDecodeInfo *)>;

struct TLosslessCodec
{
  const char *Name;
  TEncoder Encode;
  TDecoder Decode;
};

const TLosslessCodec LosslessCodecs[] = {
    {"PNG", EncodePNG, DecodePNG},
    {"TIFF", EncodeTIFF, DecodeTIFF},
    {"BMP", EncodeBMP, DecodeBMP},
};

TEST(Codecs, LosslessFormatsRoundTripExactly)
{
  // Odd sizes make row padding and strides differ between the formats.
  for (const TLosslessCodec &Codec : LosslessCodecs)
    for (const auto &[W, H] : {std::pair{1, 1}, std::pair{7, 5}, std::pair{130, 3}}) {
      SCOPED_TRACE(std::string(Codec.Name) + " " + std::to_string(W) + "x" + std::to_string(H));
      TZrLTBitmap Image;
      ASSERT_TRUE(Image.SetSize(W, H, pf24bit));
      test::FillRandom(*Image.GetPixels(), static_cast<uint32_t>(W * 31 + H));
      std::vector<uint8_t> Bytes;
      ASSERT_TRUE(Codec.Encode(*Image.GetPixels(), Bytes));
      TZrLTBitmap Back;
      TZrDecodeInfo Info;
      ASSERT_TRUE(Codec.Decode(Bytes.data(), Bytes.size(), Back, &Info));
      EXPECT_EQ(Info.Width, W);
      EXPECT_EQ(Info.Height, H);
      EXPECT_TRUE(test::SamePixels(*Back.GetPixels(), *Image.GetPixels()));
    }
}

TEST(Codecs, TruncatedAndCorruptFilesFailCleanly)
{
  TZrLTBitmap Image;
  ASSERT_TRUE(Image.SetSize(40, 30, pf24bit));
  test::FillRandom(*Image.GetPixels(), 5);
  const TLosslessCodec Jpeg = {
      "JPEG",
      [](const TZrPixels &P, std::vector<uint8_t> &Out) { return EncodeJPEG(P, 90, js420, Out); },
      DecodeJPEG};
  std::vector<TLosslessCodec> All(std::begin(LosslessCodecs), std::end(LosslessCodecs));
  All.push_back(Jpeg);
  for (const TLosslessCodec &Codec : All) {
    SCOPED_TRACE(Codec.Name);
    std::vector<uint8_t> Bytes;
    ASSERT_TRUE(Codec.Encode(*Image.GetPixels(), Bytes));
    for (const size_t Keep : {size_t{0}, size_t{10}, Bytes.size() / 2, Bytes.size() - 30}) {
      TZrLTBitmap Out;
      EXPECT_FALSE(Codec.Decode(Bytes.data(), Keep, Out, nullptr)) << "kept " << Keep;
      EXPECT_EQ(Out.GetPixels(), nullptr);
    }
  }
}

// Little-endian helpers for hand-made BMP files.
void Put16(std::vector<uint8_t> &B, uint32_t V)
{
  B.push_back(static_cast<uint8_t>(V));
  B.push_back(static_cast<uint8_t>(V >> 8));
}
void Put32(std::vector<uint8_t> &B, uint32_t V)
{
  Put16(B, V & 0xFFFF);
  Put16(B, V >> 16);
}

// A BMP file: info header (40 bytes) or core header (12), then Extra
// (masks, palette), then the pixel data.
std::vector<uint8_t> MakeBMP(int32_t W, int32_t H, uint16_t Bits, uint32_t Compression,
                             const std::vector<uint8_t> &Extra, const std::vector<uint8_t> &Data,
                             bool Core = false)
{
  std::vector<uint8_t> B = {'B', 'M'};
  const uint32_t HeaderSize = Core ? 12 : 40;
  const uint32_t Offset = 14 + HeaderSize + static_cast<uint32_t>(Extra.size());
  Put32(B, Offset + static_cast<uint32_t>(Data.size()));
  Put32(B, 0);
  Put32(B, Offset);
  Put32(B, HeaderSize);
  if (Core) {
    Put16(B, static_cast<uint32_t>(W));
    Put16(B, static_cast<uint32_t>(H));
    Put16(B, 1);
    Put16(B, Bits);
  } else {
    Put32(B, static_cast<uint32_t>(W));
    Put32(B, static_cast<uint32_t>(H));
    Put16(B, 1);
    Put16(B, Bits);
    Put32(B, Compression);
    Put32(B, static_cast<uint32_t>(Data.size()));
    Put32(B, 3780); // 96 dpi
    Put32(B, 3780);
    Put32(B, 0);
    Put32(B, 0);
  }
  B.insert(B.end(), Extra.begin(), Extra.end());
  B.insert(B.end(), Data.begin(), Data.end());
  return B;
}

TEST(Codecs, BMPVariants)
{
  // Palette entries are blue, green, red, reserved (core headers: 3 bytes).
  const std::vector<uint8_t> Palette4 = {0x10, 0x20, 0x30, 0, 0xA0, 0xB0, 0xC0, 0,
                                         0x01, 0x02, 0x03, 0, 0xFF, 0xFF, 0xFF, 0};
  struct TCase
  {
    const char *Name;
    std::vector<uint8_t> File;
    const char *Pixels;
  };
  const TCase Cases[] = {
      {"24-bit bottom-up, rows padded",
       MakeBMP(2, 2, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}),
       "070809 0A0B0C|010203 040506"},
      {"24-bit top-down", MakeBMP(1, -2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0}), "010203|040506"},
      {"1-bit palette", MakeBMP(3, 1, 1, 0, {0, 0, 0, 0, 0xFF, 0xEE, 0xDD, 0}, {0xA0, 0, 0, 0}),
       "FFEEDD 000000 FFEEDD"},
      {"4-bit palette", MakeBMP(3, 1, 4, 0, Palette4, {0x12, 0x30, 0, 0}), "A0B0C0 010203 FFFFFF"},
      {"8-bit, core header",
       MakeBMP(
           2, 1, 8, 0,
           [] {
             std::vector<uint8_t> P(256 * 3, 0);
             P[3 * 5] = 9, P[3 * 5 + 1] = 8, P[3 * 5 + 2] = 7;
             return P;
           }(),
           {5, 0, 0, 0}, true),
       "090807 000000"},
      {"16-bit 5-5-5", MakeBMP(2, 1, 16, 0, {}, {0x1F, 0x00, 0x00, 0x7C}), "FF0000 0000FF"},
      {"16-bit 5-6-5 bit fields",
       [] {
         std::vector<uint8_t> Masks;
         Put32(Masks, 0xF800);
         Put32(Masks, 0x07E0);
         Put32(Masks, 0x001F);
         return MakeBMP(2, 1, 16, 3, Masks, {0xE0, 0x07, 0x00, 0xF8});
       }(),
       "00FF00 0000FF"},
      {"32-bit ignores the fourth byte", MakeBMP(1, 1, 32, 0, {}, {1, 2, 3, 0x80}), "010203"},
      {"RLE8 with run, absolute run, delta and end of line",
       [] {
         std::vector<uint8_t> P(256 * 4, 0);
         P[4 * 1] = 0x11;
         P[4 * 2] = 0x22;
         P[4 * 3] = 0x33;
         // Row 0 (bottom): 2 x index 1, then absolute 3 pixels 2,3,2 (padded);
         // end of line; row 1: delta (1, 0), one pixel 3; end of bitmap.
         return MakeBMP(5, 2, 8, 1, P, {2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 1, 0, 1, 3, 0, 1});
       }(),
       "000000 330000 000000 000000 000000|110000 110000 220000 330000 220000"},
      {"RLE4", MakeBMP(4, 1, 4, 2, Palette4, {3, 0x12, 0, 1, 0, 0}), "A0B0C0 010203 A0B0C0 000000"},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.Name);
    TZrLTBitmap Image;
    ASSERT_TRUE(DecodeBMP(C.File.data(), C.File.size(), Image));
    EXPECT_EQ(test::PixelsAsText(Image), C.Pixels);
  }
}

TEST(Codecs, BMPRefusals)
{
  const std::vector<uint8_t> Pixels(64, 0);
  struct TCase
  {
    const char *Name;
    std::vector<uint8_t> File;
  };
  const TCase Cases[] = {
      {"embedded JPEG", MakeBMP(2, 2, 0, 4, {}, Pixels)},
      {"RLE8 with 24 bits", MakeBMP(2, 2, 24, 1, {}, Pixels)},
      {"2 bits per pixel", MakeBMP(2, 2, 2, 0, {}, Pixels)},
      {"zero width", MakeBMP(0, 2, 24, 0, {}, Pixels)},
      {"huge size claimed by a small file", MakeBMP(60000, 60000, 24, 0, {}, Pixels)},
      {"RLE run into a huge picture",
       MakeBMP(30000, 30000, 8, 1, std::vector<uint8_t>(1024), {0, 1})},
      {"RLE data ends early", MakeBMP(4, 4, 8, 1, std::vector<uint8_t>(1024), {4, 1, 0, 0})},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.Name);
    TZrLTBitmap Image;
    EXPECT_FALSE(DecodeBMP(C.File.data(), C.File.size(), Image));
    EXPECT_EQ(Image.GetWidth(), 0);
  }
}

std::vector<uint8_t> MakePNG(uint32_t Format, int32_t W, int32_t H,
                             const std::vector<uint8_t> &Pixels)
{
  png_image Png{};
  Png.version = PNG_IMAGE_VERSION;
  Png.width = static_cast<png_uint_32>(W);
  Png.height = static_cast<png_uint_32>(H);
  Png.format = Format;
  png_alloc_size_t Size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&Png, nullptr, &Size, 0, Pixels.data(), 0, nullptr));
  std::vector<uint8_t> Bytes(Size);
  EXPECT_TRUE(png_image_write_to_memory(&Png, Bytes.data(), &Size, 0, Pixels.data(), 0, nullptr));
  Bytes.resize(Size);
  return Bytes;
}

TEST(Codecs, PNGLayoutsAreReducedTo24Bits)
{
  struct TCase
  {
    const char *Name;
    std::vector<uint8_t> File;
    const char *Pixels;
  };
  const TCase Cases[] = {
      {"grey", MakePNG(PNG_FORMAT_GRAY, 2, 1, {0x10, 0xF0}), "101010 F0F0F0"},
      {"RGBA over white",
       MakePNG(PNG_FORMAT_RGBA, 3, 1, {255, 0, 0, 255, 255, 0, 0, 0, 0, 0, 255, 128}),
       "0000FF FFFFFF FF7F7F"},
      {"grey and alpha over white", MakePNG(PNG_FORMAT_GA, 1, 1, {0, 0}), "FFFFFF"},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.Name);
    TZrLTBitmap Image;
    ASSERT_TRUE(DecodePNG(C.File.data(), C.File.size(), Image));
    EXPECT_EQ(test::PixelsAsText(Image), C.Pixels);
  }
}

// Inserts a chunk after IHDR (8 bytes of signature, 25 of IHDR). The CRC
// is not checked for ancillary chunks that are skipped.
std::vector<uint8_t> WithChunk(std::vector<uint8_t> Png, uint32_t StatedLength, const char *Type,
                               size_t Present)
{
  std::vector<uint8_t> Chunk = {
      static_cast<uint8_t>(StatedLength >> 24), static_cast<uint8_t>(StatedLength >> 16),
      static_cast<uint8_t>(StatedLength >> 8), static_cast<uint8_t>(StatedLength)};
  Chunk.insert(Chunk.end(), Type, Type + 4);
  Chunk.resize(Chunk.size() + Present + 4, 'x');
  Png.insert(Png.begin() + 33, Chunk.begin(), Chunk.end());
  return Png;
}

TEST(Codecs, PNGChunkLengthsAreCheckedBeforeLibpngAllocates)
{
  TZrLTBitmap Image;
  ASSERT_TRUE(Image.SetSize(3, 2, pf24bit));
  test::FillRandom(*Image.GetPixels(), 9);
  std::vector<uint8_t> Png;
  ASSERT_TRUE(EncodePNG(*Image.GetPixels(), Png));
  // Found by fuzzing: a text chunk stating 1.3 GB made libpng allocate that
  // much before finding the file too short.
  for (const auto &Bad :
       {WithChunk(Png, 0x4E000020, "iTXt", 20), WithChunk(Png, 0xFFFFFFF0, "zTXt", 4)}) {
    TZrLTBitmap Out;
    TZrDecodeInfo Info;
    EXPECT_FALSE(DecodePNG(Bad.data(), Bad.size(), Out));
    EXPECT_FALSE(ReadPNGHeader(Bad.data(), Bad.size(), Info));
  }
  // A well-formed text chunk is skipped and the pixels come through.
  const auto Good = WithChunk(Png, 10, "tEXt", 10);
  TZrLTBitmap Out;
  ASSERT_TRUE(DecodePNG(Good.data(), Good.size(), Out));
  EXPECT_TRUE(test::SamePixels(*Out.GetPixels(), *Image.GetPixels()));
  // No end chunk: the file was cut short.
  const std::vector<uint8_t> Cut(Png.begin(), Png.end() - 12);
  EXPECT_FALSE(DecodePNG(Cut.data(), Cut.size(), Out));
}

// A TIFF of 2 x 1 pixels written with libtiff in the given layout.
std::vector<uint8_t> MakeTIFF(uint16_t Photometric, uint16_t Bits, uint16_t Samples,
                              const std::vector<uint16_t> &Values, bool Alpha = false,
                              const std::vector<uint16_t> &Map = {},
                              uint16_t Orientation = ORIENTATION_TOPLEFT)
{
  const auto Path = std::filesystem::temp_directory_path() /
                    ("facette-tiff-" + std::to_string(::getpid()) + ".tif");
  TIFF *T = TIFFOpen(Path.c_str(), "w");
  EXPECT_NE(T, nullptr);
  TIFFSetField(T, TIFFTAG_IMAGEWIDTH, 2);
  TIFFSetField(T, TIFFTAG_IMAGELENGTH, 1);
  TIFFSetField(T, TIFFTAG_BITSPERSAMPLE, Bits);
  TIFFSetField(T, TIFFTAG_SAMPLESPERPIXEL, Samples);
  TIFFSetField(T, TIFFTAG_PHOTOMETRIC, Photometric);
  TIFFSetField(T, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(T, TIFFTAG_ORIENTATION, Orientation);
  if (Alpha) {
    const uint16_t Extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(T, TIFFTAG_EXTRASAMPLES, 1, &Extra);
  }
  if (!Map.empty()) {
    std::vector<uint16_t> R(256, 0), G(256, 0), B(256, 0);
    for (size_t I = 0; I * 3 < Map.size(); ++I)
      R[I] = Map[I * 3], G[I] = Map[I * 3 + 1], B[I] = Map[I * 3 + 2];
    TIFFSetField(T, TIFFTAG_COLORMAP, R.data(), G.data(), B.data());
  }
  std::vector<uint8_t> Row;
  for (const uint16_t V : Values) {
    if (Bits == 16) {
      Row.push_back(static_cast<uint8_t>(V));
      Row.push_back(static_cast<uint8_t>(V >> 8));
    } else {
      Row.push_back(static_cast<uint8_t>(V));
    }
  }
  EXPECT_EQ(TIFFWriteScanline(T, Row.data(), 0, 0), 1);
  TIFFClose(T);
  std::vector<uint8_t> Bytes = test::FileBytes(Path);
  std::filesystem::remove(Path);
  return Bytes;
}

TEST(Codecs, TIFFLayoutsAreReducedTo24Bits)
{
  struct TCase
  {
    const char *Name;
    std::vector<uint8_t> File;
    const char *Pixels;
  };
  const TCase Cases[] = {
      {"8-bit RGB", MakeTIFF(PHOTOMETRIC_RGB, 8, 3, {1, 2, 3, 4, 5, 6}), "030201 060504"},
      {"16-bit RGB", MakeTIFF(PHOTOMETRIC_RGB, 16, 3, {0xFFFF, 0, 0x8080, 0, 0x1234, 0}),
       "8000FF 001200"},
      {"8-bit grey", MakeTIFF(PHOTOMETRIC_MINISBLACK, 8, 1, {0x40, 0xFF}), "404040 FFFFFF"},
      {"16-bit grey", MakeTIFF(PHOTOMETRIC_MINISBLACK, 16, 1, {0x4000, 0xFFFF}), "404040 FFFFFF"},
      {"palette",
       MakeTIFF(PHOTOMETRIC_PALETTE, 8, 1, {1, 0}, false, {0, 0, 0, 0xFFFF, 0x8000, 0x0000}),
       "0080FF 000000"},
      {"RGBA over white", MakeTIFF(PHOTOMETRIC_RGB, 8, 4, {255, 0, 0, 255, 0, 0, 255, 0}, true),
       "0000FF FFFFFF"},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.Name);
    TZrLTBitmap Image;
    ASSERT_TRUE(DecodeTIFF(C.File.data(), C.File.size(), Image));
    EXPECT_EQ(test::PixelsAsText(Image), C.Pixels);
  }
}

TEST(Codecs, WhateverOpensCanBeSavedAsJPEG)
{
  // Found by fuzzing: a BMP 65535 pixels wide opened, turned, and could not
  // be written as JPEG, whose library stops at 65500.
  TZrLTBitmap Image;
  ASSERT_TRUE(Image.SetSize(1, 65500, pf24bit));
  std::vector<uint8_t> Bytes;
  EXPECT_TRUE(EncodeJPEG(*Image.GetPixels(), 50, js420, Bytes));
  std::vector<uint8_t> Bmp = {'B', 'M'};
  Bmp.resize(14 + 40 + 4 * 3, 0);
  Bmp[10] = 54;
  Bmp[14] = 40;
  for (const uint32_t Width : {65500u, 65501u}) {
    for (int I = 0; I < 4; ++I)
      Bmp[18 + I] = static_cast<uint8_t>(Width >> (8 * I));
    Bmp[22] = 1; // height
    Bmp[26] = 1; // planes
    Bmp[28] = 1; // bits per pixel
    Bmp.resize(54 + 8 + (Width + 31) / 32 * 4, 0);
    Bmp[10] = 62; // after the two palette entries
    TZrLTBitmap Out;
    EXPECT_EQ(DecodeBMP(Bmp.data(), Bmp.size(), Out), Width == 65500u) << Width;
  }
}

TEST(Codecs, JPEGQualityIsEstimatedFromTheTables)
{
  TZrLTBitmap Image;
  ASSERT_TRUE(Image.SetSize(32, 32, pf24bit));
  test::FillSmooth(*Image.GetPixels());
  for (const int32_t Quality : {5, 40, 73, 90, 100}) {
    std::vector<uint8_t> Bytes;
    ASSERT_TRUE(EncodeJPEG(*Image.GetPixels(), Quality, js444, Bytes));
    EXPECT_EQ(EstimateJPEGQuality(Bytes.data(), Bytes.size()), Quality);
    TZrJPEGHeader Header;
    ASSERT_TRUE(ReadJPEGHeader(Bytes.data(), Bytes.size(), Header));
    EXPECT_EQ(Header.Subsampling, js444);
    EXPECT_EQ(Header.Width, 32);
  }
  const uint8_t NotJpeg[] = {1, 2, 3, 4};
  EXPECT_EQ(EstimateJPEGQuality(NotJpeg, sizeof NotJpeg), -1);
}

TEST(Codecs, JPEGHeaderClaimingAHugeImageIsRefusedBeforeDecoding)
{
  TZrLTBitmap Image;
  ASSERT_TRUE(Image.SetSize(16, 16, pf24bit));
  test::FillSmooth(*Image.GetPixels());
  std::vector<uint8_t> Bytes;
  ASSERT_TRUE(EncodeJPEG(*Image.GetPixels(), 90, js420, Bytes));
  // Patch the frame header to 16000 x 16000: far more blocks than bytes.
  for (size_t I = 2; I + 8 < Bytes.size(); ++I)
    if (Bytes[I] == 0xFF && Bytes[I + 1] == 0xC0) {
      Bytes[I + 5] = 0x3E, Bytes[I + 6] = 0x80; // height
      Bytes[I + 7] = 0x3E, Bytes[I + 8] = 0x80; // width
      break;
    }
  TZrJPEGHeader Header;
  ASSERT_TRUE(ReadJPEGHeader(Bytes.data(), Bytes.size(), Header));
  EXPECT_EQ(Header.Width, 16000);
  EXPECT_FALSE(JPEGSizePlausible(Header, Bytes.size()));
  TZrLTBitmap Out;
  EXPECT_FALSE(DecodeJPEG(Bytes.data(), Bytes.size(), Out));
}

// Resampling while decoding gives the pixels of decoding and then
// resampling, for the JPEG layouts a camera or an editor writes; damaged
// data is refused the same way, and what the row way cannot do is left to
// the caller.
TEST(Codecs, JPEGResampledWhileDecodingMatchesDecodeThenResample)
{
  TZrLTBitmap Image;
  // Tall enough that the decoder fills the ring of batches it hands to the
  // resampling thread and has to wait.
  ASSERT_TRUE(Image.SetSize(203, 307, pf24bit));
  test::FillSmooth(*Image.GetPixels());
  const TZrPixels &P = *Image.GetPixels();
  // TurboJPEG directly, for a progressive file and a CMYK one.
  auto Compress = [&](int PixelFormat, int Sampling, int Flags, const uint8_t *Pixels) {
    std::vector<uint8_t> Out;
    tjhandle Handle = tjInitCompress();
    unsigned char *Buffer = nullptr;
    unsigned long Size = 0;
    if (tjCompress2(Handle, Pixels, P.Width, 0, P.Height, PixelFormat, &Buffer, &Size, Sampling, 85,
                    Flags) == 0)
      Out.assign(Buffer, Buffer + Size);
    tjFree(Buffer);
    tjDestroy(Handle);
    return Out;
  };
  std::vector<uint8_t> Packed;
  for (int32_t Y = 0; Y < P.Height; ++Y)
    Packed.insert(Packed.end(), P.PixelPtr(0, Y), P.PixelPtr(0, Y) + P.Width * 3);

  struct TCase
  {
    const char *Name;
    std::vector<uint8_t> Bytes;
  };
  std::vector<TCase> Cases(4);
  Cases[0].Name = "4:2:0";
  ASSERT_TRUE(EncodeJPEG(P, 90, js420, Cases[0].Bytes));
  Cases[1].Name = "4:4:4";
  ASSERT_TRUE(EncodeJPEG(P, 90, js444, Cases[1].Bytes));
  Cases[2].Name = "grey";
  ASSERT_TRUE(EncodeJPEG(P, 90, jsGray, Cases[2].Bytes));
  Cases[3].Name = "progressive";
  Cases[3].Bytes = Compress(TJPF_BGR, TJSAMP_422, TJFLAG_PROGRESSIVE, Packed.data());
  // One thread decoding and resampling in turn, and the decoder on a thread
  // of its own beside the resampler.
  struct TAllCores
  {
    ~TAllCores() { SetWorkerLimit(0); }
  } Restore;
  for (const int32_t Workers : {1, 2}) {
    SetWorkerLimit(Workers);
    SCOPED_TRACE(std::to_string(Workers) + " threads");
    for (const TCase &C : Cases)
      for (const auto &[W, H] : {std::pair{100, 48}, std::pair{67, 297}, std::pair{401, 150}}) {
        SCOPED_TRACE(std::string(C.Name) + " to " + std::to_string(W) + "x" + std::to_string(H));
        ASSERT_FALSE(C.Bytes.empty());
        TZrLTBitmap Expected, Actual;
        ASSERT_TRUE(DecodeJPEG(C.Bytes.data(), C.Bytes.size(), Expected));
        ASSERT_TRUE(Expected.Resample(W, H));
        TZrDecodeInfo Info;
        ASSERT_EQ(DecodeJPEGResampled(C.Bytes.data(), C.Bytes.size(), W, H, Actual, &Info),
                  TZrRowDecode::Done);
        EXPECT_EQ(Info.Width, 203);
        EXPECT_TRUE(test::SamePixels(*Actual.GetPixels(), *Expected.GetPixels()));
      }

    TZrLTBitmap Out;
    TZrDecodeInfo Info;
    std::vector<uint8_t> Cut(Cases[0].Bytes.begin(), Cases[0].Bytes.end() - 300);
    EXPECT_EQ(DecodeJPEGResampled(Cut.data(), Cut.size(), 50, 20, Out, &Info),
              TZrRowDecode::Failed);
    EXPECT_EQ(Info.Problem, TZrImageProblem::Damaged);
    EXPECT_EQ(Out.GetWidth(), 0);
    // The end-of-image marker put back after the cut does not hide it.
    Cut.push_back(0xFF);
    Cut.push_back(0xD9);
    EXPECT_EQ(DecodeJPEGResampled(Cut.data(), Cut.size(), 50, 20, Out), TZrRowDecode::Failed);
    TZrDecodeInfo Partial;
    Partial.AcceptPartial = true;
    EXPECT_EQ(DecodeJPEGResampled(Cut.data(), Cut.size(), 50, 20, Out, &Partial),
              TZrRowDecode::NotApplicable);
    // A fatal error in a later scan of a progressive file: a Huffman table
    // with an index no decoder has.
    std::vector<uint8_t> BadTable = Cases[3].Bytes;
    size_t Scan = 0;
    for (size_t I = 2; I + 4 < BadTable.size() && Scan < 2; ++I)
      if (BadTable[I] == 0xFF && BadTable[I + 1] == 0xDA)
        ++Scan;
      else if (Scan == 1 && BadTable[I] == 0xFF && BadTable[I + 1] == 0xC4) {
        BadTable[I + 4] = 0x1F;
        Scan = 2;
      }
    ASSERT_EQ(Scan, 2u);
    EXPECT_EQ(DecodeJPEGResampled(BadTable.data(), BadTable.size(), 50, 20, Out),
              TZrRowDecode::Failed);
    EXPECT_EQ(Out.GetWidth(), 0);
    std::vector<uint8_t> Cmyk(static_cast<size_t>(P.Width) * P.Height * 4, 128);
    const std::vector<uint8_t> CmykJpeg = Compress(TJPF_CMYK, TJSAMP_444, 0, Cmyk.data());
    ASSERT_FALSE(CmykJpeg.empty());
    EXPECT_EQ(DecodeJPEGResampled(CmykJpeg.data(), CmykJpeg.size(), 50, 20, Out),
              TZrRowDecode::NotApplicable);
  }
}

} // namespace
} // namespace facette
