#include "mend/mend_report.h"

#include <vector>

#include "frame/report_output.h"
#include "text/escape.h"
#include "text/numbers.h"

namespace tessivar {

namespace {

void appendCount(std::string& s, int64_t count, const char* one, const char* many) {
  appendInteger(s, count);
  s += ' ';
  s += count == 1 ? one : many;
}

// "trap regions and detached islands".
void appendKinds(std::string& s, const MendOptions& options) {
  std::vector<const char*> kinds;
  if (options.trapRegions) kinds.push_back("trap regions");
  if (options.unreachableRegions) kinds.push_back("unreachable regions");
  if (options.detached) kinds.push_back("detached islands");
  for (size_t i = 0; i < kinds.size(); ++i) {
    if (i > 0) s += i + 1 == kinds.size() ? " and " : ", ";
    s += kinds[i];
  }
}

// "trap region 50-54".
void appendIsland(std::string& s, IslandKind kind, const std::vector<int32_t>& island) {
  s += islandKindName(kind);
  s += ' ';
  appendFoldedNumbers(s, island);
}

// "54->7, length 128.375, rise 25".
void appendPath(std::string& s, const SuggestedPath& path) {
  appendInteger(s, path.from);
  s += "->";
  appendInteger(s, path.to);
  s += ", length ";
  appendGeneral(s, path.length, NonFinite::kNamed);
  s += ", rise ";
  appendGeneral(s, path.rise, NonFinite::kNamed);
}

void appendFigures(std::string& s, const char* when, const MapFigures& f) {
  s += when;
  s += ": ";
  appendCount(s, f.networks, "network", "networks");
  s += "; islands: ";
  appendCount(s, f.trapRegions, "trap region", "trap regions");
  s += ", ";
  appendCount(s, f.unreachableRegions, "unreachable region", "unreachable regions");
  s += ", ";
  appendInteger(s, f.detached);
  s += " detached; ";
  appendCount(s, f.reachablePairs, "reachable pair", "reachable pairs");
  s += '\n';
}

void appendJsonIsland(std::string& s, IslandKind kind, const std::vector<int32_t>& island) {
  s += "\"kind\": ";
  appendJsonString(s, islandKindName(kind));
  s += ", \"island\": ";
  appendJsonIntegers(s, island);
}

void appendJsonFigures(std::string& s, const MapFigures& f) {
  s += "{\"networks\": ";
  appendInteger(s, f.networks);
  s += ", \"trap regions\": ";
  appendInteger(s, f.trapRegions);
  s += ", \"unreachable regions\": ";
  appendInteger(s, f.unreachableRegions);
  s += ", \"detached\": ";
  appendInteger(s, f.detached);
  s += ", \"reachable pairs\": ";
  appendInteger(s, f.reachablePairs);
  s += '}';
}

}  // namespace

std::string mendReasonText(MendReason reason, double maxLength, bool exact) {
  switch (reason) {
    case MendReason::kKindNotChosen:
      return "kind not chosen";
    case MendReason::kNotWalkable:
      return "not walkable";
    case MendReason::kNoMaximumLength:
      return "no maximum length";
    case MendReason::kTooLong: {
      std::string s = "longer than ";
      if (exact) {
        appendShortest(s, maxLength);
      } else {
        appendGeneral(s, maxLength, NonFinite::kNamed);
      }
      return s;
    }
    case MendReason::kPathListFull:
      return "path list full";
  }
  return "";
}

void writeMendText(const MendReportContext& context, const MendResult& result,
                   std::ostream& out) {
  std::string s;
  appendTerminalText(s, context.input);
  s += ": map \"";
  appendTerminalText(s, context.mapName, true);
  s += "\", ";
  appendCount(s, context.waypoints, "waypoint", "waypoints");
  s += "; mending ";
  appendKinds(s, *context.options);
  if (result.hasMaxLength) {
    s += " with paths up to ";
    appendGeneral(s, result.maxLength, NonFinite::kNamed);
    s += " units long";
  } else {
    s += ": the map has no path to take the longest path to add from (see --max-length)";
  }
  s += ", rising at most ";
  appendGeneral(s, context.options->maxRise, NonFinite::kNamed);
  s += '\n';
  for (const MendedPath& m : result.added) {
    s += "  round ";
    appendInteger(s, m.round);
    s += ": added ";
    appendPath(s, m.path);
    s += " (";
    appendIsland(s, m.kind, m.island);
    s += ")\n";
    spillWhenLarge(s, out);
  }
  for (const LeftIsland& left : result.left) {
    s += "  left: ";
    s += mendReasonText(left.reason, result.maxLength, false);
    for (size_t i = 0; i < left.blocking.size(); ++i) {
      s += i == 0 ? ": " : "; ";
      appendPath(s, left.blocking[i]);
    }
    s += " (";
    appendIsland(s, left.kind, left.island);
    s += ")\n";
    spillWhenLarge(s, out);
  }
  appendFigures(s, "before", result.before);
  appendFigures(s, "after", result.after);
  if (context.dryRun) {
    s += "Dry run: ";
    appendCount(s, int64_t(result.added.size()), "path", "paths");
    s += " would be added in ";
  } else {
    s += "Wrote ";
    appendTerminalText(s, context.output);
    s += ": ";
    appendCount(s, int64_t(result.added.size()), "path", "paths");
    s += " added in ";
  }
  appendCount(s, result.rounds, "round", "rounds");
  s += context.dryRun ? "; nothing written\n" : "\n";
  finishSection(s, out);
}

void writeMendJson(const MendReportContext& context, const MendResult& result,
                   std::ostream& out) {
  std::string s = "{\"file\": ";
  appendJsonString(s, context.input);
  s += ", \"output\": ";
  if (context.dryRun) {
    s += "null";
  } else {
    appendJsonString(s, context.output);
  }
  s += ", \"rounds\": ";
  appendInteger(s, result.rounds);
  s += ", \"added\": [";
  for (size_t i = 0; i < result.added.size(); ++i) {
    const MendedPath& m = result.added[i];
    if (i > 0) s += ", ";
    s += "{\"round\": ";
    appendInteger(s, m.round);
    s += ", ";
    appendJsonIsland(s, m.kind, m.island);
    s += ", \"from\": ";
    appendInteger(s, m.path.from);
    s += ", \"to\": ";
    appendInteger(s, m.path.to);
    s += ", \"length\": ";
    appendShortest(s, m.path.length);
    s += ", \"rise\": ";
    appendShortest(s, m.path.rise);
    s += '}';
    spillWhenLarge(s, out);
  }
  s += "], \"left\": [";
  for (size_t i = 0; i < result.left.size(); ++i) {
    const LeftIsland& left = result.left[i];
    if (i > 0) s += ", ";
    s += '{';
    appendJsonIsland(s, left.kind, left.island);
    s += ", \"reason\": ";
    appendJsonString(s, mendReasonText(left.reason, result.maxLength, true));
    s += '}';
    spillWhenLarge(s, out);
  }
  s += "], \"before\": ";
  appendJsonFigures(s, result.before);
  s += ", \"after\": ";
  appendJsonFigures(s, result.after);
  s += "}\n";
  finishSection(s, out);
}

}  // namespace tessivar
