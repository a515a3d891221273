#include "svg/path_kinds.h"

#include <algorithm>

namespace tessivar {

PathKinds classifyPaths(const WaypointGraph& graph) {
  PathKinds kinds;
  const int64_t n = graph.n;
  // Cell a->b lies at a + b * n: with b outer and a inner the scan walks
  // the matrix front to back. Only the few set cells look up their reverse.
  for (int64_t b = 0; b < n; ++b) {
    const uint8_t* column = graph.adjacency.data() + cellIndex(0, b, n);
    for (int64_t a = 0; a < n; ++a) {
      if (!column[a]) continue;
      if (a == b) {
        kinds.self.push_back(int32_t(a));
      } else if (!graph.hasPath(b, a)) {
        kinds.oneWay.emplace_back(int32_t(a), int32_t(b));
      } else if (a < b) {
        kinds.twoWay.emplace_back(int32_t(a), int32_t(b));
      }
    }
  }
  std::sort(kinds.twoWay.begin(), kinds.twoWay.end());
  std::sort(kinds.oneWay.begin(), kinds.oneWay.end());
  return kinds;
}

}  // namespace tessivar
