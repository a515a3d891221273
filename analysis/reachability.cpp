#include "analysis/reachability.h"

#include "analysis/reachability_sweep.h"

namespace tessivar {

ReachabilityResult buildReachabilityMatrix(const WaypointGraph& graph,
                                           const ReachabilityPassDone& passDone) {
  ReachabilityResult result;
  const int64_t n = graph.n;
  ReachabilitySweep sweep(graph);
  while (result.passes < n && sweep.runPass()) {
    ++result.passes;
    if (passDone) passDone(result.passes, sweep.reachableCount());
  }
  result.reachableCount = sweep.reachableCount();
  result.matrix = sweep.matrix();
  return result;
}

}  // namespace tessivar
