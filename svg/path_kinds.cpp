#include "svg/path_kinds.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tessivar {

PathKinds classifyPaths(const WaypointGraph& graph) {
  PathKinds kinds;
  const int64_t n = graph.n;
  // Each direct pair once, in cell order (cell a->b lies at a + b * n):
  // only the set cells, read off the path lists, look up their reverse.
  std::vector<std::pair<int64_t, int64_t>> direct;
  for (int32_t a = 0; a < n; ++a) {
    for (uint64_t k = 0; k < graph.pathCount(a); ++k) direct.emplace_back(graph.pathsFrom(a)[k], a);
  }
  std::sort(direct.begin(), direct.end());
  direct.erase(std::unique(direct.begin(), direct.end()), direct.end());
  for (const auto& [b, a] : direct) {
    if (a == b) {
      kinds.self.push_back(int32_t(a));
    } else if (!graph.hasPath(b, a)) {
      kinds.oneWay.emplace_back(int32_t(a), int32_t(b));
    } else if (a < b) {
      kinds.twoWay.emplace_back(int32_t(a), int32_t(b));
    }
  }
  std::sort(kinds.twoWay.begin(), kinds.twoWay.end());
  std::sort(kinds.oneWay.begin(), kinds.oneWay.end());
  return kinds;
}

}  // namespace tessivar
