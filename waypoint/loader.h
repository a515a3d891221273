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
// The loader reads the whole file into memory and parses from the bytes. It
// checks every invariant the analysis relies on (N and counts non-negative,
// every section inside the file, targets in 0..N-1, finite positions and
// path lengths) and reports the first broken one with the waypoint and
// value it concerns. Nothing of size N x N is allocated before the file size
// has been checked against N and the run's memory need against what the
// process can have.
#ifndef TESSIVAR_WAYPOINT_LOADER_H_
#define TESSIVAR_WAYPOINT_LOADER_H_

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include "waypoint/memory_budget.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

constexpr size_t kHeaderSize = 52;
constexpr size_t kRecordSize = 16;

enum class LoadStatus {
  kLoaded,           // the graph is complete
  kCannotOpen,       // the file could not be opened or read
  kNotWaypointFile,  // wrong type text, or shorter than the header
  kCorrupt,          // an invariant of the format is broken
  kOutOfMemory,      // the run would need more memory than the process has
};

struct LoadResult {
  LoadStatus status = LoadStatus::kLoaded;
  // For every status but kLoaded and kOutOfMemory: the one line that tells
  // the user what went wrong (without its line end).
  std::string message;
};

// Parses a waypoint file held in memory into `graph`, writing the loading
// lines to `out` as each step completes. On a failure the lines already
// written stay and `graph` may be partly filled.
LoadResult parseWaypointBytes(const uint8_t* data, size_t size,
                              const MemoryBudget& budget, WaypointGraph& graph,
                              std::ostream& out);

// Reads the file at `path` and parses it with the budget of this process.
LoadResult loadWaypointFile(const std::string& path, WaypointGraph& graph,
                            std::ostream& out);

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_LOADER_H_
