// The process's memory budget as the system sets it: a lowered address-space
// limit shows as what is left of it, the control-group limit bounds what
// may be filled, and a second thread's address space counts its stack.
#include "platform/process_memory.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/control_group.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#endif

namespace tessivar {
namespace platform {
namespace {

constexpr uint64_t kMiB = uint64_t(1) << 20;

TEST(ProcessMemory, FillableMemoryIsBounded) {
  const MemoryBudget budget = processMemoryBudget();
  EXPECT_GT(budget.availableBytes, kMiB);
  EXPECT_LT(budget.availableBytes, UINT64_MAX) << "physical memory is known";
#ifndef _WIN32
  EXPECT_LE(budget.availableBytes, controlGroupMemoryLimit());
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) {
    EXPECT_LE(budget.availableBytes, uint64_t(pages) * uint64_t(pageSize));
  }
#endif
}

#ifndef _WIN32
// Under RLIMIT_AS the budget is what the limit leaves beyond what is mapped.
TEST(ProcessMemory, AddressSpaceLimitLessWhatIsMapped) {
  uint64_t pages = 0;
  if (!(std::ifstream("/proc/self/statm") >> pages)) {
    GTEST_SKIP() << "no /proc/self/statm here";
  }
  const uint64_t mapped = pages * uint64_t(sysconf(_SC_PAGESIZE));
  struct rlimit saved, data;
  ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
  ASSERT_EQ(getrlimit(RLIMIT_DATA, &data), 0);
  if (data.rlim_cur != RLIM_INFINITY) {
    GTEST_SKIP() << "RLIMIT_DATA is set, and bounds the budget too";
  }
  const uint64_t cap = mapped + 512 * kMiB;
  if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < cap) {
    GTEST_SKIP() << "the hard limit is below what the test sets";
  }
  struct rlimit lowered = saved;
  lowered.rlim_cur = rlim_t(cap);
  ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
  const MemoryBudget budget = processMemoryBudget();
  ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
  // What was mapped may have changed by a few pages between the two
  // readings (the stream that read it here held a buffer).
  EXPECT_LE(budget.addressSpaceBytes, 512 * kMiB + 64 * 1024);
  EXPECT_GT(budget.addressSpaceBytes, 500 * kMiB);
  if (saved.rlim_cur == RLIM_INFINITY) {
    EXPECT_EQ(processMemoryBudget().addressSpaceBytes, UINT64_MAX);
  }
}
#endif

}  // namespace
}  // namespace platform
}  // namespace tessivar
