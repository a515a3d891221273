// The waypoint graph: everything the analysis phases read about one map.
//
// Every N x N matrix of the program is one flat array in which the cell of
// the ordered pair a->b (a path or route leading from waypoint a to
// waypoint b) lies at index a + b * N. Index arithmetic is done in 64 bits
// through cellIndex(), so no matrix of a large map is ever addressed with an
// overflowed 32-bit product.
#ifndef TESSIVAR_WAYPOINT_WAYPOINT_GRAPH_H_
#define TESSIVAR_WAYPOINT_WAYPOINT_GRAPH_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessivar {

// Length of a pair with no direct path, and the pathing value of a pair
// with no route.
constexpr float kNoPathDistance = 10000000.0f;

// One waypoint as stored in the file: four bytes the program keeps but does
// not interpret, then the position.
struct WaypointRecord {
  uint8_t reserved[4];
  float x;
  float y;
  float z;
};
static_assert(sizeof(WaypointRecord) == 16, "records are 16 bytes on disk");

inline size_t cellIndex(int64_t a, int64_t b, int64_t n) {
  return static_cast<size_t>(a + b * n);
}

struct WaypointGraph {
  int32_t n = 0;            // number of waypoints
  uint64_t cellCount = 0;   // n * n
  std::string mapName;      // up to 32 characters, as stored
  // 1 where waypoint a's path list names b (cell a->b), else 0.
  std::vector<uint8_t> adjacency;
  // Straight-line length of each direct path; kNoPathDistance elsewhere.
  std::vector<float> edgeLength;
  std::vector<WaypointRecord> records;
  // Sum of the path counts of all waypoints, as read: a target listed twice
  // counts twice.
  int64_t pathEntryTotal = 0;

  bool hasPath(int64_t a, int64_t b) const {
    return adjacency[cellIndex(a, b, n)] != 0;
  }
};

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_WAYPOINT_GRAPH_H_
