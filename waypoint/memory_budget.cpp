#include "waypoint/memory_budget.h"

#include <algorithm>
#include <fstream>
#include <string>

#include "platform/control_group.h"

#if defined(__unix__) || defined(__APPLE__)
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#define TESSIVAR_HAVE_POSIX 1
#elif defined(_WIN32)
#include "platform/windows_memory.h"
#endif

namespace tessivar {

namespace {

uint64_t saturatingMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

uint64_t saturatingAdd(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

uint64_t saturatingSub(uint64_t a, uint64_t b) {
  if (a == UINT64_MAX) return a;
  return a > b ? a - b : 0;
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
#endif

// Bytes for `cells` cells of `perCell` sixteenths of a byte each, rounded
// up. Saturates.
uint64_t sixteenths(uint64_t cells, uint64_t perCell) {
  const uint64_t whole = saturatingMul(cells / 16, perCell);
  return saturatingAdd(whole, ((cells % 16) * perCell + 15) / 16);
}

}  // namespace

bool run_memory::pathingKeepsBounds(uint64_t pathEntries, uint64_t pathEntriesInsideBlocks) {
  // In integers, so the loader and the engine agree on every map. (Path
  // counts fit in 32 bits per waypoint, so the products can't overflow.)
  return pathEntries > 0 && pathEntriesInsideBlocks * 10 >= pathEntries * kBoundsShareTenths;
}

uint64_t runMemoryNeed(const RunSize& size) {
  using namespace run_memory;
  const uint64_t n = size.waypoints > 0 ? uint64_t(size.waypoints) : 0;
  const uint64_t cells = saturatingMul(n, n);
  // Held from loading to the end: the records and path lists.
  uint64_t map = saturatingMul(n, kMapBytesPerWaypoint);
  map = saturatingAdd(map, saturatingMul(size.pathEntries, kBytesPerPathEntry));
  // The loader's peak holds the file bytes and two matrices; the pathing
  // phase's holds every matrix and the engine's buffers.
  const uint64_t loading = saturatingAdd(
      size.fileBytes, sixteenths(cells, kLoadingSixteenthsPerCell));
  const uint64_t perCell =
      kPeakSixteenthsPerCell +
      (pathingKeepsBounds(size.pathEntries, size.pathEntriesInsideBlocks) ? kBoundsSixteenthsPerCell
                                                                          : 0);
  const uint64_t pathing = saturatingAdd(sixteenths(cells, perCell),
                                         saturatingMul(n, kPathingBytesPerWaypoint));
  return saturatingAdd(saturatingAdd(map, std::max(loading, pathing)),
                       kHeadroomBytes);
}

uint64_t runAddressSpaceNeed(const RunSize& size) {
  uint64_t need = runMemoryNeed(size);
  if (size.waypoints >= run_memory::kSecondThreadMinimumWaypoints) {
    need = saturatingAdd(need, secondThreadAddressSpace());
  }
  return need;
}

bool runFits(const RunSize& size, const MemoryBudget& budget) {
  return runMemoryNeed(size) <= budget.availableBytes &&
         runAddressSpaceNeed(size) <= budget.addressSpaceBytes;
}

uint64_t bufferRoom(const MemoryBudget& budget) {
  return saturatingSub(
      std::min(budget.availableBytes, budget.addressSpaceBytes),
      run_memory::kHeadroomBytes);
}

MemoryBudget budgetLess(const MemoryBudget& budget, uint64_t bytes) {
  return {saturatingSub(budget.availableBytes, bytes),
          saturatingSub(budget.addressSpaceBytes, bytes)};
}

uint64_t secondThreadAddressSpace() {
  uint64_t stack = 8ull << 20;
#if defined(__GLIBC__)
  pthread_attr_t attributes;
  if (pthread_getattr_default_np(&attributes) == 0) {
    size_t size = 0;
    if (pthread_attr_getstacksize(&attributes, &size) == 0 && size > 0) {
      stack = size;
    }
    pthread_attr_destroy(&attributes);
  }
  // glibc reserves this much for the heap of each thread that allocates.
  const uint64_t heap = run_memory::kThreadHeapReservation;
#else
  const uint64_t heap = 0;
#endif
  return saturatingAdd(saturatingAdd(stack, 64 << 10), heap);
}

uint64_t mapMemoryNeed(uint64_t fileBytes) {
  return saturatingAdd(saturatingMul(fileBytes, 4), 1 << 16);
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
      std::min(budget.availableBytes, platform::controlGroupMemoryLimit());
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
#elif defined(_WIN32)
  // Physical memory, what is available of it, the commit the system can
  // still charge and the job object's limits (platform/windows_memory.h).
  const platform::WindowsMemoryBudget windows =
      platform::windowsMemoryBudget(platform::readWindowsMemory());
  budget.availableBytes = windows.fillable;
  budget.addressSpaceBytes = windows.addressSpace;
#endif
  return budget;
}

}  // namespace tessivar
