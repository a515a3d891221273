// What the picture shows of the report: the orphan and trap lists, the
// number of reachable ordered pairs, and the route from waypoint 0 to
// waypoint 5 with its length, as the report's phases compute them; and the
// islands as tessivar-islands finds them.
#ifndef TESSIVAR_SVG_MAP_ANALYSIS_H_
#define TESSIVAR_SVG_MAP_ANALYSIS_H_

#include <cstdint>
#include <vector>

#include "analysis/islands.h"
#include "analysis/orphan_scan.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

struct MapAnalysis {
  OrphanScanResult scan;
  int64_t reachableCount = 0;  // ordered pairs joined by some chain of paths
  // False for a map of fewer than six waypoints, where the report has no
  // route to print.
  bool routeQueried = false;
  // Whether waypoint 5 can be reached from waypoint 0.
  bool routeReachable = false;
  // The pathing value of 0->5 as the report prints it (1e+07 when
  // unreachable).
  float routeLength = kNoPathDistance;
  // The printed route: 0, its intermediates in order, 5. Empty unless the
  // route was queried and is reachable.
  std::vector<int32_t> route;
  // The networks and islands, with suggested paths under the default rise
  // limit (analysis/islands.h).
  IslandReport islands;
};

// Runs the report's phases (analysis/report_phases.h) over `graph` and
// finds the islands. Can throw std::bad_alloc.
MapAnalysis analyzeMap(const WaypointGraph& graph);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_MAP_ANALYSIS_H_
