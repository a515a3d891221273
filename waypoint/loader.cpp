#include "waypoint/loader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace tessivar {

namespace {

// Little-endian reads from a buffer whose bounds the caller has checked.
int16_t readInt16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

uint32_t readUint32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
         (uint32_t(p[3]) << 24);
}

int32_t readInt32(const uint8_t* p) {
  return static_cast<int32_t>(readUint32(p));
}

float readFloat(const uint8_t* p) {
  uint32_t bits = readUint32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

LoadResult corrupt(const std::string& what) {
  return {LoadStatus::kCorrupt, "Corrupt waypoint file: " + what};
}

std::string formatFloat(float value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// Straight-line length of a path: each coordinate difference rounded to a
// float, the sum of squares and its square root in double precision, the
// result rounded to a float. Returns false when the length is not a finite
// float (a difference or the length itself leaves the float range).
bool pathLength(const WaypointRecord& from, const WaypointRecord& to,
                float* length) {
  float dx = from.x - to.x;
  float dy = from.y - to.y;
  float dz = from.z - to.z;
  double sum = double(dx) * dx + double(dy) * dy + double(dz) * dz;
  double root = std::sqrt(sum);
  if (!(root <= double(FLT_MAX))) return false;  // also catches NaN
  *length = static_cast<float>(root);
  return true;
}

}  // namespace

LoadResult parseWaypointBytes(const uint8_t* data, size_t size,
                              const MemoryBudget& budget, WaypointGraph& graph,
                              std::ostream& out) {
  graph = WaypointGraph();
  // The type text is the first seven bytes; the eighth is ignored.
  if (size < kHeaderSize || std::memcmp(data, "HPB_bot", 7) != 0) {
    return {LoadStatus::kNotWaypointFile, "Not a waypoint file!"};
  }

  const char* name = reinterpret_cast<const char*>(data + 20);
  graph.mapName.assign(name, strnlen(name, 32));
  out << "Loading waypoints for map " << graph.mapName << "..." << std::endl;

  const int32_t n = readInt32(data + 16);
  out << n << " waypoints(nodes) in file" << std::endl;
  if (n < 0) {
    return corrupt("the header gives a negative waypoint count (" +
                   std::to_string(n) + ") at byte 16");
  }

  // Every waypoint needs its record and at least its 2-byte path count, so
  // the file size bounds N before anything of size N x N is allocated.
  const uint64_t records_end = kHeaderSize + uint64_t(n) * kRecordSize;
  const uint64_t minimum_size = records_end + uint64_t(n) * 2;
  if (size < minimum_size) {
    return corrupt(std::to_string(n) + " waypoints need at least " +
                   std::to_string(minimum_size) +
                   " bytes for their records and path counts, but the file "
                   "has " + std::to_string(size) + " bytes");
  }
  if (runMemoryNeed(n) > budget.availableBytes) {
    return {LoadStatus::kOutOfMemory, ""};
  }

  out << "Initializing adjacency and edge length matrices...";
  graph.n = n;
  graph.cellCount = uint64_t(n) * uint64_t(n);
  graph.adjacency.assign(graph.cellCount, 0);
  graph.edgeLength.assign(graph.cellCount, kNoPathDistance);
  out << "done." << std::endl;

  static const char* const kAxis[] = {"x", "y", "z"};
  graph.records.resize(n);
  for (int32_t i = 0; i < n; ++i) {
    const uint8_t* p = data + kHeaderSize + uint64_t(i) * kRecordSize;
    WaypointRecord& record = graph.records[i];
    std::memcpy(record.reserved, p, 4);
    record.x = readFloat(p + 4);
    record.y = readFloat(p + 8);
    record.z = readFloat(p + 12);
    const float position[3] = {record.x, record.y, record.z};
    for (int axis = 0; axis < 3; ++axis) {
      if (!std::isfinite(position[axis])) {
        return corrupt("waypoint " + std::to_string(i) +
                       " has a position that is not a finite number (" +
                       kAxis[axis] + " = " + formatFloat(position[axis]) +
                       ")");
      }
    }
  }
  out << "Read " << n << " waypoints(nodes)..." << std::endl;

  uint64_t offset = records_end;
  for (int32_t i = 0; i < n; ++i) {
    if (size - offset < 2) {
      return corrupt("the file ends at byte " + std::to_string(size) +
                     ", before the path count of waypoint " +
                     std::to_string(i));
    }
    const int16_t count = readInt16(data + offset);
    if (count < 0) {
      return corrupt("waypoint " + std::to_string(i) +
                     " has a negative path count (" + std::to_string(count) +
                     ") at byte " + std::to_string(offset));
    }
    offset += 2;
    if (size - offset < uint64_t(count) * 2) {
      return corrupt("the file ends at byte " + std::to_string(size) +
                     ", inside the path list of waypoint " + std::to_string(i) +
                     " (" + std::to_string(count) + " paths need " +
                     std::to_string(uint64_t(count) * 2) + " bytes from byte " +
                     std::to_string(offset) + ")");
    }
    graph.pathEntryTotal += count;
    for (int16_t k = 0; k < count; ++k, offset += 2) {
      const int16_t j = readInt16(data + offset);
      if (j < 0 || j >= n) {
        return corrupt("waypoint " + std::to_string(i) +
                       " has a path to waypoint " + std::to_string(j) +
                       ", but the map has " + std::to_string(n) +
                       " waypoints");
      }
      float length;
      if (!pathLength(graph.records[i], graph.records[j], &length)) {
        return corrupt("the path from waypoint " + std::to_string(i) +
                       " to waypoint " + std::to_string(j) +
                       " has a length that is not a finite number");
      }
      const size_t cell = cellIndex(i, j, n);
      graph.adjacency[cell] = 1;
      graph.edgeLength[cell] = length;
    }
  }
  out << "Read " << graph.pathEntryTotal << " edges..." << std::endl;
  return {};
}

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
  const int32_t n = readInt32(header + 16);
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

LoadResult loadWaypointFile(const std::string& path, WaypointGraph& graph,
                            std::ostream& out) {
  graph = WaypointGraph();
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) return cannotOpen(path);
  const MemoryBudget budget = processMemoryBudget();
  const int64_t fileSize = seekableSize(file);

  // Reads the bytes the parser can use and no more, so an endless or huge
  // input (a device, a pipe, a file with trailing junk) neither hangs the
  // run nor exhausts its memory: first the header, then, once the header
  // gives N, at most what N waypoints can occupy. The buffer is checked
  // against the memory budget before it grows, so a failed allocation is
  // never what stops the read.
  constexpr uint64_t kBlock = 1 << 20;
  std::vector<uint8_t> bytes;
  uint64_t wanted = kHeaderSize;
  bool headerSeen = false;
  while (bytes.size() < wanted) {
    const uint64_t used = bytes.size();
    const uint64_t chunk = std::min(kBlock, wanted - used);
    if (used + chunk > bytes.capacity()) {
      // Growth copies the old buffer into one twice its size.
      const uint64_t grown = std::max(used + chunk, 2 * uint64_t(bytes.capacity()));
      if (grown + used > budget.availableBytes) {
        return {LoadStatus::kOutOfMemory, ""};
      }
      bytes.reserve(grown);
    }
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
      // A regular file's size is known: read exactly what it can give.
      if (fileSize >= 0) wanted = std::min(wanted, uint64_t(fileSize));
      if (wanted > budget.availableBytes) {
        return {LoadStatus::kOutOfMemory, ""};
      }
      bytes.reserve(wanted);
    }
  }
  return parseWaypointBytes(bytes.data(), bytes.size(), processMemoryBudget(),
                            graph, out);
}

}  // namespace tessivar
