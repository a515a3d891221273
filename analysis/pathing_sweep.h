// The pathing relaxation as a sweep object that runs one pass at a time, so
// the phase can write a dot per pass and the tests can compare every pass
// with the reference model.
//
// Method. A pass gives each considered cell a->b (no direct path, but a
// route), in sweep order, the smallest float sum pathing a->m + m->b over
// all m when that sum is below its value, with the lowest m among equal
// sums. The engine finds that minimum without forming most of the sums:
//
// - Blocks. The waypoints are grouped into blocks of 16 (block_order.h).
//   For each row a and block M the engine keeps min over m in M of
//   pathing a->m, and for each column b min over m in M of pathing m->b.
//   Float addition rounds monotonically, so every sum through M is at
//   least fl(row minimum + column minimum): when that bound is not below
//   the cell's value, no m in M can rewrite the cell, and when it is above
//   the smallest sum, no m in M can give or tie the smallest sum. Values
//   only fall, so a write just lowers two minima.
// - Bar. The sum through the cell's current intermediate is a sum the
//   minimum can't exceed: blocks whose bound is above it are skipped too.
// - Changed operands. When a cell is evaluated its value ends no larger
//   than every sum it saw, and only its own evaluation writes it. So at its
//   next evaluation, one pass later, a sum whose two operands were not
//   written since can't be below its value, nor tie a sum that is. The
//   engine keeps, per row and block and per column and block, the time of
//   the last write, and scans only blocks with an operand written since;
//   a cell with none is not evaluated at all.
// The order in which the m of one cell are reduced doesn't change its
// result, so blocks may be any grouping of the waypoints; the cells are
// still swept in their own order.
//
// Layout. The pathing block is kept with its rows in block order (the
// intermediates of a block are 16 consecutive floats of a column) and put
// back in the report's order when taken. The sweep visits the rows in
// groups of 64: for a group it copies the group's rows, in block order,
// into a row buffer, then walks the columns, evaluating the group's cells
// of each column from the top down. Every row is still visited in column
// order and every column in row order, which is all the plain sweep's
// order decides: a cell reads only its own row and its own column.
//
// Two threads. Group g evaluates column b only after group g - 1 has
// finished it; thread 0 takes the even groups and thread 1 the odd ones.
// Each cell then finds its row and column exactly as the plain sweep
// leaves them.
#ifndef TESSIVAR_ANALYSIS_PATHING_SWEEP_H_
#define TESSIVAR_ANALYSIS_PATHING_SWEEP_H_

#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

#include "analysis/block_order.h"
#include "analysis/pathing_kernels.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// How a pass is run. Both kinds give the same matrices; the choice only
// changes the time a pass takes.
enum class PassChoice {
  kAuto,            // sparse when the last pass wrote few cells, else
                    // bounded or dense, whichever the map favours
  kBounded,         // every pass bounded by blocks (see above)
  kDense,           // every pass dense: every intermediate of every due cell
  kSparseWhenAble,  // sparse whenever the last pass's writes are all known
  kSparseOrBounded, // as kAuto, but bounded where kAuto would choose
  kSparseOrDense,   // as kAuto, but dense where kAuto would choose
};

struct PathingSweepOptions {
  KernelPath kernel = bestKernelPath();
  // Threads: 1 or 2; 0 takes 2 for a map big enough to gain from it when
  // the process has a core to spare (platform/cpu_cores.h). The matrices are the
  // same either way.
  int threads = 0;
  // The grouping of the intermediates into blocks.
  BlockOrder order = BlockOrder::kAuto;
  uint64_t shuffleSeed = 0;  // for BlockOrder::kShuffled
  // The skips, each of which can be turned off (tests): the matrices are
  // the same with any of them.
  bool blockBounds = true;
  bool changedOnly = true;
  bool viaThreshold = true;
  PassChoice passChoice = PassChoice::kAuto;
  // Write-log entries kept per thread and pass; 0 for the default, 64 per
  // waypoint. (Tests make it small to exercise a full log.)
  int64_t logCapacity = 0;
  // Superblocks (groups of 16 blocks) are bounded first when a row has
  // more than this many groups of blocks; -1 for never.
  int64_t superblocksAbove = 4;
  // Added to each block bound the engine starts from (the path lengths): 0
  // in every run of the tool. Tests set it to show that a bound above the
  // true minimum is caught by the comparison with the reference.
  float boundErrorForTests = 0;
};

// Counts of the last pass, for benchmarks and tests.
struct PassCounts {
  bool sparse = false;     // a sparse pass (the counts below are for the others)
  bool dense = false;      // a dense pass: every block of every due cell
  int64_t considered = 0;  // cells with no direct path but a route
  int64_t skipped = 0;     // cells with a written operand, but none small enough
  int64_t evaluated = 0;   // cells whose blocks of intermediates were bounded
  int64_t scanned = 0;     // blocks of 16 intermediates summed, per register block
  int64_t registerBlocks = 0;  // register blocks (4 or 2 rows x 4 columns) summed for
  int64_t writes = 0;      // cells rewritten
};

class PathingSweep {
 public:
  // The graph and the reachability matrix must outlive the sweep.
  PathingSweep(const WaypointGraph& graph, const CellBits& reachability,
               const PathingSweepOptions& options = PathingSweepOptions());

  // One pass in sweep order; true when it rewrote at least one cell.
  bool runPass();

  // Route length and intermediate of cell a->b.
  float value(int64_t a, int64_t b) const {
    return pathing_[position_[a] + b * paddedN_];
  }
  // N x N route lengths (a copy) and intermediates, cell a->b at a + b * N.
  std::vector<float> pathing() const;
  const std::vector<int16_t>& shortestPath() const { return via_; }
  // The results; the sweep is spent afterwards.
  std::vector<float> takePathing();
  std::vector<int16_t> takeShortestPath() { return std::move(via_); }

  const PassCounts& lastPass() const { return counts_; }
  int64_t lastPassWrites() const { return counts_.writes; }
  const char* kernelName() const { return kernels_.name; }
  int threads() const { return threads_; }

 private:
  struct Worker {
    std::vector<int32_t> logRow, logColumn;  // cells written, while room
    int64_t logCount = 0;
    bool logFull = false;
    std::vector<float> rowBuffer;
    std::vector<float> inner;  // kGroupRows x kGroupRows
    uint8_t rowOrder[kGroupRows];
    std::vector<int32_t> scratch;
    std::vector<float> chunkMinima;
    PassCounts counts;
  };

  // Row groups worker, worker + stride, ...; with `done` set, group g
  // evaluates column b only once done[g - 1] > b, and publishes its own
  // progress a tile of columns at a time.
  void runGroups(Worker& worker, int64_t first, int64_t stride,
                 std::atomic<int64_t>* done);
  // Copies rows [a0, a0 + rows) of the pathing block, in block order,
  // into the worker's row buffer.
  void gatherRows(Worker& worker, int64_t a0, int64_t rows) const;
  // Whether bounded passes may run: the per-block minima and times are
  // kept only then.
  static bool keepsBounds(const WaypointGraph& graph, PassChoice choice);
  bool chooseSparse() const;
  bool chooseDense() const;
  void indexLastPass();
  void runSparsePass();
  // Records a write of the sparse pass in the engine's per-line state.
  void noteWrite(int32_t a, int32_t b, float value);

  const WaypointGraph& graph_;
  const CellBits& reachability_;
  const PathingKernels& kernels_;
  const PathingSweepOptions options_;
  const int64_t n_;
  int64_t paddedN_;
  int64_t blocks_;
  int64_t boundStride_;
  int64_t rowStride_;  // of the row buffers
  int threads_;
  bool keepBounds_ = true;

  std::vector<int32_t> order_;     // paddedN_: waypoint at each position
  std::vector<int32_t> position_;  // N: position of each waypoint
  std::vector<float> pathing_;     // paddedN_ x N, rows in block order
  std::vector<int16_t> via_;       // N x N
  std::vector<float> rowMin_, columnMin_;
  int64_t superStride_ = 0;
  std::vector<float> rowSuperMin_, columnSuperMin_;
  std::vector<int32_t> rowSuperTime_, columnSuperTime_;
  std::vector<int32_t> rowTime_, columnTime_, rowLatest_, columnLatest_;
  std::vector<float> rowSmallest_, columnSmallest_;
  std::vector<float> rowWritten_[2], columnWritten_[2];  // by pass parity
  int64_t considered_ = 0;

  BoundedPass pass_;
  Worker workers_[2];
  size_t logCapacity_;
  bool lastLogComplete_ = true;
  // The last pass's writes by row and by column (rows ascending within a
  // column), the column of each entry of byColumn_, and its value.
  std::vector<int64_t> rowStart_, columnStart_;
  std::vector<int32_t> byRow_, byColumn_, columnOf_;
  std::vector<float> lastValue_;
  int64_t passes_ = 0;
  PassCounts counts_;
};

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_PATHING_SWEEP_H_
