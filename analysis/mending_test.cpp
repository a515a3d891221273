// Mending against the plain model that analyses the whole map every round
// (testing/mending_reference.h), on thousands of small tangled graphs and on
// generated maps of every island form; and the cases the rounds must get
// right on maps built here: a chain mended one waypoint a round, a detached
// island mended both ways or not at all, kinds that change between rounds,
// full path lists and maps with no paths.
#include "analysis/mending.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/island_reference.h"
#include "testing/mending_reference.h"
#include "tools/island_map_generator.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using testing::describe;
using testing::mendByWholeRounds;
using testing::waypointMapOf;
using testing::WholeAnalysis;

MendOptions kinds(bool trap, bool unreachable, bool detached) {
  MendOptions options;
  options.trapRegions = trap;
  options.unreachableRegions = unreachable;
  options.detached = detached;
  return options;
}

MendOptions allKinds() { return kinds(true, true, true); }

MendOptions withMaxLength(MendOptions options, double length) {
  options.hasMaxLength = true;
  options.maxLength = length;
  return options;
}

// Mends `layout`, checking that the rounds that cost what changed missed
// nothing the analysis of the whole mended map found.
MendResult mend(const MapSpec& layout, const MendOptions& options = MendOptions()) {
  MendResult result = mendMap(waypointMapOf(layout), options);
  EXPECT_EQ(result.roundsFoundByWholeAnalysis, 0) << layout.name;
  return result;
}

void expectMatchesWholeRounds(const MapSpec& layout, const MendOptions& options,
                              WholeAnalysis analysis) {
  const MendResult result = mend(layout, options);
  ASSERT_EQ(describe(result), describe(mendByWholeRounds(layout, options, analysis)))
      << layout.name << " of " << layout.positions.size() << " waypoints";
}

// The options of the k-th case: every set of kinds, rise limits at and
// beside the graphs' height steps (15), and maximum lengths from none given
// to beyond every distance, among them lengths the grid's distances reach
// exactly (10, sqrt(200)).
MendOptions optionsOfCase(uint64_t k) {
  MendOptions options = kinds(k & 1, k & 2, k & 4);
  const double rises[] = {45, 0, 15, 1e9};
  options.maxRise = rises[(k / 8) % 4];
  const double lengths[] = {-1, 0, 10, 14.142135623730951, 25, 1e9};
  const double length = lengths[(k / 32) % 6];
  if (length >= 0) options = withMaxLength(options, length);
  return options;
}

TEST(Mending, MatchesWholeRoundsOnThousandsOfSmallGraphs) {
  for (uint64_t seed = 0; seed < 2000; ++seed) {
    ASSERT_NO_FATAL_FAILURE(expectMatchesWholeRounds(
        testing::tangledGraph(seed, int32_t(seed % 41)), optionsOfCase(seed * 7),
        WholeAnalysis::kBySearch));
  }
}

// Orphans strung out on a line one length apart, beside a small main
// network at one end: each round joins the next; in between, waypoints
// too high to reach and pits too deep to leave.
MapSpec orphanLine(int32_t size, uint64_t seed) {
  MapSpec layout{"line", {{0, 0, 0}, {0, 10, 0}}, {{1}, {0}}};
  MapRandom random(seed);
  for (int32_t v = 2; v < size; ++v) {
    const float z = random.below(6) == 0 ? 100.0f : random.below(6) == 0 ? -100.0f : 0.0f;
    layout.positions.push_back({float(v - 1) * 10, float(random.below(3)), z});
    layout.paths.emplace_back();
    // Some lead on to the next one way, making trap and unreachable chains.
    if (v + 1 < size && random.below(3) == 0) layout.paths.back().push_back(int16_t(v + 1));
  }
  return layout;
}

TEST(Mending, MatchesWholeRoundsOnGeneratedMaps) {
  for (uint64_t seed = 1; seed <= 3; ++seed) {
    for (const MendOptions& options :
         {MendOptions(), allKinds(), withMaxLength(allKinds(), 400),
          withMaxLength(kinds(true, false, false), 150)}) {
      SCOPED_TRACE(seed);
      expectMatchesWholeRounds(generateIslandMap(seed, 300 + int32_t(seed) * 97), options,
                               WholeAnalysis::kFindIslands);
      expectMatchesWholeRounds(generateRealisticMap(seed, 250), options,
                               WholeAnalysis::kFindIslands);
      expectMatchesWholeRounds(generateWalkedMap(seed, 250), options,
                               WholeAnalysis::kFindIslands);
      expectMatchesWholeRounds(generateRandomMap(seed, 120, 1), options,
                               WholeAnalysis::kFindIslands);
      expectMatchesWholeRounds(orphanLine(60, seed), withMaxLength(options, 10.5),
                               WholeAnalysis::kBySearch);
    }
  }
}

// A one-way chain one unit apart: the longest path is 1, so each round
// joins the next waypoint only, through a path back to the one before.
TEST(Mending, ChainIsMendedOneWaypointARound) {
  MapSpec chain{"chain", {}, {}};
  for (int32_t v = 0; v < 30; ++v) {
    chain.positions.push_back({float(v), 0, 0});
    chain.paths.push_back(v + 1 < 30 ? std::vector<int16_t>{int16_t(v + 1)}
                                     : std::vector<int16_t>{});
  }
  const MendResult result = mend(chain);
  EXPECT_EQ(result.rounds, 29);
  ASSERT_EQ(result.added.size(), 29u);
  for (int32_t k = 1; k < 30; ++k) {
    const MendedPath& m = result.added[size_t(k - 1)];
    EXPECT_EQ(m.round, k);
    EXPECT_EQ(m.kind, IslandKind::kTrapRegion);
    EXPECT_EQ(m.island, std::vector<int32_t>{k});
    EXPECT_EQ(m.path.from, k);
    EXPECT_EQ(m.path.to, k - 1);
    EXPECT_EQ(m.path.length, 1.0);
  }
  EXPECT_EQ(result.before.networks, 30);
  EXPECT_EQ(result.before.trapRegions, 29);
  EXPECT_EQ(result.before.reachablePairs, 29 * 30 / 2);
  EXPECT_EQ(result.after.networks, 1);
  EXPECT_EQ(result.after.reachablePairs, 900);
  EXPECT_TRUE(result.left.empty());
  // Running the other way the islands are unreachable regions, mended
  // only when asked.
  for (auto& list : chain.paths) list.clear();
  for (int32_t v = 1; v < 30; ++v) chain.paths[size_t(v)] = {int16_t(v - 1)};
  EXPECT_EQ(mend(chain).rounds, 0);
  EXPECT_EQ(mend(chain, allKinds()).rounds, 29);
}

// Main network 0 <-> 1 on the floor. Island 2 <-> 3 on a ledge 100 up:
// the way out drops, the way in would climb. Island 4 <-> 5 on the floor.
TEST(Mending, DetachedIslandIsMendedBothWaysOrNotAtAll) {
  const MapSpec layout{"ledge",
                       {{0, 0, 0}, {20, 0, 0}, {0, 30, 100}, {10, 30, 100}, {40, 0, 0},
                        {50, 0, 0}},
                       {{1}, {0}, {3}, {2}, {5}, {4}}};
  const MendResult result = mend(layout, withMaxLength(MendOptions(), 200));
  EXPECT_EQ(result.rounds, 1);
  ASSERT_EQ(result.added.size(), 2u);
  EXPECT_EQ(result.added[0].path.from, 1);  // in first
  EXPECT_EQ(result.added[0].path.to, 4);
  EXPECT_EQ(result.added[1].path.from, 4);
  EXPECT_EQ(result.added[1].path.to, 1);
  ASSERT_EQ(result.left.size(), 1u);
  EXPECT_EQ(result.left[0].island, (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(result.left[0].reason, MendReason::kNotWalkable);
  ASSERT_EQ(result.left[0].suggested.size(), 2u);
  EXPECT_FALSE(result.left[0].suggested[0].walkable);
  EXPECT_TRUE(result.left[0].suggested[1].walkable);
}

// Main network 0 <-> 1. Spawn room 2 (unreachable: it leads to 0) leads
// on to 3 on a ledge, detached at first: the way in to 3 climbs 100. Once
// 2 is mended, the main network reaches 3 through it: a trap region,
// whose way out drops.
TEST(Mending, DetachedIslandBecomesATrapRegionAndIsMendedNextRound) {
  const MapSpec layout{"spawn",
                       {{0, 0, 0}, {10, 0, 0}, {0, 20, 0}, {0, 40, 100}},
                       {{1}, {0}, {0, 3}, {}}};
  const MendResult result = mend(layout, withMaxLength(allKinds(), 200));
  EXPECT_EQ(result.rounds, 2);
  ASSERT_EQ(result.added.size(), 2u);
  EXPECT_EQ(result.added[0].round, 1);
  EXPECT_EQ(result.added[0].kind, IslandKind::kUnreachableRegion);
  EXPECT_EQ(result.added[1].round, 2);
  EXPECT_EQ(result.added[1].kind, IslandKind::kTrapRegion);
  EXPECT_EQ(result.added[1].island, std::vector<int32_t>{3});
  EXPECT_EQ(result.before.detached, 1);
  EXPECT_TRUE(result.left.empty());
}

// Main network 0 <-> 1. Pit 2 is entered from 1 (trap region); 3, on a
// ledge, drops into the pit (detached: it reaches no waypoint of the main
// network, which does not reach it). Mending the pit joins it to the main
// network, so 3 now reaches it: an unreachable region, not mended by
// default.
TEST(Mending, DetachedIslandBecomesAnUnreachableRegion) {
  const MapSpec layout{"pit",
                       {{0, 0, 0}, {10, 0, 0}, {10, 10, -20}, {10, 30, 100}},
                       {{1}, {0, 2}, {}, {2}}};
  const MendResult result = mend(layout, withMaxLength(MendOptions(), 200));
  EXPECT_EQ(result.rounds, 1);
  ASSERT_EQ(result.added.size(), 1u);
  EXPECT_EQ(result.added[0].island, std::vector<int32_t>{2});
  EXPECT_EQ(result.before.detached, 1);
  ASSERT_EQ(result.left.size(), 1u);
  EXPECT_EQ(result.left[0].kind, IslandKind::kUnreachableRegion);
  EXPECT_EQ(result.left[0].reason, MendReason::kKindNotChosen);
  EXPECT_EQ(result.after.unreachableRegions, 1);
  EXPECT_EQ(result.after.detached, 0);
}

// Waypoint 0 has room for one more target; orphans 2 and 3 both want their
// way in from it. The first takes the room; the second, still closer to 0
// than to anything else, is left.
TEST(Mending, FullPathListLeavesTheIsland) {
  MapSpec layout{"full",
                 {{0, 0, 0}, {-50, 0, 0}, {10, 0, 0}, {-10, 0, 0}},
                 {std::vector<int16_t>(32766, 1), {0}, {}, {}}};
  MendResult result = mend(layout);
  EXPECT_EQ(result.maxLength, 50);
  ASSERT_EQ(result.added.size(), 2u);
  EXPECT_EQ(result.added[0].island, std::vector<int32_t>{2});
  ASSERT_EQ(result.left.size(), 1u);
  EXPECT_EQ(result.left[0].island, std::vector<int32_t>{3});
  EXPECT_EQ(result.left[0].reason, MendReason::kPathListFull);
  layout.paths[0].push_back(1);  // full from the start
  result = mend(layout);
  EXPECT_EQ(result.rounds, 0);
  ASSERT_EQ(result.left.size(), 2u);
  EXPECT_EQ(result.left[0].reason, MendReason::kPathListFull);
}

TEST(Mending, MapWithoutPathsGetsNothingUnlessAMaximumIsGiven) {
  const MapSpec layout{"orphans", {{0, 0, 0}, {5, 0, 0}, {5, 5, 0}}, {{}, {}, {}}};
  MendResult result = mend(layout);
  EXPECT_FALSE(result.hasMaxLength);
  EXPECT_EQ(result.rounds, 0);
  ASSERT_EQ(result.left.size(), 2u);
  EXPECT_EQ(result.left[0].reason, MendReason::kNoMaximumLength);
  result = mend(layout, withMaxLength(MendOptions(), 5));
  EXPECT_EQ(result.rounds, 2);  // 2 is 5 from 1 only once 1 has joined
  EXPECT_EQ(result.added.size(), 4u);
  EXPECT_EQ(result.after.reachablePairs, 9);
  // No waypoints at all.
  result = mend(MapSpec{"none", {}, {}});
  EXPECT_EQ(result.rounds, 0);
  EXPECT_EQ(result.before.networks, 0);
  EXPECT_TRUE(result.left.empty());
}

TEST(Mending, LongestPathIsMeasuredAsSuggestionsAre) {
  double length = -1;
  EXPECT_FALSE(longestPathLength(waypointMapOf({"none", {{0, 0, 0}}, {{}}}), &length));
  EXPECT_TRUE(
      longestPathLength(waypointMapOf({"self", {{0, 0, 0}, {3, 4, 0}}, {{0}, {}}}), &length));
  EXPECT_EQ(length, 0);
  EXPECT_TRUE(longestPathLength(
      waypointMapOf({"two", {{0, 0, 0}, {3, 4, 0}, {0.1f, 0, 0}}, {{1, 2}, {}, {}}}), &length));
  EXPECT_EQ(length, 5);
}

TEST(Mending, MemoryNeedGrowsAndSaturates) {
  EXPECT_LT(mendingMemoryNeed(1000, 0), mendingMemoryNeed(1000, 5000));
  EXPECT_LT(mendingMemoryNeed(1000, 0), mendingMemoryNeed(2000, 0));
  EXPECT_LT(mendingMemoryNeed(32767, 130000), uint64_t(200) << 20);
  EXPECT_EQ(mendingMemoryNeed(INT64_MAX, INT64_MAX), UINT64_MAX);
}

}  // namespace
}  // namespace tessivar
