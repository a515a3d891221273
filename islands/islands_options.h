// The command line of tessivar-islands:
//
//   tessivar-islands [--json] [--max-rise UNITS] <waypointfile>...
//
// Options may stand anywhere before a lone "--", which ends them: every
// argument after it is a file, even one that starts with "-". A lone "-" is
// a file name too. --max-rise takes its value as the next argument or after
// "=" (--max-rise=60): a number as the C library's strtod reads it in the C
// locale (blanks before it, a sign, decimal or hexadecimal digits with a
// point and an exponent), finite and not negative; one too small for a
// double reads as 0 (parseUnits, text/numbers.h). The last one given counts. At least one file is
// needed.
#ifndef TESSIVAR_ISLANDS_ISLANDS_OPTIONS_H_
#define TESSIVAR_ISLANDS_ISLANDS_OPTIONS_H_

#include <string>
#include <vector>

#include "analysis/island_bridge.h"

namespace tessivar {

struct IslandsOptions {
  bool ok = false;
  std::string error;  // what is wrong with the command line, when not ok
  bool json = false;
  double maxRise = kDefaultMaxRise;
  std::vector<std::string> files;  // in the order given
};

IslandsOptions parseIslandsOptions(int argc, const char* const* argv);

}  // namespace tessivar

#endif  // TESSIVAR_ISLANDS_ISLANDS_OPTIONS_H_
