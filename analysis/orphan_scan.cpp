#include "analysis/orphan_scan.h"

namespace tessivar {

OrphanScanResult scanOrphansAndTraps(const WaypointMap& graph,
                                     std::ostream& out) {
  OrphanScanResult result;
  const int64_t n = graph.n;
  out << "Analyzing node graph..." << std::endl;
  // The path lists say it all: a waypoint has a path out when its list is
  // not empty, and a path in when some list names it (its own list
  // included, so a self path counts as both). This reads each path entry
  // once instead of the N x N adjacency matrix.
  std::vector<uint8_t> pathIn(static_cast<size_t>(n), 0);
  for (int32_t target : graph.pathTargets) pathIn[target] = 1;
  for (int64_t v = 0; v < n; ++v) {
    if (graph.pathCount(static_cast<int32_t>(v)) != 0) continue;
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
