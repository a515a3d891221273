// wptgen: writes a generated waypoint file.
//
//   wptgen realistic SIZE SEED OUT   game-like rooms on several floors
//   wptgen walked SIZE SEED OUT      the same kind of level, numbered in
//                                    the order a person walking through it
//                                    places the waypoints
//   wptgen depthfirst SIZE SEED OUT  the realistic rooms, renumbered in the
//                                    order a depth-first walk along the
//                                    paths from a random start meets them
//   wptgen grid WIDTH HEIGHT OUT     unit grid with two-way paths
//   wptgen random SIZE SEED OUT      random small-integer graph
//   wptgen islands SIZE SEED OUT     rooms with pits, spawn rooms, detached
//                                    rooms and orphans
//   wptgen example OUT               the six-waypoint example
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/island_map_generator.h"
#include "tools/map_generator.h"

namespace {

int usage() {
  std::cerr << "usage: wptgen realistic SIZE SEED OUT | walked SIZE SEED OUT |"
               " depthfirst SIZE SEED OUT | grid WIDTH HEIGHT OUT | random SIZE SEED OUT |"
               " islands SIZE SEED OUT | example OUT\n";
  return 1;
}

bool parseNumber(const char* text, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(text, &end, 10);
  return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tessivar;
  if (argc < 3) return usage();
  const std::string kind = argv[1];
  MapSpec map;
  const char* out = nullptr;
  long long a = 0, b = 0;
  if (kind == "example" && argc == 3) {
    map = sixWaypointExample();
    out = argv[2];
  } else if (argc == 5 && parseNumber(argv[2], &a) && parseNumber(argv[3], &b) &&
             a >= 0 && a <= 32767 && b >= 0) {
    if (kind == "realistic") {
      map = generateRealisticMap(static_cast<uint64_t>(b), static_cast<int32_t>(a));
    } else if (kind == "walked") {
      map = generateWalkedMap(static_cast<uint64_t>(b), static_cast<int32_t>(a));
    } else if (kind == "depthfirst") {
      map = generateDepthFirstMap(static_cast<uint64_t>(b), static_cast<int32_t>(a));
    } else if (kind == "grid" && a * b <= 32767) {
      map = generateGridMap(static_cast<int32_t>(a), static_cast<int32_t>(b));
    } else if (kind == "islands") {
      map = generateIslandMap(static_cast<uint64_t>(b), static_cast<int32_t>(a));
    } else if (kind == "random") {
      map = generateRandomMap(static_cast<uint64_t>(b), static_cast<int32_t>(a), 3);
    } else {
      return usage();
    }
    out = argv[4];
  } else {
    return usage();
  }
  const std::vector<uint8_t> bytes = encodeWaypointFile(map);
  std::ofstream file(out, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  file.close();
  if (!file) {
    std::cerr << "wptgen: cannot write " << out << "\n";
    return 1;
  }
  return 0;
}
