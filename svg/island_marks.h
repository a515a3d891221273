// The islands in the picture: each island waypoint on a disc of its kind's
// colour (under its dot), the suggested paths as dashed arrows labelled
// with their length, the counts of each kind in the title block and a
// legend row for each mark.
//
// Elements a program can find (the tests do):
//   island waypoint v    <circle class="isl trap-region" id="iV">
//                        (or unreachable-region, detached)
//   suggested path a->b  <line class="sug" id="sA-B"> (class "sug nw" when
//                        not walkable), its label <text class="sugl">; a
//                        pair suggested both ways (into a detached island
//                        and out of it), both walkable, is one line from the
//                        island out with a head at each end, "sug both"
//   counts               <text id="islands">, <text id="main-network">
#ifndef TESSIVAR_SVG_ISLAND_MARKS_H_
#define TESSIVAR_SVG_ISLAND_MARKS_H_

#include <vector>

#include "analysis/islands.h"
#include "svg/picture_layout.h"
#include "svg/svg_buffer.h"

namespace tessivar {

// Fill colours of the discs, one per kind, and of the suggested paths.
constexpr char kTrapRegionColor[] = "#ff6f61";         // coral
constexpr char kUnreachableRegionColor[] = "#ffc400";  // amber
constexpr char kDetachedColor[] = "#00e5ff";           // cyan
constexpr char kWalkableColor[] = "#2e7d32";           // green
constexpr char kNotWalkableColor[] = "#b71c1c";        // dark red

// The class that names a kind in the picture: "trap-region",
// "unreachable-region" or "detached".
const char* islandKindClass(IslandKind kind);

// Style rules and arrowheads for the marks; inside <style> and <defs>.
void writeIslandStyles(SvgBuffer& svg, const MarkSizes& sizes);
void writeIslandMarkers(SvgBuffer& svg, const MarkSizes& sizes);

// The discs under the island waypoints at picture positions x, y.
void writeIslandDiscs(SvgBuffer& svg, const IslandReport& islands,
                      const std::vector<double>& x,
                      const std::vector<double>& y, const MarkSizes& sizes);

// The suggested paths, dashed, with their lengths.
void writeSuggestedPaths(SvgBuffer& svg, const IslandReport& islands,
                         const std::vector<double>& x,
                         const std::vector<double>& y, const MarkSizes& sizes);

// The main network's size and the count of islands of each kind, at the
// right of the title block.
void writeIslandCounts(SvgBuffer& svg, const IslandReport& islands);

// Legend rows for the three kinds and the two kinds of suggested path,
// the first at height `y` (advanced past the rows).
void writeIslandLegendRows(SvgBuffer& svg, double x, double& y,
                           const MarkSizes& sizes);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_ISLAND_MARKS_H_
