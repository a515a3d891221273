// Replays every file of the fuzz corpus (seeds and every crash input the
// fuzzer ever found) through the fuzz target's body, with whatever compiler
// built the tests, so past findings stay fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/waypoint_fuzz_target.h"
#include "tools/map_generator.h"
#include "waypoint/loader.h"
#include "analysis/run_memory.h"
#include "waypoint/memory_budget.h"

namespace tessivar {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string check(const std::vector<uint8_t>& bytes) {
  return checkWaypointBytes(bytes.data(), bytes.size());
}

TEST(FuzzCorpusReplay, EveryCorpusFilePassesTheTarget) {
  const fs::path corpus = TESSIVAR_FUZZ_CORPUS_DIR;
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 30u) << "the seed corpus is missing from " << corpus;
  size_t valid = 0;
  for (const fs::path& file : files) {
    const std::vector<uint8_t> bytes = readFile(file);
    EXPECT_EQ(check(bytes), "") << file;
    // The seeds' names say how the loader must take them; crash inputs
    // the fuzzer found carry no such promise.
    const std::string name = file.filename().string();
    WaypointGraph graph;
    const LoadStatus status =
        parseWaypointBytes(bytes.data(), bytes.size(),
                           MemoryBudget{reportRunNeed({kFuzzBudgetWaypoints}).fillBytes}, graph,
                           reportPhasesNeed)
            .status;
    if (name.rfind("valid_", 0) == 0) {
      ++valid;
      EXPECT_EQ(status, LoadStatus::kLoaded) << name;
    } else if (name.rfind("corrupt_", 0) == 0) {
      EXPECT_EQ(status, LoadStatus::kCorrupt) << name;
    } else if (name.rfind("bad_", 0) == 0) {
      EXPECT_EQ(status, LoadStatus::kNotWaypointFile) << name;
    }
  }
  EXPECT_GE(valid, 10u);
}

// The branches a tiny corpus does not reach.
TEST(FuzzCorpusReplay, HeaderBeyondTheFuzzBudgetIsRefusedCleanly) {
  const int32_t n = kFuzzBudgetWaypoints + 1;
  ASSERT_GT(reportRunNeed({n}).fillBytes, reportRunNeed({kFuzzBudgetWaypoints}).fillBytes);
  std::vector<uint8_t> bytes = encodeWaypointFile(MapSpec{"big", {}, {}});
  for (int k = 0; k < 4; ++k) bytes[16 + k] = uint8_t(uint32_t(n) >> (8 * k));
  bytes.resize(bytes.size() + 18 * size_t(n), 0);
  EXPECT_EQ(check(bytes), "");
}

TEST(FuzzCorpusReplay, MapsLargerThanThePhaseCapAreOnlyLoaded) {
  EXPECT_EQ(check(encodeWaypointFile(generateRealisticMap(4, kFuzzPhaseWaypoints + 1))), "");
  EXPECT_EQ(check(encodeWaypointFile(generateRandomMap(4, kFuzzPhaseWaypoints, 4))), "");
}

TEST(FuzzCorpusReplay, EmptyAndTinyInputs) {
  EXPECT_EQ(check({}), "");
  EXPECT_EQ(check({'H', 'P', 'B'}), "");
}

}  // namespace
}  // namespace tessivar
