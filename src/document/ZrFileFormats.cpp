#include "document/ZrFileFormats.h"

#include "framework/ZrLocalizer.h"

namespace facette {

std::string BuildFilter(const TZrFileFormatArray &Formats)
{
  std::string Filter;
  for (size_t Index = 0; Index < Formats.size(); ++Index) {
    const TZrFileFormatInfo &Format = Formats[Index];
    if (Index > 0)
      Filter += '|';
    Filter += Format.Description;
    Filter += " (";
    Filter += Format.Mask;
    Filter += ")|";
    Filter += Format.Mask;
  }
  return Filter;
}

int FindFormat(const TZrFileFormatArray &Formats, int32_t Id)
{
  for (size_t Index = 0; Index < Formats.size(); ++Index)
    if (Formats[Index].Id == Id)
      return static_cast<int>(Index);
  return -1;
}

bool TZrFileFormats::CreateFileInfo(const std::filesystem::path &,
                                    std::unique_ptr<TZrFileInfo> &) const
{
  return false;
}

bool TZrFileFormats::CreateThumbnail(const std::filesystem::path &, int32_t, int32_t,
                                     std::unique_ptr<TZrThumbnail> &) const
{
  return false;
}

void TZrFileFormats::GetSaveFormats(TZrFileFormatArray &Formats) const
{
  Formats.clear();
  for (int Index = 0; Index < Count(); ++Index)
    if (const TZrFileFormatInfo *Format = GetFormat(Index))
      Formats.push_back(*Format);
}

void TZrFileFormats::GetOpenFormats(TZrFileFormatArray &Formats) const
{
  Formats.clear();
  std::string AllMasks;
  for (int Index = 0; Index < Count(); ++Index) {
    const TZrFileFormatInfo *Format = GetFormat(Index);
    if (!Format)
      continue;
    Formats.push_back(*Format);
    if (!AllMasks.empty())
      AllMasks += ';';
    AllMasks += Format->Mask;
  }
  Formats.push_back({0, LocalStringUtf8(146, "All supported files"), AllMasks, {}});
  Formats.push_back({0, LocalStringUtf8(147, "All files"), "*.*", {}});
}

int TZrFileFormats::IndexOf(int32_t Id) const
{
  for (int Index = 0; Index < Count(); ++Index) {
    const TZrFileFormatInfo *Format = GetFormat(Index);
    if (Format && Format->Id == Id)
      return Index;
  }
  return -1;
}

} // namespace facette
