#include "editor/ui/EditorTestSupport.h"

#include "demo/ZrDemoScriptParams.h"

namespace facette {
namespace {

using namespace test;

class GraphicsToolTest : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    CreateTool(Brush, "Brush");
    CreateTool(Crop, "Crop");
    Crop->Exclusive = true;
    ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("photo.png"), 40, 30)));
  }
  uint8_t At(int32_t X, int32_t Y) const { return Doc()->ImagePixels()->PixelPtr(X, Y)[0]; }

  TJournalTool *Brush = nullptr;
  TJournalTool *Crop = nullptr;
};

TEST_F(GraphicsToolTest, EveryToolHasItsControlInTheOpenedView)
{
  // The Initialize hook ran once the tools were built.
  EXPECT_TRUE(Journal.Has("Brush.Initialize"));
  ASSERT_EQ(Brush->ControlCount(), 1);
  EXPECT_EQ(Brush->GetControl(1), nullptr);
  TZrGraphicsToolControl *Control = Brush->GetControl(0);
  EXPECT_EQ(&Control->View, View());
  EXPECT_EQ(Control->Flags, vfOverlay | vfNoExtent);
  EXPECT_GE(View()->Objects.IndexOf(Control), 1); // above the image

  // Selecting activates the tool and its controls; the old one goes.
  Editor->SelectTool(Brush);
  EXPECT_TRUE(Brush->Active && Control->Active);
  Editor->SelectTool(Crop);
  EXPECT_FALSE(Brush->Active || Control->Active);
  EXPECT_EQ(Editor->PreviousTool(), Brush);
  EXPECT_EQ(Editor->CurrentTool(), Crop);

  // A new document: new controls, and the current tool's are active.
  ASSERT_TRUE(Open(WriteImage(Folder, QStringLiteral("other.png"), 10, 10)));
  ASSERT_EQ(Crop->ControlCount(), 1);
  EXPECT_TRUE(Crop->GetControl(0)->Active);
  // Closing the document takes them away again; the image area is not
  // left to the panels.
  Editor->CloseCommand();
  EXPECT_EQ(Crop->ControlCount(), 0);
  ASSERT_NE(Main->centralWidget(), nullptr);
  EXPECT_EQ(Main->centralWidget()->objectName(), QStringLiteral("Workspace"));
}

TEST_F(GraphicsToolTest, CancelAfterTwoReportedRectanglesRestoresBoth)
{
  Brush->BeginEdit(*View());
  Brush->PaintRect(MakeRect(0, 0, 5, 5), 255, true);
  Brush->PaintRect(MakeRect(30, 20, 35, 25), 0, false);
  EXPECT_EQ(Doc()->ChangedRect(), MakeRect(0, 0, 35, 25));
  Brush->CancelEdit();
  EXPECT_EQ(At(2, 2), 40);
  EXPECT_EQ(At(32, 22), 200);
  EXPECT_FALSE(Doc()->Editing());
  EXPECT_EQ(Doc()->History.Count(), 0);
  EXPECT_EQ(Brush->Document, nullptr);
  EXPECT_EQ(Brush->ImagePixels, nullptr);
  // Nothing harmful without an edit.
  Brush->CancelEdit();
  Brush->EndEdit();
  Brush->Commit();
}

TEST_F(GraphicsToolTest, BeginningAnEditCommitsAnotherToolsOpenEditFirst)
{
  Brush->BeginEdit(*View());
  Brush->PaintRect(MakeRect(0, 0, 5, 5), 255, true);
  Crop->BeginEdit(*View());
  // One snapshot, the brush's; the brush let go of the document.
  ASSERT_EQ(Doc()->History.Count(), 1);
  const auto *State = dynamic_cast<TZrGraphicsCommandState *>(Doc()->History.State(0));
  ASSERT_NE(State, nullptr);
  EXPECT_EQ(State->Tool, Brush);
  EXPECT_EQ(State->Rect, MakeRect(0, 0, 5, 5));
  EXPECT_EQ(Brush->Document, nullptr);
  EXPECT_EQ(Doc()->EditTool(), Crop);
  EXPECT_TRUE(Doc()->Editing());
  EXPECT_FALSE(Doc()->Saved);

  // A stale call from the brush touches the crop's edit in no way.
  Crop->PaintRect(MakeRect(10, 10, 12, 12), 9, true);
  Brush->EndEdit();
  Brush->CancelEdit();
  EXPECT_TRUE(Doc()->Editing());
  EXPECT_EQ(At(10, 10), 9);
  Crop->EndEdit();
  EXPECT_EQ(Doc()->History.Count(), 2);
}

TEST_F(GraphicsToolTest, AnExclusiveToolsOpenEditLocksTheOthersOut)
{
  EXPECT_TRUE(Editor->CanSelectTool(Brush));
  Crop->BeginEdit(*View());
  EXPECT_FALSE(Editor->CanSelectTool(Brush));
  EXPECT_TRUE(Editor->CanSelectTool(Crop));
  Crop->EndEdit();
  EXPECT_TRUE(Editor->CanSelectTool(Brush));

  // A brush edit locks nothing out.
  Brush->BeginEdit(*View());
  EXPECT_TRUE(Editor->CanSelectTool(Crop));
  Brush->EndEdit();

  // While locked, only the current tool.
  Editor->SelectTool(Brush);
  Editor->LockTool();
  EXPECT_FALSE(Editor->CanSelectTool(Crop));
  EXPECT_TRUE(Editor->CanSelectTool(Brush));
  Editor->UnlockTool();
  EXPECT_TRUE(Editor->CanSelectTool(Crop));

  // Without a document, none.
  Editor->CloseCommand();
  EXPECT_FALSE(Editor->CanSelectTool(Brush));
}

TEST_F(GraphicsToolTest, ADemoCommandNamedAfterTheToolSelectsIt)
{
  Brush->DemoName = QStringLiteral("Lipstick");
  bool Handled = false;
  TZrDemoScriptParams None;
  // The editor leaves commands it does not know to the tools.
  DemoRegistry().DispatchCommand(nullptr, QStringLiteral("LIPSTICK"), Handled, nullptr, None);
  EXPECT_TRUE(Handled);
  EXPECT_EQ(Editor->CurrentTool(), Brush);
  Handled = false;
  DemoRegistry().DispatchCommand(nullptr, QStringLiteral("EYELINER"), Handled, nullptr, None);
  EXPECT_FALSE(Handled);
}

TEST_F(GraphicsToolTest, ImageOperationsHandTheOpenEditFreshPixelWindows)
{
  Editor->SelectTool(Brush);
  Brush->BeginEdit(*View());
  ASSERT_TRUE(Doc()->SetCanvasSize(60, 50, true));
  EXPECT_EQ(Brush->ImagePixels, Doc()->ImagePixels());
  EXPECT_EQ(Brush->ImagePixels->GetBounds(), MakeRect(0, 0, 60, 50));
  Brush->PaintRect(MakeRect(50, 40, 60, 50), 1, true);
  Brush->EndEdit();
  EXPECT_EQ(At(55, 45), 1);
}

} // namespace
} // namespace facette
