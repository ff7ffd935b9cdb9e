// The rows of text of the About box and how they are laid out over its
// picture: each row is a label placed at a position of the picture (scaled
// to the box), or beside or below the previous label, with optional bold,
// link, wrap, right-aligned and white styles.
#pragma once

#include "framework/ZrTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace facette {

// What a row shows: an interface string by number (0 to 65534), or one of
// these.
constexpr int32_t arTitle = -1;   // the application title
constexpr int32_t arVersion = -2; // the program's version text
constexpr int32_t arFixed = -3;   // FixedText, as it stands

// Row flags.
constexpr uint8_t afBold = 1;
constexpr uint8_t afSameLine = 2; // to the right of the previous label
constexpr uint8_t afLink = 4;     // FixedText is an address, the label shows its host
constexpr uint8_t afWordWrap = 8;
constexpr uint8_t afRightAligned = 16;
constexpr uint8_t afColon = 32; // ":" appended to the caption
constexpr uint8_t afWhite = 64;

struct TZrAboutRow
{
  int32_t Text = arFixed;
  uint8_t Flags = 0;
  // In pixels of the picture; 0 means not given (from the previous label,
  // or the label's own size).
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  // Extra space above the label, in line heights.
  float LineFactor = 0;
  // The tab the label shows on; -1 on every tab.
  int32_t Tab = -1;
  // UTF-8; the text of an arFixed row.
  const char *FixedText = nullptr;
};

// The host part of an address: after the first ":", skip every "/", ":"
// and "\", then up to the next of them ("https://www.example.org/x" gives
// "www.example.org"). Empty when there is no ":".
std::string LinkHost(std::string_view Address);

// The font measures the layout uses, taken once from the first label.
struct TZrAboutMetrics
{
  int32_t CharHeight = 0;
  int32_t ExternalLeading = 0;
  int32_t AverageCharWidth = 0;
};

// Places the labels one after the other. BoxWidth is the width the picture
// is shown at, PictureWidth its own width (0: the coordinates are used
// unscaled).
class TZrAboutLayout
{
public:
  TZrAboutLayout(const TZrAboutMetrics &Metrics, int32_t BoxWidth, int32_t PictureWidth);

  // Picture pixels to box pixels, rounded.
  int32_t Scale(int32_t Value) const;
  // The label's bounds for a row whose caption measures TextWidth x
  // TextHeight (for a row with a width of its own, TextHeight is the
  // caption's height at that width).
  TZrRect Place(const TZrAboutRow &Row, int32_t TextWidth, int32_t TextHeight);

private:
  TZrAboutMetrics Metrics;
  int32_t BoxWidth;
  int32_t PictureWidth;
  TZrRect Previous;
};

} // namespace facette
