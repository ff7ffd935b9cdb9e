// Parses arbitrary bytes as a settings stream, then walks the whole tree:
// enters and leaves every node the reader can reach, and reads every element
// and every node's own value with every read operation. Traps when the tree
// points outside the stream or the reader's position disagrees with the
// walk.
#include "framework/ZrSDF.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace facette;

namespace {

void Check(bool Condition)
{
  if (!Condition)
    __builtin_trap();
}

// Identifier lookups scan a level; cap them so that inputs of thousands of
// elements on one level do not make the run quadratic.
constexpr size_t MaxLookupsPerLevel = 64;

void ReadElement(TZrSDFReader &R, const TZrSDFElement &E, int64_t End)
{
  Check(E.Position >= 0 && E.Position <= End && static_cast<int64_t>(E.Size) <= End - E.Position);
  int32_t I = 12345;
  bool B = true;
  std::u16string S = u"default";
  const bool IntRead = R.ReadInteger(E, I);
  const bool BoolRead = R.ReadBoolean(E, B);
  Check(IntRead == BoolRead);
  Check(R.ReadWideString(E, S));
  if (E.DataType == sdtWideString)
    Check(S.size() == E.Size / 2);
  std::vector<uint8_t> Buffer(static_cast<size_t>(E.Size) + 1, 0xEE);
  Check(R.ReadData(E, Buffer.data(), E.Size));
  Check(!R.ReadData(E, Buffer.data(), Buffer.size()));
  Check(Buffer.back() == 0xEE);
}

void ReadById(TZrSDFReader &R, uint32_t Id)
{
  const TZrSDFElement *Found = R.FindElement(Id);
  if (Id == 0)
    Check(Found == R.Current());
  else
    Check(Found && Found->Id == Id);
  int32_t I = 0;
  bool B = false;
  std::u16string S;
  uint8_t Small[4];
  R.ReadInteger(Id, I);
  R.ReadBoolean(Id, B);
  R.ReadWideString(Id, S);
  R.ReadData(Id, Small, sizeof Small);
}

struct TFrame
{
  const TZrSDFNode *Node; // null for the outermost level
  size_t NextNode;
  bool InReader; // the reader's current node is this one
};

const TZrSDFItems &ItemsOf(const TZrSDFReader &R, const TFrame &F)
{
  return F.Node ? F.Node->Items : R.Root();
}

// Reads a level's elements when the walk arrives there.
void VisitLevel(TZrSDFReader &R, const TFrame &F, int64_t End)
{
  const TZrSDFItems &Items = ItemsOf(R, F);
  if (F.Node)
    ReadElement(R, *F.Node, End);
  for (const TZrSDFElement &E : Items.Elements)
    ReadElement(R, E, End);
  if (!F.InReader)
    return;
  Check(R.Current() == F.Node);
  ReadById(R, 0);
  for (size_t I = 0; I < Items.Elements.size() && I < MaxLookupsPerLevel; ++I)
    if (Items.Elements[I].Id != 0)
      ReadById(R, Items.Elements[I].Id);
}

// Tries to make Node (a child of the reader's current level) current the
// way callers do; true when the reader ended up there.
bool Enter(TZrSDFReader &R, const TZrSDFItems &Level, size_t Index)
{
  const TZrSDFNode &Node = *Level.Nodes[Index];
  const TZrSDFNode *Parent = R.Current();
  if (Index < MaxLookupsPerLevel) {
    // EnterNode(Id) must find the first node with the identifier.
    size_t First = 0;
    while (Level.Nodes[First]->Id != Node.Id)
      ++First;
    Check(R.EnterNode(Node.Id));
    Check(R.Current() == Level.Nodes[First].get());
    if (First == Index)
      return true;
    R.LeaveNode();
    Check(R.Current() == Parent);
  }
  if (Node.DataType == sdtGuid && Node.Size == TZrGuid::ByteSize) {
    TZrGuid::TBytes Bytes;
    Check(R.ReadData(Node, Bytes.data(), Bytes.size()));
    Check(R.EnterNode(Node.Id, TZrGuid::FromBytes(Bytes.data())));
    Check(R.Current() && R.Current()->Id == Node.Id);
    if (R.Current() == &Node)
      return true;
    R.LeaveNode();
    Check(R.Current() == Parent);
  }
  return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  TZrMemoryStream Stream(std::vector<uint8_t>(Data, Data + Size));
  TZrSDFReader R(&Stream);
  Check(R.Current() == nullptr);
  const int64_t End = Stream.Size();

  R.LeaveNode(); // harmless at the outermost level
  Check(R.Current() == nullptr);
  Check(!R.EnterNode(0xFFFFFFFFu, TZrGuid{}) || R.Current() != nullptr);
  while (R.Current())
    R.LeaveNode();

  // Depth-first with an explicit stack: the tree may be very deep.
  std::vector<TFrame> Stack = {{nullptr, 0, true}};
  VisitLevel(R, Stack.back(), End);
  while (!Stack.empty()) {
    TFrame &Top = Stack.back();
    const TZrSDFItems &Items = ItemsOf(R, Top);
    if (Top.NextNode < Items.Nodes.size()) {
      const size_t Index = Top.NextNode++;
      const TZrSDFNode *Child = Items.Nodes[Index].get();
      Check(Child->Parent == Top.Node);
      const bool InReader = Top.InReader && Enter(R, Items, Index);
      Stack.push_back({Child, 0, InReader});
      VisitLevel(R, Stack.back(), End);
      continue;
    }
    if (Top.InReader && Top.Node) {
      R.LeaveNode();
      Check(R.Current() == Top.Node->Parent);
    }
    Stack.pop_back();
  }
  Check(R.Current() == nullptr);
  return 0;
}
