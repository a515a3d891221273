// The built executables as a user runs them: standard output, standard
// error and exit status for usage errors, unreadable and bad files, a good
// sample, maps too large for the memory the process may have, and a
// standard output that can't be written.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file_path.h"
#include "testing/child_process.h"
#include "testing/test_support.h"
#include "tools/map_generator.h"
#include "waypoint/map_reader.h"
#include "waypoint/memory_budget.h"

namespace tessivar {
namespace {

using testing::ChildResult;
using testing::runChild;
using testing::writeTempFile;

const std::string kBinary = TESSIVAR_BINARY;
const std::string kBanner =
    "Tessivar\nChecks the navigation graph of a waypoint map.\n";
const std::string kAbnormalEnd = "\nAbnormal program termination\n";

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A header announcing `n` waypoints, then n zero records and n zero path
// counts: a file long enough for every size check, so only memory stops it.
std::vector<uint8_t> zeroMap(int32_t n) {
  std::vector<uint8_t> bytes = encodeWaypointFile(MapSpec{"big", {}, {}});
  for (int k = 0; k < 4; ++k) bytes[16 + k] = uint8_t(uint32_t(n) >> (8 * k));
  bytes.resize(bytes.size() + uint64_t(n) * 18, 0);
  return bytes;
}

void expectExited(const ChildResult& run, int status) {
  ASSERT_TRUE(run.started) << "could not run " << kBinary;
  EXPECT_FALSE(run.timedOut);
  EXPECT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.status, status);
}

TEST(Executable, NoArgumentGivesUsage) {
  const ChildResult run = runChild({kBinary});
  expectExited(run, 1);
  EXPECT_EQ(run.out, kBanner + "Usage " + kBinary + " <waypointfile>\n");
  EXPECT_EQ(run.err, "");
}

TEST(Executable, TwoArgumentsGiveUsage) {
  const ChildResult run = runChild({kBinary, "a.wpt", "b.wpt"});
  expectExited(run, 1);
  EXPECT_EQ(run.out, kBanner + "Usage " + kBinary + " <waypointfile>\n");
  EXPECT_EQ(run.err, "");
}

TEST(Executable, MissingFile) {
  const std::string path = ::testing::TempDir() + "tessivar_missing/none.wpt";
  const ChildResult run = runChild({kBinary, path});
  expectExited(run, 1);
  EXPECT_EQ(run.out, kBanner + "Couldn't open file " + path + "\n");
  EXPECT_EQ(run.err, "");
}

TEST(Executable, WrongTypeTextEndsRightAfterTheBanner) {
  const std::string path = writeTempFile(
      "text.wpt", encodeWaypointFile(sixWaypointExample(),
                                     std::string("HPB_bo\0\0", 8)));
  const ChildResult run = runChild({kBinary, path});
  expectExited(run, 1);
  EXPECT_EQ(run.out, kBanner + "Not a waypoint file!\n");
  EXPECT_EQ(run.err, "");
}

TEST(Executable, CorruptFile) {
  MapSpec map = sixWaypointExample();
  map.paths[3] = {9};
  const ChildResult run =
      runChild({kBinary, writeTempFile("corrupt.wpt", encodeWaypointFile(map))});
  expectExited(run, 1);
  EXPECT_EQ(run.out,
            kBanner +
                "Loading waypoints for map six_waypoints...\n"
                "6 waypoints(nodes) in file\n"
                "Initializing adjacency and edge length matrices...done.\n"
                "Read 6 waypoints(nodes)...\n"
                "Corrupt waypoint file: waypoint 3 has a path to waypoint 9, "
                "but the map has 6 waypoints\n");
  EXPECT_EQ(run.err, "");
}

TEST(Executable, SixWaypointSample) {
  const std::string path =
      std::string(TESSIVAR_SOURCE_DIR) + "/examples/six_waypoints.wpt";
  const ChildResult run = runChild({kBinary, path});
  expectExited(run, 0);
  EXPECT_EQ(run.err, "");
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.back(), '5');
  EXPECT_NE(run.out.find("Shortest path from node 0 to node 5 is 15 units "
                         "long\n0->2->3->1->5"),
            std::string::npos);
  // The executable writes what the run frame writes in-process.
  const testing::RunOutput inProcess = testing::runOnBytes(readFile(path));
  EXPECT_EQ(testing::maskTimings(run.out), testing::maskTimings(inProcess.out));
}

// A map under a name outside any ANSI code page, given on the command
// line, is read as under any other name; a missing one is named in the
// message as it was given (in UTF-8).
TEST(Executable, NamesInAnyScript) {
  const std::string sample =
      std::string(TESSIVAR_SOURCE_DIR) + "/examples/six_waypoints.wpt";
  const std::string dir = ::testing::TempDir();
  const std::string map =
      dir + "tessivar_\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0 \xe5\x9c\xb0.wpt";
  const std::vector<uint8_t> bytes = readFile(sample);
  std::ofstream(platform::filePath(map), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             std::streamsize(bytes.size()));
  const ChildResult run = runChild({kBinary, map});
  expectExited(run, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(testing::maskTimings(run.out),
            testing::maskTimings(testing::runOnBytes(bytes).out));

  const std::string missing = dir + "tessivar_\xce\xbc\xce\xb9\xce\xba\xcf\x81\xcf\x8c.wpt";
  const ChildResult none = runChild({kBinary, missing});
  expectExited(none, 1);
  EXPECT_EQ(none.out, kBanner + "Couldn't open file " + missing + "\n");
}

TEST(ExecutableMemory, HeaderBeyondThisMachineEndsAtOnce) {
  // 70000 waypoints need far more than this machine has; the file is long
  // enough for its records and counts, so only the memory check stops it.
  const std::string path = writeTempFile("n70000.wpt", zeroMap(70000));
  if (runFits({70000}, processMemoryBudget())) {
    GTEST_SKIP() << "this machine could run a 70000-waypoint map";
  }
  const ChildResult run = runChild({kBinary, path}, 60);
  expectExited(run, 3);
  EXPECT_EQ(run.err, kAbnormalEnd);
  EXPECT_LT(run.seconds, 10.0);
  EXPECT_EQ(run.out, kBanner +
                         "Loading waypoints for map big...\n"
                         "70000 waypoints(nodes) in file\n");
}

// The sanitizers reserve terabytes of address space at start-up, so no
// instrumented binary can run under an address-space limit at all.
#ifdef TESSIVAR_SANITIZED
#define TESSIVAR_SKIP_UNDER_AS_LIMIT() \
  GTEST_SKIP() << "sanitized binaries cannot run under RLIMIT_AS"
#else
#define TESSIVAR_SKIP_UNDER_AS_LIMIT() (void)0
#endif

// Windows has no address-space limit; a job's memory limit takes its place.
#ifdef _WIN32
#define TESSIVAR_SKIP_WITHOUT_RLIMIT() \
  GTEST_SKIP() << "Windows has no RLIMIT_AS (JobMemoryLimit* cover Windows)"
#else
#define TESSIVAR_SKIP_WITHOUT_RLIMIT() (void)0
#endif

constexpr const char* kAddressLimit = "--as=268435456";  // 256 MiB

TEST(ExecutableMemory, AddressSpaceLimitBelowTheNeedGivesStatus3) {
  TESSIVAR_SKIP_UNDER_AS_LIMIT();
  TESSIVAR_SKIP_WITHOUT_RLIMIT();
  const std::string prlimit = testing::findOnPath("prlimit");
  if (prlimit.empty()) GTEST_SKIP() << "prlimit is not installed";
  // 6000 waypoints need about 500 MB; the file itself is about 100 kB.
  ASSERT_GT(runMemoryNeed({6000}), uint64_t(256) << 20);
  const std::string path = writeTempFile("n6000.wpt", zeroMap(6000));
  const ChildResult run = runChild({prlimit, kAddressLimit, kBinary, path}, 60);
  expectExited(run, 3);
  EXPECT_EQ(run.err, kAbnormalEnd);
  // The need was compared before the matrices were allocated.
  EXPECT_EQ(run.out.find("Initializing"), std::string::npos) << run.out;
}

TEST(ExecutableMemory, AddressSpaceLimitAboveTheNeedRunsNormally) {
  TESSIVAR_SKIP_UNDER_AS_LIMIT();
  TESSIVAR_SKIP_WITHOUT_RLIMIT();
  const std::string prlimit = testing::findOnPath("prlimit");
  if (prlimit.empty()) GTEST_SKIP() << "prlimit is not installed";
  const std::string path =
      std::string(TESSIVAR_SOURCE_DIR) + "/examples/six_waypoints.wpt";
  // Its arrays take a few kilobytes; the whole process under 8 MiB.
  const ChildResult run =
      runChild({prlimit, "--as=16777216", kBinary, path}, 60);
  expectExited(run, 0);
  EXPECT_EQ(run.err, "");
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.back(), '5');
}

// The same map by name and through a FIFO, under an address-space limit
// the file passes: input of unknown size is read in steps, never by the
// largest size its header allows, and the check counts what the run
// allocates rather than what the reading stage reserved. Under a limit
// below its need, the FIFO's map still ends with status 3 before any
// matrix is allocated.
TEST(ExecutableMemory, MapFromAFifoRunsWhereTheSameFileDoes) {
  TESSIVAR_SKIP_UNDER_AS_LIMIT();
  const std::vector<uint8_t> bytes =
      encodeWaypointFile(generateRealisticMap(3, 1000));
  const std::string path = writeTempFile("r1000.wpt", bytes);
  const std::string fifo = ::testing::TempDir() + "r1000.fifo";
  // 100 MiB, or more where this machine's threads take more room.
  const RunSize size{1000, countPathEntries(bytes.data(), bytes.size(), 1000),
                     bytes.size()};
  testing::ChildOptions limited;
  limited.addressSpaceLimit =
      std::max(uint64_t(100) << 20, runAddressSpaceNeed(size) + (16 << 20));
  const ChildResult byName = runChild({kBinary, path}, limited);
  expectExited(byName, 0);
  ChildResult byFifo;
  {
    testing::FifoFeeder feeder(fifo, bytes);
    if (!feeder.ok()) GTEST_SKIP() << "no FIFO can be made here";
    byFifo = runChild({kBinary, feeder.path()}, limited);
  }
  expectExited(byFifo, 0);
  EXPECT_EQ(byFifo.err, "");
  EXPECT_EQ(testing::maskTimings(byFifo.out), testing::maskTimings(byName.out));

  if (testing::underWine()) {
    GTEST_SKIP() << "Wine neither reports nor enforces job memory limits";
  }
  testing::FifoFeeder feeder(fifo, bytes);
  limited.addressSpaceLimit = uint64_t(24) << 20;
  ASSERT_GT(runMemoryNeed(size), uint64_t(18) << 20);
  const ChildResult tooSmall = runChild({kBinary, feeder.path()}, limited);
  expectExited(tooSmall, 3);
  EXPECT_EQ(tooSmall.err, kAbnormalEnd);
  EXPECT_NE(tooSmall.out.find("1000 waypoints(nodes) in file\n"), std::string::npos);
  EXPECT_EQ(tooSmall.out.find("Initializing"), std::string::npos) << tooSmall.out;
}

// ------------------------------------------------------ failing output
//
// Every tool that writes a report, with a standard output that fails: a
// full device, a closed descriptor, a reader that leaves early. Each must
// stop, say why on standard error and exit with 1; under the default
// SIGPIPE a reader that has gone ends it by the signal.

using testing::ChildOptions;

const std::string kSixWaypoints =
    std::string(TESSIVAR_SOURCE_DIR) + "/examples/six_waypoints.wpt";

// Each tool's command line over the six-waypoint example.
std::vector<std::vector<std::string>> tools() {
  return {{kBinary, kSixWaypoints},
#ifdef TESSIVAR_SVG_BINARY
          {TESSIVAR_SVG_BINARY, kSixWaypoints,
           ::testing::TempDir() + "tessivar_output_failure.svg"},
#endif
#ifdef TESSIVAR_ISLANDS_BINARY
          {TESSIVAR_ISLANDS_BINARY, kSixWaypoints},
#endif
  };
}

TEST(OutputFailure, EveryToolStopsWithStatus1AndTheReason) {
  struct Case {
    ChildOptions options;
    int error;  // the errno whose text the message gives
  };
  std::vector<Case> cases(2);
  cases[0].options.output = ChildOptions::Output::kClosed;
  cases[0].error = EBADF;
  cases[1].options.readerLeaves = true;
  cases[1].options.ignoreSigpipe = true;
  cases[1].error = EPIPE;
#ifndef _WIN32
  if (access("/dev/full", W_OK) == 0) {
    cases.push_back({ChildOptions(), ENOSPC});
    cases.back().options.output = ChildOptions::Output::kFile;
    cases.back().options.outputFile = "/dev/full";
  }
#endif
  for (const std::vector<std::string>& argv : tools()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(argv[0] + ": " + std::strerror(c.error));
      const ChildResult run = runChild(argv, c.options);
      ASSERT_TRUE(run.started);
      EXPECT_TRUE(run.exited) << "signal " << run.signal;
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.err, std::string("Couldn't write the report: ") +
                             std::strerror(c.error) + "\n");
    }
  }
}

TEST(OutputFailure, ReaderGoneUnderDefaultSigpipeEndsByTheSignal) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no SIGPIPE: a reader that has gone fails the "
                  "write (EveryToolStopsWithStatus1AndTheReason)";
#else
  for (const std::vector<std::string>& argv : tools()) {
    SCOPED_TRACE(argv[0]);
    ChildOptions options;
    options.readerLeaves = true;
    const ChildResult run = runChild(argv, options);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.exited) << "exited with " << run.status;
    EXPECT_EQ(run.signal, SIGPIPE);
    EXPECT_EQ(run.err, "");
  }
#endif
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
  const std::string map = writeTempFile("orphans.wpt", zeroMap(kWaypoints));

  const ChildResult whole = runChild({kBinary, map});
  ASSERT_TRUE(whole.exited);
  ASSERT_EQ(whole.status, 0);
  ASSERT_NE(whole.out.find("Built pathing block"), std::string::npos);

  ChildOptions options;
  options.readerLeaves = true;
  options.readerLeavesAfter = "Analyzing node graph...\n";
  options.ignoreSigpipe = true;
  options.pipeCapacity = 4096;
  const ChildResult early = runChild({kBinary, map}, options);
  ASSERT_TRUE(early.started);
  EXPECT_TRUE(early.exited) << "signal " << early.signal;
  EXPECT_EQ(early.status, 1);
  EXPECT_EQ(early.err, "Couldn't write the report: Broken pipe\n");
  EXPECT_EQ(early.out.find("Building reachability"), std::string::npos);
  if (whole.maxResidentKib == 0 && testing::underWine()) {
    GTEST_SKIP() << "Wine reports no peak working set of a child";
  }
  // 9 bytes a cell is 34 MiB here; the whole run's peak must show most of
  // it, the early run's none.
  const long cellsKib = long(kWaypoints) * kWaypoints / 1024;
  EXPECT_GT(whole.maxResidentKib - early.maxResidentKib, 7 * cellsKib)
      << "whole run " << whole.maxResidentKib << " KiB, early "
      << early.maxResidentKib << " KiB";
}

}  // namespace
}  // namespace tessivar
