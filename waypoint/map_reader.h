// Parses the three sections of a waypoint file held in memory (the format is
// described in waypoint/loader.h) into a WaypointMap, one section at a time,
// so that a caller can do its own work between them: the report's loader
// checks its memory need and allocates its matrices after the header, and
// tells its progress between the sections.
//
// Every invariant the analysis relies on is checked (N and counts
// non-negative, every section inside the buffer, targets in 0..N-1, finite
// positions and path lengths) and the first broken one is reported, in file
// order, with the waypoint and value it concerns. Nothing is allocated that
// the buffer's size does not bound.
#ifndef TESSIVAR_WAYPOINT_MAP_READER_H_
#define TESSIVAR_WAYPOINT_MAP_READER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include "waypoint/load_progress.h"
#include "waypoint/load_result.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

constexpr size_t kHeaderSize = 52;
constexpr size_t kRecordSize = 16;

class WaypointMapReader {
 public:
  // The buffer must outlive the reader.
  WaypointMapReader(const uint8_t* data, size_t size)
      : data_(data), size_(size) {}

  // The type text, the map name and N. Tells `progress` the name and N
  // once it knows them, then checks that the buffer can hold N records and
  // N path counts. Sets the map's name and, when N is valid, its n;
  // allocates nothing.
  LoadResult readHeader(WaypointMap& map, LoadProgress& progress);

  // The N records, in file order.
  LoadResult readRecords(WaypointMap& map);

  // The N path lists, with every target checked and every path length
  // finite.
  LoadResult readPathLists(WaypointMap& map);

 private:
  const uint8_t* data_;
  size_t size_;
};

// All three sections in order, telling `progress` (when given) of each.
// This is how every tool that needs no N x N matrix reads a map.
LoadResult parseWaypointMap(const uint8_t* data, size_t size, WaypointMap& map,
                            LoadProgress* progress = nullptr);

// N as a header of at least kHeaderSize bytes gives it (bytes 16 to 19).
int32_t headerWaypointCount(const uint8_t* header);

// The path entries the lists of N waypoints hold in a buffer of `size`
// bytes, up to the first list that is negative or not all there: what
// reading the lists will allocate, known before it starts.
uint64_t countPathEntries(const uint8_t* data, size_t size, int32_t n);
// Calls visit(from, to) for each of those entries, in file order: what a
// caller's memory figure may depend on, before the lists are read.
void forEachListedPath(const uint8_t* data, size_t size, int32_t n,
                       const std::function<void(int32_t from, int32_t to)>& visit);

// Straight-line length of a path: each coordinate difference rounded to a
// float, the sum of squares and its square root in double precision, the
// result rounded to a float. Returns false when the length is not a finite
// float (a difference or the length itself leaves the float range).
bool pathLength(const WaypointRecord& from, const WaypointRecord& to,
                float* length);

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_MAP_READER_H_
