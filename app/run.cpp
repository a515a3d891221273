#include "app/run.h"

#include <new>

#include "analysis/report_phases.h"
#include "analysis/run_memory.h"
#include "app/console_report.h"
#include "frame/exit_status.h"
#include "frame/stream_text.h"
#include "waypoint/loader.h"

namespace tessivar {

namespace {

int runPhases(const char* path, ConsoleReport& report, std::ostream& out,
              std::ostream& err) {
  report.loadingStarting();
  WaypointGraph graph;
  const LoadResult load = loadWaypointFile(path, graph, reportPhasesNeed, &report);
  if (load.status == LoadStatus::kOutOfMemory) return abnormalTermination(err);
  if (load.status != LoadStatus::kLoaded) {
    out << streamText(load.message, out) << std::endl;
    return kExitFailure;
  }
  report.loadingDone();
  const ReportFindings findings = runReportPhases(graph, &report);
  report.route(findings.route);
  return kExitOk;
}

}  // namespace

int runTessivar(int argc, const char* const* argv, std::ostream& out,
                std::ostream& err) {
  ConsoleReport report(out);
  report.banner();
  if (argc != 2) {
    out << "Usage " << streamText(argc > 0 && argv[0] ? argv[0] : "tessivar", out)
        << " <waypointfile>" << std::endl;
    return kExitFailure;
  }
  try {
    return runPhases(argv[1], report, out, err);
  } catch (const std::bad_alloc&) {
    return abnormalTermination(err);
  }
}

}  // namespace tessivar
