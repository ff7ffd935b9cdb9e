// Opens arbitrary bytes the way the editor opens a file (seeds: JPEG
// files), then writes the image back and reopens it. Also resizes them the
// way facette-cli resize does, decoding and resampling row by row, on one
// thread or two, which must refuse what the whole decode refuses and give
// its pixels.
#include "ImageFuzzSupport.h"
#include "imaging/ZrParallel.h"

#include <algorithm>

namespace facette {
namespace {

void FuzzResampledDecode(const uint8_t *Data, size_t Size)
{
  TZrJPEGHeader Header;
  if (!ReadJPEGHeader(Data, Size, Header) || int64_t{Header.Width} * Header.Height > 512 * 512)
    return;
  const int32_t Width = std::max(1, Header.Width * 2 / 3);
  const int32_t Height = std::max(1, Header.Height / 2 + 1);
  SetWorkerLimit(Size % 3 == 0 ? 1 : 2);
  TZrLTBitmap Rows;
  TZrDecodeInfo RowInfo;
  const TZrRowDecode Result = DecodeJPEGResampled(Data, Size, Width, Height, Rows, &RowInfo);
  SetWorkerLimit(0);
  if (Result != TZrRowDecode::Done) {
    FuzzCheck(Rows.GetWidth() == 0);
    FuzzCheck(Result == TZrRowDecode::NotApplicable || RowInfo.Problem != TZrImageProblem::None);
    return;
  }
  // What the row decode gives, the whole decode gives too.
  TZrLTBitmap Whole;
  FuzzCheck(DecodeJPEG(Data, Size, Whole));
  FuzzCheck(Whole.Resample(Width, Height));
  FuzzCheck(SamePixels(*Rows.GetPixels(), *Whole.GetPixels()));
}

} // namespace
} // namespace facette

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  facette::FuzzLoad(Data, Size, facette::gfJPEG);
  facette::FuzzResampledDecode(Data, Size);
  return 0;
}
