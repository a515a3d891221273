#include "svg/map_legend.h"

#include <algorithm>

#include "analysis/route_query.h"
#include "svg/island_marks.h"

namespace tessivar {

namespace {

constexpr char kTimes[] = "\xC3\x97";  // multiplication sign
constexpr char kDot[] = " \xC2\xB7 ";  // middle dot between facts
constexpr char kArrow[] = "\xE2\x86\x92";

const char* plural(int64_t count, const char* one, const char* many) {
  return count == 1 ? one : many;
}

void writeRouteLine(SvgBuffer& svg, int32_t n, const MapAnalysis& analysis) {
  svg << "<text class=\"info\" id=\"route-summary\" x=\"16\" y=\"94\">";
  if (!analysis.routeQueried) {
    svg << "No route " << kQueryFrom << ' ' << kArrow << ' ' << kQueryTo
        << ": the map has only " << n << " waypoint(s)";
  } else if (!analysis.routeReachable) {
    svg << "Waypoint " << kQueryTo << " can't be reached from waypoint "
        << kQueryFrom << " (the report gives the length "
        << General{analysis.routeLength} << ')';
  } else {
    const int64_t via = int64_t(analysis.route.size()) - 2;
    svg << "Route " << kQueryFrom << ' ' << kArrow << ' ' << kQueryTo
        << " (orange): " << General{analysis.routeLength} << " units, via "
        << via << ' ' << plural(via, "waypoint", "waypoints");
  }
  svg << "</text>\n";
}

}  // namespace

void writeTitleBlock(SvgBuffer& svg, const WaypointGraph& graph,
                     const PathKinds& kinds, const MapAnalysis& analysis) {
  const int64_t n = graph.n;
  svg << "<text class=\"title\" id=\"map-name\" x=\"16\" y=\"30\">Map: ";
  if (graph.mapName.empty()) {
    svg << "(no name)";
  } else {
    svg << XmlText{graph.mapName};
  }
  svg << "</text>\n<text class=\"info\" id=\"counts\" x=\"16\" y=\"54\">" << n
      << ' ' << plural(n, "waypoint", "waypoints") << kDot
      << graph.pathEntryTotal << ' '
      << plural(graph.pathEntryTotal, "path entry", "path entries") << ": "
      << int64_t(kinds.twoWay.size()) << " two-way pairs, "
      << int64_t(kinds.oneWay.size()) << " one-way, "
      << int64_t(kinds.self.size()) << " self</text>\n";
  const int64_t orphans = int64_t(analysis.scan.orphans.size());
  const int64_t traps = int64_t(analysis.scan.traps.size());
  svg << "<text class=\"info\" id=\"totals\" x=\"16\" y=\"74\">" << orphans
      << ' ' << plural(orphans, "orphan", "orphans") << kDot << traps << ' '
      << plural(traps, "trap", "traps") << kDot << analysis.reachableCount
      << " of " << n << ' ' << kTimes << ' ' << n << " = " << n * n
      << " ordered pairs reachable</text>\n";
  writeRouteLine(svg, graph.n, analysis);
}

void writeLegend(SvgBuffer& svg, const HeightScale& heights,
                 const MarkSizes& sizes) {
  const double x = kLegendLeft;
  svg << "<g id=\"legend\">\n<text class=\"head\" x=\"" << x
      << "\" y=\"124\">Height (z)</text>\n";
  const double barTop = 136, barHeight = 200;
  if (heights.flat()) {
    svg << "<rect x=\"" << x << "\" y=\"" << barTop
        << "\" width=\"18\" height=\"18\" fill=\""
        << HeightScale::rampColor(0.5) << "\"/><text class=\"small\" x=\""
        << x + 26 << "\" y=\"" << barTop + 13 << "\">all at z = "
        << General{heights.zMin()} << "</text>\n";
  } else {
    // Top of the bar is the highest waypoint.
    svg << "<defs><linearGradient id=\"ramp\" x1=\"0\" y1=\"1\" x2=\"0\" "
           "y2=\"0\">";
    for (int i = 0; i <= 8; ++i) {
      const double t = i / 8.0;
      svg << "<stop offset=\"" << t << "\" stop-color=\""
          << HeightScale::rampColor(t) << "\"/>";
    }
    svg << "</linearGradient></defs>\n<rect x=\"" << x << "\" y=\"" << barTop
        << "\" width=\"18\" height=\"" << barHeight
        << "\" fill=\"url(#ramp)\" stroke=\"#888\"/>\n";
    for (int i = 0; i <= 4; ++i) {
      const double t = i / 4.0;
      const double y = barTop + barHeight * (1 - t);
      const double z =
          heights.zMin() + (heights.zMax() - heights.zMin()) * t;
      svg << "<line x1=\"" << x + 18 << "\" y1=\"" << y << "\" x2=\""
          << x + 23 << "\" y2=\"" << y << "\" stroke=\"#555\"/><text "
          << "class=\"small\" x=\"" << x + 27 << "\" y=\"" << y + 4 << "\">"
          << General{z} << "</text>\n";
    }
  }

  // One row per kind of mark: the sample at the left, its meaning beside.
  double y = 380;
  const double sx = x + 4, ex = x + 40, tx = x + 50;
  auto label = [&](const char* text) {
    svg << "<text class=\"small\" x=\"" << tx << "\" y=\"" << y + 4 << "\">"
        << text << "</text>\n";
    y += 26;
  };
  svg << "<text class=\"head\" x=\"" << x << "\" y=\"" << y - 18
      << "\">Marks</text>\n";
  const double dot = std::max(sizes.dot, 3.0);
  svg << "<circle class=\"wp\" cx=\"" << (sx + ex) / 2 << "\" cy=\"" << y
      << "\" r=\"" << dot << "\" fill=\"" << HeightScale::rampColor(0.5)
      << "\"/>\n";
  label("waypoint (hover for number)");
  svg << "<line class=\"p2\" x1=\"" << sx << "\" y1=\"" << y << "\" x2=\""
      << ex << "\" y2=\"" << y << "\"/>\n";
  label("two-way path");
  svg << "<line class=\"p1\" x1=\"" << sx << "\" y1=\"" << y << "\" x2=\""
      << ex << "\" y2=\"" << y << "\"/>\n";
  label("one-way path");
  svg << "<circle class=\"p0\" cx=\"" << (sx + ex) / 2 << "\" cy=\"" << y
      << "\" r=\"5\"/>\n";
  label("self path");
  svg << "<circle class=\"orphan\" cx=\"" << (sx + ex) / 2 << "\" cy=\"" << y
      << "\" r=\"" << std::max(sizes.ring, 7.0) << "\"/>\n";
  label("orphan: no path in or out");
  svg << "<circle class=\"trap\" cx=\"" << (sx + ex) / 2 << "\" cy=\"" << y
      << "\" r=\"" << std::max(sizes.ring, 7.0) << "\"/>\n";
  label("trap: paths in, none out");
  svg << "<line class=\"route\" x1=\"" << sx << "\" y1=\"" << y << "\" x2=\""
      << ex << "\" y2=\"" << y << "\"/>\n";
  label("route 0 \xE2\x86\x92 5 of the report");
  const double cx = (sx + ex) / 2;
  svg << "<polygon class=\"end\" points=\"" << cx << ',' << y - 8 << ' '
      << cx + 8 << ',' << y << ' ' << cx << ',' << y + 8 << ' ' << cx - 8
      << ',' << y << "\"/>\n";
  label("waypoints 0 and 5");
  writeIslandLegendRows(svg, x, y, sizes);
  svg << "</g>\n";
}

void writeScaleBar(SvgBuffer& svg, const MapView& view) {
  const double length = scaleBarLength(view.scale(), 160);
  const double pixels = length * view.scale();
  const double x0 = kPlotBox.left + 16;
  const double y0 = kPlotBox.top + kPlotBox.height - 14;
  svg << "<g id=\"scale-bar\"><path d=\"M" << x0 << ',' << y0 - 6 << 'V'
      << y0 << 'H' << x0 + pixels << 'V' << y0 - 6
      << "\" fill=\"none\" stroke=\"#222\" stroke-width=\"2\"/>"
      << "<text class=\"small\" x=\"" << x0 << "\" y=\"" << y0 - 10 << "\">"
      << General{length} << " units</text><text class=\"small\" x=\""
      << x0 + pixels + 14 << "\" y=\"" << y0
      << "\">x \xE2\x86\x92  y \xE2\x86\x91</text></g>\n";
}

}  // namespace tessivar
