// The reachability closure as a sweep object that runs one pass at a time,
// so the phase can report each pass and the tests can compare every pass
// with the reference model.
#ifndef TESSIVAR_ANALYSIS_REACHABILITY_SWEEP_H_
#define TESSIVAR_ANALYSIS_REACHABILITY_SWEEP_H_

#include <cstdint>
#include <vector>

#include "analysis/pathing_kernels.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// Holds the matrix as bit rows (row a: bit m set when a->m is known) and
// bit columns (column b: bit m set when m->b is known), both kept in step,
// so the search "is there an m with a->m and m->b" is an AND of two N-bit
// vectors, 64 intermediates per machine word.
class ReachabilitySweep {
 public:
  // `kernel` picks the vector width of the bit search; every choice sets
  // the same cells.
  explicit ReachabilitySweep(const WaypointGraph& graph,
                             KernelPath kernel = bestKernelPath());

  // One pass in sweep order (a outer, b inner, cells set in the pass used
  // at once by the searches that follow); true when it set a cell.
  bool runPass();

  // Cells set: the distinct direct pairs plus every cell a pass set.
  int64_t reachableCount() const { return count_; }
  bool reachable(int64_t a, int64_t b) const;
  // The matrix, cell a->b at bit a + b * N.
  CellBits matrix() const;

 private:
  uint64_t* row(int64_t a) { return bits_.data() + a * words_; }
  uint64_t* column(int64_t b) { return bits_.data() + (n_ + b) * words_; }

  const PathingKernels& kernels_;
  int64_t n_;
  int64_t words_;               // 64-bit words per bit vector
  std::vector<uint64_t> bits_;  // N bit rows, then N bit columns
  int64_t count_ = 0;
};

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_REACHABILITY_SWEEP_H_
