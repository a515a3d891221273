// Whole runs of tessivar-islands in the process: text transcripts, the JSON
// read back field by field, bad files among good ones, hostile names; under
// a locale with a decimal comma.
#include "islands/islands_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "testing/island_reference.h"
#include "testing/json_check.h"
#include "testing/test_support.h"
#include "tools/island_map_generator.h"

namespace tessivar {
namespace {

using testing::JsonParse;
using testing::JsonValue;
using testing::parseJson;
using testing::writeTempFile;

struct RunResult {
  int status;
  std::string out, err;
};

RunResult run(std::vector<std::string> args) {
  args.insert(args.begin(), "tessivar-islands");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  const int status = runTessivarIslands(int(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> all;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

// Main network {0, 1, 2}; 3 <-> 4 entered from 2 (trap region); 5 leads
// into 0 (unreachable region); 6 alone (orphan); 7 <-> 8 (detached room).
MapSpec everyKind() {
  return {"every kind",
          {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, -100}, {40, 0, -100},
           {0, 20, 50}, {100, 100, 0}, {-50, 0, 10}, {-60, 0, 10}},
          {{1}, {2}, {0, 3, 3}, {4}, {3}, {0}, {}, {8}, {7}}};
}

std::string fileOf(const MapSpec& layout, const std::string& name = "map.wpt") {
  return writeTempFile(name, encodeWaypointFile(layout));
}

// Numbers come out the same whatever the locale: while one of these is
// alive the global locale (which new streams take) has a decimal comma and
// groups thousands.
class CommaLocale {
 public:
  CommaLocale()
      : previous_(std::locale::global(std::locale(std::locale::classic(), new Punct))) {}
  ~CommaLocale() { std::locale::global(previous_); }

 private:
  struct Punct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
  };
  std::locale previous_;
};

TEST(IslandsRun, TextReportOfEveryKind) {
  const CommaLocale comma;
  const std::string grid = fileOf(generateGridMap(4, 3), "grid.wpt");
  const std::string path = fileOf(everyKind());
  const std::string none = fileOf(MapSpec{"empty", {}, {}}, "empty.wpt");
  const RunResult r = run({grid, path, none});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            grid + ": map \"grid_4x3\", 12 waypoints in 1 network, main network 12 "
                   "waypoints (lowest 0); no islands\n" +
                path +
                ": map \"every kind\", 9 waypoints in 5 networks, main "
                "network 3 waypoints (lowest 0); islands: 1 trap region, 1 "
                "unreachable region, 2 detached (1 orphan)\n"
                "  Island 1 of 4: trap region, 2 waypoints: 3, 4\n"
                "    box: x 30 to 40, y 0 to 0, z -100 to -100\n"
                "    paths in (1): 2->3\n"
                "    paths out: none\n"
                "    suggested path out: 3->2, length 100.499, rise 100, NOT "
                "WALKABLE (rises more than 45)\n"
                "  Island 2 of 4: unreachable region, 1 waypoint: 5\n"
                "    position: x 0, y 20, z 50\n"
                "    paths in: none\n"
                "    paths out (1): 5->0\n"
                "    suggested path in: 0->5, length 53.8516, rise 50, NOT "
                "WALKABLE (rises more than 45)\n"
                "  Island 3 of 4: detached, 1 waypoint (orphan): 6\n"
                "    position: x 100, y 100, z 0\n"
                "    paths in: none\n"
                "    paths out: none\n"
                "    suggested path in: 2->6, length 128.062, rise 0, walkable\n"
                "    suggested path out: 6->2, length 128.062, rise 0, walkable\n"
                "  Island 4 of 4: detached, 2 waypoints: 7, 8\n"
                "    box: x -60 to -50, y 0 to 0, z 10 to 10\n"
                "    paths in: none\n"
                "    paths out: none\n"
                "    suggested path in: 0->7, length 50.9902, rise 10, walkable\n"
                "    suggested path out: 7->0, length 50.9902, rise -10, "
                "walkable\n" +
                none + ": map \"empty\", 0 waypoints: no main network, no islands\n");
  // The limit from the command line, in the mark too.
  EXPECT_NE(run({path, "--max-rise=9.5"}).out.find(
                "suggested path in: 0->7, length 50.9902, rise 10, NOT WALKABLE "
                "(rises more than 9.5)\n"),
            std::string::npos);
  // The JSON layout exactly, for maps without islands.
  EXPECT_EQ(run({"--json", grid, none}).out,
            "{\"file\": \"" + grid +
                "\", \"map\": \"grid_4x3\", \"waypoints\": 12, \"networks\": 1, "
                "\"main\": {\"size\": 12, \"lowest\": 0}, \"islands\": []}\n"
                "{\"file\": \"" + none +
                "\", \"map\": \"empty\", \"waypoints\": 0, \"networks\": 0, "
                "\"main\": null, \"islands\": []}\n");
}

// The member `key` of `object`, or a null value and a failure.
const JsonValue& at(const JsonValue& object, const std::string& key) {
  static const JsonValue missing;
  const JsonValue* found = object.find(key);
  if (!found) ADD_FAILURE() << "no member \"" << key << "\"";
  return found ? *found : missing;
}

// A JSON line in the form testing::describe gives a report, its key names
// and order checked on the way.
std::string describeJson(const JsonValue& v) {
  using Keys = std::vector<std::string>;
  EXPECT_EQ(v.keys(), (Keys{"file", "map", "waypoints", "networks", "main", "islands"}));
  const JsonValue& main = at(v, "main");
  const bool hasMain = main.type == JsonValue::Type::kObject;
  EXPECT_TRUE(!hasMain || main.keys() == Keys({"size", "lowest"}));
  std::ostringstream s;
  s.imbue(std::locale::classic());
  s.precision(17);
  s << at(v, "waypoints").number << " waypoints, " << at(v, "networks").number
    << " networks, main " << (hasMain ? at(main, "size").number : -1) << " lowest "
    << (hasMain ? at(main, "lowest").number : -1) << "\n";
  for (const JsonValue& j : at(v, "islands").items) {
    EXPECT_EQ(j.keys(),
              (Keys{"kind", "waypoints", "paths_in", "paths_out", "box", "suggested"}));
    s << at(j, "kind").text << ":";
    for (const JsonValue& w : at(j, "waypoints").items) s << " " << w.number;
    for (const char* list : {"in", "out"}) {
      s << "\n  " << list;
      for (const JsonValue& p : at(j, std::string("paths_") + list).items) {
        s << " " << p.items.at(0).number << "->" << p.items.at(1).number;
      }
    }
    s << "\n  box";
    for (int i = 0; i < 6; ++i) {  // floats written to read back exactly
      const std::string& t = at(j, "box").items.at(i / 3).items.at(i % 3).text;
      float corner = NAN;
      std::from_chars(t.data(), t.data() + t.size(), corner);
      s << " " << corner;
    }
    for (const JsonValue& p : at(j, "suggested").items) {
      EXPECT_EQ(p.keys(), (Keys{"from", "to", "length", "rise", "walkable"}));
      EXPECT_EQ(at(p, "walkable").type, JsonValue::Type::kBool);
      s << "\n  " << at(p, "from").number << "->" << at(p, "to").number << " length "
        << at(p, "length").number << " rise " << at(p, "rise").number
        << (at(p, "walkable").boolean ? " walkable" : " not walkable");
    }
    s << "\n";
  }
  return s.str();
}

// The line tessivar itself prints for a file it refuses: the loader's
// message, as every tool loads maps the same way.
std::string tessivarMessage(const std::string& path) {
  WaypointGraph graph;
  return loadWaypointFile(path, graph).message;
}

TEST(IslandsRun, JsonReadsBackAsTheAnalysisWithBadFilesAmongGoodOnes) {
  const CommaLocale comma;
  MapSpec broken = everyKind();
  broken.paths[6] = {10};  // a target outside the map
  const std::vector<MapSpec> maps = {everyKind(), generateIslandMap(1, 400),
                                     generateRealisticMap(3, 300), sixWaypointExample()};
  // Good files at even places; between them one missing, one not a
  // waypoint file, one corrupt.
  std::vector<std::string> files = {testing::tempDir() + "tessivar_none/x.wpt",
                                    writeTempFile("text.wpt", {'h', 'e', 'l', 'l', 'o'}),
                                    fileOf(broken, "corrupt.wpt")};
  for (size_t i = 0; i < maps.size(); ++i) {
    files.insert(files.begin() + long(2 * i), fileOf(maps[i], "map" + std::to_string(i)));
  }
  EXPECT_EQ(tessivarMessage(files[3]), "Not a waypoint file!");
  for (const char* maxRise : {"45", "0", "123.25"}) {
    std::vector<std::string> args = {"--json", "--max-rise", maxRise};
    args.insert(args.end(), files.begin(), files.end());
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> got = lines(r.out);
    ASSERT_EQ(got.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
      const JsonParse parsed = parseJson(got[i]);
      ASSERT_TRUE(parsed.ok) << parsed.error << "\n" << got[i].substr(0, 300);
      EXPECT_EQ(at(parsed.value, "file").text, files[i]);
      if (i % 2) {
        EXPECT_EQ(parsed.value.keys(), (std::vector<std::string>{"file", "error"}));
        EXPECT_EQ(at(parsed.value, "error").text, tessivarMessage(files[i]));
        continue;
      }
      EXPECT_EQ(at(parsed.value, "map").text, maps[i / 2].name);
      const WaypointMap map = testing::waypointMapOf(maps[i / 2]);
      EXPECT_EQ(describeJson(parsed.value),
                testing::describe(findIslands(map, std::stod(maxRise))));
    }
  }
  // The text form: a line for each bad file, in its place.
  std::vector<std::string> summary;
  for (const std::string& line : lines(run(files).out)) {
    if (line[0] != ' ') summary.push_back(line);
  }
  ASSERT_EQ(summary.size(), files.size());
  for (size_t i = 1; i < files.size(); i += 2) {
    EXPECT_EQ(summary[i], files[i] + ": " + tessivarMessage(files[i]));
  }
}

TEST(IslandsRun, LongListsAreFolded) {
  // Main network: a ring of 20 (0-19). The island {20-22, 24, 25, 27-31} is
  // one ring too, entered by 10 paths (0->20, 1->21, ...) and left by none.
  MapSpec layout{"folds", {}, std::vector<std::vector<int16_t>>(32)};
  for (int32_t v = 0; v < 32; ++v) layout.positions.push_back({float(v) * 10, 0, 0});
  for (int16_t v = 0; v < 20; ++v) layout.paths[size_t(v)] = {int16_t((v + 1) % 20)};
  const std::vector<int16_t> ring = {20, 21, 22, 24, 25, 27, 28, 29, 30, 31};
  for (size_t i = 0; i < ring.size(); ++i) {
    layout.paths[size_t(ring[i])].push_back(ring[(i + 1) % ring.size()]);
    layout.paths[i].push_back(ring[i]);
  }
  const std::vector<std::string> got = lines(run({fileOf(layout)}).out);
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(got[1], "  Island 1 of 3: trap region, 10 waypoints: 20-22, 24, 25, 27-31");
  EXPECT_EQ(got[3], "    paths in (10): 0->20, 1->21, 2->22, 3->24, 4->25, 5->27, "
                    "6->28, 7->29 and 2 more");
}

TEST(IslandsRun, HostileNamesAndPathsStaySafe) {
  MapSpec layout = everyKind();
  layout.name = std::string("\x1b[2J\"q\\\n\xff\xc3", 10);
  // Windows allows no control character in a file name: there the name
  // has a byte that is no UTF-8 alone.
#ifdef _WIN32
  const std::string name = "weird\xff.wpt", shown = "weird\\xff.wpt";
#else
  const std::string name = "we\tird\xff.wpt", shown = "we\\x09ird\\xff.wpt";
#endif
  const std::string path = writeTempFile(name, encodeWaypointFile(layout));
  const std::string text = run({path}).out;
  EXPECT_EQ(std::count_if(text.begin(), text.end(),
                          [](unsigned char c) { return c < 0x20 || c == 0x7F; }),
            std::count(text.begin(), text.end(), '\n'));
  EXPECT_NE(text.find(shown + ": map \"\\x1b[2J\\\"q\\\\\\x0a\\xff\\xc3\", "
                      "9 waypoints"),
            std::string::npos)
      << text;
  const JsonParse parsed = parseJson(run({"--json", path}).out);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(at(parsed.value, "map").text, "\x1b[2J\"q\\\n\xEF\xBF\xBD\xEF\xBF\xBD");
  // A bad option is shown safely too, with the usage line.
  EXPECT_EQ(run({"--max-rise", "\x1b" "x", path}).out,
            "tessivar-islands: --max-rise takes a finite number of units, 0 or more, "
            "not '\\x1bx'\nUsage tessivar-islands [--json] [--max-rise UNITS] "
            "<waypointfile>...\n");
}

}  // namespace
}  // namespace tessivar
