// Colours for waypoint heights: z mapped linearly from the lowest to the
// highest waypoint of the map onto a blue - teal - green - ochre ramp that
// stays dark enough to read on white and keeps clear of the red, purple and
// orange used for traps, orphans and the route.
#ifndef TESSIVAR_SVG_HEIGHT_SCALE_H_
#define TESSIVAR_SVG_HEIGHT_SCALE_H_

#include <string>
#include <vector>

#include "waypoint/waypoint_graph.h"

namespace tessivar {

class HeightScale {
 public:
  // The range of z over `records`; an empty map gets the range 0..0.
  explicit HeightScale(const std::vector<WaypointRecord>& records);
  HeightScale(double zMin, double zMax);

  double zMin() const { return zMin_; }
  double zMax() const { return zMax_; }
  bool flat() const { return !(zMax_ > zMin_); }

  // 0 at the lowest height, 1 at the highest; 0.5 for a flat map.
  double position(double z) const;
  // "#rrggbb" for a height.
  std::string color(double z) const;
  // "#rrggbb" at a position 0..1 of the ramp (the legend draws it).
  static std::string rampColor(double t);

 private:
  double zMin_;
  double zMax_;
};

}  // namespace tessivar

#endif  // TESSIVAR_SVG_HEIGHT_SCALE_H_
