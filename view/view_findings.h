// What the page of tessivar-view shows of a map beyond its waypoints and
// paths: the report's orphans and traps, its reachable pairs and route
// from waypoint 0 to waypoint 5 when its N x N phases run, the islands as
// tessivar-islands finds them, and the storeys.
#ifndef TESSIVAR_VIEW_VIEW_FINDINGS_H_
#define TESSIVAR_VIEW_VIEW_FINDINGS_H_

#include <cstdint>
#include <vector>

#include "analysis/islands.h"
#include "analysis/orphan_scan.h"
#include "analysis/run_memory.h"
#include "analysis/storeys.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// The most waypoints for which tessivar-view runs the report's N x N
// phases: their time grows with N^3, a few seconds at 2048 and half a
// minute at 4096 on a 2-core machine (BENCHMARKS.md).
constexpr int64_t kViewReportWaypointLimit = 2048;

struct ViewFindings {
  OrphanScanResult scan;
  // Whether the report's phases ran, or why not; with the figures they
  // would have needed.
  ReportPhasesPlan phases;
  int64_t reachableCount = 0;  // when they ran
  // The route 0 -> 5 as the report prints it, when they ran on a map of
  // six waypoints or more: its recorded length (1e+07 when there is none)
  // and its waypoints (none when there is none).
  bool routeQueried = false;
  float routeLength = kNoPathDistance;
  std::vector<int32_t> route;
  IslandReport islands;
  std::vector<Storey> storeys;
};

// Finds all of it for `map`; the report's phases run when
// planReportPhases allows them with `waypointLimit` and the process's
// memory budget now. The map is moved into the report's graph for them
// and back. Can throw std::bad_alloc.
ViewFindings findViewFindings(WaypointMap& map,
                              int64_t waypointLimit = kViewReportWaypointLimit);

}  // namespace tessivar

#endif  // TESSIVAR_VIEW_VIEW_FINDINGS_H_
