// Records the operating system's version once at start, for the modules
// that name it (the update check's requests, the About box).
#pragma once

#include "framework/ui/ZrModule.h"
#include "help/ZrSystemInfo.h"

namespace facette {

class TZrSystemInfoModule : public TZrModule
{
  Q_OBJECT

public:
  TZrSystemInfoModule();
  ~TZrSystemInfoModule() override;

  // Filled during the load pass; never changed afterwards.
  TZrVersionInfo VersionInfo;

  void Initialize() override;
};

// The program's system information module; nil before it is made.
TZrSystemInfoModule *SystemInfo();

} // namespace facette
