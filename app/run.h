// The run frame: banner, command-line check, the five phases in order with
// their timing lines, and the exit status.
#ifndef TESSIVAR_APP_RUN_H_
#define TESSIVAR_APP_RUN_H_

#include <ostream>

namespace tessivar {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // usage error, unreadable or bad file,
                                  // report that could not be written
constexpr int kExitOutOfMemory = 3;

// Runs the tool over argv[1], writing the report to `out` and only the
// message of an abnormal end on exhausted memory to `err`. Returns the exit
// status.
int runTessivar(int argc, const char* const* argv, std::ostream& out,
                std::ostream& err);

// The abnormal end on exhausted memory: its line on `err`, status 3.
int abnormalTermination(std::ostream& err);

}  // namespace tessivar

#endif  // TESSIVAR_APP_RUN_H_
