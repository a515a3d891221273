#include "svg/height_scale.h"

#include <algorithm>
#include <cmath>

namespace tessivar {

namespace {

struct Rgb {
  double r, g, b;
};

// Evenly spaced stops of the ramp, low to high.
constexpr Rgb kRamp[] = {
    {0x2b, 0x3f, 0xa8},  // deep blue
    {0x1f, 0x86, 0xc4},  // sky blue
    {0x17, 0xa0, 0x8a},  // teal
    {0x5e, 0xb5, 0x3c},  // green
    {0xc2, 0xa8, 0x1c},  // ochre
};
constexpr int kStops = sizeof kRamp / sizeof kRamp[0];

}  // namespace

HeightScale::HeightScale(const std::vector<WaypointRecord>& records)
    : zMin_(0), zMax_(0) {
  if (records.empty()) return;
  zMin_ = zMax_ = records[0].z;
  for (const WaypointRecord& r : records) {
    zMin_ = std::min<double>(zMin_, r.z);
    zMax_ = std::max<double>(zMax_, r.z);
  }
}

HeightScale::HeightScale(double zMin, double zMax) : zMin_(zMin), zMax_(zMax) {}

double HeightScale::position(double z) const {
  if (flat()) return 0.5;
  // Differences of finite floats are finite in double.
  const double t = (z - zMin_) / (zMax_ - zMin_);
  return std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0.5;
}

std::string HeightScale::color(double z) const {
  return rampColor(position(z));
}

std::string HeightScale::rampColor(double t) {
  if (!(t >= 0)) t = 0;  // also NaN
  if (t > 1) t = 1;
  const double x = t * (kStops - 1);
  const int i = std::min(int(x), kStops - 2);
  const double f = x - i;
  const Rgb& a = kRamp[i];
  const Rgb& b = kRamp[i + 1];
  const int rgb[3] = {int(std::lround(a.r + (b.r - a.r) * f)),
                      int(std::lround(a.g + (b.g - a.g) * f)),
                      int(std::lround(a.b + (b.b - a.b) * f))};
  static const char kHex[] = "0123456789abcdef";
  std::string out = "#";
  for (int c : rgb) {
    out += kHex[(c >> 4) & 15];
    out += kHex[c & 15];
  }
  return out;
}

}  // namespace tessivar
