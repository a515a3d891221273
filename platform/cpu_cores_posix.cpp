// Cores on POSIX systems (what it does: cpu_cores.h).
#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/cpu_cores.h"

namespace tessivar {
namespace platform {

unsigned usableCores() {
  return std::max(1u, std::thread::hardware_concurrency());
}

bool coreIdleNow(unsigned cores) {
  // Linux: the fourth field of /proc/loadavg is "running/total"; this
  // thread is one of the running ones. A few samples a millisecond apart,
  // so a process that runs for an instant (the shell that started this
  // one, a kernel worker) does not count.
  unsigned fewest = ~0u;
  for (int sample = 0; sample < 4; ++sample) {
    if (sample > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::ifstream loadavg("/proc/loadavg");
    double average[3];
    unsigned running = 0;
    char slash = 0;
    if (!(loadavg >> average[0] >> average[1] >> average[2] >> running >> slash) ||
        slash != '/') {
      return true;
    }
    fewest = std::min(fewest, running);
  }
  return fewest + 1 <= cores;
}

}  // namespace platform
}  // namespace tessivar
