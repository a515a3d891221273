// The readings behind the choice of a second thread, on the texts of the
// files they come from.
#include "analysis/spare_core.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <sched.h>
#endif

#include "analysis/pathing_sweep.h"
#include "testing/differential.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using namespace spare_core_detail;

TEST(SpareCore, QuotaOfCgroupV2CpuMax) {
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

TEST(SpareCore, QuotaOfCgroupV1Cfs) {
  EXPECT_DOUBLE_EQ(quotaFromCfs("-1\n", "100000\n"), 0);
  EXPECT_DOUBLE_EQ(quotaFromCfs("100000\n", "100000\n"), 1);
  EXPECT_DOUBLE_EQ(quotaFromCfs("250000\n", "100000\n"), 2.5);
  EXPECT_DOUBLE_EQ(quotaFromCfs("", "100000"), 0);
  EXPECT_DOUBLE_EQ(quotaFromCfs("100000", ""), 0);
}

TEST(SpareCore, GroupPathFromProcSelfCgroup) {
  const std::string hybrid =
      "9:name=systemd:/\n"
      "4:memory:/jobs/a\n"
      "2:cpu,cpuacct:/jobs/b\n"
      "0::/jobs/c\n";
  EXPECT_EQ(groupPath(hybrid, true), "/jobs/c");
  EXPECT_EQ(groupPath(hybrid, false), "/jobs/b");
  EXPECT_EQ(groupPath("0::/user.slice/x.scope\n", true), "/user.slice/x.scope");
  EXPECT_EQ(groupPath("0::/user.slice/x.scope\n", false), "");
  EXPECT_EQ(groupPath("3:cpuacct:/a\n1:cpu:/b\n", false), "/b");
  EXPECT_EQ(groupPath("", true), "");
  EXPECT_EQ(groupPath("no colons here\n", false), "");
}

TEST(SpareCore, RunningThreadsFromLoadavg) {
  EXPECT_EQ(runningThreads("0.50 0.40 0.30 2/130 4567\n"), 2);
  EXPECT_EQ(runningThreads("1.00 1.00 1.00 17/900 1"), 17);
  EXPECT_EQ(runningThreads(""), -1);
  EXPECT_EQ(runningThreads("0.50 0.40 0.30 2-130 4567"), -1);
}

TEST(SpareCore, UsableCoresIsAtLeastOne) {
  EXPECT_GE(usableCores(), 1);
  if (usableCores() < 2) {
    EXPECT_FALSE(secondCoreAvailable());
  }
}

TEST(SpareCore, OneAllowedCoreMeansOneThread) {
#if defined(__linux__)
  cpu_set_t saved;
  ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
  if (CPU_COUNT(&saved) < 2) GTEST_SKIP() << "this process may use one core only";
  int first = 0;
  while (!CPU_ISSET(first, &saved)) ++first;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const int cores = usableCores();
  const bool spare = secondCoreAvailable();
  const WaypointGraph graph = testing::graphOf(generateRealisticMap(1, 300));
  CellBits reach;
  reach.assign(graph.cellCount);
  const int threads = PathingSweep(graph, reach).threads();
  ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
  EXPECT_EQ(cores, 1);
  EXPECT_FALSE(spare);
  EXPECT_EQ(threads, 1);
#else
  GTEST_SKIP() << "affinity masks are read on Linux only";
#endif
}

}  // namespace
}  // namespace tessivar
