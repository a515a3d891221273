// islands_bench: measurements for `scripts/benchmark.sh islands`.
//
//   islands_bench maps DIR               writes the benchmark maps (32767
//                                        waypoints each) into DIR and lists
//                                        their file names
//   islands_bench circle ORPHANS MAP     writes the map `circle` of the maps
//                                        above with ORPHANS orphans (any
//                                        number) into MAP
//   islands_bench phases MAP [REPEAT]    loads MAP and times, best of REPEAT,
//                                        finding the networks, the islands
//                                        without them, and the suggested
//                                        paths alone; prints waypoints, path
//                                        entries, networks, islands and the
//                                        three times in seconds
//   islands_bench brute MAP              times the suggested paths found by
//                                        trying every pair, and checks they
//                                        equal the tree search's
//   islands_bench whole BINARY MAP OUT   runs BINARY --json MAP with its
//                                        output in OUT; prints the wall time
//                                        in seconds and the peak resident
//                                        memory in KiB
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "bench/whole_run.h"
#include "analysis/island_bridge.h"
#include "analysis/islands.h"
#include "analysis/networks.h"
#include "testing/island_reference.h"
#include "tools/island_map_generator.h"
#include "tools/map_generator.h"
#include "waypoint/loader.h"

#if defined(__unix__)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace tessivar;
using Clock = std::chrono::steady_clock;

constexpr int32_t kSize = 32767;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

MapSpec chain(bool upwards) {
  MapSpec layout;
  layout.name = upwards ? "chain_up" : "chain_down";
  for (int32_t v = 0; v < kSize; ++v) {
    layout.positions.push_back(
        {float(v % 181) * 16, float(v / 181) * 16, float(v % 5) * 20});
    layout.paths.emplace_back();
    const int32_t next = upwards ? v + 1 : v - 1;
    if (next >= 0 && next < kSize) layout.paths.back().push_back(int16_t(next));
  }
  return layout;
}

// The map of islands with paths added inside its networks (each to a
// waypoint two steps away in the same network) up to 130000 entries: the
// same islands, at the path count the tool must handle in well under a
// second.
MapSpec islandsWith130000Paths() {
  MapSpec layout = generateIslandMap(1, kSize);
  layout.name = "islands_130k";
  const WaypointMap map = testing::waypointMapOf(layout);
  const Networks networks = findNetworks(map);
  size_t total = 0;
  for (const auto& list : layout.paths) total += list.size();
  MapRandom random(5);
  while (total < 130000) {
    const int32_t v = int32_t(random.below(kSize));
    const auto& first = layout.paths[size_t(v)];
    if (first.empty()) continue;
    const int32_t m = first[random.below(uint32_t(first.size()))];
    const auto& second = layout.paths[size_t(m)];
    if (second.empty()) continue;
    const int32_t w = second[random.below(uint32_t(second.size()))];
    if (w == v || networks.networkOf[size_t(w)] != networks.networkOf[size_t(v)])
      continue;
    if (std::find(first.begin(), first.end(), w) != first.end()) continue;
    layout.paths[size_t(v)].push_back(int16_t(w));
    ++total;
  }
  return layout;
}

// A main network of 16384 waypoints (a 128 x 128 grid of two-way paths,
// heights 0 to 400) and 16383 orphans scattered over it at heights 0 to
// 400: the most islands beside the largest main network.
MapSpec scatteredOrphans() {
  MapSpec layout = generateGridMap(128, 128);
  layout.name = "scattered";
  MapRandom random(11);
  for (auto& p : layout.positions) {
    p = {p[0] * 40, p[1] * 40, float(random.below(401))};
  }
  while (int32_t(layout.positions.size()) < kSize) {
    layout.positions.push_back({float(random.unit() * 5080),
                              float(random.unit() * 5080),
                              float(random.below(401))});
    layout.paths.emplace_back();
  }
  return layout;
}

// The same grid at height 1000 above 16383 pits at height 0, each entered
// by a one-way drop from the grid: no way out of any pit is walkable, so
// every search falls back to the nearest pair of all.
MapSpec pitsBelowEverything() {
  MapSpec layout = generateGridMap(128, 128);
  layout.name = "pits_below";
  MapRandom random(13);
  for (auto& p : layout.positions) p = {p[0] * 40, p[1] * 40, 1000};
  while (int32_t(layout.positions.size()) < kSize) {
    const int32_t pit = int32_t(layout.positions.size());
    const int32_t above = int32_t(random.below(128 * 128));
    layout.positions.push_back({layout.positions[size_t(above)][0] + 13,
                              layout.positions[size_t(above)][1] + 7, 0});
    layout.paths.emplace_back();
    layout.paths[size_t(above)].push_back(int16_t(pit));
  }
  return layout;
}

// A main network of 16384 waypoints on a circle of radius 4000 (a ring of
// two-way paths) with `orphans` orphans within 8 units of its centre: the
// worst case of the nearest-pair search. Every waypoint of the circle lies
// within 16 units of the same distance from each orphan, while the box of
// an arc of the circle reaches up to several units nearer the centre than
// the arc itself, so no box can be ruled out before its waypoints are
// tried: each orphan's search tries about every waypoint of the circle.
MapSpec circleWithOrphansNearItsCentre(int32_t orphans) {
  constexpr int32_t kCircle = 16384;
  MapSpec layout;
  layout.name = "circle";
  for (int32_t i = 0; i < kCircle; ++i) {
    const double angle = 2 * 3.14159265358979323846 * i / kCircle;
    layout.positions.push_back({float(4000 * std::cos(angle)), float(4000 * std::sin(angle)), 0});
    layout.paths.push_back({int16_t((i + 1) % kCircle), int16_t((i + kCircle - 1) % kCircle)});
  }
  MapRandom random(17);
  for (int32_t k = 0; k < orphans; ++k) {
    layout.positions.push_back(
        {float(random.unit() * 16 - 8), float(random.unit() * 16 - 8), 0});
    layout.paths.emplace_back();
  }
  return layout;
}

bool writeMap(const std::string& path, const MapSpec& layout) {
  const std::vector<uint8_t> bytes = encodeWaypointFile(layout);
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!file) std::fprintf(stderr, "islands_bench: cannot write %s\n", path.c_str());
  return bool(file);
}

int writeMaps(const std::string& dir) {
  const std::vector<std::pair<std::string, MapSpec>> maps = {
      {"chain_up", chain(true)},
      {"chain_down", chain(false)},
      {"realistic", generateRealisticMap(1, kSize)},
      {"islands", generateIslandMap(1, kSize)},
      {"islands_130k", islandsWith130000Paths()},
      {"scattered", scatteredOrphans()},
      {"pits_below", pitsBelowEverything()},
      {"circle", circleWithOrphansNearItsCentre(kSize - 16384)},
  };
  for (const auto& [name, layout] : maps) {
    if (!writeMap(dir + "/" + name + ".wpt", layout)) return 1;
    std::printf("%s\n", name.c_str());
  }
  return 0;
}

bool load(const char* path, WaypointMap& map) {
  const LoadResult r = loadWaypointMap(path, map);
  if (!r.ok()) std::fprintf(stderr, "islands_bench: %s\n", r.message.c_str());
  return r.ok();
}

// Every island's suggestions, as findIslands makes them.
std::vector<SuggestedPath> suggestAll(const WaypointMap& map,
                                      const Networks& networks,
                                      const IslandReport& report) {
  std::vector<SuggestedPath> all;
  const MainNetworkTree tree(map.records, networks.membersOf(report.mainNetwork),
                             size_t(report.mainSize));
  for (const Island& island : report.islands) {
    if (island.kind != IslandKind::kTrapRegion) {
      all.push_back(tree.suggest(island.waypoints.data(), island.waypoints.size(),
                                 BridgeDirection::kIntoIsland, kDefaultMaxRise));
    }
    if (island.kind != IslandKind::kUnreachableRegion) {
      all.push_back(tree.suggest(island.waypoints.data(), island.waypoints.size(),
                                 BridgeDirection::kOutOfIsland, kDefaultMaxRise));
    }
  }
  return all;
}

int phases(const char* path, int repeat) {
  WaypointMap map;
  if (!load(path, map)) return 1;
  double networksBest = INFINITY, islandsBest = INFINITY, suggestBest = INFINITY;
  Networks networks;
  IslandReport report;
  for (int r = 0; r < repeat; ++r) {
    Clock::time_point start = Clock::now();
    networks = findNetworks(map);
    networksBest = std::min(networksBest, secondsSince(start));
    start = Clock::now();
    report = findIslands(map, networks, kDefaultMaxRise);
    islandsBest = std::min(islandsBest, secondsSince(start));
    start = Clock::now();
    const std::vector<SuggestedPath> all = suggestAll(map, networks, report);
    suggestBest = std::min(suggestBest, secondsSince(start));
    if (all.empty() && !report.islands.empty()) return 1;
  }
  std::printf("%d %lld %d %zu %.4f %.4f %.4f\n", map.n,
              static_cast<long long>(map.pathEntryTotal), networks.count,
              report.islands.size(), networksBest, islandsBest, suggestBest);
  return 0;
}

int brute(const char* path) {
  WaypointMap map;
  if (!load(path, map)) return 1;
  const Networks networks = findNetworks(map);
  const IslandReport report = findIslands(map, networks, kDefaultMaxRise);
  const std::vector<int32_t> main(networks.membersOf(report.mainNetwork),
                                  networks.membersOf(report.mainNetwork) +
                                      report.mainSize);
  const Clock::time_point start = Clock::now();
  std::vector<SuggestedPath> all;
  for (const Island& island : report.islands) {
    for (BridgeDirection d :
         {BridgeDirection::kIntoIsland, BridgeDirection::kOutOfIsland}) {
      const bool in = d == BridgeDirection::kIntoIsland;
      if (in && island.kind == IslandKind::kTrapRegion) continue;
      if (!in && island.kind == IslandKind::kUnreachableRegion) continue;
      all.push_back(testing::suggestByTryingAllPairs(map, island.waypoints,
                                                     main, d, kDefaultMaxRise));
    }
  }
  const double seconds = secondsSince(start);
  size_t k = 0;
  for (const Island& island : report.islands) {
    for (const SuggestedPath& s : island.suggested) {
      const SuggestedPath& b = all[k++];
      if (s.from != b.from || s.to != b.to || s.squared != b.squared ||
          s.walkable != b.walkable) {
        std::fprintf(stderr, "islands_bench: the tree and every pair differ\n");
        return 1;
      }
    }
  }
  std::printf("%.4f\n", seconds);
  return 0;
}

int wholeRun(const char* binary, const char* map, const char* output) {
  return tessivar::bench::timeWholeRun("islands_bench", {binary, "--json", map}, output);
}

int usage() {
  std::fprintf(stderr,
               "usage: islands_bench maps DIR | circle ORPHANS MAP | phases MAP "
               "[REPEAT] | brute MAP | whole BINARY MAP OUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string what = argv[1];
  if (what == "maps" && argc == 3) return writeMaps(argv[2]);
  if (what == "circle" && argc == 4) {
    const int orphans = std::atoi(argv[2]);
    if (orphans < 1) return usage();
    return writeMap(argv[3], circleWithOrphansNearItsCentre(orphans)) ? 0 : 1;
  }
  if (what == "phases" && (argc == 3 || argc == 4)) {
    return phases(argv[2], argc == 4 ? std::max(1, std::atoi(argv[3])) : 1);
  }
  if (what == "brute" && argc == 3) return brute(argv[2]);
  if (what == "whole" && argc == 5) return wholeRun(argv[2], argv[3], argv[4]);
  return usage();
}
