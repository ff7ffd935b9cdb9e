// What the demonstration tests share.
#pragma once

#include "demo/ui/ZrDemoHooks.h"

namespace facette::test {

// The registry of a test, as a first base of its fixture: made before the
// editor (which registers itself with it) and gone after every module.
struct TRegistryHolder
{
  TZrDemoRegistry Registry;
};

} // namespace facette::test
