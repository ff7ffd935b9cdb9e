#include "document/ZrCommandHistory.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace facette {
namespace {

// Records every undo, redo and destruction in a shared journal.
struct Journal
{
  std::vector<std::string> Events;
};

class RecordingState : public TZrCommandState
{
public:
  RecordingState(Journal &J, std::string Name, bool Throws = false)
      : J(J), Name(std::move(Name)), Throws(Throws)
  {}
  ~RecordingState() override { J.Events.push_back("free " + Name); }
  void Undo() override
  {
    J.Events.push_back("undo " + Name);
    if (Throws)
      throw std::runtime_error("undo failed");
  }
  void Redo() override
  {
    J.Events.push_back("redo " + Name);
    if (Throws)
      throw std::runtime_error("redo failed");
  }

private:
  Journal &J;
  std::string Name;
  bool Throws;
};

void AddStates(TZrCommandHistoryList &H, Journal &J, int N)
{
  for (int I = 1; I <= N; ++I)
    H.Add(std::make_unique<RecordingState>(J, std::to_string(I)));
}

TEST(CommandHistory, EmptyHistoryHasNothingToUndoOrRedo)
{
  TZrCommandHistoryList H;
  EXPECT_FALSE(H.CanUndo());
  EXPECT_FALSE(H.CanRedo());
  EXPECT_EQ(H.CurrentIndex(), -1);
  EXPECT_EQ(H.LastUndo(), nullptr);
  EXPECT_EQ(H.NextRedo(), nullptr);
  H.Undo(); // no effect on an exhausted history
  H.Redo();
  EXPECT_EQ(H.Count(), 0);
}

TEST(CommandHistory, AddAfterUndoCutsOffAndFreesTheUndoneStates)
{
  Journal J;
  TZrCommandHistoryList H;
  AddStates(H, J, 4);
  H.Undo();
  H.Undo();
  J.Events.clear();
  H.Add(std::make_unique<RecordingState>(J, "new"));
  EXPECT_EQ(H.Count(), 3);
  EXPECT_EQ(H.GetPosition(), 3);
  EXPECT_EQ((std::vector<std::string>{"free 4", "free 3"}), J.Events);
  EXPECT_FALSE(H.CanRedo());
  EXPECT_EQ(H.CurrentIndex(), 2);
}

TEST(CommandHistory, UndoAllThenRedoAllReplaysInOrder)
{
  Journal J;
  TZrCommandHistoryList H;
  AddStates(H, J, 5);
  while (H.CanUndo())
    H.Undo();
  while (H.CanRedo())
    H.Redo();
  EXPECT_EQ((std::vector<std::string>{"undo 5", "undo 4", "undo 3", "undo 2", "undo 1", "redo 1",
                                      "redo 2", "redo 3", "redo 4", "redo 5"}),
            J.Events);
  EXPECT_EQ(H.GetPosition(), 5);
}

TEST(CommandHistory, CursorAccessorsFollowThePosition)
{
  Journal J;
  TZrCommandHistoryList H;
  AddStates(H, J, 3);
  H.Undo();
  EXPECT_EQ(H.CurrentIndex(), 1);
  EXPECT_EQ(H.LastUndo(), H.State(1));
  EXPECT_EQ(H.NextRedo(), H.State(2));
  H.Undo();
  H.Undo();
  EXPECT_EQ(H.LastUndo(), nullptr);
  EXPECT_EQ(H.NextRedo(), H.State(0));
}

TEST(CommandHistory, FailingStatesLeaveTheCursorWhereTheContractSays)
{
  Journal J;
  TZrCommandHistoryList H;
  H.Add(std::make_unique<RecordingState>(J, "bad", true));
  // Undo moves the cursor before calling the state.
  EXPECT_THROW(H.Undo(), std::runtime_error);
  EXPECT_EQ(H.GetPosition(), 0);
  // Redo moves it only after the state succeeded.
  EXPECT_THROW(H.Redo(), std::runtime_error);
  EXPECT_EQ(H.GetPosition(), 0);
}

TEST(CommandHistory, SerialsTellAppliedPartsApartAndAreNeverReused)
{
  Journal J;
  TZrCommandHistoryList H;
  EXPECT_EQ(H.CurrentSerial(), 0u);
  AddStates(H, J, 2);
  const uint64_t AtTwo = H.CurrentSerial();
  H.Undo();
  const uint64_t AtOne = H.CurrentSerial();
  EXPECT_NE(AtOne, AtTwo);
  H.Redo();
  EXPECT_EQ(H.CurrentSerial(), AtTwo);
  // Replacing the second state gives a new serial at the same position.
  H.Undo();
  H.Add(std::make_unique<RecordingState>(J, "other"));
  EXPECT_EQ(H.GetPosition(), 2);
  EXPECT_NE(H.CurrentSerial(), AtTwo);
  H.Undo();
  EXPECT_EQ(H.CurrentSerial(), AtOne);
}

TEST(CommandHistory, DestroyingTheHistoryFreesEveryState)
{
  Journal J;
  {
    TZrCommandHistoryList H;
    AddStates(H, J, 2);
    H.Undo();
  }
  EXPECT_EQ(J.Events.size(), 3u); // one undo, two frees
  EXPECT_EQ(J.Events.back(), "free 2");
}

} // namespace
} // namespace facette
