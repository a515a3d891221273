#include "waypoint/loader.h"

#include <vector>

#include "waypoint/file_bytes.h"

namespace tessivar {

namespace {

// Fills the adjacency matrix from the path lists, which the reader has
// checked (targets in range, finite lengths). The lengths stay with the
// path lists.
void buildAdjacency(WaypointGraph& graph) {
  const int32_t n = graph.n;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t* targets = graph.pathsFrom(i);
    for (uint64_t k = 0; k < graph.pathCount(i); ++k) {
      graph.adjacency.set(cellIndex(i, targets[k], n));
    }
  }
}

}  // namespace

LoadResult parseWaypointBytes(const uint8_t* data, size_t size,
                              const MemoryBudget& budget, WaypointGraph& graph,
                              std::ostream& out) {
  graph = WaypointGraph();
  WaypointMapReader reader(data, size);
  LoadResult result = reader.readHeader(graph, out);
  if (!result.ok()) return result;
  const int32_t n = graph.n;
  if (runMemoryNeed(n) > budget.availableBytes) {
    return {LoadStatus::kOutOfMemory, ""};
  }

  out << "Initializing adjacency and edge length matrices...";
  graph.cellCount = uint64_t(n) * uint64_t(n);
  graph.adjacency.assign(graph.cellCount);
  out << "done." << std::endl;

  result = reader.readRecords(graph);
  if (!result.ok()) return result;
  out << "Read " << n << " waypoints(nodes)..." << std::endl;

  result = reader.readPathLists(graph);
  if (!result.ok()) return result;
  buildAdjacency(graph);
  out << "Read " << graph.pathEntryTotal << " edges..." << std::endl;
  return {};
}

LoadResult loadWaypointFile(const std::string& path, WaypointGraph& graph,
                            std::ostream& out) {
  graph = WaypointGraph();
  std::vector<uint8_t> bytes;
  const LoadResult read =
      readWaypointFileBytes(path, processMemoryBudget(), bytes);
  if (!read.ok()) return read;
  return parseWaypointBytes(bytes.data(), bytes.size(), processMemoryBudget(),
                            graph, out);
}

LoadResult loadWaypointMap(const std::string& path, WaypointMap& map,
                           std::ostream& out) {
  map = WaypointMap();
  std::vector<uint8_t> bytes;
  const LoadResult read =
      readWaypointFileBytes(path, processMemoryBudget(), bytes);
  if (!read.ok()) return read;
  return parseWaypointMap(bytes.data(), bytes.size(), map, out);
}

}  // namespace tessivar
