#include "testing/island_reference.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <sstream>
#include <string>

#include "waypoint/map_reader.h"

namespace tessivar {
namespace testing {

namespace {

void addPath(MapSpec& map, int32_t from, int32_t to) {
  map.paths[size_t(from)].push_back(int16_t(to));
}

}  // namespace

WaypointMap waypointMapOf(const MapSpec& spec) {
  const std::vector<uint8_t> bytes = encodeWaypointFile(spec);
  WaypointMap map;
  std::ostringstream lines;
  const LoadResult r = parseWaypointMap(bytes.data(), bytes.size(), map, lines);
  if (!r.ok()) map = WaypointMap();
  return map;
}

MapSpec tangledGraph(uint64_t seed, int32_t size) {
  MapRandom random(seed * 0xD1B54A32D192ED03ull + uint64_t(size));
  MapSpec map;
  map.name = "tangled_" + std::to_string(seed);
  map.positions.resize(size_t(size));
  map.paths.resize(size_t(size));
  if (size == 0) return map;
  for (auto& p : map.positions) {
    p = {float(random.below(5)) * 10, float(random.below(5)) * 10,
         float(random.below(4)) * 15};
  }
  // Random one-way paths, from none to about three per waypoint.
  const uint32_t density = random.below(4);
  const uint32_t paths = uint32_t(size) * density * (1 + random.below(3)) / 2;
  for (uint32_t k = 0; k < paths; ++k) {
    addPath(map, int32_t(random.below(uint32_t(size))),
            int32_t(random.below(uint32_t(size))));
  }
  // Cycles through random waypoints in random order.
  const uint32_t cycles = random.below(3);
  for (uint32_t c = 0; c < cycles; ++c) {
    const uint32_t length = 1 + random.below(uint32_t(std::min(size, 8)));
    std::vector<int32_t> ring;
    for (uint32_t i = 0; i < length; ++i) {
      ring.push_back(int32_t(random.below(uint32_t(size))));
    }
    for (size_t i = 0; i < ring.size(); ++i) {
      addPath(map, ring[i], ring[(i + 1) % ring.size()]);
    }
  }
  // Chains up or down the numbering.
  const uint32_t chains = random.below(3);
  for (uint32_t c = 0; c < chains; ++c) {
    const int32_t a = int32_t(random.below(uint32_t(size)));
    const int32_t b = int32_t(random.below(uint32_t(size)));
    const int32_t step = a <= b ? 1 : -1;
    for (int32_t v = a; v != b; v += step) addPath(map, v, v + step);
  }
  // Self paths and targets listed again.
  for (int32_t v = 0; v < size; ++v) {
    if (random.below(8) == 0) addPath(map, v, v);
    auto& list = map.paths[size_t(v)];
    if (!list.empty() && random.below(6) == 0) {
      list.push_back(list[random.below(uint32_t(list.size()))]);
    }
  }
  return map;
}

std::vector<uint8_t> reachBySearch(const WaypointMap& map) {
  const int64_t n = map.n;
  std::vector<uint8_t> reach(size_t(n * n), 0);
  std::vector<int32_t> queue;
  for (int32_t a = 0; a < n; ++a) {
    uint8_t* row = reach.data() + a * n;
    queue.assign(1, a);
    row[a] = 1;
    for (size_t head = 0; head < queue.size(); ++head) {
      const int32_t v = queue[head];
      for (uint64_t e = 0; e < map.pathCount(v); ++e) {
        const int32_t w = map.pathsFrom(v)[e];
        if (!row[w]) {
          row[w] = 1;
          queue.push_back(w);
        }
      }
    }
  }
  return reach;
}

std::vector<std::vector<int32_t>> networksBySearch(const WaypointMap& map) {
  const int64_t n = map.n;
  const std::vector<uint8_t> reach = reachBySearch(map);
  std::vector<int32_t> placed(size_t(n), -1);
  std::vector<std::vector<int32_t>> networks;
  for (int32_t a = 0; a < n; ++a) {
    if (placed[size_t(a)] >= 0) continue;
    networks.emplace_back();
    for (int32_t b = a; b < n; ++b) {
      if (reach[size_t(a * n + b)] && reach[size_t(b * n + a)]) {
        placed[size_t(b)] = int32_t(networks.size() - 1);
        networks.back().push_back(b);
      }
    }
  }
  return networks;
}

SuggestedPath suggestByTryingAllPairs(const WaypointMap& map,
                                      const std::vector<int32_t>& island,
                                      const std::vector<int32_t>& main,
                                      BridgeDirection direction,
                                      double maxRise) {
  const bool out = direction == BridgeDirection::kOutOfIsland;
  const std::vector<int32_t>& fromSide = out ? island : main;
  const std::vector<int32_t>& toSide = out ? main : island;
  SuggestedPath walkable, any;
  auto consider = [](SuggestedPath& best, int32_t u, int32_t v, double d) {
    if (best.from < 0 || d < best.squared ||
        (d == best.squared &&
         (u < best.from || (u == best.from && v < best.to)))) {
      best.from = u;
      best.to = v;
      best.squared = d;
    }
  };
  for (int32_t u : fromSide) {
    for (int32_t v : toSide) {
      const WaypointRecord& a = map.records[size_t(u)];
      const WaypointRecord& b = map.records[size_t(v)];
      // The distance written out again, not taken from the code under test.
      const double dx = double(b.x) - double(a.x);
      const double dy = double(b.y) - double(a.y);
      const double dz = double(b.z) - double(a.z);
      const double d = (dx * dx + dy * dy) + dz * dz;
      consider(any, u, v, d);
      if (double(b.z) - double(a.z) <= maxRise) consider(walkable, u, v, d);
    }
  }
  SuggestedPath best = walkable.from >= 0 ? walkable : any;
  if (best.from < 0) return best;
  best.walkable = walkable.from >= 0;
  best.length = std::sqrt(best.squared);
  best.rise = double(map.records[size_t(best.to)].z) -
              double(map.records[size_t(best.from)].z);
  return best;
}

IslandReport islandsBySearch(const WaypointMap& map, double maxRise) {
  IslandReport report;
  report.waypoints = map.n;
  report.maxRise = maxRise;
  const int64_t n = map.n;
  const std::vector<std::vector<int32_t>> networks = networksBySearch(map);
  report.networks = int32_t(networks.size());
  if (networks.empty()) return report;
  size_t main = 0;
  for (size_t k = 1; k < networks.size(); ++k) {
    if (networks[k].size() > networks[main].size()) main = k;
  }
  report.hasMain = true;
  report.mainNetwork = int32_t(main);
  report.mainSize = int32_t(networks[main].size());
  report.mainLowest = networks[main][0];
  const std::vector<uint8_t> reach = reachBySearch(map);
  const int32_t m = networks[main][0];
  std::vector<int32_t> networkOf(static_cast<size_t>(n));
  for (size_t k = 0; k < networks.size(); ++k) {
    for (int32_t v : networks[k]) networkOf[size_t(v)] = int32_t(k);
  }
  for (size_t k = 0; k < networks.size(); ++k) {
    if (k == main) continue;
    Island island;
    island.network = int32_t(k);
    island.waypoints = networks[k];
    const int32_t w = networks[k][0];
    const bool in = reach[size_t(m * n + w)] != 0;
    const bool out = reach[size_t(w * n + m)] != 0;
    island.kind = in ? IslandKind::kTrapRegion
                     : out ? IslandKind::kUnreachableRegion
                           : IslandKind::kDetached;
    for (int32_t u = 0; u < n; ++u) {
      for (uint64_t e = 0; e < map.pathCount(u); ++e) {
        const int32_t v = map.pathsFrom(u)[e];
        const bool fromInside = networkOf[size_t(u)] == int32_t(k);
        const bool toInside = networkOf[size_t(v)] == int32_t(k);
        if (!fromInside && toInside) island.pathsIn.push_back({u, v});
        if (fromInside && !toInside) island.pathsOut.push_back({u, v});
      }
    }
    for (auto* list : {&island.pathsIn, &island.pathsOut}) {
      std::sort(list->begin(), list->end());
      list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    for (int axis = 0; axis < 3; ++axis) {
      island.box.low[axis] = std::numeric_limits<float>::infinity();
      island.box.high[axis] = -std::numeric_limits<float>::infinity();
    }
    for (int32_t v : island.waypoints) {
      const WaypointRecord& r = map.records[size_t(v)];
      const float c[3] = {r.x, r.y, r.z};
      for (int axis = 0; axis < 3; ++axis) {
        island.box.low[axis] = std::min(island.box.low[axis], c[axis]);
        island.box.high[axis] = std::max(island.box.high[axis], c[axis]);
      }
    }
    if (island.kind != IslandKind::kTrapRegion) {
      island.suggested.push_back(suggestByTryingAllPairs(
          map, island.waypoints, networks[main], BridgeDirection::kIntoIsland,
          maxRise));
    }
    if (island.kind != IslandKind::kUnreachableRegion) {
      island.suggested.push_back(suggestByTryingAllPairs(
          map, island.waypoints, networks[main], BridgeDirection::kOutOfIsland,
          maxRise));
    }
    report.islands.push_back(std::move(island));
  }
  return report;
}

int64_t reachablePairsFromNetworks(const WaypointMap& map,
                                   const Networks& networks) {
  const int32_t count = networks.count;
  const size_t words = (size_t(count) + 63) / 64;
  // reaches[k]: the other networks network k reaches, as a bit set, built
  // sinks first so every network a path leads to is complete already.
  std::vector<std::vector<uint64_t>> reaches(size_t(count),
                                             std::vector<uint64_t>(words, 0));
  std::vector<uint8_t> selfPath(size_t(count), 0);
  for (int32_t k : networks.sinkFirst) {
    std::vector<uint64_t>& set = reaches[size_t(k)];
    for (int32_t i = 0; i < networks.size(k); ++i) {
      const int32_t v = networks.membersOf(k)[i];
      for (uint64_t e = 0; e < map.pathCount(v); ++e) {
        const int32_t j = networks.networkOf[size_t(map.pathsFrom(v)[e])];
        if (j == k) {
          if (map.pathsFrom(v)[e] == v) selfPath[size_t(k)] = 1;
          continue;
        }
        set[size_t(j) / 64] |= uint64_t(1) << (j % 64);
        for (size_t w = 0; w < words; ++w) set[w] |= reaches[size_t(j)][w];
      }
    }
  }
  int64_t pairs = 0;
  for (int32_t k = 0; k < count; ++k) {
    const int64_t size = networks.size(k);
    pairs += size >= 2 ? size * size : selfPath[size_t(k)];
    for (int32_t j = 0; j < count; ++j) {
      if (reaches[size_t(k)][size_t(j) / 64] >> (j % 64) & 1) {
        pairs += size * networks.size(j);
      }
    }
  }
  return pairs;
}

std::string describeDifferences(const IslandReport& e, const IslandReport& a) {
  std::ostringstream d;
  auto field = [&](const char* name, auto x, auto y) {
    if (!(x == y)) d << name << ": expected " << x << ", got " << y << "\n";
  };
  field("waypoints", e.waypoints, a.waypoints);
  field("networks", e.networks, a.networks);
  field("hasMain", e.hasMain, a.hasMain);
  field("mainSize", e.mainSize, a.mainSize);
  field("mainLowest", e.mainLowest, a.mainLowest);
  field("islands", e.islands.size(), a.islands.size());
  if (!d.str().empty()) return d.str();
  for (size_t i = 0; i < e.islands.size(); ++i) {
    const Island& x = e.islands[i];
    const Island& y = a.islands[i];
    std::ostringstream at;
    at << "island " << i << " (lowest " << x.waypoints[0] << ") ";
    if (x.kind != y.kind) {
      d << at.str() << "kind: expected " << islandKindName(x.kind) << ", got "
        << islandKindName(y.kind) << "\n";
    }
    if (x.waypoints != y.waypoints) d << at.str() << "waypoints differ\n";
    if (x.pathsIn != y.pathsIn) d << at.str() << "paths in differ\n";
    if (x.pathsOut != y.pathsOut) d << at.str() << "paths out differ\n";
    for (int axis = 0; axis < 3; ++axis) {
      if (x.box.low[axis] != y.box.low[axis] ||
          x.box.high[axis] != y.box.high[axis]) {
        d << at.str() << "box differs on axis " << axis << "\n";
      }
    }
    if (x.suggested.size() != y.suggested.size()) {
      d << at.str() << "expected " << x.suggested.size()
        << " suggestions, got " << y.suggested.size() << "\n";
      continue;
    }
    for (size_t s = 0; s < x.suggested.size(); ++s) {
      const SuggestedPath& p = x.suggested[s];
      const SuggestedPath& q = y.suggested[s];
      if (p.from != q.from || p.to != q.to || p.squared != q.squared ||
          p.length != q.length || p.rise != q.rise ||
          p.walkable != q.walkable) {
        d << at.str() << "suggestion " << s << ": expected " << p.from << "->"
          << p.to << " (" << p.squared << ", rise " << p.rise
          << (p.walkable ? ", walkable" : ", not walkable") << "), got "
          << q.from << "->" << q.to << " (" << q.squared << ", rise "
          << q.rise << (q.walkable ? ", walkable" : ", not walkable")
          << ")\n";
      }
    }
  }
  return d.str();
}

}  // namespace testing
}  // namespace tessivar
