#include "svg/map_view.h"

#include <algorithm>
#include <cmath>

namespace tessivar {

MapView::MapView(const std::vector<WaypointRecord>& records, const Box& fit) {
  const double innerW = std::max(1.0, fit.width);
  const double innerH = std::max(1.0, fit.height);
  double maxX = 0, maxY = 0;
  if (!records.empty()) {
    minX_ = maxX = records[0].x;
    minY_ = maxY = records[0].y;
    for (const WaypointRecord& r : records) {
      minX_ = std::min<double>(minX_, r.x);
      maxX = std::max<double>(maxX, r.x);
      minY_ = std::min<double>(minY_, r.y);
      maxY = std::max<double>(maxY, r.y);
    }
  }
  // Spans of finite floats are finite in double (at most about 6.8e38),
  // and so is every quotient below.
  const double spanX = maxX - minX_;
  const double spanY = maxY - minY_;
  if (spanX > 0 && spanY > 0) {
    scale_ = std::min(innerW / spanX, innerH / spanY);
  } else if (spanX > 0) {
    scale_ = innerW / spanX;
  } else if (spanY > 0) {
    scale_ = innerH / spanY;
  } else {
    scale_ = 1;
  }
  const double centreX = fit.left + fit.width / 2;
  const double centreY = fit.top + fit.height / 2;
  originX_ = centreX - spanX * scale_ / 2;
  originY_ = centreY + spanY * scale_ / 2;
}

double scaleBarLength(double scale, double maxPixels) {
  if (!(scale > 0) || !std::isfinite(scale)) return 1;
  const double raw = maxPixels / scale;  // map units the bar may cover
  double power = std::pow(10.0, std::floor(std::log10(raw)));
  if (!(power > 0) || !std::isfinite(power)) return raw;
  // Guard against log10 rounding at exact powers of ten.
  if (power > raw) power /= 10;
  for (double step : {5.0, 2.0, 1.0}) {
    if (step * power <= raw) return step * power;
  }
  return power;
}

}  // namespace tessivar
