#include "framework/ZrProperties.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace facette {
namespace {

std::vector<uint32_t> Ids(const TZrCustomProperties &P)
{
  std::vector<uint32_t> Out;
  for (int I = 0; I < P.Count(); ++I)
    Out.push_back(P.Items(I)->Id);
  return Out;
}

TEST(Properties, StoresTypedValuesAndReadsThemAsVariants)
{
  TZrCustomProperties P;
  P.StoreInteger(1, -5);
  P.StoreDouble(2, 2.5);
  P.StoreString(3, "abc");
  P.StoreValue(0x010F, 2, 4, "Cam"); // a metadata item of a foreign type
  P.StoreValue(5, ptInteger, 2, "\1\2");
  P.StoreValue(6, ptDouble, 4, "\1\2\3\4");
  P.StoreString(7, "");

  struct TCase
  {
    int Index;
    TZrVariant Expected;
  };
  const TCase Cases[] = {
      {0, int32_t{-5}},        {1, 2.5},
      {2, std::string("abc")}, {3, std::monostate{}}, // foreign type
      {4, std::monostate{}},                          // too short for an integer
      {5, std::monostate{}},                          // too short for a double
      {6, std::string()},      {-1, std::monostate{}},
      {7, std::monostate{}},
  };
  for (const TCase &C : Cases)
    EXPECT_EQ(P.GetVariant(C.Index), C.Expected) << C.Index;
}

TEST(Properties, EntriesAreOneBlockHandedBackUnchanged)
{
  TZrCustomProperties P;
  const uint8_t Rational[8] = {72, 0, 0, 0, 1, 0, 0, 0};
  P.StoreValue(0x011A, 5, sizeof Rational, Rational);
  const TZrPropertyItem *Item = P.Items(0);
  ASSERT_NE(Item, nullptr);
  EXPECT_EQ(Item->Id, 0x011Au);
  EXPECT_EQ(Item->DataType, 5u);
  EXPECT_EQ(Item->Size, 8u);
  EXPECT_EQ(Item->Data, reinterpret_cast<const std::byte *>(Item) + sizeof(TZrPropertyItem));
  EXPECT_EQ(std::memcmp(Item->Data, Rational, 8), 0);
  EXPECT_EQ(P.Items(1), nullptr);
  EXPECT_EQ(P.Items(-1), nullptr);
}

TEST(Properties, OverwritingKeepsTheEntryInPlace)
{
  TZrCustomProperties P;
  P.StoreInteger(10, 1);
  P.StoreInteger(20, 2);
  P.StoreInteger(30, 3);
  P.StoreString(20, "a longer value than four bytes");
  EXPECT_EQ(Ids(P), (std::vector<uint32_t>{10, 20, 30}));
  EXPECT_EQ(P.IndexOf(20), 1);
  EXPECT_EQ(P.GetVariant(1), TZrVariant(std::string("a longer value than four bytes")));

  // Overwriting an entry with its own value must not read freed memory.
  const TZrPropertyItem *Item = P.Items(1);
  P.StoreValue(20, Item->DataType, Item->Size - 6, Item->Data);
  EXPECT_EQ(P.GetVariant(1), TZrVariant(std::string("a longer value than four")));
}

TEST(Properties, DeleteClearAndIndexOf)
{
  TZrCustomProperties P;
  for (uint32_t Id : {5u, 6u, 7u})
    P.StoreInteger(Id, static_cast<int32_t>(Id));
  P.Delete(6);
  P.Delete(99);
  EXPECT_EQ(Ids(P), (std::vector<uint32_t>{5, 7}));
  EXPECT_EQ(P.IndexOf(7), 1);
  EXPECT_EQ(P.IndexOf(6), -1);
  P.Clear();
  EXPECT_EQ(P.Count(), 0);
  EXPECT_EQ(P.IndexOf(5), -1);
}

TEST(Properties, AssignCopiesInOrder)
{
  TZrCustomProperties Source, Target;
  Source.StoreString(3, "x");
  Source.StoreInteger(1, 11);
  Target.StoreInteger(9, 9);
  Target.Assign(&Source);
  EXPECT_EQ(Ids(Target), (std::vector<uint32_t>{3, 1}));
  EXPECT_EQ(Target.GetVariant(1), TZrVariant(int32_t{11}));
  // Assigning a set to itself keeps it rather than clearing it first.
  Target.Assign(&Target);
  EXPECT_EQ(Ids(Target), (std::vector<uint32_t>{3, 1}));
  Target.Assign(nullptr);
  EXPECT_EQ(Target.Count(), 0);
}

class TCountingProperties : public TZrCustomProperties
{
public:
  std::vector<uint32_t> Freed;

protected:
  void FreeValue(TZrPropertyItem &Entry) override { Freed.push_back(Entry.Id); }
};

TEST(Properties, FreeValueSeesEveryValueThatGoes)
{
  TCountingProperties P;
  P.StoreInteger(1, 1);
  P.StoreInteger(2, 2);
  P.StoreInteger(3, 3);
  P.StoreInteger(1, 10); // overwrite
  P.Delete(2);
  P.Clear();
  EXPECT_EQ(P.Freed, (std::vector<uint32_t>{1, 2, 1, 3}));
}

TEST(Properties, InterfaceEntriesHoldOneShareEach)
{
  auto Object = std::make_shared<int>(7);
  {
    TZrProperties P;
    P.StoreInterface(1, Object);
    P.StoreInteger(2, 5);
    EXPECT_EQ(Object.use_count(), 2);
    EXPECT_EQ(P.GetInterface(0), Object);
    EXPECT_EQ(P.GetInterface(1), nullptr);
    EXPECT_EQ(P.GetVariant(0), TZrVariant());

    P.StoreInterface(1, Object); // overwriting with the same object
    EXPECT_EQ(Object.use_count(), 2);
    {
      TZrProperties Copy;
      Copy.Assign(&P);
      EXPECT_EQ(Object.use_count(), 3);
      EXPECT_EQ(Copy.GetInterface(0), Object);
    }
    EXPECT_EQ(Object.use_count(), 2);

    P.StoreInteger(1, 0); // overwriting with another type drops the share
    EXPECT_EQ(Object.use_count(), 1);
    P.StoreInterface(3, Object);
    P.Delete(3);
    EXPECT_EQ(Object.use_count(), 1);
    P.StoreInterface(3, Object);
    P.Clear();
    EXPECT_EQ(Object.use_count(), 1);
    P.StoreInterface(4, Object);
  }
  // The set's destructor dropped the last share it held.
  EXPECT_EQ(Object.use_count(), 1);
}

TEST(Properties, ForeignInterfaceBytesBecomeAnEmptyReference)
{
  // Sixteen bytes claiming to be a reference, from a plain property set or
  // from StoreValue: there is no share to take, so none is taken or dropped.
  std::vector<uint8_t> Junk(sizeof(std::shared_ptr<void>), 0xCD);
  TZrCustomProperties Plain;
  Plain.StoreValue(1, ptInterface, Junk.size(), Junk.data());
  TZrProperties P;
  P.Assign(&Plain);
  P.StoreValue(2, ptInterface, Junk.size(), Junk.data());
  ASSERT_EQ(P.Count(), 2);
  EXPECT_EQ(P.GetInterface(0), nullptr);
  EXPECT_EQ(P.GetInterface(1), nullptr);
}

} // namespace
} // namespace facette
