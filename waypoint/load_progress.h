// What the loader tells its caller as it goes, step by step, so that a
// report can say what was read as soon as it is read. The loader itself
// writes no text: the report's lines belong to the report.
#ifndef TESSIVAR_WAYPOINT_LOAD_PROGRESS_H_
#define TESSIVAR_WAYPOINT_LOAD_PROGRESS_H_

#include <cstdint>
#include <string>

namespace tessivar {

// Every call does nothing unless overridden.
class LoadProgress {
 public:
  virtual ~LoadProgress() = default;
  // The header holds the type text: its map name (up to 32 bytes, as
  // stored) and N as it gives it. N may still be refused (negative, or more
  // waypoints than the file can hold); the load then fails after this call.
  virtual void headerRead(const std::string& /*mapName*/, int32_t /*n*/) {}
  // The memory check passed and the N x N adjacency matrix is about to be
  // allocated; then it was.
  virtual void matricesStarting() {}
  virtual void matricesReady() {}
  // The N records were read.
  virtual void recordsRead(int32_t /*n*/) {}
  // The N path lists were read: the sum of their counts, as listed.
  virtual void pathListsRead(int64_t /*pathEntryTotal*/) {}
};

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_LOAD_PROGRESS_H_
