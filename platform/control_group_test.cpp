// The control-group limits, memory and CPU, read from directory trees that
// mirror /proc/self and the cgroup mounts of v2, v1 and container systems;
// and the quota files' text.
#include "platform/control_group.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace tessivar {
namespace platform {
namespace {

namespace fs = std::filesystem;
using namespace control_group_detail;

struct Tree {
  const char* name;
  std::string mountinfo;  // "" leaves the file out
  std::string cgroup;
  std::vector<std::pair<std::string, std::string>> files;
  uint64_t memory;
  double cores;
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
      {"/sys/fs/cgroup/a/other/memory.max", "1000"},
      {"/sys/fs/cgroup/a/cpu.max", "200000 100000"},
      {"/sys/fs/cgroup/a/b/cpu.max", "150000 100000"},
      {"/sys/fs/cgroup/a/b/c/cpu.max", "max 100000"},
      {"/sys/fs/cgroup/a/other/cpu.max", "10000 100000"}},
     4000000, 1.5},
    // Each v1 controller in its own hierarchy, read only there.
    {"v1 controllers beside each other, hybrid",
     "35 31 0:32 / /sys/fs/cgroup/memory rw shared:9 - cgroup cgroup rw,memory\n"
     "32 31 0:29 / /sys/fs/cgroup/cpu,cpuacct rw - cgroup cgroup rw,cpu,cpuacct\n"
     "41 31 0:38 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n",
     "4:memory:/jobs/job7\n1:cpu,cpuacct:/jobs/job7\n0::/\n",
     {{"/sys/fs/cgroup/memory/memory.limit_in_bytes", "9223372036854771712"},
      {"/sys/fs/cgroup/memory/jobs/job7/memory.limit_in_bytes", "536870912"},
      {"/sys/fs/cgroup/cpu,cpuacct/jobs/job7/memory.limit_in_bytes", "1000"},
      {"/sys/fs/cgroup/unified/memory.max", "max"},
      {"/sys/fs/cgroup/cpu,cpuacct/jobs/job7/cpu.cfs_quota_us", "50000"},
      {"/sys/fs/cgroup/cpu,cpuacct/jobs/job7/cpu.cfs_period_us", "100000"},
      {"/sys/fs/cgroup/cpu,cpuacct/jobs/cpu.cfs_quota_us", "-1"},
      {"/sys/fs/cgroup/cpu,cpuacct/jobs/cpu.cfs_period_us", "100000"},
      {"/sys/fs/cgroup/memory/jobs/job7/cpu.cfs_quota_us", "10000"},
      {"/sys/fs/cgroup/memory/jobs/job7/cpu.cfs_period_us", "100000"},
      {"/sys/fs/cgroup/unified/cpu.max", "max 100000"}},
     uint64_t(512) << 20, 0.5},
    // The mount shows the hierarchy from the container's group down: the
    // group's own directory is the mount's top, and nothing above it is
    // read.
    {"container mount rooted at its group, escaped space",
     "700 690 0:26 /docker/abc /sys/fs/cg\\040v2 ro - cgroup2 cgroup2 rw\n",
     "0::/docker/abc/worker\n",
     {{"/sys/fs/cg v2/memory.max", "200000000"},
      {"/sys/fs/cg v2/worker/memory.max", "250000000"},
      {"/sys/fs/cg v2/cpu.max", "300000 100000"},
      {"/sys/fs/cg v2/worker/cpu.max", "250000 100000"},
      {"/sys/fs/cg v2/docker/abc/worker/cpu.max", "10000 100000"}},
     200000000, 2.5},
    {"no mountinfo: the usual places", "", "3:cpu,cpuacct:/svc\n0::/svc\n",
     {{"/sys/fs/cgroup/svc/memory.max", "77777777"},
      {"/sys/fs/cgroup/cpu,cpuacct/svc/cpu.cfs_quota_us", "100000"},
      {"/sys/fs/cgroup/cpu,cpuacct/svc/cpu.cfs_period_us", "100000"}},
     77777777, 1},
    // A group outside the mount's view (another namespace's) leaves the
    // mount's top alone; its path is never followed up out of the mount.
    {"group outside the mount", "30 1 0:26 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n",
     "0::/../other\n",
     {{"/sys/fs/cgroup/memory.max", "5000000"},
      {"/sys/fs/cgroup/cpu.max", "100000 100000"},
      {"/sys/fs/other/memory.max", "1000"},
      {"/sys/fs/other/cpu.max", "10000 100000"}},
     5000000, 1},
    {"no limits", "30 1 0:26 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n", "0::/a\n",
     {{"/sys/fs/cgroup/a/memory.max", "max"}, {"/sys/fs/cgroup/a/cpu.max", "max 100000"}},
     UINT64_MAX, 0},
};

TEST(ControlGroup, SmallestLimitsAlongTheProcessGroups) {
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
    EXPECT_EQ(controlGroupMemoryLimit(root), tree.memory);
    EXPECT_DOUBLE_EQ(controlGroupCpuQuota(root), tree.cores);
    fs::remove_all(root);
  }
}

TEST(ControlGroup, QuotaOfCgroupV2CpuMax) {
  struct Case {
    const char* text;
    double cores;
  };
  for (const Case& c : {Case{"max 100000\n", 0}, Case{"100000 100000\n", 1},
                        Case{"150000 100000", 1.5}, Case{"200000 100000\n", 2},
                        Case{"50000 100000\n", 0.5}, Case{"", 0}, Case{"garbage", 0},
                        Case{"100000", 0}, Case{"-1 100000", 0}, Case{"100000 0", 0}}) {
    EXPECT_DOUBLE_EQ(quotaFromCpuMax(c.text), c.cores) << '"' << c.text << '"';
  }
}

TEST(ControlGroup, QuotaOfCgroupV1Cfs) {
  EXPECT_DOUBLE_EQ(quotaFromCfs("-1\n", "100000\n"), 0);
  EXPECT_DOUBLE_EQ(quotaFromCfs("100000\n", "100000\n"), 1);
  EXPECT_DOUBLE_EQ(quotaFromCfs("250000\n", "100000\n"), 2.5);
  EXPECT_DOUBLE_EQ(quotaFromCfs("", "100000"), 0);
  EXPECT_DOUBLE_EQ(quotaFromCfs("100000", ""), 0);
}

}  // namespace
}  // namespace platform
}  // namespace tessivar
