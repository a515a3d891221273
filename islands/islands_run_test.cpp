// Whole runs of tessivar-islands in the process: text transcripts, the JSON
// read back field by field, bad files among good ones, hostile names, the
// command line's errors and options.
#include "islands/islands_run.h"

#include <gtest/gtest.h>

#include <charconv>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "app/run.h"
#include "testing/island_reference.h"
#include "testing/json_check.h"
#include "testing/test_support.h"
#include "tools/island_map_generator.h"
#include "tools/map_generator.h"
#include "waypoint/loader.h"

namespace tessivar {
namespace {

using testing::JsonParse;
using testing::JsonValue;
using testing::parseJson;
using testing::writeTempFile;

const std::string kUsage =
    "Usage tessivar-islands [--json] [--max-rise UNITS] <waypointfile>...\n";

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

RunResult run(std::vector<std::string> args) {
  args.insert(args.begin(), "tessivar-islands");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  RunResult r;
  r.status = runTessivarIslands(int(argv.size()), argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> all;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

// Main network {0, 1, 2}; 3 <-> 4 entered from 2 (trap region); 5 leads
// into 0 (unreachable region); 6 alone (orphan); 7 <-> 8 (detached room);
// 9 entered from the trap region.
MapSpec everyKind() {
  MapSpec spec;
  spec.name = "every kind";
  spec.positions = {{0, 0, 0},     {10, 0, 0},  {20, 0, 0},    {30, 0, -100},
                    {40, 0, -100}, {0, 20, 50}, {100, 100, 0}, {-50, 0, 10},
                    {-60, 0, 10},  {50, 0, -100}};
  spec.paths = {{1}, {2}, {0, 3, 3}, {4}, {3, 9}, {0}, {}, {8}, {7}, {}};
  return spec;
}

std::string fileOf(const MapSpec& spec, const std::string& name = "map.wpt") {
  return writeTempFile(name, encodeWaypointFile(spec));
}

TEST(IslandsRun, TextReportOfEveryKind) {
  const std::string path = fileOf(everyKind());
  const RunResult r = run({path});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            path +
                ": map \"every kind\", 10 waypoints in 6 networks, main "
                "network 3 waypoints (lowest 0); islands: 2 trap regions, 1 "
                "unreachable region, 2 detached (1 orphan)\n"
                "  Island 1 of 5: trap region, 2 waypoints: 3, 4\n"
                "    box: x 30 to 40, y 0 to 0, z -100 to -100\n"
                "    paths in (1): 2->3\n"
                "    paths out (1): 4->9\n"
                "    suggested path out: 3->2, length 100.499, rise 100, NOT "
                "WALKABLE (rises more than 45)\n"
                "  Island 2 of 5: unreachable region, 1 waypoint: 5\n"
                "    position: x 0, y 20, z 50\n"
                "    paths in: none\n"
                "    paths out (1): 5->0\n"
                "    suggested path in: 0->5, length 53.8516, rise 50, NOT "
                "WALKABLE (rises more than 45)\n"
                "  Island 3 of 5: detached, 1 waypoint (orphan): 6\n"
                "    position: x 100, y 100, z 0\n"
                "    paths in: none\n"
                "    paths out: none\n"
                "    suggested path in: 2->6, length 128.062, rise 0, walkable\n"
                "    suggested path out: 6->2, length 128.062, rise 0, walkable\n"
                "  Island 4 of 5: detached, 2 waypoints: 7, 8\n"
                "    box: x -60 to -50, y 0 to 0, z 10 to 10\n"
                "    paths in: none\n"
                "    paths out: none\n"
                "    suggested path in: 0->7, length 50.9902, rise 10, walkable\n"
                "    suggested path out: 7->0, length 50.9902, rise -10, "
                "walkable\n"
                "  Island 5 of 5: trap region, 1 waypoint: 9\n"
                "    position: x 50, y 0, z -100\n"
                "    paths in (1): 4->9\n"
                "    paths out: none\n"
                "    suggested path out: 9->2, length 104.403, rise 100, NOT "
                "WALKABLE (rises more than 45)\n");
}

TEST(IslandsRun, RiseLimitFromTheCommandLine) {
  const std::string path = fileOf(everyKind());
  const RunResult r = run({"--max-rise", "100", path});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("suggested path out: 3->2, length 100.499, rise 100, "
                       "walkable\n"),
            std::string::npos);
  const RunResult low = run({path, "--max-rise=9.5"});
  EXPECT_NE(low.out.find("suggested path in: 0->7, length 50.9902, rise 10, "
                         "NOT WALKABLE (rises more than 9.5)\n"),
            std::string::npos)
      << low.out;
}

TEST(IslandsRun, MapWithoutIslandsGetsTheSummaryLineAlone) {
  const std::string grid = fileOf(generateGridMap(4, 3), "grid.wpt");
  MapSpec empty;
  empty.name = "empty";
  const std::string none = fileOf(empty, "empty.wpt");
  RunResult r = run({grid, none});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, grid +
                       ": map \"grid_4x3\", 12 waypoints in 1 network, main "
                       "network 12 waypoints (lowest 0); no islands\n" +
                       none +
                       ": map \"empty\", 0 waypoints: no main network, no "
                       "islands\n");
  r = run({"--json", grid, none});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"file\": \"" + grid +
                "\", \"map\": \"grid_4x3\", \"waypoints\": 12, \"networks\": "
                "1, \"main\": {\"size\": 12, \"lowest\": 0}, \"islands\": []}\n"
                "{\"file\": \"" +
                none +
                "\", \"map\": \"empty\", \"waypoints\": 0, \"networks\": 0, "
                "\"main\": null, \"islands\": []}\n");
}

// Checks one JSON line against the analysis of the same map: every key in
// order, every number exactly.
void expectJsonMatches(const std::string& line, const std::string& path,
                       const WaypointMap& map, double maxRise) {
  const JsonParse parsed = parseJson(line);
  ASSERT_TRUE(parsed.ok) << parsed.error << "\n" << line.substr(0, 300);
  const JsonValue& v = parsed.value;
  ASSERT_EQ(v.keys(), (std::vector<std::string>{"file", "map", "waypoints",
                                                "networks", "main", "islands"}));
  const IslandReport report = findIslands(map, maxRise);
  EXPECT_EQ(v.find("file")->text, path);
  EXPECT_EQ(v.find("waypoints")->number, report.waypoints);
  EXPECT_EQ(v.find("networks")->number, report.networks);
  const JsonValue& main = *v.find("main");
  ASSERT_EQ(main.keys(), (std::vector<std::string>{"size", "lowest"}));
  EXPECT_EQ(main.find("size")->number, report.mainSize);
  EXPECT_EQ(main.find("lowest")->number, report.mainLowest);
  const std::vector<JsonValue>& islands = v.find("islands")->items;
  ASSERT_EQ(islands.size(), report.islands.size());
  auto pairs = [](const JsonValue& list) {
    std::vector<PathPair> all;
    for (const JsonValue& p : list.items) {
      EXPECT_EQ(p.items.size(), 2u);
      all.push_back({int32_t(p.items[0].number), int32_t(p.items[1].number)});
    }
    return all;
  };
  for (size_t i = 0; i < islands.size(); ++i) {
    const JsonValue& j = islands[i];
    const Island& island = report.islands[i];
    ASSERT_EQ(j.keys(), (std::vector<std::string>{"kind", "waypoints",
                                                  "paths_in", "paths_out",
                                                  "box", "suggested"}));
    EXPECT_EQ(j.find("kind")->text, islandKindName(island.kind));
    std::vector<int32_t> waypoints;
    for (const JsonValue& w : j.find("waypoints")->items) {
      waypoints.push_back(int32_t(w.number));
    }
    EXPECT_EQ(waypoints, island.waypoints);
    EXPECT_EQ(pairs(*j.find("paths_in")), island.pathsIn);
    EXPECT_EQ(pairs(*j.find("paths_out")), island.pathsOut);
    const JsonValue& box = *j.find("box");
    ASSERT_EQ(box.items.size(), 2u);
    for (int axis = 0; axis < 3; ++axis) {
      // Box corners are floats written to read back exactly as floats.
      float low = 0, high = 0;
      const std::string& lowText = box.items[0].items[size_t(axis)].text;
      const std::string& highText = box.items[1].items[size_t(axis)].text;
      std::from_chars(lowText.data(), lowText.data() + lowText.size(), low);
      std::from_chars(highText.data(), highText.data() + highText.size(), high);
      EXPECT_EQ(low, island.box.low[axis]);
      EXPECT_EQ(high, island.box.high[axis]);
    }
    const std::vector<JsonValue>& suggested = j.find("suggested")->items;
    ASSERT_EQ(suggested.size(), island.suggested.size());
    for (size_t s = 0; s < suggested.size(); ++s) {
      const JsonValue& p = suggested[s];
      ASSERT_EQ(p.keys(), (std::vector<std::string>{"from", "to", "length",
                                                    "rise", "walkable"}));
      EXPECT_EQ(p.find("from")->number, island.suggested[s].from);
      EXPECT_EQ(p.find("to")->number, island.suggested[s].to);
      EXPECT_EQ(p.find("length")->number, island.suggested[s].length);
      EXPECT_EQ(p.find("rise")->number, island.suggested[s].rise);
      EXPECT_EQ(p.find("walkable")->type, JsonValue::Type::kBool);
      EXPECT_EQ(p.find("walkable")->boolean, island.suggested[s].walkable);
    }
  }
}

TEST(IslandsRun, JsonReadsBackAsTheAnalysis) {
  const std::vector<MapSpec> maps = {everyKind(), generateIslandMap(1, 400),
                                     generateRealisticMap(3, 300),
                                     sixWaypointExample()};
  for (double maxRise : {45.0, 0.0, 123.25}) {
    std::vector<std::string> args = {"--json", "--max-rise",
                                     std::to_string(maxRise)};
    std::vector<std::string> paths;
    for (size_t i = 0; i < maps.size(); ++i) {
      paths.push_back(fileOf(maps[i], "map" + std::to_string(i) + ".wpt"));
      args.push_back(paths.back());
    }
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> got = lines(r.out);
    ASSERT_EQ(got.size(), maps.size());
    for (size_t i = 0; i < maps.size(); ++i) {
      expectJsonMatches(got[i], paths[i], testing::waypointMapOf(maps[i]),
                        maxRise);
    }
  }
  // The key layout the documentation shows, exactly.
  const std::string path = fileOf(everyKind());
  const RunResult r = run({"--json", path});
  EXPECT_EQ(r.out.substr(0, r.out.find("\"islands\"")),
            "{\"file\": \"" + path +
                "\", \"map\": \"every kind\", \"waypoints\": 10, \"networks\": "
                "6, \"main\": {\"size\": 3, \"lowest\": 0}, ");
  EXPECT_NE(r.out.find("{\"kind\": \"trap region\", \"waypoints\": [3, 4], "
                       "\"paths_in\": [[2, 3]], \"paths_out\": [[4, 9]], "
                       "\"box\": [[30, 0, -100], [40, 0, -100]], "
                       "\"suggested\": [{\"from\": 3, \"to\": 2, \"length\": "
                       "100.4987562112089, \"rise\": 100, \"walkable\": "
                       "false}]}"),
            std::string::npos)
      << r.out;
}

// The last line tessivar itself prints for a file it refuses.
std::string tessivarMessage(const std::string& path) {
  const char* argv[] = {"tessivar", path.c_str()};
  std::ostringstream out, err;
  runTessivar(2, argv, out, err);
  std::vector<std::string> all = lines(out.str());
  return all.empty() ? "" : all.back();
}

TEST(IslandsRun, BadFilesAmongGoodOnesAreReportedInOrder) {
  const std::string good = fileOf(everyKind(), "good.wpt");
  const std::string missing = testing::tempDir() + "tessivar_none/x.wpt";
  const std::string text = writeTempFile("text.wpt", {'h', 'e', 'l', 'l', 'o'});
  MapSpec broken = everyKind();
  broken.paths[6] = {10};
  const std::string corrupt = fileOf(broken, "corrupt.wpt");
  const std::string grid = fileOf(generateGridMap(2, 2), "grid.wpt");
  const std::vector<std::string> files = {good, missing, text, corrupt, grid};

  const RunResult plain = run(files);
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(plain.err, "");
  std::vector<std::string> summary;
  for (const std::string& line : lines(plain.out)) {
    if (line[0] != ' ') summary.push_back(line);
  }
  ASSERT_EQ(summary.size(), 5u) << plain.out;
  EXPECT_EQ(summary[0].substr(0, good.size() + 2), good + ": ");
  EXPECT_EQ(summary[1], missing + ": " + tessivarMessage(missing));
  EXPECT_EQ(summary[1], missing + ": Couldn't open file " + missing);
  EXPECT_EQ(summary[2], text + ": Not a waypoint file!");
  EXPECT_EQ(summary[3], corrupt + ": " + tessivarMessage(corrupt));
  EXPECT_EQ(summary[3], corrupt +
                            ": Corrupt waypoint file: waypoint 6 has a path to "
                            "waypoint 10, but the map has 10 waypoints");
  EXPECT_EQ(summary[4].substr(0, grid.size() + 2), grid + ": ");

  const RunResult json = run({"--json", good, missing, text, corrupt, grid});
  EXPECT_EQ(json.status, 1);
  const std::vector<std::string> got = lines(json.out);
  ASSERT_EQ(got.size(), 5u);
  expectJsonMatches(got[0], good, testing::waypointMapOf(everyKind()), 45);
  for (size_t i : {1, 2, 3}) {
    const JsonParse parsed = parseJson(got[i]);
    ASSERT_TRUE(parsed.ok) << got[i];
    EXPECT_EQ(parsed.value.keys(), (std::vector<std::string>{"file", "error"}));
    EXPECT_EQ(parsed.value.find("file")->text, files[i]);
    EXPECT_EQ(parsed.value.find("error")->text, tessivarMessage(files[i]));
  }
  EXPECT_TRUE(parseJson(got[4]).ok);
  // All good: status 0.
  EXPECT_EQ(run({good, grid}).status, 0);
}

TEST(IslandsRun, LongListsAreFolded) {
  // Main network: a ring of 20 (0-19). The island {20-23, 25, 26, 28-31} is
  // one network (a ring through them), entered by 10 paths and left by none.
  MapSpec spec;
  spec.name = "folds";
  for (int32_t v = 0; v < 32; ++v) {
    spec.positions.push_back({float(v) * 10, 0, 0});
    spec.paths.emplace_back();
  }
  for (int32_t v = 0; v < 20; ++v) spec.paths[size_t(v)] = {int16_t((v + 1) % 20)};
  const std::vector<int16_t> ring = {20, 21, 22, 23, 25, 26, 28, 29, 30, 31};
  for (size_t i = 0; i < ring.size(); ++i) {
    spec.paths[size_t(ring[i])].push_back(ring[(i + 1) % ring.size()]);
    spec.paths[i].push_back(ring[i]);  // 0->20, 1->21, ...
  }
  const std::string path = fileOf(spec);
  const std::vector<std::string> got = lines(run({path}).out);
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(got[1],
            "  Island 1 of 3: trap region, 10 waypoints: 20-23, 25, 26, 28-31");
  EXPECT_EQ(got[3],
            "    paths in (10): 0->20, 1->21, 2->22, 3->23, 4->25, 5->26, "
            "6->28, 7->29 and 2 more");
}

TEST(IslandsRun, HostileNamesAndPathsStaySafe) {
  MapSpec spec = everyKind();
  spec.name = std::string("\x1b[2J\"q\\\n\xff\xc3", 10);
  // Windows allows no control character in a file name: there the name
  // has a byte that is no UTF-8 alone.
#ifdef _WIN32
  const std::string name = "weird\xff.wpt", shown = "weird\\xff.wpt";
#else
  const std::string name = "we\tird\xff.wpt", shown = "we\\x09ird\\xff.wpt";
#endif
  const std::string path = writeTempFile(name, encodeWaypointFile(spec));
  const RunResult text = run({path});
  EXPECT_EQ(text.status, 0);
  const std::string first = lines(text.out)[0];
  for (char c : text.out) {
    EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
  }
  EXPECT_NE(first.find(": map \"\\x1b[2J\\\"q\\\\\\x0a\\xff\\xc3\", 10 "
                       "waypoints"),
            std::string::npos)
      << first;
  EXPECT_NE(first.find(shown), std::string::npos) << first;

  const RunResult json = run({"--json", path});
  const JsonParse parsed = parseJson(json.out);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.value.find("map")->text,
            "\x1b[2J\"q\\\n\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(IslandsRun, UsageErrorsSayWhatIsWrong) {
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{}, "tessivar-islands: no waypoint file given\n" + kUsage},
      {{"--max-rise", "-5", "a.wpt"},
       "tessivar-islands: --max-rise takes a finite number of units, 0 or "
       "more, not '-5'\n" + kUsage},
      {{"--max-rise", "\x1b" "x", "a.wpt"},
       "tessivar-islands: --max-rise takes a finite number of units, 0 or "
       "more, not '\\x1bx'\n" + kUsage},
      {{"--verbose", "a.wpt"},
       "tessivar-islands: unknown option '--verbose'\n" + kUsage},
  };
  for (const auto& c : cases) {
    const RunResult r = run(c.args);
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST(IslandsRun, OptionsEndAtTheDoubleDash) {
  // "--json" after "--" is a file, which does not exist.
  const std::string path = fileOf(everyKind());
  const RunResult r = run({path, "--", "--json"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\n--json: Couldn't open file --json\n"),
            std::string::npos)
      << r.out;
}

// A locale that writes numbers with a decimal comma and groups thousands.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(IslandsRun, OutputDoesNotDependOnTheLocale) {
  const std::string path = fileOf(generateIslandMap(2, 3000));
  for (const char* form : {"--json", "--max-rise=45"}) {
    const RunResult plain = run({form, path});
    const std::locale comma(std::locale::classic(), new CommaPunct);
    const std::locale previous = std::locale::global(comma);
    std::vector<const char*> argv = {"tessivar-islands", form, path.c_str()};
    std::ostringstream out, err;
    out.imbue(comma);
    runTessivarIslands(3, argv.data(), out, err);
    std::locale::global(previous);
    EXPECT_EQ(out.str(), plain.out);
  }
}

}  // namespace
}  // namespace tessivar
