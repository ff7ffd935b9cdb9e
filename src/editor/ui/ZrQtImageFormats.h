// A small format list that reads and writes JPEG, TIFF, PNG and BMP through
// Qt's image plugins. The editor uses it until the program's own image
// file layer (with metadata and lossless JPEG) takes its place.
#pragma once

#include "document/ZrFileFormats.h"

#include <array>
#include <cstdint>

namespace facette {

class TZrQtImageFormats : public TZrDocumentFormats
{
public:
  TZrQtImageFormats();

  // Quality of JPEG files written, 1 to 100.
  int32_t JpegQuality = 80;

  int Count() const override { return static_cast<int>(List.size()); }
  const TZrFileFormatInfo *GetFormat(int Index) const override;
  // Reads into a graphics document; false for anything else or a file
  // that cannot be decoded.
  bool Load(TZrDocument &Document, const std::filesystem::path &FileName, int32_t &Format) override;
  // Writes the visible part of the working image through a temporary file
  // renamed over the target, so a failed save leaves the old file.
  bool Save(TZrDocument &Document, const std::filesystem::path &FileName, int32_t Format) override;
  bool CanSave(int32_t Format) const override { return IndexOf(Format) >= 0; }

private:
  std::array<TZrFileFormatInfo, 4> List;
};

} // namespace facette
