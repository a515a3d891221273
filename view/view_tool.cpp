#include "view/view_tool.h"

#include "view/view_run.h"

namespace tessivar {

namespace {

const char kHelp[] =
    R"(Usage: tessivar-view [--] <waypointfile> [<output.html>|-]
       tessivar-view --help | --version

Writes a waypoint map as one self-contained HTML page to explore in a
browser, with no network: the map top down (pan, zoom, fit), its floors
with a height filter and a side view, search by waypoint number, the
details of any waypoint, the shortest route between any two, the islands
as a list, and the report's figures at the top. The page's address follows
what is selected (#waypoint=417, #island=3, #route=12-417), so a link
opens it in the same state. On maps of more than 2048 waypoints the
report's reachable pairs and route 0 -> 5 are left out (tessivar gives
them); the page and the tool say so.

Arguments:
  <waypointfile>  the map
  <output.html>   where the page goes. Without it, beside the map, named
                  after it with .html for its extension (maps/de_dust.wpt
                  gives maps/de_dust.html). A file there is replaced whole
                  or left as it was; a waypoint file, the map above all,
                  is never written over.
  -               as the output: the page goes to standard output
  --              ends the options: a file named --help is given as
                  -- --help, or as ./--help
  --help          show this help and exit
  --version       show the version and exit

On success it prints "Wrote <output.html>".

Exit status:
  0  the page was written
  1  a usage error, a map that can't be loaded, or an output that can't
     be written (an old file there is left as it was)
  3  memory ran out ("Abnormal program termination" on standard error)

On Windows, a map dropped onto tessivar-view.exe in Explorer gets its page
beside it, in a window that stays open until Enter is pressed.

See also tessivar (the report), tessivar-islands (the islands as text or
JSON) and tessivar-svg (a picture of the map); man tessivar-view for the
manual.
)";

}  // namespace

const ToolDescription kViewTool = {
    "tessivar-view", kHelp,
    "To explore a map in a browser, drop its .wpt file onto "
    "tessivar-view.exe in Explorer: the page is written beside it.",
    RequestRule::kBeforeDoubleDash, runTessivarView};

}  // namespace tessivar
