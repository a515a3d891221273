// The cores a process may use: a job's CPU rate cap, the control-group
// quotas and running-thread count read on Linux, and on Windows the
// affinity mask it runs under.
#include "platform/cpu_cores.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tessivar {
namespace platform {
namespace {

using namespace cpu_cores_detail;

TEST(CpuCores, QuotaOfCgroupV2CpuMax) {
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

TEST(CpuCores, QuotaOfCgroupV1Cfs) {
  EXPECT_DOUBLE_EQ(quotaFromCfs("-1\n", "100000\n"), 0);
  EXPECT_DOUBLE_EQ(quotaFromCfs("100000\n", "100000\n"), 1);
  EXPECT_DOUBLE_EQ(quotaFromCfs("250000\n", "100000\n"), 2.5);
  EXPECT_DOUBLE_EQ(quotaFromCfs("", "100000"), 0);
  EXPECT_DOUBLE_EQ(quotaFromCfs("100000", ""), 0);
}

TEST(CpuCores, GroupPathFromProcSelfCgroup) {
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

TEST(CpuCores, RunningThreadsFromLoadavg) {
  EXPECT_EQ(runningThreads("0.50 0.40 0.30 2/130 4567\n"), 2);
  EXPECT_EQ(runningThreads("1.00 1.00 1.00 17/900 1"), 17);
  EXPECT_EQ(runningThreads(""), -1);
  EXPECT_EQ(runningThreads("0.50 0.40 0.30 2-130 4567"), -1);
}

TEST(CpuCores, RateCapLeavesItsShareRoundedUp) {
  const struct {
    uint32_t rate;  // hundredths of a percent of all processors
    unsigned processors, cores;
  } cases[] = {
      {10000, 8, 8}, {5000, 8, 4}, {5001, 8, 5}, {2500, 2, 1},
      {1, 64, 1},    {9999, 2, 2}, {20000, 4, 4},  // no more than there are
  };
  for (const auto& c : cases) {
    EXPECT_EQ(coresUnderRateCap(c.rate, c.processors), c.cores)
        << c.rate << " of " << c.processors;
  }
}

#ifdef _WIN32
// Bound to one processor, the process has one core to use; given them all
// back, as many as its mask holds.
TEST(CpuCoresWindows, AffinityMaskBoundsTheCores) {
  DWORD_PTR process = 0, system = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
  if (!SetProcessAffinityMask(GetCurrentProcess(), process & -process)) {
    GTEST_SKIP() << "the affinity mask can't be set here";
  }
  DWORD_PTR bound = 0;
  GetProcessAffinityMask(GetCurrentProcess(), &bound, &system);
  const unsigned one = usableCores();
  SetProcessAffinityMask(GetCurrentProcess(), process);
  if (bound != (process & -process)) {
    GTEST_SKIP() << "the system does not report the mask it was given";
  }
  EXPECT_EQ(one, 1u);
  EXPECT_FALSE(coreIdleNow(one));
  unsigned all = 0;
  for (DWORD_PTR bits = process; bits; bits &= bits - 1) ++all;
  EXPECT_EQ(usableCores(), all);
}
#endif

}  // namespace
}  // namespace platform
}  // namespace tessivar
