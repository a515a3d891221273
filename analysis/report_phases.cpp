#include "analysis/report_phases.h"

namespace tessivar {

ReportFindings runReportPhases(const WaypointGraph& graph,
                               ReportProgress* progress) {
  ReportProgress quiet;
  ReportProgress& told = progress ? *progress : quiet;
  ReportFindings findings;

  told.scanStarting();
  findings.scan = scanOrphansAndTraps(graph);
  told.scanDone(findings.scan);

  told.reachabilityStarting();
  const ReachabilityResult reachability = buildReachabilityMatrix(
      graph, [&told](int32_t pass, int64_t count) { told.reachabilityPassDone(pass, count); });
  told.reachabilityDone(reachability);
  findings.reachabilityPasses = reachability.passes;
  findings.reachableCount = reachability.reachableCount;

  told.pathingStarting();
  const PathingResult pathing = buildPathingBlock(
      graph, reachability.matrix, [&told](bool changed) { told.pathingPassDone(changed); });
  told.pathingDone(pathing);
  findings.pathingPasses = pathing.passes;

  findings.route = queryRoute(pathing, reachability.matrix, graph.n);
  return findings;
}

}  // namespace tessivar
