#include "tools/map_generator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessivar {

namespace {

void putUint32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(value >> shift));
}

void putInt16(std::vector<uint8_t>& bytes, int16_t value) {
  const uint16_t bits = static_cast<uint16_t>(value);
  bytes.push_back(uint8_t(bits));
  bytes.push_back(uint8_t(bits >> 8));
}

void putFloat(std::vector<uint8_t>& bytes, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  putUint32(bytes, bits);
}

float distance(const std::array<float, 3>& p, const std::array<float, 3>& q) {
  const float dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void addPath(MapSpec& map, int32_t from, int32_t to) {
  std::vector<int16_t>& list = map.paths[from];
  if (std::find(list.begin(), list.end(), to) == list.end()) {
    list.push_back(static_cast<int16_t>(to));
  }
}

float roundToHalf(double value) { return static_cast<float>(std::round(value * 2) / 2); }

}  // namespace

uint64_t MapRandom::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint32_t MapRandom::below(uint32_t bound) {
  return bound == 0 ? 0 : static_cast<uint32_t>(next() % bound);
}

double MapRandom::unit() { return double(next() >> 11) * 0x1.0p-53; }

namespace {

// The centres of `roomCount` rooms on three floor heights, spread over a
// square that grows with the room count.
std::vector<std::array<float, 3>> roomCentres(MapRandom& random, int32_t roomCount) {
  static const float kFloors[] = {0.0f, 160.0f, 320.0f};
  const double extent = 450.0 * std::sqrt(double(roomCount));
  std::vector<std::array<float, 3>> centres(roomCount);
  for (auto& centre : centres) {
    centre = {roundToHalf(random.unit() * extent),
              roundToHalf(random.unit() * extent), kFloors[random.below(3)]};
  }
  return centres;
}

}  // namespace

std::vector<uint8_t> encodeWaypointFile(const MapSpec& map,
                                        const std::string& typeText) {
  std::vector<uint8_t> bytes;
  const size_t n = map.positions.size();
  for (size_t i = 0; i < 8; ++i) bytes.push_back(i < typeText.size() ? typeText[i] : 0);
  for (int i = 0; i < 8; ++i) bytes.push_back(0);
  putUint32(bytes, static_cast<uint32_t>(n));
  for (size_t i = 0; i < 32; ++i) bytes.push_back(i < map.name.size() ? map.name[i] : 0);
  for (const auto& position : map.positions) {
    putUint32(bytes, 0);
    for (float coordinate : position) putFloat(bytes, coordinate);
  }
  for (size_t i = 0; i < n; ++i) {
    static const std::vector<int16_t> kNone;
    const std::vector<int16_t>& list = i < map.paths.size() ? map.paths[i] : kNone;
    putInt16(bytes, static_cast<int16_t>(list.size()));
    for (int16_t target : list) putInt16(bytes, target);
  }
  return bytes;
}

void putInt16At(std::vector<uint8_t>& bytes, size_t offset, int16_t value) {
  const uint16_t bits = static_cast<uint16_t>(value);
  bytes.at(offset) = uint8_t(bits);
  bytes.at(offset + 1) = uint8_t(bits >> 8);
}

void putInt32At(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
  const uint32_t bits = static_cast<uint32_t>(value);
  for (int k = 0; k < 4; ++k) bytes.at(offset + k) = uint8_t(bits >> (8 * k));
}

void putFloatAt(std::vector<uint8_t>& bytes, size_t offset, float value) {
  int32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  putInt32At(bytes, offset, bits);
}

size_t coordinateOffset(int32_t waypoint, int axis) {
  // 52-byte header, 16-byte records whose first four bytes are not the
  // position.
  return 52 + 16 * size_t(waypoint) + 4 + 4 * size_t(axis);
}

MapSpec generateRealisticMap(uint64_t seed, int32_t size) {
  MapSpec map;
  map.name = "gen_" + std::to_string(seed) + "_" + std::to_string(size);
  size = std::max(0, std::min(size, 32767));
  if (size == 0) return map;
  MapRandom random(seed * 0x2545F4914F6CDD1Dull + uint64_t(size));
  map.positions.resize(size);
  map.paths.resize(size);

  // Rooms of about forty waypoints on three floor heights.
  const int32_t roomCount = std::max(1, (size + 39) / 40);
  const std::vector<std::array<float, 3>> centres = roomCentres(random, roomCount);
  std::vector<std::vector<int32_t>> rooms(roomCount);
  for (int32_t i = 0; i < size; ++i) {
    const int32_t room = i % roomCount;
    rooms[room].push_back(i);
    const double angle = random.unit() * 6.283185307179586;
    const double radius = 160.0 * std::sqrt(random.unit());
    map.positions[i] = {roundToHalf(centres[room][0] + radius * std::cos(angle)),
                        roundToHalf(centres[room][1] + radius * std::sin(angle)),
                        centres[room][2] + float(random.below(9))};
  }

  // Inside a room, each waypoint joins its three nearest neighbours, both
  // ways except for an occasional one-way path.
  for (const auto& room : rooms) {
    for (int32_t i : room) {
      std::vector<std::pair<float, int32_t>> near;
      for (int32_t j : room) {
        if (j != i) near.push_back({distance(map.positions[i], map.positions[j]), j});
      }
      const size_t keep = std::min<size_t>(3, near.size());
      std::partial_sort(near.begin(), near.begin() + keep, near.end());
      for (size_t k = 0; k < keep; ++k) {
        addPath(map, i, near[k].second);
        if (random.below(100) >= 8) addPath(map, near[k].second, i);
      }
    }
  }

  // Rooms are linked by their closest waypoints: each room to the nearest
  // room built before it (so the map hangs together), and to one more. A
  // link down to a lower floor is often a one-way drop.
  auto link = [&](int32_t r, int32_t s) {
    float best = INFINITY;
    int32_t from = rooms[r][0], to = rooms[s][0];
    for (int32_t i : rooms[r]) {
      for (int32_t j : rooms[s]) {
        const float d = distance(map.positions[i], map.positions[j]);
        if (d < best) best = d, from = i, to = j;
      }
    }
    if (map.positions[from][2] < map.positions[to][2]) std::swap(from, to);
    addPath(map, from, to);
    if (map.positions[from][2] == map.positions[to][2] || random.below(2) == 0) {
      addPath(map, to, from);
    }
  };
  for (int32_t r = 1; r < roomCount; ++r) {
    int32_t nearest = 0;
    float nearestDistance = INFINITY;
    for (int32_t s = 0; s < r; ++s) {
      const float d = distance(centres[r], centres[s]);
      if (d < nearestDistance) nearestDistance = d, nearest = s;
    }
    link(r, nearest);
    if (roomCount > 2) {
      const int32_t other = static_cast<int32_t>(random.below(roomCount));
      if (other != r) link(r, other);
    }
  }

  // A few broken waypoints, as a map editor leaves them: traps keep their
  // paths in and lose those out; orphans lose both.
  auto breakable = [&](int32_t v) { return v != 0 && v != 5 && v < size; };
  const int32_t traps = size >= 16 ? std::max(1, size / 100) : 0;
  const int32_t orphans = size >= 16 ? std::max(1, size / 150) : 0;
  for (int32_t t = 0; t < traps + orphans; ++t) {
    const int32_t v = static_cast<int32_t>(random.below(size));
    if (!breakable(v)) continue;
    map.paths[v].clear();
    if (t >= traps) {
      for (auto& list : map.paths) {
        list.erase(std::remove(list.begin(), list.end(), v), list.end());
      }
    }
  }
  return map;
}

MapSpec generateGridMap(int32_t width, int32_t height) {
  MapSpec map;
  map.name = "grid_" + std::to_string(width) + "x" + std::to_string(height);
  const int32_t size = std::max(0, width) * std::max(0, height);
  map.positions.resize(size);
  map.paths.resize(size);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const int32_t id = x + y * width;
      map.positions[id] = {float(x), float(y), 0.0f};
      if (x + 1 < width) addPath(map, id, id + 1), addPath(map, id + 1, id);
      if (y + 1 < height) addPath(map, id, id + width), addPath(map, id + width, id);
    }
  }
  return map;
}

MapSpec generateRandomMap(uint64_t seed, int32_t size, int32_t pathsPerWaypoint) {
  MapSpec map;
  map.name = "random_" + std::to_string(seed);
  size = std::max(0, std::min(size, 32767));
  MapRandom random(seed);
  map.positions.resize(size);
  map.paths.resize(size);
  for (int32_t i = 0; i < size; ++i) {
    map.positions[i] = {float(random.below(4)), float(random.below(4)),
                        float(random.below(3))};
    const int32_t count = static_cast<int32_t>(random.below(2 * pathsPerWaypoint + 1));
    for (int32_t k = 0; k < count; ++k) {
      map.paths[i].push_back(static_cast<int16_t>(random.below(size)));
    }
  }
  return map;
}

MapSpec sixWaypointExample() {
  MapSpec map;
  map.name = "six_waypoints";
  map.positions = {{0, 0, 0}, {10, 0, 0}, {3, 0, 0}, {6, 0, 0}, {5, 12, 0}, {10, 5, 0}};
  map.paths = {{2, 4}, {5}, {3}, {1}, {1}, {}};
  return map;
}

}  // namespace tessivar

namespace tessivar {

MapSpec generateWalkedMap(uint64_t seed, int32_t size) {
  MapSpec map;
  map.name = "walk_" + std::to_string(seed) + "_" + std::to_string(size);
  size = std::max(0, std::min(size, 32767));
  if (size == 0) return map;
  MapRandom random(seed * 0x9E3779B97F4A7C15ull + uint64_t(size) * 31 + 7);
  map.positions.resize(size);
  map.paths.resize(size);

  // Rooms placed as in the realistic maps; each room is joined to the
  // nearest room placed before it, so the rooms form a tree a person can
  // walk.
  const int32_t roomCount = std::max(1, (size + 39) / 40);
  const std::vector<std::array<float, 3>> centres = roomCentres(random, roomCount);
  std::vector<std::vector<int32_t>> near(roomCount);
  for (int32_t r = 1; r < roomCount; ++r) {
    int32_t nearest = 0;
    for (int32_t s = 1; s < r; ++s) {
      if (distance(centres[r], centres[s]) < distance(centres[r], centres[nearest])) {
        nearest = s;
      }
    }
    near[r].push_back(nearest);
    near[nearest].push_back(r);
  }

  // The order the rooms are walked in: depth first through the tree,
  // nearest room first, except that now and then the person goes on in a
  // room picked at random among those not yet visited.
  std::vector<int32_t> order;
  std::vector<char> visited(roomCount, 0);
  std::vector<int32_t> stack = {0};
  while (static_cast<int32_t>(order.size()) < roomCount) {
    int32_t room = -1;
    if (!order.empty() && random.below(12) == 0) {
      int32_t pick = static_cast<int32_t>(random.below(roomCount));
      while (visited[pick]) pick = (pick + 1) % roomCount;
      room = pick;
    } else {
      while (!stack.empty() && visited[stack.back()]) stack.pop_back();
      if (stack.empty()) {
        room = static_cast<int32_t>(std::find(visited.begin(), visited.end(), 0) -
                                    visited.begin());
      } else {
        room = stack.back();
        stack.pop_back();
      }
    }
    visited[room] = 1;
    order.push_back(room);
    std::vector<int32_t> next = near[room];
    std::sort(next.begin(), next.end(), [&](int32_t x, int32_t y) {
      return distance(centres[room], centres[x]) > distance(centres[room], centres[y]);
    });
    for (int32_t r : next) {
      if (!visited[r]) stack.push_back(r);
    }
  }

  // Waypoints in walking order: each room gets its share, placed by short
  // steps that turn a little each time and stay inside the room.
  std::vector<std::vector<int32_t>> rooms(roomCount);
  std::vector<int32_t> roomOf(size);
  int32_t id = 0;
  for (int32_t k = 0; k < roomCount; ++k) {
    const int32_t room = order[k];
    const int32_t share = (int64_t(size) * (k + 1)) / roomCount - (int64_t(size) * k) / roomCount;
    const auto& centre = centres[room];
    double x = centre[0] + (random.unit() - 0.5) * 200.0;
    double y = centre[1] + (random.unit() - 0.5) * 200.0;
    double heading = random.unit() * 6.283185307179586;
    for (int32_t i = 0; i < share; ++i, ++id) {
      if (i > 0) {
        heading += (random.unit() - 0.5) * 2.0;
        const double step = 35.0 + 45.0 * random.unit();
        x += step * std::cos(heading);
        y += step * std::sin(heading);
        const double dx = x - centre[0], dy = y - centre[1];
        const double r = std::sqrt(dx * dx + dy * dy);
        if (r > 160.0) {  // back towards the middle of the room
          x = centre[0] + dx * 150.0 / r;
          y = centre[1] + dy * 150.0 / r;
          heading += 3.141592653589793;
        }
      }
      map.positions[id] = {roundToHalf(x), roundToHalf(y),
                           centre[2] + float(random.below(9))};
      rooms[room].push_back(id);
      roomOf[id] = room;
    }
  }

  // Inside a room: the three nearest neighbours and the waypoint placed
  // just before, both ways except for an occasional one-way path.
  for (const auto& room : rooms) {
    for (size_t k = 0; k < room.size(); ++k) {
      const int32_t i = room[k];
      std::vector<std::pair<float, int32_t>> close;
      for (int32_t j : room) {
        if (j != i) close.push_back({distance(map.positions[i], map.positions[j]), j});
      }
      const size_t keep = std::min<size_t>(3, close.size());
      std::partial_sort(close.begin(), close.begin() + keep, close.end());
      if (k > 0) close.insert(close.begin(), {0.0f, room[k - 1]});
      for (size_t c = 0; c < std::min(keep + (k > 0), close.size()); ++c) {
        addPath(map, i, close[c].second);
        if (random.below(100) >= 8) addPath(map, close[c].second, i);
      }
    }
  }

  // Rooms are joined along the tree by their closest waypoints; a link to
  // a lower floor is often a one-way drop.
  for (int32_t r = 0; r < roomCount; ++r) {
    for (int32_t s : near[r]) {
      if (s > r || rooms[r].empty() || rooms[s].empty()) continue;
      float best = INFINITY;
      int32_t from = rooms[r][0], to = rooms[s][0];
      for (int32_t i : rooms[r]) {
        for (int32_t j : rooms[s]) {
          const float d = distance(map.positions[i], map.positions[j]);
          if (d < best) best = d, from = i, to = j;
        }
      }
      if (map.positions[from][2] < map.positions[to][2]) std::swap(from, to);
      addPath(map, from, to);
      if (centres[r][2] == centres[s][2] || random.below(2) == 0) addPath(map, to, from);
    }
  }

  // A few one-way drops from a ledge to the nearest waypoint of a room
  // on a lower floor.
  const int32_t drops = 1 + size / 200;
  for (int32_t t = 0; t < drops; ++t) {
    const int32_t i = static_cast<int32_t>(random.below(size));
    float best = INFINITY;
    int32_t to = -1;
    for (int32_t j = 0; j < size; ++j) {
      if (centres[roomOf[j]][2] >= centres[roomOf[i]][2]) continue;
      const float d = distance(map.positions[i], map.positions[j]);
      if (d < best) best = d, to = j;
    }
    if (to >= 0) addPath(map, i, to);
  }

  // Traps and orphans, as a map editor leaves them.
  const int32_t traps = size >= 16 ? std::max(1, size / 100) : 0;
  const int32_t orphans = size >= 16 ? std::max(1, size / 150) : 0;
  for (int32_t t = 0; t < traps + orphans; ++t) {
    const int32_t v = static_cast<int32_t>(random.below(size));
    if (v == 0 || v == 5) continue;
    map.paths[v].clear();
    if (t >= traps) {
      for (auto& list : map.paths) {
        list.erase(std::remove(list.begin(), list.end(), v), list.end());
      }
    }
  }
  return map;
}

MapSpec renumberDepthFirst(const MapSpec& map, uint64_t seed) {
  const int32_t size = static_cast<int32_t>(map.positions.size());
  MapRandom random(seed * 0xD1B54A32D192ED03ull + uint64_t(size) * 17 + 3);
  // The paths either way: a person walks a one-way path back as well when
  // placing waypoints (the path's direction is set afterwards).
  std::vector<std::vector<int32_t>> around(size);
  for (int32_t i = 0; i < size; ++i) {
    for (int16_t j : map.paths[i]) {
      if (j < 0 || j >= size || j == i) continue;
      around[i].push_back(j);
      around[j].push_back(i);
    }
  }
  std::vector<int32_t> newNumber(size, -1);
  int32_t next = 0;
  // The walk: from the waypoint on top of the stack to its nearest
  // neighbour not yet met, or back one step when there is none.
  auto walkFrom = [&](int32_t start) {
    std::vector<int32_t> stack = {start};
    newNumber[start] = next++;
    while (!stack.empty()) {
      const int32_t at = stack.back();
      int32_t nearest = -1;
      float nearestDistance = INFINITY;
      for (int32_t j : around[at]) {
        if (newNumber[j] >= 0) continue;
        const float d = distance(map.positions[at], map.positions[j]);
        if (d < nearestDistance || (d == nearestDistance && j < nearest)) {
          nearestDistance = d;
          nearest = j;
        }
      }
      if (nearest < 0) {
        stack.pop_back();
      } else {
        newNumber[nearest] = next++;
        stack.push_back(nearest);
      }
    }
  };
  // Starts picked at random among the waypoints not met yet, those with a
  // path first, so the walk begins inside the level.
  for (bool withPaths : {true, false}) {
    for (;;) {
      std::vector<int32_t> left;
      for (int32_t i = 0; i < size; ++i) {
        if (newNumber[i] < 0 && (!withPaths || !around[i].empty())) left.push_back(i);
      }
      if (left.empty()) break;
      walkFrom(left[random.below(static_cast<uint32_t>(left.size()))]);
    }
  }

  MapSpec renumbered;
  renumbered.name = map.name;
  renumbered.positions.resize(size);
  renumbered.paths.resize(size);
  for (int32_t i = 0; i < size; ++i) {
    renumbered.positions[newNumber[i]] = map.positions[i];
    std::vector<int16_t>& list = renumbered.paths[newNumber[i]];
    for (int16_t j : map.paths[i]) {
      list.push_back(j >= 0 && j < size ? static_cast<int16_t>(newNumber[j]) : j);
    }
  }
  return renumbered;
}

MapSpec generateDepthFirstMap(uint64_t seed, int32_t size) {
  MapSpec map = renumberDepthFirst(generateRealisticMap(seed, size), seed);
  map.name = "depth_" + std::to_string(seed) + "_" + std::to_string(size);
  return map;
}

}  // namespace tessivar
