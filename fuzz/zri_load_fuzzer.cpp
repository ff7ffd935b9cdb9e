// Opens arbitrary bytes as a ZRI file: the seeds are plain JPEG files whose
// first 16 bytes the harness complements, so that the ZRI recognition and
// the JPEG path behind it are both reached. Saves back as ZRI.
#include "ImageFuzzSupport.h"
#include "imaging/ZrImageFile.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  std::vector<uint8_t> Bytes(Data, Data + Size);
  facette::ComplementHeader(Bytes.data(), Bytes.size());
  facette::FuzzLoad(Bytes.data(), Bytes.size(), facette::gfZRI);
  return 0;
}
