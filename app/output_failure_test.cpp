// Every tool that writes a report, run as a user runs it with a standard
// output that fails: a full device, a closed descriptor, a reader that
// leaves early. Each must stop, say why on standard error and exit with 1;
// under the default SIGPIPE a reader that has gone ends it by the signal.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "testing/child_process.h"
#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using testing::ChildOptions;
using testing::ChildResult;
using testing::runChild;

const std::string kSixWaypoints =
    std::string(TESSIVAR_SOURCE_DIR) + "/examples/six_waypoints.wpt";

struct Tool {
  const char* name;
  std::vector<std::string> argv;
};

std::vector<Tool> tools() {
  std::vector<Tool> list = {{"tessivar", {TESSIVAR_BINARY, kSixWaypoints}}};
#ifdef TESSIVAR_SVG_BINARY
  list.push_back({"tessivar-svg",
                  {TESSIVAR_SVG_BINARY, kSixWaypoints,
                   ::testing::TempDir() + "tessivar_output_failure.svg"}});
#endif
  return list;
}

struct Case {
  const char* name;
  ChildOptions options;
  int error;  // the errno whose text the message gives
};

std::vector<Case> failingOutputs() {
  ChildOptions full;
  full.output = ChildOptions::Output::kFile;
  full.outputFile = "/dev/full";
  ChildOptions closed;
  closed.output = ChildOptions::Output::kClosed;
  ChildOptions readerGone;
  readerGone.readerLeaves = true;
  readerGone.ignoreSigpipe = true;
  return {{"full device", full, ENOSPC},
          {"closed output", closed, EBADF},
          {"reader gone, SIGPIPE ignored", readerGone, EPIPE}};
}

TEST(OutputFailure, EveryToolStopsWithStatus1AndTheReason) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
  for (const Tool& tool : tools()) {
    for (const Case& c : failingOutputs()) {
      SCOPED_TRACE(std::string(tool.name) + ", " + c.name);
      const ChildResult run = runChild(tool.argv, c.options);
      ASSERT_TRUE(run.started);
      EXPECT_FALSE(run.timedOut);
      EXPECT_TRUE(run.exited) << "signal " << run.signal;
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.err, std::string("Couldn't write the report: ") +
                             std::strerror(c.error) + "\n");
    }
  }
}

TEST(OutputFailure, ReaderGoneUnderDefaultSigpipeEndsByTheSignal) {
  for (const Tool& tool : tools()) {
    SCOPED_TRACE(tool.name);
    ChildOptions options;
    options.readerLeaves = true;
    const ChildResult run = runChild(tool.argv, options);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.exited) << "exited with " << run.status;
    EXPECT_EQ(run.signal, SIGPIPE);
    EXPECT_EQ(run.err, "");
  }
}

TEST(OutputFailure, WorkingOutputStillGivesStatus0) {
  for (const Tool& tool : tools()) {
    SCOPED_TRACE(tool.name);
    const ChildResult run = runChild(tool.argv);
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
  }
}

// A reader that leaves in the middle of a long report: the run stops within
// a line and runs no further phase. A map of N waypoints and no paths lists
// N orphans in its analysis, far more text than the (shrunk) pipe holds, so
// the reader's leaving always comes while the analysis is still writing.
// The phases after it would allocate 9 more bytes a cell (reachability and
// pathing matrices, every page written); the peak resident memory shows
// whether they ran, with no clock involved.
TEST(OutputFailure, ReaderLeavingMidReportStopsBeforeTheNextPhases) {
  constexpr int32_t kWaypoints = 2000;
  std::vector<uint8_t> bytes = encodeWaypointFile(MapSpec{"orphans", {}, {}});
  for (int k = 0; k < 4; ++k) {
    bytes[16 + k] = uint8_t(uint32_t(kWaypoints) >> (8 * k));
  }
  bytes.resize(bytes.size() + size_t(kWaypoints) * 18, 0);
  const std::string map = testing::writeTempFile("orphans_2000.wpt", bytes);

  const ChildResult whole = runChild({TESSIVAR_BINARY, map});
  ASSERT_TRUE(whole.exited);
  ASSERT_EQ(whole.status, 0);
  ASSERT_NE(whole.out.find("Built pathing block"), std::string::npos);

  ChildOptions options;
  options.readerLeaves = true;
  options.readerLeavesAfter = "Analyzing node graph...\n";
  options.ignoreSigpipe = true;
  options.pipeCapacity = 4096;
  const ChildResult early = runChild({TESSIVAR_BINARY, map}, options);
  ASSERT_TRUE(early.started);
  EXPECT_TRUE(early.exited) << "signal " << early.signal;
  EXPECT_EQ(early.status, 1);
  EXPECT_EQ(early.err, "Couldn't write the report: Broken pipe\n");
  EXPECT_EQ(early.out.find("Building reachability"), std::string::npos);
  // 9 bytes a cell is 34 MiB here; the whole run's peak must show most of
  // it, the early run's none.
  const long cellsKib = long(kWaypoints) * kWaypoints / 1024;
  EXPECT_GT(whole.maxResidentKib - early.maxResidentKib, 7 * cellsKib)
      << "whole run " << whole.maxResidentKib << " KiB, early "
      << early.maxResidentKib << " KiB";
}

}  // namespace
}  // namespace tessivar
