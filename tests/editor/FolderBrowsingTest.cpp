#include "editor/ZrFolderBrowsing.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace facette {
namespace {

namespace fs = std::filesystem;

class TTempFolder
{
public:
  TTempFolder()
  {
    std::random_device Seed;
    Path = fs::temp_directory_path() / ("facette-folder-" + std::to_string(Seed()));
    fs::create_directories(Path);
  }
  ~TTempFolder()
  {
    std::error_code Ignored;
    fs::remove_all(Path, Ignored);
  }
  fs::path File(const std::string &Name) const
  {
    std::ofstream(Path / Name) << "x";
    return Path / Name;
  }
  fs::path Path;
};

TEST(FolderBrowsingTest, ExtensionRuleTakesPartsOfTheListToo)
{
  const struct
  {
    const char *Name;
    bool Taken;
  } Cases[] = {
      {"a.jpg", true},  {"a.JPEG", true},    {"a.Tif", true},  {"a.tiff", true},
      {"a.png", true},  {"a.bmp", true},     {"a.rle", true},  {"a.dib", true},
      {"a.zri", true},  {"d.if", true},                                        // part of ".TIF"
      {"e.pe", true},                                                          // part of ".JPEG"
      {"b.txt", false}, {"c.gif", false},    {"noext", false}, {"f.j", false}, // ".J" is too short
      {"g.", false},    {"h.jpg.bak", false}};
  for (const auto &C : Cases)
    EXPECT_EQ(IsFolderImageName(C.Name), C.Taken) << C.Name;
}

TEST(FolderBrowsingTest, ListsBrowsedFilesByNameAndFindsTheOpenedOne)
{
  TTempFolder Folder;
  const fs::path A = Folder.File("a.jpg");
  Folder.File("b.txt");
  const fs::path C = Folder.File("C.png");
  const fs::path D = Folder.File("d.if");
  fs::create_directory(Folder.Path / "folder.jpg");

  const std::vector<fs::path> Files = ListFolderImages(Folder.Path);
  ASSERT_EQ(Files, (std::vector<fs::path>{A, C, D}));
  EXPECT_EQ(FolderIndexOf(Files, C), 1);
  EXPECT_EQ(FolderIndexOf(Files, Folder.Path / "." / "d.if"), 2);
  EXPECT_EQ(FolderIndexOf(Files, Folder.Path / "b.txt"), -1);
}

TEST(FolderBrowsingTest, AFolderThatCannotBeListedGivesNothing)
{
  TTempFolder Folder;
  EXPECT_TRUE(ListFolderImages(Folder.Path / "missing").empty());
  EXPECT_TRUE(ListFolderImages(Folder.File("a.jpg")).empty());
}

} // namespace
} // namespace facette
