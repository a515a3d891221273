// What loading a waypoint file came to: a status and, for a refusal, the
// one line that tells the user why. Bad input is reported this way, never
// by an exception.
#ifndef TESSIVAR_WAYPOINT_LOAD_RESULT_H_
#define TESSIVAR_WAYPOINT_LOAD_RESULT_H_

#include <string>

namespace tessivar {

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

  bool ok() const { return status == LoadStatus::kLoaded; }
};

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_LOAD_RESULT_H_
