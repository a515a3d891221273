#include "waypoint/loader.h"

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
                   std::to_string(n) + ")");
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

LoadResult loadWaypointFile(const std::string& path, WaypointGraph& graph,
                            std::ostream& out) {
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes;
  if (file) {
    // Read in blocks so that pipes and files whose size changes still give
    // exactly the bytes there are.
    constexpr size_t kBlock = 1 << 20;
    while (file) {
      const size_t used = bytes.size();
      bytes.resize(used + kBlock);
      file.read(reinterpret_cast<char*>(bytes.data() + used), kBlock);
      bytes.resize(used + static_cast<size_t>(file.gcount()));
    }
  }
  if (!file.is_open() || file.bad()) {
    return {LoadStatus::kCannotOpen, "Couldn't open file " + path};
  }
  return parseWaypointBytes(bytes.data(), bytes.size(), processMemoryBudget(),
                            graph, out);
}

}  // namespace tessivar
