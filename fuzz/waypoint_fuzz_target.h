// The body of the waypoint fuzz target, kept apart from libFuzzer so that a
// test built by any compiler can replay the corpus through it.
#ifndef TESSIVAR_FUZZ_WAYPOINT_FUZZ_TARGET_H_
#define TESSIVAR_FUZZ_WAYPOINT_FUZZ_TARGET_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessivar {

// Maps up to this many waypoints run through every phase; larger ones are
// only loaded (the phases are cubic in N).
constexpr int32_t kFuzzPhaseWaypoints = 64;
// The memory budget of a fuzz run: enough for a map of this many waypoints,
// so a large header is refused by the memory check rather than allocated.
constexpr int32_t kFuzzBudgetWaypoints = 1024;

// Parses `data` as a waypoint file; when it loads with at most
// kFuzzPhaseWaypoints waypoints, runs the orphan scan, reachability,
// networks and islands, pathing and route query into a string stream. Checks the results for
// consistency and returns a description of the first inconsistency found,
// or "" when there is none. Never exits, aborts or throws on its own; the
// sanitizers report what goes wrong underneath.
std::string checkWaypointBytes(const uint8_t* data, size_t size);

}  // namespace tessivar

#endif  // TESSIVAR_FUZZ_WAYPOINT_FUZZ_TARGET_H_
