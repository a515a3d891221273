// A fixed set of waypoints arranged to find, for any point, those of them
// within a given length: every waypoint q with
// sqrt(squaredDistance(p, q)) <= maxLength (analysis/island_bridge.h), the
// exact measure a suggested path's length is judged by.
//
// A k-d tree with each node's bounding box. A node is skipped when the
// square root of the squared distance to its box, rounded as a distance is,
// exceeds the length: the rounded operations are monotonic, so no waypoint
// inside could be within it. A search costs about log(size) plus the
// waypoints it finds and their neighbours in the tree.
#ifndef TESSIVAR_ANALYSIS_NEARBY_WAYPOINTS_H_
#define TESSIVAR_ANALYSIS_NEARBY_WAYPOINTS_H_

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

class NearbyWaypoints {
 public:
  // `records` must outlive the tree; `waypoints` are numbers into it.
  NearbyWaypoints(const std::vector<WaypointRecord>& records,
                  const std::vector<int32_t>& waypoints);

  // Fills `found` with each waypoint of the set within `maxLength` of `p`
  // and its squared distance, in no particular order. `stack` is working
  // space, kept between calls to save allocations.
  void within(const WaypointRecord& p, double maxLength,
              std::vector<std::pair<int32_t, double>>& found,
              std::vector<int32_t>& stack) const;

 private:
  struct Node {
    float low[3];
    float high[3];
    int32_t begin, end;   // range in waypoints_
    int32_t left, right;  // child nodes, -1 for a leaf
  };

  const std::vector<WaypointRecord>& records_;
  std::vector<int32_t> waypoints_;
  std::vector<Node> nodes_;
};

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_NEARBY_WAYPOINTS_H_
