// The grouping of waypoints into blocks of intermediates for the pathing
// engine's lower bounds (see pathing_sweep.h). Any grouping gives the same
// results; a grouping whose blocks are small regions of the map gives tight
// bounds, so most blocks are skipped.
#ifndef TESSIVAR_ANALYSIS_BLOCK_ORDER_H_
#define TESSIVAR_ANALYSIS_BLOCK_ORDER_H_

#include <cstdint>
#include <vector>

#include "analysis/pathing_kernels.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

enum class BlockOrder {
  kAuto,       // the map's own numbering or kSpatial, whichever is tighter
  kNumbering,  // waypoints 0-15, 16-31, ...: the map's own numbering
  kSpatial,    // small regions of the map (a k-d split of the positions)
  kShuffled,   // a seeded random grouping (tests: bounds of any grouping)
};

// The order of the waypoints whose consecutive runs of kBlockSize form the
// blocks: order[j] is the waypoint at position j.
std::vector<int32_t> blockOrder(const WaypointMap& map, BlockOrder kind,
                                uint64_t seed = 0);

// The share of path entries that join two waypoints of the same block, the
// measure by which kAuto picks: blocks holding neighbours are small regions.
double pathsInsideBlocks(const WaypointMap& map, const std::vector<int32_t>& order);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_BLOCK_ORDER_H_
