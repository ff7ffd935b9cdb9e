// Tests that compare the vector code with the plain code only prove the
// vector code where the processor runs it. Where it cannot, the test says
// so in its output and in the XML report (property "vector_path"), so that
// a pass on such a machine is not taken for a check of the vector code.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace facette::test {

inline void NoteVectorPath(bool Runs, const char *Instructions)
{
  if (Runs)
    return;
  std::printf("[   NOTE   ] the vector path did not run: this processor lacks %s; only the "
              "plain path was checked\n",
              Instructions);
  testing::Test::RecordProperty("vector_path", "not run (no " + std::string(Instructions) + ")");
}

} // namespace facette::test
