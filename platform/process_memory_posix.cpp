// The process's memory limits on POSIX systems (what they are:
// process_memory.h).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "platform/control_group.h"
#include "platform/process_memory.h"

namespace tessivar {
namespace platform {

namespace {

uint64_t saturatingMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

uint64_t saturatingSub(uint64_t a, uint64_t b) {
  if (a == UINT64_MAX) return a;
  return a > b ? a - b : 0;
}

// MemAvailable from /proc/meminfo, in bytes, or 0 where there is none.
uint64_t availableMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  uint64_t kib = 0;
  std::string unit;
  while (meminfo >> key >> kib >> unit) {
    if (key == "MemAvailable:") return saturatingMul(kib, 1024);
  }
  return 0;
}

// Bytes of the process's address space now, all of it (for RLIMIT_AS) and
// its data and stack mappings (for RLIMIT_DATA); false if unknown.
bool mappedBytes(uint64_t* all, uint64_t* data) {
  std::ifstream statm("/proc/self/statm");
  uint64_t size = 0, resident = 0, shared = 0, text = 0, lib = 0, dataPages = 0;
  if (!(statm >> size >> resident >> shared >> text >> lib >> dataPages)) {
    return false;
  }
  const long pageSize = sysconf(_SC_PAGESIZE);
  const uint64_t page = pageSize > 0 ? uint64_t(pageSize) : 4096;
  *all = saturatingMul(size, page);
  *data = saturatingMul(dataPages, page);
  return true;
}

}  // namespace

MemoryBudget processMemoryBudget() {
  MemoryBudget budget;
  long pages = sysconf(_SC_PHYS_PAGES);
  long pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) {
    budget.availableBytes = saturatingMul(uint64_t(pages), uint64_t(pageSize));
  }
  // Memory the system can still hand out without swapping or killing
  // something; a run beyond it would be ended by the out-of-memory killer.
  uint64_t available = availableMemory();
  if (available != 0) {
    budget.availableBytes = std::min(budget.availableBytes, available);
  }
  budget.availableBytes =
      std::min(budget.availableBytes, controlGroupMemoryLimit());
  // RLIMIT_AS caps all mapped address space; RLIMIT_DATA (on Linux since
  // 4.7) caps the private writable mappings every large allocation is made
  // of. What is mapped already counts against each.
  uint64_t mappedAll = 0, mappedData = 0;
  const bool mapped = mappedBytes(&mappedAll, &mappedData);
  const struct {
    int resource;
    uint64_t used;
  } limits[] = {{RLIMIT_AS, mappedAll}, {RLIMIT_DATA, mappedData}};
  for (const auto& entry : limits) {
    struct rlimit limit;
    if (getrlimit(entry.resource, &limit) == 0 &&
        limit.rlim_cur != RLIM_INFINITY) {
      const uint64_t cap = static_cast<uint64_t>(limit.rlim_cur);
      budget.addressSpaceBytes = std::min(
          budget.addressSpaceBytes, saturatingSub(cap, mapped ? entry.used : 0));
    }
  }
  return budget;
}

}  // namespace platform
}  // namespace tessivar
