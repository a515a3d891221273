#include "analysis/islands.h"

#include <algorithm>

#include "waypoint/memory_budget.h"

namespace tessivar {

namespace {

// The largest network, the one with the lowest waypoint among equals
// (networks are numbered by their lowest waypoint).
int32_t mainNetworkOf(const Networks& networks) {
  int32_t main = -1;
  for (int32_t k = 0; k < networks.count; ++k) {
    if (main < 0 || networks.size(k) > networks.size(main)) main = k;
  }
  return main;
}

// Which networks reach the main network, and which the main network
// reaches, from one walk over the paths in each direction of the order of
// networks (every network comes after the ones it reaches in sinkFirst).
struct MainLinks {
  std::vector<uint8_t> reachesMain;
  std::vector<uint8_t> reachedFromMain;
};

MainLinks linkToMain(const WaypointMap& map, const Networks& networks,
                     int32_t main) {
  MainLinks links;
  links.reachesMain.assign(size_t(networks.count), 0);
  links.reachedFromMain.assign(size_t(networks.count), 0);
  auto forEachPath = [&](int32_t k, auto visit) {
    const int32_t* member = networks.membersOf(k);
    for (int32_t i = 0; i < networks.size(k); ++i) {
      const int32_t v = member[i];
      const int32_t* targets = map.pathsFrom(v);
      for (uint64_t e = 0; e < map.pathCount(v); ++e) visit(targets[e]);
    }
  };
  // Sinks first: every network a path leads to has been judged already.
  for (int32_t k : networks.sinkFirst) {
    if (k == main) {
      links.reachesMain[size_t(k)] = 1;
      continue;
    }
    forEachPath(k, [&](int32_t w) {
      if (links.reachesMain[size_t(networks.networkOf[w])]) {
        links.reachesMain[size_t(k)] = 1;
      }
    });
  }
  // Sources first: a network is marked before its paths are followed.
  links.reachedFromMain[size_t(main)] = 1;
  for (auto it = networks.sinkFirst.rbegin(); it != networks.sinkFirst.rend();
       ++it) {
    const int32_t k = *it;
    if (!links.reachedFromMain[size_t(k)]) continue;
    forEachPath(k, [&](int32_t w) {
      links.reachedFromMain[size_t(networks.networkOf[w])] = 1;
    });
  }
  return links;
}

WaypointBox boxOf(const WaypointMap& map, const std::vector<int32_t>& list) {
  WaypointBox box;
  bool first = true;
  for (int32_t v : list) {
    const WaypointRecord& r = map.records[size_t(v)];
    const float c[3] = {r.x, r.y, r.z};
    for (int axis = 0; axis < 3; ++axis) {
      if (first || c[axis] < box.low[axis]) box.low[axis] = c[axis];
      if (first || c[axis] > box.high[axis]) box.high[axis] = c[axis];
    }
    first = false;
  }
  return box;
}

void sortDistinct(std::vector<PathPair>& pairs) {
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  pairs.shrink_to_fit();
}

uint64_t saturatingMulAdd(uint64_t sum, uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return sum > UINT64_MAX - a * b ? UINT64_MAX : sum + a * b;
}

}  // namespace

const char* islandKindName(IslandKind kind) {
  switch (kind) {
    case IslandKind::kTrapRegion:
      return "trap region";
    case IslandKind::kUnreachableRegion:
      return "unreachable region";
    case IslandKind::kDetached:
      return "detached";
  }
  return "detached";
}

int64_t IslandReport::countOf(IslandKind kind) const {
  return std::count_if(islands.begin(), islands.end(),
                       [kind](const Island& i) { return i.kind == kind; });
}

int64_t IslandReport::orphanCount() const {
  return std::count_if(islands.begin(), islands.end(), [](const Island& i) {
    return i.kind == IslandKind::kDetached && i.waypoints.size() == 1;
  });
}

IslandReport findIslands(const WaypointMap& map, const Networks& networks,
                         double maxRise) {
  IslandReport report;
  report.waypoints = map.n;
  report.networks = networks.count;
  report.maxRise = maxRise;
  const int32_t main = mainNetworkOf(networks);
  if (main < 0) return report;
  report.hasMain = true;
  report.mainNetwork = main;
  report.mainSize = networks.size(main);
  report.mainLowest = networks.lowest(main);

  const MainLinks links = linkToMain(map, networks, main);
  // Islands in network order, which is the order of their lowest waypoint.
  std::vector<int32_t> islandOf(size_t(networks.count), -1);
  report.islands.reserve(size_t(networks.count - 1));
  for (int32_t k = 0; k < networks.count; ++k) {
    if (k == main) continue;
    islandOf[size_t(k)] = int32_t(report.islands.size());
    Island island;
    island.network = k;
    island.kind = links.reachedFromMain[size_t(k)]
                      ? IslandKind::kTrapRegion
                      : links.reachesMain[size_t(k)]
                            ? IslandKind::kUnreachableRegion
                            : IslandKind::kDetached;
    island.waypoints.assign(networks.membersOf(k),
                            networks.membersOf(k) + networks.size(k));
    island.box = boxOf(map, island.waypoints);
    report.islands.push_back(std::move(island));
  }

  // Paths between networks, listed with the island at either end.
  for (int32_t u = 0; u < map.n; ++u) {
    const int32_t from = networks.networkOf[u];
    const int32_t* targets = map.pathsFrom(u);
    for (uint64_t e = 0; e < map.pathCount(u); ++e) {
      const int32_t w = targets[e];
      const int32_t to = networks.networkOf[w];
      if (from == to) continue;
      if (islandOf[size_t(from)] >= 0) {
        report.islands[size_t(islandOf[size_t(from)])].pathsOut.push_back({u, w});
      }
      if (islandOf[size_t(to)] >= 0) {
        report.islands[size_t(islandOf[size_t(to)])].pathsIn.push_back({u, w});
      }
    }
  }

  const MainNetworkTree tree(map.records, networks.membersOf(main),
                             size_t(networks.size(main)));
  for (Island& island : report.islands) {
    sortDistinct(island.pathsIn);
    sortDistinct(island.pathsOut);
    const int32_t* members = island.waypoints.data();
    const size_t size = island.waypoints.size();
    if (island.kind != IslandKind::kTrapRegion) {
      island.suggested.push_back(
          tree.suggest(members, size, BridgeDirection::kIntoIsland, maxRise));
    }
    if (island.kind != IslandKind::kUnreachableRegion) {
      island.suggested.push_back(
          tree.suggest(members, size, BridgeDirection::kOutOfIsland, maxRise));
    }
  }
  return report;
}

IslandReport findIslands(const WaypointMap& map, double maxRise) {
  const Networks networks = findNetworks(map);
  return findIslands(map, networks, maxRise);
}

uint64_t islandsMemoryNeed(int64_t n, int64_t pathEntries) {
  // Per waypoint: the search's five arrays and its stack (about 50 bytes),
  // the networks and their member lists, the tree, and for a map where
  // every waypoint is an island of its own, each island's lists and
  // suggestions with the allocator's overhead (about 300 bytes).
  constexpr uint64_t kPerWaypoint = 400;
  // Per path entry: the entry listed under the islands at both of its ends,
  // with room for sorting.
  constexpr uint64_t kPerPathEntry = 48;
  // Beyond those, what tessivar's check keeps for the program's buffers and
  // the allocator's slack (waypoint/memory_budget.h), which covers the
  // report's spill buffer of 64 KiB as well: `bash scripts/benchmark.sh
  // memory` measures a run against this need, from the six-waypoint example
  // to maps of 32767 waypoints that are every one an island.
  uint64_t need = load_memory::kHeadroomBytes;
  need = saturatingMulAdd(need, uint64_t(std::max<int64_t>(n, 0)), kPerWaypoint);
  need = saturatingMulAdd(need, uint64_t(std::max<int64_t>(pathEntries, 0)),
                          kPerPathEntry);
  return need;
}

}  // namespace tessivar
