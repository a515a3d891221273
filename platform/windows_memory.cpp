#include "platform/windows_memory.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#endif

namespace tessivar {
namespace platform {

namespace {

uint64_t less(uint64_t limit, uint64_t used) {
  if (limit == UINT64_MAX) return limit;
  return limit > used ? limit - used : 0;
}

}  // namespace

WindowsMemoryBudget windowsMemoryBudget(const WindowsMemoryFigures& f) {
  WindowsMemoryBudget budget;
  budget.fillable = std::min({f.totalPhysical, f.availablePhysical,
                              f.availableCommit,
                              less(f.processLimit, f.processCommitted),
                              less(f.jobLimit, f.processCommitted)});
  budget.addressSpace = f.availableVirtual;
  return budget;
}

#ifdef _WIN32
WindowsMemoryFigures readWindowsMemory() {
  WindowsMemoryFigures figures;
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (GlobalMemoryStatusEx(&status)) {
    figures.totalPhysical = status.ullTotalPhys;
    figures.availablePhysical = status.ullAvailPhys;
    figures.availableCommit = status.ullAvailPageFile;
    figures.availableVirtual = status.ullAvailVirtual;
  }
  // The job this process runs in, if any (a null handle names it).
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION job{};
  if (QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation,
                                &job, sizeof job, nullptr)) {
    const DWORD flags = job.BasicLimitInformation.LimitFlags;
    if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) {
      figures.processLimit = job.ProcessMemoryLimit;
    }
    if (flags & JOB_OBJECT_LIMIT_JOB_MEMORY) {
      figures.jobLimit = job.JobMemoryLimit;
    }
  }
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters)) {
    figures.processCommitted = counters.PrivateUsage;
  }
  return figures;
}
#endif

}  // namespace platform
}  // namespace tessivar
