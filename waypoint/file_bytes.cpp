#include "waypoint/file_bytes.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/file_path.h"
#include "waypoint/map_reader.h"

namespace tessivar {

namespace {

LoadResult cannotOpen(const std::string& path) {
  return {LoadStatus::kCannotOpen, "Couldn't open file " + path};
}

// The most bytes a file can hold that the parser reads: the header, then
// for a waypoint file its N records and N path lists of at most 32767
// entries each. Later bytes are never read, so neither are they loaded; a
// header alone decides whether the file is a waypoint file at all.
uint64_t largestReadSize(const uint8_t* header) {
  if (std::memcmp(header, "HPB_bot", 7) != 0) return kHeaderSize;
  const int32_t n = headerWaypointCount(header);
  if (n <= 0) return kHeaderSize;
  return kHeaderSize + uint64_t(n) * (kRecordSize + 2 + 2 * 32767);
}

// Size of a regular file from its stream, or -1 for pipes, devices and
// anything else that cannot seek. Leaves the stream at the start.
int64_t seekableSize(std::ifstream& file) {
  file.seekg(0, std::ios::end);
  const std::streamoff end = file.tellg();
  file.clear();
  file.seekg(0, std::ios::beg);
  if (!file || end < 0) {
    file.clear();
    return -1;
  }
  return static_cast<int64_t>(end);
}

}  // namespace

uint64_t parsedExtent(const uint8_t* data, uint64_t size) {
  if (size < kHeaderSize) return size;
  return std::min(size, largestReadSize(data));
}

LoadResult readWaypointFileBytes(const std::string& path,
                                 const MemoryBudget& budget,
                                 std::vector<uint8_t>& bytes, bool whole) {
  bytes.clear();
  std::ifstream file(platform::filePath(path), std::ios::binary);
  if (!file.is_open()) return cannotOpen(path);
  const int64_t fileSize = seekableSize(file);
  const uint64_t room = bufferRoom(budget);
  const LoadResult outOfMemory{LoadStatus::kOutOfMemory, ""};

  // First the header, then what the header allows. A regular file's size is
  // known, and its buffer is taken once. Input of unknown size (a pipe, a
  // FIFO, a device) grows its buffer in doubling steps, so the buffer stays
  // within twice what the input gave. Every growth is checked against the
  // budget before it is made, counting the old buffer that the bytes are
  // copied from, so a failed allocation is never what stops the read.
  constexpr uint64_t kFirstStep = 64 << 10;
  constexpr uint64_t kBlock = 1 << 20;
  uint64_t wanted = kHeaderSize;
  bool headerSeen = false;
  while (bytes.size() < wanted) {
    const uint64_t used = bytes.size();
    if (used == bytes.capacity()) {
      // Grow only for input that is there.
      if (headerSeen && file.peek() == std::char_traits<char>::eof()) {
        if (file.bad()) return cannotOpen(path);
        break;
      }
      uint64_t grown = std::min(wanted, std::max(used + kFirstStep, 2 * used));
      // Near the budget: the largest buffer that still fits beside the old.
      if (grown + used > room) grown = room > 2 * used ? room - used : used;
      if (grown <= used) return outOfMemory;
      bytes.reserve(grown);
    }
    const uint64_t chunk =
        std::min(kBlock, std::min<uint64_t>(bytes.capacity(), wanted) - used);
    bytes.resize(used + chunk);
    file.read(reinterpret_cast<char*>(bytes.data() + used),
              static_cast<std::streamsize>(chunk));
    bytes.resize(used + static_cast<uint64_t>(file.gcount()));
    // A read error (a directory, an unreadable device) is a file that could
    // not be read; the end of the file just ends the loop.
    if (file.bad()) return cannotOpen(path);
    if (!file) break;
    if (!headerSeen && bytes.size() >= kHeaderSize) {
      headerSeen = true;
      wanted = largestReadSize(bytes.data());
      // Everything that follows, when asked, for a waypoint file of any N.
      if (whole && std::memcmp(bytes.data(), "HPB_bot", 7) == 0) {
        wanted = UINT64_MAX;
      }
      if (fileSize >= 0) {
        // A regular file: read exactly what it can give, into one buffer.
        wanted = std::min(wanted, uint64_t(fileSize));
        if (wanted + bytes.size() > room) return outOfMemory;
        bytes.reserve(wanted);
      }
    }
  }
  return {};
}

bool isWaypointFileOnDisk(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(platform::filePath(path), error)) {
    return false;
  }
  std::ifstream file(platform::filePath(path), std::ios::binary);
  char type[7] = {};
  return file.read(type, sizeof type) &&
         std::memcmp(type, "HPB_bot", sizeof type) == 0;
}

}  // namespace tessivar
