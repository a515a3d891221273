// What every tool's main does alike: the standard streams set up for the
// system (platform/standard_stream.h), the command line as UTF-8
// (platform/command_line.h), --help and --version, the report's standard
// output guarded so that a failed write ends the run with status 1
// (frame/report_output.h), standard output and error marked as terminals
// where they are, so that text from a map file is escaped there
// (frame/stream_text.h), exhausted memory ending it with status 3
// wherever it runs out, and, in a console window made for the tool alone
// (Windows, started from Explorer), a wait for Enter at the end so the
// window stays until it has been read (frame/window_wait.h).
//
//   const tessivar::ToolDescription kSvgTool = {
//       "tessivar-svg", kSvgHelp, "To draw a map, drop ...",
//       tessivar::RequestRule::kBeforeDoubleDash, tessivar::runTessivarSvg};
//   int main(int argc, char** argv) {
//     return tessivar::runToolMain(argc, argv, kSvgTool);
//   }
#ifndef TESSIVAR_FRAME_TOOL_MAIN_H_
#define TESSIVAR_FRAME_TOOL_MAIN_H_

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/console_window.h"

namespace tessivar {

// A tool's run: its arguments as UTF-8 (argv[0] the program), its report
// stream and standard error. Returns the exit status.
using ToolRun = int (*)(int argc, const char* const* argv, std::ostream& out,
                        std::ostream& err);

// Where --help and --version are looked for on a command line.
enum class RequestRule {
  // As the one argument only: a tool whose single argument is otherwise
  // always a file name (tessivar). With any other arguments they are
  // arguments like the rest.
  kLoneArgument,
  // Anywhere before a lone "--", the first one counting; the tool's run
  // reads "--" itself. A file of either name is reached as ./--help.
  kBeforeDoubleDash,
};

enum class ToolRequest { kRun, kHelp, kVersion };

ToolRequest findToolRequest(int argc, const char* const* argv,
                            RequestRule rule);

// The operands of a tool that takes files only (tessivar-svg,
// tessivar-view): every argument after argv[0] but the first lone "--",
// which lets a file named --help be given as one.
std::vector<std::string> toolOperands(int argc, const char* const* argv);

struct ToolDescription {
  const char* name;  // as installed, without ".exe": what --version names
  // What --help prints: what the tool does, its usage, options and exit
  // statuses, every line ending in a line end.
  const char* help;
  // One line for a tool started with no argument in a window of its own
  // (a double click on it in Explorer): how to start it by dropping a map
  // on it. Null for none.
  const char* dropHint;
  RequestRule rule;
  ToolRun run;
};

// --help: the tool's help on `out`, status 0. --version: "<name>
// <version>" on `out`, status 0. Otherwise the tool's run.
int runToolRequest(const ToolDescription& tool, int argc,
                   const char* const* argv, std::ostream& out,
                   std::ostream& err);

// When the console window would close with the process
// (waitsBeforeClosing): after a start with no argument the tool's drop
// hint, then kPressEnterToClose on `err`, and `wait` (which returns once
// Enter is pressed). Otherwise nothing.
void waitIfWindowCloses(const ToolDescription& tool, bool noArguments,
                        const platform::ConsoleFacts& console,
                        std::ostream& err, const std::function<void()>& wait);

int runToolMain(int argc, char** argv, const ToolDescription& tool);

}  // namespace tessivar

#endif  // TESSIVAR_FRAME_TOOL_MAIN_H_
