// Writing a map back with paths added: the bytes of the map whose lists
// hold the added targets at their ends, with every byte the format does not
// interpret kept where it was; refusals that write nothing.
#include "waypoint/map_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/map_generator.h"

namespace tessivar {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes written(const Bytes& input, const std::vector<AddedPath>& added, bool* ok = nullptr) {
  std::ostringstream out;
  const bool wrote = writeMapWithAddedPaths(input.data(), input.size(), added, out);
  if (ok) *ok = wrote;
  const std::string s = out.str();
  return Bytes(s.begin(), s.end());
}

// The same map encoded with `added` appended to its lists.
MapSpec withAdded(MapSpec layout, const std::vector<AddedPath>& added) {
  for (const AddedPath& p : added) layout.paths[size_t(p.from)].push_back(int16_t(p.to));
  return layout;
}

// Marks the bytes the format keeps but does not interpret: the type text's
// eighth byte, the 8 unused header bytes, the map name's bytes after its
// NUL and each record's first 4 bytes; then appends `tail`.
Bytes withUninterpretedBytes(Bytes bytes, int32_t n, const Bytes& tail) {
  bytes[7] = 'X';
  for (size_t i = 8; i < 16; ++i) bytes[i] = uint8_t(0xa0 + i);
  bytes[50] = 0x7f;
  for (int32_t v = 0; v < n; ++v) {
    for (size_t i = 0; i < 4; ++i) bytes[52 + size_t(v) * 16 + i] = uint8_t(v * 4 + i + 1);
  }
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

TEST(MapWriter, AddedTargetsGoAtTheEndsOfTheirLists) {
  const MapSpec three{"three", {{0, 0, 0}, {3, 4, 0}, {0, 0, 12}}, {{1, 2}, {0}, {}}};
  const std::vector<AddedPath> added = {{2, 0}, {0, 1}, {2, 1}};
  const Bytes tail = {1, 2, 3, 0, 0xff};
  const Bytes input = withUninterpretedBytes(encodeWaypointFile(three), 3, tail);
  bool ok = false;
  const Bytes output = written(input, added, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(output, withUninterpretedBytes(encodeWaypointFile(withAdded(three, added)), 3, tail));
  EXPECT_EQ(output.size(), input.size() + 2 * added.size());
  // Nothing added: the same bytes.
  EXPECT_EQ(written(input, {}), input);
  // A map of no waypoints with bytes after its header.
  const Bytes empty = withUninterpretedBytes(encodeWaypointFile({"none", {}, {}}), 0, tail);
  EXPECT_EQ(written(empty, {}), empty);
}

TEST(MapWriter, GeneratedMapsWithManyAddedPaths) {
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    const MapSpec layout = generateRandomMap(seed, int32_t(5 + seed * 7), 2);
    const int32_t n = int32_t(layout.positions.size());
    MapRandom random(seed);
    std::vector<AddedPath> added;
    for (uint32_t k = random.below(40); k > 0; --k) {
      added.push_back({int32_t(random.below(uint32_t(n))), int32_t(random.below(uint32_t(n)))});
    }
    const Bytes tail(seed % 3, 0x5a);
    const Bytes input = withUninterpretedBytes(encodeWaypointFile(layout), n, tail);
    EXPECT_EQ(written(input, added),
              withUninterpretedBytes(encodeWaypointFile(withAdded(layout, added)), n, tail))
        << "seed " << seed;
  }
}

TEST(MapWriter, RefusesWhatItCannotWriteAndWritesNothing) {
  MapSpec full{"full", {{0, 0, 0}, {1, 0, 0}}, {std::vector<int16_t>(32766, 1), {0}}};
  const Bytes input = encodeWaypointFile(full);
  EXPECT_TRUE(canAddPaths(input.data(), input.size(), {{0, 1}}));
  const std::vector<std::vector<AddedPath>> refused = {
      {{0, 1}, {1, 1}, {0, 0}},  // waypoint 0's list would hold 32768
      {{2, 0}},                  // no waypoint 2
      {{0, -1}},
      {{-1, 0}},
  };
  for (const auto& added : refused) {
    bool ok = true;
    EXPECT_TRUE(written(input, added, &ok).empty());
    EXPECT_FALSE(ok);
  }
  // Bytes that are not a whole waypoint file.
  const Bytes three = encodeWaypointFile({"t", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{1}, {2}, {}}});
  Bytes negative = three;
  putInt16At(negative, 52 + 3 * 16, -1);
  Bytes notWaypoints = three;
  notWaypoints[0] = 'h';
  for (const Bytes& bad : {negative, Bytes(three.begin(), three.end() - 1), notWaypoints,
                           Bytes(three.begin(), three.begin() + 51)}) {
    bool ok = true;
    EXPECT_TRUE(written(bad, {}, &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(canAddPaths(bad.data(), bad.size(), {}));
  }
}

}  // namespace
}  // namespace tessivar
