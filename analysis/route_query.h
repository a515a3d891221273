// The route query: the recorded route from waypoint 0 to waypoint 5.
#ifndef TESSIVAR_ANALYSIS_ROUTE_QUERY_H_
#define TESSIVAR_ANALYSIS_ROUTE_QUERY_H_

#include <cstdint>
#include <ostream>
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

// Writes each intermediate of the route from a to b followed by "->".
void printRoute(const std::vector<int16_t>& shortestPath, int32_t n,
                int32_t a, int32_t b, std::ostream& out);

// Writes the length and the route of the pair 0 -> 5. The route line has no
// line end. A map of fewer than six waypoints gets one explanatory line.
void queryRoute(const PathingResult& pathing, int32_t n, std::ostream& out);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_ROUTE_QUERY_H_
