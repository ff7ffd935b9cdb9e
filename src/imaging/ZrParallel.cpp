#include "imaging/ZrParallel.h"

namespace facette {

int32_t BandCount(int64_t Work, int64_t MinWork)
{
  const int64_t Cores = std::max<int64_t>(std::thread::hardware_concurrency(), 1);
  const int64_t Worth = MinWork > 0 ? Work / MinWork : Cores;
  return static_cast<int32_t>(std::clamp<int64_t>(Worth, 1, std::min<int64_t>(Cores, MaxBands)));
}

} // namespace facette
