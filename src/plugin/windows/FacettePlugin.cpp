// The filter plug-in FacettePlugin.8bf: hosts load it, find the entry
// point through its property list resource and call it with a selector.
// Loading makes the filter object with the program's path from the
// registry; unloading frees it.
#include "ZrPhotoshopFilter.h"

#include <windows.h>

#include <memory>

using namespace facette;

namespace {

#define FACETTE_WIDE2(Text) L##Text
#define FACETTE_WIDE(Text) FACETTE_WIDE2(Text)

std::unique_ptr<TPhotoshopFilter> Filter;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD Reason, LPVOID)
{
  if (Reason == DLL_PROCESS_ATTACH) {
    try {
      Filter = std::make_unique<TExternalPhotoshopFilter>(
          ReadApplicationPath(),
          L"Facette Plug-in\nVersion " FACETTE_WIDE(
              FACETTE_VERSION) L"\n\nOpens the image in Facette for retouching. Choose OK there to "
                               L"bring the "
                               L"result back, Cancel to leave the image as it was.",
          L"About Facette Plug-in");
      Filter->Initialize();
    } catch (...) {
      // Without a filter object every call answers "bad parameters".
      Filter.reset();
    }
  } else if (Reason == DLL_PROCESS_DETACH) {
    Filter.reset();
  }
  return TRUE;
}

extern "C" __declspec(dllexport) void ENTRYPOINT(int16_t Selector, void *Record, intptr_t *,
                                                 int16_t *Result)
{
  if (!Result)
    return;
  *Result = filterBadParameters;
  TPhotoshopFilter *Object = PhotoshopFilter();
  if (!Object || !Record)
    return;
  auto *Filter = static_cast<TFilterRecord *>(Record);
  switch (Selector) {
  case filterSelectorAbout:
    *Result = Object->About(static_cast<TAboutRecord *>(Record));
    break;
  case filterSelectorParameters:
    *Result = Object->Parameters(Filter);
    break;
  case filterSelectorPrepare:
    *Result = Object->Prepare(Filter);
    break;
  case filterSelectorStart:
    *Result = Object->Start(Filter);
    break;
  case filterSelectorContinue:
    *Result = Object->Continue(Filter);
    break;
  case filterSelectorFinish:
    *Result = Object->Finish(Filter);
    break;
  default:
    break;
  }
}
