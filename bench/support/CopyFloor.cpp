#include "support/CopyFloor.h"

#include "support/TestImage.h"

#include <cstring>

namespace facette::bench {

void CopyPhotoSquares(benchmark::State &State, int32_t Side)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer Image;
  if (!Image.Allocate(pf24bit, Photo.GetBounds()) || !Image.Bits) {
    State.SkipWithError("out of memory");
    return;
  }
  int64_t Spot = 0;
  for (auto _ : State) {
    const int32_t X = static_cast<int32_t>((Spot * 397) % (PhotoWidth - Side));
    const int32_t Y = static_cast<int32_t>((Spot++ * 211) % (PhotoHeight - Side));
    for (int32_t Row = Y; Row < Y + Side; ++Row)
      std::memcpy(Image.PixelPtr(X, Row), Photo.PixelPtr(X, Row), static_cast<size_t>(Side) * 3);
    benchmark::ClobberMemory();
  }
}

} // namespace facette::bench
