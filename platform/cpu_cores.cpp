// The system-independent part of cpu_cores.h.
#include "platform/cpu_cores.h"

#include <algorithm>

namespace tessivar {
namespace platform {

unsigned coresUnderRateCap(uint32_t rate, unsigned processors) {
  const uint64_t cores = (uint64_t(rate) * processors + 9999) / 10000;
  return static_cast<unsigned>(std::max<uint64_t>(1, std::min<uint64_t>(cores, processors)));
}

}  // namespace platform
}  // namespace tessivar
