// The system-independent part of cpu_cores.h.
#include "platform/cpu_cores.h"

#include <algorithm>
#include <sstream>

namespace tessivar {
namespace platform {

unsigned coresUnderRateCap(uint32_t rate, unsigned processors) {
  const uint64_t cores = (uint64_t(rate) * processors + 9999) / 10000;
  return static_cast<unsigned>(std::max<uint64_t>(1, std::min<uint64_t>(cores, processors)));
}

namespace cpu_cores_detail {

int runningThreads(const std::string& loadavg) {
  std::istringstream in(loadavg);
  double average[3];
  int running = 0;
  char slash = 0;
  if (!(in >> average[0] >> average[1] >> average[2] >> running >> slash) || slash != '/') {
    return -1;
  }
  return running;
}

}  // namespace cpu_cores_detail

}  // namespace platform
}  // namespace tessivar
