#include "testing/reference_engine.h"

namespace tessivar {
namespace testing {

CellBits toCellBits(const std::vector<uint8_t>& cells) {
  CellBits bits;
  bits.assign(cells.size());
  for (size_t cell = 0; cell < cells.size(); ++cell) {
    if (cells[cell]) bits.set(cell);
  }
  return bits;
}

std::vector<uint8_t> toBytes(const CellBits& bits) {
  std::vector<uint8_t> cells(static_cast<size_t>(bits.size()));
  for (size_t cell = 0; cell < cells.size(); ++cell) cells[cell] = bits[cell];
  return cells;
}

ReferenceReachabilitySweep::ReferenceReachabilitySweep(
    const WaypointGraph& graph)
    : n_(graph.n), matrix_(toBytes(graph.adjacency)) {
  // The count starts at the distinct direct pairs.
  for (uint8_t cell : matrix_) count_ += cell;
}

bool ReferenceReachabilitySweep::runPass() {
  const int64_t before = count_;
  for (int64_t a = 0; a < n_; ++a) {
    for (int64_t b = 0; b < n_; ++b) {
      uint8_t& cell = matrix_[cellIndex(a, b, n_)];
      if (cell) continue;
      for (int64_t m = 0; m < n_; ++m) {
        if (matrix_[cellIndex(a, m, n_)] && matrix_[cellIndex(m, b, n_)]) {
          cell = 1;
          ++count_;
          break;
        }
      }
    }
  }
  return count_ != before;
}

ReferencePathingSweep::ReferencePathingSweep(
    const WaypointGraph& graph, const std::vector<uint8_t>& reachability)
    : graph_(graph),
      reachability_(reachability),
      n_(graph.n),
      pathing_(graph.cellCount),
      via_(graph.cellCount, -1) {
  // The edge length matrix, cell by cell.
  for (int32_t a = 0; a < n_; ++a) {
    for (int32_t b = 0; b < n_; ++b) pathing_[cellIndex(a, b, n_)] = graph.edgeLength(a, b);
  }
}

ReferencePathingSweep::ReferencePathingSweep(const WaypointGraph& graph,
                                             const CellBits& reachability)
    : ReferencePathingSweep(graph, toBytes(reachability)) {}

bool ReferencePathingSweep::runPass() {
  bool stable = true;
  for (int64_t a = 0; a < n_; ++a) {
    for (int64_t b = 0; b < n_; ++b) {
      const size_t cell = cellIndex(a, b, n_);
      if (graph_.hasPath(a, b) || !reachability_[cell]) continue;
      float best = pathing_[cell];
      int32_t bestM = via_[cell];
      for (int64_t m = 0; m < n_; ++m) {
        const float sum =
            pathing_[cellIndex(a, m, n_)] + pathing_[cellIndex(m, b, n_)];
        if (sum < best) {
          best = sum;
          bestM = static_cast<int32_t>(m);
        }
      }
      // A cell is rewritten whenever a strictly shorter sum was found.
      if (best < pathing_[cell]) {
        pathing_[cell] = best;
        via_[cell] = bestM;
        stable = false;
      }
    }
  }
  return !stable;
}

ReferenceReport runReferencePhases(const WaypointGraph& graph) {
  ReferenceReport report;
  const int64_t n = graph.n;
  ReferenceReachabilitySweep reach(graph);
  int32_t pass = 0;
  while (pass < n && reach.runPass()) {
    ++pass;
    report.reachabilitySteps.push_back(reach.reachableCount());
  }
  report.reachability = reach.matrix();
  report.reachabilityPasses = pass;
  report.reachableCount = reach.reachableCount();

  ReferencePathingSweep pathing(graph, report.reachability);
  pass = 0;
  while (pass < n) {
    const bool changed = pathing.runPass();
    report.pathingPassChanges.push_back(changed);
    if (!changed) break;
    ++pass;
  }
  report.pathing = pathing.pathing();
  report.shortestPath = pathing.shortestPath();
  report.pathingPasses = pass;
  return report;
}

}  // namespace testing
}  // namespace tessivar
