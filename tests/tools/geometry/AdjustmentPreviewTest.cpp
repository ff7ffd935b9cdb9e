#include "tools/geometry/ZrAdjustmentPreview.h"

#include "editor/GraphicsTestSupport.h"
#include "tools/geometry/ZrAdjustmentEngine.h"

#include <gtest/gtest.h>

namespace facette {
namespace {

using namespace test;

TEST(AdjustmentPreview, ShrinkRule)
{
  struct Case
  {
    int32_t Width, Height;
    int32_t Percent, PreviewWidth, PreviewHeight;
  } Cases[] = {
      // 169: 1183 x 888 asked, the width follows the height.
      {2000, 1500, 169, 1184, 888},
      // 478: 1255 x 837, and the height already follows the width.
      {6000, 4000, 478, 1255, 837},
      {4000, 6000, 478, 837, 1255},
      // One megapixel exactly, and a little above it without shrinking.
      {1024, 1024, 100, 1024, 1024},
      {1030, 1030, 101, 1020, 1020},
      {1027, 1027, 100, 1027, 1027},
      {512, 512, 50, 512, 512},
      // A long thin strip keeps at least one pixel.
      {65000, 100, 249, 26104, 40},
      {0, 10, 100, 0, 10},
  };
  for (const Case &C : Cases) {
    const TZrPreviewShrink S = PreviewShrink(C.Width, C.Height);
    EXPECT_EQ(S.Percent, C.Percent) << C.Width << " x " << C.Height;
    EXPECT_EQ(S.Width, C.PreviewWidth) << C.Width << " x " << C.Height;
    EXPECT_EQ(S.Height, C.PreviewHeight) << C.Width << " x " << C.Height;
    EXPECT_EQ(S.Shrinks(), C.Percent > 100);
  }
}

class AdjustmentDocument : public ::testing::Test
{
protected:
  std::vector<std::string> Journal;
  TFakeEditor Editor;
  TFakeHost Host;
  TFakeTool Tool{"Adjust", Journal};
  TZrGraphicsDocument Doc{Editor, &Host};

  void SetUp() override
  {
    Host.Tools = {&Tool};
    Host.Current = &Tool;
    Tool.Document = &Doc;
  }
  std::unique_ptr<TZrPixelBuffer> Snapshot() const
  {
    auto Copy = std::make_unique<TZrPixelBuffer>();
    Doc.Image().SaveTo(*Copy);
    return Copy;
  }
  // The finished adjustment as the tool does it: brightness over the whole
  // image, the new backup filled in the same pass, one whole-image step.
  TZrCommandState *AdjustWhole(int32_t Value)
  {
    TZrPixelBuffer NewBackup;
    EXPECT_TRUE(PrepareBuffer(NewBackup, Doc.ImageBounds()));
    Doc.BeginEdit(&Tool);
    TZrAdjustmentEngine Engine;
    Engine.ApplyBrightness(Doc.Backup(), *Doc.ImagePixels(), Value, Value, Value, &NewBackup);
    Doc.AddChangedRect(Doc.ImageBounds(), true);
    TZrCommandState *State = CommitWholeImage(Doc, &Tool, NewBackup);
    Doc.EndEdit();
    return State;
  }
};

TEST_F(AdjustmentDocument, ParkingShowsAShrunkCopyAndGivesTheSameImagesBack)
{
  ASSERT_TRUE(LoadCoded(Doc, 40, 30));
  Doc.SetCropRect(MakeRect(4, 6, 36, 30));
  const auto Before = Snapshot();
  const TZrLTBitmap *Image = &Doc.Image();
  const TZrLTBitmap *Original = &Doc.Original();
  Journal.clear();

  TZrImageSet Parked;
  ASSERT_TRUE(ParkForPreview(Doc, TZrPreviewShrink{200, 20, 15}, Parked));
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 20, 15));
  EXPECT_EQ(Doc.Original().GetBounds(), MakeRect(0, 0, 20, 15));
  EXPECT_TRUE(SameImage(Doc.Backup(), *Doc.ImagePixels()));
  EXPECT_EQ(Doc.CropRect(), MakeRect(2, 3, 18, 15));
  EXPECT_EQ(Host.ShownWidth, 20);
  // The current tool fetches the new pixel windows.
  EXPECT_EQ(Journal, (std::vector<std::string>{"Adjust.WindowsReplaced"}));
  // Quick draft: every stand-in pixel is one of the image's pixels it
  // stands for, not a blend of them.
  for (int32_t Y = 0; Y < 15; ++Y)
    for (int32_t X = 0; X < 20; ++X) {
      bool Found = false;
      for (int32_t SY = 2 * Y; SY < 2 * Y + 2; ++SY)
        for (int32_t SX = 2 * X; SX < 2 * X + 2; ++SX)
          Found = Found || std::equal(Before->PixelPtr(SX, SY), Before->PixelPtr(SX, SY) + 3,
                                      Doc.ImagePixels()->PixelPtr(X, Y));
      ASSERT_TRUE(Found) << X << "," << Y;
    }
  EXPECT_EQ(Parked.Image.get(), Image);

  UnparkAfterPreview(Doc, Parked);
  EXPECT_EQ(&Doc.Image(), Image) << "the very bitmaps, not copies";
  EXPECT_EQ(&Doc.Original(), Original);
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), *Before));
  EXPECT_TRUE(SameImage(Doc.Backup(), *Before));
  EXPECT_EQ(Doc.CropRect(), MakeRect(4, 6, 36, 30));
  EXPECT_EQ(Parked.Image, nullptr);
  EXPECT_EQ(Doc.History.Count(), 0) << "nothing of the preview is history";
}

TEST_F(AdjustmentDocument, AWholeImageStepUndoesAndRedoesByExchange)
{
  ASSERT_TRUE(LoadCoded(Doc, 33, 21));
  const auto Before = Snapshot();
  TZrCommandState *State = AdjustWhole(10);
  ASSERT_NE(State, nullptr);
  EXPECT_EQ(Doc.History.Count(), 1);
  EXPECT_FALSE(Doc.Saved);
  const auto After = Snapshot();
  EXPECT_EQ(After->PixelPtr(0, 0)[0], std::min(255, Before->PixelPtr(0, 0)[0] + 51));
  EXPECT_TRUE(SameImage(Doc.Backup(), *After));
  // One buffer per step: the image as it was.
  EXPECT_TRUE(SameImage(static_cast<TZrWholeImageCommandState *>(State)->Pixels, *Before));

  for (int Round = 0; Round < 2; ++Round) {
    Doc.History.Undo();
    EXPECT_TRUE(SameImage(*Doc.ImagePixels(), *Before));
    EXPECT_TRUE(SameImage(Doc.Backup(), *Before));
    Doc.History.Redo();
    EXPECT_TRUE(SameImage(*Doc.ImagePixels(), *After));
    EXPECT_TRUE(SameImage(Doc.Backup(), *After));
  }
  // A later ordinary step undoes on top of it.
  Doc.BeginEdit(&Tool);
  Paint(*Doc.ImagePixels(), MakeRect(1, 1, 5, 5), 7);
  Doc.AddChangedRect(MakeRect(1, 1, 5, 5), true);
  Doc.Commit(&Tool);
  Doc.EndEdit();
  Doc.History.Undo();
  Doc.History.Undo();
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), *Before));
}

TEST_F(AdjustmentDocument, OnlyAChangeOfTheWholeImageIsCommittedByExchange)
{
  ASSERT_TRUE(LoadCoded(Doc, 20, 10));
  TZrPixelBuffer NewBackup;
  ASSERT_TRUE(PrepareBuffer(NewBackup, Doc.ImageBounds()));
  Doc.BeginEdit(&Tool);
  Doc.AddChangedRect(MakeRect(0, 0, 20, 9), true);
  EXPECT_EQ(CommitWholeImage(Doc, &Tool, NewBackup), nullptr);
  // A buffer of another size is refused too.
  TZrPixelBuffer Small;
  ASSERT_TRUE(PrepareBuffer(Small, MakeRect(0, 0, 5, 5)));
  Doc.AddChangedRect(Doc.ImageBounds(), true);
  EXPECT_EQ(CommitWholeImage(Doc, &Tool, Small), nullptr);
  Doc.ClearEdit();
  EXPECT_EQ(Doc.History.Count(), 0);
  EXPECT_NE(NewBackup.Bits, nullptr) << "kept by the caller";
}

} // namespace
} // namespace facette
