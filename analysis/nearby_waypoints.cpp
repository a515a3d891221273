#include "analysis/nearby_waypoints.h"

#include <algorithm>
#include <cmath>

#include "analysis/island_bridge.h"

namespace tessivar {

namespace {

constexpr int32_t kLeafSize = 8;

// The distance from coordinate q to [low, high] along one axis, rounded as
// a coordinate difference is: never more than the difference from q to any
// coordinate inside.
double axisGap(float q, float low, float high) {
  if (q < low) return double(low) - double(q);
  if (q > high) return double(q) - double(high);
  return 0.0;
}

float coordinate(const WaypointRecord& r, int axis) {
  return axis == 0 ? r.x : axis == 1 ? r.y : r.z;
}

}  // namespace

NearbyWaypoints::NearbyWaypoints(const std::vector<WaypointRecord>& records,
                                 const std::vector<int32_t>& waypoints)
    : records_(records), waypoints_(waypoints) {
  if (waypoints_.empty()) return;
  nodes_.reserve(2 * (waypoints_.size() / kLeafSize) + 2);
  auto makeNode = [this](int32_t begin, int32_t end) {
    Node node;
    for (int axis = 0; axis < 3; ++axis) {
      node.low[axis] = node.high[axis] =
          coordinate(records_[size_t(waypoints_[size_t(begin)])], axis);
    }
    for (int32_t i = begin + 1; i < end; ++i) {
      const WaypointRecord& r = records_[size_t(waypoints_[size_t(i)])];
      for (int axis = 0; axis < 3; ++axis) {
        node.low[axis] = std::min(node.low[axis], coordinate(r, axis));
        node.high[axis] = std::max(node.high[axis], coordinate(r, axis));
      }
    }
    node.begin = begin;
    node.end = end;
    node.left = node.right = -1;
    nodes_.push_back(node);
    return int32_t(nodes_.size() - 1);
  };
  // Split without recursion, each node at the median of its longest axis.
  std::vector<int32_t> pending{makeNode(0, int32_t(waypoints_.size()))};
  while (!pending.empty()) {
    const int32_t index = pending.back();
    pending.pop_back();
    const Node node = nodes_[size_t(index)];
    if (node.end - node.begin <= kLeafSize) continue;
    int axis = 0;
    double longest = -1;
    for (int a = 0; a < 3; ++a) {
      const double extent = double(node.high[a]) - double(node.low[a]);
      if (extent > longest) longest = extent, axis = a;
    }
    const int32_t mid = node.begin + (node.end - node.begin) / 2;
    std::nth_element(waypoints_.begin() + node.begin, waypoints_.begin() + mid,
                     waypoints_.begin() + node.end, [&](int32_t a, int32_t b) {
                       return coordinate(records_[size_t(a)], axis) <
                              coordinate(records_[size_t(b)], axis);
                     });
    const int32_t left = makeNode(node.begin, mid);
    const int32_t right = makeNode(mid, node.end);
    nodes_[size_t(index)].left = left;
    nodes_[size_t(index)].right = right;
    pending.push_back(left);
    pending.push_back(right);
  }
}

void NearbyWaypoints::within(const WaypointRecord& p, double maxLength,
                             std::vector<std::pair<int32_t, double>>& found,
                             std::vector<int32_t>& stack) const {
  found.clear();
  stack.clear();
  if (nodes_.empty()) return;
  stack.push_back(0);
  while (!stack.empty()) {
    const Node& node = nodes_[size_t(stack.back())];
    stack.pop_back();
    const double dx = axisGap(p.x, node.low[0], node.high[0]);
    const double dy = axisGap(p.y, node.low[1], node.high[1]);
    const double dz = axisGap(p.z, node.low[2], node.high[2]);
    if (std::sqrt((dx * dx + dy * dy) + dz * dz) > maxLength) continue;
    if (node.left >= 0) {
      stack.push_back(node.left);
      stack.push_back(node.right);
      continue;
    }
    for (int32_t i = node.begin; i < node.end; ++i) {
      const int32_t q = waypoints_[size_t(i)];
      const double squared = squaredDistance(p, records_[size_t(q)]);
      if (std::sqrt(squared) <= maxLength) found.push_back({q, squared});
    }
  }
}

}  // namespace tessivar
