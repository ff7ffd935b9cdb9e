// Opens arbitrary bytes the way the editor opens a file (seeds: TIFF
// files), then writes the image back and reopens it.
#include "ImageFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  facette::FuzzLoad(Data, Size, facette::gfTIFF);
  return 0;
}
