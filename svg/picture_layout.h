// Where the parts of the map picture go, and the sizes of its marks.
#ifndef TESSIVAR_SVG_PICTURE_LAYOUT_H_
#define TESSIVAR_SVG_PICTURE_LAYOUT_H_

#include "svg/map_view.h"

namespace tessivar {

// The title block spans the top; the plot box holds the map; the legend
// sits in a column to its right.
constexpr double kTitleHeight = 104;
constexpr Box kPlotBox{16, kTitleHeight, 1000, 780};
// The waypoints are fitted into the plot box less room for rings and
// labels at the sides and for the scale bar at the bottom.
constexpr Box kMapBox{kPlotBox.left + 34, kPlotBox.top + 34,
                      kPlotBox.width - 68, kPlotBox.height - 34 - 60};
constexpr double kLegendLeft = 1036;

// Ring and route colours, shared by the marks and the legend.
constexpr char kOrphanColor[] = "#8e24aa";  // purple
constexpr char kTrapColor[] = "#e0115f";    // red
constexpr char kRouteColor[] = "#ff7a00";   // orange
constexpr char kPathColor[] = "#8f959c";    // two-way lines
constexpr char kArrowColor[] = "#4a5663";   // one-way arrows, self loops

// Sizes in pixels of the marks, chosen from how close the waypoints lie on
// the picture, so a dense map gets small dots and thin lines.
struct MarkSizes {
  double dot = 5;    // waypoint radius
  double line = 1;   // path width
  double arrow = 7;  // arrowhead length
  double ring = 9;   // orphan/trap ring radius
  double ringLine = 2;
  double route = 3.5;
};

// `typicalGap` is the usual distance in pixels between neighbouring
// waypoints (0 when unknown).
MarkSizes markSizesFor(double typicalGap);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_PICTURE_LAYOUT_H_
