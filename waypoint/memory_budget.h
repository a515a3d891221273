// How much memory a run needs for a map, and how much the process can have.
// The loader compares the two before it allocates anything of size N x N,
// so a map too big for the process ends the run cleanly (status 3) instead
// of producing an undersized array or being killed by the system.
//
// The need counts what the run allocates, from the sizes the file gives:
// every N x N matrix, the per-waypoint arrays and buffers, the path lists,
// and the file's bytes while the loader still holds them; plus a measured
// headroom for what the program allocates beyond them. The budget is taken
// once, before the file is read, so nothing the run allocates itself is
// mistaken for memory that is gone.
#ifndef TESSIVAR_WAYPOINT_MEMORY_BUDGET_H_
#define TESSIVAR_WAYPOINT_MEMORY_BUDGET_H_

#include <cstdint>

namespace tessivar {

// What the run allocates per unit of the map's size: the one place to
// change when an array of the run changes.
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
bool pathingKeepsBounds(uint64_t pathEntries, uint64_t pathEntriesInsideBlocks);
// Sixteenths of a byte per cell while the loader builds its matrix and
// still holds the file's bytes: the adjacency bit matrix (2).
constexpr uint64_t kLoadingSixteenthsPerCell = 2;
// Bytes per waypoint from loading to the end: its record (16) and the start
// of its path list (8).
constexpr uint64_t kMapBytesPerWaypoint = 16 + 8;
// Bytes per path entry from loading to the end: its target (int32) and its
// length (float).
constexpr uint64_t kBytesPerPathEntry = 4 + 4;
// The pathing engine's O(N) arrays, per waypoint: padding of the pathing
// block's columns (60 bytes), of the block and group arrays (512),
// per-row and per-column values (44); for each of its two threads a 64-row
// copy of the pathing block (256) and a write log of 64 entries (512); a
// sparse pass's index of the last pass's writes (1536), their values (512)
// and its own (256) and best sums (24); under 4.5 KiB in all.
constexpr uint64_t kPathingBytesPerWaypoint = 4608;
// What the program allocates beyond the arrays above once the budget has
// been taken: stream and file buffers, the allocator's rounding and the
// free space it keeps at the heap's top, the report's strings. Measured with
// `bash scripts/benchmark.sh memory` (peak address space and resident
// memory of a run against what the process had before it): over 6 to 2048
// waypoints on one thread the peak rose at most 0.21 MiB above the counted
// arrays, and the six-waypoint example runs under a 7 MiB address-space
// limit. 1 MiB leaves room for other C libraries and allocators.
constexpr uint64_t kHeadroomBytes = 1ull << 20;
// From this many waypoints on, the pathing phase may run a second thread
// (when a core is idle). Such a thread maps address space that it hardly
// fills: its stack, and with glibc a 64 MiB reservation for its heap (see
// secondThreadAddressSpace()). Both count under an address-space limit.
// (glibc maps twice the reservation for an instant, to align it; a run
// whose limit leaves less than that spare may still end with status 3 in
// the pathing phase, if the main thread allocates in that instant.)
constexpr int64_t kSecondThreadMinimumWaypoints = 256;
constexpr uint64_t kThreadHeapReservation = 64ull << 20;

}  // namespace run_memory

// The sizes of a map that decide what a run over it allocates.
struct RunSize {
  int64_t waypoints = 0;
  uint64_t pathEntries = 0;
  // The file's bytes the loader holds while it builds the matrices.
  uint64_t fileBytes = 0;
  // Path entries whose two waypoints lie in the same block of 16
  // consecutive numbers (run_memory::pathingKeepsBounds).
  uint64_t pathEntriesInsideBlocks = 0;
};

struct MemoryBudget {
  // Memory the run may fill: the least of the machine's physical memory,
  // what the system can still hand out, and the control-group limits.
  // UINT64_MAX means no known limit.
  uint64_t availableBytes = UINT64_MAX;
  // Address space the run may still map under the process's RLIMIT_AS and
  // RLIMIT_DATA, beyond what was mapped when the budget was taken.
  uint64_t addressSpaceBytes = UINT64_MAX;
};

// Bytes the run fills at its peak, headroom included. Saturates instead of
// overflowing.
uint64_t runMemoryNeed(const RunSize& size);

// Address space the run maps at its peak: its memory need, and the second
// pathing thread's reservations where it may start one.
uint64_t runAddressSpaceNeed(const RunSize& size);

// Whether a run of this size fits the budget on both counts.
bool runFits(const RunSize& size, const MemoryBudget& budget);

// The most bytes the reading stage may hold at once (the headroom kept
// aside): it checks every growth of its buffer against this first.
uint64_t bufferRoom(const MemoryBudget& budget);

// `budget` less `bytes` the caller holds, on both counts.
MemoryBudget budgetLess(const MemoryBudget& budget, uint64_t bytes);

// Address space a second thread maps: its stack (the default thread stack
// size), a guard page and, with glibc, the reservation for its heap.
uint64_t secondThreadAddressSpace();

// Bytes a WaypointMap parsed from `fileBytes` bytes of a waypoint file may
// need: at most four times the bytes, plus a little. Saturates.
uint64_t mapMemoryNeed(uint64_t fileBytes);

// The process's budget now: physical memory, MemAvailable and the
// control-group limits (waypoint/control_group.h) for what it may fill;
// RLIMIT_AS and RLIMIT_DATA less what is mapped already for what it may
// map. On Windows: physical memory, what is available of it, the commit
// the system can still charge and the job object's memory limits
// (platform/windows_memory.h).
MemoryBudget processMemoryBudget();

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_MEMORY_BUDGET_H_
