#include "analysis/orphan_scan.h"

namespace tessivar {

OrphanScanResult scanOrphansAndTraps(const WaypointGraph& graph,
                                     std::ostream& out) {
  OrphanScanResult result;
  const int64_t n = graph.n;
  out << "Analyzing node graph..." << std::endl;
  for (int64_t v = 0; v < n; ++v) {
    // Paths out of v are the cells v->t; paths in are t->v, which lie
    // next to each other in memory. The scan stops at the first path out,
    // so only orphans and traps cost a full row.
    bool pathOut = false;
    bool pathIn = false;
    for (int64_t t = 0; t < n && !pathOut; ++t) {
      pathOut = graph.hasPath(v, t);
      if (!pathIn) pathIn = graph.hasPath(t, v);
    }
    if (pathOut) continue;
    if (pathIn) {
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
