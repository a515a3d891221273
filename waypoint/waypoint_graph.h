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

#include "waypoint/cell_bits.h"

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

// A map as its file gives it: the waypoints and each one's path list, and
// nothing of size N x N, so its memory grows with waypoints plus paths.
// Tools that never need the report's matrices (and maps far too big for
// them) work from this alone.
struct WaypointMap {
  int32_t n = 0;            // number of waypoints
  std::string mapName;      // up to 32 characters, as stored
  std::vector<WaypointRecord> records;
  // The path list of waypoint i, in file order, is pathTargets[pathBegin[i]]
  // up to pathTargets[pathBegin[i + 1]]; pathBegin has n + 1 entries once
  // the lists are read. A list may name its own waypoint and may name a
  // target more than once.
  std::vector<uint64_t> pathBegin;
  std::vector<int32_t> pathTargets;
  // The straight-line length of each path entry, in step with pathTargets.
  std::vector<float> pathLengths;
  // Sum of the path counts of all waypoints, as read: a target listed twice
  // counts twice.
  int64_t pathEntryTotal = 0;

  uint64_t pathCount(int32_t i) const { return pathBegin[i + 1] - pathBegin[i]; }
  const int32_t* pathsFrom(int32_t i) const {
    return pathTargets.data() + pathBegin[i];
  }
  const float* lengthsFrom(int32_t i) const {
    return pathLengths.data() + pathBegin[i];
  }
};

// The map with the report's adjacency matrix built from its path lists.
// The edge length matrix of the report is not stored cell by cell: a cell's
// length is its path entry's, read from the path lists.
struct WaypointGraph : WaypointMap {
  uint64_t cellCount = 0;   // n * n
  // Set where waypoint a's path list names b (cell a->b).
  CellBits adjacency;

  bool hasPath(int64_t a, int64_t b) const {
    return adjacency[cellIndex(a, b, n)];
  }
  // The edge length matrix's cell a->b: the straight-line length of the
  // path from a to b, or kNoPathDistance where there is none.
  float edgeLength(int32_t a, int32_t b) const {
    const int32_t* targets = pathsFrom(a);
    for (uint64_t k = 0; k < pathCount(a); ++k) {
      if (targets[k] == b) return lengthsFrom(a)[k];
    }
    return kNoPathDistance;
  }
};

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_WAYPOINT_GRAPH_H_
