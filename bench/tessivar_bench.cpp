// tessivar_bench: measurements for `scripts/benchmark.sh pathing`
// and `scripts/benchmark.sh against`.
//
//   tessivar_bench whole BINARY MAP REPORT   runs BINARY MAP with its report
//                                            written to REPORT; prints the
//                                            wall time in seconds and the
//                                            peak resident memory in KiB
//   tessivar_bench reference MAP             runs the reference model of the
//                                            reachability and pathing phases
//                                            and prints their times in seconds
//                                            and pass counts
//   tessivar_bench passes MAP [THREADS [KERNEL]]
//                                            runs the pathing phase pass by
//                                            pass and prints, per pass, its
//                                            time and what it did: its kind
//                                            (s sparse, b bounded, d dense),
//                                            cells due, passed over and
//                                            evaluated, blocks of 16
//                                            intermediates summed per
//                                            register block,
//                                            cells rewritten, and sums a
//                                            sparse pass offered (per N)
//   With `passes`, environment variables force the engine's choices, for
//   experiments: NOBAR, NOCHANGED, NOBOUNDS (that skip off), NEIGHBOURS (the
//   bars through the paths' ends on),
//   NUMBERING or SPATIAL (the grouping of intermediates into blocks),
//   FULL=bounded|dense (the passes that are not sparse) and
//   SPARSE=never|always (sparse passes never, or whenever able), and
//   LOG=ENTRIES (the write log's room per thread).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/whole_run.h"
#include "analysis/pathing_sweep.h"
#include "analysis/reachability.h"
#include "analysis/run_memory.h"
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

// Processor time of the whole process, which a busy machine does not
// inflate the way it inflates wall time.
double processorSeconds() {
#if defined(__unix__)
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
#else
  return 0;
#endif
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int wholeRun(const char* binary, const char* map, const char* report) {
  return tessivar::bench::timeWholeRun("tessivar_bench", {binary, map}, report);
}

// Loads `map` as the tool does; false (with a message) when it can't.
bool loadMap(const char* map, tessivar::WaypointGraph& graph) {
  if (tessivar::loadWaypointFile(map, graph, tessivar::reportPhasesNeed).status == tessivar::LoadStatus::kLoaded) {
    return true;
  }
  std::fprintf(stderr, "tessivar_bench: cannot load %s\n", map);
  return false;
}

int referenceRun(const char* map) {
  tessivar::WaypointGraph graph;
  if (!loadMap(map, graph)) return 1;
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

int passRun(const char* map, int threads, const char* kernel) {
  tessivar::WaypointGraph graph;
  if (!loadMap(map, graph)) return 1;
  const tessivar::ReachabilityResult reach = tessivar::buildReachabilityMatrix(graph);
  tessivar::PathingSweepOptions options;
  options.threads = threads;
  if (kernel && std::strcmp(kernel, "portable") == 0) options.kernel = tessivar::KernelPath::kPortable;
  if (kernel && std::strcmp(kernel, "avx2") == 0) options.kernel = tessivar::KernelPath::kAvx2;
  if (std::getenv("NOBAR")) options.viaThreshold = false, options.neighbourBars = false;
  if (std::getenv("NEIGHBOURS")) options.neighbourBars = true;
  if (std::getenv("NOCHANGED")) options.changedOnly = false;
  if (std::getenv("NOBOUNDS")) options.blockBounds = false;
  if (std::getenv("NUMBERING")) options.order = tessivar::BlockOrder::kNumbering;
  if (std::getenv("SPATIAL")) options.order = tessivar::BlockOrder::kSpatial;
  if (const char* kind = std::getenv("FULL")) {
    if (std::strcmp(kind, "dense") == 0) options.full = tessivar::FullPasses::kDense;
    if (std::strcmp(kind, "bounded") == 0) options.full = tessivar::FullPasses::kBounded;
  }
  if (const char* kind = std::getenv("SPARSE")) {
    if (std::strcmp(kind, "never") == 0) options.sparse = tessivar::SparsePasses::kNever;
    if (std::strcmp(kind, "always") == 0) options.sparse = tessivar::SparsePasses::kWhenAble;
  }
  if (const char* log = std::getenv("LOG")) options.logCapacity = std::atoll(log);
  Clock::time_point start = Clock::now();
  tessivar::PathingSweep sweep(graph, reach.matrix, options);
  std::printf("setup %.4f s, %s, %d thread(s)\n", secondsSince(start), sweep.kernelName(),
              sweep.threads());
  std::printf("pass seconds cpu-seconds due skipped evaluated blocks/register-block writes"
              " offered/N\n");
  double total = 0, totalCpu = 0;
  for (int32_t pass = 1; pass <= graph.n; ++pass) {
    start = Clock::now();
    const double cpuStart = processorSeconds();
    const bool changed = sweep.runPass();
    const double seconds = secondsSince(start);
    const double cpu = processorSeconds() - cpuStart;
    total += seconds;
    totalCpu += cpu;
    const tessivar::PassCounts& counts = sweep.lastPass();
    static const char* const kKinds[] = {"s", "b", "d"};
    std::printf("%d%s %.4f %.4f %lld %lld %lld %.2f %lld %.0f\n", pass,
                kKinds[int(counts.kind)], seconds, cpu, static_cast<long long>(counts.due),
                static_cast<long long>(counts.skipped),
                static_cast<long long>(counts.evaluated),
                counts.registerBlocks ? double(counts.scanned) / double(counts.registerBlocks) : 0.0,
                static_cast<long long>(counts.writes),
                double(counts.offered) / double(graph.n));
    if (!changed) break;
  }
  start = Clock::now();
  const std::vector<float> values = sweep.takePathing();
  std::printf("passes %.4f s (processor %.4f s), taking the results %.4f s\n", total, totalCpu,
              secondsSince(start));
  return values.empty() && graph.n > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "whole") == 0) {
    return wholeRun(argv[2], argv[3], argv[4]);
  }
  if (argc == 3 && std::strcmp(argv[1], "reference") == 0) {
    return referenceRun(argv[2]);
  }
  if (argc >= 3 && argc <= 5 && std::strcmp(argv[1], "passes") == 0) {
    return passRun(argv[2], argc >= 4 ? std::atoi(argv[3]) : 0, argc == 5 ? argv[4] : nullptr);
  }
  std::fprintf(stderr,
               "usage: tessivar_bench whole BINARY MAP REPORT | reference MAP |"
               " passes MAP [THREADS [portable|avx2|avx512]]\n");
  return 2;
}
