#include "waypoint/control_group.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

namespace tessivar {

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

// The mounts of cgroup v2 (`memoryController` false) or of the v1 memory
// controller (true).
std::vector<Mount> cgroupMounts(const std::string& root, bool memoryController) {
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
    const bool wanted = memoryController
                            ? type == "cgroup" && hasOption(dash[3], "memory")
                            : type == "cgroup2";
    if (wanted) mounts.push_back({unescapeOctal(field[3]), unescapeOctal(field[4])});
  }
  return mounts;
}

// The group of the process in cgroup v2 ("0::<path>") or in the hierarchy
// with the v1 memory controller ("<id>:...memory...:<path>"); false when
// the process is in none.
bool processGroup(const std::string& root, bool memoryController,
                  std::string* group) {
  std::ifstream cgroup(root + "/proc/self/cgroup");
  std::string line;
  while (std::getline(cgroup, line)) {
    const size_t first = line.find(':');
    const size_t second =
        first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const bool match = memoryController
                           ? hasOption(controllers, "memory")
                           : line.compare(0, first, "0") == 0 && controllers.empty();
    if (match) {
      *group = line.substr(second + 1);
      return true;
    }
  }
  return false;
}

// A limit file's value; UINT64_MAX for "max", an unset v1 limit (a value
// near 2^63 that the minimum ignores anyway), or no readable value.
uint64_t readLimit(const std::string& path) {
  std::ifstream in(path);
  uint64_t bytes = 0;
  if (in >> bytes && bytes > 0) return bytes;
  return UINT64_MAX;
}

// The smallest limit from the process's group up to the mount's top.
uint64_t smallestLimitUp(const std::string& root, const Mount& mount,
                         const std::string& group, const std::string& file) {
  const std::string top = root + mount.mountPoint;
  std::string relative;
  // The mount shows the hierarchy from mount.root down; a group outside it
  // (another namespace's view) leaves only the mount's top to read.
  const std::string prefix = mount.root == "/" ? "" : mount.root;
  if (group.compare(0, prefix.size(), prefix) == 0 &&
      (group.size() == prefix.size() || group[prefix.size()] == '/')) {
    relative = group.substr(prefix.size());
  }
  while (!relative.empty() && relative.back() == '/') relative.pop_back();
  uint64_t limit = readLimit(top + "/" + file);
  while (!relative.empty()) {
    if (relative.find("/..") == std::string::npos) {
      limit = std::min(limit, readLimit(top + relative + "/" + file));
    }
    const size_t slash = relative.rfind('/');
    relative.erase(slash == std::string::npos ? 0 : slash);
  }
  return limit;
}

uint64_t smallestLimit(const std::string& root, bool memoryController,
                       const char* defaultMount, const char* file) {
  std::vector<Mount> mounts = cgroupMounts(root, memoryController);
  // Without mountinfo, the usual places.
  if (mounts.empty()) mounts.push_back({"/", defaultMount});
  std::string group;
  if (!processGroup(root, memoryController, &group)) group = "/";
  uint64_t limit = UINT64_MAX;
  for (const Mount& mount : mounts) {
    limit = std::min(limit, smallestLimitUp(root, mount, group, file));
  }
  return limit;
}

}  // namespace

uint64_t controlGroupMemoryLimit(const std::string& root) {
  return std::min(
      smallestLimit(root, false, "/sys/fs/cgroup", "memory.max"),
      smallestLimit(root, true, "/sys/fs/cgroup/memory",
                    "memory.limit_in_bytes"));
}

}  // namespace tessivar
