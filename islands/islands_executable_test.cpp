// The built tessivar-islands as a user runs it: the shipped sample, the
// longest one-way chains on a small stack, exit statuses, and maps too
// large for the memory the process may have.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "islands/islands_run.h"
#include "testing/child_process.h"
#include "testing/json_check.h"
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
  EXPECT_FALSE(run.timedOut);
  EXPECT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.status, status);
}

std::string inProcess(const std::vector<std::string>& args) {
  std::vector<const char*> argv = {"tessivar-islands"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  runTessivarIslands(int(argv.size()), argv.data(), out, err);
  return out.str();
}

TEST(IslandsExecutable, SampleShowsEveryKind) {
  const ChildResult run = runChild({kBinary, kSample});
  expectExited(run, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, inProcess({kSample}));
  EXPECT_NE(run.out.find("islands: 3 trap regions, 2 unreachable regions, 3 "
                         "detached (2 orphans)\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(", walkable\n"), std::string::npos);
  EXPECT_NE(run.out.find("NOT WALKABLE"), std::string::npos);
  const ChildResult json = runChild({kBinary, "--json", kSample});
  expectExited(json, 0);
  EXPECT_TRUE(testing::parseJson(json.out).ok);
}

TEST(IslandsExecutable, UsageErrorAndMissingFileGiveStatus1) {
  ChildResult run = runChild({kBinary});
  expectExited(run, 1);
  EXPECT_EQ(run.out, "tessivar-islands: no waypoint file given\nUsage " +
                         kBinary +
                         " [--json] [--max-rise UNITS] <waypointfile>...\n");
  run = runChild({kBinary, "--max-rise", "nan", kSample});
  expectExited(run, 1);
  run = runChild({kBinary, kSample, "/nonexistent/map.wpt"});
  expectExited(run, 1);
  EXPECT_NE(run.out.find("/nonexistent/map.wpt: Couldn't open file "
                         "/nonexistent/map.wpt\n"),
            std::string::npos);
}

// The sanitizers need their own large stack and address-space reservations.
// Windows has neither prlimit nor RLIMIT_AS and RLIMIT_STACK.
#ifdef TESSIVAR_SANITIZED
#define TESSIVAR_SKIP_UNDER_LIMITS() \
  GTEST_SKIP() << "sanitized binaries cannot run under these limits"
#elif defined(_WIN32)
#define TESSIVAR_SKIP_UNDER_LIMITS() \
  GTEST_SKIP() << "Windows has no resource limits to run it under (prlimit)"
#else
#define TESSIVAR_SKIP_UNDER_LIMITS() (void)0
#endif

std::string chainFile(bool upwards) {
  MapSpec spec;
  spec.name = upwards ? "chain_up" : "chain_down";
  for (int32_t v = 0; v < 32767; ++v) {
    spec.positions.push_back({float(v % 181) * 16, float(v / 181) * 16,
                              float(v % 5) * 20});
    const int32_t next = upwards ? v + 1 : v - 1;
    spec.paths.emplace_back();
    if (next >= 0 && next < 32767) spec.paths.back().push_back(int16_t(next));
  }
  return writeTempFile(spec.name + ".wpt", encodeWaypointFile(spec));
}

// A one-way chain of 32767 waypoints, each way, with a stack of 256 KiB: a
// recursive search would need some megabytes.
// (On Windows the executable's own stack: 2 MiB as MinGW links it.)
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
    std::vector<std::string> argv = smallStack;
    argv.insert(argv.end(), {kBinary, "--json", chainFile(upwards)});
    const ChildResult run = runChild(argv, 120);
    expectExited(run, 0);
    const testing::JsonParse parsed = testing::parseJson(run.out);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const std::vector<testing::JsonValue>& islands =
        parsed.value.find("islands")->items;
    ASSERT_EQ(islands.size(), 32766u);
    for (const testing::JsonValue& island : islands) {
      ASSERT_EQ(island.find("kind")->text,
                upwards ? "trap region" : "unreachable region");
    }
  }
}

// A header announcing `n` waypoints, then n zero records and n zero path
// counts.
std::vector<uint8_t> zeroMap(int32_t n) {
  std::vector<uint8_t> bytes = encodeWaypointFile(MapSpec{"big", {}, {}});
  for (int k = 0; k < 4; ++k) bytes[16 + k] = uint8_t(uint32_t(n) >> (8 * k));
  bytes.resize(bytes.size() + uint64_t(n) * 18, 0);
  return bytes;
}

TEST(IslandsExecutable, MapBeyondTheAddressSpaceLimitGivesStatus3) {
  TESSIVAR_SKIP_UNDER_LIMITS();
  const std::string prlimit = testing::findOnPath("prlimit");
  if (prlimit.empty()) GTEST_SKIP() << "prlimit is not installed";
  // A million lone waypoints: an 18 MB file whose analysis needs far more
  // than the 256 MiB allowed.
  ASSERT_GT(islandsMemoryNeed(1000000, 0), uint64_t(256) << 20);
  const std::string big = writeTempFile("n1000000.wpt", zeroMap(1000000));
  const ChildResult run = runChild(
      {prlimit, "--as=268435456", kBinary, kSample, big, kSample}, 120);
  expectExited(run, 3);
  EXPECT_EQ(run.err, "\nAbnormal program termination\n");
  // The file before was reported; nothing after.
  EXPECT_EQ(run.out, inProcess({kSample}));
}

TEST(IslandsExecutable, MapWithinTheAddressSpaceLimitRunsNormally) {
  TESSIVAR_SKIP_UNDER_LIMITS();
  const std::string prlimit = testing::findOnPath("prlimit");
  if (prlimit.empty()) GTEST_SKIP() << "prlimit is not installed";
  const std::string mid = writeTempFile("n100000.wpt", zeroMap(100000));
  const ChildResult run =
      runChild({prlimit, "--as=268435456", kBinary, "--json", mid}, 120);
  expectExited(run, 0);
  EXPECT_EQ(run.err, "");
  const testing::JsonParse parsed = testing::parseJson(run.out);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.value.find("islands")->items.size(), 99999u);
}

}  // namespace
}  // namespace tessivar
