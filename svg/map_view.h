// The projection of a map onto the picture: a top-down view with x to the
// right and y up, scaled uniformly so that every waypoint lies inside the
// plot box less a margin, and centred in it. Also picks the length of the
// scale bar.
#ifndef TESSIVAR_SVG_MAP_VIEW_H_
#define TESSIVAR_SVG_MAP_VIEW_H_

#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

struct Box {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

class MapView {
 public:
  // Fits `records` into `fit`. A map of no waypoints, or whose waypoints
  // all share x and y, gets one pixel per map unit around the centre of
  // the box.
  MapView(const std::vector<WaypointRecord>& records, const Box& fit);

  // Picture coordinates of map x and y; always finite.
  double toX(double x) const { return originX_ + (x - minX_) * scale_; }
  double toY(double y) const { return originY_ - (y - minY_) * scale_; }
  double scale() const { return scale_; }  // pixels per map unit

 private:
  double minX_ = 0;
  double minY_ = 0;
  double scale_ = 1;
  double originX_ = 0;  // picture x of minX_
  double originY_ = 0;  // picture y of minY_
};

// A round length (1, 2 or 5 times a power of ten) in map units whose bar
// is at most `maxPixels` long at `scale` pixels per unit, and at least
// maxPixels / 2.5.
double scaleBarLength(double scale, double maxPixels);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_MAP_VIEW_H_
