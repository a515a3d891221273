// The pathing relaxation as a sweep object that runs one pass at a time, so
// the phase can write a dot per pass and the tests can compare every pass
// with the reference model.
#ifndef TESSIVAR_ANALYSIS_PATHING_SWEEP_H_
#define TESSIVAR_ANALYSIS_PATHING_SWEEP_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
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
  // Threads for dense passes: 1 or 2; 0 picks 2 for a map big enough to
  // gain from it when the machine has a core to spare. The matrices are the
  // same either way.
  int threads = 0;
  // Change-log entries kept per thread and pass; 0 for the default, 64 per
  // waypoint. (Tests make it small to exercise a full log.)
  int64_t logCapacity = 0;
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
  int threads() const { return threads_; }

 private:
  // What one thread of a dense pass works with: its row group's copy and
  // considered cells, and the cells it wrote (up to the log capacity).
  struct Worker {
    std::vector<float> rowBuffer;
    std::vector<uint64_t> considered;
    std::vector<int32_t> writeRow, writeColumn;
    int64_t writes = 0;
    bool logComplete = true;
  };

  bool chooseSparse() const;
  void runDensePass();
  // Row groups worker, worker + stride, ...; with `done` set, waits for the
  // group above to finish a column tile before starting it.
  void runDenseGroups(Worker& worker, int64_t first, int64_t stride,
                      std::atomic<int64_t>* done);
  void runSparsePass();
  // Fills worker.considered for rows [a0, a0 + rows); false when none is.
  bool markConsidered(Worker& worker, int64_t a0, int64_t rows) const;
  // Copies rows [a0, a0 + rows) of the pathing block into worker.rowBuffer.
  void gatherRows(Worker& worker, int64_t a0, int64_t rows) const;
  void recordWrite(Worker& worker, int32_t a, int32_t b) const;
  void indexLastPass();

  const WaypointGraph& graph_;
  const std::vector<uint8_t>& reachability_;
  const PathingKernels& kernels_;
  const PassChoice passChoice_;
  const int64_t n_;
  int threads_;
  std::vector<float> pathing_;
  std::vector<int32_t> via_;
  int64_t consideredCells_ = 0;

  int64_t rowStride_;
  size_t logCapacity_;
  Worker workers_[2];
  // Sparse passes only: the values this pass wrote, in step with
  // workers_[0]'s log.
  std::vector<float> writeValue_;
  // The last pass's writes, by row and by column (rows ascending within a
  // column), the column of each entry of byColumn_, and its value.
  std::vector<int64_t> rowStart_, columnStart_;
  std::vector<int32_t> byRow_, byColumn_, columnOf_;
  std::vector<float> lastValue_;

  int64_t passes_ = 0;
  int64_t passWrites_ = 0;
  bool lastLogComplete_ = true;
  bool lastSparse_ = false;
};

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_PATHING_SWEEP_H_
