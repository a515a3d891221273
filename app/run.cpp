#include "app/run.h"

#include <new>

#include "analysis/orphan_scan.h"
#include "analysis/pathing.h"
#include "analysis/reachability.h"
#include "analysis/route_query.h"
#include "app/phase_timer.h"
#include "waypoint/loader.h"

namespace tessivar {

namespace {

// Every line of the report ends with std::endl: a newline and a flush, so
// a person watching a long run sees each line as it is written.
void writeBanner(std::ostream& out) {
  out << "Tessivar" << std::endl;
  out << "Checks the navigation graph of a waypoint map." << std::endl;
}

void writeTiming(std::ostream& out, const char* what,
                 const PhaseTimer& timer) {
  out << what << " took " << timer.elapsed() << " second(s)" << std::endl;
}

int runPhases(const char* path, std::ostream& out, std::ostream& err) {
  PhaseTimer timer;
  const PhaseMarks marks{[&timer] { timer.start(); },
                         [&timer] { timer.stop(); }};

  timer.start();
  WaypointGraph graph;
  const LoadResult load = loadWaypointFile(path, graph, out);
  if (load.status == LoadStatus::kOutOfMemory) return abnormalTermination(err);
  if (load.status != LoadStatus::kLoaded) {
    out << load.message << std::endl;
    return kExitFailure;
  }
  timer.stop();
  out << "Done loading!" << std::endl << std::endl;
  writeTiming(out, "Loading", timer);

  timer.start();
  scanOrphansAndTraps(graph, out);
  timer.stop();
  out << std::endl;
  writeTiming(out, "Analysis", timer);

  const ReachabilityResult reachability =
      buildReachabilityMatrix(graph, out, marks);
  writeTiming(out, "Building", timer);

  const PathingResult pathing =
      buildPathingBlock(graph, reachability.matrix, out, marks);
  writeTiming(out, "Building", timer);

  queryRoute(pathing, graph.n, out);
  return kExitOk;
}

}  // namespace

int abnormalTermination(std::ostream& err) {
  err << "\nAbnormal program termination\n" << std::flush;
  return kExitOutOfMemory;
}

int runTessivar(int argc, const char* const* argv, std::ostream& out,
                std::ostream& err) {
  writeBanner(out);
  if (argc != 2) {
    out << "Usage " << (argc > 0 && argv[0] ? argv[0] : "tessivar")
        << " <waypointfile>" << std::endl;
    return kExitFailure;
  }
  try {
    return runPhases(argv[1], out, err);
  } catch (const std::bad_alloc&) {
    return abnormalTermination(err);
  }
}

}  // namespace tessivar
