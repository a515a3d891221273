// The kernels of every path against plain loops: one column of a bounded
// pass on data full of equal sums, zeros, the no-path distance and huge
// values, and rows of a reachability pass.
#include "analysis/pathing_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "tools/map_generator.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {
namespace {

float tieHeavyValue(MapRandom& random) {
  static const float kPool[] = {0.0f, 1.0f, 2.0f, 3.0f, 0.5f, kNoPathDistance, 3.4e38f, 1.5f};
  return kPool[random.below(8)];
}

class PathingKernelTest : public ::testing::TestWithParam<KernelPath> {
 protected:
  void SetUp() override {
    if (!kernelPathSupported(GetParam())) GTEST_SKIP() << "not supported here";
  }
};

// A matrix of n waypoints (the map's own numbering as block order) and the
// exact bound arrays, every block written "now", and column b evaluated
// for all n rows; the plain sweep of the same column gives the expected
// cells.
struct ColumnCase {
  int64_t n, paddedN, stride, blocks;
  std::vector<float> pathing;
  std::vector<int16_t> via;
  std::vector<int32_t> order, position;
  std::vector<float> rowMin, columnMin;
  std::vector<int32_t> rowTime, columnTime, rowLatest, columnLatest;
  std::vector<float> smallest, written, none;
  std::vector<float> rows, inner;
  std::vector<int32_t> scratch;
  std::vector<int64_t> noPaths;
  std::vector<float> minima = std::vector<float>(size_t(kDenseChunksMax * kDenseCellsMax * 16));

  ColumnCase(MapRandom& random, int64_t size) : n(size) {
    paddedN = (n + 15) / 16 * 16;
    blocks = paddedN / 16;
    stride = (blocks + 15) / 16 * 16;
    pathing.assign(size_t(paddedN * n), std::numeric_limits<float>::infinity());
    for (int64_t b = 0; b < n; ++b) {
      for (int64_t a = 0; a < n; ++a) pathing[a + b * paddedN] = tieHeavyValue(random);
    }
    via.assign(size_t(n * n), -1);
    order.assign(size_t(paddedN), std::numeric_limits<int32_t>::max());
    position.resize(size_t(n));
    for (int64_t j = 0; j < n; ++j) order[j] = int32_t(j), position[j] = int32_t(j);
    rowMin.assign(size_t(n * stride), std::numeric_limits<float>::infinity());
    columnMin = rowMin;
    for (int64_t b = 0; b < n; ++b) {
      for (int64_t a = 0; a < n; ++a) {
        const float v = pathing[a + b * paddedN];
        rowMin[a * stride + b / 16] = std::min(rowMin[a * stride + b / 16], v);
        columnMin[b * stride + a / 16] = std::min(columnMin[b * stride + a / 16], v);
      }
    }
    rowTime.assign(size_t(n * stride), int32_t(n));
    columnTime = rowTime;
    rowLatest.assign(size_t(n), int32_t(n));
    columnLatest = rowLatest;
    scratch.resize(size_t(64 * stride + 16));
    // Every value counts as just written, so no cell is passed over unless
    // nothing can be below its value.
    smallest.assign(size_t(n), 0.0f);
    written.assign(size_t(n), 0.0f);
    none.assign(size_t(n), std::numeric_limits<float>::infinity());
    noPaths.assign(size_t(n + 1), 0);
  }

  SweepView view() {
    SweepView v;
    v.n = n;
    v.paddedN = paddedN;
    v.boundStride = stride;
    v.blocks = blocks;
    v.pathing = pathing.data();
    v.via = via.data();
    v.order = order.data();
    v.position = position.data();
    v.rowMin = rowMin.data();
    v.columnMin = columnMin.data();
    v.rowTime = rowTime.data();
    v.columnTime = columnTime.data();
    v.rowLatest = rowLatest.data();
    v.columnLatest = columnLatest.data();
    v.rowSmallest = smallest.data();
    v.columnSmallest = smallest.data();
    // The last pass (parity 0) wrote everything; this one (1) nothing yet.
    v.rowWritten[0] = written.data();
    v.columnWritten[0] = written.data();
    v.rowWritten[1] = none.data();
    v.columnWritten[1] = none.data();
    v.outBegin = noPaths.data();
    v.inBegin = noPaths.data();
    v.numberingOrder = true;
    return v;
  }

  PassSettings pass() {
    PassSettings p;
    p.kind = PassKind::kBounded;
    p.previous = 0;
    p.current = int32_t(n);
    p.parity = 1;
    p.denseChunk = 256;
    return p;
  }

  // Rows 0..min(n, 64) - 1 as the row buffer; one column.
  TileJob column(int64_t b, uint64_t considered) {
    rows.assign(size_t(std::min<int64_t>(n, 64) * paddedN), std::numeric_limits<float>::infinity());
    for (int64_t k = 0; k < std::min<int64_t>(n, 64); ++k) {
      for (int64_t m = 0; m < n; ++m) rows[k * paddedN + m] = pathing[k + m * paddedN];
    }
    inner.assign(64 * 64, std::numeric_limits<float>::infinity());
    for (int64_t k = 0; k < std::min<int64_t>(n, 64); ++k) {
      for (int64_t m = 0; m < std::min<int64_t>(n, 64); ++m) inner[k * 64 + m] = pathing[k + m * paddedN];
    }
    TileJob job;
    job.inner = inner.data();
    job.a0 = 0;
    job.rows = std::min<int64_t>(n, 64);
    job.b0 = b;
    job.columns = 1;
    job.rowBuffer = rows.data();
    job.rowStride = paddedN;
    job.considered[0] = considered;
    job.due[0] = considered;
    job.scratch = scratch.data();
    job.chunkMinima = minima.data();
    return job;
  }
};

TEST_P(PathingKernelTest, OneColumnMatchesThePlainSweep) {
  const PathingKernels& kernels = pathingKernels(GetParam());
  ASSERT_EQ(kernels.path, GetParam());
  MapRandom random(17);
  for (int trial = 0; trial < 300; ++trial) {
    const int64_t n = 1 + random.below(64);
    ColumnCase c(random, n);
    const int64_t b = random.below(uint32_t(n));
    const uint64_t considered = random.next() & (n == 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1);
    // The plain sweep of column b, rows in order, on a copy.
    std::vector<float> expected = c.pathing;
    std::vector<int16_t> expectedVia = c.via;
    for (int64_t a = 0; a < n; ++a) {
      if (!((considered >> a) & 1)) continue;
      float best = expected[a + b * c.paddedN];
      int32_t bestM = -1;
      for (int64_t m = 0; m < n; ++m) {
        const float sum = expected[a + m * c.paddedN] + expected[m + b * c.paddedN];
        if (sum < best) best = sum, bestM = int32_t(m);
      }
      if (bestM >= 0) {
        expected[a + b * c.paddedN] = best;
        expectedVia[a + b * n] = int16_t(bestM);
      }
    }
    PassSettings pass = c.pass();
    pass.blockBounds = trial % 3 != 0;
    pass.changedOnly = trial % 5 != 0;
    pass.kind = trial % 7 == 0 ? PassKind::kDense : PassKind::kBounded;
    TileJob job = c.column(b, considered);
    kernels.evaluateTile(c.view(), pass, job);
    ASSERT_EQ(c.via, expectedVia) << "trial " << trial << " n " << n << " b " << b;
    for (int64_t a = 0; a < n; ++a) {
      ASSERT_EQ(c.pathing[a + b * c.paddedN], expected[a + b * c.paddedN])
          << "trial " << trial << " cell " << a << "->" << b;
    }
    // Only a cell of value 0 can be passed over: no sum is below it.
    EXPECT_EQ(job.evaluated + job.skipped, __builtin_popcountll(considered));
  }
}

// Row a of a reachability pass, closed by the kernel on bit vectors and by
// the plain scan on one byte per cell: for b in order, an unset cell a->b is
// set when some m has a->m and m->b, and the row and column b take the new
// cell at once.
TEST_P(PathingKernelTest, ClosedRowsMatchThePlainScan) {
  const PathingKernels& kernels = pathingKernels(GetParam());
  MapRandom random(5);
  for (int trial = 0; trial < 200; ++trial) {
    const int64_t n = 1 + random.below(700);
    const int64_t words = (n + 63) / 64;
    std::vector<uint64_t> row(static_cast<size_t>(words));
    std::vector<uint64_t> columns(static_cast<size_t>(n * words));
    for (uint64_t& w : row) w = random.next() & random.next() & random.next();
    for (uint64_t& w : columns) w = random.next() & random.next() & random.next() & random.next();
    const uint64_t tail = (n & 63) ? (uint64_t(1) << (n & 63)) - 1 : ~uint64_t(0);
    row.back() &= tail;
    for (int64_t b = 0; b < n; ++b) columns[b * words + words - 1] &= tail;
    const int64_t a = random.below(uint32_t(n));
    // The same cells as bytes: rowCells[m] is a->m, columnCells[b][m] is m->b.
    const auto bit = [](const uint64_t* v, int64_t i) { return (v[i >> 6] >> (i & 63)) & 1; };
    std::vector<uint8_t> rowCells(static_cast<size_t>(n));
    std::vector<std::vector<uint8_t>> columnCells(static_cast<size_t>(n),
                                                  std::vector<uint8_t>(static_cast<size_t>(n)));
    for (int64_t m = 0; m < n; ++m) rowCells[m] = uint8_t(bit(row.data(), m));
    for (int64_t b = 0; b < n; ++b) {
      for (int64_t m = 0; m < n; ++m) columnCells[b][m] = uint8_t(bit(&columns[b * words], m));
    }
    int64_t expectedSet = 0;
    for (int64_t b = 0; b < n; ++b) {
      if (rowCells[b]) continue;
      for (int64_t m = 0; m < n; ++m) {
        if (rowCells[m] && columnCells[b][m]) {
          rowCells[b] = 1;
          columnCells[b][a] = 1;
          ++expectedSet;
          break;
        }
      }
    }
    ASSERT_EQ(kernels.closeRow(row.data(), columns.data(), n, words, a), expectedSet)
        << "trial " << trial;
    for (int64_t m = 0; m < n; ++m) {
      ASSERT_EQ(bit(row.data(), m), rowCells[m]) << "trial " << trial << " cell " << a << "->" << m;
    }
    for (int64_t b = 0; b < n; ++b) {
      for (int64_t m = 0; m < n; ++m) {
        ASSERT_EQ(bit(&columns[b * words], m), columnCells[b][m])
            << "trial " << trial << " cell " << m << "->" << b;
      }
    }
    EXPECT_EQ(row.back() & ~tail, 0u) << "trial " << trial << ": no bit past the last waypoint";
  }
}

// The sparse pass's two kernels against plain loops on tie-heavy values:
// a column's sums pushed as "sum, then lowest waypoint" keys, at lengths
// that end inside a vector; and a row's writes offered over a group of
// columns, in ascending waypoints, directly and through an index of
// entries, keeping the lowest waypoint of equal sums.
TEST_P(PathingKernelTest, SparseOffersMatchPlainLoops) {
  const PathingKernels& kernels = pathingKernels(GetParam());
  MapRandom random(11);
  for (int trial = 0; trial < 300; ++trial) {
    const int64_t count = random.below(90);
    std::vector<float> column(static_cast<size_t>(count));
    std::vector<uint64_t> best(static_cast<size_t>(count + 1));
    for (float& value : column) value = tieHeavyValue(random);
    for (uint64_t& key : best) {
      key = random.below(4) == 0 ? UINT64_MAX : sumKey(tieHeavyValue(random), random.below(50));
    }
    const float add = tieHeavyValue(random);
    const int32_t m = int32_t(random.below(50));
    std::vector<uint64_t> expected = best;
    for (int64_t p = 0; p < count; ++p) {
      expected[p] = std::min(expected[p], sumKey(column[p] + add, m));
    }
    kernels.pushSums(column.data(), add, m, best.data(), count);
    ASSERT_EQ(best, expected) << "trial " << trial << " (the slot past the end stays)";
  }
  constexpr int64_t G = kSparseColumns;
  for (int trial = 0; trial < 300; ++trial) {
    const int64_t n = 1 + random.below(60);
    std::vector<float> through(static_cast<size_t>(n * G));
    for (float& value : through) value = tieHeavyValue(random);
    // Entries in ascending waypoint, some waypoints twice, the rest absent.
    std::vector<int32_t> columns;
    std::vector<float> values;
    for (int32_t w = 0; w < n; ++w) {
      for (uint32_t copies = random.below(3); copies > 0; --copies) {
        columns.push_back(w);
        values.push_back(tieHeavyValue(random));
      }
    }
    std::vector<float> sums(static_cast<size_t>(G));
    std::vector<int32_t> vias(static_cast<size_t>(G));
    for (int64_t j = 0; j < G; ++j) {
      sums[j] = random.below(3) == 0 ? std::numeric_limits<float>::infinity()
                                     : tieHeavyValue(random);
      vias[j] = int32_t(random.below(1000));
    }
    std::vector<float> expectedSums = sums;
    std::vector<int32_t> expectedVias = vias;
    for (size_t i = 0; i < columns.size(); ++i) {
      for (int64_t j = 0; j < G; ++j) {
        const float sum = through[columns[i] * G + j] + values[i];
        if (sum < expectedSums[j]) expectedSums[j] = sum, expectedVias[j] = columns[i];
      }
    }
    // Directly, then the same through an index over reversed copies of the
    // arrays.
    std::vector<float> direct = sums;
    std::vector<int32_t> directVias = vias;
    kernels.offerRow(through.data(), columns.data(), values.data(), nullptr,
                     int64_t(columns.size()), direct.data(), directVias.data());
    ASSERT_EQ(direct, expectedSums) << "trial " << trial;
    ASSERT_EQ(directVias, expectedVias) << "trial " << trial;
    const std::vector<int32_t> reversedColumns(columns.rbegin(), columns.rend());
    const std::vector<float> reversedValues(values.rbegin(), values.rend());
    std::vector<int32_t> entries;
    for (int64_t i = int64_t(columns.size()) - 1; i >= 0; --i) entries.push_back(int32_t(i));
    kernels.offerRow(through.data(), reversedColumns.data(), reversedValues.data(),
                     entries.data(), int64_t(entries.size()), sums.data(), vias.data());
    ASSERT_EQ(sums, expectedSums) << "trial " << trial;
    ASSERT_EQ(vias, expectedVias) << "trial " << trial;
  }
}

TEST(PathingKernels, TheBestPathIsSupportedAndThePortableOneAlwaysIs) {
  EXPECT_TRUE(kernelPathSupported(KernelPath::kPortable));
  EXPECT_TRUE(kernelPathSupported(bestKernelPath()));
  EXPECT_EQ(pathingKernels(KernelPath::kPortable).path, KernelPath::kPortable);
}

INSTANTIATE_TEST_SUITE_P(AllPaths, PathingKernelTest,
                         ::testing::Values(KernelPath::kPortable, KernelPath::kAvx2,
                                           KernelPath::kAvx512));

}  // namespace
}  // namespace tessivar
