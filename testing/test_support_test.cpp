// The masking of elapsed times the transcript comparisons rely on: every
// time masked, and nothing else, or those comparisons could not fail.
#include "testing/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace tessivar {
namespace testing {
namespace {

TEST(MaskTimings, MasksEveryElapsedTime) {
  EXPECT_EQ(maskTimings("Pathing took 0.25 second(s)\n"), "Pathing took {s} second(s)\n");
  EXPECT_EQ(maskTimings("a took 1.5e-05 second(s)\nb took -0 second(s)\nc took 2e+3 second(s)"),
            "a took {s} second(s)\nb took {s} second(s)\nc took {s} second(s)");
  // One after another, and after a " took " that is not a time.
  EXPECT_EQ(maskTimings(" took 1 second(s) took 22 second(s)"),
            " took {s} second(s) took {s} second(s)");
  EXPECT_EQ(maskTimings("it took time took 3 second(s)"), "it took time took {s} second(s)");
}

TEST(MaskTimings, LeavesWhatIsNotAnElapsedTime) {
  const char* const kept[] = {
      "",
      "nothing took long",
      "Pathing took  second(s)",      // no number
      "Pathing took 3 seconds",       // not the report's words
      "Pathing took 3x second(s)",    // not a number
      "Pathing took 3 second(s",      // cut short
      "took 3 second(s)",             // not after a word
      "Pathing took\t3 second(s)",
  };
  for (const char* text : kept) EXPECT_EQ(maskTimings(text), text);
}

}  // namespace
}  // namespace testing
}  // namespace tessivar
