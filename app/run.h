// tessivar's run: banner, command-line check, loading, the report's phases
// in order with their timing lines, the route, and the exit status
// (frame/exit_status.h).
#ifndef TESSIVAR_APP_RUN_H_
#define TESSIVAR_APP_RUN_H_

#include <ostream>

namespace tessivar {

// Runs the tool over argv[1], writing the report to `out` and only the
// message of an abnormal end on exhausted memory to `err`. Returns the exit
// status.
int runTessivar(int argc, const char* const* argv, std::ostream& out,
                std::ostream& err);

}  // namespace tessivar

#endif  // TESSIVAR_APP_RUN_H_
