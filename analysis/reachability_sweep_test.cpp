// The bit-vector reachability sweep against the reference model, after
// every pass, on many generated graphs.
#include "analysis/reachability_sweep.h"

#include <gtest/gtest.h>

#include "testing/differential.h"

namespace tessivar {
namespace {

using testing::graphOf;
using testing::mixedStructureMap;
using testing::supportedKernelPaths;

// The sweep with every kernel path against the reference.
::testing::AssertionResult reachabilityMatchesReference(const WaypointGraph& graph) {
  return testing::reachabilityMatchesReference(graph, supportedKernelPaths());
}

TEST(ReachabilitySweep, ChainsAndCycleFromTheDescription) {
  struct Case {
    MapSpec map;
    int32_t passes;
    int64_t count;
  };
  MapSpec chain3{"c3", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{1}, {2}, {}}};
  MapSpec chain4{"c4", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, {{1}, {2}, {3}, {}}};
  MapSpec cycle{"cy", {{0, 0, 0}, {1, 0, 0}}, {{1}, {0}}};
  MapSpec twice{"tw", {{0, 0, 0}, {1, 0, 0}}, {{1, 1}, {}}};
  const Case cases[] = {{chain3, 1, 3}, {chain4, 1, 6}, {cycle, 1, 4},
                        {sixWaypointExample(), 1, 13}, {twice, 0, 1}};
  for (const Case& c : cases) {
    for (KernelPath path : supportedKernelPaths()) {
      ReachabilitySweep sweep(graphOf(c.map), path);
      int32_t passes = 0;
      while (passes < int32_t(c.map.positions.size()) && sweep.runPass()) ++passes;
      EXPECT_EQ(passes, c.passes) << c.map.name;
      EXPECT_EQ(sweep.reachableCount(), c.count) << c.map.name;
    }
  }
}

TEST(ReachabilitySweep, MatrixLayoutIsAPlusBTimesN) {
  MapSpec oneWay{"ow", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{}, {}, {0}}};
  ReachabilitySweep sweep(graphOf(oneWay));
  const CellBits cells = sweep.matrix();
  ASSERT_EQ(cells.size(), 9u);
  EXPECT_TRUE(cells[2 + 0 * 3]);   // 2 -> 0
  EXPECT_FALSE(cells[0 + 2 * 3]);  // 0 -> 2
  EXPECT_EQ(cells.count(), 1u);
  EXPECT_TRUE(sweep.reachable(2, 0));
  EXPECT_FALSE(sweep.reachable(0, 2));
}

TEST(ReachabilitySweep, ThousandsOfSmallRandomGraphs) {
  for (uint64_t seed = 1; seed <= 1500; ++seed) {
    const int32_t size = 1 + int32_t(seed % 37);
    const int32_t paths = int32_t(seed % 4);
    ASSERT_TRUE(reachabilityMatchesReference(graphOf(generateRandomMap(seed, size, paths))))
        << "seed " << seed;
  }
}

TEST(ReachabilitySweep, MixedStructuresAcrossWordBoundaries) {
  for (uint64_t seed = 1; seed <= 120; ++seed) {
    const int32_t size = 1 + int32_t((seed * 37) % 150);
    ASSERT_TRUE(reachabilityMatchesReference(graphOf(mixedStructureMap(seed, size))))
        << "seed " << seed << " size " << size;
  }
}

TEST(ReachabilitySweep, GridsAndRealisticMaps) {
  EXPECT_TRUE(reachabilityMatchesReference(graphOf(generateGridMap(1, 1))));
  EXPECT_TRUE(reachabilityMatchesReference(graphOf(generateGridMap(9, 7))));
  EXPECT_TRUE(reachabilityMatchesReference(graphOf(generateGridMap(1, 65))));
  // 520 and more waypoints: bit vectors of 9 words and more, long enough
  // for the widest kernel's 8-word steps.
  EXPECT_TRUE(reachabilityMatchesReference(graphOf(mixedStructureMap(5, 530))));
  EXPECT_TRUE(reachabilityMatchesReference(graphOf(generateRandomMap(5, 600, 1))));
  for (int32_t size : {6, 64, 65, 130, 200, 520}) {
    EXPECT_TRUE(reachabilityMatchesReference(graphOf(generateRealisticMap(3, size))))
        << size;
  }
}

TEST(SlowReachabilitySweep, LargerMaps) {
  for (int32_t size : {400, 700}) {
    EXPECT_TRUE(reachabilityMatchesReference(graphOf(generateRealisticMap(11, size))));
  }
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    EXPECT_TRUE(reachabilityMatchesReference(
        graphOf(generateRandomMap(seed, 150 + int32_t(seed), 1 + int32_t(seed % 2)))));
  }
}

}  // namespace
}  // namespace tessivar
