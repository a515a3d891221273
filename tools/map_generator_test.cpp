// The walked map form: deterministic, numbered along walks, with one-way
// drops, and with the shape the tests and benchmarks rely on.
#include "tools/map_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace tessivar {
namespace {

float distanceOf(const std::array<float, 3>& p, const std::array<float, 3>& q) {
  return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                   (p[2] - q[2]) * (p[2] - q[2]));
}

TEST(WalkedMap, SameSeedAndSizeGiveTheSameBytes) {
  EXPECT_EQ(encodeWaypointFile(generateWalkedMap(4, 300)),
            encodeWaypointFile(generateWalkedMap(4, 300)));
  EXPECT_NE(encodeWaypointFile(generateWalkedMap(4, 300)),
            encodeWaypointFile(generateWalkedMap(5, 300)));
  EXPECT_TRUE(generateWalkedMap(1, 0).positions.empty());
  EXPECT_EQ(generateWalkedMap(1, 1).positions.size(), 1u);
}

TEST(WalkedMap, ConsecutiveNumbersStandCloseTogether) {
  for (int32_t size : {200, 1024}) {
    const MapSpec walked = generateWalkedMap(1, size);
    const MapSpec rooms = generateRealisticMap(1, size);
    auto medianStep = [](const MapSpec& map) {
      std::vector<float> steps;
      for (size_t i = 1; i < map.positions.size(); ++i) {
        steps.push_back(distanceOf(map.positions[i - 1], map.positions[i]));
      }
      std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
      return steps[steps.size() / 2];
    };
    // A step of the walk is under 100 units; the round-robin numbering of
    // the realistic maps jumps between rooms hundreds of units apart.
    EXPECT_LT(medianStep(walked), 100.0f) << size;
    EXPECT_GT(medianStep(rooms), 300.0f) << size;
  }
}

TEST(WalkedMap, HasOneWayDropsTrapsAndOrphansButNotAtZeroAndFive) {
  const MapSpec map = generateWalkedMap(2, 1000);
  int oneWayDown = 0, traps = 0, orphans = 0;
  std::vector<int> in(map.positions.size(), 0);
  for (size_t i = 0; i < map.paths.size(); ++i) {
    for (int16_t j : map.paths[i]) {
      ++in[j];
      const auto& list = map.paths[j];
      const bool back = std::find(list.begin(), list.end(), int16_t(i)) != list.end();
      if (!back && map.positions[i][2] > map.positions[j][2] + 100) ++oneWayDown;
    }
  }
  for (size_t v = 0; v < map.paths.size(); ++v) {
    if (!map.paths[v].empty()) continue;
    (in[v] ? traps : orphans) += 1;
    EXPECT_NE(v, 0u);
    EXPECT_NE(v, 5u);
  }
  EXPECT_GT(oneWayDown, 0);
  EXPECT_GT(traps, 0);
  EXPECT_GT(orphans, 0);
}

// The depth-first form: the realistic map under new numbers, which follow
// a walk along its paths from a start that depends on the seed.
TEST(DepthFirstMap, IsTheRealisticMapRenumbered) {
  const MapSpec rooms = generateRealisticMap(3, 500);
  const MapSpec walked = generateDepthFirstMap(3, 500);
  ASSERT_EQ(walked.positions.size(), rooms.positions.size());
  // Each waypoint as its position and the positions its paths lead to, in
  // list order: the same collection under any numbering.
  using Waypoint = std::vector<std::array<float, 3>>;
  auto described = [](const MapSpec& map) {
    std::vector<Waypoint> all;
    for (size_t i = 0; i < map.positions.size(); ++i) {
      Waypoint w = {map.positions[i]};
      for (int16_t j : map.paths[i]) w.push_back(map.positions[j]);
      all.push_back(w);
    }
    std::sort(all.begin(), all.end());
    return all;
  };
  EXPECT_EQ(described(walked), described(rooms));
  size_t paths = 0;
  for (const auto& list : walked.paths) paths += list.size();
  EXPECT_GT(paths, 1000u);
  EXPECT_EQ(encodeWaypointFile(generateDepthFirstMap(3, 500)), encodeWaypointFile(walked));
  EXPECT_NE(walked.positions, rooms.positions);
}

TEST(DepthFirstMap, NumbersFollowAWalkFromASeededStart) {
  for (int32_t size : {200, 1024}) {
    const MapSpec map = generateDepthFirstMap(1, size);
    std::vector<std::vector<int32_t>> around(map.paths.size());
    for (size_t i = 0; i < map.paths.size(); ++i) {
      for (int16_t j : map.paths[i]) around[i].push_back(j), around[j].push_back(int32_t(i));
    }
    // Every waypoint but the start of a walk is joined to one numbered
    // before it; walks start only where no waypoint met so far leads on
    // (the orphans, and parts the paths do not join).
    int32_t starts = 0;
    for (int32_t k = 0; k < size; ++k) {
      bool joined = false;
      for (int32_t j : around[k]) joined = joined || j < k;
      starts += !joined;
    }
    EXPECT_LT(starts, size / 40) << size;
    // Most steps go to a neighbour: the walk turns back only at dead ends.
    int32_t steps = 0;
    for (int32_t k = 1; k < size; ++k) {
      steps += std::find(around[k].begin(), around[k].end(), k - 1) != around[k].end();
    }
    EXPECT_GT(steps, size * 6 / 10) << size;
  }
  // The start depends on the seed, so waypoint 0 is not always the same
  // place of the level.
  const MapSpec rooms = generateRealisticMap(1, 300);
  EXPECT_NE(renumberDepthFirst(rooms, 1).positions[0], renumberDepthFirst(rooms, 2).positions[0]);
}

}  // namespace
}  // namespace tessivar
