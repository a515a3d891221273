// tessivar-mend's report of a mending (analysis/mending.h), as text for a
// person or as one JSON object.
//
// Text: a line naming the file, the map and the limits; a line per added
// path (round, from->to, length, rise, then the island's kind and
// waypoints folded as tessivar-islands folds them); a line per island left
// with the reason and the suggested paths that are the reason; the figures
// before and after; and the last line, what was written:
//
//   map.wpt: map "de_x", 600 waypoints; mending trap regions and detached
//       islands with paths up to 213.05 units long, rising at most 45
//     round 1: added 54->7, length 128.375, rise 25 (trap region 50-54)
//     left: not walkable: 159->28, length 583.826, rise 567 (trap region 152-159)
//     left: kind not chosen (unreachable region 99-102)
//   before: 9 networks; islands: 3 trap regions, 2 unreachable regions,
//       3 detached; 27000 reachable pairs
//   after: ...
//   Wrote out.wpt: 1 path added in 1 round
//
// (each line whole, not broken as here). Anything from the
// file or the command line (the map name, file names) is shown through
// appendTerminalText, so it cannot drive the terminal.
//
// JSON, one object on one line:
//   {"file": ..., "output": ... or null, "rounds": R,
//    "added": [{"round", "kind", "island", "from", "to", "length", "rise"}],
//    "left": [{"kind", "island", "reason"}],
//    "before": {"networks", "trap regions", "unreachable regions",
//               "detached", "reachable pairs"}, "after": {...}}
// with numbers and strings as tessivar-islands writes them.
#ifndef TESSIVAR_MEND_MEND_REPORT_H_
#define TESSIVAR_MEND_MEND_REPORT_H_

#include <ostream>
#include <string>

#include "analysis/mending.h"

namespace tessivar {

struct MendReportContext {
  std::string input;   // the waypoint file as given
  std::string output;  // the output as given
  bool dryRun = false;
  std::string mapName;
  int32_t waypoints = 0;
  const MendOptions* options = nullptr;
};

void writeMendText(const MendReportContext& context, const MendResult& result,
                   std::ostream& out);
void writeMendJson(const MendReportContext& context, const MendResult& result,
                   std::ostream& out);

// "not walkable", "longer than 213.049", ...: numbers for a person
// (six significant digits) or, for JSON, exact.
std::string mendReasonText(MendReason reason, double maxLength, bool exact);

}  // namespace tessivar

#endif  // TESSIVAR_MEND_MEND_REPORT_H_
