#include "framework/ZrProperties.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace facette {

namespace {

// The value follows the header; the header's size keeps it aligned for
// doubles and for the shared references of TZrProperties.
constexpr size_t ValueOffset = sizeof(TZrPropertyItem);
static_assert(ValueOffset % alignof(double) == 0 &&
                  ValueOffset % alignof(std::shared_ptr<void>) == 0,
              "values must be aligned");

using TReference = std::shared_ptr<void>;

} // namespace

// ---------------------------------------------------------------------------
// TZrCustomProperties

void TZrCustomProperties::TBlockDeleter::operator()(TZrPropertyItem *Item) const
{
  // The header is trivially destructible; the block was made as bytes.
  delete[] reinterpret_cast<std::byte *>(Item);
}

TZrCustomProperties::TEntry TZrCustomProperties::NewEntry(uint32_t Id, uint32_t DataType,
                                                          uint32_t Size)
{
  auto Block = std::make_unique<std::byte[]>(ValueOffset + Size);
  auto *Item = new (Block.get()) TZrPropertyItem{Id, Size, DataType, Block.get() + ValueOffset};
  Block.release();
  return TEntry(Item);
}

TZrCustomProperties::TZrCustomProperties() = default;

TZrCustomProperties::~TZrCustomProperties() = default;

void TZrCustomProperties::StoreValue(uint32_t Id, uint32_t DataType, size_t Size, const void *Data)
{
  if (Size > std::numeric_limits<uint32_t>::max())
    throw std::length_error("Property value too long");
  TEntry Entry = NewEntry(Id, DataType, static_cast<uint32_t>(Size));
  int Index = IndexOf(Id);
  if (Index < 0) {
    // Make room first: once the value is copied in, the entry may hold a
    // reference that only FreeValue knows how to drop.
    Entries.emplace_back();
    Index = Count() - 1;
  }
  TEntry &Slot = Entries[static_cast<size_t>(Index)];
  try {
    CopyValue(*Entry, Data);
  } catch (...) {
    if (!Slot)
      Entries.pop_back();
    throw;
  }
  // The new value is in place before the old one goes: Data may point into
  // the entry being overwritten.
  if (Slot)
    FreeValue(*Slot);
  Slot = std::move(Entry);
}

void TZrCustomProperties::StoreInteger(uint32_t Id, int32_t Value)
{
  StoreValue(Id, ptInteger, sizeof Value, &Value);
}

void TZrCustomProperties::StoreDouble(uint32_t Id, double Value)
{
  StoreValue(Id, ptDouble, sizeof Value, &Value);
}

void TZrCustomProperties::StoreString(uint32_t Id, std::string_view Value)
{
  StoreValue(Id, ptString, Value.size(), Value.data());
}

void TZrCustomProperties::Delete(uint32_t Id)
{
  const int Index = IndexOf(Id);
  if (Index < 0)
    return;
  FreeValue(*Entries[static_cast<size_t>(Index)]);
  Entries.erase(Entries.begin() + Index);
}

void TZrCustomProperties::Clear()
{
  for (TEntry &Entry : Entries)
    FreeValue(*Entry);
  Entries.clear();
}

int TZrCustomProperties::IndexOf(uint32_t Id) const
{
  for (int I = Count() - 1; I >= 0; --I)
    if (Entries[static_cast<size_t>(I)]->Id == Id)
      return I;
  return -1;
}

const TZrPropertyItem *TZrCustomProperties::Items(int Index) const
{
  if (Index < 0 || Index >= Count())
    return nullptr;
  return Entries[static_cast<size_t>(Index)].get();
}

TZrVariant TZrCustomProperties::GetVariant(int Index) const
{
  const TZrPropertyItem *Item = Items(Index);
  if (!Item)
    return {};
  switch (Item->DataType) {
  case ptInteger:
    if (Item->Size >= sizeof(int32_t)) {
      int32_t Value;
      std::memcpy(&Value, Item->Data, sizeof Value);
      return Value;
    }
    break;
  case ptDouble:
    if (Item->Size >= sizeof(double)) {
      double Value;
      std::memcpy(&Value, Item->Data, sizeof Value);
      return Value;
    }
    break;
  case ptString:
    return std::string(static_cast<const char *>(Item->Data), Item->Size);
  default:
    break;
  }
  return {};
}

void TZrCustomProperties::Assign(const TZrCustomProperties *Source)
{
  if (Source == this)
    return;
  Clear();
  if (!Source)
    return;
  for (const TEntry &Entry : Source->Entries)
    StoreValue(Entry->Id, Entry->DataType, Entry->Size, Entry->Data);
}

void TZrCustomProperties::FreeValue(TZrPropertyItem &) {}

void TZrCustomProperties::CopyValue(TZrPropertyItem &Entry, const void *Data)
{
  // Without data the value stays zero-filled.
  if (Entry.Size > 0 && Data)
    std::memcpy(Entry.Data, Data, Entry.Size);
}

// ---------------------------------------------------------------------------
// TZrProperties

TZrProperties::~TZrProperties()
{
  Clear();
}

bool TZrProperties::HoldsReference(const TZrPropertyItem &Entry)
{
  return Entry.DataType == ptInterface && Entry.Size == sizeof(TReference);
}

void TZrProperties::StoreReference(uint32_t Id, uint32_t DataType, size_t Size, const void *Data)
{
  Trusted = Data;
  try {
    StoreValue(Id, DataType, Size, Data);
  } catch (...) {
    Trusted = nullptr;
    throw;
  }
  Trusted = nullptr;
}

void TZrProperties::StoreInterface(uint32_t Id, std::shared_ptr<void> Value)
{
  StoreReference(Id, ptInterface, sizeof Value, &Value);
}

std::shared_ptr<void> TZrProperties::GetInterface(int Index) const
{
  const TZrPropertyItem *Item = Items(Index);
  if (!Item || !HoldsReference(*Item))
    return {};
  return *std::launder(static_cast<const TReference *>(Item->Data));
}

void TZrProperties::Assign(const TZrCustomProperties *Source)
{
  if (Source == this)
    return;
  // Only another TZrProperties is known to hold real references under
  // type 16.
  if (!dynamic_cast<const TZrProperties *>(Source)) {
    TZrCustomProperties::Assign(Source);
    return;
  }
  Clear();
  for (int I = 0; I < Source->Count(); ++I) {
    const TZrPropertyItem *Item = Source->Items(I);
    StoreReference(Item->Id, Item->DataType, Item->Size, Item->Data);
  }
}

void TZrProperties::FreeValue(TZrPropertyItem &Entry)
{
  if (HoldsReference(Entry))
    std::launder(static_cast<TReference *>(Entry.Data))->~TReference();
}

void TZrProperties::CopyValue(TZrPropertyItem &Entry, const void *Data)
{
  if (!HoldsReference(Entry)) {
    TZrCustomProperties::CopyValue(Entry, Data);
    return;
  }
  if (Data && Data == Trusted)
    new (Entry.Data) TReference(*static_cast<const TReference *>(Data));
  else
    new (Entry.Data) TReference();
}

} // namespace facette
