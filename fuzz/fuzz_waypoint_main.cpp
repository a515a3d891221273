// libFuzzer entry point for the waypoint loader and the analysis phases.
// An inconsistency the check finds is turned into a crash, so libFuzzer
// records the input like any sanitizer report.
#include <cstdio>

#include "fuzz/waypoint_fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string problem = tessivar::checkWaypointBytes(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "waypoint fuzz target: %s\n", problem.c_str());
    __builtin_trap();
  }
  return 0;
}
