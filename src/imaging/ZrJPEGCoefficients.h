// JPEG files at the level of their quantised DCT blocks, through libjpeg's
// coefficient interface: reading the blocks of a file, and writing a file
// that keeps the coded blocks of every MCU the user left alone and codes
// only the changed MCUs anew from their pixels, with the file's own
// quantisation tables and chroma sampling. Saving an edited photo this way
// loses nothing where it was not edited, however often it is saved.
#pragma once

#include "imaging/ZrBitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace facette {

// The quantised DCT blocks of a JPEG file, 64 coefficients each in natural
// order, rows of blocks top to bottom. A component's rows and columns are
// padded to whole MCUs as the file codes them.
struct TZrJPEGCoefficients
{
  struct TComponent
  {
    int32_t HorizontalSampling = 1, VerticalSampling = 1;
    int32_t BlocksAcross = 0, BlocksDown = 0;
    std::vector<int16_t> Blocks;
    const int16_t *Block(int32_t Column, int32_t Row) const
    {
      return Blocks.data() + (static_cast<size_t>(Row) * BlocksAcross + Column) * 64;
    }
  };
  int32_t Width = 0, Height = 0;
  // Pixels of one MCU.
  int32_t McuWidth = 8, McuHeight = 8;
  bool Progressive = false;
  std::vector<TComponent> Components;
  // Quantisation tables of the components, 64 values each.
  std::vector<std::vector<uint16_t>> Tables;

  int32_t McusAcross() const { return (Width + McuWidth - 1) / McuWidth; }
  int32_t McusDown() const { return (Height + McuHeight - 1) / McuHeight; }
  // Whether every block of the MCU is the same in both (which must have the
  // same layout).
  bool SameMcu(const TZrJPEGCoefficients &Other, int32_t McuX, int32_t McuY) const;
};

// False when the data is not a JPEG file libjpeg can read; Error says why.
bool ReadJPEGCoefficients(const uint8_t *Data, size_t Size, TZrJPEGCoefficients &Out,
                          std::string *Error = nullptr);

struct TZrBlockWriteStats
{
  int64_t Mcus = 0;      // MCUs of the image
  int64_t McusCoded = 0; // MCUs coded anew from the pixels
};

// Writes Pixels (24-bit, the size of Reference's image) as a JPEG file made
// from the blocks of Reference, a JPEG file whose pixels Baseline stands
// for: every MCU whose pixels equal Baseline's keeps Reference's coded
// blocks bit for bit; the other MCUs are coded anew from Pixels with
// Reference's quantisation tables and sampling. The file is progressive
// when Reference is and carries no metadata segments. False, with a reason
// in Error, for files it cannot do this for (CMYK, 12 bits), for colour
// painted into a greyscale file, or when libjpeg fails.
bool WriteJPEGKeepingBlocks(const uint8_t *Reference, size_t Size, const TZrPixels &Pixels,
                            const TZrPixels &Baseline, std::vector<uint8_t> &Out,
                            TZrBlockWriteStats *Stats = nullptr, std::string *Error = nullptr);

} // namespace facette
