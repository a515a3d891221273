// Times one phase of the run at a time, to the millisecond, from a
// monotonic clock, so that a change of the system time during a run can
// not produce a negative or wrong elapsed time.
#ifndef TESSIVAR_APP_PHASE_TIMER_H_
#define TESSIVAR_APP_PHASE_TIMER_H_

#include <cstdint>

namespace tessivar {

struct TimeStamp {
  int64_t seconds = 0;        // whole seconds of the monotonic clock
  int32_t milliseconds = 0;   // 0..999 within that second
};

// (end.seconds - start.seconds) + (end.milliseconds - start.milliseconds)
// * 0.001; the millisecond difference may be negative, and the seconds
// difference makes up for it.
double elapsedSeconds(const TimeStamp& start, const TimeStamp& end);

TimeStamp monotonicNow();

// One start and one end stamp serve every phase in turn.
struct PhaseTimer {
  TimeStamp startStamp;
  TimeStamp endStamp;

  void start() { startStamp = monotonicNow(); }
  void stop() { endStamp = monotonicNow(); }
  double elapsed() const { return elapsedSeconds(startStamp, endStamp); }
};

}  // namespace tessivar

#endif  // TESSIVAR_APP_PHASE_TIMER_H_
