#include "analysis/orphan_scan.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

namespace tessivar {
namespace {

struct ScanCase {
  const char* name;
  MapSpec map;
  std::vector<int32_t> orphans;
  std::vector<int32_t> traps;
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

MapSpec mapOf(int32_t size, std::vector<std::vector<int16_t>> paths) {
  MapSpec map;
  map.name = "scan";
  map.positions.assign(size, {0, 0, 0});
  paths.resize(size);
  map.paths = paths;
  return map;
}

class OrphanScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(OrphanScanTest, FindsOrphansAndTrapsInOrder) {
  const ScanCase& c = GetParam();
  WaypointGraph graph;
  ASSERT_EQ(testing::parse(encodeWaypointFile(c.map), graph).status,
            LoadStatus::kLoaded);
  const OrphanScanResult result = scanOrphansAndTraps(graph);
  EXPECT_EQ(result.orphans, c.orphans);
  EXPECT_EQ(result.traps, c.traps);
}

INSTANTIATE_TEST_SUITE_P(
    Graphs, OrphanScanTest,
    ::testing::Values(
        ScanCase{"Empty", mapOf(0, {}), {}, {}},
        ScanCase{"SelfPathIsNeither", mapOf(1, {{0}}), {}, {}},
        ScanCase{"OneWayPairEndsInTrap", mapOf(2, {{1}, {}}), {}, {1}},
        ScanCase{"PureSourceIsNotReported", mapOf(3, {{1}, {2}, {1}}), {}, {}},
        ScanCase{"LoneWaypointIsOrphan", mapOf(1, {}), {0}, {}},
        // A path into a waypoint from a later one still makes it a trap.
        ScanCase{"InterleavedInWaypointOrder",
                 mapOf(6, {{1}, {}, {}, {}, {2, 3}, {0}}), {}, {1, 2, 3}},
        ScanCase{"OrphansAndTrapsMixed",
                 mapOf(5, {{2}, {}, {}, {}, {4}}), {1, 3}, {2}},
        ScanCase{"SixWaypointExample", sixWaypointExample(), {}, {5}}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return info.param.name; });

// The scan against the path lists themselves on generated maps: a waypoint
// with an empty list is a trap when some list names it, else an orphan.
TEST(OrphanScan, MatchesThePathListsOfGeneratedMaps) {
  std::vector<MapSpec> maps = {generateRealisticMap(3, 700), generateGridMap(9, 7)};
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    maps.push_back(generateRandomMap(seed, 5 + int32_t(seed * 7), 1));
  }
  for (const MapSpec& map : maps) {
    std::vector<int32_t> orphans, traps;
    const int32_t n = int32_t(map.positions.size());
    for (int32_t v = 0; v < n; ++v) {
      if (!map.paths[v].empty()) continue;
      bool named = false;
      for (const auto& list : map.paths) {
        for (int16_t target : list) named = named || target == v;
      }
      (named ? traps : orphans).push_back(v);
    }
    WaypointGraph graph;
    ASSERT_EQ(testing::parse(encodeWaypointFile(map), graph).status, LoadStatus::kLoaded);
    const OrphanScanResult result = scanOrphansAndTraps(graph);
    EXPECT_EQ(result.orphans, orphans) << map.name;
    EXPECT_EQ(result.traps, traps) << map.name;
  }
}

}  // namespace
}  // namespace tessivar
