// The islands report as JSON Lines: one object per file, on one line, with
// the keys in this order and this spacing:
//
//   {"file": "maps/a.wpt", "map": "a", "waypoints": 40, "networks": 3,
//    "main": {"size": 36, "lowest": 0}, "islands": [{"kind": "trap region",
//    "waypoints": [36, 37, 38], "paths_in": [[7, 36]], "paths_out": [],
//    "box": [[10, 0, -200], [30.5, 4, -192]], "suggested": [{"from": 36,
//    "to": 7, "length": 201.2, "rise": 196, "walkable": false}]}]}
//
// "main" is null and "islands" empty for a map of no waypoints. A file
// that can't be loaded gives {"file": "<path>", "error": "<message>"}.
// Coordinates and numbers of units are written in the shortest form that
// reads back as the exact value (a float for box corners, a double for
// lengths and rises), never in a locale's form; strings are valid JSON
// whatever bytes they hold (text/escape.h).
#ifndef TESSIVAR_ISLANDS_ISLANDS_JSON_H_
#define TESSIVAR_ISLANDS_ISLANDS_JSON_H_

#include <ostream>
#include <string>

#include "analysis/islands.h"

namespace tessivar {

// Writes the line of one file and flushes `out`.
void writeIslandsJson(const std::string& path, const std::string& mapName,
                      const IslandReport& report, std::ostream& out);

}  // namespace tessivar

#endif  // TESSIVAR_ISLANDS_ISLANDS_JSON_H_
