#include "svg/svg_tool.h"

#include "svg/svg_run.h"

namespace tessivar {

namespace {

const char kHelp[] =
    R"(Usage: tessivar-svg [--] <waypointfile> [<output.svg>|-]
       tessivar-svg --help | --version

Draws a waypoint map as one self-contained SVG picture, with what tessivar
and tessivar-islands find in it: the waypoints coloured by height, two-way
paths as lines and one-way paths as arrows, the orphan and trap waypoints,
the route from waypoint 0 to waypoint 5, the islands with the paths that
would join them, and a title block with the report's figures.

Arguments:
  <waypointfile>  the map
  <output.svg>    where the picture goes. Without it, beside the map, named
                  after it with .svg for its extension (maps/de_dust.wpt
                  gives maps/de_dust.svg). A file there is replaced whole
                  or left as it was; a waypoint file, the map above all,
                  is never written over.
  -               as the output: the picture goes to standard output
  --              ends the options: a file named --help is given as
                  -- --help, or as ./--help
  --help          show this help and exit
  --version       show the version and exit

On success it prints "Wrote <output.svg>".

Exit status:
  0  the picture was written
  1  a usage error, a map that can't be loaded, or an output that can't
     be written (an old file there is left as it was)
  3  memory ran out ("Abnormal program termination" on standard error)

On Windows, a map dropped onto tessivar-svg.exe in Explorer is drawn beside
it, in a window that stays open until Enter is pressed.

See also tessivar (the report) and tessivar-islands (the islands as text or
JSON); man tessivar-svg for the manual.
)";

}  // namespace

const ToolDescription kSvgTool = {
    "tessivar-svg", kHelp,
    "To draw a map, drop its .wpt file onto tessivar-svg.exe in Explorer: "
    "the picture is written beside it.",
    RequestRule::kBeforeDoubleDash, runTessivarSvg};

}  // namespace tessivar
