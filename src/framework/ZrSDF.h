// SDF, the compact binary tree the settings file is written in.
//
// A stream is a flat sequence of items. Each item starts with a header byte:
// bits 7-6 the kind (0 = end of the current node, 1 = element, 2 or 3 =
// node), bits 5-4, 3-2 and 1-0 the width codes of the identifier, type and
// length fields that follow (0 = absent and zero, 1, 2 or 4 bytes, least
// significant byte first). Then come exactly length bytes of value. A node's
// value is followed by its children and an end item.
//
// The writer appends items. The reader parses the stream once into a tree of
// descriptors and fetches values on demand by seeking back into the stream,
// so the stream must stay open while the reader is used.
#pragma once

#include "framework/ZrGuid.h"
#include "framework/ZrStream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace facette {

// Type codes of SDF values.
enum TZrSDFDataType : uint32_t
{
  sdtInt8 = 1, // also Booleans, 0 or 1
  sdtUInt8 = 2,
  sdtInt16 = 3,
  sdtUInt16 = 4,
  sdtInt32 = 5,
  sdtWideString = 12, // UTF-16LE, no terminator
  sdtGuid = 13,       // the 16-byte form of TZrGuid
  sdtData = 14        // raw bytes
};

class TZrSDFWriter
{
public:
  // Writes to Stream without owning it; with no stream every write does
  // nothing.
  explicit TZrSDFWriter(TZrStream *Stream);
  // Writes to Stream and frees it with the writer.
  explicit TZrSDFWriter(std::unique_ptr<TZrStream> Stream);
  TZrSDFWriter(const TZrSDFWriter &) = delete;
  TZrSDFWriter &operator=(const TZrSDFWriter &) = delete;
  ~TZrSDFWriter();

  bool OwnsStream() const { return Owned != nullptr; }
  TZrStream *Stream() const { return Stream_; }

  // Opens a node whose own value is Guid (the way modules key their nodes).
  void BeginNode(uint32_t Id, const TZrGuid &Guid);
  // Opens a node whose own value is an integer, for example a count.
  void BeginNode(uint32_t Id, int32_t Value);
  void EndNode();

  void WriteBoolean(uint32_t Id, bool Value);
  void WriteInteger(uint32_t Id, int32_t Value);
  void WriteWideString(uint32_t Id, std::u16string_view Value);
  // Throws std::length_error when Size does not fit the 32-bit length field.
  void WriteData(uint32_t Id, const void *Buffer, size_t Size);

private:
  void WriteItem(unsigned Kind, uint32_t Id, uint32_t DataType, uint32_t Length, const void *Value);

  std::unique_ptr<TZrStream> Owned;
  TZrStream *Stream_ = nullptr;
};

// Where a value lies in the stream.
struct TZrSDFElement
{
  uint32_t Id = 0;
  uint32_t DataType = 0;
  uint32_t Size = 0;
  int64_t Position = 0; // offset of the value's first byte
};

class TZrSDFNode;

// The children of one level, each list in file order.
class TZrSDFItems
{
public:
  TZrSDFItems();
  TZrSDFItems(const TZrSDFItems &) = delete;
  TZrSDFItems &operator=(const TZrSDFItems &) = delete;
  // Frees the subtree without recursion: a hostile stream may nest nodes a
  // million levels deep.
  ~TZrSDFItems();

  std::vector<TZrSDFElement> Elements;
  std::vector<std::unique_ptr<TZrSDFNode>> Nodes;
};

class TZrSDFNode : public TZrSDFElement
{
public:
  TZrSDFNode *Parent = nullptr; // null at the outermost level
  TZrSDFItems Items;
};

class TZrSDFReader
{
public:
  // A stream holding more items than this is treated as damaged after them;
  // settings files have a few hundred, and each descriptor costs memory
  // while the stream may be hostile.
  static constexpr size_t MaxItems = size_t{1} << 20;

  // Both parse the whole stream from its current position; the reader then
  // stands at the outermost level. With no stream the tree is empty.
  explicit TZrSDFReader(TZrStream *Stream);
  explicit TZrSDFReader(std::unique_ptr<TZrStream> Stream);
  TZrSDFReader(const TZrSDFReader &) = delete;
  TZrSDFReader &operator=(const TZrSDFReader &) = delete;
  ~TZrSDFReader();

  bool OwnsStream() const { return Owned != nullptr; }
  TZrStream *Stream() const { return Stream_; }
  const TZrSDFItems &Root() const { return Root_; }
  // The node the reader is in; null at the outermost level.
  const TZrSDFNode *Current() const { return Current_; }

  // Enters the first node of the current level with that identifier.
  bool EnterNode(uint32_t Id);
  // Enters the first node of the current level with that identifier whose
  // own value is Guid.
  bool EnterNode(uint32_t Id, const TZrGuid &Guid);
  // Goes back to the enclosing level; nothing happens at the outermost one.
  void LeaveNode();

  // The first element of the current level with that identifier. Id 0 gives
  // the current node itself, so its own value can be read; null at the
  // outermost level.
  const TZrSDFElement *FindElement(uint32_t Id) const;

  // The read operations return false when there is no such element or its
  // value cannot be read from the stream. When the element holds a type the
  // operation does not take, Value is left as it is and the result is true:
  // callers set Value to its default first.

  // Types 1 to 5 whose length matches the type; 1 and 3 are sign-extended.
  bool ReadInteger(uint32_t Id, int32_t &Value);
  // ReadInteger, then any number but 0 is true.
  bool ReadBoolean(uint32_t Id, bool &Value);
  // Type 12: length / 2 UTF-16 code units.
  bool ReadWideString(uint32_t Id, std::u16string &Value);
  // Any type, when the stored length equals Size exactly; otherwise false and
  // Buffer is untouched. Buffer is also untouched when the read fails.
  bool ReadData(uint32_t Id, void *Buffer, size_t Size);

  // The same for an element of the tree found by other means, for example
  // when walking Root().
  bool ReadInteger(const TZrSDFElement &Element, int32_t &Value);
  bool ReadBoolean(const TZrSDFElement &Element, bool &Value);
  bool ReadWideString(const TZrSDFElement &Element, std::u16string &Value);
  bool ReadData(const TZrSDFElement &Element, void *Buffer, size_t Size);

private:
  void Parse();
  // Reads Size bytes at Position; false when the stream cannot give them.
  bool ReadAt(int64_t Position, void *Buffer, size_t Size);
  // False when the value no longer lies within the stream.
  bool InStream(const TZrSDFElement &Element) const;
  const TZrSDFItems &Level() const { return Current_ ? Current_->Items : Root_; }

  std::unique_ptr<TZrStream> Owned;
  TZrStream *Stream_ = nullptr;
  TZrSDFItems Root_;
  TZrSDFNode *Current_ = nullptr;
};

} // namespace facette
