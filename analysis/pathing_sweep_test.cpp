// The fast pathing sweep against the reference model, after every pass,
// bit for bit, for every kernel path this machine can run (the portable
// one always) and every way of choosing dense and sparse passes.
#include "analysis/pathing_sweep.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "analysis/pathing.h"
#include "analysis/reachability_sweep.h"
#include "testing/differential.h"

namespace tessivar {
namespace {

using testing::graphOf;
using testing::mixedStructureMap;
using testing::pathingMatchesReference;

struct EngineCase {
  KernelPath kernel;
  PassChoice choice;
  int threads;
};

std::string caseName(const ::testing::TestParamInfo<EngineCase>& info) {
  static const char* const kKernels[] = {"Portable", "Avx2", "Avx512"};
  static const char* const kChoices[] = {"Auto", "Dense", "Sparse"};
  return std::string(kKernels[int(info.param.kernel)]) + kChoices[int(info.param.choice)] +
         (info.param.threads == 2 ? "TwoThreads" : "OneThread");
}

std::vector<EngineCase> allCases() {
  std::vector<EngineCase> cases;
  for (KernelPath kernel : {KernelPath::kPortable, KernelPath::kAvx2, KernelPath::kAvx512}) {
    for (PassChoice choice :
         {PassChoice::kAuto, PassChoice::kAlwaysDense, PassChoice::kSparseWhenAble}) {
      for (int threads : {1, 2}) cases.push_back({kernel, choice, threads});
    }
  }
  return cases;
}

class PathingSweepTest : public ::testing::TestWithParam<EngineCase> {
 protected:
  void SetUp() override {
    if (!kernelPathSupported(GetParam().kernel)) {
      GTEST_SKIP() << "this machine cannot run these kernels";
    }
  }
  PathingSweepOptions options() const {
    return {GetParam().kernel, GetParam().choice, GetParam().threads};
  }
};

TEST_P(PathingSweepTest, UsesTheRequestedKernels) {
  const WaypointGraph graph = graphOf(sixWaypointExample());
  const std::vector<uint8_t> reach(graph.cellCount, 1);
  PathingSweep sweep(graph, reach, options());
  EXPECT_EQ(pathingKernels(GetParam().kernel).path, GetParam().kernel);
  EXPECT_STREQ(sweep.kernelName(), pathingKernels(GetParam().kernel).name);
}

TEST_P(PathingSweepTest, SixWaypointExample) {
  int32_t passes = -1;
  ASSERT_TRUE(pathingMatchesReference(graphOf(sixWaypointExample()), options(), &passes));
  EXPECT_EQ(passes, 2);
}

TEST_P(PathingSweepTest, ThousandsOfSmallRandomGraphs) {
  // Integer positions in a tiny cube: many equal sums, zero lengths, self
  // paths and repeated targets.
  for (uint64_t seed = 1; seed <= 400; ++seed) {
    const int32_t size = 1 + int32_t(seed % 41);
    const int32_t paths = 1 + int32_t(seed % 4);
    ASSERT_TRUE(pathingMatchesReference(graphOf(generateRandomMap(seed, size, paths)),
                                        options()))
        << "seed " << seed;
  }
}

TEST_P(PathingSweepTest, MixedStructuresAcrossTileEdges) {
  // Sizes around the 64-row groups and 4-column tiles and vector widths.
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    const int32_t size = 1 + int32_t((seed * 53) % 140);
    ASSERT_TRUE(pathingMatchesReference(graphOf(mixedStructureMap(seed, size)), options()))
        << "seed " << seed << " size " << size;
  }
}

TEST_P(PathingSweepTest, Grids) {
  // Many routes of equal length: ties decide every intermediate.
  for (auto [w, h] : {std::pair{1, 1}, {1, 9}, {5, 5}, {9, 8}, {13, 5}}) {
    ASSERT_TRUE(pathingMatchesReference(graphOf(generateGridMap(w, h)), options()))
        << w << "x" << h;
  }
}

TEST_P(PathingSweepTest, RealisticMaps) {
  for (int32_t size : {6, 63, 64, 65, 129, 180}) {
    ASSERT_TRUE(pathingMatchesReference(graphOf(generateRealisticMap(7, size)), options()))
        << size;
  }
}

TEST_P(PathingSweepTest, FullChangeLogFallsBackToScanningEverything) {
  // A log of a few entries fills up in most passes: a sparse pass then
  // offers every intermediate to the rest of its cells, and the pass after
  // a full log is dense.
  for (int64_t capacity : {1, 2, 5, 40}) {
    PathingSweepOptions tiny = options();
    tiny.logCapacity = capacity;
    for (uint64_t seed = 1; seed <= 25; ++seed) {
      ASSERT_TRUE(pathingMatchesReference(
          graphOf(generateRandomMap(seed, 5 + int32_t(seed * 3 % 60), 2)), tiny))
          << "capacity " << capacity << " seed " << seed;
    }
    ASSERT_TRUE(pathingMatchesReference(graphOf(generateRealisticMap(2, 150)), tiny))
        << "capacity " << capacity;
  }
}

TEST_P(PathingSweepTest, SparsePassWhoseLogFillsUp) {
  // Pass 2 of these maps writes more cells than pass 1: with a log just
  // big enough for pass 1, pass 2 runs sparse and its log fills up midway,
  // so its later cells take every intermediate.
  int fillUps = 0;
  for (int32_t size : {40, 90, 150}) {
    const WaypointGraph graph = graphOf(generateRealisticMap(4, size));
    std::vector<uint8_t> reach;
    {
      ReachabilitySweep closure(graph);
      while (closure.runPass()) {
      }
      reach = closure.matrix();
    }
    PathingSweep probe(graph, reach, options());
    probe.runPass();
    const int64_t firstPassWrites = probe.lastPassWrites();
    probe.runPass();
    if (probe.lastPassWrites() <= firstPassWrites || firstPassWrites == 0) continue;
    ++fillUps;
    PathingSweepOptions sparse = options();
    sparse.passChoice = PassChoice::kSparseWhenAble;
    sparse.logCapacity = firstPassWrites;
    ASSERT_TRUE(pathingMatchesReference(graph, sparse)) << size;
  }
  EXPECT_GT(fillUps, 0) << "no map wrote more cells in pass 2 than in pass 1";
}

TEST_P(PathingSweepTest, DirectAndUnconnectedCellsAreNeverWritten) {
  const WaypointGraph graph = graphOf(generateRandomMap(99, 30, 2));
  std::vector<uint8_t> reach(graph.cellCount, 0);
  // Only the cells 0->b count as connected: everything else stays put.
  for (int64_t b = 0; b < graph.n; ++b) reach[cellIndex(0, b, graph.n)] = 1;
  PathingSweep sweep(graph, reach, options());
  while (sweep.runPass()) {
  }
  for (int64_t a = 0; a < graph.n; ++a) {
    for (int64_t b = 0; b < graph.n; ++b) {
      const size_t cell = cellIndex(a, b, graph.n);
      if (a == 0 && !graph.adjacency[cell]) continue;
      EXPECT_EQ(sweep.pathing()[cell], graph.edgeLength[cell]);
      EXPECT_EQ(sweep.shortestPath()[cell], kNoIntermediate);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllEngines, PathingSweepTest, ::testing::ValuesIn(allCases()),
                         caseName);

class SlowPathingSweepTest : public PathingSweepTest {};

TEST_P(SlowPathingSweepTest, LargerRealisticMapsAndGrids) {
  for (int32_t size : {300, 450}) {
    ASSERT_TRUE(pathingMatchesReference(graphOf(generateRealisticMap(5, size)), options()))
        << size;
  }
  ASSERT_TRUE(pathingMatchesReference(graphOf(generateGridMap(18, 17)), options()));
}

TEST_P(SlowPathingSweepTest, ManyMoreRandomGraphs) {
  for (uint64_t seed = 1000; seed < 4000; ++seed) {
    const int32_t size = 1 + int32_t(seed % 70);
    ASSERT_TRUE(pathingMatchesReference(
        graphOf(generateRandomMap(seed, size, 1 + int32_t(seed % 3))), options()))
        << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(AllEngines, SlowPathingSweepTest, ::testing::ValuesIn(allCases()),
                         caseName);

// The phases as the run calls them: every line written, every result.
TEST(FastEnginePhases, LinesMatchTheReference) {
  ASSERT_TRUE(testing::phaseLinesMatchReference(graphOf(sixWaypointExample())));
  ASSERT_TRUE(testing::phaseLinesMatchReference(graphOf(MapSpec{})));
  for (uint64_t seed = 1; seed <= 60; ++seed) {
    ASSERT_TRUE(testing::phaseLinesMatchReference(
        graphOf(mixedStructureMap(seed, 1 + int32_t(seed * 7 % 90)))))
        << seed;
  }
  ASSERT_TRUE(testing::phaseLinesMatchReference(graphOf(generateRealisticMap(1, 150))));
}

TEST(FastEnginePhases, SixWaypointTranscriptLines) {
  std::ostringstream out;
  const WaypointGraph graph = graphOf(sixWaypointExample());
  std::vector<uint8_t> reach(graph.cellCount, 1);
  const PathingResult result = buildPathingBlock(graph, reach, out);
  EXPECT_EQ(out.str(),
            "Building pathing block and shortest path matrix...\n\n"
            "\rBuilt pathing block in 2 iterations\n");
  EXPECT_EQ(result.passes, 2);
  EXPECT_EQ(result.pathing[cellIndex(0, 5, 6)], 15.0f);
  EXPECT_EQ(result.shortestPath[cellIndex(0, 5, 6)], 1);
}

}  // namespace
}  // namespace tessivar
