// How much memory loading a map and the run over it need, and how much the
// process can have. The loader compares the two before it allocates
// anything of size N x N, so a map too big for the process ends the run
// cleanly (status 3) instead of producing an undersized array or being
// killed by the system.
//
// The loader counts what it holds itself (the records and path lists for
// the whole run, the file's bytes and the adjacency bit matrix while it
// builds them) and asks the caller what its analysis of the graph will
// allocate at its peak (analysis/run_memory.h has the report's figure), so
// the layout of the analysis is known in one place. A measured headroom
// covers what the program allocates beyond the counted arrays. The budget
// (platform/process_memory.h) is taken once, before the file is read, so
// nothing the run allocates itself is mistaken for memory that is gone.
#ifndef TESSIVAR_WAYPOINT_MEMORY_BUDGET_H_
#define TESSIVAR_WAYPOINT_MEMORY_BUDGET_H_

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/process_memory.h"

namespace tessivar {

using platform::MemoryBudget;
using platform::processMemoryBudget;

// What the loader holds per unit of the map's size.
namespace load_memory {

// Sixteenths of a byte per cell while the loader builds its matrix and
// still holds the file's bytes: the adjacency bit matrix (2).
constexpr uint64_t kLoadingSixteenthsPerCell = 2;
// Bytes per waypoint from loading to the end: its record (16) and the start
// of its path list (8).
constexpr uint64_t kMapBytesPerWaypoint = 16 + 8;
// Bytes per path entry from loading to the end: its target (int32) and its
// length (float).
constexpr uint64_t kBytesPerPathEntry = 4 + 4;
// What the program allocates beyond the counted arrays once the budget has
// been taken: stream and file buffers, the allocator's rounding and the
// free space it keeps at the heap's top, the report's strings. Measured with
// `bash scripts/benchmark.sh memory` (peak address space and resident
// memory of a run against what the process had before it): over 6 to 2048
// waypoints on one thread the peak rose at most 0.21 MiB above the counted
// arrays, and the six-waypoint example runs under a 7 MiB address-space
// limit. 1 MiB leaves room for other C libraries and allocators.
constexpr uint64_t kHeadroomBytes = 1ull << 20;

}  // namespace load_memory

// The sizes of a map the file gives before anything of size N x N exists.
struct MapSize {
  int64_t waypoints = 0;
  uint64_t pathEntries = 0;
  // The file's bytes the loader holds while it builds the matrix.
  uint64_t fileBytes = 0;
};

// What the analysis of the loaded graph allocates at its peak, the graph's
// adjacency matrix included but not its records and path lists; and the
// address space it maps beyond that (a thread's stack and heap).
struct AnalysisNeed {
  uint64_t fillBytes = 0;
  uint64_t extraAddressSpace = 0;
};

// The caller's figure for a map of `size`, whose file is `data` (its path
// lists may be read for what the analysis's layout depends on).
using AnalysisNeedOf =
    std::function<AnalysisNeed(const MapSize& size, const uint8_t* data, size_t bytes)>;

// A whole run's need: what it fills at its peak, headroom included, and the
// address space it maps. Saturates instead of overflowing.
struct RunNeed {
  uint64_t fillBytes = 0;
  uint64_t addressSpace = 0;

  bool fits(const MemoryBudget& budget) const {
    return fillBytes <= budget.availableBytes && addressSpace <= budget.addressSpaceBytes;
  }
};

// The loader's own peak and the analysis's, whichever is larger, on top of
// the map held from start to end.
RunNeed runNeed(const MapSize& size, const AnalysisNeed& analysis);

// The most bytes the reading stage may hold at once (the headroom kept
// aside): it checks every growth of its buffer against this first.
uint64_t bufferRoom(const MemoryBudget& budget);

// `budget` less `bytes` the caller holds, on both counts.
MemoryBudget budgetLess(const MemoryBudget& budget, uint64_t bytes);

// Bytes a WaypointMap parsed from `fileBytes` bytes of a waypoint file may
// need: at most four times the bytes, plus a little. Saturates.
uint64_t mapMemoryNeed(uint64_t fileBytes);

// Saturating arithmetic for memory figures.
uint64_t saturatingAdd(uint64_t a, uint64_t b);
uint64_t saturatingMul(uint64_t a, uint64_t b);
// Bytes for `cells` cells of `perCell` sixteenths of a byte each, rounded
// up. Saturates.
uint64_t sixteenthsOfBytes(uint64_t cells, uint64_t perCell);

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_MEMORY_BUDGET_H_
