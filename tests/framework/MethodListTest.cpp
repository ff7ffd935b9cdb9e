#include "framework/ZrMethodList.h"

#include <gtest/gtest.h>

#include <string>

namespace facette {
namespace {

struct Counter
{
  std::string *Log;
  char Name;
  void Hit() { *Log += Name; }
  void Other() { *Log += '!'; }
};

TEST(MethodList, RemoveDeletesTheLastMatchingEntry)
{
  std::string Log;
  Counter A{&Log, 'a'}, B{&Log, 'b'};
  TZrMethodList L;
  L.Add(TZrMethod::Of<&Counter::Hit>(&A));
  L.Add(TZrMethod::Of<&Counter::Hit>(&B));
  L.Add(TZrMethod::Of<&Counter::Hit>(&A));
  L.Add(TZrMethod::Of<&Counter::Other>(&A));

  EXPECT_EQ(L.Remove(TZrMethod::Of<&Counter::Hit>(&A)), 2);
  EXPECT_EQ(L.Count(), 3);
  for (int I = 0; I < L.Count(); ++I) {
    TZrMethod M;
    ASSERT_TRUE(L.Get(I, M));
    M();
  }
  EXPECT_EQ(Log, "ab!");
  // Same object, other code: no match left after both removals.
  EXPECT_EQ(L.Remove(TZrMethod::Of<&Counter::Hit>(&A)), 0);
  EXPECT_EQ(L.Remove(TZrMethod::Of<&Counter::Hit>(&A)), -1);
}

TEST(MethodList, ClosuresAreIdentifiedByTheirOwner)
{
  int Calls = 0;
  int OwnerA = 0, OwnerB = 0;
  TZrMethodList L;
  L.Add(TZrMethod::Bind(&OwnerA, [&] { Calls += 1; }));
  L.Add(TZrMethod::Bind(&OwnerB, [&] { Calls += 10; }));
  EXPECT_EQ(L.Remove(TZrMethod::Bind(&OwnerA, {})), 0);
  TZrMethod M;
  ASSERT_TRUE(L.Get(0, M));
  M();
  EXPECT_EQ(Calls, 10);
  EXPECT_FALSE(L.Get(1, M));
}

} // namespace
} // namespace facette
