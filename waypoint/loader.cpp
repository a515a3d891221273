#include "waypoint/loader.h"

#include <utility>
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
                              const AnalysisNeedOf& analysisNeed,
                              LoadProgress* progress) {
  graph = WaypointGraph();
  LoadProgress quiet;
  LoadProgress& told = progress ? *progress : quiet;
  WaypointMapReader reader(data, size);
  LoadResult result = reader.readHeader(graph, told);
  if (!result.ok()) return result;
  const int32_t n = graph.n;
  // Everything the run will allocate is known now: the matrices by N, the
  // path lists by their counts, and the bytes held here by their size.
  const MapSize mapSize{n, countPathEntries(data, size, n), size};
  const AnalysisNeed analysis = analysisNeed ? analysisNeed(mapSize, data, size) : AnalysisNeed{};
  if (!runNeed(mapSize, analysis).fits(budget)) return {LoadStatus::kOutOfMemory, ""};

  told.matricesStarting();
  graph.cellCount = uint64_t(n) * uint64_t(n);
  graph.adjacency.assign(graph.cellCount);
  told.matricesReady();

  result = reader.readRecords(graph);
  if (!result.ok()) return result;
  told.recordsRead(n);

  result = reader.readPathLists(graph);
  if (!result.ok()) return result;
  buildAdjacency(graph);
  told.pathListsRead(graph.pathEntryTotal);
  return {};
}

LoadResult loadWaypointFile(const std::string& path, WaypointGraph& graph,
                            const AnalysisNeedOf& analysisNeed,
                            LoadProgress* progress) {
  graph = WaypointGraph();
  // Taken once, before anything is read: the run's own allocations are
  // counted as its need, never mistaken for memory that is gone.
  const MemoryBudget budget = processMemoryBudget();
  std::vector<uint8_t> bytes;
  const LoadResult read = readWaypointFileBytes(path, budget, bytes);
  if (!read.ok()) return read;
  // The parser counts the bytes it is given; spare room in the buffer is
  // held as well.
  return parseWaypointBytes(bytes.data(), bytes.size(),
                            budgetLess(budget, bytes.capacity() - bytes.size()),
                            graph, analysisNeed, progress);
}

namespace {

// Reads the file at `path` (to its end with `whole`) and parses it into a
// WaypointMap, checking first that the map fits beside the bytes.
LoadResult readAndParseMap(const std::string& path, WaypointMap& map,
                           std::vector<uint8_t>& bytes, bool whole,
                           LoadProgress* progress) {
  map = WaypointMap();
  const MemoryBudget budget = processMemoryBudget();
  const LoadResult read = readWaypointFileBytes(path, budget, bytes, whole);
  if (!read.ok()) return read;
  // The map is built while the bytes are still held. Its records take as
  // many bytes as theirs in the file, each path list's start 8 bytes for a
  // 2-byte count (with its 16-byte record, 24 for 18) and each path entry 8
  // bytes (target and length) for 2, so it never needs more than four times
  // the bytes parsed: checked against what the process can still have, on
  // both counts, a huge map ends cleanly instead of being killed halfway.
  const MemoryBudget left = budgetLess(budget, bytes.capacity());
  const uint64_t need = mapMemoryNeed(parsedExtent(bytes.data(), bytes.size()));
  if (need > left.availableBytes || need > left.addressSpaceBytes) {
    return {LoadStatus::kOutOfMemory, ""};
  }
  return parseWaypointMap(bytes.data(), bytes.size(), map, progress);
}

}  // namespace

LoadResult loadWaypointMap(const std::string& path, WaypointMap& map,
                           LoadProgress* progress) {
  std::vector<uint8_t> bytes;
  return readAndParseMap(path, map, bytes, false, progress);
}

LoadResult loadWaypointMapWithBytes(const std::string& path, WaypointMap& map,
                                    std::vector<uint8_t>& bytes,
                                    LoadProgress* progress) {
  bytes.clear();
  return readAndParseMap(path, map, bytes, true, progress);
}

WaypointGraph graphFromMap(WaypointMap&& map) {
  WaypointGraph graph;
  static_cast<WaypointMap&>(graph) = std::move(map);
  graph.cellCount = uint64_t(graph.n) * uint64_t(graph.n);
  graph.adjacency.assign(graph.cellCount);
  buildAdjacency(graph);
  return graph;
}

}  // namespace tessivar
