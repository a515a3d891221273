// What every tool's main does alike: the standard streams set up for the
// system (platform/standard_stream.h), the command line as UTF-8
// (platform/command_line.h), the report's standard output guarded so that
// a failed write ends the run with status 1 (frame/report_output.h),
// standard output and error marked as terminals where they are, so that
// text from a map file is escaped there (frame/stream_text.h), and
// exhausted memory ending it with status 3 wherever it runs out.
//
//   int main(int argc, char** argv) {
//     return tessivar::runToolMain(argc, argv, tessivar::runTessivarSvg);
//   }
#ifndef TESSIVAR_FRAME_TOOL_MAIN_H_
#define TESSIVAR_FRAME_TOOL_MAIN_H_

#include <ostream>

namespace tessivar {

// A tool's run: its arguments as UTF-8 (argv[0] the program), its report
// stream and standard error. Returns the exit status.
using ToolRun = int (*)(int argc, const char* const* argv, std::ostream& out,
                        std::ostream& err);

int runToolMain(int argc, char** argv, ToolRun run);

}  // namespace tessivar

#endif  // TESSIVAR_FRAME_TOOL_MAIN_H_
