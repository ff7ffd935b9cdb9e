#include "framework/ZrSDF.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace facette {

namespace {

constexpr unsigned KindEnd = 0;
constexpr unsigned KindElement = 1;
constexpr unsigned KindNode = 3; // 2 is read as a node too; we always write 3

// Width code of a field: 0 = absent (the value is 0), 1, 2 or 3 = 4 bytes.
unsigned WidthCode(uint32_t Value)
{
  if (Value == 0)
    return 0;
  if (Value < 256)
    return 1;
  if (Value <= 65535)
    return 2;
  return 3;
}

unsigned WidthOf(unsigned Code)
{
  return Code == 3 ? 4 : Code;
}

// Appends Value in Width bytes, least significant first.
uint8_t *PutField(uint8_t *Out, uint32_t Value, unsigned Width)
{
  for (unsigned I = 0; I < Width; ++I)
    *Out++ = static_cast<uint8_t>(Value >> (8 * I));
  return Out;
}

uint8_t *PutInt32(uint8_t *Out, int32_t Value)
{
  return PutField(Out, static_cast<uint32_t>(Value), 4);
}

} // namespace

// ---------------------------------------------------------------------------
// TZrSDFWriter

TZrSDFWriter::TZrSDFWriter(TZrStream *Stream) : Stream_(Stream) {}

TZrSDFWriter::TZrSDFWriter(std::unique_ptr<TZrStream> Stream)
    : Owned(std::move(Stream)), Stream_(Owned.get())
{}

TZrSDFWriter::~TZrSDFWriter() = default;

void TZrSDFWriter::WriteItem(unsigned Kind, uint32_t Id, uint32_t DataType, uint32_t Length,
                             const void *Value)
{
  if (!Stream_)
    return;
  const unsigned IdCode = WidthCode(Id), TypeCode = WidthCode(DataType),
                 LengthCode = WidthCode(Length);
  // Header and small values go out in one write; large values follow it.
  uint8_t Buffer[1 + 3 * 4 + 16];
  uint8_t *Out = Buffer;
  *Out++ = static_cast<uint8_t>(Kind << 6 | IdCode << 4 | TypeCode << 2 | LengthCode);
  Out = PutField(Out, Id, WidthOf(IdCode));
  Out = PutField(Out, DataType, WidthOf(TypeCode));
  Out = PutField(Out, Length, WidthOf(LengthCode));
  const size_t HeaderSize = static_cast<size_t>(Out - Buffer);
  if (Length <= sizeof Buffer - HeaderSize) {
    if (Length > 0)
      std::memcpy(Out, Value, Length);
    Stream_->Write(Buffer, HeaderSize + Length);
  } else {
    Stream_->Write(Buffer, HeaderSize);
    Stream_->Write(Value, Length);
  }
}

void TZrSDFWriter::BeginNode(uint32_t Id, const TZrGuid &Guid)
{
  const TZrGuid::TBytes Bytes = Guid.ToBytes();
  WriteItem(KindNode, Id, sdtGuid, TZrGuid::ByteSize, Bytes.data());
}

void TZrSDFWriter::BeginNode(uint32_t Id, int32_t Value)
{
  uint8_t Bytes[4];
  PutInt32(Bytes, Value);
  WriteItem(KindNode, Id, sdtInt32, 4, Bytes);
}

void TZrSDFWriter::EndNode()
{
  WriteItem(KindEnd, 0, 0, 0, nullptr);
}

void TZrSDFWriter::WriteBoolean(uint32_t Id, bool Value)
{
  const uint8_t Byte = Value ? 1 : 0;
  WriteItem(KindElement, Id, sdtInt8, 1, &Byte);
}

void TZrSDFWriter::WriteInteger(uint32_t Id, int32_t Value)
{
  uint8_t Bytes[4];
  PutInt32(Bytes, Value);
  WriteItem(KindElement, Id, sdtInt32, 4, Bytes);
}

void TZrSDFWriter::WriteWideString(uint32_t Id, std::u16string_view Value)
{
  if (Value.size() > std::numeric_limits<uint32_t>::max() / 2)
    throw std::length_error("String too long for a settings value");
  std::vector<uint8_t> Bytes(Value.size() * 2);
  for (size_t I = 0; I < Value.size(); ++I) {
    Bytes[2 * I] = static_cast<uint8_t>(Value[I]);
    Bytes[2 * I + 1] = static_cast<uint8_t>(Value[I] >> 8);
  }
  WriteItem(KindElement, Id, sdtWideString, static_cast<uint32_t>(Bytes.size()), Bytes.data());
}

void TZrSDFWriter::WriteData(uint32_t Id, const void *Buffer, size_t Size)
{
  if (Size > std::numeric_limits<uint32_t>::max())
    throw std::length_error("Data too long for a settings value");
  WriteItem(KindElement, Id, sdtData, static_cast<uint32_t>(Size), Buffer);
}

// ---------------------------------------------------------------------------
// TZrSDFItems

TZrSDFItems::TZrSDFItems() = default;

TZrSDFItems::~TZrSDFItems()
{
  // Detach every descendant into one flat list before anything is freed, so
  // each node dies with no children of its own.
  std::vector<std::unique_ptr<TZrSDFNode>> Pending = std::move(Nodes);
  while (!Pending.empty()) {
    std::unique_ptr<TZrSDFNode> Node = std::move(Pending.back());
    Pending.pop_back();
    for (std::unique_ptr<TZrSDFNode> &Child : Node->Items.Nodes)
      Pending.push_back(std::move(Child));
    Node->Items.Nodes.clear();
  }
}

// ---------------------------------------------------------------------------
// TZrSDFReader

TZrSDFReader::TZrSDFReader(TZrStream *Stream) : Stream_(Stream)
{
  Parse();
}

TZrSDFReader::TZrSDFReader(std::unique_ptr<TZrStream> Stream)
    : Owned(std::move(Stream)), Stream_(Owned.get())
{
  Parse();
}

TZrSDFReader::~TZrSDFReader() = default;

void TZrSDFReader::Parse()
{
  Current_ = nullptr;
  if (!Stream_)
    return;
  // The stream is damaged, short or hostile as often as not (it is a file
  // on the user's disk): keep what parses, stop at the first item that does
  // not, and never record a value that does not lie wholly in the stream,
  // so later reads stay inside it.
  TZrSDFNode *Level = nullptr;
  try {
    int64_t Pos = Stream_->Position();
    const int64_t End = Stream_->Size();
    if (Pos < 0 || End < 0)
      return;
    size_t Count = 0;
    for (;;) {
      uint8_t Header;
      if (Stream_->Read(&Header, 1) != 1)
        break;
      Pos += 1;
      uint32_t Fields[3] = {0, 0, 0}; // identifier, type, length
      bool Short = false;
      for (unsigned F = 0; F < 3 && !Short; ++F) {
        const unsigned Width = WidthOf(Header >> (4 - 2 * F) & 3);
        uint8_t Bytes[4] = {0, 0, 0, 0};
        if (Width > 0 && Stream_->Read(Bytes, Width) != Width)
          Short = true;
        Pos += Width;
        Fields[F] = static_cast<uint32_t>(Bytes[0]) | static_cast<uint32_t>(Bytes[1]) << 8 |
                    static_cast<uint32_t>(Bytes[2]) << 16 | static_cast<uint32_t>(Bytes[3]) << 24;
      }
      if (Short)
        break;

      const unsigned Kind = Header >> 6;
      if (Kind == KindEnd) {
        // An end item at the outermost level ends the stream.
        if (!Level)
          break;
        Level = Level->Parent;
        continue;
      }

      if (Count >= MaxItems)
        break;
      const uint32_t Length = Fields[2];
      if (static_cast<int64_t>(Length) > End - Pos)
        break;
      if (Length > 0 && !Stream_->Seek(Pos + Length))
        break;

      TZrSDFItems &Items = Level ? Level->Items : Root_;
      if (Kind == KindElement) {
        Items.Elements.push_back(TZrSDFElement{Fields[0], Fields[1], Length, Pos});
      } else {
        auto Node = std::make_unique<TZrSDFNode>();
        Node->Id = Fields[0];
        Node->DataType = Fields[1];
        Node->Size = Length;
        Node->Position = Pos;
        Node->Parent = Level;
        Items.Nodes.push_back(std::move(Node));
        Level = Items.Nodes.back().get();
      }
      Pos += Length;
      ++Count;
    }
  } catch (const EZrStreamError &) {
    // A failing stream ends the parse like a short one.
  } catch (const std::bad_alloc &) {
  }
  // A stream that ends inside open nodes leaves us deep in the tree; callers
  // always begin at the outermost level.
  Current_ = nullptr;
}

bool TZrSDFReader::EnterNode(uint32_t Id)
{
  for (const std::unique_ptr<TZrSDFNode> &Node : Level().Nodes) {
    if (Node->Id == Id) {
      Current_ = Node.get();
      return true;
    }
  }
  return false;
}

bool TZrSDFReader::EnterNode(uint32_t Id, const TZrGuid &Guid)
{
  for (const std::unique_ptr<TZrSDFNode> &Node : Level().Nodes) {
    if (Node->Id != Id || Node->DataType != sdtGuid || Node->Size != TZrGuid::ByteSize)
      continue;
    TZrGuid::TBytes Bytes;
    if (ReadAt(Node->Position, Bytes.data(), Bytes.size()) &&
        TZrGuid::FromBytes(Bytes.data()) == Guid) {
      Current_ = Node.get();
      return true;
    }
  }
  return false;
}

void TZrSDFReader::LeaveNode()
{
  if (Current_)
    Current_ = Current_->Parent;
}

const TZrSDFElement *TZrSDFReader::FindElement(uint32_t Id) const
{
  if (Id == 0)
    return Current_;
  for (const TZrSDFElement &Element : Level().Elements)
    if (Element.Id == Id)
      return &Element;
  return nullptr;
}

bool TZrSDFReader::InStream(const TZrSDFElement &Element) const
{
  if (!Stream_ || Element.Position < 0)
    return false;
  const int64_t End = Stream_->Size();
  return End >= 0 && Element.Position <= End &&
         static_cast<int64_t>(Element.Size) <= End - Element.Position;
}

bool TZrSDFReader::ReadAt(int64_t Position, void *Buffer, size_t Size)
{
  if (!Stream_)
    return false;
  try {
    return Stream_->Seek(Position) && Stream_->ReadExact(Buffer, Size);
  } catch (const EZrStreamError &) {
    return false;
  }
}

bool TZrSDFReader::ReadInteger(uint32_t Id, int32_t &Value)
{
  const TZrSDFElement *Element = FindElement(Id);
  return Element && ReadInteger(*Element, Value);
}

bool TZrSDFReader::ReadBoolean(uint32_t Id, bool &Value)
{
  const TZrSDFElement *Element = FindElement(Id);
  return Element && ReadBoolean(*Element, Value);
}

bool TZrSDFReader::ReadWideString(uint32_t Id, std::u16string &Value)
{
  const TZrSDFElement *Element = FindElement(Id);
  return Element && ReadWideString(*Element, Value);
}

bool TZrSDFReader::ReadData(uint32_t Id, void *Buffer, size_t Size)
{
  const TZrSDFElement *Element = FindElement(Id);
  return Element && ReadData(*Element, Buffer, Size);
}

bool TZrSDFReader::ReadInteger(const TZrSDFElement &Element, int32_t &Value)
{
  uint32_t Width;
  switch (Element.DataType) {
  case sdtInt8:
  case sdtUInt8:
    Width = 1;
    break;
  case sdtInt16:
  case sdtUInt16:
    Width = 2;
    break;
  case sdtInt32:
    Width = 4;
    break;
  default:
    return true;
  }
  if (Element.Size != Width)
    return true;
  uint8_t B[4];
  if (!ReadAt(Element.Position, B, Width))
    return false;
  switch (Element.DataType) {
  case sdtInt8:
    Value = static_cast<int8_t>(B[0]);
    break;
  case sdtUInt8:
    Value = B[0];
    break;
  case sdtInt16:
    Value = static_cast<int16_t>(B[0] | B[1] << 8);
    break;
  case sdtUInt16:
    Value = B[0] | B[1] << 8;
    break;
  default:
    Value =
        static_cast<int32_t>(static_cast<uint32_t>(B[0]) | static_cast<uint32_t>(B[1]) << 8 |
                             static_cast<uint32_t>(B[2]) << 16 | static_cast<uint32_t>(B[3]) << 24);
    break;
  }
  return true;
}

bool TZrSDFReader::ReadBoolean(const TZrSDFElement &Element, bool &Value)
{
  int32_t Number = Value ? 1 : 0;
  if (!ReadInteger(Element, Number))
    return false;
  Value = Number != 0;
  return true;
}

bool TZrSDFReader::ReadWideString(const TZrSDFElement &Element, std::u16string &Value)
{
  if (Element.DataType != sdtWideString)
    return true;
  // The length comes from the file: make sure the stream really holds that
  // much before allocating for it.
  if (!InStream(Element))
    return false;
  std::vector<uint8_t> Bytes(Element.Size / 2 * 2);
  if (!ReadAt(Element.Position, Bytes.data(), Bytes.size()))
    return false;
  std::u16string Text(Bytes.size() / 2, u'\0');
  for (size_t I = 0; I < Text.size(); ++I)
    Text[I] = static_cast<char16_t>(Bytes[2 * I] | Bytes[2 * I + 1] << 8);
  Value = std::move(Text);
  return true;
}

bool TZrSDFReader::ReadData(const TZrSDFElement &Element, void *Buffer, size_t Size)
{
  if (Element.Size != Size || !InStream(Element))
    return false;
  // Read aside first: a read that fails half way must not leave the
  // caller's buffer half overwritten.
  std::vector<uint8_t> Bytes(Size);
  if (!ReadAt(Element.Position, Bytes.data(), Size))
    return false;
  if (Size > 0)
    std::memcpy(Buffer, Bytes.data(), Size);
  return true;
}

} // namespace facette
