// Groupings of waypoints into blocks: each is an ordering of all
// waypoints, and the spatial one puts neighbours together.
#include "analysis/block_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "testing/differential.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using testing::graphOf;

bool isOrderOfAll(std::vector<int32_t> order, int32_t n) {
  std::sort(order.begin(), order.end());
  std::vector<int32_t> all(static_cast<size_t>(n));
  std::iota(all.begin(), all.end(), 0);
  return order == all;
}

TEST(BlockOrder, EveryKindOrdersEveryWaypointOnce) {
  for (int32_t size : {0, 1, 15, 16, 17, 100, 333}) {
    const WaypointGraph graph = graphOf(generateRealisticMap(2, size));
    for (BlockOrder kind : {BlockOrder::kAuto, BlockOrder::kNumbering, BlockOrder::kSpatial,
                            BlockOrder::kShuffled}) {
      EXPECT_TRUE(isOrderOfAll(blockOrder(graph, kind, 9), size)) << size << " " << int(kind);
    }
  }
}

TEST(BlockOrder, NumberingIsTheIdentityAndShufflingDependsOnTheSeed) {
  const WaypointGraph graph = graphOf(generateRealisticMap(2, 64));
  const std::vector<int32_t> numbering = blockOrder(graph, BlockOrder::kNumbering);
  for (int32_t i = 0; i < 64; ++i) EXPECT_EQ(numbering[i], i);
  EXPECT_NE(blockOrder(graph, BlockOrder::kShuffled, 1),
            blockOrder(graph, BlockOrder::kShuffled, 2));
  EXPECT_EQ(blockOrder(graph, BlockOrder::kShuffled, 1),
            blockOrder(graph, BlockOrder::kShuffled, 1));
}

TEST(BlockOrder, SpatialBlocksHoldNeighbours) {
  // The realistic generator numbers its rooms round robin, so blocks of
  // consecutive numbers hold almost no path; spatial blocks hold most.
  const WaypointGraph graph = graphOf(generateRealisticMap(1, 1024));
  const double numbering = pathsInsideBlocks(graph, blockOrder(graph, BlockOrder::kNumbering));
  const double spatial = pathsInsideBlocks(graph, blockOrder(graph, BlockOrder::kSpatial));
  EXPECT_LT(numbering, 0.05);
  EXPECT_GT(spatial, 0.5);
  EXPECT_EQ(blockOrder(graph, BlockOrder::kAuto), blockOrder(graph, BlockOrder::kSpatial));
}

TEST(BlockOrder, AutoKeepsTheNumberingOfAWalkedMap) {
  const WaypointGraph graph = graphOf(generateWalkedMap(1, 1024));
  EXPECT_GT(pathsInsideBlocks(graph, blockOrder(graph, BlockOrder::kNumbering)), 0.5);
  EXPECT_EQ(blockOrder(graph, BlockOrder::kAuto), blockOrder(graph, BlockOrder::kNumbering));
}

TEST(BlockOrder, SpatialBlocksOfEqualPositionsGoByNumber) {
  // Every waypoint at one position: ties go by number, so each block holds
  // consecutive waypoints (in some order within the block).
  MapSpec map;
  map.name = "pile";
  map.positions.assign(40, {1, 2, 3});
  map.paths.resize(40);
  const WaypointGraph graph = graphOf(map);
  const std::vector<int32_t> order = blockOrder(graph, BlockOrder::kSpatial);
  for (size_t j = 0; j < order.size(); ++j) {
    EXPECT_EQ(order[j] / kBlockSize, int32_t(j) / kBlockSize) << j;
  }
}

}  // namespace
}  // namespace tessivar
