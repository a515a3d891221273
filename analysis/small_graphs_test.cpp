// The reachability and pathing phases on small graphs whose every pass can
// be worked out by hand: what each pass told and the matrices left behind.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/pathing.h"
#include "analysis/reachability.h"
#include "testing/test_support.h"

namespace tessivar {
namespace {

struct Phases {
  WaypointGraph graph;
  ReachabilityResult reach;
  PathingResult path;
  // The reachable count after each pass that set cells.
  std::vector<int64_t> reachSteps;
  // Pathing passes run, the stable one included.
  int pathPassesRun = 0;

  float length(int a, int b) const { return path.pathing[cellIndex(a, b, graph.n)]; }
  int32_t via(int a, int b) const { return path.shortestPath[cellIndex(a, b, graph.n)]; }
  bool reachable(int a, int b) const { return reach.matrix[cellIndex(a, b, graph.n)] != 0; }
};

Phases runPhases(const MapSpec& map) {
  Phases phases;
  EXPECT_EQ(testing::parse(encodeWaypointFile(map), phases.graph).status,
            LoadStatus::kLoaded);
  phases.reach = buildReachabilityMatrix(
      phases.graph, [&phases](int32_t, int64_t count) { phases.reachSteps.push_back(count); });
  phases.path = buildPathingBlock(phases.graph, phases.reach.matrix,
                                  [&phases](bool) { ++phases.pathPassesRun; });
  return phases;
}

// Waypoints on the x axis at the given positions, with the given paths.
MapSpec lineMap(std::vector<float> xs, std::vector<std::vector<int16_t>> paths) {
  MapSpec map;
  map.name = "line";
  for (float x : xs) map.positions.push_back({x, 0, 0});
  paths.resize(xs.size());
  map.paths = paths;
  return map;
}

// The reachability passes: the count after each pass that set cells, and
// the final count.
void expectReach(const Phases& p, const std::vector<int64_t>& steps, int64_t count) {
  EXPECT_EQ(p.reachSteps, steps);
  EXPECT_EQ(p.reach.passes, int32_t(steps.size()));
  EXPECT_EQ(p.reach.reachableCount, count);
}

// The pathing passes: how many ran (the stable one included) and how many
// rewrote cells.
void expectPath(const Phases& p, int run, int passes) {
  EXPECT_EQ(p.pathPassesRun, run);
  EXPECT_EQ(p.path.passes, passes);
}

TEST(SmallGraphs, NoWaypoints) {
  const Phases p = runPhases(lineMap({}, {}));
  expectReach(p, {}, 0);
  expectPath(p, 0, 0);
}

TEST(SmallGraphs, NoPaths) {
  const Phases p = runPhases(lineMap({0, 1, 2}, {}));
  expectReach(p, {}, 0);
  expectPath(p, 1, 0);
  for (int a = 0; a < 3; ++a) {
    for (int b = 0; b < 3; ++b) {
      EXPECT_EQ(p.length(a, b), kNoPathDistance);
      EXPECT_EQ(p.via(a, b), kNoIntermediate);
    }
  }
}

TEST(SmallGraphs, ChainOfThree) {
  const Phases p = runPhases(lineMap({0, 2, 5}, {{1}, {2}}));
  expectReach(p, {3}, 3);
  expectPath(p, 2, 1);
  EXPECT_EQ(p.length(0, 2), 5.0f);
  EXPECT_EQ(p.via(0, 2), 1);
  EXPECT_FALSE(p.reachable(2, 0));
  EXPECT_EQ(p.length(2, 0), kNoPathDistance);
  EXPECT_EQ(p.via(2, 0), kNoIntermediate);
}

TEST(SmallGraphs, ChainOfFourUsesCellsSetEarlierInThePass) {
  const Phases p = runPhases(lineMap({0, 1, 2, 3}, {{1}, {2}, {3}}));
  expectReach(p, {6}, 6);
  EXPECT_TRUE(p.reachable(0, 3));
  EXPECT_TRUE(p.reachable(1, 3));
  EXPECT_EQ(p.length(0, 3), 3.0f);
}

TEST(SmallGraphs, TwoWaypointCycleFillsTheDiagonal) {
  const Phases p = runPhases(lineMap({0, 4}, {{1}, {0}}));
  expectReach(p, {4}, 4);
  expectPath(p, 2, 1);
  EXPECT_EQ(p.length(0, 0), 8.0f);
  EXPECT_EQ(p.via(0, 0), 1);
  EXPECT_EQ(p.length(1, 1), 8.0f);
  EXPECT_EQ(p.via(1, 1), 0);
}

TEST(SmallGraphs, DuplicatedPathDoesNotInflateTheReachableCount) {
  // 0->1 listed twice: three entries, two distinct pairs.
  const Phases p = runPhases(lineMap({0, 1, 2}, {{1, 1}, {2}}));
  EXPECT_EQ(p.graph.pathEntryTotal, 3);
  expectReach(p, {3}, 3);
  EXPECT_EQ(p.reach.reachableCount, 3);
}

TEST(SmallGraphs, DirectPathIsNeverRelaxed) {
  // 0->2 directly and through 1 on a straight line: equal lengths, and the
  // direct cell keeps its length and no intermediate.
  const Phases p = runPhases(lineMap({0, 1, 2}, {{1, 2}, {2}}));
  EXPECT_EQ(p.length(0, 2), 2.0f);
  EXPECT_EQ(p.via(0, 2), kNoIntermediate);
  expectPath(p, 1, 0);
}

TEST(SmallGraphs, EqualRoutesTakeTheLowestIntermediate) {
  // A unit square 0 (0,0), 1 (1,0), 2 (0,1), 3 (1,1): 0->3 through 1 or 2.
  MapSpec map;
  map.name = "square";
  map.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  map.paths = {{2, 1}, {3}, {3}, {}};
  const Phases p = runPhases(map);
  EXPECT_EQ(p.length(0, 3), 2.0f);
  EXPECT_EQ(p.via(0, 3), 1);
}

TEST(SmallGraphs, SixWaypointExampleRewritesShorterRoutes) {
  const Phases p = runPhases(sixWaypointExample());
  expectReach(p, {13}, 13);
  expectPath(p, 3, 2);
  // Pass 1 gives 0->1 26 through 4 and 0->5 31 through 1; pass 2 finds
  // 0->1 10 through 2 and rewrites 0->5 to 15 although its intermediate
  // stays 1.
  EXPECT_EQ(p.length(0, 1), 10.0f);
  EXPECT_EQ(p.via(0, 1), 2);
  EXPECT_EQ(p.length(0, 5), 15.0f);
  EXPECT_EQ(p.via(0, 5), 1);
  EXPECT_EQ(p.length(2, 1), 7.0f);
  EXPECT_EQ(p.via(2, 1), 3);
  EXPECT_EQ(p.length(0, 3), 6.0f);
  EXPECT_EQ(p.via(0, 3), 2);
  EXPECT_EQ(p.length(4, 5), 18.0f);
  EXPECT_EQ(p.length(0, 4), 13.0f);
  EXPECT_EQ(p.via(0, 4), kNoIntermediate);
  EXPECT_EQ(p.length(5, 0), kNoPathDistance);
}

// The passes go on for as long as any value falls, however little. Around
// this one-way ring, numbered against the sweep order, the lengths are
// square roots rounded to floats, so sums of the same route taken in a
// different order differ in their last bits: after the routes are all found
// (two passes, as with exact lengths), the lowest roundings spread one hop
// further each pass, to N - 1 passes in all. That is the most any map of up
// to eight waypoints needed in a search of millions of them, so the N-pass
// limit of the phases is a guard that no known map reaches (reachability
// sets every cell within log2(N) passes, rounded up: each pass at least
// doubles the length of the routes it knows).
TEST(SmallGraphs, PassesGoOnWhileRoundingLowersAValue) {
  MapSpec ring;
  ring.name = "ring";
  ring.positions = {{5, 1, 0}, {1, 4, 0}, {2, 1, 0}, {4, 0, 0}, {2, 4, 0}, {6, 3, 0}};
  ring.paths = {{5}, {2}, {3}, {4}, {0}, {1}};
  const Phases p = runPhases(ring);
  EXPECT_EQ(p.reach.passes, 2);
  EXPECT_EQ(p.reach.reachableCount, 36);
  EXPECT_EQ(p.path.passes, 5);
  expectPath(p, 6, 5);
  // The same ring with lengths that add up exactly: every route's first
  // sum is its last.
  MapSpec exact = ring;
  exact.positions = {{0, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}, {1, 0, 0}};
  const Phases q = runPhases(exact);
  EXPECT_EQ(q.path.passes, 2);
  EXPECT_EQ(q.length(0, 0), 10.0f);
  // Each waypoint's way round the ring is the ring's length, to rounding.
  double perimeter = 0;
  for (int a = 0; a < 6; ++a) {
    const auto& from = ring.positions[size_t(a)];
    const auto& to = ring.positions[size_t(ring.paths[size_t(a)][0])];
    perimeter += std::hypot(double(from[0]) - to[0], double(from[1]) - to[1]);
  }
  for (int a = 0; a < 6; ++a) EXPECT_NEAR(p.length(a, a), perimeter, 1e-5) << a;
}

}  // namespace
}  // namespace tessivar
