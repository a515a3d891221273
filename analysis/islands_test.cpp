// The islands report against searches and brute force on generated maps,
// and each rule on a map built for it: the kinds, the main network's ties,
// paths in and out, the box, the order of the suggestions, the 32767 chain.
#include "analysis/islands.h"

#include <gtest/gtest.h>

#include <vector>

#include "testing/island_reference.h"
#include "tools/island_map_generator.h"

namespace tessivar {
namespace {

using testing::describeDifferences;
using testing::islandsBySearch;
using testing::tangledGraph;
using testing::waypointMapOf;

MapSpec mapWith(std::vector<std::array<float, 3>> positions,
                std::vector<std::vector<int16_t>> paths) {
  MapSpec spec;
  spec.name = "made";
  spec.positions = std::move(positions);
  spec.paths = std::move(paths);
  spec.paths.resize(spec.positions.size());
  return spec;
}

TEST(Islands, NoWaypointsNoMainNetwork) {
  const IslandReport report = findIslands(WaypointMap());
  EXPECT_FALSE(report.hasMain);
  EXPECT_EQ(report.networks, 0);
  EXPECT_TRUE(report.islands.empty());
}

TEST(Islands, OneNetworkHasNoIslands) {
  const IslandReport report = findIslands(waypointMapOf(
      mapWith({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}, {{1}, {2}, {0}})));
  EXPECT_TRUE(report.hasMain);
  EXPECT_EQ(report.mainSize, 3);
  EXPECT_EQ(report.mainLowest, 0);
  EXPECT_TRUE(report.islands.empty());
}

// Main network {0, 1, 2}; 3 <-> 4 entered from 2 (trap region); 5 leads
// into 0 (unreachable region); 6 alone (orphan); 7 <-> 8 (detached room);
// 9 entered from the trap region (a trap region too, reached through it).
MapSpec everyKind() {
  return mapWith({{0, 0, 0},
                  {10, 0, 0},
                  {20, 0, 0},
                  {30, 0, -100},
                  {40, 0, -100},
                  {0, 20, 50},
                  {100, 100, 0},
                  {-50, 0, 10},
                  {-60, 0, 10},
                  {50, 0, -100}},
                 {{1}, {2}, {0, 3, 3}, {4}, {3, 9}, {0}, {}, {8}, {7}, {}});
}

TEST(Islands, EveryKindJudgedAgainstTheMainNetwork) {
  const IslandReport report = findIslands(waypointMapOf(everyKind()));
  EXPECT_EQ(report.waypoints, 10);
  EXPECT_EQ(report.networks, 6);
  EXPECT_EQ(report.mainSize, 3);
  EXPECT_EQ(report.mainLowest, 0);
  ASSERT_EQ(report.islands.size(), 5u);
  const Island& pit = report.islands[0];
  EXPECT_EQ(pit.kind, IslandKind::kTrapRegion);
  EXPECT_EQ(pit.waypoints, (std::vector<int32_t>{3, 4}));
  EXPECT_EQ(pit.pathsIn, (std::vector<PathPair>{{2, 3}}));  // listed twice
  EXPECT_EQ(pit.pathsOut, (std::vector<PathPair>{{4, 9}}));
  EXPECT_EQ(pit.box.low[0], 30);
  EXPECT_EQ(pit.box.high[0], 40);
  EXPECT_EQ(pit.box.low[2], -100);
  ASSERT_EQ(pit.suggested.size(), 1u);  // the way out
  EXPECT_EQ(pit.suggested[0].from, 3);
  EXPECT_EQ(pit.suggested[0].to, 2);
  EXPECT_FALSE(pit.suggested[0].walkable);  // 100 up
  EXPECT_EQ(pit.suggested[0].rise, 100);

  const Island& spawn = report.islands[1];
  EXPECT_EQ(spawn.kind, IslandKind::kUnreachableRegion);
  EXPECT_EQ(spawn.waypoints, (std::vector<int32_t>{5}));
  EXPECT_TRUE(spawn.pathsIn.empty());
  EXPECT_EQ(spawn.pathsOut, (std::vector<PathPair>{{5, 0}}));
  ASSERT_EQ(spawn.suggested.size(), 1u);  // the way in
  EXPECT_EQ(spawn.suggested[0].from, 0);
  EXPECT_EQ(spawn.suggested[0].to, 5);
  EXPECT_FALSE(spawn.suggested[0].walkable);  // 50 up

  const Island& orphan = report.islands[2];
  EXPECT_EQ(orphan.kind, IslandKind::kDetached);
  EXPECT_EQ(orphan.waypoints, (std::vector<int32_t>{6}));
  ASSERT_EQ(orphan.suggested.size(), 2u);  // in, then out
  EXPECT_EQ(orphan.suggested[0].to, 6);
  EXPECT_EQ(orphan.suggested[1].from, 6);
  EXPECT_EQ(orphan.suggested[0].from, 2);
  EXPECT_EQ(orphan.suggested[1].to, 2);

  EXPECT_EQ(report.islands[3].kind, IslandKind::kDetached);
  EXPECT_EQ(report.islands[3].waypoints, (std::vector<int32_t>{7, 8}));
  EXPECT_EQ(report.islands[3].suggested[0].from, 0);
  EXPECT_EQ(report.islands[3].suggested[0].to, 7);
  EXPECT_EQ(report.islands[4].kind, IslandKind::kTrapRegion);
  EXPECT_EQ(report.islands[4].pathsIn, (std::vector<PathPair>{{4, 9}}));
  EXPECT_EQ(report.countOf(IslandKind::kTrapRegion), 2);
  EXPECT_EQ(report.countOf(IslandKind::kUnreachableRegion), 1);
  EXPECT_EQ(report.countOf(IslandKind::kDetached), 2);
  EXPECT_EQ(report.orphanCount(), 1);
  EXPECT_EQ(describeDifferences(islandsBySearch(waypointMapOf(everyKind()), 45),
                                report),
            "");
}

TEST(Islands, TheRiseLimitDecidesWhatIsWalkable) {
  const WaypointMap map = waypointMapOf(everyKind());
  EXPECT_FALSE(findIslands(map, 99.99).islands[0].suggested[0].walkable);
  EXPECT_TRUE(findIslands(map, 100).islands[0].suggested[0].walkable);
  // With no rise allowed, the way out of the pit is still the nearest of
  // all, marked not walkable.
  const IslandReport flat = findIslands(map, 0);
  EXPECT_EQ(flat.maxRise, 0);
  EXPECT_EQ(flat.islands[0].suggested[0].to, 2);
  EXPECT_FALSE(flat.islands[0].suggested[0].walkable);
}

TEST(Islands, EqualNetworksGoToTheOneWithTheLowestWaypoint) {
  // {1, 3} and {0, 2} of two each, 4 alone: the main one holds 0.
  IslandReport report = findIslands(waypointMapOf(mapWith(
      {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}},
      {{2}, {3}, {0}, {1}, {}})));
  EXPECT_EQ(report.mainLowest, 0);
  EXPECT_EQ(report.mainSize, 2);
  ASSERT_EQ(report.islands.size(), 2u);
  EXPECT_EQ(report.islands[0].waypoints, (std::vector<int32_t>{1, 3}));
  // A larger network wins over a lower number.
  report = findIslands(waypointMapOf(mapWith(
      {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}},
      {{}, {3}, {4}, {2}, {1}})));
  EXPECT_EQ(report.mainLowest, 1);
  EXPECT_EQ(report.mainSize, 4);
  ASSERT_EQ(report.islands.size(), 1u);
  EXPECT_EQ(report.islands[0].waypoints, (std::vector<int32_t>{0}));
  // No paths at all: every waypoint is a network; the main one is 0.
  report = findIslands(waypointMapOf(mapWith(
      {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {})));
  EXPECT_EQ(report.mainLowest, 0);
  EXPECT_EQ(report.orphanCount(), 2);
}

MapSpec chain(int32_t size, bool upwards) {
  MapSpec spec;
  spec.name = "chain";
  spec.positions.resize(size_t(size));
  spec.paths.resize(size_t(size));
  for (int32_t v = 0; v < size; ++v) {
    spec.positions[size_t(v)] = {float(v % 100) * 10, float(v / 100) * 10,
                                 float(v % 7) * 10};
    const int32_t next = upwards ? v + 1 : v - 1;
    if (next >= 0 && next < size) spec.paths[size_t(v)].push_back(int16_t(next));
  }
  return spec;
}

// The longest one-way chain: 32767 networks of one, the main one waypoint 0
// (the lowest of equals), 32766 islands, all of one kind.
TEST(Islands, LongestChainBothWays) {
  for (bool upwards : {true, false}) {
    const IslandReport report = findIslands(waypointMapOf(chain(32767, upwards)));
    EXPECT_EQ(report.networks, 32767);
    EXPECT_EQ(report.mainLowest, 0);
    EXPECT_EQ(report.mainSize, 1);
    ASSERT_EQ(report.islands.size(), 32766u);
    const IslandKind kind = upwards ? IslandKind::kTrapRegion
                                    : IslandKind::kUnreachableRegion;
    EXPECT_EQ(report.countOf(kind), 32766);
    const Island& last = report.islands.back();
    EXPECT_EQ(last.waypoints, (std::vector<int32_t>{32766}));
    ASSERT_EQ(last.suggested.size(), 1u);
    EXPECT_EQ(upwards ? last.suggested[0].to : last.suggested[0].from, 0);
    EXPECT_EQ((upwards ? last.pathsIn : last.pathsOut),
              (std::vector<PathPair>{upwards ? PathPair{32765, 32766}
                                             : PathPair{32766, 32765}}));
  }
}

// Every field against the searches and brute force, on thousands of small
// graphs with several rise limits.
TEST(Islands, MatchSearchesOnThousandsOfSmallGraphs) {
  const double limits[] = {45, 0, 15, 1e9};
  for (uint64_t seed = 0; seed < 2000; ++seed) {
    const WaypointMap map = waypointMapOf(tangledGraph(seed, int32_t(seed % 36)));
    const double limit = limits[seed % 4];
    const std::string differences =
        describeDifferences(islandsBySearch(map, limit), findIslands(map, limit));
    ASSERT_EQ(differences, "") << "seed " << seed;
  }
}

TEST(Islands, GeneratedMapHasEveryKind) {
  const WaypointMap map = waypointMapOf(generateIslandMap(1, 400));
  const IslandReport report = findIslands(map);
  EXPECT_GT(report.countOf(IslandKind::kTrapRegion), 1);
  EXPECT_GT(report.countOf(IslandKind::kUnreachableRegion), 1);
  EXPECT_GT(report.countOf(IslandKind::kDetached), report.orphanCount());
  EXPECT_GT(report.orphanCount(), 1);
  EXPECT_EQ(report.mainLowest, 0);
  bool walkable = false, notWalkable = false;
  for (const Island& island : report.islands) {
    for (const SuggestedPath& s : island.suggested) {
      (s.walkable ? walkable : notWalkable) = true;
    }
  }
  EXPECT_TRUE(walkable && notWalkable);
  EXPECT_EQ(describeDifferences(islandsBySearch(map, 45), report), "");
}

TEST(SlowIslands, MatchSearchesOnGeneratedMaps) {
  for (uint64_t seed = 0; seed < 12; ++seed) {
    for (const MapSpec& spec :
         {generateIslandMap(seed, 300 + int32_t(seed) * 150),
          generateRealisticMap(seed, 600), generateRandomMap(seed, 400, 1),
          tangledGraph(seed, 500)}) {
      const WaypointMap map = waypointMapOf(spec);
      for (double limit : {45.0, 10.0}) {
        ASSERT_EQ(describeDifferences(islandsBySearch(map, limit),
                                      findIslands(map, limit)),
                  "")
            << spec.name << ", limit " << limit;
      }
    }
  }
}

TEST(Islands, MemoryNeedGrowsWithWaypointsAndPaths) {
  EXPECT_LT(islandsMemoryNeed(0, 0), islandsMemoryNeed(1000, 0));
  EXPECT_LT(islandsMemoryNeed(1000, 0), islandsMemoryNeed(1000, 5000));
  // The 32767-waypoint map of 130000 paths fits in well under 100 MiB.
  EXPECT_LT(islandsMemoryNeed(32767, 130000), uint64_t(100) << 20);
  EXPECT_EQ(islandsMemoryNeed(INT64_MAX, INT64_MAX), UINT64_MAX);
}

}  // namespace
}  // namespace tessivar
