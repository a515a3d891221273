#include "analysis/reachability_sweep.h"

namespace tessivar {

ReachabilitySweep::ReachabilitySweep(const WaypointGraph& graph,
                                     KernelPath kernel)
    : kernels_(pathingKernels(kernel)), n_(graph.n), words_((graph.n + 63) / 64) {
  bits_.assign(static_cast<size_t>(2 * n_ * words_), 0);
  for (int32_t m = 0; m < n_; ++m) {
    const int32_t* targets = graph.pathsFrom(m);
    for (uint64_t k = 0; k < graph.pathCount(m); ++k) {
      const int64_t b = targets[k];
      row(m)[b >> 6] |= uint64_t(1) << (b & 63);
      column(b)[m >> 6] |= uint64_t(1) << (m & 63);
    }
  }
  // The count starts at the distinct direct pairs, so a path listed twice
  // in the file is counted once.
  for (int64_t a = 0; a < n_; ++a) {
    for (int64_t w = 0; w < words_; ++w) count_ += __builtin_popcountll(row(a)[w]);
  }
}

// Bit-parallel search: some m has a->m and m->b exactly when the AND of
// row a and column b is not empty. Both vectors hold every cell set so far
// in this pass (each set updates its row and its column at once), so the
// search sees what the cell-by-cell scan would see; which m the scan would
// find first does not matter, only whether there is one. The row kernels
// (pathing_tile_kernel.inc, closeRowT) visit the unset cells of row a in
// order of b.
bool ReachabilitySweep::runPass() {
  const int64_t before = count_;
  uint64_t* columns = bits_.data() + n_ * words_;
  for (int64_t a = 0; a < n_; ++a) {
    // A row with no cell set can't gain one: every cell it could set
    // needs some a->m already known. Orphans, traps and maps with few
    // paths skip the whole row's searches.
    const uint64_t* rowA = row(a);
    bool empty = true;
    for (int64_t w = 0; w < words_ && empty; ++w) empty = rowA[w] == 0;
    if (empty) continue;
    count_ += kernels_.closeRow(row(a), columns, n_, words_, a);
  }
  return count_ != before;
}

bool ReachabilitySweep::reachable(int64_t a, int64_t b) const {
  return (bits_[a * words_ + (b >> 6)] >> (b & 63)) & 1;
}

// Column b's bits are cells m->b over m, which are bits b * N to b * N + N - 1
// of the result: each column is copied in at its bit offset, a word at a
// time.
CellBits ReachabilitySweep::matrix() const {
  CellBits cells;
  cells.assign(uint64_t(n_) * uint64_t(n_));
  uint64_t* out = cells.words();
  for (int64_t b = 0; b < n_; ++b) {
    const uint64_t* columnB = bits_.data() + (n_ + b) * words_;
    const uint64_t start = uint64_t(b) * uint64_t(n_);
    for (int64_t w = 0; w < words_; ++w) {
      uint64_t bits = columnB[w];
      if (!bits) continue;
      const uint64_t at = start + uint64_t(w) * 64;
      const unsigned shift = at & 63;
      out[at >> 6] |= bits << shift;
      // Bits past N in the column's last word are clear, so the spill
      // never reaches the next column's cells or past the end.
      if (shift != 0 && (bits >> (64 - shift)) != 0) out[(at >> 6) + 1] |= bits >> (64 - shift);
    }
  }
  return cells;
}

}  // namespace tessivar
