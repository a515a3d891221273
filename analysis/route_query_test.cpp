#include "analysis/route_query.h"

#include <gtest/gtest.h>

namespace tessivar {
namespace {

// A pathing result of `n` waypoints with no routes, to be filled by hand.
PathingResult emptyResult(int32_t n) {
  PathingResult result;
  result.pathing.assign(size_t(n) * n, kNoPathDistance);
  result.shortestPath.assign(size_t(n) * n, kNoIntermediate);
  return result;
}

// A reachability matrix of `n` waypoints joining 0 to 5 or not.
CellBits reachability(int32_t n, bool zeroReachesFive) {
  CellBits bits;
  bits.assign(uint64_t(n) * uint64_t(n));
  if (zeroReachesFive) bits.set(cellIndex(0, 5, n));
  return bits;
}

TEST(RouteQuery, UnreachableTargetKeepsTheNoPathDistance) {
  const RouteQuery query = queryRoute(emptyResult(6), reachability(6, false), 6);
  EXPECT_TRUE(query.queried);
  EXPECT_FALSE(query.reachable);
  EXPECT_EQ(query.length, kNoPathDistance);
  EXPECT_TRUE(query.intermediates.empty());
}

TEST(RouteQuery, DirectPathHasNoIntermediates) {
  PathingResult result = emptyResult(6);
  result.pathing[cellIndex(0, 5, 6)] = 123.456789f;
  const RouteQuery query = queryRoute(result, reachability(6, true), 6);
  EXPECT_TRUE(query.reachable);
  EXPECT_EQ(query.length, 123.456789f);
  EXPECT_TRUE(query.intermediates.empty());
}

TEST(RouteQuery, IntermediatesAreExpandedInRouteOrder) {
  // 0->5 through 4, 0->4 through 1: the route is 0, 1, 4, 5.
  PathingResult result = emptyResult(6);
  result.pathing[cellIndex(0, 5, 6)] = 0.11f;
  result.shortestPath[cellIndex(0, 5, 6)] = 4;
  result.shortestPath[cellIndex(0, 4, 6)] = 1;
  const RouteQuery query = queryRoute(result, reachability(6, true), 6);
  EXPECT_EQ(query.length, 0.11f);
  EXPECT_EQ(query.intermediates, (std::vector<int32_t>{1, 4}));
}

TEST(RouteQuery, BothLegsExpand) {
  // 0->5 through 3; 0->3 through 2; 3->5 through 7; 7->5 through 6.
  PathingResult result = emptyResult(8);
  result.shortestPath[cellIndex(0, 5, 8)] = 3;
  result.shortestPath[cellIndex(0, 3, 8)] = 2;
  result.shortestPath[cellIndex(3, 5, 8)] = 7;
  result.shortestPath[cellIndex(7, 5, 8)] = 6;
  EXPECT_EQ(expandRoute(result.shortestPath, 8, 0, 5),
            (std::vector<int32_t>{2, 3, 7, 6}));
}

TEST(RouteQuery, CyclicIntermediatesStopAtNWaypoints) {
  // 0->5 through 3 and 0->3 through 5 would expand forever.
  const int32_t n = 6;
  PathingResult result = emptyResult(n);
  result.shortestPath[cellIndex(0, 5, n)] = 3;
  result.shortestPath[cellIndex(0, 3, n)] = 5;
  result.shortestPath[cellIndex(3, 5, n)] = 3;
  const std::vector<int32_t> route = expandRoute(result.shortestPath, n, 0, 5);
  EXPECT_LE(route.size(), size_t(n));
  EXPECT_EQ(queryRoute(result, reachability(n, false), n).intermediates, route);
}

TEST(RouteQuery, LongChainOfIntermediates) {
  // A route through every waypoint, each leg split at its far end, so the
  // expansion goes N levels deep.
  const int32_t n = 2000;
  std::vector<int16_t> via(size_t(n) * n, kNoIntermediate);
  for (int32_t m = 2; m < n; ++m) via[cellIndex(0, m, n)] = m - 1;
  const std::vector<int32_t> route = expandRoute(via, n, 0, n - 1);
  ASSERT_EQ(route.size(), size_t(n - 2));
  EXPECT_EQ(route.front(), 1);
  EXPECT_EQ(route.back(), n - 2);
}

TEST(RouteQuery, FewerThanSixWaypointsHaveNoQuery) {
  EXPECT_FALSE(queryRoute(emptyResult(0), reachability(0, false), 0).queried);
  EXPECT_FALSE(queryRoute(emptyResult(5), reachability(5, false), 5).queried);
}

}  // namespace
}  // namespace tessivar
