#include "islands/islands_options.h"

#include <charconv>
#include <cmath>

namespace tessivar {

namespace {

IslandsOptions refuse(std::string why) {
  IslandsOptions options;
  options.error = std::move(why);
  return options;
}

}  // namespace

bool parseMaxRise(const std::string& text, double* value) {
  // from_chars reads the same digits in every locale, accepts no leading
  // space or sign, and refuses values beyond the range of a double.
  const char* first = text.data();
  const char* last = first + text.size();
  double parsed = 0;
  const std::from_chars_result r =
      std::from_chars(first, last, parsed, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != last) return false;
  if (!std::isfinite(parsed) || parsed < 0) return false;
  *value = parsed + 0.0;  // -0 becomes 0
  return true;
}

IslandsOptions parseIslandsOptions(int argc, const char* const* argv) {
  IslandsOptions options;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] ? argv[i] : "";
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--max-rise" || arg.rfind("--max-rise=", 0) == 0) {
      std::string value;
      if (arg == "--max-rise") {
        if (i + 1 >= argc || !argv[i + 1]) {
          return refuse("--max-rise needs a number of units");
        }
        value = argv[++i];
      } else {
        value = arg.substr(11);
      }
      if (!parseMaxRise(value, &options.maxRise)) {
        return refuse("--max-rise takes a finite number of units, 0 or more, "
                      "not '" + value + "'");
      }
    } else {
      return refuse("unknown option '" + arg + "'");
    }
  }
  if (options.files.empty()) return refuse("no waypoint file given");
  options.ok = true;
  return options;
}

}  // namespace tessivar
