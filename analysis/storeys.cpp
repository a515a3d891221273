#include "analysis/storeys.h"

#include <algorithm>

namespace tessivar {

std::vector<Storey> findStoreys(const WaypointMap& map) {
  std::vector<float> heights;
  heights.reserve(map.records.size());
  for (const WaypointRecord& r : map.records) heights.push_back(r.z);
  if (heights.empty()) return {};
  std::sort(heights.begin(), heights.end());

  // The gaps wide enough to split at: (width, index of the first height
  // above the gap). Finite floats differ by a finite double.
  struct Gap {
    double width;
    size_t above;
  };
  std::vector<Gap> gaps;
  for (size_t i = 1; i < heights.size(); ++i) {
    const double width = double(heights[i]) - double(heights[i - 1]);
    if (width >= kStoreyGap) gaps.push_back({width, i});
  }
  const size_t most = size_t(kMaxStoreys - 1);
  if (gaps.size() > most) {
    // The widest; among equal widths, the lower gap.
    std::stable_sort(gaps.begin(), gaps.end(), [](const Gap& a, const Gap& b) {
      return a.width > b.width;
    });
    gaps.resize(most);
    std::sort(gaps.begin(), gaps.end(),
              [](const Gap& a, const Gap& b) { return a.above < b.above; });
  }

  std::vector<Storey> storeys;
  size_t first = 0;
  auto close = [&](size_t end) {
    Storey s;
    s.low = heights[first];
    s.high = heights[end - 1];
    s.waypoints = int32_t(end - first);
    storeys.push_back(s);
    first = end;
  };
  for (const Gap& gap : gaps) close(gap.above);
  close(heights.size());
  return storeys;
}

}  // namespace tessivar
