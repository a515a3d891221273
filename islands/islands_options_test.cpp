// The command line, table-driven: what each option sets and the reason
// given for each refusal.
#include "islands/islands_options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tessivar {
namespace {

// What the command line `args` sets, or the reason it is refused.
std::string parse(std::vector<std::string> args) {
  args.insert(args.begin(), "tessivar-islands");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  const IslandsOptions o = parseIslandsOptions(int(argv.size()), argv.data());
  if (!o.ok) return "refused: " + o.error;
  std::string s = (o.json ? "json, rise " : "text, rise ") + std::to_string(o.maxRise);
  if (std::signbit(o.maxRise)) s += " (negative)";
  for (const std::string& file : o.files) s += ", " + file;
  return s;
}

TEST(IslandsOptions, CommandLines) {
  const std::string bad =
      "refused: --max-rise takes a finite number of units, 0 or more, not '";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"a", "b", "a"}, "text, rise 45.000000, a, b, a"},
      {{"a", "--json"}, "json, rise 45.000000, a"},
      {{"--max-rise", "60", "a"}, "text, rise 60.000000, a"},
      {{"--max-rise=12.5", "--max-rise", "1e3", "a"}, "text, rise 1000.000000, a"},
      {{"--max-rise", "-0", "a"}, "text, rise 0.000000, a"},
      {{"--json", "--", "--json", "-"}, "json, rise 45.000000, --json, -"},
      {{"--json", "--"}, "refused: no waypoint file given"},
      {{"a", "--max-rise"}, "refused: --max-rise needs a number of units"},
      {{"-j", "a"}, "refused: unknown option '-j'"},
      {{"--max-rise", "-0.001", "a"}, bad + "-0.001'"},
      {{"--max-rise", "nan", "a"}, bad + "nan'"},
      {{"--max-rise", "inf", "a"}, bad + "inf'"},
      {{"--max-rise", "1e999", "a"}, bad + "1e999'"},
      {{"--max-rise", "45,5", "a"}, bad + "45,5'"},
      {{"--max-rise=", "a"}, bad + "'"},
      // What strtod reads as a finite number of 0 or more is taken: a
      // sign, blanks before the number, hexadecimal digits, and a number
      // too small for a double, which reads as 0.
      {{"--max-rise", "+5", "a"}, "text, rise 5.000000, a"},
      {{"--max-rise", " \t45", "a"}, "text, rise 45.000000, a"},
      {{"--max-rise", "0x1.8p4", "a"}, "text, rise 24.000000, a"},
      {{"--max-rise", "0X10", "a"}, "text, rise 16.000000, a"},
      {{"--max-rise", "1e-400", "a"}, "text, rise 0.000000, a"},
      {{"--max-rise", "0.00001e-99999999999999999999", "a"}, "text, rise 0.000000, a"},
      {{"--max-rise", "-1e-400", "a"}, "text, rise 0.000000, a"},
      {{"--max-rise", "0x1p-1100", "a"}, "text, rise 0.000000, a"},
      {{"--max-rise", ".5", "a"}, "text, rise 0.500000, a"},
      // ... and nothing else: too big, more than the number, a sign
      // strtod would not read, a prefix with no digits.
      {{"--max-rise", "1000e306", "a"}, bad + "1000e306'"},
      {{"--max-rise", "0x1p1024", "a"}, bad + "0x1p1024'"},
      {{"--max-rise", "0.1e99999999999999999999", "a"}, bad + "0.1e99999999999999999999'"},
      {{"--max-rise", "45 ", "a"}, bad + "45 '"},
      {{"--max-rise", "+-5", "a"}, bad + "+-5'"},
      {{"--max-rise", "--5", "a"}, bad + "--5'"},
      {{"--max-rise", "0x-5", "a"}, bad + "0x-5'"},
      {{"--max-rise", "+ 5", "a"}, bad + "+ 5'"},
      {{"--max-rise", "0x", "a"}, bad + "0x'"},
      {{"--max-rise", "-0x1p-2", "a"}, bad + "-0x1p-2'"},
      {{"--max-rise", "+inf", "a"}, bad + "+inf'"},
      {{"--max-rise", " ", "a"}, bad + " '"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse(c.first), c.second);
}

}  // namespace
}  // namespace tessivar
