// The number of ordered pairs a->b of waypoints with a route from a to b,
// as tessivar's reachability phase counts them, found from the networks
// (analysis/networks.h) without any N x N matrix:
//   - within a network of two or more waypoints every ordered pair, a->a
//     included (a route leaves a and comes back); a network of one only
//     a->a, and only when the waypoint has a path to itself;
//   - |A| x |B| for each network A that reaches another network B.
//
// The networks form an acyclic graph. Which networks each network is
// reached from is propagated along it in bit words, 64 source networks at
// a time, so time grows with (networks / 64) x (networks + paths between
// networks) and memory with networks plus those paths. Source networks of
// one word all have the same size, so each network's count is a popcount
// times that size.
#ifndef TESSIVAR_ANALYSIS_REACHABLE_PAIRS_H_
#define TESSIVAR_ANALYSIS_REACHABLE_PAIRS_H_

#include <cstdint>

#include "analysis/networks.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// `networks` must be the networks of `map`. Can throw std::bad_alloc.
int64_t countReachablePairs(const WaypointMap& map, const Networks& networks);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_REACHABLE_PAIRS_H_
