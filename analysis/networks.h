// The networks of a map: its strongly connected components. Two waypoints
// lie in one network when each can reach the other along paths; a waypoint
// on no cycle with others is a network of its own. Self paths and targets
// listed twice change nothing.
//
// Found with Tarjan's algorithm driven by an explicit stack instead of
// recursion, so a one-way chain of 32767 waypoints needs no deeper call
// stack than a single waypoint does. Time and memory grow with waypoints
// plus path entries; nothing of size N x N is built.
#ifndef TESSIVAR_ANALYSIS_NETWORKS_H_
#define TESSIVAR_ANALYSIS_NETWORKS_H_

#include <cstdint>
#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

struct Networks {
  // Networks are numbered 0..count-1 in the order of their lowest waypoint
  // number: network 0 holds waypoint 0, and a network's number is below
  // that of every network whose lowest waypoint is higher.
  int32_t count = 0;
  // The network of each waypoint.
  std::vector<int32_t> networkOf;
  // The waypoints of network k, ascending, are
  // members[memberBegin[k]] up to members[memberBegin[k + 1]].
  std::vector<int32_t> memberBegin;
  std::vector<int32_t> members;
  // Every network exactly once, each one after all the networks it reaches
  // (sinks first): a reverse topological order of the networks.
  std::vector<int32_t> sinkFirst;

  int32_t size(int32_t k) const { return memberBegin[k + 1] - memberBegin[k]; }
  int32_t lowest(int32_t k) const { return members[memberBegin[k]]; }
  const int32_t* membersOf(int32_t k) const {
    return members.data() + memberBegin[k];
  }
};

// Finds the networks of `map`. Can throw std::bad_alloc.
Networks findNetworks(const WaypointMap& map);

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_NETWORKS_H_
