#include "editor/ZrToolPanelState.h"

#include <gtest/gtest.h>

namespace facette {
namespace {

TEST(ToolPanelStateTest, RecordLayoutAndRoundTrip)
{
  TZrToolPanelState S;
  S.Visible = true;
  S.Floating = false;
  S.FloatingLeft = -20;
  S.FloatingTop = 0x01020304;
  S.FloatingWidth = 300;
  S.FloatingHeight = 400;
  S.DockSide = TZrToolPanelState::dpLeft;
  S.DockPos = 5;
  S.DockRow = 1;
  S.DockedWidth = 272;
  S.DockedHeight = 610;
  S.SplitWidth = 272;
  S.SplitHeight = 611;
  const auto Record = S.Encode();
  // Size first, then the two flags, the int32 fields little-endian and
  // the dock side as a single byte at offset 22.
  EXPECT_EQ(Record[0], 47);
  EXPECT_EQ(Record[1] | Record[2] | Record[3], 0);
  EXPECT_EQ(Record[4], 1);
  EXPECT_EQ(Record[5], 0);
  EXPECT_EQ(Record[6], 0xEC); // -20
  EXPECT_EQ(Record[9], 0xFF);
  EXPECT_EQ(Record[10], 0x04);
  EXPECT_EQ(Record[13], 0x01);
  EXPECT_EQ(Record[22], 2);
  EXPECT_EQ(Record[31] | (Record[32] << 8), 272);
  EXPECT_EQ(Record[43] | (Record[44] << 8), 611);

  TZrToolPanelState Back;
  Back.Visible = false;
  ASSERT_TRUE(TZrToolPanelState::Decode(Record.data(), Record.size(), Back));
  EXPECT_EQ(Back, S);
}

TEST(ToolPanelStateTest, ARecordNotStartingWith47OrOfAnotherSizeIsIgnored)
{
  TZrToolPanelState S;
  S.DockedWidth = 333;
  auto Record = S.Encode();
  TZrToolPanelState Kept;
  Kept.DockedWidth = 200;

  Record[0] = 48;
  EXPECT_FALSE(TZrToolPanelState::Decode(Record.data(), Record.size(), Kept));
  Record[0] = 47;
  Record[1] = 1; // 47 + 256
  EXPECT_FALSE(TZrToolPanelState::Decode(Record.data(), Record.size(), Kept));
  Record[1] = 0;
  EXPECT_FALSE(TZrToolPanelState::Decode(Record.data(), Record.size() - 1, Kept));
  EXPECT_FALSE(TZrToolPanelState::Decode(nullptr, 47, Kept));
  EXPECT_EQ(Kept.DockedWidth, 200);
  EXPECT_TRUE(TZrToolPanelState::Decode(Record.data(), Record.size(), Kept));
  EXPECT_EQ(Kept.DockedWidth, 333);
}

} // namespace
} // namespace facette
