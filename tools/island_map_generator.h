// A generated map with islands of every kind, for the islands tool's
// sample, tests and benchmark.
#ifndef TESSIVAR_TOOLS_ISLAND_MAP_GENERATOR_H_
#define TESSIVAR_TOOLS_ISLAND_MAP_GENERATOR_H_

#include <cstdint>

#include "tools/map_generator.h"

namespace tessivar {

// A map of `size` waypoints (0 to 32767) made of rooms, numbered room by
// room. Most rooms are joined to each other both ways into one large
// network holding waypoints 0 to 5. Among them, in the numbering and on the
// map, lie:
//   - pits: rooms below a floor, entered by a one-way drop from the room
//     above; some shallow enough to climb out of, most below every floor
//     (trap regions);
//   - spawn rooms: left through a one-way exit into a nearby room, some on
//     its floor and some above every floor (unreachable regions);
//   - detached rooms: no path in or out;
//   - orphans: single waypoints with no path in or out.
// Every room is joined inside both ways. About a fifth of the waypoints lie
// in islands; a small map gets fewer of them (none below 12 waypoints). The
// same seed and size always give the same map.
MapSpec generateIslandMap(uint64_t seed, int32_t size);

}  // namespace tessivar

#endif  // TESSIVAR_TOOLS_ISLAND_MAP_GENERATOR_H_
