// The report's lines as written from the analysis results, and where the
// phases take their time stamps.
#include "app/console_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "testing/test_support.h"

namespace tessivar {
namespace {

struct ScanLinesCase {
  const char* name;
  OrphanScanResult scan;
  std::string lines;  // between the heading and the timing line
};

void PrintTo(const ScanLinesCase& c, std::ostream* os) { *os << c.name; }

class ScanLinesTest : public ::testing::TestWithParam<ScanLinesCase> {};

TEST_P(ScanLinesTest, OrphansAndTrapsInWaypointOrderThenTheSummary) {
  const ScanLinesCase& c = GetParam();
  std::ostringstream out;
  ConsoleReport report(out, [] { return TimeStamp{}; });
  report.scanStarting();
  report.scanDone(c.scan);
  EXPECT_EQ(out.str(), "Analyzing node graph...\n" + c.lines +
                           "\nAnalysis took 0 second(s)\n");
}

INSTANTIATE_TEST_SUITE_P(
    Results, ScanLinesTest,
    ::testing::Values(
        ScanLinesCase{"Clean", {{}, {}},
                      "Done analyzing node graph!\n"
                      "No orphan nodes. Good.\n"
                      "No trap nodes. Good.\n"},
        ScanLinesCase{"OneOrphan", {{0}, {}},
                      "Waypoint #0 is an orphan waypoint!\n"
                      "Done analyzing node graph!\n"
                      "WARNING! 1 orphan node(s) found\n"
                      "No trap nodes. Good.\n"},
        ScanLinesCase{"TrapsOnly", {{}, {1, 2, 3}},
                      "Waypoint #1 is a trap waypoint!\n"
                      "Waypoint #2 is a trap waypoint!\n"
                      "Waypoint #3 is a trap waypoint!\n"
                      "Done analyzing node graph!\n"
                      "No orphan nodes. Good.\n"
                      "WARNING! 3 trap node(s) found\n"},
        ScanLinesCase{"Interleaved", {{1, 3, 9}, {0, 2, 7}},
                      "Waypoint #0 is a trap waypoint!\n"
                      "Waypoint #1 is an orphan waypoint!\n"
                      "Waypoint #2 is a trap waypoint!\n"
                      "Waypoint #3 is an orphan waypoint!\n"
                      "Waypoint #7 is a trap waypoint!\n"
                      "Waypoint #9 is an orphan waypoint!\n"
                      "Done analyzing node graph!\n"
                      "WARNING! 3 orphan node(s) found\n"
                      "WARNING! 3 trap node(s) found\n"}),
    [](const ::testing::TestParamInfo<ScanLinesCase>& info) { return info.param.name; });

std::string routeLines(const RouteQuery& query, int32_t n) {
  std::ostringstream out;
  ConsoleReport report(out);
  report.headerRead("m", n);
  out.str("");
  report.route(query);
  return out.str();
}

TEST(RouteLines, LengthAsRecordedAndTheRouteWithoutLineEnd) {
  RouteQuery query;
  query.queried = true;
  EXPECT_EQ(routeLines(query, 6),
            "Shortest path from node 0 to node 5 is 1e+07 units long\n0->5");
  query.reachable = true;
  query.length = 123.456789f;
  EXPECT_EQ(routeLines(query, 6),
            "Shortest path from node 0 to node 5 is 123.457 units long\n0->5");
  query.length = 0.11f;
  query.intermediates = {2, 3, 1};
  EXPECT_EQ(routeLines(query, 9),
            "Shortest path from node 0 to node 5 is 0.11 units long\n0->2->3->1->5");
}

TEST(RouteLines, FewerThanSixWaypointsAreExplained) {
  EXPECT_EQ(routeLines(RouteQuery{}, 0),
            "Can't query a path from node 0 to node 5: the map has only 0 waypoint(s)\n");
  EXPECT_EQ(routeLines(RouteQuery{}, 5),
            "Can't query a path from node 0 to node 5: the map has only 5 waypoint(s)\n");
}

// Each phase's clock starts and stops where the report's timing lines say:
// loading around the loader's lines, the scan around its lines, each
// building phase after its heading and before its result lines (for the
// pathing phase, after the line end that closes the row of dots). A clock
// that records the text written so far at each reading shows it, and the
// timing lines print the differences of its readings.
TEST(ConsoleReport, PhasesAreTimedWhereTheReportSays) {
  std::ostringstream out;
  std::vector<std::string> atReading;
  ConsoleReport report(out, [&] {
    atReading.push_back(out.str());
    // Readings 1, 2, 4, 8, ... seconds: every phase's elapsed time differs.
    return TimeStamp{int64_t(1) << atReading.size(), 0};
  });
  report.loadingStarting();
  WaypointGraph graph;
  const std::vector<uint8_t> bytes = encodeWaypointFile(sixWaypointExample());
  ASSERT_TRUE(parseWaypointBytes(bytes.data(), bytes.size(), MemoryBudget{}, graph, {}, &report).ok());
  report.loadingDone();
  runReportPhases(graph, &report);
  const std::string text = out.str();
  ASSERT_EQ(atReading.size(), 8u);
  const auto endsWith = [](const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
  };
  EXPECT_EQ(atReading[0], "");
  EXPECT_TRUE(endsWith(atReading[1], "Read 6 edges...\n"));
  EXPECT_TRUE(endsWith(atReading[2], "Loading took 2 second(s)\n"));
  EXPECT_TRUE(endsWith(atReading[3], "WARNING! 1 trap node(s) found\n"));
  EXPECT_TRUE(endsWith(atReading[4], "Building reachability matrix\n"));
  EXPECT_TRUE(endsWith(atReading[5], "\rStep 1 of 6(13 paths found)\n"));
  EXPECT_TRUE(endsWith(atReading[6], "Building pathing block and shortest path matrix"));
  EXPECT_TRUE(endsWith(atReading[7], "...\n"));
  EXPECT_NE(text.find("Analysis took 8 second(s)\n"), std::string::npos);
  EXPECT_NE(text.find("\nBuilding took 32 second(s)\n"), std::string::npos);
  EXPECT_NE(text.find("\nBuilding took 128 second(s)\n"), std::string::npos);
}

}  // namespace
}  // namespace tessivar
