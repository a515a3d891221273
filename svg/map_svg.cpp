#include "svg/map_svg.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/route_query.h"
#include "svg/height_scale.h"
#include "svg/island_marks.h"
#include "svg/map_legend.h"
#include "svg/map_view.h"
#include "svg/path_kinds.h"
#include "svg/picture_layout.h"
#include "svg/svg_buffer.h"

namespace tessivar {

namespace {

// Picture positions of the waypoint centres.
struct Centres {
  std::vector<double> x;
  std::vector<double> y;
};

Centres project(const WaypointGraph& graph, const MapView& view) {
  Centres c;
  c.x.reserve(graph.records.size());
  c.y.reserve(graph.records.size());
  for (const WaypointRecord& r : graph.records) {
    c.x.push_back(view.toX(r.x));
    c.y.push_back(view.toY(r.y));
  }
  return c;
}

// The median on-picture length of the paths between distinct waypoints:
// paths join neighbours, so this is how far apart waypoints usually are.
// Without such paths, the spacing the waypoints would have if spread evenly.
double typicalGap(const PathKinds& kinds, const Centres& c, int32_t n) {
  std::vector<double> lengths;
  lengths.reserve(kinds.twoWay.size() + kinds.oneWay.size());
  auto add = [&](int32_t a, int32_t b) {
    const double len = std::hypot(c.x[b] - c.x[a], c.y[b] - c.y[a]);
    if (len > 0) lengths.push_back(len);
  };
  for (const auto& p : kinds.twoWay) add(p.first, p.second);
  for (const auto& p : kinds.oneWay) add(p.first, p.second);
  if (!lengths.empty()) {
    auto mid = lengths.begin() + std::ptrdiff_t(lengths.size() / 2);
    std::nth_element(lengths.begin(), mid, lengths.end());
    return *mid;
  }
  if (n <= 0) return 0;
  const double area = kMapBox.width * kMapBox.height;
  return std::sqrt(area / n) * 0.5;
}

void writeHeader(SvgBuffer& svg, const MarkSizes& s) {
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kSvgWidth
      << "\" height=\"" << kSvgHeight << "\" viewBox=\"0 0 " << kSvgWidth
      << ' ' << kSvgHeight << "\">\n<style>\n"
      << "text{font-family:'DejaVu Sans','Liberation Sans',Arial,"
         "sans-serif;fill:#222}\n"
      << ".p2{stroke:" << kPathColor << ";stroke-width:" << s.line << "}\n"
      << ".p1{stroke:" << kArrowColor << ";stroke-width:" << s.line
      << ";marker-end:url(#arrow)}\n"
      << ".p0{fill:none;stroke:" << kArrowColor << ";stroke-width:" << s.line
      << "}\n"
      << ".wp{stroke:#1d1d1d;stroke-width:" << std::max(0.3, s.dot * 0.18)
      << "}\n"
      << ".orphan,.trap{fill:none;stroke-width:" << s.ringLine << "}\n"
      << ".orphan{stroke:" << kOrphanColor << ";stroke-dasharray:"
      << s.ringLine * 2 << ' ' << s.ringLine << "}\n"
      << ".trap{stroke:" << kTrapColor << "}\n"
      << ".tag{font-size:11px;font-weight:bold;paint-order:stroke;"
         "stroke:#fff;stroke-width:3px;stroke-linejoin:round}\n"
      << ".tag.o{fill:" << kOrphanColor << "}\n.tag.t{fill:" << kTrapColor
      << "}\n"
      << ".halo{fill:none;stroke:#fff;stroke-width:" << s.route + 3
      << ";stroke-linejoin:round;stroke-linecap:round}\n"
      << ".route{fill:none;stroke:" << kRouteColor
      << ";stroke-width:" << s.route
      << ";stroke-linejoin:round;stroke-linecap:round}\n"
      << ".rl{fill:#c05000}\n"
      << ".rv{fill:#fff;stroke:" << kRouteColor << ";stroke-width:"
      << std::max(0.8, s.dot * 0.3) << "}\n"
      << ".end{fill:none;stroke:#111;stroke-width:2}\n"
      << ".big{font-size:13px}\n"
      << ".title{font-size:20px;font-weight:bold}\n"
      << ".info{font-size:14px}\n.small{font-size:12px}\n"
      << ".head{font-size:13px;font-weight:bold}\n";
  writeIslandStyles(svg, s);
  svg << "</style>\n<defs>\n"
      << "<marker id=\"arrow\" viewBox=\"0 0 10 10\" refX=\"10\" refY=\"5\" "
         "markerUnits=\"userSpaceOnUse\" markerWidth=\""
      << s.arrow << "\" markerHeight=\"" << s.arrow * 0.8
      << "\" orient=\"auto\" preserveAspectRatio=\"none\">"
         "<path d=\"M0,0L10,5L0,10z\" fill=\""
      << kArrowColor << "\"/></marker>\n";
  writeIslandMarkers(svg, s);
  svg << "</defs>\n"
      << "<rect width=\"" << kSvgWidth << "\" height=\"" << kSvgHeight
      << "\" fill=\"#f3f2ee\"/>\n"
      << "<rect x=\"" << kPlotBox.left << "\" y=\"" << kPlotBox.top
      << "\" width=\"" << kPlotBox.width << "\" height=\"" << kPlotBox.height
      << "\" fill=\"#fff\" stroke=\"#c8c8c8\"/>\n";
}

void writePaths(SvgBuffer& svg, const PathKinds& kinds, const Centres& c,
                const MarkSizes& s) {
  svg << "<g id=\"paths\">\n";
  for (const auto& [a, b] : kinds.twoWay) {
    svg << "<line class=\"p2\" id=\"p" << a << '-' << b << "\" x1=\""
        << c.x[a] << "\" y1=\"" << c.y[a] << "\" x2=\"" << c.x[b]
        << "\" y2=\"" << c.y[b] << "\"/>\n";
  }
  for (const auto& [a, b] : kinds.oneWay) {
    // End the arrow at the edge of the target's dot so its head shows.
    double x2 = c.x[b], y2 = c.y[b];
    const double dx = x2 - c.x[a], dy = y2 - c.y[a];
    const double len = std::hypot(dx, dy);
    if (len > 0) {
      const double cut = std::min(s.dot + 0.5, len * 0.45);
      x2 -= dx / len * cut;
      y2 -= dy / len * cut;
    }
    svg << "<line class=\"p1\" id=\"p" << a << '-' << b << "\" x1=\""
        << c.x[a] << "\" y1=\"" << c.y[a] << "\" x2=\"" << x2 << "\" y2=\""
        << y2 << "\"/>\n";
  }
  const double loop = std::max(2.5, s.dot * 1.1);
  for (int32_t v : kinds.self) {
    svg << "<circle class=\"p0\" id=\"p" << v << '-' << v << "\" cx=\""
        << c.x[v] + loop * 0.8 << "\" cy=\"" << c.y[v] - loop * 0.8
        << "\" r=\"" << loop << "\"/>\n";
  }
  svg << "</g>\n";
}

void writeWaypoints(SvgBuffer& svg, const WaypointGraph& graph,
                    const Centres& c, const HeightScale& heights,
                    const MarkSizes& s) {
  svg << "<g id=\"waypoints\">\n";
  for (int32_t v = 0; v < graph.n; ++v) {
    const WaypointRecord& r = graph.records[size_t(v)];
    svg << "<circle class=\"wp\" id=\"w" << v << "\" cx=\"" << c.x[v]
        << "\" cy=\"" << c.y[v] << "\" r=\"" << s.dot << "\" fill=\""
        << heights.color(r.z) << "\"><title>Waypoint " << v << " at ("
        << General{r.x} << ", " << General{r.y} << ", " << General{r.z}
        << ")</title></circle>\n";
  }
  svg << "</g>\n";
}

void writeRings(SvgBuffer& svg, const std::vector<int32_t>& list,
                const char* cls, char idPrefix, const Centres& c,
                const MarkSizes& s) {
  const char tagClass[] = {idPrefix, '\0'};
  for (int32_t v : list) {
    svg << "<circle class=\"" << cls << "\" id=\"" << idPrefix << v
        << "\" cx=\"" << c.x[v] << "\" cy=\"" << c.y[v] << "\" r=\""
        << s.ring << "\"/><text class=\"tag " << tagClass << "\" x=\""
        << c.x[v] + s.ring * 0.75 << "\" y=\"" << c.y[v] - s.ring * 0.75
        << "\">" << v << "</text>\n";
  }
}

void writeRoute(SvgBuffer& svg, const MapAnalysis& analysis,
                const Centres& c, const MarkSizes& s) {
  const double r = std::max(1.2, s.dot * 0.6);
  const std::vector<int32_t>& route = analysis.route;
  if (route.size() < 2) return;
  auto points = [&] {
    for (size_t i = 0; i < route.size(); ++i) {
      if (i) svg << ' ';
      svg << c.x[route[i]] << ',' << c.y[route[i]];
    }
  };
  svg << "<g id=\"route-group\">\n<polyline class=\"halo\" points=\"";
  points();
  svg << "\"/>\n<polyline class=\"route\" id=\"route\" data-waypoints=\"";
  for (size_t i = 0; i < route.size(); ++i) {
    if (i) svg << ' ';
    svg << route[i];
  }
  svg << "\" points=\"";
  points();
  svg << "\"/>\n";
  // The waypoints the route passes stay visible on top of it.
  for (int32_t v : route) {
    svg << "<circle class=\"rv\" cx=\"" << c.x[v] << "\" cy=\"" << c.y[v]
        << "\" r=\"" << r << "\"/>\n";
  }
  // The label sits at the middle of the route: the middle waypoint, or the
  // middle of the one leg of a direct route.
  const size_t m = route.size() / 2;
  double lx = c.x[route[m]], ly = c.y[route[m]];
  if (route.size() == 2) {
    lx = (c.x[route[0]] + c.x[route[1]]) / 2;
    ly = (c.y[route[0]] + c.y[route[1]]) / 2;
  }
  svg << "<text class=\"tag big rl\" id=\"route-label\" x=\"" << lx + 8 << "\" y=\"" << ly - 8
      << "\">0 \xE2\x86\x92 5: " << General{analysis.routeLength}
      << " units</text>\n</g>\n";
}

void writeEndpoint(SvgBuffer& svg, const char* id, const char* label,
                   int32_t v, const Centres& c, const MarkSizes& s) {
  // Half diagonal of the diamond: it encloses a ring with room to spare.
  const double d = (s.ring + s.ringLine + 3) * 1.42;
  const double x = c.x[v], y = c.y[v];
  svg << "<polygon class=\"end\" id=\"" << id << "\" points=\"" << x << ','
      << y - d << ' ' << x + d << ',' << y << ' ' << x << ',' << y + d << ' '
      << x - d << ',' << y << "\"/><text class=\"tag big\" x=\"" << x - d
      << "\" y=\"" << y + d + 13 << "\">" << label << "</text>\n";
}

}  // namespace

MarkSizes markSizesFor(double typicalGap) {
  MarkSizes s;
  if (!(typicalGap > 0) || !std::isfinite(typicalGap)) typicalGap = 20;
  s.dot = std::clamp(typicalGap * 0.28, 1.3, 5.5);
  s.line = std::clamp(s.dot * 0.3, 0.4, 1.4);
  s.arrow = std::clamp(s.dot * 2.2, 4.0, 9.0);
  s.ring = s.dot + std::clamp(s.dot, 3.0, 5.0);
  s.ringLine = std::clamp(s.dot * 0.5, 1.5, 2.5);
  s.route = std::clamp(s.dot * 0.9, 2.5, 4.5);
  return s;
}

void writeMapSvg(const WaypointGraph& graph, const MapAnalysis& analysis,
                 std::ostream& out) {
  SvgBuffer svg(out);
  const PathKinds kinds = classifyPaths(graph);
  const MapView view(graph.records, kMapBox);
  const HeightScale heights(graph.records);
  const Centres centres = project(graph, view);
  const MarkSizes sizes = markSizesFor(typicalGap(kinds, centres, graph.n));

  writeHeader(svg, sizes);
  writePaths(svg, kinds, centres, sizes);
  writeIslandDiscs(svg, analysis.islands, centres.x, centres.y, sizes);
  writeWaypoints(svg, graph, centres, heights, sizes);
  writeRoute(svg, analysis, centres, sizes);
  if (graph.n > kQueryFrom)
    writeEndpoint(svg, "start", "0 start", kQueryFrom, centres, sizes);
  if (graph.n > kQueryTo)
    writeEndpoint(svg, "end", "5 end", kQueryTo, centres, sizes);
  writeSuggestedPaths(svg, analysis.islands, centres.x, centres.y, sizes);
  // Rings last, so their numbers are never hidden.
  svg << "<g id=\"rings\">\n";
  writeRings(svg, analysis.scan.orphans, "orphan", 'o', centres, sizes);
  writeRings(svg, analysis.scan.traps, "trap", 't', centres, sizes);
  svg << "</g>\n";
  if (graph.n == 0) {
    svg << "<text class=\"info\" text-anchor=\"middle\" x=\""
        << kPlotBox.left + kPlotBox.width / 2 << "\" y=\""
        << kPlotBox.top + kPlotBox.height / 2
        << "\">This map has no waypoints.</text>\n";
  }
  writeScaleBar(svg, view);
  writeTitleBlock(svg, graph, kinds, analysis);
  writeIslandCounts(svg, analysis.islands);
  writeLegend(svg, heights, sizes);
  svg << "</svg>\n";
  svg.flush();
}

}  // namespace tessivar
