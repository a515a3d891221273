// The arithmetic of windows_memory.h, the same on every system so that it
// is tested everywhere.
#include "platform/windows_memory.h"

#include <algorithm>

namespace tessivar {
namespace platform {

namespace {

uint64_t less(uint64_t limit, uint64_t used) {
  if (limit == UINT64_MAX) return limit;
  return limit > used ? limit - used : 0;
}

}  // namespace

WindowsMemoryBudget windowsMemoryBudget(const WindowsMemoryFigures& f) {
  WindowsMemoryBudget budget;
  budget.fillable = std::min({f.totalPhysical, f.availablePhysical,
                              f.availableCommit,
                              less(f.processLimit, f.processCommitted),
                              less(f.jobLimit, f.processCommitted)});
  budget.addressSpace = f.availableVirtual;
  return budget;
}

}  // namespace platform
}  // namespace tessivar
