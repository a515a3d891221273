// Reads the bytes of a waypoint file that a parser can use, and no more.
#ifndef TESSIVAR_WAYPOINT_FILE_BYTES_H_
#define TESSIVAR_WAYPOINT_FILE_BYTES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "waypoint/load_result.h"
#include "waypoint/memory_budget.h"

namespace tessivar {

// Reads the file at `path` into `bytes`: first the header, then, once the
// header gives N, at most what N waypoints can occupy, so an endless or huge
// input (a device, a pipe, a file with trailing junk) neither hangs the run
// nor exhausts its memory. A regular file is read into one buffer of its
// size; input of unknown size into a buffer that grows with what arrives
// (never reserved for the most N waypoints could occupy), each step checked
// against `budget` first. kCannotOpen (with its message) when the file
// can't be opened or read; kOutOfMemory when the bytes would not fit in
// `budget`. A file that is not a waypoint file still loads its header; the
// parser refuses it.
//
// With `whole`, a waypoint file is read to its end, bytes after the last
// path list included, for a tool that writes the file back with every byte
// it does not change kept; input that never ends runs into `budget`
// (kOutOfMemory). A file that is not a waypoint file still stops after its
// header.
LoadResult readWaypointFileBytes(const std::string& path,
                                 const MemoryBudget& budget,
                                 std::vector<uint8_t>& bytes,
                                 bool whole = false);

// The bytes of a waypoint file, with `size` bytes in all, that its parser
// can read: the header, then N records and N path lists of at most 32767
// entries each (as N in the header at `data` gives it), at most `size`.
// Later bytes are never parsed.
uint64_t parsedExtent(const uint8_t* data, uint64_t size);

// Whether `path` names a regular file (through symbolic links) that starts
// as a waypoint file does. Nothing else is opened: a FIFO would wait for a
// writer. A tool that writes a picture or a page never writes over a map.
bool isWaypointFileOnDisk(const std::string& path);

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_FILE_BYTES_H_
