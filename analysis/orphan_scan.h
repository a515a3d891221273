// The analysis phase: which waypoints are orphans (no path in or out) and
// which are traps (paths in, none out).
#ifndef TESSIVAR_ANALYSIS_ORPHAN_SCAN_H_
#define TESSIVAR_ANALYSIS_ORPHAN_SCAN_H_

#include <cstdint>
#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

struct OrphanScanResult {
  std::vector<int32_t> orphans;  // ascending
  std::vector<int32_t> traps;    // ascending
};

// Reads the path lists only, so a WaypointMap is enough.
OrphanScanResult scanOrphansAndTraps(const WaypointMap& graph);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_ORPHAN_SCAN_H_
