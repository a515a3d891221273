#include "analysis/pathing.h"

#include "analysis/pathing_sweep.h"

namespace tessivar {

PathingResult buildPathingBlock(const WaypointGraph& graph,
                                const CellBits& reachability,
                                std::ostream& out, const PhaseMarks& marks) {
  out << "Building pathing block and shortest path matrix" << std::flush;
  marks.start();
  PathingResult result;
  const int64_t n = graph.n;
  int32_t pass = 0;
  {
    PathingSweep sweep(graph, reachability);
    while (pass < n) {
      const bool changed = sweep.runPass();
      out << "." << std::flush;
      if (!changed) break;
      ++pass;
    }
    result.pathing = sweep.takePathing();
    result.shortestPath = sweep.takeShortestPath();
  }
  out << std::endl;
  marks.end();
  result.passes = pass;
  out << std::endl
      << "\rBuilt pathing block in " << pass << " iterations" << std::endl;
  return result;
}

}  // namespace tessivar
