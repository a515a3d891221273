#include "waypoint/memory_budget.h"

#include <algorithm>

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

uint64_t mapMemoryNeed(uint64_t fileBytes) {
  return saturatingAdd(saturatingMul(fileBytes, 4), 1 << 16);
}

}  // namespace tessivar
