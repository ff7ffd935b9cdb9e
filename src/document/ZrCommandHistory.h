// Linear undo/redo history of a document: a list of recorded changes with a
// cursor between the applied ones and the undone ones.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace facette {

// One recorded change; derived states carry the data to revert and re-apply.
class TZrCommandState
{
public:
  virtual ~TZrCommandState() = default;
  virtual void Undo() = 0;
  virtual void Redo() = 0;
};

class TZrCommandHistoryList
{
public:
  TZrCommandHistoryList() = default;
  TZrCommandHistoryList(const TZrCommandHistoryList &) = delete;
  TZrCommandHistoryList &operator=(const TZrCommandHistoryList &) = delete;

  bool CanUndo() const { return Position > 0; }
  bool CanRedo() const { return Position < Count(); }

  // Cuts off everything undone, then appends State as the newest applied
  // change. The history owns it from here on.
  void Add(std::unique_ptr<TZrCommandState> State);
  void ClearRedo();
  void Undo();
  void Redo();

  // Index of the last applied state, -1 when nothing is applied. Tools keep
  // it as a checkpoint to undo back to.
  int CurrentIndex() const { return Position - 1; }
  TZrCommandState *NextRedo() const;
  TZrCommandState *LastUndo() const;

  // Identifies the applied part of the history: the serial number of the
  // last applied state (numbers are never reused), 0 when none is applied.
  // Equal serials mean the same changes are applied.
  uint64_t CurrentSerial() const
  {
    return Position > 0 ? Serials[static_cast<size_t>(Position - 1)] : 0;
  }

  int Count() const { return static_cast<int>(States.size()); }
  int GetPosition() const { return Position; }
  TZrCommandState *State(int Index) const { return States.at(static_cast<size_t>(Index)).get(); }

private:
  std::vector<std::unique_ptr<TZrCommandState>> States;
  std::vector<uint64_t> Serials;
  uint64_t NextSerial = 0;
  int Position = 0;
};

} // namespace facette
