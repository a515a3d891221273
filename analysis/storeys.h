// The storeys of a map: the heights its waypoints stand at, split where a
// wide gap in them leaves nothing a player walks up or down between two
// waypoints. A map viewer offers one height filter per storey.
//
// The distinct heights (z) of the waypoints are sorted; every gap between
// two neighbouring heights of at least kStoreyGap units may separate two
// storeys. A map with more than kMaxStoreys - 1 such gaps is split at the
// widest of them only (between gaps of equal width, the lower), so a map of
// scattered heights gets a handful of storeys, not one per waypoint.
// Ramps and stairs fill the gaps between floors and join them into one
// storey: the storeys say how the heights cluster, not where the floors of
// the level were meant to be.
#ifndef TESSIVAR_ANALYSIS_STOREYS_H_
#define TESSIVAR_ANALYSIS_STOREYS_H_

#include <cstdint>
#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

// A gap in the heights that a player's jump (45 units) can't climb and that
// is almost the height of a standing player (72): nobody walks it as a
// slope between neighbouring waypoints.
constexpr double kStoreyGap = 64;
constexpr int32_t kMaxStoreys = 12;

struct Storey {
  float low = 0;            // the lowest waypoint height in it
  float high = 0;           // the highest
  int32_t waypoints = 0;    // how many waypoints stand in it
};

// The storeys of `map`, lowest first; none for a map of no waypoints.
std::vector<Storey> findStoreys(const WaypointMap& map);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_STOREYS_H_
