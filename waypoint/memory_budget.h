// How much memory a run needs for a map of N waypoints, and how much the
// process can have. The loader compares the two before it allocates
// anything of size N x N, so a huge header ends the run cleanly instead of
// producing an undersized array or being killed by the system.
#ifndef TESSIVAR_WAYPOINT_MEMORY_BUDGET_H_
#define TESSIVAR_WAYPOINT_MEMORY_BUDGET_H_

#include <cstdint>

namespace tessivar {

struct MemoryBudget {
  // Bytes the run may use in all; UINT64_MAX means no known limit.
  uint64_t availableBytes = UINT64_MAX;
};

// Bytes every matrix and per-waypoint array of a run over `n` waypoints
// needs together, from loading to the route query. Saturates instead of
// overflowing.
uint64_t runMemoryNeed(int64_t n);

// Bytes a WaypointMap parsed from `fileBytes` bytes of a waypoint file may
// need: at most twice the bytes, plus a little. Saturates.
uint64_t mapMemoryNeed(uint64_t fileBytes);

// The smaller of the machine's physical memory and the process's
// address-space limit, less what the process has mapped already.
MemoryBudget processMemoryBudget();

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_MEMORY_BUDGET_H_
