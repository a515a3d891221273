// The process's memory limits on Windows (what they are: process_memory.h
// and, for the budget the figures give, windows_memory.h).
#include <windows.h>
#include <psapi.h>

#include "platform/process_memory.h"
#include "platform/windows_memory.h"

namespace tessivar {
namespace platform {

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

MemoryBudget processMemoryBudget() {
  const WindowsMemoryBudget windows = windowsMemoryBudget(readWindowsMemory());
  MemoryBudget budget;
  budget.availableBytes = windows.fillable;
  budget.addressSpaceBytes = windows.addressSpace;
  return budget;
}

}  // namespace platform
}  // namespace tessivar
