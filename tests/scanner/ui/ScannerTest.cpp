// File > Import with SANE's test backend, configured through
// SANE_CONFIG_DIR: the sources are listed, a scan opens as an untitled
// photo of the backend's size, and no temporary file stays behind.
#include "../../editor/ui/EditorTestSupport.h"

#include "scanner/ui/ZrScanner.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace facette::test {
namespace {

class ScannerTest : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    // SANE reads its configuration when it starts, which is when the
    // scanner is first asked for its sources.
    WriteConfig(QStringLiteral("dll.conf"), "test\n");
    WriteConfig(QStringLiteral("test.conf"), "number_of_devices 2\n"
                                             "mode Color\n"
                                             "depth 8\n"
                                             "resolution 75\n"
                                             "test-picture \"Color pattern\"\n"
                                             "br_x 60.0\n"
                                             "br_y 40.0\n");
    OldConfig = qgetenv("SANE_CONFIG_DIR");
    OldTemp = qgetenv("TMPDIR");
    qputenv("SANE_CONFIG_DIR", Config.path().toLocal8Bit());
    qputenv("TMPDIR", Temp.path().toLocal8Bit());
    GraphicsEditorFixture::SetUp();
  }
  void TearDown() override
  {
    GraphicsEditorFixture::TearDown();
    qputenv("SANE_CONFIG_DIR", OldConfig);
    qputenv("TMPDIR", OldTemp);
  }
  void WriteConfig(const QString &Name, const char *Text)
  {
    QFile File(Config.filePath(Name));
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write(Text);
  }
  // Opens the Import submenu as the user does, until the list is in.
  QStringList ImportItems()
  {
    QSignalSpy Listed(Editor->Scanner, &TZrScanner::SourcesChanged);
    emit Editor->ImportSubmenu->aboutToShow();
    EXPECT_TRUE(Listed.wait(20000));
    QStringList Items;
    for (QAction *Item : Editor->ImportSubmenu->actions())
      Items << Item->text();
    return Items;
  }
  // The size scanimage gets from the same backend.
  QSize ScanimageSize()
  {
    QProcess Scan;
    Scan.start(QStringLiteral("scanimage"),
               {QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--format=pnm")});
    EXPECT_TRUE(Scan.waitForFinished(30000));
    const QImage Image = QImage::fromData(Scan.readAllStandardOutput(), "PPM");
    return Image.size();
  }

  QTemporaryDir Config;
  QTemporaryDir Temp;
  QByteArray OldConfig;
  QByteArray OldTemp;
};

TEST_F(ScannerTest, AScanOpensAsAnUntitledPhotoOfTheScannersSize)
{
  const QStringList Items = ImportItems();
  ASSERT_EQ(Items.size(), 2) << Items.join(QLatin1Char('|')).toStdString();
  // Two scanners of one model are told apart by their device names.
  EXPECT_TRUE(Items[0].endsWith(QStringLiteral("(test:0)")));
  EXPECT_TRUE(Items[1].endsWith(QStringLiteral("(test:1)")));

  QSignalSpy Done(Editor->Scanner, &TZrScanner::AcquireFinished);
  Editor->ImportSubmenu->actions()[0]->trigger();
  // The menu is unavailable while the scan runs.
  EXPECT_FALSE(Editor->ImportSubmenu->menuAction()->isEnabled());
  ASSERT_TRUE(Done.wait(30000));
  EXPECT_TRUE(Editor->ImportSubmenu->menuAction()->isEnabled());
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QLatin1Char('|')).toStdString();

  ASSERT_NE(Doc(), nullptr);
  const QSize Expected = ScanimageSize();
  ASSERT_FALSE(Expected.isEmpty());
  EXPECT_EQ(QSize(Doc()->ImageBounds().Width(), Doc()->ImageBounds().Height()), Expected);
  // 60 x 40 mm at 75 dpi.
  EXPECT_EQ(Expected, QSize(177, 118));
  EXPECT_TRUE(Doc()->FileName.empty());
  EXPECT_TRUE(Main->windowTitle().startsWith(QStringLiteral("Untitled")));
  // Not yet saved anywhere: closing asks.
  EXPECT_FALSE(Doc()->Saved);
  EXPECT_TRUE(Editor->FolderFiles.isEmpty());
  EXPECT_TRUE(Editor->RecentFiles.isEmpty());
  // The scan's resolution came along.
  const auto *Properties = dynamic_cast<const TZrGraphicsDocumentProperties *>(Doc()->Properties());
  ASSERT_NE(Properties, nullptr);
  EXPECT_EQ(Properties->HorizontalResolution, 75);
  // No temporary file is left.
  EXPECT_TRUE(QDir(Temp.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(ScannerTest, AFailedScanIsReportedAndOpensNothing)
{
  QSignalSpy Done(Editor->Scanner, &TZrScanner::AcquireFinished);
  Editor->Scanner->Acquire(QStringLiteral("test:9"));
  ASSERT_TRUE(Done.wait(30000));
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("16:The image could not be scanned: ")));
  EXPECT_EQ(Doc(), nullptr);
  EXPECT_TRUE(QDir(Temp.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(ScannerTest, WithoutScannersTheMenuSaysSo)
{
  WriteConfig(QStringLiteral("dll.conf"), "");
  EXPECT_EQ(ImportItems(), QStringList{QStringLiteral("No scanner found")});
  EXPECT_FALSE(Editor->ImportSubmenu->actions()[0]->isEnabled());
}

} // namespace
} // namespace facette::test
