// The reading aids around the map: the title block with the report's
// totals, the legend of heights and marks, and the scale bar.
#ifndef TESSIVAR_SVG_MAP_LEGEND_H_
#define TESSIVAR_SVG_MAP_LEGEND_H_

#include "svg/height_scale.h"
#include "svg/map_analysis.h"
#include "svg/map_view.h"
#include "svg/path_kinds.h"
#include "svg/picture_layout.h"
#include "svg/svg_buffer.h"
#include "waypoint/waypoint_graph.h"

namespace tessivar {

// Map name, waypoint and path counts, orphan and trap totals, reachable
// pairs out of N x N, and the route's length (or why there is none).
void writeTitleBlock(SvgBuffer& svg, const WaypointGraph& graph,
                     const PathKinds& kinds, const MapAnalysis& analysis);

// The height ramp with its values, and one sample of each kind of mark.
void writeLegend(SvgBuffer& svg, const HeightScale& heights,
                 const MarkSizes& sizes);

// A bar of a round length in map units in the lower left of the plot box,
// with the directions of the axes.
void writeScaleBar(SvgBuffer& svg, const MapView& view);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_MAP_LEGEND_H_
