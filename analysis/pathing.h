// The pathing phase: for every pair that is connected but has no direct
// path, a route length (the pathing block) and the intermediate waypoint
// of that route (the shortest path matrix), found by repeated relaxation.
#ifndef TESSIVAR_ANALYSIS_PATHING_H_
#define TESSIVAR_ANALYSIS_PATHING_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

constexpr int32_t kNoIntermediate = -1;

struct PathingResult {
  std::vector<float> pathing;         // N x N route lengths
  // N x N intermediates, -1 for none. An intermediate is always the target
  // of some path, and targets are 16-bit numbers in the file.
  std::vector<int16_t> shortestPath;
  int32_t passes = 0;                 // passes that rewrote a cell
};

// Called after every pass that ran, the last (stable) one included: whether
// it rewrote a cell.
using PathingPassDone = std::function<void(bool changed)>;

// Pass rule, in sweep order (a outer, b inner, values written earlier in a
// pass used at once): a cell a->b with no direct path but a known route
// takes the smallest float sum pathing[a->m] + pathing[m->b] over m, the
// lowest m among equal sums, whenever that sum is strictly below the cell's
// value. Passes stop after one that rewrote nothing, or after N passes.
PathingResult buildPathingBlock(const WaypointGraph& graph,
                                const CellBits& reachability,
                                const PathingPassDone& passDone = {});

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_PATHING_H_
