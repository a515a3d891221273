#include "view/view_findings.h"

#include <utility>

#include "analysis/report_phases.h"
#include "analysis/route_query.h"
#include "waypoint/loader.h"

namespace tessivar {

ViewFindings findViewFindings(WaypointMap& map, int64_t waypointLimit) {
  ViewFindings found;
  found.islands = findIslands(map);
  found.storeys = findStoreys(map);
  // Taken with the map and the islands held: what they use is gone.
  found.phases = planReportPhases(map, waypointLimit, processMemoryBudget());
  if (found.phases.plan != PhasesPlan::kRun) {
    found.scan = scanOrphansAndTraps(map);
    return found;
  }
  WaypointGraph graph = graphFromMap(std::move(map));
  ReportFindings findings = runReportPhases(graph);
  // The map back, without its matrix.
  map = std::move(static_cast<WaypointMap&>(graph));
  found.scan = std::move(findings.scan);
  found.reachableCount = findings.reachableCount;
  const RouteQuery& route = findings.route;
  found.routeQueried = route.queried;
  if (route.queried) {
    found.routeLength = route.length;
    if (route.reachable) {
      found.route.push_back(kQueryFrom);
      found.route.insert(found.route.end(), route.intermediates.begin(),
                         route.intermediates.end());
      found.route.push_back(kQueryTo);
    }
  }
  return found;
}

}  // namespace tessivar
