#include "document/ZrFileFormats.h"

#include <gtest/gtest.h>

namespace facette {
namespace {

// A format list of two formats that overrides nothing else.
class TTwoFormats : public TZrFileFormats
{
public:
  int Count() const override { return 2; }
  const TZrFileFormatInfo *GetFormat(int Index) const override
  {
    static const TZrFileFormatInfo Formats[2] = {{7, "JPEG", "*.jpg;*.jpeg", ".jpg"},
                                                 {9, "PNG", "*.png", ".png"}};
    return Index >= 0 && Index < 2 ? &Formats[Index] : nullptr;
  }
};

TEST(FileFormats, OpenFormatsEndWithAllSupportedAndAllFiles)
{
  TTwoFormats Formats;
  TZrFileFormatArray Open;
  Formats.GetOpenFormats(Open);
  ASSERT_EQ(Open.size(), 4u);
  EXPECT_EQ(Open[2].Mask, "*.jpg;*.jpeg;*.png");
  EXPECT_EQ(Open[2].Id, 0);
  EXPECT_EQ(Open[3].Mask, "*.*");
  EXPECT_EQ(Open[3].Id, 0);
  EXPECT_TRUE(Open[3].DefaultExtension.empty());

  Open.resize(2);
  EXPECT_EQ(BuildFilter(Open), "JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|PNG (*.png)|*.png");
  EXPECT_EQ(BuildFilter({}), "");
}

TEST(FileFormats, SaveFormatsLookupsAndDefaults)
{
  TTwoFormats Formats;
  TZrFileFormatArray Save;
  Formats.GetSaveFormats(Save);
  ASSERT_EQ(Save.size(), 2u);
  EXPECT_EQ(FindFormat(Save, 9), 1);
  EXPECT_EQ(FindFormat(Save, 3), -1); // the save dialog then preselects its first filter
  EXPECT_EQ(Formats.IndexOf(7), 0);
  EXPECT_EQ(Formats.IndexOf(8), -1);

  // No description and no preview unless a list provides them.
  std::unique_ptr<TZrFileInfo> Info;
  std::unique_ptr<TZrThumbnail> Thumbnail;
  EXPECT_FALSE(Formats.CreateFileInfo("x.jpg", Info));
  EXPECT_FALSE(Formats.CreateThumbnail("x.jpg", 100, 100, Thumbnail));
  TZrFileInfo Plain("x.jpg");
  std::string Text = "old";
  Plain.GetDescription(Text);
  EXPECT_TRUE(Text.empty());
}

TEST(FileFormats, TypedNamesFindTheirFormatByMask)
{
  TTwoFormats Formats;
  TZrFileFormatArray Save;
  Formats.GetSaveFormats(Save);
  const struct
  {
    const char *Name;
    int Index;
  } Cases[] = {
      {"edited.jpg", 0}, {"EDITED.JPEG", 0},  {"a.b.png", 1}, {"edited.jpg.png", 1}, {"edited", -1},
      {"jpg", -1},       {"edited.jpgx", -1}, {".png", 1},    {"edited.", -1},
  };
  for (const auto &C : Cases)
    EXPECT_EQ(FindFormatForName(Save, C.Name), C.Index) << C.Name;

  // Patterns beyond "*.ext": "?" takes one character, an empty pattern
  // between separators matches nothing.
  EXPECT_TRUE(MatchesMask("IMG_????.*", "img_0042.tif"));
  EXPECT_FALSE(MatchesMask("IMG_????.*", "img_042.tif"));
  EXPECT_TRUE(MatchesMask("*a*b*", "xxaxxbxx"));
  EXPECT_FALSE(MatchesMask(";;", "x"));
}

} // namespace
} // namespace facette
