#ifdef FACETTE_HAVE_VIPS
#include "support/Vips.h"

namespace facette::bench {

bool StartVips()
{
  static const bool Started = [] {
    if (VIPS_INIT("facette_bench") != 0)
      return false;
    vips_cache_set_max(0);
    return true;
  }();
  return Started;
}

} // namespace facette::bench
#endif
