#include "testing/island_reference.h"

#include <algorithm>
#include <cmath>
#include <locale>
#include <set>
#include <sstream>
#include <tuple>

#include "waypoint/map_reader.h"

namespace tessivar {
namespace testing {

namespace {

// reach[a * n + b] = 1 when b can be reached from a (or a == b).
std::vector<uint8_t> reachBySearch(const WaypointMap& map) {
  const int64_t n = map.n;
  std::vector<uint8_t> reach(size_t(n * n), 0);
  for (int32_t a = 0; a < n; ++a) {
    uint8_t* row = reach.data() + a * n;
    std::vector<int32_t> queue{a};
    row[a] = 1;
    for (size_t head = 0; head < queue.size(); ++head) {
      for (uint64_t e = 0; e < map.pathCount(queue[head]); ++e) {
        const int32_t w = map.pathsFrom(queue[head])[e];
        if (!row[w]) row[w] = 1, queue.push_back(w);
      }
    }
  }
  return reach;
}

}  // namespace

WaypointMap waypointMapOf(const MapSpec& layout) {
  const std::vector<uint8_t> bytes = encodeWaypointFile(layout);
  WaypointMap map;
  if (!parseWaypointMap(bytes.data(), bytes.size(), map).ok()) map = WaypointMap();
  return map;
}

MapSpec tangledGraph(uint64_t seed, int32_t size) {
  MapRandom random(seed * 0xD1B54A32D192ED03ull + uint64_t(size));
  MapSpec map{"tangled_" + std::to_string(seed), {}, {}};
  map.positions.resize(size_t(size));
  map.paths.resize(size_t(size));
  if (size == 0) return map;
  auto any = [&] { return int32_t(random.below(uint32_t(size))); };
  auto add = [&](int32_t from, int32_t to) {
    map.paths[size_t(from)].push_back(int16_t(to));
  };
  for (auto& p : map.positions) {
    p = {float(random.below(5)) * 10, float(random.below(5)) * 10,
         float(random.below(4)) * 15};
  }
  const uint32_t density = random.below(4);  // none to about 3 per waypoint
  for (uint32_t k = uint32_t(size) * density * (1 + random.below(3)) / 2; k > 0; --k) {
    const int32_t from = any();
    add(from, any());
  }
  for (uint32_t c = random.below(3); c > 0; --c) {  // cycles
    std::vector<int32_t> ring(1 + random.below(uint32_t(std::min(size, 8))));
    for (int32_t& v : ring) v = any();
    for (size_t i = 0; i < ring.size(); ++i) add(ring[i], ring[(i + 1) % ring.size()]);
  }
  for (uint32_t c = random.below(3); c > 0; --c) {  // chains up or down
    const int32_t a = any(), b = any(), step = a <= b ? 1 : -1;
    for (int32_t v = a; v != b; v += step) add(v, v + step);
  }
  for (int32_t v = 0; v < size; ++v) {  // self paths, targets listed again
    if (random.below(8) == 0) add(v, v);
    const auto& list = map.paths[size_t(v)];
    if (!list.empty() && random.below(6) == 0) {
      add(v, list[random.below(uint32_t(list.size()))]);
    }
  }
  return map;
}

std::vector<int32_t> networksBySearch(const WaypointMap& map) {
  const int64_t n = map.n;
  const std::vector<uint8_t> reach = reachBySearch(map);
  std::vector<int32_t> networkOf(size_t(n), -1);
  for (int64_t a = 0, count = 0; a < n; ++a) {
    if (networkOf[size_t(a)] >= 0) continue;
    for (int64_t b = a; b < n; ++b) {
      if (reach[size_t(a * n + b)] && reach[size_t(b * n + a)]) {
        networkOf[size_t(b)] = int32_t(count);
      }
    }
    ++count;
  }
  return networkOf;
}

SuggestedPath suggestByTryingAllPairs(const WaypointMap& map,
                                      const std::vector<int32_t>& island,
                                      const std::vector<int32_t>& main,
                                      BridgeDirection direction, double maxRise) {
  const bool out = direction == BridgeDirection::kOutOfIsland;
  SuggestedPath walkable, any;
  auto consider = [](SuggestedPath& best, int32_t u, int32_t v, double d) {
    if (best.from < 0 || std::tie(d, u, v) < std::tie(best.squared, best.from, best.to)) {
      best.from = u, best.to = v, best.squared = d;
    }
  };
  for (int32_t u : out ? island : main) {
    for (int32_t v : out ? main : island) {
      const WaypointRecord& a = map.records[size_t(u)];
      const WaypointRecord& b = map.records[size_t(v)];
      const double dx = double(b.x) - double(a.x), dy = double(b.y) - double(a.y),
                   dz = double(b.z) - double(a.z), d = (dx * dx + dy * dy) + dz * dz;
      consider(any, u, v, d);
      if (dz <= maxRise) consider(walkable, u, v, d);
    }
  }
  SuggestedPath best = walkable.from >= 0 ? walkable : any;
  if (best.from < 0) return best;
  best.walkable = walkable.from >= 0;
  best.length = std::sqrt(best.squared);
  best.rise =
      double(map.records[size_t(best.to)].z) - double(map.records[size_t(best.from)].z);
  return best;
}

IslandReport islandsBySearch(const WaypointMap& map, double maxRise) {
  const int64_t n = map.n;
  const std::vector<uint8_t> reach = reachBySearch(map);
  const std::vector<int32_t> networkOf = networksBySearch(map);
  std::vector<std::vector<int32_t>> members;
  for (int32_t v = 0; v < n; ++v) {
    if (size_t(networkOf[size_t(v)]) == members.size()) members.emplace_back();
    members[size_t(networkOf[size_t(v)])].push_back(v);
  }
  IslandReport r;
  r.waypoints = map.n;
  r.networks = int32_t(members.size());
  r.maxRise = maxRise;
  if (!(r.hasMain = !members.empty())) return r;
  const size_t main = size_t(  // the first of the largest
      std::max_element(members.begin(), members.end(),
                       [](const auto& a, const auto& b) { return a.size() < b.size(); }) -
      members.begin());
  r.mainNetwork = int32_t(main);
  r.mainSize = int32_t(members[main].size());
  const int64_t m = r.mainLowest = members[main][0];
  for (size_t k = 0; k < members.size(); ++k) {
    if (k == main) continue;
    Island& island = r.islands.emplace_back();
    island.network = int32_t(k);
    island.waypoints = members[k];
    const int64_t w = members[k][0];
    island.kind = reach[size_t(m * n + w)]   ? IslandKind::kTrapRegion
                  : reach[size_t(w * n + m)] ? IslandKind::kUnreachableRegion
                                             : IslandKind::kDetached;
    std::set<PathPair> in, out;
    for (int32_t u = 0; u < n; ++u) {
      for (uint64_t e = 0; e < map.pathCount(u); ++e) {
        const int32_t v = map.pathsFrom(u)[e];
        const bool fromInside = networkOf[size_t(u)] == int32_t(k);
        if (fromInside != (networkOf[size_t(v)] == int32_t(k))) {
          (fromInside ? out : in).insert({u, v});
        }
      }
    }
    island.pathsIn.assign(in.begin(), in.end());
    island.pathsOut.assign(out.begin(), out.end());
    for (int axis = 0; axis < 3; ++axis) {
      std::multiset<float> c;
      for (int32_t v : island.waypoints) {
        const WaypointRecord& p = map.records[size_t(v)];
        c.insert(axis == 0 ? p.x : axis == 1 ? p.y : p.z);
      }
      island.box.low[axis] = *c.begin();
      island.box.high[axis] = *c.rbegin();
    }
    // Into the island unless a trap region, then out of it unless unreachable.
    if (island.kind != IslandKind::kTrapRegion) {
      island.suggested.push_back(suggestByTryingAllPairs(
          map, island.waypoints, members[main], BridgeDirection::kIntoIsland, maxRise));
    }
    if (island.kind != IslandKind::kUnreachableRegion) {
      island.suggested.push_back(suggestByTryingAllPairs(
          map, island.waypoints, members[main], BridgeDirection::kOutOfIsland, maxRise));
    }
  }
  return r;
}

std::string describe(const IslandReport& r) {
  std::ostringstream s;
  s.imbue(std::locale::classic());
  s.precision(17);
  s << r.waypoints << " waypoints, " << r.networks << " networks, main "
    << (r.hasMain ? r.mainSize : -1) << " lowest " << r.mainLowest << "\n";
  for (const Island& island : r.islands) {
    s << islandKindName(island.kind) << ":";
    for (int32_t v : island.waypoints) s << " " << v;
    for (const auto* list : {&island.pathsIn, &island.pathsOut}) {
      s << (list == &island.pathsIn ? "\n  in" : "\n  out");
      for (const PathPair& p : *list) s << " " << p.first << "->" << p.second;
    }
    s << "\n  box";
    for (const float* corner : {island.box.low, island.box.high}) {
      for (int axis = 0; axis < 3; ++axis) s << " " << corner[axis];
    }
    for (const SuggestedPath& p : island.suggested) {
      s << "\n  " << p.from << "->" << p.to << " length " << p.length << " rise "
        << p.rise << (p.walkable ? " walkable" : " not walkable");
    }
    s << "\n";
  }
  return s.str();
}

int64_t reachablePairsFromNetworks(const WaypointMap& map, const Networks& networks) {
  const size_t count = size_t(networks.count);
  // reaches[k][j]: network k reaches network j != k. Filled sinks first, so
  // the row of every network a path leads to is complete already.
  std::vector<std::vector<uint8_t>> reaches(count, std::vector<uint8_t>(count, 0));
  int64_t pairs = 0;
  for (int32_t k : networks.sinkFirst) {
    std::vector<uint8_t>& row = reaches[size_t(k)];
    const int64_t size = networks.size(k);
    bool cycle = size > 1;  // or a lone waypoint's self path
    for (int32_t i = 0; i < size; ++i) {
      const int32_t v = networks.membersOf(k)[i];
      for (uint64_t e = 0; e < map.pathCount(v); ++e) {
        const int32_t j = networks.networkOf[size_t(map.pathsFrom(v)[e])];
        cycle = cycle || j == k;
        if (j == k || row[size_t(j)]) continue;
        row[size_t(j)] = 1;
        for (size_t x = 0; x < count; ++x) row[x] |= reaches[size_t(j)][x];
      }
    }
    pairs += cycle ? size * size : 0;
    for (int32_t j = 0; j < networks.count; ++j) {
      pairs += row[size_t(j)] * size * networks.size(j);
    }
  }
  return pairs;
}

}  // namespace testing
}  // namespace tessivar
