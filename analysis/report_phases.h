// The report's analysis from start to end: the orphan and trap scan, the
// reachability and pathing phases and the route query, in that order, on
// one graph. Every tool that shows the report's findings runs them through
// this one sequence; `tessivar` writes its report from the progress calls,
// the others just take the findings.
#ifndef TESSIVAR_ANALYSIS_REPORT_PHASES_H_
#define TESSIVAR_ANALYSIS_REPORT_PHASES_H_

#include <cstdint>

#include "analysis/orphan_scan.h"
#include "analysis/pathing.h"
#include "analysis/reachability.h"
#include "analysis/route_query.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// What the phases found. The N x N matrices are released before it is
// returned; only what the report shows is kept.
struct ReportFindings {
  OrphanScanResult scan;
  int32_t reachabilityPasses = 0;  // passes that set at least one cell
  int64_t reachableCount = 0;      // ordered pairs joined by some chain
  int32_t pathingPasses = 0;       // passes that rewrote at least one cell
  RouteQuery route;                // 0 -> 5
};

// Told where each phase starts and ends and when each pass is done, in run
// order, so that a report can write its lines and time its phases as the
// run goes. Every call does nothing unless overridden.
class ReportProgress {
 public:
  virtual ~ReportProgress() = default;
  virtual void scanStarting() {}
  virtual void scanDone(const OrphanScanResult&) {}
  virtual void reachabilityStarting() {}
  virtual void reachabilityPassDone(int32_t /*pass*/, int64_t /*reachableCount*/) {}
  virtual void reachabilityDone(const ReachabilityResult&) {}
  virtual void pathingStarting() {}
  virtual void pathingPassDone(bool /*changed*/) {}
  virtual void pathingDone(const PathingResult&) {}
};

// Runs the phases over `graph`. Can throw std::bad_alloc.
ReportFindings runReportPhases(const WaypointGraph& graph,
                               ReportProgress* progress = nullptr);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_REPORT_PHASES_H_
