#include "document/ZrFileFormats.h"

#include "framework/ZrLocalizer.h"

#include <string_view>

namespace facette {

namespace {

char LowerAscii(char C)
{
  return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

// One pattern against the whole name: on a mismatch after a "*", the star
// takes one more character and the rest is tried again.
bool MatchesPattern(std::string_view Pattern, std::string_view Name)
{
  size_t P = 0, N = 0;
  size_t Star = std::string_view::npos, StarName = 0;
  while (N < Name.size()) {
    if (P < Pattern.size() &&
        (Pattern[P] == '?' || LowerAscii(Pattern[P]) == LowerAscii(Name[N]))) {
      ++P;
      ++N;
    } else if (P < Pattern.size() && Pattern[P] == '*') {
      Star = P++;
      StarName = N;
    } else if (Star != std::string_view::npos) {
      P = Star + 1;
      N = ++StarName;
    } else {
      return false;
    }
  }
  while (P < Pattern.size() && Pattern[P] == '*')
    ++P;
  return P == Pattern.size();
}

} // namespace

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

bool MatchesMask(const std::string &Mask, const std::string &FileName)
{
  std::string_view Rest = Mask;
  while (!Rest.empty()) {
    const size_t End = Rest.find(';');
    const std::string_view Pattern = Rest.substr(0, End);
    if (!Pattern.empty() && MatchesPattern(Pattern, FileName))
      return true;
    Rest = End == std::string_view::npos ? std::string_view() : Rest.substr(End + 1);
  }
  return false;
}

int FindFormatForName(const TZrFileFormatArray &Formats, const std::string &FileName)
{
  for (size_t Index = 0; Index < Formats.size(); ++Index)
    if (MatchesMask(Formats[Index].Mask, FileName))
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
