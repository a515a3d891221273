// make_fuzz_corpus: writes the seed corpus of the waypoint fuzz target.
//
//   make_fuzz_corpus DIR
//
// Small valid maps from the map generator and hand-made edge cases, and one
// broken file for every class of refusal the loader has. The files are
// tiny so the fuzzer spends its time mutating, not reading.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tools/map_generator.h"

namespace {

using tessivar::MapSpec;
using Bytes = std::vector<uint8_t>;

// Three waypoints: 0->1, 0->2, 1->0; path section from byte 100 (count of
// 0 at 100, its targets at 102 and 104, count of 1 at 106, target at 108,
// count of 2 at 110).
MapSpec three() {
  return MapSpec{"three", {{0, 0, 0}, {3, 4, 0}, {0, 0, 12}}, {{1, 2}, {0}, {}}};
}

Bytes encode(const MapSpec& map) { return tessivar::encodeWaypointFile(map); }

}  // namespace

int main(int argc, char** argv) {
  using namespace tessivar;
  if (argc != 2) {
    std::cerr << "usage: make_fuzz_corpus DIR\n";
    return 1;
  }
  std::vector<std::pair<std::string, Bytes>> seeds;
  auto add = [&](const std::string& name, const Bytes& bytes) {
    seeds.emplace_back(name, bytes);
  };

  // Valid maps.
  add("valid_six_waypoints", encode(sixWaypointExample()));
  add("valid_three", encode(three()));
  add("valid_realistic_8", encode(generateRealisticMap(1, 8)));
  add("valid_realistic_20", encode(generateRealisticMap(2, 20)));
  add("valid_realistic_40", encode(generateRealisticMap(3, 40)));
  add("valid_grid_3x3", encode(generateGridMap(3, 3)));
  add("valid_grid_7x1", encode(generateGridMap(7, 1)));
  add("valid_random_6", encode(generateRandomMap(1, 6, 2)));
  add("valid_random_12", encode(generateRandomMap(2, 12, 3)));
  add("valid_empty", encode(MapSpec{"empty", {}, {}}));
  add("valid_self_path", encode(MapSpec{"self", {{1, 2, 3}}, {{0}}}));
  add("valid_duplicate_targets",
      encode(MapSpec{"twice", {{0, 0, 0}, {1, 0, 0}}, {{1, 1}, {}}}));
  add("valid_far_apart",
      encode(MapSpec{"far", {{1e38f, 0, 0}, {-1e38f, 0, 0}}, {{1}, {0}}}));
  add("valid_cycle_of_six",
      encode(MapSpec{"cycle", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0},
                               {4, 0, 0}, {5, 0, 0}},
                     {{1}, {2}, {3}, {4}, {5}, {0}}}));
  {
    MapSpec map = three();
    map.name = std::string(40, 'n');  // stored without a NUL
    add("valid_name_without_nul", encode(map));
  }
  add("valid_eighth_byte_set", encodeWaypointFile(three(), "HPB_botX"));
  {
    Bytes bytes = encode(three());
    bytes.insert(bytes.end(), {0xff, 0x7f, 0x00, 0x80});
    add("valid_trailing_bytes", bytes);
  }

  // Files that are not waypoint files.
  add("bad_type_text", encodeWaypointFile(three(), std::string("HPB_bo\0\0", 8)));
  add("bad_type_case", encodeWaypointFile(three(), std::string("hpb_bot\0", 8)));
  {
    const Bytes full = encode(three());
    add("bad_short_header", Bytes(full.begin(), full.begin() + 30));
  }

  // Corrupt files, one per refusal.
  const Bytes base = encode(three());
  auto edited = [&](const std::string& name, auto edit) {
    Bytes bytes = base;
    edit(bytes);
    add(name, bytes);
  };
  edited("corrupt_negative_n", [](Bytes& b) { putInt32At(b, 16, -1); });
  edited("corrupt_n_beyond_file", [](Bytes& b) { putInt32At(b, 16, 7); });
  edited("corrupt_huge_n", [](Bytes& b) { putInt32At(b, 16, 70000); });
  edited("corrupt_negative_count", [](Bytes& b) { putInt16At(b, 106, -1); });
  edited("corrupt_count_past_end", [](Bytes& b) { putInt16At(b, 100, 6); });
  edited("corrupt_target_too_big", [](Bytes& b) { putInt16At(b, 102, 3); });
  edited("corrupt_negative_target", [](Bytes& b) { putInt16At(b, 108, -1); });
  edited("corrupt_nan_position", [](Bytes& b) {
    putFloatAt(b, coordinateOffset(1, 1), std::numeric_limits<float>::quiet_NaN());
  });
  edited("corrupt_infinite_position", [](Bytes& b) {
    putFloatAt(b, coordinateOffset(2, 2), -std::numeric_limits<float>::infinity());
  });
  edited("corrupt_difference_overflows", [](Bytes& b) {
    putFloatAt(b, coordinateOffset(0, 0), 3e38f);
    putFloatAt(b, coordinateOffset(1, 0), -3e38f);
  });
  edited("corrupt_length_overflows", [](Bytes& b) {
    for (int axis = 0; axis < 3; ++axis) putFloatAt(b, coordinateOffset(2, axis), FLT_MAX * 0.9f);
  });
  edited("corrupt_inside_path_list", [](Bytes& b) { b.resize(108); });
  edited("corrupt_before_count", [](Bytes& b) { b.resize(110); });

  for (const auto& [name, bytes] : seeds) {
    const std::string path = std::string(argv[1]) + "/" + name + ".wpt";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) {
      std::cerr << "make_fuzz_corpus: cannot write " << path << "\n";
      return 1;
    }
  }
  std::cout << seeds.size() << " seed files written to " << argv[1] << "\n";
  return 0;
}
