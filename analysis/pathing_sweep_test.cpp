// The fast pathing sweep against the reference model, after every pass,
// bit for bit, for every kernel path this machine can run (the portable
// one always), every grouping of the intermediates into blocks, each skip
// on and off, and one and two threads.
#include "analysis/pathing_sweep.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <sched.h>
#endif

#include <sstream>
#include <string>

#include "analysis/pathing.h"
#include "analysis/reachability_sweep.h"
#include "platform/cpu_cores.h"
#include "testing/differential.h"

namespace tessivar {
namespace {

using testing::graphOf;
using testing::mixedStructureMap;
using testing::pathingMatchesReference;

// Which skips are on and which passes run.
enum class Skips {
  kAll,            // bounded passes with every skip, superblocks even on small maps
  kNone,           // bounded passes with no skip: every block of every cell
  kBoundsOnly,     // block bounds against the value, no bar, every cell
  kChangedOnly,    // operands written since, no bounds
  kNoBar,          // bounds and changed operands, no bar from a known sum
  kNoNeighbours,   // the bar from the current intermediate only
  kSparse,         // sparse passes whenever the last pass's writes are known
  kSparseTinyLog,  // the same with a log of a few entries: it fills up
  kDense,          // every pass dense: every intermediate of every
                   // considered cell (the changed-operand skip does not
                   // apply to dense passes)
  kAsRun,          // the engine as the tool runs it: every kind of pass by
                   // the cost model
};

struct EngineCase {
  KernelPath kernel;
  BlockOrder order;
  Skips skips;
  int threads;
};

std::string engineName(const EngineCase& c) {
  static const char* const kKernels[] = {"Portable", "Avx2", "Avx512"};
  static const char* const kOrders[] = {"Auto", "Numbering", "Spatial", "Shuffled"};
  static const char* const kSkips[] = {"AllSkips",     "NoSkips", "BoundsOnly",
                                       "ChangedOnly",  "NoBar",   "NoNeighbours",
                                       "Sparse",       "SparseTinyLog", "Dense",
                                       "AsRun"};
  return std::string(kKernels[int(c.kernel)]) + kOrders[int(c.order)] + kSkips[int(c.skips)] +
         (c.threads == 2 ? "TwoThreads" : "OneThread");
}

std::string caseName(const ::testing::TestParamInfo<EngineCase>& info) {
  return engineName(info.param);
}

std::vector<EngineCase> allCases() {
  std::vector<EngineCase> cases;
  for (KernelPath kernel : {KernelPath::kPortable, KernelPath::kAvx2, KernelPath::kAvx512}) {
    // Bounded passes and the engine as it runs, in every grouping, on one
    // and two threads.
    for (BlockOrder order : {BlockOrder::kAuto, BlockOrder::kNumbering, BlockOrder::kSpatial,
                             BlockOrder::kShuffled}) {
      for (int threads : {1, 2}) cases.push_back({kernel, order, Skips::kAll, threads});
    }
    for (int threads : {1, 2}) cases.push_back({kernel, BlockOrder::kAuto, Skips::kAsRun, threads});
    // Each skip setting with the shuffled grouping (the loosest bounds);
    // the sparse passes on one thread there, and on two in the map's own
    // numbering (the only one where they take two).
    for (Skips skips : {Skips::kNone, Skips::kBoundsOnly, Skips::kChangedOnly, Skips::kNoBar,
                        Skips::kNoNeighbours}) {
      for (int threads : {1, 2}) cases.push_back({kernel, BlockOrder::kShuffled, skips, threads});
    }
    for (Skips skips : {Skips::kSparse, Skips::kSparseTinyLog}) {
      cases.push_back({kernel, BlockOrder::kShuffled, skips, 1});
      cases.push_back({kernel, BlockOrder::kNumbering, skips, 2});
    }
    // Dense passes in the map's own numbering (the lowest waypoint is the
    // first position) and in a shuffled one, on one and two threads.
    for (BlockOrder order : {BlockOrder::kNumbering, BlockOrder::kShuffled}) {
      for (int threads : {1, 2}) cases.push_back({kernel, order, Skips::kDense, threads});
    }
  }
  return cases;
}

// The long sweeps: the portable kernels and the machine's best, bounded
// passes, the engine as it runs and sparse passes forced, one and two
// threads.
std::vector<EngineCase> slowCases() {
  std::vector<EngineCase> cases;
  for (KernelPath kernel : {KernelPath::kPortable, bestKernelPath()}) {
    for (BlockOrder order : {BlockOrder::kAuto, BlockOrder::kShuffled}) {
      for (int threads : {1, 2}) cases.push_back({kernel, order, Skips::kAll, threads});
    }
    for (int threads : {1, 2}) cases.push_back({kernel, BlockOrder::kAuto, Skips::kAsRun, threads});
    cases.push_back({kernel, BlockOrder::kShuffled, Skips::kSparse, 1});
    cases.push_back({kernel, BlockOrder::kNumbering, Skips::kSparse, 2});
  }
  return cases;
}

PathingSweepOptions optionsOf(const EngineCase& c) {
  PathingSweepOptions options;
  options.kernel = c.kernel;
  options.order = c.order;
  options.shuffleSeed = 17;
  options.threads = c.threads;
  if (c.skips == Skips::kAsRun) return options;
  const bool sparse = c.skips == Skips::kSparse || c.skips == Skips::kSparseTinyLog;
  const bool all = c.skips == Skips::kAll || sparse;
  options.blockBounds = all || c.skips == Skips::kBoundsOnly || c.skips == Skips::kNoBar ||
                        c.skips == Skips::kNoNeighbours;
  options.changedOnly = all || c.skips == Skips::kChangedOnly || c.skips == Skips::kNoBar ||
                        c.skips == Skips::kNoNeighbours;
  options.viaThreshold = all || c.skips == Skips::kNoNeighbours;
  options.neighbourBars = all;
  options.superblocksAbove = all ? 0 : -1;
  options.full = c.skips == Skips::kDense ? FullPasses::kDense : FullPasses::kBounded;
  options.sparse = sparse ? SparsePasses::kWhenAble : SparsePasses::kNever;
  if (c.skips == Skips::kSparseTinyLog) options.logCapacity = 3;
  return options;
}

class PathingSweepTest : public ::testing::TestWithParam<EngineCase> {
 protected:
  void SetUp() override {
    if (!kernelPathSupported(GetParam().kernel)) {
      GTEST_SKIP() << "this machine cannot run these kernels";
    }
  }
  PathingSweepOptions options() const { return optionsOf(GetParam()); }
};

TEST_P(PathingSweepTest, UsesTheRequestedKernelsAndThreads) {
  const WaypointGraph graph = graphOf(sixWaypointExample());
  CellBits reach;
  reach.assign(graph.cellCount);
  for (uint64_t cell = 0; cell < graph.cellCount; ++cell) reach.set(cell);
  PathingSweep sweep(graph, reach, options());
  EXPECT_EQ(pathingKernels(GetParam().kernel).path, GetParam().kernel);
  EXPECT_STREQ(sweep.kernelName(), pathingKernels(GetParam().kernel).name);
  EXPECT_EQ(sweep.threads(), GetParam().threads);
}

TEST_P(PathingSweepTest, SixWaypointExample) {
  int32_t passes = -1;
  ASSERT_TRUE(pathingMatchesReference(graphOf(sixWaypointExample()), options(), &passes));
  EXPECT_EQ(passes, 2);
}

TEST_P(PathingSweepTest, DirectAndUnconnectedCellsAreNeverWritten) {
  const WaypointGraph graph = graphOf(generateRandomMap(99, 30, 2));
  CellBits reach;
  reach.assign(graph.cellCount);
  // Only the cells 0->b count as connected: everything else stays put.
  for (int64_t b = 0; b < graph.n; ++b) reach.set(cellIndex(0, b, graph.n));
  PathingSweep sweep(graph, reach, options());
  while (sweep.runPass()) {
  }
  const std::vector<float> values = sweep.pathing();
  for (int32_t a = 0; a < graph.n; ++a) {
    for (int32_t b = 0; b < graph.n; ++b) {
      const size_t cell = cellIndex(a, b, graph.n);
      if (a == 0 && !graph.hasPath(a, b)) continue;
      EXPECT_EQ(values[cell], graph.edgeLength(a, b));
      EXPECT_EQ(sweep.shortestPath()[cell], kNoIntermediate);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllEngines, PathingSweepTest, ::testing::ValuesIn(allCases()),
                         caseName);

// The sweeps on many maps, for every engine case this machine can run:
// each map's reference is run once and every case compared with it (the
// reference takes far longer than any case).
::testing::AssertionResult everyEngineMatchesReference(const WaypointGraph& graph,
                                                       const std::vector<EngineCase>& cases) {
  const testing::ReferencePathingPasses reference = testing::referencePathingPasses(graph);
  for (const EngineCase& c : cases) {
    if (!kernelPathSupported(c.kernel)) continue;
    ::testing::AssertionResult result =
        testing::pathingMatchesReference(graph, reference, optionsOf(c));
    if (!result) return result << " with " << engineName(c);
  }
  return ::testing::AssertionSuccess();
}

TEST(PathingSweepEngines, HundredsOfSmallRandomGraphs) {
  // Integer positions in a tiny cube: many equal sums, zero lengths, self
  // paths and repeated targets.
  for (uint64_t seed = 1; seed <= 400; ++seed) {
    const int32_t size = 1 + int32_t(seed % 41);
    const int32_t paths = 1 + int32_t(seed % 4);
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(generateRandomMap(seed, size, paths)),
                                            allCases()))
        << "seed " << seed;
  }
}

TEST(PathingSweepEngines, MixedStructuresAcrossGroupAndBlockEdges) {
  // Sizes around the 16-waypoint blocks, the 16-block bound vectors and
  // the 64-row groups.
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    const int32_t size = 1 + int32_t((seed * 53) % 140);
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(mixedStructureMap(seed, size)), allCases()))
        << "seed " << seed << " size " << size;
  }
  for (int32_t size : {15, 16, 17, 63, 64, 65, 129}) {
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(mixedStructureMap(size, size)), allCases()))
        << "size " << size;
  }
}

TEST(PathingSweepEngines, Grids) {
  // Many routes of equal length: ties decide every intermediate.
  for (auto [w, h] : {std::pair{1, 1}, {1, 9}, {5, 5}, {9, 8}, {13, 5}}) {
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(generateGridMap(w, h)), allCases()))
        << w << "x" << h;
  }
}

// Realistic and walked maps: one test each, as they take the longest.
TEST(PathingSweepEngines, RealisticMaps) {
  for (int32_t size : {6, 63, 64, 65, 129, 180}) {
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(generateRealisticMap(7, size)), allCases()))
        << "realistic " << size;
  }
}

TEST(PathingSweepEngines, WalkedMaps) {
  for (int32_t size : {6, 63, 64, 65, 129, 180}) {
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(generateWalkedMap(7, size)), allCases()))
        << "walked " << size;
  }
}

// The rooms numbered by a depth-first walk: numbers follow space, but not
// as closely as in the walked form.
TEST(PathingSweepEngines, DepthFirstMaps) {
  for (int32_t size : {6, 63, 64, 65, 129, 180}) {
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(generateDepthFirstMap(7, size)), allCases()))
        << "depth-first " << size;
  }
}

TEST(SlowPathingSweepEngines, LargerMapsInEveryNumberingAndGrids) {
  for (int32_t size : {300, 450}) {
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(generateRealisticMap(5, size)), slowCases()))
        << "realistic " << size;
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(generateWalkedMap(5, size)), slowCases()))
        << "walked " << size;
    ASSERT_TRUE(everyEngineMatchesReference(graphOf(generateDepthFirstMap(5, size)), slowCases()))
        << "depth-first " << size;
  }
  ASSERT_TRUE(everyEngineMatchesReference(graphOf(generateGridMap(18, 17)), slowCases()));
}

// Seeds 1000 to 3999, in two tests that run side by side.
void expectRandomGraphsMatch(uint64_t firstSeed, uint64_t endSeed) {
  for (uint64_t seed = firstSeed; seed < endSeed; ++seed) {
    const int32_t size = 1 + int32_t(seed % 70);
    ASSERT_TRUE(everyEngineMatchesReference(
        graphOf(generateRandomMap(seed, size, 1 + int32_t(seed % 3))), slowCases()))
        << "seed " << seed;
  }
}

TEST(SlowPathingSweepEngines, ManyMoreRandomGraphs) { expectRandomGraphsMatch(1000, 2500); }

TEST(SlowPathingSweepEngines, ManyMoreRandomGraphsOtherSeeds) {
  expectRandomGraphsMatch(2500, 4000);
}

// The engine as it runs picks its passes by the map: on a map numbered the
// way it was walked it keeps bounds and skips blocks, on a randomly
// numbered one every pass that is not sparse is dense. On every numbering
// the last passes, which write few cells, are sparse. (How many blocks the
// bounds skip and how many passes are sparse depend on the engine's
// tuning, which BENCHMARKS.md measures; only what it chooses is checked
// here.)
TEST(PathingSweepSkips, BoundedOnWalkedMapsDenseOnRandomlyNumberedOnes) {
  for (const MapSpec& map : {generateRealisticMap(3, 400), generateWalkedMap(3, 400),
                             generateDepthFirstMap(3, 400)}) {
    const bool walked = map.name.rfind("walk_", 0) == 0;
    const bool random = map.name.rfind("gen_", 0) == 0;
    const WaypointGraph graph = graphOf(map);
    ReachabilitySweep closure(graph);
    while (closure.runPass()) {
    }
    const CellBits reach = closure.matrix();
    PathingSweepOptions options;
    options.threads = 1;
    PathingSweep sweep(graph, reach, options);
    const int64_t blocks = (graph.n + kBlockSize - 1) / kBlockSize;
    // Blocks summed against all blocks, for every register block.
    int64_t scanned = 0, plain = 0, sparse = 0, dense = 0, passes = 0;
    bool lastSparse = false;
    while (sweep.runPass()) {
      const PassCounts& counts = sweep.lastPass();
      ++passes;
      lastSparse = counts.kind == PassKind::kSparse;
      sparse += lastSparse;
      dense += counts.kind == PassKind::kDense;
      if (lastSparse) continue;
      scanned += counts.scanned;
      plain += counts.registerBlocks * blocks;
    }
    EXPECT_GT(scanned, 0) << map.name;
    if (walked) {
      EXPECT_EQ(dense, 0) << map.name;
      EXPECT_LT(scanned * 4, plain) << map.name << ": bounds and changed operands skip blocks";
    }
    if (random) {
      EXPECT_EQ(dense + sparse, passes) << map.name;
      EXPECT_EQ(scanned, plain) << map.name;
    }
    EXPECT_GT(sparse, 0) << map.name;
    EXPECT_TRUE(lastSparse) << map.name << ": the last pass that writes is sparse";
  }
}

// The comparison with the reference catches a bound above the true
// minimum: the engine then skips blocks that hold the best intermediate.
// On both numberings that keep bounds.
TEST(PathingSweepSkips, AWrongBoundIsCaught) {
  for (const MapSpec& map : {generateWalkedMap(3, 400), generateDepthFirstMap(3, 400)}) {
    const WaypointGraph graph = graphOf(map);
    PathingSweepOptions options;
    options.threads = 1;
    options.full = FullPasses::kBounded;
    options.sparse = SparsePasses::kNever;
    const testing::ReferencePathingPasses reference = testing::referencePathingPasses(graph);
    EXPECT_TRUE(pathingMatchesReference(graph, reference, options)) << map.name;
    options.boundErrorForTests = 50;
    EXPECT_FALSE(pathingMatchesReference(graph, reference, options)) << map.name;
  }
}

// The phases as the run calls them: every pass told, every result.
TEST(FastEnginePhases, PassesMatchTheReference) {
  ASSERT_TRUE(testing::phasesMatchReference(graphOf(sixWaypointExample())));
  ASSERT_TRUE(testing::phasesMatchReference(graphOf(MapSpec{})));
  for (uint64_t seed = 1; seed <= 60; ++seed) {
    ASSERT_TRUE(testing::phasesMatchReference(
        graphOf(mixedStructureMap(seed, 1 + int32_t(seed * 7 % 90)))))
        << seed;
  }
  ASSERT_TRUE(testing::phasesMatchReference(graphOf(generateRealisticMap(1, 150))));
  ASSERT_TRUE(testing::phasesMatchReference(graphOf(generateWalkedMap(1, 150))));
  ASSERT_TRUE(testing::phasesMatchReference(graphOf(generateDepthFirstMap(1, 150))));
}

TEST(FastEnginePhases, SixWaypointExample) {
  const WaypointGraph graph = graphOf(sixWaypointExample());
  CellBits reach;
  reach.assign(graph.cellCount);
  for (uint64_t cell = 0; cell < graph.cellCount; ++cell) reach.set(cell);
  std::vector<bool> changes;
  const PathingResult result =
      buildPathingBlock(graph, reach, [&changes](bool changed) { changes.push_back(changed); });
  EXPECT_EQ(changes, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(result.passes, 2);
  EXPECT_EQ(result.pathing[cellIndex(0, 5, 6)], 15.0f);
  EXPECT_EQ(result.shortestPath[cellIndex(0, 5, 6)], 1);
}

// Bound to one core, the engine takes no second thread.
TEST(PathingSweepThreads, OneAllowedCoreMeansOneThread) {
#if defined(__linux__)
  cpu_set_t saved;
  ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
  if (CPU_COUNT(&saved) < 2) GTEST_SKIP() << "this process may use one core only";
  int first = 0;
  while (!CPU_ISSET(first, &saved)) ++first;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const unsigned cores = platform::usableCores();
  const WaypointGraph graph = testing::graphOf(generateRealisticMap(1, 300));
  CellBits reach;
  reach.assign(graph.cellCount);
  const int threads = PathingSweep(graph, reach).threads();
  ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
  EXPECT_EQ(cores, 1u);
  EXPECT_EQ(threads, 1);
#else
  GTEST_SKIP() << "affinity masks are read on Linux only";
#endif
}

// Two threads on maps of several row bands, where the second thread runs
// beside the first and waits for it column by column: every kernel this
// machine has, bounded passes, the engine as it runs, and dense passes, on
// maps of all three numberings, each pass compared with the reference. (The
// CI's ThreadSanitizer step runs this test and the other two-thread cases.)
TEST(PathingSweepThreads, TwoThreadsOnMapsOfSeveralBands) {
  std::vector<EngineCase> cases;
  for (KernelPath kernel : {KernelPath::kPortable, KernelPath::kAvx2, KernelPath::kAvx512}) {
    for (Skips skips : {Skips::kAll, Skips::kAsRun, Skips::kDense}) {
      cases.push_back({kernel, BlockOrder::kAuto, skips, 2});
    }
    for (Skips skips : {Skips::kSparse, Skips::kSparseTinyLog}) {
      cases.push_back({kernel, BlockOrder::kNumbering, skips, 2});
    }
  }
  for (const MapSpec& map : {generateRealisticMap(11, 200), generateWalkedMap(11, 200),
                             generateDepthFirstMap(11, 200)}) {
    const WaypointGraph graph = graphOf(map);
    CellBits reach;
    reach.assign(graph.cellCount);
    PathingSweepOptions options;
    options.threads = 2;
    ASSERT_EQ(PathingSweep(graph, reach, options).threads(), 2) << map.name;
    ASSERT_TRUE(everyEngineMatchesReference(graph, cases)) << map.name;
  }
}


// A sparse pass whose write log fills up goes on summing every
// intermediate, and on two threads thread 1 does the same from the group
// of columns at which thread 0's log filled up. Sparse passes limited to
// one, two and five log entries on maps of one and of several row bands
// make that happen in many passes (a sparse pass followed by a pass that
// is not, though sparse passes run whenever able), at thread 0, at thread 1
// and on one thread; every pass is compared with the reference.
TEST(PathingSweepThreads, SparsePassesGoOnWhenALogFillsUp) {
  int64_t filled[2] = {0, 0};  // one thread, two threads
  for (uint64_t seed = 1; seed <= 12; ++seed) {
    const int32_t size = 40 + int32_t((seed * 37) % 120);
    const WaypointGraph graph = graphOf(seed % 2 ? mixedStructureMap(seed, size)
                                                 : generateRandomMap(seed, size, 2));
    const testing::ReferencePathingPasses reference = testing::referencePathingPasses(graph);
    for (int threads : {1, 2}) {
      for (int64_t capacity : {1, 2, 5}) {
        PathingSweepOptions options;
        options.threads = threads;
        options.order = threads == 2 ? BlockOrder::kNumbering : BlockOrder::kShuffled;
        options.shuffleSeed = seed;
        options.sparse = SparsePasses::kWhenAble;
        options.sparseLogLimitForTests = capacity;
        ASSERT_TRUE(testing::pathingMatchesReference(graph, reference, options))
            << "seed " << seed << ", " << threads << " thread(s), log of " << capacity;
        PathingSweep sweep(graph, reference.reachability, options);
        bool lastSparse = false;
        while (sweep.runPass()) {
          const bool sparse = sweep.lastPass().kind == PassKind::kSparse;
          filled[threads - 1] += lastSparse && !sparse;
          lastSparse = sparse;
        }
      }
    }
  }
  EXPECT_GT(filled[0], 10);
  EXPECT_GT(filled[1], 10);
}

}  // namespace
}  // namespace tessivar
