// The built executable as a user runs it: its standard output, standard
// error and exit status for usage errors, unreadable and bad files, a good
// sample, and maps too large for the memory the process may have.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "analysis/run_memory.h"
#include "platform/file_path.h"
#include "testing/child_process.h"
#include "testing/test_support.h"
#include "tools/map_generator.h"
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

// A map under a name outside any ANSI code page is read as under any
// other name; a missing one is named as it was given (in UTF-8).
TEST(Executable, NamesInAnyScript) {
  const std::string dir = ::testing::TempDir();
  const std::string map = dir + "tessivar_\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0.wpt";
  const std::string missing = dir + "tessivar_\xe5\x9c\xb0\xe5\x9b\xb3.wpt";
  const std::vector<uint8_t> bytes = encodeWaypointFile(sixWaypointExample());
  std::ofstream(platform::filePath(map), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  const ChildResult run = runChild({kBinary, map});
  expectExited(run, 0);
  EXPECT_EQ(testing::maskTimings(run.out),
            testing::maskTimings(testing::runOnBytes(bytes).out));
  const ChildResult none = runChild({kBinary, missing});
  expectExited(none, 1);
  EXPECT_EQ(none.out, kBanner + "Couldn't open file " + missing + "\n");
}

TEST(ExecutableMemory, HeaderBeyondThisMachineEndsAtOnce) {
  // 70000 waypoints need far more than this machine has; the file is long
  // enough for its records and counts, so only the memory check stops it.
  const std::string path = writeTempFile("n70000.wpt", zeroMap(70000));
  if (reportRunNeed({70000}).fits(processMemoryBudget())) {
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
// instrumented binary can run under an address-space limit at all; Windows
// has no such limit (nor prlimit, sh and FIFOs).
#ifdef TESSIVAR_SANITIZED
#define TESSIVAR_SKIP_UNDER_AS_LIMIT() \
  GTEST_SKIP() << "sanitized binaries cannot run under RLIMIT_AS"
#elif defined(_WIN32)
#define TESSIVAR_SKIP_UNDER_AS_LIMIT() \
  GTEST_SKIP() << "Windows has no RLIMIT_AS, prlimit, sh or FIFO"
#else
#define TESSIVAR_SKIP_UNDER_AS_LIMIT() (void)0
#endif

constexpr const char* kAddressLimit = "--as=268435456";  // 256 MiB

TEST(ExecutableMemory, AddressSpaceLimitBelowTheNeedGivesStatus3) {
  TESSIVAR_SKIP_UNDER_AS_LIMIT();
  const std::string prlimit = testing::findOnPath("prlimit");
  if (prlimit.empty()) GTEST_SKIP() << "prlimit is not installed";
  // 7000 waypoints with no paths need about 340 MB; the file itself is
  // about 130 kB.
  ASSERT_GT(reportRunNeed({7000}).fillBytes, uint64_t(256) << 20);
  const std::string path = writeTempFile("n7000.wpt", zeroMap(7000));
  const ChildResult run = runChild({prlimit, kAddressLimit, kBinary, path}, 60);
  expectExited(run, 3);
  EXPECT_EQ(run.err, kAbnormalEnd);
  // The need was compared before the matrices were allocated.
  EXPECT_EQ(run.out.find("Initializing"), std::string::npos) << run.out;
}

// The memory table: each tool under an address-space limit (and, where
// marked, on one core), and what it must do there. The checks refuse only
// what doesn't fit: the six-waypoint example runs under 8 MiB in every tool
// (tessivar-islands once asked for 16 MiB fixed), and the 600-waypoint
// sample under 64 MiB (the second pathing thread was once counted at 72
// MiB, even where one core meant it never started). A map that truly
// doesn't fit is still refused, before its analysis starts.
TEST(ExecutableMemory, TableOfLimits) {
  TESSIVAR_SKIP_UNDER_AS_LIMIT();
#ifndef _WIN32
  const std::string prlimit = testing::findOnPath("prlimit");
  if (prlimit.empty()) GTEST_SKIP() << "prlimit is not installed";
  const std::string taskset = testing::findOnPath("taskset");
  const std::string examples = std::string(TESSIVAR_SOURCE_DIR) + "/examples/";
  const std::string six = examples + "six_waypoints.wpt";
  const std::string rooms = examples + "rooms_600.wpt";
  const std::string svg = testing::tempDir() + "tessivar_table.svg";
  // 3000 waypoints need about 56 MB of matrices; 100000 lone waypoints
  // about 40 MB of islands, beyond 32 MiB less the program and the map.
  const std::string n3000 = writeTempFile("n3000.wpt", zeroMap(3000));
  const std::string n100000 = writeTempFile("n100000.wpt", zeroMap(100000));
  ASSERT_GT(reportRunNeed({3000}).fillBytes, uint64_t(32) << 20);
  ASSERT_GT(islandsMemoryNeed(100000, 0), uint64_t(32) << 20);
  const std::string svgBinary = TESSIVAR_SVG_BINARY;
  const std::string islandsBinary = TESSIVAR_ISLANDS_BINARY;
  const struct {
    std::vector<std::string> tool;
    int mib;
    bool oneCore;
    int status;
    const char* endsWith;  // the end of standard output
  } cases[] = {
      {{kBinary, six}, 8, false, 0, "0->2->3->1->5"},
      {{svgBinary, six, svg}, 8, false, 0, ".svg\n"},
      {{islandsBinary, six}, 8, false, 0, "rise 0, walkable\n"},
      {{kBinary, rooms}, 64, true, 0, "->5"},
      {{svgBinary, rooms, svg}, 64, true, 0, ".svg\n"},
      // Where the second thread may start, it costs its small stack.
      {{kBinary, rooms}, 64, false, 0, "->5"},
      {{svgBinary, rooms, svg}, 64, false, 0, ".svg\n"},
      {{kBinary, n3000}, 32, false, 3, "3000 waypoints(nodes) in file\n"},
      {{svgBinary, n3000, svg}, 32, false, 3, ""},
      {{islandsBinary, n100000}, 32, false, 3, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = {prlimit, "--as=" + std::to_string(uint64_t(c.mib) << 20)};
    SCOPED_TRACE(c.tool[0] + " " + c.tool[1] + " under " + std::to_string(c.mib) + " MiB" +
                 (c.oneCore ? " on one core" : ""));
    if (c.oneCore) {
      if (taskset.empty()) continue;
      argv.insert(argv.begin(), {taskset, "-c", std::to_string(testing::firstUsableCpu())});
    }
    argv.insert(argv.end(), c.tool.begin(), c.tool.end());
    const ChildResult run = runChild(argv, 60);
    expectExited(run, c.status);
    EXPECT_EQ(run.err, c.status == 3 ? kAbnormalEnd : "");
    const std::string end = c.endsWith;
    EXPECT_TRUE(run.out.size() >= end.size() &&
                run.out.compare(run.out.size() - end.size(), end.size(), end) == 0)
        << run.out.substr(run.out.size() > 200 ? run.out.size() - 200 : 0);
  }
  if (taskset.empty()) GTEST_SKIP() << "taskset is not installed: the one-core cases did not run";
#endif
}

// The same map by name and from a FIFO, under an address-space limit the
// file passes: input of unknown size is read in steps, never by the 65.5 MB
// that 1000 waypoints could occupy, and the check counts what the run
// allocates, not what the reading stage reserved.
TEST(ExecutableMemory, MapFromAFifoRunsWhereTheSameFileDoes) {
  TESSIVAR_SKIP_UNDER_AS_LIMIT();
#ifndef _WIN32
  const std::string prlimit = testing::findOnPath("prlimit");
  if (prlimit.empty()) GTEST_SKIP() << "prlimit is not installed";
  const std::string path =
      writeTempFile("r1000.wpt", encodeWaypointFile(generateRealisticMap(3, 1000)));
  const std::string fifo = path + ".fifo";
  unlink(fifo.c_str());
  if (mkfifo(fifo.c_str(), 0600) != 0) GTEST_SKIP() << "no FIFO can be made here";
  // What the run allocates, and 16 MiB for the program: about 100 MiB.
  const std::string limit =
      "--as=" + std::to_string(reportRunNeed({1000}, 0, true).addressSpace + (16 << 20));
  const ChildResult byName = runChild({prlimit, limit, kBinary, path});
  const ChildResult byFifo = runChild(
      {prlimit, limit, "/bin/sh", "-c",
       "timeout 20 cat \"$1\" >\"$2\" 2>/dev/null & exec \"$0\" \"$2\"",
       kBinary, path, fifo});
  expectExited(byName, 0);
  expectExited(byFifo, 0);
  EXPECT_EQ(byFifo.err, "");
  EXPECT_EQ(testing::maskTimings(byFifo.out), testing::maskTimings(byName.out));
#endif
}

#ifndef _WIN32
// A map name that would retitle the window (ESC ] 0 ; ... BEL) and clear
// the screen (ESC [ 2 J) of whoever checks the map, shown on a terminal.
const std::string kHostileName = "x\x1b]0;owned\x07\x1b[2J";
const std::string kHostileShown = "x\\x1b]0;owned\\x07\\x1b[2J";

// tessivar on a terminal shows the name escaped; into a pipe it writes the
// file's bytes exactly, as the in-process run does.
TEST(TerminalOutput, MapNameReachesATerminalEscapedAndAPipeUnchanged) {
  MapSpec map = sixWaypointExample();
  map.name = kHostileName;
  const std::vector<uint8_t> bytes = encodeWaypointFile(map);
  const std::string path = writeTempFile("hostile.wpt", bytes);
  const ChildResult terminal = testing::runChildOnTerminal({kBinary, path});
  if (!terminal.started) GTEST_SKIP() << "no pseudo-terminal can be opened here";
  expectExited(terminal, 0);
  EXPECT_NE(terminal.out.find("Loading waypoints for map " + kHostileShown + "...\n"),
            std::string::npos)
      << terminal.out;
  EXPECT_EQ(terminal.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(terminal.out.find('\x07'), std::string::npos);

  const ChildResult pipe = runChild({kBinary, path});
  expectExited(pipe, 0);
  EXPECT_NE(pipe.out.find("Loading waypoints for map " + kHostileName + "...\n"),
            std::string::npos);
  EXPECT_EQ(testing::maskTimings(pipe.out),
            testing::maskTimings(testing::runOnBytes(bytes).out));
  // Apart from the name, the terminal got the same report.
  std::string unescaped = terminal.out;
  unescaped.replace(unescaped.find(kHostileShown), kHostileShown.size(), kHostileName);
  EXPECT_EQ(testing::maskTimings(unescaped), testing::maskTimings(pipe.out));
}

// tessivar-svg and tessivar-view name files in their messages: escaped on
// a terminal, standard error included (their messages go there when the
// picture or page goes to standard output), and unchanged into a pipe.
TEST(TerminalOutput, FileNamesOfPicturesAndPagesReachATerminalEscaped) {
  const std::string six = std::string(TESSIVAR_SOURCE_DIR) + "/examples/six_waypoints.wpt";
  const std::string dir = testing::tempDir();
  const struct {
    std::string binary;
    const char* extension;
  } tools[] = {
      {TESSIVAR_SVG_BINARY, ".svg"},
#ifdef TESSIVAR_VIEW_BINARY
      {TESSIVAR_VIEW_BINARY, ".html"},
#endif
  };
  for (const auto& tool : tools) {
    SCOPED_TRACE(tool.binary);
    const std::string output = dir + "tessivar_" + kHostileName + tool.extension;
    const std::string shownOutput = dir + "tessivar_" + kHostileShown + tool.extension;
    const std::string missing = dir + "tessivar_none_" + kHostileName + ".wpt";
    const std::string shownMissing = dir + "tessivar_none_" + kHostileShown + ".wpt";

    ChildResult run = testing::runChildOnTerminal({tool.binary, six, output});
    if (!run.started) GTEST_SKIP() << "no pseudo-terminal can be opened here";
    expectExited(run, 0);
    EXPECT_EQ(run.out, "Wrote " + shownOutput + "\n");
    run = runChild({tool.binary, six, output});
    expectExited(run, 0);
    EXPECT_EQ(run.out, "Wrote " + output + "\n");

    run = testing::runChildOnTerminal({tool.binary, missing, output});
    expectExited(run, 1);
    EXPECT_EQ(run.out, "Couldn't open file " + shownMissing + "\n");
    run = testing::runChildOnTerminal({tool.binary, missing, "-"}, true);
    expectExited(run, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Couldn't open file " + shownMissing + "\n");
    run = runChild({tool.binary, missing, "-"});
    expectExited(run, 1);
    EXPECT_EQ(run.err, "Couldn't open file " + missing + "\n");
  }
}
#endif

// Every tool that writes a report, with a standard output that fails: a
// full device, a closed descriptor, a reader gone with SIGPIPE ignored
// (each: status 1 and the reason), and a reader gone under the default
// SIGPIPE, which ends the run by the signal. tessivar's map is far beyond
// any machine's memory, so a run that went on past its first failed line
// would end with status 3 instead.
TEST(OutputFailure, EveryToolStopsAtTheFirstFailedLine) {
  const std::string six =
      std::string(TESSIVAR_SOURCE_DIR) + "/examples/six_waypoints.wpt";
  const std::string huge = writeTempFile("n200000.wpt", zeroMap(200000));
  if (reportRunNeed({200000}).fits(processMemoryBudget())) {
    GTEST_SKIP() << "this machine could run a 200000-waypoint map";
  }
  const std::vector<std::vector<std::string>> tools = {
      {kBinary, huge},
#ifdef TESSIVAR_SVG_BINARY
      {TESSIVAR_SVG_BINARY, six, ::testing::TempDir() + "tessivar_fail.svg"},
#endif
#ifdef TESSIVAR_ISLANDS_BINARY
      {TESSIVAR_ISLANDS_BINARY, six},
#endif
#ifdef TESSIVAR_MEND_BINARY
      {TESSIVAR_MEND_BINARY, six, ::testing::TempDir() + "tessivar_fail.wpt"},
#endif
#ifdef TESSIVAR_VIEW_BINARY
      {TESSIVAR_VIEW_BINARY, six, ::testing::TempDir() + "tessivar_fail.html"},
#endif
  };
#ifdef _WIN32
  // No shell to redirect or close the output, and no SIGPIPE: a reader
  // gone fails the write.
  for (const auto& tool : tools) {
    SCOPED_TRACE(tool[0]);
    const ChildResult run = runChild(tool, 60, true);
    expectExited(run, 1);
    EXPECT_EQ(run.err, "Couldn't write the report: Broken pipe\n");
  }
#else
  const struct {
    const char* shell;  // runs the tool as "$0" "$@"
    bool readerGone;
    int error;  // the errno the message gives; 0: ended by SIGPIPE
  } cases[] = {
      {"exec \"$0\" \"$@\" >/dev/full", false, ENOSPC},
      {"exec \"$0\" \"$@\" >&-", false, EBADF},
      {"trap '' PIPE; exec \"$0\" \"$@\"", true, EPIPE},
      {"exec \"$0\" \"$@\"", true, 0},
  };
  const bool full = access("/dev/full", W_OK) == 0;
  for (const auto& tool : tools) {
    for (const auto& c : cases) {
      SCOPED_TRACE(tool[0] + ": " + c.shell);
      if (c.error == ENOSPC && !full) continue;
      std::vector<std::string> argv = {"/bin/sh", "-c", c.shell};
      argv.insert(argv.end(), tool.begin(), tool.end());
      const ChildResult run = runChild(argv, 60, c.readerGone);
      if (c.error == 0) {
        EXPECT_EQ(run.signal, SIGPIPE) << "exit status " << run.status;
        EXPECT_EQ(run.err, "");
        continue;
      }
      expectExited(run, 1);
      EXPECT_EQ(run.err, std::string("Couldn't write the report: ") +
                             std::strerror(c.error) + "\n");
    }
  }
  if (!full) GTEST_SKIP() << "no /dev/full: its cases did not run";
#endif
}

}  // namespace
}  // namespace tessivar
