#include "mend/mend_run.h"

#include <ios>
#include <new>
#include <string>
#include <vector>

#include "analysis/mending.h"
#include "frame/exit_status.h"
#include "frame/report_output.h"
#include "frame/stream_text.h"
#include "mend/mend_options.h"
#include "mend/mend_report.h"
#include "platform/output_file.h"
#include "platform/standard_stream.h"
#include "waypoint/loader.h"
#include "waypoint/map_writer.h"

namespace tessivar {

namespace {

using platform::OutputStatus;
using platform::OutputWriter;

// The messages show a name as the other tools' messages do: escaped on a
// terminal, its bytes elsewhere (frame/stream_text.h).
int usageError(const char* program, const std::string& why, std::ostream& out) {
  std::string text = "tessivar-mend: ";
  appendStreamText(text, why, out);
  text += "\nUsage ";
  appendStreamText(text, program && *program ? program : "tessivar-mend", out);
  text += ' ';
  text += kMendUsage;
  text += '\n';
  finishSection(text, out);
  return kExitFailure;
}

// A failure in one line: as text, or as the JSON object.
int failure(const MendToolOptions& options, const std::string& message,
            std::ostream& messages) {
  if (options.json) {
    writeFileErrorJson(options.input, message, messages);
  } else {
    std::string text;
    appendStreamText(text, message, messages);
    text += '\n';
    finishSection(text, messages);
  }
  return kExitFailure;
}

int cannotWrite(const MendToolOptions& options, const std::string& why,
                std::ostream& messages) {
  return failure(options, "Couldn't write file " + options.output + why, messages);
}

std::string whyNot(OutputStatus status) {
  return status == OutputStatus::kSameAsInput ? ": it is the waypoint file" : "";
}

}  // namespace

int runTessivarMend(int argc, const char* const* argv, std::ostream& out,
                    std::ostream& err) {
  try {
    const MendToolOptions options = parseMendOptions(argc, argv);
    if (!options.ok) {
      return usageError(argc > 0 ? argv[0] : nullptr, options.error, out);
    }
    // "-" sends the mended file to standard output, which then carries
    // nothing else: the report and the messages go to standard error.
    const bool write = !options.dryRun;
    const bool toOut = write && options.output == "-";
    std::ostream& messages = toOut ? err : out;

    WaypointMap map;
    std::vector<uint8_t> bytes;
    const LoadResult load = loadWaypointMapWithBytes(options.input, map, bytes);
    if (load.status == LoadStatus::kOutOfMemory) return abnormalTermination(err);
    if (!load.ok()) return failure(options, load.message, messages);
    // Taken now, with the map and its bytes held: they count as used.
    const MemoryBudget budget = processMemoryBudget();
    const uint64_t need = mendingMemoryNeed(map.n, map.pathEntryTotal);
    if (need > budget.availableBytes || need > budget.addressSpaceBytes) {
      return abnormalTermination(err);
    }

    // A mistake in the output is better reported before the mending.
    if (write) {
      if (toOut && platform::descriptorIsTerminal(1)) {
        return cannotWrite(options, ": standard output is a terminal", messages);
      }
      const OutputStatus usable = toOut
                                      ? platform::checkStandardOutput(options.input)
                                      : platform::checkOutputPath(options.output, options.input);
      if (usable != OutputStatus::kOk) return cannotWrite(options, whyNot(usable), messages);
    }

    const MendResult result = mendMap(map, options.mend);
    if (write) {
      const std::vector<AddedPath> added = result.addedPaths();
      const OutputWriter mended = [&](std::ostream& file) {
        return writeMapWithAddedPaths(bytes.data(), bytes.size(), added, file) && bool(file);
      };
      const OutputStatus written =
          writeToolOutput(options.output, options.input, out, mended);
      if (written != OutputStatus::kOk) return cannotWrite(options, whyNot(written), messages);
    }

    MendReportContext context;
    context.input = options.input;
    context.output = options.output;
    context.dryRun = options.dryRun;
    context.mapName = map.mapName;
    context.waypoints = map.n;
    context.options = &options.mend;
    if (options.json) {
      writeMendJson(context, result, messages);
    } else {
      writeMendText(context, result, messages);
    }
    return kExitOk;
  } catch (const std::bad_alloc&) {
    return abnormalTermination(err);
  }
}

}  // namespace tessivar
