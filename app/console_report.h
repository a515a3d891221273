// tessivar's report: the lines each step of the run writes, from what the
// loader and the analysis tell as they go, and the time of each phase.
//
// Every line ends with std::endl, a newline and a flush, so a person
// watching a long run sees each line as it is written. The pass lines of
// the reachability phase and the result lines of both building phases
// start with a carriage return; the pathing phase writes a dot per pass.
#ifndef TESSIVAR_APP_CONSOLE_REPORT_H_
#define TESSIVAR_APP_CONSOLE_REPORT_H_

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>

#include "analysis/report_phases.h"
#include "app/phase_timer.h"
#include "waypoint/load_progress.h"

namespace tessivar {

class ConsoleReport : public LoadProgress, public ReportProgress {
 public:
  // `clock` gives the time stamps of the phases (tests pass their own).
  explicit ConsoleReport(std::ostream& out,
                         std::function<TimeStamp()> clock = monotonicNow)
      : out_(out), clock_(std::move(clock)) {}

  // The title and the credit line.
  void banner();
  // Starts the loading phase's clock, before the file is opened.
  void loadingStarting();
  // After the loader is done: "Done loading!" and the loading time.
  void loadingDone();

  // The loading lines.
  void headerRead(const std::string& mapName, int32_t n) override;
  void matricesStarting() override;
  void matricesReady() override;
  void recordsRead(int32_t n) override;
  void pathListsRead(int64_t pathEntryTotal) override;

  // The analysis lines, each phase with its time.
  void scanStarting() override;
  void scanDone(const OrphanScanResult& scan) override;
  void reachabilityStarting() override;
  void reachabilityPassDone(int32_t pass, int64_t reachableCount) override;
  void reachabilityDone(const ReachabilityResult& result) override;
  void pathingStarting() override;
  void pathingPassDone(bool changed) override;
  void pathingDone(const PathingResult& result) override;

  // The route from 0 to 5, its last line without a line end; one line of
  // explanation for a map of fewer than six waypoints.
  void route(const RouteQuery& query);

 private:
  void timing(const char* what);
  void startClock() { timer_.startStamp = clock_(); }
  void stopClock() { timer_.endStamp = clock_(); }

  std::ostream& out_;
  std::function<TimeStamp()> clock_;
  PhaseTimer timer_;
  int64_t n_ = 0;
};

}  // namespace tessivar

#endif  // TESSIVAR_APP_CONSOLE_REPORT_H_
