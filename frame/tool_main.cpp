#include "frame/tool_main.h"

#include <cstring>
#include <iostream>
#include <new>

#include "frame/exit_status.h"
#include "frame/report_output.h"
#include "frame/stream_text.h"
#include "frame/version.h"
#include "frame/window_wait.h"
#include "platform/command_line.h"
#include "platform/standard_stream.h"

namespace tessivar {

namespace {

ToolRequest requestOf(const char* arg) {
  if (std::strcmp(arg, "--help") == 0) return ToolRequest::kHelp;
  if (std::strcmp(arg, "--version") == 0) return ToolRequest::kVersion;
  return ToolRequest::kRun;
}

}  // namespace

ToolRequest findToolRequest(int argc, const char* const* argv,
                            RequestRule rule) {
  if (rule == RequestRule::kLoneArgument) {
    return argc == 2 && argv[1] ? requestOf(argv[1]) : ToolRequest::kRun;
  }
  for (int i = 1; i < argc && argv[i]; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    const ToolRequest request = requestOf(argv[i]);
    if (request != ToolRequest::kRun) return request;
  }
  return ToolRequest::kRun;
}

std::vector<std::string> toolOperands(int argc, const char* const* argv) {
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] ? argv[i] : "";
    if (arg == "--" && !optionsEnded) {
      optionsEnded = true;
    } else {
      operands.push_back(arg);
    }
  }
  return operands;
}

int runToolRequest(const ToolDescription& tool, int argc,
                   const char* const* argv, std::ostream& out,
                   std::ostream& err) {
  switch (findToolRequest(argc, argv, tool.rule)) {
    case ToolRequest::kHelp:
      out << tool.help << std::flush;
      return kExitOk;
    case ToolRequest::kVersion:
      out << tool.name << ' ' << projectVersion() << std::endl;
      return kExitOk;
    case ToolRequest::kRun:
      break;
  }
  return tool.run(argc, argv, out, err);
}

void waitIfWindowCloses(const ToolDescription& tool, bool noArguments,
                        const platform::ConsoleFacts& console,
                        std::ostream& err, const std::function<void()>& wait) {
  if (!waitsBeforeClosing(console)) return;
  if (noArguments && tool.dropHint) err << '\n' << tool.dropHint << '\n';
  err << '\n' << kPressEnterToClose << std::flush;
  wait();
}

int runToolMain(int argc, char** argv, const ToolDescription& tool) {
  const platform::StandardStreams streams;
  // Standard error, like standard output (frame/report_output.h), escapes
  // text from a map file when it is a terminal.
  markTerminalStream(std::cerr, platform::descriptorIsTerminal(2));
  int status;
  try {
    const platform::CommandLine args(argc, argv);
    status = runWithReportOutput(std::cerr, [&](std::ostream& out) {
      return runToolRequest(tool, args.argc(), args.argv(), out, std::cerr);
    });
  } catch (const std::bad_alloc&) {
    status = abnormalTermination(std::cerr);
  }
  // Last, after everything else is written: the report, its flush, a
  // message of failure.
  try {
    waitIfWindowCloses(tool, argc <= 1, platform::consoleFacts(), std::cerr,
                       platform::waitForEnter);
  } catch (const std::bad_alloc&) {
    // No memory left to ask the console: the window closes as it would.
  }
  return status;
}

}  // namespace tessivar
