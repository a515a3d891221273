// The memory this process may still fill and the address space it may
// still map, as the system limits them: what the memory check
// (waypoint/memory_budget.h) compares a run's need against.
//
// POSIX systems (process_memory_posix.cpp): the machine's physical memory,
// MemAvailable from /proc/meminfo and the control-group limits
// (platform/control_group.h) for what it may fill; RLIMIT_AS and
// RLIMIT_DATA less what is mapped already (/proc/self/statm) for what it
// may map. Windows (process_memory_windows.cpp): physical memory, what is
// available of it, the commit the system can still charge and the job
// object's memory limits (platform/windows_memory.h).
#ifndef TESSIVAR_PLATFORM_PROCESS_MEMORY_H_
#define TESSIVAR_PLATFORM_PROCESS_MEMORY_H_

#include <cstdint>

namespace tessivar {
namespace platform {

struct MemoryBudget {
  // Memory the run may fill: the least of the machine's physical memory,
  // what the system can still hand out, and the control-group limits.
  // UINT64_MAX means no known limit.
  uint64_t availableBytes = UINT64_MAX;
  // Address space the run may still map under the process's RLIMIT_AS and
  // RLIMIT_DATA, beyond what was mapped when the budget was taken.
  uint64_t addressSpaceBytes = UINT64_MAX;
};

// The process's budget now, as above.
MemoryBudget processMemoryBudget();

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_PROCESS_MEMORY_H_
