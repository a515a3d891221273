// An N x N matrix of yes/no cells kept as one bit per cell: the adjacency
// and reachability matrices. Cell a->b is bit a + b * N of one flat bit
// string (the cell index of waypoint_graph.h), so code that indexes a byte
// matrix by cell index reads this one the same way, and column b (the cells
// m->b over m) is N consecutive bits.
#ifndef TESSIVAR_WAYPOINT_CELL_BITS_H_
#define TESSIVAR_WAYPOINT_CELL_BITS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessivar {

class CellBits {
 public:
  CellBits() = default;

  // `cells` cells, all clear.
  void assign(uint64_t cells) {
    size_ = cells;
    words_.assign(static_cast<size_t>((cells + 63) / 64), 0);
  }

  uint64_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Bytes held, for checks that nothing was allocated.
  size_t capacity() const { return words_.capacity() * sizeof(uint64_t); }

  bool operator[](uint64_t cell) const {
    return (words_[cell >> 6] >> (cell & 63)) & 1;
  }
  void set(uint64_t cell) { words_[cell >> 6] |= uint64_t(1) << (cell & 63); }

  // Up to 64 cells from `cell` on, cell `cell` in bit 0; cells past the end
  // read as clear.
  uint64_t bitsFrom(uint64_t cell) const {
    if (cell >= size_) return 0;
    const size_t word = static_cast<size_t>(cell >> 6);
    const unsigned shift = cell & 63;
    uint64_t bits = words_[word] >> shift;
    if (shift != 0 && word + 1 < words_.size()) {
      bits |= words_[word + 1] << (64 - shift);
    }
    return bits;
  }

  // Number of cells set.
  uint64_t count() const {
    uint64_t total = 0;
    for (uint64_t word : words_) total += static_cast<uint64_t>(__builtin_popcountll(word));
    return total;
  }

  const uint64_t* words() const { return words_.data(); }
  uint64_t* words() { return words_.data(); }

  bool operator==(const CellBits& other) const {
    return size_ == other.size_ && words_ == other.words_;
  }
  bool operator!=(const CellBits& other) const { return !(*this == other); }

 private:
  uint64_t size_ = 0;
  std::vector<uint64_t> words_;  // bits past size_ stay clear
};

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_CELL_BITS_H_
