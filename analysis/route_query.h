// The route query: the recorded route from waypoint 0 to waypoint 5.
#ifndef TESSIVAR_ANALYSIS_ROUTE_QUERY_H_
#define TESSIVAR_ANALYSIS_ROUTE_QUERY_H_

#include <cstdint>
#include <vector>

#include "analysis/pathing.h"

namespace tessivar {

constexpr int32_t kQueryFrom = 0;
constexpr int32_t kQueryTo = 5;

// The intermediates of the recorded route from a to b, in route order, read
// back from the shortest path matrix. The expansion is iterative, never
// more than N levels deep and never longer than N waypoints, so a matrix
// whose intermediates form a cycle cannot loop or exhaust the stack.
std::vector<int32_t> expandRoute(const std::vector<int16_t>& shortestPath,
                                 int32_t n, int32_t a, int32_t b);

// The route from waypoint 0 to waypoint 5 as the pathing phase recorded it.
struct RouteQuery {
  // False for a map of fewer than six waypoints: there is no such pair.
  bool queried = false;
  // Whether the reachability matrix joins 0 to 5.
  bool reachable = false;
  // The pathing value of 0->5 (the no-path distance when there is no
  // route): the recorded length, not one recomputed from the route.
  float length = kNoPathDistance;
  // The intermediates in route order (none for a direct path or no route).
  std::vector<int32_t> intermediates;
};

RouteQuery queryRoute(const PathingResult& pathing,
                      const CellBits& reachability, int32_t n);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_ROUTE_QUERY_H_
