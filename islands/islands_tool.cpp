#include "islands/islands_tool.h"

#include "islands/islands_run.h"

namespace tessivar {

namespace {

const char kHelp[] =
    R"(Usage: tessivar-islands [--json] [--max-rise UNITS] [--] <waypointfile>...
       tessivar-islands --help | --version

Finds the parts of each map that are cut off from the rest: it groups the
waypoints into networks (each waypoint of one reaches every other), takes
the largest as the main network and reports every other as an island: a
trap region (entered from the main network, never left), an unreachable
region (left, never entered) or detached (neither; an orphan is a detached
waypoint). For each island: its waypoints, its paths in and out, its box,
and the suggested path that would join it to the main network. It needs
no N x N matrix, so it also serves maps far too big for tessivar.

Options:
  --json            one JSON object per file, each on one line
  --max-rise UNITS  the highest rise a suggested path may climb and still
                    be walkable: a finite number, 0 or more (default 45);
                    also --max-rise=UNITS
  --                every argument after it is a file, even one that
                    starts with - (or give the file as ./--json)
  --help            show this help and exit
  --version         show the version and exit
Options may stand anywhere before --. Files are reported in the order
given.

Exit status:
  0  every file was reported
  1  a usage error, a file that could not be loaded (the others are still
     reported), or a report that couldn't be written
  3  memory ran out ("Abnormal program termination" on standard error);
     no further file is read

On Windows, maps dropped onto tessivar-islands.exe in Explorer are reported
in a window that stays open until Enter is pressed.

See also tessivar (the report) and tessivar-svg (a picture of the map with
its islands); man tessivar-islands for the manual.
)";

}  // namespace

const ToolDescription kIslandsTool = {
    "tessivar-islands", kHelp,
    "To find the islands of maps, drop their .wpt files onto "
    "tessivar-islands.exe in Explorer.",
    RequestRule::kBeforeDoubleDash, runTessivarIslands};

}  // namespace tessivar
