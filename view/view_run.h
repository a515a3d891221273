// The run of tessivar-view: loads a waypoint file as the other tools do,
// finds what the report and tessivar-islands find in it, and writes one
// self-contained HTML page that shows the map (view/page), to a file or,
// when the output is "-", to `out`.
//
//   tessivar-view [--] <waypointfile> [<output.html>|-]
//
// Without an output the page goes beside the map, under the map's name
// with .html for its extension (platform::defaultOutputPath). A first lone
// "--" is dropped, so that a file named --help can be given after it
// (--help and --version themselves are the frame's: view/view_tool.h).
//
// Standard output gets "Wrote <output>" on success, after a line saying
// which of the report's figures were left out where its N x N phases did
// not run (a map of more than kViewReportWaypointLimit waypoints, or one
// whose phases would not fit in memory); otherwise the loader's message
// for the input, "Couldn't write file <output>", "Couldn't write file
// <output>: it is the waypoint file" (the input itself), "Couldn't write
// file <output>: it is a waypoint file" (another map: a page never
// replaces one) or the usage line. Exhausted memory writes "Abnormal
// program termination" to standard error. With "-" as the output standard
// output carries the page and nothing else: the other lines go to
// standard error. Names from the command line and the file are written
// through frame/stream_text.h (escaped on a terminal). Exit status 0, 1 or
// 3 as for tessivar. Where the page may go and how it is written:
// platform/output_file.h.
#ifndef TESSIVAR_VIEW_VIEW_RUN_H_
#define TESSIVAR_VIEW_VIEW_RUN_H_

#include <ostream>

namespace tessivar {

int runTessivarView(int argc, const char* const* argv, std::ostream& out,
                    std::ostream& err);

}  // namespace tessivar

#endif  // TESSIVAR_VIEW_VIEW_RUN_H_
