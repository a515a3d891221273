#include "analysis/spare_core.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace tessivar {

namespace spare_core_detail {

double quotaFromCpuMax(const std::string& text) {
  std::istringstream in(text);
  std::string quota;
  double period = 0;
  if (!(in >> quota) || quota == "max" || !(in >> period) || period <= 0) return 0;
  char* end = nullptr;
  const double value = std::strtod(quota.c_str(), &end);
  if (end == quota.c_str() || *end != '\0' || value <= 0) return 0;
  return value / period;
}

double quotaFromCfs(const std::string& quota, const std::string& period) {
  double q = 0, p = 0;
  if (!(std::istringstream(quota) >> q) || !(std::istringstream(period) >> p)) return 0;
  if (q <= 0 || p <= 0) return 0;
  return q / p;
}

std::string groupPath(const std::string& procSelfCgroup, bool unified) {
  std::istringstream lines(procSelfCgroup);
  std::string line;
  while (std::getline(lines, line)) {
    // hierarchy-ID:controller-list:path
    const size_t first = line.find(':');
    const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    const std::string id = line.substr(0, first);
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const std::string path = line.substr(second + 1);
    if (unified) {
      if (id == "0" && controllers.empty()) return path;
      continue;
    }
    std::istringstream list(controllers);
    std::string controller;
    while (std::getline(list, controller, ',')) {
      if (controller == "cpu") return path;
    }
  }
  return "";
}

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

}  // namespace spare_core_detail

namespace {

using namespace spare_core_detail;

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return in ? text.str() : std::string();
}

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

}  // namespace

int usableCores() {
  int cores = static_cast<int>(std::thread::hardware_concurrency());
#if defined(__linux__)
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int allowed = CPU_COUNT(&set);
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
    const int allowed = std::max(1, static_cast<int>(std::floor(quota)));
    cores = cores > 0 ? std::min(cores, allowed) : allowed;
  }
#endif
  return std::max(cores, 1);
}

bool secondCoreAvailable() {
  if (usableCores() < 2) return false;
  const unsigned machine = std::thread::hardware_concurrency();
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
  return unsigned(fewest) + 1 <= machine;
}

}  // namespace tessivar
