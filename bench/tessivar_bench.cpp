// tessivar_bench: measurements for scripts/benchmark.sh.
//
//   tessivar_bench whole BINARY MAP REPORT   runs BINARY MAP with its report
//                                            written to REPORT; prints the
//                                            wall time in seconds and the
//                                            peak resident memory in KiB
//   tessivar_bench reference MAP             runs the reference model of the
//                                            reachability and pathing phases
//                                            and prints their times in seconds
//                                            and pass counts
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "testing/reference_engine.h"
#include "waypoint/loader.h"

#if defined(__unix__)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int wholeRun(const char* binary, const char* map, const char* report) {
#if defined(__unix__)
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    const int fd = open(report, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) _exit(127);
    dup2(fd, 1);
    execl(binary, binary, map, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) != child) return 1;
  const double wall = secondsSince(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "tessivar_bench: %s %s failed\n", binary, map);
    return 1;
  }
  std::printf("%.4f %ld\n", wall, usage.ru_maxrss);
  return 0;
#else
  (void)binary, (void)map, (void)report;
  std::fprintf(stderr, "tessivar_bench: whole runs need a POSIX system\n");
  return 1;
#endif
}

int referenceRun(const char* map) {
  tessivar::WaypointGraph graph;
  std::ostringstream lines;
  if (tessivar::loadWaypointFile(map, graph, lines).status !=
      tessivar::LoadStatus::kLoaded) {
    std::fprintf(stderr, "tessivar_bench: cannot load %s\n", map);
    return 1;
  }
  const int64_t n = graph.n;
  Clock::time_point start = Clock::now();
  tessivar::testing::ReferenceReachabilitySweep reach(graph);
  int32_t reachPasses = 0;
  while (reachPasses < n && reach.runPass()) ++reachPasses;
  const double reachSeconds = secondsSince(start);
  start = Clock::now();
  tessivar::testing::ReferencePathingSweep pathing(graph, reach.matrix());
  int32_t pathingPasses = 0;
  while (pathingPasses < n && pathing.runPass()) ++pathingPasses;
  const double pathingSeconds = secondsSince(start);
  std::printf("%.3f %.3f %d %d\n", reachSeconds, pathingSeconds, reachPasses,
              pathingPasses);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "whole") == 0) {
    return wholeRun(argv[2], argv[3], argv[4]);
  }
  if (argc == 3 && std::strcmp(argv[1], "reference") == 0) {
    return referenceRun(argv[2]);
  }
  std::fprintf(stderr,
               "usage: tessivar_bench whole BINARY MAP REPORT | reference MAP\n");
  return 2;
}
