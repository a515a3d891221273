// The control-group reader (what it reads: control_group.h). One walk over
// the process's groups serves every limit: memory and CPU, v2 and v1.
#include "platform/control_group.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <vector>

namespace tessivar {
namespace platform {

namespace {

// One cgroup mount: the group it shows at its mount point, and where.
struct Mount {
  std::string root;
  std::string mountPoint;
};

// Mount points in /proc/self/mountinfo write a space as \040 and so on.
std::string unescapeOctal(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() &&
        std::all_of(text.begin() + i + 1, text.begin() + i + 4,
                    [](char c) { return c >= '0' && c <= '7'; })) {
      out += char((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                  (text[i + 3] - '0'));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool hasOption(const std::string& options, const std::string& wanted) {
  std::istringstream list(options);
  std::string option;
  while (std::getline(list, option, ',')) {
    if (option == wanted) return true;
  }
  return false;
}

// The whole text of a file, "" where it can't be read.
std::string fileText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return in ? text.str() : std::string();
}

// The mounts of cgroup v2 (`controller` null) or of the v1 hierarchy that
// has `controller` ("memory", "cpu").
std::vector<Mount> cgroupMounts(const std::string& root, const char* controller) {
  std::vector<Mount> mounts;
  std::ifstream mountinfo(root + "/proc/self/mountinfo");
  std::string line;
  while (std::getline(mountinfo, line)) {
    std::istringstream fields(line);
    std::vector<std::string> field;
    std::string word;
    while (fields >> word) field.push_back(word);
    // id, parent, device, root, mount point, options, optional fields,
    // "-", file system type, source, super options.
    const auto dash = std::find(field.begin(), field.end(), "-");
    if (field.size() < 6 || dash == field.end() || field.end() - dash < 4) {
      continue;
    }
    const std::string& type = dash[1];
    const bool wanted = controller ? type == "cgroup" && hasOption(dash[3], controller)
                                   : type == "cgroup2";
    if (wanted) mounts.push_back({unescapeOctal(field[3]), unescapeOctal(field[4])});
  }
  return mounts;
}

// The group of the process in cgroup v2 ("0::<path>") or in the v1
// hierarchy with `controller` ("<id>:...,cpu,...:<path>"); false when the
// process is in none.
bool processGroup(const std::string& root, const char* controller,
                  std::string* group) {
  std::ifstream cgroup(root + "/proc/self/cgroup");
  std::string line;
  while (std::getline(cgroup, line)) {
    const size_t first = line.find(':');
    const size_t second =
        first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const bool match = controller
                           ? hasOption(controllers, controller)
                           : line.compare(0, first, "0") == 0 && controllers.empty();
    if (match) {
      *group = line.substr(second + 1);
      return true;
    }
  }
  return false;
}

// Calls `visit` with the directory of the process's group and of each
// group above it up to the mount's top, on every mount of the hierarchy
// (`controller` as for cgroupMounts); without mountinfo, on the
// `usualMounts`.
void forEachGroupUp(const std::string& root, const char* controller,
                    std::initializer_list<const char*> usualMounts,
                    const std::function<void(const std::string& dir)>& visit) {
  std::vector<Mount> mounts = cgroupMounts(root, controller);
  if (mounts.empty()) {
    for (const char* mountPoint : usualMounts) mounts.push_back({"/", mountPoint});
  }
  std::string group;
  if (!processGroup(root, controller, &group)) group = "/";
  for (const Mount& mount : mounts) {
    const std::string top = root + mount.mountPoint;
    // The mount shows the hierarchy from mount.root down; a group outside
    // it (another namespace's view) leaves only the mount's top to read.
    std::string relative;
    const std::string prefix = mount.root == "/" ? "" : mount.root;
    if (group.compare(0, prefix.size(), prefix) == 0 &&
        (group.size() == prefix.size() || group[prefix.size()] == '/')) {
      relative = group.substr(prefix.size());
    }
    while (!relative.empty() && relative.back() == '/') relative.pop_back();
    visit(top);
    while (!relative.empty()) {
      if (relative.find("/..") == std::string::npos) visit(top + relative);
      const size_t slash = relative.rfind('/');
      relative.erase(slash == std::string::npos ? 0 : slash);
    }
  }
}

// A memory limit file's value; UINT64_MAX for "max", an unset v1 limit (a
// value near 2^63 that the minimum ignores anyway), or no readable value.
uint64_t readLimit(const std::string& path) {
  std::ifstream in(path);
  uint64_t bytes = 0;
  if (in >> bytes && bytes > 0) return bytes;
  return UINT64_MAX;
}

}  // namespace

uint64_t controlGroupMemoryLimit(const std::string& root) {
  uint64_t limit = UINT64_MAX;
  forEachGroupUp(root, nullptr, {"/sys/fs/cgroup"}, [&](const std::string& dir) {
    limit = std::min(limit, readLimit(dir + "/memory.max"));
  });
  forEachGroupUp(root, "memory", {"/sys/fs/cgroup/memory"}, [&](const std::string& dir) {
    limit = std::min(limit, readLimit(dir + "/memory.limit_in_bytes"));
  });
  return limit;
}

double controlGroupCpuQuota(const std::string& root) {
  using namespace control_group_detail;
  double smallest = 0;
  const auto keep = [&smallest](double quota) {
    if (quota > 0 && (smallest == 0 || quota < smallest)) smallest = quota;
  };
  forEachGroupUp(root, nullptr, {"/sys/fs/cgroup"}, [&](const std::string& dir) {
    keep(quotaFromCpuMax(fileText(dir + "/cpu.max")));
  });
  forEachGroupUp(root, "cpu",
                 {"/sys/fs/cgroup/cpu", "/sys/fs/cgroup/cpu,cpuacct",
                  "/sys/fs/cgroup/cpuacct,cpu"},
                 [&](const std::string& dir) {
                   keep(quotaFromCfs(fileText(dir + "/cpu.cfs_quota_us"),
                                     fileText(dir + "/cpu.cfs_period_us")));
                 });
  return smallest;
}

namespace control_group_detail {

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

}  // namespace control_group_detail

}  // namespace platform
}  // namespace tessivar
