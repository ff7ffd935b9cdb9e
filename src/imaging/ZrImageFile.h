// Helpers shared by the image codecs: recognising a file by its first
// bytes, the ZRI header inversion, the size limits every decoder checks
// before it allocates, and writing a file so that it is either completely
// there or not changed at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace facette {

// What a file's first bytes say it is.
enum class TZrImageKind
{
  Unknown,
  JPEG,
  PNG,
  TIFF,
  BMP,
  ZRI,      // a JPEG whose first 16 bytes are complemented
  Exchange, // the plug-in exchange file ("PSPF")
};

TZrImageKind SniffImageKind(const uint8_t *Data, size_t Size);

// Why an image file could not be opened. Damaged also marks a file that
// was opened all the same because part of its picture could be read.
enum class TZrImageProblem
{
  None,
  Missing,     // no such file
  Unreadable,  // not a regular file, or reading it failed
  Unsupported, // an image of a kind or form that is not read here
  Damaged,     // truncated or corrupt
  TooLarge,    // beyond the size limits below
  OutOfMemory,
};

// The number of leading bytes a ZRI file keeps complemented.
constexpr size_t ZRIHeaderSize = 16;

// True when Data is longer than 16 bytes, starts with FF D8 FF and has "IF"
// (either case) at bytes 8 and 9: a JPEG file with a JFIF or Exif header.
bool IsJPEGHeader(const uint8_t *Data, size_t Size);
// The same test on the first 16 bytes complemented.
bool IsZRIHeader(const uint8_t *Data, size_t Size);
// Complements the first 16 bytes (fewer when the data is shorter).
void ComplementHeader(uint8_t *Data, size_t Size);

// Images larger than this are refused before anything is allocated: the
// longest side the JPEG library can write (so that whatever opens can be
// saved in every format), and 2^28 pixels (768 MB at 24 bits).
constexpr int64_t MaxImageSide = 65500;
constexpr int64_t MaxImagePixels = int64_t{1} << 28;
bool ImageSizeAllowed(int64_t Width, int64_t Height);

// Reads a whole regular file. False for a missing file, anything that is
// not a regular file (a folder, a named pipe, a device: never waited on),
// a read error, or a file longer than MaxSize bytes; Error (when given)
// then says which.
bool ReadFileBytes(const std::filesystem::path &FileName, std::vector<uint8_t> &Bytes,
                   uint64_t MaxSize = uint64_t{1} << 32, std::string *Error = nullptr);

// Writes Size bytes to FileName through a temporary file beside it that is
// flushed to the disk and then renamed over the target (its name is
// shortened when the target's is too long to take the temporary suffix). On failure the
// temporary file is removed, an existing target is left as it was and false
// is returned with a reason in Error (when given). An existing target's
// permissions carry over to the new file.
bool WriteFileAtomic(const std::filesystem::path &FileName, const void *Data, size_t Size,
                     std::string *Error = nullptr);

} // namespace facette
