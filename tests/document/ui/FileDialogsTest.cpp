#include "document/ui/ZrFileDialogs.h"

#include "framework/ZrLocalizer.h"
#include "imaging/ZrLTBitmap.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace facette {
namespace {

struct TNamedThumbnail : TZrThumbnail
{
  std::string Name;
  // Tells which file it shows through the rectangle it reports.
  void Draw(TZrDeviceContext &, const TZrRect &, TZrRect &Drawn) const override
  {
    const int32_t Code = Name.empty() ? 0 : Name[0];
    Drawn = MakeRect(Code, 0, Code + 1, 1);
  }
};

// Describes files whose name ends in ".img"; thumbnails take a while.
class TSlowFormats : public TZrFileFormats
{
public:
  TSlowFormats() { List = {{1, "JPEG", "*.jpg;*.jpeg", ".jpg"}, {2, "PNG", "*.png", ".png"}}; }
  int Count() const override { return static_cast<int>(List.size()); }
  const TZrFileFormatInfo *GetFormat(int Index) const override
  {
    return Index >= 0 && Index < Count() ? &List[static_cast<size_t>(Index)] : nullptr;
  }
  bool CreateFileInfo(const std::filesystem::path &FileName,
                      std::unique_ptr<TZrFileInfo> &Info) const override
  {
    if (FileName.extension() != ".jpg")
      return false;
    struct TInfo : TZrFileInfo
    {
      using TZrFileInfo::TZrFileInfo;
      void GetDescription(std::string &Text) const override
      {
        Text = "about " + FileName.filename().string();
      }
    };
    Info = std::make_unique<TInfo>(FileName);
    return true;
  }
  bool CreateThumbnail(const std::filesystem::path &FileName, int32_t, int32_t,
                       std::unique_ptr<TZrThumbnail> &Thumbnail) const override
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    auto Made = std::make_unique<TNamedThumbnail>();
    Made->Name = FileName.filename().string();
    Thumbnail = std::move(Made);
    ++Made_;
    return true;
  }
  std::vector<TZrFileFormatInfo> List;
  mutable std::atomic<int> Made_{0};
};

// The first letter of the file whose thumbnail the box shows, or 0.
char ShownThumbnail(const TZrOpenDialog &Dialog)
{
  if (!Dialog.PreviewBox->Thumbnail)
    return 0;
  struct TProbe : TZrDeviceContext
  {
    bool DrawBitmap(const TZrBitmapHandle &, const TZrRect *, const TZrRect &,
                    const TZrRect &) override
    {
      return true;
    }
    bool PrintBitmap(const TZrBitmapHandle &, const TZrRect &) override { return true; }
  } Probe;
  TZrRect Drawn{};
  Dialog.PreviewBox->Thumbnail->Draw(Probe, MakeRect(0, 0, 10, 10), Drawn);
  return static_cast<char>(Drawn.Left);
}

class FileDialogsTest : public testing::Test
{
protected:
  void SetUp() override
  {
    InitLocalizer(FACETTE_SOURCE_DIR "/data", 1033);
    for (const char *Name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "notes.txt"}) {
      QFile F(Folder.filePath(QString::fromLatin1(Name)));
      ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    }
  }
  void WaitFor(const std::function<bool()> &Done)
  {
    QElapsedTimer Timer;
    Timer.start();
    while (!Done() && Timer.elapsed() < 3000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  QTemporaryDir Folder;
  TSlowFormats Formats;
};

TEST_F(FileDialogsTest, OpenFiltersListFormatsThenAllSupportedPreselected)
{
  TZrOpenDialog Dialog(nullptr, Formats);
  const QStringList Filters = Dialog.nameFilters();
  ASSERT_EQ(Filters.size(), 4);
  EXPECT_EQ(Filters[0], QStringLiteral("JPEG (*.jpg *.jpeg)"));
  EXPECT_TRUE(Filters[2].endsWith(QStringLiteral("(*.jpg *.jpeg *.png)")));
  EXPECT_TRUE(Filters[3].endsWith(QStringLiteral("(*.*)")));
  EXPECT_EQ(Dialog.FilterIndex(), 3);

  TZrSaveDialog Save(nullptr, Formats);
  EXPECT_EQ(Save.nameFilters().size(), 2);
  Save.SetFilterIndex(2);
  EXPECT_EQ(Save.FilterIndex(), 2);
  Save.SetFilterIndex(0); // a format not in the list: the first filter
  EXPECT_EQ(Save.FilterIndex(), 1);
}

TEST_F(FileDialogsTest, OnlyTheLastHighlightedFileIsPreviewed)
{
  TZrOpenDialog Dialog(nullptr, Formats);
  for (const char *Name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
    Dialog.SelectionChanged(Folder.filePath(QString::fromLatin1(Name)));
  EXPECT_EQ(Dialog.InfoLabel->text(), QStringLiteral("about d.jpg"));
  WaitFor([&] { return Dialog.PreviewBox->Thumbnail != nullptr; });
  EXPECT_EQ(ShownThumbnail(Dialog), 'd');
  // The worker was busy with a.jpg when the others came; that result and
  // the skipped requests never reach the box.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  QCoreApplication::processEvents();
  EXPECT_EQ(ShownThumbnail(Dialog), 'd');
  EXPECT_LE(Formats.Made_.load(), 2);
}

TEST_F(FileDialogsTest, AFileThatCannotBeDescribedClearsThePreview)
{
  TZrOpenDialog Dialog(nullptr, Formats);
  Dialog.SelectionChanged(Folder.filePath(QStringLiteral("a.jpg")));
  WaitFor([&] { return Dialog.PreviewBox->Thumbnail != nullptr; });
  Dialog.SelectionChanged(Folder.filePath(QStringLiteral("notes.txt")));
  EXPECT_TRUE(Dialog.InfoLabel->text().isEmpty());
  EXPECT_EQ(Dialog.PreviewBox->Thumbnail, nullptr);
  // A thumbnail still on its way for a.jpg never shows up.
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  QCoreApplication::processEvents();
  EXPECT_EQ(Dialog.PreviewBox->Thumbnail, nullptr);
}

} // namespace
} // namespace facette
