// Test helpers for the networks and islands: maps read as the islands tool
// reads them, generated graphs full of awkward structure, and a slow,
// obviously right reference of everything the islands report says.
#ifndef TESSIVAR_TESTING_ISLAND_REFERENCE_H_
#define TESSIVAR_TESTING_ISLAND_REFERENCE_H_

#include <cstdint>
#include <vector>

#include "analysis/islands.h"
#include "tools/map_generator.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {
namespace testing {

// The map the loader reads from the file of `spec`, without matrices.
WaypointMap waypointMapOf(const MapSpec& spec);

// A small graph of `size` waypoints made of random one-way paths (self
// paths and targets listed twice among them), cycles through random
// waypoints, chains running up and down the numbering, and lone waypoints.
// Positions lie on a coarse grid of few heights, so many distances tie.
// The seed also picks how dense the graph is.
MapSpec tangledGraph(uint64_t seed, int32_t size);

// reach[a * n + b] = 1 when b can be reached from a along paths, or a == b;
// by a breadth-first search from every waypoint. O(N * (N + paths)).
std::vector<uint8_t> reachBySearch(const WaypointMap& map);

// The waypoints of each network, by mutual reachability, the networks in
// order of their lowest waypoint.
std::vector<std::vector<int32_t>> networksBySearch(const WaypointMap& map);

// The suggested path between `island` and `main` in `direction`, by trying
// every pair.
SuggestedPath suggestByTryingAllPairs(const WaypointMap& map,
                                      const std::vector<int32_t>& island,
                                      const std::vector<int32_t>& main,
                                      BridgeDirection direction,
                                      double maxRise);

// The whole islands report by searches and brute force.
IslandReport islandsBySearch(const WaypointMap& map, double maxRise);

// The ordered pairs a->b with a route from a to b (a->a when a lies on a
// cycle, a self path included), counted from the networks: all pairs within
// a network of two or more, the self pair of a lone waypoint with a self
// path, and |A| x |B| for each network A that reaches another network B.
int64_t reachablePairsFromNetworks(const WaypointMap& map,
                                   const Networks& networks);

// Differences between two reports, or "" when they agree in every field.
std::string describeDifferences(const IslandReport& expected,
                                const IslandReport& actual);

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_ISLAND_REFERENCE_H_
