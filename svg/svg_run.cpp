#include "svg/svg_run.h"

#include <ios>
#include <new>
#include <string>
#include <vector>

#include "analysis/run_memory.h"
#include "frame/exit_status.h"
#include "frame/report_output.h"
#include "frame/stream_text.h"
#include "frame/tool_main.h"
#include "platform/output_file.h"
#include "svg/map_analysis.h"
#include "svg/map_svg.h"
#include "waypoint/file_bytes.h"
#include "waypoint/loader.h"

namespace tessivar {

namespace {

using platform::OutputStatus;
using platform::OutputWriter;

// The output can't be, or wasn't, written: the message and status 1.
int cannotWrite(std::ostream& messages, const std::string& output,
                OutputStatus status) {
  messages << "Couldn't write file " << streamText(output, messages);
  if (status == OutputStatus::kSameAsInput)
    messages << ": it is the waypoint file";
  messages << std::endl;
  return kExitFailure;
}

}  // namespace

int runTessivarSvg(int argc, const char* const* argv, std::ostream& out,
                   std::ostream& err) {
  // Files only (--help and --version are the frame's, before the run).
  const std::vector<std::string> operands = toolOperands(argc, argv);
  if (operands.empty() || operands.size() > 2) {
    out << "Usage "
        << streamText(argc > 0 && argv[0] ? argv[0] : "tessivar-svg", out)
        << " <waypointfile> [<output.svg>|-]" << std::endl;
    return kExitFailure;
  }
  const std::string input = operands[0];
  // Without an output, the picture goes beside the map, named after it.
  std::string output;
  if (operands.size() == 2) {
    output = operands[1];
  } else {
    output = platform::defaultOutputPath(input, ".svg");
    if (output.empty()) {
      out << "Couldn't name the picture after " << streamText(input, out)
          << ": it names no file; give the output's name" << std::endl;
      return kExitFailure;
    }
  }
  // "-" sends the picture to standard output, which then carries nothing
  // else: the messages go to standard error.
  const bool toOut = output == "-";
  std::ostream& messages = toOut ? err : out;
  try {
    WaypointGraph graph;
    const LoadResult load = loadWaypointFile(input, graph, reportPhasesNeed);
    if (load.status == LoadStatus::kOutOfMemory) {
      return abnormalTermination(err);
    }
    if (load.status != LoadStatus::kLoaded) {
      messages << streamText(load.message, messages) << std::endl;
      return kExitFailure;
    }
    // The analysis of a big map takes long: a mistake in the output path
    // is better reported before it.
    const OutputStatus usable =
        toOut ? platform::checkStandardOutput(input)
              : platform::checkOutputPath(output, input);
    if (usable != OutputStatus::kOk) {
      return cannotWrite(messages, output, usable);
    }
    // Two maps dropped together on the program in Explorer arrive as a map
    // and an output: the second map must not become a picture.
    if (!toOut && isWaypointFileOnDisk(output)) {
      messages << "Couldn't write file " << streamText(output, messages)
               << ": it is a waypoint file" << std::endl;
      return kExitFailure;
    }
    const MapAnalysis analysis = analyzeMap(graph);
    const OutputWriter picture = [&](std::ostream& file) {
      writeMapSvg(graph, analysis, file);
      return bool(file);
    };
    const OutputStatus written = writeToolOutput(output, input, out, picture);
    if (written != OutputStatus::kOk) {
      return cannotWrite(messages, output, written);
    }
    if (!toOut) out << "Wrote " << streamText(output, out) << std::endl;
    return kExitOk;
  } catch (const std::bad_alloc&) {
    return abnormalTermination(err);
  }
}

}  // namespace tessivar
