#include "analysis/pathing.h"

namespace tessivar {

PathingResult buildPathingBlock(const WaypointGraph& graph,
                                const std::vector<uint8_t>& reachability,
                                std::ostream& out, const PhaseMarks& marks) {
  out << "Building pathing block and shortest path matrix" << std::flush;
  marks.start();
  PathingResult result;
  const int64_t n = graph.n;
  // The edge length matrix already holds the no-path distance wherever
  // there is no direct path, which is the pathing block's starting value.
  std::vector<float>& pathing = result.pathing;
  std::vector<int32_t>& via = result.shortestPath;
  pathing = graph.edgeLength;
  via.assign(graph.cellCount, kNoIntermediate);

  int32_t pass = 0;
  while (pass < n) {
    bool stable = true;
    for (int64_t a = 0; a < n; ++a) {
      for (int64_t b = 0; b < n; ++b) {
        const size_t cell = cellIndex(a, b, n);
        if (graph.adjacency[cell] || !reachability[cell]) continue;
        float best = pathing[cell];
        int32_t bestM = via[cell];
        for (int64_t m = 0; m < n; ++m) {
          const float sum =
              pathing[cellIndex(a, m, n)] + pathing[cellIndex(m, b, n)];
          if (sum < best) {
            best = sum;
            bestM = static_cast<int32_t>(m);
          }
        }
        if (best < pathing[cell]) {
          pathing[cell] = best;
          via[cell] = bestM;
          stable = false;
        }
      }
    }
    out << "." << std::flush;
    if (stable) break;
    ++pass;
  }
  out << std::endl;
  marks.end();
  result.passes = pass;
  out << std::endl
      << "\rBuilt pathing block in " << pass << " iterations" << std::endl;
  return result;
}

}  // namespace tessivar
