// Runs a program as a child process and captures what it writes, for the
// tests of the built executable.
#ifndef TESSIVAR_TESTING_CHILD_PROCESS_H_
#define TESSIVAR_TESTING_CHILD_PROCESS_H_

#include <cstdint>
#include <memory>
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
  long maxResidentKib = 0;  // its peak resident memory
};

// How the child is set up.
struct ChildOptions {
  double timeoutSeconds = 60;
  // Standard output: captured (the default), a file opened for writing
  // (for example /dev/full), or closed.
  enum class Output { kCaptured, kFile, kClosed };
  Output output = Output::kCaptured;
  std::string outputFile;
  // With a captured output: stop reading and close the pipe once the text
  // read so far contains this (at once when empty), as a reader that
  // leaves early does; ChildResult::out has what was read until then.
  bool readerLeaves = false;
  std::string readerLeavesAfter;
  // The pipe's capacity in bytes where the system lets it be set (0 keeps
  // the default), so a child cannot run far ahead of its reader.
  int pipeCapacity = 0;
  bool ignoreSigpipe = false;  // Windows has no SIGPIPE: nothing to do
  // RLIMIT_AS of the child in bytes; 0 leaves it alone. On Windows the
  // memory limit of a job object the child runs in.
  uint64_t addressSpaceLimit = 0;
};

// Runs argv[0] (searched on PATH when it has no slash) with the arguments
// argv, killing it after `timeoutSeconds`.
ChildResult runChild(const std::vector<std::string>& argv,
                     double timeoutSeconds = 60);
ChildResult runChild(const std::vector<std::string>& argv,
                     const ChildOptions& options);

// A FIFO at `path` (made here, under a fresh name) and a process that
// writes `bytes` into it once a reader opens it, then exits. The writer is
// ended when this goes out of scope, so a reader that never came leaves
// nothing behind. `ok()` is false where no FIFO can be made. Windows has no
// FIFO in the file system: there it is a named pipe (\\.\pipe\...) named
// after `path`, written by a thread; path() is the name to read.
class FifoFeeder {
 public:
  FifoFeeder(const std::string& path, const std::vector<uint8_t>& bytes);
  ~FifoFeeder();
  FifoFeeder(const FifoFeeder&) = delete;
  FifoFeeder& operator=(const FifoFeeder&) = delete;
  bool ok() const { return writer_ != nullptr; }
  const std::string& path() const { return path_; }

 private:
  struct Writer;
  std::string path_;
  std::unique_ptr<Writer> writer_;
};

// The full path of `program` on PATH, or "" when there is none.
std::string findOnPath(const std::string& program);

// Whether the tests run under Wine, which runs Windows programs but does
// not report or enforce everything Windows does (job memory limits, a
// child's peak working set).
bool underWine();

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_CHILD_PROCESS_H_
