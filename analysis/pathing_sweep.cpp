#include "analysis/pathing_sweep.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "analysis/pathing.h"

namespace tessivar {

namespace {

// A pass is run sparse when the last one wrote at most one cell in this
// many of the evaluated cells: then a few scalar sums per cell cost less
// than a vectorised scan of all N intermediates.
constexpr int64_t kSparseRatio = 256;

// Change-log entries kept per waypoint (O(N) memory in all).
constexpr size_t kLogEntriesPerWaypoint = 64;

}  // namespace

PathingSweep::PathingSweep(const WaypointGraph& graph,
                           const std::vector<uint8_t>& reachability,
                           const PathingSweepOptions& options)
    : graph_(graph),
      reachability_(reachability),
      kernels_(pathingKernels(options.kernel)),
      passChoice_(options.passChoice),
      n_(graph.n),
      // The edge length matrix holds the no-path distance wherever there is
      // no direct path: the pathing block's starting value.
      pathing_(graph.edgeLength),
      via_(graph.cellCount, kNoIntermediate),
      rowStride_(std::max<int64_t>(16, (n_ + 15) & ~int64_t(15))),
      rowBuffer_(static_cast<size_t>(std::min(kTileRows, n_) * rowStride_)),
      considered_(static_cast<size_t>(n_)),
      logCapacity_(kLogEntriesPerWaypoint * static_cast<size_t>(n_) + 1024),
      columnHead_(static_cast<size_t>(n_), -1) {
  for (uint64_t cell = 0; cell < graph.cellCount; ++cell) {
    consideredCells_ += !graph.adjacency[cell] && reachability[cell];
  }
}

bool PathingSweep::runPass() {
  const bool sparse = chooseSparse();
  if (sparse) indexLastPass();
  writeRow_.clear();
  writeColumn_.clear();
  writeNext_.clear();
  std::fill(columnHead_.begin(), columnHead_.end(), -1);
  logComplete_ = true;
  passWrites_ = 0;
  if (sparse) {
    runSparsePass();
  } else {
    runDensePass();
  }
  ++passes_;
  lastSparse_ = sparse;
  return passWrites_ > 0;
}

bool PathingSweep::chooseSparse() const {
  // A sparse pass needs every cell of the last pass to have been evaluated
  // and every write of it to be known.
  if (passes_ == 0 || !logComplete_) return false;
  switch (passChoice_) {
    case PassChoice::kAlwaysDense:
      return false;
    case PassChoice::kSparseWhenAble:
      return true;
    case PassChoice::kAuto:
    default:
      return passWrites_ * kSparseRatio <= consideredCells_;
  }
}

// 1 in each byte of `bytes` that is not 0, else 0.
static inline uint64_t nonZeroBytes(uint64_t bytes) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  return ((((bytes & kLow7) + kLow7) | bytes) >> 7) & 0x0101010101010101ull;
}

bool PathingSweep::markConsidered(int64_t a0, int64_t rows) {
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
    considered_[b] = mask;
    any |= mask;
  }
  return any != 0;
}

// A block transpose: 16 columns of the group's rows at a time, so the
// reads stay within a few cache lines and the writes are contiguous.
void PathingSweep::gatherRows(int64_t a0, int64_t rows) {
  constexpr int64_t kBlock = 16;
  for (int64_t m0 = 0; m0 < n_; m0 += kBlock) {
    const int64_t m1 = std::min(n_, m0 + kBlock);
    for (int64_t k = 0; k < rows; ++k) {
      float* out = rowBuffer_.data() + k * rowStride_;
      const float* in = pathing_.data() + a0 + k;
      for (int64_t m = m0; m < m1; ++m) out[m] = in[m * n_];
    }
  }
}

void PathingSweep::recordWrite(int32_t a, int32_t b) {
  ++passWrites_;
  if (!logComplete_) return;
  if (writeRow_.size() == logCapacity_) {
    logComplete_ = false;
    return;
  }
  writeRow_.push_back(a);
  writeColumn_.push_back(b);
  writeNext_.push_back(columnHead_[b]);
  columnHead_[b] = static_cast<int32_t>(writeRow_.size() - 1);
}

// Sorts the last pass's writes by row and by column (counting sorts, which
// keep the order written: ascending b within a row and ascending a within
// a column, because a pass writes each row from left to right and each
// column from top to bottom).
void PathingSweep::indexLastPass() {
  const size_t count = writeRow_.size();
  rowStart_.assign(static_cast<size_t>(n_ + 1), 0);
  columnStart_.assign(static_cast<size_t>(n_ + 1), 0);
  for (size_t i = 0; i < count; ++i) {
    ++rowStart_[writeRow_[i] + 1];
    ++columnStart_[writeColumn_[i] + 1];
  }
  for (int64_t i = 0; i < n_; ++i) {
    rowStart_[i + 1] += rowStart_[i];
    columnStart_[i + 1] += columnStart_[i];
  }
  byRow_.resize(count);
  byColumn_.resize(count);
  std::vector<int64_t> rowFill(rowStart_.begin(), rowStart_.end() - 1);
  std::vector<int64_t> columnFill(columnStart_.begin(), columnStart_.end() - 1);
  for (size_t i = 0; i < count; ++i) {
    byRow_[rowFill[writeRow_[i]]++] = writeColumn_[i];
    byColumn_[columnFill[writeColumn_[i]]++] = writeRow_[i];
  }
}

void PathingSweep::runDensePass() {
  for (int64_t a0 = 0; a0 < n_; a0 += kTileRows) {
    const int64_t rows = std::min(kTileRows, n_ - a0);
    if (!markConsidered(a0, rows)) continue;
    gatherRows(a0, rows);
    PathingTile tile;
    tile.n = n_;
    tile.pathing = pathing_.data();
    tile.via = via_.data();
    tile.rowBuffer = rowBuffer_.data();
    tile.rowStride = rowStride_;
    tile.a0 = a0;
    tile.rows = rows;
    tile.considered = considered_.data();
    for (int64_t b0 = 0; b0 < n_; b0 += kTileColumns) {
      const int64_t columns = std::min(kTileColumns, n_ - b0);
      uint64_t any = 0;
      for (int64_t j = 0; j < columns; ++j) any |= considered_[b0 + j];
      if (!any) continue;
      tile.b0 = b0;
      tile.columns = columns;
      kernels_.evaluateTile(tile);
      for (int32_t w = 0; w < tile.writes; ++w) {
        recordWrite(tile.writtenRow[w], tile.writtenColumn[w]);
      }
    }
  }
}

// A sparse pass: skipping work that provably cannot change anything.
//
// When a cell is evaluated, its value afterwards is no larger than every
// sum it saw (it takes the smallest sum when that is below its value).
// Only the cell's own evaluation writes it. So at its next evaluation, one
// pass later, a sum whose two operands have not been written since cannot
// be below the cell's value; and a sum that is below it cannot tie with
// such a sum either, so the lowest m among the new sums is the lowest m
// overall. The operands written since the cell's last evaluation at
// (a, b) of the last pass are exactly: row a at columns m > b and column
// b at rows m > a, written in the last pass; row a at columns m < b and
// column b at rows m < a, written in this pass. (The sums through m = a
// and m = b use the cell itself and can never be below it.) A sparse pass
// evaluates every cell over those intermediates only, which are known from
// the change log of the last pass and of this one. Should this pass's log
// overflow, the remaining cells scan all intermediates, which is always
// exact, and the next pass is dense.
void PathingSweep::runSparsePass() {
  std::vector<int64_t> columnCursor(columnStart_.begin(), columnStart_.end() - 1);
  std::vector<int32_t> rowWrites;
  rowWrites.reserve(static_cast<size_t>(n_));
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  for (int64_t a0 = 0; a0 < n_; a0 += kTileRows) {
    const int64_t rows = std::min(kTileRows, n_ - a0);
    if (!markConsidered(a0, rows)) continue;
    gatherRows(a0, rows);
    for (int64_t k = 0; k < rows; ++k) {
      const int64_t a = a0 + k;
      float* row = rowBuffer_.data() + k * rowStride_;
      rowWrites.clear();
      int64_t rowNext = rowStart_[a];
      const int64_t rowEnd = rowStart_[a + 1];
      for (int64_t b = 0; b < n_; ++b) {
        if (!((considered_[b] >> k) & 1)) continue;
        while (rowNext < rowEnd && byRow_[rowNext] <= b) ++rowNext;
        const float* column = pathing_.data() + cellIndex(0, b, n_);
        const float value = row[b];
        float best = kInfinity;
        int32_t bestM = -1;
        if (logComplete_) {
          auto consider = [&](int32_t m) {
            const float sum = row[m] + column[m];
            if (sum < best || (sum == best && m < bestM)) {
              best = sum;
              bestM = m;
            }
          };
          for (int64_t i = rowNext; i < rowEnd; ++i) consider(byRow_[i]);
          for (int32_t m : rowWrites) consider(m);
          int64_t& columnNext = columnCursor[b];
          const int64_t columnEnd = columnStart_[b + 1];
          while (columnNext < columnEnd && byColumn_[columnNext] <= a) ++columnNext;
          for (int64_t i = columnNext; i < columnEnd; ++i) consider(byColumn_[i]);
          for (int32_t i = columnHead_[b]; i >= 0; i = writeNext_[i]) {
            consider(writeRow_[i]);
          }
        } else {
          best = kernels_.minSum(row, column, 0, n_);
          if (best < value) {
            bestM = static_cast<int32_t>(kernels_.firstSumEqual(row, column, n_, best));
          }
        }
        if (!(best < value)) continue;
        pathing_[cellIndex(a, b, n_)] = best;
        row[b] = best;
        via_[cellIndex(a, b, n_)] = bestM;
        rowWrites.push_back(static_cast<int32_t>(b));
        recordWrite(static_cast<int32_t>(a), static_cast<int32_t>(b));
      }
    }
  }
}

}  // namespace tessivar
