// The pathing engine's second thread costs what the memory check counts for
// it (analysis/run_memory.h): a helper thread's stack, and no heap of its
// own, which it would get from the C library at its first allocation.
#include <gtest/gtest.h>

#include <cstdlib>

#include "analysis/pathing_sweep.h"
#include "analysis/reachability_sweep.h"
#include "analysis/run_memory.h"
#include "testing/differential.h"
#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

#if defined(__linux__) && !defined(TESSIVAR_SANITIZED)
// In a fresh process, where no thread has run before, a whole pathing
// phase on two threads leaves the address space larger by no more than the
// check counts for the thread and a little of the allocator's slack from
// the phase's own arrays, which are all freed by then. A thread with the
// default stack (8 MiB) or a heap of its own (64 MiB with glibc) would
// leave far more.
TEST(PathingThreadDeathTest, SecondThreadMapsWhatTheCheckCounts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto run = [] {
    const WaypointGraph graph = testing::graphOf(generateRealisticMap(5, 300));
    const int64_t before = testing::mappedBytesNow();
    {
      ReachabilitySweep closure(graph);
      while (closure.runPass()) {
      }
      const CellBits reach = closure.matrix();
      PathingSweepOptions options;
      options.threads = 2;
      PathingSweep sweep(graph, reach, options);
      int passes = 0;
      while (sweep.runPass()) ++passes;
      if (sweep.threads() != 2 || passes < 2) std::_Exit(2);
    }
    const int64_t grown = testing::mappedBytesNow() - before;
    const uint64_t counted = reportRunNeed({graph.n}, 0, true).addressSpace -
                             reportRunNeed({graph.n}, 0, false).addressSpace;
    std::_Exit(before > 0 && grown <= int64_t(counted + (4 << 20)) ? 0 : 1);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace tessivar
