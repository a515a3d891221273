// Cores on POSIX systems (what it does: cpu_cores.h).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

#include "platform/control_group.h"
#include "platform/cpu_cores.h"

namespace tessivar {
namespace platform {

namespace {

using namespace cpu_cores_detail;

// The whole text of a file, "" where it can't be read.
std::string fileText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return in ? text.str() : std::string();
}

}  // namespace

unsigned usableCores() {
  unsigned cores = std::thread::hardware_concurrency();
#if defined(__linux__)
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const unsigned allowed = static_cast<unsigned>(CPU_COUNT(&set));
    if (allowed > 0) cores = cores > 0 ? std::min(cores, allowed) : allowed;
  }
  const double quota = controlGroupCpuQuota();
  if (quota > 0) {
    const unsigned allowed = std::max(1u, static_cast<unsigned>(std::floor(quota)));
    cores = cores > 0 ? std::min(cores, allowed) : allowed;
  }
#endif
  return std::max(cores, 1u);
}

bool coreIdleNow(unsigned cores) {
  // Linux: the fourth field of /proc/loadavg is "running/total"; this
  // thread is one of the running ones. A few samples a millisecond apart,
  // so a process that runs for an instant (the shell that started this
  // one, a kernel worker) does not count. Without the file, assume idle.
  int fewest = -1;
  for (int sample = 0; sample < 4; ++sample) {
    if (sample > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int running = runningThreads(fileText("/proc/loadavg"));
    if (running < 0) return true;
    fewest = fewest < 0 ? running : std::min(fewest, running);
  }
  return unsigned(fewest) + 1 <= cores;
}

}  // namespace platform
}  // namespace tessivar
