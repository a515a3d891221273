// What tessivar's analysis (analysis/report_phases.h) allocates for a map,
// and when its pathing phase pays for a second thread: the one place to
// change when an array of the engine changes. The loader's memory check
// asks for this figure (waypoint/memory_budget.h) before it allocates
// anything of size N x N.
#ifndef TESSIVAR_ANALYSIS_RUN_MEMORY_H_
#define TESSIVAR_ANALYSIS_RUN_MEMORY_H_

#include <cstddef>
#include <cstdint>

#include "waypoint/memory_budget.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

namespace run_memory {

// Sixteenths of a byte per cell of the N x N arrays alive in the pathing
// phase, the run's peak: the adjacency and reachability bit matrices (2
// each), the pathing block (64) and the 16-bit intermediates (32). The
// reachability phase's bit rows and columns (4) are gone before the pathing
// phase allocates its arrays, and there is no edge length matrix: the
// lengths stay with the path lists.
constexpr uint64_t kPeakSixteenthsPerCell = 100;
// On maps where the pathing engine keeps its bounds (pathingKeepsBounds):
// its minima and last-write times per row and per column for each block of
// 16 intermediates (16) and each group of 16 blocks (1).
constexpr uint64_t kBoundsSixteenthsPerCell = 17;
// The pathing engine keeps its bounds, and runs passes bounded by blocks
// of intermediates, only on maps whose own numbering keeps neighbours
// together: at least kBoundsShareTenths tenths of the path entries join
// two waypoints of the same block of 16 consecutive numbers. Elsewhere
// (randomly numbered maps, where the cells a tile evaluates together lie
// all over the map) a pass sums every intermediate, which costs less than
// keeping the bounds (BENCHMARKS.md has the measurements).
constexpr uint64_t kBoundsShareTenths = 3;
// The pathing engine's O(N) arrays, per waypoint: its order (8 bytes),
// padding of the pathing block's columns (60), of the block and group
// arrays (512), per-row and per-column values (44); a write log of 128
// entries shared by its threads, each a row, column, value and place in
// the by-row order (2048); for each of its two threads a 64-row copy of
// the pathing block (256), a sparse pass's log end per column, best sums
// and by-row starts (24) and its transposed group of 32 columns (128); a
// sparse pass's sums through each row's writes over a group (256) and its
// index of the last pass's writes (1536 for the entries, 24 for the
// lines); about 5.2 KiB in all, counted as 5.5.
constexpr uint64_t kPathingBytesPerWaypoint = 5632;
// Below this many waypoints a second pathing thread costs more than it
// saves, and the engine never starts one.
constexpr int64_t kSecondThreadMinimumWaypoints = 256;

}  // namespace run_memory

// Whether the engine keeps its bounds on a map with `pathEntries` path
// entries, `pathEntriesInsideBlocks` of which join two waypoints of the
// same block of 16 consecutive numbers.
bool pathingKeepsBounds(uint64_t pathEntries, uint64_t pathEntriesInsideBlocks);

// The path entries of a waypoint file's lists (`data`, N waypoints) whose
// target lies in the same block of 16 consecutive numbers as their
// waypoint, up to the first list that is negative or not all there.
uint64_t countPathEntriesInsideBlocks(const uint8_t* data, size_t size, int32_t n);

// Whether the pathing phase may run a second thread on a map of
// `waypoints`: the map is big enough to gain from it and the process may
// use two cores (platform/cpu_cores.h). The engine starts one only then
// (and only when a core is idle at that moment), so the memory check counts
// the thread's address space exactly when this holds.
bool pathingMayUseSecondThread(int64_t waypoints);

// The report phases' peak for a map of `size` whose file is `data`, with
// the second thread's address space where it may start: the figure the
// loader asks for.
AnalysisNeed reportPhasesNeed(const MapSize& size, const uint8_t* data, size_t bytes);

// The same from the figures alone: `pathEntriesInsideBlocks` decides
// whether the engine keeps its bounds, `secondThread` whether its address
// space counts.
AnalysisNeed phasesNeed(const MapSize& size, uint64_t pathEntriesInsideBlocks,
                        bool secondThread);

// A whole run of tessivar over a map of `size`: what the loader holds and
// the phases' peak (waypoint/memory_budget.h's runNeed).
RunNeed reportRunNeed(const MapSize& size, uint64_t pathEntriesInsideBlocks = 0,
                      bool secondThread = false);

// Whether a tool that can show a map without the report's N x N figures
// (tessivar-view) runs the report's phases on a map it has loaded. They
// run when the map has at most `waypointLimit` waypoints (their time grows
// with N^3: a few seconds at 2048) and their peak, with the headroom,
// fits what the process can still have (`budget`, taken with the map
// loaded); otherwise the plan says which of the two stopped them.
enum class PhasesPlan { kRun, kTooManyWaypoints, kTooLittleMemory };

struct ReportPhasesPlan {
  PhasesPlan plan = PhasesPlan::kRun;
  // What the phases would fill and map beyond the loaded map: the
  // adjacency matrix, their peak and the headroom.
  uint64_t fillBytes = 0;
  uint64_t addressSpace = 0;
};

ReportPhasesPlan planReportPhases(const WaypointMap& map, int64_t waypointLimit,
                                  const MemoryBudget& budget);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_RUN_MEMORY_H_
