#include "document/ZrCommandHistory.h"

namespace facette {

void TZrCommandHistoryList::Add(std::unique_ptr<TZrCommandState> State)
{
  ClearRedo();
  States.push_back(std::move(State));
  Serials.push_back(++NextSerial);
  ++Position;
}

void TZrCommandHistoryList::ClearRedo()
{
  // Freed newest first, as a list deleted from its end would.
  while (CanRedo()) {
    States.pop_back();
    Serials.pop_back();
  }
}

void TZrCommandHistoryList::Undo()
{
  if (!CanUndo())
    return;
  // The cursor moves first: a state whose Undo throws counts as undone.
  --Position;
  States[static_cast<size_t>(Position)]->Undo();
}

void TZrCommandHistoryList::Redo()
{
  if (!CanRedo())
    return;
  // The cursor moves only once the state has been re-applied.
  States[static_cast<size_t>(Position)]->Redo();
  ++Position;
}

TZrCommandState *TZrCommandHistoryList::NextRedo() const
{
  return CanRedo() ? States[static_cast<size_t>(Position)].get() : nullptr;
}

TZrCommandState *TZrCommandHistoryList::LastUndo() const
{
  return CanUndo() ? States[static_cast<size_t>(Position - 1)].get() : nullptr;
}

} // namespace facette
