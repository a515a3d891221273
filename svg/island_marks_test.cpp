// The islands in the picture, checked against findIslands run here on its
// own: every island waypoint on a disc of its kind, every suggested path
// drawn with its label, the counts in the title block, the legend.
#include "svg/island_marks.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "svg/map_analysis.h"
#include "svg/map_svg.h"
#include "testing/xml_check.h"
#include "tools/island_map_generator.h"
#include "waypoint/loader.h"

namespace tessivar {
namespace {

struct Drawn {
  WaypointGraph graph;
  std::map<std::string, std::string> marks;  // id (or label n) -> class
  std::set<std::string> legend;              // classes in the legend
  std::map<std::string, std::string> texts;  // id -> text
};

Drawn draw(const MapSpec& map) {
  Drawn d;
  const std::vector<uint8_t> bytes = encodeWaypointFile(map);
  EXPECT_TRUE(parseWaypointBytes(bytes.data(), bytes.size(), {}, d.graph).ok());
  std::ostringstream svg;
  writeMapSvg(d.graph, analyzeMap(d.graph), svg);
  const testing::XmlDocument doc = testing::parseXml(svg.str());
  EXPECT_TRUE(doc.wellFormed) << doc.error;
  int labels = 0;
  for (const testing::XmlElement& e : doc.elements) {
    bool legend = false;
    for (int i = e.parent; i >= 0; i = doc.elements[size_t(i)].parent) {
      const std::string* id = doc.elements[size_t(i)].attribute("id");
      legend = legend || (id && *id == "legend");
    }
    const std::string cls = e.attribute("class") ? *e.attribute("class") : "";
    const std::string id = e.attribute("id") ? *e.attribute("id") : "";
    if (!id.empty()) d.texts[id] = e.text;
    if (legend) d.legend.insert(cls);
    if (!legend && (cls.rfind("isl", 0) == 0 || cls.rfind("sug", 0) == 0)) {
      const std::string key = id.empty() ? "label " + std::to_string(labels++) : id;
      EXPECT_TRUE(d.marks.emplace(key, cls).second) << "repeated id " << key;
    }
  }
  return d;
}

TEST(IslandMarks, EveryIslandWaypointAndSuggestedPathIsDrawn) {
  for (const MapSpec& map : {generateIslandMap(3, 200), generateRealisticMap(2, 240)}) {
    const Drawn d = draw(map);
    std::map<std::string, std::string> expected;
    int labels = 0;
    const char* kinds[] = {"isl trap-region", "isl unreachable-region", "isl detached"};
    for (const Island& island : findIslands(d.graph).islands) {
      for (int32_t v : island.waypoints) {
        expected["i" + std::to_string(v)] = kinds[int(island.kind)];
      }
      // A pair suggested both ways, both walkable, is one line from the
      // island out.
      const auto& s = island.suggested;
      const bool both = s.size() == 2 && s[0].from == s[1].to && s[0].to == s[1].from &&
                        s[0].walkable && s[1].walkable;
      for (size_t k = both; k < s.size(); ++k) {
        expected["s" + std::to_string(s[k].from) + "-" + std::to_string(s[k].to)] =
            both ? "sug both" : s[k].walkable ? "sug" : "sug nw";
        expected["label " + std::to_string(labels++)] =
            s[k].walkable ? "sugl" : "sugl nw";
      }
    }
    EXPECT_EQ(d.marks, expected) << map.name;
  }
}

TEST(IslandMarks, TitleBlockCountsEachKindAndLegendShowsThem) {
  Drawn d = draw(generateIslandMap(3, 200));
  EXPECT_EQ(d.texts["main-network"],
            "Main network: 160 of 200 waypoints \xC2\xB7 9 networks");
  EXPECT_EQ(d.texts["islands"],
            "Islands: 3 trap regions \xC2\xB7 2 unreachable regions \xC2\xB7 3 detached");
  for (const char* cls : {"isl trap-region", "isl unreachable-region", "isl detached",
                          "sug", "sug nw"}) {
    EXPECT_TRUE(d.legend.count(cls)) << cls;
  }
  d = draw(MapSpec{"empty", {}, {}});
  EXPECT_EQ(d.texts["main-network"], "No main network: the map has no waypoints");
  EXPECT_EQ(d.texts["islands"],
            "Islands: 0 trap regions \xC2\xB7 0 unreachable regions \xC2\xB7 0 detached");
}

}  // namespace
}  // namespace tessivar
