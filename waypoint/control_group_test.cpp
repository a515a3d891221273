// The control-group memory limit, read from directory trees that mirror
// /proc/self and the cgroup mounts of a v2, a v1 and a container system.
#include "waypoint/control_group.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace tessivar {
namespace {

namespace fs = std::filesystem;

class ControlGroupTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = ::testing::TempDir() + "tessivar_cgroup_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  void put(const std::string& path, const std::string& text) {
    const fs::path file = root_ + path;
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }

  uint64_t limit() const { return controlGroupMemoryLimit(root_); }

  std::string root_;
};

const char* const kV2Mount =
    "30 1 0:26 / /sys/fs/cgroup rw,nosuid - cgroup2 cgroup2 rw\n";

TEST_F(ControlGroupTree, V2LimitOnAParentGroupCounts) {
  put("/proc/self/mountinfo", kV2Mount);
  put("/proc/self/cgroup", "0::/system.slice/tool.service\n");
  put("/sys/fs/cgroup/memory.max", "max\n");
  put("/sys/fs/cgroup/system.slice/memory.max", "1073741824\n");
  put("/sys/fs/cgroup/system.slice/tool.service/memory.max", "max\n");
  EXPECT_EQ(limit(), uint64_t(1) << 30);
}

TEST_F(ControlGroupTree, V2SmallestAlongThePathWins) {
  put("/proc/self/mountinfo", kV2Mount);
  put("/proc/self/cgroup", "0::/a/b/c\n");
  put("/sys/fs/cgroup/a/memory.max", "4000000\n");
  put("/sys/fs/cgroup/a/b/memory.max", "9000000\n");
  put("/sys/fs/cgroup/a/b/c/memory.max", "6000000\n");
  // A sibling's lower limit is not on the way.
  put("/sys/fs/cgroup/a/other/memory.max", "1000\n");
  EXPECT_EQ(limit(), 4000000u);
}

TEST_F(ControlGroupTree, NoLimitAnywhereIsUnlimited) {
  put("/proc/self/mountinfo", kV2Mount);
  put("/proc/self/cgroup", "0::/user.slice\n");
  put("/sys/fs/cgroup/user.slice/memory.max", "max\n");
  EXPECT_EQ(limit(), UINT64_MAX);
}

TEST_F(ControlGroupTree, V1MemoryControllerInAHybridSystem) {
  put("/proc/self/mountinfo",
      "31 23 0:28 / /sys/fs/cgroup rw - tmpfs tmpfs rw,mode=755\n"
      "35 31 0:32 / /sys/fs/cgroup/memory rw,relatime shared:9 - cgroup cgroup "
      "rw,memory\n"
      "32 31 0:29 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n"
      "41 31 0:38 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n");
  put("/proc/self/cgroup",
      "4:memory:/jobs/job7\n1:cpu:/jobs/job7\n0::/\n");
  // An unset v1 limit reads as a value near 2^63.
  put("/sys/fs/cgroup/memory/memory.limit_in_bytes", "9223372036854771712\n");
  put("/sys/fs/cgroup/memory/jobs/memory.limit_in_bytes", "9223372036854771712\n");
  put("/sys/fs/cgroup/memory/jobs/job7/memory.limit_in_bytes", "536870912\n");
  // The cpu hierarchy has no memory limit to read, whatever it holds.
  put("/sys/fs/cgroup/cpu/jobs/job7/memory.limit_in_bytes", "1000\n");
  put("/sys/fs/cgroup/unified/memory.max", "max\n");
  EXPECT_EQ(limit(), uint64_t(512) << 20);
}

TEST_F(ControlGroupTree, TopLevelLimitCountsToo) {
  put("/proc/self/mountinfo", kV2Mount);
  put("/proc/self/cgroup", "0::/deep/group\n");
  put("/sys/fs/cgroup/memory.max", "300000000\n");
  EXPECT_EQ(limit(), 300000000u);
}

TEST_F(ControlGroupTree, ContainerMountShowsOnlyItsOwnSubtree) {
  // Mounted with the container's group as its root: the group path from
  // /proc/self/cgroup starts with that root, which the mount point stands
  // for. Escaped spaces in the mount point are unescaped.
  put("/proc/self/mountinfo",
      "700 690 0:26 /docker/abc /sys/fs/cg\\040v2 ro - cgroup2 cgroup2 rw\n");
  put("/proc/self/cgroup", "0::/docker/abc/worker\n");
  put("/sys/fs/cg v2/memory.max", "200000000\n");
  put("/sys/fs/cg v2/worker/memory.max", "250000000\n");
  EXPECT_EQ(limit(), 200000000u);
}

TEST_F(ControlGroupTree, GroupOutsideTheMountLeavesOnlyItsTop) {
  put("/proc/self/mountinfo",
      "700 690 0:26 /other /sys/fs/cgroup ro - cgroup2 cgroup2 rw\n");
  put("/proc/self/cgroup", "0::/../../mine\n");
  put("/sys/fs/cgroup/memory.max", "123456789\n");
  put("/sys/fs/cgroup/mine/memory.max", "1000\n");
  EXPECT_EQ(limit(), 123456789u);
}

TEST_F(ControlGroupTree, WithoutMountinfoTheUsualPlacesAreRead) {
  put("/proc/self/cgroup", "0::/svc\n");
  put("/sys/fs/cgroup/svc/memory.max", "77777777\n");
  EXPECT_EQ(limit(), 77777777u);
}

TEST_F(ControlGroupTree, NothingReadableIsUnlimited) {
  EXPECT_EQ(limit(), UINT64_MAX);
}

TEST(ControlGroup, ThisProcessHasAReadableAnswer) {
  // Whatever this machine sets, the answer is a limit or "none", never 0.
  EXPECT_GT(controlGroupMemoryLimit(), 0u);
}

}  // namespace
}  // namespace tessivar
