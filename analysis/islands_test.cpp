// The networks and the whole islands report against searches and brute
// force on thousands of generated graphs (equal networks and equal distances
// among them, so the ties are checked too); the reachable pairs tessivar
// prints against those the networks account for.
#include "analysis/islands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/island_reference.h"
#include "testing/test_support.h"
#include "tools/island_map_generator.h"
#include "waypoint/memory_budget.h"

namespace tessivar {
namespace {

using testing::tangledGraph;
using testing::waypointMapOf;

void expectMatchesSearch(const MapSpec& layout, double maxRise) {
  const WaypointMap map = waypointMapOf(layout);
  ASSERT_EQ(map.n, int32_t(layout.positions.size()));
  ASSERT_EQ(findNetworks(map).networkOf, testing::networksBySearch(map)) << layout.name;
  ASSERT_EQ(testing::describe(findIslands(map, maxRise)),
            testing::describe(testing::islandsBySearch(map, maxRise)))
      << layout.name << ", rise limit " << maxRise;
}

// Sizes 0 to 40; rise limits at, just below and just above the height
// differences of the graphs' waypoints (multiples of 15).
TEST(Islands, MatchSearchesOnThousandsOfSmallGraphs) {
  const double limits[] = {45, 0, 15, 44.99, 15.01, 1e9};
  for (uint64_t seed = 0; seed < 3000; ++seed) {
    ASSERT_NO_FATAL_FAILURE(
        expectMatchesSearch(tangledGraph(seed, int32_t(seed % 41)), limits[seed % 6]));
  }
  expectMatchesSearch(generateIslandMap(1, 400), 45);
}

TEST(SlowIslands, MatchSearchesOnLargerGraphs) {
  for (uint64_t seed = 0; seed < 300; ++seed) {
    ASSERT_NO_FATAL_FAILURE(expectMatchesSearch(
        tangledGraph(seed, 41 + int32_t(seed * 7 % 400)), seed % 2 ? 45 : 15));
  }
  for (uint64_t seed = 0; seed < 6; ++seed) {
    for (const MapSpec& layout : {generateIslandMap(seed, 300 + int32_t(seed) * 150),
                                generateRealisticMap(seed, 600),
                                generateRandomMap(seed, 400, 1)}) {
      ASSERT_NO_FATAL_FAILURE(expectMatchesSearch(layout, seed % 2 ? 45 : 10));
    }
  }
}

// The two phases agree: the reachable pairs tessivar prints equal the pairs
// the networks account for.
void expectSameReachablePairs(const MapSpec& layout) {
  const testing::RunOutput run = testing::runOnBytes(encodeWaypointFile(layout));
  const size_t end = run.out.find(" out of ");
  ASSERT_NE(end, std::string::npos) << run.out;
  const size_t start = run.out.rfind('\n', end) + 1;
  const WaypointMap map = waypointMapOf(layout);
  EXPECT_EQ(run.out.substr(start, end - start),
            std::to_string(testing::reachablePairsFromNetworks(map, findNetworks(map))))
      << layout.name << " of " << map.n;
}

TEST(Islands, ReachablePairsOfTheReportComeFromTheNetworks) {
  for (uint64_t seed = 0; seed < 200; ++seed) {
    expectSameReachablePairs(tangledGraph(seed, int32_t(seed % 30)));
  }
  expectSameReachablePairs(generateIslandMap(3, 300));
  expectSameReachablePairs(generateRealisticMap(2, 240));
}

TEST(SlowIslands, ReachablePairsOfTheReportOnLargerMaps) {
  for (uint64_t seed = 0; seed < 4; ++seed) {
    for (const MapSpec& layout :
         {generateIslandMap(seed, 700), generateRealisticMap(seed, 600),
          tangledGraph(seed, 400)}) {
      expectSameReachablePairs(layout);
    }
  }
}

TEST(Islands, MemoryNeedGrowsWithWaypointsAndPathsAndSaturates) {
  EXPECT_LT(islandsMemoryNeed(1000, 0), islandsMemoryNeed(1000, 5000));
  EXPECT_LT(islandsMemoryNeed(32767, 130000), uint64_t(100) << 20);
  EXPECT_EQ(islandsMemoryNeed(INT64_MAX, INT64_MAX), UINT64_MAX);
  // Nothing fixed beyond the headroom tessivar's check keeps: a small map
  // asks for little more than it, so it runs wherever tessivar does.
  EXPECT_LT(islandsMemoryNeed(6, 6), load_memory::kHeadroomBytes + (16 << 10));
  EXPECT_GE(islandsMemoryNeed(0, 0), load_memory::kHeadroomBytes);
}

}  // namespace
}  // namespace tessivar
