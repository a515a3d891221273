#include "analysis/networks.h"

#include <algorithm>

namespace tessivar {

namespace {

constexpr int32_t kUnvisited = -1;

// One waypoint whose path list the depth-first search is walking: the
// waypoint and the position of the next path entry to follow.
struct Frame {
  int32_t waypoint;
  uint64_t next;
};

// Tarjan's algorithm. Fills `component` with the number of each waypoint's
// network in the order the networks are completed, which is sinks first;
// returns the number of networks.
int32_t tarjan(const WaypointMap& map, std::vector<int32_t>& component) {
  const int32_t n = map.n;
  std::vector<int32_t> order(size_t(n), kUnvisited);  // discovery number
  std::vector<int32_t> low(size_t(n), 0);
  component.assign(size_t(n), kUnvisited);
  std::vector<int32_t> open;  // waypoints not yet placed in a network
  open.reserve(size_t(n));
  std::vector<Frame> frames;
  int32_t discovered = 0;
  int32_t completed = 0;

  auto discover = [&](int32_t v) {
    order[v] = low[v] = discovered++;
    open.push_back(v);
    frames.push_back({v, map.pathBegin[size_t(v)]});
  };

  for (int32_t root = 0; root < n; ++root) {
    if (order[root] != kUnvisited) continue;
    discover(root);
    while (!frames.empty()) {
      Frame& top = frames.back();
      const int32_t v = top.waypoint;
      if (top.next < map.pathBegin[size_t(v) + 1]) {
        const int32_t w = map.pathTargets[top.next++];
        if (order[w] == kUnvisited) {
          discover(w);  // invalidates `top`
        } else if (component[w] == kUnvisited) {
          // w is still open, so it lies on the current search path's
          // cycle candidates: v reaches back to it.
          low[v] = std::min(low[v], order[w]);
        }
        continue;
      }
      // Every path of v has been followed.
      frames.pop_back();
      if (low[v] == order[v]) {
        // v is the first waypoint found of its network: the network is
        // everything opened since.
        int32_t w;
        do {
          w = open.back();
          open.pop_back();
          component[w] = completed;
        } while (w != v);
        ++completed;
      }
      if (!frames.empty()) {
        const int32_t parent = frames.back().waypoint;
        low[parent] = std::min(low[parent], low[v]);
      }
    }
  }
  return completed;
}

}  // namespace

Networks findNetworks(const WaypointMap& map) {
  const int32_t n = map.n;
  Networks result;
  std::vector<int32_t>& networkOf = result.networkOf;
  const int32_t count = tarjan(map, networkOf);
  result.count = count;

  // Number the networks by their lowest waypoint.
  std::vector<int32_t> renumber(size_t(count), kUnvisited);
  int32_t next = 0;
  for (int32_t v = 0; v < n; ++v) {
    int32_t& k = renumber[size_t(networkOf[v])];
    if (k == kUnvisited) k = next++;
  }
  result.sinkFirst.resize(size_t(count));
  for (int32_t t = 0; t < count; ++t) result.sinkFirst[size_t(t)] = renumber[size_t(t)];
  for (int32_t v = 0; v < n; ++v) networkOf[v] = renumber[size_t(networkOf[v])];

  // Members by network, each list ascending because v ascends.
  result.memberBegin.assign(size_t(count) + 1, 0);
  for (int32_t v = 0; v < n; ++v) ++result.memberBegin[size_t(networkOf[v]) + 1];
  for (int32_t k = 0; k < count; ++k) {
    result.memberBegin[size_t(k) + 1] += result.memberBegin[size_t(k)];
  }
  result.members.resize(size_t(n));
  std::vector<int32_t> fill(result.memberBegin.begin(), result.memberBegin.end() - 1);
  for (int32_t v = 0; v < n; ++v) {
    result.members[size_t(fill[size_t(networkOf[v])]++)] = v;
  }
  return result;
}

}  // namespace tessivar
