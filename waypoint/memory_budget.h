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

// Bytes per cell of the N x N matrices alive in the pathing phase, the
// run's peak: adjacency (1), edge length (4), reachability (1), pathing
// block (4) and shortest path matrix (4). The reachability phase's bit rows
// and columns (a quarter byte per cell) are gone before the pathing phase
// allocates its two matrices, and the pathing engine keeps nothing else
// per cell.
constexpr uint64_t kPeakBytesPerCell = 14;
// Bytes per cell while the loader builds its matrices and still holds the
// file's bytes: adjacency (1) and edge length (4).
constexpr uint64_t kLoadingBytesPerCell = 5;
// Bytes per waypoint from loading to the end: its record (16) and the start
// of its path list (8).
constexpr uint64_t kMapBytesPerWaypoint = 16 + 8;
// Bytes per path entry from loading to the end: its target (int32).
constexpr uint64_t kBytesPerPathEntry = 4;
// The pathing engine's O(N) buffers, per waypoint: for each of its two
// threads a 64-row copy of the pathing block (256 bytes) and a change log of
// 64 entries (512 bytes); the values of a sparse pass's writes (256 bytes);
// the last pass's changes indexed by row and by column with their values
// (up to 2048 bytes); under 4 KiB in all.
constexpr uint64_t kPathingBytesPerWaypoint = 4096;
// What the program allocates beyond the arrays above once the budget has
// been taken: stream and file buffers, the allocator's rounding and the
// free space it keeps at the heap's top, the report's strings. Measured with
// `bash scripts/measure-run-memory.sh` (peak address space and resident
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
// need: at most twice the bytes, plus a little. Saturates.
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
