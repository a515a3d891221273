#include "view/view_run.h"

#include <ios>
#include <new>
#include <string>

#include "analysis/islands.h"
#include "frame/exit_status.h"
#include "platform/file_path.h"
#include "platform/output_file.h"
#include "text/escape.h"
#include "text/numbers.h"
#include "view/page_data.h"
#include "view/page_html.h"
#include "view/view_findings.h"
#include "waypoint/loader.h"

namespace tessivar {

namespace {

using platform::OutputStatus;
using platform::OutputWriter;

void writeLine(std::ostream& stream, const std::string& line) {
  stream << line << std::endl;
}

std::string shown(const std::string& text) {
  std::string out;
  appendTerminalText(out, text);
  return out;
}

// The output can't be, or wasn't, written: the message and status 1.
int cannotWrite(std::ostream& messages, const std::string& output,
                OutputStatus status) {
  std::string line = "Couldn't write file " + shown(output);
  if (status == OutputStatus::kSameAsInput) line += ": it is the waypoint file";
  writeLine(messages, line);
  return kExitFailure;
}

// The file's name without its folder, as the system splits paths.
std::string fileNameOf(const std::string& path) {
  const std::string name = platform::pathText(platform::filePath(path).filename());
  return name.empty() ? path : name;
}

std::string leftOutLine(const ViewFindings& found, int32_t waypoints,
                        const std::string& input) {
  std::string line = "Left out the reachable pairs and the route 0 -> 5 (";
  if (found.phases.plan == PhasesPlan::kTooManyWaypoints) {
    appendInteger(line, waypoints);
    line += " waypoints, more than ";
    appendInteger(line, kViewReportWaypointLimit);
  } else {
    line += "the report's phases would need ";
    appendInteger(line, int64_t(found.phases.fillBytes >> 20));
    line += " MiB, more than the process can have";
  }
  line += "); run tessivar " + shown(input) + " for them";
  return line;
}

}  // namespace

int runTessivarView(int argc, const char* const* argv, std::ostream& out,
                    std::ostream& err) {
  if (argc != 3) {
    writeLine(out, "Usage " + shown(argc > 0 && argv[0] ? argv[0] : "tessivar-view") +
                       " <waypointfile> <output.html>");
    return kExitFailure;
  }
  const std::string input = argv[1];
  const std::string output = argv[2];
  // "-" sends the page to standard output, which then carries nothing
  // else: the messages go to standard error.
  const bool toOut = output == "-";
  std::ostream& messages = toOut ? err : out;
  try {
    WaypointMap map;
    const LoadResult load = loadWaypointMap(input, map);
    if (load.status == LoadStatus::kOutOfMemory) return abnormalTermination(err);
    if (load.status != LoadStatus::kLoaded) {
      writeLine(messages, shown(load.message));
      return kExitFailure;
    }
    // The islands are found whatever the map's size: they must fit.
    const MemoryBudget budget = processMemoryBudget();
    const uint64_t need = islandsMemoryNeed(map.n, map.pathEntryTotal);
    if (need > budget.availableBytes || need > budget.addressSpaceBytes) {
      return abnormalTermination(err);
    }
    // A mistake in the output path is better reported before the analysis.
    const OutputStatus usable = toOut ? platform::checkStandardOutput(input)
                                      : platform::checkOutputPath(output, input);
    if (usable != OutputStatus::kOk) return cannotWrite(messages, output, usable);

    const ViewFindings found = findViewFindings(map);
    const std::string data = pageDataJson(fileNameOf(input), map, found);
    const OutputWriter page = [&](std::ostream& file) { return writeViewPage(file, data); };
    OutputStatus written;
    if (toOut) {
      // The page is this run's only output on standard output, so a write
      // that fails there is a failed page, reported as one, even where the
      // stream throws on failure.
      bool ok = false;
      try {
        ok = page(out) && out.flush();
      } catch (const std::ios_base::failure&) {
        ok = false;
      }
      written = ok ? OutputStatus::kOk : OutputStatus::kFailed;
    } else {
      written = platform::writeOutputFile(output, input, page);
    }
    if (written != OutputStatus::kOk) return cannotWrite(messages, output, written);
    if (found.phases.plan != PhasesPlan::kRun) {
      writeLine(messages, leftOutLine(found, map.n, input));
    }
    if (!toOut) writeLine(out, "Wrote " + shown(output));
    return kExitOk;
  } catch (const std::bad_alloc&) {
    return abnormalTermination(err);
  }
}

}  // namespace tessivar
