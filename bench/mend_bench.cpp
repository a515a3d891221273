// mend_bench: measurements for `scripts/benchmark.sh mend`.
//
//   mend_bench maps DIR                  writes the benchmark maps (32767
//                                        waypoints each) into DIR and lists
//                                        them, one line each: the name and
//                                        the options the tool is run with
//   mend_bench rounds MAP REPEAT [OPTION...]
//                                        loads MAP and times mending it in
//                                        the process, best of REPEAT, with
//                                        the tool's options; prints
//                                        waypoints, path entries, islands
//                                        before, rounds, paths added and the
//                                        time in seconds
//   mend_bench whole-rounds MAP [OPTION...]
//                                        the same mending with a whole
//                                        analysis of the map every round
//                                        (testing/mending_reference.h);
//                                        prints rounds, paths added and the
//                                        time, and checks both agree
//   mend_bench whole BINARY MAP OUT [OPTION...]
//                                        runs BINARY --json OPTION... MAP
//                                        OUT.wpt with its report in OUT;
//                                        prints the wall time in seconds and
//                                        the peak resident memory in KiB
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/mending.h"
#include "bench/whole_run.h"
#include "mend/mend_options.h"
#include "testing/mending_reference.h"
#include "tools/island_map_generator.h"
#include "tools/map_generator.h"
#include "waypoint/loader.h"

namespace {

using namespace tessivar;
using Clock = std::chrono::steady_clock;

constexpr int32_t kSize = 32767;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A one-way chain one unit apart, 0 -> 1 -> ... -> 32766: every waypoint
// is a trap region of its own, and with the longest path (1) as the
// maximum each round can join only the next one: 32766 rounds.
MapSpec chain() {
  MapSpec layout{"chain", {}, std::vector<std::vector<int16_t>>(size_t(kSize))};
  for (int32_t v = 0; v < kSize; ++v) {
    layout.positions.push_back({float(v), 0, 0});
    if (v + 1 < kSize) layout.paths[size_t(v)] = {int16_t(v + 1)};
  }
  return layout;
}

// A two-way pair in a corner of a 181 x 181 field of orphans 10 apart (at
// heights 0 to 4, one in ten at 60, too high to climb to): with a maximum
// length of 11 (a neighbour across, not one diagonally) each round joins
// the orphans next to the last ones joined, a front sweeping the field in
// about 360 rounds.
MapSpec orphanField() {
  MapSpec layout{"orphan_field", {{-10, 0, 0}, {-10, -10, 0}}, {{1}, {0}}};
  MapRandom random(7);
  for (int32_t i = 0; int32_t(layout.positions.size()) < kSize; ++i) {
    const float z = random.below(10) == 0 ? 60.0f : float(random.below(5));
    layout.positions.push_back({float(i % 181) * 10, float(i / 181) * 10, z});
    layout.paths.emplace_back();
  }
  return layout;
}

// A 128 x 128 grid of two-way paths 40 apart (the main network) with 16383
// orphans scattered over it at heights 0 to 400: most are joined in the
// first round, those too high in none.
MapSpec scatteredOrphans() {
  MapSpec layout = generateGridMap(128, 128);
  layout.name = "scattered";
  MapRandom random(11);
  for (auto& p : layout.positions) p = {p[0] * 40, p[1] * 40, float(random.below(401))};
  while (int32_t(layout.positions.size()) < kSize) {
    layout.positions.push_back({float(random.unit() * 5080), float(random.unit() * 5080),
                                float(random.below(401))});
    layout.paths.emplace_back();
  }
  return layout;
}

struct BenchMap {
  std::string name;
  MapSpec layout;
  std::string options;  // as the tool takes them, separated by blanks
};

int writeMaps(const std::string& dir) {
  const std::vector<BenchMap> maps = {
      {"chain", chain(), ""},
      {"orphan_field", orphanField(), "--max-length 11"},
      {"scattered", scatteredOrphans(), ""},
      {"realistic", generateRealisticMap(1, kSize), "--kinds all"},
      {"islands", generateIslandMap(1, kSize), "--kinds all --max-length 400"},
  };
  for (const BenchMap& map : maps) {
    const std::vector<uint8_t> bytes = encodeWaypointFile(map.layout);
    const std::string path = dir + "/" + map.name + ".wpt";
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file) {
      std::fprintf(stderr, "mend_bench: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s %s\n", map.name.c_str(), map.options.c_str());
  }
  return 0;
}

bool load(const char* path, WaypointMap& map) {
  const LoadResult r = loadWaypointMap(path, map);
  if (!r.ok()) std::fprintf(stderr, "mend_bench: %s\n", r.message.c_str());
  return r.ok();
}

// The tool's options from the command line's tail.
bool optionsOf(int argc, char** argv, int first, MendOptions& options) {
  std::vector<const char*> args{"mend_bench"};
  for (int i = first; i < argc; ++i) args.push_back(argv[i]);
  args.push_back("map");
  args.push_back("out");
  const MendToolOptions parsed = parseMendOptions(int(args.size()), args.data());
  if (!parsed.ok) std::fprintf(stderr, "mend_bench: %s\n", parsed.error.c_str());
  options = parsed.mend;
  return parsed.ok;
}

int rounds(int argc, char** argv) {
  WaypointMap map;
  MendOptions options;
  if (!load(argv[2], map) || !optionsOf(argc, argv, 4, options)) return 1;
  const int repeat = std::max(1, std::atoi(argv[3]));
  double best = INFINITY;
  MendResult result;
  for (int r = 0; r < repeat; ++r) {
    const Clock::time_point start = Clock::now();
    result = mendMap(map, options);
    best = std::min(best, secondsSince(start));
  }
  const int64_t islands =
      result.before.trapRegions + result.before.unreachableRegions + result.before.detached;
  std::printf("%d %lld %lld %d %zu %.4f\n", map.n, static_cast<long long>(map.pathEntryTotal),
              static_cast<long long>(islands), result.rounds, result.added.size(), best);
  if (result.roundsFoundByWholeAnalysis != 0) {
    std::fprintf(stderr, "mend_bench: the rounds missed %d round(s)\n",
                 result.roundsFoundByWholeAnalysis);
    return 1;
  }
  return 0;
}

// The map as the generator describes one, for the reference.
MapSpec layoutOf(const WaypointMap& map) {
  MapSpec layout{map.mapName, {}, {}};
  for (int32_t v = 0; v < map.n; ++v) {
    const WaypointRecord& r = map.records[size_t(v)];
    layout.positions.push_back({r.x, r.y, r.z});
    layout.paths.emplace_back(map.pathsFrom(v), map.pathsFrom(v) + map.pathCount(v));
  }
  return layout;
}

int wholeRounds(int argc, char** argv) {
  WaypointMap map;
  MendOptions options;
  if (!load(argv[2], map) || !optionsOf(argc, argv, 3, options)) return 1;
  const MapSpec layout = layoutOf(map);
  const Clock::time_point start = Clock::now();
  const MendResult whole =
      testing::mendByWholeRounds(layout, options, testing::WholeAnalysis::kFindIslands);
  const double seconds = secondsSince(start);
  const MendResult result = mendMap(map, options);
  if (testing::describe(whole) != testing::describe(result)) {
    std::fprintf(stderr, "mend_bench: the rounds and the whole analyses differ\n");
    return 1;
  }
  std::printf("%d %zu %.4f\n", whole.rounds, whole.added.size(), seconds);
  return 0;
}

int wholeRun(int argc, char** argv) {
  std::vector<std::string> arguments{argv[2], "--json"};
  for (int i = 5; i < argc; ++i) arguments.push_back(argv[i]);
  arguments.push_back(argv[3]);
  arguments.push_back(std::string(argv[4]) + ".wpt");
  return bench::timeWholeRun("mend_bench", arguments, argv[4]);
}

int usage() {
  std::fprintf(stderr,
               "usage: mend_bench maps DIR | rounds MAP REPEAT [OPTION...] | "
               "whole-rounds MAP [OPTION...] | whole BINARY MAP OUT [OPTION...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string what = argv[1];
  if (what == "maps" && argc == 3) return writeMaps(argv[2]);
  if (what == "rounds" && argc >= 4) return rounds(argc, argv);
  if (what == "whole-rounds") return wholeRounds(argc, argv);
  if (what == "whole" && argc >= 5) return wholeRun(argc, argv);
  return usage();
}
