// The BMP codec on its own: header reading and decoding of arbitrary bytes
// must agree on the size, and a decoded image must survive writing and
// reading back unchanged.
#include "ImageFuzzSupport.h"

using namespace facette;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  TZrDecodeInfo Header;
  const bool HeaderOk = ReadBMPHeader(Data, Size, Header);
  TZrLTBitmap Image;
  TZrDecodeInfo Info;
  if (!DecodeBMP(Data, Size, Image, &Info)) {
    FuzzCheck(Image.GetWidth() == 0 && Image.GetPixels() == nullptr);
    return 0;
  }
  FuzzCheck(HeaderOk && Header.Width == Info.Width && Header.Height == Info.Height);
  FuzzCheck(Image.GetWidth() == Info.Width && Image.GetHeight() == Info.Height);
  std::vector<uint8_t> Bytes;
  FuzzCheck(EncodeBMP(*Image.GetPixels(), Bytes));
  TZrLTBitmap Again;
  FuzzCheck(DecodeBMP(Bytes.data(), Bytes.size(), Again));
  FuzzCheck(SamePixels(*Again.GetPixels(), *Image.GetPixels()));
  return 0;
}
