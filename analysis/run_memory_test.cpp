// The report's memory figure: what its phases allocate, the bounds the
// engine keeps on some maps, and the second thread it may start.
#include "analysis/run_memory.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/cpu_cores.h"
#include "platform/helper_thread.h"
#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

TEST(RunMemory, ReportNeedCountsEveryMatrixAndSaturates) {
  // Two bit matrices, the pathing block (4 bytes a cell), the 16-bit
  // intermediates: over 6.25 bytes a cell; the engine's bounds over one more.
  EXPECT_GE(reportRunNeed({1000}).fillBytes, 6250ull * 1000);
  const MapSize local{1000, 4000};
  EXPECT_GE(reportRunNeed(local, 4000).fillBytes, reportRunNeed(local, 0).fillBytes + 1000000);
  EXPECT_GT(reportRunNeed({70000}).fillBytes, 24ull << 30) << "more than this machine";
  EXPECT_LT(reportRunNeed({1000}).fillBytes, reportRunNeed({1001}).fillBytes);
  EXPECT_EQ(reportRunNeed({std::numeric_limits<int64_t>::max()}).fillBytes, UINT64_MAX);
  // A second pathing thread counts only against the address space.
  const RunNeed one = reportRunNeed({1000}, 0, false);
  const RunNeed two = reportRunNeed({1000}, 0, true);
  EXPECT_EQ(one.fillBytes, two.fillBytes);
  EXPECT_EQ(one.addressSpace, one.fillBytes);
  EXPECT_EQ(two.addressSpace, two.fillBytes + platform::helperThreadAddressSpace());
}

TEST(RunMemory, BoundsAreKeptWhereNeighboursShareBlocks) {
  // 3 in 10 path entries inside a block of 16 consecutive numbers.
  EXPECT_TRUE(pathingKeepsBounds(10, 3));
  EXPECT_FALSE(pathingKeepsBounds(10, 2));
  EXPECT_FALSE(pathingKeepsBounds(0, 0));
  // Counted in the file's own lists: 0->1 and 0->15 share block 0, 0->16
  // and 17->3 don't.
  MapSpec map;
  map.positions.assign(20, {0, 0, 0});
  map.paths.assign(20, {});
  map.paths[0] = {1, 15, 16};
  map.paths[17] = {3};
  const std::vector<uint8_t> bytes = encodeWaypointFile(map);
  EXPECT_EQ(countPathEntriesInsideBlocks(bytes.data(), bytes.size(), 20), 2u);
  // A cut file counts up to its last whole list.
  EXPECT_EQ(countPathEntriesInsideBlocks(bytes.data(), 52 + 20 * 16 + 4, 20), 0u);
}

TEST(RunMemory, SecondThreadOnlyOnBigMapsAndSeveralCores) {
  const int64_t big = run_memory::kSecondThreadMinimumWaypoints;
  EXPECT_FALSE(pathingMayUseSecondThread(big - 1));
  EXPECT_EQ(pathingMayUseSecondThread(big), platform::usableCores() >= 2);
  // The loader's figure counts the thread exactly when it may start.
  const MapSize size{big};
  EXPECT_EQ(reportPhasesNeed(size, nullptr, 0).extraAddressSpace != 0,
            pathingMayUseSecondThread(big));
  EXPECT_EQ(reportPhasesNeed({big - 1}, nullptr, 0).extraAddressSpace, 0u);
}

}  // namespace
}  // namespace tessivar

namespace tessivar {
namespace {

WaypointMap loadedMap(const MapSpec& made) {
  WaypointGraph graph;
  EXPECT_TRUE(testing::parse(encodeWaypointFile(made), graph).ok());
  return graph;
}

TEST(RunMemory, PlanRunsThePhasesWhereTheyFitAndSaysWhyNot) {
  const WaypointMap map = loadedMap(generateWalkedMap(2, 300));
  // The figure is the phases' own, with the headroom: on this map, whose
  // numbering keeps neighbours in blocks, with the engine's bounds.
  MapSize size;
  size.waypoints = map.n;
  size.pathEntries = uint64_t(map.pathEntryTotal);
  const ReportPhasesPlan plan = planReportPhases(map, 2048, MemoryBudget{});
  EXPECT_EQ(plan.plan, PhasesPlan::kRun);
  const AnalysisNeed bounded = phasesNeed(size, size.pathEntries, false);
  EXPECT_EQ(plan.fillBytes, bounded.fillBytes + load_memory::kHeadroomBytes);
  EXPECT_GE(plan.addressSpace, plan.fillBytes);

  // One waypoint over the limit, or one byte short, and they don't run.
  EXPECT_EQ(planReportPhases(map, 300, MemoryBudget{}).plan, PhasesPlan::kRun);
  EXPECT_EQ(planReportPhases(map, 299, MemoryBudget{}).plan,
            PhasesPlan::kTooManyWaypoints);
  MemoryBudget tight;
  tight.availableBytes = plan.fillBytes;
  EXPECT_EQ(planReportPhases(map, 2048, tight).plan, PhasesPlan::kRun);
  tight.availableBytes = plan.fillBytes - 1;
  EXPECT_EQ(planReportPhases(map, 2048, tight).plan, PhasesPlan::kTooLittleMemory);
  MemoryBudget narrow;
  narrow.addressSpaceBytes = plan.addressSpace - 1;
  EXPECT_EQ(planReportPhases(map, 2048, narrow).plan, PhasesPlan::kTooLittleMemory);
}

}  // namespace
}  // namespace tessivar
