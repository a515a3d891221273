// Helpers shared by the tests: waypoint files as byte buffers and on disk,
// runs of the whole report into strings, and timing masks for transcripts.
#ifndef TESSIVAR_TESTING_TEST_SUPPORT_H_
#define TESSIVAR_TESTING_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "tools/map_generator.h"
#include "waypoint/loader.h"

namespace tessivar {
namespace testing {

// The test process's own temporary directory, ending in a slash, removed
// at exit. Windows names it with backslashes, which reports that escape them
// would show doubled; it takes slashes as well, and gets them here.
std::string tempDir();

// A path to a fresh file in the test's temporary directory holding `bytes`.
std::string writeTempFile(const std::string& name,
                          const std::vector<uint8_t>& bytes);

struct RunOutput {
  int status = -1;
  std::string out;
  std::string err;
};

// runTessivar over a file holding `bytes`, with its output in strings.
RunOutput runOnBytes(const std::vector<uint8_t>& bytes);

// Replaces every elapsed time in "... took X second(s)" with "{s}".
std::string maskTimings(const std::string& transcript);

// Parses `bytes` with no memory limit; the loading lines tessivar's report
// writes from the loader's progress go to `lines`.
LoadResult parse(const std::vector<uint8_t>& bytes, WaypointGraph& graph,
                 std::string* lines = nullptr);

// The address space this process maps now, in bytes (VmSize of
// /proc/self/status), or -1 where the system doesn't say.
int64_t mappedBytesNow();

// The lowest-numbered CPU this process may run on (its affinity mask, on
// Linux), for running a child on one core; 0 elsewhere.
int firstUsableCpu();

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_TEST_SUPPORT_H_
