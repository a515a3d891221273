#include "analysis/orphan_scan.h"

namespace tessivar {

OrphanScanResult scanOrphansAndTraps(const WaypointGraph& graph,
                                     std::ostream& out) {
  OrphanScanResult result;
  const int64_t n = graph.n;
  out << "Analyzing node graph..." << std::endl;
  // One pass over the adjacency matrix in memory order: column b holds
  // the cells m->b side by side, so it tells whether any path leads into b
  // and, OR-ed into one flag per waypoint, which waypoints have a path out.
  // A self path counts as both. This reads every cell once, contiguously,
  // where a per-waypoint scan of the paths out would stride through memory
  // N cells at a time for every orphan and trap.
  std::vector<uint8_t> pathOut(static_cast<size_t>(n), 0);
  std::vector<uint8_t> pathIn(static_cast<size_t>(n), 0);
  for (int64_t b = 0; b < n; ++b) {
    const uint8_t* column = graph.adjacency.data() + cellIndex(0, b, n);
    uint8_t any = 0;
    for (int64_t m = 0; m < n; ++m) {
      pathOut[m] |= column[m];
      any |= column[m];
    }
    pathIn[b] = any;
  }
  for (int64_t v = 0; v < n; ++v) {
    if (pathOut[v]) continue;
    if (pathIn[v]) {
      out << "Waypoint #" << v << " is a trap waypoint!" << std::endl;
      result.traps.push_back(static_cast<int32_t>(v));
    } else {
      out << "Waypoint #" << v << " is an orphan waypoint!" << std::endl;
      result.orphans.push_back(static_cast<int32_t>(v));
    }
  }
  out << "Done analyzing node graph!" << std::endl;
  if (!result.orphans.empty()) {
    out << "WARNING! " << result.orphans.size() << " orphan node(s) found"
        << std::endl;
  } else {
    out << "No orphan nodes. Good." << std::endl;
  }
  if (!result.traps.empty()) {
    out << "WARNING! " << result.traps.size() << " trap node(s) found"
        << std::endl;
  } else {
    out << "No trap nodes. Good." << std::endl;
  }
  return result;
}

}  // namespace tessivar
