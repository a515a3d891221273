#include "analysis/pathing.h"

#include "analysis/pathing_sweep.h"

namespace tessivar {

PathingResult buildPathingBlock(const WaypointGraph& graph,
                                const CellBits& reachability,
                                const PathingPassDone& passDone) {
  PathingResult result;
  const int64_t n = graph.n;
  PathingSweep sweep(graph, reachability);
  while (result.passes < n) {
    const bool changed = sweep.runPass();
    if (passDone) passDone(changed);
    if (!changed) break;
    ++result.passes;
  }
  result.pathing = sweep.takePathing();
  result.shortestPath = sweep.takeShortestPath();
  return result;
}

}  // namespace tessivar
