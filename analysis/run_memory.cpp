#include "analysis/run_memory.h"

#include "analysis/pathing_kernels.h"
#include "platform/cpu_cores.h"
#include "platform/helper_thread.h"
#include "waypoint/map_reader.h"

namespace tessivar {

bool pathingKeepsBounds(uint64_t pathEntries, uint64_t pathEntriesInsideBlocks) {
  // In integers, so the loader and the engine agree on every map. (Path
  // counts fit in 32 bits per waypoint, so the products can't overflow.)
  return pathEntries > 0 &&
         pathEntriesInsideBlocks * 10 >= pathEntries * run_memory::kBoundsShareTenths;
}

uint64_t countPathEntriesInsideBlocks(const uint8_t* data, size_t size, int32_t n) {
  uint64_t inside = 0;
  forEachListedPath(data, size, n, [&inside](int32_t from, int32_t to) {
    // The engine's blocks in the map's own numbering (PathingSweep::keepsBounds).
    inside += to >= 0 && to / kBlockSize == from / kBlockSize;
  });
  return inside;
}

bool pathingMayUseSecondThread(int64_t waypoints) {
  return waypoints >= run_memory::kSecondThreadMinimumWaypoints &&
         platform::usableCores() >= 2;
}

AnalysisNeed phasesNeed(const MapSize& size, uint64_t pathEntriesInsideBlocks,
                        bool secondThread) {
  using namespace run_memory;
  const uint64_t n = size.waypoints > 0 ? uint64_t(size.waypoints) : 0;
  const uint64_t perCell =
      kPeakSixteenthsPerCell +
      (pathingKeepsBounds(size.pathEntries, pathEntriesInsideBlocks) ? kBoundsSixteenthsPerCell
                                                                     : 0);
  AnalysisNeed need;
  need.fillBytes = saturatingAdd(sixteenthsOfBytes(saturatingMul(n, n), perCell),
                                 saturatingMul(n, kPathingBytesPerWaypoint));
  if (secondThread) need.extraAddressSpace = platform::helperThreadAddressSpace();
  return need;
}

AnalysisNeed reportPhasesNeed(const MapSize& size, const uint8_t* data, size_t bytes) {
  const int32_t n = size.waypoints > INT32_MAX ? INT32_MAX : int32_t(size.waypoints);
  return phasesNeed(size, countPathEntriesInsideBlocks(data, bytes, n),
                    pathingMayUseSecondThread(size.waypoints));
}

RunNeed reportRunNeed(const MapSize& size, uint64_t pathEntriesInsideBlocks,
                      bool secondThread) {
  return runNeed(size, phasesNeed(size, pathEntriesInsideBlocks, secondThread));
}

ReportPhasesPlan planReportPhases(const WaypointMap& map, int64_t waypointLimit,
                                  const MemoryBudget& budget) {
  uint64_t inside = 0;
  for (int32_t from = 0; from < map.n; ++from) {
    const int32_t* targets = map.pathsFrom(from);
    for (uint64_t k = 0; k < map.pathCount(from); ++k) {
      inside += targets[k] / 16 == from / 16;
    }
  }
  MapSize size;
  size.waypoints = map.n;
  size.pathEntries = uint64_t(map.pathEntryTotal);
  const AnalysisNeed need =
      phasesNeed(size, inside, pathingMayUseSecondThread(map.n));
  ReportPhasesPlan plan;
  plan.fillBytes = saturatingAdd(need.fillBytes, load_memory::kHeadroomBytes);
  plan.addressSpace = saturatingAdd(plan.fillBytes, need.extraAddressSpace);
  if (map.n > waypointLimit) {
    plan.plan = PhasesPlan::kTooManyWaypoints;
  } else if (plan.fillBytes > budget.availableBytes ||
             plan.addressSpace > budget.addressSpaceBytes) {
    plan.plan = PhasesPlan::kTooLittleMemory;
  }
  return plan;
}

}  // namespace tessivar
