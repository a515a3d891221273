#include "testing/mending_reference.h"

#include <cmath>
#include <locale>
#include <sstream>

#include "testing/island_reference.h"
#include "waypoint/map_reader.h"

namespace tessivar {
namespace testing {

namespace {

double lengthOf(const WaypointMap& map, int32_t u, int32_t v) {
  const WaypointRecord& a = map.records[size_t(u)];
  const WaypointRecord& b = map.records[size_t(v)];
  const double dx = double(b.x) - double(a.x), dy = double(b.y) - double(a.y),
               dz = double(b.z) - double(a.z);
  return std::sqrt((dx * dx + dy * dy) + dz * dz);
}

bool chosen(const MendOptions& options, IslandKind kind) {
  return kind == IslandKind::kTrapRegion          ? options.trapRegions
         : kind == IslandKind::kUnreachableRegion ? options.unreachableRegions
                                                  : options.detached;
}

MapFigures figuresOf(const WaypointMap& map, const IslandReport& report) {
  MapFigures f;
  const Networks networks = findNetworks(map);
  f.networks = networks.count;
  for (const Island& island : report.islands) {
    if (island.kind == IslandKind::kTrapRegion) ++f.trapRegions;
    if (island.kind == IslandKind::kUnreachableRegion) ++f.unreachableRegions;
    if (island.kind == IslandKind::kDetached) ++f.detached;
  }
  f.reachablePairs = reachablePairsFromNetworks(map, networks);
  return f;
}

}  // namespace

MendResult mendByWholeRounds(const MapSpec& layout, const MendOptions& options,
                             WholeAnalysis analysis) {
  MendResult result;
  MapSpec current = layout;
  WaypointMap map = waypointMapOf(current);
  result.hasMaxLength = options.hasMaxLength;
  result.maxLength = options.maxLength;
  if (!options.hasMaxLength) {
    for (int32_t u = 0; u < map.n; ++u) {
      for (uint64_t e = 0; e < map.pathCount(u); ++e) {
        const double d = lengthOf(map, u, map.pathsFrom(u)[e]);
        if (!result.hasMaxLength || d > result.maxLength) result.maxLength = d;
        result.hasMaxLength = true;
      }
    }
  }
  // Whether `island` is mended; if not, why, and the suggested paths that
  // are the reason.
  auto judge = [&](const Island& island, MendReason* reason,
                   std::vector<SuggestedPath>* blocking) {
    blocking->clear();
    if (!chosen(options, island.kind)) return *reason = MendReason::kKindNotChosen, false;
    for (const SuggestedPath& s : island.suggested) {
      if (!s.walkable) blocking->push_back(s);
    }
    if (!blocking->empty()) return *reason = MendReason::kNotWalkable, false;
    if (!result.hasMaxLength) return *reason = MendReason::kNoMaximumLength, false;
    for (const SuggestedPath& s : island.suggested) {
      float fileLength;
      if (lengthOf(map, s.from, s.to) > result.maxLength ||
          !pathLength(map.records[size_t(s.from)], map.records[size_t(s.to)], &fileLength)) {
        blocking->push_back(s);
      }
    }
    if (!blocking->empty()) return *reason = MendReason::kTooLong, false;
    for (const SuggestedPath& s : island.suggested) {
      if (current.paths[size_t(s.from)].size() >= 32767) blocking->push_back(s);
    }
    if (!blocking->empty()) return *reason = MendReason::kPathListFull, false;
    return true;
  };
  for (int32_t round = 1;; ++round) {
    const IslandReport report = analysis == WholeAnalysis::kBySearch
                                    ? islandsBySearch(map, options.maxRise)
                                    : findIslands(map, options.maxRise);
    if (round == 1) result.before = figuresOf(map, report);
    bool any = false;
    for (const Island& island : report.islands) {
      MendReason reason;
      std::vector<SuggestedPath> blocking;
      if (!judge(island, &reason, &blocking)) continue;
      for (const SuggestedPath& s : island.suggested) {
        current.paths[size_t(s.from)].push_back(int16_t(s.to));
        result.added.push_back({round, island.kind, island.waypoints, s});
      }
      any = true;
    }
    if (!any) {
      result.after = figuresOf(map, report);
      for (const Island& island : report.islands) {
        LeftIsland left;
        left.kind = island.kind;
        left.island = island.waypoints;
        judge(island, &left.reason, &left.blocking);
        left.suggested = island.suggested;
        result.left.push_back(left);
      }
      break;
    }
    result.rounds = round;
    map = waypointMapOf(current);
  }
  return result;
}

std::string describe(const MendResult& r) {
  std::ostringstream s;
  s.imbue(std::locale::classic());
  s.precision(17);
  s << "max length " << (r.hasMaxLength ? r.maxLength : -1) << ", " << r.rounds
    << " rounds\n";
  for (const MapFigures* f : {&r.before, &r.after}) {
    s << (f == &r.before ? "before: " : "after: ") << f->networks << " networks, "
      << f->trapRegions << " trap, " << f->unreachableRegions << " unreachable, "
      << f->detached << " detached, " << f->reachablePairs << " pairs\n";
  }
  auto island = [&](const std::vector<int32_t>& waypoints) {
    for (int32_t v : waypoints) s << ' ' << v;
  };
  auto path = [&](const SuggestedPath& p) {
    s << ' ' << p.from << "->" << p.to << " squared " << p.squared << " length "
      << p.length << " rise " << p.rise << (p.walkable ? " walkable" : " not walkable");
  };
  for (const MendedPath& m : r.added) {
    s << "round " << m.round << ": " << islandKindName(m.kind) << ':';
    island(m.island);
    s << ';';
    path(m.path);
    s << '\n';
  }
  for (const LeftIsland& l : r.left) {
    s << "left " << islandKindName(l.kind) << ':';
    island(l.island);
    s << "; reason " << int(l.reason) << ';';
    for (const SuggestedPath& p : l.suggested) path(p);
    s << "; blocking";
    for (const SuggestedPath& p : l.blocking) path(p);
    s << '\n';
  }
  return s.str();
}

}  // namespace testing
}  // namespace tessivar
