#include "svg/island_marks.h"

#include <algorithm>
#include <cmath>

namespace tessivar {

namespace {

constexpr char kDot[] = " \xC2\xB7 ";  // middle dot between facts
constexpr char kArrow[] = "\xE2\x86\x92";
constexpr double kCountsLeft = 720;

double discRadius(const MarkSizes& s) { return std::max(2.6, s.dot * 2.0); }
double suggestionWidth(const MarkSizes& s) { return std::max(1.4, s.line * 1.8); }

const char* plural(int64_t count, const char* one, const char* many) {
  return count == 1 ? one : many;
}

}  // namespace

const char* islandKindClass(IslandKind kind) {
  switch (kind) {
    case IslandKind::kTrapRegion:
      return "trap-region";
    case IslandKind::kUnreachableRegion:
      return "unreachable-region";
    case IslandKind::kDetached:
      return "detached";
  }
  return "detached";
}

void writeIslandStyles(SvgBuffer& svg, const MarkSizes& s) {
  const double w = suggestionWidth(s);
  svg << ".isl{stroke:none}\n"
      << ".isl.trap-region{fill:" << kTrapRegionColor << "}\n"
      << ".isl.unreachable-region{fill:" << kUnreachableRegionColor << "}\n"
      << ".isl.detached{fill:" << kDetachedColor << "}\n"
      << ".sug{stroke:" << kWalkableColor << ";stroke-width:" << w
      << ";stroke-dasharray:" << w * 4 << ' ' << w * 2.5
      << ";marker-end:url(#sug-arrow)}\n"
      << ".sug.nw{stroke:" << kNotWalkableColor
      << ";marker-end:url(#sug-arrow-nw)}\n"
      << ".sug.both{marker-start:url(#sug-arrow-back)}\n"
      << ".sugl{font-size:11px;font-weight:bold;text-anchor:middle;"
         "paint-order:stroke;"
         "stroke:#fff;stroke-width:3px;stroke-linejoin:round;fill:"
      << kWalkableColor << "}\n"
      << ".sugl.nw{fill:" << kNotWalkableColor << "}\n";
}

void writeIslandMarkers(SvgBuffer& svg, const MarkSizes& s) {
  const double size = std::max(6.0, s.arrow * 1.1);
  for (const auto& [id, color] :
       {std::pair<const char*, const char*>{"sug-arrow", kWalkableColor},
        std::pair<const char*, const char*>{"sug-arrow-nw", kNotWalkableColor}}) {
    svg << "<marker id=\"" << id
        << "\" viewBox=\"0 0 10 10\" refX=\"10\" refY=\"5\" "
           "markerUnits=\"userSpaceOnUse\" markerWidth=\""
        << size << "\" markerHeight=\"" << size * 0.8
        << "\" orient=\"auto\" preserveAspectRatio=\"none\">"
           "<path d=\"M0,0L10,5L0,10z\" fill=\""
        << color << "\"/></marker>\n";
  }
  // The head at the start of a line drawn both ways points backwards.
  svg << "<marker id=\"sug-arrow-back\" viewBox=\"0 0 10 10\" refX=\"0\" "
         "refY=\"5\" markerUnits=\"userSpaceOnUse\" markerWidth=\""
      << size << "\" markerHeight=\"" << size * 0.8
      << "\" orient=\"auto\" preserveAspectRatio=\"none\">"
         "<path d=\"M10,0L0,5L10,10z\" fill=\""
      << kWalkableColor << "\"/></marker>\n";
}

void writeIslandDiscs(SvgBuffer& svg, const IslandReport& islands,
                      const std::vector<double>& x,
                      const std::vector<double>& y, const MarkSizes& s) {
  svg << "<g id=\"islands-marks\">\n";
  const double r = discRadius(s);
  for (const Island& island : islands.islands) {
    const char* cls = islandKindClass(island.kind);
    for (int32_t v : island.waypoints) {
      svg << "<circle class=\"isl " << cls << "\" id=\"i" << v << "\" cx=\""
          << x[size_t(v)] << "\" cy=\"" << y[size_t(v)] << "\" r=\"" << r
          << "\"/>\n";
    }
  }
  svg << "</g>\n";
}

namespace {

// One suggested path as a dashed arrow with its label; `both` draws it
// with a head at each end, for a pair suggested both ways.
void writeSuggestion(SvgBuffer& svg, const SuggestedPath& p, bool both,
                     const std::vector<double>& x,
                     const std::vector<double>& y, const MarkSizes& s) {
  double x1 = x[size_t(p.from)], y1 = y[size_t(p.from)];
  double x2 = x[size_t(p.to)], y2 = y[size_t(p.to)];
  // End each head at the edge of its waypoint's disc.
  const double dx = x2 - x1, dy = y2 - y1;
  const double len = std::hypot(dx, dy);
  if (len > 0) {
    const double cut = std::min(discRadius(s), len * 0.3);
    x2 -= dx / len * cut;
    y2 -= dy / len * cut;
    if (both) {
      x1 += dx / len * cut;
      y1 += dy / len * cut;
    }
  }
  const char* extra = p.walkable ? (both ? " both" : "") : " nw";
  svg << "<line class=\"sug" << extra << "\" id=\"s" << p.from << '-' << p.to
      << "\" x1=\"" << x1 << "\" y1=\"" << y1 << "\" x2=\"" << x2
      << "\" y2=\"" << y2 << "\"><title>Suggested path " << p.from << ' '
      << (both ? "\xE2\x86\x94" : kArrow) << ' ' << p.to << ": "
      << General{p.length} << " units, rise " << General{p.rise}
      << (p.walkable ? ", walkable" : ", not walkable") << "</title></line>\n";
  // The label sits below the middle of the line, clear of the number tags
  // that rings carry above and to the right of their waypoints.
  double nx = 0, ny = 1;
  if (len > 0) {
    nx = -dy / len;
    ny = dx / len;
    if (ny < 0) nx = -nx, ny = -ny;
  }
  svg << "<text class=\"sugl" << (p.walkable ? "" : " nw") << "\" x=\""
      << (x1 + x2) / 2 + nx * 10 << "\" y=\"" << (y1 + y2) / 2 + ny * 10 + 4
      << "\">" << General{p.length};
  if (!p.walkable) svg << " (rise " << General{p.rise} << ')';
  svg << "</text>\n";
}

}  // namespace

void writeSuggestedPaths(SvgBuffer& svg, const IslandReport& islands,
                         const std::vector<double>& x,
                         const std::vector<double>& y, const MarkSizes& s) {
  svg << "<g id=\"suggested\">\n";
  for (const Island& island : islands.islands) {
    const std::vector<SuggestedPath>& list = island.suggested;
    // A detached island is often best joined by one pair both ways: drawn
    // once, from the island out, when both ways are walkable.
    if (list.size() == 2 && list[0].from == list[1].to &&
        list[0].to == list[1].from && list[0].walkable && list[1].walkable) {
      writeSuggestion(svg, list[1], true, x, y, s);
      continue;
    }
    for (const SuggestedPath& p : list) writeSuggestion(svg, p, false, x, y, s);
  }
  svg << "</g>\n";
}

void writeIslandCounts(SvgBuffer& svg, const IslandReport& islands) {
  svg << "<text class=\"info\" id=\"main-network\" x=\"" << kCountsLeft
      << "\" y=\"54\">";
  if (!islands.hasMain) {
    svg << "No main network: the map has no waypoints";
  } else {
    svg << "Main network: " << int64_t(islands.mainSize) << " of "
        << int64_t(islands.waypoints) << ' '
        << plural(islands.waypoints, "waypoint", "waypoints") << kDot
        << int64_t(islands.networks) << ' '
        << plural(islands.networks, "network", "networks");
  }
  svg << "</text>\n<text class=\"info\" id=\"islands\" x=\"" << kCountsLeft
      << "\" y=\"74\">Islands: ";
  const int64_t trap = islands.countOf(IslandKind::kTrapRegion);
  const int64_t unreachable = islands.countOf(IslandKind::kUnreachableRegion);
  const int64_t detached = islands.countOf(IslandKind::kDetached);
  svg << trap << ' ' << plural(trap, "trap region", "trap regions") << kDot
      << unreachable << ' '
      << plural(unreachable, "unreachable region", "unreachable regions")
      << kDot << detached << " detached</text>\n";
}

void writeIslandLegendRows(SvgBuffer& svg, double x, double& y,
                           const MarkSizes& sizes) {
  const double sx = x + 4, ex = x + 40, tx = x + 50, cx = (sx + ex) / 2;
  auto label = [&](const char* text) {
    svg << "<text class=\"small\" x=\"" << tx << "\" y=\"" << y + 4 << "\">"
        << text << "</text>\n";
    y += 26;
  };
  const double dot = std::max(sizes.dot, 3.0);
  for (IslandKind kind : {IslandKind::kTrapRegion,
                          IslandKind::kUnreachableRegion,
                          IslandKind::kDetached}) {
    svg << "<circle class=\"isl " << islandKindClass(kind) << "\" cx=\"" << cx
        << "\" cy=\"" << y << "\" r=\"" << std::max(discRadius(sizes), 7.0)
        << "\"/><circle class=\"wp\" cx=\"" << cx << "\" cy=\"" << y
        << "\" r=\"" << dot << "\" fill=\"#fff\"/>\n";
    switch (kind) {
      case IslandKind::kTrapRegion:
        label("trap region: gets in, never out");
        break;
      case IslandKind::kUnreachableRegion:
        label("unreachable region: never in");
        break;
      case IslandKind::kDetached:
        label("detached: no way in or out");
        break;
    }
  }
  svg << "<line class=\"sug\" x1=\"" << sx << "\" y1=\"" << y << "\" x2=\""
      << ex << "\" y2=\"" << y << "\"/>\n";
  label("suggested path, length");
  svg << "<line class=\"sug nw\" x1=\"" << sx << "\" y1=\"" << y
      << "\" x2=\"" << ex << "\" y2=\"" << y << "\"/>\n";
  label("suggested, not walkable (rise)");
}

}  // namespace tessivar
