#include "svg/map_analysis.h"

#include "analysis/pathing.h"
#include "analysis/reachability.h"
#include "analysis/route_query.h"
#include "svg/discard_stream.h"

namespace tessivar {

MapAnalysis analyzeMap(const WaypointGraph& graph) {
  DiscardStream quiet;
  MapAnalysis result;
  result.scan = scanOrphansAndTraps(graph, quiet);
  result.islands = findIslands(graph);
  const int32_t n = graph.n;
  PathingResult pathing;
  {
    ReachabilityResult reach = buildReachabilityMatrix(graph, quiet);
    result.reachableCount = reach.reachableCount;
    pathing = buildPathingBlock(graph, reach.matrix, quiet);
    if (n > kQueryTo) {
      result.routeQueried = true;
      result.routeReachable =
          reach.matrix[cellIndex(kQueryFrom, kQueryTo, n)] != 0;
    }
  }
  if (!result.routeQueried) return result;
  result.routeLength = pathing.pathing[cellIndex(kQueryFrom, kQueryTo, n)];
  if (result.routeReachable) {
    result.route.push_back(kQueryFrom);
    for (int32_t m : expandRoute(pathing.shortestPath, n, kQueryFrom, kQueryTo))
      result.route.push_back(m);
    result.route.push_back(kQueryTo);
  }
  return result;
}

}  // namespace tessivar
