// Helpers for the localization tests: a scratch folder that is removed
// again, and writing raw bytes into it.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace facette::testing_support {

class TScratchFolder
{
public:
  TScratchFolder()
  {
    static std::atomic<int> Counter{0};
    Path = std::filesystem::temp_directory_path() /
           ("facette-lang-" + std::to_string(::getpid()) + "-" + std::to_string(Counter++));
    std::filesystem::remove_all(Path);
    std::filesystem::create_directories(Path);
  }
  ~TScratchFolder()
  {
    std::error_code Ignored;
    std::filesystem::remove_all(Path, Ignored);
  }
  TScratchFolder(const TScratchFolder &) = delete;
  TScratchFolder &operator=(const TScratchFolder &) = delete;

  // Writes Bytes to the file Name below the folder (creating its folders).
  std::filesystem::path Write(const std::filesystem::path &Name, std::string_view Bytes) const
  {
    const auto File = Path / Name;
    std::filesystem::create_directories(File.parent_path());
    std::ofstream Out(File, std::ios::binary | std::ios::trunc);
    Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    return File;
  }

  std::filesystem::path Path;
};

// A small UTF-8 language file with a byte-order mark.
inline std::string LanguageFileText(int LangId, std::string_view Name, std::string_view Strings)
{
  std::string Text = "\xEF\xBB\xBF[Language]\nLangId=" + std::to_string(LangId) +
                     "\nLanguage=" + std::string(Name) + "\n[Strings]\n";
  Text += Strings;
  return Text;
}

} // namespace facette::testing_support
