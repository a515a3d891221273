#include "analysis/route_query.h"

namespace tessivar {

std::vector<int32_t> expandRoute(const std::vector<int16_t>& shortestPath,
                                 int32_t n, int32_t a, int32_t b) {
  // In-order walk of the tree of intermediates: the route a..b is the
  // route a..m, then m, then the route m..b, where m is the intermediate of
  // a->b. The explicit stack holds pairs still to expand and waypoints
  // still to write.
  struct Item {
    int32_t from;
    int32_t to;
    int32_t depth;  // -1 marks "write `from`"
  };
  std::vector<int32_t> route;
  if (n <= 0 || a < 0 || a >= n || b < 0 || b >= n) return route;
  std::vector<Item> stack{{a, b, 0}};
  while (!stack.empty() && route.size() < size_t(n)) {
    const Item item = stack.back();
    stack.pop_back();
    if (item.depth < 0) {
      route.push_back(item.from);
      continue;
    }
    if (item.depth >= n) continue;
    const int32_t m = shortestPath[cellIndex(item.from, item.to, n)];
    if (m < 0 || m >= n) continue;
    stack.push_back({m, item.to, item.depth + 1});
    stack.push_back({m, m, -1});
    stack.push_back({item.from, m, item.depth + 1});
  }
  return route;
}

RouteQuery queryRoute(const PathingResult& pathing,
                      const CellBits& reachability, int32_t n) {
  RouteQuery query;
  if (n <= kQueryTo) return query;
  const size_t cell = cellIndex(kQueryFrom, kQueryTo, n);
  query.queried = true;
  query.reachable = reachability[cell] != 0;
  query.length = pathing.pathing[cell];
  query.intermediates = expandRoute(pathing.shortestPath, n, kQueryFrom, kQueryTo);
  return query;
}

}  // namespace tessivar
