#include "analysis/storeys.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "testing/test_support.h"
#include "tools/island_map_generator.h"

namespace tessivar {
namespace {

WaypointMap mapAtHeights(const std::vector<float>& heights) {
  MapSpec made;
  made.name = "storeys";
  for (size_t i = 0; i < heights.size(); ++i) {
    made.positions.push_back({float(i), 0, heights[i]});
  }
  made.paths.resize(heights.size());
  WaypointGraph graph;
  EXPECT_TRUE(testing::parse(encodeWaypointFile(made), graph).ok());
  return graph;
}

TEST(Storeys, NoWaypointsNoStoreys) {
  EXPECT_TRUE(findStoreys(mapAtHeights({})).empty());
}

TEST(Storeys, SplitsAtGapsOfTheStoreyGapOrMore) {
  // 63.5 stays inside a storey, 64 splits; the order of the waypoints does
  // not matter.
  const auto storeys =
      findStoreys(mapAtHeights({200, 0, 10, 73.5f, 137.5f, 210, 8}));
  ASSERT_EQ(storeys.size(), 2u);
  EXPECT_EQ(storeys[0].low, 0);
  EXPECT_EQ(storeys[0].high, 73.5f);
  EXPECT_EQ(storeys[0].waypoints, 4);
  EXPECT_EQ(storeys[1].low, 137.5f);
  EXPECT_EQ(storeys[1].high, 210);
  EXPECT_EQ(storeys[1].waypoints, 3);
}

TEST(Storeys, RepeatedHeightsCountEveryWaypoint) {
  const auto storeys = findStoreys(mapAtHeights({5, 5, 5, -300, -300}));
  ASSERT_EQ(storeys.size(), 2u);
  EXPECT_EQ(storeys[0].low, -300);
  EXPECT_EQ(storeys[0].waypoints, 2);
  EXPECT_EQ(storeys[1].low, 5);
  EXPECT_EQ(storeys[1].high, 5);
  EXPECT_EQ(storeys[1].waypoints, 3);
}

TEST(Storeys, ScatteredHeightsSplitAtTheWidestGapsOnly) {
  // Heights 0, 100, 200, ... with one gap of 150 in the middle: more gaps
  // than storeys allowed, so the widest (150) and then the lowest of the
  // equal ones are kept.
  std::vector<float> heights;
  for (int i = 0; i < 20; ++i) heights.push_back(float(i * 100 + (i >= 10 ? 50 : 0)));
  const auto storeys = findStoreys(mapAtHeights(heights));
  ASSERT_EQ(storeys.size(), size_t(kMaxStoreys));
  int32_t total = 0;
  for (const Storey& s : storeys) total += s.waypoints;
  EXPECT_EQ(total, 20);
  // Split at the 150 gap (between 900 and 1050), then at the lowest ten
  // gaps of 100 (above 0, 100, ..., 900 and 1050): 0 to 900 each alone,
  // 1050 alone and everything from 1150 up in one.
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(storeys[size_t(i)].low, float(i * 100)) << i;
    EXPECT_EQ(storeys[size_t(i)].waypoints, 1) << i;
  }
  EXPECT_EQ(storeys[10].low, 1050);
  EXPECT_EQ(storeys[10].high, 1050);
  EXPECT_EQ(storeys[11].low, 1150);
  EXPECT_EQ(storeys[11].high, 1950);
  EXPECT_EQ(storeys[11].waypoints, 9);
}

TEST(Storeys, TheGeneratedLevelsHaveTheirFloors) {
  // The generated rooms stand on floors 160 units apart, a few units of
  // height each.
  WaypointGraph graph;
  ASSERT_TRUE(
      testing::parse(encodeWaypointFile(generateRealisticMap(1, 600)), graph).ok());
  const auto storeys = findStoreys(graph);
  ASSERT_EQ(storeys.size(), 3u);
  int32_t total = 0;
  for (size_t i = 0; i < storeys.size(); ++i) {
    EXPECT_LT(storeys[i].high - storeys[i].low, 16) << i;
    if (i > 0) {
      EXPECT_GE(storeys[i].low - storeys[i - 1].high, kStoreyGap) << i;
    }
    total += storeys[i].waypoints;
  }
  EXPECT_EQ(total, 600);
}

}  // namespace
}  // namespace tessivar
