// The islands in the picture: every island waypoint on a disc of its kind,
// every suggested path drawn, the counts in the title block, checked
// against findIslands run here on its own.
#include "svg/island_marks.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "analysis/islands.h"
#include "svg/discard_stream.h"
#include "svg/map_analysis.h"
#include "svg/map_svg.h"
#include "testing/xml_check.h"
#include "tools/island_map_generator.h"
#include "tools/map_generator.h"
#include "waypoint/loader.h"

namespace tessivar {
namespace {

using testing::parseXml;
using testing::XmlDocument;
using testing::XmlElement;

struct Drawn {
  WaypointGraph graph;
  XmlDocument doc;
};

Drawn draw(const MapSpec& map) {
  Drawn d;
  const std::vector<uint8_t> bytes = encodeWaypointFile(map);
  DiscardStream quiet;
  EXPECT_TRUE(parseWaypointBytes(bytes.data(), bytes.size(), MemoryBudget{},
                                 d.graph, quiet)
                  .ok());
  std::ostringstream svg;
  writeMapSvg(d.graph, analyzeMap(d.graph), svg);
  d.doc = parseXml(svg.str());
  EXPECT_TRUE(d.doc.wellFormed) << d.doc.error;
  return d;
}

bool inLegend(const XmlDocument& doc, const XmlElement& e) {
  for (int i = e.parent; i >= 0; i = doc.elements[size_t(i)].parent) {
    const std::string* id = doc.elements[size_t(i)].attribute("id");
    if (id && *id == "legend") return true;
  }
  return false;
}

// id -> class of the map's elements (not the legend's) whose class starts
// with `prefix`.
std::map<std::string, std::string> marks(const XmlDocument& doc,
                                         const std::string& prefix) {
  std::map<std::string, std::string> found;
  for (const XmlElement& e : doc.elements) {
    const std::string* cls = e.attribute("class");
    if (!cls || cls->rfind(prefix, 0) != 0 || inLegend(doc, e)) continue;
    const std::string* id = e.attribute("id");
    if (!id) continue;
    EXPECT_TRUE(found.emplace(*id, *cls).second) << "repeated id " << *id;
  }
  return found;
}

std::string textOf(const XmlDocument& doc, const std::string& id) {
  for (const XmlElement& e : doc.elements) {
    const std::string* v = e.attribute("id");
    if (v && *v == id) return e.text;
  }
  return "<no element " + id + ">";
}

TEST(IslandMarks, EveryIslandWaypointOnADiscOfItsKind) {
  for (const MapSpec& map :
       {generateIslandMap(3, 200), generateRealisticMap(2, 240),
        sixWaypointExample()}) {
    const Drawn d = draw(map);
    const IslandReport report = findIslands(d.graph);
    std::map<std::string, std::string> expected;
    for (const Island& island : report.islands) {
      for (int32_t v : island.waypoints) {
        expected["i" + std::to_string(v)] =
            std::string("isl ") + islandKindClass(island.kind);
      }
    }
    EXPECT_EQ(marks(d.doc, "isl"), expected) << map.name;
  }
}

TEST(IslandMarks, EverySuggestedPathIsDrawnOnce) {
  const Drawn d = draw(generateIslandMap(3, 200));
  const IslandReport report = findIslands(d.graph);
  std::map<std::string, std::string> expected;
  int both = 0, notWalkable = 0;
  for (const Island& island : report.islands) {
    const auto& s = island.suggested;
    if (s.size() == 2 && s[0].from == s[1].to && s[0].to == s[1].from &&
        s[0].walkable && s[1].walkable) {
      expected["s" + std::to_string(s[1].from) + "-" + std::to_string(s[1].to)] =
          "sug both";
      ++both;
      continue;
    }
    for (const SuggestedPath& p : s) {
      expected["s" + std::to_string(p.from) + "-" + std::to_string(p.to)] =
          p.walkable ? "sug" : "sug nw";
      notWalkable += !p.walkable;
    }
  }
  EXPECT_GT(both, 0);
  EXPECT_GT(notWalkable, 0);
  EXPECT_EQ(marks(d.doc, "sug"), expected);
  // Each line carries a label with its length.
  int labels = 0;
  for (const XmlElement& e : d.doc.elements) {
    const std::string* cls = e.attribute("class");
    if (cls && cls->rfind("sugl", 0) == 0 && !inLegend(d.doc, e)) ++labels;
  }
  EXPECT_EQ(labels, int(expected.size()));
}

TEST(IslandMarks, TitleBlockCountsEachKind) {
  Drawn d = draw(generateIslandMap(3, 200));
  EXPECT_EQ(textOf(d.doc, "main-network"),
            "Main network: 160 of 200 waypoints \xC2\xB7 9 networks");
  EXPECT_EQ(textOf(d.doc, "islands"),
            "Islands: 3 trap regions \xC2\xB7 2 unreachable regions \xC2\xB7 3 "
            "detached");
  MapSpec empty;
  empty.name = "empty";
  d = draw(empty);
  EXPECT_EQ(textOf(d.doc, "main-network"),
            "No main network: the map has no waypoints");
  EXPECT_EQ(textOf(d.doc, "islands"),
            "Islands: 0 trap regions \xC2\xB7 0 unreachable regions \xC2\xB7 0 "
            "detached");
}

TEST(IslandMarks, LegendShowsEachKindAndBothSuggestions) {
  const Drawn d = draw(sixWaypointExample());
  std::set<std::string> legend;
  for (const XmlElement& e : d.doc.elements) {
    const std::string* cls = e.attribute("class");
    if (cls && inLegend(d.doc, e)) legend.insert(*cls);
  }
  for (const char* cls : {"isl trap-region", "isl unreachable-region",
                          "isl detached", "sug", "sug nw"}) {
    EXPECT_TRUE(legend.count(cls)) << cls;
  }
}

}  // namespace
}  // namespace tessivar
