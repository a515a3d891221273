// The path that would join an island to the main network: the closest pair
// of waypoints, one on each side, that a player could walk in the wanted
// direction.
//
// Distance and rise are defined exactly, so equal pairs are truly equal and
// the tie rule decides:
//   - each coordinate difference is taken in double precision from the two
//     stored floats (double(b.x) - double(a.x)), and the squared distance is
//     (dx * dx + dy * dy) + dz * dz in double, rounded after each step;
//     pairs are compared by this value and the length shown is its square
//     root;
//   - the rise of a path from u to v is double(z(v)) - double(z(u)); the
//     path is walkable when the rise is at most the highest rise a player
//     can jump (going down is always walkable).
// The suggestion is the walkable pair of least squared distance; when no
// pair is walkable, the pair of least squared distance of all, marked not
// walkable. Equal distances go to the lower from-number, then the lower
// to-number.
//
// The waypoints of the main network sit in a k-d tree with the bounding box
// and lowest waypoint number of every node. Each waypoint of the island
// searches it, starting from the best pair found so far: a node is skipped
// when its box is farther than that pair (or as far and unable to win the
// tie), or when every waypoint in it is too high to climb to (or from). The
// bounds use the same rounded operations as the distances, which are
// monotonic, so no skipped node could hold a better pair: the result is the
// exact minimum. For an island of s waypoints and a main network of m, a
// search typically costs about s log m, not s * m (bench/islands_bench
// measures it against trying every pair). Its worst case is s * m, like
// trying every pair: when the main network's waypoints all lie at nearly
// the same distance from the island (a circle with orphans near its
// centre: bench/islands_bench's map `circle`), no box lies farther than the
// best pair by more than its own slack, and every leaf is tried.
#ifndef TESSIVAR_ANALYSIS_ISLAND_BRIDGE_H_
#define TESSIVAR_ANALYSIS_ISLAND_BRIDGE_H_

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

// The highest rise a player can jump, in map units, unless told otherwise.
constexpr double kDefaultMaxRise = 45.0;

// Rise of a path from `from` to `to`: double(to.z) - double(from.z).
double riseOf(const WaypointRecord& from, const WaypointRecord& to);

// The squared distance of two waypoints exactly as pairs are compared (the
// same value either way round); its square root is a suggestion's length.
double squaredDistance(const WaypointRecord& a, const WaypointRecord& b);

struct SuggestedPath {
  int32_t from = -1;
  int32_t to = -1;
  double squared = 0;  // the squared distance the pair was chosen by
  double length = 0;   // its square root
  double rise = 0;
  bool walkable = false;
};

// Which way the suggested path should lead.
enum class BridgeDirection {
  kIntoIsland,  // from a waypoint of the main network to one of the island
  kOutOfIsland  // from a waypoint of the island to one of the main network
};

// The waypoints of the main network, arranged for nearest-pair searches.
class MainNetworkTree {
 public:
  // `records` must outlive the tree. `waypoints` are numbers into records.
  MainNetworkTree(const std::vector<WaypointRecord>& records,
                  const int32_t* waypoints, size_t count);

  // The suggested path between the island of `count` waypoints and the tree,
  // in `direction`, under `maxRise`. The island and the tree must not be
  // empty.
  SuggestedPath suggest(const int32_t* island, size_t count,
                        BridgeDirection direction, double maxRise) const;

  // The walkable pair that suggest() would pick among those no longer than
  // `maxLength` (sqrt of the squared distance, as a suggestion's length),
  // found by the same search pruned at that length: `from` is -1 when
  // there is none. Its length and rise are filled, and walkable is true.
  SuggestedPath nearestWalkableWithin(const int32_t* island, size_t count,
                                      BridgeDirection direction, double maxRise,
                                      double maxLength) const;

 private:
  struct Point {
    float x, y, z;
    int32_t id;
  };
  struct Node {
    float low[3];
    float high[3];
    int32_t lowestId;
    int32_t begin, end;     // range in points_
    int32_t left, right;    // child nodes, -1 for a leaf
  };
  // Searches from island waypoint `q`, improving `best`; walkable pairs
  // only unless `maxRise` is infinite; pairs no longer than `maxLength`.
  void searchFrom(int32_t q, BridgeDirection direction, double maxRise,
                  SuggestedPath& best,
                  std::vector<std::pair<int32_t, double>>& stack,
                  double maxLength) const;

  const std::vector<WaypointRecord>& records_;
  std::vector<Point> points_;
  std::vector<Node> nodes_;
};

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_ISLAND_BRIDGE_H_
