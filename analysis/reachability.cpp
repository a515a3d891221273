#include "analysis/reachability.h"

namespace tessivar {

ReachabilityResult buildReachabilityMatrix(const WaypointGraph& graph,
                                           std::ostream& out,
                                           const PhaseMarks& marks) {
  out << "Building reachability matrix" << std::endl;
  marks.start();
  ReachabilityResult result;
  const int64_t n = graph.n;
  std::vector<uint8_t>& reach = result.matrix;
  reach = graph.adjacency;
  // The count starts at the distinct direct pairs, not at the path entries
  // as read, so a path listed twice cannot inflate it.
  int64_t count = 0;
  for (uint8_t cell : reach) count += cell;

  int32_t pass = 0;
  while (pass < n) {
    const int64_t before = count;
    for (int64_t a = 0; a < n; ++a) {
      for (int64_t b = 0; b < n; ++b) {
        uint8_t& cell = reach[cellIndex(a, b, n)];
        if (cell) continue;
        for (int64_t m = 0; m < n; ++m) {
          if (reach[cellIndex(a, m, n)] && reach[cellIndex(m, b, n)]) {
            cell = 1;
            ++count;
            break;
          }
        }
      }
    }
    if (count == before) break;
    ++pass;
    out << "\rStep " << pass << " of " << n << "(" << count
        << " paths found)" << std::endl;
  }
  marks.end();
  result.passes = pass;
  result.reachableCount = count;
  out << "\rBuilt reachability matrix in " << pass << " iterations"
      << std::endl;
  out << count << " out of " << n * n << " node pairs are reachable"
      << std::endl
      << std::endl;
  return result;
}

}  // namespace tessivar
