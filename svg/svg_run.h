// The run of tessivar-svg: loads a waypoint file as tessivar does, runs the
// same analysis, and writes the picture of the map to an SVG file, or to
// `out` when the output is "-".
//
//   tessivar-svg [--] <waypointfile> [<output.svg>|-]
//
// Without an output the picture goes beside the map, under the map's name
// with .svg for its extension (platform::defaultOutputPath). A first lone
// "--" is dropped, so that a file named --help can be given after it
// (--help and --version themselves are the frame's: svg/svg_tool.h).
//
// Standard output gets one line: "Wrote <output>" on success, otherwise the
// loader's message for the input ("Couldn't open file ...", "Not a waypoint
// file!", "Corrupt waypoint file: ..."), "Couldn't write file <output>",
// "Couldn't write file <output>: it is the waypoint file" (the input
// itself), "Couldn't write file <output>: it is a waypoint file" (another
// map: a picture never replaces one) or the usage line; exhausted memory
// writes "Abnormal program termination" to standard error. With "-" as the
// output standard output carries the picture and nothing else: there is no
// "Wrote" line and the other messages go to standard error. Exit status 0,
// 1 or 3 as for tessivar. Where the picture may go and how it is written:
// platform/output_file.h.
#ifndef TESSIVAR_SVG_SVG_RUN_H_
#define TESSIVAR_SVG_SVG_RUN_H_

#include <ostream>

namespace tessivar {

int runTessivarSvg(int argc, const char* const* argv, std::ostream& out,
                   std::ostream& err);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_SVG_RUN_H_
