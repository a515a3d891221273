#include "svg/map_analysis.h"

#include "analysis/report_phases.h"

namespace tessivar {

MapAnalysis analyzeMap(const WaypointGraph& graph) {
  MapAnalysis result;
  ReportFindings findings = runReportPhases(graph);
  result.islands = findIslands(graph);
  result.scan = std::move(findings.scan);
  result.reachableCount = findings.reachableCount;
  const RouteQuery& route = findings.route;
  result.routeQueried = route.queried;
  result.routeReachable = route.reachable;
  if (!route.queried) return result;
  result.routeLength = route.length;
  if (route.reachable) {
    result.route.push_back(kQueryFrom);
    result.route.insert(result.route.end(), route.intermediates.begin(),
                        route.intermediates.end());
    result.route.push_back(kQueryTo);
  }
  return result;
}

}  // namespace tessivar
