#include "waypoint/memory_budget.h"

#include <algorithm>

namespace tessivar {

namespace {

uint64_t saturatingSub(uint64_t a, uint64_t b) {
  if (a == UINT64_MAX) return a;
  return a > b ? a - b : 0;
}

}  // namespace

uint64_t saturatingAdd(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

uint64_t saturatingMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

uint64_t sixteenthsOfBytes(uint64_t cells, uint64_t perCell) {
  const uint64_t whole = saturatingMul(cells / 16, perCell);
  return saturatingAdd(whole, ((cells % 16) * perCell + 15) / 16);
}

RunNeed runNeed(const MapSize& size, const AnalysisNeed& analysis) {
  using namespace load_memory;
  const uint64_t n = size.waypoints > 0 ? uint64_t(size.waypoints) : 0;
  const uint64_t cells = saturatingMul(n, n);
  // Held from loading to the end: the records and path lists.
  uint64_t map = saturatingMul(n, kMapBytesPerWaypoint);
  map = saturatingAdd(map, saturatingMul(size.pathEntries, kBytesPerPathEntry));
  // The loader's peak holds the file bytes and the adjacency matrix.
  const uint64_t loading =
      saturatingAdd(size.fileBytes, sixteenthsOfBytes(cells, kLoadingSixteenthsPerCell));
  RunNeed need;
  need.fillBytes = saturatingAdd(saturatingAdd(map, std::max(loading, analysis.fillBytes)),
                                 kHeadroomBytes);
  need.addressSpace = saturatingAdd(need.fillBytes, analysis.extraAddressSpace);
  return need;
}

uint64_t bufferRoom(const MemoryBudget& budget) {
  return saturatingSub(std::min(budget.availableBytes, budget.addressSpaceBytes),
                       load_memory::kHeadroomBytes);
}

MemoryBudget budgetLess(const MemoryBudget& budget, uint64_t bytes) {
  return {saturatingSub(budget.availableBytes, bytes),
          saturatingSub(budget.addressSpaceBytes, bytes)};
}

uint64_t mapMemoryNeed(uint64_t fileBytes) {
  return saturatingAdd(saturatingMul(fileBytes, 4), 1 << 16);
}

}  // namespace tessivar
