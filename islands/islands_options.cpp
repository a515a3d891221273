#include "islands/islands_options.h"

#include "text/numbers.h"

namespace tessivar {

namespace {

IslandsOptions refuse(std::string why) {
  IslandsOptions options;
  options.error = std::move(why);
  return options;
}

}  // namespace

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
      if (!parseUnits(value, &options.maxRise)) {
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
