#include "framework/ZrSDF.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace facette {
namespace {

using TBytes = std::vector<uint8_t>;

constexpr TZrGuid GuidA = TZrGuid::FromString("{8E85B1DA-44F0-4B60-B45D-21D0EBC05E33}");
constexpr TZrGuid GuidB = TZrGuid::FromString("{C0F4C248-34D7-4014-8116-24BEE9AB5C30}");

TBytes Hex(const std::string &Text)
{
  TBytes Out;
  std::istringstream In(Text);
  std::string Byte;
  while (In >> Byte)
    Out.push_back(static_cast<uint8_t>(std::stoul(Byte, nullptr, 16)));
  return Out;
}

TBytes Concat(TBytes A, const TBytes &B)
{
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

TBytes GuidBytes(const TZrGuid &G)
{
  const TZrGuid::TBytes B = G.ToBytes();
  return TBytes(B.begin(), B.end());
}

TBytes Written(const std::function<void(TZrSDFWriter &)> &Write)
{
  TZrMemoryStream Stream;
  TZrSDFWriter Writer(&Stream);
  Write(Writer);
  return Stream.Bytes();
}

// A reader over its own copy of Bytes.
struct TParsed
{
  explicit TParsed(const TBytes &Bytes) : Reader(std::make_unique<TZrMemoryStream>(Bytes)) {}
  TZrSDFReader Reader;
};

TEST(SDFWriter, EncodesItemsByteForByte)
{
  struct TCase
  {
    const char *Name;
    std::function<void(TZrSDFWriter &)> Write;
    TBytes Expected;
  };
  const uint8_t Abc[] = {1, 2, 3};
  const TCase Cases[] = {
      {"guid node", [](TZrSDFWriter &W) { W.BeginNode(1, GuidA); },
       Concat(Hex("D5 01 0D 10"), GuidBytes(GuidA))},
      {"integer node", [](TZrSDFWriter &W) { W.BeginNode(1, 7); }, Hex("D5 01 05 04 07 00 00 00")},
      {"end", [](TZrSDFWriter &W) { W.EndNode(); }, Hex("00")},
      {"integer", [](TZrSDFWriter &W) { W.WriteInteger(1, 0x12345678); },
       Hex("55 01 05 04 78 56 34 12")},
      {"negative integer, identifier 0", [](TZrSDFWriter &W) { W.WriteInteger(0, -2); },
       Hex("45 05 04 FE FF FF FF")},
      {"true", [](TZrSDFWriter &W) { W.WriteBoolean(2, true); }, Hex("55 02 01 01 01")},
      {"false", [](TZrSDFWriter &W) { W.WriteBoolean(2, false); }, Hex("55 02 01 01 00")},
      {"wide string", [](TZrSDFWriter &W) { W.WriteWideString(3, u"H\u00e9\u4e16"); },
       Hex("55 03 0C 06 48 00 E9 00 16 4E")},
      {"empty wide string", [](TZrSDFWriter &W) { W.WriteWideString(3, u""); }, Hex("54 03 0C")},
      {"data", [&](TZrSDFWriter &W) { W.WriteData(4, Abc, 3); }, Hex("55 04 0E 03 01 02 03")},
      {"empty data", [](TZrSDFWriter &W) { W.WriteData(4, nullptr, 0); }, Hex("54 04 0E")},
  };
  for (const TCase &C : Cases)
    EXPECT_EQ(Written(C.Write), C.Expected) << C.Name;
}

TEST(SDFWriter, ChoosesTheNarrowestFieldWidth)
{
  struct TCase
  {
    uint32_t Value;
    TBytes IdentifierItem; // WriteInteger(Value, 0)
    uint8_t DataHeader;    // WriteData(1, ..., Value): header byte
    TBytes LengthField;
  };
  const TCase Cases[] = {
      {0, Hex("45 05 04 00 00 00 00"), 0x54, {}},
      {1, Hex("55 01 05 04 00 00 00 00"), 0x55, Hex("01")},
      {255, Hex("55 FF 05 04 00 00 00 00"), 0x55, Hex("FF")},
      {256, Hex("65 00 01 05 04 00 00 00 00"), 0x56, Hex("00 01")},
      {65535, Hex("65 FF FF 05 04 00 00 00 00"), 0x56, Hex("FF FF")},
      {65536, Hex("75 00 00 01 00 05 04 00 00 00 00"), 0x57, Hex("00 00 01 00")},
  };
  for (const TCase &C : Cases) {
    EXPECT_EQ(Written([&](TZrSDFWriter &W) { W.WriteInteger(C.Value, 0); }), C.IdentifierItem)
        << C.Value;
    const TBytes Payload(C.Value, 0xAB);
    const TBytes Item =
        Written([&](TZrSDFWriter &W) { W.WriteData(1, Payload.data(), Payload.size()); });
    const TBytes Header = Concat(TBytes{C.DataHeader, 0x01, 0x0E}, C.LengthField);
    ASSERT_EQ(Item.size(), Header.size() + C.Value) << C.Value;
    EXPECT_TRUE(std::equal(Header.begin(), Header.end(), Item.begin())) << C.Value;
  }
  EXPECT_EQ(Written([](TZrSDFWriter &W) { W.WriteInteger(0xFFFFFFFF, 0); }),
            Hex("75 FF FF FF FF 05 04 00 00 00 00"));
}

// A settings file as modules write it: several outer nodes with identifier 1
// told apart by their GUIDs, nested nodes, every kind of value.
TBytes SampleSettings()
{
  return Written([](TZrSDFWriter &W) {
    W.BeginNode(1, GuidA);
    W.WriteInteger(1, -123456);
    W.WriteBoolean(2, true);
    TBytes Placement(44);
    for (size_t I = 0; I < Placement.size(); ++I)
      Placement[I] = static_cast<uint8_t>(I * 7);
    W.WriteData(3, Placement.data(), Placement.size());
    W.EndNode();
    W.BeginNode(1, GuidB);
    W.BeginNode(1, 2);
    W.WriteWideString(1, u"C:\\Photos\\Anna.jpg");
    W.WriteWideString(2, u"\U0001F600 smile");
    W.EndNode();
    W.WriteInteger(300, 0x7FFFFFFF);
    TBytes Long(300, 0x5A);
    W.WriteData(4, Long.data(), Long.size());
    W.EndNode();
  });
}

TEST(SDFReader, ReadsBackEverythingWritten)
{
  TParsed P(SampleSettings());
  TZrSDFReader &R = P.Reader;
  ASSERT_EQ(R.Root().Nodes.size(), 2u);
  EXPECT_TRUE(R.Root().Elements.empty());

  ASSERT_TRUE(R.EnterNode(1, GuidA));
  int32_t I = 0;
  bool B = false;
  EXPECT_TRUE(R.ReadInteger(1, I));
  EXPECT_EQ(I, -123456);
  EXPECT_TRUE(R.ReadBoolean(2, B));
  EXPECT_TRUE(B);
  uint8_t Placement[44] = {};
  EXPECT_TRUE(R.ReadData(3, Placement, sizeof Placement));
  EXPECT_EQ(Placement[43], static_cast<uint8_t>(43 * 7));
  R.LeaveNode();
  EXPECT_EQ(R.Current(), nullptr);

  ASSERT_TRUE(R.EnterNode(1, GuidB));
  EXPECT_TRUE(R.ReadInteger(300, I));
  EXPECT_EQ(I, 0x7FFFFFFF);
  ASSERT_TRUE(R.EnterNode(1));
  int32_t Count = 0;
  EXPECT_TRUE(R.ReadInteger(0, Count)); // the node's own value
  EXPECT_EQ(Count, 2);
  std::u16string S;
  EXPECT_TRUE(R.ReadWideString(1, S));
  EXPECT_EQ(S, u"C:\\Photos\\Anna.jpg");
  EXPECT_TRUE(R.ReadWideString(2, S));
  EXPECT_EQ(S, u"\U0001F600 smile");
  R.LeaveNode();
  TBytes Long(300);
  EXPECT_TRUE(R.ReadData(4, Long.data(), Long.size()));
  EXPECT_EQ(Long, TBytes(300, 0x5A));
  R.LeaveNode();
  R.LeaveNode(); // at the outermost level already: stays there
  EXPECT_EQ(R.Current(), nullptr);
}

TEST(SDFReader, ValuesBeyond64KiBUseFourByteLengths)
{
  TBytes Big(70000);
  for (size_t I = 0; I < Big.size(); ++I)
    Big[I] = static_cast<uint8_t>(I % 251);
  const TBytes Stream = Written([&](TZrSDFWriter &W) { W.WriteData(9, Big.data(), Big.size()); });
  EXPECT_EQ(TBytes(Stream.begin(), Stream.begin() + 7), Hex("57 09 0E 70 11 01 00"));
  TParsed P(Stream);
  TBytes Back(Big.size());
  EXPECT_TRUE(P.Reader.ReadData(9, Back.data(), Back.size()));
  EXPECT_EQ(Back, Big);
}

TEST(SDFReader, IdentifierZeroNamesTheCurrentNode)
{
  TParsed P(Written([](TZrSDFWriter &W) {
    W.WriteInteger(0, 5); // outermost, identifier 0: unreachable
    W.BeginNode(4, 42);
    W.WriteInteger(0, 99);
    W.EndNode();
  }));
  TZrSDFReader &R = P.Reader;
  ASSERT_EQ(R.Root().Elements.size(), 1u);
  EXPECT_EQ(R.FindElement(0), nullptr);
  int32_t V = -1;
  EXPECT_FALSE(R.ReadInteger(0, V));
  EXPECT_EQ(V, -1);

  ASSERT_TRUE(R.EnterNode(4));
  EXPECT_EQ(R.FindElement(0), R.Current());
  EXPECT_TRUE(R.ReadInteger(0, V));
  EXPECT_EQ(V, 42);
}

TEST(SDFReader, EmptyWideStringReadsBackEmpty)
{
  TParsed P(Written([](TZrSDFWriter &W) { W.WriteWideString(1, u""); }));
  std::u16string S = u"default";
  EXPECT_TRUE(P.Reader.ReadWideString(1, S));
  EXPECT_EQ(S, u"");
}

TEST(SDFReader, BooleanIsAnyNonZeroNumber)
{
  TParsed P(Written([](TZrSDFWriter &W) {
    W.WriteInteger(1, 2);
    W.WriteInteger(2, 0);
    W.WriteInteger(3, -1);
  }));
  const std::pair<uint32_t, bool> Cases[] = {{1, true}, {2, false}, {3, true}};
  for (const auto &[Id, Expected] : Cases) {
    bool B = !Expected;
    EXPECT_TRUE(P.Reader.ReadBoolean(Id, B)) << Id;
    EXPECT_EQ(B, Expected) << Id;
  }
}

TEST(SDFReader, EnterNodeByGuidSkipsOtherNodesWithTheSameIdentifier)
{
  TParsed P(Written([](TZrSDFWriter &W) {
    W.BeginNode(1, 1234); // same identifier, integer value
    W.EndNode();
    W.BeginNode(1, GuidA);
    W.WriteInteger(1, 10);
    W.EndNode();
    W.BeginNode(1, GuidB);
    W.WriteInteger(1, 20);
    W.EndNode();
  }));
  TZrSDFReader &R = P.Reader;
  int32_t V = 0;
  ASSERT_TRUE(R.EnterNode(1, GuidB));
  EXPECT_TRUE(R.ReadInteger(1, V));
  EXPECT_EQ(V, 20);
  R.LeaveNode();
  EXPECT_FALSE(R.EnterNode(2, GuidB));
  EXPECT_FALSE(R.EnterNode(1, TZrGuid{}));
  EXPECT_EQ(R.Current(), nullptr);
  // Without a GUID the first node with the identifier is entered.
  ASSERT_TRUE(R.EnterNode(1));
  EXPECT_TRUE(R.ReadInteger(0, V));
  EXPECT_EQ(V, 1234);
  EXPECT_FALSE(R.ReadInteger(1, V));
}

TEST(SDFReader, ReadDataNeedsTheExactSize)
{
  const uint8_t Stored[] = {1, 2, 3, 4};
  TParsed P(Written([&](TZrSDFWriter &W) { W.WriteData(2, Stored, sizeof Stored); }));
  for (size_t Size : {size_t{3}, size_t{5}}) {
    uint8_t Buffer[5] = {9, 9, 9, 9, 9};
    EXPECT_FALSE(P.Reader.ReadData(2, Buffer, Size)) << Size;
    EXPECT_EQ(TBytes(Buffer, Buffer + 5), TBytes(5, 9)) << Size;
  }
  uint8_t Buffer[4] = {};
  EXPECT_TRUE(P.Reader.ReadData(2, Buffer, 4));
  EXPECT_EQ(TBytes(Buffer, Buffer + 4), TBytes(Stored, Stored + 4));
  EXPECT_FALSE(P.Reader.ReadData(3, Buffer, 4));
}

TEST(SDFReader, ForeignTypesLeaveTheValueAndReportSuccess)
{
  const uint8_t Two[] = {1, 2};
  TParsed P(Concat(Written([&](TZrSDFWriter &W) {
                     W.WriteWideString(1, u"text");
                     W.WriteData(2, Two, 2);
                     W.WriteInteger(3, 7);
                     W.BeginNode(4, GuidA);
                     W.EndNode();
                   }),
                   // Int32 with a 2-byte length, Int8 with a 2-byte length.
                   Hex("55 05 05 02 01 02  55 06 01 02 01 02")));
  TZrSDFReader &R = P.Reader;
  for (uint32_t Id : {1u, 2u, 5u, 6u}) {
    int32_t I = -7;
    bool B = true;
    EXPECT_TRUE(R.ReadInteger(Id, I)) << Id;
    EXPECT_EQ(I, -7) << Id;
    EXPECT_TRUE(R.ReadBoolean(Id, B)) << Id;
    EXPECT_TRUE(B) << Id;
  }
  std::u16string S = u"keep";
  EXPECT_TRUE(R.ReadWideString(3, S));
  EXPECT_EQ(S, u"keep");
  // A node's GUID is not a number either.
  ASSERT_TRUE(R.EnterNode(4));
  int32_t I = 3;
  EXPECT_TRUE(R.ReadInteger(0, I));
  EXPECT_EQ(I, 3);
}

TEST(SDFReader, NarrowIntegerTypes)
{
  // Types 1 to 4 are never written by the writer but are read.
  TParsed P(Hex("55 01 01 01 FF  55 02 02 01 FF  55 03 03 02 FE FF  55 04 04 02 FE FF"
                "  55 05 05 04 00 00 00 80"));
  const std::pair<uint32_t, int32_t> Cases[] = {
      {1, -1}, {2, 255}, {3, -2}, {4, 65534}, {5, INT32_MIN}};
  for (const auto &[Id, Expected] : Cases) {
    int32_t V = 0;
    EXPECT_TRUE(P.Reader.ReadInteger(Id, V)) << Id;
    EXPECT_EQ(V, Expected) << Id;
  }
}

TEST(SDFReader, MissingElementsKeepTheDefault)
{
  TParsed P(SampleSettings());
  TZrSDFReader &R = P.Reader;
  int32_t I = 17;
  bool B = true;
  std::u16string S = u"default";
  uint8_t D = 5;
  EXPECT_FALSE(R.ReadInteger(99, I));
  EXPECT_FALSE(R.ReadBoolean(99, B));
  EXPECT_FALSE(R.ReadWideString(99, S));
  EXPECT_FALSE(R.ReadData(99, &D, 1));
  EXPECT_EQ(I, 17);
  EXPECT_TRUE(B);
  EXPECT_EQ(S, u"default");
  EXPECT_EQ(D, 5);
  EXPECT_FALSE(R.EnterNode(2));
}

TEST(SDFReader, ParsesFromTheCurrentPositionUpToAnOuterEndItem)
{
  // Two bytes of something else first; after the outer end item, garbage.
  TZrMemoryStream Stream(Hex("AA BB  55 01 05 04 01 00 00 00  00  55 02 05 04 02 00 00 00"));
  ASSERT_TRUE(Stream.Seek(2));
  TZrSDFReader R(&Stream);
  EXPECT_FALSE(R.OwnsStream());
  ASSERT_EQ(R.Root().Elements.size(), 1u);
  EXPECT_EQ(R.Root().Elements[0].Position, 6);
  int32_t V = 0;
  EXPECT_TRUE(R.ReadInteger(1, V));
  EXPECT_EQ(V, 1);
}

TEST(SDFReader, KindTwoIsANodeToo)
{
  TParsed P(Hex("95 07 05 04 03 00 00 00  55 01 05 04 09 00 00 00  00"));
  ASSERT_TRUE(P.Reader.EnterNode(7));
  int32_t V = 0;
  EXPECT_TRUE(P.Reader.ReadInteger(1, V));
  EXPECT_EQ(V, 9);
}

// Every item of a parsed tree in file order, with its depth and value bytes.
struct TFlatItem
{
  bool Node;
  int Depth;
  uint32_t Id, DataType, Size;
  int64_t Position;
  TBytes Value;
  bool operator==(const TFlatItem &) const = default;
};

std::vector<TFlatItem> Flatten(TZrSDFReader &R)
{
  std::vector<TFlatItem> Out;
  std::vector<std::pair<const TZrSDFItems *, int>> Pending = {{&R.Root(), 0}};
  while (!Pending.empty()) {
    const auto [Items, Depth] = Pending.back();
    Pending.pop_back();
    auto Add = [&](const TZrSDFElement &E, bool Node) {
      TFlatItem F{Node, Depth, E.Id, E.DataType, E.Size, E.Position, TBytes(E.Size)};
      EXPECT_TRUE(R.ReadData(E, F.Value.data(), E.Size));
      Out.push_back(std::move(F));
    };
    for (const TZrSDFElement &E : Items->Elements)
      Add(E, false);
    for (const std::unique_ptr<TZrSDFNode> &N : Items->Nodes) {
      Add(*N, true);
      Pending.push_back({&N->Items, Depth + 1});
    }
  }
  std::sort(Out.begin(), Out.end(),
            [](const TFlatItem &A, const TFlatItem &B) { return A.Position < B.Position; });
  return Out;
}

TEST(SDFReader, TruncatedStreamsKeepEveryWholeItemBeforeTheCut)
{
  const TBytes Full = SampleSettings();
  TParsed Whole(Full);
  const std::vector<TFlatItem> All = Flatten(Whole.Reader);
  ASSERT_EQ(All.size(), 10u);
  for (size_t Cut = 0; Cut <= Full.size(); ++Cut) {
    TParsed P(TBytes(Full.begin(), Full.begin() + static_cast<ptrdiff_t>(Cut)));
    std::vector<TFlatItem> Expected;
    for (const TFlatItem &F : All)
      if (F.Position + F.Size <= static_cast<int64_t>(Cut))
        Expected.push_back(F);
    EXPECT_EQ(Flatten(P.Reader), Expected) << "cut at " << Cut;
    // Even when the cut falls inside a node, reading starts outside.
    EXPECT_EQ(P.Reader.Current(), nullptr) << "cut at " << Cut;
  }
}

TEST(SDFReader, AStreamEndingInsideANodeLeavesTheReaderOutside)
{
  TBytes Stream = Written([](TZrSDFWriter &W) {
    W.BeginNode(1, GuidA);
    W.BeginNode(2, 5);
    W.WriteInteger(1, 8);
  });
  TParsed P(Stream);
  EXPECT_EQ(P.Reader.Current(), nullptr);
  ASSERT_TRUE(P.Reader.EnterNode(1, GuidA));
  ASSERT_TRUE(P.Reader.EnterNode(2));
  int32_t V = 0;
  EXPECT_TRUE(P.Reader.ReadInteger(1, V));
  EXPECT_EQ(V, 8);
}

TEST(SDFReader, LengthsBeyondTheStreamDiscardTheItem)
{
  const TBytes Good = Hex("55 01 05 04 2A 00 00 00");
  const TBytes Damaged[] = {
      Hex("57 02 0C FF FF FF FF 41 00"), // a 4 GiB string
      Hex("57 02 0E 00 00 00 80"),       // 2 GiB of data
      Hex("D7 02 0D FF FF FF FF"),       // a node
      Hex("55 02 05 04 01 02"),          // two bytes short
  };
  for (const TBytes &Tail : Damaged) {
    TParsed P(Concat(Good, Tail));
    EXPECT_EQ(P.Reader.Root().Elements.size() + P.Reader.Root().Nodes.size(), 1u);
    int32_t V = 0;
    EXPECT_TRUE(P.Reader.ReadInteger(1, V));
    EXPECT_EQ(V, 42);
    std::u16string S = u"kept";
    EXPECT_FALSE(P.Reader.ReadWideString(2, S));
    EXPECT_EQ(S, u"kept");
  }
}

TEST(SDFReader, ValuesCutAwayAfterParsingReadAsMissing)
{
  TZrMemoryStream Stream(Written([](TZrSDFWriter &W) {
    W.WriteWideString(1, u"abcdef");
    W.WriteData(2, "0123456789", 10);
    W.WriteInteger(3, 1);
  }));
  TZrSDFReader R(&Stream);
  ASSERT_EQ(R.Root().Elements.size(), 3u);
  Stream.SetSize(static_cast<size_t>(R.Root().Elements[1].Position) + 4);
  std::u16string S;
  EXPECT_TRUE(R.ReadWideString(1, S));
  EXPECT_EQ(S, u"abcdef");
  char Buffer[10] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_FALSE(R.ReadData(2, Buffer, 10));
  EXPECT_EQ(std::string(Buffer, 10), "xxxxxxxxxx");
  int32_t V = 5;
  EXPECT_FALSE(R.ReadInteger(3, V));
  EXPECT_EQ(V, 5);
}

TEST(SDFReader, DeepNestingIsParsedAndFreedWithoutRecursion)
{
  // Header C0: a node with every field absent. Far deeper than any call
  // stack would survive if the tree were walked or freed recursively.
  const size_t Depth = 200000;
  auto R = std::make_unique<TParsed>(TBytes(Depth, 0xC0));
  size_t Levels = 0;
  for (const TZrSDFItems *Items = &R->Reader.Root(); !Items->Nodes.empty();
       Items = &Items->Nodes.front()->Items)
    ++Levels;
  EXPECT_EQ(Levels, Depth);
  EXPECT_EQ(R->Reader.Current(), nullptr);
  R.reset();
}

TEST(SDFReader, StopsAfterTheItemLimit)
{
  // Header 40: an element with every field absent, one byte each.
  TParsed P(TBytes(TZrSDFReader::MaxItems + 10, 0x40));
  EXPECT_EQ(P.Reader.Root().Elements.size(), TZrSDFReader::MaxItems);
}

class TTrackedStream : public TZrMemoryStream
{
public:
  explicit TTrackedStream(bool &Destroyed) : Destroyed(Destroyed) {}
  ~TTrackedStream() override { Destroyed = true; }

private:
  bool &Destroyed;
};

TEST(SDF, OnlyOwnedStreamsAreFreed)
{
  bool Destroyed = false;
  {
    TTrackedStream Stream(Destroyed);
    TZrSDFWriter W(&Stream);
    TZrSDFReader R(&Stream);
    EXPECT_FALSE(W.OwnsStream());
    EXPECT_FALSE(R.OwnsStream());
  }
  EXPECT_TRUE(Destroyed); // by its own scope only
  Destroyed = false;
  {
    TZrSDFWriter W(std::make_unique<TTrackedStream>(Destroyed));
    EXPECT_TRUE(W.OwnsStream());
  }
  EXPECT_TRUE(Destroyed);
  Destroyed = false;
  {
    TZrSDFReader R(std::make_unique<TTrackedStream>(Destroyed));
    EXPECT_TRUE(R.OwnsStream());
  }
  EXPECT_TRUE(Destroyed);
}

TEST(SDF, WithoutAStreamNothingHappens)
{
  TZrStream *None = nullptr;
  TZrSDFWriter W(None);
  W.BeginNode(1, GuidA);
  W.WriteInteger(1, 1);
  W.EndNode();
  TZrSDFReader R(None);
  EXPECT_TRUE(R.Root().Elements.empty());
  EXPECT_TRUE(R.Root().Nodes.empty());
  EXPECT_FALSE(R.EnterNode(1));
  int32_t V = 3;
  EXPECT_FALSE(R.ReadInteger(1, V));
}

class TFailingStream : public TZrMemoryStream
{
public:
  void Write(const void *Buffer, size_t Count) override
  {
    if (Size() + static_cast<int64_t>(Count) > 6)
      throw EZrStreamError("disk full");
    TZrMemoryStream::Write(Buffer, Count);
  }
  size_t Read(void *, size_t) override { throw EZrStreamError("read error"); }
};

TEST(SDF, StreamErrorsReachTheWriterAndEndTheParse)
{
  TFailingStream Stream;
  TZrSDFWriter W(&Stream);
  EXPECT_THROW(W.WriteInteger(1, 1), EZrStreamError);
  TZrSDFReader R(&Stream);
  EXPECT_TRUE(R.Root().Elements.empty());
}

TEST(SDF, SettingsRoundTripThroughAFile)
{
  const std::filesystem::path Name = std::filesystem::path(::testing::TempDir()) /
                                     ("facette-sdf-" + std::to_string(getpid()) + ".cfg");
  {
    auto File = std::make_unique<TZrFileStream>(Name, TZrFileMode::Create);
    TZrFileStream &F = *File;
    TZrSDFWriter W(std::move(File));
    W.BeginNode(1, GuidB);
    W.BeginNode(1, 2);
    W.WriteWideString(1, u"first.jpg");
    W.WriteWideString(2, u"second.jpg");
    W.EndNode();
    W.EndNode();
    F.Close();
  }
  {
    TZrSDFReader R(std::make_unique<TZrFileStream>(Name, TZrFileMode::Read));
    ASSERT_TRUE(R.EnterNode(1, GuidB));
    ASSERT_TRUE(R.EnterNode(1));
    int32_t Count = 0;
    EXPECT_TRUE(R.ReadInteger(0, Count));
    ASSERT_EQ(Count, 2);
    std::u16string S;
    EXPECT_TRUE(R.ReadWideString(2, S));
    EXPECT_EQ(S, u"second.jpg");
    EXPECT_TRUE(R.ReadWideString(1, S));
    EXPECT_EQ(S, u"first.jpg");
  }
  std::filesystem::remove(Name);
}

} // namespace
} // namespace facette
