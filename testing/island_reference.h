// Test helpers for the networks and islands: maps read as the islands tool
// reads them, generated graphs full of awkward structure, and a slow,
// obviously right reference of everything the islands report says.
#ifndef TESSIVAR_TESTING_ISLAND_REFERENCE_H_
#define TESSIVAR_TESTING_ISLAND_REFERENCE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace testing {

// The map the loader reads from the file of `layout`, without matrices.
WaypointMap waypointMapOf(const MapSpec& layout);

// `size` waypoints with random one-way paths, self paths, targets listed
// twice, cycles, chains up and down the numbering; positions on a coarse
// grid of few heights, so that distances tie.
MapSpec tangledGraph(uint64_t seed, int32_t size);

// The network of each waypoint, numbered by lowest waypoint, from mutual
// reachability found by a breadth-first search from every waypoint.
std::vector<int32_t> networksBySearch(const WaypointMap& map);

// The suggested path between `island` and `main` by trying every pair.
SuggestedPath suggestByTryingAllPairs(const WaypointMap& map,
                                      const std::vector<int32_t>& island,
                                      const std::vector<int32_t>& main,
                                      BridgeDirection direction, double maxRise);

// The whole islands report by searches and brute force.
IslandReport islandsBySearch(const WaypointMap& map, double maxRise);

// Every field of `report` the output shows, as text with exact numbers.
std::string describe(const IslandReport& report);

// The ordered pairs a->b with a route from a to b, from the networks: all
// pairs within a network on a cycle, |A| x |B| for each network A that
// reaches another network B (found in the networks' sinks-first order).
int64_t reachablePairsFromNetworks(const WaypointMap& map, const Networks& networks);

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_ISLAND_REFERENCE_H_
