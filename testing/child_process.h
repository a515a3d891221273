// Runs a program as a child process and captures what it writes, for the
// tests of the built executable: child_process_posix.cpp and
// child_process_windows.cpp.
#ifndef TESSIVAR_TESTING_CHILD_PROCESS_H_
#define TESSIVAR_TESTING_CHILD_PROCESS_H_

#include <string>
#include <vector>

namespace tessivar {
namespace testing {

struct ChildResult {
  bool started = false;   // the program could be executed
  bool exited = false;    // it ended by exiting (not by a signal; on
                          // Windows always, unless killed at the limit)
  int status = -1;        // its exit status when it exited
  int signal = 0;         // the signal that ended it otherwise
  bool timedOut = false;  // it was killed for running past the time limit
  double seconds = 0;     // wall-clock time from start to end
  std::string out;        // everything written to standard output
  std::string err;        // everything written to standard error
};

// Runs argv[0] (searched on PATH when it has no slash) with the arguments
// argv, killing it after `timeoutSeconds`. With `readerGone` its standard
// output is a pipe whose reader has left before it starts. It runs in
// `workingDirectory` when one is given (argv[0] is then best absolute).
ChildResult runChild(const std::vector<std::string>& argv,
                     double timeoutSeconds = 60, bool readerGone = false,
                     const std::string& workingDirectory = "");

#ifndef _WIN32
// The same with standard output on a pseudo-terminal, as when a person runs
// the program in a terminal window, and with `errorToo` standard error on
// another one: what the program writes there arrives byte for byte (the
// terminal is in raw mode). Started is false where no pseudo-terminal can
// be opened.
ChildResult runChildOnTerminal(const std::vector<std::string>& argv, bool errorToo = false,
                               double timeoutSeconds = 60);
#endif

// The full path of `program` on PATH, or "" when there is none.
std::string findOnPath(const std::string& program);

// Whether the tests run under Wine, which runs Windows programs but does
// not do all that Windows does (it makes no symbolic link, reports no
// job memory limit).
bool underWine();

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_CHILD_PROCESS_H_
