#include "mend/mend_tool.h"

#include "mend/mend_run.h"

namespace tessivar {

namespace {

const char kHelp[] =
    R"(Usage: tessivar-mend [--kinds KINDS] [--max-rise UNITS] [--max-length UNITS]
                     [--dry-run] [--json] [--] <waypointfile> <output>
       tessivar-mend --help | --version

Writes a copy of a map with the paths that join its islands added, and
nothing else changed. In rounds: each round finds the islands and their
suggested paths as tessivar-islands does, on the map as it stands, and adds
the paths of every island of a chosen kind whose paths are walkable, no
longer than the maximum length, and from a path list with room; it stops
after a round that adds nothing. The file holds no walls: walk the added
paths (the report lists each) in the game before shipping the map.

Arguments:
  <waypointfile>      the map, only read
  <output>            the mended copy: the map's bytes with the added
                      targets inserted. A file there is replaced whole or
                      left as it was; the map itself is never written over.
  -                   as the output: the copy goes to standard output (not
                      a terminal) and the report to standard error

Options:
  --kinds KINDS       the islands to mend: a comma-separated list of trap,
                      unreachable, detached, or all (default trap,detached)
  --max-rise UNITS    the highest rise an added path may climb: a finite
                      number, 0 or more (default 45)
  --max-length UNITS  the longest path that may be added (default: the
                      longest path the map already has)
  --dry-run           report what would be added; write nothing
  --json              the report as one JSON object
  --                  every argument after it is a file, even one that
                      starts with -
  --help              show this help and exit
  --version           show the version and exit
Options may stand anywhere before --, and take their value as the next
argument or after = (--kinds=all).

Exit status:
  0  the output was written (or the dry run reported), islands left or not
  1  a usage error, a map that can't be loaded, or an output that can't be
     written: nothing is written and the map is untouched
  3  memory ran out ("Abnormal program termination" on standard error)

On Windows, run from Explorer in a window of its own, it waits for Enter
before the window closes. It needs the output's name, so run it from cmd or
PowerShell.

See also tessivar-islands (the islands it mends) and tessivar-svg (a
picture of the map); man tessivar-mend for the manual.
)";

}  // namespace

const ToolDescription kMendTool = {
    "tessivar-mend", kHelp,
    "To mend a map, run tessivar-mend.exe from cmd or PowerShell with the map "
    "and the name of the mended copy: tessivar-mend.exe de_dust.wpt "
    "de_dust_mended.wpt",
    RequestRule::kBeforeDoubleDash, runTessivarMend};

}  // namespace tessivar
