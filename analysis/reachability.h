// The reachability phase: which ordered pairs of waypoints are joined by
// some chain of paths, found pass by pass.
#ifndef TESSIVAR_ANALYSIS_REACHABILITY_H_
#define TESSIVAR_ANALYSIS_REACHABILITY_H_

#include <cstdint>
#include <functional>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

struct ReachabilityResult {
  // N x N, cell a->b at a + b * N: set where a route from a to b is known.
  CellBits matrix;
  int32_t passes = 0;          // passes that set at least one cell
  int64_t reachableCount = 0;  // cells set in the matrix
};

// Called after each pass that set cells: its number (from 1) and the
// reachable count it left.
using ReachabilityPassDone = std::function<void(int32_t pass, int64_t reachableCount)>;

// Starts from the adjacency matrix and runs passes in sweep order (a outer,
// b inner, cells set in a pass used at once) until a pass sets nothing or N
// passes have run.
ReachabilityResult buildReachabilityMatrix(const WaypointGraph& graph,
                                           const ReachabilityPassDone& passDone = {});

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_REACHABILITY_H_
