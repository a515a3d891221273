// Reading a waypoint file into memory against a budget: input of unknown
// size (a FIFO) in growing steps, never reserved by the largest size the
// header allows; a regular file in one buffer of its size.
#include "waypoint/file_bytes.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <thread>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

#ifdef _WIN32
// Windows has no FIFO in the file system: a named pipe, which a thread
// feeds `bytes` once a reader comes and closes when it is done.
class PipeFeed {
 public:
  PipeFeed(const std::wstring& name, const std::vector<uint8_t>& bytes)
      : name_(name) {
    const HANDLE pipe = CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64 << 10, 0, 0, nullptr);
    ok_ = pipe != INVALID_HANDLE_VALUE;
    if (!ok_) return;
    writer_ = std::thread([pipe, bytes] {
      DWORD wrote = 0;
      if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
        for (size_t done = 0; done < bytes.size(); done += wrote) {
          if (!WriteFile(pipe, bytes.data() + done, DWORD(bytes.size() - done),
                         &wrote, nullptr)) {
            break;
          }
        }
        FlushFileBuffers(pipe);
      }
      CloseHandle(pipe);
    });
  }
  ~PipeFeed() {
    if (!ok_) return;
    // A writer still waiting for its reader is released by one that leaves.
    CloseHandle(CreateFileW(name_.c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr));
    writer_.join();
  }
  bool ok() const { return ok_; }

 private:
  std::wstring name_;
  bool ok_ = false;
  std::thread writer_;
};
#endif

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
#ifdef _WIN32
    const std::string pipe = "\\\\.\\pipe\\tessivar-bytes-" +
                             std::to_string(GetCurrentProcessId());
    const std::string path = c.fifo ? pipe : file;
    std::unique_ptr<PipeFeed> feed;
    if (c.fifo) feed.reset(new PipeFeed(std::wstring(pipe.begin(), pipe.end()), content));
    if (feed && !feed->ok()) GTEST_SKIP() << "no named pipe can be made here";
#else
    const std::string path = c.fifo ? file + ".fifo" : file;
    unlink((file + ".fifo").c_str());
    // A writer that gives up after 20 s should no one read.
    if (c.fifo && (mkfifo(path.c_str(), 0600) != 0 ||
                   std::system(("timeout 20 cat '" + file + "' >'" + path +
                                "' 2>/dev/null &").c_str()) != 0)) {
      GTEST_SKIP() << "no FIFO can be fed here";
    }
#endif
    std::vector<uint8_t> bytes;
    const MemoryBudget budget{load_memory::kHeadroomBytes + c.room};
    EXPECT_EQ(readWaypointFileBytes(path, budget, bytes).status, c.status);
    EXPECT_LE(bytes.capacity(), c.fifo ? c.room : c.size);
    if (c.status == LoadStatus::kLoaded) {
      EXPECT_EQ(bytes, content);
    }
  }
}

// A tool that writes the map back reads it to its end: the bytes after the
// lists, even beyond the most N waypoints could occupy, for any N, from a
// file or a FIFO. A file that is not a waypoint file still stops after its
// header.
TEST(FileBytes, WholeFileKeepsTheBytesAfterTheLists) {
  MapSpec none{"none", {}, {}};
  MapSpec three{"three", {{0, 0, 0}, {3, 4, 0}, {0, 0, 12}}, {{1, 2}, {0}, {}}};
  const MemoryBudget budget{UINT64_MAX, UINT64_MAX};
  int k = 0;
  for (const MapSpec& layout : {none, three}) {
    std::vector<uint8_t> content = encodeWaypointFile(layout);
    const uint64_t lists = content.size();
    // Three waypoints can occupy 52 + 3 * 65552 bytes: 250 kB is beyond.
    content.resize(250 << 10);
    for (size_t i = lists; i < content.size(); ++i) content[i] = uint8_t(i * 7);
    const std::string file =
        testing::writeTempFile("whole" + std::to_string(k++) + ".wpt", content);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWaypointFileBytes(file, budget, bytes, true).ok());
    EXPECT_EQ(bytes, content) << layout.name;
    ASSERT_TRUE(readWaypointFileBytes(file, budget, bytes).ok());
    EXPECT_EQ(bytes.size(), parsedExtent(content.data(), content.size()));
    EXPECT_EQ(bytes.size(), layout.positions.empty() ? 52u : 52u + 3 * 65552);
#ifndef _WIN32
    const std::string fifo = file + ".fifo";
    unlink(fifo.c_str());
    if (mkfifo(fifo.c_str(), 0600) != 0 ||
        std::system(("timeout 20 cat '" + file + "' >'" + fifo + "' 2>/dev/null &").c_str()) != 0) {
      GTEST_SKIP() << "no FIFO can be fed here";
    }
    ASSERT_TRUE(readWaypointFileBytes(fifo, budget, bytes, true).ok());
    EXPECT_EQ(bytes, content) << layout.name << " through a FIFO";
#endif
  }
  std::vector<uint8_t> other(1000, 'x');
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(readWaypointFileBytes(testing::writeTempFile("other.wpt", other), budget,
                                    bytes, true)
                  .ok());
  EXPECT_EQ(bytes.size(), 52u);
}

}  // namespace
}  // namespace tessivar
