// The exchange file as an image format of the editor (format -1): a host's
// filter plug-in hands its image over in it and copies the pixels back when
// the program exits with 0 after writing them in place.
#pragma once

#include "imaging/ZrGraphicsFormats.h"

#include <filesystem>
#include <string>

namespace facette {

// Reads an exchange file into Image (24-bit), with the EXIF metadata of its
// trailer when it has a readable one. A file whose header does not fit it
// is refused with the reason in Error; nothing outside the file is read.
bool LoadExchange(TZrGraphicsImage &Image, const std::filesystem::path &FileName,
                  std::string *Error = nullptr);
// Rewrites the exchange file in place with Pixels (24-bit): the header with
// left and top 0, the rows at the image's 32-bit aligned stride with pixel
// step 3, no trailer.
bool SaveExchange(const TZrPixels &Pixels, const std::filesystem::path &FileName,
                  std::string *Error = nullptr);
// Lets Formats open and write exchange files.
void UseExchangeFormat(TZrGraphicsFormats &Formats);

} // namespace facette
