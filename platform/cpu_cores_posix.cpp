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

#if defined(__linux__)
// The smallest quota along the group's path and its ancestors (a parent's
// limit holds for all its children), or 0 for none.
double smallestQuota(const std::string& mount, std::string path, bool unified) {
  double smallest = 0;
  for (;;) {
    const std::string dir = mount + (path == "/" ? "" : path);
    const double quota =
        unified ? quotaFromCpuMax(fileText(dir + "/cpu.max"))
                : quotaFromCfs(fileText(dir + "/cpu.cfs_quota_us"),
                               fileText(dir + "/cpu.cfs_period_us"));
    if (quota > 0 && (smallest == 0 || quota < smallest)) smallest = quota;
    if (path.empty() || path == "/") break;
    const size_t slash = path.find_last_of('/');
    path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
  }
  return smallest;
}
#endif

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
  const std::string groups = fileText("/proc/self/cgroup");
  double quota = 0;
  const std::string unifiedPath = groupPath(groups, true);
  if (!unifiedPath.empty()) quota = smallestQuota("/sys/fs/cgroup", unifiedPath, true);
  const std::string cpuPath = groupPath(groups, false);
  if (!cpuPath.empty()) {
    for (const char* mount : {"/sys/fs/cgroup/cpu", "/sys/fs/cgroup/cpu,cpuacct",
                              "/sys/fs/cgroup/cpuacct,cpu"}) {
      const double v1 = smallestQuota(mount, cpuPath, false);
      if (v1 > 0 && (quota == 0 || v1 < quota)) quota = v1;
    }
  }
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
