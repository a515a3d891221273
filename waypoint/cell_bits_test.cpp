// The bit matrix: cells by cell index, runs of 64 from any cell, counts.
#include "waypoint/cell_bits.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessivar {
namespace {

TEST(CellBits, StartsClearAndSetsSingleCells) {
  CellBits bits;
  EXPECT_TRUE(bits.empty());
  EXPECT_EQ(bits.capacity(), 0u);
  bits.assign(130);
  EXPECT_EQ(bits.size(), 130u);
  EXPECT_EQ(bits.count(), 0u);
  for (uint64_t cell : {0u, 63u, 64u, 129u}) bits.set(cell);
  for (uint64_t cell = 0; cell < 130; ++cell) {
    EXPECT_EQ(bits[cell], cell == 0 || cell == 63 || cell == 64 || cell == 129) << cell;
  }
  EXPECT_EQ(bits.count(), 4u);
}

TEST(CellBits, BitsFromAnyCellMatchSingleReads) {
  CellBits bits;
  bits.assign(300);
  uint64_t state = 12345;
  for (uint64_t cell = 0; cell < 300; ++cell) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    if (state >> 62) bits.set(cell);
  }
  for (uint64_t from = 0; from < 310; ++from) {
    const uint64_t run = bits.bitsFrom(from);
    for (uint64_t k = 0; k < 64; ++k) {
      const bool expected = from + k < 300 && bits[from + k];
      ASSERT_EQ((run >> k) & 1, uint64_t(expected)) << from << "+" << k;
    }
  }
}

TEST(CellBits, EqualityComparesSizeAndCells) {
  CellBits x, y;
  x.assign(10);
  y.assign(10);
  EXPECT_TRUE(x == y);
  y.set(3);
  EXPECT_TRUE(x != y);
  x.set(3);
  EXPECT_TRUE(x == y);
  CellBits z;
  z.assign(11);
  z.set(3);
  EXPECT_TRUE(x != z);
}

}  // namespace
}  // namespace tessivar
