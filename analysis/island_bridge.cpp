#include "analysis/island_bridge.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessivar {

namespace {

// Waypoints per leaf of the tree.
constexpr int32_t kLeafSize = 8;

constexpr double kUnlimited = std::numeric_limits<double>::infinity();

double squaredGap(double dx, double dy, double dz) {
  return (dx * dx + dy * dy) + dz * dz;
}

// The distance from coordinate q to the interval [low, high] along one axis,
// rounded as a coordinate difference is: never more than the difference
// from q to any coordinate inside the interval.
double axisGap(float q, float low, float high) {
  if (q < low) return double(low) - double(q);
  if (q > high) return double(q) - double(high);
  return 0.0;
}

}  // namespace

double riseOf(const WaypointRecord& from, const WaypointRecord& to) {
  return double(to.z) - double(from.z);
}

double squaredDistance(const WaypointRecord& a, const WaypointRecord& b) {
  return squaredGap(double(b.x) - double(a.x), double(b.y) - double(a.y),
                    double(b.z) - double(a.z));
}

MainNetworkTree::MainNetworkTree(const std::vector<WaypointRecord>& records,
                                 const int32_t* waypoints, size_t count)
    : records_(records) {
  points_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const WaypointRecord& r = records[size_t(waypoints[i])];
    points_.push_back({r.x, r.y, r.z, waypoints[i]});
  }
  if (points_.empty()) return;
  nodes_.reserve(2 * (count / kLeafSize) + 2);

  auto makeNode = [this](int32_t begin, int32_t end) {
    Node node;
    const Point& first = points_[size_t(begin)];
    node.low[0] = node.high[0] = first.x;
    node.low[1] = node.high[1] = first.y;
    node.low[2] = node.high[2] = first.z;
    node.lowestId = first.id;
    for (int32_t i = begin + 1; i < end; ++i) {
      const Point& p = points_[size_t(i)];
      const float c[3] = {p.x, p.y, p.z};
      for (int axis = 0; axis < 3; ++axis) {
        node.low[axis] = std::min(node.low[axis], c[axis]);
        node.high[axis] = std::max(node.high[axis], c[axis]);
      }
      node.lowestId = std::min(node.lowestId, p.id);
    }
    node.begin = begin;
    node.end = end;
    node.left = node.right = -1;
    nodes_.push_back(node);
    return int32_t(nodes_.size() - 1);
  };

  // Built from an explicit list of nodes still to split, never by
  // recursion. Each split halves the range at the median of the axis along
  // which the node's box is longest.
  std::vector<int32_t> pending{makeNode(0, int32_t(points_.size()))};
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
    auto coordinate = [axis](const Point& p) {
      return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
    };
    std::nth_element(points_.begin() + node.begin, points_.begin() + mid,
                     points_.begin() + node.end,
                     [&](const Point& a, const Point& b) {
                       return coordinate(a) < coordinate(b);
                     });
    const int32_t left = makeNode(node.begin, mid);
    const int32_t right = makeNode(mid, node.end);
    nodes_[size_t(index)].left = left;
    nodes_[size_t(index)].right = right;
    pending.push_back(left);
    pending.push_back(right);
  }
}

void MainNetworkTree::searchFrom(
    int32_t q, BridgeDirection direction, double maxRise, SuggestedPath& best,
    std::vector<std::pair<int32_t, double>>& stack, double maxLength) const {
  const WaypointRecord& r = records_[size_t(q)];
  const bool out = direction == BridgeDirection::kOutOfIsland;
  // Lengths are square roots of the rounded squared distances, monotonic
  // in them, so a node whose bound is too long holds no pair short enough.
  const bool limited = maxLength < kUnlimited;
  auto tooLong = [&](double squared) { return limited && std::sqrt(squared) > maxLength; };

  // Whether a pair (from, to) beats the best so far at squared distance d.
  auto better = [&best](double d, int32_t from, int32_t to) {
    if (best.from < 0 || d < best.squared) return true;
    if (d > best.squared) return false;
    return from < best.from || (from == best.from && to < best.to);
  };
  // Whether a node at least `bound` away could hold a better pair: closer
  // than the best, or as close with numbers that win the tie.
  auto mayImprove = [&](const Node& node, double bound) {
    if (best.from < 0 || bound < best.squared) return true;
    if (bound > best.squared) return false;
    if (out) {  // pairs (q, p)
      return q < best.from || (q == best.from && node.lowestId < best.to);
    }
    // pairs (p, q)
    return node.lowestId < best.from ||
           (node.lowestId == best.from && q < best.to);
  };
  // Lower bound of the squared distance from q to the node's waypoints, or
  // -1 when none of them can be walked to (or from) under maxRise.
  auto boundOf = [&](const Node& node) {
    if (out) {
      if (double(node.low[2]) - double(r.z) > maxRise) return -1.0;
    } else {
      if (double(r.z) - double(node.high[2]) > maxRise) return -1.0;
    }
    return squaredGap(axisGap(r.x, node.low[0], node.high[0]),
                      axisGap(r.y, node.low[1], node.high[1]),
                      axisGap(r.z, node.low[2], node.high[2]));
  };

  stack.clear();
  const double rootBound = boundOf(nodes_[0]);
  if (rootBound >= 0) stack.push_back({0, rootBound});
  while (!stack.empty()) {
    const auto [index, bound] = stack.back();
    stack.pop_back();
    const Node& node = nodes_[size_t(index)];
    if (!mayImprove(node, bound) || tooLong(bound)) continue;
    if (node.left < 0) {
      for (int32_t i = node.begin; i < node.end; ++i) {
        const Point& p = points_[size_t(i)];
        const double rise = out ? double(p.z) - double(r.z)
                                : double(r.z) - double(p.z);
        if (rise > maxRise) continue;
        const double d = squaredGap(double(p.x) - double(r.x),
                                    double(p.y) - double(r.y),
                                    double(p.z) - double(r.z));
        const int32_t from = out ? q : p.id;
        const int32_t to = out ? p.id : q;
        if (better(d, from, to) && !tooLong(d)) {
          best.from = from;
          best.to = to;
          best.squared = d;
        }
      }
      continue;
    }
    const Node& left = nodes_[size_t(node.left)];
    const Node& right = nodes_[size_t(node.right)];
    const double leftBound = boundOf(left);
    const double rightBound = boundOf(right);
    // The nearer child is searched first (pushed last).
    const bool leftFirst = leftBound >= 0 &&
                           (rightBound < 0 || leftBound <= rightBound);
    if (leftFirst) {
      if (rightBound >= 0) stack.push_back({node.right, rightBound});
      stack.push_back({node.left, leftBound});
    } else {
      if (leftBound >= 0) stack.push_back({node.left, leftBound});
      if (rightBound >= 0) stack.push_back({node.right, rightBound});
    }
  }
}

SuggestedPath MainNetworkTree::suggest(const int32_t* island, size_t count,
                                       BridgeDirection direction,
                                       double maxRise) const {
  SuggestedPath best;
  if (nodes_.empty() || count == 0) return best;
  std::vector<std::pair<int32_t, double>> stack;
  for (size_t i = 0; i < count; ++i) {
    searchFrom(island[i], direction, maxRise, best, stack, kUnlimited);
  }
  best.walkable = best.from >= 0;
  if (!best.walkable) {
    for (size_t i = 0; i < count; ++i) {
      searchFrom(island[i], direction, kUnlimited, best, stack, kUnlimited);
    }
  }
  const WaypointRecord& from = records_[size_t(best.from)];
  const WaypointRecord& to = records_[size_t(best.to)];
  best.length = std::sqrt(best.squared);
  best.rise = riseOf(from, to);
  // Under an unlimited rise every pair is a candidate; whether the pair
  // found is walkable is still judged by the real limit.
  best.walkable = best.rise <= maxRise;
  return best;
}

SuggestedPath MainNetworkTree::nearestWalkableWithin(const int32_t* island, size_t count,
                                                     BridgeDirection direction,
                                                     double maxRise,
                                                     double maxLength) const {
  SuggestedPath best;
  if (nodes_.empty() || count == 0 || !(maxLength >= 0)) return best;
  std::vector<std::pair<int32_t, double>> stack;
  for (size_t i = 0; i < count; ++i) {
    searchFrom(island[i], direction, maxRise, best, stack, maxLength);
  }
  if (best.from < 0) return best;
  best.length = std::sqrt(best.squared);
  best.rise = riseOf(records_[size_t(best.from)], records_[size_t(best.to)]);
  best.walkable = true;
  return best;
}

}  // namespace tessivar
