#include "waypoint/map_writer.h"

#include <algorithm>
#include <cstring>

#include "waypoint/map_reader.h"

namespace tessivar {

namespace {

int16_t readInt16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

void appendInt16(std::vector<char>& out, int32_t value) {
  const uint16_t bits = static_cast<uint16_t>(value);
  out.push_back(static_cast<char>(bits & 0xff));
  out.push_back(static_cast<char>(bits >> 8));
}

// The added paths grouped by their from-waypoint, each group in the order
// given.
std::vector<AddedPath> byFrom(const std::vector<AddedPath>& added) {
  std::vector<AddedPath> sorted(added);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const AddedPath& a, const AddedPath& b) { return a.from < b.from; });
  return sorted;
}

// Walks the path lists of the file, calling visit(i, offset, count, extra)
// for each waypoint i whose count stands at `offset`, with `extra` the
// paths of `sorted` (grouped by from) that go into its list. False when the
// bytes are not a waypoint file whose lists can all be walked, or an added
// path is out of range, or a list would grow too long.
template <typename Visit>
bool walkLists(const uint8_t* data, size_t size,
               const std::vector<AddedPath>& sorted, Visit visit) {
  if (size < kHeaderSize || std::memcmp(data, "HPB_bot", 7) != 0) return false;
  const int32_t n = headerWaypointCount(data);
  if (n < 0 || size - kHeaderSize < uint64_t(n) * kRecordSize) return false;
  for (const AddedPath& path : sorted) {
    if (path.from < 0 || path.from >= n || path.to < 0 || path.to >= n) return false;
  }
  uint64_t offset = kHeaderSize + uint64_t(n) * kRecordSize;
  size_t next = 0;  // the first path of `sorted` not yet placed
  for (int32_t i = 0; i < n; ++i) {
    if (size - offset < 2) return false;
    const int16_t count = readInt16(data + offset);
    if (count < 0 || size - offset - 2 < uint64_t(count) * 2) return false;
    size_t end = next;
    while (end < sorted.size() && sorted[end].from == i) ++end;
    if (int64_t(count) + int64_t(end - next) > kMaxPathListSize) return false;
    visit(i, offset, count, next, end);
    next = end;
    offset += 2 + uint64_t(count) * 2;
  }
  return true;
}

}  // namespace

bool canAddPaths(const uint8_t* data, size_t size,
                 const std::vector<AddedPath>& added) {
  return walkLists(data, size, byFrom(added),
                   [](int32_t, uint64_t, int16_t, size_t, size_t) {});
}

bool writeMapWithAddedPaths(const uint8_t* data, size_t size,
                            const std::vector<AddedPath>& added,
                            std::ostream& out) {
  const std::vector<AddedPath> sorted = byFrom(added);
  if (!walkLists(data, size, sorted,
                 [](int32_t, uint64_t, int16_t, size_t, size_t) {})) {
    return false;
  }
  // The unchanged stretches go out as they are; only the lists that grow
  // get a new count and their added targets after their old ones.
  uint64_t written = 0;
  std::vector<char> inserted;
  auto copyUpTo = [&](uint64_t offset) {
    out.write(reinterpret_cast<const char*>(data + written),
              std::streamsize(offset - written));
    written = offset;
  };
  walkLists(data, size, sorted,
            [&](int32_t, uint64_t offset, int16_t count, size_t first, size_t end) {
              if (first == end) return;
              copyUpTo(offset);
              inserted.clear();
              appendInt16(inserted, int32_t(count) + int32_t(end - first));
              out.write(inserted.data(), std::streamsize(inserted.size()));
              written = offset + 2;
              copyUpTo(offset + 2 + uint64_t(count) * 2);
              inserted.clear();
              for (size_t k = first; k < end; ++k) appendInt16(inserted, sorted[k].to);
              out.write(inserted.data(), std::streamsize(inserted.size()));
            });
  copyUpTo(size);
  return true;
}

}  // namespace tessivar
