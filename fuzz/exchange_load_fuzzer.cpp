// Opens arbitrary bytes as a plug-in exchange file, the way the editor
// opens the file a host's plug-in hands over. A file that is taken must
// give an image of the header's size with the header's pixels; it is then
// written back and must open again with the same pixels.
#include "ImageFuzzSupport.h"

#include "editor/ZrExchangeFile.h"
#include "editor/ZrExchangeFormat.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

using namespace facette;

namespace {

std::filesystem::path ScratchFile()
{
  static const std::filesystem::path Name = std::filesystem::temp_directory_path() /
                                            ("facette-exchange-fuzz-" + std::to_string(::getpid()));
  return Name;
}

bool WriteFile(const std::filesystem::path &Name, const uint8_t *Data, size_t Size)
{
  std::FILE *File = std::fopen(Name.c_str(), "wb");
  if (!File)
    return false;
  const bool Written = std::fwrite(Data, 1, Size, File) == Size;
  return std::fclose(File) == 0 && Written;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  // The checks on an exact copy, so that AddressSanitizer sees any read
  // past the end.
  std::vector<uint8_t> Copy(Data, Data + Size);
  TExchangeHeader Header;
  TExchangeTrailer Trailer;
  const TExchangeStatus Status = CheckExchangeFile(Copy.data(), Copy.size(), Header, &Trailer);
  if (Status == TExchangeStatus::Ok) {
    FuzzCheck(ExchangeFileSize(Header) <= Size);
    FuzzCheck(Trailer.Length == 0 || Trailer.Offset + Trailer.Length <= Size);
  }

  const std::filesystem::path Name = ScratchFile();
  FuzzCheck(WriteFile(Name, Data, Size));
  TZrGraphicsImage Image;
  std::string Error;
  const bool Loaded = LoadExchange(Image, Name, &Error);
  // Only a valid header opens.
  FuzzCheck(!Loaded || Status == TExchangeStatus::Ok);
  if (!Loaded) {
    FuzzCheck(Image.Empty() && !Error.empty());
    return 0;
  }
  const TZrPixels &Pixels = *Image.Image.GetPixels();
  FuzzCheck(Pixels.Width == Header.Width && Pixels.Height == Header.Height);
  const uint8_t *Rows = Copy.data() + ExchangeRowsOffset(Header);
  for (int32_t Y = 0; Y < Header.Height; ++Y)
    for (int32_t X = 0; X < Header.Width; ++X) {
      const uint8_t *In = Rows + int64_t{Y} * Header.Stride + int64_t{X} * Header.PixelStep;
      const uint8_t *Out = Pixels.PixelPtr(X, Y);
      FuzzCheck(Out[0] == In[2] && Out[1] == In[1] && Out[2] == In[0]);
    }

  FuzzCheck(SaveExchange(Pixels, Name));
  TZrGraphicsImage Again;
  FuzzCheck(LoadExchange(Again, Name));
  FuzzCheck(SamePixels(*Again.Image.GetPixels(), Pixels));
  return 0;
}
