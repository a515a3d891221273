// A whole run of one of the tools, timed from start to exit: the
// benchmarks' "whole" measurement.
#ifndef TESSIVAR_BENCH_WHOLE_RUN_H_
#define TESSIVAR_BENCH_WHOLE_RUN_H_

#include <string>
#include <vector>

namespace tessivar {
namespace bench {

// Runs `arguments` (the binary first) with standard output written to
// `output`; prints the wall time in seconds and the peak resident memory in
// KiB on one line and returns 0, or says what failed (as `benchName`) and
// returns 1. Needs a POSIX system.
int timeWholeRun(const char* benchName, const std::vector<std::string>& arguments,
                 const char* output);

}  // namespace bench
}  // namespace tessivar

#endif  // TESSIVAR_BENCH_WHOLE_RUN_H_
