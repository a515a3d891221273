// johnson_peer: what a user who wants plain shortest paths would script
// instead of running tessivar: read the waypoint file, build a Boost.Graph
// adjacency list of its paths with their straight-line lengths, and solve
// all pairs with johnson_all_pairs_shortest_paths. Prints the number of
// pairs with a route and the sum of their lengths, so the work can't be
// optimised away. The benchmark times the whole process.
//
//   johnson_peer MAP
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/johnson_all_pairs_shortest.hpp>

#include <cstdio>
#include <limits>
#include <vector>

#include "waypoint/loader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: johnson_peer MAP\n");
    return 2;
  }
  // The project's reader of the file format: the records and path lists,
  // with the same checks; no matrix.
  tessivar::WaypointMap map;
  if (tessivar::loadWaypointMap(argv[1], map).status != tessivar::LoadStatus::kLoaded) {
    std::fprintf(stderr, "johnson_peer: cannot load %s\n", argv[1]);
    return 1;
  }
  using Graph = boost::adjacency_list<boost::vecS, boost::vecS, boost::directedS,
                                      boost::no_property,
                                      boost::property<boost::edge_weight_t, float>>;
  Graph graph(static_cast<size_t>(map.n));
  for (int32_t i = 0; i < map.n; ++i) {
    for (uint64_t k = 0; k < map.pathCount(i); ++k) {
      boost::add_edge(static_cast<size_t>(i), static_cast<size_t>(map.pathsFrom(i)[k]),
                      map.lengthsFrom(i)[k], graph);
    }
  }
  std::vector<std::vector<float>> distance(static_cast<size_t>(map.n),
                                           std::vector<float>(static_cast<size_t>(map.n)));
  boost::johnson_all_pairs_shortest_paths(graph, distance);
  long long routes = 0;
  double total = 0;
  const float none = std::numeric_limits<float>::max();
  for (const auto& row : distance) {
    for (float d : row) {
      if (d < none) ++routes, total += d;
    }
  }
  std::printf("%lld pairs with a route, lengths summing to %.1f\n", routes, total);
  return 0;
}
