#include "editor/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace facette {
namespace {

using namespace test;

class GraphicsDocument : public ::testing::Test
{
protected:
  std::vector<std::string> Journal;
  TFakeEditor Editor;
  TFakeHost Host;
  TFakeTool ToolA{"A", Journal};
  TFakeTool ToolB{"B", Journal};
  TZrGraphicsDocument Doc{Editor, &Host};

  void SetUp() override
  {
    Host.Tools = {&ToolA, &ToolB};
    ToolA.Document = &Doc;
    ToolB.Document = &Doc;
  }

  // One edit by Tool: every rectangle painted with its value and reported.
  void Stroke(TFakeTool &Tool, const std::vector<std::pair<TZrRect, uint8_t>> &Dabs)
  {
    Doc.BeginEdit(&Tool);
    bool First = true;
    for (const auto &[Rect, Value] : Dabs) {
      Paint(*Doc.ImagePixels(), Rect, Value);
      Doc.AddChangedRect(Rect, First);
      First = false;
    }
    Doc.Commit(&Tool);
    Doc.EndEdit();
  }

  // A copy of the working image.
  std::unique_ptr<TZrPixelBuffer> Snapshot() const
  {
    auto Copy = std::make_unique<TZrPixelBuffer>();
    Doc.Image().SaveTo(*Copy);
    return Copy;
  }

  bool BackupMatchesImage() { return SameImage(Doc.Backup(), *Doc.ImagePixels()); }
};

TEST_F(GraphicsDocument, LoadedImageBecomesImageOriginalAndBackup)
{
  ASSERT_TRUE(LoadCoded(Doc, 30, 20));
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 30, 20));
  EXPECT_TRUE(SameImage(*Doc.OriginalPixels(), *Doc.ImagePixels()));
  EXPECT_TRUE(BackupMatchesImage());
  EXPECT_NE(Doc.OriginalPixels()->Bits, Doc.ImagePixels()->Bits);
  EXPECT_EQ(Host.ShownWidth, 30);
  EXPECT_EQ(Host.ShownHeight, 20);

  // Nothing usable: the document keeps what it has.
  TZrLoadedImage Empty;
  EXPECT_FALSE(Doc.AdoptLoadedImage(std::move(Empty)));
  TZrLoadedImage WithAlpha;
  WithAlpha.Image = std::make_unique<TZrLTBitmap>();
  ASSERT_TRUE(WithAlpha.Image->SetSize(4, 4, pf32bit));
  EXPECT_FALSE(Doc.AdoptLoadedImage(std::move(WithAlpha)));
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 30, 20));
}

TEST_F(GraphicsDocument, TwoStrokesInOneEditGiveOneStateOfTheirUnion)
{
  ASSERT_TRUE(LoadCoded(Doc, 40, 30));
  Stroke(ToolA, {{MakeRect(2, 3, 6, 8), 10}, {MakeRect(20, 15, 25, 18), 20}});
  ASSERT_EQ(Doc.History.Count(), 1);
  const auto *State = dynamic_cast<TZrGraphicsCommandState *>(Doc.History.State(0));
  ASSERT_NE(State, nullptr);
  EXPECT_EQ(State->Rect, MakeRect(2, 3, 25, 18));
  EXPECT_EQ(State->Before.GetBounds(), State->Rect);
  EXPECT_EQ(State->After.GetBounds(), State->Rect);
  EXPECT_FALSE(Doc.Saved);
  EXPECT_TRUE(BackupMatchesImage());
  EXPECT_FALSE(Doc.Editing());
  EXPECT_EQ(Doc.EditTool(), nullptr);
}

TEST_F(GraphicsDocument, UndoAndRedoRestoreExactlyTheChangedRectangle)
{
  ASSERT_TRUE(LoadCoded(Doc, 40, 30));
  Stroke(ToolA, {{MakeRect(5, 5, 15, 15), 50}});
  const auto AfterFirst = Snapshot();
  // The second stroke overlaps the first: undoing it must leave the first
  // stroke's pixels outside its rectangle alone.
  Stroke(ToolB, {{MakeRect(10, 10, 30, 20), 90}});
  const auto AfterSecond = Snapshot();

  Doc.History.Undo();
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), *AfterFirst));
  EXPECT_TRUE(BackupMatchesImage());
  Doc.Saved = true;
  Doc.History.Redo();
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), *AfterSecond));
  EXPECT_TRUE(BackupMatchesImage());
  EXPECT_FALSE(Doc.Saved);

  Doc.History.Undo();
  Doc.History.Undo();
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), *Doc.OriginalPixels()));
  EXPECT_TRUE(BackupMatchesImage());
}

// A stroke that paints before anything asked for the backup (just after
// opening, or after a turn left the backup out of date) still undoes to the
// picture as it was before the stroke.
TEST_F(GraphicsDocument, AStrokeRightAfterOpeningOrATurnUndoesToThePictureBeforeIt)
{
  for (const bool Turn : {false, true}) {
    SCOPED_TRACE(Turn ? "after a turn" : "after opening");
    ASSERT_TRUE(LoadCoded(Doc, 40, 30));
    if (Turn) {
      ASSERT_TRUE(Doc.RotateRight());
    }
    const auto Before = Snapshot();
    Stroke(ToolA, {{MakeRect(5, 5, 15, 15), 50}});
    Doc.History.Undo();
    EXPECT_TRUE(SameImage(*Doc.ImagePixels(), *Before));
    EXPECT_TRUE(BackupMatchesImage());
  }
}

TEST_F(GraphicsDocument, NewSnapshotAfterUndoDiscardsTheRedoState)
{
  ASSERT_TRUE(LoadCoded(Doc, 20, 20));
  Stroke(ToolA, {{MakeRect(0, 0, 5, 5), 1}});
  Stroke(ToolA, {{MakeRect(5, 5, 10, 10), 2}});
  Doc.History.Undo();
  ASSERT_TRUE(Doc.History.CanRedo());
  Stroke(ToolA, {{MakeRect(10, 10, 15, 15), 3}});
  EXPECT_EQ(Doc.History.Count(), 2);
  EXPECT_FALSE(Doc.History.CanRedo());
  // The discarded stroke's pixels are gone from the image as well.
  EXPECT_NE(Doc.ImagePixels()->PixelPtr(6, 6)[0], 2);
}

TEST_F(GraphicsDocument, CommitNeedsAChangeInsideTheImage)
{
  ASSERT_TRUE(LoadCoded(Doc, 20, 20));
  Doc.BeginEdit(&ToolA);
  EXPECT_EQ(Doc.Commit(&ToolA), nullptr);
  Doc.AddChangedRect(MakeRect(30, 30, 40, 40), true);
  EXPECT_EQ(Doc.Commit(&ToolA), nullptr);
  // A brush reaching past the edge is recorded only where the image is.
  Doc.AddChangedRect(MakeRect(-5, 15, 4, 25), true);
  ASSERT_NE(Doc.Commit(&ToolA), nullptr);
  EXPECT_EQ(static_cast<TZrGraphicsCommandState *>(Doc.History.LastUndo())->Rect,
            MakeRect(0, 15, 4, 20));
}

TEST_F(GraphicsDocument, BeginningAnEditFinishesTheOpenOneFirst)
{
  ASSERT_TRUE(LoadCoded(Doc, 20, 20));
  Doc.BeginEdit(&ToolA);
  Paint(*Doc.ImagePixels(), MakeRect(1, 1, 4, 4), 7);
  Doc.AddChangedRect(MakeRect(1, 1, 4, 4), true);
  Journal.clear();
  Doc.BeginEdit(&ToolB);
  EXPECT_EQ(Journal.front(), "A.EndEdit");
  EXPECT_EQ(Doc.History.Count(), 1);
  EXPECT_TRUE(Doc.Editing());
  EXPECT_EQ(Doc.EditTool(), &ToolB);
  EXPECT_TRUE(Doc.ChangedRect().IsEmpty());

  // Ending with the tool asked commits its work; ending without leaves the
  // pixels in the image and records nothing.
  Paint(*Doc.ImagePixels(), MakeRect(5, 5, 8, 8), 9);
  Doc.AddChangedRect(MakeRect(5, 5, 8, 8), true);
  Doc.EndEdit(true);
  EXPECT_EQ(Doc.History.Count(), 2);
  Doc.BeginEdit(&ToolA);
  Paint(*Doc.ImagePixels(), MakeRect(9, 9, 12, 12), 11);
  Doc.AddChangedRect(MakeRect(9, 9, 12, 12), true);
  Doc.EndEdit();
  EXPECT_EQ(Doc.History.Count(), 2);
  EXPECT_EQ(Doc.ImagePixels()->PixelPtr(10, 10)[0], 11);
  EXPECT_FALSE(Doc.Editing());
}

TEST_F(GraphicsDocument, ToolsHearOfEveryStateAndDocumentEvent)
{
  ASSERT_TRUE(LoadCoded(Doc, 20, 20));
  Doc.AfterOpen();
  Stroke(ToolB, {{MakeRect(1, 2, 3, 4), 5}});
  Doc.History.Undo();
  Doc.History.Redo();
  Doc.NotifyBeforeUndo(nullptr);
  Doc.NotifyAfterRedo(nullptr);
  Doc.BeforeClose();
  const std::vector<std::string> Expected = {
      "A.Opened",
      "B.Opened",
      "A.StateApplied(B,1,2,3,4)",
      "B.StateApplied(B,1,2,3,4)",
      "A.StateApplied(B,1,2,3,4)",
      "B.StateApplied(B,1,2,3,4)",
      "A.StateApplied(B,1,2,3,4)",
      "B.StateApplied(B,1,2,3,4)",
      "A.BeforeUndo",
      "B.BeforeUndo",
      "A.AfterRedo",
      "B.AfterRedo",
      "A.Closing",
      "B.Closing",
  };
  EXPECT_EQ(Journal, Expected);
}

TEST_F(GraphicsDocument, ChangedRectanglesRepaintTheWindowAroundThem)
{
  auto Link = std::make_unique<TFakeViewLink>();
  TFakeViewLink *View = Link.get();
  View->MapMode.ViewportExtX = View->MapMode.ViewportExtY = 1;
  View->MapMode.WindowExtX = View->MapMode.WindowExtY = 3;
  View->MapMode.ViewportOrgX = 10;
  Host.NextLink = std::move(Link);
  ASSERT_TRUE(LoadCoded(Doc, 60, 60));
  ASSERT_EQ(Doc.GetView(), nullptr); // the fake has no window
  ASSERT_EQ(Doc.ViewLink(), View);
  Doc.BeginEdit(&ToolA);
  Doc.AddChangedRect(MakeRect(4, 4, 8, 8), true);
  ASSERT_EQ(View->PixelsChanged.size(), 1u);
  EXPECT_EQ(View->PixelsChanged[0], MakeRect(4, 4, 8, 8));
  ASSERT_EQ(View->Invalidated.size(), 1u);
  // At a third, image pixels 4 .. 7 show on window pixels 1 .. 2 (plus the
  // origin 10 horizontally); window pixel 2 shows pixel 8 as well.
  EXPECT_EQ(View->Invalidated[0], MakeRect(10, 0, 13, 3));
}

// Whole-image operations

TEST_F(GraphicsDocument, RotatingLeftThenRightRestoresEverything)
{
  ASSERT_TRUE(LoadCoded(Doc, 13, 7));
  Stroke(ToolA, {{MakeRect(2, 2, 5, 4), 200}});
  Doc.SetCropRect(MakeRect(1, 2, 9, 6));
  const auto Image = Snapshot();
  TZrPixelBuffer Original;
  ASSERT_TRUE(Doc.Original().SaveTo(Original));

  ASSERT_TRUE(Doc.RotateLeft());
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 7, 13));
  EXPECT_EQ(Doc.Original().GetBounds(), MakeRect(0, 0, 7, 13));
  EXPECT_EQ(Doc.CropRect(), MakeRect(2, 4, 6, 12));
  EXPECT_TRUE(BackupMatchesImage());
  ASSERT_TRUE(Doc.RotateRight());
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), *Image));
  EXPECT_TRUE(SameImage(*Doc.OriginalPixels(), Original));
  EXPECT_EQ(Doc.CropRect(), MakeRect(1, 2, 9, 6));
  EXPECT_TRUE(BackupMatchesImage());
}

// Turns and flips reach the original and the backup only when they are
// asked for; whatever comes in between, they then show exactly what doing
// every step at once would have given.
TEST_F(GraphicsDocument, OriginalAndBackupFollowEveryTurnAndFlipWhenAskedFor)
{
  using TStep = std::pair<bool (TZrGraphicsDocument::*)(), bool (TZrLTBitmap::*)()>;
  const TStep Steps[] = {
      {&TZrGraphicsDocument::RotateLeft, &TZrLTBitmap::RotateLeft},
      {&TZrGraphicsDocument::RotateRight, &TZrLTBitmap::RotateRight},
      {&TZrGraphicsDocument::FlipHorizontal, &TZrLTBitmap::FlipHorizontal},
      {&TZrGraphicsDocument::FlipVertical, &TZrLTBitmap::FlipVertical},
  };
  std::mt19937 Rng(3);
  for (int Round = 0; Round < 40; ++Round) {
    SCOPED_TRACE(Round);
    TZrGraphicsDocument D(Editor, &Host);
    ASSERT_TRUE(LoadCoded(D, 9, 5));
    FillCoded(*D.OriginalPixels(), 90);
    TZrLTBitmap Image, Original;
    ASSERT_TRUE(Image.Assign(*D.ImagePixels()));
    ASSERT_TRUE(Original.Assign(*D.OriginalPixels()));
    const int Count = static_cast<int>(Rng() % 7);
    for (int I = 0; I < Count; ++I) {
      const TStep &Step = Steps[Rng() % 4];
      ASSERT_TRUE((D.*Step.first)());
      ASSERT_TRUE((Image.*Step.second)());
      ASSERT_TRUE((Original.*Step.second)());
      EXPECT_TRUE(SameImage(*D.ImagePixels(), *Image.GetPixels()));
    }
    // Asked for in either order, or through an operation that needs the
    // original whole.
    switch (Round % 3) {
    case 0:
      EXPECT_TRUE(SameImage(D.Backup(), *Image.GetPixels()));
      EXPECT_TRUE(SameImage(*D.OriginalPixels(), *Original.GetPixels()));
      break;
    case 1:
      EXPECT_TRUE(SameImage(*D.OriginalPixels(), *Original.GetPixels()));
      EXPECT_TRUE(SameImage(D.Backup(), *Image.GetPixels()));
      break;
    default: {
      ASSERT_TRUE(D.Crop(MakeRect(1, 1, 4, 4)));
      ASSERT_TRUE(Original.Crop(MakeRect(1, 1, 4, 4)));
      EXPECT_TRUE(SameImage(*D.OriginalPixels(), *Original.GetPixels()));
      EXPECT_TRUE(SameImage(D.Backup(), *D.ImagePixels()));
    }
    }
  }
}

// The crop rectangle turns with the image: the part of the image it shows
// before an operation, turned the same way, is what it shows after.
TEST_F(GraphicsDocument, CropRectangleFollowsQuarterTurnsAndFlips)
{
  struct Case
  {
    const char *Name;
    bool (TZrGraphicsDocument::*Operation)();
    bool (TZrLTBitmap::*Same)();
    const char *Told;
  };
  const Case Cases[] = {
      {"RotateLeft", &TZrGraphicsDocument::RotateLeft, &TZrLTBitmap::RotateLeft, "RotateLeft"},
      {"RotateRight", &TZrGraphicsDocument::RotateRight, &TZrLTBitmap::RotateRight, "RotateRight"},
      {"FlipHorizontal", &TZrGraphicsDocument::FlipHorizontal, &TZrLTBitmap::FlipHorizontal,
       "FlipHorizontal"},
      {"FlipVertical", &TZrGraphicsDocument::FlipVertical, &TZrLTBitmap::FlipVertical,
       "FlipVertical"},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    std::vector<std::string> Told;
    TZrGraphicsDocument D(Editor, &Host);
    ASSERT_TRUE(LoadCoded(D, 11, 6, std::make_unique<TFakeLossless>(Told)));
    D.SetCropRect(MakeRect(1, 2, 4, 5));
    TZrLTBitmap Shown;
    ASSERT_TRUE(Shown.Assign(*D.ImagePixels()));
    ASSERT_TRUE(Shown.Crop(D.GetVisibleRect()));
    ASSERT_TRUE((Shown.*C.Same)());

    ASSERT_TRUE((D.*C.Operation)());
    const TZrRect Visible = D.GetVisibleRect();
    ASSERT_EQ(Visible.Width(), Shown.GetWidth());
    ASSERT_EQ(Visible.Height(), Shown.GetHeight());
    TZrPixels Part;
    Part.Init(Bounds(0, 0, Visible.Width(), Visible.Height()),
              D.ImagePixels()->PixelPtr(Visible.Left, Visible.Top), pf24bit,
              D.ImagePixels()->Stride);
    EXPECT_TRUE(SameImage(Part, *Shown.GetPixels()));
    EXPECT_EQ(Told, std::vector<std::string>{C.Told});
  }
}

TEST_F(GraphicsDocument, LosslessObjectIsToldOnlyWhileItHoldsAnImage)
{
  std::vector<std::string> Told;
  ASSERT_TRUE(LoadCoded(Doc, 10, 10, std::make_unique<TFakeLossless>(Told, false)));
  ASSERT_TRUE(Doc.RotateLeft());
  ASSERT_TRUE(Doc.Crop(MakeRect(1, 1, 5, 5)));
  EXPECT_TRUE(Told.empty());
}

TEST_F(GraphicsDocument, CropCutsImageAndOriginalAndClearsTheCropRectangle)
{
  std::vector<std::string> Told;
  ASSERT_TRUE(LoadCoded(Doc, 20, 10, std::make_unique<TFakeLossless>(Told)));
  Doc.SetCropRect(MakeRect(2, 2, 8, 8));
  Host.Current = &ToolA;
  Journal.clear();

  EXPECT_FALSE(Doc.Crop(MakeRect(30, 0, 40, 10))); // outside: ignored
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 20, 10));
  EXPECT_TRUE(Doc.HasCropRect());

  ASSERT_TRUE(Doc.Crop(MakeRect(13, 3, 25, 7)));
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 7, 4));
  EXPECT_EQ(Doc.Original().GetBounds(), MakeRect(0, 0, 7, 4));
  EXPECT_FALSE(Doc.HasCropRect());
  EXPECT_EQ(Doc.ImagePixels()->PixelPtr(0, 0)[1], Code(13, 3, 1));
  EXPECT_EQ(Doc.OriginalPixels()->PixelPtr(6, 3)[2], Code(19, 6, 2));
  EXPECT_TRUE(BackupMatchesImage());
  // The exact rectangle, not one shifted onto the coding-block grid.
  EXPECT_EQ(Told, std::vector<std::string>{"Crop(13,3,20,7)"});
  // The current tool refetches its pixel windows.
  EXPECT_EQ(Journal, std::vector<std::string>{"A.WindowsReplaced"});
  EXPECT_EQ(Host.ShownWidth, 7);
}

TEST_F(GraphicsDocument, ResizeScalesTheCropRectangleInwards)
{
  std::vector<std::string> Told;
  ASSERT_TRUE(LoadCoded(Doc, 1000, 500, std::make_unique<TFakeLossless>(Told)));
  Doc.SetCropRect(MakeRect(0, 0, 333, 250));
  ASSERT_TRUE(Doc.ResizeImage(500, 250, true, true));
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 500, 250));
  EXPECT_EQ(Doc.Original().GetBounds(), MakeRect(0, 0, 500, 250));
  EXPECT_EQ(Doc.CropRect(), MakeRect(0, 0, 166, 125));
  EXPECT_TRUE(BackupMatchesImage());
  // The resampled pixels are nothing the original file can give.
  EXPECT_EQ(Told, std::vector<std::string>{"PixelsReplaced"});

  // Without scaling a crop in the old coordinates would show the wrong
  // part: it goes.
  ASSERT_TRUE(Doc.ResizeImage(250, 125, false, false));
  EXPECT_FALSE(Doc.HasCropRect());
  EXPECT_EQ(Doc.Original().GetBounds(), MakeRect(0, 0, 500, 250));
  // An original of another size keeps its proportion to the image.
  ASSERT_TRUE(Doc.ResizeImage(100, 50, true, true));
  EXPECT_EQ(Doc.Original().GetBounds(), MakeRect(0, 0, 200, 100));
}

TEST(CropScaling, EdgesMoveInwards)
{
  EXPECT_EQ(ScaleCrop(MakeRect(0, 0, 333, 250), 1000, 500, 500, 250), MakeRect(0, 0, 166, 125));
  EXPECT_EQ(ScaleCrop(MakeRect(1, 3, 999, 497), 1000, 500, 500, 250), MakeRect(1, 2, 499, 248));
  EXPECT_EQ(ScaleCrop(MakeRect(10, 10, 20, 20), 100, 100, 300, 300), MakeRect(30, 30, 60, 60));
}

TEST_F(GraphicsDocument, LargerCanvasAddsBlackToImageAndOriginal)
{
  std::vector<std::string> Told;
  ASSERT_TRUE(LoadCoded(Doc, 6, 4, std::make_unique<TFakeLossless>(Told)));
  Doc.SetCropRect(MakeRect(1, 1, 3, 3));
  Host.Current = &ToolB;
  Journal.clear();
  ASSERT_TRUE(Doc.SetCanvasSize(9, 7, true));
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 9, 7));
  EXPECT_EQ(Doc.Original().GetBounds(), MakeRect(0, 0, 9, 7));
  for (const TZrPixels *P : {Doc.ImagePixels(), Doc.OriginalPixels()}) {
    EXPECT_EQ(P->PixelPtr(5, 3)[0], Code(5, 3, 0));
    for (const TZrPoint Q : {TZrPoint{6, 0}, TZrPoint{8, 6}, TZrPoint{0, 4}})
      for (int C = 0; C < 3; ++C)
        EXPECT_EQ(P->PixelPtr(Q.X, Q.Y)[C], 0) << Q.X << "," << Q.Y;
  }
  EXPECT_FALSE(Doc.HasCropRect());
  EXPECT_TRUE(BackupMatchesImage());
  EXPECT_EQ(Journal, std::vector<std::string>{"B.WindowsReplaced"});
  EXPECT_EQ(Told, std::vector<std::string>{"Crop(0,0,9,7)"});

  // Only the image: the original keeps its geometry.
  ASSERT_TRUE(Doc.SetCanvasSize(3, 2, false));
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 3, 2));
  EXPECT_EQ(Doc.Original().GetBounds(), MakeRect(0, 0, 9, 7));
}

TEST_F(GraphicsDocument, CropRectangleCoveringTheImageIsNoCrop)
{
  ASSERT_TRUE(LoadCoded(Doc, 10, 8));
  Doc.SetCropRect(MakeRect(-5, -5, 50, 50));
  EXPECT_FALSE(Doc.HasCropRect());
  EXPECT_EQ(Doc.GetVisibleRect(), MakeRect(0, 0, 10, 8));
  Doc.SetCropRect(MakeRect(-5, 2, 4, 50));
  EXPECT_EQ(Doc.CropRect(), MakeRect(0, 2, 4, 8));
  EXPECT_EQ(Doc.GetVisibleRect(), MakeRect(0, 2, 4, 8));
}

TEST_F(GraphicsDocument, SavedImagesComeBackWithTheirSize)
{
  ASSERT_TRUE(LoadCoded(Doc, 12, 9));
  Stroke(ToolA, {{MakeRect(0, 0, 3, 3), 77}});
  TZrPixelBuffer Image, Original;
  ASSERT_TRUE(Doc.SaveImages(Image, &Original));
  ASSERT_TRUE(Doc.ResizeImage(5, 4, true, true));
  ASSERT_TRUE(Doc.RestoreImages(Image, &Original));
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), Image));
  EXPECT_TRUE(SameImage(*Doc.OriginalPixels(), Original));
  EXPECT_TRUE(BackupMatchesImage());
}

TEST_F(GraphicsDocument, PreviewFitsTheBoxWithTheImagesProportions)
{
  ASSERT_TRUE(LoadCoded(Doc, 300, 120));
  const auto Preview = Doc.CreatePreview(100);
  ASSERT_NE(Preview, nullptr);
  EXPECT_EQ(Preview->GetBounds(), MakeRect(0, 0, 100, 40));
  TZrGraphicsDocument Empty(Editor, &Host);
  EXPECT_EQ(Empty.CreatePreview(100), nullptr);
  EXPECT_FALSE(Empty.RotateLeft());
  EXPECT_FALSE(Empty.SetCanvasSize(5, 5, true));
}

// Files

TEST_F(GraphicsDocument, SavingWritesTheVisibleRectangleWithTheMetadata)
{
  TZrPixelBuffer File;
  ASSERT_TRUE(File.Allocate(pf24bit, Bounds(0, 0, 16, 12)));
  FillCoded(File);
  TStoredFile Stored;
  Stored.Pixels = std::make_unique<TZrPixelBuffer>(std::move(File));
  Stored.Format = 2;
  Editor.FormatList.Files["in.png"] = std::move(Stored);
  ASSERT_TRUE(Doc.LoadFromFile("in.png"));
  EXPECT_EQ(Doc.Format, 2);
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 16, 12));

  Doc.SetCropRect(MakeRect(3, 4, 10, 9));
  Journal.clear();
  ASSERT_TRUE(Doc.SaveToFile("out.png", 2));
  // The tools hear of the save before anything is written.
  EXPECT_EQ(Journal, (std::vector<std::string>{"A.Saving", "B.Saving"}));
  EXPECT_EQ(Editor.FormatList.Journal.back(), "Metadata in.png");
  const TZrPixelBuffer &Written = *Editor.FormatList.Files.at("out.png").Pixels;
  ASSERT_EQ(Written.GetBounds(), MakeRect(0, 0, 7, 5));
  EXPECT_EQ(Written.PixelPtr(0, 0)[0], Code(3, 4, 0));
  EXPECT_EQ(Written.PixelPtr(6, 4)[2], Code(9, 8, 2));
  EXPECT_TRUE(Doc.Saved);
}

} // namespace
} // namespace facette
