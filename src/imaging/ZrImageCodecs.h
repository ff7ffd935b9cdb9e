// Decoders and encoders of the image file formats. Every decoder works on
// the file's bytes in memory, checks the size the file claims against
// ImageSizeAllowed (and against what the file's length can plausibly hold)
// before it allocates, and writes 24-bit blue-green-red rows straight into
// a device bitmap. A file that is truncated or corrupt gives false and an
// empty bitmap. Encoders take a 24-bit pixel window and produce the file's
// bytes; nothing here touches the disk.
#pragma once

#include "imaging/ZrBitmap.h"
#include "imaging/ZrLTBitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace facette {

// What a decoder learnt besides the pixels.
struct TZrDecodeInfo
{
  int32_t Width = 0;
  int32_t Height = 0;
  // Dots per inch as the file states them; 0 when it does not.
  double HorizontalResolution = 0;
  double VerticalResolution = 0;
};

// JPEG chroma subsampling, in TurboJPEG's numbering.
enum TZrJPEGSubsampling : int32_t
{
  jsUnknown = -1,
  js444 = 0,
  js422 = 1,
  js420 = 2,
  jsGray = 3,
  js440 = 4,
  js411 = 5,
};

struct TZrJPEGHeader
{
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Subsampling = jsUnknown;
  bool Progressive = false;
  bool Arithmetic = false;
  bool CMYK = false;
  bool HasExif = false; // an APP1 "Exif" segment before the image data
  double HorizontalResolution = 0;
  double VerticalResolution = 0;
};

// Reads the markers up to the first scan. False when the data is not a
// JPEG file or its frame header is missing or malformed.
bool ReadJPEGHeader(const uint8_t *Data, size_t Size, TZrJPEGHeader &Header);
// Whether a file of Size bytes can plausibly hold the image the header
// claims: every 8 x 8 block costs at least one bit in a Huffman-coded file.
bool JPEGSizePlausible(const TZrJPEGHeader &Header, size_t Size);

bool DecodeJPEG(const uint8_t *Data, size_t Size, TZrLTBitmap &Image,
                TZrDecodeInfo *Info = nullptr);
// Decodes into a window that already has the image's size (24-bit).
bool DecodeJPEGInto(const uint8_t *Data, size_t Size, const TZrPixels &Dest);
// Decodes at the smallest of TurboJPEG's scales that still gives at least
// MinWidth x MinHeight (or the full size), for previews.
bool DecodeJPEGScaled(const uint8_t *Data, size_t Size, int32_t MinWidth, int32_t MinHeight,
                      TZrLTBitmap &Image);
// Quality 1..100; Subsampling one of the TZrJPEGSubsampling values.
bool EncodeJPEG(const TZrPixels &Pixels, int32_t Quality, int32_t Subsampling,
                std::vector<uint8_t> &Out);
// The IJG quality (1..100) whose scaled standard luminance table comes
// closest to the file's first quantisation table; -1 without one.
int32_t EstimateJPEGQuality(const uint8_t *Data, size_t Size);

bool ReadPNGHeader(const uint8_t *Data, size_t Size, TZrDecodeInfo &Info);
// Palette, grey, 16-bit and transparency are reduced to 24 bits; partly
// transparent pixels are laid over white.
bool DecodePNG(const uint8_t *Data, size_t Size, TZrLTBitmap &Image, TZrDecodeInfo *Info = nullptr);
bool EncodePNG(const TZrPixels &Pixels, std::vector<uint8_t> &Out);

bool ReadTIFFHeader(const uint8_t *Data, size_t Size, TZrDecodeInfo &Info);
// The first image of the file; 8- and 16-bit RGB, RGBA, grey and palette
// images (and whatever else libtiff can turn into RGBA) are reduced to 24
// bits, alpha laid over white.
bool DecodeTIFF(const uint8_t *Data, size_t Size, TZrLTBitmap &Image,
                TZrDecodeInfo *Info = nullptr);
// 24-bit RGB, LZW with the horizontal predictor.
bool EncodeTIFF(const TZrPixels &Pixels, std::vector<uint8_t> &Out);

bool ReadBMPHeader(const uint8_t *Data, size_t Size, TZrDecodeInfo &Info);
// 1, 4, 8, 16, 24 and 32 bits per pixel, RLE4 and RLE8, bit fields, top-down
// and bottom-up rows. Alpha in 32-bit files is ignored.
bool DecodeBMP(const uint8_t *Data, size_t Size, TZrLTBitmap &Image, TZrDecodeInfo *Info = nullptr);
// 24-bit, uncompressed, bottom-up.
bool EncodeBMP(const TZrPixels &Pixels, std::vector<uint8_t> &Out);

} // namespace facette
