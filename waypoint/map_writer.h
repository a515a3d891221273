// Writes a waypoint file back with paths added to it, from the bytes it was
// read from (the format is described in waypoint/loader.h).
//
// Each added target goes at the end of its from-waypoint's path list, in
// the order the paths are given, and the list's count grows by one for
// each. Every other byte is written as it was read: the header with its
// unused bytes and the map name, every record with its unused bytes, every
// list in its order, and any bytes after the last list. The result is the
// input's length plus two bytes a path; with nothing added, the same bytes.
// Parses from the bytes and writes to a stream; opens no file.
#ifndef TESSIVAR_WAYPOINT_MAP_WRITER_H_
#define TESSIVAR_WAYPOINT_MAP_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

namespace tessivar {

// The most targets a path list can hold: its count is an int16.
constexpr int32_t kMaxPathListSize = 32767;

// A one-way path to add: a target for waypoint `from`'s list.
struct AddedPath {
  int32_t from = 0;
  int32_t to = 0;
};

// Checks that `added` can be written into the waypoint file held in `data`
// (`size` bytes): the bytes hold a header, N records and N complete path
// lists with counts of 0 or more; every added path names waypoints 0 to
// N - 1; and no list grows beyond kMaxPathListSize.
bool canAddPaths(const uint8_t* data, size_t size,
                 const std::vector<AddedPath>& added);

// Writes the file with `added` inserted to `out`, when canAddPaths allows
// it (otherwise writes nothing and returns false). Write errors are seen
// from the state of `out`.
bool writeMapWithAddedPaths(const uint8_t* data, size_t size,
                            const std::vector<AddedPath>& added,
                            std::ostream& out);

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_MAP_WRITER_H_
