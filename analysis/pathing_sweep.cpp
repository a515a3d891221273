#include "analysis/pathing_sweep.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

#include "analysis/pathing.h"
#include "platform/cpu_cores.h"
#include "waypoint/memory_budget.h"

namespace tessivar {

namespace {

// A pass is run sparse when the last one wrote at most one cell in
// kSparseRatio x threads of the evaluated cells. A sparse pass costs about
// N/2 sums per write of the last pass, a dense one N vector lanes per
// evaluated cell; measured on this project's realistic maps the break-even
// is near 1 write in 45 cells per dense thread at N = 1024 and N = 4096.
constexpr int64_t kSparseRatio = 48;

// Change-log entries kept per waypoint and thread (O(N) memory in all).
constexpr size_t kLogEntriesPerWaypoint = 64;

// Below this many waypoints a second thread costs more than it saves. From
// here on the memory check counts the address space of a second thread.
constexpr int64_t kThreadedMinimum = run_memory::kSecondThreadMinimumWaypoints;

// Whether a second thread would find a core of its own: the process may
// use two or more, and no more threads are running right now than leave
// one idle. On a busy machine the two threads of the wavefront wait for
// each other whenever one of them is descheduled, and one thread is faster.
bool spareCoreAvailable() {
  const unsigned cores = platform::usableCores();
  return cores >= 2 && platform::coreIdleNow(cores);
}

// 1 in each byte of `bytes` that is not 0, else 0.
inline uint64_t nonZeroBytes(uint64_t bytes) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  return ((((bytes & kLow7) + kLow7) | bytes) >> 7) & 0x0101010101010101ull;
}

// The smallest sum over a set of intermediates, lowest m on ties.
struct Candidate {
  float sum;
  int32_t m;
  void consider(const float* row, const float* column, int32_t t) {
    const float s = row[t] + column[t];
    const bool better = s < sum || (s == sum && t < m);
    sum = better ? s : sum;
    m = better ? t : m;
  }
  void scan(const float* row, const float* column, const int32_t* first,
            const int32_t* last) {
    for (; first != last; ++first) consider(row, column, *first);
  }
};

}  // namespace

PathingSweep::PathingSweep(const WaypointGraph& graph,
                           const std::vector<uint8_t>& reachability,
                           const PathingSweepOptions& options)
    : graph_(graph),
      reachability_(reachability),
      kernels_(pathingKernels(options.kernel)),
      passChoice_(options.passChoice),
      n_(graph.n),
      threads_(options.threads),
      rowStride_(std::max<int64_t>(16, (n_ + 15) & ~int64_t(15))),
      logCapacity_(options.logCapacity > 0
                       ? static_cast<size_t>(options.logCapacity)
                       : kLogEntriesPerWaypoint * static_cast<size_t>(n_) + 1024) {
  if (threads_ <= 0) {
    threads_ = n_ >= kThreadedMinimum && spareCoreAvailable() ? 2 : 1;
  }
  threads_ = std::min(threads_, 2);
  for (int w = 0; w < threads_; ++w) {
    Worker& worker = workers_[w];
    worker.rowBuffer.resize(static_cast<size_t>(std::min(kTileRows, n_) * rowStride_));
    worker.considered.resize(static_cast<size_t>(n_));
    // Reserved once: a write never allocates, so a thread never throws.
    worker.writeRow.reserve(logCapacity_);
    worker.writeColumn.reserve(logCapacity_);
  }
  writeValue_.reserve(logCapacity_);
  // The edge length matrix holds the no-path distance wherever there is no
  // direct path: the pathing block's starting value. Most of the time here
  // goes to the system handing out fresh pages; with a second thread the
  // two matrices are filled side by side.
  auto fillIntermediates = [this, &graph] {
    via_.assign(graph.cellCount, kNoIntermediate);
    int64_t considered = 0;
    for (uint64_t cell = 0; cell < graph.cellCount; ++cell) {
      considered += !graph.adjacency[cell] & (reachability_[cell] != 0);
    }
    consideredCells_ = considered;
  };
  std::thread helper;
  bool helperOutOfMemory = false;
  if (threads_ > 1) {
    try {
      // An allocation failure on the helper thread is handed to this one,
      // where the run reports it like any other.
      helper = std::thread([&fillIntermediates, &helperOutOfMemory] {
        try {
          fillIntermediates();
        } catch (const std::bad_alloc&) {
          helperOutOfMemory = true;
        }
      });
    } catch (const std::system_error&) {
    }
  }
  try {
    pathing_ = graph.edgeLength;
  } catch (...) {
    if (helper.joinable()) helper.join();
    throw;
  }
  if (helper.joinable()) {
    helper.join();
    if (helperOutOfMemory) throw std::bad_alloc();
  } else {
    fillIntermediates();
  }
}

bool PathingSweep::runPass() {
  const bool sparse = chooseSparse();
  if (sparse) indexLastPass();
  for (Worker& worker : workers_) {
    worker.writeRow.clear();
    worker.writeColumn.clear();
    worker.writes = 0;
    worker.logComplete = true;
  }
  if (sparse) {
    runSparsePass();
  } else {
    runDensePass();
  }
  passWrites_ = workers_[0].writes + workers_[1].writes;
  lastLogComplete_ = workers_[0].logComplete && workers_[1].logComplete;
  ++passes_;
  lastSparse_ = sparse;
  return passWrites_ > 0;
}

bool PathingSweep::chooseSparse() const {
  // A sparse pass needs every cell of the last pass to have been evaluated
  // and every write of it to be known.
  if (passes_ == 0 || !lastLogComplete_) return false;
  switch (passChoice_) {
    case PassChoice::kAlwaysDense:
      return false;
    case PassChoice::kSparseWhenAble:
      return true;
    case PassChoice::kAuto:
    default:
      // A sparse pass runs on one thread, a dense one on threads_.
      return passWrites_ * kSparseRatio * threads_ <= consideredCells_;
  }
}

bool PathingSweep::markConsidered(Worker& worker, int64_t a0, int64_t rows) const {
  uint64_t any = 0;
  for (int64_t b = 0; b < n_; ++b) {
    // Cells a0+k -> b for k < rows are contiguous in both byte matrices.
    const uint8_t* direct = graph_.adjacency.data() + cellIndex(a0, b, n_);
    const uint8_t* route = reachability_.data() + cellIndex(a0, b, n_);
    uint64_t mask = 0;
    int64_t k = 0;
    for (; k + 8 <= rows; k += 8) {
      uint64_t d, r;
      std::memcpy(&d, direct + k, 8);
      std::memcpy(&r, route + k, 8);
      // One flag byte per cell, then the eight flags packed into eight
      // bits in cell order by one multiplication.
      const uint64_t flags = nonZeroBytes(r) & ~nonZeroBytes(d);
      mask |= ((flags * 0x0102040810204080ull) >> 56) << k;
    }
    for (; k < rows; ++k) mask |= uint64_t(!direct[k] && route[k]) << k;
    worker.considered[b] = mask;
    any |= mask;
  }
  return any != 0;
}

// A block transpose: 16 columns of the group's rows at a time, so the
// reads stay within a few cache lines and the writes are contiguous.
void PathingSweep::gatherRows(Worker& worker, int64_t a0, int64_t rows) const {
  constexpr int64_t kBlock = 16;
  for (int64_t m0 = 0; m0 < n_; m0 += kBlock) {
    const int64_t m1 = std::min(n_, m0 + kBlock);
    for (int64_t k = 0; k < rows; ++k) {
      float* out = worker.rowBuffer.data() + k * rowStride_;
      const float* in = pathing_.data() + a0 + k;
      for (int64_t m = m0; m < m1; ++m) out[m] = in[m * n_];
    }
  }
}

void PathingSweep::recordWrite(Worker& worker, int32_t a, int32_t b) const {
  ++worker.writes;
  if (!worker.logComplete) return;
  if (worker.writeRow.size() == logCapacity_) {
    worker.logComplete = false;
    return;
  }
  worker.writeRow.push_back(a);
  worker.writeColumn.push_back(b);
}

// Sorts the last pass's writes by row (a counting sort, which keeps the
// order each thread wrote them: every row is written by one thread, left
// to right), then by column by walking the rows in order, so each column's
// list is ascending too.
void PathingSweep::indexLastPass() {
  rowStart_.assign(static_cast<size_t>(n_ + 1), 0);
  columnStart_.assign(static_cast<size_t>(n_ + 1), 0);
  size_t count = 0;
  for (const Worker& worker : workers_) {
    for (size_t i = 0; i < worker.writeRow.size(); ++i) {
      ++rowStart_[worker.writeRow[i] + 1];
      ++columnStart_[worker.writeColumn[i] + 1];
    }
    count += worker.writeRow.size();
  }
  for (int64_t i = 0; i < n_; ++i) {
    rowStart_[i + 1] += rowStart_[i];
    columnStart_[i + 1] += columnStart_[i];
  }
  byRow_.resize(count);
  byColumn_.resize(count);
  std::vector<int64_t> fill(rowStart_.begin(), rowStart_.end() - 1);
  for (const Worker& worker : workers_) {
    for (size_t i = 0; i < worker.writeRow.size(); ++i) {
      byRow_[fill[worker.writeRow[i]]++] = worker.writeColumn[i];
    }
  }
  fill.assign(columnStart_.begin(), columnStart_.end() - 1);
  for (int64_t a = 0; a < n_; ++a) {
    for (int64_t i = rowStart_[a]; i < rowStart_[a + 1]; ++i) {
      byColumn_[fill[byRow_[i]]++] = static_cast<int32_t>(a);
    }
  }
  columnOf_.resize(count);
  for (int64_t b = 0; b < n_; ++b) {
    for (int64_t i = columnStart_[b]; i < columnStart_[b + 1]; ++i) {
      columnOf_[i] = static_cast<int32_t>(b);
    }
  }
}

// A dense pass: the sweep in tiles of kTileRows rows x kTileColumns
// columns (see the kernels for why a tile gives the plain sweep's values).
//
// Two-thread wavefront: a tile reads and writes only cells of its own rows
// and columns (its row group's copy holds the rows; the columns are read
// whole from the pathing block), so two tiles that share neither rows nor
// columns neither read nor write each other's cells. Thread 0 takes the
// even row groups and thread 1 the odd ones; a group starts a column tile
// only after the group above has finished that tile. Every tile then
// finds its rows and columns in exactly the state the plain sweep leaves
// them in at that point: the rows above it finished for its columns, the
// rows below it untouched, its own row group done up to its columns.
void PathingSweep::runDensePass() {
  const int64_t groups = (n_ + kTileRows - 1) / kTileRows;
  if (threads_ < 2 || groups < 2) {
    runDenseGroups(workers_[0], 0, 1, nullptr);
    return;
  }
  std::unique_ptr<std::atomic<int64_t>[]> done(new std::atomic<int64_t>[groups]);
  for (int64_t g = 0; g < groups; ++g) done[g].store(0, std::memory_order_relaxed);
  std::thread helper;
  try {
    helper = std::thread([this, &done] { runDenseGroups(workers_[1], 1, 2, done.get()); });
  } catch (const std::system_error&) {
    runDenseGroups(workers_[0], 0, 1, nullptr);
    return;
  }
  runDenseGroups(workers_[0], 0, 2, done.get());
  helper.join();
}

void PathingSweep::runDenseGroups(Worker& worker, int64_t first, int64_t stride,
                                  std::atomic<int64_t>* done) {
  const int64_t tiles = (n_ + kTileColumns - 1) / kTileColumns;
  for (int64_t g = first; g * kTileRows < n_; g += stride) {
    const int64_t a0 = g * kTileRows;
    const int64_t rows = std::min(kTileRows, n_ - a0);
    // This group's own rows are written by no other group, so it may copy
    // them before the group above is done.
    const bool any = markConsidered(worker, a0, rows);
    if (any) gatherRows(worker, a0, rows);
    PathingTile tile;
    tile.n = n_;
    tile.pathing = pathing_.data();
    tile.via = via_.data();
    tile.rowBuffer = worker.rowBuffer.data();
    tile.rowStride = rowStride_;
    tile.a0 = a0;
    tile.rows = rows;
    tile.considered = worker.considered.data();
    for (int64_t t = 0; t < tiles; ++t) {
      const int64_t b0 = t * kTileColumns;
      const int64_t columns = std::min(kTileColumns, n_ - b0);
      uint64_t wanted = 0;
      if (any) {
        for (int64_t j = 0; j < columns; ++j) wanted |= worker.considered[b0 + j];
      }
      if (wanted) {
        if (done && g > 0) {
          // Wait for the group above to finish this tile's columns.
          for (int spin = 0; done[g - 1].load(std::memory_order_acquire) <= t; ++spin) {
            if (spin > 64) std::this_thread::yield();
          }
        }
        tile.b0 = b0;
        tile.columns = columns;
        kernels_.evaluateTile(tile);
        for (int32_t w = 0; w < tile.writes; ++w) {
          recordWrite(worker, tile.writtenRow[w], tile.writtenColumn[w]);
        }
      }
      if (done) done[g].store(t + 1, std::memory_order_release);
    }
  }
}

// A sparse pass: skipping work that provably cannot change anything.
//
// When a cell is evaluated, its value afterwards is no larger than every
// sum it saw (it takes the smallest sum when that is below its value), and
// only the cell's own evaluation writes it. So at its next evaluation, one
// pass later, a sum whose two operands have not been written since cannot
// be below the cell's value; and a sum below it cannot tie with such a sum
// either, so the lowest m among the new sums is the lowest m overall. The
// operands written since the cell's evaluation at (a, b) one pass ago are:
//   (1) column b at rows m > a and (2) row a at columns m > b, written in
//       the last pass;
//   (3) row a at columns m < b and (4) column b at rows m < a, written in
//       this pass.
// A sparse pass offers each cell only the sums through those m (a few
// more do no harm: they cannot win or tie a winner), so its cost follows
// the number of writes, not N^3.
//
// It walks the cells column by column (b outer, a inner). That order gives
// the plain sweep's values: a cell reads only its row and its column, and
// both orders evaluate the cells of one row in ascending b and the cells
// of one column in ascending a. Column by column, the sums of (1) are
// whole columns of the pathing block (m's column plus one number) and
// those of (4) too, so they are added for all rows at once; (2) and (3)
// are one sum per logged write, read from the column at hand.
//
// Should this pass's log overflow, every later column takes the sums
// through every m, which is always exact, and the next pass is dense.
void PathingSweep::runSparsePass() {
  Worker& worker = workers_[0];
  const size_t lastCount = byColumn_.size();
  // Values of the last pass's writes. A write a->m with m > b is only
  // needed before column m is reached, so it still holds this value then.
  lastValue_.resize(lastCount);
  for (size_t i = 0; i < lastCount; ++i) {
    lastValue_[i] = pathing_[cellIndex(byColumn_[i], columnOf_[i], n_)];
  }
  writeValue_.clear();
  std::vector<float> bestSum(static_cast<size_t>(n_));
  std::vector<int32_t> bestM(static_cast<size_t>(n_));
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  for (int64_t b = 0; b < n_; ++b) {
    const uint8_t* direct = graph_.adjacency.data() + cellIndex(0, b, n_);
    const uint8_t* route = reachability_.data() + cellIndex(0, b, n_);
    float* column = pathing_.data() + cellIndex(0, b, n_);
    std::fill(bestSum.begin(), bestSum.end(), kInfinity);
    std::fill(bestM.begin(), bestM.end(), -1);
    auto offer = [&](int32_t a, float sum, int32_t m) {
      const bool better = sum < bestSum[a] || (sum == bestSum[a] && m < bestM[a]);
      if (better) bestSum[a] = sum, bestM[a] = m;
    };
    if (worker.logComplete) {
      // (1): rows m of column b written in the last pass, for every row a.
      for (int64_t i = columnStart_[b]; i < columnStart_[b + 1]; ++i) {
        const int32_t m = byColumn_[i];
        kernels_.pushSums(pathing_.data() + cellIndex(0, m, n_), column[m], m,
                          bestSum.data(), bestM.data(), 0, n_);
      }
      // (2): the last pass's writes a->m in columns m > b.
      for (size_t i = static_cast<size_t>(columnStart_[b + 1]); i < lastCount; ++i) {
        const int32_t m = columnOf_[i];
        offer(byColumn_[i], lastValue_[i] + column[m], m);
      }
      // (3): this pass's writes a->m, all in columns m < b.
      for (size_t i = 0; i < writeValue_.size(); ++i) {
        const int32_t m = worker.writeColumn[i];
        offer(worker.writeRow[i], writeValue_[i] + column[m], m);
      }
    } else {
      for (int64_t m = 0; m < n_; ++m) {
        kernels_.pushSums(pathing_.data() + cellIndex(0, m, n_), column[m],
                          static_cast<int32_t>(m), bestSum.data(), bestM.data(), 0, n_);
      }
    }
    for (int64_t a = 0; a < n_; ++a) {
      if (!(bestSum[a] < column[a]) || direct[a] || !route[a]) continue;
      const float value = bestSum[a];
      column[a] = value;
      via_[cellIndex(a, b, n_)] = bestM[a];
      recordWrite(worker, static_cast<int32_t>(a), static_cast<int32_t>(b));
      if (worker.logComplete) writeValue_.push_back(value);
      // (4): the new value is an operand of the cells below it.
      kernels_.pushSums(pathing_.data() + cellIndex(0, a, n_), value,
                        static_cast<int32_t>(a), bestSum.data(), bestM.data(), a + 1, n_);
    }
  }
}

}  // namespace tessivar
