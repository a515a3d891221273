// The reference model of the reachability and pathing phases: the plain
// triple loops, one pass at a time, exactly as the report defines them. It
// is slow (every pass is O(N^3)) and kept only so the tests can compare the
// library's fast engine with it after every single pass.
#ifndef TESSIVAR_TESTING_REFERENCE_ENGINE_H_
#define TESSIVAR_TESTING_REFERENCE_ENGINE_H_

#include <cstdint>
#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {
namespace testing {

// Reachability closure, pass by pass: a outer, b inner, every unset cell
// set at once when some m has a->m and m->b set, cells set earlier in the
// pass taking part in the searches that follow. The matrices are plain
// bytes and floats, one per cell, built from the graph cell by cell.
class ReferenceReachabilitySweep {
 public:
  explicit ReferenceReachabilitySweep(const WaypointGraph& graph);
  // Runs one pass; true when it set at least one cell.
  bool runPass();
  int64_t reachableCount() const { return count_; }
  // N x N, cell a->b at a + b * N.
  const std::vector<uint8_t>& matrix() const { return matrix_; }

 private:
  int64_t n_;
  std::vector<uint8_t> matrix_;
  int64_t count_ = 0;
};

// Pathing relaxation, pass by pass: a outer, b inner; a cell with no direct
// path but a route takes the smallest float sum pathing a->m + m->b over m
// (lowest m on ties) when that sum is strictly below its value.
class ReferencePathingSweep {
 public:
  ReferencePathingSweep(const WaypointGraph& graph,
                        const std::vector<uint8_t>& reachability);
  ReferencePathingSweep(const WaypointGraph& graph, const CellBits& reachability);
  // Runs one pass; true when it rewrote at least one cell.
  bool runPass();
  const std::vector<float>& pathing() const { return pathing_; }
  const std::vector<int32_t>& shortestPath() const { return via_; }

 private:
  const WaypointGraph& graph_;
  std::vector<uint8_t> reachability_;
  int64_t n_;
  std::vector<float> pathing_;
  std::vector<int32_t> via_;
};

struct ReferenceReport {
  std::vector<uint8_t> reachability;
  int32_t reachabilityPasses = 0;
  int64_t reachableCount = 0;
  // The reachable count after each pass that set cells, in pass order.
  std::vector<int64_t> reachabilitySteps;
  // Each pathing pass run, the stable one included: whether it rewrote a cell.
  std::vector<bool> pathingPassChanges;
  std::vector<float> pathing;
  std::vector<int32_t> shortestPath;
  int32_t pathingPasses = 0;
};

// The matrix as bits, cell a->b at bit a + b * N, and back.
CellBits toCellBits(const std::vector<uint8_t>& cells);
std::vector<uint8_t> toBytes(const CellBits& bits);

// Both phases, pass by pass, as the library runs them: until a pass
// changes nothing or N passes have run.
ReferenceReport runReferencePhases(const WaypointGraph& graph);

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_REFERENCE_ENGINE_H_
