// The pathing relaxation as a sweep object that runs one pass at a time, so
// the phase can write a dot per pass and the tests can compare every pass
// with the reference model.
#ifndef TESSIVAR_ANALYSIS_PATHING_SWEEP_H_
#define TESSIVAR_ANALYSIS_PATHING_SWEEP_H_

#include <cstdint>
#include <vector>

#include "analysis/pathing_kernels.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// How a pass is evaluated. Both kinds give the same matrices; the choice
// only changes the time a pass takes.
enum class PassChoice {
  kAuto,             // sparse when the last pass wrote few cells
  kAlwaysDense,      // every cell scans every intermediate
  kSparseWhenAble,   // sparse whenever the last pass's writes are all known
};

struct PathingSweepOptions {
  KernelPath kernel = bestKernelPath();
  PassChoice passChoice = PassChoice::kAuto;
};

class PathingSweep {
 public:
  PathingSweep(const WaypointGraph& graph,
               const std::vector<uint8_t>& reachability,
               const PathingSweepOptions& options = PathingSweepOptions());

  // One pass in sweep order; true when it rewrote at least one cell.
  bool runPass();

  // N x N route lengths and intermediates, cell a->b at a + b * N.
  const std::vector<float>& pathing() const { return pathing_; }
  const std::vector<int32_t>& shortestPath() const { return via_; }
  std::vector<float> takePathing() { return std::move(pathing_); }
  std::vector<int32_t> takeShortestPath() { return std::move(via_); }

  // About the last pass run: cells it rewrote, and whether it was sparse.
  int64_t lastPassWrites() const { return passWrites_; }
  bool lastPassSparse() const { return lastSparse_; }
  const char* kernelName() const { return kernels_.name; }

 private:
  bool chooseSparse() const;
  void runDensePass();
  void runSparsePass();
  // Fills considered_ for rows [a0, a0 + rows); false when none is.
  bool markConsidered(int64_t a0, int64_t rows);
  // Copies rows [a0, a0 + rows) of the pathing block into rowBuffer_.
  void gatherRows(int64_t a0, int64_t rows);
  void recordWrite(int32_t a, int32_t b);
  void indexLastPass();

  const WaypointGraph& graph_;
  const std::vector<uint8_t>& reachability_;
  const PathingKernels& kernels_;
  const PassChoice passChoice_;
  const int64_t n_;
  std::vector<float> pathing_;
  std::vector<int32_t> via_;
  int64_t consideredCells_ = 0;

  // Per row group: the rows' contiguous copies and which cells count.
  int64_t rowStride_;
  std::vector<float> rowBuffer_;
  std::vector<uint64_t> considered_;

  // The cells written in the current pass, in the order written (kept up
  // to a capacity of O(N) entries), and for each column the most recent
  // of them as a linked list through writeNext_.
  size_t logCapacity_;
  std::vector<int32_t> writeRow_, writeColumn_, writeNext_;
  std::vector<int32_t> columnHead_;
  bool logComplete_ = true;
  // The last pass's writes, by row and by column, ascending.
  std::vector<int64_t> rowStart_, columnStart_;
  std::vector<int32_t> byRow_, byColumn_;

  int64_t passes_ = 0;
  int64_t passWrites_ = 0;
  bool lastSparse_ = false;
};

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_PATHING_SWEEP_H_
