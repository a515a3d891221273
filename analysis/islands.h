// The islands of a map: every network (analysis/networks.h) but the main
// one, judged by which way it is joined to the main network, with its paths
// in and out, where it lies, and the path that would mend it.
//
// The main network is the largest; between networks of equal size, the one
// holding the lowest waypoint number. Every other network is an island:
//   - a trap region when the main network reaches it and it does not reach
//     the main network (bots go in and never come out);
//   - an unreachable region when it reaches the main network and the main
//     network does not reach it (nothing ever gets in);
//   - detached when neither reaches the other. An orphan is a detached
//     island of one waypoint.
// (A network other than the main one never both reaches and is reached by
// it: it would then belong to it.)
//
// Time and memory grow with waypoints plus path entries; the suggested
// paths are found as analysis/island_bridge.h describes.
#ifndef TESSIVAR_ANALYSIS_ISLANDS_H_
#define TESSIVAR_ANALYSIS_ISLANDS_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "analysis/island_bridge.h"
#include "analysis/networks.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

enum class IslandKind { kTrapRegion, kUnreachableRegion, kDetached };

// "trap region", "unreachable region" or "detached".
const char* islandKindName(IslandKind kind);

// The lowest and highest x, y and z of a set of waypoints.
struct WaypointBox {
  float low[3] = {0, 0, 0};
  float high[3] = {0, 0, 0};
};

using PathPair = std::pair<int32_t, int32_t>;  // from, to

struct Island {
  IslandKind kind = IslandKind::kDetached;
  int32_t network = 0;              // its number in Networks
  std::vector<int32_t> waypoints;   // ascending
  // Paths from a waypoint outside the island to one inside, and from one
  // inside to one outside; each pair once, sorted by from, then to.
  std::vector<PathPair> pathsIn;
  std::vector<PathPair> pathsOut;
  WaypointBox box;
  // The way that mends it: out of a trap region, into an unreachable
  // region; into a detached island first, then out of it.
  std::vector<SuggestedPath> suggested;
};

struct IslandReport {
  int32_t waypoints = 0;
  int32_t networks = 0;
  bool hasMain = false;     // false only for a map of no waypoints
  int32_t mainNetwork = -1;
  int32_t mainSize = 0;
  int32_t mainLowest = -1;  // the lowest waypoint number in it
  double maxRise = kDefaultMaxRise;
  std::vector<Island> islands;  // ordered by their lowest waypoint number

  int64_t countOf(IslandKind kind) const;
  // Detached islands of one waypoint.
  int64_t orphanCount() const;
};

// The islands of `map`, whose networks are `networks`, with suggested paths
// walkable under `maxRise` (finite, not negative). Can throw
// std::bad_alloc.
IslandReport findIslands(const WaypointMap& map, const Networks& networks,
                         double maxRise = kDefaultMaxRise);

// Finds the networks too.
IslandReport findIslands(const WaypointMap& map,
                         double maxRise = kDefaultMaxRise);

// Bytes that finding the islands of a map of `n` waypoints and
// `pathEntries` path entries may need beyond the map itself, the report
// included: a bound with some headroom, for comparing with the process's
// memory budget before starting. Saturates instead of overflowing.
uint64_t islandsMemoryNeed(int64_t n, int64_t pathEntries);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_ISLANDS_H_
