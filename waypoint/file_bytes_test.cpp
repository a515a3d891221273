// Reading a waypoint file into memory against a budget: input of unknown
// size (a FIFO) in growing steps, never reserved by the largest size the
// header allows; a regular file in one buffer of its size.
#include "waypoint/file_bytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

TEST(FileBytes, ReadInStepsOrInOneBufferWithinTheBudget) {
  // 1000 waypoints could occupy 65 MB; the map takes 25 kB, padded with
  // bytes the header allows.
  const std::vector<uint8_t> map = encodeWaypointFile(generateRealisticMap(3, 1000));
  const struct {
    bool fifo;
    uint64_t size, room;  // the input's size; what the reading may hold
    LoadStatus status;
  } cases[] = {
      {true, map.size(), 128 << 10, LoadStatus::kLoaded},
      // Doubling 256 kB would not fit; the largest buffer that does is used.
      {true, 300 << 10, 600 << 10, LoadStatus::kLoaded},
      // Ends where a buffer does, with no room to grow.
      {true, 52 + (64 << 10), 52 + (128 << 10), LoadStatus::kLoaded},
      {true, 1100 << 10, 500 << 10, LoadStatus::kOutOfMemory},
      // The header's 52 bytes are held while the file's buffer is taken.
      {false, map.size(), map.size() + 52, LoadStatus::kLoaded},
      {false, map.size(), map.size() + 51, LoadStatus::kOutOfMemory},
  };
  for (size_t k = 0; k < std::size(cases); ++k) {
    const auto& c = cases[k];
    SCOPED_TRACE(k);
    std::vector<uint8_t> content = map;
    content.resize(c.size, 0x55);
    const std::string file =
        testing::writeTempFile("bytes" + std::to_string(k) + ".wpt", content);
    const std::string path = c.fifo ? file + ".fifo" : file;
    unlink((file + ".fifo").c_str());
    // A writer that gives up after 20 s should no one read.
    if (c.fifo && (mkfifo(path.c_str(), 0600) != 0 ||
                   std::system(("timeout 20 cat '" + file + "' >'" + path +
                                "' 2>/dev/null &").c_str()) != 0)) {
      GTEST_SKIP() << "no FIFO can be fed here";
    }
    std::vector<uint8_t> bytes;
    const MemoryBudget budget{run_memory::kHeadroomBytes + c.room};
    EXPECT_EQ(readWaypointFileBytes(path, budget, bytes).status, c.status);
    EXPECT_LE(bytes.capacity(), c.fifo ? c.room : c.size);
    if (c.status == LoadStatus::kLoaded) {
      EXPECT_EQ(bytes, content);
    }
  }
}

}  // namespace
}  // namespace tessivar
