#include "svg/map_view.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "svg/height_scale.h"

namespace tessivar {
namespace {

WaypointRecord at(float x, float y, float z = 0) {
  return WaypointRecord{{0, 0, 0, 0}, x, y, z};
}

const Box kBox{100, 50, 400, 200};

void expectInside(const MapView& v, const WaypointRecord& r) {
  EXPECT_TRUE(std::isfinite(v.toX(r.x)) && std::isfinite(v.toY(r.y)));
  EXPECT_GE(v.toX(r.x), kBox.left - 1e-6);
  EXPECT_LE(v.toX(r.x), kBox.left + kBox.width + 1e-6);
  EXPECT_GE(v.toY(r.y), kBox.top - 1e-6);
  EXPECT_LE(v.toY(r.y), kBox.top + kBox.height + 1e-6);
}

TEST(MapView, XGoesRightYGoesUpAndTheMapIsCentred) {
  const std::vector<WaypointRecord> recs = {at(0, 0), at(10, 0), at(0, 10)};
  const MapView v(recs, kBox);
  EXPECT_DOUBLE_EQ(v.scale(), 20);  // 200 px for 10 units, the tighter side
  EXPECT_GT(v.toX(10), v.toX(0));
  EXPECT_LT(v.toY(10), v.toY(0));   // higher y is nearer the top
  EXPECT_DOUBLE_EQ(v.toY(10), kBox.top);
  EXPECT_DOUBLE_EQ(v.toY(0), kBox.top + kBox.height);
  // 200 px of map in a 400 px wide box: 100 px either side.
  EXPECT_DOUBLE_EQ(v.toX(0), kBox.left + 100);
  EXPECT_DOUBLE_EQ(v.toX(10), kBox.left + 300);
}

TEST(MapView, DegenerateAndExtremeMapsStayFiniteAndInside) {
  const std::vector<std::vector<WaypointRecord>> maps = {
      {},
      {at(5, 5)},
      {at(7, 7), at(7, 7), at(7, 7)},
      {at(0, 3), at(100, 3)},                      // a horizontal line
      {at(2, -50), at(2, 50)},                     // a vertical line
      {at(-3.4e38f, -3.4e38f), at(3.4e38f, 3.4e38f)},
      {at(0, 0), at(1e-44f, 1e-44f)},              // subnormal spacing
      {at(1e30f, 1e30f), at(1e30f, 1e30f + 1e24f)},
  };
  for (const auto& recs : maps) {
    const MapView v(recs, kBox);
    EXPECT_TRUE(std::isfinite(v.scale()) && v.scale() > 0);
    for (const WaypointRecord& r : recs) expectInside(v, r);
    if (recs.size() == 1) {
      EXPECT_DOUBLE_EQ(v.toX(recs[0].x), kBox.left + kBox.width / 2);
      EXPECT_DOUBLE_EQ(v.toY(recs[0].y), kBox.top + kBox.height / 2);
    }
  }
}

TEST(MapView, ScaleBarIsARoundLengthOfSensibleSize) {
  const struct {
    double scale;  // pixels per unit
    double length;
  } cases[] = {
      {1, 100}, {0.5, 200}, {2, 50}, {1.6, 100}, {0.3, 500},
      {3.2, 50}, {160, 1}, {1e6, 0.0001}, {1e-6, 1e8},
  };
  for (const auto& c : cases) {
    const double len = scaleBarLength(c.scale, 160);
    EXPECT_NEAR(len, c.length, c.length * 1e-9) << "scale " << c.scale;
    EXPECT_LE(len * c.scale, 160 * (1 + 1e-9));
    EXPECT_GE(len * c.scale, 160 / 2.5 * (1 - 1e-9));
  }
  EXPECT_TRUE(std::isfinite(scaleBarLength(1e47, 160)));
  EXPECT_TRUE(std::isfinite(scaleBarLength(1e-36, 160)));
}

TEST(HeightScale, SpansTheHeightsOfTheMap) {
  const HeightScale h(std::vector<WaypointRecord>{at(0, 0, 40), at(0, 0, -10),
                                                  at(0, 0, 15)});
  EXPECT_EQ(h.zMin(), -10);
  EXPECT_EQ(h.zMax(), 40);
  EXPECT_EQ(h.position(-10), 0);
  EXPECT_EQ(h.position(40), 1);
  EXPECT_DOUBLE_EQ(h.position(15), 0.5);
  EXPECT_EQ(h.color(-10), HeightScale::rampColor(0));
  EXPECT_EQ(h.color(40), HeightScale::rampColor(1));
  EXPECT_NE(h.color(-10), h.color(40));
}

// The channels of a "#rrggbb" colour.
std::array<int, 3> channels(const std::string& colour) {
  std::array<int, 3> rgb{};
  for (int c = 0; c < 3; ++c) rgb[size_t(c)] = std::stoi(colour.substr(1 + 2 * c, 2), nullptr, 16);
  return rgb;
}

TEST(HeightScale, RampBlendsBetweenItsStops) {
  // Walked from 0 to 1 in steps that put the stops of any ramp of up to
  // nine evenly spaced stops on even steps: every channel changes smoothly,
  // and between two even steps, which lie between the same stops, moves
  // one way only.
  const int steps = 1680;
  std::vector<std::array<int, 3>> ramp;
  for (int i = 0; i <= steps; ++i) ramp.push_back(channels(HeightScale::rampColor(double(i) / steps)));
  for (int i = 0; i < steps; ++i) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_LE(std::abs(ramp[i + 1][c] - ramp[i][c]), 3) << i << " " << c;
    }
  }
  for (int i = 0; i + 2 <= steps; i += 2) {
    for (int c = 0; c < 3; ++c) {
      const int low = std::min(ramp[i][c], ramp[i + 2][c]);
      const int high = std::max(ramp[i][c], ramp[i + 2][c]);
      EXPECT_GE(ramp[i + 1][c], low) << i << " " << c;
      EXPECT_LE(ramp[i + 1][c], high) << i << " " << c;
    }
  }
  // Below 0 and above 1 the ramp's ends.
  EXPECT_EQ(HeightScale::rampColor(-0.5), HeightScale::rampColor(0));
  EXPECT_EQ(HeightScale::rampColor(7), HeightScale::rampColor(1));
}

TEST(HeightScale, FlatAndExtremeMapsGetValidColours) {
  const HeightScale flat(std::vector<WaypointRecord>{at(0, 0, 5), at(1, 1, 5)});
  EXPECT_TRUE(flat.flat());
  EXPECT_EQ(flat.position(5), 0.5);
  const HeightScale wide(-3.4e38, 3.4e38);
  EXPECT_DOUBLE_EQ(wide.position(0), 0.5);
  for (double t : {-1.0, 0.0, 0.3, 1.0, 2.0, std::nan("")}) {
    const std::string c = HeightScale::rampColor(t);
    ASSERT_EQ(c.size(), 7u);
    EXPECT_EQ(c[0], '#');
    EXPECT_EQ(c.find_first_not_of("0123456789abcdef", 1), std::string::npos);
  }
}

}  // namespace
}  // namespace tessivar
