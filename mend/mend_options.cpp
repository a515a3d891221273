#include "mend/mend_options.h"

#include <vector>

#include "text/numbers.h"

namespace tessivar {

const char* const kMendUsage =
    "[--kinds KINDS] [--max-rise UNITS] [--max-length UNITS] [--dry-run] [--json] "
    "<waypointfile> <output>";

namespace {

MendToolOptions refuse(std::string why) {
  MendToolOptions options;
  options.error = std::move(why);
  return options;
}

// The kinds in `list`, or false when it names none or an unknown one.
bool parseKinds(const std::string& list, MendOptions& options) {
  bool trap = false, unreachable = false, detached = false;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    const std::string kind =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (kind == "trap") {
      trap = true;
    } else if (kind == "unreachable") {
      unreachable = true;
    } else if (kind == "detached") {
      detached = true;
    } else if (kind == "all") {
      trap = unreachable = detached = true;
    } else {
      return false;
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  options.trapRegions = trap;
  options.unreachableRegions = unreachable;
  options.detached = detached;
  return true;
}

}  // namespace

MendToolOptions parseMendOptions(int argc, const char* const* argv) {
  MendToolOptions options;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] ? argv[i] : "";
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--json") {
      options.json = true;
      continue;
    }
    if (arg == "--dry-run") {
      options.dryRun = true;
      continue;
    }
    // The options with a value: as the next argument or after "=".
    std::string name = arg, value;
    const size_t equals = arg.find('=');
    if (equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    }
    if (name != "--kinds" && name != "--max-rise" && name != "--max-length") {
      return refuse("unknown option '" + arg + "'");
    }
    if (equals == std::string::npos) {
      if (i + 1 >= argc || !argv[i + 1]) {
        return refuse(name == "--kinds" ? "--kinds needs a list of kinds"
                                        : name + " needs a number of units");
      }
      value = argv[++i];
    }
    if (name == "--kinds") {
      if (!parseKinds(value, options.mend)) {
        return refuse("--kinds takes a comma-separated list of trap, unreachable, "
                      "detached and all, not '" + value + "'");
      }
    } else {
      double units = 0;
      if (!parseUnits(value, &units)) {
        return refuse(name + " takes a finite number of units, 0 or more, not '" +
                      value + "'");
      }
      if (name == "--max-rise") {
        options.mend.maxRise = units;
      } else {
        options.mend.hasMaxLength = true;
        options.mend.maxLength = units;
      }
    }
  }
  if (files.empty()) return refuse("no waypoint file given");
  if (files.size() == 1 && !options.dryRun) return refuse("no output file given");
  if (files.size() > 2) return refuse("one waypoint file and one output, not " +
                                      std::to_string(files.size()) + " files");
  options.input = files[0];
  options.hasOutput = files.size() == 2;
  if (options.hasOutput) options.output = files[1];
  options.ok = true;
  return options;
}

}  // namespace tessivar
