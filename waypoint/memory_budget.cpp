#include "waypoint/memory_budget.h"

#include <algorithm>
#include <fstream>
#include <string>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#include <unistd.h>
#define TESSIVAR_HAVE_POSIX 1
#endif

namespace tessivar {

namespace {

// Per cell: adjacency (1), edge length (4), reachability (1), pathing block
// (4) and shortest path matrix (4). This is the run's peak: the
// reachability phase's bit rows and columns (a quarter byte per cell) are
// gone before the pathing phase allocates its two matrices, and the pathing
// engine keeps nothing else per cell.
constexpr uint64_t kBytesPerCell = 14;
// Per waypoint: the record, plus the pathing engine's O(N) buffers: for
// each of its two threads a 64-row copy of the pathing block (256 bytes)
// and a change log of 64 entries (512 bytes); the values of a sparse
// pass's writes (256 bytes); the last pass's changes indexed by row and by
// column with their values (up to 2048 bytes); under 4 KiB in all.
constexpr uint64_t kBytesPerWaypoint = 16 + 4096;
// Headroom for the program itself, its stream buffers and the file bytes of
// an ordinary map.
constexpr uint64_t kFixedBytes = 32ull << 20;

uint64_t saturatingMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

uint64_t saturatingAdd(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

#ifdef TESSIVAR_HAVE_POSIX
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

// The memory limit of the process's control group (cgroup v2 or v1), or
// UINT64_MAX where none is set. Beyond it the kernel's out-of-memory killer
// ends the process, whatever the machine's free memory.
uint64_t controlGroupLimit() {
  uint64_t limit = UINT64_MAX;
  for (const char* file : {"/sys/fs/cgroup/memory.max",
                           "/sys/fs/cgroup/memory/memory.limit_in_bytes"}) {
    std::ifstream in(file);
    uint64_t bytes = 0;
    // "max" (cgroup v2) fails to parse and means no limit; cgroup v1 shows
    // an unset limit as a value near 2^63, which the minimum ignores.
    if (in >> bytes && bytes > 0) limit = std::min(limit, bytes);
  }
  return limit;
}

// Bytes of address space the process has mapped now, or 0 if unknown.
uint64_t mappedBytes() {
  std::ifstream statm("/proc/self/statm");
  uint64_t pages = 0;
  if (!(statm >> pages)) return 0;
  long pageSize = sysconf(_SC_PAGESIZE);
  return saturatingMul(pages, pageSize > 0 ? uint64_t(pageSize) : 4096);
}
#endif

}  // namespace

uint64_t runMemoryNeed(int64_t n) {
  if (n <= 0) return kFixedBytes;
  uint64_t un = static_cast<uint64_t>(n);
  uint64_t cells = saturatingMul(un, un);
  uint64_t need = saturatingMul(cells, kBytesPerCell);
  need = saturatingAdd(need, saturatingMul(un, kBytesPerWaypoint));
  return saturatingAdd(need, kFixedBytes);
}

uint64_t mapMemoryNeed(uint64_t fileBytes) {
  return saturatingAdd(saturatingMul(fileBytes, 2), 1 << 16);
}

MemoryBudget processMemoryBudget() {
  MemoryBudget budget;
#ifdef TESSIVAR_HAVE_POSIX
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
      std::min(budget.availableBytes, controlGroupLimit());
  // RLIMIT_AS caps all mapped address space; RLIMIT_DATA (on Linux since
  // 4.7) caps the private mappings every large allocation is made of. What
  // is mapped already counts against either.
  for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    struct rlimit limit;
    if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      uint64_t cap = static_cast<uint64_t>(limit.rlim_cur);
      uint64_t used = mappedBytes();
      cap = cap > used ? cap - used : 0;
      budget.availableBytes = std::min(budget.availableBytes, cap);
    }
  }
#endif
  return budget;
}

}  // namespace tessivar
