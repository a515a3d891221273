// Hooks a phase calls where the run takes its time stamps, so that a phase
// can write its heading before the clock starts and its result lines after
// it stops, without knowing about the clock.
#ifndef TESSIVAR_ANALYSIS_PHASE_MARKS_H_
#define TESSIVAR_ANALYSIS_PHASE_MARKS_H_

#include <functional>

namespace tessivar {

struct PhaseMarks {
  std::function<void()> onStart;
  std::function<void()> onEnd;

  void start() const {
    if (onStart) onStart();
  }
  void end() const {
    if (onEnd) onEnd();
  }
};

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_PHASE_MARKS_H_
