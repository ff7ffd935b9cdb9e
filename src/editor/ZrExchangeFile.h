// The exchange file between a host's filter plug-in and the editor:
//
//   offset 0   "PSPF"
//   offset 4   eight little-endian int32: header size (32), image mode (3,
//              RGB), left and top of the filtered area in the host's
//              image, width, height, row stride, pixel step (the number of
//              interleaved planes)
//   offset 36  height rows of stride bytes, top row first; pixel x starts
//              at x * pixel step and holds red, green, blue (further
//              planes follow and are ignored)
//   then       optionally "EXIF", an int32 length L and L bytes of EXIF
//              data (a TIFF-structured block), looked for only when more
//              than 496 bytes follow the rows
//
// The file comes from another process, so every size in it is checked
// against the file before a byte of the rows is touched. Shared by the
// editor, the Windows plug-in and the Linux plug-in: the standard library
// only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace facette {

constexpr char ExchangeSignature[4] = {'P', 'S', 'P', 'F'};
constexpr int32_t ExchangeHeaderSize = 32;
constexpr uint64_t ExchangeDataOffset = 4 + ExchangeHeaderSize;
constexpr int32_t ExchangeModeRGB = 3;
// The largest width and height taken (the editor's largest image side).
constexpr int32_t ExchangeMaxSide = 65500;
// The most interleaved planes taken; hosts hand over a few (colour, alpha,
// masks).
constexpr int32_t ExchangeMaxPlanes = 64;
// The trailer is looked for only when more bytes than this follow the rows.
constexpr uint64_t ExchangeTrailerThreshold = 496;
constexpr char ExchangeTrailerSignature[4] = {'E', 'X', 'I', 'F'};

struct TExchangeHeader
{
  int32_t HeaderSize = ExchangeHeaderSize;
  int32_t ImageMode = ExchangeModeRGB;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Stride = 0;
  int32_t PixelStep = 0;
};

enum class TExchangeStatus
{
  Ok,
  NotExchange,   // no "PSPF" at the start
  NotRGB,        // the image mode is not 3
  BadHeaderSize, // below 32, or the header does not fit the file
  BadSize,       // width or height zero, negative or too large
  BadPixelStep,  // below 3 or too large
  BadStride,     // below width * pixel step
  Truncated,     // the file ends before the last row does
  BadTrailer,    // an "EXIF" trailer whose length runs past the end
};

// Where the trailer's EXIF bytes lie in the file; Length 0 without one.
struct TExchangeTrailer
{
  uint64_t Offset = 0;
  uint32_t Length = 0;
};

// Reads the header of the whole file in File (Size bytes) and checks that
// everything it describes lies inside the file. Header is filled as far as
// the file has one; Trailer (when given) is set for an Ok file.
TExchangeStatus CheckExchangeFile(const uint8_t *File, uint64_t Size, TExchangeHeader &Header,
                                  TExchangeTrailer *Trailer = nullptr);
// A short English reason for a status, for logs and the command line.
const char *ExchangeStatusText(TExchangeStatus Status);

// Where the rows of a file with this header start, and the file's length
// without a trailer.
uint64_t ExchangeRowsOffset(const TExchangeHeader &Header);
uint64_t ExchangeFileSize(const TExchangeHeader &Header);
// Writes the signature and the header at File (36 bytes).
void WriteExchangeHeader(uint8_t *File, const TExchangeHeader &Header);

// Copies the rows of a checked file into a 24-bit image whose pixels hold
// blue, green, red, rows Stride bytes apart.
void ReadExchangeRows(const uint8_t *File, const TExchangeHeader &Header, uint8_t *Image,
                      ptrdiff_t Stride);
// Writes Width x Height pixels of a 24-bit blue-green-red image into the
// rows of a file with pixel step 3 and the given header's stride.
void WriteExchangeRows(const uint8_t *Image, ptrdiff_t Stride, const TExchangeHeader &Header,
                       uint8_t *File);

// For the plug-ins, whose hosts keep colour as red, green, blue and
// possibly further planes, rows Header.Stride bytes apart: copies the
// pixels of each host row (not the bytes after them, which a host's last
// row need not have) into the rows of a file with that header.
void WriteHostRows(const uint8_t *Host, const TExchangeHeader &Header, uint8_t *File);
// Copies the rows of a checked file of the host's size back into the
// host's buffer laid out as Host says: whole pixels when the pixel steps
// agree, else red, green and blue, leaving the host's further planes (its
// transparency) as they are.
void ReadHostRows(const uint8_t *File, const TExchangeHeader &Edited, uint8_t *Host,
                  const TExchangeHeader &HostLayout);

} // namespace facette
