// Builds waypoint files for samples, tests, benchmarks and the fuzz corpus:
// an encoder from an in-memory description to the on-disk bytes, and
// deterministic generators of maps from a seed and a size.
#ifndef TESSIVAR_TOOLS_MAP_GENERATOR_H_
#define TESSIVAR_TOOLS_MAP_GENERATOR_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessivar {

struct MapSpec {
  std::string name;                           // at most 32 bytes are stored
  std::vector<std::array<float, 3>> positions;  // one per waypoint
  std::vector<std::vector<int16_t>> paths;      // targets, one list each
};

// The file bytes of `map`. `typeText` fills the 8-byte type field (the
// default is a waypoint file's); a name of 32 bytes or more is stored
// without a NUL.
std::vector<uint8_t> encodeWaypointFile(const MapSpec& map,
                                        const std::string& typeText =
                                            std::string("HPB_bot\0", 8));

// Overwrite one little-endian value inside encoded file bytes, for
// building broken files in tests and the fuzz corpus. Throws
// std::out_of_range when the value doesn't fit inside `bytes`.
void putInt16At(std::vector<uint8_t>& bytes, size_t offset, int16_t value);
void putInt32At(std::vector<uint8_t>& bytes, size_t offset, int32_t value);
void putFloatAt(std::vector<uint8_t>& bytes, size_t offset, float value);

// Byte offset of coordinate `axis` (0 = x, 1 = y, 2 = z) of waypoint i.
size_t coordinateOffset(int32_t waypoint, int axis);

// A game-like map of `size` waypoints: rooms of waypoints on a few floor
// heights, mostly two-way paths between neighbours, some one-way drops
// between floors, a few trap and orphan waypoints. The same seed and size
// always give the same map. Waypoints 0 and 5 are never orphans or traps.
MapSpec generateRealisticMap(uint64_t seed, int32_t size);

// A game-like map numbered the way a person places waypoints: walking
// through the level room by room, so consecutive numbers stand close
// together, with an occasional jump to another part of the map and a few
// one-way drops to a lower floor. Rooms, floors, paths, traps and orphans
// are like generateRealisticMap's. Waypoints 0 and 5 are never orphans or
// traps.
MapSpec generateWalkedMap(uint64_t seed, int32_t size);

// `map` with its waypoints renumbered in the order a person placing them
// would meet them: a depth-first walk along the paths (either way) from a
// waypoint picked by `seed`, always to the nearest waypoint not yet met,
// back along the walk when there is none, and on from another waypoint
// picked by `seed` when the walk has met all it can reach. The paths and
// positions are the same, under the new numbers; consecutive numbers mostly
// stand a path apart, yet a part of the map is met several times as the
// walk comes back through it, unlike generateWalkedMap's room-by-room walk.
MapSpec renumberDepthFirst(const MapSpec& map, uint64_t seed);

// generateRealisticMap(seed, size) renumbered by renumberDepthFirst: the
// rooms map numbered as a waypointer walks it from a random start.
MapSpec generateDepthFirstMap(uint64_t seed, int32_t size);

// A width x height grid with unit spacing and two-way paths between
// neighbours: many routes of equal length.
MapSpec generateGridMap(int32_t width, int32_t height);

// Waypoints at random integer positions in a small cube and random one-way
// paths (self paths and repeated targets included), for differential tests:
// many equal sums and zero lengths.
MapSpec generateRandomMap(uint64_t seed, int32_t size, int32_t pathsPerWaypoint);

// The six-waypoint example used throughout the documentation: waypoints at
// (0,0,0) (10,0,0) (3,0,0) (6,0,0) (5,12,0) (10,5,0) and the paths 0->2,
// 0->4, 2->3, 3->1, 4->1, 1->5.
MapSpec sixWaypointExample();

// Small deterministic generator (splitmix64), identical on every platform,
// unlike the standard library's distributions.
class MapRandom {
 public:
  explicit MapRandom(uint64_t seed) : state_(seed) {}
  uint64_t next();
  // Uniform in [0, bound).
  uint32_t below(uint32_t bound);
  // Uniform in [0, 1).
  double unit();

 private:
  uint64_t state_;
};

}  // namespace tessivar

#endif  // TESSIVAR_TOOLS_MAP_GENERATOR_H_
