// The undo states of turns, flips, resize, crop and straightening on a real
// graphics document: undo and redo give back exactly the pixels of both
// sides, and a JPEG that was only turned or cut keeps saving from its own
// coefficients through them.
#include "tools/geometry/ZrGeometryCommands.h"
#include "tools/geometry/ZrStraightenSession.h"

#include "editor/GraphicsTestSupport.h"
#include "editor/ZrDocumentImageFormats.h"
#include "imaging/ZrInterpolationFilters.h"
#include "imaging/ZrLosslessJPEG.h"
#include "imaging/ZrResample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace facette {
namespace {

using namespace test;

class TImageEditor : public TFakeEditor
{
public:
  TZrDocumentImageFormats Images;
  TZrDocumentFormats &Formats() override { return Images; }
};

// Counts what a state tells its tool.
class TOwner : public IZrGeometryStateOwner
{
public:
  int Begun = 0, Ended = 0;
  void BeginStateChange() override { ++Begun; }
  void EndStateChange() override { ++Ended; }
};

class GeometryCommands : public testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(LoadCoded(Doc, 40, 30));
    // The original differs from the image, so that mixing them up shows.
    FillCoded(*Doc.OriginalPixels(), 77);
  }

  struct TShot
  {
    TZrPixelBuffer Image, Original;
    TZrRect Visible;
  };
  TShot Shot() const
  {
    TShot S;
    Doc.SaveImages(S.Image, &S.Original);
    S.Visible = Doc.GetVisibleRect();
    return S;
  }
  bool Matches(const TShot &S)
  {
    return SameImage(*Doc.ImagePixels(), S.Image) && SameImage(*Doc.OriginalPixels(), S.Original) &&
           Doc.GetVisibleRect() == S.Visible && SameImage(Doc.Backup(), S.Image);
  }
  // Does Step with its state on the history, then checks undo and redo.
  void CheckUndoRedo(const std::function<void()> &Step, const char *Name)
  {
    const TShot Before = Shot();
    Step();
    const TShot After = Shot();
    ASSERT_EQ(Doc.History.Count(), 1) << Name;
    EXPECT_FALSE(Doc.Saved) << Name;
    for (int Round = 0; Round < 2; ++Round) {
      Doc.History.Undo();
      EXPECT_TRUE(Matches(Before)) << Name << " undo " << Round;
      Doc.History.Redo();
      EXPECT_TRUE(Matches(After)) << Name << " redo " << Round;
    }
    Doc.History.Undo();
  }

  std::vector<std::string> Journal;
  TImageEditor Editor;
  TFakeHost Host;
  TFakeTool Tool{"Geometry", Journal};
  TZrGraphicsDocument Doc{Editor, &Host};
};

TEST_F(GeometryCommands, TurnsAndFlipsUndoByTheirInverse)
{
  for (uint8_t Op : {roRotateLeft, roRotateRight, roFlipHorizontal, roFlipVertical, roRotate180}) {
    TOwner Owner;
    CheckUndoRedo(
        [&] {
          ASSERT_TRUE(PerformRotateOperation(Doc, Op));
          Doc.History.Add(std::make_unique<TZrRotateCommandState>(&Tool, Doc, Op, &Owner));
        },
        "turn");
    // Every undo and redo is bracketed for the tool.
    EXPECT_EQ(Owner.Begun, 5);
    EXPECT_EQ(Owner.Ended, 5);
    Doc.History.ClearRedo();
  }
  EXPECT_FALSE(PerformRotateOperation(Doc, roNone));
}

TEST_F(GeometryCommands, FourTurnsOrTwoFlipsGiveTheSamePixels)
{
  const TShot Start = Shot();
  for (uint8_t Op : {roRotateLeft, roRotateRight, roFlipHorizontal, roFlipVertical}) {
    const int Times = Op == roRotateLeft || Op == roRotateRight ? 4 : 2;
    for (int I = 0; I < Times; ++I) {
      ASSERT_TRUE(PerformRotateOperation(Doc, Op));
      if (I + 1 < Times) {
        EXPECT_FALSE(Matches(Start));
      }
    }
    EXPECT_TRUE(Matches(Start)) << int(Op);
  }
  // A half turn keeps the size and is two quarter turns.
  ASSERT_TRUE(PerformRotateOperation(Doc, roRotate180));
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 40, 30));
  ASSERT_TRUE(PerformRotateOperation(Doc, roRotateLeft));
  ASSERT_TRUE(PerformRotateOperation(Doc, roRotateLeft));
  EXPECT_TRUE(Matches(Start));
  // A quarter turn lands each pixel where a turn by hand puts it.
  ASSERT_TRUE(PerformRotateOperation(Doc, roRotateRight));
  ASSERT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 30, 40));
  for (int32_t Y = 0; Y < 40; ++Y)
    for (int32_t X = 0; X < 30; ++X)
      ASSERT_EQ(Doc.ImagePixels()->PixelPtr(X, Y)[0], Start.Image.PixelPtr(Y, 29 - X)[0]);
}

TEST_F(GeometryCommands, ResizeUndoesToTheKeptPixelsAndRedoesWithItsFilter)
{
  Doc.SetCropRect(MakeRect(4, 2, 36, 28));
  CheckUndoRedo(
      [&] {
        auto State = std::make_unique<TZrResizeCommandState>(&Tool, Doc, 20, 15);
        ASSERT_TRUE(Doc.ResizeImage(20, 15, true, true));
        Doc.History.Add(std::move(State));
        // Redo resamples with this filter whatever the flag says then.
        QuickDraftResampling = true;
      },
      "resize");
  QuickDraftResampling = false;
  EXPECT_EQ(Doc.GetVisibleRect(), MakeRect(4, 2, 36, 28));

  // A quick-draft resize redoes as a quick draft.
  Doc.History.ClearRedo();
  QuickDraftResampling = true;
  CheckUndoRedo(
      [&] {
        auto State = std::make_unique<TZrResizeCommandState>(&Tool, Doc, 13, 9);
        ASSERT_TRUE(Doc.ResizeImage(13, 9, true, true));
        Doc.History.Add(std::move(State));
        QuickDraftResampling = false;
      },
      "quick draft");
}

TEST_F(GeometryCommands, CropUndoesToTheFullImageAndTheVisibleRectangle)
{
  Doc.SetCropRect(MakeRect(2, 2, 38, 28));
  const TZrRect Cut = MakeRect(5, 4, 25, 19);
  CheckUndoRedo(
      [&] {
        auto State = std::make_unique<TZrCrop2PlusCommandState>(&Tool, Doc, Cut);
        ASSERT_TRUE(Doc.Crop(Cut));
        Doc.History.Add(std::move(State));
        EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 20, 15));
      },
      "crop");
}

// --- straightening ----------------------------------------------------------

class StraightenSession : public GeometryCommands
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(LoadCoded(Doc, 400, 300));
    // No pure white in the photo: white pixels come from outside.
    for (int32_t Y = 0; Y < 300; ++Y)
      for (int32_t X = 0; X < 400; ++X)
        Doc.ImagePixels()->PixelPtr(X, Y)[0] &= 0xFE;
    ASSERT_TRUE(Doc.ResetBackup());
    Tool.Document = &Doc;
  }
  // The tool's edit around a session.
  void Begin()
  {
    Doc.BeginEdit(&Tool);
    ASSERT_TRUE(Session.Begin(Doc));
  }
  void Finish(bool AutoCrop)
  {
    Session.Render(Doc, ifHermite);
    if (AutoCrop)
      Session.ApplyAutoCrop(Doc);
    Session.TotalAngle = 0;
    Session.AutoCropRect = {};
    Doc.AddChangedRect(Doc.ImageBounds(), false);
    Doc.History.Add(Session.Commit(&Tool, Doc));
    Doc.EndEdit();
  }
  int32_t WhitePixels() const
  {
    int32_t Count = 0;
    const TZrPixels &P = *Doc.ImagePixels();
    for (int32_t Y = 0; Y < P.Height; ++Y)
      for (int32_t X = 0; X < P.Width; ++X)
        Count +=
            P.PixelPtr(X, Y)[0] == 255 && P.PixelPtr(X, Y)[1] == 255 && P.PixelPtr(X, Y)[2] == 255;
    return Count;
  }

  TZrStraightenSession Session;
};

TEST_F(StraightenSession, LinesAddUpAndEachRendersFromTheUntouchedSource)
{
  const TShot Start = Shot();
  Begin();
  Session.TotalAngle += 0.04;
  Session.Render(Doc, ifNone);
  Session.TotalAngle += 0.06;
  Session.Render(Doc, ifNone);
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 428, 338));
  // The same as one line of the sum.
  TZrStraightenRenderer Direct;
  Direct.SetSourceSize(400, 300);
  Direct.ComputeResultSize(0.1);
  TZrPixelBuffer Expected;
  ASSERT_TRUE(Expected.Allocate(pf24bit, MakeRect(0, 0, 428, 338)));
  Direct.Render(Start.Image, 0.1, ifNone, Expected);
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), Expected));
  // The corners come from outside: white.
  for (const TZrPoint P : {TZrPoint{0, 0}, {427, 0}, {0, 337}, {427, 337}})
    EXPECT_TRUE(Session.Renderer.IsOutside(P.X, P.Y));
  EXPECT_EQ(Doc.ImagePixels()->PixelPtr(0, 0)[1], 255);
  // The original keeps its geometry.
  EXPECT_EQ(Doc.Original().GetBounds(), MakeRect(0, 0, 400, 300));
}

TEST_F(StraightenSession, CancelRestoresTheSourceAndRecordsNothing)
{
  const TShot Start = Shot();
  Begin();
  Session.TotalAngle = 0.3;
  Session.Render(Doc, ifNone);
  Session.TotalAngle = -0.2;
  Session.Render(Doc, ifNone);
  Session.Cancel(Doc);
  // What the tool's CancelEdit does next.
  Doc.ImagePixels()->CopyFrom(Doc.Backup());
  Doc.ClearEdit();
  EXPECT_TRUE(Matches(Start));
  EXPECT_EQ(Session.TotalAngle, 0.0);
  EXPECT_EQ(Doc.History.Count(), 0);
}

TEST_F(StraightenSession, ApplyIsOneUndoStepAndAutoCropLeavesNoWhite)
{
  const TShot Start = Shot();
  Begin();
  Session.TotalAngle = 0.1;
  Finish(true);
  const TShot After = Shot();
  EXPECT_LT(Doc.ImageBounds().Width(), 400);
  EXPECT_EQ(WhitePixels(), 0);
  ASSERT_EQ(Doc.History.Count(), 1);
  EXPECT_TRUE(SameImage(Doc.Backup(), *Doc.ImagePixels()));
  Doc.History.Undo();
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), Start.Image));
  EXPECT_TRUE(SameImage(Doc.Backup(), Start.Image));
  Doc.History.Redo();
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), After.Image));

  // Without the crop the white corners stay.
  Doc.History.Undo();
  Begin();
  Session.TotalAngle = 0.1;
  Finish(false);
  EXPECT_EQ(Doc.ImageBounds(), MakeRect(0, 0, 428, 338));
  EXPECT_GT(WhitePixels(), 0);
}

// --- the lossless record through undo and redo ---------------------------------

class LosslessThroughUndo : public GeometryCommands
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(Doc.LoadFromFile(FACETTE_SOURCE_DIR "/tests/data/portrait-exif.jpg"));
    Tool.Document = &Doc;
  }
  // Whether saving now writes the file's own coefficients.
  bool SavesLosslessly() const
  {
    const auto *Lossless = dynamic_cast<const TZrLosslessJPEG *>(Doc.LosslessJPEG());
    if (!Lossless)
      return false;
    std::vector<uint8_t> Out;
    bool Kept = false;
    const TZrImageToSave Image = Doc.ImageToSave();
    return Lossless->Save(&Image.Pixels, Out, &Kept) && Kept;
  }
};

TEST_F(LosslessThroughUndo, UndoingACropOrResizeMakesTheFileLosslessAgain)
{
  ASSERT_TRUE(SavesLosslessly());
  // A crop off the block grid cannot be written losslessly; undone, the
  // whole image can again, and a turn after it too.
  auto Crop = std::make_unique<TZrCrop2PlusCommandState>(&Tool, Doc, MakeRect(5, 5, 205, 205));
  ASSERT_TRUE(Doc.Crop(MakeRect(5, 5, 205, 205)));
  Doc.History.Add(std::move(Crop));
  EXPECT_FALSE(SavesLosslessly());
  Doc.History.Undo();
  EXPECT_TRUE(SavesLosslessly());
  ASSERT_TRUE(PerformRotateOperation(Doc, roRotateRight));
  Doc.History.Add(std::make_unique<TZrRotateCommandState>(&Tool, Doc, roRotateRight));
  EXPECT_TRUE(SavesLosslessly());
  Doc.History.Undo();

  // A crop on the grid stays lossless through undo and redo.
  auto Grid = std::make_unique<TZrCrop2PlusCommandState>(&Tool, Doc, MakeRect(16, 32, 272, 288));
  ASSERT_TRUE(Doc.Crop(MakeRect(16, 32, 272, 288)));
  Doc.History.Add(std::move(Grid));
  EXPECT_TRUE(SavesLosslessly());
  Doc.History.Undo();
  EXPECT_TRUE(SavesLosslessly());
  Doc.History.Redo();
  EXPECT_TRUE(SavesLosslessly());
  Doc.History.Undo();

  auto Resize = std::make_unique<TZrResizeCommandState>(&Tool, Doc, 256, 256);
  ASSERT_TRUE(Doc.ResizeImage(256, 256, true, true));
  Doc.History.Add(std::move(Resize));
  EXPECT_FALSE(SavesLosslessly());
  Doc.History.Undo();
  EXPECT_TRUE(SavesLosslessly());
}

TEST_F(LosslessThroughUndo, UndoingAStraighteningMakesTheFileLosslessAgain)
{
  TZrStraightenSession Session;
  Doc.BeginEdit(&Tool);
  ASSERT_TRUE(Session.Begin(Doc));
  Session.TotalAngle = 0.05;
  Session.Render(Doc, ifNone);
  Doc.AddChangedRect(Doc.ImageBounds(), false);
  Doc.History.Add(Session.Commit(&Tool, Doc));
  Doc.EndEdit();
  EXPECT_FALSE(SavesLosslessly());
  Doc.History.Undo();
  EXPECT_TRUE(SavesLosslessly());

  // Cancelled, the session leaves it lossless too.
  Doc.BeginEdit(&Tool);
  ASSERT_TRUE(Session.Begin(Doc));
  Session.TotalAngle = 0.05;
  Session.Render(Doc, ifNone);
  Session.Cancel(Doc);
  Doc.ImagePixels()->CopyFrom(Doc.Backup());
  Doc.ClearEdit();
  EXPECT_TRUE(SavesLosslessly());
}

} // namespace
} // namespace facette
