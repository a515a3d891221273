// The paths of a map as the picture draws them: a pair of waypoints joined
// both ways is one two-way path (one line), a path without its reverse is a
// one-way path (an arrow), and a path from a waypoint to itself is a self
// path (a small loop). Repeated entries of the same path are drawn once.
#ifndef TESSIVAR_SVG_PATH_KINDS_H_
#define TESSIVAR_SVG_PATH_KINDS_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

struct PathKinds {
  std::vector<std::pair<int32_t, int32_t>> twoWay;  // (a, b) with a < b
  std::vector<std::pair<int32_t, int32_t>> oneWay;  // (from, to)
  std::vector<int32_t> self;
};

// Reads the path lists, looking up only the reverse of each path in the
// adjacency matrix, so a map of a few thousand waypoints takes
// milliseconds. Each list is sorted.
PathKinds classifyPaths(const WaypointGraph& graph);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_PATH_KINDS_H_
