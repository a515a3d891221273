#include "app/phase_timer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tessivar {
namespace {

std::string printed(double seconds) {
  std::ostringstream out;
  out << seconds;
  return out.str();
}

TEST(PhaseTimer, ElapsedTimeAsPrinted) {
  struct Case {
    TimeStamp start, end;
    const char* text;
  } cases[] = {
      {{100, 250}, {100, 250}, "0"},
      {{100, 250}, {100, 360}, "0.11"},
      // The end millisecond below the start millisecond: the seconds
      // difference makes up for the negative millisecond difference.
      {{100, 990}, {101, 5}, "0.015"},
      {{100, 999}, {102, 0}, "1.001"},
      {{7, 0}, {130, 457}, "123.457"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(printed(elapsedSeconds(c.start, c.end)), c.text)
        << c.start.seconds << "." << c.start.milliseconds << " -> " << c.end.seconds
        << "." << c.end.milliseconds;
  }
}

TEST(PhaseTimer, MonotonicStampsNeverGoBack) {
  PhaseTimer timer;
  timer.start();
  for (int i = 0; i < 1000; ++i) {
    timer.stop();
    ASSERT_GE(timer.elapsed(), 0.0);
    ASSERT_GE(timer.endStamp.milliseconds, 0);
    ASSERT_LT(timer.endStamp.milliseconds, 1000);
  }
}

}  // namespace
}  // namespace tessivar
