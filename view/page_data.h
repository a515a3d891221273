// The map's data as the page of tessivar-view reads it: one JSON object,
// written to sit inside the page's <script type="application/json">
// element (every string escaped so that nothing in it can end the element:
// text/escape.h, JsonPlace::kHtmlScript).
//
// Keys, in this order:
//   "file"        the waypoint file's name, without its folder
//   "map"         the map name
//   "waypoints"   N;  "pathEntries": the path entries as listed
//   "positions"   Base64 of x, y, z of each waypoint as little-endian
//                 binary32 floats, exactly as stored
//   "pathCounts"  Base64 of each waypoint's path count (int32 LE);
//   "pathTargets" Base64 of every path entry's target (int32 LE), in file
//                 order, list after list
//   "orphans", "traps"   waypoint numbers, ascending
//   "report"      {"reachable": R, "route": null | {"length": L,
//                 "waypoints": [0, ..., 5]}} (no waypoints when 5 can't be
//                 reached from 0; null route on a map of fewer than six),
//                 or null when the N x N phases did not run
//   "leftOut"     null, or why they did not run: {"reason": "waypoints",
//                 "limit": 2048} or {"reason": "memory", "needBytes": B}
//   "networks", "main" ({"size": S, "lowest": W} or null)
//   "maxRise"     the rise limit of the suggested paths
//   "islands"     as tessivar-islands --json writes them, keys in camel
//                 case: kind, waypoints, pathsIn, pathsOut, box, suggested
//   "storeys"     [{"low": z, "high": z, "waypoints": K}], lowest first
// Numbers are written as tessivar-islands --json writes them (the
// shortest text that reads back exactly).
#ifndef TESSIVAR_VIEW_PAGE_DATA_H_
#define TESSIVAR_VIEW_PAGE_DATA_H_

#include <string>

#include "view/view_findings.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// `fileName` is shown as it is given (the caller strips the folder).
std::string pageDataJson(const std::string& fileName, const WaypointMap& map,
                         const ViewFindings& findings);

}  // namespace tessivar

#endif  // TESSIVAR_VIEW_PAGE_DATA_H_
