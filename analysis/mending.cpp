#include "analysis/mending.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "analysis/nearby_waypoints.h"
#include "analysis/networks.h"
#include "analysis/reachable_pairs.h"
#include "waypoint/map_reader.h"

namespace tessivar {

namespace {

// The marks of a waypoint: it reaches the main network, the main network
// reaches it. The main network's waypoints have both.
constexpr uint8_t kReachesMain = 1;
constexpr uint8_t kReachedFromMain = 2;
constexpr uint8_t kInMain = kReachesMain | kReachedFromMain;

enum Way { kIn = 0, kOut = 1 };

// A round searches from the islands for pairs with the waypoints that
// joined when the island waypoints left number at most this many times
// those that joined (see afterRound).
constexpr int64_t kSearchFromIslands = 8;

// The best pair found so far one way: the walkable pair within the maximum
// length that wins by squared distance, then from, then to (the order
// MainNetworkTree::suggest picks by). None while `from` is -1.
struct Candidate {
  int32_t from = -1;
  int32_t to = -1;
  double squared = 0;

  bool beatenBy(double d, int32_t f, int32_t t) const {
    if (from < 0 || d < squared) return true;
    if (d > squared) return false;
    return f < from || (f == from && t < to);
  }
};

// An island the rounds keep track of.
struct Slot {
  std::vector<int32_t> waypoints;  // ascending
  Candidate best[2];               // in, out
  bool joined = false;             // it has joined the main network
  int32_t judgedIn = -1;           // the last round it was put up for
};

IslandKind kindOf(uint8_t marks) {
  if (marks & kReachedFromMain) return IslandKind::kTrapRegion;
  if (marks & kReachesMain) return IslandKind::kUnreachableRegion;
  return IslandKind::kDetached;
}

bool needs(IslandKind kind, Way way) {
  return way == kIn ? kind != IslandKind::kTrapRegion
                    : kind != IslandKind::kUnreachableRegion;
}

SuggestedPath pathOf(const std::vector<WaypointRecord>& records, const Candidate& c) {
  SuggestedPath path;
  path.from = c.from;
  path.to = c.to;
  path.squared = c.squared;
  path.length = std::sqrt(c.squared);
  path.rise = riseOf(records[size_t(c.from)], records[size_t(c.to)]);
  path.walkable = true;
  return path;
}

// The rounds, from one analysis of the whole map to the next.
class Mender {
 public:
  Mender(const WaypointMap& map, const MendOptions& options, double maxLength)
      : map_(map), options_(options), maxLength_(maxLength) {
    const int32_t n = map.n;
    marks_.assign(size_t(n), 0);
    slotOf_.assign(size_t(n), -1);
    listSize_.resize(size_t(n));
    for (int32_t v = 0; v < n; ++v) listSize_[size_t(v)] = int32_t(map.pathCount(v));
    // Who leads to each waypoint, for spreading "reaches the main network"
    // against the paths. The added paths are left out: each lies inside the
    // main network once its round is over, so no walk ever needs one.
    predecessorBegin_.assign(size_t(n) + 1, 0);
    for (int32_t u = 0; u < n; ++u) {
      for (uint64_t e = 0; e < map.pathCount(u); ++e) {
        ++predecessorBegin_[size_t(map.pathsFrom(u)[e]) + 1];
      }
    }
    for (int32_t v = 0; v < n; ++v) {
      predecessorBegin_[size_t(v) + 1] += predecessorBegin_[size_t(v)];
    }
    predecessors_.resize(size_t(predecessorBegin_[size_t(n)]));
    std::vector<uint64_t> fill(predecessorBegin_.begin(), predecessorBegin_.end() - 1);
    for (int32_t u = 0; u < n; ++u) {
      for (uint64_t e = 0; e < map.pathCount(u); ++e) {
        predecessors_[size_t(fill[size_t(map.pathsFrom(u)[e])]++)] = u;
      }
    }
  }

  // Takes the state of the map as it stands from its whole analysis; every
  // island is then to be judged.
  std::vector<int32_t> startFrom(const Networks& networks, const IslandReport& report) {
    slots_.clear();
    remaining_ = 0;
    std::vector<int32_t> all;
    if (!report.hasMain) return all;
    std::fill(slotOf_.begin(), slotOf_.end(), -1);
    const int32_t* main = networks.membersOf(report.mainNetwork);
    for (int32_t i = 0; i < report.mainSize; ++i) marks_[size_t(main[i])] = kInMain;
    for (const Island& island : report.islands) {
      const uint8_t marks = island.kind == IslandKind::kTrapRegion ? kReachedFromMain
                            : island.kind == IslandKind::kUnreachableRegion ? kReachesMain
                                                                           : 0;
      Slot slot;
      slot.waypoints = island.waypoints;
      // The suggestions come in, then out; a trap region's only one is out.
      size_t k = 0;
      for (Way way : {kIn, kOut}) {
        if (!needs(island.kind, way)) continue;
        const SuggestedPath& s = island.suggested[k++];
        if (s.walkable && s.length <= maxLength_) {
          slot.best[way] = {s.from, s.to, s.squared};
        }
      }
      for (int32_t v : island.waypoints) {
        marks_[size_t(v)] = marks;
        slotOf_[size_t(v)] = int32_t(slots_.size());
      }
      all.push_back(int32_t(slots_.size()));
      remaining_ += int64_t(slot.waypoints.size());
      slots_.push_back(std::move(slot));
    }
    live_ = all;
    if (!nearby_) {
      // The waypoints outside the main network now, the only ones the
      // main network can gain.
      std::vector<int32_t> outside;
      for (int32_t v = 0; v < map_.n; ++v) {
        if (slotOf_[size_t(v)] >= 0) outside.push_back(v);
      }
      nearby_ = std::make_unique<NearbyWaypoints>(map_.records, outside);
    }
    return all;
  }

  // Judges the islands `slots` (ascending) in round `round`: adds the paths
  // of those that may be mended to `added` and returns them.
  std::vector<int32_t> judge(const std::vector<int32_t>& slots, int32_t round,
                             std::vector<MendedPath>& added) {
    std::vector<int32_t> mended;
    for (int32_t s : slots) {
      Slot& slot = slots_[size_t(s)];
      if (slot.joined) continue;
      const IslandKind kind = kindOf(marks_[size_t(slot.waypoints[0])]);
      if (!options_.mends(kind)) continue;
      bool ready = true;
      for (Way way : {kIn, kOut}) {
        if (!needs(kind, way)) continue;
        const Candidate& c = slot.best[way];
        ready = ready && c.from >= 0 && fileLengthFinite(c.from, c.to) &&
                listSize_[size_t(c.from)] < kMaxPathListSize;
      }
      if (!ready) continue;
      for (Way way : {kIn, kOut}) {
        if (!needs(kind, way)) continue;
        const Candidate& c = slot.best[way];
        ++listSize_[size_t(c.from)];
        added.push_back({round, kind, slot.waypoints, pathOf(map_.records, c)});
      }
      mended.push_back(s);
    }
    return mended;
  }

  // The map after the paths of `mended` were added in round `round`: the
  // marks spread, the waypoints that joined the main network, and the
  // islands whose kind or suggested paths changed, which are returned
  // (ascending) to be judged in the next round.
  std::vector<int32_t> afterRound(const std::vector<int32_t>& mended, int32_t round) {
    newlyMarked_.clear();
    for (int32_t s : mended) {
      const Slot& slot = slots_[size_t(s)];
      const IslandKind kind = kindOf(marks_[size_t(slot.waypoints[0])]);
      // A path out of the island: it and all that lead to it now reach the
      // main network. A path in: the main network reaches all it leads to.
      if (needs(kind, kOut)) spread(slot.waypoints, kReachesMain);
      if (needs(kind, kIn)) spread(slot.waypoints, kReachedFromMain);
    }
    std::vector<int32_t> next;
    joined_.clear();
    for (int32_t v : newlyMarked_) {
      const int32_t s = slotOf_[size_t(v)];
      if (s < 0) continue;  // already counted as joined
      if (marks_[size_t(v)] == kInMain) {
        slots_[size_t(s)].joined = true;
        slotOf_[size_t(v)] = -1;
        joined_.push_back(v);
      } else {
        putUp(s, round, next);  // its kind changed
      }
    }
    remaining_ -= int64_t(joined_.size());
    // Pairs with the waypoints that joined, within the maximum length,
    // found the cheaper way: from each waypoint that joined, the island
    // waypoints near it; or, when few island waypoints are left beside so
    // many that joined, from each island, the nearest that joined.
    if (remaining_ <= kSearchFromIslands * int64_t(joined_.size())) {
      searchFromIslands(round, next);
    } else {
      searchFromJoined(round, next);
    }
    std::sort(next.begin(), next.end());
    return next;
  }

  const std::vector<int32_t>& listSizes() const { return listSize_; }

 private:
  // Offers `slot` the pair from `from` to `to` one way, if walkable, and
  // puts it up when that pair is better than its best.
  void offer(int32_t s, Way way, int32_t from, int32_t to, double squared, int32_t round,
             std::vector<int32_t>& next) {
    Slot& slot = slots_[size_t(s)];
    if (riseOf(map_.records[size_t(from)], map_.records[size_t(to)]) > options_.maxRise) return;
    if (!slot.best[way].beatenBy(squared, from, to)) return;
    slot.best[way] = {from, to, squared};
    putUp(s, round, next);
  }

  // Each waypoint that joined, against the island waypoints within the
  // maximum length of it.
  void searchFromJoined(int32_t round, std::vector<int32_t>& next) {
    for (int32_t p : joined_) {
      nearby_->within(map_.records[size_t(p)], maxLength_, found_, stack_);
      for (const auto& [q, squared] : found_) {
        const int32_t s = slotOf_[size_t(q)];
        if (s < 0) continue;
        const IslandKind kind = kindOf(marks_[size_t(q)]);
        if (needs(kind, kIn)) offer(s, kIn, p, q, squared, round, next);
        if (needs(kind, kOut)) offer(s, kOut, q, p, squared, round, next);
      }
    }
  }

  // Each island left, against the waypoints that joined: the nearest
  // walkable pair each way within the maximum length, from a tree of them.
  void searchFromIslands(int32_t round, std::vector<int32_t>& next) {
    if (joined_.empty() || maxLength_ < 0) return;
    const MainNetworkTree tree(map_.records, joined_.data(), joined_.size());
    size_t kept = 0;
    for (int32_t s : live_) {
      const Slot& slot = slots_[size_t(s)];
      if (slot.joined) continue;
      live_[kept++] = s;
      const IslandKind kind = kindOf(marks_[size_t(slot.waypoints[0])]);
      for (Way way : {kIn, kOut}) {
        if (!needs(kind, way)) continue;
        const SuggestedPath p = tree.nearestWalkableWithin(
            slot.waypoints.data(), slot.waypoints.size(),
            way == kIn ? BridgeDirection::kIntoIsland : BridgeDirection::kOutOfIsland,
            options_.maxRise, maxLength_);
        if (p.from >= 0) offer(s, way, p.from, p.to, p.squared, round, next);
      }
    }
    live_.resize(kept);
  }

  // Whether the length the file's reader computes for the path is finite:
  // a mended file must load again.
  bool fileLengthFinite(int32_t from, int32_t to) const {
    float length;
    return pathLength(map_.records[size_t(from)], map_.records[size_t(to)], &length);
  }

  void putUp(int32_t s, int32_t round, std::vector<int32_t>& next) {
    Slot& slot = slots_[size_t(s)];
    if (slot.judgedIn == round) return;
    slot.judgedIn = round;
    next.push_back(s);
  }

  // Gives `mark` to `from` and to every waypoint that leads to them
  // (kReachesMain) or that they lead to (kReachedFromMain), stopping at
  // waypoints that have it.
  void spread(const std::vector<int32_t>& from, uint8_t mark) {
    stack_.clear();
    auto give = [&](int32_t v) {
      if (marks_[size_t(v)] & mark) return;
      marks_[size_t(v)] |= mark;
      newlyMarked_.push_back(v);
      stack_.push_back(v);
    };
    for (int32_t v : from) give(v);
    while (!stack_.empty()) {
      const int32_t v = stack_.back();
      stack_.pop_back();
      if (mark == kReachesMain) {
        for (uint64_t e = predecessorBegin_[size_t(v)]; e < predecessorBegin_[size_t(v) + 1]; ++e) {
          give(predecessors_[size_t(e)]);
        }
      } else {
        const int32_t* targets = map_.pathsFrom(v);
        for (uint64_t e = 0; e < map_.pathCount(v); ++e) give(targets[e]);
      }
    }
  }

  const WaypointMap& map_;
  const MendOptions& options_;
  const double maxLength_;
  std::vector<uint8_t> marks_;
  std::vector<int32_t> slotOf_;    // the island of each waypoint, -1 in main
  std::vector<int32_t> listSize_;  // path list sizes, added paths counted
  std::vector<uint64_t> predecessorBegin_;
  std::vector<int32_t> predecessors_;
  std::vector<Slot> slots_;
  std::vector<int32_t> live_;  // slots not known to have joined, ascending
  int64_t remaining_ = 0;      // waypoints outside the main network
  std::unique_ptr<NearbyWaypoints> nearby_;
  // Working space, kept between rounds.
  std::vector<int32_t> newlyMarked_, joined_, stack_;
  std::vector<std::pair<int32_t, double>> found_;
};

// Why the island `island` of the mended map `map`, whose path lists have
// `listSizes` targets, was left as it is: the first of the conditions, in
// the order the report lists them, that it fails, and the suggested paths
// that fail it.
void giveReason(const Island& island, const MendOptions& options, const MendResult& result,
                const WaypointMap& map, const std::vector<int32_t>& listSizes,
                LeftIsland& left) {
  using Test = bool (*)(const SuggestedPath&, const MendResult&, const WaypointMap&,
                        const std::vector<int32_t>&);
  const std::pair<MendReason, Test> reasons[] = {
      {MendReason::kNotWalkable,
       [](const SuggestedPath& s, const MendResult&, const WaypointMap&,
          const std::vector<int32_t>&) { return !s.walkable; }},
      {MendReason::kTooLong,
       [](const SuggestedPath& s, const MendResult& r, const WaypointMap& m,
          const std::vector<int32_t>&) {
         float length;
         return !(s.length <= r.maxLength) ||
                !pathLength(m.records[size_t(s.from)], m.records[size_t(s.to)], &length);
       }},
      {MendReason::kPathListFull,
       [](const SuggestedPath& s, const MendResult&, const WaypointMap&,
          const std::vector<int32_t>& sizes) {
         return sizes[size_t(s.from)] >= kMaxPathListSize;
       }},
  };
  left.blocking.clear();
  if (!options.mends(island.kind)) {
    left.reason = MendReason::kKindNotChosen;
    return;
  }
  for (const auto& [reason, fails] : reasons) {
    if (reason == MendReason::kTooLong && !result.hasMaxLength) {
      left.reason = MendReason::kNoMaximumLength;
      return;
    }
    for (const SuggestedPath& s : island.suggested) {
      if (fails(s, result, map, listSizes)) left.blocking.push_back(s);
    }
    if (!left.blocking.empty()) {
      left.reason = reason;
      return;
    }
  }
  // Not reached: the last round, judged on this analysis, added nothing.
  left.reason = MendReason::kPathListFull;
}

}  // namespace

bool MendOptions::mends(IslandKind kind) const {
  switch (kind) {
    case IslandKind::kTrapRegion:
      return trapRegions;
    case IslandKind::kUnreachableRegion:
      return unreachableRegions;
    case IslandKind::kDetached:
      return detached;
  }
  return false;
}

bool longestPathLength(const WaypointMap& map, double* length) {
  bool any = false;
  double longest = 0;
  for (int32_t u = 0; u < map.n; ++u) {
    for (uint64_t e = 0; e < map.pathCount(u); ++e) {
      const double d = std::sqrt(squaredDistance(map.records[size_t(u)],
                                                 map.records[size_t(map.pathsFrom(u)[e])]));
      longest = any ? std::max(longest, d) : d;
      any = true;
    }
  }
  *length = longest;
  return any;
}

std::vector<AddedPath> MendResult::addedPaths() const {
  std::vector<AddedPath> paths;
  paths.reserve(added.size());
  for (const MendedPath& m : added) paths.push_back({m.path.from, m.path.to});
  return paths;
}

MapFigures mapFigures(const WaypointMap& map, const Networks& networks,
                      const IslandReport& report) {
  MapFigures figures;
  figures.networks = networks.count;
  figures.trapRegions = report.countOf(IslandKind::kTrapRegion);
  figures.unreachableRegions = report.countOf(IslandKind::kUnreachableRegion);
  figures.detached = report.countOf(IslandKind::kDetached);
  figures.reachablePairs = countReachablePairs(map, networks);
  return figures;
}

WaypointMap withAddedPaths(const WaypointMap& map, const std::vector<AddedPath>& added) {
  WaypointMap mended;
  mended.n = map.n;
  mended.mapName = map.mapName;
  mended.records = map.records;
  std::vector<AddedPath> sorted(added);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const AddedPath& a, const AddedPath& b) { return a.from < b.from; });
  const size_t total = map.pathTargets.size() + sorted.size();
  mended.pathTargets.reserve(total);
  mended.pathLengths.reserve(total);
  mended.pathBegin.assign(1, 0);
  mended.pathBegin.reserve(size_t(map.n) + 1);
  size_t next = 0;
  for (int32_t u = 0; u < map.n; ++u) {
    mended.pathTargets.insert(mended.pathTargets.end(), map.pathsFrom(u),
                              map.pathsFrom(u) + map.pathCount(u));
    mended.pathLengths.insert(mended.pathLengths.end(), map.lengthsFrom(u),
                              map.lengthsFrom(u) + map.pathCount(u));
    for (; next < sorted.size() && sorted[next].from == u; ++next) {
      float length = kNoPathDistance;
      pathLength(map.records[size_t(u)], map.records[size_t(sorted[next].to)], &length);
      mended.pathTargets.push_back(sorted[next].to);
      mended.pathLengths.push_back(length);
    }
    mended.pathBegin.push_back(mended.pathTargets.size());
  }
  mended.pathEntryTotal = int64_t(mended.pathTargets.size());
  return mended;
}

MendResult mendMap(const WaypointMap& map, const MendOptions& options) {
  MendResult result;
  if (options.hasMaxLength) {
    result.hasMaxLength = true;
    result.maxLength = options.maxLength;
  } else {
    result.hasMaxLength = longestPathLength(map, &result.maxLength);
  }
  // With no maximum, no pair is short enough.
  Mender mender(map, options, result.hasMaxLength ? result.maxLength : -1.0);

  // The whole analysis of the map as it stands, kept until the next one.
  WaypointMap mended;
  const WaypointMap* current = &map;
  auto analyse = [&](const WaypointMap& m, Networks& networks, IslandReport& report) {
    networks = findNetworks(m);
    report = findIslands(m, networks, options.maxRise);
  };
  Networks networks;
  IslandReport report;
  analyse(map, networks, report);
  result.before = mapFigures(map, networks, report);
  result.after = result.before;
  std::vector<int32_t> pending = mender.startFrom(networks, report);
  bool whole = true;  // `pending` comes from a whole analysis
  int32_t round = 0;
  for (;;) {
    const std::vector<int32_t> mendedNow = mender.judge(pending, round + 1, result.added);
    if (mendedNow.empty()) {
      if (whole) break;
      // The rounds have nothing more: the whole mended map once more.
      mended = withAddedPaths(map, result.addedPaths());
      current = &mended;
      report = IslandReport();
      networks = Networks();
      analyse(mended, networks, report);
      result.after = mapFigures(mended, networks, report);
      pending = mender.startFrom(networks, report);
      whole = true;
      continue;
    }
    ++round;
    if (whole && round > 1) ++result.roundsFoundByWholeAnalysis;
    pending = mender.afterRound(mendedNow, round);
    whole = false;
  }
  result.rounds = round;

  for (const Island& island : report.islands) {
    LeftIsland left;
    left.kind = island.kind;
    left.island = island.waypoints;
    left.suggested = island.suggested;
    giveReason(island, options, result, *current, mender.listSizes(), left);
    result.left.push_back(std::move(left));
  }
  return result;
}

uint64_t mendingMemoryNeed(int64_t n, int64_t pathEntries) {
  const uint64_t waypoints = uint64_t(std::max<int64_t>(n, 0));
  const uint64_t paths = uint64_t(std::max<int64_t>(pathEntries, 0));
  auto add = [](uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; };
  auto mul = [](uint64_t a, uint64_t b) {
    return a != 0 && b > UINT64_MAX / a ? UINT64_MAX : a * b;
  };
  // The analyses of the map before and after, one at a time, with up to
  // two added paths an island.
  uint64_t need = islandsMemoryNeed(int64_t(std::min<uint64_t>(waypoints, INT64_MAX)),
                                    int64_t(std::min<uint64_t>(add(paths, mul(waypoints, 2)),
                                                               INT64_MAX)));
  // Per waypoint: marks, islands, list sizes, who leads to it, the tree,
  // each island's record, and up to two added paths and one island left,
  // each with a copy of its waypoints, with the allocator's overhead; the
  // mended map's record, list start and added entries.
  need = add(need, mul(waypoints, 700));
  // Per path entry: who leads to it, the paths between networks, the
  // mended map's copy.
  need = add(need, mul(paths, 24));
  return need;
}

}  // namespace tessivar
