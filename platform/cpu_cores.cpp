// The system-independent part of cpu_cores.h.
#include "platform/cpu_cores.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace tessivar {
namespace platform {

unsigned coresUnderRateCap(uint32_t rate, unsigned processors) {
  const uint64_t cores = (uint64_t(rate) * processors + 9999) / 10000;
  return static_cast<unsigned>(std::max<uint64_t>(1, std::min<uint64_t>(cores, processors)));
}

namespace cpu_cores_detail {

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

}  // namespace cpu_cores_detail

}  // namespace platform
}  // namespace tessivar
