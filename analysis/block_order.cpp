#include "analysis/block_order.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace tessivar {

namespace {

// kAuto keeps the map's own numbering when its blocks hold at least this
// share of the paths the spatial blocks hold: a map numbered as it was
// walked has blocks along its walks, which follow the paths better than
// regions cut by position.
constexpr double kNumberingShare = 0.85;

// Recursive halving of the positions (a k-d split): each range is split
// across its widest axis at a multiple of kBlockSize near its middle, so
// every block but the last holds kBlockSize waypoints that lie close
// together. Ties in a coordinate go by waypoint number, so the order is
// the same on every platform.
std::vector<int32_t> spatialOrder(const WaypointMap& map) {
  const int32_t n = map.n;
  std::vector<int32_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  auto coordinate = [&map](int32_t i, int axis) {
    const WaypointRecord& r = map.records[i];
    return axis == 0 ? r.x : axis == 1 ? r.y : r.z;
  };
  std::vector<std::pair<int32_t, int32_t>> ranges = {{0, n}};
  while (!ranges.empty()) {
    const auto [begin, end] = ranges.back();
    ranges.pop_back();
    if (end - begin <= kBlockSize) continue;
    float low[3], high[3];
    for (int axis = 0; axis < 3; ++axis) {
      low[axis] = high[axis] = coordinate(order[begin], axis);
    }
    for (int32_t i = begin; i < end; ++i) {
      for (int axis = 0; axis < 3; ++axis) {
        low[axis] = std::min(low[axis], coordinate(order[i], axis));
        high[axis] = std::max(high[axis], coordinate(order[i], axis));
      }
    }
    int widest = 0;
    for (int axis = 1; axis < 3; ++axis) {
      // Differences in double: positions are finite but may be far apart.
      if (double(high[axis]) - low[axis] > double(high[widest]) - low[widest]) widest = axis;
    }
    const int32_t blocks = (end - begin + kBlockSize - 1) / kBlockSize;
    const int32_t middle = begin + (blocks / 2) * kBlockSize;
    std::nth_element(order.begin() + begin, order.begin() + middle, order.begin() + end,
                     [&](int32_t x, int32_t y) {
                       const float cx = coordinate(x, widest), cy = coordinate(y, widest);
                       return cx < cy || (cx == cy && x < y);
                     });
    ranges.push_back({begin, middle});
    ranges.push_back({middle, end});
  }
  return order;
}

}  // namespace

double pathsInsideBlocks(const WaypointMap& map, const std::vector<int32_t>& order) {
  std::vector<int32_t> blockOf(order.size());
  for (size_t j = 0; j < order.size(); ++j) blockOf[order[j]] = int32_t(j) / kBlockSize;
  uint64_t inside = 0;
  for (int32_t i = 0; i < map.n; ++i) {
    const int32_t* targets = map.pathsFrom(i);
    for (uint64_t k = 0; k < map.pathCount(i); ++k) inside += blockOf[i] == blockOf[targets[k]];
  }
  return map.pathTargets.empty() ? 1.0 : double(inside) / double(map.pathTargets.size());
}

std::vector<int32_t> blockOrder(const WaypointMap& map, BlockOrder kind, uint64_t seed) {
  std::vector<int32_t> numbering(map.n);
  std::iota(numbering.begin(), numbering.end(), 0);
  switch (kind) {
    case BlockOrder::kNumbering:
      return numbering;
    case BlockOrder::kSpatial:
      return spatialOrder(map);
    case BlockOrder::kShuffled: {
      uint64_t state = seed;
      for (int32_t i = map.n - 1; i > 0; --i) {
        // splitmix64
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        std::swap(numbering[i], numbering[z % uint64_t(i + 1)]);
      }
      return numbering;
    }
    case BlockOrder::kAuto:
    default: {
      std::vector<int32_t> spatial = spatialOrder(map);
      if (pathsInsideBlocks(map, numbering) >= kNumberingShare * pathsInsideBlocks(map, spatial)) {
        return numbering;
      }
      return spatial;
    }
  }
}

}  // namespace tessivar
