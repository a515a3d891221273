// tessivar-view's run: its messages and statuses, where the page goes, and
// the data inside the page checked against the library's own results.
#include "view/view_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "analysis/report_phases.h"
#include "frame/stream_text.h"
#include "testing/json_check.h"
#include "testing/test_support.h"
#include "tools/island_map_generator.h"
#include "tools/map_generator.h"
#include "view/page_data.h"

namespace tessivar {
namespace {

namespace fs = std::filesystem;
using testing::JsonValue;

// A fresh, empty directory for the current test.
std::string testDir() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const fs::path dir = fs::path(testing::tempDir()) /
                       ("tessivar_view_" + std::string(test->test_suite_name()) + "_" + test->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.generic_string() + "/";
}

std::string writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream all;
  all << file.rdbuf();
  return all.str();
}

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

RunResult run(std::vector<std::string> args) {
  args.insert(args.begin(), "tessivar-view");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  RunResult r;
  r.status = runTessivarView(int(argv.size()), argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

const std::string kDataOpen = "<script type=\"application/json\" id=\"map-data\">";

// The page's data element, parsed.
JsonValue pageData(const std::string& page) {
  const size_t open = page.find(kDataOpen);
  EXPECT_NE(open, std::string::npos);
  EXPECT_EQ(page.find(kDataOpen, open + 1), std::string::npos) << "one data element";
  const size_t start = open + kDataOpen.size();
  const size_t end = page.find("</script>", start);
  const testing::JsonParse parsed = testing::parseJson(page.substr(start, end - start));
  EXPECT_TRUE(parsed.ok) << parsed.error;
  return parsed.value;
}

std::vector<int64_t> numbers(const JsonValue& array) {
  std::vector<int64_t> out;
  for (const JsonValue& item : array.items) out.push_back(int64_t(item.number));
  return out;
}

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(ViewRun, WrongArgumentCountPrintsUsage) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--"}, {"map.wpt", "a.html", "extra"},
           {"--", "map.wpt", "a.html", "--"}}) {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Usage tessivar-view <waypointfile> [<output.html>|-]\n");
    EXPECT_EQ(r.err, "");
  }
}

// Without an output the page goes beside the map, named after it, and the
// line says where.
TEST(ViewRun, WithoutAnOutputThePageGoesBesideTheMap) {
  const std::string dir = testDir();
  const std::vector<uint8_t> six = encodeWaypointFile(sixWaypointExample());
  const struct {
    const char* map;
    const char* page;
  } cases[] = {
      {"six.wpt", "six.html"},
      {"no_extension", "no_extension.html"},
      {"de_dust.v2.old.wpt", "de_dust.v2.old.html"},
      {"maps.d/map", "maps.d/map.html"},
  };
  fs::create_directories(dir + "maps.d");
  for (const auto& c : cases) {
    const std::string map = writeBytes(dir + c.map, six);
    const std::string page = dir + c.page;
    const RunResult r = run({map});
    EXPECT_EQ(r.status, 0) << c.map;
    EXPECT_EQ(r.out, "Wrote " + page + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(pageData(readFile(page)).find("waypoints")->number, 6) << c.page;
    EXPECT_EQ(readFile(map), std::string(six.begin(), six.end()));
  }
  // A lone "--" before the operands is dropped; one after it is an
  // operand.
  fs::remove(dir + "six.html");
  EXPECT_EQ(run({"--", dir + "six.wpt"}).out, "Wrote " + dir + "six.html\n");
  EXPECT_TRUE(fs::exists(dir + "six.html"));
  const RunResult named = run({"--", "--"});
  EXPECT_EQ(named.status, 1);
  EXPECT_EQ(named.out, "Couldn't open file --\n");
}

// A map whose own name ends in .html: the default name is the map itself,
// which is never written; a name that names no file gets no page.
TEST(ViewRun, TheDefaultNameNeverReplacesTheMap) {
  const std::string dir = testDir();
  const std::vector<uint8_t> six = encodeWaypointFile(sixWaypointExample());
  const std::string map = writeBytes(dir + "map.html", six);
  const RunResult r = run({map});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Couldn't write file " + map + ": it is the waypoint file\n");
  EXPECT_EQ(readFile(map), std::string(six.begin(), six.end()));

  const RunResult none = run({dir});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "Couldn't name the page after " + dir +
                          ": it names no file; give the output's name\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// Two maps dropped together on the program arrive as a map and an output:
// the second map is never replaced by a page, nor is any other map.
TEST(ViewRun, AnotherWaypointFileIsNeverWrittenOver) {
  const std::string dir = testDir();
  const std::vector<uint8_t> six = encodeWaypointFile(sixWaypointExample());
  const std::string first = writeBytes(dir + "first.wpt", six);
  for (const std::string& output : {writeBytes(dir + "second.wpt", six),
                                    writeBytes(dir + "map.html", six)}) {
    const RunResult r = run({first, output});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Couldn't write file " + output + ": it is a waypoint file\n");
    EXPECT_EQ(readFile(output), std::string(six.begin(), six.end()));
  }
  // An old page is replaced.
  const std::string old = writeBytes(dir + "old.html", {'o', 'l', 'd'});
  EXPECT_EQ(run({first, old}).status, 0);
  EXPECT_EQ(readFile(old).rfind("<!DOCTYPE html>", 0), 0u);
}

// Names from the command line reach a terminal escaped, and keep their
// bytes anywhere else. (Names no system takes as files, so that the test
// runs alike everywhere: the messages are those of names that fail.)
TEST(ViewRun, NamesReachATerminalEscaped) {
  const std::string dir = testDir();
  const std::string missing = dir + "gone\x1b]0;title\a.wpt";
  const std::string folder = dir + "maps\x1b[2J/";
  for (const bool terminal : {true, false}) {
    SCOPED_TRACE(terminal);
    const auto runOn = [&](const std::vector<std::string>& args) {
      std::vector<const char*> argv;
      for (const std::string& a : args) argv.push_back(a.c_str());
      std::ostringstream out, err;
      markTerminalStream(out, terminal);
      markTerminalStream(err, terminal);
      EXPECT_EQ(runTessivarView(int(argv.size()), argv.data(), out, err), 1);
      return out.str() + err.str();
    };
    EXPECT_EQ(runOn({"tessivar-view", missing, dir + "page.html"}),
              "Couldn't open file " +
                  (terminal ? dir + "gone\\x1b]0;title\\x07.wpt" : missing) + "\n");
    EXPECT_EQ(runOn({"tessivar-view", folder}),
              "Couldn't name the page after " +
                  (terminal ? dir + "maps\\x1b[2J/" : folder) +
                  ": it names no file; give the output's name\n");
    EXPECT_EQ(runOn({"view\x1b[2J"}),
              std::string("Usage ") + (terminal ? "view\\x1b[2J" : "view\x1b[2J") +
                  " <waypointfile> [<output.html>|-]\n");
  }
  EXPECT_FALSE(fs::exists(dir + "page.html"));
}

TEST(ViewRun, InputsThatCantBeLoadedGetTheLoadersMessage) {
  const std::string dir = testDir();
  RunResult r = run({dir + "missing.wpt", dir + "out.html"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Couldn't open file " + dir + "missing.wpt\n");
  std::vector<uint8_t> bytes = encodeWaypointFile(sixWaypointExample());
  bytes[0] = 'X';
  r = run({writeBytes(dir + "bad.wpt", bytes), dir + "out.html"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Not a waypoint file!\n");
  // With the page on standard output, the message goes to standard error.
  r = run({dir + "missing.wpt", "-"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Couldn't open file " + dir + "missing.wpt\n");
  EXPECT_FALSE(fs::exists(dir + "out.html"));
}

TEST(ViewRun, NeverWritesOverTheWaypointFile) {
  const std::string dir = testDir();
  const std::string map = writeBytes(dir + "six.wpt", encodeWaypointFile(sixWaypointExample()));
  const std::string before = readFile(map);
  const RunResult r = run({map, map});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Couldn't write file " + map + ": it is the waypoint file\n");
  EXPECT_EQ(readFile(map), before);
  const RunResult folder = run({map, dir});
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.out, "Couldn't write file " + dir + "\n");
}

TEST(ViewRun, ThePageHoldsTheReportsAndTheIslandsFindings) {
  const std::string dir = testDir();
  const MapSpec made = generateIslandMap(3, 200);
  const std::string map = writeBytes(dir + "islands.wpt", encodeWaypointFile(made));
  const RunResult r = run({map, dir + "page.html"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "Wrote " + dir + "page.html\n");
  EXPECT_EQ(r.err, "");
  const std::string page = readFile(dir + "page.html");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_EQ(page.substr(page.size() - 8), "</html>\n");
  // No address outside the page: nothing to fetch.
  EXPECT_EQ(page.find("http:"), std::string::npos);
  EXPECT_EQ(page.find("https:"), std::string::npos);

  WaypointGraph graph;
  ASSERT_TRUE(testing::parse(encodeWaypointFile(made), graph).ok());
  const ReportFindings report = runReportPhases(graph);
  const IslandReport islands = findIslands(graph);
  const JsonValue data = pageData(page);
  EXPECT_EQ(data.keys(), (std::vector<std::string>{
                             "file", "map", "waypoints", "pathEntries", "positions",
                             "pathCounts", "pathTargets", "orphans", "traps", "report",
                             "leftOut", "networks", "main", "maxRise", "islands", "storeys"}));
  EXPECT_EQ(data.find("file")->text, "islands.wpt");
  EXPECT_EQ(data.find("map")->text, graph.mapName);
  EXPECT_EQ(data.find("waypoints")->number, 200);
  EXPECT_EQ(data.find("pathEntries")->number, double(graph.pathEntryTotal));
  EXPECT_EQ(numbers(*data.find("orphans")),
            std::vector<int64_t>(report.scan.orphans.begin(), report.scan.orphans.end()));
  EXPECT_EQ(numbers(*data.find("traps")),
            std::vector<int64_t>(report.scan.traps.begin(), report.scan.traps.end()));
  const JsonValue& figures = *data.find("report");
  EXPECT_EQ(figures.find("reachable")->number, double(report.reachableCount));
  const JsonValue& route = *figures.find("route");
  EXPECT_EQ(float(route.find("length")->number), report.route.length);
  std::vector<int64_t> expectedRoute;
  if (report.route.reachable) {
    expectedRoute.push_back(0);
    expectedRoute.insert(expectedRoute.end(), report.route.intermediates.begin(),
                         report.route.intermediates.end());
    expectedRoute.push_back(5);
  }
  EXPECT_EQ(numbers(*route.find("waypoints")), expectedRoute);
  EXPECT_EQ(data.find("leftOut")->type, JsonValue::Type::kNull);
  EXPECT_EQ(data.find("networks")->number, islands.networks);
  EXPECT_EQ(data.find("main")->find("size")->number, islands.mainSize);
  const JsonValue& list = *data.find("islands");
  ASSERT_EQ(list.items.size(), islands.islands.size());
  ASSERT_GT(list.items.size(), 0u);
  for (size_t k = 0; k < list.items.size(); ++k) {
    const Island& island = islands.islands[k];
    const JsonValue& item = list.items[k];
    EXPECT_EQ(item.find("kind")->text, islandKindName(island.kind)) << k;
    EXPECT_EQ(numbers(*item.find("waypoints")),
              std::vector<int64_t>(island.waypoints.begin(), island.waypoints.end())) << k;
    EXPECT_EQ(item.find("box")->items[0].items[2].number, island.box.low[2]) << k;
    ASSERT_EQ(item.find("suggested")->items.size(), island.suggested.size()) << k;
    EXPECT_EQ(item.find("suggested")->items[0].find("to")->number, island.suggested[0].to) << k;
  }
  // The storeys cover every waypoint.
  double standing = 0;
  for (const JsonValue& storey : data.find("storeys")->items) {
    standing += storey.find("waypoints")->number;
  }
  EXPECT_EQ(standing, 200);
}

TEST(ViewRun, PositionsAndPathsAreTheStoredBytes) {
  const std::string dir = testDir();
  MapSpec made;
  made.name = "two";
  made.positions = {{1, -2, 0.5f}, {0, 0, 0}};
  made.paths = {{1, 1}, {}};
  const RunResult r = run({writeBytes(dir + "two.wpt", encodeWaypointFile(made)), "-"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const JsonValue data = pageData(r.out);
  // 1.0f, -2.0f, 0.5f, then three zeros, as little-endian binary32.
  EXPECT_EQ(data.find("positions")->text, "AACAPwAAAMAAAAA/AAAAAAAAAAAAAAAA");
  // Path counts 2 and 0; targets 1 and 1, the repeat kept.
  EXPECT_EQ(data.find("pathCounts")->text, "AgAAAAAAAAA=");
  EXPECT_EQ(data.find("pathTargets")->text, "AQAAAAEAAAA=");
  EXPECT_EQ(data.find("pathEntries")->number, 2);
  // Fewer than six waypoints: no route 0 -> 5 to show.
  EXPECT_EQ(data.find("report")->find("route")->type, JsonValue::Type::kNull);
}

TEST(ViewRun, AHostileMapNameStaysText) {
  const std::string dir = testDir();
  MapSpec made = sixWaypointExample();
  // The name holds 32 bytes: "</script><img src=x onerror=aler".
  made.name = "</script><img src=x onerror=alert(1)>";
  const RunResult r = run({writeBytes(dir + "hostile.wpt", encodeWaypointFile(made)),
                           dir + "page.html"});
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string page = readFile(dir + "page.html");
  // The name is in the data, escaped, and nowhere else: the only
  // "</script" are the ends of the page's own two script elements.
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_EQ(count(page, "</script"), 2u);
  EXPECT_NE(page.find("\"map\": \"\\u003c/script\\u003e\\u003cimg src=x onerror=aler\""),
            std::string::npos);
  EXPECT_EQ(pageData(page).find("map")->text, made.name.substr(0, 32));
}

TEST(ViewRun, ABigMapLeavesOutTheReportsMatrixFiguresAndSaysSo) {
  const std::string dir = testDir();
  // 2050 waypoints: past the limit, quick to load and find islands in.
  const std::string map = writeBytes(dir + "grid.wpt", encodeWaypointFile(generateGridMap(50, 41)));
  const RunResult r = run({map, dir + "page.html"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "Left out the reachable pairs and the route 0 -> 5 (2050 waypoints, more than 2048); "
                   "run tessivar " + map + " for them\nWrote " + dir + "page.html\n");
  const JsonValue data = pageData(readFile(dir + "page.html"));
  EXPECT_EQ(data.find("report")->type, JsonValue::Type::kNull);
  EXPECT_EQ(data.find("leftOut")->find("reason")->text, "waypoints");
  EXPECT_EQ(data.find("leftOut")->find("limit")->number, 2048);
  // The rest is all there: a grid is one network.
  EXPECT_EQ(data.find("main")->find("size")->number, 2050);
  EXPECT_EQ(data.find("islands")->items.size(), 0u);
  EXPECT_EQ(data.find("orphans")->items.size(), 0u);
}

TEST(ViewFindings, TheLimitAndTheMemoryDecideWhetherThePhasesRun) {
  WaypointGraph graph;
  ASSERT_TRUE(testing::parse(encodeWaypointFile(generateRealisticMap(2, 40)), graph).ok());
  WaypointMap map = graph;
  const ViewFindings all = findViewFindings(map, 40);
  EXPECT_EQ(all.phases.plan, PhasesPlan::kRun);
  EXPECT_EQ(all.reachableCount, runReportPhases(graph).reachableCount);
  // The map comes back whole after the phases.
  EXPECT_EQ(map.n, 40);
  EXPECT_EQ(map.pathTargets, graph.pathTargets);
  const ViewFindings some = findViewFindings(map, 39);
  EXPECT_EQ(some.phases.plan, PhasesPlan::kTooManyWaypoints);
  EXPECT_EQ(some.reachableCount, 0);
  // The scan and the islands don't need the phases.
  EXPECT_EQ(some.scan.orphans, all.scan.orphans);
  EXPECT_EQ(some.scan.traps, all.scan.traps);
  EXPECT_EQ(some.islands.islands.size(), all.islands.islands.size());
  const std::string data = pageDataJson("x.wpt", map, some);
  EXPECT_NE(data.find("\"report\": null, \"leftOut\": {\"reason\": \"waypoints\", \"limit\": 2048}"),
            std::string::npos);
}

}  // namespace
}  // namespace tessivar
