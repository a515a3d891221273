#include "analysis/reachability_sweep.h"

namespace tessivar {

ReachabilitySweep::ReachabilitySweep(const WaypointGraph& graph)
    : n_(graph.n), words_((graph.n + 63) / 64) {
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

bool ReachabilitySweep::runPass() {
  const int64_t before = count_;
  for (int64_t a = 0; a < n_; ++a) {
    uint64_t* rowA = row(a);
    for (int64_t b = 0; b < n_; ++b) {
      const uint64_t bBit = uint64_t(1) << (b & 63);
      if (rowA[b >> 6] & bBit) continue;
      // Bit-parallel search: some m has a->m and m->b exactly when the AND
      // of row a and column b is not empty. Both vectors hold every cell
      // set so far in this pass (each set updates its row and its column),
      // so the search sees what the cell-by-cell scan would see; which m is
      // found first does not matter, only whether one exists.
      const uint64_t* columnB = column(b);
      uint64_t any = 0;
      for (int64_t w = 0; w < words_; ++w) any |= rowA[w] & columnB[w];
      if (!any) continue;
      rowA[b >> 6] |= bBit;
      column(b)[a >> 6] |= uint64_t(1) << (a & 63);
      ++count_;
    }
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
