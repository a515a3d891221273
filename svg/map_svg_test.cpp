#include "svg/map_svg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <map>
#include <set>
#include <sstream>

#include "analysis/orphan_scan.h"
#include "analysis/pathing.h"
#include "analysis/reachability.h"
#include "analysis/route_query.h"
#include "svg/map_analysis.h"
#include "svg/picture_layout.h"
#include "testing/xml_check.h"
#include "tools/map_generator.h"
#include "waypoint/loader.h"

namespace tessivar {
namespace {

using testing::parseXml;
using testing::XmlDocument;
using testing::XmlElement;

WaypointGraph loadMap(const MapSpec& map) {
  const std::vector<uint8_t> bytes = encodeWaypointFile(map);
  WaypointGraph graph;
  const LoadResult r = parseWaypointBytes(bytes.data(), bytes.size(),
                                          MemoryBudget{}, graph);
  EXPECT_EQ(r.status, LoadStatus::kLoaded) << r.message;
  return graph;
}

struct Picture {
  WaypointGraph graph;
  MapAnalysis analysis;
  std::string svg;
  XmlDocument doc;

  // Whether `e` is one of the legend's samples.
  bool inLegend(const XmlElement& e) const {
    for (int i = e.parent; i >= 0; i = doc.elements[size_t(i)].parent) {
      const std::string* id = doc.elements[size_t(i)].attribute("id");
      if (id && *id == "legend") return true;
    }
    return false;
  }
  // Elements of the map (not the legend) whose class list holds `cls`.
  std::vector<const XmlElement*> withClass(const std::string& cls) const {
    std::vector<const XmlElement*> found;
    for (const XmlElement& e : doc.elements) {
      const std::string* c = e.attribute("class");
      if (inLegend(e)) continue;
      if (!c) continue;
      std::istringstream words(*c);
      std::string w;
      while (words >> w) {
        if (w == cls) found.push_back(&e);
      }
    }
    return found;
  }
  std::set<std::string> idsWithClass(const std::string& cls) const {
    std::set<std::string> ids;
    for (const XmlElement* e : withClass(cls)) {
      const std::string* id = e->attribute("id");
      EXPECT_TRUE(id) << "an element of class " << cls << " has no id";
      if (id) {
        EXPECT_TRUE(ids.insert(*id).second) << "repeated id " << *id;
      }
    }
    return ids;
  }
  const XmlElement* byId(const std::string& id) const {
    for (const XmlElement& e : doc.elements) {
      const std::string* v = e.attribute("id");
      if (v && *v == id) return &e;
    }
    return nullptr;
  }
  std::string textOf(const std::string& id) const {
    const XmlElement* e = byId(id);
    return e ? e->text : "<no element " + id + ">";
  }
  // The text of the <title> inside element `id`.
  std::string titleOf(const std::string& id) const {
    const XmlElement* e = byId(id);
    if (!e) return "";
    const int index = int(e - doc.elements.data());
    for (const XmlElement& child : doc.elements) {
      if (child.parent == index && child.name == "title") return child.text;
    }
    return "";
  }
};

Picture draw(const MapSpec& map) {
  Picture p;
  p.graph = loadMap(map);
  p.analysis = analyzeMap(p.graph);
  std::ostringstream out;
  writeMapSvg(p.graph, p.analysis, out);
  p.svg = out.str();
  p.doc = parseXml(p.svg);
  EXPECT_TRUE(p.doc.wellFormed) << p.doc.error;
  return p;
}

double number(const XmlElement& e, const char* attr) {
  const std::string* v = e.attribute(attr);
  EXPECT_TRUE(v) << e.name << " lacks " << attr;
  if (!v) return NAN;
  char* end = nullptr;
  const double d = std::strtod(v->c_str(), &end);
  EXPECT_EQ(*end, '\0') << attr << "=\"" << *v << "\" is not a number";
  return d;
}

std::string pairId(int a, int b) {
  return "p" + std::to_string(a) + "-" + std::to_string(b);
}

std::set<std::string> numberedIds(char prefix, const std::vector<int32_t>& v) {
  std::set<std::string> ids;
  for (int32_t x : v) ids.insert(prefix + std::to_string(x));
  return ids;
}

// The two-way, one-way and self paths of a map, worked out from its
// description rather than from the adjacency matrix.
struct ExpectedPaths {
  std::set<std::string> twoWay, oneWay, self;
};
ExpectedPaths expectedPaths(const MapSpec& map) {
  std::set<std::pair<int, int>> directed;
  for (size_t a = 0; a < map.paths.size(); ++a) {
    for (int16_t b : map.paths[a]) directed.emplace(int(a), b);
  }
  ExpectedPaths e;
  for (const auto& [a, b] : directed) {
    if (a == b) {
      e.self.insert(pairId(a, b));
    } else if (!directed.count({b, a})) {
      e.oneWay.insert(pairId(a, b));
    } else if (a < b) {
      e.twoWay.insert(pairId(a, b));
    }
  }
  return e;
}

// Every waypoint once, with its number and position in its <title>.
void expectWaypointDots(const Picture& p, const MapSpec& map) {
  std::set<std::string> expected;
  for (size_t v = 0; v < map.positions.size(); ++v)
    expected.insert("w" + std::to_string(v));
  EXPECT_EQ(p.idsWithClass("wp"), expected);
  for (const XmlElement* dot : p.withClass("wp")) {
    const double cx = number(*dot, "cx"), cy = number(*dot, "cy");
    EXPECT_GE(cx, kPlotBox.left);
    EXPECT_LE(cx, kPlotBox.left + kPlotBox.width);
    EXPECT_GE(cy, kPlotBox.top);
    EXPECT_LE(cy, kPlotBox.top + kPlotBox.height);
  }
}

// The route polyline passes exactly through the dots of `route`.
void expectRouteThrough(const Picture& p, const std::vector<int32_t>& route) {
  const XmlElement* line = p.byId("route");
  ASSERT_NE(line, nullptr);
  std::string listed;
  for (int32_t v : route) listed += (listed.empty() ? "" : " ") + std::to_string(v);
  EXPECT_EQ(*line->attribute("data-waypoints"), listed);
  std::istringstream points(*line->attribute("points"));
  std::string point;
  size_t i = 0;
  while (points >> point) {
    ASSERT_LT(i, route.size());
    const XmlElement* dot = p.byId("w" + std::to_string(route[i]));
    ASSERT_NE(dot, nullptr);
    const size_t comma = point.find(',');
    ASSERT_NE(comma, std::string::npos);
    EXPECT_EQ(point.substr(0, comma), *dot->attribute("cx"));
    EXPECT_EQ(point.substr(comma + 1), *dot->attribute("cy"));
    ++i;
  }
  EXPECT_EQ(i, route.size());
}

TEST(MapSvg, SixWaypointExampleShowsEverythingTheReportSays) {
  const MapSpec map = sixWaypointExample();
  const Picture p = draw(map);
  ASSERT_TRUE(p.doc.wellFormed);
  EXPECT_EQ(p.doc.elements[0].name, "svg");
  EXPECT_EQ(*p.doc.elements[0].attribute("xmlns"), "http://www.w3.org/2000/svg");
  expectWaypointDots(p, map);
  EXPECT_EQ(p.titleOf("w4"), "Waypoint 4 at (5, 12, 0)");
  EXPECT_EQ(p.titleOf("w1"), "Waypoint 1 at (10, 0, 0)");
  EXPECT_EQ(p.idsWithClass("p1"),
            (std::set<std::string>{"p0-2", "p0-4", "p2-3", "p3-1", "p4-1",
                                   "p1-5"}));
  EXPECT_TRUE(p.idsWithClass("p2").empty());
  EXPECT_TRUE(p.idsWithClass("p0").empty());
  EXPECT_TRUE(p.idsWithClass("orphan").empty());
  EXPECT_EQ(p.idsWithClass("trap"), (std::set<std::string>{"t5"}));
  expectRouteThrough(p, {0, 2, 3, 1, 5});
  EXPECT_EQ(p.textOf("route-label"), "0 \xE2\x86\x92 5: 15 units");
  EXPECT_NE(p.byId("start"), nullptr);
  EXPECT_NE(p.byId("end"), nullptr);
  EXPECT_EQ(p.textOf("map-name"), "Map: six_waypoints");
  EXPECT_EQ(p.textOf("counts"),
            "6 waypoints \xC2\xB7 6 path entries: 0 two-way pairs, 6 one-way, "
            "0 self");
  EXPECT_EQ(p.textOf("totals"),
            "0 orphans \xC2\xB7 1 trap \xC2\xB7 13 of 6 \xC3\x97 6 = 36 ordered "
            "pairs reachable");
  EXPECT_EQ(p.textOf("route-summary"),
            "Route 0 \xE2\x86\x92 5 (orange): 15 units, via 3 waypoints");
}

// A realistic map checked against the report's own phases, run here
// separately from the picture's analysis.
TEST(MapSvg, RealisticMapRingsExactlyTheReportedOrphansAndTraps) {
  for (uint64_t seed : {2u, 7u}) {
    const MapSpec map = generateRealisticMap(seed, 240);
    const Picture p = draw(map);
    ASSERT_TRUE(p.doc.wellFormed);
    const OrphanScanResult scan = scanOrphansAndTraps(p.graph);
    ASSERT_FALSE(scan.orphans.empty() && scan.traps.empty())
        << "the map should have something to ring";
    EXPECT_EQ(p.idsWithClass("orphan"), numberedIds('o', scan.orphans));
    EXPECT_EQ(p.idsWithClass("trap"), numberedIds('t', scan.traps));
    // Each ring carries its waypoint's number.
    std::multiset<std::string> tags, numbers;
    for (const XmlElement* t : p.withClass("tag")) {
      const std::string* c = t->attribute("class");
      if (*c == "tag o" || *c == "tag t") tags.insert(t->text);
    }
    for (int32_t v : scan.orphans) numbers.insert(std::to_string(v));
    for (int32_t v : scan.traps) numbers.insert(std::to_string(v));
    EXPECT_EQ(tags, numbers);

    expectWaypointDots(p, map);
    const ExpectedPaths paths = expectedPaths(map);
    EXPECT_EQ(p.idsWithClass("p2"), paths.twoWay);
    EXPECT_EQ(p.idsWithClass("p1"), paths.oneWay);
    EXPECT_EQ(p.idsWithClass("p0"), paths.self);

    const ReachabilityResult reach = buildReachabilityMatrix(p.graph);
    const PathingResult pathing =
        buildPathingBlock(p.graph, reach.matrix);
    ASSERT_TRUE(reach.matrix[cellIndex(0, 5, p.graph.n)]);
    std::vector<int32_t> route{0};
    for (int32_t m : expandRoute(pathing.shortestPath, p.graph.n, 0, 5))
      route.push_back(m);
    route.push_back(5);
    expectRouteThrough(p, route);
    // Every leg of the printed route is a path of the map.
    for (size_t i = 0; i + 1 < route.size(); ++i)
      EXPECT_TRUE(p.graph.hasPath(route[i], route[i + 1]));
    std::ostringstream length;
    length << pathing.pathing[cellIndex(0, 5, p.graph.n)];
    EXPECT_EQ(p.textOf("route-label"),
              "0 \xE2\x86\x92 5: " + length.str() + " units");
    EXPECT_NE(p.textOf("totals").find(std::to_string(reach.reachableCount) +
                                      " of 240 \xC3\x97 240 = 57600"),
              std::string::npos);
  }
}

TEST(MapSvg, SelfPathsAndRepeatedEntriesAreDrawnOnce) {
  MapSpec map;
  map.name = "loops";
  map.positions = {{0, 0, 0}, {10, 0, 0}, {0, 10, 5}, {10, 10, 0},
                    {5, 5, 0}, {20, 20, 0}, {30, 0, 0}};
  map.paths = {{1, 1, 1, 0}, {0}, {2, 2, 3}, {}, {4}, {}, {}};
  const Picture p = draw(map);
  EXPECT_EQ(p.idsWithClass("p2"), (std::set<std::string>{"p0-1"}));
  EXPECT_EQ(p.idsWithClass("p1"), (std::set<std::string>{"p2-3"}));
  EXPECT_EQ(p.idsWithClass("p0"), (std::set<std::string>{"p0-0", "p2-2", "p4-4"}));
  EXPECT_EQ(p.idsWithClass("trap"), (std::set<std::string>{"t3"}));
  EXPECT_EQ(p.idsWithClass("orphan"), (std::set<std::string>{"o5", "o6"}));
  EXPECT_EQ(p.textOf("counts"),
            "7 waypoints \xC2\xB7 9 path entries: 1 two-way pairs, 1 one-way, "
            "3 self");
}

TEST(MapSvg, HostileMapNamesAreEscapedAndCleaned) {
  const std::string bad = "\xEF\xBF\xBD";
  const struct {
    std::string name;
    std::string shown;
  } cases[] = {
      {"<script>alert('x')</script>", "<script>alert('x')</script>"},
      {"a&b\"c]]>", "a&b\"c]]>"},
      {"&amp;&#0;", "&amp;&#0;"},
      {"\xFF\xFE<", bad + bad + "<"},
      {"x\x01y\x1B[31m", "x" + bad + "y" + bad + "[31m"},
      {"\xC0\xAF\xED\xA0\x80", bad + bad + bad + bad + bad},
      {"caf\xC3\xA9 \xF0\x9F\x97\xBA", "caf\xC3\xA9 \xF0\x9F\x97\xBA"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"},
      {"cut\xE2\x82", "cut" + bad + bad},
      {"", "(no name)"},
  };
  for (const auto& c : cases) {
    MapSpec map = sixWaypointExample();
    map.name = c.name;
    const Picture p = draw(map);
    ASSERT_TRUE(p.doc.wellFormed) << "name " << c.name << ": " << p.doc.error;
    EXPECT_EQ(p.textOf("map-name"), "Map: " + c.shown);
  }
}

TEST(MapSvg, FewerThanSixWaypointsHaveNoRoute) {
  for (int n : {0, 1, 3, 5}) {
    MapSpec map;
    map.name = "small";
    for (int v = 0; v < n; ++v) {
      map.positions.push_back({float(v), float(v * v), 0});
      map.paths.push_back({});
      if (v > 0) map.paths[v - 1].push_back(int16_t(v));
    }
    const Picture p = draw(map);
    ASSERT_TRUE(p.doc.wellFormed) << n;
    EXPECT_EQ(p.withClass("wp").size(), size_t(n));
    EXPECT_EQ(p.byId("route"), nullptr);
    EXPECT_EQ(p.byId("end"), nullptr);
    EXPECT_EQ(p.byId("start") != nullptr, n > 0);
    EXPECT_EQ(p.textOf("route-summary"),
              "No route 0 \xE2\x86\x92 5: the map has only " +
                  std::to_string(n) + " waypoint(s)");
  }
}

TEST(MapSvg, UnreachableEndGetsNoRouteButBothMarks) {
  MapSpec map = sixWaypointExample();
  map.paths = {{1}, {0}, {}, {}, {}, {4}};
  const Picture p = draw(map);
  EXPECT_EQ(p.byId("route"), nullptr);
  EXPECT_NE(p.byId("start"), nullptr);
  EXPECT_NE(p.byId("end"), nullptr);
  EXPECT_EQ(p.textOf("route-summary"),
            "Waypoint 5 can't be reached from waypoint 0 (the report gives "
            "the length 1e+07)");
}

TEST(MapSvg, DirectRouteIsOneLeg) {
  MapSpec map = sixWaypointExample();
  map.paths[0].push_back(5);
  const Picture p = draw(map);
  expectRouteThrough(p, {0, 5});
  EXPECT_EQ(p.textOf("route-label"), "0 \xE2\x86\x92 5: 11.1803 units");
}

TEST(MapSvg, ExtremePositionsGiveFiniteNumbersInsideThePicture) {
  const std::vector<std::vector<std::array<float, 3>>> layouts = {
      {{7, 7, 7}, {7, 7, 7}, {7, 7, 7}, {7, 7, 7}, {7, 7, 7}, {7, 7, 7}},
      {{-3.4e38f, -3.4e38f, -3.4e38f}, {3.4e38f, 3.4e38f, 3.4e38f},
       {0, 0, 0}, {1, 1, 1}, {-1, 2, 3}, {3.4e38f, -3.4e38f, 0}},
      {{0, 0, 0}, {1e-44f, 0, 0}, {0, 1e-44f, 0}, {1e-44f, 1e-44f, 1e-40f},
       {0, 0, 1e-44f}, {1e-45f, 1e-45f, 0}},
  };
  const char* const numeric[] = {"x", "y", "cx", "cy", "r", "x1", "y1",
                                 "x2", "y2", "width", "height"};
  for (const auto& positions : layouts) {
    MapSpec map;
    map.name = "extreme";
    map.positions = positions;
    // Paths between the far corners would be longer than a float holds
    // (the loader refuses those); the corners stay orphans.
    const bool huge = std::fabs(positions[0][0]) > 1e30f;
    map.paths = huge ? std::vector<std::vector<int16_t>>{{}, {}, {3}, {4}, {2}, {}}
                      : std::vector<std::vector<int16_t>>{{1, 2}, {0}, {3}, {4}, {5}, {0, 5}};
    const Picture p = draw(map);
    ASSERT_TRUE(p.doc.wellFormed);
    for (const XmlElement& e : p.doc.elements) {
      for (const char* attr : numeric) {
        if (!e.attribute(attr)) continue;
        const double v = number(e, attr);
        EXPECT_TRUE(std::isfinite(v));
        EXPECT_GE(v, -50);
        EXPECT_LE(v, kSvgWidth + 50);
      }
    }
    expectWaypointDots(p, map);
  }
}

struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(MapSvg, DocumentDoesNotDependOnTheLocale) {
  const MapSpec map = generateRealisticMap(4, 120);
  const WaypointGraph graph = loadMap(map);
  const MapAnalysis analysis = analyzeMap(graph);
  std::ostringstream plain;
  writeMapSvg(graph, analysis, plain);

  const std::locale comma(std::locale::classic(), new CommaPunct);
  const std::locale previous = std::locale::global(comma);
  std::ostringstream local;
  local.imbue(comma);
  writeMapSvg(graph, analysis, local);
  std::locale::global(previous);
  EXPECT_EQ(local.str(), plain.str());
}

TEST(MapSvg, DenseMapsGetSmallerMarks) {
  const MarkSizes sparse = markSizesFor(200);
  const MarkSizes dense = markSizesFor(4);
  EXPECT_LT(dense.dot, sparse.dot);
  EXPECT_LT(dense.line, sparse.line);
  EXPECT_GE(dense.dot, 1.3);   // still visible
  EXPECT_LE(sparse.dot, 5.5);  // never blobs
  const MarkSizes unknown = markSizesFor(std::nan(""));
  EXPECT_TRUE(std::isfinite(unknown.dot) && unknown.dot > 0);
  EXPECT_GT(unknown.ring, unknown.dot);
}

}  // namespace
}  // namespace tessivar
