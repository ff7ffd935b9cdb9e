// The make-up tools' colour chooser: a square showing one plane of the RGB
// cube, with one channel (red, green or blue) held at the "brightness" value
// and the other two running along the axes, a chosen point and the colour
// under it.
//
// This part knows no window: it renders the square into a plain 24-bit
// buffer and keeps the colour. The tool's frame derives from it and shows
// the square, the cross-hair and the swatch by overriding the three drawing
// hooks, which are called whenever what they show has changed. (The
// constructor renders before a derived class exists, so a window paints
// the first state itself.)
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>

namespace facette {

class TMakeUpPalette
{
public:
  // The fixed channel.
  static constexpr int32_t RedChannel = 1;
  static constexpr int32_t GreenChannel = 2;
  static constexpr int32_t BlueChannel = 3;

  int32_t Channel = RedChannel;
  int32_t Brightness = 0;        // value of the fixed channel, 0..255
  uint8_t Colour[3] = {0, 0, 0}; // blue, green, red
  TZrPoint Point;
  // Render the square at 255 and scale the chosen colour by Brightness / 255.
  bool FullBrightness = false;
  TZrPixelBuffer Bitmap; // Size x Size, 24 bits, at (0, 0)
  int32_t Size = 0;
  int32_t RenderedBrightness = -1; // -1: never rendered
  int32_t RenderedChannel = 0;

  // The tools pass Size 256, channel red, brightness 128, point (128, 128).
  // A size below 1 is taken as 1.
  TMakeUpPalette(int32_t Size, int32_t Channel, int32_t Brightness, TZrPoint Point);
  virtual ~TMakeUpPalette() = default;
  TMakeUpPalette(const TMakeUpPalette &) = delete;
  TMakeUpPalette &operator=(const TMakeUpPalette &) = delete;

  // 255 in full-brightness mode, else Brightness.
  int32_t DisplayBrightness() const { return FullBrightness ? 255 : Brightness; }

  // The chosen colour as R * 65536 + G * 256 + B.
  int32_t GetColour() const { return Colour[2] << 16 | Colour[1] << 8 | Colour[0]; }

  // Renders the square for the displayed brightness and the channel unless
  // it already shows them.
  void Render();
  // Render, take the colour under the point (scaled in full-brightness mode)
  // and redraw.
  void Update();

  // C is R * 65536 + G * 256 + B. Finds the plane and point showing the
  // colour: the brightness becomes the largest channel, and the fixed
  // channel moves to one holding that value if its own is smaller.
  void SetColour(int32_t C);
  // Moves the cross-hair and takes the colour under it as it is in the
  // square (no full-brightness scaling).
  void SetPoint(TZrPoint P);
  // Values are limited to 0..255.
  void SetBrightness(int32_t V);
  // 1 red, 2 green, 3 blue; anything else is ignored.
  void SetChannel(int32_t V);
  // Only stored: the square changes with the next Update.
  void SetFullBrightness(bool V) { FullBrightness = V; }

  // The square's pixel at P; a point outside the square reads its nearest
  // edge pixel.
  void ReadPixel(TZrPoint P, uint8_t *Pixel) const;

protected:
  // Drawing hooks for the window that shows the palette. DrawCross draws
  // the cross-hair inverted, so two calls erase it.
  virtual void DrawPalette() {}
  virtual void PaintSwatch() {}
  virtual void DrawCross() {}
};

} // namespace facette
