#include "help/ZrAboutRows.h"

#include <gtest/gtest.h>

namespace facette {
namespace {

TEST(AboutRows, LinkShowsTheHostOfItsAddress)
{
  struct Case
  {
    const char *Address;
    const char *Host;
  };
  const Case Cases[] = {
      {"https://www.example.org/facette/support", "www.example.org"},
      {"http://example.org", "example.org"},
      {"mailto:help@example.org", "help@example.org"},
      {"file:\\\\server\\share\\x", "server"},
      {"https://example.org:8080/x", "example.org"},
      {"no address", ""},
  };
  for (const Case &C : Cases)
    EXPECT_EQ(LinkHost(C.Address), C.Host) << C.Address;
}

// Metrics of a small font: lines of 13 + 2 pixels, characters 6 wide.
const TZrAboutMetrics Font{13, 2, 6};

// The rows of the box: heading and version, two captions each followed
// by a link, a notice near the bottom.
TEST(AboutRows, RowsFollowThePreviousLabel)
{
  TZrAboutLayout L(Font, 485, 485);
  const TZrRect Heading = L.Place({156, afBold, 96, 96, 0, 0, 0, -1}, 50, 15);
  EXPECT_EQ(Heading, Bounds(96, 96, 50, 15));
  // The version: one average character to the right, at the heading's top.
  const TZrRect Version = L.Place({arVersion, afBold | afSameLine, 0, 0, 0, 0, 0, -1}, 30, 15);
  EXPECT_EQ(Version, Bounds(96 + 50 + 6, 96, 30, 15));

  const TZrRect Caption = L.Place({54, afRightAligned | afColon, 16, 132, 75, 0, 0, 0}, 40, 15);
  EXPECT_EQ(Caption, Bounds(16, 132, 75, 15)); // its own width, right-aligned within it
  const TZrRect Link = L.Place({arFixed, afSameLine | afLink, 0, 0, 0, 0, 0, 0}, 90, 16);
  EXPECT_EQ(Link, Bounds(16 + 75 + 6, 132, 90, 16));

  // No position of its own: at the left of the line above, below its
  // union by half a line (rounded) plus twice the leading.
  const TZrRect Second = L.Place({56, afRightAligned | afColon, 0, 0, 75, 0, 0.5f, 0}, 40, 15);
  EXPECT_EQ(Second.Left, 16);
  EXPECT_EQ(Second.Top, 132 + 16 + 8 + 2 * 2); // 7.5 lines round to the even 8
  EXPECT_EQ(Second.Width(), 75);
}

TEST(AboutRows, PositionsScaleWithTheBox)
{
  TZrAboutLayout Doubled(Font, 970, 485);
  EXPECT_EQ(Doubled.Place({156, 0, 96, 275, 75, 0, 0, -1}, 40, 15), Bounds(192, 550, 150, 15));
  // A picture without width leaves every coordinate as it is.
  TZrAboutLayout Unscaled(Font, 493, 0);
  EXPECT_EQ(Unscaled.Scale(275), 275);
  EXPECT_EQ(Unscaled.Place({156, 0, 96, 275, 0, 0, 0, -1}, 40, 15), Bounds(96, 275, 40, 15));
}

} // namespace
} // namespace facette
