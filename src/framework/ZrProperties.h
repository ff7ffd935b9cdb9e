// Property sets: ordered lists of typed values keyed by an integer, used for
// the arguments of demo script lines and for image metadata items.
//
// Each entry is one memory block: a TZrPropertyItem header followed by the
// value, with Data pointing at the value. Metadata items keep their own type
// codes and bytes and are handed back unchanged; the set itself interprets
// only the codes below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace facette {

enum TZrPropertyType : uint32_t
{
  ptInteger = 5,   // signed 32-bit integer, 4 bytes
  ptDouble = 10,   // 64-bit IEEE double, 8 bytes
  ptString = 11,   // 8-bit characters without terminator
  ptInterface = 16 // a shared object reference (TZrProperties only)
};

struct TZrPropertyItem
{
  uint32_t Id;
  uint32_t Size;     // length of the value in bytes
  uint32_t DataType; // a 16-bit type code
  void *Data;        // the value, right after this header in the same block
};

// Empty, an integer (type 5), a float (type 10) or a string (type 11).
using TZrVariant = std::variant<std::monostate, int32_t, double, std::string>;

class TZrCustomProperties
{
public:
  TZrCustomProperties();
  TZrCustomProperties(const TZrCustomProperties &) = delete;
  TZrCustomProperties &operator=(const TZrCustomProperties &) = delete;
  virtual ~TZrCustomProperties();

  // Copies Size bytes of Data into an entry Id of type DataType. An existing
  // entry Id keeps its place in the list; its old value is released first.
  // Throws std::length_error when Size is beyond the 32-bit length.
  void StoreValue(uint32_t Id, uint32_t DataType, size_t Size, const void *Data);
  void StoreInteger(uint32_t Id, int32_t Value);
  void StoreDouble(uint32_t Id, double Value);
  void StoreString(uint32_t Id, std::string_view Value);

  void Delete(uint32_t Id);
  void Clear();
  int Count() const { return static_cast<int>(Entries.size()); }
  // The index of entry Id, searching from the last entry; -1 when absent.
  int IndexOf(uint32_t Id) const;
  // The entry at Index; null when Index is out of range.
  const TZrPropertyItem *Items(int Index) const;

  // The value at Index as an integer, a float or a string; empty for other
  // types, for a value too short for its type and for a bad index.
  TZrVariant GetVariant(int Index) const;

  // Makes this set a copy of Source, entry by entry in order; a null Source
  // leaves the set empty.
  virtual void Assign(const TZrCustomProperties *Source);

protected:
  // Called before an entry's value is overwritten or the entry is freed.
  // The base destructor cannot reach an override, so a derived set whose
  // FreeValue does something calls Clear in its own destructor.
  virtual void FreeValue(TZrPropertyItem &Entry);
  // Fills a new entry's value from Data (Entry.Size bytes). Copies the bytes
  // here; a set whose values own resources takes its own share of them.
  virtual void CopyValue(TZrPropertyItem &Entry, const void *Data);

private:
  struct TBlockDeleter
  {
    void operator()(TZrPropertyItem *Item) const;
  };
  using TEntry = std::unique_ptr<TZrPropertyItem, TBlockDeleter>;
  static TEntry NewEntry(uint32_t Id, uint32_t DataType, uint32_t Size);

  std::vector<TEntry> Entries;
};

// A property set whose type-16 entries hold a shared reference to an
// object: the entry's bytes are a std::shared_ptr<void>. The set holds one
// share per entry and drops it when the entry is overwritten, deleted or
// cleared; a copy made by Assign takes a share of its own. Type-16 bytes
// that do not come from StoreInterface or from another TZrProperties cannot
// be trusted to be a reference and are stored as an empty one.
class TZrProperties : public TZrCustomProperties
{
public:
  TZrProperties() = default;
  ~TZrProperties() override;

  void StoreInterface(uint32_t Id, std::shared_ptr<void> Value);
  // The object held at Index; empty for other types and for a bad index.
  std::shared_ptr<void> GetInterface(int Index) const;

  void Assign(const TZrCustomProperties *Source) override;

protected:
  void FreeValue(TZrPropertyItem &Entry) override;
  void CopyValue(TZrPropertyItem &Entry, const void *Data) override;

private:
  static bool HoldsReference(const TZrPropertyItem &Entry);
  // Stores one entry whose type-16 value is known to be a reference.
  void StoreReference(uint32_t Id, uint32_t DataType, size_t Size, const void *Data);

  const void *Trusted = nullptr;
};

} // namespace facette
