// The tree search for suggested paths against trying every pair, on point
// sets full of equal distances, and the walkable rule at its limit.
#include "analysis/island_bridge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "testing/island_reference.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using testing::suggestByTryingAllPairs;

struct Sides {
  WaypointMap map;
  std::vector<int32_t> island;
  std::vector<int32_t> main;
};

// `size` waypoints split at random between the two sides (both non-empty),
// at positions drawn by `spread`: 0 puts all on few grid points (many ties
// and zero distances), 1 on a coarse grid, 2 anywhere in a large box.
Sides randomSides(uint64_t seed, int32_t size, int spread) {
  MapRandom random(seed);
  Sides s;
  s.map.n = size;
  for (int32_t v = 0; v < size; ++v) {
    WaypointRecord r{};
    if (spread == 0) {
      r.x = float(random.below(2));
      r.y = float(random.below(2));
      r.z = float(random.below(2)) * 45;
    } else if (spread == 1) {
      r.x = float(random.below(6)) * 8;
      r.y = float(random.below(6)) * 8;
      r.z = float(random.below(5)) * 22.5f;
    } else {
      r.x = float(random.unit() * 4000 - 2000);
      r.y = float(random.unit() * 4000 - 2000);
      r.z = float(random.unit() * 600 - 300);
    }
    s.map.records.push_back(r);
    (random.below(3) == 0 || v == 0 ? s.island : s.main).push_back(v);
  }
  if (s.main.empty()) s.main.push_back(s.island.back()), s.island.pop_back();
  return s;
}

::testing::AssertionResult sameSuggestion(const SuggestedPath& expected,
                                          const SuggestedPath& actual) {
  if (expected.from == actual.from && expected.to == actual.to &&
      expected.squared == actual.squared && expected.length == actual.length &&
      expected.rise == actual.rise && expected.walkable == actual.walkable) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "expected " << expected.from << "->" << expected.to << " ("
         << expected.squared << ", " << expected.walkable << "), got "
         << actual.from << "->" << actual.to << " (" << actual.squared << ", "
         << actual.walkable << ")";
}

TEST(IslandBridge, DistanceAndRiseAreComputedAsDocumented) {
  const WaypointRecord a{{}, 1, 2, 3};
  const WaypointRecord b{{}, 4, 6, 3};
  EXPECT_EQ(squaredDistance(a, b), 25.0);
  EXPECT_EQ(squaredDistance(b, a), 25.0);
  EXPECT_EQ(riseOf(a, b), 0.0);
  const WaypointRecord high{{}, 0, 0, 100.5f};
  EXPECT_EQ(riseOf(a, high), 97.5);
  EXPECT_EQ(riseOf(high, a), -97.5);
  // Differences in double: far coordinates keep their precision.
  const WaypointRecord far{{}, 16777216.0f, 0, 0};
  const WaypointRecord near{{}, -1.0f, 0, 0};
  EXPECT_EQ(squaredDistance(far, near), 16777217.0 * 16777217.0);
}

TEST(IslandBridge, WalkableAtTheLimitAndNotAboveIt) {
  // Island waypoint 0 at z = 0; main waypoints 1 (near, 45.0001 up),
  // 2 (farther, exactly 45 up) and 3 (farthest, far below).
  WaypointMap map;
  map.n = 4;
  map.records = {{{}, 0, 0, 0},
                 {{}, 1, 0, 45.0001f},
                 {{}, 30, 0, 45},
                 {{}, 60, 0, -500}};
  const std::vector<int32_t> island{0}, main{1, 2, 3};
  const MainNetworkTree tree(map.records, main.data(), main.size());
  SuggestedPath out =
      tree.suggest(island.data(), 1, BridgeDirection::kOutOfIsland, 45);
  EXPECT_EQ(out.to, 2);  // exactly 45 up is walkable
  EXPECT_TRUE(out.walkable);
  EXPECT_EQ(out.rise, 45);
  out = tree.suggest(island.data(), 1, BridgeDirection::kOutOfIsland, 44.999);
  EXPECT_EQ(out.to, 3);  // only the way down is left
  EXPECT_TRUE(out.walkable);
  EXPECT_EQ(out.rise, -500);
  out = tree.suggest(island.data(), 1, BridgeDirection::kOutOfIsland, 46);
  EXPECT_EQ(out.to, 1);
  // Into the island every main waypoint lies above it: all walkable, so the
  // nearest wins even with no rise allowed at all.
  SuggestedPath in =
      tree.suggest(island.data(), 1, BridgeDirection::kIntoIsland, 0);
  EXPECT_EQ(in.from, 1);
  EXPECT_EQ(in.to, 0);
  EXPECT_TRUE(in.walkable);
  EXPECT_NEAR(in.rise, -45.0001, 1e-4);
}

TEST(IslandBridge, NoWalkablePairGivesTheNearestMarkedNotWalkable) {
  WaypointMap map;
  map.n = 3;
  map.records = {{{}, 0, 0, 0}, {{}, 50, 0, 100}, {{}, 10, 0, 200}};
  const std::vector<int32_t> island{0}, main{1, 2};
  const MainNetworkTree tree(map.records, main.data(), main.size());
  const SuggestedPath out =
      tree.suggest(island.data(), 1, BridgeDirection::kOutOfIsland, 45);
  EXPECT_EQ(out.from, 0);
  EXPECT_EQ(out.to, 1);  // 50 and 100 apart: sqrt(12500) < sqrt(40100)
  EXPECT_FALSE(out.walkable);
  EXPECT_EQ(out.rise, 100);
  EXPECT_EQ(out.length, std::sqrt(12500.0));
}

TEST(IslandBridge, TiesGoToTheLowerFromThenTheLowerTo) {
  // Island {4, 7} and main {1, 2, 5, 9}, every pair at the same distance 0.
  WaypointMap map;
  map.n = 10;
  map.records.assign(10, WaypointRecord{{}, 3, 3, 3});
  const std::vector<int32_t> island{7, 4}, main{9, 5, 2, 1};
  const MainNetworkTree tree(map.records, main.data(), main.size());
  const SuggestedPath out =
      tree.suggest(island.data(), 2, BridgeDirection::kOutOfIsland, 45);
  EXPECT_EQ(out.from, 4);
  EXPECT_EQ(out.to, 1);
  const SuggestedPath in =
      tree.suggest(island.data(), 2, BridgeDirection::kIntoIsland, 45);
  EXPECT_EQ(in.from, 1);
  EXPECT_EQ(in.to, 4);
  // A strictly nearer pair beats lower numbers: 7 and 9 meet, 4 lies 10
  // away from 1, 2 and 5.
  map.records[4].x = -7;
  map.records[7].x = 20;
  map.records[9].x = 20;
  const MainNetworkTree moved(map.records, main.data(), main.size());
  const SuggestedPath nearer =
      moved.suggest(island.data(), 2, BridgeDirection::kOutOfIsland, 45);
  EXPECT_EQ(nearer.from, 7);
  EXPECT_EQ(nearer.to, 9);
}

// The tree against every pair: many sizes, spreads, directions and limits.
void compareWithAllPairs(uint64_t seeds, int32_t maxSize) {
  const double limits[] = {0, 22.5, 45, 45.000001, 1e300};
  for (uint64_t seed = 0; seed < seeds; ++seed) {
    const int32_t size = 2 + int32_t(seed * 7919 % uint64_t(maxSize - 1));
    const Sides s = randomSides(seed, size, int(seed % 3));
    const MainNetworkTree tree(s.map.records, s.main.data(), s.main.size());
    for (BridgeDirection direction :
         {BridgeDirection::kIntoIsland, BridgeDirection::kOutOfIsland}) {
      for (double limit : limits) {
        const SuggestedPath expected = suggestByTryingAllPairs(
            s.map, s.island, s.main, direction, limit);
        const SuggestedPath actual =
            tree.suggest(s.island.data(), s.island.size(), direction, limit);
        ASSERT_TRUE(sameSuggestion(expected, actual))
            << "seed " << seed << ", size " << size << ", limit " << limit
            << (direction == BridgeDirection::kIntoIsland ? ", in" : ", out");
      }
    }
  }
}

TEST(IslandBridge, MatchesTryingAllPairsOnSmallSets) {
  compareWithAllPairs(1500, 60);
}

TEST(SlowIslandBridge, MatchesTryingAllPairsOnLargerSets) {
  compareWithAllPairs(300, 1500);
}

}  // namespace
}  // namespace tessivar
