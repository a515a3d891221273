#include "analysis/reachability.h"

#include "analysis/reachability_sweep.h"

namespace tessivar {

ReachabilityResult buildReachabilityMatrix(const WaypointGraph& graph,
                                           std::ostream& out,
                                           const PhaseMarks& marks) {
  out << "Building reachability matrix" << std::endl;
  marks.start();
  ReachabilityResult result;
  const int64_t n = graph.n;
  int32_t pass = 0;
  {
    ReachabilitySweep sweep(graph);
    while (pass < n && sweep.runPass()) {
      ++pass;
      out << "\rStep " << pass << " of " << n << "(" << sweep.reachableCount()
          << " paths found)" << std::endl;
    }
    result.reachableCount = sweep.reachableCount();
    result.matrix = sweep.matrix();
  }
  marks.end();
  result.passes = pass;
  out << "\rBuilt reachability matrix in " << pass << " iterations"
      << std::endl;
  out << result.reachableCount << " out of " << n * n
      << " node pairs are reachable" << std::endl
      << std::endl;
  return result;
}

}  // namespace tessivar
