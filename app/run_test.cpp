// Whole transcripts of the run frame, timings masked.
#include "app/run.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tessivar
