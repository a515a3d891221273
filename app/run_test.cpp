// Whole transcripts of the run frame, timings masked.
#include "app/run.h"

#include <gtest/gtest.h>

#include <sstream>

#include "testing/test_support.h"

namespace tessivar {
namespace {

using testing::maskTimings;
using testing::runOnBytes;

TEST(RunTranscript, SixWaypointExample) {
  const testing::RunOutput run =
      runOnBytes(encodeWaypointFile(sixWaypointExample()));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(maskTimings(run.out),
            "Tessivar\n"
            "Checks the navigation graph of a waypoint map.\n"
            "Loading waypoints for map six_waypoints...\n"
            "6 waypoints(nodes) in file\n"
            "Initializing adjacency and edge length matrices...done.\n"
            "Read 6 waypoints(nodes)...\n"
            "Read 6 edges...\n"
            "Done loading!\n"
            "\n"
            "Loading took {s} second(s)\n"
            "Analyzing node graph...\n"
            "Waypoint #5 is a trap waypoint!\n"
            "Done analyzing node graph!\n"
            "No orphan nodes. Good.\n"
            "WARNING! 1 trap node(s) found\n"
            "\n"
            "Analysis took {s} second(s)\n"
            "Building reachability matrix\n"
            "\rStep 1 of 6(13 paths found)\n"
            "\rBuilt reachability matrix in 1 iterations\n"
            "13 out of 36 node pairs are reachable\n"
            "\n"
            "Building took {s} second(s)\n"
            "Building pathing block and shortest path matrix...\n"
            "\n"
            "\rBuilt pathing block in 2 iterations\n"
            "Building took {s} second(s)\n"
            "Shortest path from node 0 to node 5 is 15 units long\n"
            "0->2->3->1->5");
}

TEST(RunTranscript, EmptyMapSkipsTheQuery) {
  MapSpec map;
  map.name = "empty";
  const testing::RunOutput run = runOnBytes(encodeWaypointFile(map));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimings(run.out),
            "Tessivar\n"
            "Checks the navigation graph of a waypoint map.\n"
            "Loading waypoints for map empty...\n"
            "0 waypoints(nodes) in file\n"
            "Initializing adjacency and edge length matrices...done.\n"
            "Read 0 waypoints(nodes)...\n"
            "Read 0 edges...\n"
            "Done loading!\n"
            "\n"
            "Loading took {s} second(s)\n"
            "Analyzing node graph...\n"
            "Done analyzing node graph!\n"
            "No orphan nodes. Good.\n"
            "No trap nodes. Good.\n"
            "\n"
            "Analysis took {s} second(s)\n"
            "Building reachability matrix\n"
            "\rBuilt reachability matrix in 0 iterations\n"
            "0 out of 0 node pairs are reachable\n"
            "\n"
            "Building took {s} second(s)\n"
            "Building pathing block and shortest path matrix\n"
            "\n"
            "\rBuilt pathing block in 0 iterations\n"
            "Building took {s} second(s)\n"
            "Can't query a path from node 0 to node 5: the map has only 0 waypoint(s)\n");
}

TEST(RunTranscript, WrongArgumentCountWritesOnlyBannerAndUsage) {
  const char* none[] = {"/usr/bin/tessivar"};
  const char* two[] = {"tessivar", "a.wpt", "b.wpt"};
  for (int argc : {1, 3}) {
    std::ostringstream out, err;
    EXPECT_EQ(runTessivar(argc, argc == 1 ? none : two, out, err), 1);
    EXPECT_EQ(out.str(),
              "Tessivar\nChecks the navigation graph of a waypoint map.\nUsage " +
                  std::string(argc == 1 ? none[0] : two[0]) + " <waypointfile>\n");
    EXPECT_EQ(err.str(), "");
  }
}

TEST(RunTranscript, FailuresEndTheRunWithTheirLine) {
  MapSpec map = sixWaypointExample();
  std::vector<uint8_t> wrongType = encodeWaypointFile(map, "HPB_BOT");
  // The file ends with waypoint 4's one target and waypoint 5's empty
  // count; point that target at a waypoint the map doesn't have.
  std::vector<uint8_t> badTarget = encodeWaypointFile(map);
  badTarget[badTarget.size() - 4] = 9;
  const std::string banner =
      "Tessivar\nChecks the navigation graph of a waypoint map.\n";

  testing::RunOutput run = runOnBytes(wrongType);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, banner + "Not a waypoint file!\n");

  run = runOnBytes(badTarget);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, banner +
                         "Loading waypoints for map six_waypoints...\n"
                         "6 waypoints(nodes) in file\n"
                         "Initializing adjacency and edge length matrices...done.\n"
                         "Read 6 waypoints(nodes)...\n"
                         "Corrupt waypoint file: waypoint 4 has a path to waypoint 9, "
                         "but the map has 6 waypoints\n");

  const char* missing[] = {"tessivar", "/nonexistent/dir/map.wpt"};
  std::ostringstream out, err;
  EXPECT_EQ(runTessivar(2, missing, out, err), 1);
  EXPECT_EQ(out.str(), banner + "Couldn't open file /nonexistent/dir/map.wpt\n");
}

}  // namespace
}  // namespace tessivar
