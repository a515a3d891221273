// Comparisons of the library's fast engine with the reference model, pass
// by pass, and the generated graph families the differential tests use.
#ifndef TESSIVAR_TESTING_DIFFERENTIAL_H_
#define TESSIVAR_TESTING_DIFFERENTIAL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/pathing_sweep.h"
#include "tools/map_generator.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {
namespace testing {

// The graph the loader builds from the file of `map`.
WaypointGraph graphOf(const MapSpec& map);

// A map of several parts that never meet: a directed cycle, a chain whose
// labels run against the sweep order, a clump of random one-way paths with
// self paths and repeated targets, two-way pairs and lone waypoints. Many
// waypoints share integer positions, so many sums are equal and some
// lengths are zero.
MapSpec mixedStructureMap(uint64_t seed, int32_t size);

// Runs the reference and the fast reachability sweep side by side and
// checks after every pass: whether it set a cell, the reachable count and
// the whole matrix. `passes` gets the number of passes that set cells.
// Each kernel path this machine can run: always the portable one.
std::vector<KernelPath> supportedKernelPaths();

::testing::AssertionResult reachabilityMatchesReference(
    const WaypointGraph& graph, int32_t* passes = nullptr,
    KernelPath kernel = bestKernelPath());
// The same for several kernel paths side by side, against one run of the
// reference.
::testing::AssertionResult reachabilityMatchesReference(
    const WaypointGraph& graph, const std::vector<KernelPath>& kernels,
    int32_t* passes = nullptr);

// The same for the pathing sweep with `options`: after every pass, whether
// it rewrote a cell, and both matrices bit for bit.
::testing::AssertionResult pathingMatchesReference(
    const WaypointGraph& graph, const PathingSweepOptions& options,
    int32_t* passes = nullptr);

// The reference pathing sweep of a map, pass by pass: run once and kept, so
// that many runs of the fast sweep (with different options) can each be
// compared with it. The reference is by far the slower of the two.
struct ReferencePathingPasses {
  CellBits reachability;                   // the input of both sweeps
  std::vector<bool> rewrote;               // per pass: whether it rewrote a cell
  std::vector<std::vector<float>> pathing;  // per pass: the matrices after it
  std::vector<std::vector<int32_t>> via;
};
ReferencePathingPasses referencePathingPasses(const WaypointGraph& graph);

::testing::AssertionResult pathingMatchesReference(
    const WaypointGraph& graph, const ReferencePathingPasses& reference,
    const PathingSweepOptions& options, int32_t* passes = nullptr);

// Both phases, library against reference: what each pass told (the
// reachable count after each pass that set cells, whether each pathing pass
// rewrote a cell) and the results.
::testing::AssertionResult phasesMatchReference(const WaypointGraph& graph);

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_DIFFERENTIAL_H_
