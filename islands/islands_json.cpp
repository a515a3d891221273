#include "islands/islands_json.h"

#include "frame/report_output.h"
#include "text/escape.h"
#include "text/numbers.h"

namespace tessivar {

namespace {

void appendSuggestion(std::string& s, const SuggestedPath& path) {
  s += "{\"from\": ";
  appendInteger(s, path.from);
  s += ", \"to\": ";
  appendInteger(s, path.to);
  s += ", \"length\": ";
  appendShortest(s, path.length);
  s += ", \"rise\": ";
  appendShortest(s, path.rise);
  s += ", \"walkable\": ";
  s += path.walkable ? "true" : "false";
  s += '}';
}

void appendIsland(std::string& s, const Island& island) {
  s += "{\"kind\": ";
  appendJsonString(s, islandKindName(island.kind));
  s += ", \"waypoints\": [";
  for (size_t i = 0; i < island.waypoints.size(); ++i) {
    if (i > 0) s += ", ";
    appendInteger(s, island.waypoints[i]);
  }
  s += "], \"paths_in\": ";
  appendJsonIntegerPairs(s, island.pathsIn);
  s += ", \"paths_out\": ";
  appendJsonIntegerPairs(s, island.pathsOut);
  s += ", \"box\": [";
  appendJsonPoint(s, island.box.low);
  s += ", ";
  appendJsonPoint(s, island.box.high);
  s += "], \"suggested\": [";
  for (size_t i = 0; i < island.suggested.size(); ++i) {
    if (i > 0) s += ", ";
    appendSuggestion(s, island.suggested[i]);
  }
  s += "]}";
}

}  // namespace

void writeIslandsJson(const std::string& path, const std::string& mapName,
                      const IslandReport& report, std::ostream& out) {
  std::string s = "{\"file\": ";
  appendJsonString(s, path);
  s += ", \"map\": ";
  appendJsonString(s, mapName);
  s += ", \"waypoints\": ";
  appendInteger(s, report.waypoints);
  s += ", \"networks\": ";
  appendInteger(s, report.networks);
  s += ", \"main\": ";
  if (report.hasMain) {
    s += "{\"size\": ";
    appendInteger(s, report.mainSize);
    s += ", \"lowest\": ";
    appendInteger(s, report.mainLowest);
    s += '}';
  } else {
    s += "null";
  }
  s += ", \"islands\": [";
  for (size_t i = 0; i < report.islands.size(); ++i) {
    if (i > 0) s += ", ";
    appendIsland(s, report.islands[i]);
    spillWhenLarge(s, out);
  }
  s += "]}\n";
  finishSection(s, out);
}

}  // namespace tessivar
