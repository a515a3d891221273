// The cores a process may use: a job's CPU rate cap, the running-thread
// count read on Linux, and on Windows the affinity mask it runs under. The
// control-group quotas: control_group_test.cpp.
#include "platform/cpu_cores.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tessivar {
namespace platform {
namespace {

using namespace cpu_cores_detail;

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
