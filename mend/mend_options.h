// The command line of tessivar-mend:
//
//   tessivar-mend [--kinds KINDS] [--max-rise UNITS] [--max-length UNITS]
//                 [--dry-run] [--json] <waypointfile> <output>
//
// Options may stand anywhere before a lone "--", which ends them: every
// argument after it is a file, even one that starts with "-". A lone "-"
// is a file name too (as the output: standard output). --kinds, --max-rise
// and --max-length take their value as the next argument or after "="
// (--kinds=all); the last one given counts. KINDS is a comma-separated list
// of trap, unreachable, detached and all (default trap,detached). Units are
// numbers as tessivar-islands reads its --max-rise (parseUnits,
// text/numbers.h), finite and 0 or more. With --dry-run the output may be
// left out; one given is not written.
#ifndef TESSIVAR_MEND_MEND_OPTIONS_H_
#define TESSIVAR_MEND_MEND_OPTIONS_H_

#include <string>

#include "analysis/mending.h"

namespace tessivar {

struct MendToolOptions {
  bool ok = false;
  std::string error;  // what is wrong with the command line, when not ok
  MendOptions mend;
  bool dryRun = false;
  bool json = false;
  std::string input;
  bool hasOutput = false;
  std::string output;
};

MendToolOptions parseMendOptions(int argc, const char* const* argv);

// The usage line's arguments, after the program's name.
extern const char* const kMendUsage;

}  // namespace tessivar

#endif  // TESSIVAR_MEND_MEND_OPTIONS_H_
