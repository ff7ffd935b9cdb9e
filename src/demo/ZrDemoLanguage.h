// The directive expander of demo scripts: a line whose first word is a
// directive ("#TO", "#FOR", "#DOEACH", ...) stands for several ordinary
// script lines, which are generated when the playback reaches it.
//
// Directives read their arguments as tokens: runs of characters other than
// blank and tab (so "100,200" is one token). P below is "Pause 0.5".
//
//   #START p [m...]      MouseSpeed 5, MouseTo Image, 0, 0, then #TOIMAGE
//   #TOIMAGE p [m...]    P, MouseCurvedMove Image, p, P, then per m:
//                        Message m, P
//   #TO t [m...]         P, MouseCurvedMove t, P, then per m: Message m, P
//   #USE t [m0 m...]     #TO t; Message m0, P; the line t; P; per m:
//                        Message m, P
//   #SET t v [m0 m...]   as #USE with the line "t v"
//   #FOR d c a b [s]     per k from a to b: Pause d, "c k"
//   #EACH d c x...       per x: Pause d, "c x" (MouseMove and
//                        MouseCurvedMove take the x as image points)
//   #FINISH              shows the original photo and the result
//   #DOFOR a b [s]       the lines up to the next "#OD" once per k, with
//                        "#FOR" in them replaced by k
//   #DOEACH x...         the lines up to the next "#OD" once per x, with
//                        "#EACH" in them replaced by x
//
// Counting: a, b and s are integers (s is 1 when absent); from a down to b
// when b < a (the step's sign is corrected either way); both ends are
// included when the steps reach them.
//
// Generated lines play as if they stood at the directive's line (at the
// "#OD" line for a block); play then goes on after it. Lines generated from
// a block are not expanded again.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace facette {

class TZrDemoLanguage
{
public:
  // The most lines one directive may produce: a loop that would make more
  // is taken for a mistake rather than filling the memory.
  static constexpr size_t MaxExpansion = 100000;

  std::deque<std::string> Pending;
  size_t ResumeIndex = 0;

  // When line Index is a directive: appends its lines to Pending, sets
  // ResumeIndex and returns true (even when it produced no lines). False
  // for any other line. Throws EZrDemoScriptError for a directive that
  // lacks its arguments, counts with bounds or a step that are not
  // integers, steps by 0, would produce more than MaxExpansion lines, or
  // opens a block without "#OD".
  bool ExpandDirective(const std::vector<std::string> &Lines, size_t Index);
  // Removes and returns the first pending line.
  std::string NextPendingLine();
  bool IsEmpty() const { return Pending.empty(); }
  void Clear() { Pending.clear(); }
};

// The program's one expander.
TZrDemoLanguage &DemoLanguage();

} // namespace facette
