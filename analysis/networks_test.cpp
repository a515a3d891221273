// The networks against reachability found by plain searches both ways, on
// thousands of generated graphs, and on the long chains and cycles that
// would exhaust the stack of a recursive search.
#include "analysis/networks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/island_reference.h"
#include "testing/test_support.h"
#include "tools/island_map_generator.h"

namespace tessivar {
namespace {

using testing::networksBySearch;
using testing::tangledGraph;
using testing::waypointMapOf;

// Checks `networks` against the searches and its own promises: numbering by
// lowest waypoint, ascending member lists, a sinks-first order.
::testing::AssertionResult matchesSearch(const WaypointMap& map,
                                         const Networks& networks) {
  const std::vector<std::vector<int32_t>> expected = networksBySearch(map);
  if (networks.count != int32_t(expected.size())) {
    return ::testing::AssertionFailure()
           << networks.count << " networks, expected " << expected.size();
  }
  for (int32_t k = 0; k < networks.count; ++k) {
    const std::vector<int32_t> members(networks.membersOf(k),
                                       networks.membersOf(k) + networks.size(k));
    if (members != expected[size_t(k)]) {
      return ::testing::AssertionFailure()
             << "network " << k << " differs from the search's";
    }
    for (int32_t v : members) {
      if (networks.networkOf[size_t(v)] != k) {
        return ::testing::AssertionFailure()
               << "waypoint " << v << " is listed in network " << k
               << " but marked " << networks.networkOf[size_t(v)];
      }
    }
  }
  // Sinks first: a path between networks leads to one placed earlier.
  std::vector<int32_t> position(size_t(networks.count), -1);
  for (size_t i = 0; i < networks.sinkFirst.size(); ++i) {
    const int32_t k = networks.sinkFirst[i];
    if (k < 0 || k >= networks.count || position[size_t(k)] >= 0) {
      return ::testing::AssertionFailure() << "sinkFirst is no permutation";
    }
    position[size_t(k)] = int32_t(i);
  }
  if (networks.sinkFirst.size() != size_t(networks.count)) {
    return ::testing::AssertionFailure() << "sinkFirst misses networks";
  }
  for (int32_t u = 0; u < map.n; ++u) {
    for (uint64_t e = 0; e < map.pathCount(u); ++e) {
      const int32_t a = networks.networkOf[size_t(u)];
      const int32_t b = networks.networkOf[size_t(map.pathsFrom(u)[e])];
      if (a != b && position[size_t(b)] > position[size_t(a)]) {
        return ::testing::AssertionFailure()
               << "path " << u << "->" << map.pathsFrom(u)[e]
               << " leads to a network placed after its own";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(Networks, NoWaypointsNoNetworks) {
  const Networks networks = findNetworks(WaypointMap());
  EXPECT_EQ(networks.count, 0);
  EXPECT_TRUE(networks.sinkFirst.empty());
  EXPECT_TRUE(networks.members.empty());
}

TEST(Networks, SixWaypointExampleHasOnlyNetworksOfOne) {
  // 0->2, 0->4, 2->3, 3->1, 4->1, 1->5: no cycle at all.
  const WaypointMap map = waypointMapOf(sixWaypointExample());
  const Networks networks = findNetworks(map);
  ASSERT_EQ(networks.count, 6);
  for (int32_t v = 0; v < 6; ++v) EXPECT_EQ(networks.networkOf[size_t(v)], v);
  // 5 is the only sink, 0 the only source.
  EXPECT_EQ(networks.sinkFirst.front(), 5);
  EXPECT_EQ(networks.sinkFirst.back(), 0);
  EXPECT_TRUE(matchesSearch(map, networks));
}

TEST(Networks, SelfPathsAndRepeatedTargetsChangeNothing) {
  MapSpec plain;
  plain.positions.assign(5, {0, 0, 0});
  plain.paths = {{1}, {2}, {0}, {4}, {}};
  MapSpec noisy = plain;
  noisy.paths = {{1, 1, 0}, {2, 1, 2}, {0, 0}, {4, 3, 4}, {4, 4}};
  const Networks a = findNetworks(waypointMapOf(plain));
  const Networks b = findNetworks(waypointMapOf(noisy));
  EXPECT_EQ(a.count, 3);
  EXPECT_EQ(a.networkOf, (std::vector<int32_t>{0, 0, 0, 1, 2}));
  EXPECT_EQ(b.networkOf, a.networkOf);
  EXPECT_EQ(b.members, a.members);
  EXPECT_EQ(b.memberBegin, a.memberBegin);
}

TEST(Networks, NumberedByLowestWaypoint) {
  // Networks {4, 1}, {0}, {3, 2}: numbered 1, 0, 2 by their lowest.
  MapSpec spec;
  spec.positions.assign(5, {0, 0, 0});
  spec.paths = {{}, {4}, {3}, {2, 0}, {1}};
  const Networks networks = findNetworks(waypointMapOf(spec));
  ASSERT_EQ(networks.count, 3);
  EXPECT_EQ(networks.networkOf, (std::vector<int32_t>{0, 1, 2, 2, 1}));
  EXPECT_EQ(networks.lowest(1), 1);
  EXPECT_EQ(networks.size(2), 2);
  EXPECT_EQ(std::vector<int32_t>(networks.membersOf(1), networks.membersOf(1) + 2),
            (std::vector<int32_t>{1, 4}));
}

// Thousands of small graphs of every shape the generator makes, sizes 0 to
// 40, with the report's reachable-pair count cross-checked on some.
TEST(Networks, MatchSearchesOnThousandsOfSmallGraphs) {
  for (uint64_t seed = 0; seed < 3000; ++seed) {
    const int32_t size = int32_t(seed % 41);
    const WaypointMap map = waypointMapOf(tangledGraph(seed, size));
    ASSERT_EQ(map.n, size);
    ASSERT_TRUE(matchesSearch(map, findNetworks(map))) << "seed " << seed;
  }
}

// The two phases agree: the reachable pairs tessivar prints equal the pairs
// the networks account for.
std::string reportedReachablePairs(const MapSpec& spec) {
  const testing::RunOutput run = testing::runOnBytes(encodeWaypointFile(spec));
  const size_t end = run.out.find(" out of ");
  if (run.status != 0 || end == std::string::npos) return "(no count)";
  const size_t start = run.out.rfind('\n', end) + 1;
  return run.out.substr(start, end - start);
}

TEST(Networks, ReachablePairsOfTheReportComeFromTheNetworks) {
  std::vector<MapSpec> maps;
  for (uint64_t seed = 0; seed < 40; ++seed) {
    maps.push_back(tangledGraph(seed, int32_t(seed % 30)));
  }
  maps.push_back(generateIslandMap(3, 300));
  maps.push_back(generateRealisticMap(2, 240));
  maps.push_back(generateRandomMap(5, 60, 2));
  maps.push_back(sixWaypointExample());
  for (const MapSpec& spec : maps) {
    const WaypointMap map = waypointMapOf(spec);
    const Networks networks = findNetworks(map);
    EXPECT_EQ(reportedReachablePairs(spec),
              std::to_string(testing::reachablePairsFromNetworks(map, networks)))
        << spec.name << " of " << map.n;
  }
}

MapSpec chain(int32_t size, bool upwards) {
  MapSpec spec;
  spec.name = upwards ? "chain_up" : "chain_down";
  spec.positions.resize(size_t(size));
  spec.paths.resize(size_t(size));
  for (int32_t v = 0; v < size; ++v) {
    spec.positions[size_t(v)] = {float(v), 0, 0};
    const int32_t next = upwards ? v + 1 : v - 1;
    if (next >= 0 && next < size) spec.paths[size_t(v)].push_back(int16_t(next));
  }
  return spec;
}

TEST(Networks, LongestChainBothWaysIsAllNetworksOfOne) {
  for (bool upwards : {true, false}) {
    const WaypointMap map = waypointMapOf(chain(32767, upwards));
    const Networks networks = findNetworks(map);
    ASSERT_EQ(networks.count, 32767);
    for (int32_t v = 0; v < 32767; v += 997) {
      EXPECT_EQ(networks.networkOf[size_t(v)], v);
    }
    // The far end of the chain is the sink.
    EXPECT_EQ(networks.sinkFirst.front(), upwards ? 32766 : 0);
    EXPECT_EQ(networks.sinkFirst.back(), upwards ? 0 : 32766);
  }
}

TEST(Networks, LongestCycleIsOneNetwork) {
  MapSpec spec = chain(32767, true);
  spec.paths[32766].push_back(0);
  const Networks networks = findNetworks(waypointMapOf(spec));
  EXPECT_EQ(networks.count, 1);
  EXPECT_EQ(networks.size(0), 32767);
}

// Larger graphs: some hundreds of waypoints, and generated game maps.
TEST(SlowNetworks, MatchSearchesOnLargerGraphs) {
  for (uint64_t seed = 0; seed < 300; ++seed) {
    const int32_t size = 41 + int32_t(seed * 7 % 400);
    const WaypointMap map = waypointMapOf(tangledGraph(seed, size));
    ASSERT_TRUE(matchesSearch(map, findNetworks(map))) << "seed " << seed;
  }
  for (uint64_t seed = 0; seed < 6; ++seed) {
    for (const MapSpec& spec : {generateIslandMap(seed, 900),
                                generateRealisticMap(seed, 900),
                                generateRandomMap(seed, 500, 1)}) {
      const WaypointMap map = waypointMapOf(spec);
      ASSERT_TRUE(matchesSearch(map, findNetworks(map))) << spec.name;
    }
  }
}

TEST(SlowNetworks, ReachablePairsOfTheReportOnLargerMaps) {
  for (uint64_t seed = 0; seed < 4; ++seed) {
    for (const MapSpec& spec : {generateIslandMap(seed, 700),
                                generateRealisticMap(seed, 600),
                                tangledGraph(seed, 400)}) {
      const WaypointMap map = waypointMapOf(spec);
      EXPECT_EQ(reportedReachablePairs(spec),
                std::to_string(testing::reachablePairsFromNetworks(
                    map, findNetworks(map))))
          << spec.name;
    }
  }
}

}  // namespace
}  // namespace tessivar
