// What every tool's exit status means, and the abnormal end every tool
// takes when memory runs out.
#ifndef TESSIVAR_FRAME_EXIT_STATUS_H_
#define TESSIVAR_FRAME_EXIT_STATUS_H_

#include <ostream>

namespace tessivar {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // usage error, unreadable or bad file,
                                  // output that could not be written
constexpr int kExitOutOfMemory = 3;

// The abnormal end on exhausted memory: "Abnormal program termination"
// between line ends on `err`, and status 3.
int abnormalTermination(std::ostream& err);

}  // namespace tessivar

#endif  // TESSIVAR_FRAME_EXIT_STATUS_H_
