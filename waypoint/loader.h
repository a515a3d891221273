// Reads a waypoint file into a WaypointGraph.
//
// On-disk format (all integers little-endian, no alignment gaps):
//
//   Header, 52 bytes at offset 0
//     0   8 chars   type text; a waypoint file starts with the seven bytes
//                   "HPB_bot" (the eighth byte is ignored)
//     8   8 bytes   not interpreted
//    16   int32     N, the number of waypoints
//    20  32 chars   map name, NUL-terminated (all 32 are shown when no NUL)
//
//   N waypoint records, 16 bytes each, waypoint 0 first
//     0   4 bytes   not interpreted, kept with the record
//     4   float32   x
//     8   float32   y
//    12   float32   z
//
//   N path lists, one per waypoint in record order
//     int16         K, the number of path entries
//     K x int16     target waypoint of each one-way path, in file order
//
// Bytes after the last path list are never read. A list may name its own
// waypoint and may name a target more than once.
//
// The loader reads the file into memory (waypoint/file_bytes.h), parses the
// sections from the bytes (waypoint/map_reader.h), and builds the report's
// adjacency matrix (one bit per cell) from the path lists, which keep each
// path's length for the report's edge length matrix. Nothing of size
// N x N is allocated before the file size has been checked against N and
// the run's memory need against what the process can have. Tools that need
// no matrix load a WaypointMap with loadWaypointMap instead.
#ifndef TESSIVAR_WAYPOINT_LOADER_H_
#define TESSIVAR_WAYPOINT_LOADER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "waypoint/load_progress.h"
#include "waypoint/load_result.h"
#include "waypoint/map_reader.h"
#include "waypoint/memory_budget.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// Parses a waypoint file held in memory into `graph`, telling `progress`
// (when given) of each step as it completes. Before the matrix is
// allocated, the need of loading and of the caller's analysis
// (`analysisNeed`, when given) is checked against `budget`. On a failure
// `graph` may be partly filled.
LoadResult parseWaypointBytes(const uint8_t* data, size_t size,
                              const MemoryBudget& budget, WaypointGraph& graph,
                              const AnalysisNeedOf& analysisNeed = {},
                              LoadProgress* progress = nullptr);

// Reads the file at `path` and parses it with the budget of this process.
LoadResult loadWaypointFile(const std::string& path, WaypointGraph& graph,
                            const AnalysisNeedOf& analysisNeed = {},
                            LoadProgress* progress = nullptr);

// Reads the file at `path` into a WaypointMap: the same checks and messages
// as loadWaypointFile, and no matrix. kOutOfMemory when the file's bytes or
// the map built from them would not fit in what the process can have.
LoadResult loadWaypointMap(const std::string& path, WaypointMap& map,
                           LoadProgress* progress = nullptr);

// The same, keeping in `bytes` every byte of the file, those after the last
// path list included, for a tool that writes the map back with changes
// (waypoint/map_writer.h). The same messages and statuses; the bytes count
// against the process's memory as they are read.
LoadResult loadWaypointMapWithBytes(const std::string& path, WaypointMap& map,
                                    std::vector<uint8_t>& bytes,
                                    LoadProgress* progress = nullptr);

// The report's graph over a map loaded with loadWaypointMap: the map moved
// in and its adjacency matrix built, for a tool that decides after loading
// whether to run the report's phases. The caller has checked that the
// matrix fits (analysis/run_memory.h). Can throw std::bad_alloc.
WaypointGraph graphFromMap(WaypointMap&& map);

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_LOADER_H_
