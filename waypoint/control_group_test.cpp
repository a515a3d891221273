// The control-group memory limit, read from directory trees that mirror
// /proc/self and the cgroup mounts of v2, v1 and container systems.
#include "waypoint/control_group.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace tessivar {
namespace {

namespace fs = std::filesystem;

struct Tree {
  const char* name;
  std::string mountinfo;  // "" leaves the file out
  std::string cgroup;
  std::vector<std::pair<std::string, std::string>> files;
  uint64_t limit;
};

const Tree kTrees[] = {
    // Walked up from the process's group: the smallest on the way wins, a
    // sibling's does not count.
    {"v2 nested groups", "30 1 0:26 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n",
     "0::/a/b/c\n",
     {{"/sys/fs/cgroup/memory.max", "max"},
      {"/sys/fs/cgroup/a/memory.max", "4000000"},
      {"/sys/fs/cgroup/a/b/memory.max", "9000000"},
      {"/sys/fs/cgroup/a/b/c/memory.max", "6000000"},
      {"/sys/fs/cgroup/a/other/memory.max", "1000"}},
     4000000},
    {"v1 memory controller beside others, hybrid",
     "35 31 0:32 / /sys/fs/cgroup/memory rw shared:9 - cgroup cgroup rw,memory\n"
     "32 31 0:29 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n"
     "41 31 0:38 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n",
     "4:memory:/jobs/job7\n1:cpu:/jobs/job7\n0::/\n",
     {{"/sys/fs/cgroup/memory/memory.limit_in_bytes", "9223372036854771712"},
      {"/sys/fs/cgroup/memory/jobs/job7/memory.limit_in_bytes", "536870912"},
      {"/sys/fs/cgroup/cpu/jobs/job7/memory.limit_in_bytes", "1000"},
      {"/sys/fs/cgroup/unified/memory.max", "max"}},
     uint64_t(512) << 20},
    {"container mount rooted at its group, escaped space",
     "700 690 0:26 /docker/abc /sys/fs/cg\\040v2 ro - cgroup2 cgroup2 rw\n",
     "0::/docker/abc/worker\n",
     {{"/sys/fs/cg v2/memory.max", "200000000"},
      {"/sys/fs/cg v2/worker/memory.max", "250000000"}},
     200000000},
    {"no mountinfo: the usual places", "", "0::/svc\n",
     {{"/sys/fs/cgroup/svc/memory.max", "77777777"}}, 77777777},
};

TEST(ControlGroup, SmallestLimitAlongTheProcessGroups) {
  for (const Tree& tree : kTrees) {
    SCOPED_TRACE(tree.name);
    const std::string root = ::testing::TempDir() + "tessivar_cgroup_tree";
    fs::remove_all(root);
    auto put = [&root](const std::string& path, const std::string& text) {
      fs::create_directories(fs::path(root + path).parent_path());
      std::ofstream(root + path) << text << "\n";
    };
    if (!tree.mountinfo.empty()) put("/proc/self/mountinfo", tree.mountinfo);
    put("/proc/self/cgroup", tree.cgroup);
    for (const auto& file : tree.files) put(file.first, file.second);
    EXPECT_EQ(controlGroupMemoryLimit(root), tree.limit);
    fs::remove_all(root);
  }
}

}  // namespace
}  // namespace tessivar
