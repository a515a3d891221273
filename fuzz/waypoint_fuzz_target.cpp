#include "fuzz/waypoint_fuzz_target.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "analysis/islands.h"
#include "analysis/orphan_scan.h"
#include "analysis/pathing.h"
#include "analysis/reachability.h"
#include "analysis/route_query.h"
#include "analysis/run_memory.h"
#include "waypoint/loader.h"
#include "waypoint/memory_budget.h"

namespace tessivar {

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// What a refusal must look like for its status.
std::string checkRefusal(const LoadResult& result, const WaypointGraph& graph,
                         const uint8_t* data, size_t size,
                         const MemoryBudget& budget) {
  switch (result.status) {
    case LoadStatus::kLoaded:
      return "";
    case LoadStatus::kNotWaypointFile:
      if (result.message != "Not a waypoint file!") {
        return "wrong type text message: " + result.message;
      }
      if (size >= kHeaderSize && std::memcmp(data, "HPB_bot", 7) == 0) {
        return "a waypoint file's type text was refused";
      }
      return "";
    case LoadStatus::kCorrupt:
      if (!startsWith(result.message, "Corrupt waypoint file: ")) {
        return "corrupt file without its message: " + result.message;
      }
      return "";
    case LoadStatus::kOutOfMemory: {
      int32_t n = 0;
      if (size >= kHeaderSize) {
        n = static_cast<int32_t>(uint32_t(data[16]) | uint32_t(data[17]) << 8 |
                                 uint32_t(data[18]) << 16 |
                                 uint32_t(data[19]) << 24);
      }
      const MapSize mapSize{n, countPathEntries(data, size, n), size};
      if (runNeed(mapSize, reportPhasesNeed(mapSize, data, size)).fits(budget)) {
        return "memory refused for a map within the budget";
      }
      if (graph.adjacency.capacity() != 0) {
        return "matrices allocated before the memory check";
      }
      return "";
    }
    case LoadStatus::kCannotOpen:
      return "bytes in memory reported as a file that could not be opened";
  }
  return "unknown load status";
}

// What the loader told of its progress.
struct ToldProgress : LoadProgress {
  int64_t pathEntryTotal = -1;
  void pathListsRead(int64_t total) override { pathEntryTotal = total; }
};

std::string checkGraph(const WaypointGraph& g, const ToldProgress& told) {
  const uint64_t n = g.n < 0 ? 0 : uint64_t(g.n);
  if (g.n < 0) return "negative waypoint count loaded";
  if (g.cellCount != n * n) return "cell count is not N x N";
  if (g.adjacency.size() != g.cellCount || g.records.size() != n ||
      g.pathBegin.size() != n + 1 || g.pathLengths.size() != g.pathTargets.size()) {
    return "array sizes do not match N";
  }
  // The adjacency matrix holds exactly the listed paths, and every edge
  // length is finite and not negative: the no-path distance where there is
  // no path, the listed path's length where there is one.
  std::vector<uint8_t> listed(g.cellCount, 0);
  for (int32_t i = 0; i < g.n; ++i) {
    for (uint64_t k = 0; k < g.pathCount(i); ++k) {
      const int32_t j = g.pathsFrom(i)[k];
      if (j < 0 || j >= g.n) return "path target out of range";
      const float length = g.lengthsFrom(i)[k];
      if (!std::isfinite(length) || length < 0) return "edge length not finite";
      // A target listed twice has the same length both times.
      if (!(g.edgeLength(i, j) == length)) return "edge length is not the path's length";
      listed[cellIndex(i, j, n)] = 1;
    }
  }
  int64_t set = 0;
  for (uint64_t cell = 0; cell < g.cellCount; ++cell) {
    if (g.adjacency[cell] != (listed[cell] != 0)) return "adjacency differs from the path lists";
    // (Each look-up walks a path list: only for the maps the phases run on.)
    if (!listed[cell] && g.n <= kFuzzPhaseWaypoints &&
        g.edgeLength(int32_t(cell % n), int32_t(cell / n)) != kNoPathDistance) {
      return "edge length without a path";
    }
    set += g.adjacency[cell];
  }
  if (set > g.pathEntryTotal) return "more direct pairs than path entries";
  if (told.pathEntryTotal != g.pathEntryTotal) {
    return "the loader did not tell the path entry total";
  }
  return "";
}

// The transitive closure of the adjacency matrix, by Warshall's algorithm:
// what the reachability pass loop must arrive at.
std::vector<uint8_t> closure(const WaypointGraph& g) {
  const int64_t n = g.n;
  std::vector<uint8_t> reach(g.cellCount);
  for (uint64_t cell = 0; cell < g.cellCount; ++cell) reach[cell] = g.adjacency[cell];
  for (int64_t m = 0; m < n; ++m) {
    for (int64_t a = 0; a < n; ++a) {
      if (!reach[cellIndex(a, m, n)]) continue;
      for (int64_t b = 0; b < n; ++b) {
        if (reach[cellIndex(m, b, n)]) reach[cellIndex(a, b, n)] = 1;
      }
    }
  }
  return reach;
}

// The networks and islands against the closure: two waypoints share a
// network exactly when each reaches the other, and each island's kind is
// what the closure says of it and a main network waypoint.
std::string checkIslands(const WaypointGraph& g,
                         const CellBits& reach) {
  const int64_t n = g.n;
  auto reaches = [&](int64_t a, int64_t b) {
    return a == b || reach[cellIndex(a, b, n)];
  };
  const Networks networks = findNetworks(g);
  for (int64_t a = 0; a < n; ++a) {
    for (int64_t b = 0; b < n; ++b) {
      const bool same = networks.networkOf[size_t(a)] == networks.networkOf[size_t(b)];
      if (same != (reaches(a, b) && reaches(b, a))) {
        return "networks disagree with the closure";
      }
    }
  }
  const IslandReport report = findIslands(g, networks, kDefaultMaxRise);
  if (report.hasMain != (n > 0)) return "main network missing or invented";
  if (!report.hasMain) return report.islands.empty() ? "" : "islands without map";
  const int64_t m = report.mainLowest;
  int64_t covered = report.mainSize;
  for (const Island& island : report.islands) {
    covered += int64_t(island.waypoints.size());
    const int64_t w = island.waypoints.at(0);
    const IslandKind kind = reaches(m, w)   ? IslandKind::kTrapRegion
                            : reaches(w, m) ? IslandKind::kUnreachableRegion
                                            : IslandKind::kDetached;
    if (island.kind != kind) return "island of the wrong kind";
    if (island.suggested.size() != (kind == IslandKind::kDetached ? 2u : 1u)) {
      return "wrong number of suggested paths";
    }
    for (const SuggestedPath& s : island.suggested) {
      if (s.from < 0 || s.from >= n || s.to < 0 || s.to >= n) {
        return "suggested path outside the map";
      }
      if (!std::isfinite(s.length) || !std::isfinite(s.rise) ||
          s.walkable != (s.rise <= kDefaultMaxRise)) {
        return "suggested path with a bad length or rise";
      }
    }
  }
  if (covered != n) return "networks do not cover the map";
  return "";
}

std::string checkPhases(const WaypointGraph& g) {
  const int64_t n = g.n;

  const OrphanScanResult scan = scanOrphansAndTraps(g);
  for (const std::vector<int32_t>* list : {&scan.orphans, &scan.traps}) {
    for (size_t k = 0; k < list->size(); ++k) {
      if ((*list)[k] < 0 || (*list)[k] >= n) return "scan lists a bad waypoint";
      if (k > 0 && (*list)[k - 1] >= (*list)[k]) return "scan list not ascending";
    }
  }

  int32_t passesTold = 0;
  const ReachabilityResult reach =
      buildReachabilityMatrix(g, [&passesTold](int32_t pass, int64_t) { passesTold = pass; });
  if (passesTold != reach.passes) return "reachability passes told and counted differ";
  const std::vector<uint8_t> expected = closure(g);
  if (reach.matrix.size() != expected.size()) return "reachability matrix size";
  int64_t reachable = 0;
  for (uint64_t cell = 0; cell < expected.size(); ++cell) {
    if (reach.matrix[cell] != (expected[cell] != 0)) {
      return "reachability matrix is not the closure of the adjacency matrix";
    }
    reachable += reach.matrix[cell];
  }
  if (reach.reachableCount != reachable) return "reachable count is wrong";
  if (reach.passes < 0 || reach.passes > n) return "reachability pass count";
  const std::string islands = checkIslands(g, reach.matrix);
  if (!islands.empty()) return islands;

  int32_t pathingPassesRun = 0;
  const PathingResult pathing =
      buildPathingBlock(g, reach.matrix, [&pathingPassesRun](bool) { ++pathingPassesRun; });
  if (pathingPassesRun != (pathing.passes == n ? pathing.passes : pathing.passes + 1)) {
    return "pathing passes told and counted differ";
  }
  if (pathing.pathing.size() != g.cellCount ||
      pathing.shortestPath.size() != g.cellCount) {
    return "pathing arrays do not match N";
  }
  if (pathing.passes < 0 || pathing.passes > n) return "pathing pass count";
  for (uint64_t cell = 0; cell < g.cellCount; ++cell) {
    const int32_t via = pathing.shortestPath[cell];
    if (via < kNoIntermediate || via >= n) return "intermediate out of range";
    const float length = g.edgeLength(int32_t(cell % uint64_t(n)), int32_t(cell / uint64_t(n)));
    if ((g.adjacency[cell] || !reach.matrix[cell]) &&
        (via != kNoIntermediate || !(pathing.pathing[cell] == length))) {
      return "pathing changed a direct or unconnected pair";
    }
  }

  const RouteQuery route = queryRoute(pathing, reach.matrix, g.n);
  if (route.queried != (n > kQueryTo)) return "route queried on the wrong maps";
  if (route.intermediates.size() > size_t(n)) return "route longer than N waypoints";
  for (int32_t m : route.intermediates) {
    if (m < 0 || m >= n) return "route through a waypoint out of range";
  }
  return "";
}

}  // namespace

std::string checkWaypointBytes(const uint8_t* data, size_t size) {
  const MemoryBudget budget{reportRunNeed({kFuzzBudgetWaypoints}).fillBytes};
  WaypointGraph graph;
  ToldProgress told;
  const LoadResult result =
      parseWaypointBytes(data, size, budget, graph, reportPhasesNeed, &told);
  if (result.status != LoadStatus::kLoaded) {
    return checkRefusal(result, graph, data, size, budget);
  }
  std::string problem = checkGraph(graph, told);
  if (!problem.empty() || graph.n > kFuzzPhaseWaypoints) return problem;
  return checkPhases(graph);
}

}  // namespace tessivar
