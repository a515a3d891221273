// The built tessivar-islands as a user runs it: the shipped sample, exit
// statuses, the longest one-way chains on a small stack, and maps too large
// for the memory the process may have.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "islands/islands_run.h"
#include "testing/child_process.h"
#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using testing::ChildResult;
using testing::runChild;
using testing::writeTempFile;

const std::string kBinary = TESSIVAR_ISLANDS_BINARY;
const std::string kSample =
    std::string(TESSIVAR_SOURCE_DIR) + "/examples/islands_200.wpt";

void expectExited(const ChildResult& run, int status) {
  ASSERT_TRUE(run.started) << "could not run " << kBinary;
  EXPECT_TRUE(run.exited && !run.timedOut) << "ended by signal " << run.signal;
  EXPECT_EQ(run.status, status);
}

std::string inProcess(const std::string& file) {
  const char* argv[] = {"tessivar-islands", file.c_str()};
  std::ostringstream out, err;
  runTessivarIslands(2, argv, out, err);
  return out.str();
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; ++n) {
    at = text.find(what, at + 1);
  }
  return n;
}

TEST(IslandsExecutable, SampleUsageErrorAndMissingFile) {
  ChildResult run = runChild({kBinary, kSample, "/nonexistent/map.wpt"});
  expectExited(run, 1);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, inProcess(kSample) + "/nonexistent/map.wpt: Couldn't open file "
                                           "/nonexistent/map.wpt\n");
  EXPECT_EQ(count(run.out, "islands: 3 trap regions, 2 unreachable regions, 3 detached "
                           "(2 orphans)\n"), 1u);
  run = runChild({kBinary});
  expectExited(run, 1);
  EXPECT_EQ(run.out, "tessivar-islands: no waypoint file given\nUsage " + kBinary +
                         " [--json] [--max-rise UNITS] <waypointfile>...\n");
}

// The sanitizers need their own large stack and address-space reservations.
// Windows has neither prlimit nor RLIMIT_AS and RLIMIT_STACK.
#ifdef TESSIVAR_SANITIZED
#define TESSIVAR_SKIP_UNDER_LIMITS() GTEST_SKIP() << "sanitized binaries need more room"
#elif defined(_WIN32)
#define TESSIVAR_SKIP_UNDER_LIMITS() \
  GTEST_SKIP() << "Windows has no resource limits to run it under (prlimit)"
#else
#define TESSIVAR_SKIP_UNDER_LIMITS() (void)0
#endif

// A one-way chain of 32767 waypoints, each way, on a stack of 256 KiB (on
// Windows the executable's own, 2 MiB as MinGW links it): a recursive
// search would need some megabytes.
TEST(IslandsExecutable, LongestChainsRunOnASmallStack) {
#ifdef _WIN32
  const std::vector<std::string> smallStack;
#else
  TESSIVAR_SKIP_UNDER_LIMITS();
  const std::string prlimit = testing::findOnPath("prlimit");
  if (prlimit.empty()) GTEST_SKIP() << "prlimit is not installed";
  const std::vector<std::string> smallStack = {prlimit, "--stack=262144"};
#endif
  for (bool upwards : {true, false}) {
    MapSpec layout{"chain", {}, std::vector<std::vector<int16_t>>(32767)};
    for (int16_t v = 0; v < 32767; ++v) {
      layout.positions.push_back(
          {float(v % 181) * 16, float(v / 181) * 16, float(v % 5) * 20});
      if (v > 0) layout.paths[size_t(upwards ? v - 1 : v)] = {int16_t(upwards ? v : v - 1)};
    }
    const std::string file = writeTempFile("chain.wpt", encodeWaypointFile(layout));
    std::vector<std::string> argv = smallStack;
    argv.insert(argv.end(), {kBinary, "--json", file});
    const ChildResult run = runChild(argv, 120);
    expectExited(run, 0);
    EXPECT_EQ(count(run.out, upwards ? "{\"kind\": \"trap region\""
                                     : "{\"kind\": \"unreachable region\""),
              32766u);
  }
}

// `n` lone waypoints at one point: a header announcing them, zero records
// and zero path counts.
std::string zeroMapFile(int32_t n) {
  std::vector<uint8_t> bytes = encodeWaypointFile(MapSpec{"big", {}, {}});
  putInt32At(bytes, 16, n);
  bytes.resize(bytes.size() + uint64_t(n) * 18, 0);
  return writeTempFile("n" + std::to_string(n) + ".wpt", bytes);
}

TEST(IslandsExecutable, AddressSpaceLimitStopsOnlyMapsBeyondIt) {
  TESSIVAR_SKIP_UNDER_LIMITS();
  const std::string prlimit = testing::findOnPath("prlimit");
  if (prlimit.empty()) GTEST_SKIP() << "prlimit is not installed";
  const uint64_t limit = uint64_t(256) << 20;
  const std::string as = "--as=" + std::to_string(limit);
  // A million need far more than 256 MiB, and the check says so before the
  // analysis starts: status 3, the file before reported, nothing after.
  ASSERT_GT(islandsMemoryNeed(1000000, 0), limit);
  ChildResult run = runChild(
      {prlimit, as, kBinary, kSample, zeroMapFile(1000000), kSample}, 120);
  expectExited(run, 3);
  EXPECT_EQ(run.err, "\nAbnormal program termination\n");
  EXPECT_EQ(run.out, inProcess(kSample));
  run = runChild({prlimit, as, kBinary, "--json", zeroMapFile(100000)}, 120);
  expectExited(run, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(count(run.out, "{\"kind\": \"detached\", \"waypoints\": ["), 99999u);
}

}  // namespace
}  // namespace tessivar
