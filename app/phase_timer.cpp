#include "app/phase_timer.h"

#include <chrono>

namespace tessivar {

double elapsedSeconds(const TimeStamp& start, const TimeStamp& end) {
  const int32_t millisecondDifference = end.milliseconds - start.milliseconds;
  return static_cast<double>(end.seconds - start.seconds) +
         millisecondDifference * 0.001;
}

TimeStamp monotonicNow() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  const int64_t ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  TimeStamp stamp;
  stamp.seconds = ms / 1000;
  stamp.milliseconds = static_cast<int32_t>(ms % 1000);
  return stamp;
}

}  // namespace tessivar
