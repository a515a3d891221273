#include "testing/differential.h"

#include <cstring>
#include <sstream>

#include "analysis/pathing.h"
#include "analysis/reachability.h"
#include "analysis/reachability_sweep.h"
#include "testing/reference_engine.h"
#include "testing/test_support.h"

namespace tessivar {
namespace testing {

WaypointGraph graphOf(const MapSpec& map) {
  WaypointGraph graph;
  const LoadResult result = parse(encodeWaypointFile(map), graph);
  EXPECT_EQ(result.status, LoadStatus::kLoaded) << result.message;
  return graph;
}

MapSpec mixedStructureMap(uint64_t seed, int32_t size) {
  MapRandom random(seed);
  MapSpec map;
  map.name = "mixed_" + std::to_string(seed);
  map.positions.resize(size);
  map.paths.resize(size);
  for (auto& position : map.positions) {
    position = {float(random.below(5)), float(random.below(5)),
                float(random.below(2))};
  }
  // Shuffled labels, so every part is spread over the index range.
  std::vector<int32_t> label(size);
  for (int32_t i = 0; i < size; ++i) label[i] = i;
  for (int32_t i = size - 1; i > 0; --i) {
    std::swap(label[i], label[random.below(uint32_t(i + 1))]);
  }
  auto add = [&](int32_t from, int32_t to) {
    map.paths[from].push_back(static_cast<int16_t>(to));
  };
  int32_t next = 0;
  while (next < size) {
    const int32_t part = std::min<int32_t>(size - next, 1 + random.below(12));
    const int32_t* v = label.data() + next;
    switch (random.below(5)) {
      case 0:  // a directed cycle
        for (int32_t i = 0; i < part; ++i) add(v[i], v[(i + 1) % part]);
        break;
      case 1:  // a chain from the highest label down to the lowest
        for (int32_t i = 0; i + 1 < part; ++i) {
          add(std::max(v[i], v[i + 1]), std::min(v[i], v[i + 1]));
        }
        break;
      case 2:  // random one-way paths, self paths and repeats included
        for (int32_t i = 0; i < part * 2; ++i) {
          add(v[random.below(part)], v[random.below(part)]);
        }
        if (part > 0) add(v[0], v[0]), add(v[0], v[part - 1]), add(v[0], v[part - 1]);
        break;
      case 3:  // two-way pairs along a line
        for (int32_t i = 0; i + 1 < part; ++i) add(v[i], v[i + 1]), add(v[i + 1], v[i]);
        break;
      default:  // lone waypoints
        break;
    }
    next += part;
  }
  return map;
}

namespace {

std::string cellName(int64_t cell, int64_t n) {
  return std::to_string(cell % n) + "->" + std::to_string(cell / n);
}

template <class T>
int64_t firstDifference(const std::vector<T>& x, const std::vector<T>& y) {
  if (x.size() != y.size()) return -2;
  // Compared as bytes, so a float must match bit for bit.
  if (x.empty() || std::memcmp(x.data(), y.data(), x.size() * sizeof(T)) == 0) return -1;
  for (size_t i = 0; i < x.size(); ++i) {
    if (std::memcmp(&x[i], &y[i], sizeof(T)) != 0) return static_cast<int64_t>(i);
  }
  return -1;
}

// Intermediates as the library keeps them (16 bits) against the
// reference's plain integers.
int64_t firstDifference(const std::vector<int16_t>& x, const std::vector<int32_t>& y) {
  if (x.size() != y.size()) return -2;
  for (size_t i = 0; i < x.size(); ++i) {
    if (int32_t(x[i]) != y[i]) return static_cast<int64_t>(i);
  }
  return -1;
}

}  // namespace

std::vector<KernelPath> supportedKernelPaths() {
  std::vector<KernelPath> paths;
  for (KernelPath path : {KernelPath::kPortable, KernelPath::kAvx2, KernelPath::kAvx512}) {
    if (kernelPathSupported(path)) paths.push_back(path);
  }
  return paths;
}

::testing::AssertionResult reachabilityMatchesReference(
    const WaypointGraph& graph, int32_t* passes, KernelPath kernel) {
  return reachabilityMatchesReference(graph, std::vector<KernelPath>{kernel}, passes);
}

::testing::AssertionResult reachabilityMatchesReference(
    const WaypointGraph& graph, const std::vector<KernelPath>& kernels, int32_t* passes) {
  const int64_t n = graph.n;
  ReferenceReachabilitySweep reference(graph);
  std::vector<ReachabilitySweep> sweeps;
  sweeps.reserve(kernels.size());
  for (KernelPath kernel : kernels) sweeps.emplace_back(graph, kernel);
  for (const ReachabilitySweep& fast : sweeps) {
    if (fast.reachableCount() != reference.reachableCount()) {
      return ::testing::AssertionFailure() << "starting count " << fast.reachableCount()
                                           << " != " << reference.reachableCount();
    }
  }
  int32_t pass = 0;
  while (pass < n) {
    const bool expected = reference.runPass();
    for (size_t k = 0; k < sweeps.size(); ++k) {
      ReachabilitySweep& fast = sweeps[k];
      const char* name = pathingKernels(kernels[k]).name;
      const bool changed = fast.runPass();
      if (changed != expected) {
        return ::testing::AssertionFailure()
               << "pass " << pass + 1 << " [" << name << "]: set cells " << changed
               << ", reference " << expected;
      }
      if (fast.reachableCount() != reference.reachableCount()) {
        return ::testing::AssertionFailure()
               << "pass " << pass + 1 << " [" << name << "]: count " << fast.reachableCount()
               << ", reference " << reference.reachableCount();
      }
      const int64_t cell = firstDifference(toBytes(fast.matrix()), reference.matrix());
      if (cell != -1) {
        return ::testing::AssertionFailure()
               << "pass " << pass + 1 << " [" << name << "]: matrices differ at cell "
               << (cell >= 0 ? cellName(cell, n) : "(size)");
      }
    }
    if (!expected) break;
    ++pass;
  }
  if (passes) *passes = pass;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult pathingMatchesReference(
    const WaypointGraph& graph, const PathingSweepOptions& options,
    int32_t* passes) {
  return pathingMatchesReference(graph, referencePathingPasses(graph), options, passes);
}

ReferencePathingPasses referencePathingPasses(const WaypointGraph& graph) {
  const int64_t n = graph.n;
  ReferenceReachabilitySweep reach(graph);
  for (int32_t pass = 0; pass < n && reach.runPass(); ++pass) {
  }
  ReferencePathingPasses passes;
  passes.reachability = toCellBits(reach.matrix());
  ReferencePathingSweep reference(graph, reach.matrix());
  // Every pass the phase would run: up to the first that rewrites nothing,
  // at most N.
  for (int32_t pass = 0; pass < n; ++pass) {
    const bool rewrote = reference.runPass();
    passes.rewrote.push_back(rewrote);
    passes.pathing.push_back(reference.pathing());
    passes.via.push_back(reference.shortestPath());
    if (!rewrote) break;
  }
  return passes;
}

::testing::AssertionResult pathingMatchesReference(
    const WaypointGraph& graph, const ReferencePathingPasses& reference,
    const PathingSweepOptions& options, int32_t* passes) {
  const int64_t n = graph.n;
  PathingSweep fast(graph, reference.reachability, options);
  int32_t pass = 0;
  for (size_t k = 0; k < reference.rewrote.size(); ++k) {
    const bool expected = reference.rewrote[k];
    const std::vector<float>& expectedPathing = reference.pathing[k];
    const std::vector<int32_t>& expectedVia = reference.via[k];
    const bool changed = fast.runPass();
    const std::string kind = " (" + std::to_string(fast.lastPass().evaluated) + " cells, " +
                             std::to_string(fast.lastPass().scanned) + " blocks)";
    if (changed != expected) {
      return ::testing::AssertionFailure()
             << "pass " << pass + 1 << kind << ": rewrote cells " << changed
             << ", reference " << expected;
    }
    const std::vector<float> values = fast.pathing();
    int64_t cell = firstDifference(values, expectedPathing);
    if (cell != -1) {
      auto failure = ::testing::AssertionFailure()
                     << "pass " << pass + 1 << kind << " [" << fast.kernelName()
                     << "]: pathing differs";
      if (cell >= 0) {
        failure << " at " << cellName(cell, n) << ": " << values[cell]
                << " (via " << fast.shortestPath()[cell] << "), reference "
                << expectedPathing[cell] << " (via " << expectedVia[cell] << ")";
      }
      return failure;
    }
    cell = firstDifference(fast.shortestPath(), expectedVia);
    if (cell != -1) {
      auto failure = ::testing::AssertionFailure()
                     << "pass " << pass + 1 << kind << " [" << fast.kernelName()
                     << "]: shortest path matrix differs";
      if (cell >= 0) {
        failure << " at " << cellName(cell, n) << ": " << fast.shortestPath()[cell]
                << ", reference " << expectedVia[cell];
      }
      return failure;
    }
    if (!expected) break;
    ++pass;
  }
  if (passes) *passes = pass;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult phasesMatchReference(const WaypointGraph& graph) {
  const ReferenceReport expected = runReferencePhases(graph);
  std::vector<int64_t> steps;
  const ReachabilityResult reach = buildReachabilityMatrix(
      graph, [&steps](int32_t pass, int64_t count) {
        EXPECT_EQ(size_t(pass), steps.size() + 1);
        steps.push_back(count);
      });
  std::vector<bool> changes;
  const PathingResult pathing = buildPathingBlock(
      graph, reach.matrix, [&changes](bool changed) { changes.push_back(changed); });
  if (steps != expected.reachabilitySteps) {
    return ::testing::AssertionFailure() << "reachability passes differ: "
                                         << ::testing::PrintToString(steps) << ", reference "
                                         << ::testing::PrintToString(expected.reachabilitySteps);
  }
  if (changes != expected.pathingPassChanges) {
    return ::testing::AssertionFailure() << "pathing passes differ: "
                                         << ::testing::PrintToString(changes) << ", reference "
                                         << ::testing::PrintToString(expected.pathingPassChanges);
  }
  if (reach.passes != expected.reachabilityPasses ||
      reach.reachableCount != expected.reachableCount ||
      toBytes(reach.matrix) != expected.reachability) {
    return ::testing::AssertionFailure() << "reachability result differs";
  }
  if (pathing.passes != expected.pathingPasses ||
      firstDifference(pathing.pathing, expected.pathing) != -1 ||
      firstDifference(pathing.shortestPath, expected.shortestPath) != -1) {
    return ::testing::AssertionFailure() << "pathing result differs";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace testing
}  // namespace tessivar
