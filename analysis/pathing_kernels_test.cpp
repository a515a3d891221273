// The single-row kernels of every path against plain loops, on data full of
// equal sums, zeros, the no-path distance and infinity.
#include "analysis/pathing_kernels.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "tools/map_generator.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {
namespace {

std::vector<float> tieHeavyValues(MapRandom& random, int64_t n) {
  static const float kPool[] = {0.0f, 1.0f, 2.0f, 3.0f, 0.5f, kNoPathDistance,
                                std::numeric_limits<float>::infinity(), 3.4e38f};
  std::vector<float> values(static_cast<size_t>(n));
  for (float& v : values) v = kPool[random.below(8)];
  return values;
}

class PathingKernelTest : public ::testing::TestWithParam<KernelPath> {
 protected:
  void SetUp() override {
    if (!kernelPathSupported(GetParam())) GTEST_SKIP() << "not supported here";
  }
};

TEST_P(PathingKernelTest, MinSumAndFirstSumEqualMatchPlainLoops) {
  const PathingKernels& kernels = pathingKernels(GetParam());
  ASSERT_EQ(kernels.path, GetParam());
  MapRandom random(17);
  for (int64_t n = 0; n <= 80; ++n) {
    for (int trial = 0; trial < 20; ++trial) {
      const std::vector<float> row = tieHeavyValues(random, n);
      const std::vector<float> column = tieHeavyValues(random, n);
      const int64_t begin = n ? random.below(uint32_t(n)) : 0;
      const int64_t end = begin + (n - begin ? random.below(uint32_t(n - begin + 1)) : 0);
      float expected = std::numeric_limits<float>::infinity();
      for (int64_t m = begin; m < end; ++m) {
        if (row[m] + column[m] < expected) expected = row[m] + column[m];
      }
      EXPECT_EQ(kernels.minSum(row.data(), column.data(), begin, end), expected)
          << "n " << n << " range " << begin << ".." << end;
      const float target = n ? row[n / 2] + column[n / 2] : 1.0f;
      int64_t first = -1;
      for (int64_t m = 0; m < n && first < 0; ++m) {
        if (row[m] + column[m] == target) first = m;
      }
      EXPECT_EQ(kernels.firstSumEqual(row.data(), column.data(), n, target), first)
          << "n " << n;
    }
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
