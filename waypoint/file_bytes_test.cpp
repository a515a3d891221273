// Reading a waypoint file into memory against a memory budget: a regular
// file in one buffer of its size, input of unknown size (a FIFO) in growing
// steps that never reserve what the header merely allows.
#include "waypoint/file_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "testing/child_process.h"
#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes& thousandWaypoints() {
  static const Bytes bytes = encodeWaypointFile(generateRealisticMap(3, 1000));
  return bytes;
}

// A budget whose reading stage may hold `bytes` at once.
MemoryBudget roomFor(uint64_t bytes) {
  return MemoryBudget{run_memory::kHeadroomBytes + bytes};
}

struct FifoRead {
  bool ok = false;
  LoadResult result;
  Bytes bytes;
};

FifoRead readThroughFifo(const Bytes& content, const MemoryBudget& budget) {
  FifoRead read;
  const std::string path = ::testing::TempDir() + "tessivar_file_bytes.fifo";
  testing::FifoFeeder feeder(path, content);
  if (!feeder.ok()) return read;
  read.ok = true;
  read.result = readWaypointFileBytes(path, budget, read.bytes);
  return read;
}

TEST(FileBytes, FifoIsReadInStepsNotByTheLargestSizeN) {
  const Bytes& content = thousandWaypoints();
  // What 1000 waypoints could occupy is 65 MB; the file is 25 kB. Room
  // for twice the file and a first step is all the read may take.
  ASSERT_LT(content.size(), 64u << 10);
  const FifoRead read = readThroughFifo(content, roomFor(2 * (64 << 10)));
  if (!read.ok) GTEST_SKIP() << "no FIFO can be made here";
  ASSERT_EQ(read.result.status, LoadStatus::kLoaded) << read.result.message;
  EXPECT_EQ(read.bytes, content);
  EXPECT_LE(read.bytes.capacity(), 2 * content.size() + (64 << 10));
}

TEST(FileBytes, FifoLargerThanTheBudgetIsRefused) {
  Bytes content = thousandWaypoints();
  // Trailing bytes the header allows are read too; 600 kB of them.
  content.resize(content.size() + (600 << 10), 0x55);
  const FifoRead read = readThroughFifo(content, roomFor(500 << 10));
  if (!read.ok) GTEST_SKIP() << "no FIFO can be made here";
  EXPECT_EQ(read.result.status, LoadStatus::kOutOfMemory);
  EXPECT_LE(read.bytes.capacity(), 500u << 10);
}

TEST(FileBytes, FifoNearTheBudgetTakesTheLargestBufferThatFits) {
  Bytes content = thousandWaypoints();
  content.resize(300 << 10, 0x55);
  // Doubling would ask for 512 kB beside the 256 kB buffer; 600 kB of room
  // still holds the 300 kB input in a buffer of 344 kB.
  const FifoRead read = readThroughFifo(content, roomFor(600 << 10));
  if (!read.ok) GTEST_SKIP() << "no FIFO can be made here";
  ASSERT_EQ(read.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(read.bytes, content);
}

TEST(FileBytes, FifoEndingAtAFullBufferNeedsNoMoreRoom) {
  // The input fills the first step exactly: with no room to grow, the end
  // of the input still ends the read.
  Bytes content = thousandWaypoints();
  content.resize(52 + (64 << 10), 0x55);
  const FifoRead read = readThroughFifo(content, roomFor(52 + 2 * (64 << 10)));
  if (!read.ok) GTEST_SKIP() << "no FIFO can be made here";
  ASSERT_EQ(read.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(read.bytes, content);
}

TEST(FileBytes, RegularFileTakesOneBufferOfItsSize) {
  const Bytes& content = thousandWaypoints();
  const std::string path = testing::writeTempFile("thousand.wpt", content);
  // The header's 52 bytes are held while the file's buffer is taken.
  Bytes bytes;
  ASSERT_EQ(readWaypointFileBytes(path, roomFor(content.size() + 52), bytes)
                .status,
            LoadStatus::kLoaded);
  EXPECT_EQ(bytes, content);
  EXPECT_EQ(bytes.capacity(), content.size());
  EXPECT_EQ(readWaypointFileBytes(path, roomFor(content.size() + 51), bytes)
                .status,
            LoadStatus::kOutOfMemory);
}

}  // namespace
}  // namespace tessivar
