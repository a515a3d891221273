// svg_bench: times writeMapSvg alone, without the analysis phases, on
// generated realistic maps (`scripts/benchmark.sh svg`).
//
//   svg_bench [SIZE [REPEATS [KEEP.svg]]]   default 4096 waypoints, 7 repeats;
//                                           KEEP.svg keeps the last picture
//
// The analysis inputs are made cheaply: the orphan scan is run, and the
// route 0 -> 5 is a fewest-hops route found by breadth-first search, so the
// picture has as many marks as a real one. Prints the best and median time
// of writing to memory and to a file, and the document size.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "analysis/orphan_scan.h"
#include "svg/map_svg.h"
#include "tools/map_generator.h"
#include "waypoint/loader.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<int32_t> fewestHops(const tessivar::WaypointGraph& g, int32_t from,
                                int32_t to) {
  std::vector<int32_t> prev(size_t(g.n), -2);
  std::deque<int32_t> queue{from};
  prev[size_t(from)] = -1;
  while (!queue.empty()) {
    const int32_t a = queue.front();
    queue.pop_front();
    for (int32_t b = 0; b < g.n; ++b) {
      if (prev[size_t(b)] == -2 && g.hasPath(a, b)) {
        prev[size_t(b)] = a;
        queue.push_back(b);
      }
    }
  }
  std::vector<int32_t> route;
  if (prev[size_t(to)] == -2) return route;
  for (int32_t v = to; v != -1; v = prev[size_t(v)]) route.push_back(v);
  std::reverse(route.begin(), route.end());
  return route;
}

double medianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tessivar;
  const int32_t size = argc > 1 ? std::atoi(argv[1]) : 4096;
  const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  if (size < 6) {
    std::cerr << "svg_bench: SIZE must be at least 6\n";
    return 1;
  }
  const std::vector<uint8_t> bytes =
      encodeWaypointFile(generateRealisticMap(1, size));
  WaypointGraph graph;
  if (parseWaypointBytes(bytes.data(), bytes.size(), MemoryBudget{}, graph)
          .status != LoadStatus::kLoaded) {
    std::cerr << "svg_bench: generated map did not load\n";
    return 1;
  }
  MapAnalysis analysis;
  analysis.scan = scanOrphansAndTraps(graph);
  analysis.routeQueried = true;
  analysis.route = fewestHops(graph, 0, 5);
  analysis.routeReachable = !analysis.route.empty();
  analysis.routeLength = 1234.5f;

  std::vector<double> memoryMs, fileMs;
  size_t documentBytes = 0;
  const char* path = argc > 3 ? argv[3] : "svg_bench_output.svg";
  for (int i = 0; i < repeats; ++i) {
    std::ostringstream out;
    auto t0 = Clock::now();
    writeMapSvg(graph, analysis, out);
    auto t1 = Clock::now();
    documentBytes = out.str().size();
    memoryMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());

    t0 = Clock::now();
    {
      std::ofstream file(path, std::ios::binary | std::ios::trunc);
      writeMapSvg(graph, analysis, file);
    }
    t1 = Clock::now();
    fileMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  if (argc <= 3) std::remove(path);
  std::printf("%d waypoints, %zu bytes of SVG, %d repeats\n", size,
              documentBytes, repeats);
  std::printf("to memory: best %.1f ms, median %.1f ms\n",
              *std::min_element(memoryMs.begin(), memoryMs.end()),
              medianOf(memoryMs));
  std::printf("to a file: best %.1f ms, median %.1f ms\n",
              *std::min_element(fileMs.begin(), fileMs.end()), medianOf(fileMs));
  return 0;
}
