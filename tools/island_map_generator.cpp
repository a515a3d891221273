#include "tools/island_map_generator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace tessivar {

namespace {

enum class RoomKind { kMain, kPit, kSpawn, kDetached, kOrphan };

struct Room {
  RoomKind kind;
  int32_t size;
  std::array<float, 3> centre{};
  int32_t host = 0;   // the main room an island lies beside
  int32_t first = 0;  // its lowest waypoint number
};

using Position = std::array<float, 3>;

double distanceBetween(const Position& p, const Position& q) {
  const double dx = double(p[0]) - q[0], dy = double(p[1]) - q[1],
               dz = double(p[2]) - q[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

float half(double value) { return float(std::round(value * 2) / 2); }

void join(MapSpec& map, int32_t from, int32_t to) {
  std::vector<int16_t>& list = map.paths[size_t(from)];
  if (std::find(list.begin(), list.end(), to) == list.end()) {
    list.push_back(int16_t(to));
  }
}

void joinBothWays(MapSpec& map, int32_t a, int32_t b) {
  join(map, a, b);
  join(map, b, a);
}

// The closest pair of waypoints, one from each room.
std::pair<int32_t, int32_t> closestPair(const MapSpec& map, const Room& a,
                                        const Room& b) {
  std::pair<int32_t, int32_t> best{a.first, b.first};
  double bestDistance = INFINITY;
  for (int32_t i = a.first; i < a.first + a.size; ++i) {
    for (int32_t j = b.first; j < b.first + b.size; ++j) {
      const double d = distanceBetween(map.positions[size_t(i)],
                                       map.positions[size_t(j)]);
      if (d < bestDistance) bestDistance = d, best = {i, j};
    }
  }
  return best;
}

// Joins a room's waypoints both ways: each to the closest of those before
// it (so the room hangs together) and to its two closest neighbours.
void joinInside(MapSpec& map, const Room& room) {
  for (int32_t i = room.first + 1; i < room.first + room.size; ++i) {
    int32_t nearest = room.first;
    double nearestDistance = INFINITY;
    std::vector<std::pair<double, int32_t>> around;
    for (int32_t j = room.first; j < room.first + room.size; ++j) {
      if (j == i) continue;
      const double d = distanceBetween(map.positions[size_t(i)],
                                       map.positions[size_t(j)]);
      around.push_back({d, j});
      if (j < i && d < nearestDistance) nearestDistance = d, nearest = j;
    }
    joinBothWays(map, i, nearest);
    const size_t keep = std::min<size_t>(2, around.size());
    std::partial_sort(around.begin(), around.begin() + keep, around.end());
    for (size_t k = 0; k < keep; ++k) joinBothWays(map, i, around[k].second);
  }
}

// The islands of a map of `size` waypoints: about a fifth of them, in a
// fixed rotation of kinds with random sizes.
std::vector<Room> pickIslands(MapRandom& random, int32_t size) {
  static const RoomKind kRotation[] = {RoomKind::kPit,      RoomKind::kSpawn,
                                       RoomKind::kDetached, RoomKind::kOrphan,
                                       RoomKind::kPit,      RoomKind::kOrphan};
  std::vector<Room> islands;
  const int32_t budget = size >= 12 ? size / 5 : 0;
  int32_t used = 0;
  for (size_t turn = 0;; ++turn) {
    const RoomKind kind = kRotation[turn % 6];
    int32_t roomSize = 1;
    if (kind == RoomKind::kPit) roomSize = 5 + int32_t(random.below(6));
    if (kind == RoomKind::kSpawn) roomSize = 4 + int32_t(random.below(5));
    if (kind == RoomKind::kDetached) roomSize = 3 + int32_t(random.below(6));
    if (used + roomSize > budget) break;
    islands.push_back({kind, roomSize});
    used += roomSize;
  }
  return islands;
}

}  // namespace

MapSpec generateIslandMap(uint64_t seed, int32_t size) {
  MapSpec map;
  map.name = "islands_" + std::to_string(seed) + "_" + std::to_string(size);
  size = std::max(0, std::min(size, 32767));
  if (size == 0) return map;
  MapRandom random(seed * 0x9E3779B97F4A7C15ull + uint64_t(size) + 17);
  map.positions.resize(size_t(size));
  map.paths.resize(size_t(size));

  std::vector<Room> islands = pickIslands(random, size);
  int32_t mainTotal = size;
  for (const Room& island : islands) mainTotal -= island.size;
  const int32_t mainCount = std::max(1, mainTotal / 12);
  std::vector<Room> mainRooms;
  for (int32_t r = 0; r < mainCount; ++r) {
    mainRooms.push_back(
        {RoomKind::kMain, mainTotal / mainCount + (r < mainTotal % mainCount)});
  }

  // Main rooms on three floor heights over a square that grows with their
  // number; each island beside a main room, at a height that suits it.
  static const float kFloors[] = {0.0f, 160.0f, 320.0f};
  const double extent = 450.0 * std::sqrt(double(mainCount));
  for (Room& room : mainRooms) {
    room.centre = {half(random.unit() * extent), half(random.unit() * extent),
                   kFloors[random.below(3)]};
  }
  for (Room& island : islands) {
    island.host = int32_t(random.below(uint32_t(mainCount)));
    const Position& at = mainRooms[size_t(island.host)].centre;
    const double angle = random.unit() * 6.283185307179586;
    double reach = 260 + random.unit() * 100;
    float z = at[2];
    switch (island.kind) {
      case RoomKind::kPit:
        // A third shallow enough to climb out of; the rest below every
        // floor, where no walk leads out.
        z = random.below(3) == 0 ? z - 30.0f : kFloors[0] - 240.0f;
        break;
      case RoomKind::kSpawn:
        // Half on the floor; half above every floor, where no walk leads in.
        z = random.below(2) == 0 ? z : kFloors[2] + 120.0f;
        break;
      case RoomKind::kOrphan:
        reach = 150 + random.unit() * 100;
        break;
      default:
        break;
    }
    island.centre = {half(at[0] + reach * std::cos(angle)),
                     half(at[1] + reach * std::sin(angle)), z};
  }

  // Numbered room by room: the first main room first (it holds waypoints 0
  // to 5), the others and the islands shuffled after it.
  std::vector<Room*> order;
  for (size_t r = 1; r < mainRooms.size(); ++r) order.push_back(&mainRooms[r]);
  for (Room& island : islands) order.push_back(&island);
  for (size_t i = order.size(); i > 1; --i) {
    std::swap(order[i - 1], order[random.below(uint32_t(i))]);
  }
  order.insert(order.begin(), &mainRooms[0]);
  int32_t next = 0;
  for (Room* room : order) {
    room->first = next;
    const double radius = room->size == 1 ? 0 : 30 + 20 * std::sqrt(room->size);
    for (int32_t i = 0; i < room->size; ++i, ++next) {
      const double angle = random.unit() * 6.283185307179586;
      const double r = radius * std::sqrt(random.unit());
      map.positions[size_t(next)] = {
          half(room->centre[0] + r * std::cos(angle)),
          half(room->centre[1] + r * std::sin(angle)),
          room->centre[2] + float(room->size == 1 ? 0 : random.below(9))};
    }
    joinInside(map, *room);
  }

  // Main rooms joined both ways by their closest waypoints: each to the
  // nearest room before it, and now and then to one more.
  for (int32_t r = 1; r < mainCount; ++r) {
    int32_t nearest = 0;
    double nearestDistance = INFINITY;
    for (int32_t s = 0; s < r; ++s) {
      const double d = distanceBetween(mainRooms[size_t(r)].centre,
                                       mainRooms[size_t(s)].centre);
      if (d < nearestDistance) nearestDistance = d, nearest = s;
    }
    auto [a, b] = closestPair(map, mainRooms[size_t(r)], mainRooms[size_t(nearest)]);
    joinBothWays(map, a, b);
    const int32_t other = int32_t(random.below(uint32_t(mainCount)));
    if (other != r && random.below(3) == 0) {
      auto [c, d] = closestPair(map, mainRooms[size_t(r)], mainRooms[size_t(other)]);
      joinBothWays(map, c, d);
    }
  }

  // The one-way links that make pits and spawn rooms.
  for (const Room& island : islands) {
    const Room& host = mainRooms[size_t(island.host)];
    if (island.kind == RoomKind::kPit) {
      auto [from, to] = closestPair(map, host, island);
      join(map, from, to);
    } else if (island.kind == RoomKind::kSpawn) {
      auto [from, to] = closestPair(map, island, host);
      join(map, from, to);
    }
  }
  return map;
}

}  // namespace tessivar
