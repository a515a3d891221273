#include "analysis/pathing_sweep.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <thread>

#include "analysis/pathing.h"
#include "analysis/run_memory.h"
#include "platform/cpu_cores.h"
#include "platform/helper_thread.h"
#include "platform/huge_pages.h"

namespace tessivar {

namespace {

// The cost model that picks a pass's kind, in sums of a full pass. A full
// pass costs about N sums per considered cell, divided among its threads.
// A sparse pass costs about N sums per write of the last pass and per
// write of this one (which is expected to fall from the last as the last
// fell from the one before), each kSparseSumCost times dearer than a sum
// of a full pass (scattered columns, 64-bit keys), kBoundedSparseSumCost
// on maps whose passes are bounded (there the writes lie close together,
// and a bounded pass costs less); on two threads it runs
// kSparseTwoThreadGain times faster. The constants put the switch where
// the two kinds cost the same on generated maps of 1024 and 2048
// waypoints (BENCHMARKS.md).
constexpr double kSparseSumCost = 8;
constexpr double kBoundedSparseSumCost = 5.5;
constexpr double kSparseTwoThreadGain = 1.4;

// Write-log entries kept per waypoint, shared by the threads (O(N) memory
// in all): a pass is followed by a sparse one only if its log held all its
// writes.
constexpr size_t kLogEntriesPerWaypoint = 128;

// Whether a second thread pays and would find a core of its own: the map is
// big enough and the process may use two or more cores (the decision the
// memory check counts the thread's address space by), and no more threads
// are running right now than leave one idle. On a busy machine the two
// threads of the wavefront wait for each other whenever one of them is
// descheduled, and one thread is faster.
bool secondThreadPays(int64_t waypoints) {
  return pathingMayUseSecondThread(waypoints) && platform::coreIdleNow(platform::usableCores());
}

constexpr float kInfinity = std::numeric_limits<float>::infinity();

int64_t roundUp(int64_t value, int64_t multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

// Bits 0 .. count-1.
uint64_t lowBits(int64_t count) {
  return count >= 64 ? ~uint64_t(0) : count <= 0 ? 0 : (uint64_t(1) << count) - 1;
}

}  // namespace

PathingSweep::PathingSweep(const WaypointGraph& graph, const CellBits& reachability,
                           const PathingSweepOptions& options)
    : graph_(graph),
      reachability_(reachability),
      kernels_(pathingKernels(options.kernel)),
      options_(options),
      n_(graph.n),
      paddedN_(roundUp(graph.n, kBlockSize)),
      blocks_(paddedN_ / kBlockSize),
      boundStride_(roundUp(blocks_, kBoundGroup)),
      // One cache line more than a row needs, so that the same block of
      // different rows never falls into the same cache set (a row of
      // 1024 floats is 4 KiB, the span of one way of the first-level cache).
      rowStride_(paddedN_ + kBlockSize),
      threads_(options.threads),
      logCapacity_(0) {
  if (threads_ <= 0) {
    threads_ = secondThreadPays(n_) ? 2 : 1;
  }
  threads_ = std::min(threads_, 2);
  logCapacity_ = options.logCapacity > 0
                     ? static_cast<size_t>(options.logCapacity)
                     : (kLogEntriesPerWaypoint * static_cast<size_t>(graph.n) + 2048) /
                           static_cast<size_t>(threads_);
  Arrays& arrays = arrays_;

  keepBounds_ = keepsBounds(graph, options.full);
  // Without bounds the passes are dense, which find the lowest waypoint of
  // a sum soonest in the map's own numbering.
  arrays.order = blockOrder(
      graph, !keepBounds_ && options.order == BlockOrder::kAuto ? BlockOrder::kNumbering : options.order,
      options.shuffleSeed);
  arrays.order.resize(static_cast<size_t>(paddedN_), std::numeric_limits<int32_t>::max());
  arrays.position.resize(static_cast<size_t>(n_));
  for (int64_t j = 0; j < n_; ++j) arrays.position[arrays.order[j]] = static_cast<int32_t>(j);

  // The pathing block starts as the edge length matrix: the no-path
  // distance, and each path's length in its cell. Positions past N hold
  // +infinity, so their sums never win.
  const size_t cells = static_cast<size_t>(paddedN_ * n_);
  platform::reserveWithHugePages(arrays.pathing, cells);
  arrays.pathing.assign(cells, kNoPathDistance);
  for (int64_t b = 0; b < n_; ++b) {
    std::fill(arrays.pathing.begin() + b * paddedN_ + n_,
              arrays.pathing.begin() + (b + 1) * paddedN_, kInfinity);
  }
  platform::reserveWithHugePages(arrays.via, static_cast<size_t>(n_ * n_));
  arrays.via.assign(static_cast<size_t>(n_ * n_), int16_t(kNoIntermediate));

  const size_t bounds = keepBounds_ ? static_cast<size_t>(n_ * boundStride_) : 0;
  for (std::vector<float>* minima : {&arrays.rowMin, &arrays.columnMin}) {
    platform::reserveWithHugePages(*minima, bounds);
    minima->assign(bounds, kNoPathDistance);
    for (int64_t line = 0; line < (keepBounds_ ? n_ : 0); ++line) {
      std::fill(minima->begin() + line * boundStride_ + blocks_,
                minima->begin() + (line + 1) * boundStride_, kInfinity);
    }
  }
  // Every block counts as written at the start of pass 1, so pass 1
  // evaluates every cell and pass 2 only what pass 1 changed.
  const int32_t start = static_cast<int32_t>(n_);
  for (std::vector<int32_t>* times : {&arrays.rowTime, &arrays.columnTime}) {
    platform::reserveWithHugePages(*times, bounds);
    times->assign(bounds, start);
  }
  arrays.rowLatest.assign(static_cast<size_t>(n_), start);
  arrays.columnLatest.assign(static_cast<size_t>(n_), start);

  for (int32_t i = 0; i < n_; ++i) {
    const int32_t* targets = graph.pathsFrom(i);
    const float* lengths = graph.lengthsFrom(i);
    for (uint64_t k = 0; k < graph.pathCount(i); ++k) {
      const int32_t t = targets[k];
      const float length = lengths[k];
      arrays.pathing[arrays.position[i] + t * paddedN_] = length;
      if (!keepBounds_) continue;
      const float bound = length + options.boundErrorForTests;
      float& rowMin = arrays.rowMin[i * boundStride_ + arrays.position[t] / kBlockSize];
      rowMin = std::min(rowMin, bound);
      float& columnMin = arrays.columnMin[t * boundStride_ + arrays.position[i] / kBlockSize];
      columnMin = std::min(columnMin, bound);
    }
  }

  // Superblocks: their minima and times from the blocks'.
  const int64_t groups = boundStride_ / kBoundGroup;
  if (keepBounds_ && options.superblocksAbove >= 0 && groups > options.superblocksAbove) {
    superStride_ = roundUp(groups, kBoundGroup);
    const size_t supers = static_cast<size_t>(n_ * superStride_);
    arrays.rowSuperMin.assign(supers, kInfinity);
    arrays.columnSuperMin.assign(supers, kInfinity);
    arrays.rowSuperTime.assign(supers, start);
    arrays.columnSuperTime.assign(supers, start);
    for (int64_t line = 0; line < n_; ++line) {
      for (int64_t q = 0; q < blocks_; ++q) {
        float& row = arrays.rowSuperMin[line * superStride_ + q / kBoundGroup];
        row = std::min(row, arrays.rowMin[line * boundStride_ + q]);
        float& column = arrays.columnSuperMin[line * superStride_ + q / kBoundGroup];
        column = std::min(column, arrays.columnMin[line * boundStride_ + q]);
      }
    }
  }

  // The smallest value of each line; the starting matrix counts as
  // written just before pass 1.
  arrays.rowSmallest.assign(static_cast<size_t>(n_), kNoPathDistance);
  arrays.columnSmallest.assign(static_cast<size_t>(n_), kNoPathDistance);
  for (int32_t i = 0; i < n_; ++i) {
    for (uint64_t k = 0; k < graph.pathCount(i); ++k) {
      const int32_t t = graph.pathsFrom(i)[k];
      arrays.rowSmallest[i] = std::min(arrays.rowSmallest[i], graph.lengthsFrom(i)[k]);
      arrays.columnSmallest[t] = std::min(arrays.columnSmallest[t], graph.lengthsFrom(i)[k]);
    }
  }
  arrays.rowWritten[0] = arrays.rowSmallest;
  arrays.columnWritten[0] = arrays.columnSmallest;
  arrays.rowWritten[1].assign(static_cast<size_t>(n_), kInfinity);
  arrays.columnWritten[1].assign(static_cast<size_t>(n_), kInfinity);

  // The paths by position, out of each waypoint and into each, for the
  // bars through the paths' ends (only with that option, which no tool
  // turns on: the memory check does not count these arrays).
  if (options.neighbourBars) {
    arrays.outBegin.assign(static_cast<size_t>(n_ + 1), 0);
    arrays.inBegin.assign(static_cast<size_t>(n_ + 1), 0);
    for (int32_t i = 0; i < n_; ++i) {
      arrays.outBegin[i + 1] = arrays.outBegin[i] + static_cast<int64_t>(graph.pathCount(i));
      for (uint64_t k = 0; k < graph.pathCount(i); ++k) ++arrays.inBegin[graph.pathsFrom(i)[k] + 1];
    }
    for (int64_t i = 0; i < n_; ++i) arrays.inBegin[i + 1] += arrays.inBegin[i];
    arrays.outPosition.resize(static_cast<size_t>(arrays.outBegin[n_]));
    arrays.inPosition.resize(static_cast<size_t>(arrays.inBegin[n_]));
    {
      std::vector<int64_t> fill(arrays.inBegin.begin(), arrays.inBegin.end() - 1);
      for (int32_t i = 0; i < n_; ++i) {
        for (uint64_t k = 0; k < graph.pathCount(i); ++k) {
          const int32_t t = graph.pathsFrom(i)[k];
          arrays.outPosition[arrays.outBegin[i] + k] = arrays.position[t];
          arrays.inPosition[fill[t]++] = arrays.position[i];
        }
      }
    }
  }

  // Considered cells: a route but no direct path.
  const uint64_t* route = reachability.words();
  const uint64_t* direct = graph.adjacency.words();
  for (uint64_t w = 0; w < (graph.cellCount + 63) / 64; ++w) {
    considered_ += __builtin_popcountll(route[w] & ~direct[w]);
  }

  for (int w = 0; w < threads_; ++w) {
    // Reserved once: a write never allocates, so a thread never throws.
    workers_[w].logRow.resize(logCapacity_);
    workers_[w].logColumn.resize(logCapacity_);
    workers_[w].logValue.resize(logCapacity_);
    workers_[w].mine.resize(logCapacity_);
    workers_[w].columnEnd.resize(static_cast<size_t>(n_));
    workers_[w].best.resize(static_cast<size_t>(paddedN_));
    workers_[w].through.resize(static_cast<size_t>(n_ * kSparseColumns));
    workers_[w].mineStart.resize(static_cast<size_t>(n_ + 1));
    workers_[w].throughRows.resize(static_cast<size_t>(n_ / 64 + 1));
    workers_[w].offeredRows.resize(static_cast<size_t>(n_ / 64 + 1));
    workers_[w].rowBuffer.assign(static_cast<size_t>(std::min(kGroupRows, n_) * rowStride_),
                                 kInfinity);
    workers_[w].inner.resize(static_cast<size_t>(kGroupRows * kGroupRows));
    // A register block's union of candidate blocks, then its cells' 16-bit
    // masks of candidates per group of blocks.
    workers_[w].scratch.resize(static_cast<size_t>(
        boundStride_ + kBoundGroup + kDenseCellsMax * (boundStride_ / kBoundGroup) / 2 + 1));
    workers_[w].chunkMinima.resize(static_cast<size_t>(kDenseChunksMax * kDenseCellsMax * 16));
  }

  // Dense passes: at most kDenseChunksMax chunks, of at least 256 positions.
  denseChunk_ = roundUp(std::max<int64_t>(256, (paddedN_ + kDenseChunksMax - 1) / kDenseChunksMax),
                        kBlockSize);
  changedOnly_ = options.changedOnly;
  view_ = view();
  // Two-thread sparse passes: thread 0 takes the first half of the rows in
  // whole 64-row words.
  split_ = roundUp(n_ / 2, 64);
  // Each thread's rows of a sparse pass: their smallest sums through their
  // own writes, over a group of columns.
  for (int w = 0; w < threads_; ++w) {
    const int64_t rows = !sparseOnTwoThreads() ? n_ : w == 0 ? split_ : n_ - split_;
    workers_[w].rowSums.resize(static_cast<size_t>(rows * kSparseColumns));
    workers_[w].rowVias.resize(static_cast<size_t>(rows * kSparseColumns));
  }
  lastNext_.resize(static_cast<size_t>(n_));
}

SweepView PathingSweep::view() {
  Arrays& arrays = arrays_;
  SweepView view;
  view.n = n_;
  view.paddedN = paddedN_;
  view.blocks = blocks_;
  view.boundStride = boundStride_;
  view.superStride = superStride_;
  view.pathing = arrays.pathing.data();
  view.via = arrays.via.data();
  view.order = arrays.order.data();
  view.position = arrays.position.data();
  view.rowMin = arrays.rowMin.data();
  view.columnMin = arrays.columnMin.data();
  view.rowTime = arrays.rowTime.data();
  view.columnTime = arrays.columnTime.data();
  view.rowSuperMin = arrays.rowSuperMin.data();
  view.columnSuperMin = arrays.columnSuperMin.data();
  view.rowSuperTime = arrays.rowSuperTime.data();
  view.columnSuperTime = arrays.columnSuperTime.data();
  view.rowLatest = arrays.rowLatest.data();
  view.columnLatest = arrays.columnLatest.data();
  view.rowSmallest = arrays.rowSmallest.data();
  view.columnSmallest = arrays.columnSmallest.data();
  for (int parity = 0; parity < 2; ++parity) {
    view.rowWritten[parity] = arrays.rowWritten[parity].data();
    view.columnWritten[parity] = arrays.columnWritten[parity].data();
  }
  view.outBegin = arrays.outBegin.data();
  view.outPosition = arrays.outPosition.data();
  view.inBegin = arrays.inBegin.data();
  view.inPosition = arrays.inPosition.data();
  view.keepsBounds = keepBounds_;
  view.numberingOrder = true;
  for (int64_t j = 0; j < n_; ++j) {
    view.numberingOrder = view.numberingOrder && arrays.order[j] == j;
  }
  return view;
}

bool PathingSweep::runPass() {
  ++passes_;
  PassSettings pass;
  // Times are pass * N + a row or column number in 32 bits. Should they
  // outgrow it (N passes of a map beyond 46340 waypoints), every cell is
  // evaluated from then on, which is always exact.
  if (passes_ * n_ + n_ > std::numeric_limits<int32_t>::max()) changedOnly_ = false;
  if (changedOnly_) {
    pass.previous = static_cast<int32_t>((passes_ - 1) * n_);
    pass.current = static_cast<int32_t>(passes_ * n_);
  }
  pass.parity = static_cast<int>(passes_ & 1);
  pass.denseChunk = denseChunk_;
  pass.blockBounds = options_.blockBounds;
  pass.changedOnly = changedOnly_;
  pass.viaThreshold = options_.viaThreshold;
  pass.neighbourBars = options_.neighbourBars;
  // The values this pass writes, beside the last pass's.
  std::fill(arrays_.rowWritten[pass.parity].begin(), arrays_.rowWritten[pass.parity].end(),
            kInfinity);
  std::fill(arrays_.columnWritten[pass.parity].begin(),
            arrays_.columnWritten[pass.parity].end(), kInfinity);

  pass.kind = choosePass();
  if (pass.kind == PassKind::kSparse) indexLastPass();
  for (Worker& worker : workers_) {
    worker.counts = PassCounts();
    worker.logCount = 0;
    worker.logFull = false;
  }
  const int64_t bands = (n_ + kGroupRows - 1) / kGroupRows;
  if (pass.kind == PassKind::kSparse) {
    runSparsePass(pass);
  } else if (threads_ < 2 || bands < 2) {
    runBands(workers_[0], pass, 0, 1, nullptr);
  } else {
    std::unique_ptr<std::atomic<int64_t>[]> done(new std::atomic<int64_t>[bands]);
    for (int64_t g = 0; g < bands; ++g) done[g].store(0, std::memory_order_relaxed);
    // The odd bands run on a helper thread (platform/helper_thread.h),
    // which maps its small stack and nothing else as long as runBands
    // allocates nothing: what the memory check counts for it
    // (analysis/run_memory.h). Without one, this thread runs every band.
    struct HelperWork {
      PathingSweep* sweep;
      const PassSettings* pass;
      std::atomic<int64_t>* done;
    } work{this, &pass, done.get()};
    platform::HelperThread helper;
    const bool started = helper.start(
        [](void* context) {
          const HelperWork& w = *static_cast<const HelperWork*>(context);
          w.sweep->runBands(w.sweep->workers_[1], *w.pass, 1, 2, w.done);
        },
        &work);
    if (started) {
      runBands(workers_[0], pass, 0, 2, done.get());
      helper.join();
    } else {
      runBands(workers_[0], pass, 0, 1, nullptr);
    }
  }

  earlierWrites_ = counts_.writes;
  counts_ = PassCounts();
  counts_.kind = pass.kind;
  counts_.considered = considered_;
  for (const Worker& worker : workers_) {
    counts_.due += worker.counts.due;
    counts_.evaluated += worker.counts.evaluated;
    counts_.skipped += worker.counts.skipped;
    counts_.scanned += worker.counts.scanned;
    counts_.registerBlocks += worker.counts.registerBlocks;
    counts_.offered += worker.counts.offered;
    counts_.writes += worker.counts.writes;
  }
  lastLogComplete_ = !workers_[0].logFull && !workers_[1].logFull;
  return counts_.writes > 0;
}

void PathingSweep::runBands(Worker& worker, const PassSettings& pass, int64_t first,
                            int64_t stride, std::atomic<int64_t>* done) {
  const int32_t previous = pass.previous;
  // A dense pass evaluates every considered cell: on the maps it runs on,
  // finding the cells none of whose operands changed costs more than it
  // saves.
  const bool changedOnly = pass.changedOnly && pass.kind != PassKind::kDense;
  const SweepView& view = view_;
  for (int64_t g = first; g * kGroupRows < n_; g += stride) {
    const int64_t a0 = g * kGroupRows;
    const int64_t rows = std::min(kGroupRows, n_ - a0);
    const uint64_t inBand = lowBits(rows);
    // Rows with a write in this pass or the last one: the only ones whose
    // own row can hold a changed operand. A row leaves the set once the
    // sweep has passed its last write of the last pass, and comes back
    // when this pass writes it.
    uint64_t recentRows = 0;
    for (int64_t k = 0; k < rows; ++k) {
      recentRows |= uint64_t(view.rowLatest[a0 + k] > previous) << k;
    }
    bool gathered = false;
    TileJob tile;
    tile.a0 = a0;
    tile.rows = rows;
    tile.rowBuffer = worker.rowBuffer.data();
    tile.rowStride = rowStride_;
    tile.inner = worker.inner.data();
    tile.scratch = worker.scratch.data();
    tile.chunkMinima = worker.chunkMinima.data();
    tile.logRow = worker.logRow.data();
    tile.logColumn = worker.logColumn.data();
    tile.logCapacity = static_cast<int64_t>(worker.logRow.size());
    tile.logCount = worker.logCount;
    for (int64_t b0 = 0; b0 < n_; b0 += kTileColumns) {
      tile.b0 = b0;
      tile.columns = std::min(kTileColumns, n_ - b0);
      if (done && g > 0) {
        // Wait for the band above to finish these columns.
        const int64_t needed = b0 + tile.columns;
        for (int spin = 0; done[g - 1].load(std::memory_order_acquire) < needed; ++spin) {
          if (spin > 64) std::this_thread::yield();
        }
      }
      uint64_t anyDue = 0;
      for (int64_t j = 0; j < tile.columns; ++j) {
        const int64_t b = b0 + j;
        const uint64_t cell = uint64_t(b) * uint64_t(n_) + uint64_t(a0);
        const uint64_t considered =
            reachability_.bitsFrom(cell) & ~graph_.adjacency.bitsFrom(cell) & inBand;
        uint64_t due = considered;
        if (changedOnly && considered) {
          // Column b written since a cell's evaluation one pass ago: at
          // rows below it in the last pass, or anywhere above it in this
          // one. Both mean a < columnLatest[b] - previous. (Writes in this
          // tile to the column make the rows below due in the kernel.)
          uint64_t rowsDue = lowBits(int64_t(view.columnLatest[b]) - previous - a0);
          const int32_t rowBar = previous + static_cast<int32_t>(b);
          for (uint64_t recent = recentRows; recent; recent &= recent - 1) {
            const int k = __builtin_ctzll(recent);
            if (view.rowLatest[a0 + k] > rowBar) {
              rowsDue |= uint64_t(1) << k;
            } else {
              recentRows &= ~(uint64_t(1) << k);
            }
          }
          due &= rowsDue;
        }
        tile.considered[j] = considered;
        tile.due[j] = due;
        anyDue |= due;
        worker.counts.due += __builtin_popcountll(due);
      }
      if (anyDue) {
        if (!gathered) {
          gatherRows(worker, a0, rows);
          gathered = true;
        }
        const int64_t writesBefore = tile.writes;
        kernels_.evaluateTile(view, pass, tile);
        if (tile.writes != writesBefore) {
          // A row written in this pass has a changed operand for every
          // column after its write (within the tile the kernel sees to it).
          for (uint64_t written = inBand & ~recentRows; written; written &= written - 1) {
            const int k = __builtin_ctzll(written);
            if (view.rowLatest[a0 + k] >= pass.current) recentRows |= uint64_t(1) << k;
          }
        }
      }
      if (done) done[g].store(b0 + tile.columns, std::memory_order_release);
    }
    worker.counts.evaluated += tile.evaluated;
    worker.counts.skipped += tile.skipped;
    worker.counts.scanned += tile.scanned;
    worker.counts.registerBlocks += tile.registerBlocks;
    worker.counts.writes += tile.writes;
    worker.logFull = worker.logFull || tile.logFull;
    worker.logCount = tile.logCount;
  }
}

bool PathingSweep::keepsBounds(const WaypointGraph& graph, FullPasses full) {
  switch (full) {
    case FullPasses::kBounded:
      return true;
    case FullPasses::kDense:
      return false;
    case FullPasses::kAuto:
    default: {
      // The rule the memory check counts by (run_memory.h), from the same
      // counts: paths whose two ends share a block of the map's numbering.
      uint64_t inside = 0;
      for (int32_t i = 0; i < graph.n; ++i) {
        const int32_t* targets = graph.pathsFrom(i);
        for (uint64_t k = 0; k < graph.pathCount(i); ++k) {
          inside += targets[k] / kBlockSize == i / kBlockSize;
        }
      }
      return pathingKeepsBounds(uint64_t(graph.pathEntryTotal), inside);
    }
  }
}

PassKind PathingSweep::choosePass() const {
  const PassKind full = keepBounds_ ? PassKind::kBounded : PassKind::kDense;
  // A sparse pass needs every write of the last pass to be known.
  if (passes_ <= 1 || !lastLogComplete_ || options_.sparse == SparsePasses::kNever) return full;
  if (options_.sparse == SparsePasses::kWhenAble) return PassKind::kSparse;
  const double last = static_cast<double>(counts_.writes);
  const double expected =
      last * std::min(1.0, last / static_cast<double>(std::max<int64_t>(1, earlierWrites_)));
  double sparseCost = (last + expected) * (keepBounds_ ? kBoundedSparseSumCost : kSparseSumCost);
  if (sparseOnTwoThreads()) sparseCost /= kSparseTwoThreadGain;
  const double fullCost = static_cast<double>(considered_) / threads_;
  return sparseCost <= fullCost ? PassKind::kSparse : full;
}

bool PathingSweep::sparseOnTwoThreads() const {
  // The halves are ranges of rows, and each thread offers sums to a range
  // of positions: the two are the same only in the map's own numbering.
  return threads_ == 2 && view_.numberingOrder && split_ > 0 && split_ < n_;
}

// Sorts the last pass's writes by column (counting sort over both threads'
// logs), each entry the position of its row, and by row, each entry its
// column and value. A row's writes are in one log in column order (a row
// belongs to one band or one half), so the stable sort by row keeps them
// in ascending column order.
void PathingSweep::indexLastPass() {
  lastStart_.assign(static_cast<size_t>(n_ + 1), 0);
  lastRowStart_.assign(static_cast<size_t>(n_ + 1), 0);
  size_t count = 0;
  for (const Worker& worker : workers_) {
    for (int64_t i = 0; i < worker.logCount; ++i) {
      ++lastStart_[worker.logColumn[i] + 1];
      ++lastRowStart_[worker.logRow[i] + 1];
    }
    count += static_cast<size_t>(worker.logCount);
  }
  for (int64_t k = 0; k < n_; ++k) {
    lastStart_[k + 1] += lastStart_[k];
    lastRowStart_[k + 1] += lastRowStart_[k];
  }
  lastPosition_.resize(count);
  lastRowColumn_.resize(count);
  lastRowValue_.resize(count);
  std::vector<int64_t> byColumn(lastStart_.begin(), lastStart_.end() - 1);
  std::vector<int64_t> byRow(lastRowStart_.begin(), lastRowStart_.end() - 1);
  for (const Worker& worker : workers_) {
    for (int64_t i = 0; i < worker.logCount; ++i) {
      const int32_t row = worker.logRow[i];
      const int32_t column = worker.logColumn[i];
      lastPosition_[byColumn[column]++] = arrays_.position[row];
      const int64_t at = byRow[row]++;
      lastRowColumn_[at] = column;
      // The cell still holds what the last pass wrote.
      lastRowValue_[at] = value(row, column);
    }
  }
}

// A sparse pass: only the sums whose operands changed.
//
// The operands written since the evaluation of a->b one pass ago are
// (pathing_sweep.h):
//   (1) column b at rows m > a and (2) row a at columns m > b, written in
//       the last pass;
//   (3) row a at columns m < b and (4) column b at rows m < a, written in
//       this pass.
// A sparse pass offers each cell only the sums through those m, so its
// cost follows the number of writes, not N^3. A few more sums do no harm:
// a sum through any m formed from values the cell could read is one of
// its candidates, and a sum formed from a value that has since fallen
// (values only fall) is no smaller than the candidate through the same m
// with the current value, which is offered too whenever it differs: a
// value m->b that falls before a->b is evaluated is a write of (4), and a
// value a->m one of (3).
//
// It walks the cells column by column (b outer, a inner), an order that
// gives the plain sweep's values: a cell reads only its row and its
// column, and both orders evaluate the cells of one row in ascending b and
// the cells of one column in ascending a.
// - (1) and (4) are whole columns of the pathing block (m's column plus one
//   number), offered to every row at once by a vector kernel (rows above
//   the one written are done with the column and ignore them), as 64-bit
//   keys (sumKey) per position.
// - (2) and (3) are one row of the matrix per write a->m: the sums
//   pathing a->m + m->b over the columns b. The columns are taken in
//   groups of kSparseColumns; at the start of a group the engine copies
//   the group's columns transposed (pathing m->b for every m, the group's
//   b side by side) and offers each row a's writes through m, as a vector
//   over the group's columns: the last pass's writes in columns m at or
//   after the group, and this pass's writes before it. These are taken in
//   ascending m, so a strict "less than" keeps the lowest m among equal
//   sums, as the keys do. The copy is at least as old as each cell's
//   evaluation, so its values are the current ones or higher (see above).
//   This pass's writes inside the group, before b, are offered one sum
//   each from the column itself.
// A cell's smallest sum is the smaller key of the two.
//
// Two threads (in the map's own numbering, where rows and positions are
// the same ranges): thread 0 takes the rows below split_, thread 1 the
// rest, and thread 1 starts a group of columns only after thread 0 has
// finished it, so it finds the columns' upper rows as the plain sweep
// leaves them; it offers thread 0's writes in each column, read from
// thread 0's log, to its own rows as (4). Each thread offers sums to its
// own rows only, so the vector kernels split too. What each thread reads
// and writes:
// - its own rows of every column (cells, via entries, per-row values,
//   lists of this pass's writes) and its own log, copies and best sums,
//   which the other thread never touches;
// - the group's columns at thread 0's rows, written by thread 0 before it
//   stores columnsDone past them (release) and read by thread 1 after it
//   loads that (acquire); thread 1 writes those columns only after that,
//   while thread 0 works on later groups, whose lower rows thread 1 has not
//   reached; per-column values likewise;
// - the last pass's index, read only.
//
// Should a log fill up, that thread evaluates the rest of its cells by
// summing every intermediate (and thread 1 does the same from the group in
// which thread 0's log filled up, since it can't offer thread 0's writes
// from then on); the next pass is then not sparse.
void PathingSweep::runSparsePass(const PassSettings& pass) {
  const int halves = sparseOnTwoThreads() ? 2 : 1;
  if (halves == 1) {
    runSparseRows(workers_[0], pass, 0, 1);
    return;
  }
  sparseColumnsDone_.store(0, std::memory_order_relaxed);
  sparseFirstLogFull_.store(false, std::memory_order_relaxed);
  struct HelperWork {
    PathingSweep* sweep;
    const PassSettings* pass;
  } work{this, &pass};
  platform::HelperThread helper;
  const bool started = helper.start(
      [](void* context) {
        const HelperWork& w = *static_cast<const HelperWork*>(context);
        w.sweep->runSparseRows(w.sweep->workers_[1], *w.pass, 1, 2);
      },
      &work);
  runSparseRows(workers_[0], pass, 0, 2);
  if (started) {
    helper.join();
  } else {
    runSparseRows(workers_[1], pass, 1, 2);
  }
}

void PathingSweep::runSparseRows(Worker& worker, const PassSettings& pass, int half,
                                 int halves) {
  constexpr int64_t G = kSparseColumns;
  float* pathing = arrays_.pathing.data();
  const int32_t* position = arrays_.position.data();
  const int32_t* order = arrays_.order.data();
  // Rows [first, end); on two threads they are positions [first, end) too,
  // on one every position is this thread's.
  const int64_t first = half == 1 ? split_ : 0;
  const int64_t end = halves == 2 && half == 0 ? split_ : n_;
  uint64_t* best = worker.best.data() + first;
  const int64_t span = end - first;
  float* through = worker.through.data();
  float* rowSums = worker.rowSums.data();
  int32_t* rowVias = worker.rowVias.data();
  const Worker& upper = workers_[0];
  const bool numbering = view_.numberingOrder;
  const int64_t capacity =
      options_.sparseLogLimitForTests > 0
          ? std::min<int64_t>(options_.sparseLogLimitForTests, int64_t(worker.logRow.size()))
          : static_cast<int64_t>(worker.logRow.size());
  int64_t count = 0;
  int64_t offered = 0;
  int64_t writes = 0;
  bool scanning = false;
  for (int64_t a = first; a < end; ++a) lastNext_[a] = lastRowStart_[a];
  for (int64_t b0 = 0; b0 < n_; b0 += G) {
    const int64_t b1 = std::min(n_, b0 + G);
    if (half == 1) {
      int spin = 0;
      while (sparseColumnsDone_.load(std::memory_order_acquire) < b1) {
        if (++spin > 64) std::this_thread::yield();
      }
      if (sparseFirstLogFull_.load(std::memory_order_relaxed)) scanning = true;
    }
    if (scanning) {
      for (int64_t b = b0; b < b1; ++b) scanColumn(worker, pass, b, first, end);
      if (half == 0 && halves == 2) sparseColumnsDone_.store(b1, std::memory_order_release);
      continue;
    }
    // This thread's writes so far by row (a counting sort of its log, which
    // is in column order, so each row's writes stay in ascending m).
    int64_t* mineStart = worker.mineStart.data();
    std::fill(mineStart, mineStart + span + 1, 0);
    for (int64_t i = 0; i < count; ++i) ++mineStart[worker.logRow[i] - first + 1];
    for (int64_t k = 0; k < span; ++k) mineStart[k + 1] += mineStart[k];
    for (int64_t i = 0; i < count; ++i) {
      worker.mine[mineStart[worker.logRow[i] - first]++] = static_cast<int32_t>(i);
    }
    // (mineStart[k] now ends row first + k's writes.) The rows with writes
    // to offer over this group (bit k: row first + k), whose sums through
    // them are kept, and the rows any sum reaches in this group: those, and
    // the rows this thread writes in the group (step (3) inside it).
    uint64_t* throughRows = worker.throughRows.data();
    uint64_t* offeredRows = worker.offeredRows.data();
    const int64_t words = (span + 63) / 64;
    std::fill(throughRows, throughRows + words, 0);
    bool anyThrough = false;
    for (int64_t a = first; a < end; ++a) {
      int64_t i = lastNext_[a];
      while (i < lastRowStart_[a + 1] && lastRowColumn_[i] < b0) ++i;
      lastNext_[a] = i;
      const int64_t k = a - first;
      if (i < lastRowStart_[a + 1] || mineStart[k] > (k > 0 ? mineStart[k - 1] : 0)) {
        throughRows[k / 64] |= uint64_t(1) << (k % 64);
        anyThrough = true;
      }
    }
    std::copy(throughRows, throughRows + words, offeredRows);
    if (anyThrough) {
      // The group's columns, transposed: through[m * G + j] = pathing m->(b0 + j).
      for (int64_t m = 0; m < n_; ++m) {
        const int32_t p = position[m];
        float* out = through + m * G;
        for (int64_t j = 0; j < b1 - b0; ++j) out[j] = pathing[(b0 + j) * paddedN_ + p];
      }
    }
    // (3) before the group and (2): each row's writes, in ascending m.
    for (int64_t w = 0; w < words; ++w) {
      for (uint64_t bits = throughRows[w]; bits; bits &= bits - 1) {
        const int64_t k = w * 64 + __builtin_ctzll(bits);
        const int64_t a = first + k;
        float* sums = rowSums + k * G;
        int32_t* vias = rowVias + k * G;
        std::fill(sums, sums + G, kInfinity);
        const int64_t from = k > 0 ? mineStart[k - 1] : 0;
        const int64_t mine = mineStart[k] - from;
        if (mine > 0) {
          kernels_.offerRow(through, worker.logColumn.data(), worker.logValue.data(),
                            worker.mine.data() + from, mine, sums, vias);
        }
        const int64_t i = lastNext_[a];
        const int64_t last = lastRowStart_[a + 1] - i;
        if (last > 0) {
          kernels_.offerRow(through, lastRowColumn_.data() + i, lastRowValue_.data() + i,
                            nullptr, last, sums, vias);
        }
        offered += (mine + last) * (b1 - b0);
      }
    }
    const int64_t groupStart = count;
    for (int64_t b = b0; b < b1 && !scanning; ++b) {
      const int64_t j = b - b0;
      float* column = pathing + b * paddedN_;
      // Rows [first, first + reached) had sums offered through a column
      // (in another order than the map's own numbering, every row has once
      // any has).
      int64_t reached = 0;
      const int64_t upperFrom = half == 1 ? (b > 0 ? upper.columnEnd[b - 1] : 0) : 0;
      const int64_t upperTo = half == 1 ? upper.columnEnd[b] : 0;
      if (upperTo > upperFrom) reached = span;
      for (int64_t i = lastStart_[b]; i < lastStart_[b + 1] && reached < span; ++i) {
        reached = numbering ? std::max<int64_t>(reached, std::min<int64_t>(span, order[lastPosition_[i]] - first))
                            : span;
      }
      bool anyOffered = reached > 0 || count > groupStart;
      for (int64_t w = 0; w < words && !anyOffered; ++w) anyOffered = offeredRows[w] != 0;
      if (!anyOffered) {
        // No operand of this column's cells changed at this thread's rows.
        worker.columnEnd[b] = count;
        if (half == 0 && halves == 2) sparseColumnsDone_.store(b + 1, std::memory_order_release);
        continue;
      }
      std::fill(best, best + span, UINT64_MAX);
      // (1): rows m of column b written in the last pass, to the rows above
      // m (below it the write came before the cell's last evaluation). In
      // the map's own numbering those are the positions before m; in
      // another, the sums go to every row.
      for (int64_t i = lastStart_[b]; i < lastStart_[b + 1]; ++i) {
        const int32_t p = lastPosition_[i];
        const int32_t m = order[p];
        const int64_t rows = numbering ? std::min<int64_t>(span, m - first) : span;
        if (rows <= 0) continue;
        kernels_.pushSums(pathing + m * paddedN_ + first, column[p], m, best, rows);
        offered += rows;
      }
      // (3) inside the group: this thread's writes a->m with b0 <= m < b.
      for (int64_t i = groupStart; i < count; ++i) {
        const int32_t m = worker.logColumn[i];
        const int32_t row = worker.logRow[i];
        const uint64_t key = sumKey(worker.logValue[i] + column[position[m]], m);
        uint64_t& slot = best[position[row] - first];
        slot = key < slot ? key : slot;
      }
      offered += count - groupStart;
      // (4), from thread 0: its writes in column b, to this thread's rows.
      for (int64_t i = upperFrom; i < upperTo; ++i) {
        const int32_t m = upper.logRow[i];
        kernels_.pushSums(pathing + m * paddedN_ + first, upper.logValue[i], m, best, span);
      }
      offered += (upperTo - upperFrom) * span;
      // The cells, of the rows some sum reached; a write opens the rows
      // after it (step (4) below).
      int64_t openFrom = reached >= span ? first : end;
      for (int64_t a0 = first; a0 < end; a0 += 64) {
        const uint64_t cell = uint64_t(b) * uint64_t(n_) + uint64_t(a0);
        const uint64_t considered = reachability_.bitsFrom(cell) &
                                    ~graph_.adjacency.bitsFrom(cell) & lowBits(end - a0);
        const int64_t k0 = a0 - first;
        const uint64_t throughWord = throughRows[k0 / 64];
        uint64_t pending = considered & (offeredRows[k0 / 64] | lowBits(reached - k0) |
                                         ~lowBits(openFrom - a0));
        while (pending) {
          const int bit = __builtin_ctzll(pending);
          pending &= pending - 1;
          const int32_t a = static_cast<int32_t>(a0 + bit);
          const int32_t p = position[a];
          const int64_t r = (a - first) * G + j;
          const uint64_t rowKey =
              (throughWord >> bit) & 1 ? sumKey(rowSums[r], rowVias[r]) : UINT64_MAX;
          const uint64_t key = std::min(best[p - first], rowKey);
          // The smallest sum is below the value (an untouched slot never is).
          if (!(uint32_t(key >> 32) < floatBits(column[p]))) continue;
          const float written = keySum(key);
          column[p] = written;
          arrays_.via[a + b * n_] = static_cast<int16_t>(keyWaypoint(key));
          noteWrite(pass, a, static_cast<int32_t>(b), written);
          ++writes;
          if (count < capacity) {
            worker.logRow[count] = a;
            worker.logColumn[count] = static_cast<int32_t>(b);
            worker.logValue[count] = written;
            ++count;
          } else {
            worker.logFull = true;
          }
          offeredRows[(a - first) / 64] |= uint64_t(1) << ((a - first) % 64);
          // (4): the new value is an operand of the cells below it. On two
          // threads those are the positions after p; on one, positions are
          // in any order and the sums go to every row.
          const int64_t from = halves == 2 ? p + 1 - first : 0;
          kernels_.pushSums(pathing + int64_t(a) * paddedN_ + first + from, written, a,
                            best + from, span - from);
          offered += span - from;
          openFrom = std::min<int64_t>(openFrom, numbering ? a + 1 : first);
          pending |= considered & ~lowBits(bit + 1);
        }
      }
      worker.columnEnd[b] = count;
      if (worker.logFull) {
        // The rest of the pass sums every intermediate.
        scanning = true;
        for (int64_t rest = b + 1; rest < b1; ++rest) {
          scanColumn(worker, pass, rest, first, end);
        }
      }
      if (half == 0 && halves == 2) {
        if (worker.logFull) sparseFirstLogFull_.store(true, std::memory_order_relaxed);
        sparseColumnsDone_.store(scanning ? b1 : b + 1, std::memory_order_release);
      }
    }
  }
  if (half == 0 && halves == 2) sparseColumnsDone_.store(n_, std::memory_order_release);
  worker.logCount = count;
  worker.counts.offered += offered;
  worker.counts.writes += writes;
}

void PathingSweep::scanColumn(Worker& worker, const PassSettings& pass, int64_t b,
                              int64_t first, int64_t end) {
  float* column = arrays_.pathing.data() + b * paddedN_;
  for (int64_t a0 = first; a0 < end; a0 += 64) {
    const uint64_t cell = uint64_t(b) * uint64_t(n_) + uint64_t(a0);
    uint64_t considered = reachability_.bitsFrom(cell) & ~graph_.adjacency.bitsFrom(cell) &
                          lowBits(end - a0);
    for (; considered; considered &= considered - 1) {
      const int32_t a = static_cast<int32_t>(a0 + __builtin_ctzll(considered));
      const int32_t p = arrays_.position[a];
      float least = column[p];
      int32_t leastVia = -1;
      for (int32_t m = 0; m < n_; ++m) {
        const float sum = value(a, m) + column[arrays_.position[m]];
        if (sum < least) least = sum, leastVia = m;
      }
      worker.counts.offered += n_;
      if (leastVia < 0) continue;
      column[p] = least;
      arrays_.via[a + b * n_] = static_cast<int16_t>(leastVia);
      noteWrite(pass, a, static_cast<int32_t>(b), least);
      ++worker.counts.writes;
    }
  }
}

void PathingSweep::noteWrite(const PassSettings& pass, int32_t a, int32_t b, float written) {
  Arrays& arrays = arrays_;
  const int32_t rowStamp = pass.current + b;
  const int32_t columnStamp = pass.current + a;
  arrays.rowLatest[a] = rowStamp;
  arrays.columnLatest[b] = columnStamp;
  arrays.rowSmallest[a] = std::min(arrays.rowSmallest[a], written);
  arrays.columnSmallest[b] = std::min(arrays.columnSmallest[b], written);
  arrays.rowWritten[pass.parity][a] = std::min(arrays.rowWritten[pass.parity][a], written);
  arrays.columnWritten[pass.parity][b] = std::min(arrays.columnWritten[pass.parity][b], written);
  if (!keepBounds_) return;
  const int64_t blockA = arrays.position[a] / kBlockSize;
  const int64_t blockB = arrays.position[b] / kBlockSize;
  float& rowMin = arrays.rowMin[a * boundStride_ + blockB];
  rowMin = std::min(rowMin, written);
  float& columnMin = arrays.columnMin[b * boundStride_ + blockA];
  columnMin = std::min(columnMin, written);
  arrays.rowTime[a * boundStride_ + blockB] = rowStamp;
  arrays.columnTime[b * boundStride_ + blockA] = columnStamp;
  if (superStride_ > 0) {
    const int64_t rowSuper = a * superStride_ + blockB / kBoundGroup;
    const int64_t columnSuper = b * superStride_ + blockA / kBoundGroup;
    arrays.rowSuperMin[rowSuper] = std::min(arrays.rowSuperMin[rowSuper], written);
    arrays.columnSuperMin[columnSuper] = std::min(arrays.columnSuperMin[columnSuper], written);
    arrays.rowSuperTime[rowSuper] = rowStamp;
    arrays.columnSuperTime[columnSuper] = columnStamp;
  }
}

// The pathing block is read column after column, in memory order, and each
// column's cells at the band's rows are put in place in the row buffer
// (which stays in the second-level cache). Positions past N hold
// +infinity from the start and are never written.
void PathingSweep::gatherRows(Worker& worker, int64_t a0, int64_t rows) const {
  const float* pathing = arrays_.pathing.data();
  const int32_t* order = arrays_.order.data();
  int32_t at[kGroupRows];
  for (int64_t k = 0; k < rows; ++k) at[k] = arrays_.position[a0 + k];
  float* buffer = worker.rowBuffer.data();
  // A block transpose: 16 positions at a time, so the reads stay within a
  // few cache lines of 16 columns and the writes are whole cache lines.
  for (int64_t j0 = 0; j0 < n_; j0 += kBlockSize) {
    const int64_t j1 = std::min(n_, j0 + kBlockSize);
    const float* column[kBlockSize];
    for (int64_t j = j0; j < j1; ++j) column[j - j0] = pathing + order[j] * paddedN_;
    for (int64_t k = 0; k < rows; ++k) {
      float* out = buffer + k * rowStride_ + j0;
      const int32_t from = at[k];
      for (int64_t j = 0; j < j1 - j0; ++j) out[j] = column[j][from];
    }
  }
  // The band's own block: its rows at the band's waypoints.
  for (int64_t k = 0; k < kGroupRows; ++k) {
    float* inner = worker.inner.data() + k * kGroupRows;
    const float* row = buffer + k * rowStride_;
    for (int64_t m = 0; m < kGroupRows; ++m) {
      inner[m] = k < rows && m < rows ? row[at[m]] : kInfinity;
    }
  }
}

std::vector<float> PathingSweep::pathing() const {
  std::vector<float> cells(static_cast<size_t>(n_ * n_));
  for (int64_t b = 0; b < n_; ++b) {
    for (int64_t a = 0; a < n_; ++a) cells[a + b * n_] = value(a, b);
  }
  return cells;
}

// Puts the rows back in the report's order and drops the padding, in
// place: column b moves to offset b * N, never past its own old place, so
// it is copied out through one column of scratch before being written.
std::vector<float> PathingSweep::takePathing() {
  std::vector<float> column(static_cast<size_t>(n_));
  float* pathing = arrays_.pathing.data();
  for (int64_t b = 0; b < n_; ++b) {
    const float* from = pathing + b * paddedN_;
    for (int64_t a = 0; a < n_; ++a) column[a] = from[arrays_.position[a]];
    std::memcpy(pathing + b * n_, column.data(), column.size() * sizeof(float));
  }
  arrays_.pathing.resize(static_cast<size_t>(n_ * n_));
  return std::move(arrays_.pathing);
}

}  // namespace tessivar
