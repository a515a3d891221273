#include "app/tool.h"

#include "app/run.h"

namespace tessivar {

namespace {

// Its one argument is a file name whatever it looks like, except a lone
// --help or --version: the report's command line is otherwise the one it
// has always had.
const char kHelp[] =
    R"(Usage: tessivar <waypointfile>
       tessivar --help | --version

Checks the navigation graph of a waypoint map (a .wpt file) and prints a
report: the waypoints and path entries the map has, its orphan waypoints
(no path in or out) and trap waypoints (paths in, none out), how many
ordered pairs of waypoints are connected, the shortest-route passes, the
route from waypoint 0 to waypoint 5, and the time each phase took.

Arguments:
  <waypointfile>  the map to check. Any single argument other than a lone
                  --help or --version is a file name: a file named --help
                  is reached as ./--help.
  --help          show this help and exit
  --version       show the version and exit

Exit status:
  0  the report was written
  1  a usage error, a file that can't be opened, is not a waypoint file or
     is corrupt, or a report that couldn't be written
  3  memory ran out ("Abnormal program termination" on standard error)

On Windows, a map dropped onto tessivar.exe in Explorer is checked in a
window that stays open until Enter is pressed.

See also tessivar-islands (which parts of a map are cut off, and the paths
that would join them) and tessivar-svg (a picture of the map);
man tessivar for the manual.
)";

}  // namespace

const ToolDescription kTessivarTool = {
    "tessivar", kHelp,
    "To check a map, drop its .wpt file onto tessivar.exe in Explorer.",
    RequestRule::kLoneArgument, runTessivar};

}  // namespace tessivar
