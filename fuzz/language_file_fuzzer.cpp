// Feeds arbitrary bytes to the language-file reader as the content of a
// file: the byte-order mark and CodePage rules, the INI layout and the
// loading of the numbered strings.
#include "framework/ZrLocalizer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace facette;

namespace {

void Check(bool Condition)
{
  if (!Condition)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
  const std::string_view Bytes(reinterpret_cast<const char *>(Data), Size);

  TZrLanguageFile File;
  File.SetBytes(Bytes);

  long long LangId = 0;
  ParseIniInteger(File.ReadString("Language", "LangId"), LangId);
  const std::string Name = File.ReadString("Language", "Language", "?");

  TZrLocalStringList List;
  LoadStrings(File, List);
  Check(List.Sorted());
  for (int I = 0; I < List.Count(); ++I) {
    const auto &Item = List.Item(I);
    if (I > 0)
      Check(List.Item(I - 1).Id < Item.Id);
    Check(List.Find(Item.Id) == &Item.Text);
  }

  // The same strings added one by one (the unsorted, linear path) must give
  // the same texts; keep it small, it is quadratic.
  if (List.Count() <= 64) {
    TZrLocalStringList Added;
    for (const auto &[Key, Value] : File.ReadSectionValues("Strings")) {
      long long Id = 0;
      if (ParseIniInteger(Key, Id) && Id >= INT32_MIN && Id <= INT32_MAX)
        Added.Add(static_cast<int>(Id), Value);
    }
    Check(Added.Count() == List.Count());
    for (int I = 0; I < Added.Count(); ++I) {
      const std::string *Text = List.Find(Added.Item(I).Id);
      Check(Text && *Text == Added.Item(I).Text);
    }
  }

  // Lines handed over as a list take the same road as a whole file.
  TZrLanguageFile FromLines;
  FromLines.SetStrings(SplitLines(Bytes));
  Check(FromLines.CodePage() == File.CodePage());
  Check(FromLines.Sections().size() == File.Sections().size());
  return 0;
}
