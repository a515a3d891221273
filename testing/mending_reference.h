// A slow, plainly right mending of a map to test analysis/mending.h
// against: every round analyses the whole map as it stands (by searches and
// by trying every pair, or with findIslands), judges every island, and
// adds the paths by encoding the map again.
#ifndef TESSIVAR_TESTING_MENDING_REFERENCE_H_
#define TESSIVAR_TESTING_MENDING_REFERENCE_H_

#include <string>

#include "analysis/mending.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace testing {

enum class WholeAnalysis {
  kBySearch,     // islandsBySearch: searches and every pair, small maps only
  kFindIslands,  // findIslands on the whole map each round
};

// Mends `layout` round by round as analysis/mending.h says; `before`,
// `after`, `added`, `left` and `rounds` are filled, with the figures'
// reachable pairs counted by reachablePairsFromNetworks.
MendResult mendByWholeRounds(const MapSpec& layout, const MendOptions& options,
                             WholeAnalysis analysis);

// Every field of `result` as text with exact numbers, for comparing two
// results and showing where they differ.
std::string describe(const MendResult& result);

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_MENDING_REFERENCE_H_
