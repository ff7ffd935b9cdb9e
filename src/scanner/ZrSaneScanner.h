// Scanner acquisition through SANE: the list of available sources and one
// scan from a chosen source into a 24-bit image. Everything here blocks;
// the user-interface layer runs it on a worker thread, and every call of one
// session must come from the same thread.
#pragma once

#include "imaging/ZrBitmap.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace facette {

// One source as SANE lists it.
struct TZrScanSource
{
  std::string Name;   // what sane_open takes ("test:0", "genesys:libusb:001:004")
  std::string Vendor; // "Canon"
  std::string Model;  // "LiDE 220"
  std::string Type;   // "flatbed scanner"
  // What the Import menu shows: vendor and model, else the name.
  std::string DisplayName() const;
};

// One frame of a scan as the backend delivers it (SANE frame formats).
enum TZrScanFrameFormat : int32_t
{
  sfGray = 0,
  sfRGB = 1,
  sfRed = 2,
  sfGreen = 3,
  sfBlue = 4,
};

struct TZrScanFrame
{
  int32_t Format = sfGray;
  int32_t Depth = 8; // bits per sample: 1, 8 or 16
  int32_t BytesPerLine = 0;
  int32_t PixelsPerLine = 0;
  std::vector<uint8_t> Data; // whole lines, top first; a partial last line is dropped
};

// Turns the frames of one scan (one grey or colour frame, or a red, a
// green and a blue frame) into a 24-bit image. Line art (depth 1) gives
// black where a bit is set; 16-bit samples are in the machine's byte order
// and keep their high byte. False for frames that do not make one image.
bool ScanFramesToImage(const std::vector<TZrScanFrame> &Frames, TZrPixelBuffer &Image);

class TZrSaneSession
{
public:
  TZrSaneSession() = default;
  ~TZrSaneSession();
  TZrSaneSession(const TZrSaneSession &) = delete;
  TZrSaneSession &operator=(const TZrSaneSession &) = delete;

  // The available sources; empty when there are none or SANE cannot start
  // (Error then says why).
  std::vector<TZrScanSource> ListSources(std::string &Error);

  // Scans from the source into Image (24-bit, positioned at 0, 0) and gives
  // the scan resolution in dots per inch (0 when the source does not say).
  // Progress, when set, gets the fraction done (0..1) now and then. Cancel
  // set from another thread stops the scan. False with Error on failure
  // or cancellation (Cancelled tells which).
  bool Acquire(const std::string &SourceName, TZrPixelBuffer &Image, int32_t &Dpi,
               std::string &Error, const std::function<void(double)> &Progress = {},
               const std::atomic<bool> *Cancel = nullptr, bool *Cancelled = nullptr);

private:
  bool Start(std::string &Error);
  bool Started = false;
};

// The scan as a BMP file's bytes, with its resolution recorded so that it
// prints at its real size.
bool EncodeScanBMP(const TZrPixels &Image, int32_t Dpi, std::vector<uint8_t> &Bytes);

} // namespace facette
