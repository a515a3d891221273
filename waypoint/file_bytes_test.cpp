// Reading a waypoint file into memory against a budget: input of unknown
// size (a FIFO) in growing steps, never reserved by the largest size the
// header allows; a regular file in one buffer of its size.
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

// A budget whose reading stage may hold `bytes` at once.
MemoryBudget roomFor(uint64_t bytes) {
  return MemoryBudget{run_memory::kHeadroomBytes + bytes};
}

TEST(FileBytes, FifoIsReadInStepsWithinTheBudget) {
  // 1000 waypoints could occupy 65 MB; the map takes 25 kB, padded here
  // with bytes the header allows.
  const std::vector<uint8_t> map = encodeWaypointFile(generateRealisticMap(3, 1000));
  struct Case {
    const char* name;
    uint64_t size, room;
    LoadStatus status;
  } const cases[] = {
      {"the map alone, room for two first steps", map.size(), 128 << 10,
       LoadStatus::kLoaded},
      // Doubling would ask for 512 kB beside 256 kB; the largest buffer
      // that fits beside it still holds the input.
      {"near the budget", 300 << 10, 600 << 10, LoadStatus::kLoaded},
      // The input ends exactly where the first step's buffer does; with
      // no room to grow, its end still ends the read.
      {"ends at a full buffer", 52 + (64 << 10), 52 + (128 << 10),
       LoadStatus::kLoaded},
      {"larger than the budget", 1100 << 10, 500 << 10,
       LoadStatus::kOutOfMemory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> content = map;
    content.resize(c.size, 0x55);
    const std::string path = ::testing::TempDir() + "tessivar_file_bytes.fifo";
    testing::FifoFeeder feeder(path, content);
    if (!feeder.ok()) GTEST_SKIP() << "no FIFO can be made here";
    std::vector<uint8_t> bytes;
    EXPECT_EQ(readWaypointFileBytes(feeder.path(), roomFor(c.room), bytes).status,
              c.status);
    EXPECT_LE(bytes.capacity(), c.room);
    if (c.status == LoadStatus::kLoaded) {
      EXPECT_EQ(bytes, content);
    }
  }
}

TEST(FileBytes, RegularFileTakesOneBufferOfItsSize) {
  const std::vector<uint8_t> content =
      encodeWaypointFile(generateRealisticMap(3, 1000));
  const std::string path = testing::writeTempFile("thousand.wpt", content);
  // The header's 52 bytes are held while the file's buffer is taken.
  std::vector<uint8_t> bytes;
  ASSERT_EQ(readWaypointFileBytes(path, roomFor(content.size() + 52), bytes).status,
            LoadStatus::kLoaded);
  EXPECT_EQ(bytes, content);
  EXPECT_EQ(bytes.capacity(), content.size());
  EXPECT_EQ(readWaypointFileBytes(path, roomFor(content.size() + 51), bytes).status,
            LoadStatus::kOutOfMemory);
}

}  // namespace
}  // namespace tessivar
