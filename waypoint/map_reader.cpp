#include "waypoint/map_reader.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>

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

uint64_t recordsEnd(int32_t n) {
  return kHeaderSize + uint64_t(n) * kRecordSize;
}

}  // namespace

int32_t headerWaypointCount(const uint8_t* header) {
  return readInt32(header + 16);
}

namespace {

// Calls visit(i, list, count) for the path list of each waypoint i in turn
// (`list` points at its first target), up to the first list that is
// negative or not all there.
template <typename Visit>
void forEachPathList(const uint8_t* data, size_t size, int32_t n, Visit visit) {
  if (n <= 0 || size < recordsEnd(n)) return;
  for (uint64_t offset = recordsEnd(n), i = 0; i < uint64_t(n); ++i) {
    if (size - offset < 2) break;
    const int16_t count = readInt16(data + offset);
    if (count < 0 || size - offset - 2 < uint64_t(count) * 2) break;
    visit(i, data + offset + 2, count);
    offset += 2 + uint64_t(count) * 2;
  }
}

}  // namespace

uint64_t countPathEntries(const uint8_t* data, size_t size, int32_t n) {
  uint64_t total = 0;
  forEachPathList(data, size, n,
                  [&](uint64_t, const uint8_t*, int16_t count) { total += uint64_t(count); });
  return total;
}

void forEachListedPath(const uint8_t* data, size_t size, int32_t n,
                       const std::function<void(int32_t from, int32_t to)>& visit) {
  forEachPathList(data, size, n, [&](uint64_t i, const uint8_t* list, int16_t count) {
    for (int16_t k = 0; k < count; ++k) {
      visit(int32_t(i), readInt16(list + uint64_t(k) * 2));
    }
  });
}

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

LoadResult WaypointMapReader::readHeader(WaypointMap& map,
                                         LoadProgress& progress) {
  // The type text is the first seven bytes; the eighth is ignored.
  if (size_ < kHeaderSize || std::memcmp(data_, "HPB_bot", 7) != 0) {
    return {LoadStatus::kNotWaypointFile, "Not a waypoint file!"};
  }

  const char* name = reinterpret_cast<const char*>(data_ + 20);
  map.mapName.assign(name, strnlen(name, 32));
  const int32_t n = headerWaypointCount(data_);
  progress.headerRead(map.mapName, n);
  if (n < 0) {
    return corrupt("the header gives a negative waypoint count (" +
                   std::to_string(n) + ") at byte 16");
  }

  // Every waypoint needs its record and at least its 2-byte path count, so
  // the buffer size bounds N before anything of size N is allocated.
  const uint64_t minimum_size = recordsEnd(n) + uint64_t(n) * 2;
  if (size_ < minimum_size) {
    return corrupt(std::to_string(n) + " waypoints need at least " +
                   std::to_string(minimum_size) +
                   " bytes for their records and path counts, but the file "
                   "has " + std::to_string(size_) + " bytes");
  }
  map.n = n;
  return {};
}

LoadResult WaypointMapReader::readRecords(WaypointMap& map) {
  static const char* const kAxis[] = {"x", "y", "z"};
  const int32_t n = map.n;
  map.records.resize(n);
  for (int32_t i = 0; i < n; ++i) {
    const uint8_t* p = data_ + kHeaderSize + uint64_t(i) * kRecordSize;
    WaypointRecord& record = map.records[i];
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
  return {};
}

LoadResult WaypointMapReader::readPathLists(WaypointMap& map) {
  const int32_t n = map.n;
  // The count sizes the target list exactly, so a big map's lists are
  // never copied while they grow.
  map.pathTargets.clear();
  const uint64_t total = countPathEntries(data_, size_, n);
  map.pathTargets.reserve(total);
  map.pathLengths.clear();
  map.pathLengths.reserve(total);
  map.pathBegin.assign(1, 0);
  map.pathBegin.reserve(uint64_t(n) + 1);
  map.pathEntryTotal = 0;

  uint64_t offset = recordsEnd(n);
  for (int32_t i = 0; i < n; ++i) {
    if (size_ - offset < 2) {
      return corrupt("the file ends at byte " + std::to_string(size_) +
                     ", before the path count of waypoint " +
                     std::to_string(i));
    }
    const int16_t count = readInt16(data_ + offset);
    if (count < 0) {
      return corrupt("waypoint " + std::to_string(i) +
                     " has a negative path count (" + std::to_string(count) +
                     ") at byte " + std::to_string(offset));
    }
    offset += 2;
    if (size_ - offset < uint64_t(count) * 2) {
      return corrupt("the file ends at byte " + std::to_string(size_) +
                     ", inside the path list of waypoint " + std::to_string(i) +
                     " (" + std::to_string(count) + " paths need " +
                     std::to_string(uint64_t(count) * 2) + " bytes from byte " +
                     std::to_string(offset) + ")");
    }
    map.pathEntryTotal += count;
    for (int16_t k = 0; k < count; ++k, offset += 2) {
      const int16_t j = readInt16(data_ + offset);
      if (j < 0 || j >= n) {
        return corrupt("waypoint " + std::to_string(i) +
                       " has a path to waypoint " + std::to_string(j) +
                       ", but the map has " + std::to_string(n) +
                       " waypoints");
      }
      float length;
      if (!pathLength(map.records[i], map.records[j], &length)) {
        return corrupt("the path from waypoint " + std::to_string(i) +
                       " to waypoint " + std::to_string(j) +
                       " has a length that is not a finite number");
      }
      map.pathTargets.push_back(j);
      map.pathLengths.push_back(length);
    }
    map.pathBegin.push_back(map.pathTargets.size());
  }
  return {};
}

LoadResult parseWaypointMap(const uint8_t* data, size_t size, WaypointMap& map,
                            LoadProgress* progress) {
  map = WaypointMap();
  LoadProgress quiet;
  LoadProgress& told = progress ? *progress : quiet;
  WaypointMapReader reader(data, size);
  LoadResult result = reader.readHeader(map, told);
  if (result.ok()) result = reader.readRecords(map);
  if (result.ok()) told.recordsRead(map.n);
  if (result.ok()) result = reader.readPathLists(map);
  if (result.ok()) told.pathListsRead(map.pathEntryTotal);
  return result;
}

}  // namespace tessivar
