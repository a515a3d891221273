// The memory budget Windows figures give, on every system (the arithmetic),
// and on Windows the figures of this process.
#include "platform/windows_memory.h"

#include <gtest/gtest.h>

#include "testing/child_process.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tessivar {
namespace platform {
namespace {

constexpr uint64_t kNone = UINT64_MAX;
constexpr uint64_t kGiB = 1ull << 30;

TEST(WindowsMemory, TheLeastFigureBoundsTheBudget) {
  const struct {
    const char* name;
    WindowsMemoryFigures figures;
    uint64_t fillable;
  } cases[] = {
      {"nothing known", {}, kNone},
      {"physical", {16 * kGiB, 12 * kGiB, 40 * kGiB, kNone, kNone, kNone, 0},
       12 * kGiB},
      {"commit below available",
       {16 * kGiB, 12 * kGiB, 3 * kGiB, kNone, kNone, kNone, 0}, 3 * kGiB},
      {"process limit less what is committed",
       {16 * kGiB, 12 * kGiB, 40 * kGiB, kNone, 2 * kGiB, kNone, kGiB / 2},
       kGiB + kGiB / 2},
      {"job limit less what is committed",
       {16 * kGiB, 12 * kGiB, 40 * kGiB, kNone, kNone, kGiB, kGiB / 4},
       kGiB - kGiB / 4},
      {"limit already used up",
       {16 * kGiB, 12 * kGiB, 40 * kGiB, kNone, kGiB, kNone, 2 * kGiB}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(windowsMemoryBudget(c.figures).fillable, c.fillable);
  }
  WindowsMemoryFigures address;
  address.availableVirtual = 128 * kGiB;
  EXPECT_EQ(windowsMemoryBudget(address).addressSpace, 128 * kGiB);
}

#ifdef _WIN32
TEST(WindowsMemory, FiguresOfThisProcess) {
  const WindowsMemoryFigures figures = readWindowsMemory();
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  EXPECT_EQ(figures.totalPhysical, status.ullTotalPhys);
  EXPECT_GT(figures.availablePhysical, 0u);
  EXPECT_LE(figures.availablePhysical, figures.totalPhysical);
  // This test's own heap at least, where the system says (Wine does not).
  if (!testing::underWine()) {
    EXPECT_GT(figures.processCommitted, 0u);
  }
  const WindowsMemoryBudget budget = windowsMemoryBudget(figures);
  EXPECT_GT(budget.fillable, 0u);
  EXPECT_LE(budget.fillable, status.ullTotalPhys);
}
#endif

}  // namespace
}  // namespace platform
}  // namespace tessivar
