// What Windows says about the memory this process may fill, the Windows
// half of processMemoryBudget() (platform/process_memory.h).
//
// The budget on Windows is the least of: the machine's physical memory;
// the physical memory available now (free and standby pages, what can be
// had without paging anything out, as MemAvailable on Linux); the commit
// the system can still charge (physical memory and page files less what is
// committed: beyond it every allocation fails); and the memory limits of
// the job object the process runs in, per process and per job, less what
// this process has committed already. A job nested in another reports its
// own limits only. The address space is what remains of the process's
// user address space.
#ifndef TESSIVAR_PLATFORM_WINDOWS_MEMORY_H_
#define TESSIVAR_PLATFORM_WINDOWS_MEMORY_H_

#include <cstdint>

namespace tessivar {
namespace platform {

// The figures, in bytes; UINT64_MAX where there is no such limit.
struct WindowsMemoryFigures {
  uint64_t totalPhysical = UINT64_MAX;
  uint64_t availablePhysical = UINT64_MAX;
  uint64_t availableCommit = UINT64_MAX;
  uint64_t availableVirtual = UINT64_MAX;
  uint64_t processLimit = UINT64_MAX;  // JOB_OBJECT_LIMIT_PROCESS_MEMORY
  uint64_t jobLimit = UINT64_MAX;      // JOB_OBJECT_LIMIT_JOB_MEMORY
  uint64_t processCommitted = 0;       // this process's commit charge now
};

struct WindowsMemoryBudget {
  uint64_t fillable = UINT64_MAX;      // memory the run may still fill
  uint64_t addressSpace = UINT64_MAX;  // address space it may still map
};

// The budget the figures give, as described above.
WindowsMemoryBudget windowsMemoryBudget(const WindowsMemoryFigures& figures);

// The figures of this process now (GlobalMemoryStatusEx,
// QueryInformationJobObject, GetProcessMemoryInfo). Windows only: defined
// in process_memory_windows.cpp.
WindowsMemoryFigures readWindowsMemory();

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_WINDOWS_MEMORY_H_
