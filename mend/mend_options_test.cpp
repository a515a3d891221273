// The command line, table-driven: what each option sets and the reason
// given for each refusal.
#include "mend/mend_options.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tessivar {
namespace {

// What the command line `args` sets, or the reason it is refused.
std::string parse(std::vector<std::string> args) {
  args.insert(args.begin(), "tessivar-mend");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  const MendToolOptions o = parseMendOptions(int(argv.size()), argv.data());
  if (!o.ok) return "refused: " + o.error;
  std::string s;
  s += o.mend.trapRegions ? "T" : "-";
  s += o.mend.unreachableRegions ? "U" : "-";
  s += o.mend.detached ? "D" : "-";
  s += " rise " + std::to_string(o.mend.maxRise);
  s += o.mend.hasMaxLength ? " length " + std::to_string(o.mend.maxLength) : " longest";
  if (o.dryRun) s += " dry";
  if (o.json) s += " json";
  s += ", " + o.input + (o.hasOutput ? " -> " + o.output : "");
  return s;
}

TEST(MendOptions, CommandLines) {
  const std::string kinds =
      "refused: --kinds takes a comma-separated list of trap, unreachable, detached and "
      "all, not '";
  const std::string length =
      "refused: --max-length takes a finite number of units, 0 or more, not '";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"a", "b"}, "T-D rise 45.000000 longest, a -> b"},
      {{"a", "-"}, "T-D rise 45.000000 longest, a -> -"},
      {{"--kinds", "all", "a", "b"}, "TUD rise 45.000000 longest, a -> b"},
      {{"--kinds=unreachable", "a", "b"}, "-U- rise 45.000000 longest, a -> b"},
      {{"--kinds", "detached,trap,trap", "a", "b"}, "T-D rise 45.000000 longest, a -> b"},
      {{"a", "--kinds=trap", "b", "--kinds", "unreachable,detached"},
       "-UD rise 45.000000 longest, a -> b"},
      {{"--max-rise", "60", "--max-length=213.5", "a", "b"},
       "T-D rise 60.000000 length 213.500000, a -> b"},
      {{"--max-length", "0", "a", "b"}, "T-D rise 45.000000 length 0.000000, a -> b"},
      {{"--dry-run", "a"}, "T-D rise 45.000000 longest dry, a"},
      {{"--dry-run", "--json", "a", "b"}, "T-D rise 45.000000 longest dry json, a -> b"},
      {{"--json", "--", "--dry-run", "-b"}, "T-D rise 45.000000 longest json, --dry-run -> -b"},
      {{}, "refused: no waypoint file given"},
      {{"a"}, "refused: no output file given"},
      {{"a", "b", "c"}, "refused: one waypoint file and one output, not 3 files"},
      {{"--dry-run", "a", "b", "c"}, "refused: one waypoint file and one output, not 3 files"},
      {{"-n", "a", "b"}, "refused: unknown option '-n'"},
      {{"--kinds"}, "refused: --kinds needs a list of kinds"},
      {{"a", "b", "--max-length"}, "refused: --max-length needs a number of units"},
      {{"--max-rise"}, "refused: --max-rise needs a number of units"},
      {{"--dry-run=yes", "a"}, "refused: unknown option '--dry-run=yes'"},
      {{"--kinds", "traps", "a", "b"}, kinds + "traps'"},
      {{"--kinds", "trap,", "a", "b"}, kinds + "trap,'"},
      {{"--kinds=", "a", "b"}, kinds + "'"},
      {{"--kinds", "Trap", "a", "b"}, kinds + "Trap'"},
      {{"--max-length", "-1", "a", "b"}, length + "-1'"},
      {{"--max-length", "inf", "a", "b"}, length + "inf'"},
      {{"--max-length=1e999", "a", "b"}, length + "1e999'"},
      {{"--max-rise", "nan", "a", "b"},
       "refused: --max-rise takes a finite number of units, 0 or more, not 'nan'"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse(c.first), c.second);
}

}  // namespace
}  // namespace tessivar
