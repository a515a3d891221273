// The picture of a map: one self-contained SVG document with a top-down
// view of the waypoints (coloured by height) and their paths, the islands'
// waypoints on discs of their kind's colour with the suggested paths that
// would join them, the orphan and trap waypoints ringed and numbered, the
// printed route from waypoint 0 to waypoint 5 on top, a title block with
// the report's totals and the islands of each kind, a legend and a scale
// bar.
//
// Elements a program can find (the tests do):
//   waypoint v          <circle class="wp" id="wV"> with a <title>
//   two-way path a<b    <line class="p2" id="pA-B">
//   one-way path a->b   <line class="p1" id="pA-B"> ending in an arrow
//   self path v         <circle class="p0" id="pV-V">
//   orphan / trap ring  <circle class="orphan" id="oV">, class="trap" id="tV"
//   the route           <polyline class="route" id="route"
//                        data-waypoints="0 ... 5">
//   waypoints 0 and 5   <polygon id="start">, <polygon id="end">
//   islands             svg/island_marks.h
#ifndef TESSIVAR_SVG_MAP_SVG_H_
#define TESSIVAR_SVG_MAP_SVG_H_

#include <ostream>

#include "svg/map_analysis.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// Size of the picture in CSS pixels.
constexpr int kSvgWidth = 1280;
constexpr int kSvgHeight = 900;

// Writes the document for `graph` and its `analysis` to `out`. Every number
// in it is finite and written without regard to any locale. Check `out`
// afterwards for write errors.
void writeMapSvg(const WaypointGraph& graph, const MapAnalysis& analysis,
                 std::ostream& out);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_MAP_SVG_H_
