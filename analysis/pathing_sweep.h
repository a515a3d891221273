// The pathing relaxation as a sweep object that runs one pass at a time, so
// the phase can write a dot per pass and the tests can compare every pass
// with the reference model.
//
// Method. A pass gives each considered cell a->b (no direct path, but a
// route), in sweep order, the smallest float sum pathing a->m + m->b over
// all m when that sum is below its value, with the lowest m among equal
// sums. The engine finds that minimum without forming most of the sums:
//
// - Changed operands. When a cell is evaluated its value ends no larger
//   than every sum it saw, and only its own evaluation writes it. So at its
//   next evaluation, one pass later, a sum whose two operands were not
//   written since can't be below its value, nor tie a sum that is. The
//   operands written since the evaluation of a->b one pass ago are: row a
//   at columns after b and column b at rows after a, written in the last
//   pass; row a at columns before b and column b at rows before a, written
//   in this one. Only sums through those m need to be formed (in pass 1,
//   every m: no cell was evaluated before).
// - Blocks. The waypoints are grouped into blocks of kBlockSize
//   (block_order.h: small regions of the map, or the map's own numbering
//   where that keeps neighbours together). For each row a and block M the
//   engine keeps min over m in M of pathing a->m, and for each column b min
//   over m in M of pathing m->b, with the time of the block's last write.
//   Float addition rounds monotonically, so every sum through M is at least
//   fl(row minimum + column minimum): when that bound is not below the
//   cell's value, no m in M can rewrite the cell, and when it is above the
//   smallest sum, no m in M can give or tie the smallest sum. Values only
//   fall, so a write just lowers two minima.
// - Bar. A sum found cheaply that is below the cell's value bounds the
//   smallest sum from above, so blocks whose bound is above it are skipped
//   too: the sum through the cell's current intermediate, and, for a cell
//   with no route yet (with the neighbourBars option), the sums through the
//   ends of the paths out of a and into b (every route leaves a and reaches
//   b by one of them).
// The order in which the m of one cell are reduced doesn't change its
// result, so blocks may be any grouping of the waypoints; the cells are
// still swept in their own order.
//
// Passes, each of one kind (PassKind). The passes that are not sparse are
// all bounded or all dense, by the map (FullPasses); a pass after one that
// wrote few cells is sparse, when a cost model (pathing_sweep.cpp) expects
// it to cost less than a full one:
// - bounded: each due cell sums only the blocks its bounds admit and that
//   hold a changed operand, in register blocks of 4 x 4 cells (2 x 4 with
//   AVX2) that sum the union of their cells' blocks. A pass costs a few
//   bound vectors per due cell and one vector per block summed.
// - dense: each due cell sums every intermediate, in register blocks, for
//   maps whose blocks bound little (numberings that don't follow space).
// - sparse: only the sums through the operands written since each cell's
//   last evaluation, offered column by column (about N sums per write of
//   this pass and of the last), for passes after one that wrote few cells;
//   on two threads in the map's own numbering, each taking half of the
//   rows (runSparsePass in pathing_sweep.cpp says how they share the
//   arrays).
//
// Layout. The pathing block is kept with its rows in block order (the
// intermediates of a block are kBlockSize consecutive floats of a column)
// and put back in the report's order when taken. Bounded and dense passes
// visit the rows in bands of 64: for a band the engine copies its rows, in
// block order, into a row buffer, then walks the columns in tiles of four,
// evaluating the band's cells of each column from the top down (the
// kernel's two steps are described in pathing_block_kernel.inc). Every row
// is still visited in column order and every column in row order, which is
// all the plain sweep's order decides: a cell reads only its own row and
// its own column.
//
// Two threads, in bounded and dense passes. Band g evaluates a tile of
// columns only after band g - 1 has finished those columns; thread 0 takes
// the even bands and thread 1 the odd ones, and each band publishes its
// progress with a release store that the next band reads with an acquire
// load. Each cell then finds its row and column exactly as the plain sweep
// leaves them. The arrays the two threads share are safe without locks
// because every entry has one writer at a time, handed over by that
// progress counter:
// - a row's cells, its via entries, its per-block minima and times and its
//   per-row values (latest time, smallest value, smallest written) are
//   read and written only by the thread whose band holds the row;
// - a column's cells at a band's rows, the column's per-block minima and
//   times and its per-column values are written only while a band
//   evaluates that column, and the next band touches them only after it
//   has read the progress counter that the band stores once it is done
//   with the column (the stores happen before the release, the reads after
//   the acquire);
// - a band's row copy reads its own rows of every column, which no other
//   band writes; each thread has its own buffers, write log and counts.
#ifndef TESSIVAR_ANALYSIS_PATHING_SWEEP_H_
#define TESSIVAR_ANALYSIS_PATHING_SWEEP_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "analysis/block_order.h"
#include "analysis/pathing_kernels.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// Which kind the passes that are not sparse are, fixed for the run: the
// per-block bounds are kept only for bounded passes. The matrices are the
// same with any choice; only the time a pass takes changes.
enum class FullPasses {
  kAuto,     // bounded on maps whose own numbering keeps most paths inside
             // blocks (pathingKeepsBounds, the rule the memory check counts
             // by), dense on the others
  kBounded,  // always bounded
  kDense,    // always dense
};

// When a pass is sparse.
enum class SparsePasses {
  kAuto,      // when the cost model expects it to cost less (kSparseSumCost)
  kWhenAble,  // whenever every write of the last pass is known (tests)
  kNever,
};

struct PathingSweepOptions {
  KernelPath kernel = bestKernelPath();
  // Threads: 1 or 2; 0 takes 2 for a map big enough to gain from it when
  // the process has a core to spare (platform/cpu_cores.h). The matrices
  // are the same either way.
  int threads = 0;
  // The grouping of the intermediates into blocks.
  BlockOrder order = BlockOrder::kAuto;
  uint64_t shuffleSeed = 0;  // for BlockOrder::kShuffled
  FullPasses full = FullPasses::kAuto;
  SparsePasses sparse = SparsePasses::kAuto;
  // The skips, each of which can be turned off (tests): the matrices are
  // the same with any of them.
  bool blockBounds = true;
  bool changedOnly = true;
  bool viaThreshold = true;
  // Off by default: on the generated 1024-waypoint maps the bars through
  // the paths' ends cost more than the blocks they skip (under callgrind,
  // 2.2 % more instructions on the walked form, 1.3 % on the depth-first
  // one; BENCHMARKS.md).
  bool neighbourBars = false;
  // Write-log entries kept per thread and pass; 0 for the default, 128 per
  // waypoint shared by the threads. (Tests make it small to exercise a full
  // log.)
  int64_t logCapacity = 0;
  // Tests: the log entries a sparse pass may use (0: all), so that a
  // sparse pass fills its log up while the passes before it don't.
  int64_t sparseLogLimitForTests = 0;
  // Superblocks (groups of 16 blocks) are bounded first when a row has
  // more than this many groups of blocks; -1 for never.
  int64_t superblocksAbove = 4;
  // Added to each block bound the engine starts from (the path lengths): 0
  // in every run of the tool. Tests set it to show that a bound above the
  // true minimum is caught by the comparison with the reference.
  float boundErrorForTests = 0;
};

// Counts of the last pass, for benchmarks, tests and the choice of pass.
struct PassCounts {
  PassKind kind = PassKind::kBounded;
  int64_t considered = 0;  // cells with no direct path but a route
  int64_t due = 0;         // cells with an operand written since their last
                           // evaluation (bounded and dense passes)
  int64_t skipped = 0;     // due cells no written value could change
  int64_t evaluated = 0;   // cells whose blocks of intermediates were bounded
  int64_t scanned = 0;     // blocks of intermediates summed, per register
                           // block
  int64_t registerBlocks = 0;  // register blocks summed for
  int64_t offered = 0;     // sparse passes: sums offered
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
    return arrays_.pathing[arrays_.position[a] + b * paddedN_];
  }
  // N x N route lengths (a copy) and intermediates, cell a->b at a + b * N.
  std::vector<float> pathing() const;
  const std::vector<int16_t>& shortestPath() const { return arrays_.via; }
  // The results; the sweep is spent afterwards.
  std::vector<float> takePathing();
  std::vector<int16_t> takeShortestPath() { return std::move(arrays_.via); }

  const PassCounts& lastPass() const { return counts_; }
  int64_t lastPassWrites() const { return counts_.writes; }
  const char* kernelName() const { return kernels_.name; }
  int threads() const { return threads_; }

 private:
  // The arrays the sweep owns; view() hands the kernels pointers to them.
  struct Arrays {
    std::vector<int32_t> order;     // paddedN: waypoint at each position
    std::vector<int32_t> position;  // N: position of each waypoint
    std::vector<float> pathing;     // paddedN x N, rows in block order
    std::vector<int16_t> via;       // N x N
    std::vector<float> rowMin, columnMin;    // N x boundStride
    std::vector<int32_t> rowTime, columnTime;
    std::vector<float> rowSuperMin, columnSuperMin;  // N x superStride
    std::vector<int32_t> rowSuperTime, columnSuperTime;
    std::vector<int32_t> rowLatest, columnLatest;    // N
    std::vector<float> rowSmallest, columnSmallest;
    std::vector<float> rowWritten[2], columnWritten[2];  // by pass parity
    std::vector<int64_t> outBegin, inBegin;               // N + 1
    std::vector<int32_t> outPosition, inPosition;         // per path entry
  };

  // A vector whose new elements are left unset: the write logs are sized
  // once for the most a pass may write, but only their first entries are
  // ever read (those written), and setting the rest would cost the time
  // and the pages of writing all of them.
  template <typename T>
  struct UnsetAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
      using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <typename U>
    UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept {
      ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  };
  template <typename T>
  using LogVector = std::vector<T, UnsetAllocator<T>>;

  struct Worker {
    LogVector<int32_t> logRow, logColumn;  // cells written, while room
    LogVector<float> logValue;             // their values (sparse passes)
    int64_t logCount = 0;
    bool logFull = false;
    // Sparse passes: the log by row (starts, entries), the log's
    // length after each column, per position the smallest sum offered
    // through a column and its waypoint as one key (sumKey), a group of
    // columns transposed (N x kSparseColumns), and per row of the thread
    // the smallest sums through its own row's writes, with their waypoints
    // (rows x kSparseColumns).
    std::vector<int64_t> mineStart;
    LogVector<int32_t> mine;
    // Bit k for row first + k of the thread: it has writes to offer over
    // the group of columns at hand; some sum reaches it in the group.
    std::vector<uint64_t> throughRows, offeredRows;
    std::vector<int64_t> columnEnd;
    std::vector<uint64_t> best;
    std::vector<float> through;
    std::vector<float> rowSums;
    std::vector<int32_t> rowVias;
    std::vector<float> rowBuffer;
    std::vector<float> inner;  // kGroupRows x kGroupRows
    std::vector<int32_t> scratch;
    std::vector<float> chunkMinima;
    PassCounts counts;
  };

  SweepView view();
  // Whether the passes that are not sparse are bounded, keeping bounds.
  static bool keepsBounds(const WaypointGraph& graph, FullPasses full);
  // Row bands worker, worker + stride, ...; with `done` set, band g
  // evaluates a tile of columns only once done[g - 1] is past it, and
  // publishes its own progress a tile at a time.
  void runBands(Worker& worker, const PassSettings& pass, int64_t first, int64_t stride,
                std::atomic<int64_t>* done);
  // Copies rows [a0, a0 + rows) of the pathing block, in block order,
  // into the worker's row buffer.
  void gatherRows(Worker& worker, int64_t a0, int64_t rows) const;
  PassKind choosePass() const;
  // Whether a sparse pass runs on two threads, each on half of the rows.
  bool sparseOnTwoThreads() const;
  void indexLastPass();
  void runSparsePass(const PassSettings& pass);
  // The rows of a sparse pass: half 0 (or the only one) and half 1, which
  // evaluates a group of columns once half 0 has finished it.
  void runSparseRows(Worker& worker, const PassSettings& pass, int half, int halves);
  // The cells of column b from rows [first, end), each summing every
  // intermediate (the sparse pass's way on once a write log is full).
  void scanColumn(Worker& worker, const PassSettings& pass, int64_t b, int64_t first,
                  int64_t end);
  // Records a write of the sparse pass in the engine's per-line state.
  void noteWrite(const PassSettings& pass, int32_t a, int32_t b, float value);

  const WaypointGraph& graph_;
  const CellBits& reachability_;
  const PathingKernels& kernels_;
  const PathingSweepOptions options_;
  const int64_t n_;
  int64_t paddedN_;
  int64_t blocks_;
  int64_t boundStride_;
  int64_t superStride_ = 0;
  int64_t rowStride_;  // of the row buffers
  int threads_;

  Arrays arrays_;
  SweepView view_;
  int64_t considered_ = 0;
  int64_t denseChunk_ = 0;
  bool changedOnly_ = true;
  bool keepBounds_ = true;

  Worker workers_[2];
  size_t logCapacity_;
  bool lastLogComplete_ = true;
  // The last pass's writes by column, each entry the position of its row
  // (column m: lastStart_[m] .. lastStart_[m + 1]), and by row in
  // ascending column, each entry its column and value; per row, the first
  // entry not yet behind the sparse pass.
  std::vector<int64_t> lastStart_;
  std::vector<int32_t> lastPosition_;
  std::vector<int64_t> lastRowStart_;
  std::vector<int32_t> lastRowColumn_;
  std::vector<float> lastRowValue_;
  std::vector<int64_t> lastNext_;
  // A two-thread sparse pass: rows below split_ are half 0's. Half 0
  // publishes the columns it has finished (release) and whether its log
  // filled up before them, which half 1 reads (acquire) before a column.
  int64_t split_ = 0;
  std::atomic<int64_t> sparseColumnsDone_{0};
  std::atomic<bool> sparseFirstLogFull_{false};
  int64_t passes_ = 0;
  PassCounts counts_;
  int64_t earlierWrites_ = 0;  // the writes of the pass before the last
};

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_PATHING_SWEEP_H_
