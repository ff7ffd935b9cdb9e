#include "help/ui/ZrSystemInfoModule.h"

namespace facette {

namespace {

TZrSystemInfoModule *Instance = nullptr;

} // namespace

TZrSystemInfoModule *SystemInfo()
{
  return Instance;
}

TZrSystemInfoModule::TZrSystemInfoModule()
{
  Instance = this;
}

TZrSystemInfoModule::~TZrSystemInfoModule()
{
  if (Instance == this)
    Instance = nullptr;
}

void TZrSystemInfoModule::Initialize()
{
  TZrModule::Initialize();
  ReadSystemVersion(VersionInfo);
}

} // namespace facette
