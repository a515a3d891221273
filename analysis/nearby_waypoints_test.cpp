// The waypoints within a length of a point, from the tree, against trying
// every waypoint: on random sets with repeated positions, at lengths the
// distances reach exactly, at 0 and below.
#include "analysis/nearby_waypoints.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "analysis/island_bridge.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

TEST(NearbyWaypoints, FindExactlyTheWaypointsWithinTheLength) {
  for (uint64_t seed = 0; seed < 60; ++seed) {
    MapRandom random(seed);
    const int32_t n = 1 + int32_t(random.below(300));
    std::vector<WaypointRecord> records(static_cast<size_t>(n));
    for (WaypointRecord& r : records) {
      r = {{0, 0, 0, 0}, float(random.below(12)) * 3, float(random.below(12)) * 4,
           float(random.below(3)) * 0.5f};
    }
    // A subset: every other waypoint, in a shuffled order.
    std::vector<int32_t> set;
    for (int32_t v = 0; v < n; v += 2) set.push_back(v);
    for (size_t i = set.size(); i > 1; --i) std::swap(set[i - 1], set[random.below(uint32_t(i))]);
    const NearbyWaypoints tree(records, set);
    std::vector<std::pair<int32_t, double>> found;
    std::vector<int32_t> stack;
    for (double length : {-1.0, 0.0, 3.0, 5.0, 7.5, 20.0, 1e9}) {
      for (int32_t p = 0; p < n; p += 7) {
        tree.within(records[size_t(p)], length, found, stack);
        std::sort(found.begin(), found.end());
        std::vector<std::pair<int32_t, double>> expected;
        for (int32_t q : set) {
          const double squared = squaredDistance(records[size_t(p)], records[size_t(q)]);
          if (std::sqrt(squared) <= length) expected.push_back({q, squared});
        }
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(found, expected) << "seed " << seed << ", length " << length << ", from " << p;
      }
    }
  }
  const std::vector<WaypointRecord> none;
  const NearbyWaypoints empty(none, {});
  std::vector<std::pair<int32_t, double>> found{{1, 1.0}};
  std::vector<int32_t> stack;
  empty.within({{0, 0, 0, 0}, 0, 0, 0}, 1e9, found, stack);
  EXPECT_TRUE(found.empty());
}

}  // namespace
}  // namespace tessivar
