#include "editor/ZrFolderBrowsing.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

namespace facette {

namespace {

std::string UpperAscii(std::string Text)
{
  for (char &C : Text)
    C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  return Text;
}

} // namespace

bool IsFolderImageName(const std::filesystem::path &Name)
{
  const std::string Extension = UpperAscii(Name.extension().string());
  // The letters are looked up without their dot, so that ".IF" is found
  // inside ".TIF".
  return Extension.size() > 2 &&
         FolderImageExtensions.find(std::string_view(Extension).substr(1)) !=
             std::string_view::npos;
}

std::vector<std::filesystem::path> ListFolderImages(const std::filesystem::path &Folder)
{
  std::vector<std::filesystem::path> Files;
  std::error_code Error;
  std::filesystem::directory_iterator It(Folder, Error);
  if (Error)
    return Files;
  for (const std::filesystem::directory_iterator End; It != End; It.increment(Error)) {
    if (Error)
      return {};
    const std::filesystem::directory_entry &Entry = *It;
    std::error_code TypeError;
    // A folder with an image-like name cannot be opened.
    if (Entry.is_directory(TypeError))
      continue;
    if (IsFolderImageName(Entry.path().filename()))
      Files.push_back(Entry.path());
  }
  std::sort(Files.begin(), Files.end(), [](const auto &A, const auto &B) {
    const std::string NameA = A.filename().string(), NameB = B.filename().string();
    const std::string UpperA = UpperAscii(NameA), UpperB = UpperAscii(NameB);
    return UpperA != UpperB ? UpperA < UpperB : NameA < NameB;
  });
  return Files;
}

int FolderIndexOf(const std::vector<std::filesystem::path> &Files,
                  const std::filesystem::path &File)
{
  const std::filesystem::path Wanted = File.lexically_normal();
  for (size_t I = 0; I < Files.size(); ++I)
    if (Files[I].lexically_normal() == Wanted)
      return static_cast<int>(I);
  return -1;
}

} // namespace facette
