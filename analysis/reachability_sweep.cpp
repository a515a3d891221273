#include "analysis/reachability_sweep.h"

namespace tessivar {

ReachabilitySweep::ReachabilitySweep(const WaypointGraph& graph,
                                     KernelPath kernel)
    : kernels_(pathingKernels(kernel)), n_(graph.n), words_((graph.n + 63) / 64) {
  bits_.assign(static_cast<size_t>(2 * n_ * words_), 0);
  // Column b is contiguous in the adjacency matrix: cells m->b at m + b*N.
  for (int64_t b = 0; b < n_; ++b) {
    const uint8_t* cells = graph.adjacency.data() + cellIndex(0, b, n_);
    for (int64_t m = 0; m < n_; ++m) {
      if (!cells[m]) continue;
      column(b)[m >> 6] |= uint64_t(1) << (m & 63);
      row(m)[b >> 6] |= uint64_t(1) << (b & 63);
      // The count starts at the distinct direct pairs, so a path listed
      // twice in the file is counted once.
      ++count_;
    }
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

std::vector<uint8_t> ReachabilitySweep::matrix() const {
  std::vector<uint8_t> cells(static_cast<size_t>(n_ * n_));
  for (int64_t b = 0; b < n_; ++b) {
    const uint64_t* columnB = bits_.data() + (n_ + b) * words_;
    uint8_t* out = cells.data() + cellIndex(0, b, n_);
    for (int64_t m = 0; m < n_; ++m) out[m] = (columnB[m >> 6] >> (m & 63)) & 1;
  }
  return cells;
}

}  // namespace tessivar
