#include "islands/islands_text.h"

#include "frame/report_output.h"
#include "text/escape.h"
#include "text/numbers.h"

namespace tessivar {

namespace {

// "1 waypoint", "2 waypoints".
void appendCount(std::string& s, int64_t count, const char* one,
                 const char* many) {
  appendInteger(s, count);
  s += ' ';
  s += count == 1 ? one : many;
}

void appendSummary(std::string& s, const std::string& path,
                   const std::string& mapName, const IslandReport& report) {
  appendTerminalText(s, path);
  s += ": map \"";
  appendTerminalText(s, mapName, true);
  s += "\", ";
  appendCount(s, report.waypoints, "waypoint", "waypoints");
  if (!report.hasMain) {
    s += ": no main network, no islands\n";
    return;
  }
  s += " in ";
  appendCount(s, report.networks, "network", "networks");
  s += ", main network ";
  appendCount(s, report.mainSize, "waypoint", "waypoints");
  s += " (lowest ";
  appendInteger(s, report.mainLowest);
  s += ")";
  if (report.islands.empty()) {
    s += "; no islands\n";
    return;
  }
  s += "; islands: ";
  appendCount(s, report.countOf(IslandKind::kTrapRegion), "trap region",
              "trap regions");
  s += ", ";
  appendCount(s, report.countOf(IslandKind::kUnreachableRegion),
              "unreachable region", "unreachable regions");
  s += ", ";
  appendInteger(s, report.countOf(IslandKind::kDetached));
  s += " detached (";
  appendCount(s, report.orphanCount(), "orphan", "orphans");
  s += ")\n";
}

void appendPathList(std::string& s, const char* what,
                    const std::vector<PathPair>& paths) {
  s += "    ";
  s += what;
  if (paths.empty()) {
    s += ": none\n";
    return;
  }
  s += " (";
  appendInteger(s, int64_t(paths.size()));
  s += "): ";
  const size_t shown = paths.size() <= kPathsShown ? paths.size() : kPathsShown;
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) s += ", ";
    appendInteger(s, paths[i].first);
    s += "->";
    appendInteger(s, paths[i].second);
  }
  if (shown < paths.size()) {
    s += " and ";
    appendInteger(s, int64_t(paths.size() - shown));
    s += " more";
  }
  s += '\n';
}

// "box: x 10 to 30.5, y ...", or "position: x 10, y 0, z 8" for an island
// whose waypoints all lie at one point.
void appendBox(std::string& s, const WaypointBox& box) {
  static const char* const kAxis[] = {"x ", ", y ", ", z "};
  bool point = true;
  for (int axis = 0; axis < 3; ++axis) {
    point = point && box.low[axis] == box.high[axis];
  }
  s += point ? "    position: " : "    box: ";
  for (int axis = 0; axis < 3; ++axis) {
    s += kAxis[axis];
    appendShortest(s, box.low[axis]);
    if (point) continue;
    s += " to ";
    appendShortest(s, box.high[axis]);
  }
  s += '\n';
}

void appendSuggestion(std::string& s, const SuggestedPath& path,
                      const char* way, double maxRise) {
  s += "    suggested path ";
  s += way;
  s += ": ";
  appendInteger(s, path.from);
  s += "->";
  appendInteger(s, path.to);
  s += ", length ";
  appendGeneral(s, path.length, NonFinite::kNamed);
  s += ", rise ";
  appendGeneral(s, path.rise, NonFinite::kNamed);
  if (path.walkable) {
    s += ", walkable\n";
  } else {
    s += ", NOT WALKABLE (rises more than ";
    appendGeneral(s, maxRise, NonFinite::kNamed);
    s += ")\n";
  }
}

void appendIsland(std::string& s, const Island& island, size_t number,
                  size_t count, double maxRise) {
  s += "  Island ";
  appendInteger(s, int64_t(number));
  s += " of ";
  appendInteger(s, int64_t(count));
  s += ": ";
  s += islandKindName(island.kind);
  s += ", ";
  appendCount(s, int64_t(island.waypoints.size()), "waypoint", "waypoints");
  if (island.kind == IslandKind::kDetached && island.waypoints.size() == 1) {
    s += " (orphan)";
  }
  s += ": ";
  appendFoldedNumbers(s, island.waypoints);
  s += '\n';
  appendBox(s, island.box);
  appendPathList(s, "paths in", island.pathsIn);
  appendPathList(s, "paths out", island.pathsOut);
  // A detached island lists the way in first, then the way out.
  const char* ways[2] = {"out", nullptr};
  if (island.kind == IslandKind::kUnreachableRegion) ways[0] = "in";
  if (island.kind == IslandKind::kDetached) ways[0] = "in", ways[1] = "out";
  for (size_t i = 0; i < island.suggested.size() && i < 2 && ways[i]; ++i) {
    appendSuggestion(s, island.suggested[i], ways[i], maxRise);
  }
}

}  // namespace

void writeIslandsText(const std::string& path, const std::string& mapName,
                      const IslandReport& report, std::ostream& out) {
  std::string text;
  appendSummary(text, path, mapName, report);
  for (size_t i = 0; i < report.islands.size(); ++i) {
    appendIsland(text, report.islands[i], i + 1, report.islands.size(),
                 report.maxRise);
    spillWhenLarge(text, out);
  }
  finishSection(text, out);
}

void writeLoadFailureText(const std::string& path, const std::string& message,
                          std::ostream& out) {
  std::string text;
  appendTerminalText(text, path);
  text += ": ";
  appendTerminalText(text, message);
  text += '\n';
  finishSection(text, out);
}

}  // namespace tessivar
