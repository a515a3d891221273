// Mending a map: the suggested paths of its islands (analysis/islands.h)
// added, round by round, until no island that may be mended is left.
//
// In each round the networks, the main network, the islands with their
// kinds and suggested paths are what findIslands finds on the map as it
// stands. An island of a chosen kind is mended when each of its suggested
// paths (one, or for a detached island the way in and the way out, both or
// neither) is walkable, no longer than the maximum length, and its
// from-waypoint's path list has room for one more target (a list holds at
// most 32767). The islands are judged in their order, so a list with room
// for one goes to the first island that asks. All islands mended in a round
// get their paths at once; the next round starts on the mended map. The
// mending stops after a round that adds nothing.
//
// Rounds cost what changed, not the whole map. A mended island joins the
// main network with whatever lies on a route between them, and every added
// path lies inside the grown main network, so the other networks stay as
// they were and the main network of the next round is the old one grown.
// Between rounds only three things change:
//   - which waypoints reach the main network and which it reaches: each
//     waypoint gains each of the two marks at most once, so the walks that
//     spread them cost the map's size over all rounds together; a network
//     gaining one changes kind and is judged again;
//   - the waypoints of the main network: a suggested path can only change
//     to one from or to a waypoint that joined it, and can only become one
//     that may be added when that waypoint lies within the maximum length
//     of the island; the islands found near the joined waypoints
//     (analysis/nearby_waypoints.h) are judged again with those pairs;
//   - the room in the path lists, which only shrinks.
// Every island not judged again would be judged as before. When the rounds
// add nothing more, the whole mended map is analysed once more as
// tessivar-islands would analyse it, which gives the figures after
// mending and the islands left with their reasons, and confirms that no
// island is left that a round would mend.
#ifndef TESSIVAR_ANALYSIS_MENDING_H_
#define TESSIVAR_ANALYSIS_MENDING_H_

#include <cstdint>
#include <vector>

#include "analysis/islands.h"
#include "waypoint/map_writer.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

struct MendOptions {
  // Which kinds of island may be mended.
  bool trapRegions = true;
  bool unreachableRegions = false;
  bool detached = true;
  double maxRise = kDefaultMaxRise;  // finite, 0 or more
  // The longest path that may be added (finite, 0 or more); without it,
  // the longest path the map already has (longestPathLength).
  bool hasMaxLength = false;
  double maxLength = 0;

  bool mends(IslandKind kind) const;
};

// The length of the longest path the map has, measured as a suggested
// path's length is (analysis/island_bridge.h); false for a map with no
// paths.
bool longestPathLength(const WaypointMap& map, double* length);

// Why an island was left as it is.
enum class MendReason {
  kKindNotChosen,     // its kind is not one to mend
  kNotWalkable,       // a suggested path rises more than the rise limit
  kNoMaximumLength,   // no --max-length and the map has no path to take it from
  kTooLong,           // a suggested path is longer than the maximum length
  kPathListFull,      // a suggested path's from-waypoint has 32767 targets
};

// What the report shows of a map, before and after mending.
struct MapFigures {
  int32_t networks = 0;
  int64_t trapRegions = 0;
  int64_t unreachableRegions = 0;
  int64_t detached = 0;
  // Ordered pairs a->b with a route from a to b
  // (analysis/reachable_pairs.h).
  int64_t reachablePairs = 0;
};

struct MendedPath {
  int32_t round = 0;             // 1 for the first
  IslandKind kind = IslandKind::kDetached;  // the island's kind in that round
  std::vector<int32_t> island;   // its waypoints, ascending
  SuggestedPath path;            // walkable, within the maximum length
};

struct LeftIsland {
  IslandKind kind = IslandKind::kDetached;
  std::vector<int32_t> island;  // ascending
  MendReason reason = MendReason::kKindNotChosen;
  // As tessivar-islands suggests them: one, or in and out for a detached
  // island.
  std::vector<SuggestedPath> suggested;
  // Those of them that are the reason: not walkable, too long, or from a
  // full list; none when the reason is not a path's.
  std::vector<SuggestedPath> blocking;
};

struct MendResult {
  bool hasMaxLength = false;  // false: the map has no paths and none was given
  double maxLength = 0;       // the longest path that could be added
  int32_t rounds = 0;         // rounds that added paths
  // In the order added: by round, each round's islands by their lowest
  // waypoint, a detached island's way in before its way out.
  std::vector<MendedPath> added;
  // The islands of the mended map, by their lowest waypoint.
  std::vector<LeftIsland> left;
  MapFigures before;
  MapFigures after;
  // Rounds that the analysis of the whole mended map found to add after
  // the rounds that cost what changed had found nothing more. 0, unless
  // those rounds missed an island they should have judged.
  int32_t roundsFoundByWholeAnalysis = 0;

  // The added paths in the order added, for waypoint/map_writer.h.
  std::vector<AddedPath> addedPaths() const;
};

// Mends `map` as described above. Can throw std::bad_alloc.
MendResult mendMap(const WaypointMap& map, const MendOptions& options);

// The figures of a map as the report shows them.
MapFigures mapFigures(const WaypointMap& map, const Networks& networks,
                      const IslandReport& report);

// `map` with `added` appended to their from-waypoints' lists, in order.
// Every path must lie between two of its waypoints.
WaypointMap withAddedPaths(const WaypointMap& map, const std::vector<AddedPath>& added);

// Bytes that mending a map of `n` waypoints and `pathEntries` path entries
// may need beyond the map itself, its results included: a bound with some
// headroom. Saturates instead of overflowing.
uint64_t mendingMemoryNeed(int64_t n, int64_t pathEntries);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_MENDING_H_
