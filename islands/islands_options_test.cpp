// The command line, table-driven: what is accepted, what each option sets,
// and the reason given for each refusal.
#include "islands/islands_options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tessivar {
namespace {

IslandsOptions parse(std::vector<std::string> args) {
  args.insert(args.begin(), "tessivar-islands");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  return parseIslandsOptions(int(argv.size()), argv.data());
}

TEST(IslandsOptions, AcceptedCommandLines) {
  const struct {
    std::vector<std::string> args;
    bool json;
    double maxRise;
    std::vector<std::string> files;
  } cases[] = {
      {{"a.wpt"}, false, 45, {"a.wpt"}},
      {{"a.wpt", "b.wpt", "a.wpt"}, false, 45, {"a.wpt", "b.wpt", "a.wpt"}},
      {{"--json", "a.wpt"}, true, 45, {"a.wpt"}},
      {{"a.wpt", "--json"}, true, 45, {"a.wpt"}},
      {{"--max-rise", "60", "a.wpt"}, false, 60, {"a.wpt"}},
      {{"--max-rise=12.5", "a.wpt"}, false, 12.5, {"a.wpt"}},
      {{"--max-rise", "0", "a.wpt"}, false, 0, {"a.wpt"}},
      {{"--max-rise", "-0", "a.wpt"}, false, 0, {"a.wpt"}},
      {{"--max-rise", "1e3", "a.wpt"}, false, 1000, {"a.wpt"}},
      {{"--max-rise", "10", "--max-rise", "20", "a.wpt"}, false, 20, {"a.wpt"}},
      {{"--json", "--", "--json", "-x"}, true, 45, {"--json", "-x"}},
      {{"-", "a.wpt"}, false, 45, {"-", "a.wpt"}},
      {{"--", "--"}, false, 45, {"--"}},
  };
  for (const auto& c : cases) {
    const IslandsOptions options = parse(c.args);
    ASSERT_TRUE(options.ok) << c.args[0] << ": " << options.error;
    EXPECT_EQ(options.json, c.json) << c.args[0];
    EXPECT_EQ(options.maxRise, c.maxRise) << c.args[0];
    EXPECT_FALSE(std::signbit(options.maxRise));
    EXPECT_EQ(options.files, c.files) << c.args[0];
  }
}

TEST(IslandsOptions, RefusedCommandLines) {
  const std::string bad = "--max-rise takes a finite number of units, 0 or more, not '";
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{}, "no waypoint file given"},
      {{"--json"}, "no waypoint file given"},
      {{"--"}, "no waypoint file given"},
      {{"--max-rise", "45"}, "no waypoint file given"},
      {{"a.wpt", "--max-rise"}, "--max-rise needs a number of units"},
      {{"--jsn", "a.wpt"}, "unknown option '--jsn'"},
      {{"-j", "a.wpt"}, "unknown option '-j'"},
      {{"--max-rise", "abc", "a.wpt"}, bad + "abc'"},
      {{"--max-rise", "-1", "a.wpt"}, bad + "-1'"},
      {{"--max-rise", "-0.001", "a.wpt"}, bad + "-0.001'"},
      {{"--max-rise", "nan", "a.wpt"}, bad + "nan'"},
      {{"--max-rise", "inf", "a.wpt"}, bad + "inf'"},
      {{"--max-rise", "infinity", "a.wpt"}, bad + "infinity'"},
      {{"--max-rise", "1e999", "a.wpt"}, bad + "1e999'"},
      {{"--max-rise", "", "a.wpt"}, bad + "'"},
      {{"--max-rise", "45u", "a.wpt"}, bad + "45u'"},
      {{"--max-rise", " 45", "a.wpt"}, bad + " 45'"},
      {{"--max-rise", "45,5", "a.wpt"}, bad + "45,5'"},
      {{"--max-rise", "0x10", "a.wpt"}, bad + "0x10'"},
      {{"--max-rise=", "a.wpt"}, bad + "'"},
      {{"--max-rise", "--json", "a.wpt"}, bad + "--json'"},
  };
  for (const auto& c : cases) {
    const IslandsOptions options = parse(c.args);
    EXPECT_FALSE(options.ok);
    EXPECT_EQ(options.error, c.error);
  }
}

}  // namespace
}  // namespace tessivar
