// The tree search for suggested paths against trying every pair, on point
// sets full of equal distances, also cut at a length; the walkable rule at
// its limit; the ties.
#include "analysis/island_bridge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <tuple>
#include <vector>

#include "testing/island_reference.h"

namespace tessivar {
namespace {

constexpr BridgeDirection kIn = BridgeDirection::kIntoIsland;
constexpr BridgeDirection kOut = BridgeDirection::kOutOfIsland;

std::string show(const SuggestedPath& p) {
  std::ostringstream s;
  s.precision(17);
  s << p.from << "->" << p.to << " squared " << p.squared << " length " << p.length
    << " rise " << p.rise << (p.walkable ? " walkable" : "");
  return s.str();
}

std::string suggest(const std::vector<WaypointRecord>& records,
                    const std::vector<int32_t>& island, const std::vector<int32_t>& main,
                    BridgeDirection direction, double maxRise) {
  const MainNetworkTree tree(records, main.data(), main.size());
  return show(tree.suggest(island.data(), island.size(), direction, maxRise));
}

// The rules on hand-made cases; compareWithAllPairs below tries them on
// thousands of point sets.
TEST(IslandBridge, WalkableAtTheLimitTiesToLowerNumbers) {
  // Island waypoint 0 (and 4 at the same point); main waypoints 1 (nearest,
  // 45.0001 up), 2 and 3 (farther, equally far, exactly 45 up).
  const std::vector<WaypointRecord> records = {
      {{}, 0, 0, 0}, {{}, 1, 0, 45.0001f}, {{}, 3, 0, 45}, {{}, 0, 3, 45}, {{}, 0, 0, 0}};
  const double rise1 = 45.0001f, squared1 = 1 + rise1 * rise1;
  const std::string to2 = show({0, 2, 2034, std::sqrt(2034.0), 45, true});
  EXPECT_EQ(suggest(records, {0}, {3, 2, 1}, kOut, 45), to2);  // at the limit; lower to
  EXPECT_EQ(suggest(records, {4, 0}, {3, 2}, kOut, 45), to2);  // lower from
  EXPECT_EQ(suggest(records, {0}, {3, 2, 1}, kIn, 0),  // going down is always walkable
            show({1, 0, squared1, std::sqrt(squared1), -rise1, true}));
  EXPECT_EQ(suggest(records, {0}, {1}, kOut, 45),  // none walkable: the nearest, marked
            show({0, 1, squared1, std::sqrt(squared1), rise1, false}));
}

// The walkable pair no longer than `maxLength` that is nearest, then from
// the lowest, then to the lowest, by trying every pair; from -1 when none.
SuggestedPath nearestWithinByTryingAllPairs(const std::vector<WaypointRecord>& records,
                                            const std::vector<int32_t>& island,
                                            const std::vector<int32_t>& main,
                                            BridgeDirection direction, double maxRise,
                                            double maxLength) {
  SuggestedPath best;
  for (int32_t q : island) {
    for (int32_t p : main) {
      const int32_t from = direction == kOut ? q : p;
      const int32_t to = direction == kOut ? p : q;
      const double squared = squaredDistance(records[size_t(from)], records[size_t(to)]);
      const double rise = riseOf(records[size_t(from)], records[size_t(to)]);
      if (rise > maxRise || std::sqrt(squared) > maxLength) continue;
      if (best.from >= 0 &&
          std::make_tuple(squared, from, to) >= std::make_tuple(best.squared, best.from, best.to)) {
        continue;
      }
      best = {from, to, squared, std::sqrt(squared), rise, true};
    }
  }
  return best;
}

// Point sets of 2 to maxSize waypoints split at random between the sides: on
// few grid points (many ties and zero distances), on a coarse grid, or
// anywhere in a large box; both directions, limits at and around 45.
// With `everyLength` false, the search cut at a length is tried at the
// limit 45 and three lengths only (trying every pair is what costs).
void compareWithAllPairs(uint64_t seeds, int32_t maxSize, bool everyLength) {
  for (uint64_t seed = 0; seed < seeds; ++seed) {
    MapRandom random(seed);
    const int32_t size = 2 + int32_t(seed * 7919 % uint64_t(maxSize - 1));
    const int spread = int(seed % 3);
    auto coordinate = [&](int axis) {
      const float grid[2][3] = {{1, 1, 45}, {8, 8, 22.5f}};
      if (spread == 2) return float(random.unit() * 4000 - 2000) / (axis == 2 ? 6 : 1);
      return float(random.below(spread == 0 ? 2 : 6)) * grid[spread][axis];
    };
    WaypointMap map;
    std::vector<int32_t> island, main;
    for (int32_t v = 0; v < size; ++v) {
      WaypointRecord& r = map.records.emplace_back();
      r.x = coordinate(0);
      r.y = coordinate(1);
      r.z = coordinate(2);
      (v == 0 || (v + 1 < size && random.below(3) == 0) ? island : main).push_back(v);
    }
    const MainNetworkTree tree(map.records, main.data(), main.size());
    for (BridgeDirection direction : {kIn, kOut}) {
      for (double limit : {0.0, 22.5, 44.999999, 45.0, 45.000001, 1e300}) {
        const SuggestedPath expected =
            testing::suggestByTryingAllPairs(map, island, main, direction, limit);
        ASSERT_EQ(suggest(map.records, island, main, direction, limit), show(expected))
            << "seed " << seed << ", limit " << limit << ", in " << (direction == kIn);
        // The same search cut at a length, among them lengths the grids
        // reach exactly.
        if (!everyLength && limit != 45.0) continue;
        for (double length : {0.0, 1.0, 8.0, std::sqrt(128.0), 45.0, 300.0, 1e300}) {
          if (!everyLength && length != 8.0 && length != 45.0 && length != 300.0) continue;
          const SuggestedPath within = tree.nearestWalkableWithin(
              island.data(), island.size(), direction, limit, length);
          ASSERT_EQ(show(within), show(nearestWithinByTryingAllPairs(map.records, island, main,
                                                                     direction, limit, length)))
              << "seed " << seed << ", limit " << limit << ", length " << length;
        }
      }
    }
  }
}

TEST(IslandBridge, MatchesTryingAllPairsOnSmallSets) { compareWithAllPairs(1500, 60, true); }

TEST(SlowIslandBridge, MatchesTryingAllPairsOnLargerSets) {
  compareWithAllPairs(300, 1500, false);
}

}  // namespace
}  // namespace tessivar
