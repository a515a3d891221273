#include "svg/svg_run.h"

#include <new>
#include <string>

#include "app/run.h"
#include "svg/atomic_file.h"
#include "svg/discard_stream.h"
#include "svg/map_analysis.h"
#include "svg/map_svg.h"
#include "waypoint/loader.h"

namespace tessivar {

int runTessivarSvg(int argc, const char* const* argv, std::ostream& out,
                   std::ostream& err) {
  if (argc != 3) {
    out << "Usage " << (argc > 0 && argv[0] ? argv[0] : "tessivar-svg")
        << " <waypointfile> <output.svg>" << std::endl;
    return kExitFailure;
  }
  const std::string output = argv[2];
  try {
    WaypointGraph graph;
    DiscardStream loadingLines;
    const LoadResult load = loadWaypointFile(argv[1], graph, loadingLines);
    if (load.status == LoadStatus::kOutOfMemory) {
      return abnormalTermination(err);
    }
    if (load.status != LoadStatus::kLoaded) {
      out << load.message << std::endl;
      return kExitFailure;
    }
    // The analysis of a big map takes long: a mistake in the output path
    // is better reported before it.
    if (!canCreateFileAt(output)) {
      out << "Couldn't write file " << output << std::endl;
      return kExitFailure;
    }
    const MapAnalysis analysis = analyzeMap(graph);
    const bool written =
        writeFileAtomically(output, [&](std::ostream& file) {
          writeMapSvg(graph, analysis, file);
          return bool(file);
        });
    if (!written) {
      out << "Couldn't write file " << output << std::endl;
      return kExitFailure;
    }
    out << "Wrote " << output << std::endl;
    return kExitOk;
  } catch (const std::bad_alloc&) {
    return abnormalTermination(err);
  }
}

}  // namespace tessivar
