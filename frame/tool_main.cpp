#include "frame/tool_main.h"

#include <iostream>
#include <new>

#include "frame/exit_status.h"
#include "frame/report_output.h"
#include "frame/stream_text.h"
#include "platform/command_line.h"
#include "platform/standard_stream.h"

namespace tessivar {

int runToolMain(int argc, char** argv, ToolRun run) {
  const platform::StandardStreams streams;
  // Standard error, like standard output (frame/report_output.h), escapes
  // text from a map file when it is a terminal.
  markTerminalStream(std::cerr, platform::descriptorIsTerminal(2));
  try {
    const platform::CommandLine args(argc, argv);
    return runWithReportOutput(std::cerr, [&](std::ostream& out) {
      return run(args.argc(), args.argv(), out, std::cerr);
    });
  } catch (const std::bad_alloc&) {
    return abnormalTermination(std::cerr);
  }
}

}  // namespace tessivar
