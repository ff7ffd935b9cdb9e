// Decoders and encoders of the image file formats. Every decoder works on
// the file's bytes in memory, checks the size the file claims against
// ImageSizeAllowed (and against what the file's length can plausibly hold)
// before it allocates, and writes 24-bit blue-green-red rows straight into
// a device bitmap. A file that is truncated or corrupt, or in a form that
// is not read, gives false and an empty bitmap, and says which in the
// decode information. Encoders take a 24-bit pixel window and produce the
// file's bytes; nothing here touches the disk.
#pragma once

#include "imaging/ZrBitmap.h"
#include "imaging/ZrImageFile.h"
#include "imaging/ZrLTBitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
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
  // Why decoding failed; for Unsupported, Reason says what is not read.
  TZrImageProblem Problem = TZrImageProblem::None;
  std::string Reason;
  // Set by the caller: a JPEG whose data is partly missing or corrupt gives
  // the part that could be read (the rest grey) and succeeds with Problem
  // set to Damaged. Without it such a file is refused.
  bool AcceptPartial = false;
};

// Records why decoding failed (when Info is given); returns false.
inline bool DecodeFailed(TZrDecodeInfo *Info, TZrImageProblem Problem, std::string Reason = {})
{
  if (Info) {
    Info->Problem = Problem;
    Info->Reason = std::move(Reason);
  }
  return false;
}

// A colour channel laid over white with its alpha (both 0..255), as
// viewers show transparent pixels.
inline uint8_t OverWhite(uint32_t Value, uint32_t Alpha)
{
  return static_cast<uint8_t>((Value * Alpha + 255 * (255 - Alpha) + 127) / 255);
}

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
  bool HasExif = false;    // an APP1 "Exif" segment before the image data
  int32_t Precision = 8;   // bits per sample
  uint8_t FrameMarker = 0; // the SOFn marker: the coding process
  double HorizontalResolution = 0;
  double VerticalResolution = 0;
};

// Reads the markers up to the first scan. False when the data is not a
// JPEG file or its frame header is missing or malformed.
bool ReadJPEGHeader(const uint8_t *Data, size_t Size, TZrJPEGHeader &Header);
// Whether a file of Size bytes can plausibly hold the image the header
// claims: every 8 x 8 block costs at least one bit in a Huffman-coded file.
bool JPEGSizePlausible(const TZrJPEGHeader &Header, size_t Size);

// Whether a JPEG file's coded data holds its whole picture.
enum class TZrJPEGIntegrity
{
  Whole,   // intact, or with flaws the decoder passes over (stray bytes)
  Partial, // data missing or corrupt after part of the picture was read
  Broken,  // nothing of the picture can be read
};
// Reads the file through the decoder once at 1/8 scale, which still
// decodes every coded block, and sorts what the decoder reported.
TZrJPEGIntegrity CheckJPEGData(const uint8_t *Data, size_t Size);

bool DecodeJPEG(const uint8_t *Data, size_t Size, TZrLTBitmap &Image,
                TZrDecodeInfo *Info = nullptr);
// Decodes into a window that already has the image's size (24-bit).
bool DecodeJPEGInto(const uint8_t *Data, size_t Size, const TZrPixels &Dest,
                    TZrDecodeInfo *Info = nullptr);
// Decodes the picture straight into Image at Width x Height, resampled as
// TZrLTBitmap::Resample does it (the same pixels), the decoded rows handed
// to the resampler as they come, so that the full-size picture is never
// held. NotApplicable (nothing reported, Image empty) where that way does
// not apply: CMYK files, sizes the row pass cannot do, or when the caller
// accepts a partial picture; the caller then decodes and resamples as
// usual.
enum class TZrRowDecode
{
  Done,
  Failed,
  NotApplicable,
};
TZrRowDecode DecodeJPEGResampled(const uint8_t *Data, size_t Size, int32_t Width, int32_t Height,
                                 TZrLTBitmap &Image, TZrDecodeInfo *Info = nullptr);
// Decodes at the smallest of TurboJPEG's scales that still gives at least
// MinWidth x MinHeight (or the full size), for previews; a picture that is
// only partly there is shown as it is.
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
// The first image of the file (classic TIFF or BigTIFF) whose strips or
// tiles are laid out as its size says; 8- and 16-bit RGB, RGBA, grey and
// palette images (and whatever else libtiff can turn into RGBA), grey of
// other depths up to 16 bits, and CIELab through Little CMS are reduced to
// 24 bits, alpha laid over white.
bool DecodeTIFF(const uint8_t *Data, size_t Size, TZrLTBitmap &Image,
                TZrDecodeInfo *Info = nullptr);
// 24-bit RGB, LZW with the horizontal predictor.
bool EncodeTIFF(const TZrPixels &Pixels, std::vector<uint8_t> &Out);

bool ReadBMPHeader(const uint8_t *Data, size_t Size, TZrDecodeInfo &Info);
// 1, 4, 8, 16, 24 and 32 bits per pixel, RLE4 and RLE8, bit fields, top-down
// and bottom-up rows. Alpha given by a bit-field mask is laid over white.
bool DecodeBMP(const uint8_t *Data, size_t Size, TZrLTBitmap &Image, TZrDecodeInfo *Info = nullptr);
// 24-bit, uncompressed, bottom-up.
bool EncodeBMP(const TZrPixels &Pixels, std::vector<uint8_t> &Out);

} // namespace facette
