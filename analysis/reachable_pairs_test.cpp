// The reachable pairs from the networks' bit words against the plain count
// over a matrix of networks (testing/island_reference.h), which the islands
// tests hold against tessivar's own count: on thousands of tangled graphs,
// on chains longer than a word, and on networks of many sizes.
#include "analysis/reachable_pairs.h"

#include <gtest/gtest.h>

#include <vector>

#include "testing/island_reference.h"
#include "tools/island_map_generator.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using testing::waypointMapOf;

void expectPlainCount(const MapSpec& layout) {
  const WaypointMap map = waypointMapOf(layout);
  const Networks networks = findNetworks(map);
  EXPECT_EQ(countReachablePairs(map, networks),
            testing::reachablePairsFromNetworks(map, networks))
      << layout.name << " of " << map.n;
}

TEST(ReachablePairs, MatchThePlainCountOnTangledGraphs) {
  for (uint64_t seed = 0; seed < 1500; ++seed) {
    expectPlainCount(testing::tangledGraph(seed, int32_t(seed % 90)));
  }
}

// One-way chains of 1 to 200 waypoints (sources in several words), each
// with a self path on every third waypoint; rings of growing sizes feeding
// each other, so that words hold networks of one size and sizes differ.
TEST(ReachablePairs, ChainsAndNetworksOfManySizes) {
  for (int32_t length : {1, 2, 63, 64, 65, 129, 200}) {
    MapSpec chain{"chain", {}, {}};
    for (int32_t v = 0; v < length; ++v) {
      chain.positions.push_back({float(v), 0, 0});
      chain.paths.emplace_back();
      if (v + 1 < length) chain.paths.back().push_back(int16_t(v + 1));
      if (v % 3 == 0) chain.paths.back().push_back(int16_t(v));
    }
    expectPlainCount(chain);
    const WaypointMap map = waypointMapOf(chain);
    const int64_t selfPaths = (length + 2) / 3;
    EXPECT_EQ(countReachablePairs(map, findNetworks(map)),
              int64_t(length) * (length - 1) / 2 + selfPaths);
  }
  MapSpec rings{"rings", {}, {}};
  MapRandom random(3);
  for (int32_t ring = 0; ring < 150; ++ring) {
    const int32_t size = 1 + int32_t(random.below(4));
    const int32_t first = int32_t(rings.positions.size());
    for (int32_t i = 0; i < size; ++i) {
      rings.positions.push_back({float(first + i), 0, 0});
      rings.paths.push_back({int16_t(first + (i + 1) % size)});
    }
    if (first > 0) rings.paths[size_t(random.below(uint32_t(first)))].push_back(int16_t(first));
  }
  expectPlainCount(rings);
}

TEST(ReachablePairs, GeneratedMaps) {
  expectPlainCount(generateIslandMap(2, 600));
  expectPlainCount(generateRealisticMap(5, 400));
  expectPlainCount(generateRandomMap(7, 300, 1));
  expectPlainCount(MapSpec{"none", {}, {}});
}

}  // namespace
}  // namespace tessivar
