#include "analysis/reachable_pairs.h"

#include <algorithm>
#include <bitset>
#include <vector>

namespace tessivar {

namespace {

// The paths between networks, each pair of networks once, listed by the
// network they leave: successorsOf[begin[k]] up to successorsOf[begin[k+1]].
struct NetworkPaths {
  std::vector<int64_t> begin;
  std::vector<int32_t> successorsOf;
  // Networks of one waypoint with a path to itself.
  std::vector<uint8_t> selfPath;
};

NetworkPaths pathsBetweenNetworks(const WaypointMap& map, const Networks& networks) {
  const int32_t count = networks.count;
  NetworkPaths paths;
  paths.begin.assign(size_t(count) + 1, 0);
  paths.selfPath.assign(size_t(count), 0);
  std::vector<int32_t> seenBy(size_t(count), -1);  // the last network that listed it
  // Counted first, then filled, each in network order.
  for (int pass = 0; pass < 2; ++pass) {
    std::fill(seenBy.begin(), seenBy.end(), -1);
    std::vector<int64_t> fill;
    if (pass == 1) {
      for (int32_t k = 0; k < count; ++k) paths.begin[size_t(k) + 1] += paths.begin[size_t(k)];
      paths.successorsOf.resize(size_t(paths.begin[size_t(count)]));
      fill.assign(paths.begin.begin(), paths.begin.end() - 1);
    }
    for (int32_t k = 0; k < count; ++k) {
      const int32_t* member = networks.membersOf(k);
      for (int32_t i = 0; i < networks.size(k); ++i) {
        const int32_t u = member[i];
        const int32_t* targets = map.pathsFrom(u);
        for (uint64_t e = 0; e < map.pathCount(u); ++e) {
          const int32_t j = networks.networkOf[size_t(targets[e])];
          if (j == k) {
            if (targets[e] == u) paths.selfPath[size_t(k)] = 1;
            continue;
          }
          if (seenBy[size_t(j)] == k) continue;
          seenBy[size_t(j)] = k;
          if (pass == 0) {
            ++paths.begin[size_t(k) + 1];
          } else {
            paths.successorsOf[size_t(fill[size_t(k)]++)] = j;
          }
        }
      }
    }
  }
  return paths;
}

}  // namespace

int64_t countReachablePairs(const WaypointMap& map, const Networks& networks) {
  const int32_t count = networks.count;
  const NetworkPaths paths = pathsBetweenNetworks(map, networks);
  int64_t pairs = 0;
  for (int32_t k = 0; k < count; ++k) {
    const int64_t size = networks.size(k);
    if (size > 1 || paths.selfPath[size_t(k)]) pairs += size * size;
  }

  // Sources first: a network comes after every network that reaches it.
  const std::vector<int32_t> order(networks.sinkFirst.rbegin(), networks.sinkFirst.rend());
  // The networks grouped by size, so that one word's sources share a size.
  std::vector<int32_t> bySize(static_cast<size_t>(count));
  for (int32_t k = 0; k < count; ++k) bySize[size_t(k)] = k;
  std::stable_sort(bySize.begin(), bySize.end(), [&](int32_t a, int32_t b) {
    return networks.size(a) < networks.size(b);
  });

  std::vector<uint64_t> reachedFrom(size_t(count), 0);
  size_t first = 0;
  while (first < bySize.size()) {
    // Up to 64 sources of one size.
    const int64_t sourceSize = networks.size(bySize[first]);
    size_t end = first;
    while (end < bySize.size() && end - first < 64 &&
           networks.size(bySize[end]) == sourceSize) {
      ++end;
    }
    std::fill(reachedFrom.begin(), reachedFrom.end(), 0);
    for (size_t s = first; s < end; ++s) {
      reachedFrom[size_t(bySize[s])] = uint64_t(1) << (s - first);
    }
    for (int32_t k : order) {
      const uint64_t word = reachedFrom[size_t(k)];
      if (word == 0) continue;
      for (int64_t e = paths.begin[size_t(k)]; e < paths.begin[size_t(k) + 1]; ++e) {
        reachedFrom[size_t(paths.successorsOf[size_t(e)])] |= word;
      }
    }
    // Each network's own bit is no pair between networks.
    for (size_t s = first; s < end; ++s) {
      reachedFrom[size_t(bySize[s])] &= ~(uint64_t(1) << (s - first));
    }
    for (int32_t k = 0; k < count; ++k) {
      const uint64_t word = reachedFrom[size_t(k)];
      if (word == 0) continue;
      pairs += int64_t(std::bitset<64>(word).count()) * sourceSize * networks.size(k);
    }
    first = end;
  }
  return pairs;
}

}  // namespace tessivar
