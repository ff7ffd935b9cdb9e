#include "tools/skin/ZrAntiAgingKernel.h"

#include <cstring>

namespace facette {

void AntiAgingRect(const TZrRect &Rect, const TFrequencyFilter &Filter, const TZrPixelMask &Mask,
                   const TZrPixels &Backup, TZrPixels &Image)
{
  const TZrRect R = IntersectRect(IntersectRect(Rect, Backup.GetBounds()), Image.GetBounds());
  if (R.IsEmpty() || Backup.BytesPerPixel != 3 || Image.BytesPerPixel != 3)
    return;
  const TZrPixelBuffer &Filtered = Filter.Filtered();
  const TZrRect Known = Filtered.Bits ? IntersectRect(R, Filtered.GetBounds()) : TZrRect{};
  const TZrRect Masked = IntersectRect(Known, Mask.GetBounds());
  const size_t RowBytes = static_cast<size_t>(R.Width()) * 3;
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    const uint8_t *S = Backup.PixelPtr(R.Left, Y);
    uint8_t *Out = Image.PixelPtr(R.Left, Y);
    // Where the mask is 0 (or the filter has nothing) the result is the
    // committed pixel itself.
    std::memmove(Out, S, RowBytes);
    if (Y < Masked.Top || Y >= Masked.Bottom)
      continue;
    const uint8_t *M = &Mask.Bits[static_cast<size_t>(Y - Mask.Top) * Mask.Width];
    const uint8_t *F = Filtered.PixelPtr(Masked.Left, Y);
    const uint8_t *SM = Backup.PixelPtr(Masked.Left, Y);
    uint8_t *OM = Image.PixelPtr(Masked.Left, Y);
    for (int32_t X = Masked.Left; X < Masked.Right; ++X, F += 3, SM += 3, OM += 3) {
      const int32_t W = M[X - Mask.Left];
      if (W == 0)
        continue;
      for (int C = 0; C < 3; ++C)
        OM[C] = static_cast<uint8_t>(((255 - W) * SM[C] + W * F[C] + 127) / 255);
    }
  }
}

} // namespace facette
