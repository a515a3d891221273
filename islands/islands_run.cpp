#include "islands/islands_run.h"

#include <new>
#include <string>

#include "analysis/islands.h"
#include "frame/exit_status.h"
#include "frame/report_output.h"
#include "islands/islands_json.h"
#include "islands/islands_options.h"
#include "islands/islands_text.h"
#include "text/escape.h"
#include "waypoint/loader.h"

namespace tessivar {

namespace {

enum class FileOutcome { kReported, kNotLoaded, kOutOfMemory };

FileOutcome reportFile(const std::string& path, const IslandsOptions& options,
                       std::ostream& out) {
  WaypointMap map;
  const LoadResult load = loadWaypointMap(path, map);
  if (load.status == LoadStatus::kOutOfMemory) return FileOutcome::kOutOfMemory;
  if (!load.ok()) {
    if (options.json) {
      writeFileErrorJson(path, load.message, out);
    } else {
      writeLoadFailureText(path, load.message, out);
    }
    return FileOutcome::kNotLoaded;
  }
  // Taken now, with the map loaded: what it holds is already counted as
  // used, on both counts.
  const MemoryBudget budget = processMemoryBudget();
  const uint64_t need = islandsMemoryNeed(map.n, map.pathEntryTotal);
  if (need > budget.availableBytes || need > budget.addressSpaceBytes) {
    return FileOutcome::kOutOfMemory;
  }
  const IslandReport report = findIslands(map, options.maxRise);
  if (options.json) {
    writeIslandsJson(path, map.mapName, report, out);
  } else {
    writeIslandsText(path, map.mapName, report, out);
  }
  return FileOutcome::kReported;
}

int usageError(const char* program, const std::string& why,
               std::ostream& out) {
  std::string text = "tessivar-islands: ";
  appendTerminalText(text, why);
  text += "\nUsage ";
  appendTerminalText(text, program && *program ? program : "tessivar-islands");
  text += " [--json] [--max-rise UNITS] <waypointfile>...\n";
  finishSection(text, out);
  return kExitFailure;
}

}  // namespace

int runTessivarIslands(int argc, const char* const* argv, std::ostream& out,
                       std::ostream& err) {
  try {
    const IslandsOptions options = parseIslandsOptions(argc, argv);
    if (!options.ok) {
      return usageError(argc > 0 ? argv[0] : nullptr, options.error, out);
    }
    int status = kExitOk;
    for (const std::string& path : options.files) {
      switch (reportFile(path, options, out)) {
        case FileOutcome::kReported:
          break;
        case FileOutcome::kNotLoaded:
          status = kExitFailure;
          break;
        case FileOutcome::kOutOfMemory:
          return abnormalTermination(err);
      }
    }
    return status;
  } catch (const std::bad_alloc&) {
    return abnormalTermination(err);
  }
}

}  // namespace tessivar
