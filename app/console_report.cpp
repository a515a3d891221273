#include "app/console_report.h"

#include <cstddef>

#include "frame/stream_text.h"

namespace tessivar {

void ConsoleReport::banner() {
  out_ << "Tessivar" << std::endl;
  out_ << "Checks the navigation graph of a waypoint map." << std::endl;
}

void ConsoleReport::timing(const char* what) {
  out_ << what << " took " << timer_.elapsed() << " second(s)" << std::endl;
}

void ConsoleReport::loadingStarting() { startClock(); }

void ConsoleReport::loadingDone() {
  stopClock();
  out_ << "Done loading!" << std::endl << std::endl;
  timing("Loading");
}

void ConsoleReport::headerRead(const std::string& mapName, int32_t n) {
  n_ = n;
  out_ << "Loading waypoints for map " << streamText(mapName, out_) << "..." << std::endl;
  out_ << n << " waypoints(nodes) in file" << std::endl;
}

void ConsoleReport::matricesStarting() {
  out_ << "Initializing adjacency and edge length matrices...";
}

void ConsoleReport::matricesReady() { out_ << "done." << std::endl; }

void ConsoleReport::recordsRead(int32_t n) {
  out_ << "Read " << n << " waypoints(nodes)..." << std::endl;
}

void ConsoleReport::pathListsRead(int64_t pathEntryTotal) {
  out_ << "Read " << pathEntryTotal << " edges..." << std::endl;
}

void ConsoleReport::scanStarting() { startClock(); }

void ConsoleReport::scanDone(const OrphanScanResult& scan) {
  out_ << "Analyzing node graph..." << std::endl;
  // Orphans and traps in one ascending list, as the scan meets them.
  size_t orphan = 0, trap = 0;
  while (orphan < scan.orphans.size() || trap < scan.traps.size()) {
    const bool orphanFirst =
        trap == scan.traps.size() ||
        (orphan < scan.orphans.size() && scan.orphans[orphan] < scan.traps[trap]);
    if (orphanFirst) {
      out_ << "Waypoint #" << scan.orphans[orphan++] << " is an orphan waypoint!"
           << std::endl;
    } else {
      out_ << "Waypoint #" << scan.traps[trap++] << " is a trap waypoint!"
           << std::endl;
    }
  }
  out_ << "Done analyzing node graph!" << std::endl;
  if (!scan.orphans.empty()) {
    out_ << "WARNING! " << scan.orphans.size() << " orphan node(s) found"
         << std::endl;
  } else {
    out_ << "No orphan nodes. Good." << std::endl;
  }
  if (!scan.traps.empty()) {
    out_ << "WARNING! " << scan.traps.size() << " trap node(s) found"
         << std::endl;
  } else {
    out_ << "No trap nodes. Good." << std::endl;
  }
  stopClock();
  out_ << std::endl;
  timing("Analysis");
}

void ConsoleReport::reachabilityStarting() {
  out_ << "Building reachability matrix" << std::endl;
  startClock();
}

void ConsoleReport::reachabilityPassDone(int32_t pass, int64_t reachableCount) {
  out_ << "\rStep " << pass << " of " << n_ << "(" << reachableCount
       << " paths found)" << std::endl;
}

void ConsoleReport::reachabilityDone(const ReachabilityResult& result) {
  stopClock();
  out_ << "\rBuilt reachability matrix in " << result.passes << " iterations"
       << std::endl;
  out_ << result.reachableCount << " out of " << n_ * n_
       << " node pairs are reachable" << std::endl
       << std::endl;
  timing("Building");
}

void ConsoleReport::pathingStarting() {
  out_ << "Building pathing block and shortest path matrix" << std::flush;
  startClock();
}

void ConsoleReport::pathingPassDone(bool) { out_ << "." << std::flush; }

void ConsoleReport::pathingDone(const PathingResult& result) {
  out_ << std::endl;
  stopClock();
  out_ << std::endl
       << "\rBuilt pathing block in " << result.passes << " iterations"
       << std::endl;
  timing("Building");
}

void ConsoleReport::route(const RouteQuery& query) {
  if (!query.queried) {
    out_ << "Can't query a path from node " << kQueryFrom << " to node "
         << kQueryTo << ": the map has only " << n_ << " waypoint(s)"
         << std::endl;
    return;
  }
  out_ << "Shortest path from node " << kQueryFrom << " to node " << kQueryTo
       << " is " << query.length << " units long" << std::endl;
  out_ << kQueryFrom << "->";
  for (int32_t m : query.intermediates) out_ << m << "->";
  out_ << kQueryTo << std::flush;
}

}  // namespace tessivar
