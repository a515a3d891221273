#include "view/view_run.h"

#include <ios>
#include <new>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "frame/exit_status.h"
#include "frame/report_output.h"
#include "frame/stream_text.h"
#include "frame/tool_main.h"
#include "platform/file_path.h"
#include "platform/output_file.h"
#include "text/numbers.h"
#include "view/page_data.h"
#include "view/page_html.h"
#include "view/view_findings.h"
#include "waypoint/file_bytes.h"
#include "waypoint/loader.h"

namespace tessivar {

namespace {

using platform::OutputStatus;
using platform::OutputWriter;

void writeLine(std::ostream& stream, const std::string& line) {
  stream << line << std::endl;
}

// The output can't be, or wasn't, written: the message and status 1.
int cannotWrite(std::ostream& messages, const std::string& output,
                OutputStatus status) {
  std::string line = "Couldn't write file " + streamText(output, messages);
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
                        const std::string& input, std::ostream& stream) {
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
  line += "); run tessivar " + streamText(input, stream) + " for them";
  return line;
}

}  // namespace

int runTessivarView(int argc, const char* const* argv, std::ostream& out,
                    std::ostream& err) {
  // Files only (--help and --version are the frame's, before the run).
  const std::vector<std::string> operands = toolOperands(argc, argv);
  if (operands.empty() || operands.size() > 2) {
    writeLine(out, "Usage " +
                       streamText(argc > 0 && argv[0] ? argv[0] : "tessivar-view", out) +
                       " <waypointfile> [<output.html>|-]");
    return kExitFailure;
  }
  const std::string input = operands[0];
  // Without an output, the page goes beside the map, named after it.
  std::string output;
  if (operands.size() == 2) {
    output = operands[1];
  } else {
    output = platform::defaultOutputPath(input, ".html");
    if (output.empty()) {
      writeLine(out, "Couldn't name the page after " + streamText(input, out) +
                         ": it names no file; give the output's name");
      return kExitFailure;
    }
  }
  // "-" sends the page to standard output, which then carries nothing
  // else: the messages go to standard error.
  const bool toOut = output == "-";
  std::ostream& messages = toOut ? err : out;
  try {
    WaypointMap map;
    const LoadResult load = loadWaypointMap(input, map);
    if (load.status == LoadStatus::kOutOfMemory) return abnormalTermination(err);
    if (load.status != LoadStatus::kLoaded) {
      writeLine(messages, streamText(load.message, messages));
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
    // Two maps dropped together on the program in Explorer arrive as a map
    // and an output: the second map must not become a page.
    if (!toOut && isWaypointFileOnDisk(output)) {
      writeLine(messages, "Couldn't write file " + streamText(output, messages) +
                              ": it is a waypoint file");
      return kExitFailure;
    }

    const ViewFindings found = findViewFindings(map);
    const std::string data = pageDataJson(fileNameOf(input), map, found);
    const OutputWriter page = [&](std::ostream& file) { return writeViewPage(file, data); };
    const OutputStatus written = writeToolOutput(output, input, out, page);
    if (written != OutputStatus::kOk) return cannotWrite(messages, output, written);
    if (found.phases.plan != PhasesPlan::kRun) {
      writeLine(messages, leftOutLine(found, map.n, input, messages));
    }
    if (!toOut) writeLine(out, "Wrote " + streamText(output, out));
    return kExitOk;
  } catch (const std::bad_alloc&) {
    return abnormalTermination(err);
  }
}

}  // namespace tessivar
