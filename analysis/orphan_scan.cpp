#include "analysis/orphan_scan.h"

namespace tessivar {

OrphanScanResult scanOrphansAndTraps(const WaypointMap& graph) {
  OrphanScanResult result;
  const int64_t n = graph.n;
  // The path lists say it all: a waypoint has a path out when its list is
  // not empty, and a path in when some list names it (its own list
  // included, so a self path counts as both). This reads each path entry
  // once instead of the N x N adjacency matrix.
  std::vector<uint8_t> pathIn(static_cast<size_t>(n), 0);
  for (int32_t target : graph.pathTargets) pathIn[target] = 1;
  for (int64_t v = 0; v < n; ++v) {
    if (graph.pathCount(static_cast<int32_t>(v)) != 0) continue;
    (pathIn[v] ? result.traps : result.orphans).push_back(static_cast<int32_t>(v));
  }
  return result;
}

}  // namespace tessivar
