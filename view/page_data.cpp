#include "view/page_data.h"

#include <vector>

#include "text/base64.h"
#include "text/escape.h"
#include "text/numbers.h"

namespace tessivar {

namespace {

void appendString(std::string& s, const std::string& bytes) {
  appendJsonString(s, bytes, JsonPlace::kHtmlScript);
}

void appendKey(std::string& s, const char* key) {
  s += ", \"";
  s += key;
  s += "\": ";
}

void appendIsland(std::string& s, const Island& island) {
  s += "{\"kind\": ";
  appendString(s, islandKindName(island.kind));
  appendKey(s, "waypoints");
  appendJsonIntegers(s, island.waypoints);
  appendKey(s, "pathsIn");
  appendJsonIntegerPairs(s, island.pathsIn);
  appendKey(s, "pathsOut");
  appendJsonIntegerPairs(s, island.pathsOut);
  appendKey(s, "box");
  s += '[';
  appendJsonPoint(s, island.box.low);
  s += ", ";
  appendJsonPoint(s, island.box.high);
  s += ']';
  appendKey(s, "suggested");
  s += '[';
  for (size_t i = 0; i < island.suggested.size(); ++i) {
    const SuggestedPath& path = island.suggested[i];
    if (i > 0) s += ", ";
    s += "{\"from\": ";
    appendInteger(s, path.from);
    appendKey(s, "to");
    appendInteger(s, path.to);
    appendKey(s, "length");
    appendShortest(s, path.length);
    appendKey(s, "rise");
    appendShortest(s, path.rise);
    appendKey(s, "walkable");
    s += path.walkable ? "true" : "false";
    s += '}';
  }
  s += "]}";
}

void appendReport(std::string& s, const ViewFindings& found) {
  if (found.phases.plan != PhasesPlan::kRun) {
    s += "null";
    appendKey(s, "leftOut");
    if (found.phases.plan == PhasesPlan::kTooManyWaypoints) {
      s += "{\"reason\": \"waypoints\", \"limit\": ";
      appendInteger(s, kViewReportWaypointLimit);
    } else {
      s += "{\"reason\": \"memory\", \"needBytes\": ";
      // Saturated figures stay exact integers in a double's range.
      appendShortest(s, double(found.phases.fillBytes));
    }
    s += '}';
    return;
  }
  s += "{\"reachable\": ";
  appendInteger(s, found.reachableCount);
  appendKey(s, "route");
  if (!found.routeQueried) {
    s += "null";
  } else {
    s += "{\"length\": ";
    appendShortest(s, found.routeLength);
    appendKey(s, "waypoints");
    appendJsonIntegers(s, found.route);
    s += '}';
  }
  s += '}';
  appendKey(s, "leftOut");
  s += "null";
}

}  // namespace

std::string pageDataJson(const std::string& fileName, const WaypointMap& map,
                         const ViewFindings& found) {
  std::string s = "{\"file\": ";
  appendString(s, fileName);
  appendKey(s, "map");
  appendString(s, map.mapName);
  appendKey(s, "waypoints");
  appendInteger(s, map.n);
  appendKey(s, "pathEntries");
  appendInteger(s, map.pathEntryTotal);

  std::vector<uint8_t> bytes;
  bytes.reserve(map.records.size() * 12);
  for (const WaypointRecord& r : map.records) {
    appendLittleEndian(bytes, r.x);
    appendLittleEndian(bytes, r.y);
    appendLittleEndian(bytes, r.z);
  }
  appendKey(s, "positions");
  s += '"';
  appendBase64(s, bytes);
  s += '"';
  bytes.clear();
  for (int32_t i = 0; i < map.n; ++i) {
    appendLittleEndian(bytes, int32_t(map.pathCount(i)));
  }
  appendKey(s, "pathCounts");
  s += '"';
  appendBase64(s, bytes);
  s += '"';
  bytes.clear();
  bytes.reserve(map.pathTargets.size() * 4);
  for (int32_t target : map.pathTargets) appendLittleEndian(bytes, target);
  appendKey(s, "pathTargets");
  s += '"';
  appendBase64(s, bytes);
  s += '"';
  bytes = {};

  appendKey(s, "orphans");
  appendJsonIntegers(s, found.scan.orphans);
  appendKey(s, "traps");
  appendJsonIntegers(s, found.scan.traps);
  appendKey(s, "report");
  appendReport(s, found);

  const IslandReport& islands = found.islands;
  appendKey(s, "networks");
  appendInteger(s, islands.networks);
  appendKey(s, "main");
  if (islands.hasMain) {
    s += "{\"size\": ";
    appendInteger(s, islands.mainSize);
    appendKey(s, "lowest");
    appendInteger(s, islands.mainLowest);
    s += '}';
  } else {
    s += "null";
  }
  appendKey(s, "maxRise");
  appendShortest(s, islands.maxRise);
  appendKey(s, "islands");
  s += '[';
  for (size_t i = 0; i < islands.islands.size(); ++i) {
    if (i > 0) s += ", ";
    appendIsland(s, islands.islands[i]);
  }
  s += ']';
  appendKey(s, "storeys");
  s += '[';
  for (size_t i = 0; i < found.storeys.size(); ++i) {
    const Storey& storey = found.storeys[i];
    if (i > 0) s += ", ";
    s += "{\"low\": ";
    appendShortest(s, storey.low);
    appendKey(s, "high");
    appendShortest(s, storey.high);
    appendKey(s, "waypoints");
    appendInteger(s, storey.waypoints);
    s += '}';
  }
  s += "]}";
  return s;
}

}  // namespace tessivar
