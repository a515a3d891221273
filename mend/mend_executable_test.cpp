// The built tessivar-mend as a user runs it: the shipped sample and
// tessivar-islands on its mended copy, the mended file on standard output
// (refused on a terminal), a write that fails, names in messages on a
// terminal, and the longest one-way chain, mended one waypoint a round, on
// a small stack.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "mend/mend_run.h"
#include "testing/child_process.h"
#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using testing::ChildResult;
using testing::runChild;

const std::string kBinary = TESSIVAR_MEND_BINARY;
const std::string kRooms = std::string(TESSIVAR_SOURCE_DIR) + "/examples/rooms_600.wpt";

void expectExited(const ChildResult& run, int status) {
  ASSERT_TRUE(run.started) << "could not run " << kBinary;
  EXPECT_TRUE(run.exited && !run.timedOut) << "ended by signal " << run.signal;
  EXPECT_EQ(run.status, status) << run.out << run.err;
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string inProcess(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"tessivar-mend"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  runTessivarMend(int(argv.size()), argv.data(), out, err);
  return out.str();
}

TEST(MendExecutable, SampleAndTheIslandsOfItsMendedCopy) {
  const std::string out = testing::tempDir() + "tessivar_mend_rooms.wpt";
  const ChildResult run = runChild({kBinary, kRooms, out});
  expectExited(run, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, inProcess({kRooms, out}));
  EXPECT_NE(run.out.find(": 15 paths added in 1 round\n"), std::string::npos) << run.out;
  EXPECT_EQ(readFile(out).size(), readFile(kRooms).size() + 30);
#ifdef TESSIVAR_ISLANDS_BINARY
  const ChildResult islands = runChild({TESSIVAR_ISLANDS_BINARY, out});
  expectExited(islands, 0);
  EXPECT_NE(islands.out.find("islands: 0 trap regions, 3 unreachable regions, 0 detached "
                             "(0 orphans)\n"),
            std::string::npos)
      << islands.out;
#endif
  const ChildResult usage = runChild({kBinary, kRooms});
  expectExited(usage, 1);
  EXPECT_EQ(usage.out.rfind("tessivar-mend: no output file given\nUsage ", 0), 0u);
}

TEST(MendExecutable, MendedFileOnStandardOutput) {
  const std::string file = testing::tempDir() + "tessivar_mend_dash.wpt";
  expectExited(runChild({kBinary, kRooms, file}), 0);
  const ChildResult run = runChild({kBinary, "--json", kRooms, "-"});
  expectExited(run, 0);
  EXPECT_EQ(run.out, readFile(file));
  EXPECT_EQ(run.err.rfind("{\"file\": ", 0), 0u) << run.err;
}

#ifndef _WIN32
TEST(MendExecutable, TerminalAndFailedWritesAreRefused) {
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) {
    GTEST_SKIP() << "no pseudo-terminal can be made here";
  }
  const ChildResult run = runChild(
      {"/bin/sh", "-c", "exec \"$0\" \"$2\" - >\"$1\"", kBinary, ptsname(terminal), kRooms});
  close(terminal);
  expectExited(run, 1);
  EXPECT_EQ(run.err, "Couldn't write file -: standard output is a terminal\n");
  if (access("/dev/full", W_OK) == 0) {
    const ChildResult full = runChild({kBinary, kRooms, "/dev/full"});
    expectExited(full, 1);
    EXPECT_EQ(full.out, "Couldn't write file /dev/full\n");
  }
  const ChildResult folder = runChild({kBinary, kRooms, testing::tempDir()});
  expectExited(folder, 1);
  EXPECT_EQ(folder.out, "Couldn't write file " + testing::tempDir() + "\n");
}

// A file name in a message reaches a terminal escaped, standard error
// included (the messages go there when the mended file goes to standard
// output), and a pipe unchanged, as in the other tools' messages.
TEST(MendExecutable, NamesInMessagesReachATerminalEscaped) {
  const std::string missing = testing::tempDir() + "tessivar_none_\x1b[2J.wpt";
  const std::string shown = testing::tempDir() + "tessivar_none_\\x1b[2J.wpt";
  const std::string out = testing::tempDir() + "tessivar_mend_unwritten.wpt";
  ChildResult run = testing::runChildOnTerminal({kBinary, missing, out});
  if (!run.started) GTEST_SKIP() << "no pseudo-terminal can be opened here";
  expectExited(run, 1);
  EXPECT_EQ(run.out, "Couldn't open file " + shown + "\n");
  run = runChild({kBinary, missing, out});
  expectExited(run, 1);
  EXPECT_EQ(run.out, "Couldn't open file " + missing + "\n");
  run = testing::runChildOnTerminal({kBinary, missing, "-"}, true);
  expectExited(run, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Couldn't open file " + shown + "\n");
}
#endif

// A one-way chain of 32767 waypoints one unit apart: 32766 rounds, each
// joining the next waypoint, on a stack of 256 KiB (on Windows the
// executable's own): nothing recurses. How long it takes is measured by
// the benchmark (scripts/benchmark.sh mend), not here.
TEST(MendExecutable, LongestChainIsMendedOneWaypointARound) {
  std::vector<std::string> argv;
#if !defined(_WIN32) && !defined(TESSIVAR_SANITIZED)
  const std::string prlimit = testing::findOnPath("prlimit");
  if (!prlimit.empty()) argv = {prlimit, "--stack=262144"};
#endif
  MapSpec chain{"chain", {}, std::vector<std::vector<int16_t>>(32767)};
  for (int32_t v = 0; v < 32767; ++v) {
    chain.positions.push_back({float(v), 0, 0});
    if (v + 1 < 32767) chain.paths[size_t(v)] = {int16_t(v + 1)};
  }
  const std::string in = testing::writeTempFile("chain.wpt", encodeWaypointFile(chain));
  const std::string out = testing::tempDir() + "tessivar_mend_chain.wpt";
  argv.insert(argv.end(), {kBinary, in, out});
  const ChildResult run = runChild(argv, 120);
  expectExited(run, 0);
  EXPECT_NE(run.out.find("  round 32766: added 32766->32765, length 1, rise 0 (trap region "
                         "32766)\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("after: 1 network; islands: 0 trap regions, 0 unreachable regions, "
                         "0 detached; 1073676289 reachable pairs\n"),
            std::string::npos);
  EXPECT_NE(run.out.find(": 32766 paths added in 32766 rounds\n"), std::string::npos);
}

}  // namespace
}  // namespace tessivar
