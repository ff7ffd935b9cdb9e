// Which files of a folder the editor steps through with Previous and Next
// image.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace facette {

// The extensions the editor browses, upper case with their dots.
inline constexpr std::string_view FolderImageExtensions =
    ".ZRI;.JPG;.JPEG;.TIF;.TIFF;.PNG;.BMP;.RLE;.DIB";

// A name is browsed when its extension, upper-cased and with its dot, has
// more than two characters and its letters occur anywhere in the list
// above. The rule is deliberately loose: ".IF" and ".PE" are taken as well
// (as parts of ".TIF" and ".JPEG"), so nothing that was ever browsed drops
// out.
bool IsFolderImageName(const std::filesystem::path &Name);

// The browsed files of Folder (full paths), ordered by name without regard
// to case so that stepping follows the order a file list shows; files
// only, no folders. Empty when the folder cannot be listed.
std::vector<std::filesystem::path> ListFolderImages(const std::filesystem::path &Folder);

// The position of File in Files (compared by full path); -1 when absent.
int FolderIndexOf(const std::vector<std::filesystem::path> &Files,
                  const std::filesystem::path &File);

} // namespace facette
