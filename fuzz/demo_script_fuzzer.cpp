// Feeds arbitrary bytes to the demo file reader as the content of a file,
// then reads every script line the way playback does: the command word and
// its arguments, and the directives with the lines they make.
#include "demo/ZrDemoLanguage.h"
#include "demo/ZrDemoScript.h"
#include "demo/ZrDemoScriptParams.h"

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

// One line as the playback reads it; a line that cannot be read is an
// error the playback reports, never a crash.
void ReadLine(const std::string &Line)
{
  std::string Command, Arguments;
  if (!SplitDemoLine(Line, Command, Arguments))
    return; // a comment
  Check(!Command.empty());
  TZrDemoScriptParams Params;
  try {
    Params.Parse(Arguments);
  } catch (const EZrDemoScriptError &) {
    return;
  }
  for (int I = 0; I < Params.ArgumentCount(); ++I) {
    const bool Numeric = Params.IsNumeric(I);
    Check(Numeric == Params.NumberArgument(I).has_value());
    // A decimal beyond the integers has no integer value.
    Check(Numeric || !Params.IntegerArgument(I).has_value());
    Params.StringArgument(I);
  }
  Check(!Params.IsNumeric(Params.ArgumentCount()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
  const std::string_view Bytes(reinterpret_cast<const char *>(Data), Size);
  TZrDemoScript Script;
  Script.LoadFromBytes(Bytes);
  int Index = -1;
  Check(Script.FindSection("Info", Index));
  Check(Script.FindSection("Script", Index));
  for (const TZrDemoScript::TSection &Section : Script.Sections)
    Check(Section.FileLines.size() == Section.Lines.size());
  Script.Title(1033, 1033);
  Script.Title(1049, 1031);
  Script.Text("Title", 1036, 1033);

  const std::vector<std::string> &Lines = Script.Lines();
  TZrDemoLanguage Language;
  for (size_t Line = 0; Line < Lines.size(); ++Line) {
    ReadLine(Lines[Line]);
    try {
      if (!Language.ExpandDirective(Lines, Line))
        continue;
    } catch (const EZrDemoScriptError &) {
      Language.Clear();
      continue;
    }
    // Play goes on at the directive or at its block's end.
    Check(Language.ResumeIndex >= Line && Language.ResumeIndex < Lines.size());
    Check(Language.Pending.size() <= TZrDemoLanguage::MaxExpansion);
    for (int Made = 0; !Language.IsEmpty() && Made < 64; ++Made)
      ReadLine(Language.NextPendingLine());
    Language.Clear();
  }

  // Made UTF-8 for the demo editor: a second time changes nothing.
  Script.MakeUtf8(1049);
  const TZrDemoScript Once = Script;
  Script.MakeUtf8(1031);
  Check(Script.Sections.size() == Once.Sections.size());
  for (size_t I = 0; I < Script.Sections.size(); ++I)
    Check(Script.Sections[I].Lines == Once.Sections[I].Lines);
  return 0;
}
