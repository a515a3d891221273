// The islands report for a person at a terminal: one summary line per file
// and, for each island, a few indented lines: its kind, size and waypoints
// (runs of three or more folded as 12-18), its box ("position: x 1, y 2,
// z 3" when all its waypoints lie at one point), its paths in and out (the
// first kPathsShown of each, then how many more) and its suggested paths
// (in, then out, for a detached island). Lines end with "\n"; the long ones
// are not wrapped:
//
//   maps/a.wpt: map "a", 40 waypoints in 3 networks, main network 36
//     waypoints (lowest 0); islands: 1 trap region, 0 unreachable regions,
//     1 detached (1 orphan)
//     Island 1 of 2: trap region, 3 waypoints: 36-38
//       box: x 10 to 30.5, y 0 to 4, z -200 to -192
//       paths in (1): 7->36
//       paths out: none
//       suggested path out: 36->7, length 201.2, rise 196, NOT WALKABLE
//         (rises more than 45)
//     Island 2 of 2: detached, 1 waypoint (orphan): 39
//       ...
//
// A file without islands gets the summary line alone; a map of no waypoints
// "<path>: map "<name>", 0 waypoints: no main network, no islands"; a file
// that can't be loaded "<path>: <the loader's message>". Map names and paths
// are shown as appendTerminalText (text/escape.h) shows them.
#ifndef TESSIVAR_ISLANDS_ISLANDS_TEXT_H_
#define TESSIVAR_ISLANDS_ISLANDS_TEXT_H_

#include <ostream>
#include <string>

#include "analysis/islands.h"

namespace tessivar {

// Paths in (and out) listed before the rest are only counted.
constexpr size_t kPathsShown = 8;

// Writes the section of one file and flushes `out`.
void writeIslandsText(const std::string& path, const std::string& mapName,
                      const IslandReport& report, std::ostream& out);

// Writes the line of a file that could not be loaded and flushes `out`.
void writeLoadFailureText(const std::string& path, const std::string& message,
                          std::ostream& out);

}  // namespace tessivar

#endif  // TESSIVAR_ISLANDS_ISLANDS_TEXT_H_
